// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The device: link, command set, connection and live reading of one unit.
// The main window derives from it (the window is the device); the console tool
// and tests use it directly.

#include "device_errors.h"
#include "device_state.h"
#include "messages.h"
#include "serialport.h"
#include "services.h"

#include "acquisition/diag_data.h"
#include "acquisition/diag_thread.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <random>
#include <span>
#include <string>
#include <vector>

namespace velmora {

// Platform services handed to the device; any may be null (then: no boxes shown,
// nothing remembered, no ports listed).
struct DeviceServices {
    IMessageBox* messages = nullptr;
    ISettingsStore* settings = nullptr;
    IPortLister* ports = nullptr;
};

// How one frame exchange ended, for link health figures.
enum class ExchangeOutcome { Ok, NoReply, BadChecksum, LineError, Refused };
// Called on the thread that ran the exchange (reading thread or the link's own);
// roundTrip from the first byte sent to the last byte read. Refused follows the
// Ok of an exchange whose reply was a refusal.
using ExchangeObserver = std::function<void(ExchangeOutcome, std::chrono::microseconds roundTrip)>;

// Why the last openPort did not reach the unit: the failed port call, if any.
struct PortFailure {
    int systemError = 0; // 0: the port opened and the unit did not answer; -1: a port call failed without a system error
    std::wstring detail; // the error's own text (function, system error text)
};

class CLPGDevice : public CLPGDeviceErr, public IDiagLink {
public:
    explicit CLPGDevice(DeviceServices services = {});
    // Stops and joins the reading thread before anything it uses goes away. It does
    // not call the owner: a window deriving from the device is already gone by then,
    // so such a window calls stopReading() in its own destructor.
    ~CLPGDevice() override;
    CLPGDevice(const CLPGDevice&) = delete;
    CLPGDevice& operator=(const CLPGDevice&) = delete;

    // ---- frame exchange ----
    // buffer: at least frame::kBufferSize bytes. In: request payload, its length and type.
    // Out on true: reply payload (descrambled), its length and type.
    bool transact(std::uint8_t* buffer, std::uint8_t& length, std::uint8_t& type);
    // 0 = no failure, 2 = failure (see readDiag for how the out values are used).
    int transactDiag(std::uint8_t* buffer, std::uint8_t& length, std::uint8_t& type);

    // ---- command set; each returns success and retries internally ----
    bool identify();
    bool readVersion();
    bool readSettings();
    bool writeSettings(); // then writeMap; the map write's outcome is not reported
    bool readMap();
    bool writeMap();
    bool storeMap();
    bool clearMap();
    bool correctMapArea(const std::array<std::uint8_t, 6>& record);
    bool readAxes();
    bool writeAxes();
    int readDiag(CDiag& sample) override; // 0 sample, 1 other reply, 2 exchange failed
    bool enterBootloader();
    bool queryBootloader(std::uint16_t& answer);
    bool eraseFlashPage(std::uint32_t address);
    bool writeFlashRow(std::uint32_t address, const std::uint8_t* image256);
    bool endProgramming();
    bool startApplication();
    // Rows from flash address 0x1800 (image offset 0x3000) up to 0xA000.
    // progress(rowsWritten, rowsToWrite) after every acknowledged row.
    using Progress = std::function<void(unsigned written, unsigned total)>;
    // image: bytes beyond its end are sent as zeros.
    bool programImage(std::span<const std::uint8_t> image, std::uint16_t rowCount,
                      const Progress& progress = {});
    // image: kProgramSpan readable bytes (a firmware image buffer).
    bool programImage(const std::uint8_t* image, std::uint16_t rowCount,
                      const Progress& progress = {});
    static constexpr std::uint32_t kFirstRowAddress = 0x1800;
    static constexpr std::uint32_t kEndAddress = 0xA000;
    static constexpr std::size_t kProgramSpan = 2 * kEndAddress; // image bytes programImage may read

    // ---- connection ----
    void setOwner(IDeviceOwner* owner);
    IDeviceOwner* owner() const;
    // A port the user named: tried first of all by scanPorts.
    void setPreferredPort(const std::string& port) { m_preferredPort = port; }
    void startConnection();
    void scanPorts();
    bool openPort(const std::string& port);
    // Time-outs applied by openPort; the unit's protocol wants the defaults (1000 ms + 1 ms/byte).
    void setPortTimeouts(const Timeouts& timeouts) { m_timeouts = timeouts; }
    bool connect();
    std::string readLastPort();
    void writeLastPort(const std::string& port);
    // The candidates scanPorts tries, in order: the preferred port, the remembered
    // port when it is listed, then every listed port in natural ascending order
    // (COM2 < COM10), the remembered one again in its place.
    std::vector<std::string> candidatePorts();

