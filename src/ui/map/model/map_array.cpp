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
    if (value >= 0) {
        const int k = static_cast<int>(static_cast<long long>(255 - 5 * value) & 0xFF);
        return rgb(255, k, k);
    }
    const int k = static_cast<int>(static_cast<long long>(255 + 5 * value) & 0xFF);
    return rgb(255, 255, k);
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
