// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Min and max of a series over any run of rows, answered from a pyramid of buckets
// (16, 256, 4096, ... rows each) as logic-analyser viewers keep them: a query costs
// at most 30 steps a level however many rows it spans, so a chart of a day's
// recording draws one pixel column from a few hundred numbers, never a million.
// NaN values (breaks) are left out.

#include <cstddef>
#include <vector>

namespace velmora::analysis {

struct MinMax {
    float min = 0;
    float max = 0;
    bool any = false;

    void add(float v)
    {
        if (v != v)
            return;
        if (!any) {
            min = max = v;
            any = true;
        } else {
            if (v < min) min = v;
            if (v > max) max = v;
        }
    }
    void add(const MinMax& o)
    {
        if (!o.any)
            return;
        add(o.min);
        add(o.max);
    }
};

class CSeriesSummary {
public:
    static constexpr std::size_t kFanOut = 16;

    // Builds the levels over values, which must outlive the summary unchanged.
    void build(const std::vector<float>& values);
    // Rows [first, last) of the series; clamped to its size.
    MinMax range(std::size_t first, std::size_t last) const;
    std::size_t levels() const { return m_levels.size(); }

private:
    const std::vector<float>* m_values = nullptr;
    std::vector<std::vector<MinMax>> m_levels; // [0]: buckets of 16 rows, [1]: 256, ...
};

} // namespace velmora::analysis
