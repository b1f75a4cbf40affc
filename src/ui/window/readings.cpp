// SPDX-License-Identifier: GPL-3.0-or-later
#include "readings.h"

#include "lang/translate.h"

#include <charconv>

namespace velmora {

std::wstring decimalText(double value, int decimals)
{
    // to_chars, not swprintf: the decimal point must not follow the user's locale.
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (result.ec != std::errc())
        return {};
    return std::wstring(buffer, result.ptr);
}

std::wstring formatUnsigned(unsigned value)
{
    return std::to_wstring(value);
}

ReadingTexts readingTexts(const CDiag& sample)
{
    ReadingTexts texts;
    texts.inputVolts = decimalText(inputVolts(sample), 2);
    texts.outputVolts = decimalText(outputVolts(sample), 2);
    texts.pumpVolts = decimalText(pumpVolts(sample), 2);
    texts.rpm = decimalText(rpmFromPeriod(sample.rpmPeriod), 0);
    texts.workState = workStateOn(sample) ? translate(L"Włączony") : translate(L"Wyłączony");
    return texts;
}

ChartValues chartValues(const CDiag& sample)
{
    return {static_cast<float>(inputVolts(sample) * 100 / 15),
            static_cast<float>(outputVolts(sample) * 100 / 15),
            static_cast<float>(pumpVolts(sample) * 100 / 15)};
}

std::wstring chartValueLabel(double percentOf15V)
{
    return decimalText(percentOf15V * 15 / 100, 2);
}

} // namespace velmora
