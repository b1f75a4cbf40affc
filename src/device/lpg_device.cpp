// SPDX-License-Identifier: GPL-3.0-or-later
#include "lpg_device.h"

#include <ctime>

namespace velmora {

CLPGDevice::CLPGDevice(DeviceServices services) : m_services(services) {
    seedKeys(static_cast<std::uint32_t>(std::time(nullptr)));
}

CLPGDevice::~CLPGDevice() {
    {
        std::lock_guard lock(m_ownerMutex);
        m_owner = nullptr;
    }
    m_running.store(false);
    m_threads.joinAll();
}

void CLPGDevice::setOwner(IDeviceOwner* owner) {
    std::lock_guard lock(m_ownerMutex);
    m_owner = owner;
}

IDeviceOwner* CLPGDevice::owner() const {
    std::lock_guard lock(m_ownerMutex);
    return m_owner;
}

int CLPGDevice::showMessage(const std::wstring& text, unsigned style) {
    return reportMessage(m_services.messages, text, kCaption, style);
}

void CLPGDevice::seedKeys(std::uint32_t seed) {
    std::lock_guard lock(m_keyMutex);
    m_keys.seed(seed);
}

void CLPGDevice::forceNextKey(std::uint16_t key) {
    std::lock_guard lock(m_keyMutex);
    m_forcedKeys.push_back(key);
}

std::uint16_t CLPGDevice::nextKey() {
    std::lock_guard lock(m_keyMutex);
    if (!m_forcedKeys.empty()) {
        const std::uint16_t key = m_forcedKeys.front();
        m_forcedKeys.pop_front();
        return key;
    }
    // The engine's low bits are its weakest; take 16 from the middle.
    return static_cast<std::uint16_t>(m_keys() >> 7);
}

} // namespace velmora
