// SPDX-License-Identifier: GPL-3.0-or-later
// set: changes one of the unit's three settings, as the window's spinners do.

#include "commands.h"
#include "device_connect.h"
#include "unit_session.h"

#include "device/messages.h"
#include "lang/translate.h"

#include <QCommandLineParser>

#include <array>
#include <iostream>

namespace velmora::cli {

namespace {

struct Setting {
    const char* name;
    unsigned min;
    unsigned max;
    void (*store)(DeviceState&, unsigned);
};

// The ranges the window's spinners keep.
const std::array<Setting, 3> kSettings{{
    {"rpm-divider", 1, 200, [](DeviceState& s, unsigned v) { s.rpmDivider = static_cast<std::uint8_t>(v); }},
    {"noise-delta", 0, 255, [](DeviceState& s, unsigned v) { s.noiseDelta = static_cast<std::uint8_t>(v); }},
    {"noise-period", 0, 50000, [](DeviceState& s, unsigned v) { s.noisePeriod = static_cast<std::uint16_t>(v); }},
}};

const Setting* findSetting(const QString& name) {
    for (const Setting& s : kSettings)
        if (name == QLatin1String(s.name)) return &s;
    return nullptr;
}

int runSet(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes one setting to the unit:\n"
        "  rpm-divider   1..200\n"
        "  noise-delta   0..255\n"
        "  noise-period  0..50000 (shown as the noise frequency in the window)\n"
        "The unit takes all three settings and the map together; the other two settings "
        "and the map are sent as the unit reported them."));
    parser.addPositionalArgument(QStringLiteral("setting"),
                                 QStringLiteral("rpm-divider, noise-delta or noise-period."));
    parser.addPositionalArgument(QStringLiteral("value"),
                                 QStringLiteral("The new value (decimal, or hexadecimal with 0x)."));
    const DeviceOptions options = addDeviceOptions(parser);
    if (const int status = parseCommandLine(parser, arguments); status >= 0) return status;
    const QStringList args = parser.positionalArguments();
    if (args.size() != 2) return usageError(QStringLiteral("set needs a setting and a value"));
    const Setting* setting = findSetting(args[0]);
    if (!setting)
        return usageError(QStringLiteral("unknown setting '%1' (rpm-divider, noise-delta, "
                                         "noise-period)").arg(args[0]));
    unsigned value = 0;
    if (!parseNumber(args[1], setting->max, value) || value < setting->min)
        return usageError(QStringLiteral("%1 takes a number from %2 to %3")
                              .arg(QLatin1String(setting->name))
                              .arg(setting->min)
                              .arg(setting->max));

    return runGuarded("set", [&] {
        auto session = connectUnit(parser, options);
        CLPGDevice& device = session->device;
        if (!device.isConnected()) return kExitFailure;
        // writeSettings sends all three settings and the whole map from the host's
        // state: after a failed read that would overwrite the unit with defaults.
        if (!device.readSettings() || !device.readMap())
            return commandFailed("set", "reading the unit's settings and map failed; nothing written");
        setting->store(device.state(), value);
        if (!device.writeSettings()) {
            reportMessage(&session->messages,
                          translate(L"Nie powiodło się wpisanie ustawień do urządzenia!"), kCaption,
                          MB_ERROR);
            return kExitFailure;
        }
        std::cout << setting->name << ": " << value << std::endl;
        return kExitOk;
    });
}

const CommandRegistrar reg{{"set", "Write rpm-divider, noise-delta or noise-period", &runSet}};

} // namespace

} // namespace velmora::cli
