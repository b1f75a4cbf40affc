// SPDX-License-Identifier: GPL-3.0-or-later
#include "scroll_chart_model.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace velmora {

template <typename T>
bool CScrollChartModel<T>::addSeries(int id, ChartLabelFormatter formatter, CRgb colour, std::uint32_t style,
                                     int penWidth, int visible, T number)
{
    if (m_series.count(id) != 0)
        return false;
    Series s;
    s.formatter = std::move(formatter);
    s.colour = colour;
    s.penStyle = static_cast<int>(style & kPenStyleMask);
    s.markers = (style & kMarkersBit) != 0;
    s.penWidth = penWidth;
    s.visible = visible;
    s.number = number;
    m_series.emplace(id, std::move(s));
    return true;
}

template <typename T>
const typename CScrollChartModel<T>::Series* CScrollChartModel<T>::findSeries(int id) const
{
    const auto it = m_series.find(id);
    return it == m_series.end() ? nullptr : &it->second;
}

template <typename T>
bool CScrollChartModel<T>::hasPoints() const
{
    for (const auto& [id, s] : m_series)
        if (!s.empty())
            return true;
    return false;
}

template <typename T>
typename CScrollChartModel<T>::AddResult CScrollChartModel<T>::addPoint(int id, T x, T y)
{
    const auto found = m_series.find(id);
    // NaN would break the x order the search relies on. A NaN y marks a gap (no
    // readings for a while): the painter breaks the line there.
    if (found == m_series.end() || !std::isfinite(x) || std::isinf(y))
        return {};
    Series& series = found->second;

    bool changed = false;
    // The first point of an empty chart moves nothing and keeps its y.
    if (hasPoints()) {
        const bool lastInView = !series.empty() && m_viewStart <= series.points().back().x &&
                                series.points().back().x <= m_viewStart + m_viewWidth;
        // Fractions of the width in double, so each float result is rounded only once.
        const double width = static_cast<double>(m_viewWidth);
        if (lastInView && static_cast<double>(x) > static_cast<double>(m_viewStart) + 0.9 * width) {
            m_viewStart = static_cast<T>(static_cast<double>(x) - 0.9 * width);
            changed = true;
        } else if (x > m_rangeEnd && x > m_viewWidth) {
            m_rangeEnd = static_cast<T>(static_cast<double>(x) + 0.1 * width);
            changed = true;
        } else if (x < m_rangeStart) {
            m_rangeStart = x;
            changed = true;
        }
        if (y > m_yTop)
            y = m_yTop;
        if (y < m_yBottom)
            y = m_yBottom;
    }
    series.set(x, y);

    const bool trimmed = trimPoints();
    if (trimmed || changed)
        normalizeRange();
    return {true, trimmed || changed};
}

template <typename T>
bool CScrollChartModel<T>::lastX(T& x) const
{
    bool any = false;
    for (const auto& [id, s] : m_series) {
        if (s.empty())
            continue;
        if (!any || s.points().back().x > x)
            x = s.points().back().x;
        any = true;
    }
    return any;
}

template <typename T>
void CScrollChartModel<T>::addGap()
{
    T x{};
    if (!lastX(x))
        return;
    if (!m_gaps.empty() && m_gaps.back() >= x)
        return;
    m_gaps.push_back(x);
}

template <typename T>
bool CScrollChartModel<T>::gapBetween(T from, T to) const
{
    // The first break at or after from; it cuts the segment when it lies before to.
    const auto it = std::lower_bound(m_gaps.begin(), m_gaps.end(), from);
    return it != m_gaps.end() && *it < to;
}

template <typename T>
bool CScrollChartModel<T>::gapEnd(T gap, T& end) const
{
    bool any = false;
    for (const auto& [id, s] : m_series) {
        const auto& points = s.points();
        const auto it = std::upper_bound(points.begin(), points.end(), gap,
                                         [](T v, const typename Series::Point& p) { return v < p.x; });
        if (it != points.end() && (!any || it->x < end)) {
            end = it->x;
            any = true;
        }
    }
    return any;
}

