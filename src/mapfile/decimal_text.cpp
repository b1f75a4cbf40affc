// SPDX-License-Identifier: GPL-3.0-or-later
#include "decimal_text.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace velmora::mapfile::detail {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

std::vector<std::string_view> split(std::string_view s, char separator) {
    std::vector<std::string_view> parts;
    for (;;) {
        const std::size_t at = s.find(separator);
        parts.push_back(s.substr(0, at));
        if (at == std::string_view::npos) return parts;
        s.remove_prefix(at + 1);
    }
}

bool looksUtf16(std::string_view text) {
    if (text.size() >= 2 && ((text[0] == '\xFF' && text[1] == '\xFE') || (text[0] == '\xFE' && text[1] == '\xFF')))
        return true;
    return text.substr(0, 64).find('\0') != std::string_view::npos;
}

std::string_view withoutBom(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    return text;
}

namespace {

bool sameLetters(std::string_view a, std::string_view lower) {
    if (a.size() != lower.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if ((a[i] | 0x20) != lower[i]) return false;
    return true;
}

} // namespace

Parsed parseDecimal(std::string_view text, bool decimalComma, double& value) {
    // from_chars takes only '.', and also "inf", "nan"; check the shape first, then
    // hand it a copy with '.' in place.
    constexpr std::size_t kLongest = 64; // more is no number a person typed
    if (text.empty() || text.size() > kLongest) return Parsed::NotNumber;
    const std::string_view unsigned_ = text.substr(text[0] == '+' || text[0] == '-' ? 1 : 0);
    if (sameLetters(unsigned_, "nan") || sameLetters(unsigned_, "inf") || sameLetters(unsigned_, "infinity"))
        return Parsed::NotFinite;
    char buffer[kLongest];
    std::size_t i = 0;
    bool digits = false, point = false;
    if (text[0] == '+' || text[0] == '-') {
        buffer[0] = text[0];
        i = 1;
    }
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            digits = true;
        } else if ((c == '.' || (decimalComma && c == ',')) && !point) {
            point = true;
            buffer[i] = '.';
            continue;
        } else {
            break;
        }
        buffer[i] = c;
    }
    if (!digits) return Parsed::NotNumber;
    if (i < text.size()) {
        if (text[i] != 'e' && text[i] != 'E') return Parsed::NotNumber;
        buffer[i] = 'e';
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            buffer[i] = text[i];
            ++i;
        }
        const std::size_t exponentStart = i;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) buffer[i] = text[i];
        if (i == exponentStart || i < text.size()) return Parsed::NotNumber;
    }
    // A leading '+' is not taken by from_chars.
    const char* begin = buffer[0] == '+' ? buffer + 1 : buffer;
    double v = 0;
    const auto result = std::from_chars(begin, buffer + i, v);
    if (result.ec == std::errc::result_out_of_range) return Parsed::NotFinite;
    if (result.ec != std::errc() || result.ptr != buffer + i) return Parsed::NotNumber;
    if (!std::isfinite(v)) return Parsed::NotFinite;
    value = v;
    return Parsed::Ok;
}

std::string quoted(std::string_view cell) {
    constexpr std::size_t kShown = 24;
    std::string text = "'";
    for (std::size_t i = 0; i < cell.size() && i < kShown; ++i) {
        const auto c = static_cast<unsigned char>(cell[i]);
        text += (c < 0x20 || c == 0x7F) ? '?' : static_cast<char>(c);
    }
    if (cell.size() > kShown) text += "...";
    text += '\'';
    return text;
}

std::string fixed(double v, int decimals) {
    if (v == 0.0) v = 0.0; // no "-0.00"
    char text[512]; // enough for any double in fixed notation with a few decimals
    const auto result = std::to_chars(text, text + sizeof text, v, std::chars_format::fixed, decimals);
    if (result.ec != std::errc()) return "nan";
    return std::string(text, result.ptr);
}

} // namespace velmora::mapfile::detail
