// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/chart/model/scroll_chart_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace velmora {
namespace {

using Model = CScrollChartModel<float>;

std::wstring label(double v)
{
    return std::to_wstring(v);
}

// A chart with series 0..count-1, as the main window sets it up.
Model chartWithSeries(int count = 1)
{
    Model m;
    for (int id = 0; id < count; ++id)
        EXPECT_TRUE(m.addSeries(id, label, CRgb{250, 0, 0}, 0, 2, 1, 10.0f));
    return m;
}

void feed(Model& m, int id, int from, int to, float y = 50.0f)
{
    for (int x = from; x <= to; ++x)
        ASSERT_TRUE(m.addPoint(id, static_cast<float>(x), y).added) << "x = " << x;
}

TEST(ScrollChartModel, ViewStaysUntilPointPassesNinetyPercentThenFollowsNewest)
{
    Model m = chartWithSeries();
    for (int x = 0; x <= 900; ++x) {
        const auto r = m.addPoint(0, static_cast<float>(x), 50.0f);
        ASSERT_FALSE(r.rangeChanged) << "x = " << x;
        ASSERT_EQ(m.viewStart(), 0.0f) << "x = " << x;
    }
    EXPECT_TRUE(m.addPoint(0, 901.0f, 50.0f).rangeChanged);
    EXPECT_EQ(m.viewStart(), 1.0f);
    EXPECT_EQ(m.rangeEnd(), 1001.0f);

    feed(m, 0, 902, 5000);
    EXPECT_EQ(m.viewStart(), 4100.0f);
    EXPECT_EQ(m.rangeEnd(), 5100.0f);
    EXPECT_EQ(m.rangeStart(), 0.0f);
}

TEST(ScrollChartModel, FirstPointOfEmptyChartKeepsItsValueLaterOnesAreClamped)
{
    Model m = chartWithSeries(2);
    ASSERT_TRUE(m.addPoint(0, 0.0f, 150.0f).added);
    EXPECT_EQ(m.findSeries(0)->points().back().y, 150.0f);

    m.addPoint(0, 1.0f, 150.0f);
    m.addPoint(0, 2.0f, -3.0f);
    // Another series' first point is not the chart's first point.
    m.addPoint(1, 0.0f, 101.0f);
    EXPECT_EQ(m.findSeries(0)->points()[1].y, 100.0f);
    EXPECT_EQ(m.findSeries(0)->points()[2].y, 0.0f);
    EXPECT_EQ(m.findSeries(1)->points()[0].y, 100.0f);

    // After clear the chart is empty again.
    m.clear();
    m.addPoint(1, 0.0f, -20.0f);
    EXPECT_EQ(m.findSeries(1)->points()[0].y, -20.0f);
}

TEST(ScrollChartModel, RangeEndGrowsPastTheViewWhenTheSeriesDoesNotFollow)
{
    {
        // The series has no points of its own yet.
        Model m = chartWithSeries(2);
        m.addPoint(0, 0.0f, 10.0f);
        EXPECT_TRUE(m.addPoint(1, 1001.0f, 10.0f).rangeChanged);
        EXPECT_EQ(m.rangeEnd(), 1101.0f);
        EXPECT_EQ(m.viewStart(), 0.0f);
    }
    {
        // The series' last point lies beyond the view.
        Model m = chartWithSeries();
        feed(m, 0, 0, 1500);
        ASSERT_EQ(m.rangeEnd(), 1600.0f);
        ASSERT_TRUE(m.scroll(ChartScroll::ThumbTrack, 0));
        m.addPoint(0, 1601.0f, 10.0f);
        EXPECT_EQ(m.rangeEnd(), 1701.0f);
        m.addPoint(0, 1650.0f, 10.0f);
        EXPECT_EQ(m.rangeEnd(), 1701.0f);
        EXPECT_EQ(m.viewStart(), 0.0f);
    }
    {
        // Points left of the range widen it to the left.
        Model m = chartWithSeries();
        m.addPoint(0, 0.0f, 10.0f);
        EXPECT_TRUE(m.addPoint(0, -40.0f, 10.0f).rangeChanged);
        EXPECT_EQ(m.rangeStart(), -40.0f);
        EXPECT_EQ(m.viewStart(), 0.0f);
    }
}

TEST(ScrollChartModel, ScrollingBackStopsFollowing)
{
    Model m = chartWithSeries();
    feed(m, 0, 0, 3000);
    ASSERT_EQ(m.viewStart(), 2100.0f);
    ASSERT_TRUE(m.scroll(ChartScroll::PageLeft));
    ASSERT_TRUE(m.scroll(ChartScroll::PageLeft));
    ASSERT_EQ(m.viewStart(), 1100.0f);

    // The range end only jumps ahead each time a point passes it.
    feed(m, 0, 3001, 3500);
    EXPECT_EQ(m.viewStart(), 1100.0f);
    EXPECT_EQ(m.rangeEnd(), 3504.0f);

    // Scrolled to the newest point again, the view follows once more.
    ASSERT_TRUE(m.scroll(ChartScroll::ThumbTrack, 1000));
    feed(m, 0, 3501, 3700);
    EXPECT_EQ(m.viewStart(), 2800.0f);
}

TEST(ScrollChartModel, PointLimitDropsOldestPointsAndMovesRangeStart)
{
    Model m = chartWithSeries(2);
    EXPECT_EQ(m.setMaxPoints(10000), 0u);
    feed(m, 0, 0, 9999);
    feed(m, 1, 5, 20);
    ASSERT_EQ(m.findSeries(0)->size(), 10000u);
    ASSERT_EQ(m.rangeStart(), 0.0f);

    EXPECT_TRUE(m.addPoint(0, 10000.0f, 50.0f).rangeChanged);
    EXPECT_EQ(m.findSeries(0)->size(), 10000u);
    EXPECT_EQ(m.findSeries(0)->points().front().x, 1.0f);
    EXPECT_EQ(m.findSeries(1)->size(), 16u);
    // The smallest first x over all series.
    EXPECT_EQ(m.rangeStart(), 1.0f);

    feed(m, 0, 10001, 10010);
    EXPECT_EQ(m.rangeStart(), 5.0f);
    EXPECT_GE(m.viewStart(), m.rangeStart());
}

TEST(ScrollChartModel, LoweringThePointLimitKeepsTheViewInsideTheRange)
{
    Model m = chartWithSeries();
    feed(m, 0, 0, 5000);
    ASSERT_TRUE(m.scroll(ChartScroll::ThumbTrack, 0));
    ASSERT_EQ(m.viewStart(), 0.0f);

    bool trimmed = false;
    EXPECT_EQ(m.setMaxPoints(100, &trimmed), 0u);
    EXPECT_TRUE(trimmed);
    EXPECT_EQ(m.findSeries(0)->size(), 100u);
    EXPECT_EQ(m.rangeStart(), 4901.0f);
    EXPECT_EQ(m.viewStart(), 4901.0f);
    EXPECT_GE(m.rangeEnd(), m.viewStart() + m.viewWidth());

    EXPECT_EQ(m.setMaxPoints(100, &trimmed), 100u);
    EXPECT_FALSE(trimmed);
}

TEST(ScrollChartModel, PointWithExistingXReplacesItsValue)
{
    Model m = chartWithSeries();
    m.addPoint(0, 0.0f, 10.0f);
    m.addPoint(0, 2.0f, 20.0f);
    m.addPoint(0, 1.0f, 30.0f);
    m.addPoint(0, 2.0f, 40.0f);
    const auto& pts = m.findSeries(0)->points();
    ASSERT_EQ(pts.size(), 3u);
    EXPECT_EQ(pts[0], (CChartPoint<float>{0.0f, 10.0f}));
    EXPECT_EQ(pts[1], (CChartPoint<float>{1.0f, 30.0f}));
    EXPECT_EQ(pts[2], (CChartPoint<float>{2.0f, 40.0f}));
}

TEST(ScrollChartModel, RejectsUnknownSeriesAndNonFiniteCoordinates)
{
    Model m = chartWithSeries();
    EXPECT_FALSE(m.addPoint(7, 0.0f, 1.0f).added);
    EXPECT_FALSE(m.addPoint(0, std::numeric_limits<float>::quiet_NaN(), 1.0f).added);
    EXPECT_FALSE(m.addPoint(0, std::numeric_limits<float>::infinity(), 1.0f).added);
    EXPECT_FALSE(m.addPoint(0, 1.0f, std::numeric_limits<float>::infinity()).added);
    EXPECT_FALSE(m.hasPoints());
    EXPECT_EQ(m.viewStart(), 0.0f);
    EXPECT_EQ(m.rangeEnd(), 1000.0f);
    // A NaN value is a gap in the line (no readings then), kept at its x.
    EXPECT_TRUE(m.addPoint(0, 1.0f, std::numeric_limits<float>::quiet_NaN()).added);
    EXPECT_TRUE(std::isnan(m.findSeries(0)->points().back().y));
}

TEST(ScrollChartModel, RepeatedSeriesIdIsRefusedAndTheFirstKept)
{
    Model m;
    ASSERT_TRUE(m.addSeries(1, label, CRgb{0, 0, 200}, 2 | Model::kMarkersBit, 3, 1, 10.0f));
    m.addPoint(1, 0.0f, 5.0f);
    EXPECT_FALSE(m.addSeries(1, nullptr, CRgb{0, 200, 0}, 0, 1, 0, 1.0f));

    const auto* s = m.findSeries(1);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->colour, (CRgb{0, 0, 200}));
    EXPECT_EQ(s->penStyle, 2);
    EXPECT_TRUE(s->markers);
    EXPECT_EQ(s->penWidth, 3);
    EXPECT_EQ(s->visible, 1);
    EXPECT_TRUE(static_cast<bool>(s->formatter));
    EXPECT_EQ(s->size(), 1u);
    EXPECT_EQ(m.series().size(), 1u);
}

