// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Misbehaviours the simulated unit can be told to show, switchable at run time.
// Content faults are applied by CSimUnit; timing faults (delay, split, pacing) by CSimHost.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velmora::sim {

struct Faults {
    bool noReply = false;            // swallow every request
    unsigned dropEvery = 0;          // drop replies number N, 2N, ... (0 = off)
    unsigned corruptEvery = 0;       // flip the checksum of replies N, 2N, ... (0 = off)
    std::vector<std::uint8_t> junkBefore; // sent in front of every reply header
    int wrongDeviceType = -1;        // >= 0: the type byte reported by identify and readVersion
    bool nakWrites = false;          // every write (settings, map, axes, area, store, clear) refused
    std::vector<std::uint8_t> nakCommands; // application command codes (type 2) refused with a NAK

    // Go silent after this many readings (0 = off), for silentForMs, then answer again.
    // Fires once per setFaults; the silence swallows every request, not only readings.
    unsigned silentAfterReadings = 0;
    int silentForMs = 0;

    int replyDelayMs = 0;            // wait this long before answering
    int splitPauseMs = 0;            // > 0: send the reply in two parts with this pause between
    std::size_t splitAt = 0;         // bytes in the first part; 0 = the middle of the payload
    bool paced38400 = false;         // read and write at the speed of a 38400-baud line
};

} // namespace velmora::sim
