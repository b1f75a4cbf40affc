// SPDX-License-Identifier: GPL-3.0-or-later
#include "lang/translate.h"

#include "lang/lang_file.h"
#include "lang/program_data.h"

#include <array>
#include <atomic>
#include <filesystem>

namespace velmora {

namespace {

constexpr int kPolish = 0;
constexpr int kEnglish = 1;
constexpr int kLastIndex = 19;

// Indexes 6, 9, 10, 12, 16 and 17 have a slot but no file.
constexpr std::array<const char*, kLastIndex + 1> kFileNames = {
    nullptr,         "ENGLISH.txt", "RUSSIAN.txt", "ITALIAN.txt",  "GERMAN.txt",
    "THAI.txt",      nullptr,       "SPAIN.txt",   "FRENCH.txt",   nullptr,
    nullptr,         "GREEK.txt",   nullptr,       "SERBIAN.txt",  "CROATIAN.txt",
    "BOSNIAN.txt",   nullptr,       nullptr,       "BULGARIAN.txt", "SLOVENIAN.txt",
};

// Order in which the files are opened at start.
constexpr std::array<int, 13> kOpenOrder = {1, 2, 3, 4, 5, 8, 14, 13, 15, 7, 11, 18, 19};

std::atomic<int> g_languageIndex{kEnglish};

// Slot i holds the file of language index i; slot 0 (Polish) is never opened.
// Function-local so that translations asked for during static start-up work.
CLangFile& slot(int index)
{
    static std::array<CLangFile, kLastIndex + 1> slots;
    return slots[static_cast<std::size_t>(index)];
}

std::filesystem::path pathFromUtf8(const std::string& text)
{
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

} // namespace

const char* languageFileName(int index)
{
    if (index < 0 || index > kLastIndex)
        return nullptr;
    return kFileNames[static_cast<std::size_t>(index)];
}

void setLanguageIndex(int index)
{
    g_languageIndex.store(index >= 0 && index <= kLastIndex ? index : kEnglish);
}

int languageIndex()
{
    return g_languageIndex.load();
}

int selectLanguage()
{
    return selectLanguage(userLanguageId());
}

bool loadLanguageFiles(const std::string& folder)
{
    setLanguageIndex(selectLanguage());
    const std::filesystem::path base = pathFromUtf8(folder);
    // A relative folder (an empty one above all) would be looked up from the current
    // directory, which may hold anything.
    if (!base.is_absolute())
        return true;
    for (int index : kOpenOrder) {
        // A file that does not open leaves its slot closed: English answers instead.
        slot(index).open(base / languageFileName(index));
    }
    return true;
}

bool loadLanguageFiles()
{
    const std::filesystem::path folder = programDataFolder("EM_LANG");
    if (folder.empty()) {
        // Without the program's own folder there is nowhere sensible to look;
        // a relative path would depend on the current directory.
        setLanguageIndex(selectLanguage());
        return true;
    }
    const std::u8string utf8 = folder.u8string();
    return loadLanguageFiles(std::string(utf8.begin(), utf8.end()));
}

void unloadLanguageFiles()
{
    for (int index = 1; index <= kLastIndex; ++index)
        slot(index).close();
}

std::wstring translate(const std::wstring& key)
{
    const int index = languageIndex();
    if (index == kPolish)
        return key;
    std::wstring text = slot(index).lookup(key);
    if (text.empty() && index != kEnglish)
        text = slot(kEnglish).lookup(key);
    return text.empty() ? key : text;
}

} // namespace velmora
