// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Takes the map's edits as the undo stack would: records them and, like a unit that
// accepts everything, puts them into the document at once.

#include "ui/map/model/map_edits.h"

#include <string>
#include <vector>

namespace velmora::test {

class FakeMapEdits : public IMapEdits {
public:
    explicit FakeMapEdits(CMapDocument& document) : m_document(document) {}

    bool canWrite() const override { return connected; }
    void changeMap(const MapValues& after, MapEdit what, CellBlock area) override
    {
        mapEdits.push_back({after, what, area});
        m_document.setMap(after);
    }
    void changeAxes(const VoltAxis& volts, const RpmAxis& rpm) override
    {
        ++axisWrites;
        m_document.setAxes(volts, rpm);
    }
    void refuse(const std::wstring& message) override { refusals.push_back(message); }
    void tell(const std::wstring& message) override { notices.push_back(message); }

    struct MapChange {
        MapValues after;
        MapEdit what;
        CellBlock area;
    };
    bool connected = true;
    std::vector<MapChange> mapEdits;
    int axisWrites = 0;
    std::vector<std::wstring> refusals;
    std::vector<std::wstring> notices;

private:
    CMapDocument& m_document;
};

} // namespace velmora::test
