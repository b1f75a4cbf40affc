// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Everything the simulated unit holds, in its own (wire) encodings.

#include <array>
#include <cstdint>
#include <map>
#include <set>

namespace velmora::sim {

constexpr std::size_t kMapBytes = 240;     // 16 voltage rows x 15 RPM columns
constexpr std::size_t kVoltPoints = 16;
constexpr std::size_t kRpmPoints = 15;
constexpr std::size_t kRowBytes = 192;     // one flash row: 64 program words of 3 bytes
constexpr std::uint32_t kRowStep = 0x80;   // flash addresses per row
constexpr std::uint32_t kPageStep = 0x800; // flash addresses per erase page
constexpr std::uint32_t kFlashFirst = 0x1800; // below: the bootloader, never written
constexpr std::uint32_t kFlashEnd = 0xA000;

enum class Mode { Application, Bootloader };

struct SimState {
    Mode mode = Mode::Application;
    std::uint16_t version = 0x0103;
    std::uint8_t deviceType = 0x11;
    std::uint16_t readingsCode = 0x0055; // identify bytes 2..3: the unit offers readings

    std::uint8_t rpmDivider = 2;
    std::uint8_t noiseDelta = 12;
    std::uint16_t noisePeriod = 1500;

    std::array<std::uint8_t, kMapBytes> map{};       // working map, row g at g x 15
    std::array<std::uint8_t, kMapBytes> storedMap{}; // what the last storeMap kept
    std::array<std::int16_t, kVoltPoints> voltWords{}; // x 0.015 V
    std::array<std::uint8_t, kRpmPoints> rpmBytes{};   // x 100 RPM

    // Flash as the bootloader wrote it: rows by address, pages erased since the last reset.
    std::map<std::uint32_t, std::array<std::uint8_t, kRowBytes>> flashRows;
    std::set<std::uint32_t> erasedPages;
    bool applicationValid = true; // false once a page is erased, until programming ends

    // Counters tests look at.
    unsigned requests = 0;    // whole frames received
    unsigned badFrames = 0;   // frames with a wrong checksum or impossible length
    unsigned readings = 0;    // reading requests answered
    unsigned mapStores = 0;
    unsigned writes = 0;      // writes taken: settings, map, axes, area steps, stores, clears

    SimState(); // a plausible unit: graded map, axes 0.96..15.36 V and 500..4700 RPM
};

} // namespace velmora::sim
