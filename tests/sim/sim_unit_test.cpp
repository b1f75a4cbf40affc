// SPDX-License-Identifier: GPL-3.0-or-later
// The protocol core on its own: bytes in, bytes out, state inspected directly.

#include "frame_reader.h"
#include "sim/engine.h"
#include "sim/firmware_builder.h"
#include "sim/sim_unit.h"

#include "device/frame.h"

#include <gtest/gtest.h>

#include <cstring>

namespace velmora::sim {
namespace {

using test::ReceivedFrame;
using test::splitFrames;
using Bytes = std::vector<std::uint8_t>;

Bytes cmd(std::uint8_t code) { return {code, 0, 0, 0, 0, 0}; }

class SimUnitTest : public ::testing::Test {
protected:
    SimUnitTest() { unit.setClock([this] { return now; }); }

    std::vector<ReceivedFrame> feed(const Bytes& bytes) { return splitFrames(unit.feed(bytes)); }
    std::vector<ReceivedFrame> send(std::uint8_t type, const Bytes& payload) {
        return feed(frame::encode(type, static_cast<std::uint16_t>(key++), payload));
    }
    // Exactly one well-formed reply.
    ReceivedFrame one(std::uint8_t type, const Bytes& payload) {
        auto replies = send(type, payload);
        EXPECT_EQ(replies.size(), 1u);
        if (replies.empty()) return {};
        EXPECT_TRUE(replies[0].checksumOk);
        return replies[0];
    }
    std::uint8_t code(std::uint8_t type, const Bytes& payload) {
        const auto r = one(type, payload);
        EXPECT_EQ(r.type, 2);
        return r.payload.empty() ? 0 : r.payload[0];
    }
    std::uint8_t command(std::uint8_t c) { return code(2, cmd(c)); }

