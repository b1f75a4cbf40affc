// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Translation of the program's texts. Source texts (mostly Polish) are the keys;
// the language files in EM_LANG/ beside the executable hold the translations.

#include <cstdint>
#include <string>

namespace velmora {

// Windows language identifier -> language index 0..19 (0 = Polish, 1 = English,
// 2 = Russian, 7 = Spanish; everything else 1).
int selectLanguage(std::uint16_t langId);
// The index for the current user: selectLanguage(userLanguageId()).
int selectLanguage();
// The user's language identifier: on Windows GetUserDefaultLangID, elsewhere derived
// from the locale (LC_ALL / LC_MESSAGES / LANG): pl -> 0x0415, ru -> 0x0419 (ru_MD ->
// 0x0819, as on Windows), es_* -> a Spanish identifier, anything else English (0x0409).
std::uint16_t userLanguageId();
std::uint16_t languageIdFromLocale(const std::string& locale);

// Sets the program's language index (once, at start) and opens the 13 language
// files from folder (normally <executable folder>/EM_LANG); a relative folder opens
// nothing. Always succeeds.
bool loadLanguageFiles(const std::string& folder);
// The same with the EM_LANG folder beside the executable, or of the installed copy
// (programDataFolder); with neither, no file is opened.
bool loadLanguageFiles();
void setLanguageIndex(int index); // outside 0..19 counts as English
int languageIndex();
// Whether the language with this index has its file open and usable (Polish, and an
// index without a file of its own, always); otherwise its texts come in English,
// from the English file or, without that, from the English table built into the
// program.
bool languageFileOpen(int index);
// Closes every language file (tests; program end).
void unloadLanguageFiles();

// File name of the language with this index ("ENGLISH.txt"), or nullptr for an
// index that has no file (0 and the unused ones).
const char* languageFileName(int index);

// The source text in the selected language, with the English file and then the
// source text itself as fallbacks. Safe from several threads.
std::wstring translate(const std::wstring& key);

// The folder that holds the running executable, with a trailing separator
// (UTF-8); empty when the system cannot tell.
std::string executableFolder();

} // namespace velmora
