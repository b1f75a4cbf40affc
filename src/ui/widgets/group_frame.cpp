// SPDX-License-Identifier: GPL-3.0-or-later
#include "group_frame.h"

#include <QPainter>

namespace velmora {

namespace {
constexpr int kTitleIndent = 8; // px from the frame's left edge to the title's gap
constexpr int kTitleGap = 3;    // px of cleared line on each side of the title
} // namespace

CGroupFrame::CGroupFrame(const QString& title, QWidget* parent) : QWidget(parent), m_title(title)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void CGroupFrame::setTitle(const QString& title)
{
    m_title = title;
    update();
}

QRect CGroupFrame::titleRect() const
{
    const QFontMetrics metrics = fontMetrics();
    return {kTitleIndent, 0, metrics.horizontalAdvance(m_title) + 2 * kTitleGap, metrics.height()};
}

void CGroupFrame::paintEvent(QPaintEvent*)
{
    // Drawn here rather than by the style: styles put the line below the title,
    // where the group's first row of controls already sits.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor window = palette().color(QPalette::Window);
    const QRectF frame = QRectF(rect()).adjusted(0.5, fontMetrics().height() / 2 + 0.5, -0.5, -0.5);
    painter.setPen(QPen(window.darker(135), 1));
    painter.setBrush(window.darker(103));
    painter.drawRoundedRect(frame, 3, 3);
    painter.setRenderHint(QPainter::Antialiasing, false);

    if (m_title.isEmpty())
        return;
    const QRect title = titleRect();
    painter.fillRect(title, palette().window());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(title, Qt::AlignCenter | Qt::TextSingleLine, m_title);
}

} // namespace velmora
