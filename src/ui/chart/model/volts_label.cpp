// SPDX-License-Identifier: GPL-3.0-or-later
#include "volts_label.h"

#include <charconv>
#include <cmath>

namespace velmora {

std::wstring voltsLabel(double percentOf15V)
{
    const double volts = percentOf15V * 15 / 100;
    if (!std::isfinite(volts))
        return std::isnan(volts) ? L"nan" : (volts < 0 ? L"-inf" : L"inf");
    // to_chars rather than printf: the toolkit sets the user's locale at start-up,
    // which would turn the point into a comma in some languages.
    char buffer[400]; // room for any finite double in fixed notation
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, volts, std::chars_format::fixed, 2);
    if (ec != std::errc())
        return L"?";
    return std::wstring(buffer, end);
}

} // namespace velmora
