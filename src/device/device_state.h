// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the host knows of the unit: filled by the read commands, sent by the writes.

#include <array>
#include <cstdint>

namespace velmora {

constexpr int kVoltRows = 16; // voltage axis breakpoints, map rows
constexpr int kRpmCols = 15;  // RPM axis breakpoints, map columns
constexpr std::uint8_t kDeviceType = 0x11;

struct DeviceState {
    std::uint16_t version = 0x0100;
    std::uint8_t deviceType = kDeviceType;
    std::uint8_t rpmDivider = 1;
    std::uint8_t noiseDelta = 0;
    std::uint16_t noisePeriod = 0;
    // map[voltage index][RPM index]
    std::array<std::array<double, kRpmCols>, kVoltRows> map{};
    std::array<double, kVoltRows> voltAxis{}; // volts
    std::array<double, kRpmCols> rpmAxis{};

    // Defaults before any connection: voltage axis from the words 64 x i (0.96 .. 15.36 V),
    // RPM axis 500 + 300 x j.
    DeviceState();
};

} // namespace velmora
