// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Finds the texts a C++ source passes to translate() as wide string literals.

#include <string>
#include <string_view>
#include <vector>

namespace velmora::test {

struct SourceText {
    std::wstring text; // as the program sees it: escapes resolved, literals joined
    std::string where; // "<file>:<line>"
};

// Every translate(L"...") in the source, skipping comments and other literals.
// Calls whose argument is not a string literal are not texts and are left out.
std::vector<SourceText> findTranslatedTexts(std::string_view source, const std::string& fileName);

} // namespace velmora::test
