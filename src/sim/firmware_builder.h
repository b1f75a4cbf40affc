// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Writes firmware files (.afm) from a program memory image, for tests and the demo.
//
// File: 40-byte header, then a body of L bytes; every byte stored rotated left by 2 bits.
// Header (little-endian):
//   0  u32  body length L (8381..98304 for a file the reader accepts)
//   4  u16  firmware version
//   6  u16  format code (0x0101)
//   8  11   unused
//  19  19   controller identifier, code page 1250, NUL-terminated inside the field
//  38  u16  checksum: S(body, L mod 65536) + S(header with these two bytes zero, 40),
//           S(b, n) = 1 + sum of the first n bytes, all mod 65536
// Body: image bytes 0..8319, a 60-byte insert that is not part of the image, then
// image bytes 8320 onwards.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace velmora::sim {

constexpr std::size_t kFirmwareHeaderBytes = 40;
constexpr std::size_t kInsertAt = 8320;
constexpr std::size_t kInsertBytes = 60;
constexpr std::size_t kMaxBody = 98304;

struct FirmwareRecipe {
    std::vector<std::uint8_t> image; // 4 bytes per program word, at least kInsertAt bytes
    std::uint16_t version = 0x0104;
    std::uint16_t formatCode = 0x0101;
    std::string identifier = "DRAXTONCTRL_33EP"; // at most 18 bytes
    std::uint8_t insertFill = 0xFF;
    std::vector<std::uint8_t> trailing; // appended after the body
    bool corruptChecksum = false;
};

// Throws std::invalid_argument for an image shorter than kInsertAt or an identifier
// longer than 18 bytes. Lengths the reader refuses (too long) are still written.
std::vector<std::uint8_t> buildFirmwareFile(const FirmwareRecipe& recipe);

// The stored form of one byte (rotated left by 2) and back.
constexpr std::uint8_t rotateLeft2(std::uint8_t b) {
    return static_cast<std::uint8_t>((b << 2) | (b >> 6));
}
constexpr std::uint8_t rotateRight2(std::uint8_t b) {
    return static_cast<std::uint8_t>((b >> 2) | (b << 6));
}

// Checksum over a restored header (bytes 38..39 taken as zero) and body.
std::uint16_t firmwareChecksum(std::span<const std::uint8_t> header,
                               std::span<const std::uint8_t> body);

// The first row the bootloader writes (flash 0x1800, image offset 0x3000) starts with
// a signature the simulated unit reads its version back from:
//   program word 0: version low, version high, device type 0x11
//   program word 1: 'V', 'M', 'F'
constexpr std::size_t kSignatureImageOffset = 0x3000;
constexpr std::uint32_t kSignatureFlashAddress = 0x1800;

// A plausible image of imageBytes bytes (multiple of 4) with the signature above,
// program words filled with a fixed pseudo-random pattern (fourth bytes zero).
std::vector<std::uint8_t> sampleFirmwareImage(std::uint16_t version,
                                              std::size_t imageBytes = 0x6000);

// The version a programmed signature row carries, or -1 when the row has none.
int signatureVersion(std::span<const std::uint8_t> packedRow);

} // namespace velmora::sim
