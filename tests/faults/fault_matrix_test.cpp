// SPDX-License-Identifier: GPL-3.0-or-later
// Every misbehaviour of the simulated unit against every kind of work the tool
// does with it. Whatever the fault, the tool must not report a write the unit did
// not take, must show the unit's true state once it has reconnected, and must not
// crash, stall past its read time-outs or leave a thread behind.

#include "unit_rig.h"

#include "acquisition/diag_thread.h"
#include "sim/sim_unit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <optional>
#include <ostream>
#include <tuple>

namespace velmora::faults {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Outcome = CFirmwareUpdate::Outcome;

enum class Phase { Connect, Reading, SettingsAndMap, Axes, Firmware };
enum class Expect { Ok, Fail, Either };

struct FaultCase {
    const char* name;
    sim::Faults faults;
    bool bootloader = false; // the unit restarted into its bootloader
    bool lossy = false;      // replies go missing now and then: a single-try write may go either way
    bool late = false;       // replies come after the time-out, see FaultMatrix::claim
    Expect connect = Expect::Ok;
    int complaints = 0; // on a connection that stands
    Expect reading = Expect::Ok; // Ok: samples keep coming; Fail: the link is given up
    Expect writes = Expect::Ok;
    Expect axes = Expect::Ok;
    std::optional<Outcome> firmware = Outcome::Programmed; // none: too slow to run here
};

constexpr auto T = std::chrono::milliseconds(kRigTimeouts.readTotalConstantMs);

template <class Set>
sim::Faults faults(Set set) {
    sim::Faults f;
    set(f);
    return f;
}

// The cable stays out until the test plugs it back by clearing the faults.
const sim::Faults kPulledCable = faults([](sim::Faults& f) {
    f.silentAfterReadings = 2;
    f.silentForMs = 600000;
});

const FaultCase kFaults[] = {
    {.name = "NoFault", .faults = {}},
    {.name = "SilentUnit", .faults = faults([](sim::Faults& f) { f.noReply = true; }),
     .connect = Expect::Fail, .reading = Expect::Fail, .writes = Expect::Fail,
     .axes = Expect::Fail, .firmware = Outcome::Failed},
    // A row whose acknowledgement was lost is sent again; the unit's refusal (written
    // already) tells it landed, so programming goes through.
    {.name = "EveryThirdReplyLost", .faults = faults([](sim::Faults& f) { f.dropEvery = 3; }),
     .lossy = true},
    {.name = "EverySecondReplyDamaged",
     .faults = faults([](sim::Faults& f) { f.corruptEvery = 2; }), .lossy = true},
    {.name = "NoiseBeforeEachReply",
     .faults = faults([](sim::Faults& f) { f.junkBefore = {0x00, 0x11, 0x22}; })},
    {.name = "GarbledLine",
     .faults = faults([](sim::Faults& f) { f.junkBefore = {0x00, 0x11, 0x22, 0x33, 0x44}; }),
     .connect = Expect::Fail, .reading = Expect::Fail, .writes = Expect::Fail,
     .axes = Expect::Fail, .firmware = Outcome::Failed},
    {.name = "ForeignUnit", .faults = faults([](sim::Faults& f) { f.wrongDeviceType = 0x22; }),
     .connect = Expect::Fail, .firmware = Outcome::ProgrammedNotFound},
    {.name = "RefusedWrites", .faults = faults([](sim::Faults& f) { f.nakWrites = true; }),
     .writes = Expect::Fail, .axes = Expect::Fail, .firmware = Outcome::Failed},
    // Version, settings, map and axes reads refused: the connection stands, with a
    // complaint for each read that kept old values.
    {.name = "RefusedReads",
     .faults = faults([](sim::Faults& f) { f.nakCommands = {0x0D, 0x07, 0x0E, 0x11}; }),
     .complaints = 4},
    {.name = "RefusedStoreAndClear",
     .faults = faults([](sim::Faults& f) { f.nakCommands = {0x0F, 0x10}; }),
     .writes = Expect::Either},
    {.name = "PulledCable", .faults = kPulledCable, .connect = Expect::Fail,
     .reading = Expect::Fail, .writes = Expect::Fail, .axes = Expect::Fail,
     .firmware = Outcome::Failed},
    // A reply of another kind to a reading neither counts as a failure nor resets the
    // count, so the reading thread keeps polling a unit that only NAKs readings.
    {.name = "UnitInBootloader", .faults = {}, .bootloader = true, .reading = Expect::Either,
     .writes = Expect::Fail, .axes = Expect::Fail},
    {.name = "SlowReply", .faults = faults([](sim::Faults& f) { f.replyDelayMs = 40; })},
    {.name = "ReplyInTwoParts", .faults = faults([](sim::Faults& f) { f.splitPauseMs = 30; })},
    // The second part comes after the first read gave up: the exchange's second read
    // takes it, the reading exchange (one read only) fails. A failed reading leaves its
    // tail on the line, and with the unit answering queued requests one after another
    // the writes' retries can fall into step with it: each purge then throws away the
    // start of the next reply. Programming would take a quarter of a second per row.
    {.name = "SecondPartAfterTheTimeout",
     .faults = faults([](sim::Faults& f) { f.splitPauseMs = static_cast<int>(T.count()) + 60; }),
     .late = true, .reading = Expect::Fail, .writes = Expect::Either, .axes = Expect::Either,
     .firmware = std::nullopt},
    {.name = "LateReply",
     .faults = faults([](sim::Faults& f) { f.replyDelayMs = static_cast<int>(T.count()) + 100; }),
     .late = true, .connect = Expect::Either, .reading = Expect::Either,
     .writes = Expect::Either, .axes = Expect::Either, .firmware = std::nullopt},
    {.name = "PacedLine", .faults = faults([](sim::Faults& f) { f.paced38400 = true; })},
};

const char* phaseName(Phase p) {
    switch (p) {
    case Phase::Connect: return "Connect";
    case Phase::Reading: return "Reading";
    case Phase::SettingsAndMap: return "SettingsAndMap";
    case Phase::Axes: return "Axes";
    case Phase::Firmware: return "Firmware";
    }
    return "?";
}

// Test names in CTest's listing.
void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }
void PrintTo(Phase p, std::ostream* os) { *os << phaseName(p); }