// Points 0..n, the view then at n-900..n+100.
Model scrolledChart(int n)
{
    Model m = chartWithSeries();
    feed(m, 0, 0, n);
    return m;
}

TEST(ScrollChartModel, LineAndPageStepsStayInsideTheRange)
{
    {
        Model m = chartWithSeries();
        feed(m, 0, 0, 900);
        m.addPoint(0, 900.5f, 1.0f);
        ASSERT_EQ(m.viewStart(), 0.5f);
        EXPECT_TRUE(m.scroll(ChartScroll::LineLeft));
        EXPECT_EQ(m.viewStart(), 0.5f);
    }
    {
        Model m = scrolledChart(1200);
        ASSERT_EQ(m.viewStart(), 300.0f);
        m.scroll(ChartScroll::PageLeft);
        EXPECT_EQ(m.viewStart(), 0.0f);
        m.scroll(ChartScroll::LineRight);
        EXPECT_EQ(m.viewStart(), 10.0f);
        m.scroll(ChartScroll::LineLeft);
        EXPECT_EQ(m.viewStart(), 0.0f);
        m.scroll(ChartScroll::PageRight);
        m.scroll(ChartScroll::PageRight);
        // Not beyond range end - width.
        EXPECT_EQ(m.viewStart(), 300.0f);
    }
    {
        // Page left stops at 0 even when the range reaches further left.
        Model m = scrolledChart(1200);
        m.addPoint(0, -500.0f, 1.0f);
        m.scroll(ChartScroll::PageLeft);
        EXPECT_EQ(m.viewStart(), 0.0f);
        m.scroll(ChartScroll::ThumbTrack, 0);
        EXPECT_EQ(m.viewStart(), -500.0f);
    }
}

