// SPDX-License-Identifier: GPL-3.0-or-later
// Files that are not what they claim to be: a firmware file is refused with its
// reason before the unit hears a word, and a language file in the wrong shape
// never puts a broken text on the screen.

#include "unit_rig.h"

#include "acquisition/diag_thread.h"
#include "lang/translate.h"
#include "sim/firmware_builder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <ostream>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora::faults {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using Outcome = CFirmwareUpdate::Outcome;

void writeBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string fileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct BadFirmware {
    const char* name;
    // Makes the file in folder (where a good firmware file lies) and returns its path.
    fs::path (*make)(const fs::path& folder, const fs::path& good);
    FirmwareReadError reason; // None: any reason will do
};

const BadFirmware kBadFirmware[] = {
    {"Empty",
     [](const fs::path& folder, const fs::path&) {
         writeBytes(folder / "empty.afm", "");
         return folder / "empty.afm";
     },
     FirmwareReadError::ShortHeader},
    {"Truncated",
     [](const fs::path& folder, const fs::path& good) {
         const std::string bytes = fileBytes(good);
         writeBytes(folder / "cut.afm", bytes.substr(0, bytes.size() / 2));
         return folder / "cut.afm";
     },
     FirmwareReadError::Truncated},
    {"Directory",
     [](const fs::path& folder, const fs::path&) {
         fs::create_directory(folder / "dir.afm");
         return folder / "dir.afm";
     },
     FirmwareReadError::OpenFailed},
    // Opens as a regular file, then every read fails (address 0 is never mapped).
    {"ReadFails", [](const fs::path&, const fs::path&) { return fs::path("/proc/self/mem"); },
     FirmwareReadError::ReadFailed},
    // A gigabyte of nothing, sparse on disk; only its start may be read.
    {"Huge",
     [](const fs::path& folder, const fs::path&) {
         writeBytes(folder / "huge.afm", "");
         fs::resize_file(folder / "huge.afm", std::uintmax_t{1} << 30);
         return folder / "huge.afm";
     },
     FirmwareReadError::BodyTooShort},
    {"RandomBytes",
     [](const fs::path& folder, const fs::path&) {
         std::mt19937 random(20240611);
         std::string bytes(5000, '\0');
         for (char& c : bytes) c = static_cast<char>(random());
         writeBytes(folder / "noise.afm", bytes);
         return folder / "noise.afm";
     },
     FirmwareReadError::None},
    {"NoPermission",
     [](const fs::path& folder, const fs::path& good) {
         fs::copy_file(good, folder / "locked.afm");
         ::chmod((folder / "locked.afm").c_str(), 0);
         return folder / "locked.afm";
     },
     FirmwareReadError::OpenFailed},
};

void PrintTo(const BadFirmware& b, std::ostream* os) { *os << b.name; }

class FirmwareFileRefusal : public ::testing::TestWithParam<BadFirmware> {
protected:
    void SetUp() override {
        if (GetParam().name == std::string("NoPermission") && ::geteuid() == 0)
            GTEST_SKIP() << "permissions do not stop root";
        CDiagInputThread::resetFailureCounter();
        ASSERT_TRUE(rig.connectCleanly());
        rig.device.startReading();
        rig.boxes.clear();
    }
    UnitRig rig;
};

