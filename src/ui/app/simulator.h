// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The simulated unit the window program can start on itself (--simulate).

#include <memory>
#include <string>

namespace velmora {

class CSimulator {
public:
    virtual ~CSimulator() = default;
    // The port to open.
    virtual std::string port() const = 0;
};

// Starts a simulated unit; on failure returns null and says why in error.
std::unique_ptr<CSimulator> startSimulator(std::string& error);

} // namespace velmora
