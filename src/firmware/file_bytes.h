// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The first bytes of a regular file (file_bytes_posix.cpp / file_bytes_win.cpp).

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace velmora {

enum class FileReadStatus {
    Ok,
    OpenFailed, // missing, locked, a directory or device, no permission
    ReadFailed,
};

// Reads at most maxBytes from the start of the file into out (which is replaced).
// The file is opened read-only and, where the platform can, shared with nobody.
FileReadStatus readFilePrefix(const std::filesystem::path& path, std::size_t maxBytes,
                              std::vector<std::uint8_t>& out);

} // namespace velmora
