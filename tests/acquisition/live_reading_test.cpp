// SPDX-License-Identifier: GPL-3.0-or-later
// Reading from the simulated unit over a real pseudo-terminal.

#include "fake_link.h"

#include "device/lpg_device.h"
#include "sim/sim_host.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

namespace velmora::test {
namespace {

using namespace std::chrono_literals;

struct MemorySettings : ISettingsStore {
    std::mutex mutex;
    std::string port;
    std::string readLastPort() override {
        std::lock_guard lock(mutex);
        return port;
    }
    void writeLastPort(const std::string& p) override {
        std::lock_guard lock(mutex);
        port = p;
    }
};

// Records timer calls; the reading thread calls setTimer from its own thread.
struct RecordingOwner : IDeviceOwner {
    std::mutex mutex;
    std::vector<std::pair<int, int>> set;
    void setTimer(int id, int ms) override {
        std::lock_guard lock(mutex);
        set.emplace_back(id, ms);
    }
    void killTimer(int) override {}
    bool runFirmwareUpdate(bool) override { return false; }
    bool wasSet(int id, int ms) {
        std::lock_guard lock(mutex);
        return std::find(set.begin(), set.end(), std::pair{id, ms}) != set.end();
    }
};

template <class Cond>
bool waitFor(Cond cond, std::chrono::milliseconds limit = 5000ms) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!cond()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

bool numberedFromOne(const std::vector<std::uint32_t>& seqs) {
    for (std::size_t i = 0; i < seqs.size(); ++i)
        if (seqs[i] != i + 1) return false;
    return !seqs.empty();
}

class LiveReading : public ::testing::Test {
protected:
    void SetUp() override {
        CDiagInputThread::resetFailureCounter();
        // The unit's clock runs with the real one; skipping ahead ends a simulated silence.
        host.setClock([this] {
            using namespace std::chrono;
            return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count() +
                   skippedMs.load();
        });
        host.start();
        device.setOwner(&owner);
        device.setPortTimeouts(Timeouts{200, 1});
    }
    void TearDown() override { CDiagInputThread::resetFailureCounter(); }

    std::atomic<std::int64_t> skippedMs{0};
    sim::CSimHost host;
    MemorySettings settings;
    RecordingOwner owner;
    CLPGDevice device{DeviceServices{nullptr, &settings, nullptr}};
};

TEST_F(LiveReading, PulledCableEndsReadingAndTheReconnectPathFindsTheUnitAgain) {
    sim::Faults cable;
    cable.silentAfterReadings = 5;
    cable.silentForMs = 60000;
    host.setFaults(cable);
    ASSERT_TRUE(device.openPort(host.slavePath()));
    device.startReading();

    // Five readings, then three failed ones: the thread gives up on the link.
    ASSERT_TRUE(waitFor([&] { return owner.wasSet(kReconnectTimer, 1000); }));
    EXPECT_FALSE(device.isConnected());
    EXPECT_EQ(device.samples().count(), 0);
    EXPECT_EQ(host.state().readings, 5u);
    EXPECT_EQ(CDiagInputThread::failureCounter(), 3);

    // Reconnect ticks: nothing while the cable is out, the unit once it is back.
    EXPECT_FALSE(device.openPort(device.readLastPort()));
    skippedMs += cable.silentForMs;
    ASSERT_TRUE(device.openPort(device.readLastPort()));
    EXPECT_TRUE(device.isConnected());
    device.startReading();
    ASSERT_TRUE(waitFor([&] { return device.samples().count() >= 4; }));
    device.stopReading();

    const auto seqs = sequences(device.samples());
    EXPECT_TRUE(numberedFromOne(seqs)) << seqs.size() << " samples, first " << seqs.front();
    CDiag newest;
    device.samples().getLast(newest);
    EXPECT_GT(rpmFromPeriod(newest.rpmPeriod), 0.0);
    EXPECT_EQ(CDiagInputThread::failureCounter(), 0);
}

} // namespace
} // namespace velmora::test
