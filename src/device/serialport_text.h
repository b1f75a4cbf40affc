// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Context texts carried by the errors of CSerialPort, shared by both platform files.

#include <cstdint>
#include <string>

namespace velmora::serialtext {

// Line numbers reported with each failure.
constexpr int kLineOpen = 68;
constexpr int kLineSetState = 107;
constexpr int kLineSetTimeout = 152;
constexpr int kLineRead = 167;
constexpr int kLineWrite = 183;
constexpr int kLinePurgeIn = 202;

// The system error as this platform names it, with the system's text:
// "GetLastError()=5" on Windows, "errno=13 (Permission denied)" elsewhere.
// Defined in the platform file.
std::wstring systemErrorField(long systemError, const wchar_t* equals);

// Source name of every serial port error.
std::wstring sourceName();
// "CSerialPort::open(" port ") - " systemErrorField; a "COMn" name shows as n.
std::wstring openContext(const std::string& port, long systemError);
// "CSerialPort::read() - " systemErrorField, likewise for write.
std::wstring transferContext(const char* operation, long systemError);
// Three lines: operation name (with its trailing blank), the system error, the line state.
std::wstring stateContext(const char* operation, long systemError, std::uint32_t lineState);

} // namespace velmora::serialtext
