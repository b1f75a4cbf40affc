// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One reading sample (24 bytes).
//
// Offset  Type  Field       Host value
//   0     u16   rpmPeriod   RPM = rpmFromPeriod(p)
//   2     s16   pumpRaw     x 0.015 V (cut to millivolts first, see pumpVolts)
//   4     u16   aux1..aux4  carried, not shown
//  12     u16   inputRaw    x 0.005 V
//  14     u16   outputRaw   x 0.005 V
//  16     u8    workState   3 = on
//  17     3     (no meaning)
//  20     u32   sequence    1 for the first sample of each reading thread

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>

namespace velmora {

struct CDiag {
    std::uint16_t rpmPeriod = 0;
    std::int16_t pumpRaw = 0;
    std::uint16_t aux1 = 0, aux2 = 0, aux3 = 0, aux4 = 0;
    std::uint16_t inputRaw = 0;
    std::uint16_t outputRaw = 0;
    std::uint8_t workState = 0;
    std::uint8_t unused[3] = {0, 0, 0};
    std::uint32_t sequence = 0;

    static constexpr std::size_t kWireBytes = 20; // the most a reply may fill (bytes 0..19)
    // Fills bytes 0..19 from the first bytes of a reply (at most 20 are used;
    // missing ones read as 0). The sequence number is left alone.
    void fillFromReply(std::span<const std::uint8_t> bytes);
};
static_assert(sizeof(CDiag) == 24);

// 0 for p = 0 or 0xFFFF; otherwise 10 x round((7500000 div p) / 10), half away from zero.
double rpmFromPeriod(std::uint16_t period);

// Conversions the window and the console tool show.
double pumpVolts(const CDiag& d);   // floor((pumpRaw x 0.005 + 0.0005) x 1000) / 1000 x 3
double inputVolts(const CDiag& d);  // inputRaw / 1000 x 5
double outputVolts(const CDiag& d); // outputRaw / 1000 x 5
inline bool workStateOn(const CDiag& d) { return d.workState == 3; }

// When a reading arrived from the unit: the wall clock for files and people, the
// steady clock for intervals (a wall clock set back must not reorder readings).
struct ReadingTime {
    std::chrono::system_clock::time_point wall;
    std::chrono::steady_clock::time_point steady;
    static ReadingTime now() { return {std::chrono::system_clock::now(), std::chrono::steady_clock::now()}; }
};

// A sample with the time it arrived, taken on the reading thread as the exchange
// ended. Everything downstream (chart, chart data, recordings) keeps this time, so
// two readings handed over together never share one.
struct TimedDiag {
    CDiag sample;
    ReadingTime at;
    TimedDiag() = default;
    // Stamped now: for samples made up on the spot (tests, benchmarks).
    TimedDiag(const CDiag& d, ReadingTime t = ReadingTime::now()) : sample(d), at(t) {}
};

} // namespace velmora
