// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Which language the program speaks: from the user's list of preferred languages
// (QLocale::uiLanguages on Linux), from a Windows language identifier, or from a
// code given on the command line.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// Tells whether the language file of a language index is there to be read.
using LanguageFilePresent = std::function<bool(int index)>;

// The language index for the user's languages, most preferred first; entries are
// BCP 47 or POSIX names ("de-DE", "sr-Latn-RS", "fr_CA.UTF-8").
// Polish, Russian, Spanish and English are chosen exactly as selectLanguage(langId)
// chooses them for the matching locale (Russian in Moldova is English). German,
// Italian, French, Croatian, Serbian, Bosnian, Greek, Bulgarian, Slovenian and Thai
// are chosen only when hasFile says their file is present; otherwise, as for any
// other language, the next entry is tried. English when no entry decides.
int selectLanguage(const std::vector<std::string>& uiLanguages, const LanguageFilePresent& hasFile);

// The same rule for a Windows language identifier: what selectLanguage(langId)
// gives, or one of the ten further languages when its file is present.
int selectLanguage(std::uint16_t langId, const LanguageFilePresent& hasFile);

// The index a language code names for --lang: "de", "de_AT", "sr-Latn", "el",
// case-insensitive; -1 for a code that names none of the 14 languages.
int languageIndexForCode(std::string_view code);

// Two-letter ISO 639-1 code of a language index ("pl", "en", "de"...); English's
// for an index without a language of its own.
const char* languageCode(int index);

// The codes languageIndexForCode understands, for messages: "pl, en, ru, ...".
std::string languageCodeList();

} // namespace velmora