TEST(ScrollChartModel, ThumbTrackMapsPositionOntoTheRange)
{
    Model m = scrolledChart(2900); // range 0..3000
    ASSERT_EQ(m.rangeEnd(), 3000.0f);
    EXPECT_TRUE(m.scroll(ChartScroll::ThumbTrack, 250));
    EXPECT_EQ(m.viewStart(), 750.0f);
    m.scroll(ChartScroll::ThumbTrack, 1000);
    EXPECT_EQ(m.viewStart(), 2000.0f);

    // End of drag and the other codes leave the view alone.
    m.scroll(ChartScroll::ThumbTrack, 100);
    EXPECT_FALSE(m.scroll(ChartScroll::ThumbPosition, 900));
    EXPECT_FALSE(m.scroll(ChartScroll::Other, 900));
    EXPECT_EQ(m.viewStart(), 300.0f);
}

TEST(ScrollChartModel, ClearEmptiesSeriesAndRewindsButKeepsRangeEnd)
{
    Model m = scrolledChart(3000);
    m.clear();
    EXPECT_FALSE(m.hasPoints());
    EXPECT_EQ(m.viewStart(), 0.0f);
    EXPECT_EQ(m.rangeStart(), 0.0f);
    EXPECT_EQ(m.rangeEnd(), 3100.0f);
    EXPECT_EQ(m.series().size(), 1u);
}

