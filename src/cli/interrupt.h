// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Ctrl+C and SIGTERM for long-running commands: the first one asks the command to
// finish cleanly instead of killing the process.

#include <string>

namespace velmora::cli {

void installInterruptHandlers();
bool interrupted();
// Sleeps up to ms; returns true as soon as an interrupt has arrived.
bool waitForInterrupt(int ms);

// Writes to the unit that take several commands (load-map, restore, clear-map) and
// must not be cut half-way. While one is alive the first Ctrl+C or SIGTERM is only
// noted (and said); when it ends, the signal takes effect as it would have (the
// process ends, status 130 or 143). A second signal during the writes ends the
// process at once, with warning (what the unit may now hold) on stderr.
class UnitWrites {
public:
    UnitWrites(const char* command, const std::string& warning);
    ~UnitWrites();
    UnitWrites(const UnitWrites&) = delete;
    UnitWrites& operator=(const UnitWrites&) = delete;
};

} // namespace velmora::cli
