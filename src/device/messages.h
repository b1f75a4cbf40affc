// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Message boxes, behind an interface: the window shows real ones, the console
// tool prints to stderr, tests record them.

#include <string>

namespace velmora {

// Styles in use.
enum MessageStyle : unsigned {
    MB_PLAIN = 0x00,        // OK, no icon
    MB_ERROR = 0x10,        // error icon, OK
    MB_INFO = 0x40,         // information icon, OK
    MB_YESNO_DEFNO = 0x104, // Yes and No, No preselected
};
// Button codes returned.
enum MessageButton : int { ID_OK = 1, ID_CANCEL = 2, ID_YES = 6, ID_NO = 7 };

class IMessageBox {
public:
    virtual ~IMessageBox() = default;
    virtual int show(const std::wstring& text, const std::wstring& caption, unsigned style) = 0;
    // The same with the technical detail (function, system error text) kept out of the
    // text; boxes that have no place for it show it below the text.
    virtual int showDetailed(const std::wstring& text, const std::wstring& detail,
                             const std::wstring& caption, unsigned style)
    {
        return show(detail.empty() ? text : text + L"\n\n" + detail, caption, style);
    }
};

// Caption used by every box of the program; never translated.
inline const std::wstring kCaption = L"Emulator";

// Shows text (cut to 2047 characters) with caption (cut to 511) and returns the
// button code. With no box installed nobody can answer: a Yes/No question gets
// ID_NO, a box whose only button is OK gets ID_OK, any other box ID_CANCEL.
int reportMessage(IMessageBox* box, const std::wstring& text, const std::wstring& caption,
                  unsigned style);

} // namespace velmora
