// SPDX-License-Identifier: GPL-3.0-or-later
#include "diag_thread.h"

#include <algorithm>

namespace velmora {

CLPGThreadManager::~CLPGThreadManager() {
    {
        std::lock_guard lock(m_mutex);
        for (auto& e : m_entries) e.body->requestStop();
    }
    joinAll();
}

void CLPGThreadManager::insert(std::unique_ptr<CDiagInputThread> thread) {
    if (!thread) return;
    std::lock_guard lock(m_mutex);
    releaseFinished();
    Entry e;
    e.done = std::make_shared<std::atomic<bool>>(false);
    e.body = std::move(thread);
    e.thread = std::thread([body = e.body.get(), done = e.done] {
        body->run();
        done->store(true);
    });
    m_entries.push_back(std::move(e));
}

void CLPGThreadManager::releaseFinished() {
    // Each reconnection adds a thread; without this, ended ones would pile up for the
    // whole run, each holding its stack until joined.
    auto finished = std::stable_partition(m_entries.begin(), m_entries.end(),
                                          [](const Entry& e) { return !e.done->load(); });
    for (auto it = finished; it != m_entries.end(); ++it) it->thread.join();
    m_entries.erase(finished, m_entries.end());
}

void CLPGThreadManager::joinAll() {
    std::vector<Entry> toJoin;
    {
        std::lock_guard lock(m_mutex);
        toJoin.swap(m_entries);
        // A thread cannot wait for itself; it stays with the manager.
        const auto self = std::this_thread::get_id();
        auto own = std::find_if(toJoin.begin(), toJoin.end(),
                                [self](const Entry& e) { return e.thread.get_id() == self; });
        if (own != toJoin.end()) {
            m_entries.push_back(std::move(*own));
            toJoin.erase(own);
        }
    }
    // Joined without the lock, so a thread on its way out may still use the manager.
    for (auto& e : toJoin) e.thread.join();
}

bool CLPGThreadManager::busy() const {
    std::lock_guard lock(m_mutex);
    return std::any_of(m_entries.begin(), m_entries.end(),
                       [](const Entry& e) { return !e.done->load(); });
}

} // namespace velmora
