// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Platform services the device link needs. The Qt programs supply real ones
// (src/platform), tests supply fakes.

#include <string>
#include <vector>

namespace velmora {

// The remembered port ("Last RS nr"): empty when none is stored.
class ISettingsStore {
public:
    virtual ~ISettingsStore() = default;
    virtual std::string readLastPort() = 0;
    virtual void writeLastPort(const std::string& port) = 0;
};

// Serial ports present on this machine, by system name ("COM3", "/dev/ttyUSB0").
class IPortLister {
public:
    virtual ~IPortLister() = default;
    virtual std::vector<std::string> ports() = 0;
    // What the system says the port is (the adapter's description); empty when unknown.
    virtual std::string description(const std::string& /*port*/) { return {}; }
};

// Timer ids of the owner window.
constexpr int kRefreshTimer = 2000;   // 100 ms
constexpr int kReconnectTimer = 2001; // 1000 ms after a link loss, 2000 ms when re-armed

// The window (or console tool) that owns the device. setTimer may be called from
// the reading thread: implementations hand it over to their own thread.
class IDeviceOwner {
public:
    virtual ~IDeviceOwner() = default;
    virtual void setTimer(int id, int periodMs) = 0;
    virtual void killTimer(int id) = 0;
    // The firmware update; forced when the unit was found waiting in its bootloader.
    virtual bool runFirmwareUpdate(bool forced) = 0;
};

} // namespace velmora
