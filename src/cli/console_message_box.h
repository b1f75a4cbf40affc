// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Message boxes of the console tool: the text goes to stderr as "Emulator: <text>";
// a Yes/No question is answered by the --yes flag (No otherwise) and the answer is
// printed after it.

#include "device/messages.h"

#include <iosfwd>
#include <string>

namespace velmora::cli {

class CConsoleMessageBox : public IMessageBox {
public:
    explicit CConsoleMessageBox(bool answerYes = false);
    CConsoleMessageBox(bool answerYes, std::ostream& out);

    int show(const std::wstring& text, const std::wstring& caption, unsigned style) override;

    unsigned shown() const { return m_shown; }

private:
    bool m_answerYes;
    std::ostream& m_out;
    unsigned m_shown = 0;
};

// Wide text as UTF-8 for the console.
std::string toUtf8(const std::wstring& text);

} // namespace velmora::cli
