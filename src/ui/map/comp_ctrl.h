// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A control that is laid out in the window as a placeholder widget and takes that
// placeholder's place when it is created.

#include <QWidget>

namespace velmora {

class CCompCtrl : public QWidget {
    Q_OBJECT
public:
    explicit CCompCtrl(QWidget* parent = nullptr);

    // Takes the placeholder's parent, rectangle, object name, stacking position and
    // layout slot, becomes visible when the placeholder was, and deletes the
    // placeholder. False (nothing changed) without a placeholder or with one that
    // has no parent.
    bool createFromStatic(QWidget* placeholder);
    // The placeholder is the child of parent with that object name.
    bool createFromStatic(QWidget* parent, const QString& placeholderName);
};

} // namespace velmora
