// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Building and connecting the device for commands that talk to the unit:
//
//   DeviceOptions opts = addDeviceOptions(parser);
//   ... parseCommandLine ...
//   auto session = connectDevice(parser, opts);
//   if (!session->device.isConnected()) return kExitFailure;
//
// --port PORT tries that port only; without it every listed port is tried, the
// remembered one first, and the port that answers is remembered.

#include "console_message_box.h"

#include "device/lpg_device.h"
#include "platform/port_lister.h"
#include "platform/settings_store.h"

#include <QCommandLineOption>
#include <QString>

#include <memory>

class QCommandLineParser;

namespace velmora::cli {

struct DeviceOptions {
    QCommandLineOption port;
    QCommandLineOption yes;
};
DeviceOptions addDeviceOptions(QCommandLineParser& parser);

// Everything a connected device needs, destroyed device first.
class ConsoleDevice {
public:
    // settingsFile: an ini file for the remembered port; empty: the user's settings.
    ConsoleDevice(bool answerYes, const QString& port, const QString& settingsFile = {});
    ~ConsoleDevice(); // tells a multi-unit run how the unit was left
    CConsoleMessageBox messages;
    std::unique_ptr<CQtSettingsStore> settings;
    CQtPortLister ports;
    CLPGDevice device;
};

// Connects (or fails to: see device.isConnected()). The device's own messages go
// to stderr through the console message box; owner may be null.
std::unique_ptr<ConsoleDevice> connectDevice(const QString& port, bool answerYes,
                                             IDeviceOwner* owner = nullptr,
                                             const QString& settingsFile = {});
std::unique_ptr<ConsoleDevice> connectDevice(const QCommandLineParser& parser,
                                             const DeviceOptions& options,
                                             IDeviceOwner* owner = nullptr);

} // namespace velmora::cli
