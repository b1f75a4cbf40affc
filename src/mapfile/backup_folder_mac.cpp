// SPDX-License-Identifier: GPL-3.0-or-later
#include "backup_store.h"

#include <cstdlib>

namespace velmora::mapfile {

// Where QStandardPaths::AppDataLocation points for the application "velmora" on macOS.
std::filesystem::path defaultBackupFolder() {
    const char* home = std::getenv("HOME");
    if (!home || !*home) return {};
    return std::filesystem::path(home) / "Library" / "Application Support" / "velmora" / "backups";
}

} // namespace velmora::mapfile
