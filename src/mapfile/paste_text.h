// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Cells travelling through the clipboard as a spreadsheet sends them: one line per
// row, tab between cells.
//
// Standard C++ only; the window moves the text to and from QClipboard.

#include "mapfile/text_error.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::mapfile {

// Rows of numbers, every row as long as the first. Row 0 is the top of the block.
using ValueBlock = std::vector<std::vector<double>>;

// Longest text parsePasteText looks at, and the most rows and cells per row it takes:
// far more than a map (16 x 15), small enough that a clipboard holding a whole
// document is refused at once instead of being split into millions of cells.
constexpr std::size_t kMaxPasteBytes = 64 * 1024;
constexpr std::size_t kMaxPasteRows = 256;
constexpr std::size_t kMaxPasteColumns = 256;

// Reads a rectangular block. Cells are separated by tabs; a text without a tab but
// with ';' is split at ';' (csv lines from a spreadsheet in a decimal-comma locale);
// a text with ',' only is split at ',' when some line holds two commas or the text
// has a '.' too, otherwise "1,5" is one number with a decimal comma (a column copied
// from such a spreadsheet). Numbers may use a decimal comma unless ',' separates the
// cells. LF or CRLF line ends, blanks around cells, an optional
// UTF-8 byte order mark and one or more line ends at the end are fine. Refused
// whole, with line and column: an empty text, an empty cell, a cell that is not a
// finite number, a row of another length than the first (a ragged block), and a
// block beyond the limits above. block is written only on success.
std::optional<TextError> parsePasteText(std::string_view text, ValueBlock& block);

// Tab between cells, "\n" after every row (also the last, as spreadsheets copy),
// each value with two decimals and a '.' ("%.2f" independent of the C locale): the
// precision of the unit's map, and what parsePasteText reads back unchanged.
std::string formatPasteText(const ValueBlock& block);

} // namespace velmora::mapfile
