// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Value label of the main window's voltage series: the chart holds percentages of
// 15 V, the label shows volts.

#include <string>

namespace velmora {

// v x 15 / 100 with two decimals and a '.' whatever the locale, e.g. 50 -> "7.50".
std::wstring voltsLabel(double percentOf15V);

} // namespace velmora
