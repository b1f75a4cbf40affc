// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the unit commands (info, map, set, ...) share: connecting from their
// command line, the remembered-port file, and how they report failures.

#include "commands.h"
#include "device_connect.h"
#include "mapfile/snapshot.h"

#include <functional>
#include <memory>
#include <string>

namespace velmora::cli {

constexpr int kExitBadFile = 3;
// diff: the unit and the file differ.
constexpr int kExitDiffers = 4;

// VELMORA_SETTINGS_FILE names an ini file that holds the remembered port instead
// of the user's settings (tests, portable set-ups); empty when unset.
QString settingsFileFromEnvironment();

// Connects as --port / --yes say. Without a unit the core has already said so on
// stderr; callers only return kExitFailure.
std::unique_ptr<ConsoleDevice> connectUnit(const QCommandLineParser& parser,
                                           const DeviceOptions& options);

// "velmora-cli <command>: <text>" on stderr; returns status.
int commandFailed(const char* command, const std::string& text, int status = kExitFailure);
// Reads all the unit holds into unit. A connection goes on past a failed read with the
// defaults in place, so a failure is said (as the command's) and nothing is returned.
bool readUnit(CLPGDevice& device, const char* command, mapfile::Snapshot& unit);

// Runs body; a port error escaping from it becomes kExitFailure with the error's text.
int runGuarded(const char* command, const std::function<int()>& body);

} // namespace velmora::cli
