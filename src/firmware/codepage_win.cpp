// SPDX-License-Identifier: GPL-3.0-or-later
#include "codepage.h"

#include <windows.h>

namespace velmora {

std::wstring cp1250ToWide(std::span<const std::uint8_t> text) {
    std::wstring out;
    out.reserve(text.size());
    // One byte is one character in this code page: converting byte by byte lets a
    // byte the code page leaves undefined become U+FFFD without losing the rest.
    for (std::uint8_t b : text) {
        char in = static_cast<char>(b);
        wchar_t wc = 0;
        int n = MultiByteToWideChar(1250, MB_ERR_INVALID_CHARS, &in, 1, &wc, 1);
        // Windows passes the five undefined bytes (0x81, 0x83, 0x88, 0x90, 0x98) through
        // as the C1 controls of the same number instead of failing; no defined byte of
        // this code page is a C1 control.
        const bool undefined = n != 1 || (wc >= 0x80 && wc <= 0x9F);
        out.push_back(undefined ? L'\uFFFD' : wc);
    }
    return out;
}

} // namespace velmora
