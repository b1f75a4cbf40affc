// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/frame.h"
#include "device/lpg_device.h"
#include "pty_peer.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <thread>

using namespace velmora;
using namespace velmora::test;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

using Buffer = std::array<std::uint8_t, frame::kBufferSize>;

// A device whose port is open on the peer's line with a short read time-out.
void attach(CLPGDevice& dev, const PtyPeer& peer, std::uint32_t timeoutMs = 120) {
    dev.port().open(peer.path());
    dev.port().setState(LineSettings{});
    dev.port().setTimeout(Timeouts{timeoutMs, 1});
}

std::vector<std::uint8_t> settingsReply() { return PtyPeer::frame(3, {2, 12, 0xDC, 0x05}); }

// A type-2 request with command code `code`, as the commands send it.
Buffer command(std::uint8_t code) {
    Buffer b{};
    b[0] = code;
    return b;
}

} // namespace

TEST(RequestFrame, ReadSettingsWithKey1234IsByteExact) {
    PtyPeer peer([](const Request&, PtyPeer& p) { p.send(settingsReply()); });
    CLPGDevice dev;
    attach(dev, peer);
    dev.forceNextKey(0x1234);
    ASSERT_TRUE(dev.readSettings());
    const auto reqs = peer.requests();
    ASSERT_EQ(reqs.size(), 1u);
    const std::vector<std::uint8_t> expected{0xAA, 0x55, 0x08, 0x02, 0x12, 0x34, 0x70,
                                             0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x58};
    EXPECT_EQ(reqs[0].raw, expected);
    // ... and the scrambled reply came back as the unit meant it.
    EXPECT_EQ(dev.state().rpmDivider, 2);
    EXPECT_EQ(dev.state().noiseDelta, 12);
    EXPECT_EQ(dev.state().noisePeriod, 1500);
}

TEST(RequestFrame, ReadVersionWithKey0ABCIsByteExact) {
    PtyPeer peer([](const Request&, PtyPeer& p) { p.send(PtyPeer::frame(8, {0x03, 0x01, 0x11})); });
    CLPGDevice dev;
    attach(dev, peer);
    dev.forceNextKey(0x0ABC);
    ASSERT_TRUE(dev.readVersion());
    const std::vector<std::uint8_t> expected{0xAA, 0x55, 0x08, 0x02, 0x0A, 0xBC, 0x00,
                                             0xD0, 0x00, 0x00, 0x00, 0x00, 0x00, 0xDE};
    EXPECT_EQ(peer.requests().at(0).raw, expected);
    EXPECT_EQ(dev.state().version, 0x0103);
}

TEST(RequestFrame, OddLastByteTravelsPlainAndIsStillSummed) {
    PtyPeer peer([](const Request&, PtyPeer& p) { p.send(PtyPeer::ack()); });
    CLPGDevice dev;
    attach(dev, peer);
    dev.forceNextKey(0x0005);
    Buffer b{};
    const std::uint8_t payload[5] = {0x01, 0x80, 0x10, 0x20, 0x7E};
    std::copy(std::begin(payload), std::end(payload), b.begin());
    std::uint8_t length = 5;
    std::uint8_t type = 0x33;
    ASSERT_TRUE(dev.transact(b.data(), length, type));
    const Request r = peer.requests().at(0);
    EXPECT_EQ(r.raw[2], 7); // L + 2
    EXPECT_EQ(r.raw[6 + 4], 0x7E);
    EXPECT_NE(r.raw[6], 0x01); // whole words are scrambled
    EXPECT_TRUE(r.checksumOk);
    EXPECT_EQ(r.payload, std::vector<std::uint8_t>(std::begin(payload), std::end(payload)));
    EXPECT_EQ(type, 2);
    EXPECT_EQ(length, 6);
    EXPECT_EQ(b[0], 4);
}