    std::int64_t now = 1000;
    unsigned key = 0x3000; // walks through every scrambling distance
    CSimUnit unit;
};

// ---- reads and writes in the wire encodings ----

TEST_F(SimUnitTest, ReadsReturnTheStateInWireEncodings) {
    SimState& s = unit.state();
    s.version = 0x0207;
    s.rpmDivider = 4;
    s.noiseDelta = 200;
    s.noisePeriod = 50000;
    s.map[0] = 255;
    s.map[239] = 1;
    s.voltWords[0] = -100;
    s.rpmBytes[14] = 35;

    const auto id = one(2, cmd(0xCC));
    EXPECT_EQ(id.payload, (Bytes{4, 0x11, 0x55, 0x00, 0, 0}));
    const auto version = one(2, cmd(0x0D));
    EXPECT_EQ(version.type, 8);
    EXPECT_EQ(Bytes(version.payload.begin(), version.payload.begin() + 3), (Bytes{0x07, 0x02, 0x11}));
    const auto settings = one(2, cmd(0x07));
    EXPECT_EQ(settings.type, 3);
    EXPECT_EQ(settings.payload, (Bytes{4, 200, 0x50, 0xC3}));
    const auto map = one(2, cmd(0x0E));
    EXPECT_EQ(map.type, 9);
    ASSERT_EQ(map.payload.size(), 240u);
    EXPECT_EQ(map.payload[0], 255);
    EXPECT_EQ(map.payload[239], 1);
    const auto axes = one(2, cmd(0x11));
    EXPECT_EQ(axes.type, 0x0B);
    ASSERT_EQ(axes.payload.size(), 48u);
    EXPECT_EQ(axes.payload[0], 0x9C); // -100, little-endian
    EXPECT_EQ(axes.payload[1], 0xFF);
    EXPECT_EQ(axes.payload[46], 35);
}

TEST_F(SimUnitTest, WritesChangeTheState) {
    EXPECT_EQ(code(3, {9, 33, 0x10, 0x27}), kAck);
    EXPECT_EQ(unit.state().rpmDivider, 9);
    EXPECT_EQ(unit.state().noiseDelta, 33);
    EXPECT_EQ(unit.state().noisePeriod, 10000);

    Bytes map(240);
    for (std::size_t i = 0; i < map.size(); ++i) map[i] = static_cast<std::uint8_t>(i);
    EXPECT_EQ(code(9, map), kAck);
    EXPECT_TRUE(std::equal(map.begin(), map.end(), unit.state().map.begin()));
    EXPECT_NE(unit.state().storedMap, unit.state().map); // only storeMap keeps it
    EXPECT_EQ(command(0x0F), kAck);
    EXPECT_EQ(unit.state().storedMap, unit.state().map);
    EXPECT_EQ(unit.state().mapStores, 1u);

    Bytes axes(48, 0);
    axes[0] = 0x9C;
    axes[1] = 0xFF;
    axes[32] = 7;
    axes[46] = 99;
    EXPECT_EQ(code(0x0B, axes), kAck);
    EXPECT_EQ(unit.state().voltWords[0], -100);
    EXPECT_EQ(unit.state().rpmBytes[0], 7);
    EXPECT_EQ(unit.state().rpmBytes[14], 99);

    EXPECT_EQ(command(0x10), kAck);
    for (std::uint8_t b : unit.state().map) ASSERT_EQ(b, 0);
}

TEST_F(SimUnitTest, AreaCorrectionStepsOnlyTheAreaAndSaturates) {
    auto& map = unit.state().map;
    map.fill(100);
    map[1 * 15 + 2] = 250;
    // rows 1..2, columns 2..4, up by 10 units
    EXPECT_EQ(code(0x0A, {1, 2, 2, 3, 2, 10}), kAck);
    EXPECT_EQ(map[1 * 15 + 2], 255);
    EXPECT_EQ(map[2 * 15 + 4], 110);
    EXPECT_EQ(map[1 * 15 + 1], 100);
    EXPECT_EQ(map[3 * 15 + 2], 100);
    EXPECT_EQ(map[2 * 15 + 5], 100);
    EXPECT_EQ(code(0x0A, {0, 0, 1, 1, 3, 200}), kAck);
    EXPECT_EQ(map[0], 0);

    // An area reaching past the map or an unknown direction changes nothing.
    const auto before = map;
    EXPECT_NE(code(0x0A, {15, 0, 2, 1, 2, 1}), kAck);
    EXPECT_NE(code(0x0A, {0, 14, 1, 2, 2, 1}), kAck);
    EXPECT_NE(code(0x0A, {0, 0, 1, 1, 4, 1}), kAck);
    EXPECT_NE(code(0x0A, {0, 0, 0, 1, 2, 1}), kAck);
    EXPECT_EQ(map, before);
}

TEST_F(SimUnitTest, MalformedAndUnknownRequestsGetANak) {
    const auto before = unit.state().map;
    EXPECT_EQ(command(0x42), kNak);               // unknown code
    EXPECT_EQ(code(2, {0x0E, 0, 0}), kNak);       // command of the wrong length
    EXPECT_EQ(code(3, {1, 2, 3}), kNak);          // short settings record
    EXPECT_EQ(code(9, Bytes(239, 1)), kNak);      // short map
    EXPECT_EQ(code(0x0B, Bytes(20, 1)), kNak);    // short axes
    EXPECT_EQ(code(0x55, {1, 2}), kNak);          // unknown type
    EXPECT_EQ(code(0xF9, {0, 0x18, 0, 0}), kNak); // bootloader command while the application runs
    EXPECT_EQ(unit.state().map, before);
    EXPECT_EQ(unit.state().mode, Mode::Application);

    // A request with a wrong checksum is refused, and counted.
    Bytes f = frame::encode(3, 0x1111, Bytes{1, 2, 3, 4});
    f.back() ^= 1;
    const auto replies = feed(f);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].payload[0], kNak);
    EXPECT_EQ(unit.state().badFrames, 1u);
    EXPECT_NE(unit.state().rpmDivider, 1);

