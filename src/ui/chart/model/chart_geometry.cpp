// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart_geometry.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace velmora {

int truncateToInt(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (value <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(value);
}

// Far off-screen coordinates are pulled in to keep the raster code on safe ground;
// only segments leaving a view more than this far away change slope.
static int clampPixel(double value)
{
    constexpr double kLimit = 1 << 22;
    return truncateToInt(std::clamp(value, -kLimit, kLimit));
}

CPixelPoint valueToPoint(const CChartView& view, double x, double y)
{
    const double px = view.viewWidth != 0 ? (x - view.viewStart) * view.width / view.viewWidth : 0.0;
    const double py = view.yTop != 0 ? view.height * y * 0.999 / view.yTop : 0.0;
    return {clampPixel(px), view.height - clampPixel(py)};
}

static double pixelsPerValue(const CChartView& view)
{
    return view.viewWidth != 0 ? view.width / view.viewWidth : 0.0;
}

long long viewOriginPixel(const CChartView& view)
{
    const double origin = std::floor(view.viewStart * pixelsPerValue(view));
    constexpr double kLimit = 1e15;
    return static_cast<long long>(std::clamp(std::isnan(origin) ? 0.0 : origin, -kLimit, kLimit));
}

CPixelPoint plotPoint(const CChartView& view, double x, double y)
{
    const double column = std::floor(x * pixelsPerValue(view)) - static_cast<double>(viewOriginPixel(view));
    const double py = view.yTop != 0 ? view.height * y * 0.999 / view.yTop : 0.0;
    return {clampPixel(column), view.height - clampPixel(py)};
}

double plotColumnValue(const CChartView& view, int column)
{
    const double scale = pixelsPerValue(view);
    if (scale == 0)
        return view.viewStart;
    return (static_cast<double>(viewOriginPixel(view)) + column) / scale;
}

double niceScaleStep(double span, int pixels, int minPixels)
{
    if (!(span > 0) || pixels <= 0)
        return span > 0 ? span : 1.0;
    const double least = span * std::max(1, minPixels) / pixels;
    double power = std::pow(10.0, std::floor(std::log10(least)));
    for (int round = 0; round < 2; ++round, power *= 10)
        for (double m : {1.0, 2.0, 3.0, 5.0})
            if (m * power >= least * (1 - 1e-9))
                return m * power;
    return least;
}

std::vector<int> horizontalGridLines(int height, unsigned divisions)
{
    std::vector<int> rows;
    if (divisions == 0 || height <= 0)
        return rows;
    const int step = height / static_cast<int>(divisions);
    if (step == 0)
        return rows;
    for (int y = step; y < height; y += step)
        rows.push_back(y);
    return rows;
}

std::vector<int> verticalGridLines(const CChartView& view, unsigned divisions)
{
    std::vector<int> columns;
    for (double x : verticalGridValues(view, divisions))
        columns.push_back(valueToPoint(view, x, 0).x);
    return columns;
}

std::vector<double> verticalGridValues(const CChartView& view, unsigned divisions)
{
    std::vector<double> columns;
    if (divisions == 0 || !(view.viewWidth > 0))
        return columns;
    const double step = view.viewWidth / divisions;
    const double end = view.viewStart + view.viewWidth;
    double x = std::trunc(view.viewStart + step - std::fmod(view.viewStart, view.viewWidth));
    // Lines start up to one width left of the view; beyond 2n + 2 the step has been
    // lost to rounding of very large x and the loop would not end.
    const unsigned most = 2 * divisions + 2;
    while (x < end && columns.size() < most) {
        columns.push_back(x);
        x = std::trunc(x + step);
    }
    return columns;
}

std::vector<CPixelRect> stackLabels(const std::vector<CPixelPoint>& anchors, const std::vector<int>& widths,
                                    int height, int plotWidth, int plotHeight)
{
    const std::size_t n = anchors.size();
    std::vector<CPixelRect> boxes(n);
    std::vector<std::size_t> order(n);
    for (std::size_t i = 0; i < n; ++i) {
        const int width = i < widths.size() ? std::max(widths[i], 0) : 0;
        const CPixelPoint& a = anchors[i];
        int left = a.x + kLabelGap;
        if (left + width > plotWidth && a.x - kLabelGap - width >= 0)
            left = a.x - kLabelGap - width;
        const int top = a.y - height / 2;
        boxes[i] = CPixelRect{left, top, left + width, top + height};
        order[i] = i;
    }
    // Higher values lie higher up (smaller y); equal ones keep the series' order.
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return anchors[a].y < anchors[b].y; });
    const auto moveTo = [&](CPixelRect& r, int top) {
        r.bottom += top - r.top;
        r.top = top;
    };
    // Down from the top, each below the one above it ...
    for (std::size_t k = 1; k < n; ++k) {
        const CPixelRect& above = boxes[order[k - 1]];
        CPixelRect& box = boxes[order[k]];
        if (box.top < above.bottom)
            moveTo(box, above.bottom);
    }
    // ... then up from the bottom edge, and never above the top edge.
    if (n > 0 && boxes[order[n - 1]].bottom > plotHeight)
        moveTo(boxes[order[n - 1]], plotHeight - height);
    for (std::size_t k = n; k-- > 1;) {
        const CPixelRect& below = boxes[order[k]];
        CPixelRect& box = boxes[order[k - 1]];
        if (box.bottom > below.top)
            moveTo(box, below.top - height);
    }
    if (n > 0 && boxes[order[0]].top < 0) {
        moveTo(boxes[order[0]], 0);
        for (std::size_t k = 1; k < n; ++k)
            if (boxes[order[k]].top < boxes[order[k - 1]].bottom)
                moveTo(boxes[order[k]], boxes[order[k - 1]].bottom);
    }
    return boxes;
}

CScrollBarState scrollBarState(double rangeStart, double rangeEnd, double viewStart, double viewWidth)
{
    CScrollBarState s;
    const double span = rangeEnd - rangeStart;
    if (!(span > 0))
        return s;
    s.page = std::clamp(truncateToInt(viewWidth / span * 1000), 0, 1000);
    s.maximum = 1000 - s.page;
    s.position = std::clamp(truncateToInt((viewStart - rangeStart) / span * 1000), 0, s.maximum);
    s.enabled = s.maximum > 0;
    return s;
}

int labelFontPixelHeight(int width, int height)
{
    if (width <= 0 || height <= 0)
        return 1;
    const double side = std::sqrt(static_cast<double>(width) * static_cast<double>(height));
    return std::max(1, static_cast<int>(side / 50));
}

} // namespace velmora
