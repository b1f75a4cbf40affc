// SPDX-License-Identifier: GPL-3.0-or-later
#include "map_edit.h"

#include "device/encodings.h"
#include "mapfile/decimal_text.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace velmora::mapfile {

namespace {

constexpr int kHighestByte = 255;

std::string where(int row, int column) {
    return "row " + std::to_string(row + 1) + ", column " + std::to_string(column + 1);
}

EditResult refused(std::string reason, int row = -1, int column = -1) {
    return EditResult{std::nullopt, std::move(reason), row, column};
}

// The new value of every cell of rect from next(row, column, old), refused whole when
// any of them is not a value the unit holds.
template <class Next>
EditResult edit(const MapValues& map, const CellRect& rect, Next next) {
    if (!rect.valid()) return refused("the selection is not inside the map");
    MapValues out = map;
    for (int r = rect.row; r < rect.row + rect.rows; ++r) {
        for (int c = rect.column; c < rect.column + rect.columns; ++c) {
            const auto ur = static_cast<std::size_t>(r), uc = static_cast<std::size_t>(c);
            const double v = next(r, c, map[ur][uc]);
            if (!std::isfinite(v)) return refused(where(r, c) + " would not be a number", r, c);
            if (!storableMapValue(v)) {
                std::string reason = where(r, c) + " would be " + detail::fixed(v, 2);
                reason += v < kMapLowest ? ", below the lowest value the unit holds (0.00)"
                                         : ", above the highest value the unit holds (5.10)";
                return refused(std::move(reason), r, c);
            }
            out[ur][uc] = unitMapValue(v);
        }
    }
    return EditResult{out, {}, -1, -1};
}

// Where the breakpoints first..last lie: on the axis when it rises strictly there,
// otherwise evenly (a broken axis must not make weights divide by zero or flip).
template <std::size_t N>
std::vector<double> positions(const std::array<double, N>& axis, int first, int count) {
    std::vector<double> p(static_cast<std::size_t>(count));
    bool rising = true;
    for (int i = 0; i < count; ++i) {
        p[static_cast<std::size_t>(i)] = axis[static_cast<std::size_t>(first + i)];
        if (!std::isfinite(p[static_cast<std::size_t>(i)]) || (i > 0 && p[static_cast<std::size_t>(i)] <= p[static_cast<std::size_t>(i - 1)]))
            rising = false;
    }
    if (!rising)
        for (int i = 0; i < count; ++i) p[static_cast<std::size_t>(i)] = i;
    return p;
}

// 0 at the first position, 1 at the last; 0 throughout when there is only one.
double weight(const std::vector<double>& p, int i) {
    if (p.size() < 2) return 0.0;
    return (p[static_cast<std::size_t>(i)] - p.front()) / (p.back() - p.front());
}

} // namespace

bool CellRect::valid() const {
    return row >= 0 && column >= 0 && rows > 0 && columns > 0 && rows <= kVoltRows - row &&
           columns <= kRpmCols - column;
}

double unitMapValue(double v) {
    const double units = roundHalfAway(v / kMapStep);
    if (units >= 0 && units <= kHighestByte) return mapValueFromByte(static_cast<std::uint8_t>(units));
    return units * kMapStep;
}

bool storableMapValue(double v) {
    if (!std::isfinite(v)) return false;
    const double units = roundHalfAway(v / kMapStep);
    return units >= 0 && units <= kHighestByte;
}

EditResult setValue(const MapValues& map, const CellRect& rect, double value) {
    return edit(map, rect, [&](int, int, double) { return value; });
}

EditResult addValue(const MapValues& map, const CellRect& rect, double delta) {
    return edit(map, rect, [&](int, int, double old) { return old + delta; });
}

EditResult scaleByPercent(const MapValues& map, const CellRect& rect, double percent) {
    if (!std::isfinite(percent) || percent < -100.0)
        return refused("a change of " + detail::fixed(percent, 1) + " % would make values negative");
    return edit(map, rect, [&](int, int, double old) { return old * (1.0 + percent / 100.0); });
}

