// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The byte stream the frame exchange runs on. CSerialPort is the real one;
// fuzzers and a few tests put an in-memory stream in its place.

#include <cstddef>
#include <cstdint>

namespace velmora {

class ISerialIO {
public:
    virtual ~ISerialIO() = default;
    // Reads up to count bytes; returns after the configured time-out with what arrived.
    virtual std::size_t read(std::uint8_t* buffer, std::size_t count) = 0;
    virtual std::size_t write(const std::uint8_t* buffer, std::size_t count) = 0;
    // Discards pending input only.
    virtual void purgeIn() = 0;
    // 0 when the line is clean; non-zero means the last transfer is suspect. Never throws.
    virtual std::uint32_t clearCommError() = 0;
};

} // namespace velmora
