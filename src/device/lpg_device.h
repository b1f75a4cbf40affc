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

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <random>
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

class CLPGDevice : public CLPGDeviceErr, public IDiagLink {
public:
    explicit CLPGDevice(DeviceServices services = {});
    // Stops and joins the reading thread before anything it uses goes away.
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
    bool programImage(const std::uint8_t* image, std::uint16_t rowCount,
                      const Progress& progress = {});

    // ---- connection ----
    void setOwner(IDeviceOwner* owner) { m_owner = owner; }
    IDeviceOwner* owner() const { return m_owner; }
    // A port the user named: tried first of all by scanPorts.
    void setPreferredPort(const std::string& port) { m_preferredPort = port; }
    void startConnection();
    void scanPorts();
    bool openPort(const std::string& port);
    bool connect();
    std::string readLastPort();
    void writeLastPort(const std::string& port);
    // The candidates scanPorts tries, in order (remembered first, then ascending).
    std::vector<std::string> candidatePorts();

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

    // IDiagLink
    void purgeIn() override;
    std::uint32_t clearCommError() override;
    void onLinkLost() override;

protected:
    int showMessage(const std::wstring& sourceText, unsigned style);

private:
    std::uint16_t nextKey();

    DeviceServices m_services;
    DeviceState m_state;
    CDiagData m_samples;
    CSerialPort m_port;
    ISerialIO* m_io = &m_port;
    std::wstring m_diagFileName;
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_connected{false};
    std::atomic<bool> m_readings{true};
    IDeviceOwner* m_owner = nullptr;
    std::string m_preferredPort;
    std::mutex m_linkMutex;
    std::mutex m_keyMutex;
    std::minstd_rand m_keys;
    CLPGThreadManager m_threads;
};

} // namespace velmora
