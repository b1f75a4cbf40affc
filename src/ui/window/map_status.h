// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The map's line in the status bar: the cell under the keyboard focus with its exact
// value, and while nothing reaches the unit, when the map shown was last read. The
// grid greys out over the same time and comes back in colour once the unit has been
// read again after a reconnection.

#include <QLabel>

#include <chrono>
#include <optional>

namespace velmora {

class CCellArray;
class CMapEmu1;

class CMapStatus : public QLabel {
    Q_OBJECT
public:
    CMapStatus(CMapEmu1& map, CCellArray* grid, QWidget* parent);

    // The link carries the unit's answers (true) or not (lost, bootloader, disconnected).
    void setLinkUp(bool up);
    // The unit's map was read (after a connection or a write).
    void unitRead();
    // The unit answered at that time (a reading).
    void heard(std::chrono::system_clock::time_point at);

    bool isOffline() const { return m_offline; }
    // "Map: last read 12:34:56" while offline, empty otherwise.
    QString lastReadText() const;

private:
    void refresh();

    CMapEmu1& m_map;
    CCellArray* m_grid;
    bool m_linkUp = false;
    bool m_offline = false;
    std::optional<std::chrono::system_clock::time_point> m_lastHeard;
};

} // namespace velmora
