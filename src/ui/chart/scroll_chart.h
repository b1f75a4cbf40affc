#pragma once
// The scrolling chart window: several series of (x, y) points over a dotted grid,
// a view of fixed width that follows new data, and a horizontal scroll bar.
// The rules live in CScrollChartModel; this class owns the window side.

#include "ui/chart/model/scroll_chart_model.h"

#include <QFont>
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

signals:
    // After every scroll bar update, when created with kStyleNotify. Values are the
    // view's x span and the y span, truncated to integers.
    void viewRangeChanged(int viewStart, int viewEnd);
    void valueRangeChanged(int yBottom, int yTop);

protected:
    explicit CScrollChartWidget(QWidget* parent);
    void resizeEvent(QResizeEvent* event) override;
    void layoutForSize();
    int scrollBarHeight() const;

    QScrollBar* m_scrollBar = nullptr;
    QFont m_labelFont;
    bool m_notify = false;
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
    // Puts the view's place in the range on the scroll bar and emits the range signals.
    void updateScrollBar();

    const Model& model() const { return m_model; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void onScrollAction(int action);

    Model m_model;
};

extern template class CScrollChart<float>;

} // namespace velmora
