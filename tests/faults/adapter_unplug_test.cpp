// SPDX-License-Identifier: GPL-3.0-or-later
// A USB serial adapter pulled out: the line hangs up under the tool and every port
// operation fails. Nothing may pass for a success, the reading thread must give the
// link up, and once the adapter is back (a new tty behind the same name) the
// reconnection shows what the unit holds.

#include "unit_rig.h"

#include "acquisition/diag_thread.h"
#include "device/error.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>

namespace velmora::faults {
namespace {

using namespace std::chrono_literals;
using Outcome = CFirmwareUpdate::Outcome;

enum class Work { Connect, Reading, Writes, Firmware };

const char* workName(Work w) {
    switch (w) {
    case Work::Connect: return "Connect";
    case Work::Reading: return "Reading";
    case Work::Writes: return "Writes";
    case Work::Firmware: return "Firmware";
    }
    return "?";
}
void PrintTo(Work w, std::ostream* os) { *os << workName(w); }

class AdapterUnplugged : public ::testing::TestWithParam<Work> {
protected:
    void SetUp() override {
        CDiagInputThread::resetFailureCounter();
        link = rig.folder / "ttyUSB0";
        plugIn();
        baseline = threadCount();
        ASSERT_TRUE(rig.device.openPort(link.string()));
        rig.boxes.clear();
    }
    void TearDown() override { CDiagInputThread::resetFailureCounter(); }

    void plugIn() {
        adapter.emplace(link.string());
        adapter->start();
    }
    // The tty goes away with the unit behind it; the name stays remembered.
    void pullOut() { adapter.reset(); }
    // What a command reported: its result, or false when an error object of the port
    // escaped (the window's handler shows that one).
    template <class Fn>
    static bool reported(Fn&& command) {
        try {
            return command();
        } catch (const IError&) {
            return false;
        }
    }

    UnitRig rig;
    std::filesystem::path link;
    std::optional<sim::CSimHost> adapter;
    int baseline = 0;
};

TEST_P(AdapterUnplugged, NothingPassesForSuccessAndTheReconnectionFindsTheUnit) {
    switch (GetParam()) {
    case Work::Connect:
        pullOut();
        EXPECT_FALSE(rig.reconnect());
        EXPECT_FALSE(rig.device.isConnected());
        break;
    case Work::Reading:
        rig.device.startReading();
        ASSERT_TRUE(waitFor([&] { return rig.device.samples().count() > 0; }));
        pullOut();
        ASSERT_TRUE(waitFor([&] { return rig.owner.wasSet(kReconnectTimer, 1000); }))
            << "the reading thread did not give the link up";
        EXPECT_FALSE(rig.device.isConnected());
        EXPECT_EQ(rig.device.samples().count(), 0);
        break;
    case Work::Writes:
        rig.device.startReading();
        pullOut();
        rig.device.state().rpmDivider = 99;
        EXPECT_FALSE(reported([&] { return rig.device.writeSettings(); }));
        EXPECT_FALSE(reported([&] { return rig.device.writeAxes(); }));
        EXPECT_FALSE(reported([&] { return rig.device.storeMap(); }));
        break;
    case Work::Firmware:
        rig.device.startReading();
        rig.dialog.onProgress = [&](unsigned written, unsigned) {
            if (written == 10 && adapter) pullOut();
        };
        EXPECT_FALSE(reported([&] { return rig.update.OnClickedBtnDeviceUpdate(false); }));
        EXPECT_EQ(static_cast<int>(rig.update.lastOutcome()), static_cast<int>(Outcome::Failed));
        EXPECT_EQ(rig.dialog.busyCalls, (std::vector<bool>{true, false}));
        break;
    }
    rig.device.stopReading();

    plugIn();
    ASSERT_TRUE(rig.reconnect());
    EXPECT_TRUE(rig.device.isConnected());
    EXPECT_EQ(stateDifferences(rig.device.state(), decodeUnitState(adapter->state())), "");
    EXPECT_EQ(adapter->state().mode, sim::Mode::Application);
    EXPECT_TRUE(waitFor([&] { return threadCount() == baseline; }, 2000ms))
        << threadCount() << " threads, " << baseline << " before";
}

INSTANTIATE_TEST_SUITE_P(During, AdapterUnplugged,
                         ::testing::Values(Work::Connect, Work::Reading, Work::Writes, Work::Firmware),
                         [](const ::testing::TestParamInfo<Work>& info) {
                             return std::string(workName(info.param));
                         });

} // namespace
} // namespace velmora::faults
