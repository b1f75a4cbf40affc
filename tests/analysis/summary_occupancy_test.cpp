// SPDX-License-Identifier: GPL-3.0-or-later
// The chart's min/max summary against a plain pass over the rows, and engine time
// per map cell against tables worked out by hand.

#include "analysis/occupancy.h"
#include "analysis/recording.h"

#include "ui/map/model/map_document.h"
#include "ui/map/model/map_emu1.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace velmora::analysis {
namespace {

TEST(SeriesSummary, MinMaxOfAnyRangeMatchesAPlainPass)
{
    std::mt19937 random(7);
    for (std::size_t n : {0u, 1u, 15u, 16u, 17u, 255u, 256u, 4097u, 70000u}) {
        std::vector<float> values(n);
        std::uniform_real_distribution<float> value(-100, 100);
        for (float& v : values)
            v = random() % 50 == 0 ? std::numeric_limits<float>::quiet_NaN() : value(random);
        CSeriesSummary summary;
        summary.build(values);
        std::uniform_int_distribution<std::size_t> at(0, n + 3);
        for (int trial = 0; trial < 400; ++trial) {
            std::size_t a = at(random), b = at(random);
            if (a > b)
                std::swap(a, b);
            MinMax expected;
            for (std::size_t i = a; i < std::min(b, n); ++i)
                expected.add(values[i]);
            const MinMax got = summary.range(a, b);
            SCOPED_TRACE(testing::Message() << "n " << n << " [" << a << ", " << b << ")");
            ASSERT_EQ(got.any, expected.any);
            if (got.any) {
                ASSERT_EQ(got.min, expected.min);
                ASSERT_EQ(got.max, expected.max);
            }
        }
    }
}

MapAxes defaultAxes()
{
    const DeviceState unit;
    return MapAxes{unit.rpmAxis, unit.voltAxis}; // RPM 500, 800, ... 4700; volts 0.96, 1.92, ... 15.36
}

TEST(Occupancy, ReadingsFindTheMarkersCell)
{
    const MapAxes axes = defaultAxes();
    struct { double rpm, volts; EngineCell cell; } cases[] = {
        {0, 0, {0, 0}},
        {499, 0.95, {0, 0}},
        {500, 0.96, {1, 1}},     // a breakpoint is the upper bound of the band below it
        {1399, 2.0, {3, 2}},
        {1400, 2.0, {4, 2}},
        {4699, 15.35, {14, 15}},
        {4700, 15.36, {14, 15}}, // the last column and row take everything beyond
        {9000, 99, {14, 15}},
        {-50, -1, {0, 0}},
    };
    CMapDocument document{DeviceState{}};
    const CMapEmu1 map(document);
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rpm << " rpm, " << c.volts << " V");
        EXPECT_EQ(engineCell(axes, c.rpm, c.volts), c.cell);
        // The live map's marker and the engine time must agree on every reading.
        const CellPos marker = map.findCell(c.rpm, c.volts);
        EXPECT_EQ(marker.column, c.cell.column);
        EXPECT_EQ(marker.row, c.cell.row);
    }
}

// Rows as "seconds,rpm,pump_v" or "seconds,lost".
std::string recordingText(std::initializer_list<const char*> rows)
{
    std::string text = "seconds,rpm,input_v,pump_v,output_v,work_state\n";
    for (const char* r : rows) {
        std::string row = r;
        if (row.find(",lost") != std::string::npos)
            text += row.substr(0, row.find(',')) + ",,,,,link_lost\n";
        else {
            const auto comma = row.find(',', row.find(',') + 1);
            text += row.substr(0, row.find(',')) + "," + row.substr(row.find(',') + 1, comma - row.find(',') - 1) +
                    ",12.00," + row.substr(comma + 1) + ",10.00,on\n";
        }
    }
    return text;
}