using Cell = std::tuple<FaultCase, Phase>;

std::vector<Cell> allCells() {
    std::vector<Cell> cells;
    for (const FaultCase& f : kFaults)
        for (Phase p : {Phase::Connect, Phase::Reading, Phase::SettingsAndMap, Phase::Axes,
                        Phase::Firmware})
            if (p != Phase::Firmware || f.firmware) cells.emplace_back(f, p);
    return cells;
}

void expectOutcome(Expect expected, bool allOk, bool allFailed, const char* what) {
    if (expected == Expect::Ok) {
        EXPECT_TRUE(allOk) << what << " should have succeeded";
    } else if (expected == Expect::Fail) {
        EXPECT_TRUE(allFailed) << what << " should have failed";
    }
}

// Worst case of one exchange: a header read and a body read in two parts.
constexpr auto kWorstExchange = 2 * (T + 260ms) + 50ms;
constexpr auto kSlack = 1000ms; // a busy machine

class FaultMatrix : public ::testing::TestWithParam<Cell> {
protected:
    void SetUp() override {
        CDiagInputThread::resetFailureCounter();
        baseline = threadCount();
        ASSERT_TRUE(rig.connectCleanly());
        rig.boxes.clear();
    }
    void TearDown() override { CDiagInputThread::resetFailureCounter(); }

    const FaultCase& fault() const { return std::get<0>(GetParam()); }

    bool cablePulled() {
        return rig.host.withUnit([](sim::CSimUnit& u) { return u.isUnplugged(); });
    }
    void applyFault() {
        if (fault().bootloader) rig.host.startInBootloader();
        rig.host.setFaults(fault().faults);
    }
    // With the reading thread running, the cable comes out after its second reading.
    void waitForTheCable() {
        if (fault().faults.silentAfterReadings > 0) {
            ASSERT_TRUE(waitFor([&] { return cablePulled(); }));
        }
    }
    // What a reported write says about the unit. A reply that comes after the time-out
    // can be taken for the answer to the next request: the unit has not been asked yet
    // when the tool hears "done", and nothing in a reply says which request it answers.
    // Then the claim can only hold once the unit has answered everything.
    void claim(std::function<void()> check) {
        if (fault().late) deferred.push_back(std::move(check));
        else check();
    }
    // Boxes about reads that failed on a connection that stands.
    int complaints() {
        return rig.boxes.count(L"Nie powiodło się wczytanie ustawień urządzenia!") +
               rig.boxes.count(L"Nie powiodło się odczytanie wersji urządzenia!");
    }
    bool complained() { return complaints() > 0; }

