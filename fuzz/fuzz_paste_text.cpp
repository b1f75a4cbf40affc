// SPDX-License-Identifier: GPL-3.0-or-later
// Clipboard text can be anything: it is either refused whole with a line number,
// or a rectangle of finite numbers that pastes into the map or is refused there,
// never anything in between.

#include "mapfile/map_edit.h"
#include "mapfile/paste_text.h"

#include <cmath>
#include <string_view>

using namespace velmora::mapfile;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ValueBlock block;
    const auto error = parsePasteText(std::string_view(reinterpret_cast<const char*>(data), size), block);
    if (error) {
        if (error->line == 0 || error->message.empty() || !block.empty()) __builtin_trap();
        return 0;
    }
    if (block.empty() || block.size() > kMaxPasteRows) __builtin_trap();
    for (const auto& row : block) {
        if (row.size() != block[0].size() || row.empty()) __builtin_trap();
        for (double v : row)
            if (!std::isfinite(v)) __builtin_trap();
    }
    const velmora::MapValues map{};
    const EditResult pasted = pasteBlock(map, 0, 0, block);
    if (pasted.ok()) {
        for (const auto& row : *pasted.map)
            for (double v : row)
                if (!(v >= kMapLowest && v <= kMapHighest)) __builtin_trap();
    } else if (pasted.reason.empty()) {
        __builtin_trap();
    }
    return 0;
}
