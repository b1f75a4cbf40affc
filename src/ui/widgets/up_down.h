// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A pair of arrow buttons that only reports steps: no value of its own, no
// buddy field. Holding an arrow repeats the step.

#include <QWidget>

class QToolButton;

namespace velmora {

class CUpDown : public QWidget {
    Q_OBJECT
public:
    explicit CUpDown(QWidget* parent = nullptr);

    QToolButton* upButton() const { return m_up; }
    QToolButton* downButton() const { return m_down; }

signals:
    // +1 for the up arrow, -1 for the down arrow.
    void stepped(int step);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QToolButton* m_up;
    QToolButton* m_down;
};

} // namespace velmora
