// SPDX-License-Identifier: GPL-3.0-or-later
// Firmware files from the builder, read back by the production reader.

#include "sim/firmware_builder.h"

#include "firmware/firmware_file.h"

#include <gtest/gtest.h>

namespace velmora::sim {
namespace {

struct ReadBack {
    bool ok = false;
    std::uint16_t version = 0, format = 0;
    std::wstring identifier;
    FirmwareReadError error = FirmwareReadError::None;
    std::vector<std::uint8_t> image;
    std::uint32_t rows = 0;
};

ReadBack readBack(const std::vector<std::uint8_t>& file) {
    CFirmwareFile reader;
    ReadBack r;
    r.ok = reader.readBytes(file, r.version, r.identifier, r.format);
    r.error = reader.lastError();
    if (r.ok) {
        r.image.assign(reader.image(), reader.image() + reader.imageSize());
        r.rows = reader.rowCount();
    }
    return r;
}

std::vector<std::uint8_t> counting(std::size_t n) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>(i * 7 + (i >> 8));
    return v;
}

TEST(FirmwareBuilder, FileReadsBackAsTheImageAndHeaderGiven) {
    FirmwareRecipe recipe;
    recipe.image = sampleFirmwareImage(0x0123);
    recipe.version = 0x0123;
    recipe.formatCode = 0x0202;
    recipe.trailing = {1, 2, 3}; // ignored after the body
    const auto file = buildFirmwareFile(recipe);
    ASSERT_EQ(file.size(), 40 + recipe.image.size() + 60 + 3);
    const ReadBack r = readBack(file);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.version, 0x0123);
    EXPECT_EQ(r.format, 0x0202);
    EXPECT_EQ(r.identifier, L"DRAXTONCTRL_33EP");
    EXPECT_EQ(r.image, recipe.image);
    EXPECT_EQ(r.rows, recipe.image.size() / 256);
}

TEST(FirmwareBuilder, BytesAreStoredRotatedAndTheInsertSitsAfter8320) {
    FirmwareRecipe recipe;
    recipe.image = counting(9000);
    recipe.insertFill = 0x41;
    const auto file = buildFirmwareFile(recipe);
    const std::uint32_t length = 9060;
    EXPECT_EQ(file[0], rotateLeft2(length & 0xFF));
    EXPECT_EQ(file[1], rotateLeft2(length >> 8));
    EXPECT_EQ(rotateLeft2(0x41), 0x05);
    EXPECT_EQ(rotateRight2(0x0F), 0xC3);
    EXPECT_EQ(file[40 + 8319], rotateLeft2(recipe.image[8319]));
    for (std::size_t i = 8320; i < 8380; ++i) ASSERT_EQ(file[40 + i], 0x05) << i;
    EXPECT_EQ(file[40 + 8380], rotateLeft2(recipe.image[8320]));
}

TEST(FirmwareBuilder, ChecksumCountsOnlyTheLow16BitsOfTheLength) {
    FirmwareRecipe recipe;
    recipe.image = counting(70000 - 60); // L = 70000: only 4464 body bytes are summed
    const auto base = buildFirmwareFile(recipe);
    recipe.image[5000] ^= 0xFF;
    const auto changedLate = buildFirmwareFile(recipe);
    EXPECT_EQ(base[38], changedLate[38]);
    EXPECT_EQ(base[39], changedLate[39]);
    EXPECT_TRUE(readBack(changedLate).ok);
    recipe.image[100] ^= 0xFF;
    const auto changedEarly = buildFirmwareFile(recipe);
    EXPECT_NE(std::make_pair(base[38], base[39]), std::make_pair(changedEarly[38], changedEarly[39]));
    EXPECT_TRUE(readBack(changedEarly).ok);
}

TEST(FirmwareBuilder, ShortestBodiesAndBadChecksums) {
    FirmwareRecipe recipe;
    recipe.image = counting(8320); // body 8380: one byte too short
    EXPECT_EQ(readBack(buildFirmwareFile(recipe)).error, FirmwareReadError::BodyTooShort);
    recipe.image = counting(8321);
    const ReadBack shortest = readBack(buildFirmwareFile(recipe));
    ASSERT_TRUE(shortest.ok);
    EXPECT_EQ(shortest.image.size(), 8321u);
    EXPECT_EQ(shortest.rows, 33u);
    recipe.corruptChecksum = true;
    EXPECT_EQ(readBack(buildFirmwareFile(recipe)).error, FirmwareReadError::BadChecksum);
}

TEST(FirmwareBuilder, RefusesWhatTheLayoutCannotHold) {
    FirmwareRecipe recipe;
    recipe.image = counting(8319);
    EXPECT_THROW(buildFirmwareFile(recipe), std::invalid_argument);
    recipe.image = counting(9000);
    recipe.identifier = std::string(19, 'X');
    EXPECT_THROW(buildFirmwareFile(recipe), std::invalid_argument);
}

TEST(FirmwareBuilder, SampleImageCarriesItsVersionInTheFirstProgrammedRow) {
    const auto image = sampleFirmwareImage(0xBEEF);
    std::vector<std::uint8_t> packed;
    for (std::size_t i = 0; i < 256; i += 4)
        packed.insert(packed.end(), image.begin() + static_cast<long>(kSignatureImageOffset + i),
                      image.begin() + static_cast<long>(kSignatureImageOffset + i + 3));
    EXPECT_EQ(signatureVersion(packed), 0xBEEF);
    packed[4] = 'X';
    EXPECT_EQ(signatureVersion(packed), -1);
    for (std::size_t i = 3; i < image.size(); i += 4) ASSERT_EQ(image[i], 0) << i;
}

} // namespace
} // namespace velmora::sim
