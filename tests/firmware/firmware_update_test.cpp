// SPDX-License-Identifier: GPL-3.0-or-later
// The programming sequence against the simulated unit: what reaches the flash,
// what is refused before the bootloader hears anything, retries, and the unit
// that is found waiting in its bootloader.

#include "update_fixture.h"

#include <algorithm>
#include <array>
#include <set>

namespace velmora::test {
namespace {

using namespace std::chrono_literals;
using Outcome = CFirmwareUpdate::Outcome;

const std::wstring kFailed = L"Nie powiodło się zaprogramowanie urządzenia!";
const std::wstring kWrongFile = L"Niewłaściwy plik firmware dla sterownika!";

// Each flash row holds the first three of every four image bytes, from image
// offset 2 x address; bytes beyond the image read as zero.
void expectFlashHoldsImage(const sim::SimState& unit, const std::vector<std::uint8_t>& image,
                           std::size_t rows) {
    ASSERT_EQ(unit.flashRows.size(), rows);
    std::uint32_t address = 0x1800;
    for (const auto& [rowAddress, row] : unit.flashRows) {
        ASSERT_EQ(rowAddress, address);
        std::array<std::uint8_t, sim::kRowBytes> expected{};
        for (std::size_t word = 0; word < 64; ++word)
            for (std::size_t b = 0; b < 3; ++b) {
                const std::size_t at = 2 * address + 4 * word + b;
                expected[3 * word + b] = at < image.size() ? image[at] : 0;
            }
        ASSERT_EQ(row, expected) << "row at 0x" << std::hex << address;
        address += 0x80;
    }
    std::set<std::uint32_t> pages;
    for (std::uint32_t a = 0x1800; a < address; a += 0x80)
        if (a % 0x800 == 0)
            pages.insert(a);
    EXPECT_EQ(unit.erasedPages, pages);
}

TEST_F(UpdateTest, ProgramsEveryRowUpToTheFlashLimitAndReconnects) {
    connect();
    device.startReading();
    clearRecords();
    // The largest image: 384 rows counted, cut at 0xA000 after 272.
    const sim::FirmwareRecipe recipe = goodRecipe(0x0104, 98244);
    ui.chosen = writeFile(recipe);

    EXPECT_TRUE(update.OnClickedBtnDeviceUpdate(false));
    EXPECT_EQ(update.lastOutcome(), Outcome::Programmed);
    EXPECT_TRUE(boxes.shown.empty());

    const sim::SimState unit = host.state();
    expectFlashHoldsImage(unit, recipe.image, 272);
    EXPECT_EQ(unit.mode, sim::Mode::Application);
    // Reconnected: the version is read back from what was programmed.
    EXPECT_TRUE(device.isConnected());
    EXPECT_EQ(device.state().version, 0x0104);

    EXPECT_EQ(ui.lastFolder, folder);
    EXPECT_EQ(ui.lastFilter, L"Firmware files (*.afm)|*.afm|");
    EXPECT_EQ(ui.lastExtension, L"afm");
    EXPECT_EQ(ui.busyCalls, (std::vector<bool>{true, false}));
    ASSERT_EQ(ui.progressCalls.size(), 272u);
    EXPECT_EQ(ui.progressCalls.front(), std::make_pair(1u, 272u));
    EXPECT_EQ(ui.progressCalls.back(), std::make_pair(272u, 272u));
    EXPECT_EQ(waits, (std::vector<std::chrono::milliseconds>{1000ms, 1000ms}));
    // Reading stopped for programming and started again.
    EXPECT_EQ(timersKilled, std::vector<int>{kRefreshTimer});
    EXPECT_EQ(timersSet, std::vector<int>{kRefreshTimer});
    EXPECT_TRUE(device.isRunning());
}

TEST_F(UpdateTest, RowsPastTheImageEndAreSentAsZeros) {
    connect();
    // The row count covers the image from offset 0 while programming starts at
    // 0x3000: the last 48 rows come from the zero-filled buffer.
    const sim::FirmwareRecipe recipe = goodRecipe(0x0103, 0x6000);
    ui.chosen = writeFile(recipe);
    EXPECT_TRUE(update.OnClickedBtnDeviceUpdate(false));
    expectFlashHoldsImage(host.state(), recipe.image, 0x6000 / 256);
}

TEST_F(UpdateTest, RefusedFilesSendNothingToTheUnit) {
    connect();
    struct Case {
        const char* what;
        sim::FirmwareRecipe recipe;
        Outcome outcome;
        std::wstring message;
    };
    std::vector<Case> cases;
    {
        sim::FirmwareRecipe s = goodRecipe(0x0104);
        s.identifier = "DRAXTONCTRL_33EQ";
        cases.push_back({"wrong identifier", s, Outcome::WrongFile, kWrongFile});
        s.identifier = "draxtonctrl_33ep";
        cases.push_back({"identifier in other case", s, Outcome::WrongFile, kWrongFile});
        s.identifier = "DRAXTONCTRL_33EP ";
        cases.push_back({"identifier with a trailing space", s, Outcome::WrongFile, kWrongFile});
    }
    {
        // Wrong format and an older version: refused before any question.
        sim::FirmwareRecipe s = goodRecipe(0x0100);
        s.formatCode = 0x0100;
        cases.push_back({"wrong format", s, Outcome::WrongFile, kWrongFile});
    }
    {
        sim::FirmwareRecipe s = goodRecipe(0x0104);
        s.corruptChecksum = true;
        cases.push_back({"bad checksum", s, Outcome::FileUnreadable,
                         kFailed + L"\n" + describe(FirmwareReadError::BadChecksum)});
    }

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        clearRecords();
        ui.chosen = writeFile(c.recipe);
        const unsigned before = requests();
        EXPECT_FALSE(update.OnClickedBtnDeviceUpdate(false));
        EXPECT_EQ(update.lastOutcome(), c.outcome);
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, c.message);
        EXPECT_EQ(boxes.shown[0].caption, L"Emulator");
        EXPECT_EQ(boxes.shown[0].style, unsigned{MB_ERROR});
        EXPECT_EQ(requests(), before);
        EXPECT_TRUE(timersKilled.empty()); // reading left alone
    }
    EXPECT_TRUE(host.state().flashRows.empty());
    EXPECT_EQ(ui.busyCalls.size() % 2, 0u);
    EXPECT_EQ(ui.busyCalls.back(), false);
}

