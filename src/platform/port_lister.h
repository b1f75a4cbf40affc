// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Serial ports present on this machine, through QSerialPortInfo.

#include "device/services.h"

namespace velmora {

class CQtPortLister : public IPortLister {
public:
    // Names as CSerialPort::open takes them.
    std::vector<std::string> ports() override;
    std::string description(const std::string& port) override;
};

} // namespace velmora
