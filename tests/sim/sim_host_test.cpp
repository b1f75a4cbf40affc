// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated unit served on a pseudo-terminal, driven by a client that opens
// the slave path like a serial port and speaks the production frame codec.

#include "line_client.h"
#include "sim/sim_host.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

using velmora::sim::CSimHost;
using velmora::sim::Faults;
using velmora::sim::Mode;
using velmora::test::LineClient;

namespace {

class SimHostTest : public ::testing::Test {
protected:
    void SetUp() override { host.start(); }
    CSimHost host;
};

TEST_F(SimHostTest, AnswersTheConnectionSequence) {
    LineClient line(host.slavePath());
    const auto id = line.command(0xCC);
    ASSERT_TRUE(id);
    EXPECT_TRUE(id->checksumOk);
    EXPECT_EQ(id->type, 2);
    EXPECT_EQ(id->payload[0], 4);
    EXPECT_EQ(id->payload[1], 0x11);
    EXPECT_EQ(id->payload[2] | (id->payload[3] << 8), 0x0055);

    const auto state = host.state();
    const auto version = line.command(0x0D);
    ASSERT_TRUE(version);
    EXPECT_EQ(version->type, 8);
    EXPECT_EQ(version->payload[0] | (version->payload[1] << 8), state.version);
    EXPECT_EQ(version->payload[2], 0x11);

    const auto settings = line.command(0x07);
    ASSERT_TRUE(settings);
    EXPECT_EQ(settings->type, 3);
    ASSERT_EQ(settings->payload.size(), 4u);
    EXPECT_EQ(settings->payload[0], state.rpmDivider);
    EXPECT_EQ(settings->payload[1], state.noiseDelta);
    EXPECT_EQ(settings->payload[2] | (settings->payload[3] << 8), state.noisePeriod);

    const auto map = line.command(0x0E);
    ASSERT_TRUE(map);
    EXPECT_EQ(map->type, 9);
    EXPECT_TRUE(std::equal(state.map.begin(), state.map.end(), map->payload.begin(),
                           map->payload.end()));

    const auto axes = line.command(0x11);
    ASSERT_TRUE(axes);
    EXPECT_EQ(axes->type, 0x0B);
    ASSERT_GE(axes->payload.size(), 47u);
    EXPECT_EQ(static_cast<std::int16_t>(axes->payload[30] | (axes->payload[31] << 8)),
              state.voltWords[15]);
    EXPECT_EQ(axes->payload[32], state.rpmBytes[0]);
    EXPECT_EQ(axes->payload[46], state.rpmBytes[14]);

    const auto diag = line.command(0x06);
    ASSERT_TRUE(diag);
    EXPECT_EQ(diag->type, 1);
    EXPECT_EQ(diag->payload.size(), 17u);
    EXPECT_EQ(host.state().readings, 1u);
}

TEST_F(SimHostTest, SymlinkPointsAtTheSlaveAndGoesAwayOnStop) {
    const auto link = std::filesystem::temp_directory_path() /
                      ("velmora-sim-test-" + std::to_string(::getpid()));
    {
        CSimHost linked(link.string());
        linked.start();
        EXPECT_EQ(std::filesystem::read_symlink(link).string(), linked.slavePath());
        LineClient line(link.string());
        EXPECT_TRUE(line.command(0xCC));
        linked.stop();
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
    }
}

TEST_F(SimHostTest, RefusesToReplaceARegularFileWithItsLink) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("velmora-sim-file-" + std::to_string(::getpid()));
    { std::FILE* f = std::fopen(path.c_str(), "w"); ASSERT_TRUE(f); std::fclose(f); }
    CSimHost linked(path.string());
    EXPECT_THROW(linked.start(), std::runtime_error);
    EXPECT_TRUE(std::filesystem::is_regular_file(path));
    std::filesystem::remove(path);
}

TEST_F(SimHostTest, StopsPromptlyWhileAClientIsNotReading) {
    LineClient line(host.slavePath());
    for (int i = 0; i < 200; ++i) line.sendCommand(0x0E); // ~250 bytes per reply, never read
    const auto t0 = std::chrono::steady_clock::now();
    host.stop();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(1));
}

} // namespace

namespace {

using Clock = std::chrono::steady_clock;

// Arrival time of every chunk until timeoutMs of silence.
struct Chunk {
    Clock::duration at;
    std::size_t bytes;
};
std::vector<Chunk> arrivals(const std::string& path, const std::vector<std::uint8_t>& request,
                            int quietMs) {
    LineClient line(path);
    line.send(request);
    const auto t0 = Clock::now();
    std::vector<Chunk> out;
    for (;;) {
        const auto part = line.readSome(quietMs);
        if (part.empty()) return out;
        out.push_back({Clock::now() - t0, part.size()});
    }
}

using std::chrono::milliseconds;

TEST_F(SimHostTest, TimingFaultsShapeTheReply) {
    const auto request = velmora::frame::encode(2, 0x0101, std::vector<std::uint8_t>{0x0E, 0, 0, 0, 0, 0});
    Faults f;
    f.replyDelayMs = 120;
    host.setFaults(f);
    auto chunks = arrivals(host.slavePath(), request, 200);
    ASSERT_FALSE(chunks.empty());
    EXPECT_GE(chunks.front().at, milliseconds(115));

    // Split: the first part (header and half the payload), a pause, then the rest.
    f = {};
    f.splitPauseMs = 80;
    host.setFaults(f);
    LineClient line(host.slavePath());
    line.send(request);
    const auto first = line.readFor(40);
    EXPECT_EQ(first.size(), 6u + 120u);
    const auto t0 = Clock::now();
    const auto rest = line.readFor(200);
    EXPECT_GE(Clock::now() - t0, milliseconds(30)); // nothing more came for a while
    EXPECT_EQ(first.size() + rest.size(), 248u);
}

TEST_F(SimHostTest, PacedUnitTakesALinesTimeEachWay) {
    Faults f;
    f.paced38400 = true;
    host.setFaults(f);
    const auto request = velmora::frame::encode(2, 0x0101, std::vector<std::uint8_t>{0x0E, 0, 0, 0, 0, 0});
    const auto chunks = arrivals(host.slavePath(), request, 60);
    ASSERT_FALSE(chunks.empty());
    std::size_t total = 0;
    for (const auto& c : chunks) total += c.bytes;
    EXPECT_EQ(total, 248u);
    // 14 request bytes before the first reply byte, 248 reply bytes at ~0.26 ms each.
    EXPECT_GE(chunks.front().at, std::chrono::microseconds(14 * 260));
    EXPECT_GE(chunks.back().at, milliseconds(64));
    EXPECT_GT(chunks.size(), 5u); // written as the line would carry it, not in one burst
}

} // namespace
