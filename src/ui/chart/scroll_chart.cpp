// SPDX-License-Identifier: GPL-3.0-or-later
#include "scroll_chart.h"

#include "chart_painter.h"
#include "ui/chart/model/chart_geometry.h"

#include <QPainter>
#include <QRegion>
#include <QResizeEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace velmora {

namespace {

// While the chart follows new data its range and position change on every tick, but
// the thumb moves by a pixel only now and then: repaint only when it does, and then
// only where it was and where it is. A thumb that only creeps along with the data is
// brought up to date twice a second: the style draws the whole bar for any part of
// it, which cost more than the chart's own strip.
class CThumbScrollBar final : public QScrollBar {
public:
    CThumbScrollBar(Qt::Orientation orientation, QWidget* parent) : QScrollBar(orientation, parent)
    {
        m_catchUp.setSingleShot(true);
        m_catchUp.setInterval(500);
        QObject::connect(&m_catchUp, &QTimer::timeout, this, [this] { showThumb(); });
    }

protected:
    void sliderChange(SliderChange change) override
    {
        QStyleOptionSlider option;
        initStyleOption(&option);
        const QRect thumb = style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
        const bool upEnabled = value() > minimum(), downEnabled = value() < maximum();
        const bool sameArrows = upEnabled == m_upEnabled && downEnabled == m_downEnabled;
        if (change != SliderOrientationChange && thumb == m_thumb && sameArrows)
            return;
        m_thumb = thumb;
        m_upEnabled = upEnabled;
        m_downEnabled = downEnabled;
        const bool onlyThumb = change != SliderOrientationChange && sameArrows && m_shown.isValid();
        const auto near = [](const QRect& a, const QRect& b) {
            return std::abs(a.left() - b.left()) <= 2 && std::abs(a.right() - b.right()) <= 2 &&
                   std::abs(a.top() - b.top()) <= 2 && std::abs(a.bottom() - b.bottom()) <= 2;
        };
        if (onlyThumb && !isSliderDown() && near(thumb, m_shown)) {
            if (!m_catchUp.isActive())
                m_catchUp.start();
            return;
        }
        m_catchUp.stop();
        if (onlyThumb) {
            showThumb();
        } else {
            m_shown = thumb;
            QScrollBar::sliderChange(change);
        }
    }
    void resizeEvent(QResizeEvent* event) override
    {
        QScrollBar::resizeEvent(event);
        QStyleOptionSlider option;
        initStyleOption(&option);
        m_thumb = style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
        m_shown = m_thumb; // all of it is drawn again
    }

private:
    // The style draws a thumb alike all along its length but for its ends (border,
    // rounded corners) and its middle (a grip, in some styles): while the data grows
    // the thumb shrinks from one end, and only the ends and middles can differ.
    void showThumb()
    {
        constexpr int kEnd = 4;
        constexpr int kMiddle = 8;
        const bool horizontal = orientation() == Qt::Horizontal;
        const auto first = [&](const QRect& r) { return horizontal ? r.left() : r.top(); };
        const auto last = [&](const QRect& r) { return horizontal ? r.right() : r.bottom(); };
        const auto span = [&](int from, int to) {
            return horizontal ? QRect(from, 0, to - from + 1, height()) : QRect(0, from, width(), to - from + 1);
        };
        const auto middle = [&](const QRect& r) { return (first(r) + last(r)) / 2; };
        QRegion area;
        area += span(std::min(first(m_shown), first(m_thumb)) - kEnd, std::max(first(m_shown), first(m_thumb)) + kEnd);
        area += span(std::min(last(m_shown), last(m_thumb)) - kEnd, std::max(last(m_shown), last(m_thumb)) + kEnd);
        area += span(middle(m_shown) - kMiddle, middle(m_shown) + kMiddle);
        area += span(middle(m_thumb) - kMiddle, middle(m_thumb) + kMiddle);
        update(area);
        m_shown = m_thumb;
    }

