// SPDX-License-Identifier: GPL-3.0-or-later
#include "serialport_text.h"

#include "error.h"

#include <cctype>

namespace velmora::serialtext {

namespace {
// "COM12" -> "12"; anything else unchanged.
std::string portLabel(const std::string& port) {
    if (port.size() > 3 && (port.compare(0, 3, "COM") == 0 || port.compare(0, 3, "com") == 0)) {
        const std::string digits = port.substr(3);
        bool allDigits = true;
        for (char c : digits) allDigits = allDigits && std::isdigit(static_cast<unsigned char>(c));
        if (allDigits) return digits;
    }
    return port;
}
} // namespace

std::wstring sourceName() { return ansi2unicode("serialport"); }

std::wstring openContext(const std::string& port, long systemError) {
    return L"CSerialPort::open(" + ansi2unicode(portLabel(port)) + L") - " +
           systemErrorField(systemError, L"=");
}

std::wstring transferContext(const char* operation, long systemError) {
    return L"CSerialPort::" + ansi2unicode(operation) + L"() - " + systemErrorField(systemError, L"=");
}

std::wstring stateContext(const char* operation, long systemError, std::uint32_t lineState) {
    return L"CSerialPort::" + ansi2unicode(operation) + L"() \n " +
           systemErrorField(systemError, L" = ") + L"\n clearCommError() = " +
           std::to_wstring(lineState);
}

} // namespace velmora::serialtext
