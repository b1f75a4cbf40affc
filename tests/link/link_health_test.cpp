// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/link_health.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

using namespace std::chrono_literals;
using Outcome = ExchangeOutcome;

struct Step {
    int atMs;
    Outcome outcome;
    int rttMs;
};

struct HealthCase {
    const char* name;
    std::vector<Step> steps;
    int readings;       // spread over the last second before `atMs`
    int atMs;           // when the figures are taken
    unsigned exchanges;
    unsigned failures;
    double rttMs;
    bool poor;
};

class LinkHealthTable : public ::testing::TestWithParam<HealthCase> {};

TEST_P(LinkHealthTable, CountsTheLastMinute)
{
    const HealthCase& c = GetParam();
    CLinkHealth health;
    const auto t0 = CLinkHealth::Clock::time_point{} + 1h;
    for (const Step& s : c.steps)
        health.exchange(s.outcome, std::chrono::milliseconds(s.rttMs), t0 + std::chrono::milliseconds(s.atMs));
    for (int i = 0; i < c.readings; ++i)
        health.reading(t0 + std::chrono::milliseconds(c.atMs - 1000 + i * 1000 / std::max(1, c.readings)));
    const LinkHealthFigures f = health.figures(t0 + std::chrono::milliseconds(c.atMs));
    EXPECT_EQ(f.exchanges, c.exchanges);
    EXPECT_EQ(f.failures, c.failures);
    EXPECT_DOUBLE_EQ(f.roundTripMs, c.rttMs);
    EXPECT_EQ(f.poor, c.poor);
    if (c.readings > 0) {
        EXPECT_NEAR(f.readingsPerSecond, c.readings, 1.0);
    }
}

std::vector<Step> run(int count, Outcome every, int failEvery, Outcome failure, int rtt = 10)
{
    std::vector<Step> steps;
    for (int i = 1; i <= count; ++i)
        steps.push_back({i * 50, failEvery && i % failEvery == 0 ? failure : every, rtt});
    return steps;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LinkHealthTable,
    ::testing::Values(
        HealthCase{"Clean", run(100, Outcome::Ok, 0, Outcome::Ok), 18, 5000, 100, 0, 10.0, false},
        // Every third reply dropped: a third of the exchanges fail.
        HealthCase{"EveryThirdDropped", run(99, Outcome::Ok, 3, Outcome::NoReply), 12, 5000, 99, 33, 10.0, true},
        // 1 in 25 is 4 %: not poor yet; 1 in 15 is 6.7 %: poor.
        HealthCase{"FourPercent", run(100, Outcome::Ok, 25, Outcome::BadChecksum), 0, 5000, 100, 4, 10.0, false},
        HealthCase{"SixPercent", run(90, Outcome::Ok, 15, Outcome::BadChecksum), 0, 5000, 90, 6, 10.0, true},
        // A refusal comes on top of the good exchange that carried it.
        HealthCase{"Refusals", {{0, Outcome::Ok, 8}, {0, Outcome::Refused, 0}, {10, Outcome::Ok, 12}}, 0, 100, 2, 1, 10.0, false},
        // Too few exchanges to call the link poor, however bad.
        HealthCase{"TooFewToJudge", run(10, Outcome::NoReply, 0, Outcome::Ok), 0, 1000, 10, 10, 0.0, false},
        // Failures older than a minute no longer count.
        HealthCase{"OldFailuresForgotten",
                   [] {
                       auto s = run(40, Outcome::NoReply, 0, Outcome::Ok);
                       for (int i = 0; i < 40; ++i)
                           s.push_back({70000 + i * 50, Outcome::Ok, 20});
                       return s;
                   }(),
                   0, 72100, 40, 0, 20.0, false}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace velmora
