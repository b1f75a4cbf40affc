// SPDX-License-Identifier: GPL-3.0-or-later
// report as a process against a simulated unit: the PDF's text as pdftotext reads
// it, the HTML, and the files it must not leave behind.

#include "process.h"
#include "sim_session.h"

#include "device/device_state.h"
#include "sim/sim_host.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace velmora::test {
namespace {

namespace fs = std::filesystem;

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class ReportCommand : public CliSimSession<> {
protected:
    void SetUp() override {
        CliSimSession::SetUp();
        ::setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
        ASSERT_EQ((run({"backup", "--out", before().string()}), status), 0) << last->err();
    }
    void TearDown() override {
        ::unsetenv("XDG_DATA_HOME");
        CliSimSession::TearDown();
    }
    fs::path before() const { return dir / "before.txt"; }

    ChildProcess& run(std::vector<std::string> args) {
        args.insert(args.begin(), {VELMORA_CLI_PATH, "--lang", "en"});
        args.insert(args.end(), {"--port", host.slavePath()});
        last = std::make_unique<ChildProcess>(args);
        status = last->finish(20000);
        return *last;
    }
    // The report's text as a reader of the PDF gets it, line breaks as spaces.
    std::string pdfText(const fs::path& pdf) {
        const fs::path text = dir / "report.txt";
        const std::string command = std::string(PDFTOTEXT_PATH) + " -raw '" + pdf.string() + "' '" + text.string() + "'";
        if (std::system(command.c_str()) != 0) return {};
        std::string s = readAll(text);
        for (char& c : s)
            if (c == '\n') c = ' ';
        return s;
    }

    std::unique_ptr<ChildProcess> last;
    int status = -1;
};

#define EXPECT_HAS(text, part) EXPECT_NE((text).find(part), std::string::npos) << "no \"" << (part) << "\" in:\n" << (text)

TEST_F(ReportCommand, SaysNoChangesWhenTheUnitHoldsTheBackup) {
    const fs::path pdf = dir / "same.pdf";
    ASSERT_EQ((run({"report", "--before", before().string(), "--out", pdf.string(), "--workshop",
                    "Garage Ωμέγα", "--vehicle", "WX 12345"}),
               status),
              0)
        << last->err();
    const std::string text = pdfText(pdf);
    EXPECT_HAS(text, "Service report");
    EXPECT_HAS(text, "No changes");
    EXPECT_HAS(text, "The map is unchanged.");
    EXPECT_HAS(text, "Garage Ωμέγα"); // Greek comes through: its font is embedded
    EXPECT_HAS(text, "WX 12345");
    const std::string backup = readAll(before());
    const std::string hex = backup.substr(backup.find("version: 0x") + 11, 4); // "0103" is 1.03
    EXPECT_HAS(text, "Firmware version " + hex.substr(1, 1) + "." + hex.substr(2, 2));
    EXPECT_EQ(text.find(" changed"), std::string::npos); // no setting marked
}

TEST_F(ReportCommand, ShowsSettingsBeforeAndAfterAndTheChangedCellsInPdfAndHtml) {
    host.withUnit([](sim::CSimUnit& u) {
        sim::SimState& s = u.state();
        s.noiseDelta = 17;
        s.map[3 * kRpmCols + 4] = 201; // 4.02
        s.rpmBytes[2] += 1;
        return 0;
    });
    const std::string before = readAll(this->before());
    const fs::path pdf = dir / "work.pdf";
    const fs::path html = dir / "work.html";
    for (const fs::path& out : {pdf, html})
        ASSERT_EQ((run({"report", "--before", this->before().string(), "--out", out.string()}), status), 0)
            << last->err();

    const std::string old = before.substr(before.find("noise-delta: ") + 13);
    const std::string deltaBefore = old.substr(0, old.find('\n'));
    for (const std::string& text : {pdfText(pdf), readAll(html)}) {
        EXPECT_EQ(text.find("No changes"), std::string::npos);
        EXPECT_HAS(text, "Changed cells: 1 (outlined)");
        EXPECT_HAS(text, "4.02");
        EXPECT_HAS(text, "RPM breakpoint 3");
    }
    EXPECT_HAS(pdfText(pdf), "Noise delta " + deltaBefore + " 17 changed");
    const std::string page = readAll(html);
    EXPECT_HAS(page, "<th style=\"text-align:left;\">Noise delta</th><td>" + deltaBefore +
                         "</td><td style=\"border:2px solid #000000;font-weight:bold;\">17</td><td>changed</td>");
    EXPECT_HAS(page, "font-weight:bold;text-align:right;\">4.02</td>");
}

TEST_F(ReportCommand, WritesNoFileForABadBackupOrAnUnwritablePath) {
    const fs::path pdf = dir / "r.pdf";
    std::ofstream(dir / "map.csv") << "V\\RPM,500\n";
    std::ofstream(dir / "broken.txt") << "Velmora backup 1\nsaved: yesterday\n";
    // Another device's backup says nothing about this unit.
    std::string other = readAll(before());
    other.replace(other.find("device-type: 0x11"), 17, "device-type: 0x22");
    std::ofstream(dir / "other.txt") << other;
    for (const fs::path& bad : {dir / "missing.txt", dir / "map.csv", dir / "broken.txt", dir / "other.txt"}) {
        run({"report", "--before", bad.string(), "--out", pdf.string()});
        EXPECT_EQ(status, 3) << bad << last->err();
        EXPECT_HAS(last->err(), bad.filename().string());
        EXPECT_FALSE(fs::exists(pdf));
    }

    // A folder that cannot exist (its parent is a file) says why, leaving nothing.
    const fs::path inFile = dir / "before.txt" / "r.pdf";
    run({"report", "--before", before().string(), "--out", inFile.string()});
    EXPECT_EQ(status, 1);
    EXPECT_HAS(last->err(), inFile.string());
    EXPECT_EQ(readAll(before()).rfind("Velmora backup 1", 0), 0u);

    // A report that cannot be written leaves the old one as it was.
    fs::create_directories(dir / "ro");
    std::ofstream(dir / "ro" / "old.html") << "old";
    fs::permissions(dir / "ro", fs::perms::owner_read | fs::perms::owner_exec);
    if (::geteuid() != 0) { // root writes anyway
        run({"report", "--before", before().string(), "--out", (dir / "ro" / "old.html").string()});
        EXPECT_EQ(status, 1);
        EXPECT_EQ(readAll(dir / "ro" / "old.html"), "old");
    }
    fs::permissions(dir / "ro", fs::perms::owner_all);

    run({"report", "--before", before().string(), "--out", (dir / "r.docx").string()});
    EXPECT_EQ(status, 2);
}

} // namespace
} // namespace velmora::test
