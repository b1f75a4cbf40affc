// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/chart/model/chart_geometry.h"
#include "ui/chart/model/volts_label.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

namespace velmora {
namespace {

TEST(ChartGeometry, ValueToPointPutsTheViewOnTheClientArea)
{
    const CChartView view{100, 1000, 100, 500, 200};
    EXPECT_EQ(valueToPoint(view, 100, 0), (CPixelPoint{0, 200}));
    // The top value stays one pixel under the edge.
    EXPECT_EQ(valueToPoint(view, 1100, 100), (CPixelPoint{500, 1}));
    EXPECT_EQ(valueToPoint(view, 600, 50), (CPixelPoint{250, 101}));
    // Truncation towards zero on both sides of the view start.
    EXPECT_EQ(valueToPoint(view, 103.9, 0).x, 1);
    EXPECT_EQ(valueToPoint(view, 96.1, 0).x, -1);
    // Points far out of view stay representable.
    const CPixelPoint far = valueToPoint(view, 1e30, 1e30);
    EXPECT_GT(far.x, 500);
    EXPECT_LT(far.y, 0);
}

TEST(ChartGeometry, HorizontalGridLinesStepByHeightOverDivisions)
{
    const auto rows = horizontalGridLines(230, 10);
    ASSERT_EQ(rows.size(), 9u);
    EXPECT_EQ(rows.front(), 23);
    EXPECT_EQ(rows.back(), 207);
    EXPECT_EQ(horizontalGridLines(10, 10).size(), 9u);
    // Lower than the number of divisions: no lines, and the loop ends.
    for (int h = -1; h < 10; ++h)
        EXPECT_TRUE(horizontalGridLines(h, 10).empty()) << "h = " << h;
    EXPECT_TRUE(horizontalGridLines(230, 0).empty());
}

TEST(ChartGeometry, VerticalGridLinesFollowTheViewWidthBlocks)
{
    auto cols = verticalGridLines(CChartView{0, 1000, 100, 1000, 100}, 20);
    ASSERT_EQ(cols.size(), 19u);
    EXPECT_EQ(cols.front(), 50);
    EXPECT_EQ(cols.back(), 950);

    // A view starting at 1 reaches the line at x = 1000.
    cols = verticalGridLines(CChartView{1, 1000, 100, 1000, 100}, 20);
    ASSERT_EQ(cols.size(), 20u);
    EXPECT_EQ(cols.front(), 49);
    EXPECT_EQ(cols.back(), 999);

    // Lines are counted from the start of the current width block, so some fall
    // left of the view.
    cols = verticalGridLines(CChartView{1234, 1000, 100, 1000, 100}, 20);
    EXPECT_EQ(cols.front(), 1050 - 1234);
    EXPECT_EQ(cols.back(), 2200 - 1234);

    // Where adding a step no longer changes x the loop still ends.
    cols = verticalGridLines(CChartView{1e19, 1e6, 100, 580, 200}, 1000);
    EXPECT_LE(cols.size(), 2002u);
    EXPECT_TRUE(verticalGridLines(CChartView{0, 1000, 100, 580, 200}, 0).empty());
}

TEST(ChartGeometry, EndLabelsStackInValueOrderAndNeverOverlap)
{
    const auto overlap = [](const std::vector<CPixelRect>& boxes) {
        for (std::size_t i = 0; i < boxes.size(); ++i)
            for (std::size_t j = i + 1; j < boxes.size(); ++j)
                if (boxes[i].intersects(boxes[j]))
                    return true;
        return false;
    };
    // Anchors (series order), widths, and the top-to-bottom order expected (by value:
    // smaller y is a higher value).
    const struct {
        std::vector<CPixelPoint> anchors;
        std::vector<std::size_t> topToBottom;
    } cases[] = {
        {{{500, 100}, {500, 105}, {500, 110}}, {0, 1, 2}}, // close, in series order
        {{{500, 110}, {500, 100}, {500, 105}}, {1, 2, 0}}, // close, values the other way
        {{{500, 100}, {500, 100}, {500, 100}}, {0, 1, 2}}, // equal: series order
        {{{500, 2}, {500, 4}, {500, 3}}, {0, 2, 1}},       // at the top edge
        {{{500, 198}, {500, 199}, {500, 200}}, {0, 1, 2}}, // at the bottom edge
        {{{500, 20}, {500, 100}, {500, 180}}, {0, 1, 2}},  // apart: where they are
    };
    for (const auto& c : cases) {
        const auto boxes = stackLabels(c.anchors, {42, 42, 42}, 18, 580, 200);
        ASSERT_EQ(boxes.size(), 3u);
        EXPECT_FALSE(overlap(boxes));
        for (std::size_t k = 1; k < 3; ++k)
            EXPECT_LE(boxes[c.topToBottom[k - 1]].bottom, boxes[c.topToBottom[k]].top);
        for (const CPixelRect& b : boxes) {
            EXPECT_GE(b.top, 0);
            EXPECT_LE(b.bottom, 200);
            EXPECT_EQ(b.left, 500 + kLabelGap); // right of the point, room to spare
        }
    }
    // Apart, each label is centred on its point.
    const auto apart = stackLabels({{500, 20}, {500, 100}}, {42, 42}, 18, 580, 200);
    EXPECT_EQ(apart[0], (CPixelRect{503, 11, 545, 29}));
    EXPECT_EQ(apart[1], (CPixelRect{503, 91, 545, 109}));
    // At the right edge a label goes left of its point rather than off the plot.
    const auto edge = stackLabels({{570, 100}}, {42}, 18, 580, 200);
    EXPECT_EQ(edge[0].right, 570 - kLabelGap);
}

TEST(ChartGeometry, ScrollBarShowsTheViewsShareOfTheRange)
{
    auto s = scrollBarState(0, 1000, 0, 1000);
    EXPECT_EQ(s.page, 1000);
    EXPECT_EQ(s.position, 0);
    EXPECT_EQ(s.maximum, 0);
    EXPECT_FALSE(s.enabled);

    s = scrollBarState(0, 3000, 2000, 1000);
    EXPECT_EQ(s.page, 333);
    EXPECT_EQ(s.position, 666);
    EXPECT_EQ(s.maximum, 667);
    EXPECT_TRUE(s.enabled);

    s = scrollBarState(-500, 1500, 0, 1000);
    EXPECT_EQ(s.page, 500);
    EXPECT_EQ(s.position, 250);

    // An empty or inverted range gives a full, idle bar instead of a division by zero.
    s = scrollBarState(10, 10, 10, 1000);
    EXPECT_EQ(s.page, 1000);
    EXPECT_FALSE(s.enabled);
    s = scrollBarState(20, 10, 0, 1000);
    EXPECT_FALSE(s.enabled);
}

TEST(ChartGeometry, LabelFontGrowsWithTheArea)
{
    EXPECT_EQ(labelFontPixelHeight(500, 200), 6);
    EXPECT_EQ(labelFontPixelHeight(1000, 1000), 20);
    EXPECT_EQ(labelFontPixelHeight(10, 10), 1);
    EXPECT_EQ(labelFontPixelHeight(580, 0), 1);
}

TEST(ChartGeometry, TruncationSaturatesInsteadOfOverflowing)
{
    EXPECT_EQ(truncateToInt(-2.9), -2);
    EXPECT_EQ(truncateToInt(1e20), INT_MAX);
    EXPECT_EQ(truncateToInt(-1e20), INT_MIN);
    EXPECT_EQ(truncateToInt(std::nan("")), 0);
}

TEST(VoltsLabel, ShowsPercentOf15VoltsAsVoltsWithTwoDecimals)
{
    EXPECT_EQ(voltsLabel(100), L"15.00");
    EXPECT_EQ(voltsLabel(50), L"7.50");
    EXPECT_EQ(voltsLabel(0), L"0.00");
    EXPECT_EQ(voltsLabel(100.0 / 3), L"5.00");
    EXPECT_EQ(voltsLabel(-10), L"-1.50");
}


TEST(ChartGeometry, PlotPointsShiftByWholePixelsAsTheViewMoves)
{
    // 580 px over 1000: a point keeps its distance to its neighbours in whole pixels
    // whatever the view start, so a drawn picture can be shifted.
    for (const double start : {0.0, 1.0, 333.0, 901.5}) {
        const CChartView view{start, 1000, 100, 580, 200};
        const long long origin = viewOriginPixel(view);
        for (const double x : {950.0, 1000.0, 1234.5}) {
            const CPixelPoint p = plotPoint(view, x, 50);
            EXPECT_EQ(p.x + origin, static_cast<long long>(std::floor(x * 0.58))) << start << " " << x;
            EXPECT_LE(std::abs(p.x - valueToPoint(view, x, 50).x), 1);
            EXPECT_EQ(p.y, valueToPoint(view, x, 50).y);
            EXPECT_LE(plotColumnValue(view, p.x), x + 1e-9 * x);
            EXPECT_GT(plotColumnValue(view, p.x + 1), x - 1e-9 * x);
        }
    }
}

TEST(ChartGeometry, ScaleStepsAreRoundAndFarEnoughApart)
{
    struct Case {
        double span;
        int pixels, minPixels;
        double step;
    };
    for (const Case& c : {Case{15, 180, 26, 3}, Case{15, 400, 26, 1}, Case{15, 60, 26, 10},
                          Case{100, 1000, 30, 3}, Case{0.15, 180, 26, 0.03}, Case{15, 0, 26, 15}}) {
        EXPECT_NEAR(niceScaleStep(c.span, c.pixels, c.minPixels), c.step, 1e-9) << c.span << " " << c.pixels;
    }
}

} // namespace
} // namespace velmora
