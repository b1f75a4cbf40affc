// SPDX-License-Identifier: GPL-3.0-or-later
// Backups are text people may edit: any text must be either refused with a line
// number or read into a unit that writes back into a text that reads the same.

#include "mapfile/backup_file.h"

#include <string_view>

using namespace velmora::mapfile;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Backup backup;
    const auto error = readBackup(std::string_view(reinterpret_cast<const char*>(data), size), backup);
    if (error) {
        if (error->line == 0 || error->message.empty()) __builtin_trap();
        return 0;
    }
    Backup again;
    if (readBackup(writeBackup(backup), again)) __builtin_trap(); // our own output must read back
    if (again.saved != backup.saved || !sameOnUnit(again.unit, backup.unit)) __builtin_trap();
    return 0;
}
