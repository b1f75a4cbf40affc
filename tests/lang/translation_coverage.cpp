// SPDX-License-Identifier: GPL-3.0-or-later
#include "translation_coverage.h"

#include "lang/lang_table.h"
#include "lang/lang_text.h"
#include "lang/translate.h"
#include "lang_test_files.h"
#include "source_texts.h"

#include <set>

namespace velmora::test {

namespace {

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

} // namespace

std::map<std::wstring, std::string> programTexts(const std::filesystem::path& root)
{
    std::map<std::wstring, std::string> texts;
    for (const wchar_t* text : kKnownTexts)
        texts.emplace(text, "a text the program shows");
    for (const auto& item : std::filesystem::recursive_directory_iterator(root / "src")) {
        static const std::set<std::string> extensions = {".h", ".hpp", ".cpp", ".cc", ".cxx"};
        if (!item.is_regular_file() || extensions.count(item.path().extension().string()) == 0)
            continue;
        const std::string relative = item.path().lexically_relative(root).generic_string();
        for (SourceText& found : findTranslatedTexts(readBytes(item.path()), relative))
            texts.emplace(std::move(found.text), found.where); // keeps the first place
    }
    return texts;
}

std::vector<std::string> languageTables()
{
    std::vector<std::string> tables;
    for (int index = 0; index <= 19; ++index) {
        if (const char* file = languageFileName(index))
            tables.push_back(std::filesystem::path(file).stem().string());
    }
    return tables;
}

TableCoverage coverage(const std::filesystem::path& root, const std::string& table,
                       const std::map<std::wstring, std::string>& texts)
{
    TableCoverage result;
    result.tableName = "lang/" + table + ".tsv";
    if (!std::filesystem::is_regular_file(root / result.tableName)) {
        result.errors.push_back(result.tableName + " is missing");
    } else {
        const lang::Table parsed =
            lang::parseTable(readBytes(root / result.tableName), result.tableName);
        result.errors = parsed.errors;
        for (const lang::TableEntry& entry : parsed.entries)
            result.entries.emplace(lang::unescape(entry.source), lang::unescape(entry.translation));
    }
    for (const auto& [text, where] : texts) {
        if (result.entries.count(text) == 0)
            result.missing.push_back(text);
    }
    return result;
}

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

} // namespace velmora::test
