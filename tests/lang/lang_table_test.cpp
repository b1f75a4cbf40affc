// SPDX-License-Identifier: GPL-3.0-or-later
#include "lang/lang_table.h"

#include "lang/lang_file.h"
#include "lang/lang_text.h"
#include "lang/translate.h"
#include "lang_test_files.h"

#include <gtest/gtest.h>

#include <set>

namespace velmora::lang {
namespace {

std::string joinErrors(const Table& table)
{
    std::string all;
    for (const std::string& error : table.errors)
        all += error + '\n';
    return all;
}

TEST(LanguageTable, ReadsEntriesAndSkipsCommentsBlankLinesAndLineEnds)
{
    const Table table = parseTable("\xEF\xBB\xBF# comment\r\n"
                                   "\r\n"
                                   "Zamknij\tClose\r\n"
                                   "Linia\\ndruga\tLine\\ntwo\n"
                                   "Kasuj\tClear",
                                   "T.tsv");
    ASSERT_TRUE(table.errors.empty()) << joinErrors(table);
    ASSERT_EQ(table.entries.size(), 3u);
    EXPECT_EQ(table.entries[0].source, L"Zamknij");
    EXPECT_EQ(table.entries[0].translation, L"Close");
    EXPECT_EQ(table.entries[0].line, 3);
    EXPECT_EQ(table.entries[1].source, L"Linia\\ndruga"); // kept escaped for the file
    EXPECT_EQ(table.entries[2].line, 5);
}

TEST(LanguageTable, ReportsEveryFaultyLineWithItsNumber)
{
    const std::string tooLong = "K\t" + std::string(2047 - 4, 'x'); // one unit over
    const std::string fits = "F\t" + std::string(2047 - 5, 'x');
    const Table table = parseTable("no tab\n"                 // 1
                                   "a\tb\tc\n"                // 2
                                   "\tempty source\n"         // 3
                                   "empty translation\t\n"    // 4
                                   "bad \xC3\x28 utf8\tx\n"   // 5
                                   "bell\a\tx\n"              // 6
                                   "Zamknij\tClose\n"         // 7
                                   "Zamknij\tAgain\n"         // 8
                                   + tooLong + "\n"           // 9
                                   + fits + "\n",             // 10
                                   "lang/X.tsv");
    const std::vector<std::string> prefixes = {"lang/X.tsv:1: ", "lang/X.tsv:2: ", "lang/X.tsv:3: ",
                                               "lang/X.tsv:4: ", "lang/X.tsv:5: ", "lang/X.tsv:6: ",
                                               "lang/X.tsv:8: ", "lang/X.tsv:9: "};
    ASSERT_EQ(table.errors.size(), prefixes.size()) << joinErrors(table);
    for (std::size_t i = 0; i < prefixes.size(); ++i)
        EXPECT_EQ(table.errors[i].rfind(prefixes[i], 0), 0u) << table.errors[i];
    EXPECT_NE(table.errors[6].find("line 7"), std::string::npos) << table.errors[6];
    ASSERT_EQ(table.entries.size(), 2u);
    EXPECT_EQ(table.entries[1].line, 10);
}

TEST(LanguageTable, ASecondLineForTheSameSourceTextIsAnError)
{
    // Readers take the first line for a key, so the second could never be seen.
    const Table table = parseTable("a\\tb\tx\nc\\nd\ty\nc\\nd\tz\n", "T.tsv");
    ASSERT_EQ(table.errors.size(), 1u);
    EXPECT_EQ(table.errors[0].rfind("T.tsv:3: ", 0), 0u);
}

TEST(LanguageFileBytes, MarkThenUtf16LittleEndianLinesWithCrLf)
{
    const std::string bytes =
        encodeLanguageFile({{L"Ł\\n", L"\U0001F600", 1}, {L"a", L"b", 2}});
    const std::string expected("\xFF\xFE"
                               "\x41\x01\\\0n\0\t\0\t\0\x3D\xD8\x00\xDE\r\0\n\0"
                               "a\0\t\0\t\0b\0\r\0\n\0",
                               2 + 18 + 12);
    EXPECT_EQ(bytes, expected);
}

// The files the build put beside the executables, checked byte by byte and
// read back through the program's own lookup.
TEST(ShippedLanguageFiles, AreUtf16WithMarkAndCrLfAndGiveEveryTableLineBack)
{
    const std::filesystem::path tables = std::filesystem::path(VELMORA_SOURCE_DIR) / "lang";
    const std::filesystem::path shipped = VELMORA_LANG_OUTPUT_DIR;
    std::set<std::string> knownNames;
    for (int index = 0; index <= 19; ++index) {
        if (const char* name = languageFileName(index))
            knownNames.insert(name);
    }

    int checked = 0;
    for (const auto& item : std::filesystem::directory_iterator(tables)) {
        if (item.path().extension() != ".tsv")
            continue;
        const std::string fileName = item.path().stem().string() + ".txt";
        SCOPED_TRACE(fileName);
        EXPECT_EQ(knownNames.count(fileName), 1u) << "the program never opens " << fileName;

        const Table table = parseTable(test::readBytes(item.path()), item.path().string());
        ASSERT_TRUE(table.errors.empty()) << joinErrors(table);
        const std::string bytes = test::readBytes(shipped / fileName);
        ASSERT_GE(bytes.size(), 2u);
        ASSERT_EQ(bytes.substr(0, 2), "\xFF\xFE");
        ASSERT_EQ(bytes.size() % 2, 0u);

        std::u16string units;
        for (std::size_t i = 2; i < bytes.size(); i += 2)
            units.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                                  static_cast<unsigned char>(bytes[i + 1]) << 8));
        ASSERT_GE(units.size(), 2u);
        EXPECT_EQ(units.substr(units.size() - 2), u"\r\n");
        std::size_t lines = 0;
        std::size_t lineStart = 0;
        for (std::size_t i = 0; i < units.size(); ++i) {
            if (units[i] == u'\r') {
                ASSERT_TRUE(i + 1 < units.size() && units[i + 1] == u'\n') << "CR at unit " << i;
            }
            if (units[i] == u'\n') {
                ASSERT_TRUE(i > 0 && units[i - 1] == u'\r') << "bare LF at unit " << i;
                EXPECT_LE(i + 1 - lineStart, kMaxLineUnits) << "line " << lines + 1;
                lineStart = i + 1;
                ++lines;
            }
        }
        EXPECT_EQ(lines, table.entries.size());

        CLangFile file;
        ASSERT_TRUE(file.open(shipped / fileName));
        for (const TableEntry& entry : table.entries)
            EXPECT_EQ(file.lookup(unescape(entry.source)), unescape(entry.translation))
                << "table line " << entry.line;
        ++checked;
    }
    EXPECT_GE(checked, 3); // English, Russian and Spanish at least
}

} // namespace
} // namespace velmora::lang
