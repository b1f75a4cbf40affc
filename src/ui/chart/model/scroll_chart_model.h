// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a scrolling chart shows, without any drawing: the series, the visible x span
// (view), the span the scroll bar reaches (range), and the rules that move them as
// points arrive and as the operator scrolls.

#include "chart_colour.h"
#include "chart_series.h"

#include <cstdint>
#include <deque>
#include <map>
#include <string>

namespace velmora {

enum class ChartScroll {
    LineLeft,
    LineRight,
    PageLeft,
    PageRight,
    ThumbTrack,    // position 0..1000 of the scroll bar
    ThumbPosition, // end of a drag: the view already follows the thumb
    Other,         // to the ends, end of scrolling: ignored
};

// What the edges of the chart say: a value scale on the left, a time scale at the
// bottom and a legend of the named series at the top. Shown values are the model's
// times the factor (the window's y is percent of 15 V, its x one refresh tick).
struct CChartAxes {
    bool shown = false;
    double yFactor = 1.0;
    std::wstring yUnit;
    double xFactor = 1.0;
    std::wstring xUnit;
    // A break at least gapLabelFrom long (in shown x units) is shaded and says how long
    // it lasted: gapFormat with "%1" for the length ("%1 s without readings"), or
    // gapShortFormat ("%1 s") where that does not fit. Empty: breaks carry no label.
    std::wstring gapFormat;
    std::wstring gapShortFormat;
    double gapLabelFrom = 2.0;
};

template <typename T>
class CScrollChartModel {
public:
    using Series = CChartSeries<T>;

    // Bits of the style word given to addSeries.
    static constexpr std::uint32_t kPenStyleMask = 0xFFFF;
    static constexpr std::uint32_t kMarkersBit = 1u << 17;

    CScrollChartModel() = default;

    // False when id exists already; the existing series is left as it is.
    bool addSeries(int id, ChartLabelFormatter formatter, CRgb colour, std::uint32_t style, int penWidth,
                   int visible, T number);

    struct AddResult {
        bool added = false;
        bool rangeChanged = false; // view or range moved, or points were trimmed
    };
    // Rejects unknown ids and non-finite coordinates. While some series holds a point:
    // follows the newest data, widens the range and clamps y to [yBottom, yTop].
    AddResult addPoint(int id, T x, T y);

    // Empties every series and returns the view to x = 0; the range end stays.
    void clear();
    // Drops every point, and break, with after < x <= upTo (drawing over old points).
    // True when anything went.
    bool erasePoints(T after, T upTo);

    // A break after the newest point so far (a lost link): no line joins the points on
    // either side. Nothing happens before the first point or right after another break.
    void addGap();
    // x of each break: a segment from a to b is left out when a <= gap < b. Ascending.
    const std::deque<T>& gaps() const { return m_gaps; }
    // True when a break lies between two neighbouring x.
    bool gapBetween(T from, T to) const;
    // Where the readings went on after the break at gap: the smallest x above it of
    // any series; false while none came yet.
    bool gapEnd(T gap, T& end) const;

    // Name shown in the legend; false for an unknown id.
    bool setSeriesName(int id, std::wstring name);
    void setAxes(CChartAxes axes) { m_axes = std::move(axes); }
    const CChartAxes& axes() const { return m_axes; }

    // Returns the previous limit; 0 = no limit. Sets changed when points were trimmed.
    unsigned setMaxPoints(unsigned limit, bool* trimmed = nullptr);

    // True when the action was handled and the view may have moved.
    bool scroll(ChartScroll action, int thumbPosition = 0);

    void setGridShown(bool shown) { m_gridShown = shown; }

    T yTop() const { return m_yTop; }
    T yBottom() const { return m_yBottom; }
    T viewStart() const { return m_viewStart; }
    T viewWidth() const { return m_viewWidth; }
    T viewEnd() const { return m_viewStart + m_viewWidth; }
    T rangeStart() const { return m_rangeStart; }
    T rangeEnd() const { return m_rangeEnd; }
    CRgb background() const { return m_background; }
    bool gridShown() const { return m_gridShown; }
    unsigned verticalDivisions() const { return m_verticalDivisions; }
    unsigned horizontalDivisions() const { return m_horizontalDivisions; }
    unsigned maxPoints() const { return m_maxPoints; }
    const std::map<int, Series>& series() const { return m_series; }
    const Series* findSeries(int id) const;
    bool hasPoints() const;

private:
    bool trimPoints();
    void normalizeRange();
    bool lastX(T& x) const;

    T m_yTop = T(100);
    T m_yBottom = T(0);
    T m_viewStart = T(0);
    T m_rangeEnd = T(1000);
    T m_rangeStart = T(0);
    T m_viewWidth = T(1000);
    std::map<int, Series> m_series;
    std::deque<T> m_gaps;
    CChartAxes m_axes;
    CRgb m_background{240, 240, 240};
    bool m_gridShown = true;
    unsigned m_verticalDivisions = 20;
    unsigned m_horizontalDivisions = 10;
    unsigned m_maxPoints = 0;
};

extern template class CScrollChartModel<float>;

} // namespace velmora
