// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// lang/ENGLISH.tsv as built into the program (see src/lang/CMakeLists.txt).

#include <string_view>

namespace velmora::lang {

std::string_view builtInEnglishTable();

} // namespace velmora::lang
