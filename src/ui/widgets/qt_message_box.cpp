// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt_message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>

namespace velmora {

namespace {

bool isQuestion(unsigned style)
{
    return (style & 0x0F) == 0x04; // MB_YESNO
}

int defaultAnswer(unsigned style)
{
    return isQuestion(style) ? ID_NO : ID_OK;
}

} // namespace

int CQtMessageBox::show(const std::wstring& text, const std::wstring& caption, unsigned style)
{
    const QString qtext = QString::fromStdWString(text);
    const QString qcaption = QString::fromStdWString(caption);
    auto* app = QCoreApplication::instance();
    if (!app)
        return defaultAnswer(style);
    if (QThread::currentThread() != app->thread()) {
        QPointer<QWidget> owner = m_owner;
        QMetaObject::invokeMethod(
            app, [owner, qtext, qcaption, style] { showBox(owner, qtext, qcaption, style); },
            Qt::QueuedConnection);
        return defaultAnswer(style);
    }
    return showBox(m_owner, qtext, qcaption, style);
}

int CQtMessageBox::showDetailed(const std::wstring& text, const std::wstring& detail,
                                const std::wstring& caption, unsigned style)
{
    auto* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread())
        return show(text + L"\n\n" + detail, caption, style);
    return showBox(m_owner, QString::fromStdWString(text), QString::fromStdWString(caption), style,
                   QString::fromStdWString(detail));
}

int CQtMessageBox::showBox(const QPointer<QWidget>& ownerWindow, const QString& text,
                           const QString& caption, unsigned style, const QString& detail)
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (style & 0xF0) {
    case 0x10: icon = QMessageBox::Critical; break;
    case 0x20: icon = QMessageBox::Question; break;
    case 0x30: icon = QMessageBox::Warning; break;
    case 0x40: icon = QMessageBox::Information; break;
    default: break;
    }
    QWidget* owner = ownerWindow ? ownerWindow.data() : QApplication::activeWindow();
    QMessageBox box(icon, caption, text, QMessageBox::NoButton, owner);
    if (isQuestion(style)) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        // 0x100 (MB_DEFBUTTON2) preselects the second button, No.
        box.setDefaultButton((style & 0x300) == 0x100 ? QMessageBox::No : QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
    }
    box.setTextFormat(Qt::PlainText);
    if (!detail.isEmpty())
        box.setDetailedText(detail);
    switch (box.exec()) {
    case QMessageBox::Yes: return ID_YES;
    case QMessageBox::No: return ID_NO;
    case QMessageBox::Ok: return ID_OK;
    default: return defaultAnswer(style); // Esc or the frame's close box
    }
}

} // namespace velmora
