// SPDX-License-Identifier: GPL-3.0-or-later
#include "port_lister.h"

#include "native_names.h"

#include <QSerialPortInfo>

namespace velmora {

std::vector<std::string> CQtPortLister::ports() {
    std::vector<std::string> out;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        const QString name = platform::portName(info);
        if (!name.isEmpty()) out.push_back(name.toStdString());
    }
    return out;
}

std::string CQtPortLister::description(const std::string& port) {
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        if (platform::portName(info).toStdString() != port) continue;
        QString text = info.description();
        if (!info.manufacturer().isEmpty() && !text.contains(info.manufacturer()))
            text = text.isEmpty() ? info.manufacturer() : text + QStringLiteral(", ") + info.manufacturer();
        return text.toStdString();
    }
    return {};
}

} // namespace velmora
