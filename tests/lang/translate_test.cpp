// SPDX-License-Identifier: GPL-3.0-or-later
#include "lang/translate.h"

#include "lang/lang_table.h"
#include "lang_test_files.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

namespace velmora {
namespace {

using test::TempDir;
using test::writeLangFile;

// An EM_LANG folder written by the test, loaded into the program's slots.
class Translate : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(m_folder); }
    void TearDown() override
    {
        unloadLanguageFiles();
        setLanguageIndex(1);
    }
    void write(const char* name, std::wstring_view text) { writeLangFile(m_folder / name, text); }
    void loadAs(int index)
    {
        loadLanguageFiles(m_folder.string());
        setLanguageIndex(index);
    }

    TempDir m_dir;
    std::filesystem::path m_folder = m_dir.path() / "EM_LANG";
};

TEST_F(Translate, SelectedLanguageFirstThenEnglishThenTheSource)
{
    write("ENGLISH.txt", L"Zamknij\t\tClose\r\nKasuj\t\tClear\r\nStart\t\tStart\r\n");
    write("RUSSIAN.txt", L"Zamknij\t\tЗакрыть\r\nKasuj\t\t\r\n");
    loadAs(2);
    EXPECT_EQ(translate(L"Zamknij"), L"Закрыть");
    EXPECT_EQ(translate(L"Kasuj"), L"Clear");  // empty translation: English
    EXPECT_EQ(translate(L"Start"), L"Start");  // line missing from Russian: the source, not English
    EXPECT_EQ(translate(L"Odczyty"), L"Odczyty");

    setLanguageIndex(1);
    EXPECT_EQ(translate(L"Zamknij"), L"Close");
    EXPECT_EQ(translate(L"Odczyty"), L"Odczyty");
}

TEST_F(Translate, PolishIsTheSourceTextEvenWhenFilesHaveTheKey)
{
    write("ENGLISH.txt", L"Zamknij\t\tClose\r\n");
    loadAs(0);
    EXPECT_EQ(translate(L"Zamknij"), L"Zamknij");
    EXPECT_EQ(translate(L"a\\nb"), L"a\\nb");
}

TEST_F(Translate, EveryLanguageReadsItsOwnFileAndTheOthersEnglish)
{
    for (int index = 1; index <= 19; ++index) {
        if (const char* name = languageFileName(index))
            write(name, L"Zamknij\t\t" + std::wstring(name, name + std::strlen(name)) + L"\r\n");
    }
    loadAs(1);
    int files = 0;
    for (int index = 1; index <= 19; ++index) {
        setLanguageIndex(index);
        const char* name = languageFileName(index);
        files += name != nullptr;
        const std::string expected = name ? name : "ENGLISH.txt";
        EXPECT_EQ(translate(L"Zamknij"), std::wstring(expected.begin(), expected.end()))
            << "index " << index;
    }
    EXPECT_EQ(files, 13);
    setLanguageIndex(42);
    EXPECT_EQ(languageIndex(), 1);
}

TEST_F(Translate, WithoutLanguageFilesTheTextsAreEnglishFromTheProgramItself)
{
    loadLanguageFiles((m_dir.path() / "nowhere").string());
    for (int index = 0; index <= 19; ++index) {
        setLanguageIndex(index);
        EXPECT_EQ(translate(L"Zamknij"), index == 0 ? L"Zamknij" : L"Close") << "index " << index;
        EXPECT_EQ(translate(L"Klucz testowy"), L"Klucz testowy") << "index " << index; // in no table
        EXPECT_EQ(languageFileOpen(index), index == 0 || languageFileName(index) == nullptr) << index;
    }
    // Nor from the current directory when the folder is given relative.
    write("ENGLISH.txt", L"Klucz testowy\t\tTest key\r\n");
    const std::filesystem::path previous = std::filesystem::current_path();
    for (const std::filesystem::path& cwd : {m_folder, m_dir.path()}) {
        std::filesystem::current_path(cwd);
        for (const char* relative : {"", ".", "EM_LANG"}) {
            loadLanguageFiles(relative);
            setLanguageIndex(1);
            EXPECT_EQ(translate(L"Klucz testowy"), L"Klucz testowy") << '"' << relative << '"';
        }
    }
    std::filesystem::current_path(previous);
    // A missing selected file falls back to English.
    loadAs(7);
    EXPECT_EQ(translate(L"Klucz testowy"), L"Test key");
    EXPECT_FALSE(languageFileOpen(7));
}

