// SPDX-License-Identifier: GPL-3.0-or-later
// Map files come from spreadsheets and hand edits: any text must be either refused
// with a line number or read into a table the unit can hold, which writes back
// into text that reads the same.

#include "mapfile/map_csv.h"

#include <cmath>
#include <string_view>

using namespace velmora::mapfile;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MapTable table;
    const auto error = readMapCsv(std::string_view(reinterpret_cast<const char*>(data), size), table);
    if (error) {
        if (error->line == 0) __builtin_trap();
        return 0;
    }
    for (const auto& row : table.map)
        for (double v : row)
            if (!(v >= kMapValueMin && v <= kMapValueMax)) __builtin_trap();
    MapTable again;
    if (readMapCsv(writeMapCsv(table), again)) __builtin_trap(); // our own output must read back
    return 0;
}