template <typename T>
bool CScrollChartModel<T>::erasePoints(T after, T upTo)
{
    std::size_t removed = 0;
    for (auto& [id, s] : m_series)
        removed += s.eraseBetween(after, upTo);
    const auto before = m_gaps.size();
    std::erase_if(m_gaps, [&](T g) { return after < g && g <= upTo; });
    return removed != 0 || m_gaps.size() != before;
}

template <typename T>
bool CScrollChartModel<T>::setSeriesName(int id, std::wstring name)
{
    const auto it = m_series.find(id);
    if (it == m_series.end())
        return false;
    it->second.name = std::move(name);
    return true;
}

template <typename T>
void CScrollChartModel<T>::clear()
{
    for (auto& [id, s] : m_series)
        s.clearPoints();
    m_gaps.clear();
    m_viewStart = T(0);
    m_rangeStart = T(0);
}

template <typename T>
unsigned CScrollChartModel<T>::setMaxPoints(unsigned limit, bool* trimmed)
{
    const unsigned previous = m_maxPoints;
    m_maxPoints = limit;
    bool removed = false;
    if (limit != previous) {
        removed = trimPoints();
        // Without this the view could start before the new range start.
        if (removed)
            normalizeRange();
    }
    if (trimmed)
        *trimmed = removed;
    return previous;
}

template <typename T>
bool CScrollChartModel<T>::trimPoints()
{
    if (m_maxPoints == 0)
        return false;
    bool removed = false;
    for (auto& [id, s] : m_series)
        removed = s.trimTo(m_maxPoints) != 0 || removed;
    if (!removed)
        return false;
    bool any = false;
    T smallest{};
    for (const auto& [id, s] : m_series) {
        if (s.empty())
            continue;
        const T first = s.points().front().x;
        if (!any || first < smallest)
            smallest = first;
        any = true;
    }
    if (any) {
        m_rangeStart = smallest;
        // Breaks before every point kept have nothing left to separate.
        while (!m_gaps.empty() && m_gaps.front() < smallest)
            m_gaps.pop_front();
    }
    return true;
}

template <typename T>
void CScrollChartModel<T>::normalizeRange()
{
    if (m_rangeStart > m_viewStart)
        m_viewStart = m_rangeStart;
    if (m_rangeEnd < m_viewStart + m_viewWidth)
        m_rangeEnd = m_viewStart + m_viewWidth;
}

template <typename T>
bool CScrollChartModel<T>::scroll(ChartScroll action, int thumbPosition)
{
    const double width = static_cast<double>(m_viewWidth);
    double start = static_cast<double>(m_viewStart);
    switch (action) {
    case ChartScroll::LineLeft:
        if (start >= 1.0)
            start -= 0.01 * width;
        break;
    case ChartScroll::LineRight:
        start += 0.01 * width;
        break;
    case ChartScroll::PageLeft:
        start -= 0.5 * width;
        if (start < 0.0)
            start = 0.0;
        break;
    case ChartScroll::PageRight:
        start += 0.5 * width;
        break;
    case ChartScroll::ThumbTrack:
        start = static_cast<double>(m_rangeStart) +
                (static_cast<double>(m_rangeEnd) - static_cast<double>(m_rangeStart)) * thumbPosition / 1000.0;
        break;
    case ChartScroll::ThumbPosition:
    case ChartScroll::Other:
        return false;
    }
    m_viewStart = static_cast<T>(start);
    if (m_viewStart > m_rangeEnd - m_viewWidth)
        m_viewStart = m_rangeEnd - m_viewWidth;
    if (m_viewStart < m_rangeStart)
        m_viewStart = m_rangeStart;
    return true;
}

template class CScrollChartModel<float>;

} // namespace velmora
