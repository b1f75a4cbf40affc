// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/reading_csv.h"
#include "acquisition/reading_log.h"
#include "acquisition/readings_recorder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace velmora {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Time = std::chrono::system_clock::time_point;

std::vector<std::string> split(const std::string& line) {
    std::vector<std::string> cells;
    std::stringstream in(line);
    std::string cell;
    while (std::getline(in, cell, ',')) cells.push_back(cell);
    if (!line.empty() && line.back() == ',') cells.emplace_back();
    return cells;
}

std::vector<std::string> linesOf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

CDiag sample(std::uint32_t seq, std::uint16_t input, std::int16_t pump, bool on) {
    CDiag d;
    d.sequence = seq;
    d.rpmPeriod = 7500; // 1000 rpm
    d.inputRaw = input;
    d.outputRaw = static_cast<std::uint16_t>(input / 2);
    d.pumpRaw = pump;
    d.workState = on ? 3 : 0;
    return d;
}

// A clock the test moves by hand.
struct StepClock {
    Time now = Time(std::chrono::milliseconds(1'765'000'000'000));
    CReadingsRecorder::Clock fn() { return [this] { return now; }; }
};

struct TempFolder {
    fs::path path;
    explicit TempFolder(const std::string& name) {
        path = fs::temp_directory_path() / ("velmora-" + name + "-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" + std::to_string(reinterpret_cast<std::uintptr_t>(this)));
        fs::remove_all(path);
    }
    ~TempFolder() { std::error_code ec; fs::remove_all(path, ec); }
};

TEST(ReadingsRecorder, RowsCarryTheMonitorColumnsAndALinkLossGoesOnInTheSameFile) {
    TempFolder folder("rec");
    StepClock clock;
    CReadingsRecorder rec(clock.fn());
    ASSERT_TRUE(rec.start(folder.path / "Velmora", "/dev/ttyUSB0")) << rec.systemError().message();
    EXPECT_TRUE(std::regex_match(rec.file().filename().string(), std::regex(R"(readings-\d{8}-\d{6}\.csv)")));

    const std::vector<CDiag> before = {sample(1, 2400, 200, true), sample(2, 2500, -200, false)};
    for (const CDiag& d : before) {
        clock.now += 50ms;
        ASSERT_TRUE(rec.addSample(d));
    }
    clock.now += 1s;
    EXPECT_TRUE(rec.linkLost());
    EXPECT_TRUE(rec.linkLost()); // one marker per break
    clock.now += 3s;
    rec.setPort("/dev/ttyUSB1");
    const CDiag after = sample(1, 2600, 300, true); // a new reading thread counts from 1 again
    ASSERT_TRUE(rec.addSample(after));
    EXPECT_EQ(rec.sampleCount(), 3u);
    EXPECT_EQ(rec.elapsed(), 4100ms);
    rec.stop();
    EXPECT_FALSE(rec.addSample(after));

    const std::vector<std::string> lines = linesOf(rec.file());
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], kRecordingCsvHeader);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {readingCsvFields(before[0]), "/dev/ttyUSB0"},
        {readingCsvFields(before[1]), "/dev/ttyUSB0"},
        {",,,,,link_lost", "/dev/ttyUSB0"},
        {readingCsvFields(after), "/dev/ttyUSB1"},
    };
    const char* seconds[] = {"0.050", "0.100", "1.100", "4.100"};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const std::vector<std::string> cells = split(lines[i + 1]);
        ASSERT_EQ(cells.size(), 9u) << lines[i + 1];
        EXPECT_TRUE(std::regex_match(cells[0], std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d)")))
            << cells[0];
        EXPECT_EQ(cells[1], seconds[i]);
        std::string values;
        for (std::size_t c = 2; c < 8; ++c) values += (c > 2 ? "," : "") + cells[c];
        EXPECT_EQ(values, expected[i].first);
        EXPECT_EQ(cells[8], expected[i].second);
    }
    EXPECT_EQ(readingCsvFields(before[0]), "1,1000,12.00,3.00,6.00,on");
}

TEST(ReadingsRecorder, TwoStartsInOneSecondMakeTwoFiles) {
    TempFolder folder("rec2");
    StepClock clock;
    CReadingsRecorder first(clock.fn()), second(clock.fn());
    ASSERT_TRUE(first.start(folder.path, "p"));
    ASSERT_TRUE(second.start(folder.path, "p"));
    EXPECT_NE(first.file(), second.file());
    EXPECT_EQ(second.file().stem().string(), first.file().stem().string() + "-2");
}

TEST(ReadingsRecorder, AFolderThatCannotBeMadeOrWrittenIsReportedAndNothingRuns) {
    TempFolder folder("rec3");
    fs::create_directories(folder.path);
    std::ofstream(folder.path / "plain-file") << "x";

    CReadingsRecorder rec;
    EXPECT_FALSE(rec.start(folder.path / "plain-file" / "Velmora", "p"));
    EXPECT_EQ(rec.error(), RecorderError::CannotCreateFolder);
    EXPECT_FALSE(rec.recording());
    EXPECT_FALSE(rec.addSample(sample(1, 1, 1, true)));

    // A name taken by a folder cannot be opened as a file.
    EXPECT_FALSE(rec.startFile(folder.path, "p"));
    EXPECT_EQ(rec.error(), RecorderError::CannotCreateFile);
    EXPECT_TRUE(rec.systemError());

    ASSERT_TRUE(rec.start(folder.path, "p"));
    EXPECT_EQ(rec.error(), RecorderError::None);
}

TEST(ReadingLog, KeepsTheNewestSamplesWithTheirGapsAndSavesThemAsARecording) {
    CReadingLog log(3);
    const Time t0 = Time(std::chrono::milliseconds(1'765'000'000'000));
    log.addGap(t0); // nothing to break yet
    for (std::uint32_t s = 1; s <= 4; ++s) log.add(t0 + s * 100ms, sample(s, 2000, 100, true), "COM3");
    log.addGap(t0 + 450ms);
    log.addGap(t0 + 460ms);
    log.add(t0 + 900ms, sample(1, 2100, 100, false), "COM4");
    EXPECT_EQ(log.sampleCount(), 3u);
    ASSERT_EQ(log.entries().size(), 4u); // samples 3, 4, the gap, the new 1

    std::ostringstream out;
    ASSERT_TRUE(log.writeCsv(out));
    std::vector<std::string> lines;
    std::istringstream in(out.str());
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], kRecordingCsvHeader);
    const std::vector<std::string> first = split(lines[1]), gap = split(lines[3]), last = split(lines[4]);
    EXPECT_EQ(first[1], "0.000");
    EXPECT_EQ(first[2], "3");
    EXPECT_EQ(gap[1], "0.150");
    EXPECT_EQ(gap[7], "link_lost");
    EXPECT_EQ(gap[8], "COM3");
    EXPECT_EQ(last[1], "0.600");
    EXPECT_EQ(last[7], "off");
    EXPECT_EQ(last[8], "COM4");

    log.clear();
    EXPECT_TRUE(log.entries().empty());
}

TEST(ReadingCsv, APortWithACommaIsQuoted) {
    const std::string row = recordingCsvRow(Time{}, 0, CDiag{}, "a,\"b\"");
    EXPECT_EQ(row.substr(row.find(",off,") + 5), "\"a,\"\"b\"\"\"");
}

} // namespace
} // namespace velmora
