// SPDX-License-Identifier: GPL-3.0-or-later
#include "lang/language_choice.h"

#include "lang/translate.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace velmora {

namespace {

constexpr int kPolish = 0;
constexpr int kEnglish = 1;
constexpr int kRussian = 2;
constexpr int kSpanish = 7;

struct Language {
    const char* code; // ISO 639-1
    int index;
    bool needsFile;   // chosen from the locale only when its file is present
};

// The four languages chosen since the first release come first; they are chosen
// whether or not their file is there, as they always were.
constexpr std::array<Language, 14> kLanguages = {{
    {"pl", kPolish, false}, {"en", kEnglish, false}, {"ru", kRussian, false},
    {"es", kSpanish, false}, {"de", 4, true},        {"it", 3, true},
    {"fr", 8, true},        {"hr", 14, true},        {"sr", 13, true},
    {"bs", 15, true},       {"el", 11, true},        {"bg", 18, true},
    {"sl", 19, true},       {"th", 5, true},
}};

const Language* findLanguage(std::string_view code)
{
    for (const Language& language : kLanguages) {
        if (code == language.code)
            return &language;
    }
    return nullptr;
}

std::string lower(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

struct LocaleName {
    std::string language;  // lower case
    std::string territory; // lower case; empty when not given
};

// "sr-Latn-RS", "de_DE.UTF-8", "sr_RS@latin", "pt": language, then an optional
// four-letter script, then an optional territory; codeset and modifier are cut.
LocaleName parseLocaleName(std::string_view name)
{
    name = name.substr(0, name.find_first_of(".@"));
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= name.size()) {
        const std::size_t end = std::min(name.find_first_of("-_", start), name.size());
        parts.push_back(lower(name.substr(start, end - start)));
        start = end + 1;
    }
    LocaleName result;
    result.language = parts.front();
    for (std::size_t i = 1; i < parts.size() && i <= 2; ++i) {
        if (parts[i].size() == 2 || parts[i].size() == 3) {
            result.territory = parts[i];
            break;
        }
    }
    return result;
}

} // namespace

int selectLanguage(const std::vector<std::string>& uiLanguages, const LanguageFilePresent& hasFile)
{
    for (const std::string& entry : uiLanguages) {
        const LocaleName name = parseLocaleName(entry);
        const Language* language = findLanguage(name.language);
        if (language == nullptr)
            continue;
        if (language->index == kRussian && name.territory == "md")
            return kEnglish; // as the Windows identifier of Russian (Moldova) reads
        if (!language->needsFile || (hasFile && hasFile(language->index)))
            return language->index;
    }
    return kEnglish;
}

int selectLanguage(std::uint16_t langId, const LanguageFilePresent& hasFile)
{
    const int original = selectLanguage(langId);
    if (original != kEnglish)
        return original;
    const unsigned primary = langId & 0x3FFu;
    const unsigned sub = langId >> 10;
    const char* code = nullptr;
    switch (primary) {
    case 0x07: code = "de"; break;
    case 0x10: code = "it"; break;
    case 0x0C: code = "fr"; break;
    case 0x08: code = "el"; break;
    case 0x02: code = "bg"; break;
    case 0x24: code = "sl"; break;
    case 0x1E: code = "th"; break;
    case 0x1A: // Croatian, Serbian and Bosnian share a primary language
        if (sub <= 1 || sub == 4)
            code = "hr";
        else if (sub == 5 || sub == 8 || sub == 30)
            code = "bs";
        else
            code = "sr";
        break;
    default: return kEnglish;
    }
    const int index = findLanguage(code)->index;
    return hasFile && hasFile(index) ? index : kEnglish;
}

int languageIndexForCode(std::string_view code)
{
    const Language* language = findLanguage(parseLocaleName(code).language);
    return language != nullptr ? language->index : -1;
}

const char* languageCode(int index)
{
    for (const Language& language : kLanguages) {
        if (language.index == index)
            return language.code;
    }
    return "en";
}

std::string languageCodeList()
{
    std::string list;
    for (const Language& language : kLanguages)
        list += (list.empty() ? "" : ", ") + std::string(language.code);
    return list;
}

} // namespace velmora
