// SPDX-License-Identifier: GPL-3.0-or-later
#include "diag_data.h"

#include <algorithm>

namespace velmora {

CDiagData::CDiagData() { m_samples.reserve(kTrimAbove + 1); }

int CDiagData::count() const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_samples.size());
}

void CDiagData::getLast(CDiag& out) const {
    std::lock_guard lock(m_mutex);
    if (!m_samples.empty()) out = m_samples.back().sample;
}

void CDiagData::add(const CDiag& sample) { add(TimedDiag(sample, ReadingTime::now())); }

void CDiagData::add(const TimedDiag& sample) {
    std::lock_guard lock(m_mutex);
    if (static_cast<int>(m_samples.size()) > kTrimAbove) {
        // One move of the newest samples to the front; the capacity stays.
        m_samples.erase(m_samples.begin(), m_samples.begin() + kTrimCount);
    }
    m_samples.push_back(sample);
}

bool CDiagData::rangeOf(int& from, int& to) const {
    const int n = static_cast<int>(m_samples.size());
    if (n < from) return false;
    to = std::min(to, n);
    // A caller computing "count - 2" on a store just emptied must not read before the start.
    from = std::max(from, 0);
    return from < to;
}

void CDiagData::copyRange(std::vector<CDiag>& out, int from, int to) const {
    std::lock_guard lock(m_mutex);
    if (!rangeOf(from, to)) return;
    for (int i = from; i < to; ++i) out.push_back(m_samples[static_cast<std::size_t>(i)].sample);
}

void CDiagData::copyRange(std::vector<TimedDiag>& out, int from, int to) const {
    std::lock_guard lock(m_mutex);
    if (rangeOf(from, to)) out.insert(out.end(), m_samples.begin() + from, m_samples.begin() + to);
}

void CDiagData::clear() {
    std::lock_guard lock(m_mutex);
    m_samples.clear();
}

} // namespace velmora
