// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the window's edits ask of the unit. Edits never touch the port themselves:
// the link controller runs each request on its worker thread, in the order given,
// and calls done on the window's thread once the unit has answered (or has not).

#include "device/device_state.h"
#include "mapfile/map_types.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace velmora {

struct UnitSettings {
    std::uint8_t rpmDivider = 1;
    std::uint8_t noiseDelta = 0;
    std::uint16_t noisePeriod = 0;
    friend bool operator==(const UnitSettings&, const UnitSettings&) = default;
};

struct WriteResult {
    bool ok = false;
    // Translated text of what failed, for the message box; empty on success.
    std::wstring message;
    // The technical detail (command, OS error text) for the box's Details.
    std::wstring detail;
};
using WriteDone = std::function<void(const WriteResult&)>;

class IUnitWriter {
public:
    virtual ~IUnitWriter() = default;
    // Connected, and no programming or connection attempt runs: edits may be sent.
    virtual bool canWrite() const = 0;
    // The whole map (writeMap), then storeMap.
    virtual void writeMap(const MapValues& map, WriteDone done) = 0;
    // One area correction (the step keys), then storeMap.
    virtual void correctArea(const std::array<std::uint8_t, 6>& record, WriteDone done) = 0;
    // Both axes (writeAxes).
    virtual void writeAxes(const VoltAxis& volts, const RpmAxis& rpm, WriteDone done) = 0;
    // clearMap; the unit's map is all zeros after success.
    virtual void clearMap(WriteDone done) = 0;
    // The settings record, then the whole map as the unit holds it (writeSettings).
    virtual void writeSettings(const UnitSettings& settings, WriteDone done) = 0;
};

} // namespace velmora
