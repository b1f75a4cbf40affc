// SPDX-License-Identifier: GPL-3.0-or-later
// A station serving simulated units: the whole sequence, a unit found in its
// bootloader, a unit of another type, an empty port, and units one after another.

#include "line/station.h"

#include "mapfile/snapshot.h"
#include "sim/firmware_builder.h"
#include "sim/sim_host.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace velmora::line {
namespace {

namespace fs = std::filesystem;

class StationTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("velmora-station-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        sim::FirmwareRecipe recipe;
        recipe.version = 0x0105;
        recipe.image = sim::sampleFirmwareImage(recipe.version);
        const auto bytes = sim::buildFirmwareFile(recipe);
        std::ofstream(dir / "fw.afm", std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }
    // Firmware 0x0105, a restore of a map and settings unlike the unit's, then noise-delta=7.
    StationPlan fullPlan() const {
        StationPlan plan;
        plan.firmware = dir / "fw.afm";
        plan.firmwareVersion = 0x0105;
        mapfile::Snapshot wanted;
        wanted.deviceType = 0x11;
        wanted.rpmDivider = 4;
        wanted.noiseDelta = 30;
        wanted.noisePeriod = 900;
        for (int v = 0; v < kVoltRows; ++v) {
            wanted.voltAxis[static_cast<std::size_t>(v)] = 0.96 + 0.9 * v;
            for (int r = 0; r < kRpmCols; ++r) wanted.map[static_cast<std::size_t>(v)][static_cast<std::size_t>(r)] = 0.02 * (v + r);
        }
        for (int r = 0; r < kRpmCols; ++r) wanted.rpmAxis[static_cast<std::size_t>(r)] = 600 + 300 * r;
        plan.restore = wanted;
        std::string error;
        SettingChange change;
        EXPECT_TRUE(parseSettingChange("noise-delta=7", change, error));
        plan.settings.push_back(change);
        return plan;
    }
    static std::vector<std::string> stepNames(const StationRecord& r) {
        std::vector<std::string> names;
        for (const auto& s : r.steps) names.push_back(s.name + (s.ok ? "" : "!"));
        return names;
    }

    fs::path dir;
};

TEST_F(StationTest, AUnitIsProgrammedRestoredSetAndCheckedInThatOrder) {
    sim::CSimHost host;
    host.start();
    std::vector<std::string> said;
    const StationRecord r = serveUnit(host.path(), fullPlan(), [&](const std::string& t) { said.push_back(t); });
    EXPECT_TRUE(r.pass) << r.reason;
    EXPECT_EQ(stepNames(r), (std::vector<std::string>{"connect", "programme", "restore", "settings", "verify"}));
    EXPECT_EQ(r.versionBefore, 0x0103);
    EXPECT_EQ(r.versionAfter, 0x0105);
    const sim::SimState s = host.state();
    EXPECT_EQ(s.version, 0x0105);
    EXPECT_EQ(s.rpmDivider, 4);
    EXPECT_EQ(s.noiseDelta, 7); // the setting after the restore wins
    EXPECT_EQ(s.noisePeriod, 900);
    EXPECT_EQ(s.storedMap, s.map); // restored map kept over a power cycle
    EXPECT_EQ(s.rpmBytes[1], 9);
    EXPECT_FALSE(said.empty()); // programming progress reaches the console

    const Json j = toJson(r);
    EXPECT_EQ(j["result"].asText(), "PASS");
    EXPECT_EQ(j["version_before"].asText(), "0x0103");
    EXPECT_EQ(j["steps"].size(), 5u);
}

TEST_F(StationTest, UnitsThatCannotBeServedFailWithoutAWrite) {
    struct Case {
        const char* name;
        void (*prepare)(sim::CSimHost&);
        bool withFirmware;
        bool pass;
        bool unitFound;
        const char* reason; // part of it
    };
    const Case cases[] = {
        {"bootloader, programmed to the end", [](sim::CSimHost& h) { h.startInBootloader(); }, true, true, true, ""},
        {"bootloader, no firmware", [](sim::CSimHost& h) { h.startInBootloader(); }, false, false, true, "bootloader"},
        {"another type", [](sim::CSimHost& h) { h.withUnit([](sim::CSimUnit& u) { u.state().deviceType = 0x22; return 0; }); },
         true, false, true, "another type"},
        {"nothing answers", [](sim::CSimHost& h) { sim::Faults f; f.dropEvery = 1; h.setFaults(f); }, true, false, false, "no answer"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim::CSimHost host;
        c.prepare(host);
        host.start();
        const sim::SimState before = host.state();
        StationPlan plan = fullPlan();
        if (!c.withFirmware) plan.firmware.clear();
        const StationRecord r = serveUnit(host.path(), plan, {});
        EXPECT_EQ(r.pass, c.pass) << r.reason;
        EXPECT_EQ(r.unitFound, c.unitFound);
        EXPECT_NE(r.reason.find(c.reason), std::string::npos) << r.reason;
        const sim::SimState after = host.state();
        if (!c.pass) {
            EXPECT_EQ(after.map, before.map);
            EXPECT_EQ(after.noiseDelta, before.noiseDelta);
            EXPECT_TRUE(after.flashRows.empty());
        } else {
            EXPECT_EQ(after.version, 0x0105);
            EXPECT_FALSE(r.versionBefore); // it had none in its bootloader
            EXPECT_EQ(after.noiseDelta, 7);
        }
        if (c.unitFound) {
            EXPECT_TRUE(unitAnswers(host.path())) << "waiting for unplug needs any answer";
        }
    }
}

TEST_F(StationTest, AUnitPulledWhileBeingProgrammedFailsAndIsFinishedWhenPluggedBackIn) {
    StationPlan plan = fullPlan();
    StationRecord pulled;
    {
        auto host = std::make_unique<sim::CSimHost>();
        sim::Faults paced;
        paced.paced38400 = true; // programming takes seconds, as on the line
        host->setFaults(paced);
        host->start();
        const std::string port = host->path();
        std::thread serving([&] { pulled = serveUnit(port, plan, {}); });
        for (int i = 0; i < 400 && host->state().flashRows.size() < 3; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        host.reset(); // the terminal goes with it, as a USB adapter does
        serving.join();
    }
    EXPECT_FALSE(pulled.pass);
    EXPECT_EQ(pulled.reason.substr(0, 10), "programme:") << pulled.reason;
    EXPECT_FALSE(pulled.versionAfter);

    sim::CSimHost again; // its application erased: it starts in the bootloader
    again.startInBootloader();
    again.start();
    const StationRecord finished = serveUnit(again.path(), plan, {});
    EXPECT_TRUE(finished.pass) << finished.reason;
    EXPECT_EQ(again.state().version, 0x0105);
}

TEST_F(StationTest, ThreeUnitsOnOnePortAreServedOneAfterAnother) {
    const std::string link = (dir / "unit0").string();
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<StationRecord> seen;
    Station::Hooks hooks;
    hooks.ports = [&] { return expandPattern((dir / "unit*").string()); };
    StationPlan plan;
    std::string error;
    SettingChange change;
    ASSERT_TRUE(parseSettingChange("rpm-divider=9", change, error));
    plan.settings.push_back(change);
    hooks.serve = [&](const std::string& port) { return serveUnit(port, plan, {}); };
    hooks.answers = unitAnswers;
    hooks.finished = [&](const StationRecord& r) {
        std::lock_guard lock(mutex);
        seen.push_back(r);
        changed.notify_all();
    };
    std::vector<StationRecord> records;
    std::thread station([&] { records = Station(hooks, std::chrono::milliseconds(50)).run(3, [] { return false; }); });
    for (unsigned n = 1; n <= 3; ++n) {
        if (n > 1) std::this_thread::sleep_for(std::chrono::milliseconds(1200)); // unplugged a while
        sim::CSimHost host(link);
        host.start();
        std::unique_lock lock(mutex);
        ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(20), [&] { return seen.size() >= n; }));
        lock.unlock();
        // Still plugged: not served a second time.
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        EXPECT_EQ(seen.size(), n);
        EXPECT_EQ(host.state().rpmDivider, 9);
    } // unplugged here
    station.join();
    ASSERT_EQ(records.size(), 3u);
    for (const auto& r : records) {
        EXPECT_TRUE(r.pass) << r.reason;
        EXPECT_EQ(r.port, link);
    }
}

} // namespace
} // namespace velmora::line
