// SPDX-License-Identifier: GPL-3.0-or-later
// The production device talking to the simulated unit over a real pseudo-terminal:
// the unit must answer every command the way the host code expects, and each
// fault must show up at the host as the failure it stands for.

#include "sim/firmware_builder.h"
#include "sim/sim_host.h"

#include "acquisition/diag.h"
#include "device/encodings.h"
#include "device/lpg_device.h"
#include "firmware/firmware_file.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace velmora::sim {
namespace {

class DeviceLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        host.start();
        // Lost replies cost a read time-out; keep them short.
        device.setPortTimeouts(Timeouts{150, 1});
        host.setClock([this] { return clockMs.load(); });
    }
    bool open() { return device.openPort(host.slavePath()); }

    std::atomic<std::int64_t> clockMs{0};
    CSimHost host;
    CLPGDevice device;
};

TEST_F(DeviceLinkTest, ConnectReadsWhatTheUnitHolds) {
    host.withUnit([](CSimUnit& u) {
        u.state().version = 0x0211;
        u.state().map[3 * 15 + 4] = 255;
        u.state().voltWords[2] = -100;
        u.state().rpmBytes[5] = 35;
    });
    ASSERT_TRUE(open());
    EXPECT_TRUE(device.isConnected());
    EXPECT_TRUE(device.offersReadings());
    const SimState s = host.state();
    const DeviceState& d = device.state();
    EXPECT_EQ(d.version, 0x0211);
    EXPECT_EQ(d.rpmDivider, s.rpmDivider);
    EXPECT_EQ(d.noiseDelta, s.noiseDelta);
    EXPECT_EQ(d.noisePeriod, s.noisePeriod);
    EXPECT_DOUBLE_EQ(d.map[3][4], 5.10);
    EXPECT_DOUBLE_EQ(d.map[0][0], mapValueFromByte(s.map[0]));
    EXPECT_DOUBLE_EQ(d.voltAxis[2], -1.5);
    EXPECT_DOUBLE_EQ(d.rpmAxis[5], 3500);
}

TEST_F(DeviceLinkTest, WritesReachTheUnit) {
    ASSERT_TRUE(open());
    device.state().rpmDivider = 7;
    device.state().noiseDelta = 99;
    device.state().noisePeriod = 40000;
    device.state().map[15][14] = 2.5;
    ASSERT_TRUE(device.writeSettings());
    SimState s = host.state();
    EXPECT_EQ(s.rpmDivider, 7);
    EXPECT_EQ(s.noiseDelta, 99);
    EXPECT_EQ(s.noisePeriod, 40000);
    EXPECT_EQ(s.map[239], 125); // the map follows the settings

    device.state().voltAxis[0] = -1.5;
    device.state().rpmAxis[14] = 6000;
    ASSERT_TRUE(device.writeAxes());
    s = host.state();
    EXPECT_EQ(s.voltWords[0], -100);
    EXPECT_EQ(s.rpmBytes[14], 60);

    const std::uint8_t before = s.map[15];
    ASSERT_TRUE(device.correctMapArea(encodeMapArea(MapArea{1, 0, 1, 1, 0.1})));
    EXPECT_EQ(host.state().map[15], before + 5);
    ASSERT_TRUE(device.storeMap());
    EXPECT_EQ(host.state().storedMap, host.state().map);
    ASSERT_TRUE(device.clearMap());
    ASSERT_TRUE(device.readMap());
    EXPECT_DOUBLE_EQ(device.state().map[1][0], 0.0);
}

TEST_F(DeviceLinkTest, ReadingsLookLikeARunningEngine) {
    ASSERT_TRUE(open());
    double lowest = 1e9, highest = 0;
    bool sawOn = false, sawOff = false;
    for (std::int64_t t = 0; t < 40000; t += 1000) {
        clockMs = t;
        CDiag d;
        ASSERT_EQ(device.readDiag(d), 0);
        const double rpm = rpmFromPeriod(d.rpmPeriod);
        lowest = std::min(lowest, rpm);
        highest = std::max(highest, rpm);
        EXPECT_NEAR(inputVolts(d), 13.5, 0.5);
        EXPECT_GT(pumpVolts(d), 0.5);
        (workStateOn(d) ? sawOn : sawOff) = true;
    }
    EXPECT_LT(lowest, 1000);
    EXPECT_GT(highest, 4000);
    EXPECT_TRUE(sawOn);
    EXPECT_TRUE(sawOff);
}

TEST_F(DeviceLinkTest, ChecksumAndLostReplyFaultsAreRetriedAway) {
    ASSERT_TRUE(open());
    Faults f;
    f.corruptEvery = 2;
    f.dropEvery = 3;
    host.setFaults(f);
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(device.readVersion()) << i;

    f = {};
    f.corruptEvery = 1;
    host.setFaults(f);
    EXPECT_FALSE(device.readSettings());
    f.corruptEvery = 0;
    f.noReply = true;
    host.setFaults(f);
    EXPECT_FALSE(device.identify());
    // A single-try command fails at once on a lost reply.
    f = {};
    f.dropEvery = 1;
    host.setFaults(f);
    const unsigned before = host.state().requests;
    EXPECT_FALSE(device.correctMapArea(encodeMapArea(MapArea{})));
    EXPECT_EQ(host.state().requests, before + 1);
}

