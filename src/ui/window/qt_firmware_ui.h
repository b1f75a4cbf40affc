// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The firmware update as the window shows it: a file dialog, the wait cursor and
// a progress box counting the rows written.

#include "firmware/firmware_ui.h"

#include <QPointer>

#include <functional>
#include <QProgressDialog>
#include <QWidget>

namespace velmora {

class CQtFirmwareUI : public IFirmwareUI {
public:
    explicit CQtFirmwareUI(QWidget* owner) : m_owner(owner) {}
    ~CQtFirmwareUI() override;

    // folder may name a file: the dialog then opens beside it with it selected.
    std::filesystem::path chooseFile(const std::filesystem::path& folder, const std::wstring& filter,
                                     const std::wstring& defaultExtension) override;
    void setBusy(bool busy) override;
    void progress(unsigned rowsWritten, unsigned rowsTotal) override;

    // The open progress box, if any (tests).
    QProgressDialog* progressDialog() const { return m_progress; }
    // A line under the progress, saying why a close waits; empty removes it.
    void setNotice(const QString& notice);
    // Called when the operator tries to close the progress box or the program
    // (Esc, Ctrl+Q, the frame's close box) while it shows.
    void setCloseAsked(std::function<void()> onCloseAsked) { m_onCloseAsked = std::move(onCloseAsked); }

private:
    void closeProgress();

    QPointer<QWidget> m_owner;
    void showLabel();

    QPointer<QProgressDialog> m_progress;
    bool m_busy = false;
    unsigned m_written = 0;
    unsigned m_total = 0;
    QString m_notice;
    std::function<void()> m_onCloseAsked;
};

// The MIME type packaging/velmora-mime.xml gives firmware files.
inline constexpr char kFirmwareMimeType[] = "application/x-velmora-firmware";

// "Description|pattern|..." as QFileDialog name filters.
QStringList nameFilters(const std::wstring& filter);

} // namespace velmora
