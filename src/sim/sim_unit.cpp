// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim_unit.h"

#include "engine.h"
#include "firmware_builder.h"

#include "device/frame.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <utility>

namespace velmora::sim {

namespace {

std::uint16_t le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Command codes of type-2 requests.
enum : std::uint8_t {
    kReadDiag = 0x06,
    kReadSettings = 0x07,
    kStartApplication = 0x0A,
    kReadVersion = 0x0D,
    kReadMap = 0x0E,
    kStoreMap = 0x0F,
    kClearMap = 0x10,
    kReadAxes = 0x11,
    kEndProgramming = 0x60,
    kQueryBootloader = 0xC4,
    kIdentify = 0xCC,
};

// Frame types.
enum : std::uint8_t {
    kTypeReading = 1,
    kTypeCommand = 2,
    kTypeSettings = 3,
    kTypeVersion = 8,
    kTypeMap = 9,
    kTypeArea = 0x0A,
    kTypeAxes = 0x0B,
    kTypeEnterBootloader = 0xF6,
    kTypeFlashRow = 0xF7,
    kTypeErasePage = 0xF9,
};

CSimUnit::Clock steadyClock() {
    const auto start = std::chrono::steady_clock::now();
    return [start] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now() - start)
            .count();
    };
}

} // namespace

CSimUnit::CSimUnit() : m_clock(steadyClock()) {}

CSimUnit::CSimUnit(SimState initial) : m_state(std::move(initial)), m_clock(steadyClock()) {}

void CSimUnit::setFaults(const Faults& faults) {
    m_faults = faults;
    m_repliesSent = 0;
    m_readingsSinceFaults = 0;
    m_silenceFired = false;
    m_silentActive = false;
}

void CSimUnit::setClock(Clock clock) {
    m_clock = clock ? std::move(clock) : steadyClock();
    m_lastByteAt = m_clock();
}

void CSimUnit::startInBootloader() {
    m_state.mode = Mode::Bootloader;
    m_state.applicationValid = false;
}

bool CSimUnit::isUnplugged() const { return m_silentActive && now() < m_silentUntil; }

std::vector<std::uint8_t> CSimUnit::feed(std::span<const std::uint8_t> bytes) {
    Bytes out;
    const std::int64_t t = now();
    if (m_silentActive && t >= m_silentUntil) m_silentActive = false;
    if (isUnplugged()) {
        m_in.clear(); // nothing reaches a unit whose cable is out
        return out;
    }
    // A frame left half-sent for a long time was abandoned by the host.
    if (!m_in.empty() && t - m_lastByteAt > kStaleFrameMs) m_in.clear();
    if (!bytes.empty()) m_lastByteAt = t;
    m_in.insert(m_in.end(), bytes.begin(), bytes.end());

    for (;;) {
        // Hunt for the sync pair.
        std::size_t start = 0;
        while (start < m_in.size() &&
               !(m_in[start] == frame::kSync1 &&
                 (start + 1 == m_in.size() || m_in[start + 1] == frame::kSync2)))
            ++start;
        m_in.erase(m_in.begin(), m_in.begin() + static_cast<std::ptrdiff_t>(start));
        if (m_in.size() < 3) break;
        const std::uint8_t lengthByte = m_in[2];
        if (lengthByte < 2) { // no room for the checksum: not a frame, look further on
            ++m_state.badFrames;
            m_in.erase(m_in.begin(), m_in.begin() + 2);
            continue;
        }
        const std::size_t total = 6u + lengthByte;
        if (m_in.size() < total) break;

        const std::uint8_t type = m_in[3];
        const auto key = static_cast<std::uint16_t>((m_in[4] << 8) | m_in[5]);
        Bytes payload(m_in.begin() + 6, m_in.begin() + 6 + (lengthByte - 2));
        frame::descramble(payload, key);
        const auto sent = static_cast<std::uint16_t>((m_in[total - 2] << 8) | m_in[total - 1]);
        m_in.erase(m_in.begin(), m_in.begin() + static_cast<std::ptrdiff_t>(total));

        ++m_state.requests;
        if (frame::checksum(payload, key, type, lengthByte) != sent) {
            ++m_state.badFrames;
            send(code(kNak), out);
            continue;
        }
        send(answer(type, payload), out);
        if (isUnplugged()) { // the reading that pulled the cable was the last one through
            m_in.clear();
            break;
        }
    }
    return out;
}

CSimUnit::Reply CSimUnit::code(std::uint8_t c, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) {
    return Reply{kTypeCommand, {c, b1, b2, b3, 0, 0}};
}

