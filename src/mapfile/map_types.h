#pragma once
// The map and its axes as the window's map model spells them. The aliases repeat
// those of ui/map/model/unit_writer.h on purpose (an alias may be declared twice),
// so this library needs nothing from the window.

#include "device/device_state.h"

#include <array>

namespace velmora {

using MapValues = std::array<std::array<double, kRpmCols>, kVoltRows>; // [voltage][RPM]
using VoltAxis = std::array<double, kVoltRows>;
using RpmAxis = std::array<double, kRpmCols>;

} // namespace velmora
