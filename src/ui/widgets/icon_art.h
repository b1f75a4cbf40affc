// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's icon: a pressure gauge on a dark tile. Painted, not stored, so
// every size is drawn for its own pixel grid.

#include <QImage>

namespace velmora {

QImage paintAppIcon(int size);

} // namespace velmora
