// SPDX-License-Identifier: GPL-3.0-or-later
// The console tool's backup folder is the one Qt names for the window on Linux, and
// the file writer on a full disk.

#include "mapfile/backup_store.h"

#include "full_disk.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace velmora::mapfile {
namespace {

namespace fs = std::filesystem;

TEST(BackupFolder, FollowsXdgDataHomeAsQtDoes) {
    const char* saved = std::getenv("XDG_DATA_HOME");
    const std::string keep = saved ? saved : "";
    ::setenv("XDG_DATA_HOME", "/data/home", 1);
    EXPECT_EQ(defaultBackupFolder(), fs::path("/data/home/velmora/backups"));
    ::setenv("XDG_DATA_HOME", "", 1);
    const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
    ::setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(defaultBackupFolder(), fs::path("/home/someone/.local/share/velmora/backups"));
    ::setenv("HOME", home.c_str(), 1);
    if (saved) ::setenv("XDG_DATA_HOME", keep.c_str(), 1);
    else ::unsetenv("XDG_DATA_HOME");
}

// A full disk, for a new file and over a good one: refused with the path and the
// system's reason, the old file whole, no temporary file left behind.
TEST(AtomicFile, FullDiskKeepsTheOldFileAndSaysWhy) {
    test::FullDisk disk;
    const fs::path good = disk.folder / "good.csv";
    std::string error;
    ASSERT_TRUE(writeFileAtomically(good, "the good map\n", error)) << error;
    disk.fill();
    const std::string big(64 * 1024, 'm');
    for (const fs::path& target : {good, disk.folder / "new.csv"}) {
        SCOPED_TRACE(target.string());
        error.clear();
        EXPECT_FALSE(writeFileAtomically(target, big, error));
        EXPECT_NE(error.find(target.string()), std::string::npos) << error;
        EXPECT_NE(error.find(disk.reason()), std::string::npos) << error;
    }
    disk.drain();
    EXPECT_EQ(test::fileText(good), "the good map\n");
    EXPECT_EQ(disk.names(), std::vector<std::string>{"good.csv"});
}

} // namespace
} // namespace velmora::mapfile
