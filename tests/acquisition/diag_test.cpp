// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/diag.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace velmora {
namespace {

std::string fixed(double v, const char* format) {
    char text[32];
    std::snprintf(text, sizeof text, format, v);
    return text;
}

TEST(DiagRecord, DecodesReplyLittleEndianWithSignedPump) {
    const std::vector<std::uint8_t> reply = {
        0x4C, 0x1D,             // period 7500
        0x38, 0xFF,             // pump -200
        0x01, 0x00, 0x02, 0x00, // aux 1, 2
        0x03, 0x00, 0x04, 0x00, // aux 3, 4
        0xE8, 0x03,             // input 1000
        0xD0, 0x07,             // output 2000
        0x03,                   // work state on
        0xAB, 0xCD};            // checksum bytes that travel along
    CDiag d;
    d.sequence = 77;
    d.fillFromReply(reply);
    EXPECT_EQ(d.rpmPeriod, 7500);
    EXPECT_EQ(d.pumpRaw, -200);
    EXPECT_EQ(d.aux1, 1);
    EXPECT_EQ(d.aux4, 4);
    EXPECT_EQ(d.inputRaw, 1000);
    EXPECT_EQ(d.outputRaw, 2000);
    EXPECT_EQ(d.workState, 3);
    EXPECT_EQ(d.unused[0], 0xAB);
    EXPECT_EQ(d.unused[2], 0); // not in the reply: zero, not stale
    EXPECT_EQ(d.sequence, 77u);
}

TEST(DiagRecord, OverlongReplyNeverReachesTheSequenceNumber) {
    std::vector<std::uint8_t> reply(255, 0xEE);
    CDiag d;
    d.sequence = 5;
    d.fillFromReply(reply);
    EXPECT_EQ(d.sequence, 5u);
    EXPECT_EQ(d.workState, 0xEE);
}

TEST(DiagRecord, ShortReplyLeavesNothingOfThePreviousSample) {
    CDiag d;
    d.fillFromReply(std::vector<std::uint8_t>(20, 0xFF));
    d.fillFromReply(std::vector<std::uint8_t>{0x10, 0x27}); // period 10000, nothing else
    EXPECT_EQ(d.rpmPeriod, 10000);
    EXPECT_EQ(d.pumpRaw, 0);
    EXPECT_EQ(d.outputRaw, 0);
    EXPECT_EQ(d.workState, 0);
    d.fillFromReply({});
    EXPECT_EQ(d.rpmPeriod, 0);
}

TEST(DiagConversions, RpmFromPeriod) {
    EXPECT_EQ(rpmFromPeriod(7500), 1000.0);
    EXPECT_EQ(rpmFromPeriod(1000), 7500.0);
    EXPECT_EQ(rpmFromPeriod(0), 0.0);
    EXPECT_EQ(rpmFromPeriod(0xFFFF), 0.0);
    EXPECT_EQ(rpmFromPeriod(0xFFFE), 110.0);    // 114 -> 110
    EXPECT_EQ(rpmFromPeriod(32), 234380.0);     // 234375: the half goes up
    EXPECT_EQ(rpmFromPeriod(7), 1071430.0);     // 1071428 -> 1071430
    EXPECT_EQ(rpmFromPeriod(1), 7500000.0);
}

TEST(DiagConversions, VoltsAsTheReadingsShowThem) {
    CDiag d;
    d.pumpRaw = 1000;
    EXPECT_EQ(fixed(pumpVolts(d), "%.2f"), "15.00");
    d.pumpRaw = -200;
    EXPECT_EQ(fixed(pumpVolts(d), "%.2f"), "-3.00");
    d.pumpRaw = 1; // 0.005 V cut to millivolts, times 3
    EXPECT_NEAR(pumpVolts(d), 0.015, 1e-12);
    d.pumpRaw = -32768;
    EXPECT_NEAR(pumpVolts(d), -491.52, 1e-9);
    d.inputRaw = 1000;
    d.outputRaw = 2604;
    EXPECT_EQ(fixed(inputVolts(d), "%.2f"), "5.00");
    EXPECT_EQ(fixed(outputVolts(d), "%.2f"), "13.02");
}

} // namespace
} // namespace velmora
