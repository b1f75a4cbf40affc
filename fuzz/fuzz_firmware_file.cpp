// SPDX-License-Identifier: GPL-3.0-or-later
// Firmware files from the outside world: any bytes must give a clean yes or no.

#include "firmware/firmware_file.h"

#include <span>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    velmora::CFirmwareFile file;
    std::uint16_t version = 0, format = 0;
    std::wstring identifier;
    const bool ok = file.readBytes(std::span(data, size), version, identifier, format);
    if (ok) {
        if (!file.loaded() || file.image() == nullptr) __builtin_trap();
        if (file.imageSize() > velmora::fw::kMaxBody) __builtin_trap();
        if (identifier.size() > 18) __builtin_trap();
        // Touch the whole image: it must be as large as promised.
        unsigned sum = 0;
        for (std::size_t i = 0; i < velmora::fw::kMaxBody; ++i) sum += file.image()[i];
        (void)sum;
    } else if (file.loaded()) {
        __builtin_trap();
    }
    return 0;
}
