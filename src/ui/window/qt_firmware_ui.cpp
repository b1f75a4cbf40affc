// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt_firmware_ui.h"

#include "device/messages.h"
#include "lang/translate.h"

#include <QApplication>
#include <QFileDialog>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMimeDatabase>
#include <QShortcut>

#include <system_error>

namespace velmora {

namespace {

// No cancel button: a half-written flash is worse than waiting for the end. A try
// to close it, or the program, is answered with why it waits.
class CFlashProgress : public QProgressDialog {
public:
    CFlashProgress(QWidget* owner, std::function<void()> onCloseAsked)
        : QProgressDialog(owner), m_onCloseAsked(std::move(onCloseAsked))
    {
        auto* quit = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this);
        QObject::connect(quit, &QShortcut::activated, this, [this] { closeAsked(); });
    }

protected:
    void closeEvent(QCloseEvent* event) override
    {
        event->ignore();
        closeAsked();
    }
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->key() == Qt::Key_Escape) {
            closeAsked();
            return;
        }
        QProgressDialog::keyPressEvent(event);
    }
    void reject() override { closeAsked(); }

private:
    void closeAsked()
    {
        if (m_onCloseAsked)
            m_onCloseAsked();
    }
    std::function<void()> m_onCloseAsked;
};

} // namespace

QStringList nameFilters(const std::wstring& filter)
{
    QStringList filters;
    for (const auto& [description, pattern] : parseFileFilter(filter)) {
        const QString text = QString::fromStdWString(description);
        const QString patterns = QString::fromStdWString(pattern).replace(QLatin1Char(';'), QLatin1Char(' '));
        // QFileDialog takes the patterns from the last "(...)" of the entry.
        if (text.endsWith(QLatin1Char(')')) && text.contains(QLatin1Char('(') + patterns + QLatin1Char(')')))
            filters << text;
        else
            filters << QStringLiteral("%1 (%2)").arg(text, patterns);
    }
    return filters;
}

CQtFirmwareUI::~CQtFirmwareUI()
{
    closeProgress();
    if (m_busy)
        QApplication::restoreOverrideCursor();
}

std::filesystem::path CQtFirmwareUI::chooseFile(const std::filesystem::path& folder,
                                                const std::wstring& filter,
                                                const std::wstring& defaultExtension)
{
    QFileDialog dialog(m_owner, QString::fromStdWString(translate(L"OPEN")));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    // An installed copy registers .afm as firmware (they are Adobe font metrics to
    // the desktop otherwise); the dialog then names and filters them by that type.
    const QMimeType firmware = QMimeDatabase().mimeTypeForName(QLatin1String(kFirmwareMimeType));
    if (firmware.isValid())
        dialog.setMimeTypeFilters({firmware.name()});
    else
        dialog.setNameFilters(nameFilters(filter));
    dialog.setDefaultSuffix(QString::fromStdWString(defaultExtension));
    std::error_code ec;
    if (std::filesystem::is_regular_file(folder, ec)) {
        dialog.setDirectory(QString::fromStdWString(folder.parent_path().wstring()));
        dialog.selectFile(QString::fromStdWString(folder.filename().wstring()));
    } else {
        dialog.setDirectory(QString::fromStdWString(folder.wstring()));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return std::filesystem::path(dialog.selectedFiles().constFirst().toStdWString());
}

void CQtFirmwareUI::setBusy(bool busy)
{
    if (busy == m_busy)
        return;
    m_busy = busy;
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        closeProgress();
        QApplication::restoreOverrideCursor();
    }
}

void CQtFirmwareUI::progress(unsigned rowsWritten, unsigned rowsTotal)
{
    if (!m_progress) {
        m_progress = new CFlashProgress(m_owner, [this] {
            if (m_onCloseAsked)
                m_onCloseAsked();
        });
        m_progress->setWindowTitle(QString::fromStdWString(kCaption));
        m_progress->setCancelButton(nullptr);
        m_progress->setMinimumDuration(0);
        m_progress->setAutoClose(false);
        m_progress->setAutoReset(false);
        m_progress->setWindowModality(Qt::WindowModal);
        m_progress->setMinimumWidth(320);
    }
    m_written = rowsWritten;
    m_total = rowsTotal;
    m_progress->setRange(0, static_cast<int>(rowsTotal));
    showLabel();
    m_progress->setValue(static_cast<int>(rowsWritten)); // also lets the window repaint
}

void CQtFirmwareUI::setNotice(const QString& notice)
{
    m_notice = notice;
    if (m_progress)
        showLabel();
}

void CQtFirmwareUI::showLabel()
{
    const QString title = QString::fromStdWString(translate(L"Aktualizacja firmware"));
    QString text = QStringLiteral("%1: %2 / %3").arg(title).arg(m_written).arg(m_total);
    if (!m_notice.isEmpty())
        text += QLatin1String("\n\n") + m_notice;
    m_progress->setLabelText(text);
}

void CQtFirmwareUI::closeProgress()
{
    if (m_progress) {
        m_progress->close();
        delete m_progress.data();
    }
}

} // namespace velmora
