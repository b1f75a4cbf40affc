// SPDX-License-Identifier: GPL-3.0-or-later
#include "lang/language_choice.h"
#include "lang/translate.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

namespace velmora {
namespace {

TEST(SelectLanguage, OnlyPolishRussianAndTheTwentySpanishIdentifiersLeaveEnglish)
{
    const std::set<unsigned> spanish = {0x040A, 0x080A, 0x0C0A, 0x100A, 0x140A, 0x180A, 0x1C0A,
                                        0x200A, 0x240A, 0x280A, 0x2C0A, 0x300A, 0x340A, 0x380A,
                                        0x3C0A, 0x400A, 0x440A, 0x480A, 0x4C0A, 0x500A};
    for (unsigned id = 0; id <= 0xFFFF; ++id) {
        int expected = 1;
        if (id == 0x0415)
            expected = 0;
        else if (id == 0x0419)
            expected = 2;
        else if (spanish.count(id) != 0)
            expected = 7;
        ASSERT_EQ(selectLanguage(static_cast<std::uint16_t>(id)), expected)
            << "identifier 0x" << std::hex << id;
    }
}

TEST(LanguageIdFromLocale, PolishAndRussianLocales)
{
    for (const char* locale : {"pl_PL.UTF-8", "pl_PL", "pl", "pl_PL.ISO-8859-2@euro", "PL_pl"})
        EXPECT_EQ(languageIdFromLocale(locale), 0x0415) << locale;
    for (const char* locale : {"ru_RU.UTF-8", "ru_RU.KOI8-R", "ru", "ru_UA.UTF-8"})
        EXPECT_EQ(languageIdFromLocale(locale), 0x0419) << locale;
    // Russian (Moldova) has an identifier of its own on Windows, which reads as English.
    EXPECT_EQ(languageIdFromLocale("ru_MD.UTF-8"), 0x0819);
    EXPECT_EQ(selectLanguage(languageIdFromLocale("ru_MD.UTF-8")), 1);
}

TEST(LanguageIdFromLocale, EverySpanishLocaleSelectsSpanish)
{
    EXPECT_EQ(languageIdFromLocale("es_ES.UTF-8"), 0x0C0A);
    EXPECT_EQ(languageIdFromLocale("es_MX.UTF-8"), 0x080A);
    EXPECT_EQ(languageIdFromLocale("es_PR"), 0x500A);
    for (const char* locale :
         {"es", "es_ES@euro", "es_AR.UTF-8", "es_CL", "es_CO", "es_US.UTF-8", "es_CU", "es_GQ",
          "es_PY.ISO-8859-1", "es_UY", "es_VE", "es_BO", "es_HN", "es_NI", "es_SV", "es_DO"})
        EXPECT_EQ(selectLanguage(languageIdFromLocale(locale)), 7) << locale;
}

TEST(LanguageIdFromLocale, AnythingElseIsEnglish)
{
    for (const char* locale : {"en_US.UTF-8", "en_GB", "de_DE.UTF-8", "pt_PT", "C", "POSIX",
                               "C.UTF-8", "", "plx_XX", "_PL", "rus", "est_EE"})
        EXPECT_EQ(languageIdFromLocale(locale), 0x0409) << '"' << locale << '"';
}

} // namespace
} // namespace velmora

