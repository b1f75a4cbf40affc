// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/lpg_device.h"
#include "lang/translate.h"
#include "pty_peer.h"
#include "sim/sim_host.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace velmora;
using namespace velmora::test;
using namespace std::chrono_literals;

namespace {

struct RecordingBox : IMessageBox {
    std::vector<std::pair<std::wstring, unsigned>> shown;
    int show(const std::wstring& text, const std::wstring& caption, unsigned style) override {
        EXPECT_EQ(caption, kCaption);
        shown.emplace_back(text, style);
        return ID_OK;
    }
};

struct MemorySettings : ISettingsStore {
    std::string value;
    std::string readLastPort() override { return value; }
    void writeLastPort(const std::string& port) override { value = port; }
};

struct ListedPorts : IPortLister {
    std::vector<std::string> names;
    std::vector<std::string> ports() override { return names; }
};

struct RecordingOwner : IDeviceOwner {
    std::mutex mutex;
    std::vector<std::pair<int, int>> timersSet;
    std::vector<int> timersKilled;
    std::vector<bool> updates;
    bool updateResult = false;
    void setTimer(int id, int ms) override {
        std::lock_guard lock(mutex);
        timersSet.emplace_back(id, ms);
    }
    void killTimer(int id) override {
        std::lock_guard lock(mutex);
        timersKilled.push_back(id);
    }
    bool runFirmwareUpdate(bool forced) override {
        updates.push_back(forced);
        return updateResult;
    }
    bool wasSet(int id, int ms) {
        std::lock_guard lock(mutex);
        return std::find(timersSet.begin(), timersSet.end(), std::pair{id, ms}) != timersSet.end();
    }
};

constexpr const char* kMissing = "/dev/velmora-missing-port";

// A device wired to recording services, with short read time-outs so that
// silent candidates do not slow the tests down.
struct Rig {
    RecordingBox box;
    MemorySettings settings;
    ListedPorts ports;
    RecordingOwner owner;
    CLPGDevice dev{DeviceServices{&box, &settings, &ports}};
    Rig() {
        dev.setOwner(&owner);
        dev.setPortTimeouts(Timeouts{150, 1});
    }
};

template <class Pred>
bool waitFor(Pred pred, std::chrono::milliseconds limit = 3000ms) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

const std::wstring kNoConnection = translate(L"Brak połączenia");
const std::wstring kSettingsFailed = translate(L"Nie powiodło się wczytanie ustawień urządzenia!");

} // namespace

TEST(CandidatePorts, PreferredThenRememberedThenNaturalOrder) {
    Rig rig;
    rig.ports.names = {"COM10", "COM2", "/dev/ttyUSB10", "COM1", "/dev/ttyUSB2", "COM2"};
    rig.settings.value = "COM10";
    EXPECT_EQ(rig.dev.candidatePorts(),
              (std::vector<std::string>{"COM10", "/dev/ttyUSB2", "/dev/ttyUSB10", "COM1", "COM2",
                                        "COM10"}));
    rig.dev.setPreferredPort("/dev/pts/7");
    EXPECT_EQ(rig.dev.candidatePorts().at(0), "/dev/pts/7");
    EXPECT_EQ(rig.dev.candidatePorts().at(1), "COM10");
}

TEST(CandidatePorts, ARememberedPortThatIsGoneIsNotTriedFirst) {
    Rig rig;
    rig.ports.names = {"COM5", "COM3", "COM1"};
    rig.settings.value = "COM9";
    EXPECT_EQ(rig.dev.candidatePorts(), (std::vector<std::string>{"COM1", "COM3", "COM5"}));
    rig.settings.value = "COM5";
    EXPECT_EQ(rig.dev.candidatePorts(),
              (std::vector<std::string>{"COM5", "COM1", "COM3", "COM5"}));
}

TEST(Scan, SkipsADeadCandidateAndRemembersThePortThatAnswered) {
    sim::CSimHost host;
    host.start();
    Rig rig;
    rig.ports.names = {kMissing, host.slavePath()};
    rig.dev.startConnection();
    EXPECT_TRUE(rig.dev.isConnected());
    EXPECT_EQ(rig.settings.value, host.slavePath());
    EXPECT_TRUE(rig.box.shown.empty());
    EXPECT_EQ(rig.dev.categoryCount(), 1u);
    // What the connection read.
    const DeviceState& s = rig.dev.state();
    EXPECT_EQ(s.version, 0x0103);
    EXPECT_EQ(s.rpmDivider, 2);
    EXPECT_EQ(s.noiseDelta, 12);
    EXPECT_EQ(s.noisePeriod, 1500);
    EXPECT_DOUBLE_EQ(s.map[0][0], 0.8);
    EXPECT_DOUBLE_EQ(s.map[15][14], (40 + 60 + 42) * 0.02);
    EXPECT_DOUBLE_EQ(s.rpmAxis[14], 4700);
    EXPECT_DOUBLE_EQ(s.voltAxis[15], 15.36);
    EXPECT_TRUE(rig.dev.offersReadings());

    rig.dev.startConnection(); // every start adds a category
    EXPECT_EQ(rig.dev.categoryCount(), 2u);
}

