// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The cell grid window: draws a CCellGrid, turns mouse input into its selection
// and runs the in-place editing of the header cells. Arrow keys are left to the
// window (see map_key_router.h).
//
// init(editor, corner, headerHeight, columnWidth, columnHeaders, rowHeight,
//      rowHeaderWidth, rowHeaders, gridLines, headerBackground, text,
//      bodyBackground, selection, corner colour, font, padding):
//   headerHeight    nominal pixel height of the column header band (22)
//   columnWidth     nominal pixel width of each of the 15 columns (43)
//   rowHeight       nominal pixel height of each of the 16 rows (22)
//   rowHeaderWidth  nominal pixel width of the row header band (43)
//   The nominal sizes only set proportions: the cells stretch so the grid fills
//   the window (688 x 374 pixels at nominal size).
//   gridLines         lines between cells (0x000000)
//   headerBackground  column and row header cells (0xC8C8C8)
//   text              every cell's text, turned white on a dark background (0x000000)
//   bodyBackground    body cells without a colour of their own (0xFFFFFF)
//   selection         selected body cells (0xA0FFA0)
//   corner            the corner cell and the header cell under edit (0xD2D2D2)
//   Colours are 0x00BBGGRR. padding: pixels kept free left and right of a cell's
//   text (6).
//
// Mouse: a click selects one body cell and sets the anchor, a drag or a Shift+click
// selects the rectangle from the anchor. A press takes the keyboard focus.
// Editing: a double-click on a header or body cell, or typing (or F2, Enter) after
// clicking one, opens the editor over it; Enter or leaving the editor commits, Esc
// cancels. The editor's getText() gives the text the cell keeps. The editor keeps
// its own arrow, Home and End keys for the caret.

#include "comp_ctrl.h"
#include "item_edit.h"

#include "ui/map/model/cell_grid.h"
#include "ui/map/model/grid_geometry.h"

#include <QFont>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace velmora {

class CCellArray : public CCompCtrl, private ICellGridView {
    Q_OBJECT
public:
    // The grid must outlive its window or tell it when it goes (it does, on destruction).
    explicit CCellArray(CCellGrid& grid, QWidget* parent = nullptr);
    ~CCellArray() override;

    void init(std::unique_ptr<CItemEdit> editor, const std::wstring& cornerText,
              int headerHeight, int columnWidth, const std::vector<std::wstring>& columnHeaders,
              int rowHeight, int rowHeaderWidth, const std::vector<std::wstring>& rowHeaders,
              Colour gridLines, Colour headerBackground, Colour text, Colour bodyBackground,
              Colour selection, Colour corner, const QFont& font, int padding);

    CCellGrid* grid() const { return m_grid; }
    CItemEdit* editor() const { return m_editor.get(); }
    QRect cellRect(CellPos p) const;
    std::optional<CellPos> cellAt(const QPoint& point) const;

    // Opens the editor over a header or body cell with its text (all selected), or
    // with typed in its place. False for the corner, or without an editor.
    bool beginEdit(CellPos p);
    bool beginEdit(CellPos p, const QString& typed);
    void commitEdit();
    void cancelEdit();

    QSize sizeHint() const override;

    // Shows the cells as a state last known, not live: greyed and hatched, caption
    // (e.g. "last read 12:34:56") added to every cell's tip. Off: in colour.
    void setStale(bool stale, const QString& caption = {});
    bool isStale() const { return m_stale; }

signals:
    // The focus cell moved, or its content changed.
    void focusCellChanged();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // ICellGridView
    void cellChanged(CellPos cell) override;
    void gridChanged() override;
    void gridDestroyed() override;

    bool openEditor(CellPos p, const QString& text, bool selectAll);
    void finishEdit(bool commit);
    void paintCell(class QPainter& painter, CellPos p);

    CCellGrid* m_grid;
    std::unique_ptr<CItemEdit> m_editor;
    CGridGeometry m_geometry{22, 43, 22, 43};
    Colour m_gridLines = 0x000000;
    Colour m_headerBackground = 0xC8C8C8;
    Colour m_text = 0x000000;
    Colour m_bodyBackground = 0xFFFFFF;
    Colour m_selection = 0xA0FFA0;
    Colour m_corner = 0xD2D2D2;
    int m_padding = 6;
    bool m_dragging = false;
    bool m_finishing = false;
    bool m_stale = false;
    QString m_staleCaption;
    std::optional<CellPos> m_reportedFocus;
    // The text the editor opened with; leaving it unchanged is no edit.
    std::optional<QString> m_openedText;
};

} // namespace velmora
