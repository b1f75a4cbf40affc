// SPDX-License-Identifier: GPL-3.0-or-later
// The map's csv and terminal forms: what a saved file brings back to the unit, and
// which files are refused before anything reaches it.

#include "mapfile/map_csv.h"
#include "cli/map_table.h"

#include "device/encodings.h"

#include <gtest/gtest.h>

#include <cctype>
#include <sstream>
#include <vector>

namespace velmora::cli {
namespace {

using namespace velmora::mapfile;

// Every line of text, without the line ends.
std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

std::string join(const std::vector<std::string>& parts, const std::string& end) {
    std::string text;
    for (const auto& p : parts) text += p + end;
    return text;
}

// A table as the unit reports it, using the awkward corners of the wire encodings:
// most map byte values, odd voltage words (0.015 V is not a whole hundredth),
// negative volts, both ends of the voltage word and the largest RPM byte.
MapTable unitTable() {
    MapTable t;
    for (std::size_t r = 0; r < kVoltRows; ++r) {
        t.voltAxis[r] = voltsFromWord(static_cast<std::int16_t>(-301 + 67 * static_cast<int>(r)));
        for (std::size_t c = 0; c < kRpmCols; ++c)
            t.map[r][c] = mapValueFromByte(static_cast<std::uint8_t>((r * kRpmCols + c) * 17 % 256));
    }
    t.map[kVoltRows - 1][kRpmCols - 1] = mapValueFromByte(255);
    t.voltAxis[0] = voltsFromWord(-32768);
    t.voltAxis[kVoltRows - 1] = voltsFromWord(32767);
    for (std::size_t c = 0; c < kRpmCols; ++c)
        t.rpmAxis[c] = rpmFromAxisByte(static_cast<std::uint8_t>(c == kRpmCols - 1 ? 255 : 3 + 7 * c));
    return t;
}

// The table as the unit would hold it after a write.
void expectSameOnTheUnit(const MapTable& a, const MapTable& b) {
    for (std::size_t c = 0; c < kRpmCols; ++c)
        EXPECT_EQ(axisByteFromRpm(a.rpmAxis[c]), axisByteFromRpm(b.rpmAxis[c])) << "RPM " << c;
    for (std::size_t r = 0; r < kVoltRows; ++r) {
        EXPECT_EQ(axisWordFromVolts(a.voltAxis[r]), axisWordFromVolts(b.voltAxis[r])) << "volts " << r;
        for (std::size_t c = 0; c < kRpmCols; ++c)
            EXPECT_EQ(mapByteFromValue(a.map[r][c]), mapByteFromValue(b.map[r][c])) << r << "," << c;
    }
}

TEST(MapCsv, WrittenTableReadsBackToTheSameUnitValues) {
    const MapTable original = unitTable();
    const std::string text = writeMapCsv(original);
    MapTable back;
    const auto error = readMapCsv(text, back);
    ASSERT_FALSE(error) << error->line << ": " << error->message;
    expectSameOnTheUnit(original, back);
    // A second round changes nothing, so repeated save/load cycles do not drift.
    EXPECT_EQ(writeMapCsv(back), text);
}

TEST(MapCsv, LayoutIsHeaderThenSixteenRowsWithFixedDecimals) {
    const auto l = lines(writeMapCsv(mapTableFrom(DeviceState{})));
    ASSERT_EQ(l.size(), 17u);
    EXPECT_EQ(l[0], "V\\RPM,500,800,1100,1400,1700,2000,2300,2600,2900,3200,3500,3800,4100,4400,4700");
    EXPECT_EQ(l[1], "0.96,0.00,0.00,0.00,0.00,0.00,0.00,0.00,0.00,0.00,0.00,0.00,0.00,0.00,0.00,0.00");
    EXPECT_EQ(l[16].substr(0, 11), "15.36,0.00,");

    MapTable t = unitTable();
    t.voltAxis[0] = voltsFromWord(1); // 0.015 V
    t.voltAxis[1] = voltsFromWord(-3);
    t.map[0][0] = mapValueFromByte(255);
    const auto odd = lines(writeMapCsv(t));
    EXPECT_EQ(odd[1].substr(0, 11), "0.015,5.10,");
    EXPECT_EQ(odd[2].substr(0, 7), "-0.045,");
}

TEST(MapCsv, AcceptsSpreadsheetVariations) {
    const MapTable original = unitTable();
    const auto l = lines(writeMapCsv(original));
    std::vector<std::string> spaced = l;
    spaced[3] = " " + spaced[3] + " \t";
    for (std::size_t i = 0; i < spaced[5].size(); ++i)
        if (spaced[5][i] == ',') spaced[5].replace(i++, 1, " , ");

    const std::string withoutLastEnd = join(l, "\n").substr(0, join(l, "\n").size() - 1);
    for (const std::string& text :
         {join(l, "\r\n"), withoutLastEnd, join(l, "\n") + "\n\r\n  \n",
          "\xEF\xBB\xBF" + join(l, "\r\n"), join(spaced, "\n")}) {
        MapTable back;
        const auto error = readMapCsv(text, back);
        ASSERT_FALSE(error) << error->line << ": " << error->message;
        expectSameOnTheUnit(original, back);
    }
}

struct Refusal {
    const char* what;
    std::size_t line; // 1-based line to change; 0: replace the whole text
    std::string replacement;
    std::size_t faultLine;
    const char* message; // part of the expected message
};

void PrintTo(const Refusal& r, std::ostream* os) { *os << r.what; }

class MapCsvRefusal : public ::testing::TestWithParam<Refusal> {};

// One cell of a line replaced.
std::string withCell(const std::string& line, std::size_t cell, const std::string& value) {
    std::vector<std::string> cells;
    std::istringstream in(line);
    for (std::string c; std::getline(in, c, ',');) cells.push_back(c);
    cells.at(cell) = value;
    std::string out;
    for (std::size_t i = 0; i < cells.size(); ++i) out += (i ? "," : "") + cells[i];
    return out;
}

const auto kGood = lines(writeMapCsv(mapTableFrom(DeviceState{})));
const std::string kRow = kGood[2]; // 1.92,0.00,...

INSTANTIATE_TEST_SUITE_P(
    EachFault, MapCsvRefusal,
    ::testing::Values(
        Refusal{"empty file", 0, "", 1, "empty"},
        Refusal{"only blank lines", 0, "\r\n \n", 1, "empty"},
        Refusal{"wrong corner", 1, withCell(kGood[0], 0, "RPM"), 1, "V\\RPM"},
        Refusal{"header one short", 1, kGood[0].substr(0, kGood[0].rfind(',')), 1, "found 15"},
        Refusal{"extra column", 3, kRow + ",0.00", 3, "found 17"},
        Refusal{"trailing comma", 3, kRow + ",", 3, "found 17"},
        Refusal{"semicolons", 3, "1.92;0.00", 3, "found 1"},
        Refusal{"empty cell", 3, withCell(kRow, 4, ""), 3, "cell 5 is empty"},
        Refusal{"blank cell", 3, withCell(kRow, 4, "  "), 3, "cell 5 is empty"},
        Refusal{"word", 3, withCell(kRow, 2, "abc"), 3, "not a number"},
        Refusal{"quoted cell", 3, withCell(kRow, 2, "\"0.5\""), 3, "not a number"},
        Refusal{"number with tail", 3, withCell(kRow, 2, "1.5x"), 3, "not a number"},
        Refusal{"hexadecimal", 3, withCell(kRow, 2, "0x10"), 3, "not a number"},
        Refusal{"NaN", 3, withCell(kRow, 2, "nan"), 3, "not a finite number"},
        Refusal{"NaN voltage", 3, withCell(kRow, 0, "NAN"), 3, "not a finite number"},
        Refusal{"infinity", 3, withCell(kRow, 2, "inf"), 3, "not a finite number"},
        Refusal{"huge", 3, withCell(kRow, 2, "1e999"), 3, "not a finite number"},
        Refusal{"map value above 5.10", 3, withCell(kRow, 15, "5.11"), 3, "outside 0.00..5.10"},
        Refusal{"negative map value", 3, withCell(kRow, 1, "-0.01"), 3, "outside"},
        Refusal{"RPM above a byte", 1, withCell(kGood[0], 15, "25600"), 1, "outside 0..25500"},
        Refusal{"negative RPM", 1, withCell(kGood[0], 1, "-100"), 1, "outside"},
        Refusal{"volts above a word", 17, withCell(kGood[16], 0, "491.52"), 17, "outside"},
        Refusal{"volts below a word", 2, withCell(kGood[1], 0, "-491.535"), 2, "outside"},
        Refusal{"RPM axis repeats", 1, withCell(kGood[0], 3, "800"), 1, "not above"},
        Refusal{"RPM within one hundred", 1, withCell(kGood[0], 2, "599"), 1, "500 on the unit"},
        Refusal{"voltage axis falls", 6, withCell(kGood[5], 0, "3.00"), 6, "not above"},
        Refusal{"volts within one step", 3, withCell(kRow, 0, "0.97"), 3, "on the unit"},
        Refusal{"blank line inside", 9, "", 9, "empty line"},
        Refusal{"one row short", 17, "", 17, "found 15"},
        Refusal{"a row too many", 17, kGood[16] + "\n16.00" + kRow.substr(4), 18, "more than 16"}),
    [](const ::testing::TestParamInfo<Refusal>& info) {
        std::string name;
        for (const char* p = info.param.what; *p; ++p) name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
        return name;
    });

TEST_P(MapCsvRefusal, ReportsTheFirstBadLineAndLeavesTheTableAlone) {
    const Refusal& r = GetParam();
    std::string text;
    if (r.line == 0) {
        text = r.replacement;
    } else {
        auto l = kGood;
        if (r.what == std::string("one row short")) l.pop_back();
        else l.at(r.line - 1) = r.replacement;
        text = join(l, "\n");
    }
    MapTable table = unitTable();
    const auto error = readMapCsv(text, table);
    ASSERT_TRUE(error) << "accepted:\n" << text;
    EXPECT_EQ(error->line, r.faultLine) << error->message;
    EXPECT_NE(error->message.find(r.message), std::string::npos) << error->message;
    expectSameOnTheUnit(table, unitTable());
}

TEST(MapCsv, OnlyTheFirstOfSeveralFaultsIsReported) {
    auto l = kGood;
    l[7] = withCell(l[7], 3, "9");
    l[4] = withCell(l[4], 3, "x");
    MapTable table;
    const auto error = readMapCsv(join(l, "\n"), table);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->line, 5u);
}

TEST(MapCsv, EchoedCellsAreShortAndPrintable) {
    auto l = kGood;
    l[2] = withCell(l[2], 1, "\x1b[31m" + std::string(200, 'A'));
    MapTable table;
    const auto error = readMapCsv(join(l, "\n"), table);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->message.find('\x1b'), std::string::npos);
    EXPECT_LT(error->message.size(), 80u);
}

TEST(MapTableText, ColumnsLineUpWhateverTheNumbersWidths) {
    MapTable t = unitTable();
    t.voltAxis[0] = -300.0;
    const auto l = lines(formatMapTable(t));
    ASSERT_EQ(l.size(), 17u);
    EXPECT_EQ(l[0].substr(0, 9), "  V\\RPM  "); // under "-300.00"
    for (const auto& line : l) {
        EXPECT_EQ(line.size(), l[0].size()) << line;
        EXPECT_NE(line.back(), ' ');
    }
    // The last column ends where its header ends: right-aligned.
    EXPECT_EQ(l[0].substr(l[0].size() - 5), "25500");
    EXPECT_EQ(l[16].substr(l[16].size() - 4), " 5.1"); // as the window shows it
}

} // namespace
} // namespace velmora::cli
