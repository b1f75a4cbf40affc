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
    // Out of order values are kept between the neighbours, shown as the unit holds
    // them (a third decimal where its 0.015 V step needs one).
    EXPECT_EQ(map.editedText(-1, 6, L"99"), L"7.665");
    EXPECT_EQ(map.editedText(-1, 6, L"-5"), L"5.775");
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

TEST_F(HeaderEdit, ABreakpointWrittenOtherwiseThanTypedIsSaidWithTheRule)
{
    // Each: the header, what was typed, what the unit then holds, and whether the
    // notice comes (only when the two differ).
    const struct {
        int column, row;
        const wchar_t* typed;
        const wchar_t* held;
        const wchar_t* notice; // empty: none
    } cases[] = {
        {-1, 0, L"99", L"1.905",
         L"Punkt napięcia 1: wpisano 99, urządzenie ma 1.905 V. Punkty napięcia rosną od wiersza do wiersza, "
         L"od 0,00 do 20,00 V, co 0,015 V."},
        {-1, 15, L"-5", L"14.415", L"Punkt napięcia 16: wpisano -5, urządzenie ma 14.415 V."},
        {-1, 3, L"3,5", L"3.495", L"wpisano 3.5, urządzenie ma 3.495 V"},
        {-1, 3, L"3.495", L"3.495", L""},
        {1, -1, L"900", L"1100",
         L"Punkt obrotów 2: wpisano 900, urządzenie ma 1100 obr/min. Punkty obrotów to pełne setki od 500 do "
         L"8000, każdy o co najmniej 100 wyższy od poprzedniego."},
        {13, -1, L"99999", L"7900", L"Punkt obrotów 14: wpisano 99999, urządzenie ma 7900 obr/min."},
        {5, -1, L"3449", L"3400", L"wpisano 3449"},
        {5, -1, L"3400", L"3400", L""},
    };
    for (const auto& c : cases) {
        edits.notices.clear();
        EXPECT_EQ(map.editedText(c.column, c.row, c.typed), c.held) << c.typed;
        if (*c.notice == 0) {
            EXPECT_TRUE(edits.notices.empty()) << c.typed;
        } else {
            ASSERT_EQ(edits.notices.size(), 1u) << c.typed;
            EXPECT_NE(edits.notices[0].find(c.notice), std::wstring::npos) << edits.notices[0].size();
        }
    }
    // Nothing is said without a unit to write to: nothing was written.
    edits.connected = false;
    edits.notices.clear();
    map.editedText(5, -1, L"3449");
    EXPECT_TRUE(edits.notices.empty());
}

TEST_F(HeaderEdit, HintsNameTheKindOfValue)
{
    map.editedText(-1, 2, L"abc");
    map.editedText(5, -1, L"abc");
    ASSERT_EQ(edits.refusals.size(), 2u);
    EXPECT_NE(edits.refusals[0].find(L"napięcie, na przykład 1,25"), std::wstring::npos);
    EXPECT_NE(edits.refusals[1].find(L"obroty, na przykład 2500"), std::wstring::npos);
}

TEST_F(HeaderEdit, WithoutConnectionOnlyTheTextChanges)
{
    edits.connected = false;
    EXPECT_EQ(map.editedText(5, -1, L"3449"), L"3400");
    EXPECT_EQ(map.editedText(-1, 1, L"7,25"), L"2.865");
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
