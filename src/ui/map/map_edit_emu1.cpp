// SPDX-License-Identifier: GPL-3.0-or-later
#include "map_edit_emu1.h"

namespace velmora {

CMapEditEmu1::CMapEditEmu1(CCellArrayEdit* edit, CMapEmu1& map) : CItemEdit(edit), m_map(map) {}

std::wstring CMapEditEmu1::getText()
{
    QWidget* window = getWindow();
    if (!window || !window->parentWidget() || !window->parentWidget()->parentWidget())
        return {};
    if (!m_map.isEditing())
        return {};
    return m_map.editedText(m_map.editColumn(), m_map.editRow(), CItemEdit::getText());
}

} // namespace velmora
