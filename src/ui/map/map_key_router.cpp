// SPDX-License-Identifier: GPL-3.0-or-later
#include "map_key_router.h"

#include "item_edit.h"

#include "ui/map/model/map_array.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace velmora {

namespace {

int mapKeyOf(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_Left: return kKeyLeft;
    case Qt::Key_Up: return kKeyUp;
    case Qt::Key_Right: return kKeyRight;
    case Qt::Key_Down: return kKeyDown;
    default: return 0;
    }
}

struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

bool routeMapKey(CMapArray& map, int key, Qt::KeyboardModifiers modifiers)
{
    const int mapKey = mapKeyOf(key);
    if (!mapKey)
        return false;
    if (modifiers.testFlag(Qt::ControlModifier) && (mapKey == kKeyUp || mapKey == kKeyDown)) {
        WaitCursor wait;
        map.incrementSelected(mapKey == kKeyUp ? kMapKeyStep : -kMapKeyStep);
        return true;
    }
    if (modifiers.testFlag(Qt::ShiftModifier))
        map.extendSelection(mapKey);
    else
        map.moveSelection(mapKey);
    return true;
}

CMapKeyRouter::CMapKeyRouter(CMapArray& map, QWidget* window, QObject* parent)
    : QObject(parent), m_map(map), m_window(window)
{
}

bool CMapKeyRouter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        // The grid's own cell editor keeps its arrows for the caret.
        if (qobject_cast<CCellArrayEdit*>(widget) || widget->property(kOwnArrowKeys).toBool())
            return QObject::eventFilter(watched, event);
        if (!m_window || widget->window() == m_window) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (routeMapKey(m_map, key->key(), key->modifiers()))
                return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace velmora
