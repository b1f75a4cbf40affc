// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulator.h"

#include "sim/sim_host.h"

#include <stdexcept>

namespace velmora {

namespace {

class CPtySimulator : public CSimulator {
public:
    CPtySimulator() { m_host.start(); }
    std::string port() const override { return m_host.path(); }

private:
    sim::CSimHost m_host;
};

} // namespace

std::unique_ptr<CSimulator> startSimulator(std::string& error)
{
    try {
        return std::make_unique<CPtySimulator>();
    } catch (const std::exception& e) {
        error = e.what();
        return nullptr;
    }
}

} // namespace velmora
