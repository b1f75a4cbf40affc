// SPDX-License-Identifier: GPL-3.0-or-later
// The console tool's backup folder is the one Qt names for the window on Linux.

#include "mapfile/backup_store.h"

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

} // namespace
} // namespace velmora::mapfile
