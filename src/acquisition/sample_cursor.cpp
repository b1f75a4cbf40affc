// SPDX-License-Identifier: GPL-3.0-or-later
#include "sample_cursor.h"

namespace velmora {

std::vector<CDiag> CSampleCursor::takeNew(const CDiagData& store)
{
    // More than can arrive between two ticks, fewer than the store ever holds.
    constexpr int kRecent = 64;
    const int n = store.count();
    std::vector<CDiag> recent;
    store.copyRange(recent, n - kRecent, n);
    std::vector<CDiag> fresh;
    for (const CDiag& d : recent) {
        if (d.sequence <= m_lastSequence)
            continue;
        fresh.push_back(d);
        m_lastSequence = d.sequence;
    }
    return fresh;
}

} // namespace velmora
