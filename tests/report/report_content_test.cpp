// SPDX-License-Identifier: GPL-3.0-or-later
// The report's document from known before/after snapshots: what it marks as changed,
// the numbers it shows, and the HTML it becomes. No language files are loaded, so
// the texts are the program's source texts.

#include "report/report_content.h"
#include "report/report_html.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace velmora::report {
namespace {

mapfile::Snapshot unit() {
    mapfile::Snapshot s;
    s.version = 0x0102;
    s.deviceType = 0x11;
    s.rpmDivider = 2;
    s.noiseDelta = 12;
    s.noisePeriod = 300;
    for (int r = 0; r < kVoltRows; ++r) {
        s.voltAxis[r] = 0.96 + 0.96 * r;
        for (int c = 0; c < kRpmCols; ++c) s.map[r][c] = 0.02 * (r + c);
    }
    for (int c = 0; c < kRpmCols; ++c) s.rpmAxis[c] = 500 + 300 * c;
    return s;
}

std::vector<const Block*> blocks(const Document& doc, Block::Kind kind) {
    std::vector<const Block*> out;
    for (const Block& b : doc.blocks)
        if (b.kind == kind) out.push_back(&b);
    return out;
}
bool hasParagraph(const Document& doc, const std::string& start) {
    const auto ps = blocks(doc, Block::Kind::Paragraph);
    return std::any_of(ps.begin(), ps.end(), [&](const Block* b) { return b->text.rfind(start, 0) == 0; });
}
// Every changed cell of every table, as "text".
std::vector<std::string> changedCells(const Document& doc) {
    std::vector<std::string> out;
    for (const Block* b : blocks(doc, Block::Kind::Table))
        for (const auto& row : b->table.rows)
            for (const Cell& c : row)
                if (c.changed) out.push_back(c.text);
    return out;
}

TEST(ReportContent, MarksWhatChangedAndOnlyThat) {
    struct Case {
        const char* name;
        void (*change)(mapfile::Snapshot&);
        std::vector<std::string> changed; // every marked cell, in document order
        bool noChanges;
    };
    const Case cases[] = {
        {"nothing", [](mapfile::Snapshot&) {}, {}, true},
        // Below the unit's resolution a cell is the same cell.
        {"noise below a map step", [](mapfile::Snapshot& s) { s.map[0][0] += 0.001; }, {}, true},
        {"one setting", [](mapfile::Snapshot& s) { s.noiseDelta = 14; }, {"14"}, false},
        // Before grid, after grid, difference: the cell is outlined in all three.
        {"one cell", [](mapfile::Snapshot& s) { s.map[3][4] = 1.24; }, {"0.14", "1.24", "+1.10"}, false},
        {"a cell down", [](mapfile::Snapshot& s) { s.map[15][14] = 0.0; }, {"0.58", "0.00", "-0.58"}, false},
        {"an axis", [](mapfile::Snapshot& s) { s.rpmAxis[2] = 1200; }, {"1200"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReportInput in;
        in.before = unit();
        in.after = unit();
        c.change(in.after);
        const Document doc = buildReport(in);
        EXPECT_EQ(changedCells(doc), c.changed);
        EXPECT_EQ(hasParagraph(doc, "Bez zmian"), c.noChanges);
        // One map grid when nothing changed in the map, else before, after and difference.
        const auto tables = blocks(doc, Block::Kind::Table);
        const auto grids = std::count_if(tables.begin(), tables.end(), [](const Block* b) { return b->table.grid; });
        EXPECT_EQ(grids, c.changed.size() == 3 ? 3 : 1);
        EXPECT_EQ(hasParagraph(doc, "Mapa bez zmian."), c.changed.size() != 3);
    }
}

TEST(ReportContent, CountsChangedCellsAndShowsTheirColourStep) {
    ReportInput in;
    in.before = unit();
    in.after = unit();
    in.after.map[0][0] = 5.0;
    in.after.map[0][1] = 0.2;
    in.after.version = 0x0103;
    EXPECT_EQ(changedCellCount(in.before, in.after), 2);
    const Document doc = buildReport(in);
    EXPECT_TRUE(hasParagraph(doc, "Zmienione komórki: 2 "));
    const auto tables = blocks(doc, Block::Kind::Table);
    const auto after = std::find_if(tables.begin(), tables.end(), [](const Block* b) {
        return b->table.grid && b->table.rows[1][1].text == "5.00";
    });
    ASSERT_NE(after, tables.end());
    const auto& row = (*after)->table.rows;
    EXPECT_EQ(row[0][1].text, "500");           // RPM across
    EXPECT_EQ(row[1][0].text, "0.96");          // volts down
    EXPECT_EQ(row[1][1].background, rgb(215, 40, 35)); // the window's top step
    EXPECT_EQ(row[1][3].background, rgb(255, 255, 255));
    EXPECT_FALSE(row[1][3].changed);
    // A firmware change shows as before -> after.
    const auto version = std::find_if(tables.begin(), tables.end(), [](const Block* b) {
        return !b->table.rows.empty() && b->table.rows[0].size() == 2 && b->table.rows.size() > 1 &&
               b->table.rows[1][1].text.find("→") != std::string::npos;
    });
    ASSERT_NE(version, tables.end());
    EXPECT_EQ((*version)->table.rows[1][1].text, "1.02 → 1.03");
}

TEST(ReportContent, ReadingsGiveMinimumMeanAndMaximum) {
    std::vector<CDiag> samples(4);
    for (int i = 0; i < 4; ++i) {
        samples[i].inputRaw = static_cast<std::uint16_t>(100 * (i + 1)); // 0.5 .. 2.0 V
        samples[i].workState = i == 0 ? 3 : 0;
    }
    const auto figures = readingFigures(samples);
    ASSERT_EQ(figures.size(), 5u);
    EXPECT_DOUBLE_EQ(figures[0].mean, 25.0); // on for one sample in four
    EXPECT_DOUBLE_EQ(figures[2].min, 0.5);
    EXPECT_DOUBLE_EQ(figures[2].mean, 1.25);
    EXPECT_DOUBLE_EQ(figures[2].max, 2.0);
    EXPECT_TRUE(readingFigures({}).empty());
}

TEST(ReportHtml, EscapesTheCustomersTextAndOutlinesChangedCells) {
    ReportInput in;
    in.before = unit();
    in.after = unit();
    in.after.map[2][2] = 3.0;
    in.details.customer = "A & B <Ltd> \"x\"";
    in.details.notes = "line one\nline two";
    in.chartPicture = "chart";
    const Document doc = buildReport(in);
    const std::string html = toHtml(doc, [](const std::string& name) { return name + ".png"; });
    EXPECT_NE(html.find("A &amp; B &lt;Ltd&gt; &quot;x&quot;"), std::string::npos);
    EXPECT_NE(html.find("line one<br>line two"), std::string::npos);
    EXPECT_NE(html.find("style=\"background-color:#fa9637;border:2px solid #000000;font-weight:bold;text-align:right;\">3.00"),
              std::string::npos)
        << html;
    EXPECT_NE(html.find("<img src=\"chart.png\""), std::string::npos);
    EXPECT_EQ(toHtml(doc).find("<img"), std::string::npos); // no source, no picture
}

} // namespace
} // namespace velmora::report