CSimUnit::Reply CSimUnit::answer(std::uint8_t type, std::span<const std::uint8_t> payload) {
    if (type == kTypeCommand) {
        if (payload.size() != 6) return code(kNak);
        return m_state.mode == Mode::Application ? applicationCommand(payload[0])
                                                 : bootloaderCommand(payload[0]);
    }
    if (m_state.mode == Mode::Application) return applicationWrite(type, payload);
    switch (type) {
    case kTypeEnterBootloader:
        return code(kAck); // already there
    case kTypeErasePage:
        return eraseFlashPage(payload);
    case kTypeFlashRow:
        return writeFlashRow(payload);
    default:
        return code(kNak);
    }
}

CSimUnit::Reply CSimUnit::applicationCommand(std::uint8_t c) {
    SimState& s = m_state;
    const std::uint8_t type =
        m_faults.wrongDeviceType >= 0 ? static_cast<std::uint8_t>(m_faults.wrongDeviceType)
                                      : s.deviceType;
    if (std::find(m_faults.nakCommands.begin(), m_faults.nakCommands.end(), c) != m_faults.nakCommands.end())
        return code(kNak);
    switch (c) {
    case kIdentify:
        return code(kAck, type, static_cast<std::uint8_t>(s.readingsCode & 0xFF),
                    static_cast<std::uint8_t>(s.readingsCode >> 8));
    case kReadVersion:
        return Reply{kTypeVersion,
                     {static_cast<std::uint8_t>(s.version & 0xFF),
                      static_cast<std::uint8_t>(s.version >> 8), type, 0, 0, 0}};
    case kReadSettings:
        return Reply{kTypeSettings,
                     {s.rpmDivider, s.noiseDelta, static_cast<std::uint8_t>(s.noisePeriod & 0xFF),
                      static_cast<std::uint8_t>(s.noisePeriod >> 8)}};
    case kReadMap:
        return Reply{kTypeMap, Bytes(s.map.begin(), s.map.end())};
    case kReadAxes: {
        Reply r{kTypeAxes, Bytes(48, 0)};
        for (std::size_t i = 0; i < kVoltPoints; ++i) {
            const auto w = static_cast<std::uint16_t>(s.voltWords[i]);
            r.payload[2 * i] = static_cast<std::uint8_t>(w & 0xFF);
            r.payload[2 * i + 1] = static_cast<std::uint8_t>(w >> 8);
        }
        std::copy(s.rpmBytes.begin(), s.rpmBytes.end(), r.payload.begin() + 32);
        return r;
    }
    case kReadDiag:
        return reading();
    case kStoreMap:
        if (m_faults.nakWrites) return code(kNak);
        s.storedMap = s.map;
        ++s.mapStores;
        ++s.writes;
        return code(kAck);
    case kClearMap:
        if (m_faults.nakWrites) return code(kNak);
        s.map.fill(0);
        ++s.writes;
        return code(kAck);
    case kStartApplication:
        return code(kAck); // already running
    default:
        return code(kNak);
    }
}

CSimUnit::Reply CSimUnit::bootloaderCommand(std::uint8_t c) {
    switch (c) {
    case kIdentify:
        return code(kBootloaderHere);
    case kQueryBootloader:
        return code(kAck, kBootloaderReady);
    case kEndProgramming:
        // Closing a programming session makes what was written the application.
        m_state.applicationValid = true;
        return code(kAck);
    case kStartApplication:
        return startApplication();
    default:
        return code(kNak);
    }
}

CSimUnit::Reply CSimUnit::startApplication() {
    SimState& s = m_state;
    if (!s.applicationValid) return code(kNak); // nothing to run: stay in the bootloader
    const auto row = s.flashRows.find(kSignatureFlashAddress);
    if (row != s.flashRows.end()) {
        const int v = signatureVersion(row->second);
        if (v >= 0) s.version = static_cast<std::uint16_t>(v);
    }
    s.mode = Mode::Application;
    return code(kAck);
}