    QRect m_thumb; // where the thumb is
    QRect m_shown; // where it was last drawn
    bool m_upEnabled = false;
    bool m_downEnabled = false;
    QTimer m_catchUp;
};

// One pen width, or marker, to spare on each side of new segments.
template <typename T>
int segmentSpare(const CScrollChartModel<T>& model)
{
    int spare = 2;
    for (const auto& [id, s] : model.series())
        spare = std::max(spare, s.penWidth + 2 + (s.markers ? s.penWidth + 3 : 0));
    return spare;
}

} // namespace

CScrollChartWidget::CScrollChartWidget(QWidget* parent)
    : QWidget(parent)
    , m_scrollBar(new CThumbScrollBar(Qt::Horizontal, this))
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
    // Only a new size scales the font: the resize Qt delivers when a widget is first
    // shown repeats the size create() gave, and must not undo its font.
    if (size() != m_fontSizedFor) {
        m_fontSizedFor = size();
        const QSize client = clientSize();
        m_labelFont.setPixelSize(labelFontPixelHeight(client.width(), client.height()));
    }
}

void CScrollChartWidget::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutForSize();
    invalidatePicture();
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
    // The label font is set last, as the window always had it: 15 px whatever the size.
    // A later resize scales it with the area.
    m_labelFont.setPixelSize(15);
    updateScrollBar();
    if (style & kStyleVisible)
        show();
    return true;
}

template <typename T>
void CScrollChart<T>::showGrid(bool shown)
{
    m_model.setGridShown(shown);
    invalidatePicture();
    updateChart();
}

template <typename T>
unsigned CScrollChart<T>::setMaxPoints(unsigned limit)
{
    bool trimmed = false;
    const unsigned previous = m_model.setMaxPoints(limit, &trimmed);
    if (limit != previous) {
        invalidatePicture();
        updateChart();
    }
    if (trimmed)
        updateScrollBar();
    return previous;
}

template <typename T>
bool CScrollChart<T>::addSeries(int id, ChartLabelFormatter formatter, CRgb colour, std::uint32_t style,
                                int penWidth, int visible, T number)
{
    invalidatePicture();
    return m_model.addSeries(id, std::move(formatter), colour, style, penWidth, visible, number);
}

template <typename T>
bool CScrollChart<T>::setSeriesName(int id, const std::wstring& name)
{
    invalidatePicture();
    updateChart();
    return m_model.setSeriesName(id, name);
}

template <typename T>
void CScrollChart<T>::setAxes(CChartAxes axes)
{
    m_model.setAxes(std::move(axes));
    invalidatePicture();
    updateChart();
}

template <typename T>
void CScrollChart<T>::addGap()
{
    // The break lies after the newest point, where nothing is drawn yet.
    m_model.addGap();
}

template <typename T>
void CScrollChart<T>::erasePoints(T after, T upTo)
{
    if (m_model.erasePoints(after, upTo))
        invalidatePicture();
}

template <typename T>
bool CScrollChart<T>::addPoint(int id, T x, T y, bool repaint)
{
    // Segments from the series' last point onwards are new to the picture; a point
    // placed among older ones (drawing over from x = 0) changes it anywhere.
    const auto* series = m_model.findSeries(id);
    bool appended = series && (series->empty() || series->points().back().x < x);
    // At the point limit the oldest point goes; when it is in view the picture changes there.
    const unsigned limit = m_model.maxPoints();
    if (appended && limit != 0 && series->size() >= limit &&
        series->points().front().x + m_model.viewWidth() / 20 >= m_model.viewStart())
        appended = false;
    const double from = series && !series->empty() ? static_cast<double>(series->points().back().x)
                                                    : static_cast<double>(x);
    const auto result = m_model.addPoint(id, x, y);
    if (!result.added)
        return false;
    if (!appended) {
        invalidatePicture();
    } else {
        if (!m_hasDirty || from < m_dirtyFrom)
            m_dirtyFrom = from;
        if (!m_hasDirty || static_cast<double>(x) > m_dirtyTo)
            m_dirtyTo = static_cast<double>(x);
        m_hasDirty = true;
    }
    if (repaint)
        updateChart();
    if (result.rangeChanged)
        updateScrollBar();
    return true;
}

