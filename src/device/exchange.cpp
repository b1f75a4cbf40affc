// SPDX-License-Identifier: GPL-3.0-or-later
// One request frame out, one reply frame in, under the link mutex. The layout,
// scrambling and checksum are in frame.h; this file holds the order of the port
// operations, which the unit's timing depends on.

#include "lpg_device.h"

#include "frame.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace velmora {

namespace {

// The request's fixed parts; the payload is scrambled in place in the caller's buffer.
struct Outgoing {
    std::uint8_t header[4];
    std::uint8_t key[2];
    std::uint8_t sum[2];
};

Outgoing prepare(std::uint8_t* payload, std::uint8_t length, std::uint8_t type,
                 std::uint16_t key) {
    const auto lengthByte = static_cast<std::uint8_t>(length + 2);
    const std::span<std::uint8_t> body(payload, length);
    const std::uint16_t sum = frame::checksum(body, key, type, lengthByte);
    frame::scramble(body, key);
    return {{frame::kSync1, frame::kSync2, lengthByte, type},
            {static_cast<std::uint8_t>(key >> 8), static_cast<std::uint8_t>(key & 0xFF)},
            {static_cast<std::uint8_t>(sum >> 8), static_cast<std::uint8_t>(sum & 0xFF)}};
}

bool send(ISerialIO& io, const std::uint8_t* bytes, std::size_t count) {
    return io.write(bytes, count) == count;
}

// A line check: any pending line error makes the transfer suspect.
bool lineClean(ISerialIO& io) { return io.clearCommError() == 0; }

// Reads the reply header. When the sync pair is not in front, realigns on the
// first 0xAA and reads the missing bytes; the realigned header is taken as it is.
bool readHeader(ISerialIO& io, std::uint8_t (&header)[4]) {
    if (io.read(header, 4) < 4) return false;
    if (header[0] == frame::kSync1 && header[1] == frame::kSync2) return true;
    std::size_t at = 0;
    while (at < 4 && header[at] != frame::kSync1) ++at;
    if (at == 4) return false;
    std::memmove(header, header + at, 4 - at);
    return io.read(header + 4 - at, at) == at;
}

// Descrambles the received body and compares its checksum. got >= 3.
bool checksumMatches(std::uint8_t* buffer, std::size_t got, std::uint8_t lengthByte,
                     std::uint8_t type, const std::uint8_t (&keyBytes)[2]) {
    const auto key = static_cast<std::uint16_t>(keyBytes[0] << 8 | keyBytes[1]);
    frame::descramble(std::span(buffer, got - 2), key);
    const auto received = static_cast<std::uint16_t>(buffer[got - 2] << 8 | buffer[got - 1]);
    const std::size_t covered = lengthByte >= 2 ? lengthByte - 2u : 0u;
    return received == frame::checksum(std::span(buffer, covered), key, type, lengthByte);
}

} // namespace

void CLPGDevice::observe(ExchangeOutcome outcome, std::chrono::steady_clock::time_point start) {
    if (m_observer)
        m_observer(outcome, std::chrono::duration_cast<std::chrono::microseconds>(
                                std::chrono::steady_clock::now() - start));
}

bool CLPGDevice::transact(std::uint8_t* buffer, std::uint8_t& length, std::uint8_t& type) {
    const auto start = std::chrono::steady_clock::now();
    ExchangeOutcome outcome = ExchangeOutcome::LineError;
    const bool ok = transactBody(buffer, length, type, outcome);
    m_lastOutcome = ok ? ExchangeOutcome::Ok : outcome;
    observe(m_lastOutcome, start);
    return ok;
}

int CLPGDevice::transactDiag(std::uint8_t* buffer, std::uint8_t& length, std::uint8_t& type) {
    const auto start = std::chrono::steady_clock::now();
    ExchangeOutcome outcome = ExchangeOutcome::LineError;
    const int result = transactDiagBody(buffer, length, type, outcome);
    observe(result == 0 ? ExchangeOutcome::Ok : outcome, start);
    return result;
}

