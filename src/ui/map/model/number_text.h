// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Numbers as the grid shows and reads them. Independent of the C locale, so a
// Polish desktop (decimal comma) neither writes "2,5" nor misreads "2.5".

#include <string>

namespace velmora {

// The longest leading decimal number of text ([blanks] [sign] digits [. digits]
// [e [sign] digits]); 0 when the text does not start with one. No "inf", "nan" or
// hex forms. A number too large for a double gives +-DBL_MAX, one too small 0.
double parseLeadingNumber(const std::wstring& text);

// value with the given number of decimals, rounded as printf's "%.Nf" rounds.
std::wstring formatFixed(double value, int decimals);

} // namespace velmora

#include <optional>

namespace velmora {

// A whole typed number: blanks around it, a sign, a decimal point or comma, no
// exponent and nothing else. Nothing for anything that is not one number.
std::optional<double> parseTypedNumber(const std::wstring& text);

} // namespace velmora
