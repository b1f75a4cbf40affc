// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one way the programs write a file (map files, backups, chart data, firmware
// images, reports): never half-written, never an old file lost to a failed write.

#include <filesystem>
#include <string>
#include <string_view>

namespace velmora::mapfile {

// Writes text to path so that a crash, a power cut or a full disk never leaves a half
// file: into a temporary file beside path (so the rename stays on one file system),
// every write, the flush and the close checked, onto the disk, then renamed over
// path (and the folder onto the disk). On any failure the temporary file is removed,
// path is as it was, and false is returned with error set: what failed, the path and
// the system's reason (English; the console tool and the window put it in their own
// sentence).
bool writeFileAtomically(const std::filesystem::path& path, std::string_view text, std::string& error);

} // namespace velmora::mapfile
