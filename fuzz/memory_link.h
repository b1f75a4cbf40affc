// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A byte stream for the exchange fed from the fuzzer's input: writes vanish,
// reads take the next input bytes, and the line is clean unless the input says not.

#include "device/serialio.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace velmora::fuzz {

class CMemoryLink : public ISerialIO {
public:
    CMemoryLink(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    std::size_t read(std::uint8_t* buffer, std::size_t count) override {
        const std::size_t n = std::min(count, m_size - m_at);
        if (n) std::memcpy(buffer, m_data + m_at, n);
        m_at += n;
        return n;
    }
    std::size_t write(const std::uint8_t*, std::size_t count) override { return count; }
    void purgeIn() override {}
    std::uint32_t clearCommError() override { return 0; }
    bool exhausted() const { return m_at >= m_size; }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

} // namespace velmora::fuzz