TEST(RequestFrame, APayloadTooLongForTheLengthByteIsNotSent) {
    PtyPeer peer;
    CLPGDevice dev;
    attach(dev, peer);
    Buffer b{};
    std::uint8_t length = 254;
    std::uint8_t type = 9;
    EXPECT_FALSE(dev.transact(b.data(), length, type));
    length = 254;
    EXPECT_EQ(dev.transactDiag(b.data(), length, type), 2);
    std::this_thread::sleep_for(30ms);
    EXPECT_TRUE(peer.requests().empty());
}

TEST(ReplyHeader, RealignsOnA0xAAFoundLaterInTheHeader) {
    PtyPeer peer([](const Request&, PtyPeer& p) {
        std::vector<std::uint8_t> junk{0x00, 0x13, 0x00};
        const auto f = settingsReply();
        junk.insert(junk.end(), f.begin(), f.end());
        p.send(junk);
    });
    CLPGDevice dev;
    attach(dev, peer);
    EXPECT_TRUE(dev.readSettings());
    EXPECT_EQ(dev.state().noisePeriod, 1500);
    EXPECT_EQ(peer.requests().size(), 1u);
}

TEST(ReplyHeader, WithoutA0xAAFailsAndReadsNoFurther) {
    const auto f = settingsReply();
    PtyPeer peer([&f](const Request&, PtyPeer& p) {
        std::vector<std::uint8_t> out{0x00, 0x11, 0x22, 0x33};
        out.insert(out.end(), f.begin(), f.end());
        p.send(out);
    });
    CLPGDevice dev;
    attach(dev, peer);
    Buffer b = command(0x07);
    std::uint8_t length = 6;
    std::uint8_t type = 2;
    EXPECT_FALSE(dev.transact(b.data(), length, type));
    // The frame behind the bad header is still waiting on the line.
    std::uint8_t rest[32] = {};
    ASSERT_EQ(dev.port().read(rest, f.size()), f.size());
    EXPECT_TRUE(std::equal(f.begin(), f.end(), rest));
}

TEST(ReplyBody, ASecondPartAfterAPauseIsTakenByTransactOnly) {
    // The pause outlasts the first body read (120 ms + N) but not the 50 ms wait plus
    // the second read.
    const auto split = [](const Request&, PtyPeer& p) {
        const auto f = settingsReply();
        p.send({f.begin(), f.begin() + 8});
        p.pause(180);
        p.send({f.begin() + 8, f.end()});
    };
    PtyPeer peer(split);
    CLPGDevice dev;
    attach(dev, peer);
    Buffer b = command(0x07);
    std::uint8_t length = 6;
    std::uint8_t type = 2;
    ASSERT_TRUE(dev.transact(b.data(), length, type));
    EXPECT_EQ(type, 3);
    EXPECT_EQ(length, 4);
    EXPECT_EQ(b[2], 0xDC);

    std::this_thread::sleep_for(50ms);
    b = command(0x06);
    length = 6;
    type = 2;
    EXPECT_EQ(dev.transactDiag(b.data(), length, type), 2);
}

TEST(ReplyBody, AnEmptyPayloadFailsTransactButIsNoFailureForReadings) {
    PtyPeer peer([](const Request&, PtyPeer& p) { p.send(PtyPeer::frame(1, {})); });
    CLPGDevice dev;
    attach(dev, peer);
    Buffer b = command(0x07);
    std::uint8_t length = 6;
    std::uint8_t type = 2;
    EXPECT_FALSE(dev.transact(b.data(), length, type));

    std::this_thread::sleep_for(20ms);
    b = command(0x06);
    length = 6;
    type = 2;
    EXPECT_EQ(dev.transactDiag(b.data(), length, type), 0);
    EXPECT_EQ(type, 2); // still the request's
    EXPECT_EQ(length, 6);
    CDiag sample;
    EXPECT_EQ(dev.readDiag(sample), 1);
}

