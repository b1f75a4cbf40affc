#pragma once
// The font the windows are laid out in. The layout is in dialog units of this
// font, so any of the families below keeps the proportions.

#include <QFont>

namespace velmora {

QFont uiFont(int pointSize);

} // namespace velmora
