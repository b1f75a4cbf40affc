// SPDX-License-Identifier: GPL-3.0-or-later
#include "lang/translate.h"

#include <windows.h>

namespace velmora {

std::uint16_t userLanguageId()
{
    return static_cast<std::uint16_t>(GetUserDefaultLangID());
}

} // namespace velmora
