// SPDX-License-Identifier: GPL-3.0-or-later
#include "local_time.h"

#include <cstdio>
#include <ctime>
#include <mutex>

namespace velmora {

namespace {

// Days from 1970-01-01 to a civil date (proleptic Gregorian), after H. Hinnant.
long long daysFromCivil(long long y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

} // namespace

CLocalTime localTime(std::chrono::system_clock::time_point time)
{
    using namespace std::chrono;
    const auto since = time.time_since_epoch();
    auto secs = duration_cast<seconds>(since);
    auto ms = duration_cast<milliseconds>(since - secs).count();
    if (ms < 0) {
        ms += 1000;
        secs -= seconds(1);
    }
    const std::time_t t = static_cast<std::time_t>(secs.count());
    std::tm parts{};
    {
        // std::localtime shares one buffer; the lock makes the copy whole. Its
        // reentrant forms differ by platform, and this is not a hot path.
        static std::mutex mutex;
        const std::lock_guard lock(mutex);
        if (const std::tm* p = std::localtime(&t))
            parts = *p;
    }
    CLocalTime local;
    local.year = parts.tm_year + 1900;
    local.month = parts.tm_mon + 1;
    local.day = parts.tm_mday;
    local.hour = parts.tm_hour;
    local.minute = parts.tm_min;
    local.second = parts.tm_sec;
    local.millisecond = static_cast<int>(ms);
    // The offset is what the local fields say minus what UTC says, in whole minutes.
    const long long localSeconds = daysFromCivil(local.year, static_cast<unsigned>(local.month),
                                                 static_cast<unsigned>(local.day)) * 86400 +
                                   local.hour * 3600 + local.minute * 60 + local.second;
    local.utcOffsetMinutes = static_cast<int>((localSeconds - static_cast<long long>(t)) / 60);
    return local;
}

std::string isoTimestamp(std::chrono::system_clock::time_point time)
{
    const CLocalTime t = localTime(time);
    const int offset = t.utcOffsetMinutes < 0 ? -t.utcOffsetMinutes : t.utcOffsetMinutes;
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second, t.millisecond, t.utcOffsetMinutes < 0 ? '-' : '+', offset / 60,
                  offset % 60);
    return text;
}

std::string compactTimestamp(std::chrono::system_clock::time_point time)
{
    const CLocalTime t = localTime(time);
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d-%02d%02d%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return text;
}

} // namespace velmora