template <typename T>
void CScrollChart<T>::clear()
{
    m_model.clear();
    invalidatePicture();
    updateChart();
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
        updateChart();
        updateScrollBar();
    } else {
        // The slider has moved itself already; the view did not, so put it back.
        const QSignalBlocker block(m_scrollBar);
        m_scrollBar->setSliderPosition(m_scrollBar->value());
    }
}

template <typename T>
void CScrollChart<T>::paintEvent(QPaintEvent* event)
{
    const QSize client = clientSize();
    m_lastPaintedColumns = 0;
    if (client.width() <= 0 || client.height() <= 0)
        return;
    // Measuring texts for the frame costs more than drawing a strip: once per layout.
    if (!m_decorationsValid || m_decorations.size() != client) {
        m_axisFont = axisFontFor(m_labelFont);
        m_frame = chartFrame(m_model, client, m_axisFont);
    }
    const QFont& axisFont = m_axisFont;
    const CChartFrame& frame = m_frame;
    const QSize pictureSize(frame.plot.width(), frame.plot.height() + frame.timeScale);
    const CChartView view{static_cast<double>(m_model.viewStart()), static_cast<double>(m_model.viewWidth()),
                          static_cast<double>(m_model.yTop()), frame.plot.width(), frame.plot.height()};
    const long long origin = viewOriginPixel(view);

    if (!m_decorationsValid || m_decorations.size() != client) {
        m_decorations = QImage(client, QImage::Format_RGB32);
        m_decorations.fill(toQColor(m_model.background()));
        QPainter p(&m_decorations);
        paintChartDecorations(p, m_model, client, frame, axisFont);
        m_decorationsValid = true;
    }

    // Columns to draw: all of them, or the ones a shift uncovered at the right and
    // those the new segments cross.
    const int w = pictureSize.width();
    const long long shift = origin - m_pictureOrigin;
    int painted = 0;
    const auto paintColumns = [&](int from, int to, bool timeScale) {
        from = std::max(from, 0);
        to = std::min(to, w);
        if (from >= to)
            return;
        QPainter p(&m_picture);
        paintPlotColumns(p, m_model, frame, axisFont, from, to, timeScale);
        painted += to - from;
    };
    if (m_pictureValid && m_picture.size() == pictureSize && shift >= 0 && shift < w) {
        const int moved = static_cast<int>(shift);
        if (moved > 0) {
            const auto bytes = static_cast<std::size_t>(w - moved) * 4;
            for (int row = 0; row < m_picture.height(); ++row) {
                uchar* line = m_picture.scanLine(row);
                std::memmove(line, line + static_cast<std::size_t>(moved) * 4, bytes);
            }
        }
        int from = w - moved;
        int to = w;
        if (m_hasDirty) {
            const int spare = segmentSpare(m_model);
            const int first = plotPoint(view, m_dirtyFrom, 0).x - spare;
            const int last = plotPoint(view, m_dirtyTo, 0).x + spare + 1;
            // New points change the plot, never the time scale under it.
            if (last < from) {
                paintColumns(first, last, false);
            } else {
                paintColumns(std::min(first, from), from, false);
                to = std::max(to, last);
            }
        }
        paintColumns(from, to, true);
        // A time label the shift took over the left edge goes whole, not in part.
        const auto [cut, reach] = cutTimeLabel(m_model, frame, axisFont);
        if (moved > 0 && cut >= 0 && cut != m_cutLabel) {
            QPainter p(&m_picture);
            paintTimeScaleColumns(p, m_model, frame, axisFont, 0, reach, true);
        }
        if (cut >= 0)
            m_cutLabel = cut;
    } else {
        if (m_picture.size() != pictureSize)
            m_picture = QImage(pictureSize, QImage::Format_RGB32);
        paintColumns(0, w, true);
        m_cutLabel = cutTimeLabel(m_model, frame, axisFont).first;
    }
    m_lastPaintedColumns = painted;
    m_pictureOrigin = origin;
    m_pictureValid = true;
    m_hasDirty = false;

    QPainter painter(this);
    const QRect plotArea(frame.plot.topLeft(), pictureSize);
    // Only the strips around the plot come from the decorations, and only where asked.
    const QRegion around = (QRegion(QRect(QPoint(0, 0), client)) - plotArea) & event->region();
    for (const QRect& r : around)
        drawImageInBands(painter, r.topLeft(), m_decorations, r);
    // The picture only where asked: a clip made of several rectangles would send the
    // whole image through the general (and threaded) blending code.
    for (const QRect& r : event->region() & plotArea)
        drawImageInBands(painter, r.topLeft(), m_picture, r.translated(-plotArea.topLeft()));
    m_labelArea =
        paintChartOverlay(painter, m_model, frame, m_labelFont, palette().color(QPalette::Dark), m_labelTexts);

    // Painted by a request that did not come through updateChart (an expose, say) after
    // the view moved: the rest of what is shown is from the old view.
    if (origin != m_shownOrigin) {
        if (!(QRegion(plotArea) - event->region()).isEmpty())
            update();
        m_shownOrigin = origin;
    }
}

