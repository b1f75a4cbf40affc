// Every text the program shows must have a line in the English, Russian and
// Spanish tables, or a later change would ship an untranslated message.

#include "source_texts.h"

#include "lang/lang_table.h"
#include "lang/lang_text.h"
#include "lang_test_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

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

// Texts the program is known to show, kept here as well so the tables cover
// them even where the code showing them has not been written yet.
const wchar_t* const kKnownTexts[] = {
    L"Emulator ciśnienia paliwa", L"Zamknij", L"Start", L"Stop", L"Odczyty", L"Stan pracy",
    L"Wejście", L"Wyjście", L"Aktualizacja firmware", L"PWM pompy", L"RPM", L"Definicja",
    L"Dzielnik RPM", L"Delta", L"Częstotliwość", L"Kasuj",
    L"POŁĄCZONY", L"BRAK KOMUNIKACJI", L"BRAK POŁĄCZENIA", L"NO CONNECTION", L"CONNECTED",
    L"Włączony", L"Wyłączony",
    L"Brak połączenia",
    L"Sterownik nie jest poprawnie zaprogramowany i wymaga przeprogramowania.",
    L"Nie powiodło się odczytanie wersji urządzenia!",
    L"Nie powiodło się wczytanie ustawień urządzenia!",
    L"Nie powiodło się wpisanie ustawień do urządzenia!",
    L"Nie powiodło się wpisanie mapy wtrysków do urządzenia!",
    L"Nie można otworzyć portu RS.", L"Nie można wykonać operacji na RS.",
    L"Transmisja", L"Nieznana komenda", L"Nieznana ramka", L"Błędny nagłówek ramki",
    L"Błąd CRC ramki", L"Błąd inny niż transmisji",
    L"Nie powiodło się zaprogramowanie urządzenia!",
    L"Niewłaściwy plik firmware dla sterownika!",
    L"Wersja sterownika jest nowsza niż wersja pliku firmware. Czy chcesz zaprogramować "
    L"sterownik starszą wersją?",
    L"Firmware files (*.afm)|*.afm|",
};

// How a text has to be written in a table.
std::string tableSpelling(const std::wstring& text)
{
    std::wstring out;
    for (wchar_t c : text) {
        if (c == L'\n')
            out += L"\\n";
        else if (c == L'\t')
            out += L"\\t";
        else if (c == L'\r')
            out += L"\\r";
        else
            out += c;
    }
    return lang::toUtf8(out);
}

TEST(LanguageTables, EveryProgramTextHasATranslation)
{
    const std::filesystem::path root = VELMORA_SOURCE_DIR;
    std::map<std::wstring, std::string> texts; // text -> where it was first seen
    for (const wchar_t* text : kKnownTexts)
        texts.emplace(text, "a text the program shows");
    for (const auto& item : std::filesystem::recursive_directory_iterator(root / "src")) {
        static const std::set<std::string> extensions = {".h", ".hpp", ".cpp", ".cc", ".cxx"};
        if (!item.is_regular_file() || extensions.count(item.path().extension().string()) == 0)
            continue;
        const std::string relative = item.path().lexically_relative(root).generic_string();
        for (test::SourceText& found : findTranslatedTexts(test::readBytes(item.path()), relative))
            texts.emplace(std::move(found.text), found.where); // keeps the first place
    }

    for (const char* name : {"ENGLISH", "RUSSIAN", "SPAIN"}) {
        const std::string tableName = std::string("lang/") + name + ".tsv";
        const lang::Table table = lang::parseTable(test::readBytes(root / tableName), tableName);
        for (const std::string& error : table.errors)
            ADD_FAILURE() << error;
        std::set<std::wstring> translated;
        for (const lang::TableEntry& entry : table.entries)
            translated.insert(lang::unescape(entry.source));

        std::string missing;
        for (const auto& [text, where] : texts) {
            if (translated.count(text) != 0)
                continue;
            missing += "  " + tableSpelling(text) + "    (" + where + ")\n";
            if (lang::unescape(lang::fromUtf8(tableSpelling(text)).value_or(L"")) != text)
                missing += "    ^ holds a backslash before t, r or n, which a language file "
                           "cannot keep apart from an escape; reword the text\n";
        }
        EXPECT_TRUE(missing.empty())
            << "Texts shown by the program have no line in " << tableName << ".\n"
            << "Add one line per text to " << tableName
            << ": the source text exactly as below, a TAB, then the translation "
               "(see lang/README.md):\n"
            << missing;
    }
}

} // namespace
} // namespace velmora
