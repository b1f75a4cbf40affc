// SPDX-License-Identifier: GPL-3.0-or-later
#include "reading_log.h"

#include "reading_csv.h"

namespace velmora {

void CReadingLog::add(std::chrono::system_clock::time_point time, const CDiag& sample, std::string port)
{
    m_entries.push_back(Entry{time, sample, std::move(port), false});
    ++m_samples;
    trim();
}

void CReadingLog::addGap(std::chrono::system_clock::time_point time)
{
    if (m_entries.empty() || m_entries.back().gap)
        return;
    m_entries.push_back(Entry{time, CDiag{}, m_entries.back().port, true});
}

void CReadingLog::setLimit(std::size_t limit)
{
    m_limit = limit;
    trim();
}

void CReadingLog::trim()
{
    while (m_samples > m_limit && !m_entries.empty()) {
        if (!m_entries.front().gap)
            --m_samples;
        m_entries.pop_front();
    }
    // A gap with nothing before it says nothing.
    while (!m_entries.empty() && m_entries.front().gap)
        m_entries.pop_front();
}

bool CReadingLog::writeCsv(std::ostream& out) const
{
    out << kRecordingCsvHeader << '\n';
    if (!m_entries.empty()) {
        const auto start = m_entries.front().time;
        for (const Entry& e : m_entries) {
            const double seconds = std::chrono::duration<double>(e.time - start).count();
            out << (e.gap ? linkLostCsvRow(e.time, seconds, e.port)
                          : recordingCsvRow(e.time, seconds, e.sample, e.port))
                << '\n';
        }
    }
    out.flush();
    return static_cast<bool>(out);
}

} // namespace velmora