TEST(Scan, TriesTheRememberedPortFirst) {
    sim::CSimHost host;
    host.start();
    Rig rig;
    rig.ports.names = {host.slavePath(), kMissing, "/dev/velmora-missing-port-2"};
    rig.settings.value = host.slavePath();
    rig.dev.scanPorts();
    EXPECT_TRUE(rig.dev.isConnected());
    EXPECT_EQ(host.state().requests, 5u); // identify, version, settings, map, axes: nothing else
}

TEST(Scan, NoUnitAnywhereShowsThePlainNotice) {
    sim::CPty silent; // a line with nobody behind it
    Rig rig;
    rig.ports.names = {kMissing, silent.slavePath()};
    rig.dev.scanPorts();
    EXPECT_FALSE(rig.dev.isConnected());
    ASSERT_EQ(rig.box.shown.size(), 1u);
    EXPECT_EQ(rig.box.shown[0], (std::pair{kNoConnection, 0u}));
    EXPECT_TRUE(rig.settings.value.empty());
}

TEST(Identify, AForeignUnitIsReportedOncePerRun) {
    sim::CSimHost host;
    sim::Faults f;
    f.wrongDeviceType = 0x22;
    host.setFaults(f);
    host.start();
    Rig rig;
    rig.ports.names = {host.slavePath()};
    rig.dev.scanPorts();
    rig.dev.scanPorts();
    EXPECT_FALSE(rig.dev.isConnected());
    ASSERT_EQ(rig.box.shown.size(), 3u);
    EXPECT_EQ(rig.box.shown[0], (std::pair{kNoConnection, 0x10u})); // from identify
    EXPECT_EQ(rig.box.shown[1], (std::pair{kNoConnection, 0u}));    // end of the scan
    EXPECT_EQ(rig.box.shown[2], (std::pair{kNoConnection, 0u}));
    // Asked once more per scan (the first answer may be a late one meant for another
    // program), and no further.
    EXPECT_EQ(host.state().requests, 4u);
}

TEST(Identify, AUnitInItsBootloaderIsHandedToTheForcedUpdate) {
    sim::CSimHost host;
    host.startInBootloader();
    host.start();
    Rig rig;
    rig.dev.state().version = 0x0207;
    rig.dev.state().deviceType = 0x55;
    rig.ports.names = {host.slavePath()};
    rig.owner.updateResult = false;
    rig.dev.scanPorts();
    ASSERT_EQ(rig.owner.updates, std::vector<bool>{true});
    EXPECT_EQ(rig.dev.state().version, 0x0100);
    EXPECT_EQ(rig.dev.state().deviceType, 0x11);
    ASSERT_GE(rig.box.shown.size(), 1u);
    EXPECT_EQ(rig.box.shown[0].first,
              translate(L"Sterownik nie jest poprawnie zaprogramowany i wymaga przeprogramowania."));
    EXPECT_EQ(rig.box.shown[0].second, 0x40u);
    EXPECT_FALSE(rig.dev.isConnected());
}

TEST(Connect, AUnitThatOnlyIdentifiesStaysConnectedWithFourNotices) {
    PtyPeer peer([](const Request& r, PtyPeer& p) {
        if (r.code() == 0xCC && r.type == 2)
            p.send(PtyPeer::ack(4, 0x11, 0x55, 0x00));
        else
            p.send(PtyPeer::ack(0x15));
    });
    Rig rig;
    rig.ports.names = {peer.path()};
    const DeviceState before = rig.dev.state();
    rig.dev.scanPorts();
    EXPECT_TRUE(rig.dev.isConnected());
    EXPECT_EQ(rig.settings.value, peer.path());
    const std::vector<std::pair<std::wstring, unsigned>> expected{
        {translate(L"Nie powiodło się odczytanie wersji urządzenia!"), 0x10u},
        {kSettingsFailed, 0x10u},
        {kSettingsFailed, 0x10u},
        {kSettingsFailed, 0x10u}};
    EXPECT_EQ(rig.box.shown, expected);
    EXPECT_EQ(rig.dev.state().version, before.version);
    EXPECT_EQ(rig.dev.state().rpmAxis, before.rpmAxis);
}

