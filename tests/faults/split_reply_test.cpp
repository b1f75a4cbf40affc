// SPDX-License-Identifier: GPL-3.0-or-later
// A reply that pauses in its middle: when requests queue up at the simulated
// unit, each reply must still break in its own payload, not in the next header.

#include "sim/line_client.h"
#include "sim/sim_host.h"

#include <gtest/gtest.h>

#include <chrono>

namespace velmora::faults {
namespace {

TEST(SplitReply, QueuedRequestsGetOnePausePerReply) {
    sim::CSimHost host;
    host.start();
    sim::Faults f;
    f.splitPauseMs = 80;
    host.setFaults(f);

    test::LineClient line(host.slavePath());
    // Two requests in one burst: version and settings, each answered by a 14-byte
    // frame (header 4, key 2, payload 6, checksum 2).
    auto burst = frame::encode(2, 0x0101, std::vector<std::uint8_t>{0x0D, 0, 0, 0, 0, 0});
    const auto second = frame::encode(2, 0x0102, std::vector<std::uint8_t>{0x07, 0, 0, 0, 0, 0});
    burst.insert(burst.end(), second.begin(), second.end());
    line.send(burst);

    // The first part ends inside the first reply's payload.
    const auto first = line.readFor(40);
    EXPECT_EQ(first.size(), 9u);
    const auto rest = line.readFor(300);
    std::vector<std::uint8_t> all = first;
    all.insert(all.end(), rest.begin(), rest.end());
    const auto frames = test::splitFrames(all);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].type, 8);
    EXPECT_EQ(frames[1].type, 3);
    EXPECT_TRUE(frames[0].checksumOk && frames[1].checksumOk);
}

} // namespace
} // namespace velmora::faults
