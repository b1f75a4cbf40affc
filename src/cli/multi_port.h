// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs a unit command on several units at once (--port repeated) or with --json.

#include "commands.h"

namespace velmora::cli {

// Runs command on every --port of arguments, each unit on its own thread, when
// --port is given more than once or --json is set; returns the exit status then.
// Returns -1 when the command should run as usual.
int runOnSeveralPorts(const Command& command, const QStringList& arguments);

} // namespace velmora::cli