// A damaged file (no byte order mark, no lines of ours) counts as missing: English,
// never the Polish source texts.
TEST_F(Translate, ADamagedLanguageFileFallsBackToEnglish)
{
    test::writeBytes(m_folder / "GERMAN.txt", "Zamknij\t\tSchliessen\r\n"); // UTF-8, not UTF-16
    write("SPAIN.txt", L"garbage without columns\r\n");
    test::writeBytes(m_folder / "ENGLISH.txt", std::string(64, '\0'));
    for (int index : {4, 7, 1}) {
        loadAs(index);
        EXPECT_FALSE(languageFileOpen(index)) << index;
        EXPECT_EQ(translate(L"Zamknij"), L"Close") << index;
    }
}

TEST_F(Translate, TwoThreadsTranslatingAtOnceEachGetTheirOwnText)
{
    write("ENGLISH.txt", L"Zamknij\t\tClose\r\nKasuj\t\tClear\r\nStart\t\tGo\r\n");
    write("SPAIN.txt", L"Zamknij\t\tCerrar\r\nStart\t\t\r\n");
    loadAs(7);
    std::atomic<int> wrong{0};
    auto run = [&](const wchar_t* key, const wchar_t* expected) {
        for (int i = 0; i < 2000; ++i) {
            if (translate(key) != expected)
                ++wrong;
        }
    };
    std::thread a(run, L"Zamknij", L"Cerrar");
    std::thread b(run, L"Start", L"Go"); // Spanish, then English
    std::thread c(run, L"Kasuj", L"Kasuj");
    a.join();
    b.join();
    c.join();
    EXPECT_EQ(wrong.load(), 0);
}

TEST(ShippedLanguageFiles, AreFoundBesideTheExecutable)
{
    const std::string folder = executableFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_FALSE(std::filesystem::path(folder).has_filename()); // ends with a separator
    // Compared without the trailing separator, for which mingw's equivalent() is false.
    EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::path(folder).parent_path(),
                                            VELMORA_TEST_BIN_DIR));

    // What each table says, so that a better translation does not break the test.
    auto tableText = [](const char* name) {
        const auto table = lang::parseTable(
            test::readBytes(std::filesystem::path(VELMORA_SOURCE_DIR) / "lang" / name), name);
        for (const lang::TableEntry& entry : table.entries) {
            if (entry.source == L"Zamknij")
                return entry.translation;
        }
        return std::wstring(L"(no line)");
    };
    const std::wstring english = tableText("ENGLISH.tsv");
    const std::pair<int, std::wstring> expected[] = {{0, L"Zamknij"},
                                                     {1, english},
                                                     {2, tableText("RUSSIAN.tsv")},
                                                     {7, tableText("SPAIN.tsv")},
                                                     {4, tableText("GERMAN.tsv")},
                                                     {5, tableText("THAI.tsv")},
                                                     {19, tableText("SLOVENIAN.tsv")},
                                                     {6, english}}; // a slot without a file
    loadLanguageFiles();
    for (const auto& [index, text] : expected) {
        setLanguageIndex(index);
        EXPECT_EQ(translate(L"Zamknij"), text) << "index " << index;
    }
    EXPECT_NE(english, L"Zamknij");
    unloadLanguageFiles();
    setLanguageIndex(1);
}

} // namespace
} // namespace velmora
