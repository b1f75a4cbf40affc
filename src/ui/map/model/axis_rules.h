// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How a typed breakpoint becomes an axis value.

#include "device/device_state.h"

#include <array>

namespace velmora {

constexpr double kRpmBreakpointMin = 500.0;
constexpr double kRpmBreakpointMax = 8000.0;
// Neighbouring RPM breakpoints stay at least this far apart.
constexpr double kRpmBreakpointGap = 100.0;

// Limits v to 500..8000 and rounds it to a whole hundred (half away from zero), then
// keeps it at least 100 below axis[column + 1] and above axis[column - 1] (the lower
// neighbour wins when both cannot hold). The unit's RPM axis is whole hundreds.
double rpmBreakpoint(double v, const std::array<double, kRpmCols>& axis, int column);

// floor((x + 0.05) * 10) / 10 for x >= 0, floor((x - 0.05) * 10) / 10 otherwise.
double roundTenth(double x);

// Voltage breakpoints follow the same kind of rule: mapfile::limitVoltBreakpoint
// (mapfile/axis_check.h), shared with the map files.

} // namespace velmora
