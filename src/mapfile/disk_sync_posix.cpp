// SPDX-License-Identifier: GPL-3.0-or-later
#include "disk_sync.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace velmora::mapfile {

std::FILE* openNewFile(const std::filesystem::path& file) { return std::fopen(file.c_str(), "wbx"); }

bool syncFileToDisk(const std::filesystem::path& file, std::string& reason) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CLOEXEC);
    int failure = fd < 0 ? errno : 0;
    if (fd >= 0) {
        if (::fsync(fd) != 0) failure = errno;
        ::close(fd);
    }
    if (failure == 0) return true;
    reason = std::strerror(failure);
    return false;
}

void syncFolderToDisk(const std::filesystem::path& folder) {
    // Some file systems refuse fsync on a folder; the file itself is on the disk by then.
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    (void)::fsync(fd);
    ::close(fd);
}

} // namespace velmora::mapfile
