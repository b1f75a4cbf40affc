// SPDX-License-Identifier: GPL-3.0-or-later
// velmora-cli as a separate process: exit codes, the simulated unit answering an
// independent client on its pty, clean ends on SIGINT and SIGTERM, sample firmware.

#include "process.h"
#include "sim/line_client.h"

#include "firmware/firmware_file.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace velmora::test {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> cli(std::vector<std::string> args) {
    args.insert(args.begin(), VELMORA_CLI_PATH);
    return args;
}

fs::path tempPath(const std::string& name) {
    return fs::temp_directory_path() / (name + "-" + std::to_string(::getpid()));
}

TEST(CliProcess, GlobalOptionsAndUsageErrors) {
    ChildProcess version(cli({"--version"}));
    EXPECT_EQ(version.finish(), 0);
    EXPECT_EQ(version.out(), std::string("velmora-cli ") + VELMORA_VERSION + "\n");

    ChildProcess help(cli({"--help"}));
    EXPECT_EQ(help.finish(), 0);
    EXPECT_NE(help.out().find("sim"), std::string::npos);
    EXPECT_NE(help.out().find("make-firmware"), std::string::npos);

    ChildProcess commandHelp(cli({"sim", "--help"}));
    EXPECT_EQ(commandHelp.finish(), 0);
    EXPECT_NE(commandHelp.out().find("velmora-cli sim"), std::string::npos);
    EXPECT_NE(commandHelp.out().find("--drop-every"), std::string::npos);

    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{}, {"no-such-command"}, {"sim", "--drop-every", "x"},
          {"sim", "--corrupt-every", "-3"}, {"sim", "extra"}, {"sim", "--bogus"},
          {"make-firmware"}, {"make-firmware", "a.afm", "--version", "0x10000"}}) {
        ChildProcess p(cli(bad));
        EXPECT_EQ(p.finish(), 2) << ::testing::PrintToString(bad);
        EXPECT_FALSE(p.err().empty());
    }
}

TEST(CliProcess, SimAnswersAnIndependentClientAndEndsCleanlyOnSigterm) {
    const fs::path link = tempPath("velmora-cli-sim");
    ChildProcess sim(cli({"sim", "--link", link.string()}));
    ASSERT_TRUE(sim.started());
    const auto path = sim.readLine(5000);
    ASSERT_TRUE(path) << "no pty path printed";
    EXPECT_EQ(fs::read_symlink(link).string(), *path);

    LineClient line(*path);
    // identify with key 0x1234, written out by hand: 0x00CC rotated left by 4 is 0x0CC0;
    // checksum 1 + 0xCC + 0x12 + 0x34 + 2 + 8 = 0x011D
    line.send({0xAA, 0x55, 0x08, 0x02, 0x12, 0x34, 0xC0, 0x0C, 0x00, 0x00, 0x00, 0x00, 0x01, 0x1D});
    auto reply = line.receive(2000);
    ASSERT_TRUE(reply);
    EXPECT_TRUE(reply->checksumOk);
    EXPECT_EQ(reply->type, 2);
    ASSERT_GE(reply->payload.size(), 4u);
    EXPECT_EQ(reply->payload[0], 4);
    EXPECT_EQ(reply->payload[1], 0x11);
    EXPECT_EQ(reply->payload[2], 0x55);

    sim.signal(SIGTERM);
    EXPECT_EQ(sim.wait(3000), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
}

TEST(CliProcess, SimOptionsStartInTheBootloaderAndDropReplies) {
    ChildProcess sim(cli({"sim", "--boot", "--drop-every", "2"}));
    const auto path = sim.readLine(5000);
    ASSERT_TRUE(path);
    LineClient line(*path);
    auto first = line.command(0xCC);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->payload[0], 5); // the bootloader answers
    EXPECT_FALSE(line.command(0xC4, 300)); // second reply dropped
    auto third = line.command(0xC4);
    ASSERT_TRUE(third);
    EXPECT_EQ(third->payload[1], 0xF7);

    sim.signal(SIGINT);
    EXPECT_EQ(sim.wait(3000), 0);
}

TEST(CliProcess, MakeFirmwareWritesAFileTheReaderAccepts) {
    const fs::path out = tempPath("velmora-cli-fw") += ".afm";
    ChildProcess p(cli({"make-firmware", out.string(), "--version", "0x0107"}));
    ASSERT_EQ(p.finish(), 0) << p.err();
    CFirmwareFile file;
    std::uint16_t version = 0, format = 0;
    std::wstring id;
    EXPECT_TRUE(file.read(out, version, id, format));
    EXPECT_EQ(version, 0x0107);
    EXPECT_EQ(format, 0x0101);
    EXPECT_EQ(id, L"DRAXTONCTRL_33EP");
    fs::remove(out);

    ChildProcess unwritable(cli({"make-firmware", "/nonexistent-dir/x.afm"}));
    EXPECT_EQ(unwritable.finish(), 1);
}

} // namespace
} // namespace velmora::test
