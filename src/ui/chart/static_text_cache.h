// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Texts shaped once and drawn many times. Readings change ten times a second and
// shaping each new value was most of what the window spent on them: numbers are
// drawn a character at a time from characters shaped once, other texts (a work
// state, a dash) whole, also shaped once.

#include <QFont>
#include <QPointF>
#include <QHash>
#include <QStaticText>
#include <QString>

class QPainter;

namespace velmora {

class CStaticTextCache {
public:
    explicit CStaticTextCache(int limit = 256) : m_limit(limit) {}
    // Laid out for font; what was kept for another font is dropped. size() of the
    // result is the text's box.
    QStaticText text(const QString& text, const QFont& font);
    // The width text takes, and drawing it with its box's top-left at `at`.
    qreal width(const QString& text, const QFont& font);
    void draw(QPainter& painter, QPointF at, const QString& text, const QFont& font);

private:
    QHash<QString, QStaticText> m_texts;
    QFont m_font;
    int m_limit;
};

} // namespace velmora
