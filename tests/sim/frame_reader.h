// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading reply frames out of a byte stream with the production frame codec.

#include "device/frame.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace velmora::test {

struct ReceivedFrame {
    std::uint8_t type = 0;
    std::uint16_t key = 0;
    std::vector<std::uint8_t> payload; // descrambled
    bool checksumOk = false;
    std::size_t junk = 0; // bytes skipped before the header
};

// Takes the first whole frame out of bytes (and whatever junk precedes it).
inline std::optional<ReceivedFrame> takeFrame(std::vector<std::uint8_t>& in) {
    std::size_t start = 0;
    while (start + 1 < in.size() && !(in[start] == 0xAA && in[start + 1] == 0x55)) ++start;
    if (start + 6 > in.size()) return std::nullopt;
    const std::size_t total = 6u + in[start + 2];
    if (in[start + 2] < 2 || start + total > in.size()) return std::nullopt;
    ReceivedFrame f;
    f.junk = start;
    f.type = in[start + 3];
    f.key = static_cast<std::uint16_t>((in[start + 4] << 8) | in[start + 5]);
    f.payload.assign(in.begin() + static_cast<long>(start) + 6,
                     in.begin() + static_cast<long>(start + total) - 2);
    frame::descramble(f.payload, f.key);
    const auto sum =
        static_cast<std::uint16_t>((in[start + total - 2] << 8) | in[start + total - 1]);
    f.checksumOk = frame::checksum(f.payload, f.key, f.type, in[start + 2]) == sum;
    in.erase(in.begin(), in.begin() + static_cast<long>(start + total));
    return f;
}

// Every whole frame in bytes, in order.
inline std::vector<ReceivedFrame> splitFrames(std::vector<std::uint8_t> bytes) {
    std::vector<ReceivedFrame> out;
    while (auto f = takeFrame(bytes)) out.push_back(*f);
    return out;
}

} // namespace velmora::test
