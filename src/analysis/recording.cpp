// SPDX-License-Identifier: GPL-3.0-or-later
#include "recording.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace velmora::analysis {

void CRecording::reserve(std::size_t rows)
{
    m_seconds.reserve(rows);
    for (auto& v : m_values)
        v.reserve(rows);
    m_states.reserve(rows);
}

void CRecording::add(const Row& row)
{
    m_seconds.push_back(row.seconds);
    m_values[kRpm].push_back(row.rpm);
    m_values[kInputV].push_back(row.inputV);
    m_values[kPumpV].push_back(row.pumpV);
    m_values[kOutputV].push_back(row.outputV);
    m_states.push_back(row.state);
}

void CRecording::finish()
{
    m_seconds.shrink_to_fit();
    for (auto& v : m_values)
        v.shrink_to_fit();
    m_states.shrink_to_fit();
    for (int s = 0; s < kSeriesCount; ++s)
        m_summaries[s].build(m_values[s]);
    m_stateValues.resize(size());
    for (std::size_t i = 0; i < size(); ++i)
        m_stateValues[i] = m_states[i] == RowState::On    ? 1.0f
                           : m_states[i] == RowState::Off ? 0.0f
                                                          : std::numeric_limits<float>::quiet_NaN();
    m_stateSummary.build(m_stateValues);

    // A run of link_lost rows and any long silence between readings: one break each,
    // from the last reading before it to the first after it.
    m_breaks.clear();
    std::size_t lastReading = size();
    bool lost = false;
    for (std::size_t i = 0; i < size(); ++i) {
        if (m_states[i] == RowState::LinkLost) {
            lost = true;
            continue;
        }
        if (lastReading < size() && (lost || m_seconds[i] - m_seconds[lastReading] > kBreakAfterSeconds))
            m_breaks.push_back({m_seconds[lastReading], m_seconds[i], lost});
        else if (lastReading == size() && lost)
            m_breaks.push_back({0.0, m_seconds[i], true});
        lastReading = i;
        lost = false;
    }
    if (lost && !empty())
        m_breaks.push_back({lastReading < size() ? m_seconds[lastReading] : 0.0, m_seconds.back(), true});
}

std::size_t CRecording::lowerBound(double seconds) const
{
    return static_cast<std::size_t>(std::lower_bound(m_seconds.begin(), m_seconds.end(), seconds) - m_seconds.begin());
}

std::size_t CRecording::nearestReading(double seconds) const
{
    const std::size_t at = lowerBound(seconds);
    std::size_t after = at;
    while (after < size() && m_states[after] == RowState::LinkLost)
        ++after;
    std::size_t before = at;
    bool haveBefore = false;
    while (before > 0 && !haveBefore)
        haveBefore = m_states[--before] != RowState::LinkLost;
    if (after == size())
        return haveBefore ? before : size();
    if (!haveBefore)
        return after;
    return seconds - m_seconds[before] <= m_seconds[after] - seconds ? before : after;
}

void CRecording::clear()
{
    m_seconds = {};
    for (auto& v : m_values)
        v = {};
    m_states = {};
    for (auto& s : m_summaries)
        s = CSeriesSummary();
    m_stateValues = {};
    m_stateSummary = CSeriesSummary();
    m_breaks = {};
    info = ReadSummary();
}

ReadSummary loadRecording(const std::filesystem::path& file, CRecording& recording, const Progress& progress,
                          const ReadLimits& limits)
{
    recording.clear();
    // About 64 bytes a line: reserving once avoids doubling a day's arrays on the way.
    std::error_code ec;
    const std::uintmax_t bytes = std::filesystem::file_size(file, ec);
    if (!ec && bytes <= limits.maxBytes)
        recording.reserve(static_cast<std::size_t>(bytes / 60 + 16));
    ReadSummary s = readRecordingFile(file, [&recording](const Row& r) { recording.add(r); }, limits, progress);
    if (s.error != ReadError::None && s.error != ReadError::TooManyRows)
        recording.clear();
    else
        recording.finish();
    recording.info = s;
    return s;
}

ReadSummary loadRecordingText(std::string_view text, CRecording& recording, const ReadLimits& limits)
{
    recording.clear();
    ReadSummary s = readRecordingText(text, [&recording](const Row& r) { recording.add(r); }, limits);
    if (s.error != ReadError::None && s.error != ReadError::TooManyRows)
        recording.clear();
    else
        recording.finish();
    recording.info = s;
    return s;
}

} // namespace velmora::analysis
