// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Code page 1250 text to wide text, through the platform's converter
// (codepage_posix.cpp: iconv; codepage_win.cpp: MultiByteToWideChar).

#include <cstdint>
#include <span>
#include <string>

namespace velmora {

// Bytes that code page 1250 leaves undefined become U+FFFD.
std::wstring cp1250ToWide(std::span<const std::uint8_t> text);

} // namespace velmora
