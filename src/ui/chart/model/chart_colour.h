// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Colour of a chart series, kept free of any toolkit type.

#include <cstdint>

namespace velmora {

struct CRgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;

    // Platform colour value with red in the low byte: 0x00BBGGRR.
    static constexpr CRgb fromColorRef(std::uint32_t value)
    {
        return CRgb{static_cast<std::uint8_t>(value & 0xFF), static_cast<std::uint8_t>((value >> 8) & 0xFF),
                    static_cast<std::uint8_t>((value >> 16) & 0xFF)};
    }
    constexpr std::uint32_t toColorRef() const
    {
        return std::uint32_t{r} | (std::uint32_t{g} << 8) | (std::uint32_t{b} << 16);
    }
    friend constexpr bool operator==(const CRgb&, const CRgb&) = default;
};

} // namespace velmora