    void connectPhase();
    void readingPhase();
    void settingsAndMapPhase();
    void axesPhase();
    void firmwarePhase();

    UnitRig rig;
    int baseline = 0;
    std::vector<std::function<void()>> deferred;
};

void FaultMatrix::connectPhase() {
    // The unit changes while the host is not looking, so stale values cannot pass for fresh ones.
    rig.host.withUnit([](sim::CSimUnit& u) {
        sim::SimState& s = u.state();
        s.version = 0x0102;
        s.rpmDivider = static_cast<std::uint8_t>(s.rpmDivider + 5);
        s.noiseDelta ^= 0x40;
        s.noisePeriod = static_cast<std::uint16_t>(s.noisePeriod + 250);
        for (auto& b : s.map) b = static_cast<std::uint8_t>(b + 3);
        for (auto& w : s.voltWords) w = static_cast<std::int16_t>(w + 2);
        for (auto& b : s.rpmBytes) b = static_cast<std::uint8_t>(b + 1);
    });
    ASSERT_NE(stateDifferences(rig.device.state(), rig.unitState()), "");
    applyFault();
    for (int i = 0; i < 2 && fault().faults.silentAfterReadings > 0; ++i) {
        CDiag sample;
        rig.device.readDiag(sample);
    }
    if (fault().faults.silentAfterReadings > 0) {
        ASSERT_TRUE(cablePulled());
    }

    const bool connected = rig.reconnect();
    EXPECT_EQ(connected, rig.device.isConnected());
    // Connected without a word of complaint: everything shown came from the unit.
    if (connected && !complained()) {
        EXPECT_EQ(stateDifferences(rig.device.state(), rig.unitState()), "");
    }
    if (connected && fault().connect == Expect::Ok) {
        EXPECT_EQ(complaints(), fault().complaints);
    }
    expectOutcome(fault().connect, connected, !connected, "the connection");
}

void FaultMatrix::readingPhase() {
    applyFault();
    rig.owner.clear();
    const unsigned before = rig.host.state().requests;
    rig.device.startReading();
    const auto lost = [&] { return rig.owner.wasSet(kReconnectTimer, 1000); };
    waitFor([&] { return lost() || rig.host.state().requests >= before + 12; });
    if (lost()) {
        EXPECT_FALSE(rig.device.isConnected());
        EXPECT_EQ(rig.device.samples().count(), 0);
        // The thread gave up and ended by itself.
        EXPECT_TRUE(waitFor([&] { return threadCount() == baseline; }, 2000ms))
            << threadCount() << " threads, " << baseline << " before";
    } else {
        EXPECT_TRUE(rig.device.isConnected());
        // Failed reads cost no sequence numbers.
        std::vector<CDiag> samples;
        rig.device.samples().copyRange(samples, 0, rig.device.samples().count());
        for (std::size_t i = 0; i < samples.size(); ++i)
            ASSERT_EQ(samples[i].sequence, i + 1) << "sample " << i;
        if (fault().reading == Expect::Ok) {
            EXPECT_FALSE(samples.empty());
        }
    }
    expectOutcome(fault().reading, !lost(), lost(), "reading");
}

