// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Conversions between the unit's wire integers and the host's engineering values.
// All multi-byte wire numbers are little-endian.

#include <array>
#include <cstdint>

namespace velmora {

// round half away from zero
double roundHalfAway(double v);

// Map cell: one byte per cell, b x 0.02 (0.00..5.10).
double mapValueFromByte(std::uint8_t b);
std::uint8_t mapByteFromValue(double value);

// 0.015 V per count, computed as floor((w x 0.005 + 0.0005) x 1000) / 1000 x 3.
// Used by the voltage axis and the pump PWM reading.
double voltsFromWord(std::int16_t w);
std::int16_t axisWordFromVolts(double volts);

// RPM axis: one byte per breakpoint, b x 100.
double rpmFromAxisByte(std::uint8_t b);
std::uint8_t axisByteFromRpm(double rpm);

// Step byte of the area correction record: (round(|step| x 200) & 0x3FF) >> 2.
std::uint8_t areaStepByte(double step);

// Map area correction record (6 bytes).
struct MapArea {
    int firstVolt = 0;  // 0..15
    int firstRpm = 0;   // 0..14
    int voltCount = 1;  // firstVolt + voltCount <= 16
    int rpmCount = 1;   // firstRpm + rpmCount <= 15
    double step = 0.1;  // > 0 increases (direction 2), otherwise decreases (3)
};
std::array<std::uint8_t, 6> encodeMapArea(const MapArea& area);

} // namespace velmora
