// SPDX-License-Identifier: GPL-3.0-or-later
#include "series_summary.h"

#include <algorithm>

namespace velmora::analysis {

void CSeriesSummary::build(const std::vector<float>& values)
{
    m_values = &values;
    m_levels.clear();
    std::size_t below = values.size();
    // A level ends once a single bucket would hold everything.
    for (std::size_t size = kFanOut; size / kFanOut < values.size(); size *= kFanOut) {
        std::vector<MinMax> level((below + kFanOut - 1) / kFanOut);
        for (std::size_t i = 0; i < below; ++i) {
            if (m_levels.empty())
                level[i / kFanOut].add(values[i]);
            else
                level[i / kFanOut].add(m_levels.back()[i]);
        }
        below = level.size();
        m_levels.push_back(std::move(level));
        if (below <= 1)
            break;
    }
}

MinMax CSeriesSummary::range(std::size_t a, std::size_t b) const
{
    MinMax r;
    if (!m_values)
        return r;
    b = std::min(b, m_values->size());
    if (a >= b)
        return r;
    const auto item = [this](std::size_t level, std::size_t i) {
        MinMax m;
        if (level == 0)
            m.add((*m_values)[i]);
        else
            m = m_levels[level - 1][i];
        return m;
    };
    // Climb while a whole bucket of the next level fits: the left edge at each level,
    // then the whole buckets at the top, then the right edge down again.
    std::size_t level = 0;
    std::size_t scale = 1;
    while (level < m_levels.size()) {
        const std::size_t next = scale * kFanOut;
        const std::size_t up = (a + next - 1) / next * next;
        if (up + next > b)
            break;
        for (; a < up; a += scale)
            r.add(item(level, a / scale));
        ++level;
        scale = next;
    }
    for (;;) {
        const std::size_t end = b / scale * scale;
        for (; a < end; a += scale)
            r.add(item(level, a / scale));
        if (level == 0)
            break;
        --level;
        scale /= kFanOut;
    }
    return r;
}

} // namespace velmora::analysis
