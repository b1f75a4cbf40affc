#pragma once
// A unit that records what the map editor sends and answers as told.

#include "ui/map/model/map_device.h"

#include "device/error.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace velmora::test {

struct ShownMessage {
    std::wstring text;
    std::wstring caption;
    unsigned style = 0;
};

class RecordingMessageBox : public IMessageBox {
public:
    int show(const std::wstring& text, const std::wstring& caption, unsigned style) override
    {
        shown.push_back({text, caption, style});
        return ID_OK;
    }
    std::vector<ShownMessage> shown;
};

class FakeMapDevice : public IMapDevice {
public:
    bool isConnected() const override { return connected; }
    DeviceState& state() override { return deviceState; }
    bool correctMapArea(const std::array<std::uint8_t, 6>& record) override
    {
        records.push_back(record);
        if (throwOnCorrect)
            throw IError(3, L"correctMapArea", 42, L"fake");
        return correctResult;
    }
    bool storeMap() override
    {
        ++storeCalls;
        return storeResult;
    }
    bool writeAxes() override
    {
        ++axisWrites;
        writtenRpmAxis = deviceState.rpmAxis;
        writtenVoltAxis = deviceState.voltAxis;
        if (throwOnWriteAxes)
            throw IError(4, L"writeAxes", 7, L"fake");
        return writeAxesResult;
    }
    IMessageBox* messageBox() const override { return &messages; }

    bool connected = true;
    bool correctResult = true;
    bool storeResult = true;
    bool writeAxesResult = true;
    bool throwOnCorrect = false;
    bool throwOnWriteAxes = false;
    DeviceState deviceState;
    std::vector<std::array<std::uint8_t, 6>> records;
    int storeCalls = 0;
    int axisWrites = 0;
    std::array<double, kRpmCols> writtenRpmAxis{};
    std::array<double, kVoltRows> writtenVoltAxis{};
    mutable RecordingMessageBox messages;
};

} // namespace velmora::test
