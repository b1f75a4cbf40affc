// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulator.h"

namespace velmora {

std::unique_ptr<CSimulator> startSimulator(std::string& error)
{
    error = "the simulated unit needs pseudo-terminals, which this system does not have";
    return nullptr;
}

} // namespace velmora
