// SPDX-License-Identifier: GPL-3.0-or-later
// Mouse and keyboard selection over the 15 x 16 body cells.

#include "ui/map/model/map_emu1.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

namespace velmora {
namespace {

using Cells = std::set<std::pair<int, int>>;

Cells selected(const CCellGrid& grid)
{
    Cells out;
    for (int c = 0; c < CCellGrid::kColumns; ++c)
        for (int r = 0; r < CCellGrid::kRows; ++r)
            if (grid.isSelected(c, r))
                out.insert({c, r});
    return out;
}

Cells rectangle(int c0, int r0, int c1, int r1)
{
    Cells out;
    for (int c = c0; c <= c1; ++c)
        for (int r = r0; r <= r1; ++r)
            out.insert({c, r});
    return out;
}

class Selection : public ::testing::Test {
protected:
    CMapDocument document;
    CMapEmu1 map{document};
};

TEST_F(Selection, ArrowsWithoutASelectionChangeNothing)
{
    for (int key : {kKeyLeft, kKeyUp, kKeyRight, kKeyDown}) {
        map.moveSelection(key);
        map.extendSelection(key);
    }
    EXPECT_TRUE(selected(map).empty());
    EXPECT_EQ(map.anchor(), (CellPos{-1, -1}));
}

TEST_F(Selection, ArrowsMoveTheClickedCellAndStopAtTheEdges)
{
    map.pressCell({3, 4}, false);
    map.moveSelection(kKeyRight);
    map.moveSelection(kKeyDown);
    EXPECT_EQ(selected(map), rectangle(4, 5, 4, 5));
    EXPECT_EQ(map.anchor(), (CellPos{4, 5}));

    map.pressCell({14, 15}, false);
    map.moveSelection(kKeyRight);
    map.moveSelection(kKeyDown);
    EXPECT_EQ(selected(map), rectangle(14, 15, 14, 15));

    map.pressCell({0, 0}, false);
    map.moveSelection(kKeyLeft);
    map.moveSelection(kKeyUp);
    EXPECT_EQ(selected(map), rectangle(0, 0, 0, 0));
}

TEST_F(Selection, ArrowMoveCollapsesARectangleToTheCellNextToItsFirstCell)
{
    map.pressCell({5, 5}, false);
    map.dragToCell({8, 9});
    map.moveSelection(kKeyDown);
    EXPECT_EQ(selected(map), rectangle(5, 6, 5, 6));
    EXPECT_EQ(map.anchor(), (CellPos{5, 6}));
}

TEST_F(Selection, ShiftRightGrowsAndShiftLeftShrinksAwayFromTheAnchor)
{
    map.pressCell({5, 7}, false);
    map.extendSelection(kKeyRight);
    map.extendSelection(kKeyRight);
    EXPECT_EQ(selected(map), rectangle(5, 7, 7, 7));
    map.extendSelection(kKeyLeft);
    EXPECT_EQ(selected(map), rectangle(5, 7, 6, 7));
    map.extendSelection(kKeyLeft);
    map.extendSelection(kKeyLeft);
    EXPECT_EQ(selected(map), rectangle(4, 7, 5, 7));
    map.extendSelection(kKeyRight);
    EXPECT_EQ(selected(map), rectangle(5, 7, 5, 7));
}

TEST_F(Selection, ShiftUpAndDownGrowAndShrinkAroundTheAnchor)
{
    map.pressCell({2, 6}, false);
    map.extendSelection(kKeyUp);
    map.extendSelection(kKeyUp);
    EXPECT_EQ(selected(map), rectangle(2, 4, 2, 6));
    map.extendSelection(kKeyDown);
    EXPECT_EQ(selected(map), rectangle(2, 5, 2, 6));
    map.extendSelection(kKeyDown);
    map.extendSelection(kKeyDown);
    EXPECT_EQ(selected(map), rectangle(2, 6, 2, 7));
    map.extendSelection(kKeyUp);
    EXPECT_EQ(selected(map), rectangle(2, 6, 2, 6));
}

TEST_F(Selection, GrowingStopsAtTheGridEdges)
{
    map.pressCell({0, 0}, false);
    map.extendSelection(kKeyLeft);
    map.extendSelection(kKeyUp);
    EXPECT_EQ(selected(map), rectangle(0, 0, 0, 0));

    map.pressCell({14, 15}, false);
    map.extendSelection(kKeyRight);
    map.extendSelection(kKeyDown);
    EXPECT_EQ(selected(map), rectangle(14, 15, 14, 15));
}

TEST_F(Selection, ShiftArrowsKeepARectangleOverWholeRowsAndColumns)
{
    map.pressCell({6, 6}, false);
    map.dragToCell({7, 8});
    map.extendSelection(kKeyRight);
    EXPECT_EQ(selected(map), rectangle(6, 6, 8, 8));
    map.extendSelection(kKeyDown);
    EXPECT_EQ(selected(map), rectangle(6, 6, 8, 9));
}

TEST_F(Selection, MouseClickDragAndShiftClick)
{
    map.pressCell({3, 3}, false);
    EXPECT_EQ(selected(map), rectangle(3, 3, 3, 3));
    map.dragToCell({1, 5});
    EXPECT_EQ(selected(map), rectangle(1, 3, 3, 5));
    map.dragToCell({3, 3});
    EXPECT_EQ(selected(map), rectangle(3, 3, 3, 3));
    // A drag beyond the body stays on its edge.
    map.dragToCell({40, -3});
    EXPECT_EQ(selected(map), rectangle(3, 0, 14, 3));

    map.pressCell({10, 12}, true);
    EXPECT_EQ(selected(map), rectangle(3, 3, 10, 12));
    EXPECT_EQ(map.anchor(), (CellPos{3, 3}));

    // Clicking a header moves no selection.
    map.pressCell({4, -1}, false);
    EXPECT_EQ(selected(map), rectangle(3, 3, 10, 12));
    EXPECT_EQ(map.focusCell(), (CellPos{4, -1}));
}

TEST_F(Selection, ShiftClickBeforeAnyAnchorSelectsTheClickedCell)
{
    map.pressCell({9, 2}, true);
    EXPECT_EQ(selected(map), rectangle(9, 2, 9, 2));
    EXPECT_EQ(map.anchor(), (CellPos{9, 2}));
}

TEST_F(Selection, ClearSelectionUnselectsEverything)
{
    map.pressCell({0, 0}, false);
    map.dragToCell({14, 15});
    map.clearSelection(true);
    EXPECT_TRUE(selected(map).empty());
    map.moveSelection(kKeyDown);
    EXPECT_TRUE(selected(map).empty());
}

TEST(CellGrid, ReportsEachChangedCellOnceToEveryView)
{
    struct View : ICellGridView {
        void cellChanged(CellPos p) override { changed.push_back(p); }
        void gridChanged() override { ++whole; }
        void gridDestroyed() override { destroyed = true; }
        std::vector<CellPos> changed;
        int whole = 0;
        bool destroyed = false;
    } view, other, removed;
    {
        CCellGrid grid;
        grid.addView(&view);
        grid.addView(&other);
        grid.addView(&removed);
        grid.removeView(&removed);
        grid.cell(2, 3).setTxt(L"1.0");
        grid.cell(2, 3).setTxt(L"1.0"); // unchanged: no repaint
        grid.rowHeader(4).setBkColor(rgb(1, 2, 3));
        grid.columnHeader(5).setSelected(true);
        EXPECT_EQ(view.changed,
                  (std::vector<CellPos>{{2, 3}, {-1, 4}, {5, -1}}));
        EXPECT_THROW(grid.cell(15, 0), std::out_of_range);
        EXPECT_THROW(grid.at({-2, 0}), std::out_of_range);
    }
    EXPECT_TRUE(view.destroyed);
    EXPECT_TRUE(other.destroyed);
    EXPECT_EQ(other.changed.size(), 3u);
    EXPECT_FALSE(removed.destroyed);
    EXPECT_TRUE(removed.changed.empty());
}

} // namespace
} // namespace velmora
