// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The About box: icon, program name and version, OK.

#include <QDialog>

namespace velmora {

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

// Text of the About entry in the window's menus.
inline const wchar_t* const kAboutEntry = L"&About Velmora...";

} // namespace velmora
