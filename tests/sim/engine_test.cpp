// SPDX-License-Identifier: GPL-3.0-or-later
// The live readings: a plausible engine, encoded so the host's own conversions
// give back what was simulated.

#include "sim/engine.h"

#include "acquisition/diag.h"

#include <gtest/gtest.h>

namespace velmora::sim {
namespace {

CDiag decode(const EngineSample& s) {
    const auto bytes = encodeReading(s);
    CDiag d;
    d.fillFromReply(bytes);
    return d;
}

TEST(Engine, SweepsFromIdleToPeakAndBackWithTheLoad) {
    double lowest = 1e9, highest = 0;
    for (double t = 0; t < kSweepSeconds; t += 0.1) {
        const EngineSample s = engineAt(t);
        lowest = std::min(lowest, s.rpm);
        highest = std::max(highest, s.rpm);
        EXPECT_GT(s.inputVolts, 12.5);
        EXPECT_LT(s.inputVolts, 14.5);
    }
    EXPECT_NEAR(lowest, kIdleRpm, 50);
    EXPECT_NEAR(highest, kPeakRpm, 50);
    const EngineSample idle = engineAt(0.2), peak = engineAt(kSweepSeconds / 2);
    EXPECT_GT(peak.pumpVolts, idle.pumpVolts + 8);
    EXPECT_GT(peak.outputVolts, idle.outputVolts + 2);
    // A full sweep later the engine is where it was.
    EXPECT_NEAR(engineAt(3.3).rpm, engineAt(3.3 + kSweepSeconds).rpm, 60);
}

TEST(Engine, WorkStateDropsOutBriefly) {
    int off = 0;
    for (int t = 0; t < 80; ++t) off += engineAt(t + 0.5).on ? 0 : 1;
    EXPECT_GT(off, 0);
    EXPECT_LT(off, 20);
}

TEST(Engine, EncodedReadingDecodesToTheSimulatedValues) {
    EngineSample s;
    s.rpm = 3210;
    s.pumpVolts = 7.5;
    s.inputVolts = 13.8;
    s.outputVolts = 3.25;
    s.on = true;
    const CDiag d = decode(s);
    EXPECT_NEAR(rpmFromPeriod(d.rpmPeriod), s.rpm, 10);
    EXPECT_NEAR(pumpVolts(d), s.pumpVolts, 0.015);
    EXPECT_NEAR(inputVolts(d), s.inputVolts, 0.005);
    EXPECT_NEAR(outputVolts(d), s.outputVolts, 0.005);
    EXPECT_TRUE(workStateOn(d));

    s.rpm = 7500;
    EXPECT_EQ(decode(s).rpmPeriod, 1000);
    s.rpm = 0; // stopped: the unit reports no period at all
    s.on = false;
    const CDiag stopped = decode(s);
    EXPECT_EQ(stopped.rpmPeriod, 0xFFFF);
    EXPECT_EQ(rpmFromPeriod(stopped.rpmPeriod), 0);
    EXPECT_FALSE(workStateOn(stopped));
}

} // namespace
} // namespace velmora::sim
