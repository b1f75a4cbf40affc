// SPDX-License-Identifier: GPL-3.0-or-later
// Reading firmware files: boundaries of the format, the checksum of long bodies,
// the image layout, and inputs that are not firmware files at all.

#include "firmware_test_files.h"

#include "firmware/codepage.h"
#include "firmware/firmware_file.h"
#include "sim/firmware_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

namespace velmora::test {
namespace {

struct ReadResult {
    bool ok = false;
    std::uint16_t version = 0xEEEE;
    std::wstring identifier = L"untouched";
    std::uint16_t format = 0xEEEE;
};

ReadResult readBytes(CFirmwareFile& file, const Bytes& bytes) {
    ReadResult r;
    r.ok = file.readBytes(bytes, r.version, r.identifier, r.format);
    return r;
}

// Stores value into the restored byte at offset (the file keeps bytes rotated).
void poke(Bytes& file, std::size_t offset, std::uint8_t value) {
    file.at(offset) = fw::storeByte(value);
}
std::uint8_t peek(const Bytes& file, std::size_t offset) {
    return fw::restoreByte(file.at(offset));
}

// Recomputes the checksum after the test changed a header byte.
void resign(Bytes& file) {
    Bytes header(fw::kHeaderSize), body;
    for (std::size_t i = 0; i < fw::kHeaderSize; ++i)
        header[i] = peek(file, i);
    const std::uint32_t length = header[0] | header[1] << 8 | header[2] << 16 | header[3] << 24;
    for (std::size_t i = 0; i < length; ++i)
        body.push_back(peek(file, fw::kHeaderSize + i));
    const std::uint16_t sum = sim::firmwareChecksum(header, body);
    poke(file, fw::kChecksumOffset, static_cast<std::uint8_t>(sum));
    poke(file, fw::kChecksumOffset + 1, static_cast<std::uint8_t>(sum >> 8));
}

TEST(FirmwareFile, RestoresRotatedBytes) {
    EXPECT_EQ(fw::restoreByte(0x05), 0x41);
    EXPECT_EQ(fw::restoreByte(0x0F), 0xC3);
    for (int b = 0; b < 256; ++b)
        EXPECT_EQ(fw::restoreByte(fw::storeByte(static_cast<std::uint8_t>(b))), b);
}

TEST(FirmwareFile, BodyLengthBoundaries) {
    CFirmwareFile file;
    // Image of 8320 bytes + the 60-byte insert = body 8380: one byte too short.
    EXPECT_FALSE(readBytes(file, fileWithImage(8320)).ok);
    EXPECT_EQ(file.lastError(), FirmwareReadError::BodyTooShort);

    ReadResult r = readBytes(file, fileWithImage(8321));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(file.imageSize(), 8321u);
    EXPECT_EQ(file.rowCount(), 33u);
    EXPECT_TRUE(file.loaded());
    EXPECT_EQ(file.lastError(), FirmwareReadError::None);

    // Largest body accepted: 98304.
    ASSERT_TRUE(readBytes(file, fileWithImage(fw::kMaxBody - fw::kInsertSize)).ok);
    EXPECT_EQ(file.imageSize(), 98244u);
    EXPECT_EQ(file.rowCount(), 384u);

    EXPECT_FALSE(readBytes(file, fileWithImage(fw::kMaxBody - fw::kInsertSize + 1)).ok);
    EXPECT_EQ(file.lastError(), FirmwareReadError::BodyTooLong);
}

TEST(FirmwareFile, RowCountRoundsUp) {
    CFirmwareFile file;
    for (std::size_t k : {33u, 40u, 200u}) {
        ASSERT_TRUE(readBytes(file, fileWithImage(256 * k)).ok) << k;
        EXPECT_EQ(file.rowCount(), k);
        ASSERT_TRUE(readBytes(file, fileWithImage(256 * k + 1)).ok) << k;
        EXPECT_EQ(file.rowCount(), k + 1);
    }
}

TEST(FirmwareFile, ImageSkipsTheInsertAndIsZeroBeyondItsSize) {
    sim::FirmwareRecipe recipe;
    recipe.image = patternImage(20000);
    recipe.insertFill = 0xA5;
    CFirmwareFile file;
    ASSERT_TRUE(readBytes(file, sim::buildFirmwareFile(recipe)).ok);
    ASSERT_NE(file.image(), nullptr);
    EXPECT_TRUE(std::equal(recipe.image.begin(), recipe.image.end(), file.image()));
    EXPECT_TRUE(std::all_of(file.image() + recipe.image.size(), file.image() + fw::kMaxBody,
                            [](std::uint8_t b) { return b == 0; }));
}

TEST(FirmwareFile, HeaderValuesAreReturnedWithoutJudgingThem) {
    sim::FirmwareRecipe recipe;
    recipe.image = patternImage(9000);
    recipe.version = 0x0042;
    recipe.formatCode = 0x0100;
    recipe.identifier = "other";
    CFirmwareFile file;
    ReadResult r = readBytes(file, sim::buildFirmwareFile(recipe));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.version, 0x0042);
    EXPECT_EQ(r.format, 0x0100);
    EXPECT_EQ(r.identifier, L"other");
}

TEST(FirmwareFile, IdentifierEndsAtTheFirstNulAndNeverLeavesItsField) {
    sim::FirmwareRecipe recipe;
    recipe.image = patternImage(9000);
    recipe.identifier = std::string("DRAXTONCTRL_33EP\0Z", 18);
    CFirmwareFile file;
    EXPECT_EQ(readBytes(file, sim::buildFirmwareFile(recipe)).identifier, L"DRAXTONCTRL_33EP");

    // A field with no NUL at all ends before the checksum bytes.
    Bytes bytes = fileWithImage(9000);
    for (std::size_t i = fw::kIdentifierOffset; i < fw::kChecksumOffset; ++i)
        poke(bytes, i, 'A');
    resign(bytes);
    ReadResult r = readBytes(file, bytes);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.identifier, std::wstring(19, L'A'));
}

