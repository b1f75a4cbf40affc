// SPDX-License-Identifier: GPL-3.0-or-later
#include "diag_thread.h"

#include "device/error.h"

namespace velmora {

namespace {
// Touched by the reading thread only; atomic so that a thread starting while the
// previous one is still on its way out never races on it.
std::atomic<int> g_failures{0};
} // namespace

CDiagInputThread::CDiagInputThread(CDiagData& store, std::wstring name,
                                   const std::atomic<bool>& running,
                                   std::chrono::milliseconds period)
    : m_store(store), m_name(std::move(name)), m_running(running), m_period(period) {}

int CDiagInputThread::failureCounter() { return g_failures.load(); }

void CDiagInputThread::resetFailureCounter() { g_failures.store(0); }

void CDiagInputThread::requestStop() {
    {
        std::lock_guard lock(m_wakeMutex);
        m_stopRequested.store(true);
    }
    m_wake.notify_all();
}

bool CDiagInputThread::keepRunning() const { return m_running.load() && !m_stopRequested.load(); }

void CDiagInputThread::pause() {
    std::unique_lock lock(m_wakeMutex);
    m_wake.wait_for(lock, m_period, [this] { return m_stopRequested.load(); });
}

void CDiagInputThread::stopOnce() {
    if (m_stopped) return;
    m_stopped = true;
    onStop();
}

void CDiagInputThread::run() {
    try {
        onStart();
        while (keepRunning()) {
            CDiag sample{};
            pause();
            // Told to stop during the pause: no point in one more exchange.
            if (!keepRunning()) break;
            const int result = readSample(sample);
            if (result == 0) {
                storeSample(sample);
                g_failures.store(0);
                continue;
            }
            // A reply of another kind means the line still works: neither counted nor forgiven.
            if (result == 2) g_failures.fetch_add(1);
            if (g_failures.load() > kFailureLimit) {
                m_store.clear();
                stopOnce();
                linkLost();
                return;
            }
        }
        stopOnce();
    } catch (const IError&) {
        endOnError();
    } catch (...) {
        try {
            stopOnce();
        } catch (...) {
        }
    }
}

void CDiagInputThread::endOnError() {
    try {
        m_store.clear();
        stopOnce();
        // Stopped on purpose: the error came from tearing the link down, not from the line.
        if (!keepRunning()) return;
        if (lineState() != 0) linkLost();
    } catch (...) {
        // Nothing left to tell: the thread ends either way.
    }
}

CDiagRSThread::CDiagRSThread(CDiagData& store, std::wstring name, const std::atomic<bool>& running,
                             IDiagLink& link, std::chrono::milliseconds period)
    : CDiagInputThread(store, std::move(name), running, period), m_link(link) {}

void CDiagRSThread::onStart() {
    m_link.purgeIn();
    m_store.clear();
}

void CDiagRSThread::onStop() {}

int CDiagRSThread::readSample(CDiag& sample) { return m_link.readDiag(sample); }

void CDiagRSThread::storeSample(CDiag& sample) {
    sample.sequence = ++m_counter;
    // Stamped here, as the exchange ends, not when someone takes it out of the store.
    m_store.add(TimedDiag(sample, ReadingTime::now()));
}

std::uint32_t CDiagRSThread::lineState() { return m_link.clearCommError(); }

void CDiagRSThread::linkLost() { m_link.onLinkLost(); }

} // namespace velmora
