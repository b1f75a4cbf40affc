// SPDX-License-Identifier: GPL-3.0-or-later
// The texts users hand us: map files from spreadsheets in any locale, pasted cells,
// backups. Each reads back what was written, or is refused whole with line and column.

#include "mapfile/backup_file.h"
#include "mapfile/map_csv.h"
#include "mapfile/paste_text.h"

#include "device/encodings.h"

#include <gtest/gtest.h>


namespace velmora::mapfile {
namespace {

// A unit with the awkward corners of the encodings: odd voltage words, a falling
// voltage axis (what the unit holds is not ours to refuse), the largest bytes.
Snapshot awkwardUnit() {
    Snapshot s;
    s.version = 0xBEEF;
    s.deviceType = 0x11;
    s.rpmDivider = 0;
    s.noiseDelta = 255;
    s.noisePeriod = 65535;
    for (std::size_t r = 0; r < kVoltRows; ++r) {
        s.voltAxis[r] = voltsFromWord(static_cast<std::int16_t>(900 - 67 * static_cast<int>(r)));
        for (std::size_t c = 0; c < kRpmCols; ++c)
            s.map[r][c] = mapValueFromByte(static_cast<std::uint8_t>((r * kRpmCols + c) * 37 % 256));
    }
    s.voltAxis[0] = voltsFromWord(-32768);
    for (std::size_t c = 0; c < kRpmCols; ++c) s.rpmAxis[c] = rpmFromAxisByte(static_cast<std::uint8_t>(255 - c));
    return s;
}

// writeMapCsv's text as a Polish spreadsheet saves it: ';', decimal commas, CRLF, BOM.
std::string asDecimalCommaCsv(const std::string& text) {
    std::string out = "\xEF\xBB\xBF";
    for (char c : text) {
        if (c == ',') out += ';';
        else if (c == '.') out += ',';
        else if (c == '\n') out += "\r\n";
        else out += c;
    }
    return out;
}

TEST(MapCsv, DecimalCommaFileReadsAsTheCommaFile) {
    MapTable table;
    table.rpmAxis = DeviceState{}.rpmAxis;
    for (std::size_t r = 0; r < kVoltRows; ++r) {
        table.voltAxis[r] = voltsFromWord(static_cast<std::int16_t>(67 * (r + 1))); // odd thousandths
        for (std::size_t c = 0; c < kRpmCols; ++c) table.map[r][c] = mapValueFromByte(static_cast<std::uint8_t>(r * 16 + c));
    }
    const std::string comma = writeMapCsv(table);
    MapTable a, b;
    ASSERT_FALSE(readMapCsv(comma, a));
    const auto error = readMapCsv(asDecimalCommaCsv(comma), b);
    ASSERT_FALSE(error) << describe(*error);
    EXPECT_EQ(a.map, b.map);
    EXPECT_EQ(a.voltAxis, b.voltAxis);
    EXPECT_EQ(a.rpmAxis, b.rpmAxis);
}

struct Refusal {
    const char* what;
    std::string text;
    std::size_t line, column;
    const char* message; // part of it
};

void expectRefusal(const Refusal& r, const std::optional<TextError>& error) {
    ASSERT_TRUE(error) << r.what;
    EXPECT_EQ(error->line, r.line) << r.what << ": " << describe(*error);
    EXPECT_EQ(error->column, r.column) << r.what << ": " << describe(*error);
    EXPECT_NE(error->message.find(r.message), std::string::npos) << r.what << ": " << describe(*error);
}

TEST(MapCsv, RefusalsNameLineAndColumnAndLeaveTheTableAlone) {
    const std::string comma = writeMapCsv(mapTableFrom(DeviceState{}));
    const std::string semi = asDecimalCommaCsv(comma);
    auto replaced = [](std::string text, const std::string& from, const std::string& to) {
        return text.replace(text.find(from), from.size(), to);
    };
    const Refusal cases[] = {
        {"comma line in a ';' file",
         replaced(semi, semi.substr(semi.find("1,92;"), semi.find("\r\n2,88") - semi.find("1,92;")),
                  comma.substr(comma.find("1.92,"), comma.find("\n2.88") - comma.find("1.92,"))),
         3, 0, "uses ','"},
        {"decimal comma in a ',' file", replaced(comma, "1.92,", "1,92,"), 3, 0, "found 17"},
        {"letter in a ';' file", replaced(semi, "2,88;0,00;0,00", "2,88;0,00;x"), 4, 3, "not a number"},
        {"two decimal commas", replaced(semi, "3,84;0,00", "3,84;0,0,0"), 5, 2, "not a number"},
        {"map value too large", replaced(semi, "4,80;0,00", "4,80;5,2"), 6, 2, "outside"},
        {"falling voltage", replaced(semi, "5,76;", "4,00;"), 7, 1, "not above"},
        {"wrong corner", replaced(comma, "V\\RPM", "X"), 1, 1, "first cell"},
    };
    for (const Refusal& r : cases) {
        MapTable table;
        table.map[0][0] = 4.2;
        expectRefusal(r, readMapCsv(r.text, table));
        EXPECT_EQ(table.map[0][0], 4.2) << r.what;
    }
}

TEST(PasteText, ReadsSpreadsheetBlocksInEitherLocale) {
    const struct {
        const char* what;
        std::string text;
        ValueBlock block;
    } cases[] = {
        {"tabs, CRLF, trailing newline", "1.5\t2\r\n3\t4.25\r\n", {{1.5, 2}, {3, 4.25}}},
        {"tabs with decimal commas", "1,5\t0,02\n", {{1.5, 0.02}}},
        {"one column with decimal commas", "1,5\n2,5\n\n", {{1.5}, {2.5}}},
        {"semicolons", "1,5;2\n3;4\n", {{1.5, 2}, {3, 4}}},
        {"commas with points", "1.5,2.0\n", {{1.5, 2.0}}},
        {"one cell, BOM, blanks", "\xEF\xBB\xBF 0.4 ", {{0.4}}},
    };
    for (const auto& c : cases) {
        ValueBlock block;
        const auto error = parsePasteText(c.text, block);
        ASSERT_FALSE(error) << c.what << ": " << describe(*error);
        EXPECT_EQ(block, c.block) << c.what;
    }
}

TEST(PasteText, RefusesRaggedBlocksAndNonNumbersWhole) {
    const Refusal cases[] = {
        {"ragged", "1\t2\n3\n", 2, 0, "a rectangle"},
        {"letter", "1\t2\n3\tabc\n", 2, 2, "not a number"},
        {"empty cell", "1\t\t2\n", 1, 2, "empty cell"},
        {"infinity", "inf\n", 1, 1, "finite"},
        {"gap", "1\n\n2\n", 2, 0, "empty line"},
        {"nothing", " \r\n", 1, 0, "no numbers"},
        {"too long", std::string(kMaxPasteBytes + 1, '1'), 1, 0, "too long"},
    };
    for (const Refusal& r : cases) {
        ValueBlock block{{7.0}};
        expectRefusal(r, parsePasteText(r.text, block));
        EXPECT_EQ(block, ValueBlock{{7.0}}) << r.what;
    }
}

TEST(PasteText, CopiedCellsPasteBackUnchanged) {
    const ValueBlock block{{0.0, 5.1, 0.02}, {1.24, 3.3, 4.98}};
    const std::string text = formatPasteText(block);
    EXPECT_EQ(text, "0.00\t5.10\t0.02\n1.24\t3.30\t4.98\n");
    ValueBlock back;
    ASSERT_FALSE(parsePasteText(text, back));
    EXPECT_EQ(back, block);
}

TEST(BackupFile, WhatTheUnitHeldReadsBackAtTheUnitsResolution) {
    const Backup backup{std::chrono::sys_days{std::chrono::year{2026} / 2 / 28} + std::chrono::hours{23} +
                            std::chrono::minutes{5} + std::chrono::seconds{9},
                        awkwardUnit()};
    std::string text = writeBackup(backup);
    EXPECT_EQ(text.substr(0, 45), "Velmora backup 1\nsaved: 2026-02-28T23:05:09Z\n");
    EXPECT_TRUE(looksLikeBackup(text));
    // Edited in Notepad: CRLF line ends and a BOM.
    std::string crlf = "\xEF\xBB\xBF";
    for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    for (const std::string& t : {text, crlf}) {
        Backup back;
        const auto error = readBackup(t, back);
        ASSERT_FALSE(error) << describe(*error);
        EXPECT_EQ(back.saved, backup.saved);
        EXPECT_TRUE(sameOnUnit(back.unit, backup.unit));
    }
    // Hand-edited values between the unit's steps (it truncates them) are written as the
    // unit holds them, not rounded to the next step on the page.
    Backup edited = backup;
    edited.unit.map[2][6] = 1.216;
    edited.unit.rpmAxis[3] = 199.6;
    edited.unit.voltAxis[5] = 0.022;
    Backup back;
    ASSERT_FALSE(readBackup(writeBackup(edited), back));
    EXPECT_TRUE(sameOnUnit(back.unit, edited.unit));
}

TEST(BackupFile, RefusesAnythingButItsOwnLayout) {
    const std::string good = writeBackup({std::chrono::sys_seconds{}, awkwardUnit()});
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string text = good;
        return text.replace(text.find(from), from.size(), to);
    };
    const Refusal cases[] = {
        {"other file", "V\\RPM,1\n", 1, 0, "not a Velmora backup"},
        {"short", good.substr(0, good.find("noise-delta")), 6, 0, "ends early"},
        {"order", replaced("version:", "device-type:"), 3, 1, "expected 'version"},
        {"bad time", replaced("1970-01-01T00:00:00Z", "1970-02-30T00:00:00Z"), 2, 2, "UTC time"},
        {"version digits", replaced("0xBEEF", "0xBEE"), 3, 2, "hex digits"},
        {"setting too large", replaced("noise-delta: 255", "noise-delta: 256"), 6, 2, "0..255"},
        {"no map key", replaced("map:\n", "mapa:\n"), 8, 0, "expected 'map:'"},
        {"map cell", replaced("\n-491.52,", "\n-491.52,zz"), 10, 2, "not a number"},
        {"missing map row", good.substr(0, good.rfind('\n', good.size() - 2) + 1), 25, 0, "16 voltage rows"},
    };
    for (const Refusal& r : cases) {
        Backup backup;
        backup.unit.noiseDelta = 99;
        expectRefusal(r, readBackup(r.text, backup));
        EXPECT_EQ(backup.unit.noiseDelta, 99) << r.what;
    }
}

} // namespace
} // namespace velmora::mapfile
