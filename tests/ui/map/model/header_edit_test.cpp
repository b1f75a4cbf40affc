// SPDX-License-Identifier: GPL-3.0-or-later
// Typing over the map's headers: the axis rules and what is asked of the unit.

#include "fake_map_edits.h"

#include "ui/map/model/axis_rules.h"
#include "ui/map/model/map_emu1.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

class HeaderEdit : public ::testing::Test {
protected:
    HeaderEdit()
    {
        RpmAxis rpm;
        for (int j = 0; j < kRpmCols; ++j)
            rpm[j] = 1000.0 + 500.0 * j; // 1000 .. 8000
        document.setAxes(document.volts(), rpm); // volts 0.96 .. 15.36
        map.setEdits(&edits);
    }
    void setRpm(int column, double value)
    {
        RpmAxis rpm = document.rpm();
        rpm[column] = value;
        document.setAxes(document.volts(), rpm);
    }

    CMapDocument document;
    test::FakeMapEdits edits{document};
    CMapEmu1 map{document};
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

TEST_F(HeaderEdit, VoltageHeaderTakesACommaAndKeepsTheOrder)
{
    EXPECT_EQ(map.editedText(-1, 2, L"2,5"), L"2.49");
    EXPECT_NEAR(document.volts()[2], 2.49, 1e-9);
    EXPECT_EQ(edits.axisWrites, 1);
    // The cases: out of order values are kept between the neighbours.
    EXPECT_EQ(map.editedText(-1, 6, L"99"), L"7.67");
    EXPECT_EQ(map.editedText(-1, 6, L"-5"), L"5.78");
    for (int i = 1; i < kVoltRows; ++i)
        EXPECT_LT(document.volts()[i - 1], document.volts()[i]) << i;
}

TEST_F(HeaderEdit, RetypingTheSameBreakpointWritesNothing)
{
    EXPECT_EQ(map.editedText(-1, 5, L"5.76"), L"5.76");
    EXPECT_EQ(map.editedText(5, -1, L"3500"), L"3500");
    EXPECT_EQ(edits.axisWrites, 0);
}

TEST_F(HeaderEdit, RpmHeaderIsLimitedRoundedAndWritten)
{
    setRpm(13, 6000);
    EXPECT_EQ(map.editedText(14, -1, L"9000"), L"8000");
    EXPECT_EQ(edits.axisWrites, 0); // axis[14] already 8000

    setRpm(4, 3000);
    setRpm(6, 4000);
    EXPECT_EQ(map.editedText(5, -1, L"3000"), L"3100");
    EXPECT_EQ(document.rpm()[5], 3100);
    EXPECT_EQ(edits.axisWrites, 1);
    EXPECT_EQ(map.columnHeader(5).getTxt(), L"3100");
}

TEST_F(HeaderEdit, WithoutConnectionOnlyTheTextChanges)
{
    edits.connected = false;
    EXPECT_EQ(map.editedText(5, -1, L"3449"), L"3400");
    EXPECT_EQ(map.editedText(-1, 1, L"7,25"), L"2.86");
    EXPECT_EQ(edits.axisWrites, 0);
    EXPECT_EQ(document.rpm()[5], 3500);
}

TEST_F(HeaderEdit, TextThatIsNoNumberIsRefused)
{
    EXPECT_EQ(map.editedText(-1, 2, L""), L"");
    EXPECT_EQ(map.editedText(-1, 2, L"abc"), L"");
    EXPECT_EQ(map.editedText(5, -1, L"35OO"), L"");
    EXPECT_EQ(edits.refusals.size(), 2u);
    EXPECT_EQ(edits.axisWrites, 0);
}

} // namespace
} // namespace velmora