TEST_F(DeviceLinkTest, JunkBeforeTheHeaderWithinThreeBytesIsSkipped) {
    ASSERT_TRUE(open());
    Faults f;
    f.junkBefore = {0x00, 0x11, 0x22};
    host.setFaults(f);
    EXPECT_TRUE(device.readVersion());
    f.junkBefore = {0x00, 0x11, 0x22, 0x33, 0x44};
    host.setFaults(f);
    EXPECT_FALSE(device.readVersion());
}

TEST_F(DeviceLinkTest, WrongDeviceTypeAndRefusedWritesFail) {
    Faults f;
    f.wrongDeviceType = 0x22;
    host.setFaults(f);
    EXPECT_FALSE(open());
    EXPECT_FALSE(device.isConnected());

    host.setFaults({});
    ASSERT_TRUE(open());
    f = {};
    f.nakWrites = true;
    host.setFaults(f);
    device.state().rpmDivider = 77;
    EXPECT_FALSE(device.writeSettings());
    EXPECT_NE(host.state().rpmDivider, 77);
}

TEST_F(DeviceLinkTest, ReplySplitByAShortPauseIsStillOneReply) {
    ASSERT_TRUE(open());
    Faults f;
    f.splitPauseMs = 30;
    host.setFaults(f);
    EXPECT_TRUE(device.readMap());
    CDiag d;
    EXPECT_EQ(device.readDiag(d), 0);
}

TEST_F(DeviceLinkTest, PulledCableFailsReadingsUntilItIsBack) {
    ASSERT_TRUE(open());
    Faults f;
    f.silentAfterReadings = 2;
    f.silentForMs = 1000;
    host.setFaults(f);
    CDiag d;
    EXPECT_EQ(device.readDiag(d), 0);
    EXPECT_EQ(device.readDiag(d), 0);
    EXPECT_EQ(device.readDiag(d), 2);
    EXPECT_FALSE(device.identify());
    clockMs += 1000;
    EXPECT_EQ(device.readDiag(d), 0);
    EXPECT_TRUE(device.identify());
}

// ---- the bootloader ----

std::vector<std::uint8_t> packRow(const std::uint8_t* image256) {
    std::vector<std::uint8_t> out;
    for (int i = 0; i < 256; i += 4) out.insert(out.end(), image256 + i, image256 + i + 3);
    return out;
}

TEST_F(DeviceLinkTest, FullProgrammingSequenceFromAFirmwareFile) {
    FirmwareRecipe recipe;
    recipe.version = 0x0105;
    recipe.image = sampleFirmwareImage(recipe.version);
    const auto bytes = buildFirmwareFile(recipe);
    const auto path = std::filesystem::temp_directory_path() /
                      ("velmora-sim-prog-" + std::to_string(::getpid()) + ".afm");
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    CFirmwareFile file;
    std::uint16_t version = 0, format = 0;
    std::wstring id;
    ASSERT_TRUE(file.read(path, version, id, format));
    std::filesystem::remove(path);
    EXPECT_EQ(version, 0x0105);

    ASSERT_TRUE(open());
    ASSERT_TRUE(device.enterBootloader());
    std::uint16_t answer = 0;
    ASSERT_TRUE(device.queryBootloader(answer));
    EXPECT_EQ(answer, 0xF7);
    ASSERT_TRUE(device.programImage(file.image(), static_cast<std::uint16_t>(file.rowCount())));
    EXPECT_TRUE(device.endProgramming());
    EXPECT_TRUE(device.startApplication());

    const SimState s = host.state();
    EXPECT_EQ(s.mode, Mode::Application);
    ASSERT_EQ(s.flashRows.size(), file.rowCount());
    for (const auto& [address, row] : s.flashRows) {
        const auto expected = packRow(file.image() + 2 * address);
        ASSERT_TRUE(std::equal(row.begin(), row.end(), expected.begin())) << std::hex << address;
    }
    ASSERT_TRUE(open());
    EXPECT_EQ(device.state().version, 0x0105);
}

struct RecordingOwner : IDeviceOwner {
    void setTimer(int, int) override {}
    void killTimer(int) override {}
    bool runFirmwareUpdate(bool forced) override {
        calls += forced ? 1 : 100;
        return false;
    }
    int calls = 0;
};

TEST_F(DeviceLinkTest, UnitWithBrokenFirmwareAsksForAnUpdate) {
    host.startInBootloader();
    RecordingOwner owner;
    device.setOwner(&owner);
    EXPECT_FALSE(open());
    EXPECT_EQ(owner.calls, 1);
    EXPECT_EQ(device.state().version, 0x0100);
    EXPECT_EQ(host.state().mode, Mode::Bootloader);
}

TEST_F(DeviceLinkTest, FlashWritesRefusedFailTheProgramming) {
    ASSERT_TRUE(open());
    ASSERT_TRUE(device.enterBootloader());
    Faults f;
    f.nakWrites = true;
    host.setFaults(f);
    const auto image = sampleFirmwareImage(0x0106);
    EXPECT_FALSE(device.programImage(image, 4));
    EXPECT_TRUE(host.state().flashRows.empty());
}

} // namespace
} // namespace velmora::sim
