// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Status bar texts that are never cut mid-word: a label that shortens its text with
// "…" to the room it gets and keeps the whole text in its tooltip, and the list of
// the last messages with their times (View > Messages), which can be copied.

#include <QDateTime>
#include <QDialog>
#include <QLabel>
#include <QStringList>

#include <deque>

class QPlainTextEdit;

namespace velmora {

// text() is the whole text; what is painted is shortened to the width the layout gives.
class CElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit CElidedLabel(QWidget* parent = nullptr);
    void setFullText(const QString& text);
    // The text as painted at the present width.
    QString shownText() const;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

class CMessageLog : public QObject {
    Q_OBJECT
public:
    static constexpr std::size_t kKept = 200;
    using QObject::QObject;

    // A repeat of the newest text is not added again.
    void add(const QString& text, const QDateTime& when = QDateTime::currentDateTime());
    // "HH:mm:ss  text", oldest first.
    QStringList lines() const;
    std::size_t size() const { return m_entries.size(); }

signals:
    void added(const QString& line);

private:
    struct Entry {
        QDateTime when;
        QString text;
    };
    static QString line(const Entry& entry);
    std::deque<Entry> m_entries;
};

// The list, read-only but selectable, with a Copy all button.
class CMessagesDialog : public QDialog {
    Q_OBJECT
public:
    CMessagesDialog(CMessageLog& log, QWidget* parent = nullptr);
    QString text() const;

private:
    QPlainTextEdit* m_view = nullptr;
};

} // namespace velmora