    // A length byte below 2 cannot be a frame; what follows it is still answered.
    Bytes bad{0xAA, 0x55, 0x01, 0x02};
    const Bytes good = frame::encode(2, 0x0101, cmd(0xCC));
    bad.insert(bad.end(), good.begin(), good.end());
    const auto after = feed(bad);
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after[0].payload[1], 0x11);
}

TEST_F(SimUnitTest, ReassemblesFramesAcrossFeedsAndSkipsLineNoise) {
    Bytes stream{0x00, 0x13, 0xAA, 0x00}; // noise, including a lone sync byte
    const Bytes a = frame::encode(2, 0x0ABC, cmd(0x0D));
    const Bytes b = frame::encode(2, 0x000F, cmd(0x07));
    stream.insert(stream.end(), a.begin(), a.end());
    stream.insert(stream.end(), b.begin(), b.end());
    std::vector<ReceivedFrame> replies;
    for (std::uint8_t byte : stream)
        for (auto& r : feed({byte})) replies.push_back(r);
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[0].type, 8);
    EXPECT_EQ(replies[1].type, 3);
}

TEST_F(SimUnitTest, AbandonedHalfFrameIsDroppedAfterAQuietSpell) {
    const Bytes f = frame::encode(2, 0x0222, cmd(0x0D));
    EXPECT_TRUE(feed(Bytes(f.begin(), f.begin() + 5)).empty());
    EXPECT_EQ(unit.pendingBytes(), 5u);
    now += CSimUnit::kStaleFrameMs + 1;
    const auto replies = feed(f); // a fresh, whole request
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].type, 8);
}

TEST_F(SimUnitTest, SurvivesRandomLineNoiseAndAnswersAfterwards) {
    std::uint32_t x = 12345;
    auto next = [&x] { return x = x * 1103515245u + 12345u, static_cast<std::uint8_t>(x >> 16); };
    for (int round = 0; round < 2000; ++round) {
        Bytes chunk(next() % 64);
        for (auto& b : chunk) b = next() % 4 == 0 ? 0xAA : next();
        if (round % 7 == 0) { // now and then a well-formed request of any type, any length
            Bytes payload(next() % 250);
            for (auto& b : payload) b = next();
            const Bytes f = frame::encode(next(), next(), payload);
            chunk.insert(chunk.end(), f.begin(), f.end());
        }
        unit.feed(chunk);
        if (round % 100 == 0) now += CSimUnit::kStaleFrameMs + 1;
    }
    now += CSimUnit::kStaleFrameMs + 1;
    EXPECT_EQ(command(0xCC), kAck);
}

// ---- readings ----

TEST_F(SimUnitTest, ReadingsFollowTheClock) {
    const auto first = one(2, cmd(0x06));
    EXPECT_EQ(first.type, 1);
    ASSERT_EQ(first.payload.size(), kReadingBytes);
    const auto expected = encodeReading(engineAt(1.0));
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), first.payload.begin()));
    now += 5000;
    const auto later = one(2, cmd(0x06));
    EXPECT_NE(later.payload, first.payload);
    EXPECT_EQ(unit.state().readings, 2u);
}

// ---- content faults ----

TEST_F(SimUnitTest, DropAndCorruptCountRepliesAndRestartOnSetFaults) {
    Faults f;
    f.dropEvery = 3;
    f.corruptEvery = 2;
    unit.setFaults(f);
    std::vector<int> seen; // 0 lost, 1 good, 2 bad checksum
    for (int i = 0; i < 6; ++i) {
        const auto r = send(2, cmd(0xCC));
        seen.push_back(r.empty() ? 0 : (r[0].checksumOk ? 1 : 2));
    }
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 0, 2, 1, 0}));
    EXPECT_EQ(unit.state().requests, 6u); // lost replies were still acted on

    unit.setFaults(f);
    EXPECT_EQ(send(2, cmd(0xCC)).size(), 1u);
}

