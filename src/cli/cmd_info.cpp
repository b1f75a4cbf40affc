// SPDX-License-Identifier: GPL-3.0-or-later
// ports: where the unit is looked for. info: what the unit reports about itself.

#include "commands.h"
#include "device_connect.h"
#include "unit_session.h"

#include "line/unit_data.h"
#include "line/unit_run.h"

#include <QCommandLineParser>

#include <cstdio>
#include <iostream>

namespace velmora::cli {

namespace {

int runPorts(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Lists the serial ports in the order the unit is looked for; the port the "
        "unit last answered on is marked (remembered)."));
    const DeviceOptions options = addDeviceOptions(parser);
    if (const int status = parseCommandLine(parser, arguments); status >= 0) return status;
    if (!parser.positionalArguments().isEmpty())
        return usageError(QStringLiteral("ports takes no arguments"));

    ConsoleDevice session(false, parser.value(options.port).trimmed(), settingsFileFromEnvironment());
    const std::string remembered = session.device.readLastPort();
    const std::vector<std::string> ports = session.device.candidatePorts();
    if (ports.empty()) std::cerr << "velmora-cli ports: no serial ports found" << std::endl;
    if (parser.isSet(QStringLiteral("json"))) {
        line::Json list = line::Json::array();
        for (const std::string& port : ports)
            list.push(line::Json::object().set("port", port).set("remembered", port == remembered));
        std::cout << list.dump(2) << std::endl;
        return kExitOk;
    }
    // The remembered port is tried first and again in its place: both lines are shown.
    for (const std::string& port : ports)
        std::cout << port << (port == remembered ? "  (remembered)" : "") << '\n';
    std::cout.flush();
    return kExitOk;
}

int runInfo(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Connects to the unit and prints its port, firmware version, device type and "
        "settings, one 'name: value' line each."));
    const DeviceOptions options = addDeviceOptions(parser);
    if (const int status = parseCommandLine(parser, arguments); status >= 0) return status;
    if (!parser.positionalArguments().isEmpty())
        return usageError(QStringLiteral("info takes no arguments"));

    return runGuarded("info", [&] {
        auto session = connectUnit(parser, options);
        CLPGDevice& device = session->device;
        if (!device.isConnected()) return kExitFailure;
        // The connection goes on past a failed read with the defaults in place; they
        // must not be printed as the unit's.
        if (!device.readVersion()) return commandFailed("info", "reading the firmware version failed");
        if (!device.readSettings()) return commandFailed("info", "reading the settings failed");

        const DeviceState& s = device.state();
        std::cout << "port: " << device.port().portName() << '\n'
                  << "version: " << hexText(s.version, 4) << '\n'
                  << "device-type: " << hexText(s.deviceType, 2) << '\n'
                  << "rpm-divider: " << unsigned{s.rpmDivider} << '\n'
                  << "noise-delta: " << unsigned{s.noiseDelta} << '\n'
                  << "noise-period: " << unsigned{s.noisePeriod} << '\n'
                  << "readings: " << (device.offersReadings() ? "on" : "off") << std::endl;
        if (line::Json* data = line::unitData())
            *data = line::settingsJson(s).set("readings", device.offersReadings());
        return kExitOk;
    });
}

const CommandRegistrar regPorts{{"ports", "List the serial ports in scan order", &runPorts}};
const CommandRegistrar regInfo{{"info", "Show the unit's version and settings", &runInfo}};

} // namespace

} // namespace velmora::cli
