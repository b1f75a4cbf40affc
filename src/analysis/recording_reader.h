// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reads the readings CSV files the programs write, streaming, with no locale:
//
//   recording and "Save chart data":   time,seconds,seq,rpm,input_v,pump_v,output_v,work_state,port
//   velmora-cli monitor --timestamps:  time,seq,rpm,input_v,pump_v,output_v,work_state
//   velmora-cli monitor:               seq,rpm,input_v,pump_v,output_v,work_state
//
// Columns are found by their header names, in any order; other columns are ignored.
// Times come from `seconds`, else from the ISO 8601 `time`, else from `seq` at the
// unit's 20 readings a second. A row that cannot be used is skipped and counted with
// its line number; a file that is not of this kind is refused with the line at fault.
// Only whole lines are read: a recording still being written ends at its last one.

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::analysis {

enum class RowState : std::uint8_t { Off = 0, On = 1, LinkLost = 2 };

struct Row {
    double seconds = 0; // since the first row
    float rpm = 0;
    float inputV = 0;
    float pumpV = 0;
    float outputV = 0;
    RowState state = RowState::Off; // LinkLost: the readings are NaN
    std::uint64_t line = 0;
};

enum class ReadError {
    None,
    CannotOpen,    // the system refused the file
    ReadFailed,    // reading stopped half-way (device gone)
    Empty,         // 0 bytes, or nothing but blank lines
    NotARecording, // the first line lacks the columns (line 1)
    NoReadings,    // a header and no usable row
    TooLarge,      // over ReadLimits::maxBytes, refused before reading
    TooManyRows,   // over ReadLimits::maxRows; what was read is kept
    Cancelled,
};

enum class SkipReason : std::uint8_t {
    ColumnCount,   // not as many fields as the header
    NotANumber,    // a reading or the time is no number
    TimeBackwards, // earlier than the row before it
    LineTooLong,   // longer than ReadLimits::maxLineBytes (binary junk)
    UnknownState,  // work_state is none of on, off, link_lost
    Count
};

struct SkippedLine {
    std::uint64_t line = 0;
    SkipReason reason = SkipReason::ColumnCount;
};

enum class TimeSource : std::uint8_t { Seconds, Clock, Sequence };

struct ReadSummary {
    ReadError error = ReadError::None;
    std::uint64_t errorLine = 0;   // the line at fault, when there is one
    std::string missingColumns;    // NotARecording: "rpm, pump_v"
    std::uint64_t lines = 0;       // whole lines read, the header included
    std::uint64_t rows = 0;        // rows handed on
    std::uint64_t skipped = 0;
    std::array<std::uint64_t, static_cast<std::size_t>(SkipReason::Count)> skippedBy{};
    std::vector<SkippedLine> firstSkipped; // the first few, in file order
    bool lastLineIncomplete = false;       // bytes after the last line end were left out
    TimeSource timeSource = TimeSource::Seconds;
    // Wall clock of seconds == 0 when the file has a time column, else hasClock false.
    bool hasClock = false;
    std::int64_t startEpochMs = 0;
    int utcOffsetMinutes = 0;
};

struct ReadLimits {
    std::uint64_t maxBytes = std::uint64_t{1} << 30; // 1 GiB: about a week at 20 readings a second
    std::uint64_t maxRows = 12'000'000;
    std::size_t maxLineBytes = 4096;
    static constexpr std::size_t kFirstSkippedKept = 5;
};

// Rows as they are read. A sink may keep them; the reader keeps nothing.
using RowSink = std::function<void(const Row&)>;
// Bytes read so far of the whole; false cancels.
using Progress = std::function<bool(std::uint64_t done, std::uint64_t total)>;

// Line by line over text handed in pieces (a file read in blocks, a test string).
class CRecordingParser {
public:
    CRecordingParser(RowSink sink, ReadLimits limits = {});
    // False once reading should stop (an error, or the row limit).
    bool feed(std::string_view bytes);
    // Ends the text; bytes after the last line end are left out.
    ReadSummary finish();
    const ReadSummary& summary() const { return m_summary; }
    // What is held of an unfinished line: never more than maxLineBytes.
    std::size_t bufferedBytes() const { return m_pending.size(); }

private:
    bool line(std::string_view text);
    bool header(std::string_view text);
    void row(std::string_view text);
    void skip(SkipReason reason);

    RowSink m_sink;
    ReadLimits m_limits;
    ReadSummary m_summary;
    std::string m_pending;     // the start of a line split across pieces
    bool m_overlong = false;   // the pending line passed maxLineBytes: dropped up to its end
    bool m_haveHeader = false;
    bool m_stopped = false;
    std::size_t m_columns = 0;
    // Field index of each column we use; -1 when absent.
    int m_time = -1, m_seconds = -1, m_seq = -1, m_rpm = -1, m_input = -1, m_pump = -1, m_output = -1,
        m_state = -1;
    std::vector<std::string_view> m_fields;
    bool m_haveRow = false;
    double m_lastSeconds = 0;
    std::int64_t m_firstClockMs = 0; // Clock: time of the first row
    std::uint64_t m_lastSeq = 0;
    double m_seqBase = 0;            // Sequence: seconds of the first row of this run of numbers
    std::uint64_t m_seqFirst = 0;
};

ReadSummary readRecordingText(std::string_view text, const RowSink& sink, const ReadLimits& limits = {});
ReadSummary readRecordingFile(const std::filesystem::path& file, const RowSink& sink, const ReadLimits& limits = {},
                              const Progress& progress = {});

// "2026-12-08T19:37:24.123+01:00" (or ...Z, or no fraction) as milliseconds since
// 1970 UTC and the offset. False for anything else.
bool parseIsoTime(std::string_view text, std::int64_t& epochMs, int& utcOffsetMinutes);

// Texts for the user, in the program's language: what went wrong ("line 1: ...",
// unless the caller names the line itself) with what to do, and "3 lines skipped:
// line 17 (...), ..." (empty when none).
std::wstring readErrorText(const ReadSummary& summary, std::uint64_t fileBytes = 0, bool withLine = true);
std::wstring skippedText(const ReadSummary& summary);

} // namespace velmora::analysis
