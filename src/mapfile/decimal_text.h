// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Shared pieces of this library's readers (not for use outside it).

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::mapfile::detail {

bool isBlank(char c);
std::string_view trim(std::string_view s);
std::vector<std::string_view> split(std::string_view s, char separator);
std::string_view withoutBom(std::string_view text);
// UTF-16 text (a byte order mark FF FE or FE FF, or a zero byte among the first
// characters), which the readers cannot take and must name as such.
bool looksUtf16(std::string_view text);

enum class Parsed { Ok, NotNumber, NotFinite };

// text as a number, independent of the C locale: optional sign, digits with at most
// one decimal point ('.', or ',' when decimalComma), an optional exponent. No hex,
// no blanks inside. "inf", "nan" and numbers beyond a double give NotFinite.
// value is written only on Ok.
Parsed parseDecimal(std::string_view text, bool decimalComma, double& value);

// A cell as it may be echoed to a terminal: short, in quotes, control bytes hidden.
std::string quoted(std::string_view cell);

// "v" with decimals digits after '.', never "-0.00".
std::string fixed(double v, int decimals);

} // namespace velmora::mapfile::detail
