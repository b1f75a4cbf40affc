// SPDX-License-Identifier: GPL-3.0-or-later
#include "atomic_file.h"

#include "mapfile/disk_sync.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <system_error>

namespace velmora::mapfile {

namespace fs = std::filesystem;

namespace {

// Built by appending: GCC 12's mingw build warns falsely (-Wrestrict) on "'" + string&&.
std::string quoted(const fs::path& path) {
    std::string text(1, '\'');
    text += path.string();
    text += '\'';
    return text;
}

std::string systemReason(int err) {
    // errno 0 after a failed stdio call: the library did not say; a full disk is
    // by far the likeliest.
    return err ? std::string(std::strerror(err)) : std::string("write error (disk full?)");
}

} // namespace

bool writeFileAtomically(const fs::path& path, std::string_view text, std::string& error) {
    fs::path temporary = path;
    temporary += ".part-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
    const auto fail = [&](std::string what) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        error = std::move(what);
        return false;
    };

    errno = 0;
    std::FILE* out = openNewFile(temporary);
    if (!out) {
        error = "cannot create " + quoted(temporary) + ": " + systemReason(errno);
        return false;
    }
    errno = 0;
    const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size() && std::fflush(out) == 0;
    int err = errno;
    // The close can be the first to hear of a full disk (network and some local file
    // systems report it only then), so it is checked as well.
    errno = 0;
    const bool closed = std::fclose(out) == 0;
    if (!written || !closed) {
        if (written) err = errno;
        return fail("cannot write " + quoted(path) + ": " + systemReason(err));
    }
    // On the disk before it takes the name: a power cut must not leave the name on an
    // empty file where a good one was.
    if (std::string reason; !syncFileToDisk(temporary, reason))
        return fail("cannot write " + quoted(path) + " to the disk: " + reason);
    std::error_code ec;
    fs::rename(temporary, path, ec);
    if (ec) return fail("cannot replace " + quoted(path) + ": " + ec.message());
    syncFolderToDisk(path.parent_path());
    return true;
}

} // namespace velmora::mapfile
