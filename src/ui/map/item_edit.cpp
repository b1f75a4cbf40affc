// SPDX-License-Identifier: GPL-3.0-or-later
#include "item_edit.h"

namespace velmora {

CCellArrayEdit::CCellArrayEdit(QWidget* grid) : QLineEdit(grid)
{
    setFrame(false);
    setAlignment(Qt::AlignCenter);
    hide();
}

CItemEdit::CItemEdit(CCellArrayEdit* edit) : m_edit(edit) {}

CItemEdit::~CItemEdit()
{
    delete m_edit.data();
}

void CItemEdit::create(QWidget* parent)
{
    if (m_edit && m_edit->parentWidget() != parent) {
        m_edit->setParent(parent);
        m_edit->hide();
    }
}

void CItemEdit::show(bool on)
{
    if (!m_edit)
        return;
    m_edit->setVisible(on);
    if (on) {
        m_edit->raise();
        m_edit->setFocus(Qt::OtherFocusReason);
    }
}

void CItemEdit::move(const QRect& rect)
{
    if (m_edit)
        m_edit->setGeometry(rect);
}

QWidget* CItemEdit::getWindow() const
{
    return m_edit.data();
}

std::wstring CItemEdit::getText()
{
    return m_edit ? m_edit->text().toStdWString() : std::wstring();
}

void CItemEdit::setText(const std::wstring& text)
{
    if (m_edit)
        m_edit->setText(QString::fromStdWString(text));
}

} // namespace velmora
