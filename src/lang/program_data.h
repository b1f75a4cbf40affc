// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the program's own data (language files, sample firmware) lives: beside the
// executable in a build folder, or in the data folder of an installed copy
// (<prefix>/bin/velmora -> <prefix>/share/velmora). Never the current directory.

#include <filesystem>
#include <string>

namespace velmora {

// The folder name (for example "EM_LANG") beside the executable when it is there,
// else in ../share/velmora relative to the executable when it is there; empty when
// neither exists or the executable's folder is unknown.
std::filesystem::path programDataFolder(const std::string& name);

// The same search for a given executable folder (tests).
std::filesystem::path programDataFolder(const std::filesystem::path& executableFolder,
                                        const std::string& name);

} // namespace velmora
