// SPDX-License-Identifier: GPL-3.0-or-later
// The device on the serial port named by VELMORA_TEST_PORT: on Windows a COM port
// that scripts/windows-check maps onto a simulated unit; elsewhere, without the
// variable, a simulated unit of the test's own. A unit behind a named port outlives
// the tests and is shared by them: each test leaves it as it found it.

#include "device/encodings.h"
#include "device/lpg_device.h"
#include "sim/sim_state.h"
#ifndef _WIN32
#include "sim/sim_host.h"
#endif

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>

using namespace velmora;
using namespace std::chrono_literals;

namespace {

#ifdef _WIN32
constexpr const char* kMissingPort = "COM98";
#else
constexpr const char* kMissingPort = "/dev/velmora-missing-port";
#endif

struct RecordingBox : IMessageBox {
    std::vector<std::wstring> shown;
    int show(const std::wstring& text, const std::wstring&, unsigned) override {
        shown.push_back(text);
        return ID_OK;
    }
};

struct Services : ISettingsStore, IPortLister {
    std::string remembered;
    std::vector<std::string> listed;
    std::string readLastPort() override { return remembered; }
    void writeLastPort(const std::string& port) override { remembered = port; }
    std::vector<std::string> ports() override { return listed; }
};

struct RecordingOwner : IDeviceOwner {
    std::mutex mutex;
    std::vector<int> timersSet;
    std::vector<int> timersKilled;
    void setTimer(int id, int) override {
        std::lock_guard lock(mutex);
        timersSet.push_back(id);
    }
    void killTimer(int id) override {
        std::lock_guard lock(mutex);
        timersKilled.push_back(id);
    }
    bool runFirmwareUpdate(bool) override { return false; }
};

// A device connected through scanPorts, as the window connects.
struct Connected {
    RecordingBox box;
    Services services;
    RecordingOwner owner;
    CLPGDevice dev{DeviceServices{&box, &services, &services}};
    explicit Connected(const std::string& port) {
        dev.setOwner(&owner);
        dev.setPortTimeouts(Timeouts{300, 1});
        services.listed = {kMissingPort, port};
        dev.scanPorts();
    }
};

class NamedPort : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* named = std::getenv("VELMORA_TEST_PORT"); named && *named) {
            port = named;
            return;
        }
#ifdef _WIN32
        GTEST_SKIP() << "VELMORA_TEST_PORT names no port";
#else
        m_host = std::make_unique<sim::CSimHost>();
        m_host->start();
        port = m_host->slavePath();
#endif
    }

    std::string port;

private:
#ifndef _WIN32
    std::unique_ptr<sim::CSimHost> m_host;
#endif
};

} // namespace

TEST_F(NamedPort, LineTimesOutQuietlyAndIsFreeAgainAfterClose) {
    CSerialPort line;
    line.open(port);
    line.setState(LineSettings{});
    line.setTimeout(Timeouts{200, 1});
    line.purgeIn();
    EXPECT_EQ(line.clearCommError(), 0u);
    std::uint8_t buffer[16];
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(line.read(buffer, sizeof buffer), 0u); // the unit speaks only when asked
    EXPECT_GE(std::chrono::steady_clock::now() - start, 150ms);
    EXPECT_EQ(line.close(), 0);
    EXPECT_FALSE(line.isOpen());
    line.open(port);
    EXPECT_TRUE(line.isOpen());
}

TEST_F(NamedPort, ScanSkipsAMissingPortAndReadsTheUnit) {
    Connected c(port);
    ASSERT_TRUE(c.dev.isConnected());
    EXPECT_TRUE(c.box.shown.empty());
    EXPECT_EQ(c.services.remembered, port);

    const sim::SimState unit; // what a simulated unit starts with
    const DeviceState& d = c.dev.state();
    EXPECT_EQ(d.version, unit.version);
    EXPECT_EQ(d.rpmDivider, unit.rpmDivider);
    EXPECT_EQ(d.noiseDelta, unit.noiseDelta);
    EXPECT_EQ(d.noisePeriod, unit.noisePeriod);
    for (int v = 0; v < kVoltRows; ++v) {
        EXPECT_DOUBLE_EQ(d.voltAxis[v], voltsFromWord(unit.voltWords[v]));
        for (int r = 0; r < kRpmCols; ++r)
            EXPECT_DOUBLE_EQ(d.map[v][r], mapValueFromByte(unit.map[v * kRpmCols + r]));
    }
    for (int r = 0; r < kRpmCols; ++r)
        EXPECT_DOUBLE_EQ(d.rpmAxis[r], rpmFromAxisByte(unit.rpmBytes[r]));
}

TEST_F(NamedPort, WritesAreReadBackOverANewConnection) {
    DeviceState before;
    {
        Connected writer(port);
        ASSERT_TRUE(writer.dev.isConnected());
        before = writer.dev.state();
        DeviceState& s = writer.dev.state();
        s.rpmDivider = 7;
        s.noiseDelta = 99;
        s.noisePeriod = 12345;
        s.map[3][4] = 2.5;
        s.voltAxis[2] = 3.0;
        s.rpmAxis[14] = 8000;
        EXPECT_TRUE(writer.dev.writeSettings());
        EXPECT_TRUE(writer.dev.writeAxes());
    } // closes the port

    Connected reader(port);
    ASSERT_TRUE(reader.dev.isConnected());
    DeviceState& s = reader.dev.state();
    EXPECT_EQ(s.rpmDivider, 7);
    EXPECT_EQ(s.noiseDelta, 99);
    EXPECT_EQ(s.noisePeriod, 12345);
    EXPECT_DOUBLE_EQ(s.map[3][4], 2.5);
    EXPECT_DOUBLE_EQ(s.voltAxis[2], 3.0);
    EXPECT_DOUBLE_EQ(s.rpmAxis[14], 8000);

    s = before;
    EXPECT_TRUE(reader.dev.writeSettings());
    EXPECT_TRUE(reader.dev.writeAxes());
}

TEST_F(NamedPort, ReadingsFlowUntilStopped) {
    Connected c(port);
    ASSERT_TRUE(c.dev.isConnected());
    ASSERT_TRUE(c.dev.offersReadings());
    c.dev.startReading();
    EXPECT_TRUE(c.dev.isRunning());
    const auto end = std::chrono::steady_clock::now() + 5s;
    while (c.dev.samples().count() < 3 && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(10ms);
    EXPECT_GE(c.dev.samples().count(), 3);
    c.dev.stopReading();
    EXPECT_FALSE(c.dev.isRunning());
    EXPECT_TRUE(c.dev.isConnected());
    std::lock_guard lock(c.owner.mutex);
    EXPECT_EQ(c.owner.timersSet, std::vector<int>{kRefreshTimer});
    EXPECT_EQ(c.owner.timersKilled, std::vector<int>{kRefreshTimer});
}

#ifdef _WIN32
TEST(NamedPortOpen, AMissingComPortIsReportedWithItsNumber) {
    CSerialPort line;
    try {
        line.open(kMissingPort);
        ADD_FAILURE() << "opened " << kMissingPort;
    } catch (const CRSError& e) {
        EXPECT_EQ(e.code(), CRSError::OpenFailed);
        // The number first, then the system's own text for it.
        EXPECT_EQ(e.context().rfind(L"CSerialPort::open(98) - GetLastError()=2 (", 0), 0u);
        EXPECT_EQ(e.systemError(), 2);
    }
    EXPECT_FALSE(line.isOpen());
}
#endif
