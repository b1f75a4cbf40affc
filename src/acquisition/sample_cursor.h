// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Takes each sample out of the store once, in order, for a reader that polls less
// often than samples arrive (the window's 100 ms tick against ~20 samples a second).

#include "diag_data.h"

#include <cstdint>
#include <vector>

namespace velmora {

class CSampleCursor {
public:
    // The samples added since the last call, oldest first; at most what the store
    // still holds of them.
    std::vector<CDiag> takeNew(const CDiagData& store);
    // A new reading thread numbers from 1 again: call when one starts.
    void restart() { m_lastSequence = 0; }

private:
    std::uint32_t m_lastSequence = 0;
};

} // namespace velmora
