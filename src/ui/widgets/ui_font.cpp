// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui_font.h"

#include <QFontMetrics>

namespace velmora {

QFont uiFont(int pointSize)
{
    QFont font;
    font.setFamilies({QStringLiteral("Segoe UI"), QStringLiteral("Noto Sans"),
                      QStringLiteral("Cantarell"), QStringLiteral("Ubuntu"),
                      QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Arial")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(pointSize);
    return font;
}

QFont fitFont(QFont base, int room, const QStringList& samples, double minimumPoints)
{
    const auto fits = [&](const QFont& font) {
        const QFontMetrics metrics(font);
        for (const QString& sample : samples)
            if (metrics.horizontalAdvance(sample) > room)
                return false;
        return true;
    };
    if (fits(base))
        return base;
    // A condensed cut keeps the height, and so the readability, better than a smaller size.
    QFont font = base;
    font.setStretch(QFont::SemiCondensed);
    while (!fits(font) && font.pointSizeF() - 0.5 >= minimumPoints)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    return font;
}

} // namespace velmora
