// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The About box: icon, program name and version (the same as --version), the
// licence, and links to the folders the window writes to (backups, recordings).

#include <QDialog>

namespace velmora {

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    // Folders left empty are not shown.
    explicit CAboutDlg(QWidget* parent = nullptr, const QString& backupFolder = {},
                       const QString& recordingFolder = {});
};

// The version --version prints.
QString programVersion();

// Text of the About entry in the window's menus.
inline const wchar_t* const kAboutEntry = L"&About Velmora...";

} // namespace velmora
