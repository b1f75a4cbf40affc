// SPDX-License-Identifier: GPL-3.0-or-later
#include "device_state.h"

#include "encodings.h"

namespace velmora {

DeviceState::DeviceState() {
    for (int i = 0; i < kVoltRows; ++i)
        voltAxis[static_cast<std::size_t>(i)] = voltsFromWord(static_cast<std::int16_t>(64 * (i + 1)));
    for (int j = 0; j < kRpmCols; ++j) rpmAxis[static_cast<std::size_t>(j)] = 500.0 + 300.0 * j;
}

} // namespace velmora
