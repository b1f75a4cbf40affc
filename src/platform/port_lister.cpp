// SPDX-License-Identifier: GPL-3.0-or-later
#include "port_lister.h"

#include "native_names.h"
#include "simulated_ports.h"

#include <QSerialPortInfo>

#include <algorithm>

namespace velmora {

std::vector<std::string> CQtPortLister::ports() {
    std::vector<std::string> out;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        const QString name = platform::portName(info);
        if (!name.isEmpty()) out.push_back(name.toStdString());
    }
    // Simulated units last: a real unit on a real port is found first.
    for (const QString& port : simulatedPorts())
        if (std::find(out.begin(), out.end(), port.toStdString()) == out.end())
            out.push_back(port.toStdString());
    return out;
}

std::string CQtPortLister::description(const std::string& port) {
    if (simulatedPorts().contains(QString::fromStdString(port)))
        return "velmora-cli sim";
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
