// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A correction map on the cell grid: values become cell texts and colours, one cell
// marks where the engine works now, and the keyboard moves and grows the selection.

#include "cell_grid.h"

#include <string>

namespace velmora {

// Arrow key codes the map's keyboard operations take.
enum MapKey : int { kKeyLeft = 0x25, kKeyUp = 0x26, kKeyRight = 0x27, kKeyDown = 0x28 };

// Background of the cell the engine works in.
constexpr Colour kCurrentCellColour = rgb(120, 0, 0);

class CMapArray : public CCellGrid {
public:
    CMapArray(double upperLimit, double lowerLimit);

    // Text formatValue(value), tip formatExact(value), background valueColour(value).
    void setCellValue(int column, int row, double value);
    // The cell's text read as a number; 0 for an empty cell or one that holds none.
    double getCellValue(int column, int row) const;
    // White at 0, redder as the value grows, in distinct steps of 0.2 up to 5.0
    // (RGB(215, 40, 35)); values above share the last step. Negative values turn
    // yellow.
    static Colour valueColour(double value);

    // Moves the current-cell marker to the cell of (rpm, volts). Only the two cells
    // involved change, so the view repaints just them.
    virtual void markCurrentCell(double rpm, double volts);
    // Steps every selected value by step, within the limits.
    virtual void incrementSelected(double step) = 0;
    virtual CellPos findCell(double rpm, double volts) const = 0;
    virtual std::wstring formatValue(double value) const = 0;
    // The value in full, for the cell's tip; formatValue's text unless overridden.
    virtual std::wstring formatExact(double value) const { return formatValue(value); }

    // Plain arrows: the first selected cell (scan order) moves one cell and becomes
    // the only selected cell and the anchor. Nothing happens without a selection.
    void moveSelection(int key);
    // Shift+arrows: grows or shrinks the selected rectangle on the side away from
    // the anchor.
    void extendSelection(int key);
    void clearSelection(bool repaint);

    double upperLimit() const { return m_upperLimit; }
    double lowerLimit() const { return m_lowerLimit; }
    CellPos currentCell() const { return m_current; }

protected:
    double clampValue(double value) const;

private:
    void setColumn(int column, int r0, int r1, bool on);
    void setRow(int row, int c0, int c1, bool on);

    double m_upperLimit;
    double m_lowerLimit;
    CellPos m_current{0, 0};
};

} // namespace velmora
