// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Command line of the window program.

#include <QString>
#include <QStringList>

#include <optional>
#include <string>

namespace velmora {

struct AppOptions {
    std::string port;      // --port PORT: tried before any other port
    bool simulate = false; // --simulate: a simulated unit on a pseudo-terminal
    QString language;      // --lang CODE: instead of the user's language; empty: the user's
    QStringList recordings; // FILE.csv ...: opened in the recording view
};

// options is nullopt when the line is not understood; error then says why. help
// and version are set whenever the line asks for them, understood or not; the
// caller answers them from helpText().
struct ParsedOptions {
    std::optional<AppOptions> options;
    QString error;
    bool help = false;
    bool version = false;
};

ParsedOptions parseAppOptions(const QStringList& arguments);
QString helpText();

} // namespace velmora
