// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The cell grid without its window: a corner cell, 15 column headers, 16 row
// headers and 15 x 16 body cells, each with its text, colours and flags, plus the
// selection, its anchor and the cell under in-place edit. The widget draws this and
// forwards the mouse to it; the map logic reads and changes it.
//
// Addressing: body cells are [column][row], column 0..14, row 0..15. Where one
// address covers every cell, column -1 means a row header, row -1 a column header,
// and (-1, -1) the corner.

#include "colour.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace velmora {

class CCellGrid;

struct CellPos {
    int column = -1;
    int row = -1;
    friend bool operator==(const CellPos&, const CellPos&) = default;
};

class CCell {
public:
    const std::wstring& getTxt() const { return m_text; }
    void setTxt(const std::wstring& text);
    // kNoColour: the grid's default for the cell's kind.
    Colour bkColor() const { return m_bkColor; }
    void setBkColor(Colour colour);
    Colour currentCellColor() const { return m_currentColor; }
    void setCurrentCellColor(Colour colour);
    bool isCurrent() const { return m_current; }
    void setCurrent(bool on);
    bool isSelected() const { return m_selected; }
    void setSelected(bool on);
    CellPos pos() const { return m_pos; }
    // Shown when the pointer rests on the cell; empty: none.
    const std::wstring& tip() const { return m_tip; }
    void setTip(const std::wstring& tip) { m_tip = tip; }

private:
    friend class CCellGrid;
    void changed();

    CCellGrid* m_grid = nullptr;
    CellPos m_pos;
    std::wstring m_text;
    std::wstring m_tip;
    Colour m_bkColor = kNoColour;
    Colour m_currentColor = kNoColour;
    bool m_current = false;
    bool m_selected = false;
};

// What the grid tells the window that draws it.
class ICellGridView {
public:
    virtual ~ICellGridView() = default;
    virtual void cellChanged(CellPos cell) = 0;
    virtual void gridChanged() = 0;
    // The grid object is going away; the view must forget it.
    virtual void gridDestroyed() = 0;
};

class CCellGrid {
public:
    static constexpr int kColumns = 15;
    static constexpr int kRows = 16;

    CCellGrid();
    virtual ~CCellGrid();
    CCellGrid(const CCellGrid&) = delete;
    CCellGrid& operator=(const CCellGrid&) = delete;

    static bool isBody(CellPos p);
    // Any addressable cell: body, header or corner.
    static bool isValid(CellPos p);

    // Throw std::out_of_range for an address outside the grid.
    CCell& cell(int column, int row);
    const CCell& cell(int column, int row) const;
    CCell& at(CellPos p);
    const CCell& at(CellPos p) const;
    CCell& columnHeader(int column) { return at({column, -1}); }
    CCell& rowHeader(int row) { return at({-1, row}); }
    CCell& corner() { return at({-1, -1}); }

    // ---- selection (body cells only) ----
    bool isSelected(int column, int row) const { return cell(column, row).isSelected(); }
    void setSelected(int column, int row, bool on) { cell(column, row).setSelected(on); }
    // First and last selected cell in scan order: columns 0..14, within a column rows 0..15.
    std::optional<CellPos> firstSelected() const;
    std::optional<CellPos> lastSelected() const;
    // Every selection flag off.
    void unselectAll();
    // Exactly the rectangle spanned by a and b is selected afterwards.
    void selectRectangle(CellPos a, CellPos b);

    // The corner that a growing selection keeps fixed; (-1, -1) until a cell was
    // clicked or reached by a keyboard move.
    CellPos anchor() const { return m_anchor; }
    void setAnchor(CellPos p) { m_anchor = p; }

    // Mouse: a press selects one cell and makes it the anchor, or with extend (Shift)
    // selects the rectangle from the anchor; dragging selects the rectangle from the
    // anchor. Header and corner addresses only move the focus cell.
    void pressCell(CellPos p, bool extend);
    void dragToCell(CellPos p);
    // The cell last clicked (any kind); typing there starts an edit.
    std::optional<CellPos> focusCell() const { return m_focus; }
    void setFocusCell(std::optional<CellPos> p);

    // ---- in-place edit ----
    bool isEditing() const { return m_editing; }
    // The cell under edit; meaningful while isEditing().
    int editColumn() const { return m_edit.column; }
    int editRow() const { return m_edit.row; }
    void beginEdit(CellPos p);
    void endEdit();

    // ---- drawing ----
    // Views are told of every change until they are removed or the grid goes.
    void addView(ICellGridView* view);
    void removeView(ICellGridView* view);
    void repaintAll();

private:
    friend class CCell;
    void notify(CellPos p);

    CCell m_corner;
    std::array<CCell, kColumns> m_columnHeaders;
    std::array<CCell, kRows> m_rowHeaders;
    std::array<std::array<CCell, kRows>, kColumns> m_body;
    CellPos m_anchor;
    std::optional<CellPos> m_focus;
    CellPos m_edit;
    bool m_editing = false;
    std::vector<ICellGridView*> m_views;
};

} // namespace velmora
