// SPDX-License-Identifier: GPL-3.0-or-later
// Every text the program shows must have a line in every language's table, or a
// later change would ship an untranslated message.

#include "source_texts.h"

#include "lang/lang_text.h"
#include "translation_coverage.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace velmora {
namespace {

using test::findTranslatedTexts;

std::vector<std::wstring> textsOf(std::string_view source)
{
    std::vector<std::wstring> texts;
    for (const test::SourceText& found : findTranslatedTexts(source, "x.cpp"))
        texts.push_back(found.text);
    return texts;
}

TEST(SourceTextScan, ResolvesEscapesAndJoinsAdjacentLiterals)
{
    EXPECT_EQ(textsOf(R"(a = translate(L"Linia 1\nLinia\t2 \"x\" \\ \x41\u0142\101");)"),
              std::vector<std::wstring>{L"Linia 1\nLinia\t2 \"x\" \\ A\u0142A"});
    EXPECT_EQ(textsOf("velmora::translate(\n    L\"Zażółć \"\n    L\"gęślą\" \"!\")"),
              std::vector<std::wstring>{L"Zażółć gęślą!"});
    EXPECT_EQ(textsOf(R"x(translate(LR"(a\nb)"))x"), std::vector<std::wstring>{L"a\\nb"});
}

TEST(SourceTextScan, FindsOnlyRealCallsWithALiteral)
{
    const std::string source = R"src(
        // translate(L"in a line comment")
        /* translate(L"in a block comment") */
        const char* s = "translate(L\"inside a string\")";
        auto r = R"(translate(L"inside a raw string"))";
        wchar_t q = L'"'; int n = 1'000'000; double d = 1e+5;
        mytranslate(L"other function"); translate(variable);
        std::wstring t = translate ( L"real one" );
        translate(L"second")
    )src";
    const auto found = findTranslatedTexts(source, "src/ui/w.cpp");
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].text, L"real one");
    EXPECT_EQ(found[0].where, "src/ui/w.cpp:8");
    EXPECT_EQ(found[1].text, L"second");
    EXPECT_EQ(found[1].where, "src/ui/w.cpp:9");
}

TEST(LanguageTables, EveryProgramTextHasATranslation)
{
    const std::filesystem::path root = VELMORA_SOURCE_DIR;
    const std::map<std::wstring, std::string> texts = test::programTexts(root);
    const std::vector<std::string> tables = test::languageTables();
    ASSERT_EQ(tables.size(), 13u); // one per language file the program opens

    for (const std::string& table : tables) {
        const test::TableCoverage found = test::coverage(root, table, texts);
        for (const std::string& error : found.errors)
            ADD_FAILURE() << error;
        std::string missing;
        for (const std::wstring& text : found.missing) {
            const std::string spelling = test::tableSpelling(text);
            missing += "  " + spelling + "    (" + texts.at(text) + ")\n";
            if (lang::unescape(lang::fromUtf8(spelling).value_or(L"")) != text)
                missing += "    ^ holds a backslash before t, r or n, which a language file "
                           "cannot keep apart from an escape; reword the text\n";
        }
        EXPECT_TRUE(missing.empty())
            << "Texts shown by the program have no line in " << found.tableName << ".\n"
            << "Add one line per text to " << found.tableName
            << ": the source text exactly as below, a TAB, then the translation "
               "(see lang/README.md; scripts/missing-translations lists them all):\n"
            << missing;
    }
}

} // namespace
} // namespace velmora
