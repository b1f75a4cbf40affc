// SPDX-License-Identifier: GPL-3.0-or-later
// velmora-cli monitor as a process, against a simulated unit served from this test.

#include "process.h"

#include "acquisition/diag.h"
#include "sim/engine.h"
#include "sim/sim_host.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sstream>

namespace velmora::test {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> monitor(std::vector<std::string> args) {
    args.insert(args.begin(), {VELMORA_CLI_PATH, "monitor"});
    return args;
}

class Monitor : public ::testing::Test {
protected:
    void SetUp() override {
        // The remembered port goes to a settings file of the test's own.
        dir = fs::temp_directory_path() / ("velmora-monitor-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        ::setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }

    // The next CSV line, skipping nothing: the monitor prints only CSV on stdout.
    static std::string sampleLine(ChildProcess& p) {
        const auto line = p.readLine(5000);
        return line ? *line : std::string("<nothing within 5 s>");
    }

    fs::path dir;
};

const std::regex kCsv(R"(^(\d+),\d+,-?\d+\.\d\d,-?\d+\.\d\d,-?\d+\.\d\d,(on|off)$)");

TEST_F(Monitor, PrintsAHeaderThenCountedSamplesNumberedFromOne) {
    sim::CSimHost host;
    host.setClock([] { return std::int64_t{6000}; }); // the engine holds still at 6 s
    host.start();
    CDiag reading;
    reading.fillFromReply(sim::encodeReading(sim::engineAt(6.0)));
    char values[128];
    std::snprintf(values, sizeof values, "%.0f,%.2f,%.2f,%.2f,%s", rpmFromPeriod(reading.rpmPeriod),
                  inputVolts(reading), pumpVolts(reading), outputVolts(reading),
                  workStateOn(reading) ? "on" : "off");

    ChildProcess p(monitor({"--port", host.slavePath(), "--count", "6"}));
    ASSERT_EQ(p.finish(15000), 0) << p.err();

    std::istringstream out(p.out());
    std::string line;
    std::getline(out, line);
    EXPECT_EQ(line, "seq,rpm,input_v,pump_v,output_v,work_state");
    int expected = 1;
    while (std::getline(out, line)) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(line, m, kCsv)) << line;
        EXPECT_EQ(std::stoi(m[1]), expected++);
        EXPECT_EQ(line.substr(line.find(',') + 1), values);
    }
    EXPECT_EQ(expected, 7) << "exactly --count samples";
    EXPECT_TRUE(p.err().empty()) << p.err();
}

TEST_F(Monitor, TimestampsAddALeadingLocalTimeAndKeepTheColumns) {
    sim::CSimHost host;
    host.start();
    ChildProcess p(monitor({"--port", host.slavePath(), "--count", "2", "--timestamps"}));
    ASSERT_EQ(p.finish(15000), 0) << p.err();
    std::istringstream out(p.out());
    std::string line;
    std::getline(out, line);
    EXPECT_EQ(line, "time,seq,rpm,input_v,pump_v,output_v,work_state");
    const std::regex stamp(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d,)");
    int rows = 0;
    while (std::getline(out, line)) {
        std::smatch m;
        ASSERT_TRUE(std::regex_search(line, m, stamp)) << line;
        EXPECT_TRUE(std::regex_match(line.substr(m.length()), kCsv)) << line;
        ++rows;
    }
    EXPECT_EQ(rows, 2);
}

TEST_F(Monitor, BadArgumentsAndAMissingUnitFail) {
    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"--count", "0"}, {"--count", "many"}, {"extra"}}) {
        ChildProcess p(monitor(bad));
        EXPECT_EQ(p.finish(), 2) << ::testing::PrintToString(bad);
    }
    ChildProcess missing(monitor({"--port", (dir / "no-such-port").string()}));
    EXPECT_EQ(missing.finish(), 1);
    EXPECT_TRUE(missing.out().empty()) << "no header without a unit";
}

TEST_F(Monitor, ALostLinkEndsWithStatusOne) {
    auto host = std::make_unique<sim::CSimHost>();
    host->start();
    ChildProcess p(monitor({"--port", host->slavePath()}));
    sampleLine(p); // header
    EXPECT_TRUE(std::regex_match(sampleLine(p), kCsv));
    host.reset(); // cable pulled for good
    EXPECT_EQ(p.finish(10000), 1);
    EXPECT_NE(p.err().find("connection lost"), std::string::npos) << p.err();
}

TEST_F(Monitor, WithReconnectItFindsTheUnitAgainAndEndsCleanlyOnCtrlC) {
    const std::string link = (dir / "ttyEMU").string();
    auto host = std::make_unique<sim::CSimHost>(link);
    host->start();
    ChildProcess p(monitor({"--port", link, "--reconnect"}));
    sampleLine(p); // header
    ASSERT_TRUE(std::regex_match(sampleLine(p), kCsv));

    host.reset();
    host = std::make_unique<sim::CSimHost>(link); // plugged in again: a new terminal
    host->start();

    // The new reading thread numbers from 1 again.
    std::smatch m;
    std::string line;
    do {
        line = sampleLine(p);
        ASSERT_TRUE(std::regex_match(line, m, kCsv)) << line;
    } while (m[1] != "1");
    line = sampleLine(p);
    ASSERT_TRUE(std::regex_match(line, m, kCsv)) << line;
    EXPECT_EQ(m[1], "2");

    p.signal(SIGINT);
    EXPECT_EQ(p.finish(5000), 0);
    EXPECT_NE(p.err().find("reconnected"), std::string::npos) << p.err();
}

} // namespace
} // namespace velmora::test