void FaultMatrix::settingsAndMapPhase() {
    rig.device.startReading(); // the operator edits while readings come in
    applyFault();
    waitForTheCable();
    DeviceState& d = rig.device.state();
    sim::SimState unit = rig.host.state();
    auto encodedMap = [&] {
        std::array<std::uint8_t, sim::kMapBytes> bytes{};
        for (int v = 0; v < kVoltRows; ++v)
            for (int r = 0; r < kRpmCols; ++r)
                bytes[static_cast<std::size_t>(v * kRpmCols + r)] = mapByteFromValue(d.map[v][r]);
        return bytes;
    };
    auto shiftMap = [&](int by) {
        for (int v = 0; v < kVoltRows; ++v)
            for (int r = 0; r < kRpmCols; ++r)
                d.map[v][r] = mapValueFromByte(static_cast<std::uint8_t>(
                    unit.map[static_cast<std::size_t>(v * kRpmCols + r)] + by));
    };

    d.rpmDivider = static_cast<std::uint8_t>(unit.rpmDivider + 3);
    d.noiseDelta = static_cast<std::uint8_t>(unit.noiseDelta + 7);
    d.noisePeriod = static_cast<std::uint16_t>(unit.noisePeriod + 100);
    shiftMap(9);
    const bool settingsOk = rig.device.writeSettings();
    if (settingsOk) {
        claim([this, sent = d] {
            const sim::SimState u = rig.host.state();
            EXPECT_EQ(u.rpmDivider, sent.rpmDivider);
            EXPECT_EQ(u.noiseDelta, sent.noiseDelta);
            EXPECT_EQ(u.noisePeriod, sent.noisePeriod);
        });
    }

    // The map and the area correction leave a state that later writes replace, so
    // only replies in time can be held to them.
    shiftMap(21);
    const bool mapOk = rig.device.writeMap();
    if (mapOk && !fault().late) {
        EXPECT_EQ(rig.host.state().map, encodedMap());
    }

    const MapArea area{.firstVolt = 2, .firstRpm = 3, .voltCount = 3, .rpmCount = 4, .step = 0.1};
    auto expectedMap = rig.host.state().map;
    for (int v = area.firstVolt; v < area.firstVolt + area.voltCount; ++v)
        for (int r = area.firstRpm; r < area.firstRpm + area.rpmCount; ++r) {
            auto& b = expectedMap[static_cast<std::size_t>(v * kRpmCols + r)];
            b = static_cast<std::uint8_t>(std::min(255, b + 5));
        }
    const bool areaOk = rig.device.correctMapArea(encodeMapArea(area));
    if (areaOk && !fault().late) {
        EXPECT_EQ(rig.host.state().map, expectedMap);
    }

    const unsigned stores = rig.host.state().mapStores;
    const bool storeOk = rig.device.storeMap();
    if (storeOk) {
        if (!fault().late) {
            EXPECT_EQ(rig.host.state().storedMap, rig.host.state().map);
        }
        claim([this, stores] { EXPECT_GT(rig.host.state().mapStores, stores) << "no map stored"; });
    }

    const bool clearOk = rig.device.clearMap();
    if (clearOk) {
        claim([this] { EXPECT_EQ(rig.host.state().map, (std::array<std::uint8_t, sim::kMapBytes>{})); });
    }

    expectOutcome(fault().writes, settingsOk && mapOk && storeOk && clearOk,
                  !settingsOk && !mapOk && !storeOk && !clearOk, "the settings and map writes");
    if (!fault().lossy) expectOutcome(fault().writes, areaOk, !areaOk, "the area correction");
}

void FaultMatrix::axesPhase() {
    rig.device.startReading();
    applyFault();
    waitForTheCable();
    DeviceState& d = rig.device.state();
    const sim::SimState before = rig.host.state();
    for (int v = 0; v < kVoltRows; ++v)
        d.voltAxis[v] = voltsFromWord(static_cast<std::int16_t>(before.voltWords[static_cast<std::size_t>(v)] + 7));
    for (int r = 0; r < kRpmCols; ++r)
        d.rpmAxis[r] = rpmFromAxisByte(static_cast<std::uint8_t>(before.rpmBytes[static_cast<std::size_t>(r)] + 1));

    const bool ok = rig.device.writeAxes();
    if (ok) {
        claim([this, sent = d] {
            const sim::SimState unit = rig.host.state();
            for (int v = 0; v < kVoltRows; ++v)
                EXPECT_EQ(unit.voltWords[static_cast<std::size_t>(v)], axisWordFromVolts(sent.voltAxis[v])) << v;
            for (int r = 0; r < kRpmCols; ++r)
                EXPECT_EQ(unit.rpmBytes[static_cast<std::size_t>(r)], axisByteFromRpm(sent.rpmAxis[r])) << r;
        });
    }
    expectOutcome(fault().axes, ok, !ok, "the axis write");
}

