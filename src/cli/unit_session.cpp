// SPDX-License-Identifier: GPL-3.0-or-later
#include "unit_session.h"

#include "console_message_box.h"

#include "device/error.h"

#include <QCommandLineParser>

#include <iostream>

namespace velmora::cli {

QString settingsFileFromEnvironment() {
    return qEnvironmentVariable("VELMORA_SETTINGS_FILE");
}

std::unique_ptr<ConsoleDevice> connectUnit(const QCommandLineParser& parser,
                                           const DeviceOptions& options) {
    return connectDevice(parser.value(options.port), parser.isSet(options.yes), nullptr,
                         settingsFileFromEnvironment());
}

int commandFailed(const char* command, const std::string& text, int status) {
    std::cerr << "velmora-cli " << command << ": " << text << std::endl;
    return status;
}

int runGuarded(const char* command, const std::function<int()>& body) {
    try {
        return body();
    } catch (const IError& e) {
        return commandFailed(command, toUtf8(e.format()));
    }
}

bool readUnit(CLPGDevice& device, const char* command, mapfile::Snapshot& unit) {
    const char* failed = !device.readVersion()    ? "reading the firmware version failed"
                         : !device.readSettings() ? "reading the settings failed"
                         : !device.readMap()      ? "reading the map failed"
                         : !device.readAxes()     ? "reading the axes failed"
                                                  : nullptr;
    if (failed) {
        commandFailed(command, failed);
        return false;
    }
    unit = mapfile::snapshotFrom(device.state());
    return true;
}

} // namespace velmora::cli
