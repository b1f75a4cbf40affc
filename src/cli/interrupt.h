// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Ctrl+C and SIGTERM for long-running commands: the first one asks the command to
// finish cleanly instead of killing the process.

namespace velmora::cli {

void installInterruptHandlers();
bool interrupted();
// Sleeps up to ms; returns true as soon as an interrupt has arrived.
bool waitForInterrupt(int ms);

} // namespace velmora::cli
