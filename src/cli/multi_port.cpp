// SPDX-License-Identifier: GPL-3.0-or-later
#include "multi_port.h"

#include "line/unit_run.h"

#include <QSet>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <iostream>

namespace velmora::cli {

namespace {

// The commands that talk to one unit and end; monitor, ports, station and the file
// commands have their own output.
const char* const kUnitCommands[] = {"info", "map",    "save-map", "load-map", "clear-map",
                                     "set",  "diff",   "backup",   "restore",  "flash"};

bool isUnitCommand(const char* name) {
    for (const char* c : kUnitCommands)
        if (QLatin1String(name) == QLatin1String(c)) return true;
    return false;
}

std::atomic<int> g_signals{0};

// The first Ctrl+C lets every unit finish what it is doing (a unit left half
// programmed is worse than a wait); the second ends the program.
extern "C" void onInterrupt(int) {
    if (g_signals.fetch_add(1) > 0) std::_Exit(130);
}

struct Split {
    QStringList arguments; // without --port and --json
    QStringList ports;
    bool json = false;
    bool help = false;
    bool out = false; // backup --out FILE
};

Split split(const QStringList& arguments) {
    Split s;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (i > 0 && a == QLatin1String("--port") && i + 1 < arguments.size()) {
            s.ports << arguments[++i].trimmed();
        } else if (i > 0 && a.startsWith(QLatin1String("--port="))) {
            s.ports << a.mid(7).trimmed();
        } else if (i > 0 && a == QLatin1String("--json")) {
            s.json = true;
        } else {
            if (a == QLatin1String("--help") || a == QLatin1String("-h")) s.help = true;
            if (a == QLatin1String("--out") || a.startsWith(QLatin1String("--out="))) s.out = true;
            s.arguments << a;
        }
    }
    return s;
}

} // namespace

int runOnSeveralPorts(const Command& command, const QStringList& arguments) {
    if (!isUnitCommand(command.name)) return -1;
    const Split s = split(arguments);
    if (s.help || (s.ports.size() < 2 && !s.json)) return -1;

    QSet<QString> seen;
    for (const QString& port : s.ports) {
        if (port.isEmpty()) return usageError(QStringLiteral("--port needs a port name"));
        if (seen.contains(port))
            return usageError(QStringLiteral("port %1 is named twice; name each unit's port once").arg(port));
        seen.insert(port);
    }
    if (s.out && s.ports.size() > 1)
        return usageError(QStringLiteral("backup --out names one file; leave it out with several ports "
                                         "(each unit gets its own file in the backup folder)"));
    if (QLatin1String(command.name) == QLatin1String("save-map") && s.ports.size() > 1)
        return usageError(QStringLiteral("save-map writes one file; run it once per unit"));

    std::vector<std::string> ports;
    for (const QString& port : s.ports) ports.push_back(port.toStdString());
    if (ports.empty()) ports.push_back({}); // --json alone: the unit the scan finds

    const auto job = [&](const std::string& port) {
        QStringList args = s.arguments;
        if (!port.empty()) args << QStringLiteral("--port") << QString::fromStdString(port);
        return command.run(args);
    };
    std::vector<line::UnitResult> results;
    {
        const auto previousInt = std::signal(SIGINT, onInterrupt);
        const auto previousTerm = std::signal(SIGTERM, onInterrupt);
        line::OutputCapture capture;
        // With --json, stdout carries the JSON alone; the units' messages still reach
        // the console as they happen.
        results = line::runOnPorts(ports, job, line::LiveEcho{!s.json, true});
        std::signal(SIGINT, previousInt);
        std::signal(SIGTERM, previousTerm);
    }
    if (s.json) {
        const line::Json json = ports.size() == 1 ? line::toJson(results.front()) : line::toJson(results);
        std::cout << json.dump(2) << std::endl;
    } else {
        std::cout << '\n' << line::summaryTable(results) << std::flush;
    }
    if (g_signals.load()) std::cerr << "velmora-cli: interrupted; every unit finished what it was doing" << std::endl;
    return line::worstExitCode(results);
}

} // namespace velmora::cli
