// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The editable translation tables (lang/*.tsv) and the language files made from them.
//
// Table: UTF-8 text, one entry a line: source text, TAB, translation. Both are
// written as they appear in the language file, so a line break inside a text is
// \n (and a TAB \t, a CR \r). Empty lines and lines starting with '#' are skipped;
// a CR before the LF is allowed.
//
// Language file, byte by byte:
//   offset 0   FF FE                      byte-order mark
//   offset 2   UTF-16LE lines, each:      source TAB TAB translation CR LF
// The middle column is empty; readers skip it. Each line, CR LF included, is at
// most kMaxLineUnits UTF-16 units long.

#include <string>
#include <string_view>
#include <vector>

namespace velmora::lang {

struct TableEntry {
    std::wstring source;      // escaped, as written in the table
    std::wstring translation; // escaped, as written in the table
    int line = 0;             // 1-based line in the table
};

struct Table {
    std::vector<TableEntry> entries;
    std::vector<std::string> errors; // "<name>:<line>: <what is wrong>"
};

// Reads a table; name is used only in error texts. Every faulty line is reported,
// and a table with errors must not be turned into a language file.
Table parseTable(std::string_view utf8, const std::string& name);

// The language file's bytes for the entries, in table order.
std::string encodeLanguageFile(const std::vector<TableEntry>& entries);

// Length of an entry's line in the language file, in UTF-16 units with its CR LF.
std::size_t encodedLineUnits(const TableEntry& entry);

} // namespace velmora::lang
