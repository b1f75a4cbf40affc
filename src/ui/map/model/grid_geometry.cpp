// SPDX-License-Identifier: GPL-3.0-or-later
#include "grid_geometry.h"

#include <algorithm>

namespace velmora {

namespace {

// Edges of one band of cells: the header (nominal size header) then count cells of
// nominal size cell, stretched to total pixels; rounding spreads the leftover pixels.
template <std::size_t N>
void spread(std::array<int, N>& edges, int header, int cell, int total)
{
    const int count = static_cast<int>(N) - 2;
    const long long nominal = header + static_cast<long long>(cell) * count;
    edges[0] = 0;
    for (int i = 1; i < static_cast<int>(N); ++i) {
        const long long at = header + static_cast<long long>(cell) * (i - 1);
        edges[i] = static_cast<int>((at * total + nominal / 2) / nominal);
    }
}

template <std::size_t N>
int band(const std::array<int, N>& edges, int v)
{
    auto it = std::upper_bound(edges.begin(), edges.end(), v);
    return static_cast<int>(it - edges.begin()) - 2; // -1 header, 0.. cells
}

} // namespace

CGridGeometry::CGridGeometry(int headerHeight, int columnWidth, int rowHeight, int headerWidth)
    : m_headerHeight(std::max(1, headerHeight)),
      m_columnWidth(std::max(1, columnWidth)),
      m_rowHeight(std::max(1, rowHeight)),
      m_headerWidth(std::max(1, headerWidth))
{
    resize(nominalWidth(), nominalHeight());
}

int CGridGeometry::nominalWidth() const
{
    return m_headerWidth + m_columnWidth * CCellGrid::kColumns;
}

int CGridGeometry::nominalHeight() const
{
    return m_headerHeight + m_rowHeight * CCellGrid::kRows;
}

void CGridGeometry::resize(int width, int height)
{
    spread(m_xEdges, m_headerWidth, m_columnWidth, std::max(0, width));
    spread(m_yEdges, m_headerHeight, m_rowHeight, std::max(0, height));
}

CellRect CGridGeometry::cellRect(CellPos p) const
{
    if (!CCellGrid::isValid(p))
        return {};
    const int x0 = m_xEdges[p.column + 1], x1 = m_xEdges[p.column + 2];
    const int y0 = m_yEdges[p.row + 1], y1 = m_yEdges[p.row + 2];
    return {x0, y0, x1 - x0, y1 - y0};
}

std::optional<CellPos> CGridGeometry::hitTest(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width() || y >= height())
        return std::nullopt;
    return CellPos{band(m_xEdges, x), band(m_yEdges, y)};
}

CellPos CGridGeometry::nearestBodyCell(int x, int y) const
{
    if (width() <= 0 || height() <= 0)
        return {0, 0};
    const int column = std::clamp(band(m_xEdges, std::clamp(x, 0, width() - 1)), 0,
                                  CCellGrid::kColumns - 1);
    const int row = std::clamp(band(m_yEdges, std::clamp(y, 0, height() - 1)), 0,
                               CCellGrid::kRows - 1);
    return {column, row};
}

} // namespace velmora
