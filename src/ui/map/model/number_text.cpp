// SPDX-License-Identifier: GPL-3.0-or-later
#include "number_text.h"

#include <charconv>
#include <cfloat>
#include <cmath>
#include <string>
#include <system_error>

namespace velmora {

namespace {

bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Decimal magnitude of a number that from_chars found out of range: positive means
// too large, otherwise too small.
long long decimalMagnitude(const std::string& mantissa, long long exponent)
{
    std::size_t point = mantissa.find('.');
    std::string whole = mantissa.substr(0, point);
    std::size_t firstNonZero = whole.find_first_not_of("0+-");
    if (firstNonZero != std::string::npos)
        return static_cast<long long>(whole.size() - firstNonZero) + exponent;
    long long zeros = 0;
    if (point != std::string::npos) {
        for (std::size_t i = point + 1; i < mantissa.size() && mantissa[i] == '0'; ++i)
            ++zeros;
    }
    return exponent - zeros;
}

} // namespace

double parseLeadingNumber(const std::wstring& text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == L' ' || text[i] == L'\t'))
        ++i;

    std::string number;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
        negative = text[i] == L'-';
        ++i;
    }
    std::size_t digits = 0;
    while (i < text.size() && isDigit(text[i])) {
        number += static_cast<char>(text[i++]);
        ++digits;
    }
    if (i < text.size() && text[i] == L'.') {
        std::string fraction = ".";
        std::size_t j = i + 1;
        while (j < text.size() && isDigit(text[j]))
            fraction += static_cast<char>(text[j++]);
        if (digits > 0 || fraction.size() > 1) {
            digits += fraction.size() - 1;
            number += fraction;
            i = j;
        }
    }
    if (digits == 0)
        return 0.0;

    std::string mantissa = number;
    long long exponent = 0;
    if (i < text.size() && (text[i] == L'e' || text[i] == L'E')) {
        std::size_t j = i + 1;
        bool negativeExponent = false;
        if (j < text.size() && (text[j] == L'+' || text[j] == L'-')) {
            negativeExponent = text[j] == L'-';
            ++j;
        }
        if (j < text.size() && isDigit(text[j])) {
            std::string expDigits;
            while (j < text.size() && isDigit(text[j])) {
                expDigits += static_cast<char>(text[j++]);
                if (exponent < 100000)
                    exponent = exponent * 10 + (text[j - 1] - L'0');
            }
            if (negativeExponent)
                exponent = -exponent;
            number += 'e';
            number += negativeExponent ? "-" : "";
            number += expDigits;
        }
    }

    double value = 0.0;
    auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    (void)end;
    if (error == std::errc::result_out_of_range)
        value = decimalMagnitude(mantissa, exponent) > 0 ? DBL_MAX : 0.0;
    else if (error != std::errc())
        value = 0.0;
    return negative ? -value : value;
}

std::wstring formatFixed(double value, int decimals)
{
    if (!std::isfinite(value))
        value = 0.0;
    char buffer[400];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value,
                                      std::chars_format::fixed, decimals);
    if (error != std::errc())
        return L"0";
    return std::wstring(buffer, end);
}

} // namespace velmora

namespace velmora {

std::optional<double> parseTypedNumber(const std::wstring& text)
{
    std::size_t b = text.find_first_not_of(L" \t\u00A0");
    std::size_t e = text.find_last_not_of(L" \t\u00A0");
    if (b == std::wstring::npos)
        return std::nullopt;
    std::wstring t = text.substr(b, e - b + 1);
    std::size_t i = 0;
    if (t[i] == L'+' || t[i] == L'-')
        ++i;
    int digits = 0, points = 0;
    for (; i < t.size(); ++i) {
        if (isDigit(t[i])) {
            ++digits;
        } else if ((t[i] == L'.' || t[i] == L',') && points == 0) {
            ++points;
            t[i] = L'.';
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0 || digits > 15)
        return std::nullopt;
    return parseLeadingNumber(t);
}

} // namespace velmora
