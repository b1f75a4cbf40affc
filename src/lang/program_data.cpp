// SPDX-License-Identifier: GPL-3.0-or-later
#include "lang/program_data.h"

#include "lang/translate.h"

#include <system_error>

namespace velmora {

std::filesystem::path programDataFolder(const std::filesystem::path& executableFolder,
                                        const std::string& name)
{
    // A relative folder would be looked up from the current directory.
    if (executableFolder.empty() || !executableFolder.is_absolute())
        return {};
    for (const std::filesystem::path& candidate :
         {executableFolder / name, executableFolder / ".." / "share" / "velmora" / name}) {
        std::error_code ec;
        if (std::filesystem::is_directory(candidate, ec))
            return candidate.lexically_normal();
    }
    return {};
}

std::filesystem::path programDataFolder(const std::string& name)
{
    const std::string folder = executableFolder();
    return programDataFolder(std::filesystem::path(std::u8string(folder.begin(), folder.end())), name);
}

} // namespace velmora