TEST(Occupancy, HandComputedTable)
{
    CRecording rec;
    ASSERT_EQ(loadRecordingText(recordingText({
                                    "0.0,600,1.0",   // [1][1] held 0.5 s
                                    "0.5,800,1.0",   // [2][1] (800 is a breakpoint) 0.25 s
                                    "0.75,5000,20",  // [14][15] 1.0 s: exactly a second still counts
                                    "1.75,600,1.0",  // a gap of 1.25 s to the next: nothing
                                    "3.0,600,1.0",   // [1][1] 0.1 s
                                    "3.1,600,1.0",   // next to link_lost: nothing
                                    "3.2,lost",
                                    "3.4,600,1.0",   // after link_lost: nothing to it, then 0.25 s
                                    "3.65,600,5.0",  // [1][5]: the last reading holds nothing
                                }),
                                rec)
                  .error,
              ReadError::None);
    const MapAxes axes = defaultAxes();
    const OccupancyTable t = occupancy(rec, axes, 0, 1e9);
    EXPECT_NEAR(t.at({1, 1}), 0.5 + 0.1 + 0.25, 1e-9);
    EXPECT_NEAR(t.at({2, 1}), 0.25, 1e-9);
    EXPECT_NEAR(t.at({14, 15}), 1.0, 1e-9);
    EXPECT_NEAR(t.at({1, 5}), 0.0, 1e-9);
    EXPECT_NEAR(t.total, 2.1, 1e-9);
    EXPECT_NEAR(t.share({14, 15}), 1.0 / 2.1, 1e-9);

    // A time range counts the part of each interval inside it.
    const OccupancyTable part = occupancy(rec, axes, 0.25, 1.2);
    EXPECT_NEAR(part.at({1, 1}), 0.25, 1e-9);
    EXPECT_NEAR(part.at({2, 1}), 0.25, 1e-9);
    EXPECT_NEAR(part.at({14, 15}), 0.45, 1e-9);
    EXPECT_NEAR(part.total, 0.95, 1e-9);

    // Rows as they come (the console tool, the live window) count the same.
    COccupancyCounter counter(axes);
    readRecordingText(recordingText({"0.0,600,1.0", "0.5,800,1.0", "0.75,5000,20", "1.75,600,1.0", "3.0,600,1.0",
                                     "3.1,600,1.0", "3.2,lost", "3.4,600,1.0", "3.65,600,5.0"}),
                      [&counter](const Row& r) { counter.add(r); });
    EXPECT_EQ(counter.table().seconds, t.seconds);
    EXPECT_NEAR(counter.table().total, t.total, 1e-12);
}

TEST(Occupancy, BreaksAreWhereTheLinkWasLostOrSilent)
{
    CRecording rec;
    loadRecordingText(recordingText({"0.0,lost", "0.5,600,1.0", "1.0,600,1.0", "2.5,600,1.0", "2.6,lost",
                                     "2.7,lost", "3.0,600,1.0", "3.1,lost"}),
                      rec);
    const auto& b = rec.breaks();
    ASSERT_EQ(b.size(), 4u);
    EXPECT_TRUE(b[0].linkLost); // before the first reading
    EXPECT_DOUBLE_EQ(b[0].to, 0.5);
    EXPECT_FALSE(b[1].linkLost); // 1.5 s of silence
    EXPECT_DOUBLE_EQ(b[1].from, 1.0);
    EXPECT_DOUBLE_EQ(b[1].to, 2.5);
    EXPECT_TRUE(b[2].linkLost); // two link_lost rows: one break
    EXPECT_DOUBLE_EQ(b[2].from, 2.5);
    EXPECT_DOUBLE_EQ(b[2].to, 3.0);
    EXPECT_TRUE(b[3].linkLost); // at the end
    EXPECT_DOUBLE_EQ(b[3].from, 3.0);
    EXPECT_DOUBLE_EQ(b[3].to, 3.1);

    EXPECT_EQ(rec.nearestReading(2.65), 3u);  // link_lost rows are passed over
    EXPECT_EQ(rec.nearestReading(2.9), 6u);
    EXPECT_EQ(rec.nearestReading(99), 6u);
    EXPECT_EQ(rec.nearestReading(-1), 1u);
}

TEST(Occupancy, CsvHasTheMapFilesShape)
{
    OccupancyTable t;
    t.seconds[0][0] = 1.005;
    t.seconds[15][14] = 12345.678;
    t.total = t.seconds[0][0] + t.seconds[15][14];
    const std::string csv = occupancyCsv(t, defaultAxes(), false);
    EXPECT_EQ(csv.substr(0, csv.find('\n')), "V\\RPM,500,800,1100,1400,1700,2000,2300,2600,2900,3200,3500,3800,4100,4400,4700");
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 17);
    EXPECT_NE(csv.find("\n0.96,1.00,0.00,"), std::string::npos);
    EXPECT_NE(csv.find(",12345.68\n"), std::string::npos);
    const std::string percent = occupancyCsv(t, defaultAxes(), true);
    EXPECT_NE(percent.find(",99.99\n"), std::string::npos);
}

} // namespace
} // namespace velmora::analysis
