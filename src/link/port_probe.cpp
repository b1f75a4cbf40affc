// SPDX-License-Identifier: GPL-3.0-or-later
#include "port_probe.h"

#include "device/services.h"

#include <thread>

namespace velmora {

namespace {

// Identification hands a unit in its bootloader to its owner; a probe only notes it.
class ProbeOwner : public IDeviceOwner {
public:
    void setTimer(int, int) override {}
    void killTimer(int) override {}
    bool runFirmwareUpdate(bool) override
    {
        bootloader = true;
        return false;
    }
    bool bootloader = false;
};

ProbeResult probeOne(const std::string& port, const Timeouts& timeouts)
{
    ProbeResult result;
    result.port = port;
    ProbeOwner owner;
    CLPGDevice device; // no message box: a probe never speaks to the user
    device.setOwner(&owner);
    try {
        device.port().open(port);
        device.port().setState(LineSettings{});
        device.port().setTimeout(timeouts);
        if (device.identify())
            result.answer = ProbeAnswer::Unit;
        else if (owner.bootloader)
            result.answer = ProbeAnswer::Bootloader;
    } catch (const IError& error) {
        const auto* rs = dynamic_cast<const CRSError*>(&error);
        result.failure = {rs && rs->systemError() ? rs->systemError() : -1, error.format()};
    }
    device.setOwner(nullptr);
    device.port().close();
    return result;
}

} // namespace

std::vector<ProbeResult> probePorts(const std::vector<std::string>& ports, const Timeouts& timeouts)
{
    std::vector<ProbeResult> results(ports.size());
    std::vector<std::thread> threads;
    threads.reserve(ports.size());
    for (std::size_t i = 0; i < ports.size(); ++i)
        threads.emplace_back([&results, &ports, &timeouts, i] { results[i] = probeOne(ports[i], timeouts); });
    for (std::thread& t : threads)
        t.join();
    return results;
}

const ProbeResult* preferredResponder(const std::vector<ProbeResult>& results)
{
    for (const ProbeResult& r : results)
        if (r.answer != ProbeAnswer::Nothing)
            return &r;
    return nullptr;
}

} // namespace velmora
