// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Dialog units: the window's layout is written in units of its own font, so it
// keeps its proportions whatever the font and the screen's DPI.
//   x px = du x baseX / 4, y px = du x baseY / 8

#include <QRect>

class QFont;

namespace velmora {

struct DialogBaseUnits {
    int x = 0; // average character width of the font, px
    int y = 0; // character height of the font, px
};

// Average width taken over the 52 Latin letters, rounded as Windows does.
DialogBaseUnits dialogBaseUnits(const QFont& font);
// du x numerator / denominator, rounded half away from zero.
int scaleRounded(int du, int numerator, int denominator);
QRect dialogToPixels(const QRect& du, const DialogBaseUnits& units);

} // namespace velmora
