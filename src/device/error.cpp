// SPDX-License-Identifier: GPL-3.0-or-later
#include "error.h"

#include "lang/lang_text.h"
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

CRSError::CRSError(int code, std::wstring context, int line, std::wstring source, int systemError)
    : IError(code, std::move(context), line, std::move(source)), m_systemError(systemError) {
    m_firstCode = OpenFailed;
    m_messages.push_back(translate(L"Nie można otworzyć portu RS."));
    m_messages.push_back(translate(L"Nie można wykonać operacji na RS."));
}

std::wstring ansi2unicode(const std::string& text) {
    if (auto wide = lang::fromUtf8(text)) return *wide;
    // Not UTF-8: keep the ASCII and mark the rest, rather than guess a code page.
    std::wstring out;
    out.reserve(text.size());
    for (char c : text)
        out.push_back(static_cast<unsigned char>(c) < 0x80 ? static_cast<wchar_t>(c) : L'\uFFFD');
    return out;
}

} // namespace velmora