CSimUnit::Reply CSimUnit::applicationWrite(std::uint8_t type, std::span<const std::uint8_t> p) {
    SimState& s = m_state;
    switch (type) {
    case kTypeEnterBootloader:
        if (p.size() != 8 || std::memcmp(p.data(), kBootloaderCode, 8) != 0) return code(kNak);
        s.mode = Mode::Bootloader;
        return code(kAck);
    case kTypeSettings:
        if (p.size() != 4 || m_faults.nakWrites) return code(kNak);
        s.rpmDivider = p[0];
        s.noiseDelta = p[1];
        s.noisePeriod = le16(&p[2]);
        ++s.writes;
        return code(kAck);
    case kTypeMap:
        if (p.size() != kMapBytes || m_faults.nakWrites) return code(kNak);
        std::copy(p.begin(), p.end(), s.map.begin());
        ++s.writes;
        return code(kAck);
    case kTypeAxes:
        // 47 bytes carry the axes; the host sends a 48th, zero.
        if (p.size() < 47 || p.size() > 48 || m_faults.nakWrites) return code(kNak);
        for (std::size_t i = 0; i < kVoltPoints; ++i)
            s.voltWords[i] = static_cast<std::int16_t>(le16(&p[2 * i]));
        std::copy(p.begin() + 32, p.begin() + 47, s.rpmBytes.begin());
        ++s.writes;
        return code(kAck);
    case kTypeArea:
        if (p.size() != 6 || m_faults.nakWrites) return code(kNak);
        ++s.writes;
        return correctMapArea(p);
    default:
        return code(kNak);
    }
}

CSimUnit::Reply CSimUnit::correctMapArea(std::span<const std::uint8_t> r) {
    const unsigned v0 = r[0], j0 = r[1], vc = r[2], jc = r[3], dir = r[4], step = r[5];
    if (vc == 0 || jc == 0 || v0 + vc > kVoltPoints || j0 + jc > kRpmPoints ||
        (dir != 2 && dir != 3))
        return code(kNak);
    for (unsigned g = v0; g < v0 + vc; ++g)
        for (unsigned j = j0; j < j0 + jc; ++j) {
            std::uint8_t& b = m_state.map[g * kRpmPoints + j];
            const int v = dir == 2 ? b + static_cast<int>(step) : b - static_cast<int>(step);
            b = static_cast<std::uint8_t>(std::clamp(v, 0, 255));
        }
    return code(kAck);
}

CSimUnit::Reply CSimUnit::eraseFlashPage(std::span<const std::uint8_t> p) {
    if (p.size() != 4 || m_faults.nakWrites) return code(kNak);
    const std::uint32_t address = le32(p.data());
    if (address % kPageStep != 0 || address < kFlashFirst || address >= kFlashEnd)
        return code(kNak);
    SimState& s = m_state;
    s.flashRows.erase(s.flashRows.lower_bound(address), s.flashRows.lower_bound(address + kPageStep));
    s.erasedPages.insert(address);
    s.applicationValid = false;
    return code(kAck);
}

CSimUnit::Reply CSimUnit::writeFlashRow(std::span<const std::uint8_t> p) {
    if (p.size() != 4 + kRowBytes || m_faults.nakWrites) return code(kNak);
    const std::uint32_t address = le32(p.data());
    SimState& s = m_state;
    // Flash is written once per erase: an unerased page or a second write is refused.
    if (address % kRowStep != 0 || address < kFlashFirst || address >= kFlashEnd ||
        !s.erasedPages.contains(address - address % kPageStep) || s.flashRows.contains(address))
        return code(kNak);
    auto& row = s.flashRows[address];
    std::copy(p.begin() + 4, p.end(), row.begin());
    return code(kAck);
}

CSimUnit::Reply CSimUnit::reading() {
    const auto bytes = encodeReading(engineAt(static_cast<double>(now()) / 1000.0));
    ++m_state.readings;
    if (m_faults.silentAfterReadings > 0 && !m_silenceFired &&
        ++m_readingsSinceFaults >= m_faults.silentAfterReadings) {
        m_silenceFired = true;
        m_silentActive = true;
        m_silentUntil = now() + m_faults.silentForMs;
    }
    return Reply{kTypeReading, Bytes(bytes.begin(), bytes.end())};
}

std::uint16_t CSimUnit::nextKey() {
    // xorshift: replies use every scrambling distance.
    m_keySeed ^= m_keySeed << 13;
    m_keySeed ^= m_keySeed >> 17;
    m_keySeed ^= m_keySeed << 5;
    return static_cast<std::uint16_t>(m_keySeed & 0x7FFF);
}

void CSimUnit::send(const Reply& reply, Bytes& out) {
    if (m_faults.noReply) return;
    ++m_repliesSent;
    if (m_faults.dropEvery > 0 && m_repliesSent % m_faults.dropEvery == 0) return;
    Bytes f = frame::encode(reply.type, nextKey(), reply.payload);
    if (m_faults.corruptEvery > 0 && m_repliesSent % m_faults.corruptEvery == 0) f.back() ^= 0x5A;
    out.insert(out.end(), m_faults.junkBefore.begin(), m_faults.junkBefore.end());
    out.insert(out.end(), f.begin(), f.end());
}

} // namespace velmora::sim
