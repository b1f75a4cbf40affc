// SPDX-License-Identifier: GPL-3.0-or-later
// The map's values, colours and current-cell marker, and what stepping the
// selection asks of the unit.

#include "fake_map_edits.h"

#include "ui/map/model/map_emu1.h"

#include <gtest/gtest.h>

#include "device/encodings.h"

#include <cmath>
#include <set>

namespace velmora {
namespace {

class MapTest : public ::testing::Test {
protected:
    MapTest()
    {
        RpmAxis rpm;
        VoltAxis volts;
        for (int j = 0; j < kRpmCols; ++j)
            rpm[j] = 1000.0 + 500.0 * j; // 1000 .. 8000
        for (int i = 0; i < kVoltRows; ++i)
            volts[i] = 1.0 + 0.5 * i; // 1.0 .. 8.5
        document.setAxes(volts, rpm);
        map.setEdits(&edits);
    }
    void select(CellPos from, CellPos to)
    {
        map.pressCell(from, false);
        map.dragToCell(to);
    }
    void setValue(int column, int row, double value)
    {
        MapValues m = document.map();
        m[row][column] = value;
        document.setMap(m);
    }

    CMapDocument document;
    test::FakeMapEdits edits{document};
    CMapEmu1 map{document};
};

TEST_F(MapTest, ValueColourStepsGetRedderAndStayApart)
{
    EXPECT_EQ(CMapArray::valueColour(0.0), rgb(255, 255, 255));
    EXPECT_EQ(CMapArray::valueColour(0.19), CMapArray::valueColour(0.0));
    EXPECT_EQ(CMapArray::valueColour(5.1), CMapArray::valueColour(5.0));
    EXPECT_EQ(CMapArray::valueColour(-1.0), rgb(255, 255, 250));
    // Each step of 0.2 is its own colour, redder than the one below (green and blue
    // never rise, red dominates more), and far enough from it to be told apart.
    Colour previous = CMapArray::valueColour(0.0);
    for (int step = 1; step <= 25; ++step) {
        const Colour c = CMapArray::valueColour(step * 0.2);
        EXPECT_LE(greenOf(c), greenOf(previous)) << step;
        EXPECT_LE(blueOf(c), blueOf(previous)) << step;
        const int distance = std::abs(redOf(c) - redOf(previous))
            + std::abs(greenOf(c) - greenOf(previous)) + std::abs(blueOf(c) - blueOf(previous));
        EXPECT_GE(distance, 12) << step;
        previous = c;
    }
    // Between the first and the last step the colour runs far, not 25 counts.
    EXPECT_GE(255 - greenOf(CMapArray::valueColour(5.0)), 200);
    // Far outside the map's range the shade stays defined.
    CMapArray::valueColour(1e300);
    CMapArray::valueColour(-1e300);
    CMapArray::valueColour(std::nan(""));
}

TEST_F(MapTest, CellsShowWhatTheUnitHoldsAndTheTipHasItInFull)
{
    // A whole tenth keeps one decimal; anything else on the unit's 0.02 steps shows
    // both, so no two values the unit holds look alike.
    const struct {
        std::uint8_t byte;
        const wchar_t* text;
        const wchar_t* tip;
    } cases[] = {{43, L"0.86", L"0.86"}, {45, L"0.9", L"0.90"}, {46, L"0.92", L"0.92"},
                 {127, L"2.54", L"2.54"}, {250, L"5.0", L"5.00"}, {255, L"5.1", L"5.10"},
                 {1, L"0.02", L"0.02"},   {0, L"0.0", L"0.00"}};
    for (const auto& c : cases) {
        map.setCellValue(1, 2, mapValueFromByte(c.byte));
        EXPECT_EQ(map.cell(1, 2).getTxt(), c.text) << int(c.byte);
        EXPECT_EQ(map.cell(1, 2).tip(), c.tip) << int(c.byte);
        // Read back from its text, the cell is exactly what the unit holds.
        EXPECT_EQ(unitMapValue(map.getCellValue(1, 2)), mapValueFromByte(c.byte)) << int(c.byte);
    }
    std::set<std::wstring> texts;
    for (int b = 0; b <= 255; ++b) {
        map.setCellValue(0, 0, mapValueFromByte(static_cast<std::uint8_t>(b)));
        texts.insert(map.cell(0, 0).getTxt());
    }
    EXPECT_EQ(texts.size(), 256u);
    // The status bar's line for a cell names its breakpoints and the exact value.
    setValue(2, 3, 0.86);
    EXPECT_EQ(map.describeCell({2, 3}), L"2000 obr/min × 2.50 V: 0.86");
    EXPECT_EQ(map.describeCell({2, -1}), L"Punkt obrotów 3: 2000 obr/min");
    EXPECT_EQ(map.describeCell({-1, 3}), L"Punkt napięcia 4: 2.50 V");
}

TEST_F(MapTest, CellValuesShowOnTheirColour)
{
    map.setCellValue(1, 2, 5.0);
    EXPECT_EQ(map.cell(1, 2).getTxt(), L"5.0");
    EXPECT_EQ(map.cell(1, 2).bkColor(), CMapArray::valueColour(5.0));
    map.setCellValue(1, 2, 0.0);
    EXPECT_EQ(map.cell(1, 2).getTxt(), L"0.0");
    EXPECT_EQ(map.cell(1, 2).bkColor(), rgb(255, 255, 255));
    map.setCellValue(1, 2, 0.04);
    EXPECT_EQ(map.getCellValue(1, 2), 0.04); // as the unit holds it, not "0.0"
    EXPECT_EQ(map.getCellValue(3, 3), 0.0); // never filled
}

TEST_F(MapTest, FindCellTakesTheBandWhoseBreakpointIsAboveTheValue)
{
    EXPECT_EQ(map.findCell(200, 0.2), (CellPos{0, 0}));
    EXPECT_EQ(map.findCell(2500, 2.5), (CellPos{4, 4})); // equal to axis[3]: next band
    EXPECT_EQ(map.findCell(2499, 2.49), (CellPos{3, 3}));
    EXPECT_EQ(map.findCell(7999, 8.49), (CellPos{14, 15}));
    EXPECT_EQ(map.findCell(9500, 8.5), (CellPos{14, 15}));
    EXPECT_EQ(map.findCell(20000, 99.0), (CellPos{14, 15}));
    // The axes are read at every call.
    RpmAxis rpm = document.rpm();
    rpm[0] = 100;
    document.setAxes(document.volts(), rpm);
    EXPECT_EQ(map.findCell(200, 0.2).column, 1);
}

TEST_F(MapTest, MarkerMovesAndGivesTheOldCellItsValueColourBack)
{
    map.setCellValue(4, 4, 2.5);
    map.markCurrentCell(2500, 2.5);
    EXPECT_TRUE(map.cell(4, 4).isCurrent());
    EXPECT_EQ(map.cell(4, 4).currentCellColor(), rgb(120, 0, 0));
    EXPECT_EQ(map.currentCell(), (CellPos{4, 4}));

    map.markCurrentCell(2500, 2.5); // same cell again: still marked
    EXPECT_TRUE(map.cell(4, 4).isCurrent());

    map.markCurrentCell(100, 0.1);
    EXPECT_FALSE(map.cell(4, 4).isCurrent());
    EXPECT_EQ(map.cell(4, 4).bkColor(), CMapArray::valueColour(2.5));
    EXPECT_TRUE(map.cell(0, 0).isCurrent());

    int current = 0;
    for (int c = 0; c < CCellGrid::kColumns; ++c)
        for (int r = 0; r < CCellGrid::kRows; ++r)
            current += map.cell(c, r).isCurrent();
    EXPECT_EQ(current, 1);
}

TEST_F(MapTest, TheGridFollowsTheDocument)
{
    setValue(4, 7, 2.34);
    VoltAxis volts = document.volts();
    volts[3] = 0.96;
    document.setAxes(volts, document.rpm());
    EXPECT_EQ(map.cell(4, 7).getTxt(), L"2.34");
    EXPECT_EQ(map.cell(7, 4).getTxt(), L"0.0");
    EXPECT_EQ(map.columnHeader(14).getTxt(), L"8000");
    EXPECT_EQ(map.rowHeader(3).getTxt(), L"0.96");
    EXPECT_EQ(map.rowHeader(15).getTxt(), L"8.50");
}

TEST_F(MapTest, SteppingARectangleIsOneMapEditOfExactlyItsCells)
{
    setValue(4, 7, 0.04); // shown as 0.0: the unit's finer value must survive
    setValue(0, 0, 0.02); // outside the area
    setValue(5, 8, 4.96);
    select({4, 7}, {5, 9});
    map.incrementSelected(0.1);
    ASSERT_EQ(edits.mapEdits.size(), 1u);
    EXPECT_EQ(edits.mapEdits[0].what, MapEdit::Step);
    EXPECT_EQ(edits.mapEdits[0].area, (CellBlock{4, 7, 5, 9}));
    const MapValues& after = document.map();
    EXPECT_NEAR(after[7][4], 0.14, 1e-9);
    EXPECT_NEAR(after[9][5], 0.1, 1e-9);
    EXPECT_NEAR(after[8][5], 5.06, 1e-9);
    EXPECT_EQ(after[0][0], 0.02);
    EXPECT_EQ(map.cell(4, 7).getTxt(), L"0.14");
}

TEST_F(MapTest, SteppingClampsAtWhatTheUnitHolds)
{
    setValue(2, 2, 5.1);
    setValue(2, 3, 5.06);
    select({2, 2}, {2, 3});
    map.incrementSelected(0.1);
    EXPECT_NEAR(document.map()[2][2], 5.1, 1e-9);
    EXPECT_NEAR(document.map()[3][2], 5.1, 1e-9);

    select({3, 2}, {3, 2});
    map.incrementSelected(-0.1);
    // Already 0: nothing changes, so nothing is asked of the unit.
    EXPECT_EQ(edits.mapEdits.size(), 1u);
    EXPECT_EQ(map.cell(3, 2).bkColor(), rgb(255, 255, 255));

    map.clearSelection(false);
    map.incrementSelected(0.1);
    EXPECT_EQ(edits.mapEdits.size(), 1u);
}

TEST_F(MapTest, WithoutConnectionOnlyTheGridChanges)
{
    edits.connected = false;
    map.showDocument();
    select({0, 0}, {1, 1});
    map.incrementSelected(0.1);
    EXPECT_EQ(map.cell(1, 1).getTxt(), L"0.1");
    EXPECT_TRUE(edits.mapEdits.empty());
    EXPECT_EQ(document.map()[1][1], 0.0);
}

TEST_F(MapTest, TypedCellValuesAreCheckedBeforeTheyGoOut)
{
    EXPECT_EQ(map.editedText(3, 4, L"2,5"), L"2.5");
    ASSERT_EQ(edits.mapEdits.size(), 1u);
    EXPECT_EQ(edits.mapEdits[0].what, MapEdit::Type);
    EXPECT_NEAR(document.map()[4][3], 2.5, 1e-9);
    // Stored as the unit stores it (the nearest 0.02 step), shown so, and said.
    EXPECT_TRUE(edits.notices.empty());
    EXPECT_EQ(map.editedText(3, 4, L"1.011"), L"1.02");
    EXPECT_NEAR(document.map()[4][3], 1.02, 1e-9);
    ASSERT_EQ(edits.notices.size(), 1u);
    EXPECT_EQ(edits.notices[0], L"Wpisano 1.011, urządzenie ma 1.02: przechowuje wartości co 0,02.");
    // What the unit holds already, typed again: no edit.
    EXPECT_EQ(map.editedText(3, 4, L"1,02"), L"1.02");
    EXPECT_EQ(edits.mapEdits.size(), 2u);

    const struct {
        const wchar_t* typed;
    } refused[] = {{L"abc"}, {L"2.5x"}, {L"5.2"}, {L"-0.1"}, {L"1e3"}, {L"1,2,3"}};
    for (const auto& r : refused) {
        EXPECT_EQ(map.editedText(3, 4, r.typed), L"") << r.typed;
    }
    // The hint names a correction value.
    EXPECT_NE(edits.refusals[0].find(L"wartość korekty"), std::wstring::npos);
    EXPECT_EQ(edits.refusals.size(), std::size(refused));
    EXPECT_EQ(edits.mapEdits.size(), 2u);
    EXPECT_NEAR(document.map()[4][3], 1.02, 1e-9);
    EXPECT_EQ(map.editedText(3, 4, L"  "), L"");
    EXPECT_EQ(edits.refusals.size(), std::size(refused));
}

} // namespace
} // namespace velmora
