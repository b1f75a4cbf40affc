// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A scripted device link for reading-thread tests: each readDiag takes the next step.
// When the script runs out the link clears the running flag and answers "other reply",
// which neither counts as a failure nor resets the count.

#include "acquisition/diag_thread.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

namespace velmora::test {

enum class Step { Sample, Other, Fail, Throw, StopThenThrow };

class FakeLink : public IDiagLink {
public:
    FakeLink(std::atomic<bool>& running, std::vector<Step> script)
        : m_running(running), m_script(std::move(script)) {}

    // Answer samples forever, each exchange taking this long.
    void answerForever(std::chrono::milliseconds exchange) {
        m_forever = true;
        m_exchange = exchange;
    }

    int readDiag(CDiag& sample) override {
        ++reads;
        if (m_forever) {
            std::this_thread::sleep_for(m_exchange);
            sample.rpmPeriod = 7500;
            return 0;
        }
        if (m_next >= m_script.size()) {
            m_running = false;
            return 1;
        }
        switch (m_script[m_next++]) {
        case Step::Sample:
            sample.rpmPeriod = static_cast<std::uint16_t>(1000 + m_next);
            sample.workState = 3;
            return 0;
        case Step::Other:
            return 1;
        case Step::Fail:
            return 2;
        case Step::StopThenThrow:
            m_running = false;
            [[fallthrough]];
        case Step::Throw:
            thrower();
            return 2;
        }
        return 2;
    }
    void purgeIn() override {
        ++purges;
        if (purgeThrower) purgeThrower();
    }
    std::uint32_t clearCommError() override {
        ++lineQueries;
        return lineError;
    }
    void onLinkLost() override {
        ++linkLosses;
        if (lostHook) lostHook();
    }

    std::function<void()> thrower;      // what Step::Throw raises
    std::function<void()> purgeThrower; // when set, purgeIn raises through it
    std::function<void()> lostHook;
    std::uint32_t lineError = 0;

    std::atomic<int> reads{0};
    std::atomic<int> purges{0};
    std::atomic<int> lineQueries{0};
    std::atomic<int> linkLosses{0};

private:
    std::atomic<bool>& m_running;
    std::vector<Step> m_script;
    std::size_t m_next = 0;
    bool m_forever = false;
    std::chrono::milliseconds m_exchange{0};
};

// The serial reading thread with its stops counted and its end recorded.
class CountingThread : public CDiagRSThread {
public:
    CountingThread(CDiagData& store, std::atomic<bool>& running, IDiagLink& link,
                   std::atomic<int>& stops, std::atomic<bool>* destroyed = nullptr)
        : CDiagRSThread(store, L"\\", running, link, std::chrono::milliseconds(1)),
          m_stops(stops), m_destroyed(destroyed) {}
    ~CountingThread() override {
        if (m_destroyed) *m_destroyed = true;
    }

protected:
    void onStop() override {
        ++m_stops;
        CDiagRSThread::onStop();
    }

private:
    std::atomic<int>& m_stops;
    std::atomic<bool>* m_destroyed;
};

// Runs one reading thread to its end.
inline int runToEnd(CDiagData& store, std::atomic<bool>& running, FakeLink& link) {
    std::atomic<int> stops{0};
    running = true;
    {
        CLPGThreadManager manager;
        manager.insert(std::make_unique<CountingThread>(store, running, link, stops));
        manager.joinAll();
    }
    return stops.load();
}

inline std::vector<std::uint32_t> sequences(const CDiagData& store) {
    std::vector<CDiag> all;
    store.copyRange(all, 0, store.count());
    std::vector<std::uint32_t> out;
    for (const CDiag& d : all) out.push_back(d.sequence);
    return out;
}

} // namespace velmora::test
