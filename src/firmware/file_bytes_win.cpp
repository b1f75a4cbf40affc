// SPDX-License-Identifier: GPL-3.0-or-later
#include "file_bytes.h"

#include <windows.h>

namespace velmora {

FileReadStatus readFilePrefix(const std::filesystem::path& path, std::size_t maxBytes,
                              std::vector<std::uint8_t>& out) {
    out.clear();
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return FileReadStatus::OpenFailed;
    if (GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        return FileReadStatus::OpenFailed;
    }
    out.resize(maxBytes);
    std::size_t got = 0;
    FileReadStatus status = FileReadStatus::Ok;
    while (got < maxBytes) {
        std::size_t left = maxBytes - got;
        DWORD chunk = static_cast<DWORD>(left < (1u << 20) ? left : (1u << 20));
        DWORD n = 0;
        if (!ReadFile(h, out.data() + got, chunk, &n, nullptr)) {
            status = FileReadStatus::ReadFailed;
            break;
        }
        if (n == 0)
            break;
        got += n;
    }
    CloseHandle(h);
    if (status != FileReadStatus::Ok)
        out.clear();
    else
        out.resize(got);
    return status;
}

} // namespace velmora