template <typename T>
QRegion CScrollChart<T>::changedArea()
{
    const QRect whole(QPoint(0, 0), clientSize());
    if (!m_pictureValid || !m_decorationsValid || m_decorations.size() != whole.size() || !isVisible())
        return whole;
    const CChartFrame& frame = m_frame;
    const CChartView view{static_cast<double>(m_model.viewStart()), static_cast<double>(m_model.viewWidth()),
                          static_cast<double>(m_model.yTop()), frame.plot.width(), frame.plot.height()};
    const QRect plotArea(frame.plot.topLeft(), QSize(frame.plot.width(), frame.plot.height() + frame.timeScale));
    const long long shift = viewOriginPixel(view) - m_shownOrigin;
    if (shift == 0 && !m_hasDirty)
        return {};
    QRegion area;
    if (shift != 0) {
        // Following new data moves the view right by a pixel or two; anything else (a
        // jump back, a page) is drawn anew.
        if (shift < 0 || shift >= plotArea.width() / 2)
            return whole;
        const int dx = static_cast<int>(shift);
        // Qt moves the pixels and any repaint still pending with them, or asks for
        // the whole rectangle when it cannot.
        scroll(-dx, 0, plotArea);
        m_shownOrigin += shift;
        // The uncovered columns with the right border moved in from them, the left border.
        area += QRect(plotArea.right() - dx, plotArea.top(), dx + 1, plotArea.height());
        area += QRect(plotArea.left(), plotArea.top(), 1, plotArea.height());
        // The labels moved too, where they lay over the plot.
        const QRect moved = m_labelArea.translated(-dx, 0);
        area += moved.adjusted(-1, -1, 1, 1);
        m_labelArea = m_labelArea.united(moved);
        // A time label now cut by the left edge is taken out.
        const auto [cut, reach] = cutTimeLabel(m_model, frame, m_axisFont);
        if (cut >= 0 && cut != m_cutLabel)
            area += QRect(plotArea.left(), frame.plot.bottom() + 1, reach + 1, frame.timeScale);
    }
    if (m_hasDirty) {
        const int spare = segmentSpare(m_model);
        const int first = plotPoint(view, m_dirtyFrom, 0).x - spare;
        const int last = plotPoint(view, m_dirtyTo, 0).x + spare + 1;
        // New points change the plot, never the time scale under it.
        area += QRect(frame.plot.left() + first, frame.plot.top(), last - first, frame.plot.height());
    }
    // The value labels where they were and where they go.
    area += m_labelArea.adjusted(-1, -1, 1, 1);
    for (const CChartLabel& label : chartLabels(m_model, frame, m_labelFont, m_labelTexts))
        area += label.area.adjusted(-1, -1, 1, 1);
    return area & whole;
}

template class CScrollChart<float>;

} // namespace velmora
