// SPDX-License-Identifier: GPL-3.0-or-later
#include "console_message_box.h"

#include <QString>

#include <iostream>

namespace velmora::cli {

std::string toUtf8(const std::wstring& text) {
    return QString::fromStdWString(text).toStdString();
}

CConsoleMessageBox::CConsoleMessageBox(bool answerYes) : CConsoleMessageBox(answerYes, std::cerr) {}

CConsoleMessageBox::CConsoleMessageBox(bool answerYes, std::ostream& out)
    : m_answerYes(answerYes), m_out(out) {}

int CConsoleMessageBox::show(const std::wstring& text, const std::wstring& caption,
                             unsigned style) {
    ++m_shown;
    m_out << toUtf8(caption) << ": " << toUtf8(text) << '\n';
    int answer = ID_OK;
    if ((style & 0xF) == 0x4) { // Yes/No
        answer = m_answerYes ? ID_YES : ID_NO;
        m_out << (m_answerYes ? "  -> Yes (--yes)" : "  -> No (pass --yes to answer Yes)") << '\n';
    }
    m_out.flush();
    return answer;
}

} // namespace velmora::cli
