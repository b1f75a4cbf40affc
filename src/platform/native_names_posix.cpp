// SPDX-License-Identifier: GPL-3.0-or-later
#include "native_names.h"

#include <QSerialPortInfo>

namespace velmora::platform {

QString portName(const QSerialPortInfo& info) { return info.systemLocation(); }

QStringList portFolders() { return {QStringLiteral("/dev")}; }

std::unique_ptr<QSettings> openUserSettings() {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("Draxton"));
}

QString storedFromPort(const std::string& port) { return QString::fromStdString(port); }

std::string portFromStored(const QString& text) { return text.trimmed().toStdString(); }

} // namespace velmora::platform