TEST_F(SimUnitTest, NoReplyJunkAndWrongTypeFaults) {
    Faults f;
    f.noReply = true;
    unit.setFaults(f);
    EXPECT_TRUE(unit.feed(frame::encode(3, 1, Bytes{5, 6, 7, 8})).empty());
    EXPECT_EQ(unit.state().rpmDivider, 5);

    f = {};
    f.junkBefore = {0x00, 0x11, 0xAA};
    f.wrongDeviceType = 0x22;
    unit.setFaults(f);
    const Bytes raw = unit.feed(frame::encode(2, 7, cmd(0xCC)));
    ASSERT_GT(raw.size(), 3u);
    EXPECT_EQ(Bytes(raw.begin(), raw.begin() + 3), f.junkBefore);
    const auto id = splitFrames(raw);
    ASSERT_EQ(id.size(), 1u);
    EXPECT_EQ(id[0].payload[0], kAck);
    EXPECT_EQ(id[0].payload[1], 0x22);
    EXPECT_EQ(one(2, cmd(0x0D)).payload[2], 0x22);
}

TEST_F(SimUnitTest, NakWritesRefusesEveryWriteAndKeepsTheState) {
    Faults f;
    f.nakWrites = true;
    unit.setFaults(f);
    const SimState before = unit.state();
    EXPECT_EQ(code(3, {9, 9, 9, 9}), kNak);
    EXPECT_EQ(code(9, Bytes(240, 9)), kNak);
    EXPECT_EQ(code(0x0B, Bytes(48, 9)), kNak);
    EXPECT_EQ(code(0x0A, {0, 0, 1, 1, 2, 1}), kNak);
    EXPECT_EQ(command(0x0F), kNak);
    EXPECT_EQ(command(0x10), kNak);
    EXPECT_EQ(unit.state().rpmDivider, before.rpmDivider);
    EXPECT_EQ(unit.state().map, before.map);
    EXPECT_EQ(unit.state().voltWords, before.voltWords);
    EXPECT_EQ(unit.state().mapStores, 0u);
    EXPECT_EQ(one(2, cmd(0x0E)).type, 9); // reads still work
}

TEST_F(SimUnitTest, PulledCableAfterNReadingsComesBackLater) {
    Faults f;
    f.silentAfterReadings = 3;
    f.silentForMs = 2000;
    unit.setFaults(f);
    for (int i = 0; i < 3; ++i) ASSERT_EQ(send(2, cmd(0x06)).size(), 1u) << i;
    EXPECT_TRUE(unit.isUnplugged());
    EXPECT_TRUE(send(2, cmd(0x06)).empty());
    EXPECT_TRUE(send(2, cmd(0xCC)).empty()); // everything, not only readings
    now += 1999;
    EXPECT_TRUE(send(2, cmd(0x06)).empty());
    now += 1;
    EXPECT_EQ(send(2, cmd(0x06)).size(), 1u);
    EXPECT_FALSE(unit.isUnplugged());
    for (int i = 0; i < 5; ++i) EXPECT_EQ(send(2, cmd(0x06)).size(), 1u); // once per setFaults
}

// ---- bootloader and flash ----

class SimBootloaderTest : public SimUnitTest {
protected:
    void enter() {
        Bytes code8(kBootloaderCode, kBootloaderCode + 8);
        ASSERT_EQ(code(0xF6, code8), kAck);
        ASSERT_EQ(unit.state().mode, Mode::Bootloader);
    }
    static Bytes le32(std::uint32_t a) {
        return {static_cast<std::uint8_t>(a), static_cast<std::uint8_t>(a >> 8),
                static_cast<std::uint8_t>(a >> 16), static_cast<std::uint8_t>(a >> 24)};
    }
    std::uint8_t erase(std::uint32_t a) { return code(0xF9, le32(a)); }
    std::uint8_t row(std::uint32_t a, std::uint8_t fill) {
        Bytes p = le32(a);
        p.resize(196, fill);
        return code(0xF7, p);
    }
};

