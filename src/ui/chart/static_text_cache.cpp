// SPDX-License-Identifier: GPL-3.0-or-later
#include "static_text_cache.h"

#include <QPainter>
#include <QTransform>

namespace velmora {

QStaticText CStaticTextCache::text(const QString& text, const QFont& font)
{
    if (!(font == m_font)) {
        m_texts.clear();
        m_font = font;
    }
    if (const auto found = m_texts.constFind(text); found != m_texts.constEnd())
        return found.value();
    // Values that never come back (a drifting reading) must not pile up.
    if (m_texts.size() >= m_limit)
        m_texts.clear();
    QStaticText shaped(text);
    shaped.setTextFormat(Qt::PlainText);
    shaped.setPerformanceHint(QStaticText::AggressiveCaching);
    shaped.prepare(QTransform(), font);
    m_texts.insert(text, shaped);
    return shaped;
}

namespace {
// Characters of a number: each looks the same whatever stands beside it.
bool isNumber(const QString& text)
{
    if (text.size() < 2)
        return false;
    for (const QChar c : text)
        if (!c.isDigit() && c != QLatin1Char('.') && c != QLatin1Char(',') && c != QLatin1Char('-'))
            return false;
    return true;
}
} // namespace

qreal CStaticTextCache::width(const QString& text, const QFont& font)
{
    if (!isNumber(text))
        return this->text(text, font).size().width();
    qreal sum = 0;
    for (const QChar c : text)
        sum += this->text(QString(c), font).size().width();
    return sum;
}

void CStaticTextCache::draw(QPainter& painter, QPointF at, const QString& text, const QFont& font)
{
    if (!isNumber(text)) {
        painter.drawStaticText(at, this->text(text, font));
        return;
    }
    for (const QChar c : text) {
        const QStaticText glyph = this->text(QString(c), font);
        painter.drawStaticText(at, glyph);
        at.rx() += glyph.size().width();
    }
}

} // namespace velmora
