// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/lpg_device.h"
#include "pty_peer.h"

#include <gtest/gtest.h>

#include <numeric>

using namespace velmora;
using namespace velmora::test;

namespace {

void attach(CLPGDevice& dev, const PtyPeer& peer, std::uint32_t timeoutMs = 80) {
    dev.port().open(peer.path());
    dev.port().setState(LineSettings{});
    dev.port().setTimeout(Timeouts{timeoutMs, 1});
}

void ackAll(const Request&, PtyPeer& p) { p.send(PtyPeer::ack()); }

std::uint32_t le32(const std::vector<std::uint8_t>& p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

} // namespace

TEST(ReadDiag, CopiesTheSampleAndKeepsTheSequenceNumber) {
    const std::vector<std::uint8_t> reading{0xE8, 0x03, 0x9C, 0xFF, 1, 0, 2, 0, 3, 0,
                                            4,    0,    0x10, 0x0A, 0x20, 0x03, 3};
    PtyPeer peer([&](const Request&, PtyPeer& p) { p.send(PtyPeer::frame(1, reading)); });
    CLPGDevice dev;
    attach(dev, peer);
    CDiag d;
    d.sequence = 77;
    ASSERT_EQ(dev.readDiag(d), 0);
    EXPECT_EQ(d.rpmPeriod, 1000);
    EXPECT_EQ(d.pumpRaw, -100);
    EXPECT_EQ(d.inputRaw, 0x0A10);
    EXPECT_EQ(d.outputRaw, 0x0320);
    EXPECT_EQ(d.workState, 3);
    EXPECT_EQ(d.sequence, 77u);
    EXPECT_EQ(peer.requests().at(0).payload, (std::vector<std::uint8_t>{6, 0, 0, 0, 0, 0}));
}

TEST(ReadDiag, AnOversizedReplyCannotReachTheSequenceNumber) {
    PtyPeer peer([](const Request&, PtyPeer& p) {
        p.send(PtyPeer::frame(1, std::vector<std::uint8_t>(200, 0xEE)));
    });
    CLPGDevice dev;
    attach(dev, peer);
    CDiag d;
    d.sequence = 0x01020304;
    ASSERT_EQ(dev.readDiag(d), 0);
    EXPECT_EQ(d.workState, 0xEE);
    EXPECT_EQ(d.sequence, 0x01020304u);
}

TEST(ReadDiag, AReplyOfAnotherTypeIsNoSample) {
    PtyPeer peer([](const Request&, PtyPeer& p) { p.send(PtyPeer::ack()); });
    CLPGDevice dev;
    attach(dev, peer);
    CDiag d;
    EXPECT_EQ(dev.readDiag(d), 1);
}

TEST(CommandRetries, ReadsTryTenTimesAndKeepTheStateOnFailure) {
    PtyPeer peer([](const Request&, PtyPeer& p) { p.send(PtyPeer::ack(0x15)); });
    CLPGDevice dev;
    attach(dev, peer);
    dev.state().noisePeriod = 4321;
    EXPECT_FALSE(dev.readSettings());
    EXPECT_EQ(dev.state().noisePeriod, 4321);
    EXPECT_EQ(peer.requests().size(), 10u);
}

TEST(CommandRetries, AShortRecordOfTheRightTypeIsNotTaken) {
    PtyPeer peer([](const Request&, PtyPeer& p) { p.send(PtyPeer::frame(0x0B, {1, 2, 3})); });
    CLPGDevice dev;
    attach(dev, peer);
    const double before = dev.state().rpmAxis[0];
    EXPECT_FALSE(dev.readAxes());
    EXPECT_EQ(dev.state().rpmAxis[0], before);
}

TEST(CommandRetries, AnAreaCorrectionIsTriedOnce) {
    PtyPeer peer; // the reply is lost
    CLPGDevice dev;
    attach(dev, peer);
    EXPECT_FALSE(dev.correctMapArea({7, 4, 3, 2, 3, 5}));
    ASSERT_EQ(peer.requests().size(), 1u);
    EXPECT_EQ(peer.requests()[0].type, 0x0A);
    EXPECT_EQ(peer.requests()[0].payload, (std::vector<std::uint8_t>{7, 4, 3, 2, 3, 5}));
}

TEST(CommandRetries, EndProgrammingStopsAtTheFirstCommandReply) {
    PtyPeer peer([](const Request&, PtyPeer& p) { p.send(PtyPeer::ack(0x15)); });
    CLPGDevice dev;
    attach(dev, peer);
    EXPECT_FALSE(dev.endProgramming());
    EXPECT_FALSE(dev.startApplication());
    ASSERT_EQ(peer.requests().size(), 2u);
    EXPECT_EQ(peer.requests()[0].code(), 0x60);
    EXPECT_EQ(peer.requests()[1].code(), 0x0A);
}

TEST(Writes, SettingsAreFollowedByTheWholeMap) {
    PtyPeer peer(ackAll);
    CLPGDevice dev;
    attach(dev, peer);
    dev.state().rpmDivider = 3;
    dev.state().noiseDelta = 200;
    dev.state().noisePeriod = 50000;
    dev.state().map[0][0] = 5.1;
    dev.state().map[15][14] = 0.03;
    ASSERT_TRUE(dev.writeSettings());
    const auto reqs = peer.requests();
    ASSERT_EQ(reqs.size(), 2u);
    EXPECT_EQ(reqs[0].type, 3);
    EXPECT_EQ(reqs[0].payload, (std::vector<std::uint8_t>{3, 200, 0x50, 0xC3}));
    EXPECT_EQ(reqs[1].type, 9);
    ASSERT_EQ(reqs[1].payload.size(), 240u);
    EXPECT_EQ(reqs[1].payload[0], 255);
    EXPECT_EQ(reqs[1].payload[239], 1);
}

TEST(Writes, ARefusedSettingsRecordSendsNoMap) {
    PtyPeer peer([](const Request&, PtyPeer& p) { p.send(PtyPeer::ack(0x15)); });
    CLPGDevice dev;
    attach(dev, peer);
    EXPECT_FALSE(dev.writeSettings());
    const auto reqs = peer.requests();
    EXPECT_EQ(reqs.size(), 10u);
    for (const Request& r : reqs) EXPECT_EQ(r.type, 3);
}

TEST(Writes, AxesGoOutAsWordsAndHundreds) {
    PtyPeer peer(ackAll);
    CLPGDevice dev;
    attach(dev, peer);
    dev.state().voltAxis[0] = -1.5;
    dev.state().rpmAxis[14] = 8000;
    ASSERT_TRUE(dev.writeAxes());
    const auto p = peer.requests().at(0).payload;
    ASSERT_EQ(p.size(), 48u);
    EXPECT_EQ(p[0], 0x9C); // -100
    EXPECT_EQ(p[1], 0xFF);
    EXPECT_EQ(p[2], 128); // 1.92 V
    EXPECT_EQ(p[32], 5);  // 500 RPM
    EXPECT_EQ(p[46], 80);
    EXPECT_EQ(p[47], 0);
}

TEST(Bootloader, EntryCodeIsSentOnceWithoutTerminator) {
    PtyPeer peer; // lost reply
    CLPGDevice dev;
    attach(dev, peer);
    EXPECT_FALSE(dev.enterBootloader());
    const auto reqs = peer.requests();
    ASSERT_EQ(reqs.size(), 1u);
    EXPECT_EQ(reqs[0].type, 0xF6);
    EXPECT_EQ(std::string(reqs[0].payload.begin(), reqs[0].payload.end()), "QK318264");
}

TEST(Bootloader, QueryReportsReadyOrClosesTheSession) {
    PtyPeer ready([](const Request&, PtyPeer& p) { p.send(PtyPeer::ack(4, 0xF7)); });
    CLPGDevice dev;
    attach(dev, ready);
    std::uint16_t answer = 0;
    EXPECT_TRUE(dev.queryBootloader(answer));
    EXPECT_EQ(answer, 0xF7);

    PtyPeer busy([](const Request&, PtyPeer& p) { p.send(PtyPeer::ack(4, 0x33)); });
    CLPGDevice dev2;
    attach(dev2, busy);
    EXPECT_FALSE(dev2.queryBootloader(answer));
    EXPECT_EQ(answer, 0x33);
    ASSERT_EQ(busy.requests().size(), 2u);
    EXPECT_EQ(busy.requests()[1].code(), 0x60); // endProgramming

    PtyPeer silent;
    CLPGDevice dev3;
    attach(dev3, silent, 40);
    EXPECT_FALSE(dev3.queryBootloader(answer));
    EXPECT_EQ(answer, 0xFFFF);
    EXPECT_EQ(silent.requests().size(), 3u);
}

TEST(ProgramImage, WritesRowsUpToTheEndOfFlashErasingEachPageFirst) {
    PtyPeer peer(ackAll);
    CLPGDevice dev;
    attach(dev, peer);
    std::vector<std::uint8_t> image(CLPGDevice::kProgramSpan);
    std::iota(image.begin(), image.end(), std::uint8_t{0});
    unsigned lastWritten = 0, lastTotal = 0, calls = 0;
    ASSERT_TRUE(dev.programImage(image, 400, [&](unsigned w, unsigned t) {
        lastWritten = w;
        lastTotal = t;
        ++calls;
    }));
    const auto reqs = peer.requests();
    std::vector<std::uint32_t> rows, pages;
    for (const Request& r : reqs) (r.type == 0xF7 ? rows : pages).push_back(le32(r.payload));
    ASSERT_EQ(rows.size(), 272u);
    EXPECT_EQ(rows.front(), 0x1800u);
    EXPECT_EQ(rows.back(), 0x9F80u);
    ASSERT_EQ(pages.size(), 17u);
    EXPECT_EQ(pages.front(), 0x1800u);
    EXPECT_EQ(pages.back(), 0x9800u);
    EXPECT_EQ(reqs[0].type, 0xF9); // erase before the first row of a page
    EXPECT_EQ(calls, 272u);
    EXPECT_EQ(lastWritten, 272u);
    EXPECT_EQ(lastTotal, 272u);

    // Every fourth image byte is dropped: row 0 starts at image offset 0x3000.
    const auto& row0 = reqs[1].payload;
    ASSERT_EQ(row0.size(), 196u);
    EXPECT_EQ(row0[4], image[0x3000]);
    EXPECT_EQ(row0[6], image[0x3002]);
    EXPECT_EQ(row0[7], image[0x3004]);
}

TEST(ProgramImage, BytesPastTheImageGoAsZerosAndAFailedRowStartsOverOnceThenStops) {
    int writes = 0;
    PtyPeer peer([&writes](const Request& r, PtyPeer& p) {
        if (r.type == 0xF7 && ++writes > 2) return; // third row is lost, three times
        p.send(PtyPeer::ack());
    });
    CLPGDevice dev;
    attach(dev, peer, 40);
    std::vector<std::uint8_t> image(0x3000 + 100, 0xAB); // ends inside the first row
    EXPECT_FALSE(dev.programImage(image, 10));
    const auto reqs = peer.requests();
    ASSERT_GE(reqs.size(), 3u);
    const auto& row0 = reqs[1].payload;
    EXPECT_EQ(row0[4], 0xAB);
    EXPECT_EQ(row0[4 + 74], 0xAB); // image byte 98: the last one sent (99 is a dropped fourth)
    EXPECT_EQ(row0[4 + 75], 0);    // image byte 100: past the end
    // The lost row three times, then once more from the first erase: two rows, the
    // lost one three times again.
    EXPECT_EQ(std::count_if(reqs.begin(), reqs.end(), [](const Request& r) { return r.type == 0xF7; }),
              2 + 3 + 3);
    EXPECT_EQ(std::count_if(reqs.begin(), reqs.end(), [](const Request& r) { return r.type == 0xF9; }), 2);
}
