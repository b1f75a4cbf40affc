// SPDX-License-Identifier: GPL-3.0-or-later
#include "backup_store.h"

#include <cstdlib>

namespace velmora::mapfile {

// Where QStandardPaths::AppDataLocation points for the application "velmora" on
// Windows: the roaming application data folder.
std::filesystem::path defaultBackupFolder() {
    // Wide: user names are not always ASCII.
    wchar_t* appData = nullptr;
    std::size_t length = 0;
    if (_wdupenv_s(&appData, &length, L"APPDATA") != 0 || !appData) return {};
    std::filesystem::path folder;
    if (*appData) folder = std::filesystem::path(appData) / L"velmora" / L"backups";
    std::free(appData);
    return folder;
}

} // namespace velmora::mapfile
