// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A remembered port that lives only as long as the program: the simulated unit's
// pseudo-terminal must never become the user's remembered port, since next time
// that path may be a terminal of some other program.

#include "device/services.h"

namespace velmora {

class CSessionSettingsStore : public ISettingsStore {
public:
    std::string readLastPort() override { return m_port; }
    void writeLastPort(const std::string& port) override { m_port = port; }

private:
    std::string m_port;
};

} // namespace velmora
