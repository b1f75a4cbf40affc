// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A whole recording in memory, one array per column (25 bytes a row), with its
// min/max summary and where the link broke. A day at 20 readings a second (1.7 M
// rows) takes about 55 MB.

#include "recording_reader.h"
#include "series_summary.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velmora::analysis {

// The series a recording holds, in the order of the arrays below.
enum Series : int { kRpm = 0, kInputV, kPumpV, kOutputV, kSeriesCount };

// Rows further apart than this are a break: the reading thread polls every 50 ms.
constexpr double kBreakAfterSeconds = 1.0;

struct Break {
    double from = 0; // seconds of the last reading before it
    double to = 0;   // seconds of the first reading after it (the end, when none)
    bool linkLost = false;
};

class CRecording {
public:
    CRecording() = default;
    // The summaries point into this object's arrays: it stays where it was made.
    CRecording(const CRecording&) = delete;
    CRecording& operator=(const CRecording&) = delete;

    void clear();
    void reserve(std::size_t rows);
    void add(const Row& row);
    // Summary and breaks; call once all rows are in.
    void finish();

    std::size_t size() const { return m_seconds.size(); }
    bool empty() const { return m_seconds.empty(); }
    const std::vector<double>& seconds() const { return m_seconds; }
    const std::vector<float>& values(int series) const { return m_values[series]; }
    const std::vector<RowState>& states() const { return m_states; }
    const CSeriesSummary& summary(int series) const { return m_summaries[series]; }
    // Work state as 1 (on) and 0 (off), NaN for link_lost rows: its min and max over
    // a pixel column tell on, off or both.
    const CSeriesSummary& stateSummary() const { return m_stateSummary; }
    const std::vector<Break>& breaks() const { return m_breaks; }
    double duration() const { return empty() ? 0.0 : m_seconds.back(); }

    // Index of the first row at or after seconds (size() when none).
    std::size_t lowerBound(double seconds) const;
    // The reading row nearest to seconds (link_lost rows skipped); size() when none.
    std::size_t nearestReading(double seconds) const;

    ReadSummary info; // how the file read

private:
    std::vector<double> m_seconds;
    std::vector<float> m_values[kSeriesCount];
    std::vector<RowState> m_states;
    CSeriesSummary m_summaries[kSeriesCount];
    std::vector<float> m_stateValues;
    CSeriesSummary m_stateSummary;
    std::vector<Break> m_breaks;
};

// Reads file into recording (cleared first). On an error other than TooManyRows the
// recording is left empty.
ReadSummary loadRecording(const std::filesystem::path& file, CRecording& recording, const Progress& progress = {},
                          const ReadLimits& limits = {});
ReadSummary loadRecordingText(std::string_view text, CRecording& recording, const ReadLimits& limits = {});

} // namespace velmora::analysis
