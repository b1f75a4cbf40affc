// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Bulk edits of the correction map: pure functions from a map and a rectangle of
// cells to the edited map, or to the reason the edit is refused.
//
// The unit keeps a map value as one byte counting 0.02 (0.00..5.10). Every result is
// rounded to that step, so what the window shows is what the unit will hold, and an
// edit that would take any cell below 0.00 or above 5.10 is refused whole: values are
// never wrapped and never quietly clamped.

#include "mapfile/map_types.h"
#include "mapfile/paste_text.h"

#include <optional>
#include <string>

namespace velmora::mapfile {

constexpr double kMapStep = 0.02;     // one map byte
constexpr double kMapLowest = 0.0;    // byte 0
constexpr double kMapHighest = 5.10;  // byte 255

// A rectangle of cells: rows are voltage indexes (0..15), columns RPM indexes (0..14).
struct CellRect {
    int row = 0;
    int column = 0;
    int rows = 1;
    int columns = 1;
    // Non-empty and inside the 16 x 15 grid.
    bool valid() const;
    friend bool operator==(const CellRect&, const CellRect&) = default;
};

// An edit's outcome: map holds the whole edited map on success. On refusal map is
// empty, reason says why in English ("cell 3, 5 would be 5.30, above 5.10") and
// row/column name the first cell at fault (-1 when the fault is not one cell's).
struct EditResult {
    std::optional<MapValues> map;
    std::string reason;
    int row = -1;
    int column = -1;
    bool ok() const { return map.has_value(); }
};

// v rounded to the unit's 0.02 step (half away from zero), e.g. 1.234 -> 1.24. Does
// not limit: 5.2 stays 5.2 (callers refuse it).
double unitMapValue(double v);
// v rounds to a value the unit holds (0.00..5.10) and is finite.
bool storableMapValue(double v);

// Every cell of rect := value.
EditResult setValue(const MapValues& map, const CellRect& rect, double value);
// Every cell of rect += delta (negative subtracts).
EditResult addValue(const MapValues& map, const CellRect& rect, double delta);
// Every cell of rect changes by percent of its value: +10 makes 1.00 into 1.10,
// -50 halves it, 0 changes nothing. Below -100 is refused (it would go negative).
EditResult scaleByPercent(const MapValues& map, const CellRect& rect, double percent);

// Straight lines between the selection's edges, weighted by where the breakpoints
// lie on the axis (by index when that part of the axis does not rise strictly):
// - interpolateRows: down each column, from the rect's top row to its bottom row
//   (needs rows >= 3 to change anything);
// - interpolateColumns: along each row, from its left column to its right column;
// - interpolateBoth: every cell bilinear from the rect's four corner cells.
// A rect one row (or column) wide is left as it is in that direction.
EditResult interpolateRows(const MapValues& map, const CellRect& rect, const VoltAxis& volts);
EditResult interpolateColumns(const MapValues& map, const CellRect& rect, const RpmAxis& rpm);
EditResult interpolateBoth(const MapValues& map, const CellRect& rect, const VoltAxis& volts,
                           const RpmAxis& rpm);

// The block of values in rect, top row first (for formatPasteText).
ValueBlock copyBlock(const MapValues& map, const CellRect& rect);
// Puts block into the map with its top left cell at (row, column). Refused whole when
// the block is empty or ragged, runs past the grid's edge, or holds a value the unit
// cannot store. A 1 x 1 block pasted over a larger selection fills it: pass that
// selection as fill; otherwise fill is ignored.
EditResult pasteBlock(const MapValues& map, int row, int column, const ValueBlock& block,
                      std::optional<CellRect> fill = std::nullopt);

} // namespace velmora::mapfile
