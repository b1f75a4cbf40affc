#pragma once
// What the map editor needs of the unit. CLPGDevice satisfies it through
// CLPGMapDevice (ui/map); tests give a fake.

#include "device/device_state.h"
#include "device/messages.h"

#include <array>
#include <cstdint>
#include <string>

namespace velmora {

class IError;

class IMapDevice {
public:
    virtual ~IMapDevice() = default;
    virtual bool isConnected() const = 0;
    virtual DeviceState& state() = 0;
    virtual bool correctMapArea(const std::array<std::uint8_t, 6>& record) = 0;
    virtual bool storeMap() = 0;
    virtual bool writeAxes() = 0;
    // Where the editor's messages go; null shows nothing.
    virtual IMessageBox* messageBox() const = 0;
};

// "Writing the settings failed", with the error icon.
void reportWriteFailure(IMapDevice& device);
// An error that ended an editor operation: context, a line break, the error's text;
// no icon.
void reportError(IMapDevice& device, const std::wstring& context, const IError& error);

} // namespace velmora
