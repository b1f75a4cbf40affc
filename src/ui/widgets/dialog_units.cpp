// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialog_units.h"

#include <QFont>
#include <QFontMetrics>

namespace velmora {

DialogBaseUnits dialogBaseUnits(const QFont& font)
{
    const QFontMetrics metrics(font);
    const int letters =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(letters / 26 + 1) / 2, metrics.height()};
}

int scaleRounded(int du, int numerator, int denominator)
{
    const long long product = static_cast<long long>(du) * numerator;
    const long long half = denominator / 2;
    const long long rounded = product >= 0 ? (product + half) / denominator : (product - half) / denominator;
    return static_cast<int>(rounded);
}

QRect dialogToPixels(const QRect& du, const DialogBaseUnits& units)
{
    // Converting the two corners (not the size) keeps neighbouring controls flush.
    const int left = scaleRounded(du.x(), units.x, 4);
    const int top = scaleRounded(du.y(), units.y, 8);
    const int right = scaleRounded(du.x() + du.width(), units.x, 4);
    const int bottom = scaleRounded(du.y() + du.height(), units.y, 8);
    return QRect(left, top, right - left, bottom - top);
}

} // namespace velmora
