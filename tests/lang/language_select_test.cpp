#include "lang/translate.h"

#include <gtest/gtest.h>

#include <set>

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
