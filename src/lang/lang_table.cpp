// SPDX-License-Identifier: GPL-3.0-or-later
#include "lang/lang_table.h"

#include "lang/lang_text.h"

#include <cstdio>
#include <map>

namespace velmora::lang {

namespace {

std::string located(const std::string& name, int line, const std::string& what)
{
    return name + ":" + std::to_string(line) + ": " + what;
}

// A raw control character would end up inside a file line and either break
// it in two (CR, LF) or confuse the columns; texts must use the escapes.
std::string controlCharacterError(std::wstring_view text)
{
    for (wchar_t c : text) {
        if (c < 0x20 || c == 0x7F) {
            char code[16];
            std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
            return std::string("control character ") + code +
                   " in the text; write a line break as \\n, a TAB as \\t, a CR as \\r";
        }
    }
    return {};
}

void appendLittleEndian(std::string& out, std::u16string_view units)
{
    for (char16_t u : units) {
        out.push_back(static_cast<char>(u & 0xFF));
        out.push_back(static_cast<char>(u >> 8));
    }
}

} // namespace

std::size_t encodedLineUnits(const TableEntry& entry)
{
    return toUtf16(entry.source).size() + 2 + toUtf16(entry.translation).size() + 2;
}

Table parseTable(std::string_view utf8, const std::string& name)
{
    Table table;
    if (utf8.starts_with("\xEF\xBB\xBF"))
        utf8.remove_prefix(3);

    std::map<std::wstring, int> firstLineOf; // unescaped source -> line
    int lineNumber = 0;
    while (!utf8.empty()) {
        ++lineNumber;
        const std::size_t end = utf8.find('\n');
        std::string_view raw = utf8.substr(0, end);
        utf8.remove_prefix(end == std::string_view::npos ? utf8.size() : end + 1);
        if (raw.ends_with('\r'))
            raw.remove_suffix(1);
        if (raw.empty() || raw.front() == '#')
            continue;

        auto error = [&](const std::string& what) {
            table.errors.push_back(located(name, lineNumber, what));
        };
        const std::optional<std::wstring> text = fromUtf8(raw);
        if (!text) {
            error("the line is not valid UTF-8");
            continue;
        }
        const std::size_t tab = text->find(L'\t');
        if (tab == std::wstring::npos) {
            error("expected the source text, a TAB, then the translation");
            continue;
        }
        if (text->find(L'\t', tab + 1) != std::wstring::npos) {
            error("more than one TAB; write a TAB inside a text as \\t");
            continue;
        }
        TableEntry entry{text->substr(0, tab), text->substr(tab + 1), lineNumber};
        if (entry.source.empty()) {
            error("the source text is empty");
            continue;
        }
        if (entry.translation.empty()) {
            error("the translation is empty; leave the line out instead");
            continue;
        }
        if (std::string what = controlCharacterError(entry.source + entry.translation);
            !what.empty()) {
            error(what);
            continue;
        }
        if (const std::size_t units = encodedLineUnits(entry); units > kMaxLineUnits) {
            error("the line takes " + std::to_string(units) +
                  " characters in the language file; the limit is " +
                  std::to_string(kMaxLineUnits) + " with its line end");
            continue;
        }
        // Readers take the first of two equal keys, so a second one could never be seen.
        const auto [it, inserted] = firstLineOf.emplace(unescape(entry.source), lineNumber);
        if (!inserted) {
            error("the source text is already on line " + std::to_string(it->second));
            continue;
        }
        table.entries.push_back(std::move(entry));
    }
    return table;
}

std::string encodeLanguageFile(const std::vector<TableEntry>& entries)
{
    std::string out = "\xFF\xFE";
    for (const TableEntry& entry : entries) {
        appendLittleEndian(out, toUtf16(entry.source));
        appendLittleEndian(out, u"\t\t");
        appendLittleEndian(out, toUtf16(entry.translation));
        appendLittleEndian(out, u"\r\n");
    }
    return out;
}

} // namespace velmora::lang
