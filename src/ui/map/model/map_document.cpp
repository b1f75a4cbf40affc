// SPDX-License-Identifier: GPL-3.0-or-later
#include "map_document.h"

#include "device/encodings.h"

#include <algorithm>
#include <cmath>

namespace velmora {

UnitContent contentOf(const DeviceState& state)
{
    UnitContent c;
    c.map = state.map;
    c.volts = state.voltAxis;
    c.rpm = state.rpmAxis;
    c.settings = {state.rpmDivider, state.noiseDelta, state.noisePeriod};
    return c;
}

void applyContent(const UnitContent& content, DeviceState& state)
{
    state.map = content.map;
    state.voltAxis = content.volts;
    state.rpmAxis = content.rpm;
    state.rpmDivider = content.settings.rpmDivider;
    state.noiseDelta = content.settings.noiseDelta;
    state.noisePeriod = content.settings.noisePeriod;
}

CMapDocument::CMapDocument() : CMapDocument(DeviceState{}) {}

CMapDocument::CMapDocument(const DeviceState& state) : m_content(contentOf(state)) {}

void CMapDocument::setContent(const UnitContent& content)
{
    unsigned parts = 0;
    if (content.map != m_content.map)
        parts |= kMap;
    if (content.volts != m_content.volts || content.rpm != m_content.rpm)
        parts |= kAxes;
    if (content.settings != m_content.settings)
        parts |= kSettings;
    m_content = content;
    changed(parts);
}

void CMapDocument::setMap(const MapValues& map)
{
    UnitContent c = m_content;
    c.map = map;
    setContent(c);
}

void CMapDocument::setAxes(const VoltAxis& volts, const RpmAxis& rpm)
{
    UnitContent c = m_content;
    c.volts = volts;
    c.rpm = rpm;
    setContent(c);
}

void CMapDocument::setSettings(const UnitSettings& settings)
{
    UnitContent c = m_content;
    c.settings = settings;
    setContent(c);
}

int CMapDocument::addListener(Listener listener)
{
    const int id = m_nextId++;
    m_listeners.emplace_back(id, std::move(listener));
    return id;
}

void CMapDocument::removeListener(int id)
{
    std::erase_if(m_listeners, [id](const auto& l) { return l.first == id; });
}

void CMapDocument::changed(unsigned parts)
{
    if (!parts)
        return;
    // A listener may remove itself (or another) while being told.
    const auto listeners = m_listeners;
    for (const auto& l : listeners)
        l.second(parts);
}

double unitMapValue(double value)
{
    if (!std::isfinite(value))
        value = 0.0;
    // To the nearest 0.02 step, as the map files and bulk edits round.
    return mapValueFromByte(static_cast<std::uint8_t>(std::clamp(std::lround(value * 50.0), 0L, 255L)));
}

} // namespace velmora
