// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim_state.h"

namespace velmora::sim {

SimState::SimState() {
    for (std::size_t g = 0; g < kVoltPoints; ++g)
        for (std::size_t j = 0; j < kRpmPoints; ++j)
            map[g * kRpmPoints + j] = static_cast<std::uint8_t>(40 + 4 * g + 3 * j);
    storedMap = map;
    for (std::size_t i = 0; i < kVoltPoints; ++i)
        voltWords[i] = static_cast<std::int16_t>(64 * (i + 1));
    for (std::size_t j = 0; j < kRpmPoints; ++j)
        rpmBytes[j] = static_cast<std::uint8_t>(5 + 3 * j);
}

} // namespace velmora::sim
