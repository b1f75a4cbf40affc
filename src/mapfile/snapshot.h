// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Everything of the unit a backup keeps and a compare looks at, and how two of them
// differ at the unit's own resolution (bytes and words, not doubles: 0.30 and
// 0.300000001 are the same cell on the unit).

#include "device/device_state.h"
#include "mapfile/map_types.h"

#include <cstdint>
#include <string>
#include <vector>

namespace velmora::mapfile {

struct Snapshot {
    std::uint16_t version = 0;
    std::uint8_t deviceType = 0;
    std::uint8_t rpmDivider = 1;
    std::uint8_t noiseDelta = 0;
    std::uint16_t noisePeriod = 0;
    MapValues map{};
    VoltAxis voltAxis{};
    RpmAxis rpmAxis{};
};

Snapshot snapshotFrom(const DeviceState& state);
// Settings, map and both axes into state; version and device type are the unit's
// and stay as they are.
void applySnapshot(const Snapshot& snapshot, DeviceState& state);

// Which parts a compare looks at. A restore writes the settings, map and axes (the
// version and device type are the firmware's); a map file holds only the map and axes.
enum class CompareScope { Everything, SettingsMapAndAxes, MapAndAxes };

enum class ItemKind { Version, DeviceType, RpmDivider, NoiseDelta, NoisePeriod, MapCell, VoltBreakpoint, RpmBreakpoint };

struct Difference {
    ItemKind kind = ItemKind::MapCell;
    int row = -1;    // MapCell: voltage index; VoltBreakpoint: its index
    int column = -1; // MapCell: RPM index; RpmBreakpoint: its index
    // Both sides as the unit holds them: the integer on the wire (map byte, axis
    // word or byte, setting), and that integer as text the way the window and the
    // map file show it ("1.24", "1.515", "3500", "0x0102" for the version).
    long long left = 0;
    long long right = 0;
    std::string leftText;
    std::string rightText;
};

// Differences from a to b, in a fixed order: version, device type, the three
// settings, the RPM axis, the voltage axis, then map cells row by row.
std::vector<Difference> compareSnapshots(const Snapshot& a, const Snapshot& b,
                                         CompareScope scope = CompareScope::Everything);
// No differences at all.
bool sameOnUnit(const Snapshot& a, const Snapshot& b, CompareScope scope = CompareScope::Everything);

// What differs, in English: "map row 3 (1.92 V), column 5 (1700 rpm)", "RPM
// breakpoint 2", "noise period". Axis values in map items are taken from a (the
// left side).
std::string itemName(const Difference& difference, const Snapshot& a);
// itemName, then ": 0.20 -> 0.40".
std::string describe(const Difference& difference, const Snapshot& a);

} // namespace velmora::mapfile
