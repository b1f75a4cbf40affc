#include "error.h"

#include "lang/translate.h"

namespace velmora {

IError::IError(int code, std::wstring context, int line, std::wstring source)
    : m_code(code), m_context(std::move(context)), m_line(line), m_source(std::move(source)) {}

std::wstring IError::format() const {
    std::wstring out;
    const long index = static_cast<long>(m_code) - m_firstCode;
    if (index >= 0 && static_cast<std::size_t>(index) < m_messages.size())
        out = m_messages[static_cast<std::size_t>(index)];
    else
        out = ansi2unicode(className()) + L" " + std::to_wstring(m_code);
    if (!m_context.empty()) out += L"\n" + m_context;
    out += L"\n" + m_source + L", line " + std::to_wstring(m_line);
    return out;
}

CRSError::CRSError(int code, std::wstring context, int line, std::wstring source)
    : IError(code, std::move(context), line, std::move(source)) {
    m_firstCode = OpenFailed;
    m_messages.push_back(translate(L"Nie można otworzyć portu RS."));
    m_messages.push_back(translate(L"Nie można wykonać operacji na RS."));
}

std::wstring ansi2unicode(const std::string& text) {
    std::wstring out;
    out.reserve(text.size());
    const auto put = [&out](char32_t c) {
        if constexpr (sizeof(wchar_t) == 2) {
            if (c >= 0x10000) {
                c -= 0x10000;
                out.push_back(static_cast<wchar_t>(0xD800 + (c >> 10)));
                out.push_back(static_cast<wchar_t>(0xDC00 + (c & 0x3FF)));
                return;
            }
        }
        out.push_back(static_cast<wchar_t>(c));
    };
    std::size_t i = 0;
    while (i < text.size()) {
        const auto b = static_cast<unsigned char>(text[i]);
        int extra = 0;
        char32_t c = 0;
        if (b < 0x80) {
            c = b;
        } else if ((b & 0xE0) == 0xC0) {
            c = b & 0x1F;
            extra = 1;
        } else if ((b & 0xF0) == 0xE0) {
            c = b & 0x0F;
            extra = 2;
        } else if ((b & 0xF8) == 0xF0) {
            c = b & 0x07;
            extra = 3;
        } else {
            put(0xFFFD);
            ++i;
            continue;
        }
        bool valid = true;
        for (int k = 1; valid && k <= extra; ++k) {
            if (i + k >= text.size()) {
                valid = false;
                break;
            }
            const auto cb = static_cast<unsigned char>(text[i + k]);
            if ((cb & 0xC0) != 0x80) valid = false;
            else c = (c << 6) | (cb & 0x3F);
        }
        static constexpr char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
        if (!valid || c < kMin[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            put(0xFFFD);
            ++i; // resynchronise on the next byte
            continue;
        }
        put(c);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

} // namespace velmora
