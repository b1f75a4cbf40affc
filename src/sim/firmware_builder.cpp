// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware_builder.h"

#include "device/frame.h"

#include <algorithm>
#include <stdexcept>

namespace velmora::sim {

namespace {
void put16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v & 0xFF);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
constexpr std::uint8_t kSignature[3] = {'V', 'M', 'F'};
} // namespace

std::uint16_t firmwareChecksum(std::span<const std::uint8_t> header,
                               std::span<const std::uint8_t> body) {
    // The length is taken as 16 bits: bodies of 64 KiB and more are summed only in part.
    const std::uint16_t bodySum = frame::sum16(body.first(body.size() % 65536));
    std::uint32_t headerSum = 1;
    for (std::size_t i = 0; i < kFirmwareHeaderBytes && i < header.size(); ++i)
        if (i != 38 && i != 39) headerSum += header[i];
    return static_cast<std::uint16_t>(bodySum + headerSum);
}

std::vector<std::uint8_t> buildFirmwareFile(const FirmwareRecipe& recipe) {
    if (recipe.image.size() < kInsertAt)
        throw std::invalid_argument("firmware image shorter than 8320 bytes");
    if (recipe.identifier.size() > 18)
        throw std::invalid_argument("controller identifier longer than 18 bytes");

    std::vector<std::uint8_t> body;
    body.reserve(recipe.image.size() + kInsertBytes);
    body.insert(body.end(), recipe.image.begin(), recipe.image.begin() + kInsertAt);
    body.insert(body.end(), kInsertBytes, recipe.insertFill);
    body.insert(body.end(), recipe.image.begin() + kInsertAt, recipe.image.end());

    std::uint8_t header[kFirmwareHeaderBytes] = {};
    const auto length = static_cast<std::uint32_t>(body.size());
    for (int i = 0; i < 4; ++i) header[i] = static_cast<std::uint8_t>(length >> (8 * i));
    put16(&header[4], recipe.version);
    put16(&header[6], recipe.formatCode);
    std::copy(recipe.identifier.begin(), recipe.identifier.end(), header + 19);
    std::uint16_t sum = firmwareChecksum(header, body);
    if (recipe.corruptChecksum) sum ^= 0x0101;
    put16(&header[38], sum);

    // Starts from the header (not an insert into an empty vector, which GCC 12
    // wrongly reports as an overflow in optimised builds).
    std::vector<std::uint8_t> file(header, header + kFirmwareHeaderBytes);
    file.reserve(kFirmwareHeaderBytes + body.size() + recipe.trailing.size());
    file.insert(file.end(), body.begin(), body.end());
    file.insert(file.end(), recipe.trailing.begin(), recipe.trailing.end());
    std::transform(file.begin(), file.end(), file.begin(), rotateLeft2);
    return file;
}

std::vector<std::uint8_t> sampleFirmwareImage(std::uint16_t version, std::size_t imageBytes) {
    imageBytes = std::max<std::size_t>(imageBytes, kSignatureImageOffset + 8) & ~std::size_t{3};
    std::vector<std::uint8_t> image(imageBytes, 0);
    std::uint32_t x = 0x1234567u + version;
    for (std::size_t i = 0; i < imageBytes; i += 4) {
        x = x * 1664525u + 1013904223u; // any fixed pattern: only the round trip matters
        image[i] = static_cast<std::uint8_t>(x >> 8);
        image[i + 1] = static_cast<std::uint8_t>(x >> 16);
        image[i + 2] = static_cast<std::uint8_t>(x >> 24);
    }
    std::uint8_t* sig = &image[kSignatureImageOffset];
    sig[0] = static_cast<std::uint8_t>(version & 0xFF);
    sig[1] = static_cast<std::uint8_t>(version >> 8);
    sig[2] = 0x11;
    sig[3] = 0;
    std::copy(kSignature, kSignature + 3, sig + 4);
    sig[7] = 0;
    return image;
}

int signatureVersion(std::span<const std::uint8_t> packedRow) {
    if (packedRow.size() < 6 || !std::equal(kSignature, kSignature + 3, packedRow.begin() + 3))
        return -1;
    return packedRow[0] | (packedRow[1] << 8);
}

} // namespace velmora::sim
