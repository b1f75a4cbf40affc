#include "scroll_chart.h"

#include "chart_painter.h"
#include "ui/chart/model/chart_geometry.h"

#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>

#include <algorithm>

namespace velmora {

CScrollChartWidget::CScrollChartWidget(QWidget* parent)
    : QWidget(parent)
    , m_scrollBar(new QScrollBar(Qt::Horizontal, this))
{
    // The chart fills its whole client area itself.
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_labelFont.setBold(true);
    m_labelFont.setStyleHint(QFont::SansSerif);
    m_labelFont.setPixelSize(15);
    m_scrollBar->setRange(0, 0);
    m_scrollBar->setPageStep(1000);
    m_scrollBar->setEnabled(false);
}

int CScrollChartWidget::scrollBarHeight() const
{
    const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_scrollBar);
    return std::clamp(extent, 0, height());
}

QSize CScrollChartWidget::clientSize() const
{
    return QSize(width(), height() - scrollBarHeight());
}

// Also called directly: a hidden widget gets its resize event only when shown.
void CScrollChartWidget::layoutForSize()
{
    const int barHeight = scrollBarHeight();
    m_scrollBar->setGeometry(0, height() - barHeight, width(), barHeight);
    const QSize client = clientSize();
    m_labelFont.setPixelSize(labelFontPixelHeight(client.width(), client.height()));
}

void CScrollChartWidget::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutForSize();
}

template <typename T>
CScrollChart<T>::CScrollChart(QWidget* parent)
    : CScrollChartWidget(parent)
{
    connect(m_scrollBar, &QScrollBar::actionTriggered, this, [this](int action) { onScrollAction(action); });
}

template <typename T>
bool CScrollChart<T>::create(std::uint32_t style, const QRect& rect, QWidget* parent)
{
    if (parentWidget() != parent)
        setParent(parent);
    m_notify = (style & kStyleNotify) != 0;
    setGeometry(rect);
    layoutForSize();
    updateScrollBar();
    if (style & kStyleVisible)
        show();
    return true;
}

template <typename T>
void CScrollChart<T>::showGrid(bool shown)
{
    m_model.setGridShown(shown);
    update();
}

template <typename T>
unsigned CScrollChart<T>::setMaxPoints(unsigned limit)
{
    bool trimmed = false;
    const unsigned previous = m_model.setMaxPoints(limit, &trimmed);
    if (limit != previous)
        update();
    if (trimmed)
        updateScrollBar();
    return previous;
}

template <typename T>
bool CScrollChart<T>::addSeries(int id, ChartLabelFormatter formatter, CRgb colour, std::uint32_t style,
                                int penWidth, int visible, T number)
{
    return m_model.addSeries(id, std::move(formatter), colour, style, penWidth, visible, number);
}

template <typename T>
bool CScrollChart<T>::addPoint(int id, T x, T y, bool repaint)
{
    const auto result = m_model.addPoint(id, x, y);
    if (!result.added)
        return false;
    if (repaint)
        update();
    if (result.rangeChanged)
        updateScrollBar();
    return true;
}

template <typename T>
void CScrollChart<T>::clear()
{
    m_model.clear();
    update();
    updateScrollBar();
}

template <typename T>
void CScrollChart<T>::updateScrollBar()
{
    const CScrollBarState s =
        scrollBarState(static_cast<double>(m_model.rangeStart()), static_cast<double>(m_model.rangeEnd()),
                       static_cast<double>(m_model.viewStart()), static_cast<double>(m_model.viewWidth()));
    {
        const QSignalBlocker block(m_scrollBar);
        m_scrollBar->setRange(0, s.maximum);
        m_scrollBar->setPageStep(std::max(1, s.page));
        m_scrollBar->setSingleStep(std::max(1, s.page / 100));
        m_scrollBar->setValue(s.position);
        // Kept on screen but greyed out when there is nothing to scroll to.
        m_scrollBar->setEnabled(s.enabled);
    }
    if (m_notify) {
        const double start = static_cast<double>(m_model.viewStart());
        emit viewRangeChanged(truncateToInt(start), truncateToInt(start + static_cast<double>(m_model.viewWidth())));
        emit valueRangeChanged(truncateToInt(static_cast<double>(m_model.yBottom())),
                               truncateToInt(static_cast<double>(m_model.yTop())));
    }
}

template <typename T>
void CScrollChart<T>::onScrollAction(int action)
{
    ChartScroll scroll = ChartScroll::Other;
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub: scroll = ChartScroll::LineLeft; break;
    case QAbstractSlider::SliderSingleStepAdd: scroll = ChartScroll::LineRight; break;
    case QAbstractSlider::SliderPageStepSub: scroll = ChartScroll::PageLeft; break;
    case QAbstractSlider::SliderPageStepAdd: scroll = ChartScroll::PageRight; break;
    // Dragging the thumb (and the wheel over the bar) moves it to a new position.
    case QAbstractSlider::SliderMove: scroll = ChartScroll::ThumbTrack; break;
    default: break;
    }
    if (m_model.scroll(scroll, m_scrollBar->sliderPosition())) {
        update();
        updateScrollBar();
    } else {
        // The slider has moved itself already; the view did not, so put it back.
        const QSignalBlocker block(m_scrollBar);
        m_scrollBar->setSliderPosition(m_scrollBar->value());
    }
}

template <typename T>
void CScrollChart<T>::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintScrollChart(painter, m_model, clientSize(), m_labelFont, palette().color(QPalette::Dark));
}

template class CScrollChart<float>;

} // namespace velmora
