// SPDX-License-Identifier: GPL-3.0-or-later
// The unit's command set: each command builds its request, runs it through the
// exchange, checks the reply and retries a fixed number of times.

#include "lpg_device.h"

#include "encodings.h"
#include "frame.h"
#include "lang/translate.h"

#include <algorithm>
#include <cstring>
#include <thread>

namespace velmora {

namespace {

// Frame types.
constexpr std::uint8_t kTypeReading = 0x01;
constexpr std::uint8_t kTypeCommand = 0x02; // request: command; reply: acknowledgement
constexpr std::uint8_t kTypeSettings = 0x03;
constexpr std::uint8_t kTypeVersion = 0x08;
constexpr std::uint8_t kTypeMap = 0x09;
constexpr std::uint8_t kTypeMapArea = 0x0A;
constexpr std::uint8_t kTypeAxes = 0x0B;
constexpr std::uint8_t kTypeBootloaderEntry = 0xF6;
constexpr std::uint8_t kTypeFlashRow = 0xF7;
constexpr std::uint8_t kTypeFlashErase = 0xF9;

// Command codes (byte 0 of a type-2 request).
constexpr std::uint8_t kCmdReading = 0x06;
constexpr std::uint8_t kCmdReadSettings = 0x07;
constexpr std::uint8_t kCmdStartApplication = 0x0A;
constexpr std::uint8_t kCmdReadVersion = 0x0D;
constexpr std::uint8_t kCmdReadMap = 0x0E;
constexpr std::uint8_t kCmdStoreMap = 0x0F;
constexpr std::uint8_t kCmdClearMap = 0x10;
constexpr std::uint8_t kCmdReadAxes = 0x11;
constexpr std::uint8_t kCmdEndProgramming = 0x60;
constexpr std::uint8_t kCmdQueryBootloader = 0xC4;
constexpr std::uint8_t kCmdIdentify = 0xCC;

// Byte 0 of a type-2 reply.
constexpr std::uint8_t kAck = 0x04;
constexpr std::uint8_t kBootloaderAnswers = 0x05;
constexpr std::uint8_t kBootloaderReady = 0xF7; // byte 1 of the bootloader query's reply
constexpr std::uint16_t kNoAnswer = 0xFFFF;
constexpr std::uint16_t kOffersReadings = 0x0055;

constexpr int kTries = 10;
constexpr int kIdentifyTries = 3;
constexpr int kBootloaderTries = 3;

constexpr char kBootloaderCode[] = "QK318264"; // sent without its terminator

// Record sizes. A reply of the right type but shorter than its record would fill
// the host's state from the checksum bytes and the zero fill; it counts as failed.
constexpr std::size_t kVersionBytes = 3;
constexpr std::size_t kSettingsBytes = 4;
constexpr std::size_t kMapBytes = kVoltRows * kRpmCols; // 240
constexpr std::size_t kAxesReadBytes = 2 * kVoltRows + kRpmCols; // 47
constexpr std::size_t kAxesWriteBytes = kAxesReadBytes + 1;      // padded to 48

constexpr std::uint32_t kRowAddressStep = 0x80;
constexpr std::uint32_t kPageAddressStep = 0x800;
constexpr std::size_t kImageBytesPerRow = 256;
constexpr std::size_t kPackedRowBytes = 192; // 64 program words of 3 bytes

std::uint16_t le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

void putLe32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

} // namespace

struct CLPGDevice::Reply {
    std::array<std::uint8_t, frame::kBufferSize> bytes{};
    std::uint8_t length = 0;
    std::uint8_t type = 0;
    std::uint8_t operator[](std::size_t i) const { return bytes[i]; }
};

// ---- attempts ----

bool CLPGDevice::request(std::uint8_t type, std::span<const std::uint8_t> payload, Reply& reply) {
    reply.bytes.fill(0);
    const std::size_t n = std::min(payload.size(), reply.bytes.size());
    std::copy_n(payload.begin(), n, reply.bytes.begin());
    reply.length = static_cast<std::uint8_t>(std::min<std::size_t>(n, 255));
    reply.type = type;
    if (transact(reply.bytes.data(), reply.length, reply.type)) return true;
    // After a silent time-out the line is quiet already; anything else may be a tail.
    if (m_lastOutcome != ExchangeOutcome::NoReply) resync();
    return false;
}

void CLPGDevice::resync() {
    // A reply that did not parse may be the tail of an earlier one (another program's,
    // killed half-way, or ours that came late): let the rest of it arrive and drop it,
    // so the next try starts from a clean line instead of reading it as its answer.
    // The reading thread may run an exchange meanwhile: purge between exchanges only.
    if (m_resyncPause.count() > 0) std::this_thread::sleep_for(m_resyncPause);
    std::lock_guard lock(m_linkMutex);
    m_io->purgeIn();
}

bool CLPGDevice::commandRequest(std::uint8_t code, Reply& reply) {
    const std::uint8_t payload[6] = {code, 0, 0, 0, 0, 0};
    return request(kTypeCommand, payload, reply);
}

bool CLPGDevice::acknowledged(std::uint8_t type, std::span<const std::uint8_t> payload, int tries) {
    Reply reply;
    for (int i = 0; i < tries; ++i) {
        if (!request(type, payload, reply)) continue;
        if (reply.type == kTypeCommand && reply[0] == kAck) return true;
        if (m_observer) m_observer(ExchangeOutcome::Refused, std::chrono::microseconds(0));
    }
    return false;
}

bool CLPGDevice::readRecord(std::uint8_t code, std::uint8_t replyType, std::size_t minLength,
                            Reply& reply) {
    for (int i = 0; i < kTries; ++i) {
        if (!commandRequest(code, reply)) continue;
        if (reply.type == replyType && reply.length >= minLength) return true;
        resync(); // an answer to another request: the line is out of step
    }
    return false;
}

bool CLPGDevice::firstType2Reply(std::uint8_t code, int tries, Reply& reply) {
    for (int i = 0; i < tries; ++i) {
        if (commandRequest(code, reply) && reply.type == kTypeCommand) return true;
    }
    return false;
}

// ---- identification ----

bool CLPGDevice::identify() {
    Reply reply;
    bool foreignOnce = false;
    for (int i = 0; i < kIdentifyTries; ++i) {
        if (!commandRequest(kCmdIdentify, reply)) continue;
        if (reply.type != kTypeCommand) {
            resync();
            continue;
        }
        if (reply[0] == kAck) {
            if (reply[1] != kDeviceType) {
                // A late answer to someone else's request looks like a foreign unit
                // once; a foreign unit says so every time.
                if (!foreignOnce) {
                    foreignOnce = true;
                    resync();
                    continue;
                }
                if (!m_wrongTypeShown) {
                    m_wrongTypeShown = true;
                    showMessage(translate(L"Brak połączenia"), MB_ERROR);
                }
                return false;
            }
            m_state.deviceType = kDeviceType;
            m_readings.store(le16(&reply.bytes[2]) == kOffersReadings);
            return true;
        }
        if (reply[0] == kBootloaderAnswers) {
            std::uint16_t answer = kNoAnswer;
            if (queryBootloader(answer)) {
                m_state.version = 0x0100;
                m_state.deviceType = kDeviceType;
                showMessage(translate(L"Sterownik nie jest poprawnie zaprogramowany i wymaga przeprogramowania."), MB_INFO);
                IDeviceOwner* o = owner();
                return o ? o->runFirmwareUpdate(true) : false;
            }
            if (answer == kNoAnswer) return false;
            if (endProgramming()) startApplication();
            return false;
        }
    }
    return false;
}

// ---- reads and writes of the device state ----

bool CLPGDevice::readVersion() {
    Reply reply;
    if (!readRecord(kCmdReadVersion, kTypeVersion, kVersionBytes, reply)) return false;
    m_state.version = le16(&reply.bytes[0]);
    m_state.deviceType = reply[2];
    return true;
}

bool CLPGDevice::readSettings() {
    Reply reply;
    if (!readRecord(kCmdReadSettings, kTypeSettings, kSettingsBytes, reply)) return false;
    m_state.rpmDivider = reply[0];
    m_state.noiseDelta = reply[1];
    m_state.noisePeriod = le16(&reply.bytes[2]);
    return true;
}

bool CLPGDevice::writeSettings() {
    const std::uint8_t record[kSettingsBytes] = {
        m_state.rpmDivider, m_state.noiseDelta,
        static_cast<std::uint8_t>(m_state.noisePeriod & 0xFF),
        static_cast<std::uint8_t>(m_state.noisePeriod >> 8)};
    if (!acknowledged(kTypeSettings, record, kTries)) return false;
    // The unit takes the map together with its settings; that write is not part of the answer.
    writeMap();
    return true;
}

bool CLPGDevice::readMap() {
    Reply reply;
    if (!readRecord(kCmdReadMap, kTypeMap, kMapBytes, reply)) return false;
    for (std::size_t v = 0; v < kVoltRows; ++v)
        for (std::size_t r = 0; r < kRpmCols; ++r)
            m_state.map[v][r] = mapValueFromByte(reply[v * kRpmCols + r]);
    return true;
}

bool CLPGDevice::writeMap() {
    std::uint8_t payload[kMapBytes];
    for (std::size_t v = 0; v < kVoltRows; ++v)
        for (std::size_t r = 0; r < kRpmCols; ++r)
            payload[v * kRpmCols + r] = mapByteFromValue(m_state.map[v][r]);
    return acknowledged(kTypeMap, payload, kTries);
}

bool CLPGDevice::storeMap() {
    const std::uint8_t payload[6] = {kCmdStoreMap, 0, 0, 0, 0, 0};
    return acknowledged(kTypeCommand, payload, kTries);
}

bool CLPGDevice::clearMap() {
    const std::uint8_t payload[6] = {kCmdClearMap, 0, 0, 0, 0, 0};
    return acknowledged(kTypeCommand, payload, kTries);
}

bool CLPGDevice::correctMapArea(const std::array<std::uint8_t, 6>& record) {
    return acknowledged(kTypeMapArea, record, 1);
}

bool CLPGDevice::readAxes() {
    Reply reply;
    if (!readRecord(kCmdReadAxes, kTypeAxes, kAxesReadBytes, reply)) return false;
    for (std::size_t i = 0; i < kVoltRows; ++i)
        m_state.voltAxis[i] = voltsFromWord(static_cast<std::int16_t>(le16(&reply.bytes[2 * i])));
    for (std::size_t j = 0; j < kRpmCols; ++j)
        m_state.rpmAxis[j] = rpmFromAxisByte(reply[2 * kVoltRows + j]);
    return true;
}

bool CLPGDevice::writeAxes() {
    std::uint8_t payload[kAxesWriteBytes] = {};
    for (std::size_t i = 0; i < kVoltRows; ++i) {
        const auto w = static_cast<std::uint16_t>(axisWordFromVolts(m_state.voltAxis[i]));
        payload[2 * i] = static_cast<std::uint8_t>(w & 0xFF);
        payload[2 * i + 1] = static_cast<std::uint8_t>(w >> 8);
    }
    for (std::size_t j = 0; j < kRpmCols; ++j)
        payload[2 * kVoltRows + j] = axisByteFromRpm(m_state.rpmAxis[j]);
    return acknowledged(kTypeAxes, payload, kTries);
}

// ---- readings ----

int CLPGDevice::readDiag(CDiag& sample) {
    std::array<std::uint8_t, frame::kBufferSize> buffer{};
    buffer[0] = kCmdReading;
    std::uint8_t length = 6;
    std::uint8_t type = kTypeCommand;
    if (transactDiag(buffer.data(), length, type) != 0) return 2;
    if (type != kTypeReading) return 1;
    // The record takes at most its 20 reply bytes, whatever length the reply claims.
    sample.fillFromReply(std::span(buffer.data(), length));
    return 0;
}

// ---- bootloader ----

bool CLPGDevice::enterBootloader() {
    std::uint8_t code[sizeof kBootloaderCode - 1];
    std::memcpy(code, kBootloaderCode, sizeof code);
    return acknowledged(kTypeBootloaderEntry, code, 1);
}

bool CLPGDevice::queryBootloader(std::uint16_t& answer) {
    Reply reply;
    for (int i = 0; i < kBootloaderTries; ++i) {
        answer = kNoAnswer;
        if (!commandRequest(kCmdQueryBootloader, reply) || reply.type != kTypeCommand) continue;
        if (reply[0] != kAck) return false;
        answer = reply[1];
        if (answer == kBootloaderReady) return true;
        endProgramming();
        return false;
    }
    return false;
}

bool CLPGDevice::eraseFlashPage(std::uint32_t address) {
    std::uint8_t payload[4];
    putLe32(payload, address);
    return acknowledged(kTypeFlashErase, payload, kBootloaderTries);
}

bool CLPGDevice::writeFlashRow(std::uint32_t address, const std::uint8_t* image256) {
    std::uint8_t payload[4 + kPackedRowBytes];
    putLe32(payload, address);
    // Four image bytes per 24-bit program word; the fourth is not sent.
    for (std::size_t word = 0; word < kImageBytesPerRow / 4; ++word)
        std::memcpy(payload + 4 + 3 * word, image256 + 4 * word, 3);
    return acknowledged(kTypeFlashRow, payload, kBootloaderTries);
}

bool CLPGDevice::endProgramming() {
    Reply reply;
    return firstType2Reply(kCmdEndProgramming, kBootloaderTries, reply) && reply[0] == kAck;
}

bool CLPGDevice::startApplication() {
    Reply reply;
    return firstType2Reply(kCmdStartApplication, kBootloaderTries, reply) && reply[0] == kAck;
}

CLPGDevice::RowAnswer CLPGDevice::sendFlashRow(std::uint32_t address, const std::uint8_t* image256) {
    std::uint8_t payload[4 + kPackedRowBytes];
    putLe32(payload, address);
    for (std::size_t word = 0; word < kImageBytesPerRow / 4; ++word)
        std::memcpy(payload + 4 + 3 * word, image256 + 4 * word, 3);
    Reply reply;
    if (!request(kTypeFlashRow, payload, reply)) return RowAnswer::Lost;
    if (reply.type == kTypeCommand && reply[0] == kAck) return RowAnswer::Ack;
    if (m_observer) m_observer(ExchangeOutcome::Refused, std::chrono::microseconds(0));
    return RowAnswer::Refused;
}

bool CLPGDevice::programImage(std::span<const std::uint8_t> image, std::uint16_t rowCount,
                              const Progress& progress) {
    // A line that loses a row's answer loses it again when the whole programming is
    // repeated, so a row is first sent again on its own; only a row that still fails
    // starts the programming over from the first erase, once.
    for (int pass = 0; pass < 2; ++pass) {
        if (programPass(image, rowCount, progress)) return true;
    }
    return false;
}

bool CLPGDevice::programPass(std::span<const std::uint8_t> image, std::uint16_t rowCount,
                             const Progress& progress) {
    constexpr int kRowSends = 3; // the row and at most two more times
    const unsigned rowsToEnd = (kEndAddress - kFirstRowAddress) / kRowAddressStep;
    const unsigned total = std::min<unsigned>(rowCount, rowsToEnd);
    std::uint32_t address = kFirstRowAddress;
    std::size_t position = 2u * kFirstRowAddress; // two image bytes per flash address unit
    unsigned written = 0;
    while (rowCount != 0) {
        if (address % kPageAddressStep == 0 && !eraseFlashPage(address)) return false;
        std::uint8_t row[kImageBytesPerRow] = {};
        if (position < image.size())
            std::copy_n(image.begin() + static_cast<std::ptrdiff_t>(position),
                        std::min(kImageBytesPerRow, image.size() - position), row);
        bool done = false;
        bool answerLost = false;
        for (int send = 0; send < kRowSends && !done; ++send) {
            switch (sendFlashRow(address, row)) {
            case RowAnswer::Ack: done = true; break;
            case RowAnswer::Lost: answerLost = true; break;
            case RowAnswer::Refused:
                // The unit writes a row once per erase and refuses it after that: a
                // refusal right after a lost answer means that send was written.
                if (!answerLost) return false;
                done = true;
                break;
            }
        }
        if (!done) return false;
        position += kImageBytesPerRow;
        --rowCount;
        address += kRowAddressStep;
        ++written;
        if (progress) progress(written, total);
        if (address >= kEndAddress) break;
    }
    return true;
}

bool CLPGDevice::programImage(const std::uint8_t* image, std::uint16_t rowCount,
                              const Progress& progress) {
    if (!image) return false;
    return programImage(std::span(image, kProgramSpan), rowCount, progress);
}

} // namespace velmora
