// SPDX-License-Identifier: GPL-3.0-or-later
#include "lang/lang_file.h"

#include "lang_test_files.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

using test::TempDir;
using test::writeBytes;
using test::writeLangFile;

class LangFileLookup : public ::testing::Test {
protected:
    // Writes the file and opens it.
    void load(std::wstring_view text)
    {
        writeLangFile(m_path, text);
        ASSERT_TRUE(m_file.open(m_path));
    }
    void loadBytes(std::string_view bytes)
    {
        writeBytes(m_path, bytes);
        ASSERT_TRUE(m_file.open(m_path));
    }

    TempDir m_dir;
    std::filesystem::path m_path = m_dir.path() / "ENGLISH.txt";
    CLangFile m_file;
};

TEST_F(LangFileLookup, TranslationIsEverythingAfterTheSecondTab)
{
    load(L"Zamknij\tsecond column\tClose\r\n"
         L"Kasuj\t\tClear\tmap\r\n"
         L"Zażółć gęślą\t\tŻółta jaźń\r\n");
    EXPECT_EQ(m_file.lookup(L"Zamknij"), L"Close");
    EXPECT_EQ(m_file.lookup(L"Kasuj"), L"Clear\tmap");
    EXPECT_EQ(m_file.lookup(L"Zażółć gęślą"), L"Żółta jaźń");
    // Whole-length, case-sensitive keys.
    EXPECT_EQ(m_file.lookup(L"zamknij"), L"zamknij");
    EXPECT_EQ(m_file.lookup(L"Zamkni"), L"Zamkni");
    EXPECT_EQ(m_file.lookup(L"Zamknij "), L"Zamknij ");
    // Repeated lookups start from the top again.
    EXPECT_EQ(m_file.lookup(L"Zamknij"), L"Close");
}

TEST_F(LangFileLookup, EscapesMatchRealControlCharactersBothWays)
{
    load(L"Linia 1\\nLinia 2\t\tLine 1\\nLine 2\\tend\\r\r\n");
    EXPECT_EQ(m_file.lookup(L"Linia 1\nLinia 2"), L"Line 1\nLine 2\tend\r");
    // The escaped spelling itself is not a key, and a miss hands the key back untouched.
    EXPECT_EQ(m_file.lookup(L"Linia 1\\nLinia 2"), L"Linia 1\\nLinia 2");
}

TEST_F(LangFileLookup, LinesWithoutTwoTabsAreSkippedAndTheFirstFullLineWins)
{
    load(L"no tab at all\r\n"
         L"Zamknij\tonly one tab\r\n"
         L"Zamknij\t\tClose\r\n"
         L"Zamknij\t\tSecond\r\n"
         L"Start\t\t\r\n");
    EXPECT_EQ(m_file.lookup(L"Zamknij"), L"Close");
    EXPECT_EQ(m_file.lookup(L"Start"), L""); // an empty translation is handed on as empty
    EXPECT_EQ(m_file.lookup(L"no tab at all"), L"no tab at all");
}

TEST_F(LangFileLookup, CharactersBeyondTheBasicPlaneSurviveTheRoundTrip)
{
    load(L"Stan \U0001F600\t\tState \U0001F680\r\n");
    EXPECT_EQ(m_file.lookup(L"Stan \U0001F600"), L"State \U0001F680");
}

TEST_F(LangFileLookup, FilesInAnotherShapeGiveTheSourceText)
{
    const std::wstring key = L"Zamknij";
    // UTF-8 instead of UTF-16.
    loadBytes("\xEF\xBB\xBFZamknij\t\tClose\r\n");
    EXPECT_EQ(m_file.lookup(key), key);
    // Big-endian UTF-16.
    loadBytes(std::string("\xFE\xFF\0Z\0a\0m\0k\0n\0i\0j\0\t\0\t\0C\0\r\0\n", 26));
    EXPECT_EQ(m_file.lookup(key), key);
    // LF line ends: the translation must not come back with its end cut off.
    load(L"Zamknij\t\tClose\nStart\t\tGo\n");
    EXPECT_EQ(m_file.lookup(key), key);
    // The last line without its CR LF.
    load(L"Start\t\tGo\r\nZamknij\t\tClose");
    EXPECT_EQ(m_file.lookup(key), key);
    EXPECT_EQ(m_file.lookup(L"Start"), L"Go");
    // Empty, mark only, one byte.
    for (std::string_view bytes : {std::string_view(""), std::string_view("\xFF\xFE"),
                                   std::string_view("\xFF")}) {
        loadBytes(bytes);
        EXPECT_EQ(m_file.lookup(key), key);
    }
    // A trailing odd byte costs nothing before it.
    loadBytes("\xFF\xFE" + test::utf16le(L"Zamknij\t\tClose\r\n") + "\x41");
    EXPECT_EQ(m_file.lookup(key), L"Close");
}

TEST_F(LangFileLookup, OverlongLinesArriveInPiecesAndDoNotHideLaterLines)
{
    const std::wstring huge(100000, L'x');
    load(L"Zamknij\t\t" + huge + L"\r\n" + huge + L"\t\tZ\r\n" + L"Start\t\tGo\r\n");
    EXPECT_EQ(m_file.lookup(L"Start"), L"Go");
    // Only a piece of the overlong line would match; a cut translation is never handed out.
    EXPECT_EQ(m_file.lookup(L"Zamknij"), L"Zamknij");
}

TEST_F(LangFileLookup, ALineFillingTheReadLimitExactlyIsStillWhole)
{
    // Key (1) + two TABs + translation + CR LF.
    const std::wstring fits(2047 - 5, L'a');
    const std::wstring oneOver(2047 - 4, L'b');
    load(L"A\t\t" + fits + L"\r\nB\t\t" + oneOver + L"\r\nC\t\tafter\r\n");
    EXPECT_EQ(m_file.lookup(L"A"), fits);
    EXPECT_EQ(m_file.lookup(L"B"), L"B");
    EXPECT_EQ(m_file.lookup(L"C"), L"after");
}

TEST(LangFile, OpenCloseAndWhatAClosedFileAnswers)
{
    TempDir dir;
    CLangFile file;
    EXPECT_EQ(file.lookup(L"Zamknij"), L"");
    EXPECT_FALSE(file.open(dir.path() / "missing.txt"));
    EXPECT_FALSE(file.open(dir.path())); // a folder is no language file
    EXPECT_FALSE(file.isOpen());
    EXPECT_TRUE(file.fileName().empty());

    const auto first = dir.path() / "ENGLISH.txt";
    const auto second = dir.path() / "RUSSIAN.txt";
    writeLangFile(first, L"Zamknij\t\tClose\r\n");
    writeLangFile(second, L"Zamknij\t\tЗакрыть\r\n");
    ASSERT_TRUE(file.open(first));
    EXPECT_EQ(file.fileName(), first);
    EXPECT_EQ(file.lookup(L"Zamknij"), L"Close");
    EXPECT_EQ(file.lookup(L"Zamknij"), L"Close"); // remembered, and the same
    ASSERT_TRUE(file.open(second));
    EXPECT_EQ(file.fileName(), second);
    EXPECT_EQ(file.lookup(L"Zamknij"), L"Закрыть");

    file.close();
    EXPECT_FALSE(file.isOpen());
    EXPECT_TRUE(file.fileName().empty());
    EXPECT_EQ(file.lookup(L"Zamknij"), L"");
}

} // namespace
} // namespace velmora
