// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The font the windows are laid out in. The layout is in dialog units of this
// font, so any of the families below keeps the proportions.

#include <QFont>
#include <QStringList>

namespace velmora {

QFont uiFont(int pointSize);

// base, or a condensed or smaller cut of it (not below minimumPoints), in which every
// sample fits in room pixels.
QFont fitFont(QFont base, int room, const QStringList& samples, double minimumPoints = 7.0);

} // namespace velmora
