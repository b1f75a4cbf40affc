// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The scrolling chart window: several series of (x, y) points over a dotted grid,
// a view of fixed width that follows new data, and a horizontal scroll bar.
// The rules live in CScrollChartModel; this class owns the window side.

#include "ui/chart/chart_painter.h"
#include "ui/chart/model/scroll_chart_model.h"

#include <QFont>
#include <QImage>
#include <QWidget>

#include <cstdint>

class QScrollBar;

namespace velmora {

// Carries the signals and the scroll bar; moc does not handle class templates.
class CScrollChartWidget : public QWidget {
    Q_OBJECT
public:
    // Bits of the style word given to create().
    static constexpr std::uint32_t kStyleNotify = 0x00000001;  // emit the range signals
    static constexpr std::uint32_t kStyleVisible = 0x10000000; // show at once

    QScrollBar* horizontalScrollBar() const { return m_scrollBar; }
    const QFont& labelFont() const { return m_labelFont; }
    // Area the chart draws in: the widget less the scroll bar.
    QSize clientSize() const;
    // Asks for a repaint of what changed since the last paint: the columns of new
    // segments and the value labels, old and new. When the view has followed new data
    // by a few pixels, what is shown is moved along first (QWidget::scroll), so only
    // the uncovered columns are drawn; any other change draws the whole area. Never
    // the scroll bar (update() would repaint it too, at more cost than the chart); the
    // bar repaints itself when it changes.
    void updateChart() { update(changedArea()); }
    // Plot columns drawn by the last paint (tests and benchmarks): the whole width
    // after a change of view or size, otherwise only what new points touched.
    int lastPaintedColumns() const { return m_lastPaintedColumns; }

signals:
    // After every scroll bar update, when created with kStyleNotify. Values are the
    // view's x span and the y span, truncated to integers.
    void viewRangeChanged(int viewStart, int viewEnd);
    void valueRangeChanged(int yBottom, int yTop);

protected:
    explicit CScrollChartWidget(QWidget* parent);
    // May move what is shown along with the view before saying what is left to draw.
    virtual QRegion changedArea() { return QRect(QPoint(0, 0), clientSize()); }
    void resizeEvent(QResizeEvent* event) override;
    void layoutForSize();
    int scrollBarHeight() const;

    // Forgets the drawn picture: the next paint draws everything.
    void invalidatePicture() { m_pictureValid = false; m_decorationsValid = false; }

    QScrollBar* m_scrollBar = nullptr;
    QFont m_labelFont;
    QSize m_fontSizedFor; // widget size the label font was last scaled for
    bool m_notify = false;

    // The plot as last drawn, its view origin in pixels, and the smallest x whose
    // segments are not in it yet. Points arrive at the right and the view follows them
    // by whole pixels, so most paints shift the picture and draw a narrow strip.
    QImage m_picture;
    QImage m_decorations;
    CChartFrame m_frame;
    QFont m_axisFont;
    long long m_pictureOrigin = 0;
    long long m_shownOrigin = 0; // the view origin of what the window shows
    double m_dirtyFrom = 0;
    double m_dirtyTo = 0;
    bool m_hasDirty = false;
    bool m_pictureValid = false;
    bool m_decorationsValid = false;
    int m_lastPaintedColumns = 0;
    // The time label last taken out of the picture as the left edge cut it.
    long long m_cutLabel = -1;
    QRect m_labelArea; // where the value labels were drawn last, widget coordinates
    CStaticTextCache m_labelTexts;
};

template <typename T>
class CScrollChart final : public CScrollChartWidget {
public:
    using Model = CScrollChartModel<T>;

    explicit CScrollChart(QWidget* parent = nullptr);

    // Puts the chart into parent at rect (parent coordinates). style: kStyleNotify,
    // kStyleVisible. Always succeeds.
    bool create(std::uint32_t style, const QRect& rect, QWidget* parent);

    void showGrid(bool shown);
    // Most points kept per series, 0 = no limit; returns the previous limit.
    unsigned setMaxPoints(unsigned limit);
    // style: low 16 bits the platform pen style (0 = solid), bit 17 markers.
    // False when id was added before; nothing changes then.
    bool addSeries(int id, ChartLabelFormatter formatter, CRgb colour, std::uint32_t style, int penWidth,
                   int visible, T number);
    // False for an unknown id or a non-finite x or y. repaint = false leaves the
    // repaint to the caller, e.g. once after feeding several series.
    bool addPoint(int id, T x, T y, bool repaint = true);
    void clear();
    // A lost link: no line joins the points before and after it.
    void addGap();
    // Drops the points with after < x <= upTo of every series.
    void erasePoints(T after, T upTo);
    // Legend text of a series (with its unit); false for an unknown id.
    bool setSeriesName(int id, const std::wstring& name);
    // Value and time scales at the edges, and the legend.
    void setAxes(CChartAxes axes);
    // Puts the view's place in the range on the scroll bar and emits the range signals.
    void updateScrollBar();

    const Model& model() const { return m_model; }

protected:
    void paintEvent(QPaintEvent* event) override;
    QRegion changedArea() override;

private:
    void onScrollAction(int action);

    Model m_model;
};

extern template class CScrollChart<float>;

} // namespace velmora
