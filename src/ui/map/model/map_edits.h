// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the map's edits go. The map computes what the operator asked for; the
// window turns it into an undoable step that changes the document and writes the
// unit. The map itself never talks to the unit.

#include "map_document.h"

#include <string>

namespace velmora {

// Body cells from (c0, r0) to (c1, r1), both corners included.
struct CellBlock {
    int c0 = 0, r0 = 0, c1 = -1, r1 = -1;
    bool empty() const { return c1 < c0 || r1 < r0; }
    friend bool operator==(const CellBlock&, const CellBlock&) = default;
};

// What the operator did, for the undo entry's name and for folding repeated steps.
enum class MapEdit { Step, Type, Set, Add, Scale, Interpolate, Paste, Clear, File };

class IMapEdits {
public:
    virtual ~IMapEdits() = default;
    // The unit is there to take the edit. Otherwise edits change only the grid.
    virtual bool canWrite() const = 0;
    // The whole map after the edit of area.
    virtual void changeMap(const MapValues& after, MapEdit what, CellBlock area) = 0;
    virtual void changeAxes(const VoltAxis& volts, const RpmAxis& rpm) = 0;
    // An edit that cannot be made: the message says why, in the user's language.
    virtual void refuse(const std::wstring& message) = 0;
    // An edit made otherwise than typed (a breakpoint kept in order, a value on the
    // unit's step): what was written instead and why, said at once without a box.
    virtual void tell(const std::wstring& message) { (void)message; }
};

} // namespace velmora
