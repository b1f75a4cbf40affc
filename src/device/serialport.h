// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One serial port. The platform part lives in serialport_posix.cpp (termios;
// pseudo-terminals included) or serialport_win.cpp (Win32); CMake picks one.
// Every failed system call is raised as a CRSError (code 5 for open, 6 otherwise).

#include "error.h"
#include "serialio.h"

#include <cstdint>
#include <memory>
#include <string>

namespace velmora {

// Line settings applied to every port that is opened: 38400 baud, 8N1, no flow
// control, DTR and RTS off, abort on error.
struct LineSettings {
    std::uint32_t baudRate = 38400;
    std::uint8_t dataBits = 8;
    bool parity = false;
    std::uint8_t stopBits = 1;
};

// Read time-out: total = constant + multiplier x requested bytes. Where writes can
// stall (POSIX), the same bound ends a stalled write with a short count.
struct Timeouts {
    std::uint32_t readTotalConstantMs = 1000;
    std::uint32_t readTotalMultiplierMs = 1;
};

class CSerialPort : public ISerialIO, public IErrorHelper<CRSError> {
public:
    CSerialPort();
    ~CSerialPort() override; // closes the port if still open
    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;

    // name: "COMn" on Windows (opened as \\.\COMn), a device path elsewhere.
    // A handle still open is closed first, so it cannot leak or keep its line
    // locked. The port is opened for this process alone (a second opener is refused).
    // A failed open leaves the port closed and portName() unchanged.
    void open(const std::string& name);
    void setState(const LineSettings& settings);
    void setTimeout(const Timeouts& timeouts);
    std::size_t read(std::uint8_t* buffer, std::size_t count) override;
    std::size_t write(const std::uint8_t* buffer, std::size_t count) override;
    void purgeIn() override;
    std::uint32_t clearCommError() override;
    int close(); // never raises; 0 when closed cleanly or not open
    bool isOpen() const;
    // The name of the last port opened successfully.
    const std::string& portName() const { return m_portName; }

private:
    struct Platform;
    std::unique_ptr<Platform> m_platform;
    std::string m_portName;
    Timeouts m_timeouts;
};

} // namespace velmora
