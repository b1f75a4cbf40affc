// SPDX-License-Identifier: GPL-3.0-or-later
// Starting and stopping the reading thread, and what the thread needs of the device.

#include "lpg_device.h"

namespace velmora {

void CLPGDevice::startReading() {
    if (!m_readings.load()) {
        m_running.store(false);
        return;
    }
    joinReadingThread(); // never two threads on one link
    // No diagnostic file: nothing was ever written to it.
    m_diagFileName.clear();
    m_running.store(true);
    m_threads.insert(std::make_unique<CDiagRSThread>(m_samples, m_diagFileName, m_running, *this));
    std::lock_guard lock(m_ownerMutex);
    if (m_owner) m_owner->setTimer(kRefreshTimer, 100);
}

void CLPGDevice::stopReading() {
    m_running.store(false);
    {
        std::lock_guard lock(m_ownerMutex);
        if (m_owner) m_owner->killTimer(kRefreshTimer);
    }
    // The thread finishes its exchange (at most one read time-out) and ends.
    m_threads.joinAll();
}

void CLPGDevice::joinReadingThread() {
    if (!m_threads.busy()) return;
    m_running.store(false);
    m_threads.joinAll();
}

void CLPGDevice::purgeIn() {
    std::lock_guard lock(m_linkMutex);
    m_io->purgeIn();
}

std::uint32_t CLPGDevice::clearCommError() {
    std::lock_guard lock(m_linkMutex);
    return m_io->clearCommError();
}

void CLPGDevice::onLinkLost() {
    m_connected.store(false);
    std::lock_guard lock(m_ownerMutex);
    if (m_owner) m_owner->setTimer(kReconnectTimer, 1000);
}

} // namespace velmora
