// The map's values, colours and current-cell marker, and what stepping the
// selection sends to the unit.

#include "fake_map_device.h"

#include "ui/map/model/map_emu1.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

class MapTest : public ::testing::Test {
protected:
    MapTest()
    {
        for (int j = 0; j < kRpmCols; ++j)
            device.deviceState.rpmAxis[j] = 1000.0 + 500.0 * j; // 1000 .. 8000
        for (int i = 0; i < kVoltRows; ++i)
            device.deviceState.voltAxis[i] = 1.0 + 0.5 * i; // 1.0 .. 8.5
    }
    void select(CellPos from, CellPos to)
    {
        map.pressCell(from, false);
        map.dragToCell(to);
    }

    test::FakeMapDevice device;
    CMapEmu1 map{device};
};

TEST_F(MapTest, ValueColourReddensWithTheValue)
{
    EXPECT_EQ(CMapArray::valueColour(0.0), rgb(255, 255, 255));
    EXPECT_EQ(CMapArray::valueColour(2.5), rgb(255, 242, 242));
    EXPECT_EQ(CMapArray::valueColour(5.0), rgb(255, 230, 230));
    EXPECT_EQ(CMapArray::valueColour(5.1), rgb(255, 229, 229));
    EXPECT_EQ(CMapArray::valueColour(-1.0), rgb(255, 255, 250));
    // Far outside the map's range the shade wraps but stays defined.
    CMapArray::valueColour(1e300);
    CMapArray::valueColour(-1e300);
}

TEST_F(MapTest, CellValuesShowOneDecimalOnTheirColour)
{
    map.setCellValue(1, 2, 5.0);
    EXPECT_EQ(map.cell(1, 2).getTxt(), L"5.0");
    EXPECT_EQ(map.cell(1, 2).bkColor(), rgb(255, 230, 230));
    map.setCellValue(1, 2, 0.0);
    EXPECT_EQ(map.cell(1, 2).getTxt(), L"0.0");
    EXPECT_EQ(map.cell(1, 2).bkColor(), rgb(255, 255, 255));
    map.setCellValue(1, 2, 0.04);
    EXPECT_EQ(map.getCellValue(1, 2), 0.0);
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
    device.deviceState.rpmAxis[0] = 100;
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
    EXPECT_EQ(map.cell(4, 4).bkColor(), rgb(255, 242, 242));
    EXPECT_TRUE(map.cell(0, 0).isCurrent());

    int current = 0;
    for (int c = 0; c < CCellGrid::kColumns; ++c)
        for (int r = 0; r < CCellGrid::kRows; ++r)
            current += map.cell(c, r).isCurrent();
    EXPECT_EQ(current, 1);

    // An empty cell reads as 0: white once the marker leaves it.
    map.markCurrentCell(9000, 9.0);
    EXPECT_EQ(map.cell(0, 0).bkColor(), rgb(255, 255, 255));
}

TEST_F(MapTest, ShowDeviceStateFillsCellsAndHeaders)
{
    device.deviceState.map[7][4] = 2.34;
    device.deviceState.voltAxis[3] = 0.96;
    map.showDeviceState(device.deviceState);
    EXPECT_EQ(map.cell(4, 7).getTxt(), L"2.3");
    EXPECT_EQ(map.cell(7, 4).getTxt(), L"0.0");
    EXPECT_EQ(map.columnHeader(14).getTxt(), L"8000");
    EXPECT_EQ(map.rowHeader(3).getTxt(), L"0.96");
    EXPECT_EQ(map.rowHeader(15).getTxt(), L"8.50");
}

TEST_F(MapTest, SteppingARectangleSendsOneAreaCorrectionThenStores)
{
    select({4, 7}, {5, 9});
    map.incrementSelected(-0.1);
    ASSERT_EQ(device.records.size(), 1u);
    // first volt, first rpm, volt count, rpm count, direction (3: down), step in 0.02
    EXPECT_EQ(device.records[0], (std::array<std::uint8_t, 6>{7, 4, 3, 2, 3, 5}));
    EXPECT_EQ(device.storeCalls, 1);
    EXPECT_TRUE(device.messages.shown.empty());
}

TEST_F(MapTest, AreaCountsTheRunsFromTheFirstSelectedCell)
{
    select({0, 0}, {14, 15});
    auto area = selectedArea(map, 0.1);
    ASSERT_TRUE(area);
    EXPECT_EQ(area->voltCount, 16);
    EXPECT_EQ(area->rpmCount, 15);

    select({14, 15}, {14, 15});
    area = selectedArea(map, 0.1);
    EXPECT_EQ(area->firstRpm, 14);
    EXPECT_EQ(area->firstVolt, 15);
    EXPECT_EQ(area->voltCount, 1);
    EXPECT_EQ(area->rpmCount, 1);

    map.clearSelection(false);
    EXPECT_FALSE(selectedArea(map, 0.1));
}

