// SPDX-License-Identifier: GPL-3.0-or-later
#include "status_messages.h"

#include "lang/translate.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

namespace velmora {

namespace {
QString qs(const std::wstring& text) { return QString::fromStdWString(text); }
} // namespace

CElidedLabel::CElidedLabel(QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void CElidedLabel::setFullText(const QString& text)
{
    if (text == this->text())
        return;
    setText(text);
    setToolTip(text);
    setAccessibleDescription(text);
}

QString CElidedLabel::shownText() const
{
    // One line: a message's line breaks become spaces.
    const QString oneLine = text().simplified();
    return fontMetrics().elidedText(oneLine, Qt::ElideRight, contentsRect().width() - 2 * margin());
}

QSize CElidedLabel::minimumSizeHint() const
{
    // Room for a few letters and the "…"; the layout gives more when it has it.
    const QSize hint = QLabel::minimumSizeHint();
    return {std::min(hint.width(), fontMetrics().horizontalAdvance(QLatin1Char('M')) * 6), hint.height()};
}

void CElidedLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    drawFrame(&painter);
    const QRect room = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    style()->drawItemText(&painter, room, int(alignment()), palette(), isEnabled(), shownText(), foregroundRole());
}

void CMessageLog::add(const QString& text, const QDateTime& when)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || (!m_entries.empty() && m_entries.back().text == trimmed))
        return;
    m_entries.push_back({when, trimmed});
    while (m_entries.size() > kKept)
        m_entries.pop_front();
    emit added(line(m_entries.back()));
}

QString CMessageLog::line(const Entry& entry)
{
    QString text = entry.text;
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return entry.when.toString(QStringLiteral("HH:mm:ss")) + QLatin1String("  ") + text;
}

QStringList CMessageLog::lines() const
{
    QStringList out;
    for (const Entry& entry : m_entries)
        out << line(entry);
    return out;
}

CMessagesDialog::CMessagesDialog(CMessageLog& log, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("messagesDialog"));
    setWindowTitle(qs(translate(L"Komunikaty")));
    m_view = new QPlainTextEdit(this);
    m_view->setObjectName(QStringLiteral("messagesText"));
    m_view->setReadOnly(true);
    m_view->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    m_view->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_view->setAccessibleName(qs(translate(L"Komunikaty")));
    m_view->setPlainText(log.lines().join(QLatin1Char('\n')));
    connect(&log, &CMessageLog::added, m_view, [this](const QString& line) { m_view->appendPlainText(line); });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* copy = buttons->addButton(qs(translate(L"Kopiuj wszystko")), QDialogButtonBox::ActionRole);
    connect(copy, &QPushButton::clicked, this, [this] { QApplication::clipboard()->setText(text()); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_view);
    layout->addWidget(buttons);
    resize(640, 360);
}

QString CMessagesDialog::text() const
{
    return m_view->toPlainText();
}

} // namespace velmora