TEST_F(UpdateTest, MissingFileIsReportedWithItsReason) {
    connect();
    ui.chosen = folder / "nowhere.afm";
    EXPECT_FALSE(update.OnClickedBtnDeviceUpdate(false));
    EXPECT_EQ(update.lastOutcome(), Outcome::FileUnreadable);
    EXPECT_EQ(update.lastReadError(), FirmwareReadError::OpenFailed);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, kFailed + L"\n" + describe(FirmwareReadError::OpenFailed));
}

TEST_F(UpdateTest, OlderFileAsksAndDefaultsToNo) {
    connect(); // the unit runs 0x0103
    ui.chosen = writeFile(goodRecipe(0x0102));
    const unsigned before = requests();
    EXPECT_FALSE(update.OnClickedBtnDeviceUpdate(false));
    EXPECT_EQ(update.lastOutcome(), Outcome::Declined);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].style, unsigned{MB_YESNO_DEFNO});
    EXPECT_EQ(boxes.shown[0].text,
              L"Wersja sterownika jest nowsza niż wersja pliku firmware. Czy chcesz "
              L"zaprogramować sterownik starszą wersją?");
    EXPECT_EQ(requests(), before);

    boxes.shown.clear();
    boxes.answerYes = true;
    EXPECT_TRUE(update.OnClickedBtnDeviceUpdate(false));
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(device.state().version, 0x0102);

    // Equal versions program without a question.
    boxes.shown.clear();
    boxes.answerYes = false;
    EXPECT_TRUE(update.OnClickedBtnDeviceUpdate(false));
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(UpdateTest, NothingHappensForAnotherDeviceTypeOrACancelledDialog) {
    connect();
    device.state().deviceType = 0x12;
    ui.chosen = writeFile(goodRecipe(0x0104));
    EXPECT_FALSE(update.OnClickedBtnDeviceUpdate(false));
    EXPECT_EQ(update.lastOutcome(), Outcome::WrongDevice);
    EXPECT_EQ(ui.chooserCalls, 0);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, kFailed);

    device.state().deviceType = kDeviceType;
    boxes.shown.clear();
    ui.chosen.clear();
    EXPECT_FALSE(update.OnClickedBtnDeviceUpdate(false));
    EXPECT_EQ(update.lastOutcome(), Outcome::Cancelled);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(ui.busyCalls.empty());
}

