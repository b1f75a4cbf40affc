// SPDX-License-Identifier: GPL-3.0-or-later
// Several units in one run, --json and the station, as velmora-cli processes against
// simulated units served from this test.

#include "process.h"

#include "line/json.h"
#include "sim/sim_host.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace velmora::test {
namespace {

namespace fs = std::filesystem;
using line::Json;

class LineCommands : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("velmora-line-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        ::setenv("VELMORA_SETTINGS_FILE", (dir / "settings.ini").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
        for (auto& h : hosts) h.start();
        sim::Faults silent;
        silent.dropEvery = 1; // opens like a port, never answers
        hosts[2].setFaults(silent);
        hosts[4].setFaults(silent);
    }
    void TearDown() override {
        for (auto& h : hosts) h.stop();
        ::unsetenv("VELMORA_SETTINGS_FILE");
        ::unsetenv("XDG_DATA_HOME");
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }
    int run(std::vector<std::string> args, int timeoutMs = 30000) {
        args.insert(args.begin(), VELMORA_CLI_PATH);
        ChildProcess p(args);
        const int status = p.finish(timeoutMs);
        out = p.out();
        err = p.err();
        return status;
    }

    fs::path dir;
    sim::CSimHost hosts[5]; // [2] and [4] are silent
    std::string out, err;
};

TEST_F(LineCommands, EveryUnitIsSetAtOnceAndTheSummaryListsEach) {
    const std::string a = hosts[0].path(), b = hosts[1].path(), d = hosts[3].path();
    ASSERT_EQ(run({"set", "noise-delta", "7", "--port", a, "--port", b, "--port=" + d}), 0) << out << err;
    for (int i : {0, 1, 3}) EXPECT_EQ(hosts[i].state().noiseDelta, 7) << i;
    for (const std::string& p : {a, b, d}) {
        EXPECT_NE(out.find(p + ": noise-delta: 7"), std::string::npos) << out; // the unit's own line, prefixed
        EXPECT_NE(out.find("\n" + p + " "), std::string::npos) << out; // its summary row...
        const std::string row = out.substr(out.find("\n" + p + " ") + 1);
        EXPECT_EQ(row.substr(row.find_first_not_of(' ', p.size()), 3), "ok ") << row; // ...says ok
    }
    EXPECT_NE(out.find("port"), std::string::npos);

    // A port named twice is refused before any unit is touched.
    EXPECT_EQ(run({"set", "noise-delta", "9", "--port", a, "--port", a}), 2);
    EXPECT_NE(err.find("named twice"), std::string::npos) << err;
    EXPECT_EQ(hosts[0].state().noiseDelta, 7);
}

TEST_F(LineCommands, ASilentPortFailsAloneAndTheJsonSaysWhich) {
    const std::string a = hosts[0].path(), silent = hosts[2].path(), b = hosts[1].path();
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(run({"info", "--json", "--port", a, "--port", silent, "--port", b, "--port", hosts[4].path()}), 1)
        << err;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    Json all;
    ASSERT_TRUE(Json::parse(out, all)) << out;
    ASSERT_EQ(all.kind(), Json::Kind::Array);
    ASSERT_EQ(all.size(), 4u);
    // Two silent ports wait out their time-outs side by side, not one after the other.
    EXPECT_LT(wall, 1.5 * all.at(1)["seconds"].asNumber());
    EXPECT_EQ(all.at(3)["error"]["code"].asText(), "no_unit");
    for (std::size_t i : {0u, 2u}) {
        const Json& u = all.at(i);
        EXPECT_EQ(u["port"].asText(), i == 0 ? a : b);
        EXPECT_TRUE(u["ok"].asBool());
        EXPECT_EQ(u["exit_code"].asInteger(), 0);
        EXPECT_TRUE(u["error"].isNull());
        EXPECT_EQ(u["version_before"].asText(), "0x0103");
        EXPECT_EQ(u["version_after"].asText(), "0x0103");
        EXPECT_EQ(u["data"]["version"].asText(), "0x0103");
        EXPECT_EQ(u["data"]["noise_delta"].asInteger(), 12);
        EXPECT_TRUE(u["data"]["readings"].asBool());
        EXPECT_EQ(u["output"].kind(), Json::Kind::Array);
        // The silent port's time-outs did not hold the others up.
        EXPECT_LT(u["seconds"].asNumber(), all.at(1)["seconds"].asNumber());
    }
    const Json& s = all.at(1);
    EXPECT_EQ(s["port"].asText(), silent);
    EXPECT_FALSE(s["ok"].asBool());
    EXPECT_EQ(s["exit_code"].asInteger(), 1);
    EXPECT_EQ(s["error"]["code"].asText(), "no_unit");
    EXPECT_FALSE(s["error"]["message"].asText().empty());
    EXPECT_TRUE(s["version_before"].isNull());
    EXPECT_TRUE(s["data"].isNull());
    // People watching still see each unit's messages, prefixed.
    EXPECT_NE(err.find(silent + ": "), std::string::npos) << err;

    // One unit: one object; diff's differences as data.
    hosts[0].withUnit([](sim::CSimUnit& u) { u.state().noiseDelta = 40; return 0; });
    ASSERT_EQ(run({"backup", "--out", (dir / "b.txt").string(), "--port", a}), 0) << err;
    hosts[0].withUnit([](sim::CSimUnit& u) { u.state().noiseDelta = 41; return 0; });
    ASSERT_EQ(run({"diff", (dir / "b.txt").string(), "--json", "--port", a}), 4) << err;
    Json one;
    ASSERT_TRUE(Json::parse(out, one)) << out;
    EXPECT_EQ(one["error"]["code"].asText(), "differs");
    ASSERT_EQ(one["data"]["differences"].size(), 1u) << out;
    EXPECT_EQ(one["data"]["differences"].at(0)["unit"].asText(), "41");
    EXPECT_EQ(one["data"]["differences"].at(0)["file"].asText(), "40");
}

