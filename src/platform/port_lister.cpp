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

} // namespace velmora
