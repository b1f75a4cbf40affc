// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/map/model/number_text.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <clocale>
#include <cstdio>
#include <string>

namespace velmora {
namespace {

TEST(ParseLeadingNumber, TakesTheLongestLeadingNumber)
{
    EXPECT_DOUBLE_EQ(parseLeadingNumber(L"2.5"), 2.5);
    EXPECT_DOUBLE_EQ(parseLeadingNumber(L"  3.75 V"), 3.75);
    EXPECT_DOUBLE_EQ(parseLeadingNumber(L"-0.4"), -0.4);
    EXPECT_DOUBLE_EQ(parseLeadingNumber(L"+7"), 7.0);
    EXPECT_DOUBLE_EQ(parseLeadingNumber(L".5"), 0.5);
    EXPECT_DOUBLE_EQ(parseLeadingNumber(L"5."), 5.0);
    EXPECT_DOUBLE_EQ(parseLeadingNumber(L"1.2.3"), 1.2);
    EXPECT_DOUBLE_EQ(parseLeadingNumber(L"1e3"), 1000.0);
    EXPECT_DOUBLE_EQ(parseLeadingNumber(L"2E-1x"), 0.2);
    // An exponent marker without digits is not part of the number.
    EXPECT_DOUBLE_EQ(parseLeadingNumber(L"4e"), 4.0);
    EXPECT_DOUBLE_EQ(parseLeadingNumber(L"4e+"), 4.0);
    // A comma ends the number; the editor turns commas into points before reading.
    EXPECT_DOUBLE_EQ(parseLeadingNumber(L"1,5"), 1.0);
}

TEST(ParseLeadingNumber, TextWithoutANumberReadsAsZero)
{
    for (const wchar_t* text : {L"", L" ", L"-", L".", L"-.", L"abc", L"V2", L"e5"})
        EXPECT_EQ(parseLeadingNumber(text), 0.0) << std::wstring(text).size();
}

TEST(ParseLeadingNumber, NeverYieldsInfinityOrNan)
{
    EXPECT_EQ(parseLeadingNumber(L"inf"), 0.0);
    EXPECT_EQ(parseLeadingNumber(L"nan"), 0.0);
    EXPECT_EQ(parseLeadingNumber(L"0x1p4"), 0.0);
    EXPECT_EQ(parseLeadingNumber(L"1e999"), DBL_MAX);
    EXPECT_EQ(parseLeadingNumber(L"-1e999"), -DBL_MAX);
    EXPECT_EQ(parseLeadingNumber(L"1e-999"), 0.0);
    EXPECT_EQ(parseLeadingNumber(L"0.000001e-999"), 0.0);
    EXPECT_EQ(parseLeadingNumber(std::wstring(400, L'9')), DBL_MAX);
    EXPECT_EQ(parseLeadingNumber(L"0." + std::wstring(400, L'0') + L"1"), 0.0);
}

TEST(FormatFixed, MatchesPrintfInTheCLocale)
{
    const char* old = std::setlocale(LC_NUMERIC, "C");
    for (int decimals : {0, 1, 2}) {
        for (double v = -60.0; v <= 9000.0; v += 0.005 * 37) {
            char expected[64];
            std::snprintf(expected, sizeof expected, "%.*f", decimals, v);
            const std::wstring got = formatFixed(v, decimals);
            ASSERT_EQ(std::string(got.begin(), got.end()), expected) << v << " " << decimals;
        }
    }
    std::setlocale(LC_NUMERIC, old);
}

TEST(FormatFixed, RoundTripsThroughTheParser)
{
    for (int b = 0; b <= 255; ++b) {
        const double v = b * 0.02;
        EXPECT_NEAR(parseLeadingNumber(formatFixed(v, 1)), v, 0.05 + 1e-9);
    }
    EXPECT_EQ(formatFixed(5.0, 1), L"5.0");
    EXPECT_EQ(formatFixed(1.5, 2), L"1.50");
    EXPECT_EQ(formatFixed(3100.0, 0), L"3100");
}

} // namespace
} // namespace velmora
