// SPDX-License-Identifier: GPL-3.0-or-later
// Compares look at what the unit holds, not at the doubles on the host.

#include "mapfile/snapshot.h"

#include <gtest/gtest.h>

namespace velmora::mapfile {
namespace {

TEST(Compare, FindsEachDifferenceAtTheUnitsResolutionInOrder) {
    const Snapshot a = snapshotFrom(DeviceState{});
    Snapshot b = a;
    // Below one step of each encoding: the same on the unit.
    b.map[3][4] += 0.009;
    b.voltAxis[2] += 0.004;
    b.rpmAxis[1] += 99; // the unit cuts to whole hundreds
    EXPECT_TRUE(sameOnUnit(a, b));

    b.version = 0x0102;
    b.noisePeriod = 10;
    b.rpmAxis[1] = 900;
    b.voltAxis[2] = 2.895;
    b.map[3][4] = 0.2;
    const auto d = compareSnapshots(a, b);
    ASSERT_EQ(d.size(), 5u);
    const std::string lines[] = {
        "version: 0x0100 -> 0x0102",
        "noise period: 0 -> 10",
        "RPM breakpoint 2: 800 -> 900",
        "voltage breakpoint 3: 2.88 -> 2.895",
        "map row 4 (3.84 V), column 5 (1700 rpm): 0.00 -> 0.20",
    };
    for (std::size_t i = 0; i < d.size(); ++i) EXPECT_EQ(describe(d[i], a), lines[i]);
    EXPECT_EQ(d[4].right, 10); // the map byte
    EXPECT_EQ(compareSnapshots(a, b, CompareScope::SettingsMapAndAxes).size(), 4u);
    EXPECT_EQ(compareSnapshots(a, b, CompareScope::MapAndAxes).size(), 3u);
}

} // namespace
} // namespace velmora::mapfile