TEST_F(LineCommands, PortsMapAndMonitorSpeakJson) {
    const std::string a = hosts[0].path();
    ASSERT_EQ(run({"map", "--json", "--port", a}), 0) << err;
    Json map;
    ASSERT_TRUE(Json::parse(out, map)) << out;
    EXPECT_EQ(map["data"]["map"].size(), 16u);
    EXPECT_EQ(map["data"]["map"].at(0).size(), 15u);
    EXPECT_EQ(map["data"]["rpm_axis"].size(), 15u);

    ASSERT_EQ(run({"monitor", "--json", "--count", "3", "--port", a}), 0) << err;
    std::istringstream lines(out);
    std::string text;
    int n = 0;
    while (std::getline(lines, text)) {
        Json sample;
        ASSERT_TRUE(Json::parse(text, sample)) << text;
        EXPECT_EQ(sample["seq"].kind(), Json::Kind::Integer) << text;
        EXPECT_NE(sample["rpm"].kind(), Json::Kind::Null) << text;
        ++n;
    }
    EXPECT_EQ(n, 3) << out;

    const std::string firmware = (dir / "fw.afm").string();
    ASSERT_EQ(run({"make-firmware", firmware}), 0) << err;
    ASSERT_EQ(run({"firmware-info", "--json", firmware}), 0) << err;
    Json info;
    ASSERT_TRUE(Json::parse(out, info)) << out;
    EXPECT_TRUE(info["valid"].asBool());
    EXPECT_EQ(info["version"].asText(), "0x0104");

    ASSERT_EQ(run({"ports", "--json", "--port", a}), 0) << err;
    Json ports;
    ASSERT_TRUE(Json::parse(out, ports)) << out;
    ASSERT_GE(ports.size(), 1u);
    EXPECT_EQ(ports.at(0)["port"].asText(), a);
}

TEST_F(LineCommands, AStationServesThreeUnitsOneAfterAnotherAndLogsEach) {
    for (auto& h : hosts) h.stop();
    const fs::path log = dir / "station.jsonl";
    const std::string link = (dir / "unit-a").string();
    ChildProcess station({VELMORA_CLI_PATH, "station", "--port", (dir / "unit-*").string(), "--set",
                          "noise-delta=3", "--set", "rpm-divider=5", "--count", "3", "--log", log.string()});
    for (int n = 0; n < 3; ++n) {
        if (n) std::this_thread::sleep_for(std::chrono::milliseconds(1200)); // unplugged a while
        sim::CSimHost unit(link);
        unit.start();
        const auto line = station.readLine(30000);
        ASSERT_TRUE(line) << "unit " << n;
        EXPECT_NE(line->find("PASS"), std::string::npos) << *line;
        EXPECT_EQ(unit.state().noiseDelta, 3);
        EXPECT_EQ(unit.state().rpmDivider, 5);
    }
    ASSERT_EQ(station.finish(30000), 0) << station.out() << station.err();
    EXPECT_NE(station.out().find("3 units: 3 PASS, 0 FAIL"), std::string::npos) << station.out();

    std::ifstream in(log);
    std::string text;
    int records = 0;
    while (std::getline(in, text)) {
        Json r;
        ASSERT_TRUE(Json::parse(text, r)) << text;
        EXPECT_EQ(r["port"].asText(), link);
        EXPECT_EQ(r["result"].asText(), "PASS");
        EXPECT_EQ(r["version_before"].asText(), "0x0103");
        EXPECT_EQ(r["steps"].size(), 3u); // connect, settings, verify
        EXPECT_EQ(r["time"].asText().size(), 20u);
        ++records;
    }
    EXPECT_EQ(records, 3);

    // Nothing to do, or a backup that is not one: refused before any port is watched.
    EXPECT_EQ(run({"station", "--count", "1"}), 2);
    std::ofstream(dir / "not-a-backup.txt") << "hello\n";
    EXPECT_EQ(run({"station", "--restore", (dir / "not-a-backup.txt").string()}), 3);
    EXPECT_EQ(run({"station", "--flash", (dir / "missing.afm").string()}), 3);
}

} // namespace
} // namespace velmora::test