TEST_F(UpdateTest, SilentBootloaderFailsAfterTenAttemptsWithoutWaiting) {
    device.setPortTimeouts(Timeouts{30, 0});
    connect();
    device.startReading();
    ui.chosen = writeFile(goodRecipe(0x0104));
    device.stopReading(); // keep readings out of the request count
    clearRecords();
    sim::Faults faults;
    faults.noReply = true;
    host.setFaults(faults);
    const unsigned before = requests();

    EXPECT_FALSE(update.OnClickedBtnDeviceUpdate(false));
    EXPECT_EQ(update.lastOutcome(), Outcome::Failed);
    // Each attempt: one bootloader entry and three queries.
    EXPECT_EQ(requests() - before, 10u * (1 + 3));
    EXPECT_TRUE(waits.empty());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, kFailed);
    EXPECT_EQ(boxes.shown[0].style, unsigned{MB_ERROR});
    // Reading stays stopped; the connected flag keeps its value for another try.
    EXPECT_TRUE(timersSet.empty());
    EXPECT_FALSE(device.isRunning());
    EXPECT_TRUE(device.isConnected());
    EXPECT_EQ(ui.busyCalls, (std::vector<bool>{true, false}));
}

TEST_F(UpdateTest, ForcedModeSendsNoBootloaderEntry) {
    connect(); // the application runs: without the entry code it never reaches the bootloader
    ui.chosen = writeFile(goodRecipe(0x0104));
    clearRecords();
    const unsigned before = requests();
    EXPECT_FALSE(update.OnClickedBtnDeviceUpdate(true));
    // One query per attempt, refused by the application at once.
    EXPECT_EQ(requests() - before, 10u);
    EXPECT_EQ(host.state().mode, sim::Mode::Application);
    EXPECT_TRUE(timersKilled.empty());
}

TEST_F(UpdateTest, UnitInItsBootloaderIsReprogrammedAtConnection) {
    host.startInBootloader();
    ui.chosen = writeFile(goodRecipe(0x0105));
    device.startConnection();

    EXPECT_EQ(forcedRuns, std::vector<bool>{true});
    EXPECT_EQ(update.lastOutcome(), Outcome::Programmed);
    EXPECT_TRUE(device.isConnected());
    EXPECT_EQ(device.state().version, 0x0105);
    EXPECT_EQ(host.state().mode, sim::Mode::Application);
    EXPECT_EQ(host.state().flashRows.size(), 0x6000u / 256);
    ASSERT_GE(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].style, unsigned{MB_INFO});
    EXPECT_EQ(boxes.shown.size(), 1u);
    // Reading is the connecting code's business in this mode.
    EXPECT_TRUE(timersSet.empty());
    EXPECT_TRUE(timersKilled.empty());
    EXPECT_FALSE(device.isRunning());
}

TEST_F(UpdateTest, UnitNotFoundAfterProgrammingStillCountsAsProgrammed) {
    device.setPortTimeouts(Timeouts{100, 1});
    connect();
    ui.chosen = writeFile(goodRecipe(0x0104));
    clearRecords();
    // The new application answers as another type: the reconnection finds nothing.
    sim::Faults faults;
    faults.wrongDeviceType = 0x12;
    host.setFaults(faults);

    EXPECT_TRUE(update.OnClickedBtnDeviceUpdate(false));
    EXPECT_EQ(update.lastOutcome(), Outcome::ProgrammedNotFound);
    EXPECT_FALSE(device.isConnected());
    ASSERT_FALSE(boxes.shown.empty());
    EXPECT_EQ(boxes.shown.back().text, kFailed);
    EXPECT_EQ(boxes.shown.back().style, unsigned{MB_ERROR});
    EXPECT_TRUE(timersSet.empty());
}

TEST(FileFilter, SplitsDescriptionsAndPatterns) {
    using Entries = std::vector<std::pair<std::wstring, std::wstring>>;
    EXPECT_EQ(parseFileFilter(L"Firmware files (*.afm)|*.afm|"),
              (Entries{{L"Firmware files (*.afm)", L"*.afm"}}));
    EXPECT_EQ(parseFileFilter(L"A|*.a|B|*.b;*.c"), (Entries{{L"A", L"*.a"}, {L"B", L"*.b;*.c"}}));
    EXPECT_EQ(parseFileFilter(L"lonely"), Entries{});
    EXPECT_EQ(parseFileFilter(L""), Entries{});
}

} // namespace
} // namespace velmora::test
