// SPDX-License-Identifier: GPL-3.0-or-later
#include "lang/translate.h"

#include <cstdlib>

namespace velmora {

// The locale that governs messages, in the order POSIX gives the variables
// precedence. A program started from a desktop without any of them gets English.
std::uint16_t userLanguageId()
{
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0')
            return languageIdFromLocale(value);
    }
    return languageIdFromLocale("C");
}

} // namespace velmora
