// SPDX-License-Identifier: GPL-3.0-or-later
// velmora-cli firmware-info and flash, run as processes against the simulated unit.

#include "process.h"

#include "sim/firmware_builder.h"
#include "sim/sim_host.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <csignal>
#include <thread>

#include <filesystem>
#include <fstream>

namespace velmora::test {
namespace {

namespace fs = std::filesystem;

class CliFirmware : public ::testing::Test {
protected:
    CliFirmware() {
        char tmpl[] = "/tmp/velmora-cli-fw-XXXXXX";
        dir = ::mkdtemp(tmpl);
        // The remembered port goes to a settings file of our own.
        ::setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
        ::setenv("HOME", dir.c_str(), 1);
    }
    ~CliFirmware() override {
        host.stop();
        std::error_code ec;
        fs::remove_all(dir, ec);
    }

    std::string write(const sim::FirmwareRecipe& recipe, const std::string& name) {
        const auto bytes = sim::buildFirmwareFile(recipe);
        const fs::path p = dir / name;
        std::ofstream(p, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return p.string();
    }
    static sim::FirmwareRecipe recipe(std::uint16_t version) {
        sim::FirmwareRecipe s;
        s.version = version;
        s.image = sim::sampleFirmwareImage(version);
        return s;
    }
    int run(std::vector<std::string> args, int timeoutMs = 30000) {
        args.insert(args.begin(), VELMORA_CLI_PATH);
        ChildProcess p(args);
        const int status = p.finish(timeoutMs);
        out = p.out();
        err = p.err();
        return status;
    }
    int flash(const std::string& file, bool yes = false) {
        std::vector<std::string> args{"flash", file, "--port", host.path()};
        if (yes) args.push_back("--yes");
        return run(args);
    }

    fs::path dir;
    sim::CSimHost host;
    std::string out;
    std::string err;
};

TEST_F(CliFirmware, InfoPrintsTheHeaderAndJudgesTheFile) {
    EXPECT_EQ(run({"firmware-info", write(recipe(0x0104), "good.afm")}), 0);
    EXPECT_EQ(out, "version: 0x0104\nformat: 0x0101\nidentifier: DRAXTONCTRL_33EP\n"
                   "image-size: 24576\nrows: 96\ntrailing-bytes: 0\nvalid: yes\n");

    sim::FirmwareRecipe other = recipe(0x0042);
    other.formatCode = 0x0100;
    other.identifier = "\xA3\xF3" "d\x9F"; // "Łódź" in code page 1250
    EXPECT_EQ(run({"firmware-info", write(other, "other.afm")}), 0);
    EXPECT_EQ(out, "version: 0x0042\nformat: 0x0100\nidentifier: Łódź\n"
                   "image-size: 24576\nrows: 96\ntrailing-bytes: 0\nvalid: no (format code is not 0x0101)\n");

    sim::FirmwareRecipe corrupt = recipe(0x0104);
    corrupt.corruptChecksum = true;
    EXPECT_EQ(run({"firmware-info", write(corrupt, "corrupt.afm")}), 3);
    EXPECT_EQ(out, "valid: no (checksum mismatch)\n");

    EXPECT_EQ(run({"firmware-info", (dir / "missing.afm").string()}), 3);
    EXPECT_EQ(out, "valid: no (cannot open the file)\n");
    EXPECT_EQ(run({"firmware-info"}), 2);

    // Junk after the image, beyond what the reader looks at: counted, and not valid.
    const std::string junk = write(recipe(0x0104), "junk.afm");
    {
        std::ofstream tail(junk, std::ios::binary | std::ios::app);
        const std::string block(1 << 20, 'j');
        for (int i = 0; i < 3; ++i) tail << block;
    }
    EXPECT_EQ(run({"firmware-info", junk}), 0);
    EXPECT_NE(out.find("trailing-bytes: 3145728\nvalid: no (3145728 bytes after the firmware image"),
              std::string::npos) << out;
}

TEST_F(CliFirmware, FlashProgramsTheUnitAndReportsProgress) {
    host.start();
    EXPECT_EQ(flash(write(recipe(0x0104), "new.afm")), 0) << err;
    const sim::SimState unit = host.state();
    EXPECT_EQ(unit.flashRows.size(), 96u);
    EXPECT_EQ(unit.version, 0x0104);
    EXPECT_EQ(unit.mode, sim::Mode::Application);
    EXPECT_NE(err.find("96/96 rows"), std::string::npos) << err;
}

TEST_F(CliFirmware, FlashRefusesABadFileWithoutTouchingTheUnit) {
    host.start();
    sim::FirmwareRecipe wrong = recipe(0x0104);
    wrong.identifier = "DRAXTONCTRL_33ep";
    EXPECT_EQ(flash(write(wrong, "wrong.afm")), 3);
    EXPECT_NE(err.find("controller identifier"), std::string::npos) << err;
    EXPECT_EQ(flash((dir / "missing.afm").string()), 3);
    const std::string junk = write(recipe(0x0104), "junk.afm");
    std::ofstream(junk, std::ios::binary | std::ios::app) << "trailing junk";
    EXPECT_EQ(flash(junk), 3);
    EXPECT_NE(err.find("13 bytes after the firmware image"), std::string::npos) << err;
    EXPECT_EQ(host.state().requests, 0u);
    EXPECT_EQ(flash(junk, true), 0) << err; // --yes: programmed all the same
}

// A line that loses or spoils replies: rows are sent again, the unit ends up
// programmed, and progress into a file or pipe is one line per 10 %.
TEST_F(CliFirmware, FlashSurvivesALossyLine) {
    host.start();
    const std::string file = write(recipe(0x0104), "new.afm");
    sim::Faults drop, corrupt;
    drop.dropEvery = 5;
    corrupt.corruptEvery = 7;
    for (const sim::Faults& faults : {corrupt, drop}) {
        host.withUnit([](sim::CSimUnit& u) {
            u.state().version = 0x0103;
            return 0;
        });
        host.setFaults(faults);
        EXPECT_EQ(run({"flash", file, "--port", host.path()}, 110000), 0) << err;
        host.setFaults({});
        const sim::SimState unit = host.state();
        EXPECT_EQ(unit.mode, sim::Mode::Application);
        EXPECT_EQ(unit.flashRows.size(), 96u);
        EXPECT_EQ(unit.version, 0x0104);
        EXPECT_EQ(err.find('\r'), std::string::npos);
        EXPECT_NE(err.find("Programming: 96/96 rows (100%)\n"), std::string::npos) << err;
        EXPECT_LE(std::count(err.begin(), err.end(), '\n'), 25) << err;
    }
}

// Ctrl+C during programming stops at a row's end and says how to finish; running
// flash again does.
TEST_F(CliFirmware, InterruptedFlashSaysHowFarAndHowToFinish) {
    host.start();
    const std::string file = write(recipe(0x0104), "new.afm");
    sim::Faults slow;
    slow.replyDelayMs = 20;
    host.setFaults(slow);
    ChildProcess p({VELMORA_CLI_PATH, "flash", file, "--port", host.path()});
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (host.state().flashRows.size() < 10 && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    p.signal(SIGINT);
    EXPECT_EQ(p.finish(20000), 130);
    EXPECT_NE(p.err().find("programming stopped at row "), std::string::npos) << p.err();
    EXPECT_NE(p.err().find(" of 96. The unit waits in its bootloader: run 'velmora-cli flash " + file + "' again"),
              std::string::npos) << p.err();
    EXPECT_EQ(host.state().mode, sim::Mode::Bootloader);
    host.setFaults({});
    EXPECT_EQ(flash(file), 0) << err;
    EXPECT_EQ(host.state().mode, sim::Mode::Application);
    EXPECT_EQ(host.state().version, 0x0104);
}

TEST_F(CliFirmware, FlashOfAnOlderVersionNeedsYes) {
    host.start(); // the unit runs 0x0103
    const std::string older = write(recipe(0x0101), "older.afm");
    EXPECT_EQ(flash(older), 1);
    EXPECT_TRUE(host.state().flashRows.empty());
    EXPECT_EQ(flash(older, true), 0) << err;
    EXPECT_EQ(host.state().version, 0x0101);
}

TEST_F(CliFirmware, FlashReprogramsAUnitWaitingInItsBootloaderOnce) {
    host.startInBootloader();
    host.start();
    EXPECT_EQ(flash(write(recipe(0x0104), "new.afm")), 0) << err;
    const sim::SimState unit = host.state();
    EXPECT_EQ(unit.mode, sim::Mode::Application);
    EXPECT_EQ(unit.version, 0x0104);
    // Programmed by the connection's own update, not a second time after it.
    ASSERT_NE(err.find("96/96 rows"), std::string::npos) << err;
    EXPECT_EQ(err.find("96/96 rows"), err.rfind("96/96 rows"));
}

TEST_F(CliFirmware, FlashWithoutAUnitFails) {
    EXPECT_EQ(run({"flash", write(recipe(0x0104), "new.afm"), "--port", (dir / "no-port").string()}),
              1);
    EXPECT_NE(err.find("no unit found"), std::string::npos) << err;
}

} // namespace
} // namespace velmora::test
