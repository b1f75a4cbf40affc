// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The simulated control unit as a pure state machine: request bytes in, reply
// bytes out. No threads and no I/O; CSimHost puts it on a pseudo-terminal.

#include "faults.h"
#include "sim_state.h"

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace velmora::sim {

// Codes in byte 0 of a type-2 reply.
constexpr std::uint8_t kAck = 0x04;
constexpr std::uint8_t kBootloaderHere = 0x05; // identify answered by the bootloader
constexpr std::uint8_t kNak = 0x15;
constexpr std::uint8_t kBootloaderReady = 0xF7; // byte 1 of the bootloader query reply

inline constexpr char kBootloaderCode[] = "QK318264"; // 8 characters, no terminator sent

class CSimUnit {
public:
    // Milliseconds on any fixed base; drives the readings and the timed faults.
    using Clock = std::function<std::int64_t()>;

    CSimUnit(); // application running, steady clock
    explicit CSimUnit(SimState initial);

    // Takes whatever arrived on the line and returns what the unit sends back
    // (possibly nothing, possibly several replies). Partial frames are kept for
    // the next call, unless the line stays quiet for longer than kStaleFrameMs.
    std::vector<std::uint8_t> feed(std::span<const std::uint8_t> bytes);
    static constexpr std::int64_t kStaleFrameMs = 250;

    SimState& state() { return m_state; }
    const SimState& state() const { return m_state; }

    const Faults& faults() const { return m_faults; }
    // Also re-arms the one-shot silence and restarts the drop/corrupt counting.
    void setFaults(const Faults& faults);

    void setClock(Clock clock);
    std::int64_t now() const { return m_clock(); }

    // As a unit whose application is broken: only the bootloader answers.
    void startInBootloader();
    // True while a pulled cable is being simulated.
    bool isUnplugged() const;
    // Bytes of an incomplete frame waiting for the rest.
    std::size_t pendingBytes() const { return m_in.size(); }

private:
    using Bytes = std::vector<std::uint8_t>;
    struct Reply {
        std::uint8_t type = 2;
        Bytes payload;
    };
    static Reply code(std::uint8_t c, std::uint8_t b1 = 0, std::uint8_t b2 = 0, std::uint8_t b3 = 0);
    Reply answer(std::uint8_t type, std::span<const std::uint8_t> payload);
    Reply applicationCommand(std::uint8_t code);
    Reply bootloaderCommand(std::uint8_t code);
    Reply applicationWrite(std::uint8_t type, std::span<const std::uint8_t> payload);
    Reply eraseFlashPage(std::span<const std::uint8_t> payload);
    Reply writeFlashRow(std::span<const std::uint8_t> payload);
    Reply startApplication();
    Reply correctMapArea(std::span<const std::uint8_t> record);
    Reply reading();
    void send(const Reply& reply, Bytes& out); // applies the content faults
    std::uint16_t nextKey();

    SimState m_state;
    Faults m_faults;
    Clock m_clock;
    Bytes m_in;
    std::int64_t m_lastByteAt = 0;
    std::uint32_t m_keySeed = 0x2545F491u;
    unsigned m_repliesSent = 0;      // counted for dropEvery / corruptEvery
    unsigned m_readingsSinceFaults = 0;
    bool m_silenceFired = false;
    std::int64_t m_silentUntil = 0;
    bool m_silentActive = false;
};

} // namespace velmora::sim
