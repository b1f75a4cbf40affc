// SPDX-License-Identifier: GPL-3.0-or-later
#include "codepage.h"

#include <cerrno>
#include <iconv.h>

namespace velmora {

namespace {
constexpr wchar_t kReplacement = L'\uFFFD';

class Converter {
public:
    Converter() : m_cd(iconv_open("WCHAR_T", "CP1250")) {}
    ~Converter() {
        if (ok())
            iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ok() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return m_cd; }

private:
    iconv_t m_cd;
};
} // namespace

std::wstring cp1250ToWide(std::span<const std::uint8_t> text) {
    std::wstring out;
    out.reserve(text.size());
    Converter conv;
    if (!conv.ok()) {
        // No converter on this system: ASCII is the same in every code page.
        for (std::uint8_t b : text)
            out.push_back(b < 0x80 ? static_cast<wchar_t>(b) : kReplacement);
        return out;
    }
    // One byte is one character in this code page, so convert byte by byte and
    // replace what the converter refuses instead of losing the rest of the text.
    for (std::uint8_t b : text) {
        char in = static_cast<char>(b);
        char* inPtr = &in;
        std::size_t inLeft = 1;
        wchar_t wc = 0;
        char* outPtr = reinterpret_cast<char*>(&wc);
        std::size_t outLeft = sizeof wc;
        std::size_t r = iconv(conv.get(), &inPtr, &inLeft, &outPtr, &outLeft);
        if (r == static_cast<std::size_t>(-1) || outLeft != 0) {
            out.push_back(kReplacement);
            iconv(conv.get(), nullptr, nullptr, nullptr, nullptr); // reset the shift state
        } else {
            out.push_back(wc);
        }
    }
    return out;
}

} // namespace velmora
