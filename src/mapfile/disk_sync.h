// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Getting written files onto the disk itself. A file renamed into place is only
// safe once its bytes are on the disk: otherwise a power cut soon after (a laptop's
// battery running out during a firmware update) can leave the new name on an empty
// file, and the backup taken just before is gone with it.

#include <cstdio>
#include <filesystem>
#include <string>

namespace velmora::mapfile {

// A new file for writing (binary, refused when the name exists), or null with
// errno set. Wide names work on Windows.
std::FILE* openNewFile(const std::filesystem::path& file);

// Waits until file's contents are on the disk. False with reason set (the system's
// words, English) when the system cannot.
bool syncFileToDisk(const std::filesystem::path& file, std::string& reason);

// Waits until folder's entries (a name just renamed into it) are on the disk where the
// system keeps them apart from the files; nothing to do where it does not.
void syncFolderToDisk(const std::filesystem::path& folder);

} // namespace velmora::mapfile
