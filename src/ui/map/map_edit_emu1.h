// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The map grid's editor: what a header edit turns into (limits, ordering, the
// axis write) is decided by the map itself.

#include "item_edit.h"

#include "ui/map/model/map_emu1.h"

namespace velmora {

class CMapEditEmu1 : public CItemEdit {
public:
    CMapEditEmu1(CCellArrayEdit* edit, CMapEmu1& map);

    // Empty while the edit window is not inside a grid inside a window, or when no
    // edit is running.
    std::wstring getText() override;

private:
    CMapEmu1& m_map;
};

} // namespace velmora
