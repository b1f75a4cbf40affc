// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A device on the simulated unit over a pseudo-terminal, as the window drives it:
// recording message boxes, an owner that records its timers and runs the forced
// firmware update, a file dialog that hands back a prepared firmware file, and a
// link wrapper that times every read against the port's time-out.

#include "device/encodings.h"
#include "device/lpg_device.h"
#include "firmware/firmware_update.h"
#include "sim/sim_host.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace velmora::faults {

// Short enough to keep a silent unit cheap, long enough that a busy machine does
// not miss a reply that is on its way.
inline constexpr Timeouts kRigTimeouts{150, 1};

struct ShownBox {
    std::wstring text;
    std::wstring caption;
    unsigned style = 0;
};

class RecordingBoxes : public IMessageBox {
public:
    int show(const std::wstring& text, const std::wstring& caption, unsigned style) override;
    std::vector<ShownBox> shown() const;
    // Boxes whose text contains part.
    int count(const std::wstring& part) const;
    void clear();

private:
    mutable std::mutex m_mutex;
    std::vector<ShownBox> m_shown;
};

class RecordingOwner : public IDeviceOwner {
public:
    void setTimer(int id, int periodMs) override;
    void killTimer(int id) override;
    bool runFirmwareUpdate(bool forced) override;
    bool wasSet(int id, int periodMs) const;
    void clear();

    std::function<bool(bool)> update; // the window's firmware update
    std::vector<bool> updateRuns;     // forced flag of every run

private:
    mutable std::mutex m_mutex;
    std::vector<std::pair<int, int>> m_set;
};

class FirmwareDialog : public IFirmwareUI {
public:
    std::filesystem::path chooseFile(const std::filesystem::path&, const std::wstring&,
                                     const std::wstring&) override {
        return chosen;
    }
    void setBusy(bool busy) override { busyCalls.push_back(busy); }
    void progress(unsigned written, unsigned total) override {
        if (onProgress) onProgress(written, total);
    }

    std::filesystem::path chosen;
    std::vector<bool> busyCalls;
    std::function<void(unsigned, unsigned)> onProgress;
};

// Passes every call to the port and notes how long each read took beyond what
// its time-out allows.
class TimedLink : public ISerialIO {
public:
    TimedLink(CSerialPort& port, Timeouts timeouts) : m_port(port), m_timeouts(timeouts) {}
    std::size_t read(std::uint8_t* buffer, std::size_t count) override;
    std::size_t write(const std::uint8_t* buffer, std::size_t count) override;
    void purgeIn() override { m_port.purgeIn(); }
    std::uint32_t clearCommError() override { return m_port.clearCommError(); }

    // Request frames started (headers written), by any thread.
    unsigned exchanges() const { return m_exchanges.load(); }
    // The longest any read ran past its own time-out.
    std::chrono::milliseconds worstOverrun() const {
        return std::chrono::milliseconds(m_worstOverrunMs.load());
    }

private:
    CSerialPort& m_port;
    Timeouts m_timeouts;
    std::atomic<unsigned> m_exchanges{0};
    std::atomic<long long> m_worstOverrunMs{0};
};

class MemorySettings : public ISettingsStore {
public:
    std::string readLastPort() override;
    void writeLastPort(const std::string& port) override;

private:
    std::mutex m_mutex;
    std::string m_port;
};

// The machine's serial ports: only the simulated unit's.
class OnePort : public IPortLister {
public:
    explicit OnePort(const std::string& path) : m_path(path) {}
    std::vector<std::string> ports() override { return {m_path}; }

private:
    std::string m_path;
};

// What the unit holds, as the host's device state would show it.
DeviceState decodeUnitState(const sim::SimState& unit);
// Empty when equal; otherwise the first differences, one per line.
std::string stateDifferences(const DeviceState& shown, const DeviceState& unit);

// Threads of this process (/proc/self/task).
int threadCount();

// Polls cond every few milliseconds; false when limit passed first.
bool waitFor(const std::function<bool()>& cond,
             std::chrono::milliseconds limit = std::chrono::milliseconds(5000));

// The rows a programming run leaves in the unit's flash: each holds the first three
// of every four image bytes from image offset 2 x address, zeros past the image.
std::string flashDifferences(const sim::SimState& unit, const std::vector<std::uint8_t>& image,
                             unsigned rows);

class UnitRig {
public:
    UnitRig();
    ~UnitRig();
    UnitRig(const UnitRig&) = delete;
    UnitRig& operator=(const UnitRig&) = delete;

    // Connects as the window does at start and remembers the port.
    bool connectCleanly();
    bool reconnect() { return device.openPort(device.readLastPort()); }
    DeviceState unitState() const { return decodeUnitState(host.state()); }

    static constexpr std::uint16_t kFileVersion = 0x0104; // newer than the unit's 0x0103
    static constexpr std::size_t kImageBytes = 0x3100;    // 49 rows: the smallest signed image

    sim::CSimHost host;
    MemorySettings settings;
    OnePort ports{host.path()};
    RecordingBoxes boxes;
    RecordingOwner owner;
    FirmwareDialog dialog;
    CLPGDevice device{DeviceServices{&boxes, &settings, &ports}};
    TimedLink link{device.port(), kRigTimeouts};
    CFirmwareUpdate update{device, dialog};   // the operator's button
    CFirmwareUpdate recovery{device, dialog}; // forced, for a unit found in its bootloader
    std::vector<std::chrono::milliseconds> waits;
    std::function<void()> onWait; // runs at every pause of the update
    std::filesystem::path folder;
    std::vector<std::uint8_t> image;
    std::filesystem::path firmwareFile;
};

} // namespace velmora::faults
