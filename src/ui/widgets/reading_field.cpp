// SPDX-License-Identifier: GPL-3.0-or-later
#include "reading_field.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QtMath>

namespace velmora {

namespace {
// The margins QLineEdit keeps inside its contents rectangle.
constexpr int kHorizontalMargin = 2;
constexpr int kVerticalMargin = 1;
} // namespace

CReadingField::CReadingField(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void CReadingField::setText(const QString& text)
{
    if (text == m_text)
        return;
    const QRect before = textBox();
    m_text = text;
    update(before.united(textBox()));
}

void CReadingField::setAlignment(Qt::Alignment alignment)
{
    m_alignment = alignment;
    update();
}

QSize CReadingField::sizeHint() const
{
    const QFontMetrics fm(font());
    QStyleOptionFrame option;
    option.initFrom(this);
    const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this);
    return {fm.horizontalAdvance(QLatin1Char('x')) * 17 + 2 * (frame + kHorizontalMargin),
            fm.height() + 2 * (frame + kVerticalMargin)};
}

QRect CReadingField::textBox() const
{
    if (m_contents.isEmpty()) {
        QStyleOptionFrame option;
        option.initFrom(this);
        option.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this);
        m_contents = style()->subElementRect(QStyle::SE_LineEditContents, &option, this)
                         .adjusted(kHorizontalMargin, kVerticalMargin, -kHorizontalMargin, -kVerticalMargin);
    }
    const QSize size(qCeil(m_texts.width(m_text, font())), fontMetrics().height());
    return QStyle::alignedRect(layoutDirection(), m_alignment, size, m_contents).intersected(m_contents);
}

void CReadingField::paintEvent(QPaintEvent* event)
{
    if (m_frame.size() != size() * devicePixelRatioF() || m_frame.isNull()) {
        m_frame = QPixmap(size() * devicePixelRatioF());
        m_frame.setDevicePixelRatio(devicePixelRatioF());
        m_frame.fill(palette().color(QPalette::Window));
        QPainter framePainter(&m_frame);
        QStyleOptionFrame option;
        option.initFrom(this);
        option.rect = rect();
        option.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this);
        option.midLineWidth = 0;
        option.state |= QStyle::State_Sunken | QStyle::State_ReadOnly;
        style()->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &framePainter, this);
    }
    QPainter painter(this);
    for (const QRect& r : event->region())
        painter.drawPixmap(r, m_frame, QRectF(QPointF(r.topLeft()) * devicePixelRatioF(), QSizeF(r.size()) * devicePixelRatioF()));
    const QRect box = textBox();
    painter.setClipRect(box);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
    painter.setFont(font());
    m_texts.draw(painter, box.topLeft(), m_text, font());
}

void CReadingField::changeEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::EnabledChange:
    case QEvent::PaletteChange:
    case QEvent::StyleChange:
    case QEvent::FontChange:
        m_frame = QPixmap();
        m_contents = QRect();
        update();
        break;
    default:
        break;
    }
    QWidget::changeEvent(event);
}

void CReadingField::resizeEvent(QResizeEvent* event)
{
    m_frame = QPixmap();
    m_contents = QRect();
    QWidget::resizeEvent(event);
}

} // namespace velmora
