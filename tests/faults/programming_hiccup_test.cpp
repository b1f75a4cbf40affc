// SPDX-License-Identifier: GPL-3.0-or-later
// Faults that strike once, at a chosen row of a programming run, and a port that
// goes away in the middle of it; and what one silent exchange costs at the
// unit's own time-outs.

#include "unit_rig.h"

#include "acquisition/diag_thread.h"
#include "device/error.h"

#include <gtest/gtest.h>

#include <ostream>

namespace velmora::faults {
namespace {

using namespace std::chrono_literals;
using Outcome = CFirmwareUpdate::Outcome;

constexpr unsigned kRows = (UnitRig::kImageBytes + 255) / 256;
constexpr unsigned kStrikeAfterRow = 10;

class ProgrammingHiccup : public ::testing::Test {
protected:
    void SetUp() override {
        CDiagInputThread::resetFailureCounter();
        baseline = threadCount();
        ASSERT_TRUE(rig.connectCleanly());
        rig.device.startReading();
    }
    void TearDown() override {
        rig.device.stopReading();
        EXPECT_TRUE(waitFor([&] { return threadCount() == baseline; }, 2000ms))
            << threadCount() << " threads, " << baseline << " before";
        CDiagInputThread::resetFailureCounter();
    }
    // Runs action once, after the unit acknowledged the chosen row of the first attempt.
    void strikeOnce(std::function<void()> action) {
        rig.dialog.onProgress = [this, action = std::move(action)](unsigned written, unsigned) {
            if (written == kStrikeAfterRow && !struck) {
                struck = true;
                action();
            }
        };
    }
    void expectProgrammedAndShown() {
        const sim::SimState unit = rig.host.state();
        EXPECT_EQ(flashDifferences(unit, rig.image, kRows), "");
        EXPECT_EQ(unit.mode, sim::Mode::Application);
        EXPECT_EQ(stateDifferences(rig.device.state(), rig.unitState()), "");
    }

    UnitRig rig;
    int baseline = 0;
    bool struck = false;
};

struct Hiccup {
    const char* name;
    void (*set)(sim::Faults&);
    std::size_t attempts; // programming attempts, each after its pause
};

void PrintTo(const Hiccup& h, std::ostream* os) { *os << h.name; }

class OneHiccup : public ProgrammingHiccup, public ::testing::WithParamInterface<Hiccup> {};

// A lost or damaged acknowledgement costs the row a second send within the attempt
// (a refusal then means the first send was written); a refused row fails the attempt
// and the next one starts over from the first page.
TEST_P(OneHiccup, TheWholeImageIsProgrammed) {
    strikeOnce([this] {
        sim::Faults f;
        GetParam().set(f);
        rig.host.setFaults(f);
    });
    // The pause before the second attempt's rows: the line is clean again.
    rig.onWait = [this] {
        if (struck) rig.host.setFaults({});
    };

    EXPECT_TRUE(rig.update.OnClickedBtnDeviceUpdate(false));
    EXPECT_EQ(static_cast<int>(rig.update.lastOutcome()), static_cast<int>(Outcome::Programmed));
    EXPECT_TRUE(struck);
    // A pause before each attempt, one before reconnecting.
    EXPECT_EQ(rig.waits.size(), GetParam().attempts + 1);
    expectProgrammedAndShown();
    EXPECT_TRUE(rig.device.isConnected());
    EXPECT_TRUE(rig.device.isRunning());
}

INSTANTIATE_TEST_SUITE_P(
    OnceMidProgramming, OneHiccup,
    ::testing::Values(Hiccup{"RowRefused", [](sim::Faults& f) { f.nakWrites = true; }, 2},
                      // Every other reply lost or damaged for the rest of the programming.
                      Hiccup{"RowAcknowledgementLost", [](sim::Faults& f) { f.dropEvery = 2; }, 1},
                      Hiccup{"RowAcknowledgementDamaged", [](sim::Faults& f) { f.corruptEvery = 2; }, 1}),
    [](const ::testing::TestParamInfo<Hiccup>& info) { return std::string(info.param.name); });

TEST_F(ProgrammingHiccup, PortLostMidProgrammingEscapesAndTheUnitIsRecoveredOnReconnection) {
    strikeOnce([this] { rig.device.port().close(); });

    bool escaped = false;
    try {
        rig.update.OnClickedBtnDeviceUpdate(false);
    } catch (const IError&) {
        escaped = true; // the window's button handler shows it
    }
    EXPECT_TRUE(escaped);
    EXPECT_EQ(static_cast<int>(rig.update.lastOutcome()), static_cast<int>(Outcome::Failed));
    EXPECT_EQ(rig.dialog.busyCalls, (std::vector<bool>{true, false}));
    EXPECT_EQ(rig.host.state().mode, sim::Mode::Bootloader);

    // The reconnect tick finds the unit in its bootloader and programs it, forced.
    ASSERT_TRUE(rig.reconnect());
    EXPECT_EQ(rig.owner.updateRuns, std::vector<bool>{true});
    expectProgrammedAndShown();
}

TEST(UnitTimeouts, ASilentUnitCostsOneReadTimeoutPerExchange) {
    UnitRig rig;
    rig.device.setPortTimeouts(Timeouts{});
    ASSERT_TRUE(rig.connectCleanly());
    sim::Faults silent;
    silent.noReply = true;
    rig.host.setFaults(silent);

    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(rig.device.correctMapArea(encodeMapArea(MapArea{})));
    const auto took = std::chrono::steady_clock::now() - start;
    // 1000 ms plus 1 ms for each of the 4 header bytes asked for.
    EXPECT_GE(took, 1000ms);
    EXPECT_LE(took, 1004ms + 300ms);
}

} // namespace
} // namespace velmora::faults
