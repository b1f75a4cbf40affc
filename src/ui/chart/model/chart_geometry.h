// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Pixel arithmetic of the scrolling chart, kept apart from drawing so it can be
// checked without a window. W x H is the client area above the scroll bar.

#include <vector>

namespace velmora {

struct CPixelPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const CPixelPoint&, const CPixelPoint&) = default;
};

// Edges as the platform's rectangles: right and bottom are outside.
struct CPixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool intersects(const CPixelRect& o) const
    {
        return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
    }
    friend bool operator==(const CPixelRect&, const CPixelRect&) = default;
};

struct CChartView {
    double viewStart = 0;
    double viewWidth = 1000;
    double yTop = 100;
    int width = 0;  // W
    int height = 0; // H
};

// x from the left edge over the view width; y with 0 at the bottom edge and yTop
// just under the top edge (the 0.999 keeps the top value on screen).
CPixelPoint valueToPoint(const CChartView& view, double x, double y);

// The same point with x counted in whole pixels from x = 0, less the view start's
// pixel: a view that moves shifts every point by the same whole number of pixels, so
// a picture drawn once can be moved instead of drawn again. Differs from
// valueToPoint by at most one pixel in x.
CPixelPoint plotPoint(const CChartView& view, double x, double y);
// Pixel of the view start in the same count.
long long viewOriginPixel(const CChartView& view);
// Data x at the left edge of a plot column (the inverse of plotPoint's x).
double plotColumnValue(const CChartView& view, int column);

// Rows of the horizontal grid lines: every H / n pixels, below the top and above H.
// None when H < n, where the step would be 0.
std::vector<int> horizontalGridLines(int height, unsigned divisions);

// Columns of the vertical grid lines: data x counted from the start of the current
// view-width block, one line per width / divisions, up to the view's right edge.
std::vector<int> verticalGridLines(const CChartView& view, unsigned divisions);
// The data x of those lines.
std::vector<double> verticalGridValues(const CChartView& view, unsigned divisions);

// Scale step for a span shown in units (15 V): 1, 2, 3 or 5 times a power of ten,
// the smallest whose marks lie at least minPixels apart over pixels.
double niceScaleStep(double span, int pixels, int minPixels);

// Room between a point and its value label, px.
constexpr int kLabelGap = 3;

// Value label boxes (widths[i] x height) beside the newest point of each series, in
// the anchors' order, none over another however close the values lie: each box sits
// right of its point (left of it where the plot ends first), centred on it, and the
// boxes stack in the order of their values, the highest on top, each moved down
// below the one above it and the stack kept within the plot's height.
std::vector<CPixelRect> stackLabels(const std::vector<CPixelPoint>& anchors, const std::vector<int>& widths,
                                    int height, int plotWidth, int plotHeight);

// Horizontal scroll bar over a fixed 0..1000 scale.
struct CScrollBarState {
    int page = 1000;     // thumb length: the view's share of the range
    int position = 0;    // thumb start: the view start's place in the range
    int maximum = 0;     // largest position: 1000 - page, never below 0
    bool enabled = false; // false when the whole range is in view
};
CScrollBarState scrollBarState(double rangeStart, double rangeEnd, double viewStart, double viewWidth);

// Pixel height of the label font for a client area, never below 1.
int labelFontPixelHeight(int width, int height);

// Float to int as a C cast would do for values in range; saturates outside it
// instead of being undefined.
int truncateToInt(double value);

} // namespace velmora
