// SPDX-License-Identifier: GPL-3.0-or-later
#include "paste_text.h"

#include "mapfile/decimal_text.h"

namespace velmora::mapfile {

namespace {

using detail::trim;

// Tab when there is one; a csv line from a spreadsheet otherwise.
char separatorOf(std::string_view text) {
    if (text.find('\t') != std::string_view::npos) return '\t';
    if (text.find(';') != std::string_view::npos) return ';';
    if (text.find(',') != std::string_view::npos) {
        // "1,5" alone is a number with a decimal comma (a column copied from a
        // spreadsheet in such a locale), not two cells. Two commas on a line, or
        // decimal points beside the commas, make it comma separated.
        if (text.find('.') != std::string_view::npos) return ',';
        for (std::string_view line : detail::split(text, '\n'))
            if (line.find(',') != line.rfind(',')) return ',';
    }
    return '\t';
}

std::string_view separatorName(char c) { return c == '\t' ? "tab" : c == ';' ? "';'" : "','"; }

} // namespace

std::optional<TextError> parsePasteText(std::string_view text, ValueBlock& block) {
    if (text.size() > kMaxPasteBytes)
        return TextError{1, 0, "the text is too long for map cells (" + std::to_string(text.size()) + " bytes)"};
    text = detail::withoutBom(text);
    std::vector<std::string_view> lines = detail::split(text, '\n');
    while (!lines.empty() && trim(lines.back()).empty()) lines.pop_back();
    if (lines.empty()) return TextError{1, 0, "there are no numbers to paste"};
    if (lines.size() > kMaxPasteRows)
        return TextError{kMaxPasteRows + 1, 0, "more than " + std::to_string(kMaxPasteRows) + " rows"};

    const char separator = separatorOf(text);
    const bool decimalComma = separator != ',';
    ValueBlock rows;
    rows.reserve(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::size_t line = i + 1;
        // Trailing '\r' only: a leading tab is an empty first cell, not a blank.
        std::string_view content = lines[i];
        if (!content.empty() && content.back() == '\r') content.remove_suffix(1);
        if (trim(content).empty()) return TextError{line, 0, "empty line inside the block"};
        const std::vector<std::string_view> cells = detail::split(content, separator);
        if (cells.size() > kMaxPasteColumns)
            return TextError{line, kMaxPasteColumns + 1,
                             "more than " + std::to_string(kMaxPasteColumns) + " cells in a row"};
        if (i > 0 && cells.size() != rows[0].size()) {
            std::string message = "this row has " + std::to_string(cells.size()) + " cells, the first has " +
                                  std::to_string(rows[0].size());
            message += " (cells separated by ";
            message += separatorName(separator);
            message += "); a paste must be a rectangle";
            return TextError{line, 0, std::move(message)};
        }
        std::vector<double> values(cells.size());
        for (std::size_t j = 0; j < cells.size(); ++j) {
            const std::string_view cell = trim(cells[j]);
            if (cell.empty()) return TextError{line, j + 1, "empty cell"};
            switch (detail::parseDecimal(cell, decimalComma, values[j])) {
            case detail::Parsed::Ok: break;
            case detail::Parsed::NotFinite:
                return TextError{line, j + 1, detail::quoted(cell) + " is not a finite number"};
            case detail::Parsed::NotNumber:
                return TextError{line, j + 1, detail::quoted(cell) + " is not a number"};
            }
        }
        rows.push_back(std::move(values));
    }
    block = std::move(rows);
    return std::nullopt;
}

std::string formatPasteText(const ValueBlock& block) {
    std::string text;
    for (const auto& row : block) {
        for (std::size_t j = 0; j < row.size(); ++j) {
            if (j) text += '\t';
            text += detail::fixed(row[j], 2);
        }
        text += '\n';
    }
    return text;
}

} // namespace velmora::mapfile
