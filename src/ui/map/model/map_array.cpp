// SPDX-License-Identifier: GPL-3.0-or-later
#include "map_array.h"

#include "number_text.h"

#include <algorithm>
#include <cmath>

namespace velmora {

CMapArray::CMapArray(double upperLimit, double lowerLimit)
    : m_upperLimit(upperLimit), m_lowerLimit(lowerLimit)
{
}

void CMapArray::setCellValue(int column, int row, double value)
{
    CCell& c = cell(column, row);
    c.setTxt(formatValue(value));
    c.setTip(formatExact(value));
    c.setBkColor(valueColour(value));
}

double CMapArray::getCellValue(int column, int row) const
{
    return parseLeadingNumber(cell(column, row).getTxt());
}

Colour CMapArray::valueColour(double value)
{
    if (!std::isfinite(value))
        value = 0.0;
    // Far outside any map value the shade is meaningless; keep the arithmetic defined.
    value = std::clamp(value, -1e9, 1e9);
    if (value < 0) {
        const int k = static_cast<int>(static_cast<long long>(255 + 5 * value) & 0xFF);
        return rgb(255, 255, k);
    }
    // The shade changes where 255 - 5 x value changes its whole part: every 0.2.
    // Each of those steps gets its own colour on a ramp from white over yellow and
    // orange to red, green and blue only ever falling, so a higher value is always
    // redder and neighbouring steps stay apart on an ordinary screen.
    struct Stop {
        double at;
        int r, g, b;
    };
    static constexpr Stop stops[] = {
        {0.0, 255, 255, 255}, {1.0, 255, 240, 150}, {2.0, 255, 200, 90},
        {3.0, 250, 150, 55},  {4.0, 240, 95, 45},   {5.0, 215, 40, 35},
    };
    const double step = std::min(std::floor(value * 5.0 + 1e-9) / 5.0, 5.0);
    for (std::size_t i = 1; i < std::size(stops); ++i) {
        if (step <= stops[i].at) {
            const Stop& a = stops[i - 1];
            const Stop& b = stops[i];
            const double t = (step - a.at) / (b.at - a.at);
            const auto mix = [t](int x, int y) { return static_cast<int>(std::lround(x + (y - x) * t)); };
            return rgb(mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b));
        }
    }
    return rgb(stops[5].r, stops[5].g, stops[5].b);
}

void CMapArray::markCurrentCell(double rpm, double volts)
{
    const CellPos next = findCell(rpm, volts);
    // The engine mostly stays in its cell: then nothing changes and nothing repaints.
    if (next == m_current && cell(next.column, next.row).isCurrent()
        && cell(next.column, next.row).currentCellColor() == kCurrentCellColour) {
        cell(next.column, next.row).setBkColor(valueColour(getCellValue(next.column, next.row)));
        return;
    }
    CCell& old = cell(m_current.column, m_current.row);
    old.setBkColor(valueColour(getCellValue(m_current.column, m_current.row)));
    old.setCurrent(false);
    CCell& now = cell(next.column, next.row);
    now.setCurrentCellColor(kCurrentCellColour);
    now.setCurrent(true);
    m_current = next;
}

void CMapArray::moveSelection(int key)
{
    const std::optional<CellPos> first = firstSelected();
    if (!first)
        return;
    clearSelection(false);
    CellPos p = *first;
    switch (key) {
    case kKeyLeft: p.column = std::max(0, p.column - 1); break;
    case kKeyUp: p.row = std::max(0, p.row - 1); break;
    case kKeyRight: p.column = std::min(kColumns - 1, p.column + 1); break;
    case kKeyDown: p.row = std::min(kRows - 1, p.row + 1); break;
    default: repaintAll(); return;
    }
    setSelected(p.column, p.row, true);
    setAnchor(p);
    setFocusCell(p);
}

void CMapArray::extendSelection(int key)
{
    const std::optional<CellPos> first = firstSelected();
    if (!first)
        return;
    const CellPos last = *lastSelected();
    const int c0 = first->column, r0 = first->row, c1 = last.column, r1 = last.row;
    const int ac = anchor().column, ar = anchor().row;

    switch (key) {
    case kKeyLeft:
        if (ac < 0)
            return;
        if (ac < c1)
            setColumn(c1, r0, r1, false);
        else if (ac == c1 && c0 > 0)
            setColumn(c0 - 1, r0, r1, true);
        break;
    case kKeyRight:
        if (ac < 0)
            return;
        if (ac == c0) {
            if (c1 < kColumns - 1)
                setColumn(c1 + 1, r0, r1, true);
        } else if (ac > c0) {
            setColumn(c0, r0, r1, false);
        }
        break;
    case kKeyUp:
        if (ar < 0)
            return;
        if (ar < r1)
            setRow(r1, c0, c1, false);
        else if (ar == r1 && r0 > 0)
            setRow(r0 - 1, c0, c1, true);
        break;
    case kKeyDown:
        if (ar < 0)
            return;
        if (ar == r0) {
            if (r1 < kRows - 1)
                setRow(r1 + 1, c0, c1, true);
        } else if (ar > r0) {
            setRow(r0, c0, c1, false);
        }
        break;
    default:
        break;
    }
}

void CMapArray::clearSelection(bool repaint)
{
    unselectAll();
    if (repaint)
        repaintAll();
}

double CMapArray::clampValue(double value) const
{
    return std::max(std::min(value, m_upperLimit), m_lowerLimit);
}

void CMapArray::setColumn(int column, int r0, int r1, bool on)
{
    for (int r = r0; r <= r1; ++r)
        setSelected(column, r, on);
}

void CMapArray::setRow(int row, int c0, int c1, bool on)
{
    for (int c = c0; c <= c1; ++c)
        setSelected(c, row, on);
}

} // namespace velmora
