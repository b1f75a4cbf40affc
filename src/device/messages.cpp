// SPDX-License-Identifier: GPL-3.0-or-later
#include "messages.h"

namespace velmora {

namespace {

constexpr std::size_t kTextMax = 2047;
constexpr std::size_t kCaptionMax = 511;

// Cuts to at most max characters without splitting a UTF-16 surrogate pair.
std::wstring shortened(const std::wstring& text, std::size_t max) {
    if (text.size() <= max) return text;
    std::size_t cut = max;
    if constexpr (sizeof(wchar_t) == 2) {
        const auto last = static_cast<unsigned>(text[cut - 1]);
        if (last >= 0xD800 && last <= 0xDBFF) --cut; // a high surrogate without its pair
    }
    return text.substr(0, cut);
}

int unansweredButton(unsigned style) {
    switch (style & 0x0Fu) {
    case 0x0: // OK only
        return ID_OK;
    case 0x3: // Yes, No, Cancel
    case 0x4: // Yes, No
        return ID_NO;
    default:
        return ID_CANCEL;
    }
}

} // namespace

int reportMessage(IMessageBox* box, const std::wstring& text, const std::wstring& caption,
                  unsigned style) {
    if (!box) return unansweredButton(style);
    return box->show(shortened(text, kTextMax), shortened(caption, kCaptionMax), style);
}

} // namespace velmora
