// SPDX-License-Identifier: GPL-3.0-or-later
#include "device_connect.h"

#include "line/unit_run.h"

#include <QCommandLineParser>

namespace velmora::cli {

namespace {
std::unique_ptr<CQtSettingsStore> makeStore(const QString& file) {
    return file.isEmpty() ? std::make_unique<CQtSettingsStore>()
                          : std::make_unique<CQtSettingsStore>(file);
}
} // namespace

DeviceOptions addDeviceOptions(QCommandLineParser& parser) {
    DeviceOptions o{
        QCommandLineOption(QStringLiteral("port"),
                           QStringLiteral("The unit's serial port; without it every port is tried. Repeat it "
                                          "to serve several units at once."),
                           QStringLiteral("port")),
        QCommandLineOption(QStringLiteral("yes"),
                           QStringLiteral("Answer Yes to the program's questions (default No)."))};
    parser.addOption(o.port);
    parser.addOption(o.yes);
    // Handled before the command runs (multi_port.cpp); listed here for --help.
    parser.addOption(QCommandLineOption(QStringLiteral("json"),
                                        QStringLiteral("Print the result as JSON (docs/json-output.md).")));
    return o;
}

ConsoleDevice::ConsoleDevice(bool answerYes, const QString& port, const QString& settingsFile)
    : messages(answerYes),
      settings(makeStore(settingsFile)),
      device(DeviceServices{&messages, settings.get(), port.isEmpty() ? &ports : nullptr}) {
    // A named port is the only candidate: with no lister the scan tries nothing else.
    if (!port.isEmpty()) device.setPreferredPort(port.toStdString());
}

ConsoleDevice::~ConsoleDevice() {
    if (device.isConnected()) line::noteUnitVersionAfter(device.state().version);
}

std::unique_ptr<ConsoleDevice> connectDevice(const QString& port, bool answerYes,
                                             IDeviceOwner* owner, const QString& settingsFile) {
    auto session = std::make_unique<ConsoleDevice>(answerYes, port.trimmed(), settingsFile);
    if (owner) session->device.setOwner(owner);
    session->device.startConnection();
    if (session->device.isConnected()) {
        line::noteUnitConnected(session->device.port().portName());
        line::noteUnitVersionBefore(session->device.state().version);
    }
    return session;
}

std::unique_ptr<ConsoleDevice> connectDevice(const QCommandLineParser& parser,
                                             const DeviceOptions& options, IDeviceOwner* owner) {
    return connectDevice(parser.value(options.port), parser.isSet(options.yes), owner);
}

} // namespace velmora::cli
