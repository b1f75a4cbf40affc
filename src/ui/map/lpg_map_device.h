#pragma once
// The map editor's view of CLPGDevice.

#include "ui/map/model/map_device.h"

#include "device/lpg_device.h"

namespace velmora {

class CLPGMapDevice : public IMapDevice {
public:
    explicit CLPGMapDevice(CLPGDevice& device) : m_device(device) {}

    bool isConnected() const override { return m_device.isConnected(); }
    DeviceState& state() override { return m_device.state(); }
    bool correctMapArea(const std::array<std::uint8_t, 6>& record) override
    {
        return m_device.correctMapArea(record);
    }
    bool storeMap() override { return m_device.storeMap(); }
    bool writeAxes() override { return m_device.writeAxes(); }
    IMessageBox* messageBox() const override { return m_device.messageBox(); }

private:
    CLPGDevice& m_device;
};

} // namespace velmora
