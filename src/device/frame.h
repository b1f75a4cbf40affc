// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Frame codec, shared by the host's exchange and the simulated unit.
//
// Offset  Size  Field
//   0      1    sync 1: 0xAA
//   1      1    sync 2: 0x55
//   2      1    length N = payload length L + 2 (checksum counted, key not)
//   3      1    frame type T
//   4      2    frame key, high byte first
//   6      L    payload, scrambled: each little-endian 16-bit word rotated left by
//               (key & 15); an odd last byte travels as is
//   6+L    2    checksum, high byte first:
//               (1 + sum of unscrambled payload bytes + key bytes + T + N) mod 65536

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace velmora::frame {

constexpr std::uint8_t kSync1 = 0xAA;
constexpr std::uint8_t kSync2 = 0x55;
constexpr std::size_t kMaxPayload = 253;
constexpr std::size_t kBufferSize = 410; // the exchange's payload buffer

// (1 + sum of bytes) mod 65536, the sum the frame and the firmware file share.
std::uint16_t sum16(std::span<const std::uint8_t> bytes, std::uint32_t start = 1);
std::uint16_t checksum(std::span<const std::uint8_t> payload, std::uint16_t key, std::uint8_t type,
                       std::uint8_t lengthByte);
// In place; only the floor(L/2) whole words are touched.
void scramble(std::span<std::uint8_t> payload, std::uint16_t key);
void descramble(std::span<std::uint8_t> payload, std::uint16_t key);
// A whole frame, ready for the wire.
std::vector<std::uint8_t> encode(std::uint8_t type, std::uint16_t key,
                                 std::span<const std::uint8_t> payload);

} // namespace velmora::frame
