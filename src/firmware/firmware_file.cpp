// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware_file.h"

#include "codepage.h"
#include "file_bytes.h"

#include "device/frame.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <system_error>
#include <vector>

namespace velmora {

using namespace fw;

namespace {
std::uint32_t le32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}
std::uint16_t le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
} // namespace

CFirmwareFile::CFirmwareFile() = default;
CFirmwareFile::~CFirmwareFile() = default;

bool CFirmwareFile::fail(FirmwareReadError error) {
    m_loaded = false;
    m_lastError = error;
    return false;
}

bool CFirmwareFile::read(const std::filesystem::path& path, std::uint16_t& version,
                         std::wstring& identifier, std::uint16_t& formatCode) {
    m_loaded = false;
    std::vector<std::uint8_t> bytes;
    switch (readFilePrefix(path, kMaxFileBytes, bytes)) {
    case FileReadStatus::Ok: {
        if (!readBytes(bytes, version, identifier, formatCode)) return false;
        // Only a prefix was read: the rest of the file counts as well.
        std::error_code ec;
        const auto size = std::filesystem::file_size(path, ec);
        if (!ec && size > bytes.size()) m_trailingBytes += size - bytes.size();
        return true;
    }
    case FileReadStatus::OpenFailed:
        return fail(FirmwareReadError::OpenFailed);
    case FileReadStatus::ReadFailed:
        break;
    }
    return fail(FirmwareReadError::ReadFailed);
}

bool CFirmwareFile::readBytes(std::span<const std::uint8_t> file, std::uint16_t& version,
                              std::wstring& identifier, std::uint16_t& formatCode) {
    m_loaded = false;
    if (file.size() < kHeaderSize)
        return fail(FirmwareReadError::ShortHeader);

    std::array<std::uint8_t, kHeaderSize> header{};
    std::transform(file.begin(), file.begin() + kHeaderSize, header.begin(), restoreByte);
    const std::uint32_t length = le32(header.data());
    if (length < kMinBody)
        return fail(FirmwareReadError::BodyTooShort);
    if (length > kMaxBody)
        return fail(FirmwareReadError::BodyTooLong);
    const auto stored = file.subspan(kHeaderSize);
    if (stored.size() < length)
        return fail(FirmwareReadError::Truncated);

    std::vector<std::uint8_t> body(length);
    std::transform(stored.begin(), stored.begin() + length, body.begin(), restoreByte);

    // The length is summed as a 16-bit value: a body of 65536 bytes or more only
    // has its first (L mod 65536) bytes covered. Files in the field rely on it.
    const std::uint16_t storedSum = le16(header.data() + kChecksumOffset);
    header[kChecksumOffset] = 0;
    header[kChecksumOffset + 1] = 0;
    const std::uint16_t bodySum =
        frame::sum16(std::span<const std::uint8_t>(body.data(), length & 0xFFFFu));
    const std::uint16_t headerSum = frame::sum16(header);
    header[kChecksumOffset] = static_cast<std::uint8_t>(storedSum);
    header[kChecksumOffset + 1] = static_cast<std::uint8_t>(storedSum >> 8);
    if (static_cast<std::uint16_t>(bodySum + headerSum) != storedSum)
        return fail(FirmwareReadError::BadChecksum);

    auto image = std::make_unique<std::uint8_t[]>(kMaxBody); // zero-filled
    std::memcpy(image.get(), body.data(), kInsertOffset);
    const std::size_t tail = kInsertOffset + kInsertSize;
    std::memcpy(image.get() + kInsertOffset, body.data() + tail, length - tail);

    m_image = std::move(image);
    m_imageSize = length - static_cast<std::uint32_t>(kInsertSize);
    m_rowCount = (m_imageSize + kRowBytes - 1) / kRowBytes;
    m_trailingBytes = stored.size() - length;

    const std::uint8_t* id = header.data() + kIdentifierOffset;
    const std::uint8_t* idEnd = std::find(id, id + kIdentifierField, std::uint8_t{0});
    version = le16(header.data() + 4);
    identifier = cp1250ToWide(std::span<const std::uint8_t>(id, idEnd));
    formatCode = le16(header.data() + 6);

    m_loaded = true;
    m_lastError = FirmwareReadError::None;
    return true;
}

} // namespace velmora
