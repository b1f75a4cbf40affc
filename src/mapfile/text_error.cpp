// SPDX-License-Identifier: GPL-3.0-or-later
#include "text_error.h"

namespace velmora::mapfile {

std::string describe(const TextError& error) {
    std::string text = "line " + std::to_string(error.line);
    if (error.column) text += ", column " + std::to_string(error.column);
    return text + ": " + error.message;
}

} // namespace velmora::mapfile