TEST(Commands, EveryWriteReachesTheUnit) {
    sim::CSimHost host;
    host.start();
    Rig rig;
    rig.ports.names = {host.slavePath()};
    rig.dev.scanPorts();
    ASSERT_TRUE(rig.dev.isConnected());
    DeviceState& s = rig.dev.state();

    s.rpmDivider = 7;
    s.noiseDelta = 99;
    s.noisePeriod = 12345;
    s.map[3][4] = 2.5;
    EXPECT_TRUE(rig.dev.writeSettings());
    auto unit = host.state();
    EXPECT_EQ(unit.rpmDivider, 7);
    EXPECT_EQ(unit.noiseDelta, 99);
    EXPECT_EQ(unit.noisePeriod, 12345);
    EXPECT_EQ(unit.map[3 * 15 + 4], 125);

    s.voltAxis[2] = 3.0;
    s.rpmAxis[14] = 8000;
    EXPECT_TRUE(rig.dev.writeAxes());
    unit = host.state();
    EXPECT_EQ(unit.voltWords[2], 200);
    EXPECT_EQ(unit.rpmBytes[14], 80);

    EXPECT_TRUE(rig.dev.correctMapArea({3, 4, 1, 1, 2, 5}));
    EXPECT_TRUE(rig.dev.storeMap());
    unit = host.state();
    EXPECT_EQ(unit.storedMap[3 * 15 + 4], 130);
    EXPECT_EQ(unit.mapStores, 1u);

    EXPECT_TRUE(rig.dev.clearMap());
    EXPECT_EQ(host.state().map[3 * 15 + 4], 0);

    sim::Faults refuse;
    refuse.nakWrites = true;
    host.setFaults(refuse);
    EXPECT_FALSE(rig.dev.storeMap());
    EXPECT_FALSE(rig.dev.writeAxes());
    EXPECT_FALSE(rig.dev.correctMapArea({0, 0, 1, 1, 2, 5}));
}

TEST(Reading, RunsUntilStoppedAndArmsTheRefreshTimer) {
    sim::CSimHost host;
    host.start();
    Rig rig;
    rig.ports.names = {host.slavePath()};
    rig.dev.scanPorts();
    ASSERT_TRUE(rig.dev.isConnected());
    rig.dev.startReading();
    EXPECT_TRUE(rig.dev.isRunning());
    EXPECT_TRUE(rig.owner.wasSet(kRefreshTimer, 100));
    ASSERT_TRUE(waitFor([&] { return rig.dev.samples().count() >= 3; }));
    rig.dev.stopReading();
    EXPECT_FALSE(rig.dev.isRunning());
    EXPECT_EQ(rig.owner.timersKilled, std::vector<int>{kRefreshTimer});
    const unsigned readings = host.state().readings;
    std::this_thread::sleep_for(150ms);
    EXPECT_EQ(host.state().readings, readings); // the thread is gone, not just paused
    EXPECT_TRUE(rig.dev.isConnected());
}

TEST(Reading, AUnitWithoutReadingsStartsNothing) {
    sim::CSimHost host;
    host.withUnit([](sim::CSimUnit& u) { u.state().readingsCode = 0; });
    host.start();
    Rig rig;
    rig.ports.names = {host.slavePath()};
    rig.dev.scanPorts();
    ASSERT_TRUE(rig.dev.isConnected());
    EXPECT_FALSE(rig.dev.offersReadings());
    rig.dev.startReading();
    EXPECT_FALSE(rig.dev.isRunning());
    EXPECT_TRUE(rig.owner.timersSet.empty());
    std::this_thread::sleep_for(120ms);
    EXPECT_EQ(host.state().readings, 0u);
}

TEST(Reading, AVanishedLineArmsTheReconnectTimer) {
    CDiagInputThread::resetFailureCounter();
    auto host = std::make_unique<sim::CSimHost>();
    host->start();
    Rig rig;
    rig.ports.names = {host->slavePath()};
    rig.dev.scanPorts();
    ASSERT_TRUE(rig.dev.isConnected());
    rig.dev.startReading();
    ASSERT_TRUE(waitFor([&] { return rig.dev.samples().count() >= 1; }));
    host.reset(); // the adapter is pulled
    ASSERT_TRUE(waitFor([&] { return rig.owner.wasSet(kReconnectTimer, 1000); }));
    EXPECT_FALSE(rig.dev.isConnected());
    EXPECT_EQ(rig.dev.samples().count(), 0);
    rig.dev.stopReading();
}

TEST(Reading, DestroyingTheDeviceWhileReadingEndsTheThreadFirst) {
    sim::CSimHost host;
    host.start();
    ListedPorts ports;
    ports.names = {host.slavePath()};
    RecordingOwner owner;
    auto dev = std::make_unique<CLPGDevice>(DeviceServices{nullptr, nullptr, &ports});
    dev->setOwner(&owner);
    dev->scanPorts();
    ASSERT_TRUE(dev->isConnected());
    dev->startReading();
    ASSERT_TRUE(waitFor([&] { return dev->samples().count() >= 1; }));
    dev.reset();
    const unsigned readings = host.state().readings;
    std::this_thread::sleep_for(150ms);
    EXPECT_EQ(host.state().readings, readings);
}
