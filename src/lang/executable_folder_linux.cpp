// SPDX-License-Identifier: GPL-3.0-or-later
#include "lang/translate.h"

#include <filesystem>
#include <system_error>

namespace velmora {

std::string executableFolder()
{
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec || !exe.has_parent_path())
        return {};
    std::string folder = exe.parent_path().string();
    if (folder.back() != '/')
        folder += '/';
    return folder;
}

} // namespace velmora
