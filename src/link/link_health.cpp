// SPDX-License-Identifier: GPL-3.0-or-later
#include "link_health.h"

#include <numeric>

namespace velmora {

void CLinkHealth::exchange(ExchangeOutcome outcome, std::chrono::microseconds roundTrip,
                           Clock::time_point now)
{
    m_events.push_back({now, outcome});
    if (outcome == ExchangeOutcome::Ok) {
        m_roundTrips.push_back(static_cast<double>(roundTrip.count()) / 1000.0);
        if (m_roundTrips.size() > kRoundTripSamples)
            m_roundTrips.pop_front();
    }
    prune(now);
}

void CLinkHealth::reading(Clock::time_point now)
{
    m_readings.push_back(now);
    prune(now);
}

void CLinkHealth::clear()
{
    m_events.clear();
    m_readings.clear();
    m_roundTrips.clear();
}

void CLinkHealth::prune(Clock::time_point now)
{
    while (!m_events.empty() && now - m_events.front().at > kWindow)
        m_events.pop_front();
    while (!m_readings.empty() && now - m_readings.front() > kRateWindow)
        m_readings.pop_front();
}

LinkHealthFigures CLinkHealth::figures(Clock::time_point now)
{
    prune(now);
    LinkHealthFigures f;
    for (const Event& e : m_events) {
        switch (e.outcome) {
        case ExchangeOutcome::Ok: ++f.exchanges; break;
        case ExchangeOutcome::NoReply: ++f.exchanges; ++f.noReply; ++f.failures; break;
        case ExchangeOutcome::BadChecksum: ++f.exchanges; ++f.badChecksum; ++f.failures; break;
        case ExchangeOutcome::LineError: ++f.exchanges; ++f.failures; break;
        // A refusal follows the good exchange that carried it: a failure, not a second frame.
        case ExchangeOutcome::Refused: ++f.refused; ++f.failures; break;
        }
    }
    if (f.exchanges > 0)
        f.failurePercent = 100.0 * f.failures / f.exchanges;
    f.poor = f.exchanges >= kMinimumToJudge && f.failurePercent > kPoorPercent;
    if (!m_roundTrips.empty())
        f.roundTripMs = std::accumulate(m_roundTrips.begin(), m_roundTrips.end(), 0.0) /
                        static_cast<double>(m_roundTrips.size());
    if (!m_readings.empty()) {
        // Readings per second over the part of the rate window that has readings in it,
        // so a link that just came up is not reported slower than it is.
        const double span = std::chrono::duration<double>(now - m_readings.front()).count();
        const double window = std::chrono::duration<double>(kRateWindow).count();
        f.readingsPerSecond = static_cast<double>(m_readings.size()) / std::max(1.0, std::min(window, span));
    }
    return f;
}

} // namespace velmora
