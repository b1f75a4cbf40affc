// SPDX-License-Identifier: GPL-3.0-or-later
#include "map_grid.h"

#include "map_edit_emu1.h"

#include <QFont>

namespace velmora {

CCellArray* createMapGrid(QWidget* placeholder, CMapEmu1& map, const QFont& font)
{
    if (!placeholder || !placeholder->parentWidget())
        return nullptr;
    auto* grid = new CCellArray(map);
    grid->createFromStatic(placeholder);

    const CMapDocument& document = map.document();
    auto* edit = new CCellArrayEdit(grid);
    edit->setObjectName(QStringLiteral("138"));
    grid->init(std::make_unique<CMapEditEmu1>(edit, map), L"V", 22, 43,
               CMapEmu1::rpmHeaderTexts(document.rpm()), 22, 43,
               CMapEmu1::voltHeaderTexts(document.volts()),
               0x000000, 0xC8C8C8, 0x000000, 0xFFFFFF, 0xA0FFA0, 0xD2D2D2, font, 6);
    return grid;
}

} // namespace velmora
