// SPDX-License-Identifier: GPL-3.0-or-later
// The reply side of the exchange: whatever the unit (or the line noise) sends back,
// transact, transactDiag and the commands built on them must neither crash, hang nor
// write outside their buffers and records.

#include "memory_link.h"

#include "device/frame.h"
#include "device/lpg_device.h"

#include <array>
#include <chrono>

using namespace velmora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::CMemoryLink link(data, size);
    CLPGDevice device;
    device.setLinkForTesting(&link);
    device.setSecondReadPause(std::chrono::milliseconds(0));

    // Alternate raw exchanges and commands until the input runs dry; each step
    // consumes at least the 4 header bytes it reads, so this ends.
    for (int step = 0; !link.exhausted() && step < 64; ++step) {
        std::array<std::uint8_t, frame::kBufferSize> buffer{};
        std::uint8_t length = 6, type = 2;
        buffer[0] = 0x07;
        CDiag diag;
        diag.sequence = 0xA5A5A5A5;
        switch (step % 6) {
        case 0: device.transact(buffer.data(), length, type); break;
        case 1: device.transactDiag(buffer.data(), length, type); break;
        case 2:
            device.readDiag(diag);
            if (diag.sequence != 0xA5A5A5A5) __builtin_trap(); // the reply overran the record
            break;
        case 3: device.readMap(); break;
        case 4: device.readAxes(); break;
        case 5: device.identify(); break;
        }
    }
    return 0;
}
