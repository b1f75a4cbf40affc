// SPDX-License-Identifier: GPL-3.0-or-later
// Jobs on several threads writing to std::cout and std::cerr at once: each unit
// keeps its own lines, and the run's status is the worst unit's.

#include "line/unit_run.h"

#include <gtest/gtest.h>

#include <iostream>
#include <stdexcept>

namespace velmora::line {
namespace {

TEST(UnitRun, EachUnitKeepsItsOwnLinesWhileAllWriteAtOnce) {
    std::vector<UnitResult> results;
    {
        OutputCapture capture;
        results = runOnPorts({"A", "B", "C", "D"}, [](const std::string& port) {
            if (port == "D") throw std::runtime_error("broken");
            noteUnitConnected("ignored: the port was named");
            noteUnitVersionBefore(0x0103);
            for (int i = 0; i < 300; ++i) {
                std::cout << port << " line " << i << '\n';
                if (i % 50 == 0) std::cerr << "note " << port << std::endl;
            }
            std::cerr << "\rprogress 1\rprogress 2\r" << std::flush; // rewritten in place: not kept
            std::cerr << "\rdone " << port << '\n';
            noteUnitVersionAfter(0x0104);
            unitData()->set("port", port);
            return port == "A" ? kExitOk : port == "B" ? kExitDiffers : kExitFailure;
        }, LiveEcho{false, false});
    }
    ASSERT_EQ(results.size(), 4u);
    for (std::size_t u = 0; u < 3; ++u) {
        const UnitResult& r = results[u];
        SCOPED_TRACE(r.port);
        ASSERT_EQ(r.output.size(), 300u);
        for (int i = 0; i < 300; ++i) EXPECT_EQ(r.output[static_cast<std::size_t>(i)], r.port + " line " + std::to_string(i));
        ASSERT_EQ(r.messages.size(), 7u);
        EXPECT_EQ(r.messages.back(), "done " + r.port);
        EXPECT_EQ(r.port.size(), 1u);
        EXPECT_TRUE(r.connected);
        EXPECT_EQ(r.versionBefore, 0x0103);
        EXPECT_EQ(r.versionAfter, 0x0104);
        EXPECT_EQ(r.data["port"].asText(), r.port);
    }
    EXPECT_EQ(results[1].errorCode, "differs");
    EXPECT_EQ(results[2].errorCode, "failed");
    EXPECT_EQ(results[2].errorMessage, "done C");
    EXPECT_EQ(results[3].exitCode, kExitFailure); // an escaping exception fails that unit only
    EXPECT_EQ(results[3].errorCode, "no_unit");
    EXPECT_EQ(results[3].errorMessage, "unexpected error: broken");

    const std::string table = summaryTable(results);
    EXPECT_NE(table.find("A     ok        0x0103 -> 0x0104"), std::string::npos) << table;
    EXPECT_NE(table.find("D     no_unit   -"), std::string::npos) << table;
    const Json json = toJson(results);
    EXPECT_EQ(json.size(), 4u);
    EXPECT_TRUE(json.at(0)["error"].isNull());
    EXPECT_EQ(json.at(3)["error"]["code"].asText(), "no_unit");
}

TEST(UnitRun, TheWorstStatusWins) {
    struct Case { std::vector<int> codes; int worst; };
    for (const Case& c : std::initializer_list<Case>{
             {{0, 0}, 0}, {{0, 4}, 4}, {{4, 1}, 1}, {{1, 3}, 3}, {{3, 2}, 2}, {{2, 4, 1, 0}, 2}, {{}, 0}}) {
        std::vector<UnitResult> results;
        for (int code : c.codes) {
            results.emplace_back();
            results.back().exitCode = code;
        }
        EXPECT_EQ(worstExitCode(results), c.worst);
    }
}

} // namespace
} // namespace velmora::line
