// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A titled frame drawn behind a group of controls that are not its children: the
// line runs through the middle of the title, as the layout in dialog units
// expects (the first control of the group sits just below the title's baseline).

#include <QWidget>

namespace velmora {

class CGroupFrame : public QWidget {
    Q_OBJECT
public:
    explicit CGroupFrame(const QString& title, QWidget* parent = nullptr);

    QString title() const { return m_title; }
    void setTitle(const QString& title);
    // Where the title is drawn, in the frame's coordinates.
    QRect titleRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_title;
};

} // namespace velmora
