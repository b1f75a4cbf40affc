// SPDX-License-Identifier: GPL-3.0-or-later
// Every kind of readings file the programs write reads into the same rows; anything
// else is refused or skipped with the line that is at fault.

#include "analysis/recording.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

namespace velmora::analysis {
namespace {

std::vector<Row> rowsOf(std::string_view text, ReadSummary& s, ReadLimits limits = {})
{
    std::vector<Row> rows;
    s = readRecordingText(text, [&rows](const Row& r) { rows.push_back(r); }, limits);
    return rows;
}

struct KindCase {
    const char* name;
    std::string text;
    TimeSource source;
    double secondRowSeconds;
    bool hasClock;
};

TEST(RecordingReader, EveryWriterFormReadsTheSameReadings)
{
    const std::string recording =
        "time,seconds,seq,rpm,input_v,pump_v,output_v,work_state,port\n"
        "2026-12-08T19:37:24.123+01:00,0.000,1,1000,12.00,3.00,10.00,on,/dev/ttyUSB0\n"
        "2026-12-08T19:37:24.173+01:00,0.050,2,1500,12.50,3.50,10.50,off,\"COM,3\"\n";
    const KindCase cases[] = {
        {"recording", recording, TimeSource::Seconds, 0.05, true},
        {"CRLF and byte order mark", "\xEF\xBB\xBF" + [&] {
             std::string t;
             for (char c : recording) t += c == '\n' ? std::string("\r\n") : std::string(1, c);
             return t;
         }(), TimeSource::Seconds, 0.05, true},
        {"monitor --timestamps",
         "time,seq,rpm,input_v,pump_v,output_v,work_state\n"
         "2026-12-08T19:37:24.123+01:00,1,1000,12.00,3.00,10.00,on\n"
         "2026-12-08T19:37:24.373+01:00,2,1500,12.50,3.50,10.50,off\n",
         TimeSource::Clock, 0.25, true},
        {"monitor", "seq,rpm,input_v,pump_v,output_v,work_state\n"
                    "7,1000,12.00,3.00,10.00,on\n"
                    "9,1500,12.50,3.50,10.50,off\n",
         TimeSource::Sequence, 0.10, false},
        {"columns in another order, extra column",
         "work_state,note,output_v,pump_v,input_v,rpm,seconds\n"
         "on,x,10.00,3.00,12.00,1000,5\n"
         "off,y,10.50,3.50,12.50,1500,5.05\n",
         TimeSource::Seconds, 5.05, false},
    };
    for (const KindCase& c : cases) {
        SCOPED_TRACE(c.name);
        ReadSummary s;
        const auto rows = rowsOf(c.text, s);
        ASSERT_EQ(s.error, ReadError::None);
        ASSERT_EQ(rows.size(), 2u);
        EXPECT_EQ(s.skipped, 0u);
        EXPECT_EQ(s.timeSource, c.source);
        EXPECT_EQ(s.hasClock, c.hasClock);
        EXPECT_NEAR(rows[1].seconds, c.secondRowSeconds, 1e-9);
        EXPECT_FLOAT_EQ(rows[0].rpm, 1000);
        EXPECT_FLOAT_EQ(rows[1].inputV, 12.5f);
        EXPECT_FLOAT_EQ(rows[1].pumpV, 3.5f);
        EXPECT_FLOAT_EQ(rows[1].outputV, 10.5f);
        EXPECT_EQ(rows[0].state, RowState::On);
        EXPECT_EQ(rows[1].state, RowState::Off);
        EXPECT_EQ(rows[1].line, 3u);
    }
}

TEST(RecordingReader, ClockOfTheFirstRowIsKeptInUtcWithItsOffset)
{
    ReadSummary s;
    rowsOf("time,seconds,rpm,input_v,pump_v,output_v,work_state\n"
           "2026-12-08T19:37:24.123+01:00,1.000,1000,12,3,10,on\n",
           s);
    ASSERT_TRUE(s.hasClock);
    std::int64_t ms = 0;
    int offset = 0;
    ASSERT_TRUE(parseIsoTime("2026-12-08T18:37:23.123Z", ms, offset));
    EXPECT_EQ(s.startEpochMs, ms); // seconds == 0 was one second before the row
    EXPECT_EQ(s.utcOffsetMinutes, 60);
}

TEST(RecordingReader, IsoTimes)
{
    struct { const char* text; bool ok; std::int64_t ms; int offset; } cases[] = {
        {"1970-01-01T00:00:00Z", true, 0, 0},
        {"1970-01-01T01:00:00.5+01:00", true, 500, 60},
        {"1970-01-01T00:00:01.250-00:30", true, 1250 + 1800000, -30},
        {"2000-03-01T00:00:00", true, 951868800000, 0}, // after a leap day
        {"2026-13-01T00:00:00Z", false, 0, 0},
        {"2026-12-08 19:37", false, 0, 0},
        {"2026-12-08T19:37:24.+01:00", false, 0, 0},
        {"2026-12-08T19:37:24+0100", false, 0, 0},
        {"", false, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::int64_t ms = -1;
        int offset = -1;
        EXPECT_EQ(parseIsoTime(c.text, ms, offset), c.ok);
        if (c.ok) {
            EXPECT_EQ(ms, c.ms);
            EXPECT_EQ(offset, c.offset);
        }
    }
}

TEST(RecordingReader, BadRowsAreSkippedAndNamedByLine)
{
    const std::string text = "time,seconds,seq,rpm,input_v,pump_v,output_v,work_state,port\n"
                             "t,0.00,1,1000,12.00,3.00,10.00,on,p\n"   // 2 ok (no clock needed)
                             "t,0.05,2,1000,12.00,3.00,on,p\n"         // 3 a column short
                             "t,0.10,3,1000,12,00,3.00,10.00,on,p\n"   // 4 a decimal comma
                             "t,0.15,4,abc,12.00,3.00,10.00,on,p\n"    // 5 no number
                             "t,0.20,5,1000,12.00,3.00,10.00,on,p\n"   // 6 ok
                             "t,0.19,6,1000,12.00,3.00,10.00,on,p\n"   // 7 backwards
                             "t,0.25,7,1000,12.00,nan,10.00,on,p\n"    // 8 not finite
                             "t,0.30,8,1000,12.00,3.00,10.00,maybe,p\n" // 9 unknown state
                             "\n"                                      // 10 blank: ignored
                             "t,0.35,,,,,,link_lost,p\n"               // 11 ok
                             "t,0.40,9,1000,12.00,3.00,10.00,on,p\n"   // 12 ok
                             "t,0.45,10,1000,12.00,3.00,10.00,on,p";   // 13 unterminated
    ReadSummary s;
    const auto rows = rowsOf(text, s);
    ASSERT_EQ(s.error, ReadError::None);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[2].state, RowState::LinkLost);
    EXPECT_TRUE(std::isnan(rows[2].rpm));
    EXPECT_EQ(rows[3].line, 12u);
    EXPECT_EQ(s.skipped, 6u);
    EXPECT_EQ(s.skippedBy[static_cast<int>(SkipReason::ColumnCount)], 2u);
    EXPECT_EQ(s.skippedBy[static_cast<int>(SkipReason::NotANumber)], 2u);
    EXPECT_EQ(s.skippedBy[static_cast<int>(SkipReason::TimeBackwards)], 1u);
    EXPECT_EQ(s.skippedBy[static_cast<int>(SkipReason::UnknownState)], 1u);
    ASSERT_EQ(s.firstSkipped.size(), 5u);
    const std::uint64_t lines[] = {3, 4, 5, 7, 8};
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_EQ(s.firstSkipped[i].line, lines[i]);
    EXPECT_TRUE(s.lastLineIncomplete);
    const std::wstring said = skippedText(s);
    EXPECT_NE(said.find(L"6"), std::wstring::npos);
    EXPECT_NE(said.find(L"3"), std::wstring::npos);
}

TEST(RecordingReader, FilesOfAnotherKindAreRefusedWithTheLine)
{
    struct { const char* name; std::string text; ReadError error; std::uint64_t line; const char* missing; } cases[] = {
        {"empty", "", ReadError::Empty, 0, ""},
        {"blank lines", "\n\r\n  \n", ReadError::Empty, 0, ""},
        {"a map file", "V\\RPM,500,800\n0.96,0.00,0.02\n", ReadError::NotARecording, 1, "seconds, rpm, input_v, pump_v, output_v, work_state"},
        {"header after blank lines", "\n\nseq,rpm,input_v,output_v,work_state\n", ReadError::NotARecording, 3, "pump_v"},
        {"header only", "seq,rpm,input_v,pump_v,output_v,work_state\n", ReadError::NoReadings, 0, ""},
        {"nothing usable", "seq,rpm,input_v,pump_v,output_v,work_state\n1,x,1,1,1,on\n", ReadError::NoReadings, 0, ""},
        {"binary without line ends", std::string(100000, '\x01'), ReadError::NotARecording, 1, ""},
        {"a long binary first line", std::string(5000, '\xff') + "\n", ReadError::NotARecording, 1, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ReadSummary s;
        const auto rows = rowsOf(c.text, s);
        EXPECT_EQ(s.error, c.error);
        EXPECT_EQ(s.errorLine, c.line);
        EXPECT_EQ(s.missingColumns, c.missing);
        EXPECT_TRUE(rows.empty());
        EXPECT_FALSE(readErrorText(s).empty());
    }
}

TEST(RecordingReader, JunkAmongRowsStaysBoundedAndIsSkipped)
{
    std::string text = "seq,rpm,input_v,pump_v,output_v,work_state\n1,1000,12,3,10,on\n";
    text += std::string(50000, 'x') + "\n";
    text += "2,1000,12,3,10,on\n";
    ReadSummary s;
    CRecordingParser parser([](const Row&) {});
    // In small pieces, as from a file: the overlong line must not be buffered whole.
    for (std::size_t at = 0; at < text.size(); at += 777) {
        parser.feed(std::string_view(text).substr(at, 777));
        ASSERT_LE(parser.bufferedBytes(), ReadLimits().maxLineBytes);
    }
    s = parser.finish();
    EXPECT_EQ(s.rows, 2u);
    EXPECT_EQ(s.skippedBy[static_cast<int>(SkipReason::LineTooLong)], 1u);
    EXPECT_EQ(s.firstSkipped.at(0).line, 3u);
}

TEST(RecordingReader, MonitorSequenceRestartIsARunAfterTheLast)
{
    ReadSummary s;
    const auto rows = rowsOf("seq,rpm,input_v,pump_v,output_v,work_state\n"
                             "5,1,1,1,1,on\n6,1,1,1,1,on\n1,1,1,1,1,on\n3,1,1,1,1,on\n",
                             s);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_NEAR(rows[1].seconds, 0.05, 1e-9);
    EXPECT_NEAR(rows[2].seconds, 0.10, 1e-9);
    EXPECT_NEAR(rows[3].seconds, 0.20, 1e-9);
}

TEST(RecordingReader, LimitsOnFilesAndRows)
{
    const auto file = std::filesystem::temp_directory_path() / "velmora-reader-limits.csv";
    {
        std::ofstream out(file, std::ios::binary);
        out << "seq,rpm,input_v,pump_v,output_v,work_state\n";
        for (int i = 1; i <= 3000; ++i)
            out << i << ",1000,12.00,3.00,10.00,on\n";
    }
    CRecording rec;
    ReadLimits limits;
    limits.maxRows = 1000;
    ReadSummary s = loadRecording(file, rec, {}, limits);
    EXPECT_EQ(s.error, ReadError::TooManyRows); // what fits is kept and said
    EXPECT_EQ(s.errorLine, 1002u);
    EXPECT_EQ(rec.size(), 1000u);

    limits = ReadLimits();
    limits.maxBytes = 1000;
    s = loadRecording(file, rec, {}, limits);
    EXPECT_EQ(s.error, ReadError::TooLarge);
    EXPECT_TRUE(rec.empty());

    int calls = 0;
    s = loadRecording(file, rec, [&calls](std::uint64_t, std::uint64_t) { return ++calls < 1; });
    EXPECT_EQ(s.error, ReadError::Cancelled);
    EXPECT_TRUE(rec.empty());

    s = loadRecording(file.string() + ".missing", rec);
    EXPECT_EQ(s.error, ReadError::CannotOpen);
    std::filesystem::remove(file);
}

} // namespace
} // namespace velmora::analysis