namespace velmora {
namespace {

struct UiLanguagesCase {
    std::vector<std::string> languages;
    std::set<int> files; // indexes whose file is present
    int expected;
};

TEST(SelectLanguageFromUiLanguages, FirstLanguageWithAFileWinsAndTheFourStayAsTheyWere)
{
    const std::set<int> all = {1, 2, 3, 4, 5, 7, 8, 11, 13, 14, 15, 18, 19};
    const UiLanguagesCase cases[] = {
        // The four: chosen as from the locale before, file or not.
        {{"pl-PL"}, {}, 0},
        {{"ru-RU", "ru"}, {}, 2},
        {{"ru-MD", "ru"}, all, 1}, // Russian (Moldova) stays English
        {{"es-US"}, {}, 7},
        {{"es_AR.UTF-8"}, all, 7},
        {{"en-GB", "de-DE"}, all, 1},
        // The ten: each from its usual names, when its file is present.
        {{"de-DE", "de"}, all, 4},
        {{"de-AT"}, all, 4},
        {{"it-IT"}, all, 3},
        {{"fr-CA"}, all, 8},
        {{"hr-HR"}, all, 14},
        {{"sr-Cyrl-RS"}, all, 13},
        {{"sr_RS@latin"}, all, 13},
        {{"bs-Latn-BA"}, all, 15},
        {{"el-GR"}, all, 11},
        {{"bg-BG"}, all, 18},
        {{"sl-SI"}, all, 19},
        {{"th-TH"}, all, 5},
        {{"DE_de.ISO-8859-1"}, all, 4},
        // Without its file a language is passed over for the next one, as is an
        // unknown language; English when nothing is left.
        {{"de-DE"}, {1, 2, 7}, 1},
        {{"de-DE", "fr-FR"}, {8}, 8},
        {{"pt-BR", "it-IT"}, all, 3},
        {{"pt-BR", "nl-NL"}, all, 1},
        {{"de-DE", "pl-PL"}, {1}, 0},
        {{"C"}, all, 1},
        {{""}, all, 1},
        {{}, all, 1},
        // Look-alikes are not the languages.
        {{"deu", "fra"}, all, 1},
        {{"sh-RS", "srp"}, all, 1},
    };
    for (const UiLanguagesCase& c : cases) {
        std::string names;
        for (const std::string& name : c.languages)
            names += '"' + name + "\" ";
        EXPECT_EQ(selectLanguage(c.languages, [&c](int index) { return c.files.count(index) != 0; }),
                  c.expected)
            << names;
    }
}

TEST(SelectLanguageFromWindowsIdentifier, TheTenFurtherLanguagesNeedTheirFile)
{
    const auto everyFile = [](int) { return true; };
    const auto noFile = [](int) { return false; };
    const std::pair<std::uint16_t, int> cases[] = {
        {0x0407, 4},  {0x0C07, 4},  {0x0410, 3},  {0x040C, 8},  {0x0C0C, 8},
        {0x041A, 14}, {0x101A, 14}, {0x081A, 13}, {0x0C1A, 13}, {0x241A, 13}, {0x281A, 13},
        {0x141A, 15}, {0x201A, 15}, {0x0408, 11}, {0x0402, 18}, {0x0424, 19}, {0x041E, 5},
    };
    for (const auto& [id, index] : cases) {
        EXPECT_EQ(selectLanguage(id, everyFile), index) << std::hex << id;
        EXPECT_EQ(selectLanguage(id, noFile), 1) << std::hex << id;
    }
    // The four keep their choice whether or not a file is there.
    for (unsigned id = 0; id <= 0xFFFF; ++id) {
        const int before = selectLanguage(static_cast<std::uint16_t>(id));
        if (before != 1) {
            ASSERT_EQ(selectLanguage(static_cast<std::uint16_t>(id), noFile), before) << std::hex << id;
        }
    }
}

TEST(LanguageCode, CommandLineCodesNameTheFourteenLanguages)
{
    const std::pair<const char*, int> cases[] = {
        {"pl", 0},  {"en", 1},    {"ru", 2},      {"es", 7},  {"de", 4},  {"DE", 4},
        {"de_AT", 4}, {"it", 3},  {"fr-CA", 8},   {"hr", 14}, {"sr", 13}, {"sr-Latn", 13},
        {"bs", 15}, {"el", 11},   {"bg", 18},     {"sl", 19}, {"th", 5},
        {"", -1},   {"xx", -1},   {"german", -1}, {"gr", -1}, {"-de", -1},
    };
    for (const auto& [code, index] : cases) {
        EXPECT_EQ(languageIndexForCode(code), index) << '"' << code << '"';
        if (index >= 0) {
            EXPECT_EQ(languageIndexForCode(languageCode(index)), index) << code;
        }
    }
}

} // namespace
} // namespace velmora
