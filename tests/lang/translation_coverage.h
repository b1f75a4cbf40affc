// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Which texts the program shows and which of them a language table lacks; shared
// by the test that guards the tables and by scripts/missing-translations.

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace velmora::test {

// Every text the program shows: each translate(L"...") under root/src, plus the
// texts known to be shown; mapped to where each was first seen ("src/x.cpp:12").
std::map<std::wstring, std::string> programTexts(const std::filesystem::path& root);

// Table names, one per language file the program opens: "ENGLISH", "RUSSIAN", ...
std::vector<std::string> languageTables();

struct TableCoverage {
    std::string tableName;                        // "lang/GERMAN.tsv"
    std::vector<std::string> errors;              // the table's own faults
    std::vector<std::wstring> missing;            // program texts without a line
    std::map<std::wstring, std::wstring> entries; // text -> translation, escapes resolved
};

// Reads root/lang/<table>.tsv (a missing file counts as an empty table with an error)
// and compares it with texts.
TableCoverage coverage(const std::filesystem::path& root, const std::string& table,
                       const std::map<std::wstring, std::string>& texts);

// How a text has to be written in a table: line breaks as \n, TABs as \t, CRs as \r.
std::string tableSpelling(const std::wstring& text);

} // namespace velmora::test
