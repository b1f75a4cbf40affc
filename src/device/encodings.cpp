// SPDX-License-Identifier: GPL-3.0-or-later
#include "encodings.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace velmora {

namespace {

// The unit's fixed-point reading: floor((raw x 0.005 + 0.0005) x 1000) / 1000, i.e. the
// raw count in 0.005 steps with the floating-point noise of the product cut away.
double fixedPoint005(double raw) { return std::floor((raw * 0.005 + 0.0005) * 1000.0) / 1000.0; }

// Whole-number results beyond what the wire field holds saturate instead of
// wrapping, so an out-of-range value is sent as the nearest one the unit can take.
long long clampTo(double v, long long lo, long long hi) {
    if (std::isnan(v)) return 0;
    if (v <= static_cast<double>(lo)) return lo;
    if (v >= static_cast<double>(hi)) return hi;
    return static_cast<long long>(v);
}

} // namespace

double roundHalfAway(double v) { return std::round(v); }

double mapValueFromByte(std::uint8_t b) { return fixedPoint005(b) * 4.0; }

std::uint8_t mapByteFromValue(double value) {
    const double units = std::trunc(roundHalfAway(value * 200.0) / 4.0);
    return static_cast<std::uint8_t>(clampTo(units, 0, 255));
}

double voltsFromWord(std::int16_t w) { return fixedPoint005(w) * 3.0; }

std::int16_t axisWordFromVolts(double volts) {
    const double w = std::trunc(roundHalfAway(volts * 200.0) / 3.0);
    return static_cast<std::int16_t>(clampTo(w, std::numeric_limits<std::int16_t>::min(),
                                              std::numeric_limits<std::int16_t>::max()));
}

double rpmFromAxisByte(std::uint8_t b) { return b * 100.0; }

std::uint8_t axisByteFromRpm(double rpm) {
    return static_cast<std::uint8_t>(clampTo(std::trunc(rpm / 100.0), 0, 255));
}

std::uint8_t areaStepByte(double step) {
    const long long units = clampTo(roundHalfAway(std::fabs(step) * 200.0), 0, 0xFFFF);
    return static_cast<std::uint8_t>((units & 0x3FF) >> 2);
}

std::array<std::uint8_t, 6> encodeMapArea(const MapArea& area) {
    const auto byte = [](int v) { return static_cast<std::uint8_t>(v & 0xFF); };
    return {byte(area.firstVolt), byte(area.firstRpm), byte(area.voltCount), byte(area.rpmCount),
            static_cast<std::uint8_t>(area.step > 0 ? 2 : 3), areaStepByte(area.step)};
}

} // namespace velmora