    // Set before any exchange runs (the reading thread reads it without a lock).
    void setExchangeObserver(ExchangeObserver observer) { m_observer = std::move(observer); }
    const PortFailure& lastPortFailure() const { return m_lastPortFailure; }

    // ---- live reading ----
    void startReading(); // new reading thread + refresh timer, when the unit offers readings
    void stopReading();  // clears the running flag, kills the refresh timer, joins the thread

    // ---- state ----
    DeviceState& state() { return m_state; }
    const DeviceState& state() const { return m_state; }
    CDiagData& samples() { return m_samples; }
    CSerialPort& port() { return m_port; }
    bool isConnected() const { return m_connected.load(); }
    void setConnected(bool on) { m_connected.store(on); }
    bool offersReadings() const { return m_readings.load(); }
    bool isRunning() const { return m_running.load(); }
    IMessageBox* messageBox() const { return m_services.messages; }
    // Replaces the byte stream under the exchange (fuzzing); null restores the port.
    void setLinkForTesting(ISerialIO* io) { m_io = io ? io : &m_port; }
    // The pause before transact's second body read (50 ms; in-memory links need none).
    // It also bounds the wait for a stale reply's tail before the line is purged for a retry.
    void setSecondReadPause(std::chrono::milliseconds pause) {
        m_secondReadPause = pause;
        m_resyncPause = std::min(pause, m_resyncPause);
    }
    // Frame keys to use, in order, before drawing from the generator again (tests pin
    // the bytes on the wire with it).
    void forceNextKey(std::uint16_t key);
    // Forget that identify already complained about a foreign unit (tests).
    void resetWrongTypeNotice() { m_wrongTypeShown = false; }

    // IDiagLink
    void purgeIn() override;
    std::uint32_t clearCommError() override;
    void onLinkLost() override;

protected:
    // text: already translated (callers write translate(L"...") at the call site).
    int showMessage(const std::wstring& text, unsigned style);

private:
    struct Reply;
    enum class RowAnswer { Ack, Refused, Lost };
    RowAnswer sendFlashRow(std::uint32_t address, const std::uint8_t* image256);
    void resync();
    bool programPass(std::span<const std::uint8_t> image, std::uint16_t rowCount, const Progress& progress);
    std::uint16_t nextKey();
    void seedKeys(std::uint32_t seed);
    bool request(std::uint8_t type, std::span<const std::uint8_t> payload, Reply& reply);
    bool commandRequest(std::uint8_t code, Reply& reply);
    bool acknowledged(std::uint8_t type, std::span<const std::uint8_t> payload, int tries);
    bool readRecord(std::uint8_t code, std::uint8_t replyType, std::size_t minLength, Reply& reply);
    bool firstType2Reply(std::uint8_t code, int tries, Reply& reply);
    void joinReadingThread();
    bool transactBody(std::uint8_t* buffer, std::uint8_t& length, std::uint8_t& type,
                      ExchangeOutcome& outcome);
    int transactDiagBody(std::uint8_t* buffer, std::uint8_t& length, std::uint8_t& type,
                         ExchangeOutcome& outcome);
    void observe(ExchangeOutcome outcome, std::chrono::steady_clock::time_point start);

    DeviceServices m_services;
    DeviceState m_state;
    CDiagData m_samples;
    CSerialPort m_port;
    ISerialIO* m_io = &m_port;
    std::wstring m_diagFileName;
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_connected{false};
    std::atomic<bool> m_readings{true};
    mutable std::mutex m_ownerMutex; // the reading thread arms timers through the owner
    IDeviceOwner* m_owner = nullptr;
    std::string m_preferredPort;
    Timeouts m_timeouts;
    std::chrono::milliseconds m_secondReadPause{50};
    std::chrono::milliseconds m_resyncPause{80};
    ExchangeOutcome m_lastOutcome = ExchangeOutcome::Ok; // of the last transact (not the reading thread's)
    ExchangeObserver m_observer;
    PortFailure m_lastPortFailure;
    bool m_wrongTypeShown = false; // identify's "Brak połączenia" for a foreign unit, once
    std::mutex m_linkMutex;
    std::mutex m_keyMutex;
    std::minstd_rand m_keys;
    std::deque<std::uint16_t> m_forcedKeys;
    CLPGThreadManager m_threads;
};

} // namespace velmora
