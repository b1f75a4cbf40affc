// SPDX-License-Identifier: GPL-3.0-or-later
#include "backup_store.h"

#include <cstdlib>

namespace velmora::mapfile {

// Where QStandardPaths::AppDataLocation points for the application "velmora" on
// Linux: the XDG data folder, ~/.local/share by default.
std::filesystem::path defaultBackupFolder() {
    std::filesystem::path base;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg == '/')
        base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::filesystem::path(home) / ".local" / "share";
    else
        return {};
    return base / "velmora" / "backups";
}

} // namespace velmora::mapfile
