// SPDX-License-Identifier: GPL-3.0-or-later
#include "lang/translate.h"

#include "lang/lang_text.h"

#include <windows.h>

#include <string>

namespace velmora {

std::string executableFolder()
{
    // Grown until the whole path fits: a cut path would name another folder.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        if (path.size() >= 32768)
            return {};
        path.resize(path.size() * 2);
    }
    const std::size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos)
        return {};
    path.resize(slash + 1);
    return lang::toUtf8(path);
}

} // namespace velmora
