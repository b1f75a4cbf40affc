// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The commands' data as JSON: the same values their text shows.

#include "line/json.h"

#include "mapfile/map_csv.h"
#include "mapfile/snapshot.h"

#include <string_view>
#include <vector>

namespace velmora {
struct DeviceState;
}

namespace velmora::line {

// {"version", "device_type", "rpm_divider", "noise_delta", "noise_period"}
Json settingsJson(const DeviceState& state);
// {"rpm_axis": [15], "volt_axis": [16], "map": [16 rows of 15]}
Json mapJson(const mapfile::MapTable& table);
// [{"item", "unit", "file"}]
Json differencesJson(const std::vector<mapfile::Difference>& differences, const mapfile::Snapshot& unit);
// One CSV record under its header as an object; fields that read as numbers are numbers.
Json csvRecordJson(std::string_view header, std::string_view fields);

} // namespace velmora::line
