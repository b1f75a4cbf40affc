// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The folder of automatic backups: one file per save, named by its UTC time,
// "backup-YYYYMMDD-HHMMSS.txt" ("backup-YYYYMMDD-HHMMSS-2.txt" and on when one
// second sees several), so names sort by time.
//
// The window passes QStandardPaths::AppDataLocation + "/backups"; the console tool
// uses defaultBackupFolder(), which names the same folder for the application name
// "velmora" (no organization).

#include "mapfile/atomic_file.h"
#include "mapfile/backup_file.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::mapfile {

// Linux and other POSIX: $XDG_DATA_HOME/velmora/backups, or
// $HOME/.local/share/velmora/backups when XDG_DATA_HOME is unset, empty or relative;
// Windows: %APPDATA%\velmora\backups; macOS: ~/Library/Application Support/velmora/backups.
// Empty when the variable it needs is not set.
std::filesystem::path defaultBackupFolder();

struct BackupEntry {
    std::filesystem::path path;
    std::optional<Backup> backup;    // parsed file
    std::optional<TextError> error;  // set instead when the file does not read
};

struct SaveOutcome {
    enum class Kind { Written, SameAsNewest, Failed };
    Kind kind = Kind::Failed;
    std::filesystem::path path; // the new file, or the newest one it matched
    std::string error;          // Failed: why (English, with the path)
};

// Saves unit as a new backup in folder (created when missing) stamped with now,
// unless the newest readable backup there holds the same unit at the unit's
// resolution (the time stamp does not count).
SaveOutcome saveBackup(const std::filesystem::path& folder, const Snapshot& unit,
                       std::chrono::system_clock::time_point now = std::chrono::system_clock::now());

// Every "backup-*.txt" of folder, newest first (by file name, which is the UTC
// time). A file that does not read is listed with its error. A missing folder
// gives an empty list.
std::vector<BackupEntry> listBackups(const std::filesystem::path& folder);

} // namespace velmora::mapfile
