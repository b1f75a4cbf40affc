// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A backup of the unit: a small text file a person can read, diff and mail. The
// format is described in docs/backup-format.md; in short:
//
//   Velmora backup 1
//   saved: 2026-12-08T19:37:24Z
//   version: 0x0100
//   device-type: 0x11
//   rpm-divider: 1
//   noise-delta: 0
//   noise-period: 0
//   map:
//   V\RPM,500,800,...,4700          the map file's 17 lines (map_csv.h), comma form
//   0.96,0.00,...
//   ...

#include "mapfile/snapshot.h"
#include "mapfile/text_error.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace velmora::mapfile {

inline constexpr std::string_view kBackupMagic = "Velmora backup 1";

struct Backup {
    std::chrono::sys_seconds saved{}; // UTC
    Snapshot unit;
};

// "2026-12-08T19:37:24Z"
std::string formatUtc(std::chrono::sys_seconds time);

// The whole file, "\n" after every line.
std::string writeBackup(const Backup& backup);

// Reads what writeBackup wrote, also with CRLF line ends, a UTF-8 byte order mark,
// blank space at line ends and blank lines at the end. Anything else is refused with
// line and column: lines in another order, a missing, repeated or unknown key, a
// value out of its wire range (version 0x0000..0xFFFF, device type and the first two
// settings 0..255, noise period 0..65535), and any map section readMapCsv refuses
// (its lines counted within the whole file). backup is written only on success.
std::optional<TextError> readBackup(std::string_view text, Backup& backup);

// The text starts like a backup (after an optional byte order mark): the console
// tool's diff tells backups from map files with it.
bool looksLikeBackup(std::string_view text);

} // namespace velmora::mapfile
