// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>

namespace velmora {

// The program's icon, 48, 32 and 16 pixels.
QIcon appIcon();

} // namespace velmora
