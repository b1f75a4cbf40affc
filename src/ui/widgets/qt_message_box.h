// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Message boxes of the window program, shown with QMessageBox.

#include "device/messages.h"

#include <QPointer>
#include <QWidget>

namespace velmora {

class CQtMessageBox : public IMessageBox {
public:
    // owner: the window the boxes are modal to; none while the main window does not exist.
    explicit CQtMessageBox(QWidget* owner = nullptr) : m_owner(owner) {}
    void setOwner(QWidget* owner) { m_owner = owner; }

    // Styles: 0x10 error, 0x40 information, 0 plain OK, 0x104 Yes/No with No preselected.
    // Called off the window thread, the box is queued and the default answer returned
    // at once: a blocked reading thread must never wait on the window.
    int show(const std::wstring& text, const std::wstring& caption, unsigned style) override;
    // The detail sits behind the box's "Show Details..." button.
    int showDetailed(const std::wstring& text, const std::wstring& detail, const std::wstring& caption,
                     unsigned style) override;

private:
    static int showBox(const QPointer<QWidget>& owner, const QString& text, const QString& caption,
                       unsigned style, const QString& detail = {});

    QPointer<QWidget> m_owner;
};

} // namespace velmora
