// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The bounded sample store between the reading thread and the window.
// Holds at most 501 samples, oldest first; every operation takes the store's own mutex.

#include "diag.h"

#include <mutex>
#include <vector>

namespace velmora {

class CDiagData {
public:
    static constexpr int kTrimAbove = 500; // more than this: drop the oldest 250 before adding
    static constexpr int kTrimCount = 250;

    CDiagData();
    virtual ~CDiagData() = default;
    CDiagData(const CDiagData&) = delete;
    CDiagData& operator=(const CDiagData&) = delete;

    int count() const;
    // Copies the newest sample into out; leaves out untouched when empty.
    void getLast(CDiag& out) const;
    // Stamped with the time of the call.
    void add(const CDiag& sample);
    void add(const TimedDiag& sample);
    // When count() >= from: to := min(to, count()); if from < to appends samples from..to-1.
    // A negative from is taken as 0.
    void copyRange(std::vector<CDiag>& out, int from, int to) const;
    // The same with the time each sample arrived.
    void copyRange(std::vector<TimedDiag>& out, int from, int to) const;
    void clear();

private:
    // Indexes [from, to) of what copyRange takes, with the mutex held.
    bool rangeOf(int& from, int& to) const;

    mutable std::mutex m_mutex;
    std::vector<TimedDiag> m_samples;
};

} // namespace velmora
