// SPDX-License-Identifier: GPL-3.0-or-later
// Failures only a POSIX system lets a test bring about: a full disk, a file size
// limit reached in the middle of a recording, a fixed time zone.

#include "acquisition/local_time.h"
#include "acquisition/reading_csv.h"
#include "acquisition/readings_recorder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

#include <sys/resource.h>
#include <unistd.h>

namespace velmora {
namespace {

namespace fs = std::filesystem;

TEST(ReadingsRecorderPosix, AFullDiskStopsTheRecordingWithItsReason) {
    CReadingsRecorder rec;
    EXPECT_FALSE(rec.startFile("/dev/full", "p"));
    EXPECT_EQ(rec.error(), RecorderError::WriteFailed);
    EXPECT_EQ(rec.systemError(), std::errc::no_space_on_device);
    EXPECT_FALSE(rec.recording());
}

// The file size limit makes the disk "full" part-way through a line.
TEST(ReadingsRecorderPosix, AWriteFailureLeavesOnlyWholeRowsBehind) {
    const fs::path file = fs::temp_directory_path() / ("velmora-fsize-" + std::to_string(::getpid()) + ".csv");
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1000;

    CReadingsRecorder rec;
    ASSERT_TRUE(rec.startFile(file, "/dev/ttyUSB0"));
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    CDiag d;
    d.inputRaw = 2400;
    int written = 0;
    for (std::uint32_t s = 1; s <= 100 && rec.addSample(d); ++s, ++written) d.sequence = s + 1;
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_GT(written, 3);
    EXPECT_LT(written, 100);
    EXPECT_FALSE(rec.recording());
    EXPECT_EQ(rec.error(), RecorderError::WriteFailed);
    EXPECT_TRUE(rec.systemError());

    std::ifstream in(file, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n');
    std::size_t rows = 0;
    for (std::size_t at = 0; (at = text.find('\n', at)) != std::string::npos; ++at) ++rows;
    EXPECT_EQ(rows, static_cast<std::size_t>(written) + 1); // and the header
    fs::remove(file);
}

TEST(LocalTime, TimestampsCarryMillisecondsAndTheZoneOffset) {
    const char* saved = std::getenv("TZ");
    const std::string old = saved ? saved : "";
    ::setenv("TZ", "XYZ-5:30", 1); // POSIX writes east of Greenwich as negative
    ::tzset();
    const auto t = std::chrono::system_clock::time_point(std::chrono::milliseconds(86'400'000LL * 365 + 1234));
    EXPECT_EQ(isoTimestamp(t), "1971-01-01T05:30:01.234+05:30");
    EXPECT_EQ(compactTimestamp(t), "19710101-053001");
    ::setenv("TZ", "XYZ+3", 1);
    ::tzset();
    EXPECT_EQ(isoTimestamp(t), "1970-12-31T21:00:01.234-03:00");
    if (saved)
        ::setenv("TZ", old.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
}

} // namespace
} // namespace velmora
