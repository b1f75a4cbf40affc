// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Live readings of a running engine as a function of time: RPM sweeps from idle
// up to a few thousand and back, pump PWM and output voltage follow the load,
// the input voltage sits near a charging battery's, the work state drops out now
// and then.

#include <array>
#include <cstdint>

namespace velmora::sim {

struct EngineSample {
    double rpm = 0;
    double pumpVolts = 0;
    double inputVolts = 0;
    double outputVolts = 0;
    bool on = false;
};

constexpr double kIdleRpm = 850;
constexpr double kPeakRpm = 4600;
constexpr double kSweepSeconds = 24; // idle -> peak -> idle

EngineSample engineAt(double seconds);

// The reading reply payload (17 bytes):
//  0 u16 engine period (7500000 / RPM; 0xFFFF when stopped)
//  2 s16 pump PWM, 0.015 V per count
//  4 u16 aux, 6 u16 aux (0.005 V), 8 u16 aux, 10 u16 aux (2x + 30)
// 12 u16 input voltage, 0.005 V per count
// 14 u16 output voltage, 0.005 V per count
// 16 u8  work state, 3 = on
constexpr std::size_t kReadingBytes = 17;
std::array<std::uint8_t, kReadingBytes> encodeReading(const EngineSample& s);

} // namespace velmora::sim
