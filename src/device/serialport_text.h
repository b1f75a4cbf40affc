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

// Source name of every serial port error.
std::wstring sourceName();
// "CSerialPort::open(" port ") - GetLastError()=" e; a "COMn" name shows as n.
std::wstring openContext(const std::string& port, long systemError);
// "CSerialPort::read() - GetLastError()=" e, likewise for write.
std::wstring transferContext(const char* operation, long systemError);
// Three lines: operation name (with its trailing blank), the system error, the line state.
std::wstring stateContext(const char* operation, long systemError, std::uint32_t lineState);

} // namespace velmora::serialtext
