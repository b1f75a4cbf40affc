// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Asks several ports at once whether our unit is behind them, so N silent ports
// cost about one identification time-out instead of N. Plain C++.

#include "device/lpg_device.h"

#include <string>
#include <vector>

namespace velmora {

enum class ProbeAnswer { Nothing, Unit, Bootloader };

struct ProbeResult {
    std::string port;
    ProbeAnswer answer = ProbeAnswer::Nothing;
    PortFailure failure; // why the port could not be asked, if it could not
};

// One identification (the unit's own tries and time-outs) on every port, each on
// its own thread; results in the order of ports, which is the order of preference.
std::vector<ProbeResult> probePorts(const std::vector<std::string>& ports, const Timeouts& timeouts);

// The first port in preference order where a unit (or a unit in its bootloader) answered.
const ProbeResult* preferredResponder(const std::vector<ProbeResult>& results);

} // namespace velmora
