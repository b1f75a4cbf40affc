// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace velmora::sim {

namespace {
void put16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v & 0xFF);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
std::uint16_t clampWord(double v) {
    return static_cast<std::uint16_t>(std::clamp(std::lround(v), 0L, 65535L));
}
} // namespace

EngineSample engineAt(double t) {
    constexpr double pi = std::numbers::pi;
    EngineSample s;
    // Raised cosine, so idle and peak each last a moment; a small wobble keeps it alive.
    const double phase = std::fmod(t, kSweepSeconds) / kSweepSeconds;
    const double load = 0.5 - 0.5 * std::cos(2 * pi * phase);
    s.rpm = kIdleRpm + (kPeakRpm - kIdleRpm) * load + 25 * std::sin(2 * pi * t * 1.3);
    s.pumpVolts = 1.2 + 12.6 * load + 0.15 * std::sin(2 * pi * t * 0.7);
    s.outputVolts = 0.8 + 3.4 * load;
    s.inputVolts = 13.8 - 0.6 * load + 0.05 * std::sin(2 * pi * t * 2.1);
    // Off for the first 3 s of every 40 s: the unit passes the injectors through.
    s.on = std::fmod(t, 40.0) >= 3.0;
    return s;
}

std::array<std::uint8_t, kReadingBytes> encodeReading(const EngineSample& s) {
    std::array<std::uint8_t, kReadingBytes> out{};
    const std::uint16_t period = s.rpm > 115 ? clampWord(7500000.0 / s.rpm) : 0xFFFF;
    put16(&out[0], period);
    const auto pump = static_cast<std::int16_t>(std::clamp(std::lround(s.pumpVolts / 0.015), -32768L, 32767L));
    put16(&out[2], static_cast<std::uint16_t>(pump));
    put16(&out[4], clampWord(s.outputVolts / 0.005 * 0.9));
    put16(&out[6], clampWord(s.pumpVolts / 0.005 / 4));
    put16(&out[8], clampWord((s.rpm / 100 - 30) / 2));
    put16(&out[10], clampWord(s.rpm / 200));
    put16(&out[12], clampWord(s.inputVolts / 0.005));
    put16(&out[14], clampWord(s.outputVolts / 0.005));
    out[16] = s.on ? 3 : 1;
    return out;
}

} // namespace velmora::sim
