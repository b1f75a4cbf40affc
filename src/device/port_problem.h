// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a failed system call on a serial port means for the person at the desk.
// The platform file (serialport_posix.cpp / serialport_win.cpp) is the one place
// that reads native error numbers; everything above works with PortProblem.

#include <string>

namespace velmora {

enum class PortProblem {
    None,
    Missing,      // no such device: unplugged, or a name that was never there
    NoPermission, // the user may not open it (POSIX: not in the dialout group)
    Busy,         // another program holds it
    Gone,         // it vanished while open (adapter pulled, line hung up)
    NotSerial,    // opens, but is not a serial line
    Other,
};

PortProblem portProblemFromSystemError(int systemError);
// What the person should do about problem on port, translated; empty for None and
// Other (the caller then says what it knows). The window's status bar and the
// console tool say the same.
std::wstring portProblemText(PortProblem problem, const std::wstring& port);

// The system's own text for the error number (strerror / FormatMessage).
std::wstring systemErrorText(int systemError);

} // namespace velmora