TEST(FirmwareFile, IdentifierIsCodePage1250) {
    sim::FirmwareRecipe recipe;
    recipe.image = patternImage(9000);
    // Ł ó d ź, Š, and 0x81 which the code page leaves undefined.
    recipe.identifier = "\xA3\xF3" "d\x9F\x8A\x81";
    CFirmwareFile file;
    EXPECT_EQ(readBytes(file, sim::buildFirmwareFile(recipe)).identifier,
              L"\u0141\u00F3d\u017A\u0160\uFFFD");
}

// Both converters (iconv, MultiByteToWideChar) over every byte: ASCII as is, the
// five undefined bytes as U+FFFD, every other byte a character of its own.
TEST(CodePage1250, EveryByteDecodesAsTheCodePageDefinesIt) {
    Bytes all(256);
    for (int b = 0; b < 256; ++b) all[b] = static_cast<std::uint8_t>(b);
    const std::wstring wide = cp1250ToWide(all);
    ASSERT_EQ(wide.size(), 256u);
    const std::set<int> undefined{0x81, 0x83, 0x88, 0x90, 0x98};
    for (int b = 0; b < 256; ++b) {
        SCOPED_TRACE(b);
        if (b < 0x80)
            EXPECT_EQ(wide[b], static_cast<wchar_t>(b));
        else if (undefined.count(b))
            EXPECT_EQ(wide[b], L'\uFFFD');
        else
            EXPECT_TRUE(wide[b] > 0x9F && wide[b] != L'\uFFFD') << std::hex << int(wide[b]);
    }
    EXPECT_EQ(wide[0x80], L'\u20AC'); // euro sign
    EXPECT_EQ(wide[0xA5], L'\u0104'); // A with ogonek
    EXPECT_EQ(wide[0xFF], L'\u02D9'); // dot above
}

TEST(FirmwareFile, BytesAfterTheBodyAreIgnored) {
    sim::FirmwareRecipe recipe;
    recipe.image = patternImage(12345);
    CFirmwareFile plain;
    ASSERT_TRUE(readBytes(plain, sim::buildFirmwareFile(recipe)).ok);
    recipe.trailing = Bytes(5000, 0x77);
    CFirmwareFile trailed;
    ASSERT_TRUE(readBytes(trailed, sim::buildFirmwareFile(recipe)).ok);
    EXPECT_EQ(trailed.imageSize(), plain.imageSize());
    EXPECT_TRUE(std::equal(plain.image(), plain.image() + fw::kMaxBody, trailed.image()));
}

TEST(FirmwareFile, ChecksumOfALongBodyCoversOnlyLengthModulo65536Bytes) {
    // L = 70000: only the first 4464 body bytes are summed.
    Bytes bytes = fileWithImage(70000 - fw::kInsertSize);
    CFirmwareFile file;
    ASSERT_TRUE(readBytes(file, bytes).ok);

    Bytes late = bytes;
    const std::size_t lateOffset = fw::kHeaderSize + 4464;
    poke(late, lateOffset, static_cast<std::uint8_t>(peek(late, lateOffset) + 1));
    ASSERT_TRUE(readBytes(file, late).ok);
    EXPECT_EQ(file.image()[4464], static_cast<std::uint8_t>(peek(late, lateOffset)));

    Bytes early = bytes;
    const std::size_t earlyOffset = fw::kHeaderSize + 4463;
    poke(early, earlyOffset, static_cast<std::uint8_t>(peek(early, earlyOffset) + 1));
    EXPECT_FALSE(readBytes(file, early).ok);
    EXPECT_EQ(file.lastError(), FirmwareReadError::BadChecksum);
}

TEST(FirmwareFile, ChecksumMismatchIsRefused) {
    sim::FirmwareRecipe recipe;
    recipe.image = patternImage(9000);
    recipe.corruptChecksum = true;
    CFirmwareFile file;
    EXPECT_FALSE(readBytes(file, sim::buildFirmwareFile(recipe)).ok);
    EXPECT_EQ(file.lastError(), FirmwareReadError::BadChecksum);

    // A changed header byte is caught too.
    Bytes bytes = fileWithImage(9000);
    poke(bytes, 10, static_cast<std::uint8_t>(peek(bytes, 10) ^ 0x40));
    EXPECT_FALSE(readBytes(file, bytes).ok);
}

