// SPDX-License-Identifier: GPL-3.0-or-later
#include "frame.h"

#include <algorithm>

namespace velmora::frame {

namespace {
std::uint16_t rotl16(std::uint16_t v, unsigned k) {
    k &= 15;
    return k == 0 ? v : static_cast<std::uint16_t>((v << k) | (v >> (16 - k)));
}
std::uint16_t rotr16(std::uint16_t v, unsigned k) { return rotl16(v, (16 - (k & 15)) & 15); }

template <class Rotate>
void rotateWords(std::span<std::uint8_t> payload, std::uint16_t key, Rotate rotate) {
    const unsigned k = key & 15u;
    for (std::size_t i = 0; i + 1 < payload.size(); i += 2) {
        auto word = static_cast<std::uint16_t>(payload[i] | (payload[i + 1] << 8));
        word = rotate(word, k);
        payload[i] = static_cast<std::uint8_t>(word & 0xFF);
        payload[i + 1] = static_cast<std::uint8_t>(word >> 8);
    }
}
} // namespace

std::uint16_t sum16(std::span<const std::uint8_t> bytes, std::uint32_t start) {
    std::uint32_t s = start;
    for (std::uint8_t b : bytes) s += b;
    return static_cast<std::uint16_t>(s);
}

std::uint16_t checksum(std::span<const std::uint8_t> payload, std::uint16_t key, std::uint8_t type,
                       std::uint8_t lengthByte) {
    std::uint32_t s = sum16(payload);
    s += (key & 0xFFu) + (key >> 8) + type + lengthByte;
    return static_cast<std::uint16_t>(s);
}

void scramble(std::span<std::uint8_t> payload, std::uint16_t key) {
    rotateWords(payload, key, rotl16);
}

void descramble(std::span<std::uint8_t> payload, std::uint16_t key) {
    rotateWords(payload, key, rotr16);
}

std::vector<std::uint8_t> encode(std::uint8_t type, std::uint16_t key,
                                 std::span<const std::uint8_t> payload) {
    const auto lengthByte = static_cast<std::uint8_t>(payload.size() + 2);
    const std::uint16_t sum = checksum(payload, key, type, lengthByte);
    // Appended, not copied into a presized vector: GCC 12 at -O3 cannot see that
    // size + 8 does not wrap and rejects the copy (-Wstringop-overflow).
    std::vector<std::uint8_t> out{kSync1, kSync2, lengthByte, type,
                                  static_cast<std::uint8_t>(key >> 8),
                                  static_cast<std::uint8_t>(key & 0xFF)};
    out.reserve(payload.size() + 8);
    out.insert(out.end(), payload.begin(), payload.end());
    scramble(std::span(out).subspan(6, payload.size()), key);
    out.push_back(static_cast<std::uint8_t>(sum >> 8));
    out.push_back(static_cast<std::uint8_t>(sum & 0xFF));
    return out;
}

} // namespace velmora::frame
