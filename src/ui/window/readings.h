// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What one reading sample looks like on screen: the five readings texts and the
// chart values (percent of 15 V, so the chart's 0..100 spans 0..15 V).

#include "acquisition/diag.h"

#include <string>

namespace velmora {

struct ReadingTexts {
    std::wstring inputVolts;  // "%.2f"
    std::wstring outputVolts; // "%.2f"
    std::wstring pumpVolts;   // "%.2f"
    std::wstring rpm;         // "%.0f"
    std::wstring workState;   // translated "Włączony" / "Wyłączony"
};

struct ChartValues {
    float input;
    float output;
    float pump;
};

ReadingTexts readingTexts(const CDiag& sample);
ChartValues chartValues(const CDiag& sample);
// Label of a chart value: the volts it stands for, "%.2f".
std::wstring chartValueLabel(double percentOf15V);

// value with a fixed number of decimals ("%.2f" for 2), always with a '.'.
std::wstring decimalText(double value, int decimals);
std::wstring formatUnsigned(unsigned value); // "%u"

} // namespace velmora