void FaultMatrix::firmwarePhase() {
    rig.device.startReading();
    applyFault();
    waitForTheCable();
    const bool result = rig.update.OnClickedBtnDeviceUpdate(false);
    const Outcome outcome = rig.update.lastOutcome();
    EXPECT_EQ(static_cast<int>(outcome), static_cast<int>(*fault().firmware));
    const sim::SimState unit = rig.host.state();
    const unsigned rows = (UnitRig::kImageBytes + 255) / 256;
    if (result) {
        EXPECT_EQ(flashDifferences(unit, rig.image, rows), "");
    }
    if (outcome == Outcome::Programmed) {
        EXPECT_EQ(unit.mode, sim::Mode::Application);
        EXPECT_EQ(unit.version, UnitRig::kFileVersion);
        EXPECT_TRUE(rig.device.isConnected());
        EXPECT_TRUE(rig.device.isRunning());
    }
    if (!result) {
        EXPECT_EQ(rig.boxes.count(L"Nie powiodło się zaprogramowanie urządzenia!"), 1);
    }
    EXPECT_EQ(rig.dialog.busyCalls, (std::vector<bool>{true, false}));
}

TEST_P(FaultMatrix, HoldsItsPromises) {
    const Phase phase = std::get<1>(GetParam());
    const unsigned exchangesBefore = rig.link.exchanges();
    const auto start = Clock::now();
    switch (phase) {
    case Phase::Connect: connectPhase(); break;
    case Phase::Reading: readingPhase(); break;
    case Phase::SettingsAndMap: settingsAndMapPhase(); break;
    case Phase::Axes: axesPhase(); break;
    case Phase::Firmware: firmwarePhase(); break;
    }
    const auto stopStart = Clock::now();
    rig.device.stopReading();
    const auto stopTook = Clock::now() - stopStart;
    EXPECT_LE(stopTook, CDiagInputThread::kDefaultPeriod + kWorstExchange + kSlack);
    // Reading waits for one exchange at a time, so the whole phase is bounded by its exchanges.
    const auto took = Clock::now() - start;
    const unsigned exchanges = rig.link.exchanges() - exchangesBefore;
    EXPECT_LE(took, exchanges * (kWorstExchange + CDiagInputThread::kDefaultPeriod) + kSlack)
        << exchanges << " exchanges";
    EXPECT_LE(rig.link.worstOverrun(), 250ms) << "a read ran past its time-out";

    // The fault goes away (the cable back in, the line clean) and the tool reconnects
    // as its reconnect timer would.
    rig.host.setFaults({});
    // A slow unit still answers the requests that queued up meanwhile; one of those
    // replies could pass for the answer to the identification. The reconnect timer
    // keeps trying until the line is quiet; here the test waits for that.
    if (fault().faults.replyDelayMs + fault().faults.splitPauseMs > 0) {
        std::uint8_t stale[256];
        const auto end = Clock::now() + 20s;
        while (rig.device.port().read(stale, sizeof stale) > 0 && Clock::now() < end) {
        }
    }
    for (const auto& check : deferred) check();
    rig.boxes.clear();
    ASSERT_TRUE(rig.reconnect());
    EXPECT_FALSE(complained());
    EXPECT_EQ(stateDifferences(rig.device.state(), rig.unitState()), "");
    EXPECT_EQ(rig.host.state().mode, sim::Mode::Application);

    rig.device.stopReading();
    EXPECT_TRUE(waitFor([&] { return threadCount() == baseline; }, 2000ms))
        << threadCount() << " threads, " << baseline << " before";
}

INSTANTIATE_TEST_SUITE_P(FaultByPhase, FaultMatrix, ::testing::ValuesIn(allCells()),
                         [](const ::testing::TestParamInfo<Cell>& info) {
                             return std::string(std::get<0>(info.param).name) + "_" +
                                    phaseName(std::get<1>(info.param));
                         });

} // namespace
} // namespace velmora::faults
