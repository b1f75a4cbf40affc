#pragma once
// The map editor's view of the unit through the link: the values it edits are the
// window's copy of what the unit reported, and its writes go to the link's worker.
// A write returns at once; the unit's answer comes back as new unit data (which the
// window shows) and, on failure, as a message.

#include "ui/map/model/map_device.h"
#include "ui/map/model/unit_writer.h"

#include <functional>

namespace velmora {

class CLinkMapDevice : public IMapDevice {
public:
    CLinkMapDevice(IUnitWriter& writer, DeviceState& state, IMessageBox* messages,
                   std::function<void(const WriteResult&)> onDone)
        : m_writer(writer), m_state(state), m_messages(messages), m_onDone(std::move(onDone)) {}

    bool isConnected() const override { return m_writer.canWrite(); }
    DeviceState& state() override { return m_state; }
    bool correctMapArea(const std::array<std::uint8_t, 6>& record) override
    {
        m_writer.correctArea(record, m_onDone); // the store follows inside
        return true;
    }
    bool storeMap() override { return true; }
    bool writeAxes() override
    {
        m_writer.writeAxes(m_state.voltAxis, m_state.rpmAxis, m_onDone);
        return true;
    }
    IMessageBox* messageBox() const override { return m_messages; }

private:
    IUnitWriter& m_writer;
    DeviceState& m_state;
    IMessageBox* m_messages;
    std::function<void(const WriteResult&)> m_onDone;
};

} // namespace velmora
