// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where a text the user handed us (a map file, a backup, pasted cells) stops making
// sense, and why. Every reader in this library refuses a text whole: on an error
// nothing it was asked to fill has been touched.

#include <cstddef>
#include <string>

namespace velmora::mapfile {

struct TextError {
    std::size_t line = 0;   // 1-based; a text that is missing lines names the line after its last
    std::size_t column = 0; // 1-based field (cell) within the line; 0 when the whole line is at fault
    std::string message;    // English, lower case, no trailing full stop: "cell 'x' is not a number"
};

// "line 3, column 5: message", or "line 3: message" when column is 0.
std::string describe(const TextError& error);

} // namespace velmora::mapfile
