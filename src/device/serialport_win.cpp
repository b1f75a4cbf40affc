// SPDX-License-Identifier: GPL-3.0-or-later
// CSerialPort on the Win32 communications API: synchronous handle, the line
// settings and time-outs of the caller, purge of pending input only.

#include "serialport.h"
#include "port_problem.h"
#include "serialport_text.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <algorithm>
#include <limits>

namespace velmora {

struct CSerialPort::Platform {
    HANDLE handle = nullptr;
};

namespace {

// The one place where system error numbers are read.
long lastSystemError() { return static_cast<long>(::GetLastError()); }

// "COM12" -> "\\.\COM12": the device-namespace form works for every port number,
// the plain name only for COM1..COM9.
std::wstring devicePath(const std::string& name) {
    const std::wstring wide = ansi2unicode(name);
    if (wide.rfind(L"\\\\.\\", 0) == 0) return wide;
    return L"\\\\.\\" + wide;
}

DWORD clampCount(std::size_t count) {
    return static_cast<DWORD>(std::min<std::size_t>(count, std::numeric_limits<DWORD>::max()));
}

[[noreturn]] void failTransfer(const CSerialPort&, const char* operation, int line, long err) {
    throw CRSError(CRSError::OperationFailed, serialtext::transferContext(operation, err), line,
                   serialtext::sourceName(), static_cast<int>(err));
}

[[noreturn]] void failState(CSerialPort& port, const char* operation, int line, long err) {
    const std::uint32_t lineState = port.clearCommError();
    throw CRSError(CRSError::OperationFailed, serialtext::stateContext(operation, err, lineState),
                   line, serialtext::sourceName(), static_cast<int>(err));
}

} // namespace

PortProblem portProblemFromSystemError(int err) {
    switch (static_cast<DWORD>(err)) {
    case 0: return PortProblem::None;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_DEV_NOT_EXIST: return PortProblem::Missing;
    case ERROR_ACCESS_DENIED: return PortProblem::Busy; // a COM port refuses a second opener so
    case ERROR_SHARING_VIOLATION: return PortProblem::Busy;
    case ERROR_BAD_COMMAND:
    case ERROR_GEN_FAILURE:
    case ERROR_OPERATION_ABORTED:
    case ERROR_INVALID_HANDLE: return PortProblem::Gone;
    default: return PortProblem::Other;
    }
}

std::wstring systemErrorText(int err) {
    wchar_t* text = nullptr;
    const DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                         FORMAT_MESSAGE_IGNORE_INSERTS,
                                     nullptr, static_cast<DWORD>(err), 0,
                                     reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring out = n && text ? std::wstring(text, n) : std::wstring();
    if (text) ::LocalFree(text);
    while (!out.empty() && (out.back() == L'\n' || out.back() == L'\r' || out.back() == L' '))
        out.pop_back();
    return out;
}

namespace serialtext {
std::wstring systemErrorField(long systemError, const wchar_t* equals) {
    return L"GetLastError()" + std::wstring(equals) + std::to_wstring(systemError) + L" (" +
           systemErrorText(static_cast<int>(systemError)) + L")";
}
} // namespace serialtext

CSerialPort::CSerialPort() : m_platform(std::make_unique<Platform>()) {}

CSerialPort::~CSerialPort() { close(); }

bool CSerialPort::isOpen() const { return m_platform->handle != nullptr; }

void CSerialPort::open(const std::string& name) {
    close();
    HANDLE h = ::CreateFileW(devicePath(name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const long err = lastSystemError();
        throw CRSError(CRSError::OpenFailed, serialtext::openContext(name, err),
                       serialtext::kLineOpen, serialtext::sourceName(), static_cast<int>(err));
    }
    m_platform->handle = h;
    m_portName = name;
}

void CSerialPort::setState(const LineSettings& settings) {
    HANDLE h = m_platform->handle;
    if (!h) failState(*this, "setState", serialtext::kLineSetState, ERROR_INVALID_HANDLE);
    DCB dcb{};
    dcb.DCBlength = sizeof(DCB);
    dcb.BaudRate = settings.baudRate;
    dcb.fBinary = TRUE;
    dcb.fParity = settings.parity ? TRUE : FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fTXContinueOnXoff = TRUE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    // A line error blocks transfers until clearCommError, so a damaged frame is never half-used.
    dcb.fAbortOnError = TRUE;
    dcb.XonLim = 2048;
    dcb.XoffLim = 512;
    dcb.ByteSize = settings.dataBits;
    dcb.Parity = settings.parity ? EVENPARITY : NOPARITY;
    dcb.StopBits = settings.stopBits == 2 ? TWOSTOPBITS : ONESTOPBIT;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    dcb.ErrorChar = 0;
    dcb.EofChar = 0;
    dcb.EvtChar = 0;
    if (!::SetCommState(h, &dcb))
        failState(*this, "setState", serialtext::kLineSetState, lastSystemError());
}

void CSerialPort::setTimeout(const Timeouts& timeouts) {
    HANDLE h = m_platform->handle;
    if (!h) failState(*this, "setTimeout", serialtext::kLineSetTimeout, ERROR_INVALID_HANDLE);
    COMMTIMEOUTS ct{};
    ct.ReadIntervalTimeout = 0;
    ct.ReadTotalTimeoutMultiplier = timeouts.readTotalMultiplierMs;
    ct.ReadTotalTimeoutConstant = timeouts.readTotalConstantMs;
    // No write time-outs: writes return when the driver has taken the bytes.
    ct.WriteTotalTimeoutMultiplier = 0;
    ct.WriteTotalTimeoutConstant = 0;
    if (!::SetCommTimeouts(h, &ct))
        failState(*this, "setTimeout", serialtext::kLineSetTimeout, lastSystemError());
    m_timeouts = timeouts;
}

std::size_t CSerialPort::read(std::uint8_t* buffer, std::size_t count) {
    if (count == 0) return 0;
    HANDLE h = m_platform->handle;
    if (!h) failTransfer(*this, "read", serialtext::kLineRead, ERROR_INVALID_HANDLE);
    DWORD got = 0;
    if (!::ReadFile(h, buffer, clampCount(count), &got, nullptr))
        failTransfer(*this, "read", serialtext::kLineRead, lastSystemError());
    return got;
}

std::size_t CSerialPort::write(const std::uint8_t* buffer, std::size_t count) {
    if (count == 0) return 0;
    HANDLE h = m_platform->handle;
    if (!h) failTransfer(*this, "write", serialtext::kLineWrite, ERROR_INVALID_HANDLE);
    DWORD sent = 0;
    if (!::WriteFile(h, buffer, clampCount(count), &sent, nullptr))
        failTransfer(*this, "write", serialtext::kLineWrite, lastSystemError());
    return sent;
}

void CSerialPort::purgeIn() {
    HANDLE h = m_platform->handle;
    if (!h) failState(*this, "purgeIn", serialtext::kLinePurgeIn, ERROR_INVALID_HANDLE);
    if (!::PurgeComm(h, PURGE_RXCLEAR))
        failState(*this, "purgeIn", serialtext::kLinePurgeIn, lastSystemError());
}

std::uint32_t CSerialPort::clearCommError() {
    HANDLE h = m_platform->handle;
    if (!h) return ERROR_INVALID_HANDLE;
    DWORD errors = 0;
    COMSTAT status{};
    if (::ClearCommError(h, &errors, &status)) return errors;
    return static_cast<std::uint32_t>(lastSystemError());
}

int CSerialPort::close() {
    HANDLE h = m_platform->handle;
    if (!h) return 0;
    m_platform->handle = nullptr;
    return ::CloseHandle(h) ? 0 : static_cast<int>(lastSystemError());
}

} // namespace velmora
