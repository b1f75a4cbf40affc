// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Building the map grid of the main window in one call.

#include "cell_array.h"

#include "ui/map/model/map_emu1.h"

class QFont;

namespace velmora {

// The grid window for map over placeholder (which it replaces and deletes), with
// its cell editor and the header texts of the device's current axes, drawn in font.
// Null when the placeholder has no parent. The window belongs to the placeholder's
// parent; map must outlive it or be destroyed first (the window then draws nothing).
CCellArray* createMapGrid(QWidget* placeholder, CMapEmu1& map, const QFont& font);

} // namespace velmora
