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

// The range a voltage breakpoint can take on the wire (a signed 16-bit word of
// 0.015 V): values beyond it would be written as a different voltage.
constexpr double kVoltBreakpointMin = -32768 * 0.015;
constexpr double kVoltBreakpointMax = 32767 * 0.015;
// One step of the axis word: neighbouring voltage breakpoints stay this far apart.
constexpr double kVoltBreakpointGap = 0.015;
// Limits v to what the word holds and to the word's steps, then keeps it above
// axis[row - 1] and below axis[row + 1] like an RPM breakpoint (the lower neighbour
// wins when both cannot hold), so the axis keeps rising.
double voltBreakpoint(double v, const std::array<double, kVoltRows>& axis, int row);

} // namespace velmora
