// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A live reading in the window: looks like the read-only edit field it replaces,
// costs a fraction of one. The readings change ten times a second; a QLineEdit lays
// its text out anew, signals, and repaints its whole frame through the style on
// every change. This one keeps its frame as a picture, shapes each value once
// (they come back again and again) and repaints the text's box only.

#include "ui/chart/static_text_cache.h"

#include <QPixmap>
#include <QWidget>

namespace velmora {

class CReadingField : public QWidget {
    Q_OBJECT
public:
    explicit CReadingField(QWidget* parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString& text);
    void setAlignment(Qt::Alignment alignment);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QRect textBox() const;

    QString m_text;
    mutable CStaticTextCache m_texts;
    mutable QRect m_contents; // inside the frame and margins; empty until asked
    Qt::Alignment m_alignment = Qt::AlignLeft | Qt::AlignVCenter;
    QPixmap m_frame; // background and frame, drawn by the style once per look
};

} // namespace velmora