TEST_F(MapTest, SteppingClampsToTheLimitsAndStillSendsTheStep)
{
    map.setCellValue(2, 2, 5.0);
    map.setCellValue(2, 3, 4.95);
    map.setCellValue(3, 2, 0.0);
    select({2, 2}, {2, 3});
    map.incrementSelected(0.1);
    EXPECT_EQ(map.cell(2, 2).getTxt(), L"5.0");
    EXPECT_EQ(map.cell(2, 3).getTxt(), L"5.0");
    ASSERT_EQ(device.records.size(), 1u);
    EXPECT_EQ(device.records[0][4], 2);
    EXPECT_EQ(device.records[0][5], 5);

    select({3, 2}, {3, 2});
    map.incrementSelected(-0.1);
    EXPECT_EQ(map.cell(3, 2).getTxt(), L"0.0");
    EXPECT_EQ(map.cell(3, 2).bkColor(), rgb(255, 255, 255));
}

TEST_F(MapTest, SteppingOnlyChangesTheSelectedCells)
{
    map.showDeviceState(device.deviceState);
    select({1, 1}, {1, 1});
    map.incrementSelected(0.1);
    map.incrementSelected(0.1);
    EXPECT_EQ(map.cell(1, 1).getTxt(), L"0.2");
    EXPECT_EQ(map.cell(1, 2).getTxt(), L"0.0");
    EXPECT_EQ(map.cell(2, 1).getTxt(), L"0.0");
}

TEST_F(MapTest, WithoutConnectionOnlyTheGridChanges)
{
    device.connected = false;
    select({0, 0}, {1, 1});
    map.incrementSelected(0.1);
    EXPECT_EQ(map.cell(1, 1).getTxt(), L"0.1");
    EXPECT_TRUE(device.records.empty());
    EXPECT_EQ(device.storeCalls, 0);
    EXPECT_EQ(device.deviceState.map[1][1], 0.0);
}

TEST_F(MapTest, AfterASuccessfulStepTheDeviceMapFollowsTheSteppedArea)
{
    device.deviceState.map[7][4] = 0.04; // shown as 0.0
    device.deviceState.map[0][0] = 0.02; // outside the area
    device.deviceState.map[8][5] = 4.96;
    map.showDeviceState(device.deviceState);
    select({4, 7}, {5, 9});
    map.incrementSelected(0.1);
    EXPECT_NEAR(device.deviceState.map[7][4], 0.14, 1e-9);
    EXPECT_NEAR(device.deviceState.map[9][5], 0.1, 1e-9);
    EXPECT_EQ(device.deviceState.map[8][5], 5.0);
    // Cells the unit did not touch keep their exact values.
    EXPECT_EQ(device.deviceState.map[0][0], 0.02);
}

TEST_F(MapTest, AFailedWriteKeepsTheDeviceMapAndSaysSo)
{
    map.showDeviceState(device.deviceState);
    select({3, 3}, {3, 3});

    device.correctResult = false;
    map.incrementSelected(0.1);
    EXPECT_EQ(device.storeCalls, 0);
    ASSERT_EQ(device.messages.shown.size(), 1u);
    EXPECT_EQ(device.messages.shown[0].text, L"Nie powiodło się wpisanie ustawień do urządzenia!");
    EXPECT_EQ(device.messages.shown[0].caption, L"Emulator");
    EXPECT_EQ(device.messages.shown[0].style, MB_ERROR);
    EXPECT_EQ(device.deviceState.map[3][3], 0.0);
    EXPECT_EQ(map.cell(3, 3).getTxt(), L"0.1"); // the grid keeps the step

    device.correctResult = true;
    device.storeResult = false;
    map.incrementSelected(0.1);
    EXPECT_EQ(device.storeCalls, 1);
    EXPECT_EQ(device.messages.shown.size(), 2u);
    EXPECT_EQ(device.deviceState.map[3][3], 0.0);
}

TEST_F(MapTest, AnErrorWhileSteppingIsShownWithItsContext)
{
    device.throwOnCorrect = true;
    select({0, 0}, {0, 0});
    EXPECT_NO_THROW(map.incrementSelected(0.1));
    ASSERT_EQ(device.messages.shown.size(), 1u);
    const IError expected(3, L"correctMapArea", 42, L"fake");
    EXPECT_EQ(device.messages.shown[0].text,
              L"CMapEmu1::incrementSelected()\n" + expected.format());
    EXPECT_EQ(device.messages.shown[0].caption, L"Emulator");
    EXPECT_EQ(device.messages.shown[0].style, MB_PLAIN);
    EXPECT_EQ(device.storeCalls, 0);
}

} // namespace
} // namespace velmora
