// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One series of a scrolling chart: its points in ascending x and how it is drawn.
// Points are appended at the right almost always and dropped at the left when the
// point limit is reached, so a deque searched by bisection serves better than a tree.

#include "chart_colour.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>

namespace velmora {

using ChartLabelFormatter = std::function<std::wstring(double)>;

template <typename T>
struct CChartPoint {
    T x{};
    T y{};
    friend bool operator==(const CChartPoint&, const CChartPoint&) = default;
};

// Indices of the points a view shows: [first, last] is the polyline (the view's points
// plus one neighbour on each side when there is one); label is the newest point inside
// the view, or npos when none lies there.
struct CVisibleStretch {
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);
    std::size_t first = 0;
    std::size_t last = 0;
    std::size_t label = npos;
};

template <typename T>
class CChartSeries {
public:
    using Point = CChartPoint<T>;

    CRgb colour;
    int penStyle = 0;   // platform pen style, 0 = solid
    int penWidth = 1;   // pixels
    int visible = 1;    // 0 hides the line and its label
    bool markers = false;
    T number{};         // kept for the caller; drawing does not use it
    ChartLabelFormatter formatter;
    std::wstring name; // legend text; unnamed series stay out of the legend

    const std::deque<Point>& points() const { return m_points; }
    bool empty() const { return m_points.empty(); }
    std::size_t size() const { return m_points.size(); }

    // One y per x: an existing x gets the new y.
    void set(T x, T y)
    {
        if (m_points.empty() || m_points.back().x < x) {
            m_points.push_back(Point{x, y});
            return;
        }
        const auto it = lowerBound(x);
        if (it != m_points.end() && it->x == x)
            it->y = y;
        else
            m_points.insert(it, Point{x, y});
    }

    // Drops the smallest-x points beyond limit; returns how many went.
    std::size_t trimTo(std::size_t limit)
    {
        if (m_points.size() <= limit)
            return 0;
        const std::size_t excess = m_points.size() - limit;
        m_points.erase(m_points.begin(), m_points.begin() + static_cast<std::ptrdiff_t>(excess));
        return excess;
    }

    void clearPoints() { m_points.clear(); }

    // Drops the points with after < x <= upTo; returns how many went.
    std::size_t eraseBetween(T after, T upTo)
    {
        const auto from = std::upper_bound(m_points.begin(), m_points.end(), after,
                                           [](T v, const Point& p) { return v < p.x; });
        const auto to = std::upper_bound(from, m_points.end(), upTo,
                                         [](T v, const Point& p) { return v < p.x; });
        const auto n = static_cast<std::size_t>(to - from);
        m_points.erase(from, to);
        return n;
    }

    // Needs at least one point.
    CVisibleStretch visibleStretch(T viewStart, T viewEnd) const
    {
        CVisibleStretch s;
        const auto begin = m_points.begin();
        const auto firstIn = std::lower_bound(begin, m_points.end(), viewStart,
                                              [](const Point& p, T v) { return p.x < v; });
        const auto beyond = std::upper_bound(firstIn, m_points.end(), viewEnd,
                                             [](T v, const Point& p) { return v < p.x; });
        s.first = firstIn == begin ? 0 : static_cast<std::size_t>(firstIn - begin) - 1;
        s.last = beyond == m_points.end() ? m_points.size() - 1 : static_cast<std::size_t>(beyond - begin);
        if (beyond != firstIn)
            s.label = static_cast<std::size_t>(beyond - begin) - 1;
        return s;
    }

private:
    typename std::deque<Point>::iterator lowerBound(T x)
    {
        return std::lower_bound(m_points.begin(), m_points.end(), x,
                                [](const Point& p, T v) { return p.x < v; });
    }

    std::deque<Point> m_points;
};

} // namespace velmora
