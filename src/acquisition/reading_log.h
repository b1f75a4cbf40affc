// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The samples behind the chart's points, kept with the time they were shown and the
// port they came from, so what the chart holds can be saved after the fact in the
// recorder's columns. Bounded like the chart: the oldest go first.

#include "diag.h"

#include <chrono>
#include <cstddef>
#include <deque>
#include <ostream>
#include <string>

namespace velmora {

class CReadingLog {
public:
    struct Entry {
        std::chrono::system_clock::time_point time;
        CDiag sample;      // unused for a gap
        std::string port;
        bool gap = false;  // the link was lost here
    };

    explicit CReadingLog(std::size_t limit = 10000) : m_limit(limit) {}

    void add(std::chrono::system_clock::time_point time, const CDiag& sample, std::string port);
    // A lost link: saved as a link_lost row. One per break, none before the first sample.
    void addGap(std::chrono::system_clock::time_point time);
    void clear() { m_entries.clear(); m_samples = 0; }
    // Samples kept at most (gaps do not count); the oldest go beyond it.
    void setLimit(std::size_t limit);

    const std::deque<Entry>& entries() const { return m_entries; }
    std::size_t sampleCount() const { return m_samples; }

    // Header and one row per entry, seconds counted from the first entry kept.
    // False when the stream failed.
    bool writeCsv(std::ostream& out) const;

private:
    void trim();

    std::deque<Entry> m_entries;
    std::size_t m_limit;
    std::size_t m_samples = 0;
};

} // namespace velmora
