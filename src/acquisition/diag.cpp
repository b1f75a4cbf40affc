// SPDX-License-Identifier: GPL-3.0-or-later
#include "diag.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace velmora {

namespace {
std::uint16_t u16At(const std::array<std::uint8_t, CDiag::kWireBytes>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}
} // namespace

void CDiag::fillFromReply(std::span<const std::uint8_t> bytes) {
    // A reply may claim more than the record holds; the sequence number must survive it.
    std::array<std::uint8_t, kWireBytes> wire{};
    std::copy_n(bytes.begin(), std::min(bytes.size(), wire.size()), wire.begin());

    rpmPeriod = u16At(wire, 0);
    pumpRaw = static_cast<std::int16_t>(u16At(wire, 2));
    aux1 = u16At(wire, 4);
    aux2 = u16At(wire, 6);
    aux3 = u16At(wire, 8);
    aux4 = u16At(wire, 10);
    inputRaw = u16At(wire, 12);
    outputRaw = u16At(wire, 14);
    workState = wire[16];
    unused[0] = wire[17];
    unused[1] = wire[18];
    unused[2] = wire[19];
}

double rpmFromPeriod(std::uint16_t period) {
    if (period == 0 || period == 0xFFFF) return 0.0;
    const unsigned q = 7500000u / period;
    // q is positive, so std::round (half away from zero) is the rounding wanted.
    return 10.0 * std::round(static_cast<double>(q) / 10.0);
}

double pumpVolts(const CDiag& d) {
    // The unit's 0.005 V word, cut to millivolts, times the divider of 3.
    return std::floor((d.pumpRaw / 1000.0 * 5.0 + 0.0005) * 1000.0) / 1000.0 * 3.0;
}

double inputVolts(const CDiag& d) { return d.inputRaw / 1000.0 * 5.0; }

double outputVolts(const CDiag& d) { return d.outputRaw / 1000.0 * 5.0; }

} // namespace velmora
