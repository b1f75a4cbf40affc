// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The map and its axes as the unit's values: [voltage][RPM]. Shared by the map files,
// the window's map model and the link that writes them to the unit.

#include "device/device_state.h"

#include <array>

namespace velmora {

using MapValues = std::array<std::array<double, kRpmCols>, kVoltRows>; // [voltage][RPM]
using VoltAxis = std::array<double, kVoltRows>;
using RpmAxis = std::array<double, kRpmCols>;

} // namespace velmora
