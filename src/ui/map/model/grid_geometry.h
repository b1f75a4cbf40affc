// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the grid's cells lie in a window of a given size. The nominal sizes come
// from the grid's init; the cells are stretched so the grid fills the window
// exactly, keeping the header band and body cells in their nominal proportion.

#include "cell_grid.h"

#include <array>
#include <optional>

namespace velmora {

struct CellRect {
    int x = 0, y = 0, width = 0, height = 0;
    friend bool operator==(const CellRect&, const CellRect&) = default;
};

class CGridGeometry {
public:
    // headerHeight: nominal height of the column header band; columnWidth: nominal
    // width of a body column; rowHeight: nominal height of a body row;
    // headerWidth: nominal width of the row header band. Non-positive sizes count as 1.
    CGridGeometry(int headerHeight, int columnWidth, int rowHeight, int headerWidth);

    // Recomputes the edges for a window of width x height pixels.
    void resize(int width, int height);
    int width() const { return m_xEdges.back(); }
    int height() const { return m_yEdges.back(); }
    // The size at which nothing is stretched.
    int nominalWidth() const;
    int nominalHeight() const;

    // Any address of CCellGrid (-1 for the header bands).
    CellRect cellRect(CellPos p) const;
    // The cell under a point; nothing outside the window.
    std::optional<CellPos> hitTest(int x, int y) const;
    // Like hitTest, but a point outside the body is pulled to the nearest body cell
    // (for drags that leave the grid).
    CellPos nearestBodyCell(int x, int y) const;

private:
    int m_headerHeight, m_columnWidth, m_rowHeight, m_headerWidth;
    // Edge i is the left side of column i - 1 (edge 0: the row header band's left side).
    std::array<int, CCellGrid::kColumns + 2> m_xEdges{};
    std::array<int, CCellGrid::kRows + 2> m_yEdges{};
};

} // namespace velmora
