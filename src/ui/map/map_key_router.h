// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Arrow keys belong to the map grid whichever control has the focus, except the
// grid's own cell editor, whose caret they move: the window hands them over here.
//   Ctrl+Up / Ctrl+Down     step the selected values by +0.1 / -0.1 (wait cursor);
//                           Ctrl wins over Shift
//   Shift+arrow             grow or shrink the selection (extendSelection)
//   arrow (also Ctrl+Left/Right)  move the selection (moveSelection)

#include <QObject>

namespace velmora {

class CMapArray;

// A widget with this property set true keeps its arrow keys (a text field whose
// caret they move, such as the port chooser's).
inline constexpr char kOwnArrowKeys[] = "velmoraOwnArrowKeys";

// The step Ctrl+Up and Ctrl+Down apply.
constexpr double kMapKeyStep = 0.1;

// True when key (a Qt::Key) was an arrow key and went to the map.
bool routeMapKey(CMapArray& map, int key, Qt::KeyboardModifiers modifiers);

// Application-wide event filter doing routeMapKey for key presses aimed at any
// widget of one window (all windows when window is null), so dialogs opened on top
// keep their arrow keys:  qApp->installEventFilter(new CMapKeyRouter(map, this, this));
class CMapKeyRouter : public QObject {
    Q_OBJECT
public:
    CMapKeyRouter(CMapArray& map, QWidget* window, QObject* parent = nullptr);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CMapArray& m_map;
    QWidget* m_window;
};

} // namespace velmora