bool CLPGDevice::transactBody(std::uint8_t* buffer, std::uint8_t& length, std::uint8_t& type,
                              ExchangeOutcome& outcome) {
    const std::uint16_t key = nextKey();
    std::lock_guard lock(m_linkMutex);
    if (length > frame::kMaxPayload) return false; // the length byte could not say it
    ISerialIO& io = *m_io;

    const Outgoing out = prepare(buffer, length, type, key);
    if (!send(io, out.header, 4) || !lineClean(io)) return false;
    if (!send(io, out.key, 2) || !send(io, buffer, length) || !lineClean(io)) return false;
    // Whatever came before our checksum byte cannot be the answer to this frame.
    io.purgeIn();
    if (!send(io, out.sum, 2) || !lineClean(io)) return false;

    outcome = ExchangeOutcome::NoReply;
    std::uint8_t header[4];
    std::uint8_t replyKey[2];
    if (!readHeader(io, header)) return false;
    if (io.read(replyKey, 2) < 2) return false;
    const std::uint8_t lengthByte = header[2];
    std::fill_n(buffer, frame::kBufferSize, std::uint8_t{0});
    outcome = ExchangeOutcome::LineError;
    if (!lineClean(io)) return false;

    outcome = ExchangeOutcome::NoReply;
    std::size_t got = io.read(buffer, lengthByte);
    if (got < lengthByte) {
        // A slow unit may pause inside the body; give it one more chance.
        std::this_thread::sleep_for(m_secondReadPause);
        got += io.read(buffer + got, lengthByte - got);
    }
    if (got <= 2) return false;
    outcome = ExchangeOutcome::BadChecksum;
    if (!checksumMatches(buffer, got, lengthByte, header[3], replyKey)) return false;
    type = header[3];
    length = static_cast<std::uint8_t>(lengthByte - 2);
    outcome = ExchangeOutcome::LineError;
    return lineClean(io);
}

int CLPGDevice::transactDiagBody(std::uint8_t* buffer, std::uint8_t& length, std::uint8_t& type,
                                 ExchangeOutcome& outcome) {
    constexpr int kOk = 0;
    constexpr int kFailed = 2;
    std::lock_guard lock(m_linkMutex);
    const std::uint16_t key = nextKey();
    if (length > frame::kMaxPayload) return kFailed;
    ISerialIO& io = *m_io;

    const Outgoing out = prepare(buffer, length, type, key);
    io.purgeIn();
    if (!send(io, out.header, 4) || !send(io, out.key, 2) || !lineClean(io)) return kFailed;
    if (!send(io, buffer, length) || !lineClean(io)) return kFailed;
    io.purgeIn();
    if (!send(io, out.sum, 2) || !lineClean(io)) return kFailed;

    outcome = ExchangeOutcome::NoReply;
    std::uint8_t header[4];
    std::uint8_t replyKey[2];
    if (!readHeader(io, header)) return kFailed;
    // No key, or an empty body: nothing to judge; the request type stays in `type`,
    // which the caller takes as "no sample".
    if (io.read(replyKey, 2) < 2) return kOk;
    const std::uint8_t lengthByte = header[2];
    std::fill_n(buffer, frame::kBufferSize, std::uint8_t{0});
    outcome = ExchangeOutcome::LineError;
    if (!lineClean(io)) return kFailed;
    outcome = ExchangeOutcome::NoReply;
    if (io.read(buffer, lengthByte) != lengthByte) return kFailed;
    if (lengthByte <= 2) return kOk;
    outcome = ExchangeOutcome::BadChecksum;
    if (!checksumMatches(buffer, lengthByte, lengthByte, header[3], replyKey)) return kFailed;
    type = header[3];
    length = lengthByte; // payload plus the two checksum bytes
    outcome = ExchangeOutcome::LineError;
    return lineClean(io) ? kOk : kFailed;
}

} // namespace velmora
