// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Link health over a sliding minute: readings per second, failed exchanges
// (no reply, bad checksum, line error, refusal) and the round-trip time.
// Plain C++; time is passed in, so the arithmetic is tested without waiting.

#include "device/lpg_device.h"

#include <chrono>
#include <deque>

namespace velmora {

struct LinkHealthFigures {
    double readingsPerSecond = 0.0; // over the last few seconds
    unsigned exchanges = 0;         // frames sent in the last minute
    unsigned failures = 0;          // of those, failed or refused
    unsigned noReply = 0;
    unsigned badChecksum = 0;
    unsigned refused = 0;
    double failurePercent = 0.0;
    double roundTripMs = 0.0; // mean of recent good exchanges; 0 when none
    bool poor = false;        // more than kPoorPercent failed (with enough exchanges to judge)
};

class CLinkHealth {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::seconds kWindow{60};
    static constexpr std::chrono::seconds kRateWindow{5};
    static constexpr double kPoorPercent = 5.0;
    // Fewer exchanges than this in the minute say too little to call the link poor.
    static constexpr unsigned kMinimumToJudge = 20;
    static constexpr std::size_t kRoundTripSamples = 20;

    void exchange(ExchangeOutcome outcome, std::chrono::microseconds roundTrip, Clock::time_point now);
    void reading(Clock::time_point now);
    LinkHealthFigures figures(Clock::time_point now);
    void clear();

private:
    struct Event {
        Clock::time_point at;
        ExchangeOutcome outcome;
    };
    void prune(Clock::time_point now);

    std::deque<Event> m_events;
    std::deque<Clock::time_point> m_readings;
    std::deque<double> m_roundTrips; // ms
};

} // namespace velmora
