// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How this platform names serial ports and where it keeps the remembered one.
// native_names_win.cpp / native_names_posix.cpp; CMake picks one.

#include <QSettings>
#include <QString>
#include <QStringList>

#include <memory>
#include <string>

class QSerialPortInfo;

namespace velmora::platform {

// The name CSerialPort::open takes: "COM3" on Windows, "/dev/ttyUSB0" elsewhere.
QString portName(const QSerialPortInfo& info);
// Folders whose entries change when a serial adapter is plugged in or pulled
// ("/dev"); empty where that cannot be watched (Windows has no such folder).
QStringList portFolders();
// The user's settings: HKCU\Software\Draxton on Windows, Draxton.conf in the
// user's config folder elsewhere.
std::unique_ptr<QSettings> openUserSettings();
// Port name <-> the stored text. On Windows the text is the decimal port number
// (the value other tools of the maker read); an empty result means "nothing".
QString storedFromPort(const std::string& port);
std::string portFromStored(const QString& text);

} // namespace velmora::platform
