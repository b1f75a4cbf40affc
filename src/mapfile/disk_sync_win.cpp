// SPDX-License-Identifier: GPL-3.0-or-later
#include "disk_sync.h"

#include <windows.h>

namespace velmora::mapfile {

std::FILE* openNewFile(const std::filesystem::path& file) { return _wfopen(file.c_str(), L"wbx"); }

bool syncFileToDisk(const std::filesystem::path& file, std::string& reason) {
    const HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD failure = handle == INVALID_HANDLE_VALUE ? GetLastError() : 0;
    if (handle != INVALID_HANDLE_VALUE) {
        if (!FlushFileBuffers(handle)) failure = GetLastError();
        CloseHandle(handle);
    }
    if (failure == 0) return true;
    reason = "system error " + std::to_string(failure);
    return false;
}

// NTFS journals a rename with the folder's entries; there is no folder to flush.
void syncFolderToDisk(const std::filesystem::path&) {}

} // namespace velmora::mapfile
