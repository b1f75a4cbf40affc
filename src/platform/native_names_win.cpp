// SPDX-License-Identifier: GPL-3.0-or-later
#include "native_names.h"

#include "com_port_number.h"

#include <QSerialPortInfo>

namespace velmora::platform {

QString portName(const QSerialPortInfo& info) { return info.portName(); }

QStringList portFolders() { return {}; }

std::unique_ptr<QSettings> openUserSettings() {
    // A QString value is written as REG_SZ.
    return std::make_unique<QSettings>(QStringLiteral("HKEY_CURRENT_USER\\Software\\Draxton"),
                                       QSettings::NativeFormat);
}

QString storedFromPort(const std::string& port) { return numberTextFromComPort(port); }

std::string portFromStored(const QString& text) { return comPortFromNumberText(text); }

} // namespace velmora::platform