TEST_F(SimBootloaderTest, EntryNeedsTheExactCode) {
    EXPECT_EQ(code(0xF6, Bytes{'Q', 'K', '3', '1', '8', '2', '6', '5'}), kNak);
    EXPECT_EQ(code(0xF6, Bytes{'Q', 'K', '3', '1', '8', '2', '6'}), kNak);
    EXPECT_EQ(unit.state().mode, Mode::Application);
    enter();
    EXPECT_EQ(command(0xCC), kBootloaderHere);
    const auto query = one(2, cmd(0xC4));
    EXPECT_EQ(query.payload[0], kAck);
    EXPECT_EQ(query.payload[1], kBootloaderReady);
    EXPECT_EQ(command(0x0E), kNak); // the application's commands are gone
    EXPECT_EQ(code(3, {1, 1, 1, 1}), kNak);
}

TEST_F(SimBootloaderTest, FlashIsWrittenOncePerEraseWithinTheApplicationArea) {
    enter();
    EXPECT_EQ(row(0x1800, 1), kNak);    // page not erased
    EXPECT_EQ(erase(0x1000), kNak);     // the bootloader's own page
    EXPECT_EQ(erase(0x1880), kNak);     // not a page start
    EXPECT_EQ(erase(0xA000), kNak);     // past the end
    EXPECT_EQ(erase(0x1800), kAck);
    EXPECT_FALSE(unit.state().applicationValid);
    EXPECT_EQ(row(0x1800, 1), kAck);
    EXPECT_EQ(row(0x1800, 2), kNak);    // written already
    EXPECT_EQ(row(0x1840, 2), kNak);    // not a row start
    EXPECT_EQ(row(0x1F80, 3), kAck);    // last row of the page
    EXPECT_EQ(row(0x2000, 3), kNak);    // next page not erased
    EXPECT_EQ(unit.state().flashRows.size(), 2u);
    EXPECT_EQ(unit.state().flashRows.at(0x1F80)[191], 3);
    EXPECT_EQ(erase(0x1800), kAck);     // erasing again empties the page
    EXPECT_TRUE(unit.state().flashRows.empty());
}

TEST_F(SimBootloaderTest, BrokenUnitStaysInTheBootloaderUntilProgrammed) {
    unit.startInBootloader();
    EXPECT_EQ(command(0xCC), kBootloaderHere);
    EXPECT_EQ(command(0x0A), kNak); // nothing to start
    EXPECT_EQ(unit.state().mode, Mode::Bootloader);

    // Program a signature row carrying version 0x0312, close and start.
    const auto image = sampleFirmwareImage(0x0312);
    Bytes p = le32(kSignatureFlashAddress);
    for (std::size_t i = 0; i < 256; i += 4)
        p.insert(p.end(), image.begin() + static_cast<long>(kSignatureImageOffset + i),
                 image.begin() + static_cast<long>(kSignatureImageOffset + i + 3));
    EXPECT_EQ(erase(0x1800), kAck);
    EXPECT_EQ(code(0xF7, p), kAck);
    EXPECT_EQ(command(0x60), kAck);
    EXPECT_EQ(command(0x0A), kAck);
    EXPECT_EQ(unit.state().mode, Mode::Application);
    EXPECT_EQ(unit.state().version, 0x0312);
    const auto version = one(2, cmd(0x0D));
    EXPECT_EQ(version.payload[0] | (version.payload[1] << 8), 0x0312);
}

TEST_F(SimBootloaderTest, LeavingWithoutProgrammingKeepsTheOldApplication) {
    const auto old = unit.state().version;
    enter();
    EXPECT_EQ(command(0x0A), kAck);
    EXPECT_EQ(unit.state().mode, Mode::Application);
    EXPECT_EQ(unit.state().version, old);
}

} // namespace
} // namespace velmora::sim