TEST_P(FirmwareFileRefusal, ShowsTheReasonAndSendsNothing) {
    rig.dialog.chosen = GetParam().make(rig.folder, rig.firmwareFile);
    // Readings go on throughout; nothing else may reach the unit.
    const sim::SimState before = rig.host.state();

    EXPECT_FALSE(rig.update.OnClickedBtnDeviceUpdate(false));

    const sim::SimState after = rig.host.state();
    EXPECT_EQ(after.requests - after.readings, before.requests - before.readings);
    EXPECT_EQ(after.mode, sim::Mode::Application);
    EXPECT_EQ(static_cast<int>(rig.update.lastOutcome()), static_cast<int>(Outcome::FileUnreadable));
    const FirmwareReadError reason = rig.update.lastReadError();
    EXPECT_NE(static_cast<int>(reason), static_cast<int>(FirmwareReadError::None));
    if (GetParam().reason != FirmwareReadError::None) {
        EXPECT_EQ(static_cast<int>(reason), static_cast<int>(GetParam().reason));
    }
    const auto shown = rig.boxes.shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, L"Nie powiodło się zaprogramowanie urządzenia!\n" + describe(reason));
    EXPECT_EQ(shown[0].caption, L"Emulator");
    EXPECT_EQ(shown[0].style, unsigned{MB_ERROR});
    EXPECT_EQ(rig.dialog.busyCalls, (std::vector<bool>{true, false}));
    // Reading was never interrupted.
    EXPECT_TRUE(rig.device.isRunning());
    EXPECT_TRUE(rig.device.isConnected());
}

INSTANTIATE_TEST_SUITE_P(Shapes, FirmwareFileRefusal, ::testing::ValuesIn(kBadFirmware),
                         [](const ::testing::TestParamInfo<BadFirmware>& info) {
                             return std::string(info.param.name);
                         });

// ---- language files ----

std::string utf16(std::wstring_view text) {
    std::string out = "\xFF\xFE";
    for (wchar_t c : text) {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>((c >> 8) & 0xFF);
    }
    return out;
}

// A broken language file counts as missing: English, from the English file or the
// program's own table, never the Polish source and never a piece of the file.
TEST(BrokenLanguageFile, TranslationIsEnglishOrTheSourceNeverAPieceOfTheFile) {
    char tmpl[] = "/tmp/velmora-lang-XXXXXX";
    const fs::path folder = ::mkdtemp(tmpl);
    const std::wstring huge(100000, L'x');
    const struct {
        const char* shape;
        std::string bytes;
        bool notALanguageFile;
    } shapes[] = {
        {"UTF-8", "\xEF\xBB\xBFZamknij\t\tClose\r\nStart\t\tGo\r\n", true},
        {"LF line ends", utf16(L"Zamknij\t\tClose\nStart\t\tGo\n"), true},
        {"100000-character lines", utf16(L"Zamknij\t\t" + huge + L"\r\n" + huge + L"Start\t\tGo\r\n"), true},
        {"a single byte", "\xFF", true},
    };
    const std::string goodEnglish = utf16(L"Zamknij\t\tClose\r\nStart\t\tGo\r\n");
    const std::string russianWithoutText = utf16(L"Zamknij\t\t\r\nStart\t\t\r\n");

    for (const auto& [shape, bytes, notALanguageFile] : shapes) {
        SCOPED_TRACE(shape);
        // The selected language's file is broken.
        writeBytes(folder / "ENGLISH.txt", goodEnglish);
        writeBytes(folder / "RUSSIAN.txt", bytes);
        loadLanguageFiles(folder.string());
        setLanguageIndex(2);
        EXPECT_EQ(translate(L"Zamknij"), notALanguageFile ? L"Close" : L"Zamknij");
        EXPECT_EQ(translate(L"Start"), notALanguageFile ? L"Go" : L"Start");

        // The English fallback is broken: an empty Russian text falls through to it.
        writeBytes(folder / "ENGLISH.txt", bytes);
        writeBytes(folder / "RUSSIAN.txt", russianWithoutText);
        loadLanguageFiles(folder.string());
        setLanguageIndex(2);
        EXPECT_EQ(translate(L"Zamknij"), notALanguageFile ? L"Close" : L"Zamknij");
        setLanguageIndex(1);
        EXPECT_EQ(translate(L"Start"), L"Start");
    }
    unloadLanguageFiles();
    setLanguageIndex(0);
    std::error_code ignored;
    fs::remove_all(folder, ignored);
}

} // namespace
} // namespace velmora::faults