TEST(ReplyBody, ReadingReplyReportsPayloadPlusChecksumLength) {
    std::vector<std::uint8_t> reading(17);
    for (std::size_t i = 0; i < reading.size(); ++i) reading[i] = static_cast<std::uint8_t>(i + 1);
    PtyPeer peer([&reading](const Request&, PtyPeer& p) { p.send(PtyPeer::frame(1, reading)); });
    CLPGDevice dev;
    attach(dev, peer);
    Buffer b = command(0x06);
    std::uint8_t length = 6;
    std::uint8_t type = 2;
    ASSERT_EQ(dev.transactDiag(b.data(), length, type), 0);
    EXPECT_EQ(type, 1);
    EXPECT_EQ(length, 19);
    EXPECT_EQ(b[16], 17);
}

TEST(ReplyChecksum, AFlippedBitFailsAndTheNextExchangeStartsPurged) {
    int n = 0;
    PtyPeer peer([&n](const Request&, PtyPeer& p) {
        if (n++ == 0) {
            auto bad = settingsReply();
            bad[7] ^= 0x01; // one payload bit
            p.send(bad);
            p.pause(20);
            // A whole, valid frame arriving late: only a purge keeps it from being the
            // answer to the next request.
            p.send(PtyPeer::frame(0x42, {1, 2, 3, 4}));
        } else {
            p.send(settingsReply());
        }
    });
    CLPGDevice dev;
    attach(dev, peer);
    Buffer b = command(0x07);
    std::uint8_t length = 6;
    std::uint8_t type = 2;
    EXPECT_FALSE(dev.transact(b.data(), length, type));
    std::this_thread::sleep_for(80ms);

    b = command(0x07);
    length = 6;
    type = 2;
    ASSERT_TRUE(dev.transact(b.data(), length, type));
    EXPECT_EQ(type, 3);
    EXPECT_EQ(b[0], 2);
}

TEST(ReplyTimeout, ASilentUnitFailsAfterAboutOneSecond) {
    PtyPeer peer; // never answers
    CLPGDevice dev;
    attach(dev, peer, Timeouts{}.readTotalConstantMs);
    Buffer b = command(0x07);
    std::uint8_t length = 6;
    std::uint8_t type = 2;
    const auto t0 = Clock::now();
    EXPECT_FALSE(dev.transact(b.data(), length, type));
    const auto took = Clock::now() - t0;
    EXPECT_GE(took, 950ms);
    EXPECT_LT(took, 1600ms);
}

TEST(ReplyTimeout, ASilentUnitFailsAReading) {
    PtyPeer peer;
    CLPGDevice dev;
    attach(dev, peer, 60);
    CDiag sample;
    EXPECT_EQ(dev.readDiag(sample), 2);
}

TEST(ExchangeOnClosedPort, RaisesAndReleasesTheLink) {
    CLPGDevice dev;
    for (int i = 0; i < 2; ++i) { // a second exchange would hang on a lock left taken
        Buffer b = command(0x07);
        std::uint8_t length = 6;
        std::uint8_t type = 2;
        try {
            dev.transact(b.data(), length, type);
            ADD_FAILURE() << "no error";
        } catch (const IError& e) {
            EXPECT_EQ(e.code(), CRSError::OperationFailed);
        }
    }
    CDiag sample;
    EXPECT_THROW(dev.readDiag(sample), IError);
}

TEST(ExchangeThreads, ConcurrentExchangesNeverInterleaveOnTheLine) {
    PtyPeer peer([](const Request& r, PtyPeer& p) {
        if (r.code() == 0x06)
            p.send(PtyPeer::frame(1, std::vector<std::uint8_t>(17, 0x33)));
        else
            p.send(settingsReply());
    });
    CLPGDevice dev;
    attach(dev, peer, 300);
    int readings = 0;
    std::thread reader([&] {
        for (int i = 0; i < 25; ++i) {
            CDiag s;
            readings += dev.readDiag(s) == 0 ? 1 : 0;
        }
    });
    int settings = 0;
    for (int i = 0; i < 25; ++i) settings += dev.readSettings() ? 1 : 0;
    reader.join();
    EXPECT_EQ(readings, 25);
    EXPECT_EQ(settings, 25);
    for (const Request& r : peer.requests()) EXPECT_TRUE(r.checksumOk);
    EXPECT_EQ(peer.requests().size(), 50u);
}
