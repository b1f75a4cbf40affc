// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the unit holds, as the window shows it: the correction map, both axes and
// the three settings. The window and the link controller share one document; the
// grid and the settings fields redraw from it when it tells them it changed.
// Qt-free, so the console tool and the tests use it as it is.

#include "mapfile/unit_writer.h"

#include "device/device_state.h"

#include <functional>
#include <vector>

namespace velmora {

// Everything an edit can change on the unit.
struct UnitContent {
    MapValues map{};
    VoltAxis volts{};
    RpmAxis rpm{};
    UnitSettings settings;
    friend bool operator==(const UnitContent&, const UnitContent&) = default;
};

UnitContent contentOf(const DeviceState& state);
// Puts content into state; version and device type stay.
void applyContent(const UnitContent& content, DeviceState& state);

class CMapDocument {
public:
    enum Part : unsigned { kMap = 1, kAxes = 2, kSettings = 4, kAll = 7 };
    using Listener = std::function<void(unsigned parts)>;

    CMapDocument();
    explicit CMapDocument(const DeviceState& state);

    const UnitContent& content() const { return m_content; }
    const MapValues& map() const { return m_content.map; }
    const VoltAxis& volts() const { return m_content.volts; }
    const RpmAxis& rpm() const { return m_content.rpm; }
    const UnitSettings& settings() const { return m_content.settings; }

    // Each tells the listeners of the parts that really changed, and nothing when
    // none did.
    void setContent(const UnitContent& content);
    void setMap(const MapValues& map);
    void setAxes(const VoltAxis& volts, const RpmAxis& rpm);
    void setSettings(const UnitSettings& settings);
    // Fills the document from what the unit reported (connection, re-read).
    void setFromState(const DeviceState& state) { setContent(contentOf(state)); }

    // Returns an id for removeListener. Listeners run on the thread that changed
    // the document (the window's).
    int addListener(Listener listener);
    void removeListener(int id);

private:
    void changed(unsigned parts);

    UnitContent m_content;
    std::vector<std::pair<int, Listener>> m_listeners;
    int m_nextId = 1;
};

// The map value the unit keeps for value: clamped to 0.00..5.10 and rounded to the
// nearest of its 0.02 steps. An edit stores this, so undo finds exactly what the unit has.
double unitMapValue(double value);

} // namespace velmora
