// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Wall-clock time as the user reads it: local date and time, and its offset from UTC.

#include <chrono>
#include <string>

namespace velmora {

struct CLocalTime {
    int year = 1970;
    int month = 1; // 1..12
    int day = 1;   // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
    int utcOffsetMinutes = 0; // east of Greenwich positive
};

CLocalTime localTime(std::chrono::system_clock::time_point time);

// ISO 8601 with milliseconds and the offset: 2026-12-08T19:37:24.123+01:00.
std::string isoTimestamp(std::chrono::system_clock::time_point time);
// For file names: 20261208-193724.
std::string compactTimestamp(std::chrono::system_clock::time_point time);

} // namespace velmora
