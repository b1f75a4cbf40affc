// SPDX-License-Identifier: GPL-3.0-or-later
#include "axis_rules.h"

#include "device/encodings.h"

#include <algorithm>
#include <cmath>

namespace velmora {

double rpmBreakpoint(double v, const std::array<double, kRpmCols>& axis, int column)
{
    // Rounded before the neighbours are checked: rounding afterwards could land on a
    // neighbour's value and leave the axis no longer rising.
    v = roundHalfAway(std::clamp(v, kRpmBreakpointMin, kRpmBreakpointMax) / 100.0) * 100.0;
    if (column < 0 || column >= kRpmCols) {
        // no neighbours to keep to
    } else if (column == 0) {
        if (v >= axis[1])
            v = axis[1] - kRpmBreakpointGap;
    } else if (column == kRpmCols - 1) {
        if (v <= axis[kRpmCols - 2])
            v = axis[kRpmCols - 2] + kRpmBreakpointGap;
    } else {
        if (v >= axis[column + 1])
            v = axis[column + 1] - kRpmBreakpointGap;
        if (v <= axis[column - 1])
            v = axis[column - 1] + kRpmBreakpointGap;
    }
    return v;
}

double roundTenth(double x)
{
    const double s = x >= 0 ? 1.0 : -1.0;
    return std::floor((x + s * 0.05) * 10) / 10;
}

} // namespace velmora
