// SPDX-License-Identifier: GPL-3.0-or-later
#include "icon_art.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <numbers>

namespace velmora {

QImage paintAppIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    const double s = size;
    const bool tiny = size <= 16;

    // Tile.
    const QRectF tile(0.5, 0.5, s - 1, s - 1);
    QLinearGradient tileFill(0, 0, 0, s);
    tileFill.setColorAt(0, QColor(38, 70, 112));
    tileFill.setColorAt(1, QColor(18, 36, 64));
    p.setPen(QPen(QColor(12, 24, 44), 1));
    p.setBrush(tileFill);
    p.drawRoundedRect(tile, s * 0.18, s * 0.18);

    // Dial: an arc from 210 to -30 degrees, green to red.
    const QPointF centre(s / 2, s * 0.58);
    const double radius = s * (tiny ? 0.36 : 0.34);
    const QRectF dial(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    const double arcWidth = std::max(1.5, s * 0.09);
    const struct { double from, span; QColor colour; } bands[] = {
        {210, -120, QColor(96, 200, 96)},
        {90, -80, QColor(250, 200, 60)},
        {10, -40, QColor(235, 70, 50)},
    };
    for (const auto& band : bands) {
        p.setPen(QPen(band.colour, arcWidth, Qt::SolidLine, Qt::FlatCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(dial, static_cast<int>(band.from * 16), static_cast<int>(band.span * 16));
    }

    // Ticks on the larger sizes.
    if (!tiny) {
        p.setPen(QPen(QColor(230, 236, 245), std::max(1.0, s / 40)));
        for (int i = 0; i <= 6; ++i) {
            const double a = (210 - i * 40) * std::numbers::pi / 180;
            const double inner = radius - arcWidth * 1.3;
            const double outer = radius - arcWidth * 0.6 - s * 0.08;
            p.drawLine(QPointF(centre.x() + std::cos(a) * inner, centre.y() - std::sin(a) * inner),
                       QPointF(centre.x() + std::cos(a) * outer, centre.y() - std::sin(a) * outer));
        }
    }

    // Needle, pointing into the upper band.
    const double needle = 55 * std::numbers::pi / 180;
    const QPointF tip(centre.x() + std::cos(needle) * radius * 0.92,
                      centre.y() - std::sin(needle) * radius * 0.92);
    p.setPen(QPen(QColor(255, 255, 255), std::max(1.2, s * 0.06), Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre, tip);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255));
    const double hub = std::max(1.5, s * 0.08);
    p.drawEllipse(centre, hub, hub);

    // A bar below the dial, the unit's output.
    if (!tiny) {
        const QRectF bar(s * 0.26, s * 0.80, s * 0.48, s * 0.07);
        p.setBrush(QColor(96, 200, 96));
        p.drawRoundedRect(bar, bar.height() / 2, bar.height() / 2);
    }
    p.end();
    return image;
}

} // namespace velmora
