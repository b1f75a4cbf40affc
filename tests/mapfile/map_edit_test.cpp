// SPDX-License-Identifier: GPL-3.0-or-later
// Bulk edits and axis checks: what the window shows after an edit is what the unit
// will hold, and an edit beyond the unit's range is refused whole.

#include "mapfile/axis_check.h"
#include "mapfile/map_edit.h"

#include "device/encodings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace velmora::mapfile {
namespace {

MapValues graded() {
    MapValues m{};
    for (std::size_t r = 0; r < kVoltRows; ++r)
        for (std::size_t c = 0; c < kRpmCols; ++c) m[r][c] = mapValueFromByte(static_cast<std::uint8_t>(10 * r + c));
    return m;
}

const VoltAxis kVolts = DeviceState{}.voltAxis;
const RpmAxis kRpm = DeviceState{}.rpmAxis;

struct EditCase {
    const char* what;
    std::function<EditResult(const MapValues&)> edit;
    CellRect rect; // cells that change; the rest must stay
    std::function<double(std::size_t r, std::size_t c, double old)> expected;
};

TEST(MapEdit, EditsChangeOnlyTheSelectionAndRoundToTheUnitsStep) {
    const MapValues m = graded();
    const CellRect rect{2, 3, 4, 5};
    const EditCase cases[] = {
        {"set", [&](const MapValues& x) { return setValue(x, rect, 1.234); }, rect,
         [](auto, auto, double) { return 1.24; }},
        {"add", [&](const MapValues& x) { return addValue(x, rect, 0.5); }, rect,
         [](auto, auto, double old) { return old + 0.5; }},
        {"subtract to zero", [&](const MapValues& x) { return addValue(x, {0, 0, 1, 1}, -0.001); }, {0, 0, 1, 1},
         [](auto, auto, double) { return 0.0; }},
        {"scale +50 %", [&](const MapValues& x) { return scaleByPercent(x, rect, 50); }, rect,
         [](auto, auto, double old) { return std::round(old * 1.5 / 0.02) * 0.02; }},
        {"scale -100 %", [&](const MapValues& x) { return scaleByPercent(x, rect, -100); }, rect,
         [](auto, auto, double) { return 0.0; }},
        // The graded map is linear in both directions, so a line between the edges
        // (even axis spacing here) gives every cell back; set the middle off first.
        {"interpolate rows", [&](const MapValues& x) {
             return interpolateRows(*setValue(x, {3, 3, 2, 5}, 4.0).map, rect, kVolts); }, rect,
         [](auto, auto, double old) { return old; }},
        {"interpolate columns", [&](const MapValues& x) {
             return interpolateColumns(*setValue(x, {2, 4, 4, 3}, 4.0).map, rect, kRpm); }, rect,
         [](auto, auto, double old) { return old; }},
        {"interpolate both", [&](const MapValues& x) {
             return interpolateBoth(*setValue(x, {3, 4, 2, 3}, 4.0).map, rect, kVolts, kRpm); }, rect,
         [](auto, auto, double old) { return old; }},
        {"paste", [&](const MapValues& x) { return pasteBlock(x, 14, 13, {{1.0, 1.011}, {0.5, 5.1}}); },
         {14, 13, 2, 2}, [](std::size_t r, std::size_t c, double) {
             return r == 14 ? (c == 13 ? 1.0 : 1.02) : (c == 13 ? 0.5 : 5.1); }},
        {"one cell pasted over a selection", [&](const MapValues& x) {
             return pasteBlock(x, 0, 0, {{2.0}}, rect); }, rect, [](auto, auto, double) { return 2.0; }},
    };
    for (const EditCase& e : cases) {
        const EditResult result = e.edit(m);
        ASSERT_TRUE(result.ok()) << e.what << ": " << result.reason;
        for (std::size_t r = 0; r < kVoltRows; ++r) {
            for (std::size_t c = 0; c < kRpmCols; ++c) {
                const double v = (*result.map)[r][c];
                const bool inside = int(r) >= e.rect.row && int(r) < e.rect.row + e.rect.rows &&
                                    int(c) >= e.rect.column && int(c) < e.rect.column + e.rect.columns;
                EXPECT_NEAR(v, inside ? e.expected(r, c, m[r][c]) : m[r][c], 1e-9) << e.what << " " << r << "," << c;
                // Shown equals held: the value survives the trip through a map byte.
                EXPECT_EQ(v, mapValueFromByte(mapByteFromValue(v))) << e.what << " " << r << "," << c;
            }
        }
    }
}

TEST(MapEdit, InterpolationFollowsTheAxisSpacing) {
    MapValues m{};
    m[0][0] = 0.0;
    m[0][2] = 3.0;
    RpmAxis rpm = kRpm;
    rpm[0] = 1000, rpm[1] = 1500, rpm[2] = 4000; // the middle breakpoint a sixth of the way
    EXPECT_NEAR((*interpolateColumns(m, {0, 0, 1, 3}, rpm).map)[0][1], 0.5, 1e-9);
    rpm[1] = 1000; // not rising: evenly spaced instead of dividing by zero
    EXPECT_NEAR((*interpolateColumns(m, {0, 0, 1, 3}, rpm).map)[0][1], 1.5, 1e-9);
}

TEST(MapEdit, EditsBeyondTheUnitsRangeAreRefusedWhole) {
    MapValues m = graded();
    m[5][5] = 5.0;
    const struct {
        const char* what;
        EditResult result;
        int row, column;
    } cases[] = {
        {"above 5.10", addValue(m, {4, 4, 3, 3}, 0.12), 5, 5},
        {"below 0", addValue(m, {0, 0, 2, 2}, -0.03), 0, 0},
        {"set above", setValue(m, {0, 0, 1, 1}, 5.2), 0, 0},
        {"not a number", setValue(m, {0, 0, 1, 1}, NAN), 0, 0},
        {"scale past the top", scaleByPercent(m, {5, 5, 1, 1}, 3), 5, 5},
        {"scale below -100 %", scaleByPercent(m, {0, 0, 1, 1}, -101), -1, -1},
        {"selection off the grid", setValue(m, {15, 14, 2, 1}, 1.0), -1, -1},
        {"paste past the edge", pasteBlock(m, 15, 0, {{1}, {1}}), -1, -1},
        {"paste of a ragged block", pasteBlock(m, 0, 0, {{1, 2}, {3}}), -1, -1},
        {"paste with a value too large", pasteBlock(m, 0, 0, {{1, 7}}), 0, 1},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(c.result.ok()) << c.what;
        EXPECT_FALSE(c.result.reason.empty()) << c.what;
        EXPECT_EQ(c.result.row, c.row) << c.what << ": " << c.result.reason;
        EXPECT_EQ(c.result.column, c.column) << c.what << ": " << c.result.reason;
    }
}

TEST(VoltAxis, TypedBreakpointsAreLimitedLikeTheRpmHeader) {
    const VoltAxis axis = kVolts; // 0.96, 1.92, ... 15.36
    const struct {
        double typed;
        int row;
        double expected;
    } cases[] = {
        {1.5, 1, 1.5},    // free
        {1.51, 1, 1.5},   // the unit truncates to its step
        {1.52, 1, 1.515},
        {99, 15, 19.995}, // the sensible top, as a whole word
        {-5, 0, 0.0},
        {3.0, 1, 2.865}, // at or above the next: one step below it
        {0.5, 1, 0.975}, // at or below the one before: one step above it
        {std::nan(""), 4, axis[4]},
    };
    for (const auto& c : cases) EXPECT_NEAR(limitVoltBreakpoint(c.typed, axis, c.row), c.expected, 1e-9) << c.typed;
}

TEST(VoltAxis, ChecksRefuseWhatWouldBreakTheAxis) {
    const VoltAxis axis = kVolts;
    EXPECT_FALSE(checkVoltBreakpoint(1.5, axis, 1));
    EXPECT_FALSE(checkVoltAxis(axis));
    EXPECT_FALSE(checkRpmAxis(kRpm));
    const struct {
        const char* what;
        std::optional<AxisFault> fault;
        int index;
        const char* reason;
    } cases[] = {
        {"99 V", checkVoltBreakpoint(99, axis, 15), 15, "outside"},
        {"-5 V", checkVoltBreakpoint(-5, axis, 0), 0, "outside"},
        {"below the one before", checkVoltBreakpoint(0.9, axis, 1), 1, "above"},
        {"same word as the next", checkVoltBreakpoint(1.925, axis, 0), 0, "below"},
        {"axis out of order", checkVoltAxis([&] { auto a = axis; a[7] = a[6]; return a; }()), 7, "not above"},
        {"RPM beyond 8000", checkRpmAxis([] { auto a = kRpm; a[14] = 9000; return a; }()), 14, "outside"},
        {"RPM within one hundred", checkRpmAxis([] { auto a = kRpm; a[3] = a[2] + 50; return a; }()), 3, "not above"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(c.fault) << c.what;
        EXPECT_EQ(c.fault->index, c.index) << c.what;
        EXPECT_NE(c.fault->reason.find(c.reason), std::string::npos) << c.what << ": " << c.fault->reason;
    }
}

} // namespace
} // namespace velmora::mapfile