EditResult interpolateRows(const MapValues& map, const CellRect& rect, const VoltAxis& volts) {
    if (!rect.valid()) return refused("the selection is not inside the map");
    const auto p = positions(volts, rect.row, rect.rows);
    const auto top = static_cast<std::size_t>(rect.row);
    const auto bottom = static_cast<std::size_t>(rect.row + rect.rows - 1);
    return edit(map, rect, [&](int r, int c, double) {
        const auto uc = static_cast<std::size_t>(c);
        const double t = weight(p, r - rect.row);
        return map[top][uc] + (map[bottom][uc] - map[top][uc]) * t;
    });
}

EditResult interpolateColumns(const MapValues& map, const CellRect& rect, const RpmAxis& rpm) {
    if (!rect.valid()) return refused("the selection is not inside the map");
    const auto p = positions(rpm, rect.column, rect.columns);
    const auto left = static_cast<std::size_t>(rect.column);
    const auto right = static_cast<std::size_t>(rect.column + rect.columns - 1);
    return edit(map, rect, [&](int r, int c, double) {
        const auto ur = static_cast<std::size_t>(r);
        const double t = weight(p, c - rect.column);
        return map[ur][left] + (map[ur][right] - map[ur][left]) * t;
    });
}

EditResult interpolateBoth(const MapValues& map, const CellRect& rect, const VoltAxis& volts,
                           const RpmAxis& rpm) {
    if (!rect.valid()) return refused("the selection is not inside the map");
    const auto pr = positions(volts, rect.row, rect.rows);
    const auto pc = positions(rpm, rect.column, rect.columns);
    const auto top = static_cast<std::size_t>(rect.row);
    const auto bottom = static_cast<std::size_t>(rect.row + rect.rows - 1);
    const auto left = static_cast<std::size_t>(rect.column);
    const auto right = static_cast<std::size_t>(rect.column + rect.columns - 1);
    return edit(map, rect, [&](int r, int c, double) {
        const double tr = weight(pr, r - rect.row);
        const double tc = weight(pc, c - rect.column);
        const double upper = map[top][left] + (map[top][right] - map[top][left]) * tc;
        const double lower = map[bottom][left] + (map[bottom][right] - map[bottom][left]) * tc;
        return upper + (lower - upper) * tr;
    });
}

ValueBlock copyBlock(const MapValues& map, const CellRect& rect) {
    ValueBlock block;
    if (!rect.valid()) return block;
    for (int r = rect.row; r < rect.row + rect.rows; ++r) {
        block.emplace_back();
        for (int c = rect.column; c < rect.column + rect.columns; ++c)
            block.back().push_back(map[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]);
    }
    return block;
}

EditResult pasteBlock(const MapValues& map, int row, int column, const ValueBlock& block,
                      std::optional<CellRect> fill) {
    if (block.empty() || block[0].empty()) return refused("there is nothing to paste");
    for (const auto& line : block)
        if (line.size() != block[0].size()) return refused("the pasted cells are not a rectangle");
    if (block.size() == 1 && block[0].size() == 1 && fill && fill->valid())
        return setValue(map, *fill, block[0][0]);
    const CellRect target{row, column, static_cast<int>(std::min<std::size_t>(block.size(), kVoltRows + 1)),
                          static_cast<int>(std::min<std::size_t>(block[0].size(), kRpmCols + 1))};
    if (!target.valid()) {
        std::string reason = "the pasted block (" + std::to_string(block.size()) + " rows x " +
                             std::to_string(block[0].size()) + " columns) does not fit the map from " +
                             where(row, column);
        return refused(std::move(reason));
    }
    return edit(map, target, [&](int r, int c, double) {
        return block[static_cast<std::size_t>(r - row)][static_cast<std::size_t>(c - column)];
    });
}

} // namespace velmora::mapfile
