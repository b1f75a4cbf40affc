// SPDX-License-Identifier: GPL-3.0-or-later
#include "lang/translate.h"

#include "lang/builtin_english.h"
#include "lang/lang_file.h"
#include "lang/lang_table.h"
#include "lang/lang_text.h"
#include "lang/program_data.h"

#include <array>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <unordered_map>

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
// Set once the program has looked for its language files: from then on, texts its
// files cannot give are English from the table built in. Before (library tests that
// never load files) a text stays as written.
std::atomic<bool> g_builtInEnglish{false};

// Slot i holds the file of language index i; slot 0 (Polish) is never opened.
// Function-local so that translations asked for during static start-up work.
CLangFile& slot(int index)
{
    static std::array<CLangFile, kLastIndex + 1> slots;
    return slots[static_cast<std::size_t>(index)];
}

// A language file starts with the UTF-16LE byte order mark and has lines of
// "source TAB TAB translation" ending in CR LF; a file without them is damaged or
// not one of ours,
// and would answer every text with the Polish source.
bool usable(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    char head[4096];
    in.read(head, sizeof head);
    const std::string_view bytes(head, static_cast<std::size_t>(in.gcount()));
    return bytes.size() > 2 && bytes.substr(0, 2) == "\xFF\xFE" &&
           bytes.find(std::string_view("\t\0\t\0", 4)) != std::string_view::npos &&
           bytes.find(std::string_view("\r\0\n\0", 4)) != std::string_view::npos;
}

// The English table built into the program, for when its file is missing or damaged.
const std::unordered_map<std::wstring, std::wstring>& builtInEnglish()
{
    static const auto table = [] {
        std::unordered_map<std::wstring, std::wstring> out;
        for (const lang::TableEntry& e : lang::parseTable(lang::builtInEnglishTable(), "ENGLISH.tsv").entries)
            out.emplace(lang::unescape(e.source), lang::unescape(e.translation));
        return out;
    }();
    return table;
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
    g_builtInEnglish.store(true);
    const std::filesystem::path base = pathFromUtf8(folder);
    // A relative folder (an empty one above all) would be looked up from the current
    // directory, which may hold anything.
    if (!base.is_absolute())
        return true;
    for (int index : kOpenOrder) {
        // A file that does not open, or holds nothing usable, leaves its slot closed:
        // English answers instead.
        if (slot(index).open(base / languageFileName(index)) && !usable(base / languageFileName(index)))
            slot(index).close();
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
    g_builtInEnglish.store(false);
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
    if (text.empty() && g_builtInEnglish.load() && !slot(kEnglish).isOpen()) {
        const auto& english = builtInEnglish();
        if (const auto found = english.find(key); found != english.end())
            text = found->second;
    }
    return text.empty() ? key : text;
}

bool languageFileOpen(int index)
{
    if (index == kPolish)
        return true;
    const char* name = languageFileName(index);
    return name == nullptr || slot(index).isOpen();
}

} // namespace velmora
