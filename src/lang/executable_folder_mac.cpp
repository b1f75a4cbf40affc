// SPDX-License-Identifier: GPL-3.0-or-later
#include "lang/translate.h"

#include <mach-o/dyld.h>

#include <cstdint>
#include <filesystem>
#include <system_error>
#include <vector>

namespace velmora {

std::string executableFolder()
{
    std::uint32_t size = 0;
    _NSGetExecutablePath(nullptr, &size);
    std::vector<char> buffer(size + 1, '\0');
    if (_NSGetExecutablePath(buffer.data(), &size) != 0)
        return {};
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::canonical(buffer.data(), ec);
    if (ec)
        exe = buffer.data();
    if (!exe.has_parent_path())
        return {};
    std::string folder = exe.parent_path().string();
    if (folder.back() != '/')
        folder += '/';
    return folder;
}

} // namespace velmora