TEST(FirmwareFile, FailedReadKeepsThePreviousImageAndSetsNothing) {
    CFirmwareFile file;
    ASSERT_TRUE(readBytes(file, fileWithImage(10000)).ok);
    const Bytes before(file.image(), file.image() + fw::kMaxBody);

    Bytes truncated = fileWithImage(20000);
    truncated.resize(truncated.size() - 1);
    ReadResult r = readBytes(file, truncated);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(file.lastError(), FirmwareReadError::Truncated);
    EXPECT_FALSE(file.loaded());
    EXPECT_EQ(r.version, 0xEEEE);
    EXPECT_EQ(r.format, 0xEEEE);
    EXPECT_EQ(r.identifier, L"untouched");
    EXPECT_EQ(file.imageSize(), 10000u);
    EXPECT_EQ(file.rowCount(), 40u);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), file.image()));
}

TEST(FirmwareFile, ShortOrEmptyInputIsRefused) {
    CFirmwareFile file;
    EXPECT_FALSE(readBytes(file, {}).ok);
    EXPECT_EQ(file.lastError(), FirmwareReadError::ShortHeader);
    Bytes header = fileWithImage(9000);
    header.resize(39);
    EXPECT_FALSE(readBytes(file, header).ok);
    EXPECT_EQ(file.lastError(), FirmwareReadError::ShortHeader);
    EXPECT_EQ(file.image(), nullptr);
}

TEST(FirmwareFile, RandomAndMutatedInputNeverMisbehaves) {
    std::mt19937 rng(1234);
    CFirmwareFile file;
    const Bytes valid = fileWithImage(30000);
    for (int round = 0; round < 3000; ++round) {
        Bytes input;
        if (round % 2 == 0) {
            input.resize(rng() % 20000);
            for (auto& b : input)
                b = static_cast<std::uint8_t>(rng());
            // Some of them announce a plausible length.
            if (round % 4 == 0 && input.size() >= 4) {
                const std::uint32_t length = 8000 + rng() % 100000;
                for (int i = 0; i < 4; ++i)
                    input[i] = fw::storeByte(static_cast<std::uint8_t>(length >> (8 * i)));
            }
        } else {
            input = valid;
            for (int flips = 1 + static_cast<int>(rng() % 4); flips > 0; --flips)
                input[rng() % input.size()] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
            input.resize(input.size() - rng() % 64);
        }
        ReadResult r = readBytes(file, input);
        if (r.ok) {
            EXPECT_LE(file.imageSize(), fw::kMaxBody - fw::kInsertSize);
            EXPECT_EQ(file.rowCount(), (file.imageSize() + 255) / 256);
            EXPECT_LE(r.identifier.size(), fw::kIdentifierField);
        } else {
            EXPECT_NE(file.lastError(), FirmwareReadError::None);
        }
    }
}

TEST(FirmwareFile, ReadsFromDisk) {
    TempDir dir;
    CFirmwareFile file;
    ReadResult r;
    const fs::path good = dir.write("good.afm", fileWithImage(9000));
    EXPECT_TRUE(file.read(good, r.version, r.identifier, r.format));
    EXPECT_EQ(r.identifier, L"DRAXTONCTRL_33EP");
    // Wide path, as the dialog hands it over.
    EXPECT_TRUE(file.read(good.wstring(), r.version, r.identifier, r.format));
}

TEST(FirmwareFile, PathsThatAreNotFirmwareFilesAreRefused) {
    TempDir dir;
    CFirmwareFile file;
    ReadResult r;

    EXPECT_FALSE(file.read(dir.path() / "missing.afm", r.version, r.identifier, r.format));
    EXPECT_EQ(file.lastError(), FirmwareReadError::OpenFailed);

    EXPECT_FALSE(file.read(dir.path(), r.version, r.identifier, r.format));
    EXPECT_EQ(file.lastError(), FirmwareReadError::OpenFailed);

    EXPECT_FALSE(file.read(dir.write("empty.afm", {}), r.version, r.identifier, r.format));
    EXPECT_EQ(file.lastError(), FirmwareReadError::ShortHeader);

    EXPECT_EQ(r.identifier, L"untouched");
}

TEST(FirmwareFile, HugeFileIsReadOnlyAsFarAsTheBody) {
    TempDir dir;
    const fs::path huge = dir.write("huge.afm", fileWithImage(9000));
    fs::resize_file(huge, std::uintmax_t(1) << 26); // 64 MiB of trailing zeros
    CFirmwareFile file;
    ReadResult r;
    EXPECT_TRUE(file.read(huge, r.version, r.identifier, r.format));
    EXPECT_EQ(file.imageSize(), 9000u);
}

} // namespace
} // namespace velmora::test
