// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Colours as the unit's tools have always written them: 0x00BBGGRR, red in the low byte.

#include <cstdint>

namespace velmora {

using Colour = std::uint32_t;

// Marks a cell that has no colour of its own: the grid draws it in the default of its kind.
constexpr Colour kNoColour = 0xFFFFFFFFu;

constexpr Colour rgb(int r, int g, int b)
{
    return static_cast<Colour>(r & 0xFF) | (static_cast<Colour>(g & 0xFF) << 8)
        | (static_cast<Colour>(b & 0xFF) << 16);
}
constexpr int redOf(Colour c) { return static_cast<int>(c & 0xFF); }
constexpr int greenOf(Colour c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int blueOf(Colour c) { return static_cast<int>((c >> 16) & 0xFF); }

} // namespace velmora
