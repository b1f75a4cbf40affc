// Typing over the map's headers: the axis rules and what reaches the unit.

#include "fake_map_device.h"

#include "ui/map/model/axis_rules.h"
#include "ui/map/model/map_emu1.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

class HeaderEdit : public ::testing::Test {
protected:
    HeaderEdit()
    {
        for (int j = 0; j < kRpmCols; ++j)
            device.deviceState.rpmAxis[j] = 1000.0 + 500.0 * j; // 1000 .. 8000
        map.setShowDeviceData([this] { ++shows; });
    }
    test::FakeMapDevice device;
    CMapEmu1 map{device};
    int shows = 0;
};

TEST(AxisRules, RpmBreakpointIsLimitedOrderedAndRounded)
{
    std::array<double, kRpmCols> axis{};
    for (int j = 0; j < kRpmCols; ++j)
        axis[j] = 1000.0 + 500.0 * j;

    axis[13] = 6000;
    EXPECT_EQ(rpmBreakpoint(9000, axis, 14), 8000);
    EXPECT_EQ(rpmBreakpoint(5000, axis, 14), 6100);
    axis[4] = 3000;
    axis[6] = 4000;
    EXPECT_EQ(rpmBreakpoint(3000, axis, 5), 3100);
    EXPECT_EQ(rpmBreakpoint(4500, axis, 5), 3900);
    // Rounding never lands on a neighbour.
    EXPECT_EQ(rpmBreakpoint(3049, axis, 5), 3100);
    EXPECT_EQ(rpmBreakpoint(3950, axis, 5), 3900);
    axis[4] = 2000;
    EXPECT_EQ(rpmBreakpoint(3049, axis, 5), 3000);
    EXPECT_EQ(rpmBreakpoint(3050, axis, 5), 3100);
    EXPECT_EQ(rpmBreakpoint(100, axis, 0), 500);
    EXPECT_EQ(rpmBreakpoint(1600, axis, 0), 1400); // axis[1] = 1500
    // Neighbours closer than 200: the lower one wins.
    axis[4] = 3000;
    axis[6] = 3100;
    EXPECT_EQ(rpmBreakpoint(3050, axis, 5), 3100);
}

TEST(AxisRules, RoundTenthRoundsToTheNearestTenth)
{
    EXPECT_DOUBLE_EQ(roundTenth(1.52), 1.5);
    EXPECT_DOUBLE_EQ(roundTenth(1.56), 1.6);
    EXPECT_DOUBLE_EQ(roundTenth(1.549), 1.5);
    EXPECT_DOUBLE_EQ(roundTenth(0.0), 0.0);
}

TEST_F(HeaderEdit, VoltageHeaderTakesACommaAndStoresTheTypedValue)
{
    EXPECT_EQ(map.editedText(-1, 2, L"1,5"), L"1.50");
    EXPECT_EQ(device.deviceState.voltAxis[2], 1.5);
    EXPECT_EQ(device.axisWrites, 1);
    EXPECT_EQ(device.writtenVoltAxis[2], 1.5);
    EXPECT_EQ(shows, 1);

    EXPECT_EQ(map.editedText(-1, 3, L"2.537"), L"2.54");
    EXPECT_EQ(device.deviceState.voltAxis[3], 2.537);
}

TEST_F(HeaderEdit, VoltageHeaderWithTheSameTenthWritesNothing)
{
    device.deviceState.voltAxis[5] = 1.5;
    EXPECT_EQ(map.editedText(-1, 5, L"1.52"), L"1.52");
    EXPECT_EQ(device.axisWrites, 0);
    EXPECT_EQ(device.deviceState.voltAxis[5], 1.5);
    EXPECT_EQ(shows, 0);
}

TEST_F(HeaderEdit, VoltageBeyondTheWireRangeIsLimited)
{
    EXPECT_EQ(map.editedText(-1, 0, L"1e300"), L"491.50");
    EXPECT_EQ(device.deviceState.voltAxis[0], kVoltBreakpointMax);
    EXPECT_EQ(map.editedText(-1, 0, L"-900"), L"-491.52");
}

TEST_F(HeaderEdit, RpmHeaderIsLimitedRoundedAndWritten)
{
    device.deviceState.rpmAxis[13] = 6000;
    EXPECT_EQ(map.editedText(14, -1, L"9000"), L"8000");
    EXPECT_EQ(device.axisWrites, 0); // axis[14] already 8000

    device.deviceState.rpmAxis[4] = 3000;
    device.deviceState.rpmAxis[6] = 4000;
    EXPECT_EQ(map.editedText(5, -1, L"3000"), L"3100");
    EXPECT_EQ(device.deviceState.rpmAxis[5], 3100);
    EXPECT_EQ(device.axisWrites, 1);
    EXPECT_EQ(device.writtenRpmAxis[5], 3100);
    EXPECT_EQ(shows, 1);
}

TEST_F(HeaderEdit, WithoutConnectionOnlyTheTextChanges)
{
    device.connected = false;
    EXPECT_EQ(map.editedText(5, -1, L"3449"), L"3400");
    EXPECT_EQ(map.editedText(-1, 1, L"7,25"), L"7.25");
    EXPECT_EQ(device.axisWrites, 0);
    EXPECT_EQ(device.deviceState.rpmAxis[5], 3500);
    EXPECT_EQ(shows, 0);
}

TEST_F(HeaderEdit, AFailedAxisWriteSaysSoAndStillShowsTheState)
{
    device.writeAxesResult = false;
    EXPECT_EQ(map.editedText(5, -1, L"3400"), L"3400");
    ASSERT_EQ(device.messages.shown.size(), 1u);
    EXPECT_EQ(device.messages.shown[0].text, L"Nie powiodło się wpisanie ustawień do urządzenia!");
    EXPECT_EQ(device.messages.shown[0].style, MB_ERROR);
    EXPECT_EQ(device.deviceState.rpmAxis[5], 3400);
    EXPECT_EQ(shows, 1);
}

TEST_F(HeaderEdit, AnErrorWhileWritingIsShownWithItsContext)
{
    device.throwOnWriteAxes = true;
    EXPECT_EQ(map.editedText(5, -1, L"3400"), L"");
    ASSERT_EQ(device.messages.shown.size(), 1u);
    const IError expected(4, L"writeAxes", 7, L"fake");
    EXPECT_EQ(device.messages.shown[0].text, L"CMapEdit::getText()\n" + expected.format());
    EXPECT_EQ(device.messages.shown[0].style, MB_PLAIN);
}

TEST_F(HeaderEdit, EmptyTextAndBodyCellsChangeNothing)
{
    EXPECT_EQ(map.editedText(-1, 2, L""), L"");
    EXPECT_EQ(map.editedText(3, 3, L"2,6"), L"3");
    EXPECT_EQ(device.axisWrites, 0);
    EXPECT_EQ(device.deviceState.map[3][3], 0.0);
}

TEST_F(HeaderEdit, WithoutACallbackTheMapShowsTheNewAxis)
{
    test::FakeMapDevice plain;
    CMapEmu1 other{plain};
    plain.deviceState.rpmAxis[5] = 3000;
    plain.deviceState.rpmAxis[6] = 4000;
    plain.deviceState.rpmAxis[4] = 2000;
    other.editedText(5, -1, L"3500");
    EXPECT_EQ(other.columnHeader(5).getTxt(), L"3500");
    EXPECT_EQ(other.columnHeader(6).getTxt(), L"4000");
}

} // namespace
} // namespace velmora
