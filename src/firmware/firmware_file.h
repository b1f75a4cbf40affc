// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A firmware file (.afm): a 40-byte header and a body, every byte stored rotated
// left by 2 bits. The body is a program memory image with a 60-byte insert after
// its first 8320 bytes.
//
// Header, after the rotation is undone (little-endian):
// Offset  Size  Field
//   0      4    body length L, 8381 .. 98304
//   4      2    firmware version
//   6      2    format code
//   8     11    unused
//  19     19    controller identifier, code page 1250, NUL-terminated inside the field
//  38      2    checksum: (S(body, L mod 65536) + S(header with these two bytes 0, 40))
//               mod 65536, where S(b, n) = (1 + sum of the first n bytes) mod 65536
//
// Body bytes 0 .. 8319 are image bytes 0 .. 8319; body bytes 8320 .. 8379 are
// skipped; body bytes 8380 .. L-1 are image bytes 8320 .. L-61.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>

namespace velmora {

namespace fw {
constexpr std::size_t kHeaderSize = 40;
constexpr std::size_t kMaxBody = 98304;      // also the size of the image buffer
constexpr std::size_t kMinBody = 8381;
constexpr std::size_t kInsertOffset = 8320;  // body offset of the skipped bytes
constexpr std::size_t kInsertSize = 60;
constexpr std::size_t kIdentifierOffset = 19;
constexpr std::size_t kIdentifierField = 19; // bytes 19 .. 37
constexpr std::size_t kChecksumOffset = 38;
constexpr std::size_t kRowBytes = 256;       // image bytes per flash row
// The most a reader ever looks at: anything after it cannot change the result.
constexpr std::size_t kMaxFileBytes = kHeaderSize + kMaxBody;

// A stored byte back to its value (right rotation by 2).
constexpr std::uint8_t restoreByte(std::uint8_t b) {
    return static_cast<std::uint8_t>(((b & 3u) << 6) | (b >> 2));
}
// The inverse, for writing files.
constexpr std::uint8_t storeByte(std::uint8_t b) {
    return static_cast<std::uint8_t>((b << 2) | (b >> 6));
}
} // namespace fw

// Why a read failed.
enum class FirmwareReadError {
    None,
    OpenFailed,    // missing, locked, not a regular file, no permission
    ReadFailed,    // the system reported an error while reading
    ShortHeader,   // fewer than 40 bytes
    BodyTooShort,  // header length below 8381
    BodyTooLong,   // header length above 98304
    Truncated,     // the file ends before the body the header announces
    BadChecksum,
};

class CFirmwareFile {
public:
    CFirmwareFile();
    virtual ~CFirmwareFile();
    CFirmwareFile(const CFirmwareFile&) = delete;
    CFirmwareFile& operator=(const CFirmwareFile&) = delete;

    // Reads and checks a file. On true the object holds the new image and the out
    // values are set; on false nothing is set, loaded() is false, lastError() says
    // why, and any earlier image stays in place.
    bool read(const std::filesystem::path& path, std::uint16_t& version,
              std::wstring& identifier, std::uint16_t& formatCode);
    // The same on the file's bytes.
    bool readBytes(std::span<const std::uint8_t> file, std::uint16_t& version,
                   std::wstring& identifier, std::uint16_t& formatCode);

    // fw::kMaxBody bytes, zero beyond imageSize(); null before the first good read.
    const std::uint8_t* image() const { return m_image.get(); }
    std::uint32_t imageSize() const { return m_imageSize; }
    std::uint32_t rowCount() const { return m_rowCount; }
    // Bytes in the file after the body the header announces (a file cut from a
    // download with something after it, or not a firmware file at all). The image
    // ignores them; the console tool asks before programming such a file.
    std::uint64_t trailingBytes() const { return m_trailingBytes; }
    bool loaded() const { return m_loaded; }
    FirmwareReadError lastError() const { return m_lastError; }

private:
    bool fail(FirmwareReadError error);

    std::unique_ptr<std::uint8_t[]> m_image;
    std::uint64_t m_trailingBytes = 0;
    std::uint32_t m_imageSize = 0;
    std::uint32_t m_rowCount = 0;
    bool m_loaded = false;
    FirmwareReadError m_lastError = FirmwareReadError::None;
};

// One line for the operator about a failed read (translated).
std::wstring describe(FirmwareReadError error);

} // namespace velmora
