// SPDX-License-Identifier: GPL-3.0-or-later
#include "cell_grid.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace velmora {

void CCell::setTxt(const std::wstring& text)
{
    if (text == m_text)
        return;
    m_text = text;
    changed();
}

void CCell::setBkColor(Colour colour)
{
    if (colour == m_bkColor)
        return;
    m_bkColor = colour;
    changed();
}

void CCell::setCurrentCellColor(Colour colour)
{
    if (colour == m_currentColor)
        return;
    m_currentColor = colour;
    if (m_current)
        changed();
}

void CCell::setCurrent(bool on)
{
    if (on == m_current)
        return;
    m_current = on;
    changed();
}

void CCell::setSelected(bool on)
{
    if (on == m_selected)
        return;
    m_selected = on;
    changed();
}

void CCell::changed()
{
    if (m_grid)
        m_grid->notify(m_pos);
}

CCellGrid::CCellGrid()
{
    m_corner.m_grid = this;
    m_corner.m_pos = {-1, -1};
    for (int c = 0; c < kColumns; ++c) {
        m_columnHeaders[c].m_grid = this;
        m_columnHeaders[c].m_pos = {c, -1};
        for (int r = 0; r < kRows; ++r) {
            m_body[c][r].m_grid = this;
            m_body[c][r].m_pos = {c, r};
        }
    }
    for (int r = 0; r < kRows; ++r) {
        m_rowHeaders[r].m_grid = this;
        m_rowHeaders[r].m_pos = {-1, r};
    }
}

CCellGrid::~CCellGrid()
{
    const std::vector<ICellGridView*> views = std::move(m_views);
    for (ICellGridView* view : views)
        view->gridDestroyed();
}

void CCellGrid::addView(ICellGridView* view)
{
    if (view && std::find(m_views.begin(), m_views.end(), view) == m_views.end())
        m_views.push_back(view);
}

void CCellGrid::removeView(ICellGridView* view)
{
    m_views.erase(std::remove(m_views.begin(), m_views.end(), view), m_views.end());
}

bool CCellGrid::isBody(CellPos p)
{
    return p.column >= 0 && p.column < kColumns && p.row >= 0 && p.row < kRows;
}

bool CCellGrid::isValid(CellPos p)
{
    return p.column >= -1 && p.column < kColumns && p.row >= -1 && p.row < kRows;
}

CCell& CCellGrid::cell(int column, int row)
{
    return const_cast<CCell&>(std::as_const(*this).cell(column, row));
}

const CCell& CCellGrid::cell(int column, int row) const
{
    if (!isBody({column, row}))
        throw std::out_of_range("map grid: no body cell at this column and row");
    return m_body[column][row];
}

CCell& CCellGrid::at(CellPos p)
{
    return const_cast<CCell&>(std::as_const(*this).at(p));
}

const CCell& CCellGrid::at(CellPos p) const
{
    if (!isValid(p))
        throw std::out_of_range("map grid: no cell at this address");
    if (p.column < 0 && p.row < 0)
        return m_corner;
    if (p.row < 0)
        return m_columnHeaders[p.column];
    if (p.column < 0)
        return m_rowHeaders[p.row];
    return m_body[p.column][p.row];
}

std::optional<CellPos> CCellGrid::firstSelected() const
{
    for (int c = 0; c < kColumns; ++c)
        for (int r = 0; r < kRows; ++r)
            if (m_body[c][r].isSelected())
                return CellPos{c, r};
    return std::nullopt;
}

std::optional<CellPos> CCellGrid::lastSelected() const
{
    for (int c = kColumns - 1; c >= 0; --c)
        for (int r = kRows - 1; r >= 0; --r)
            if (m_body[c][r].isSelected())
                return CellPos{c, r};
    return std::nullopt;
}

void CCellGrid::unselectAll()
{
    for (auto& column : m_body)
        for (auto& cell : column)
            cell.setSelected(false);
}

void CCellGrid::selectRectangle(CellPos a, CellPos b)
{
    const int c0 = std::min(a.column, b.column), c1 = std::max(a.column, b.column);
    const int r0 = std::min(a.row, b.row), r1 = std::max(a.row, b.row);
    for (int c = 0; c < kColumns; ++c)
        for (int r = 0; r < kRows; ++r)
            m_body[c][r].setSelected(c >= c0 && c <= c1 && r >= r0 && r <= r1);
}

void CCellGrid::pressCell(CellPos p, bool extend)
{
    if (!isValid(p))
        return;
    setFocusCell(p);
    if (!isBody(p))
        return;
    if (extend && isBody(m_anchor)) {
        selectRectangle(m_anchor, p);
        return;
    }
    selectRectangle(p, p);
    m_anchor = p;
}

void CCellGrid::dragToCell(CellPos p)
{
    if (!isBody(m_anchor))
        return;
    // A drag that leaves the body keeps to its edge.
    p.column = std::clamp(p.column, 0, kColumns - 1);
    p.row = std::clamp(p.row, 0, kRows - 1);
    selectRectangle(m_anchor, p);
    setFocusCell(p);
}

void CCellGrid::setFocusCell(std::optional<CellPos> p)
{
    if (p == m_focus)
        return;
    std::optional<CellPos> old = m_focus;
    m_focus = p;
    if (old)
        notify(*old);
    if (p)
        notify(*p);
}

void CCellGrid::beginEdit(CellPos p)
{
    if (!isValid(p))
        throw std::out_of_range("map grid: no cell to edit at this address");
    m_edit = p;
    m_editing = true;
}

void CCellGrid::endEdit()
{
    m_editing = false;
}

void CCellGrid::repaintAll()
{
    for (ICellGridView* view : m_views)
        view->gridChanged();
}

void CCellGrid::notify(CellPos p)
{
    for (ICellGridView* view : m_views)
        view->cellChanged(p);
}

} // namespace velmora