TEST(ChartSeries, VisibleStretchTakesOneNeighbourEachSide)
{
    CChartSeries<float> s;
    for (int x = 0; x < 100; x += 10)
        s.set(static_cast<float>(x), 1.0f);

    auto v = s.visibleStretch(25.0f, 55.0f); // 30, 40, 50 inside
    EXPECT_EQ(v.first, 2u);
    EXPECT_EQ(v.last, 6u);
    EXPECT_EQ(v.label, 5u);

    v = s.visibleStretch(0.0f, 1000.0f); // all inside, nothing beyond
    EXPECT_EQ(v.first, 0u);
    EXPECT_EQ(v.last, 9u);
    EXPECT_EQ(v.label, 9u);

    v = s.visibleStretch(41.0f, 49.0f); // gap between two points: no label
    EXPECT_EQ(v.first, 4u);
    EXPECT_EQ(v.last, 5u);
    EXPECT_EQ(v.label, CVisibleStretch::npos);

    v = s.visibleStretch(200.0f, 300.0f); // all left of the view
    EXPECT_EQ(v.first, 9u);
    EXPECT_EQ(v.last, 9u);
    EXPECT_EQ(v.label, CVisibleStretch::npos);
}


TEST(ScrollChartModel, GapsBreakOnlyTheSegmentAfterTheNewestPointAndLeaveWithIt)
{
    CScrollChartModel<float> model;
    ASSERT_TRUE(model.addSeries(0, nullptr, CRgb{}, 0, 2, 1, 10.0f));
    ASSERT_TRUE(model.addSeries(1, nullptr, CRgb{}, 0, 2, 1, 10.0f));
    model.addGap(); // nothing to break yet
    EXPECT_TRUE(model.gaps().empty());
    model.setMaxPoints(5);
    for (int x = 0; x < 3; ++x)
        model.addPoint(0, static_cast<float>(x), 10.0f);
    model.addPoint(1, 4.0f, 10.0f); // the newest point of any series sets the place
    model.addGap();
    model.addGap(); // a second call before new points changes nothing
    ASSERT_EQ(model.gaps().size(), 1u);
    EXPECT_EQ(model.gaps().front(), 4.0f);
    EXPECT_TRUE(model.gapBetween(4.0f, 9.0f));
    EXPECT_TRUE(model.gapBetween(2.0f, 9.0f));
    EXPECT_FALSE(model.gapBetween(1.0f, 2.0f));
    EXPECT_FALSE(model.gapBetween(5.0f, 9.0f));

    // Where the readings went on: the first point after the break of any series.
    float end = 0;
    EXPECT_FALSE(model.gapEnd(4.0f, end)); // not yet
    model.addPoint(1, 9.0f, 10.0f);
    EXPECT_TRUE(model.gapEnd(4.0f, end));
    EXPECT_EQ(end, 9.0f);

    // Trimming past the break drops it; clearing drops every break.
    for (int x = 9; x < 20; ++x) {
        model.addPoint(0, static_cast<float>(x), 10.0f);
        model.addPoint(1, static_cast<float>(x), 10.0f);
    }
    EXPECT_TRUE(model.gaps().empty());
    model.addGap();
    model.clear();
    EXPECT_TRUE(model.gaps().empty());

    EXPECT_TRUE(model.setSeriesName(1, L"Wyjście [V]"));
    EXPECT_FALSE(model.setSeriesName(7, L"x"));
    EXPECT_EQ(model.findSeries(1)->name, L"Wyjście [V]");
}

TEST(ScrollChartModel, DrawingOverOldPointsErasesThemAsItGoes)
{
    Model m = chartWithSeries(2);
    feed(m, 0, 0, 10);
    feed(m, 1, 0, 10);
    m.addGap();
    feed(m, 0, 20, 30);
    // New points from x = 0 at other x than the old ones: each erases what lies
    // between it and the previous new point, never more.
    EXPECT_TRUE(m.erasePoints(-1.0f, 0.5f));
    EXPECT_EQ(m.findSeries(0)->points().front().x, 1.0f);
    EXPECT_EQ(m.findSeries(1)->points().front().x, 1.0f);
    EXPECT_TRUE(m.erasePoints(0.5f, 12.0f));
    EXPECT_TRUE(m.gaps().empty()); // the break at 10 went with its points
    EXPECT_EQ(m.findSeries(0)->points().front().x, 20.0f);
    EXPECT_TRUE(m.findSeries(1)->empty());
    EXPECT_FALSE(m.erasePoints(12.0f, 19.5f));
    EXPECT_EQ(m.findSeries(0)->size(), 11u);
}

} // namespace
} // namespace velmora
