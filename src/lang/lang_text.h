// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Text conversions shared by the language file reader and the generator that
// writes those files: the three escapes, UTF-16 and UTF-8 to and from wide strings.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace velmora::lang {

// A language file line, its CR LF included, never exceeds this many UTF-16 units;
// a longer line is read in pieces of this size.
inline constexpr std::size_t kMaxLineUnits = 2047;

// Replaces the escapes \t, \r and \n by TAB, CR and LF. A backslash followed by
// anything else stays as it is; there is no escape for the backslash itself.
std::wstring unescape(std::wstring_view text);

// wchar_t is UTF-16 on Windows and UTF-32 elsewhere. Unpaired surrogates and
// values outside Unicode become U+FFFD.
std::wstring fromUtf16(std::u16string_view text);
std::u16string toUtf16(std::wstring_view text);

// Appends one Unicode code point (as two units where wchar_t is UTF-16).
void appendCodePoint(std::wstring& out, char32_t codePoint);

// Strict UTF-8 (no overlong forms, no surrogates); nullopt when the bytes are not UTF-8.
std::optional<std::wstring> fromUtf8(std::string_view bytes);
std::string toUtf8(std::wstring_view text);

} // namespace velmora::lang
