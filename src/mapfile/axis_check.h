// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a voltage breakpoint may be. The unit keeps each as a signed 16-bit word of
// 0.015 V; the marker of the engine's cell takes the first row whose breakpoint lies
// above the measured voltage, so the axis must rise strictly or the marker lands on
// the wrong row.
//
// Two forms, as the window needs them:
// - limitVoltBreakpoint mirrors the RPM header rule of ui/map/model/axis_rules.h:
//   limit to the sensible range, round to the unit's step, keep one step clear of
//   both neighbours;
// - checkVoltBreakpoint / checkVoltAxis refuse instead, with the reason, for typed
//   text the user should correct and for whole axes from files.

#include "mapfile/map_types.h"

#include <optional>
#include <string>

namespace velmora::mapfile {

// The unit measures the pump signal against its supply: a breakpoint below 0 V or
// above 20 V can never be reached on a vehicle and only pushes the marker off the map.
constexpr double kVoltSensibleMin = 0.0;
constexpr double kVoltSensibleMax = 20.0;
constexpr double kVoltStep = 0.015; // one count of the axis word

// v as the unit will hold it: rounded to the word (the unit's own conversion), read
// back. 1.5 -> 1.5, 1.51 -> 1.5 (the unit truncates), 1.52 -> 1.515.
double unitVolts(double v);

// Mirrors rpmBreakpoint: limits v to kVoltSensibleMin..kVoltSensibleMax, rounds it
// to the unit's step, then keeps it at least one step below axis[row + 1] and above
// axis[row - 1] (the lower neighbour wins when both cannot hold). row outside
// 0..15: no neighbours.
double limitVoltBreakpoint(double v, const VoltAxis& axis, int row);

struct AxisFault {
    int index = -1;      // breakpoint at fault, 0-based
    std::string reason;  // English: "voltage breakpoint 3 (1.20) is not above breakpoint 2 (1.50)"
};

// Refuses v as breakpoint row of axis: not finite, outside the sensible range, or
// (at the unit's resolution) not above axis[row - 1] or not below axis[row + 1].
// On success returns nullopt; the value to store is unitVolts(v).
std::optional<AxisFault> checkVoltBreakpoint(double v, const VoltAxis& axis, int row);

// The whole axis: every breakpoint finite and within the sensible range, and the
// words rising strictly. The first fault, or nullopt.
std::optional<AxisFault> checkVoltAxis(const VoltAxis& axis);
// The RPM axis by the header rule's limits (500..8000, whole hundreds after the
// unit's truncation rising strictly). The first fault, or nullopt.
std::optional<AxisFault> checkRpmAxis(const RpmAxis& axis);

} // namespace velmora::mapfile
