// SPDX-License-Identifier: GPL-3.0-or-later
#include "axis_check.h"

#include "device/encodings.h"
#include "mapfile/map_csv.h"

#include <algorithm>
#include <cmath>

namespace velmora::mapfile {

namespace {

// The header rule's limits for the RPM axis (ui/map/model/axis_rules.h).
constexpr double kRpmSensibleMin = 500.0;
constexpr double kRpmSensibleMax = 8000.0;

int word(double volts) { return axisWordFromVolts(volts); }
double fromWord(int w) { return voltsFromWord(static_cast<std::int16_t>(w)); }

std::string name(int index) { return "voltage breakpoint " + std::to_string(index + 1); }

std::string range() {
    return formatVolts(kVoltSensibleMin) + ".." + formatVolts(kVoltSensibleMax) + " V";
}

std::optional<AxisFault> outsideRange(double v, int index) {
    if (!std::isfinite(v)) return AxisFault{index, name(index) + " is not a number"};
    if (v < kVoltSensibleMin || v > kVoltSensibleMax)
        return AxisFault{index, name(index) + " (" + formatVolts(v) + ") is outside " + range()};
    return std::nullopt;
}

} // namespace

double unitVolts(double v) { return fromWord(word(v)); }

double limitVoltBreakpoint(double v, const VoltAxis& axis, int row) {
    const bool inside = row >= 0 && row < kVoltRows;
    if (!std::isfinite(v)) return inside ? axis[static_cast<std::size_t>(row)] : kVoltSensibleMin;
    // In words, where one step is exactly one count: comparing doubles would let two
    // breakpoints that the unit holds as one word pass as different.
    int w = std::clamp(word(std::clamp(v, kVoltSensibleMin, kVoltSensibleMax)), word(kVoltSensibleMin),
                       word(kVoltSensibleMax));
    if (inside) {
        const auto r = static_cast<std::size_t>(row);
        if (row + 1 < kVoltRows && w >= word(axis[r + 1])) w = word(axis[r + 1]) - 1;
        if (row > 0 && w <= word(axis[r - 1])) w = word(axis[r - 1]) + 1;
    }
    return fromWord(w);
}

std::optional<AxisFault> checkVoltBreakpoint(double v, const VoltAxis& axis, int row) {
    if (row < 0 || row >= kVoltRows) return AxisFault{row, "there is no voltage breakpoint " + std::to_string(row + 1)};
    if (auto fault = outsideRange(v, row)) return fault;
    const auto r = static_cast<std::size_t>(row);
    const std::string shown = formatVolts(unitVolts(v));
    if (row > 0 && word(v) <= word(axis[r - 1]))
        return AxisFault{row, name(row) + " (" + shown + ") must be above " + name(row - 1) + " (" +
                                  formatVolts(unitVolts(axis[r - 1])) + ")"};
    if (row + 1 < kVoltRows && word(v) >= word(axis[r + 1]))
        return AxisFault{row, name(row) + " (" + shown + ") must be below " + name(row + 1) + " (" +
                                  formatVolts(unitVolts(axis[r + 1])) + ")"};
    return std::nullopt;
}

std::optional<AxisFault> checkVoltAxis(const VoltAxis& axis) {
    for (int i = 0; i < kVoltRows; ++i) {
        const auto ui = static_cast<std::size_t>(i);
        if (auto fault = outsideRange(axis[ui], i)) return fault;
        if (i > 0 && word(axis[ui]) <= word(axis[ui - 1]))
            return AxisFault{i, name(i) + " (" + formatVolts(unitVolts(axis[ui])) + ") is not above " +
                                    name(i - 1) + " (" + formatVolts(unitVolts(axis[ui - 1])) + ")"};
    }
    return std::nullopt;
}

std::optional<AxisFault> checkRpmAxis(const RpmAxis& axis) {
    for (int i = 0; i < kRpmCols; ++i) {
        const auto ui = static_cast<std::size_t>(i);
        const std::string what = "RPM breakpoint " + std::to_string(i + 1);
        if (!std::isfinite(axis[ui])) return AxisFault{i, what + " is not a number"};
        if (axis[ui] < kRpmSensibleMin || axis[ui] > kRpmSensibleMax)
            return AxisFault{i, what + " (" + formatRpm(axis[ui]) + ") is outside " + formatRpm(kRpmSensibleMin) +
                                    ".." + formatRpm(kRpmSensibleMax)};
        if (i > 0 && axisByteFromRpm(axis[ui]) <= axisByteFromRpm(axis[ui - 1]))
            return AxisFault{i, what + " (" + formatRpm(rpmFromAxisByte(axisByteFromRpm(axis[ui]))) +
                                    ") is not above RPM breakpoint " + std::to_string(i) + " (" +
                                    formatRpm(rpmFromAxisByte(axisByteFromRpm(axis[ui - 1]))) + ")"};
    }
    return std::nullopt;
}

} // namespace velmora::mapfile
