// SPDX-License-Identifier: GPL-3.0-or-later
// Reading firmware files from paths only POSIX systems make: a FIFO and a file
// its reader may not open.

#include "firmware_test_files.h"

#include "firmware/firmware_file.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace velmora::test {
namespace {

TEST(FirmwareFilePosix, FifoIsRefusedWithoutWaitingForAWriter) {
    TempDir dir;
    const fs::path fifo = dir.path() / "fifo.afm";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    CFirmwareFile file;
    std::uint16_t version = 0;
    std::uint16_t format = 0;
    std::wstring identifier;
    EXPECT_FALSE(file.read(fifo, version, identifier, format));
    EXPECT_EQ(file.lastError(), FirmwareReadError::OpenFailed);
}

TEST(FirmwareFilePosix, UnreadableFileIsAnOpenFailure) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not stop root";
    TempDir dir;
    const fs::path locked = dir.write("locked.afm", fileWithImage(9000));
    fs::permissions(locked, fs::perms::none);
    CFirmwareFile file;
    std::uint16_t version = 0;
    std::uint16_t format = 0;
    std::wstring identifier;
    EXPECT_FALSE(file.read(locked, version, identifier, format));
    EXPECT_EQ(file.lastError(), FirmwareReadError::OpenFailed);
}

} // namespace
} // namespace velmora::test
