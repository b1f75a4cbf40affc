// SPDX-License-Identifier: GPL-3.0-or-later
// station: serves every unit plugged into the watched ports, one after another or
// several at once, as a production line or a fleet workshop does.

#include "commands.h"
#include "interrupt.h"
#include "unit_session.h"

#include "firmware/firmware_file.h"
#include "firmware/firmware_update.h"
#include "line/station.h"
#include "mapfile/backup_file.h"
#include "platform/port_lister.h"

#include <QCommandLineParser>
#include <QFile>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <mutex>

#ifdef _WIN32
#include <io.h>
#define VELMORA_ISATTY(fd) _isatty(fd)
#else
#include <unistd.h>
#define VELMORA_ISATTY(fd) isatty(fd)
#endif

namespace velmora::cli {

namespace {

std::mutex g_console; // one line at a time from the ports' threads

void say(const std::string& port, const std::string& text) {
    std::lock_guard lock(g_console);
    std::cerr << port << ": " << text << std::endl;
}

// A big, coloured line on a terminal; plain text in a pipe or a file.
void announce(const line::StationRecord& r, bool colour) {
    const std::string word = r.pass ? "PASS" : "FAIL";
    std::string text = "  " + word + "  " + r.port;
    if (r.versionAfter) text += "  " + line::versionText(*r.versionAfter);
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "  %.1f s", r.seconds);
    text += seconds;
    if (!r.pass) text += "  " + r.reason;
    std::lock_guard lock(g_console);
    if (colour)
        std::cout << (r.pass ? "\033[1;30;42m" : "\033[1;37;41m") << "========" << text << "  ========\033[0m"
                  << std::endl;
    else
        std::cout << "========" << text << "  ========" << std::endl;
}

int readPlan(const QCommandLineParser& parser, const QCommandLineOption& flash, const QCommandLineOption& restore,
             const QCommandLineOption& set, line::StationPlan& plan) {
    if (parser.isSet(flash)) {
        const QString name = parser.value(flash);
        plan.firmware = std::filesystem::path(name.toStdU16String());
        CFirmwareFile file;
        std::uint16_t format = 0;
        std::wstring identifier;
        if (!file.read(plan.firmware, plan.firmwareVersion, identifier, format))
            return badFile(name, "cannot be read as a firmware file (see velmora-cli firmware-info)");
        if (format != kFirmwareFormat || identifier != kControllerId)
            return badFile(name, "not a firmware file for this unit (see velmora-cli firmware-info)");
    }
    if (parser.isSet(restore)) {
        const QString name = parser.value(restore);
        QFile file(name);
        if (!file.open(QIODevice::ReadOnly)) return badFile(name, file.errorString().toStdString());
        const QByteArray bytes = file.read(1 << 20);
        const std::string text(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        if (!mapfile::looksLikeBackup(text))
            return badFile(name, "not a backup (velmora-cli backup writes one)");
        mapfile::Backup backup;
        if (const auto error = mapfile::readBackup(text, backup)) return badFile(name, error->message, error->line);
        plan.restore = backup.unit;
    }
    for (const QString& text : parser.values(set)) {
        line::SettingChange change;
        std::string error;
        if (!line::parseSettingChange(text.toStdString(), change, error))
            return usageError(QString::fromStdString(error));
        plan.settings.push_back(change);
    }
    if (plan.firmware.empty() && !plan.restore && plan.settings.empty())
        return usageError(QStringLiteral("station needs something to do: --flash, --restore or --set"));
    return -1;
}

int runStation(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Serves every unit that appears on the watched ports: programs the firmware, "
        "restores the backup, writes the settings (in the order given), reads everything "
        "back and checks it, then prints PASS or FAIL for the unit. A port is served "
        "again once its unit has been unplugged; several ports are served at once. A "
        "unit found in its bootloader is programmed to the end; a unit of another type "
        "fails without a write.\n"
        "Runs until --count units are done or Ctrl+C (units being served finish first).\n"
        "Exit status 0 when every unit passed, 1 when any failed, 2 for a wrong command "
        "line, 3 for a file that cannot be used."));
    const QCommandLineOption flash(QStringLiteral("flash"), QStringLiteral("Program every unit with FILE.afm."),
                                   QStringLiteral("FILE"));
    const QCommandLineOption restore(QStringLiteral("restore"),
                                     QStringLiteral("Write the backup's settings, map and axes to every unit."),
                                     QStringLiteral("BACKUP"));
    const QCommandLineOption set(QStringLiteral("set"),
                                 QStringLiteral("Write a setting (rpm-divider, noise-delta, noise-period); "
                                                "repeatable, applied in order."),
                                 QStringLiteral("NAME=VALUE"));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Watch the ports PATTERN names (* and ? as wildcards, e.g. "
                                                 "'/dev/ttyUSB*'); repeatable. Default: every serial port."),
                                  QStringLiteral("PATTERN"));
    const QCommandLineOption count(QStringLiteral("count"), QStringLiteral("Stop after N units."),
                                   QStringLiteral("N"));
    const QCommandLineOption log(QStringLiteral("log"),
                                 QStringLiteral("Append one JSON line per unit to FILE (docs/json-output.md)."),
                                 QStringLiteral("FILE"));
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("Print each unit's record as a JSON line (as --log writes) "
                                                 "instead of the PASS/FAIL lines and the count."));
    parser.addOptions({flash, restore, set, port, count, log, json});
    if (const int status = parseCommandLine(parser, arguments); status >= 0) return status;
    if (!parser.positionalArguments().isEmpty()) return usageError(QStringLiteral("station takes no arguments"));

    unsigned limit = 0;
    if (parser.isSet(count) && (!parseNumber(parser.value(count), 1000000, limit) || limit == 0))
        return usageError(QStringLiteral("--count takes a number of units from 1"));
    QStringList patterns = parser.values(port);
    for (QString& p : patterns) p = p.trimmed();
    if (patterns.removeDuplicates() > 0)
        return usageError(QStringLiteral("a --port pattern is named twice; name each once"));
    if (patterns.contains(QString()))
        return usageError(QStringLiteral("--port needs a port name or pattern"));
    line::StationPlan plan;
    if (const int status = readPlan(parser, flash, restore, set, plan); status >= 0) return status;

    std::ofstream logFile;
    if (parser.isSet(log)) {
        logFile.open(std::filesystem::path(parser.value(log).toStdU16String()), std::ios::app | std::ios::binary);
        if (!logFile)
            return commandFailed("station", "cannot open the log " + parser.value(log).toStdString() +
                                                " for appending; check the folder and its permissions");
    }

    // Listed serial ports that a pattern names (all of them without --port), and
    // files a pattern with a folder names (pseudo-terminals, /dev/serial/by-id/...).
    const auto present = [&patterns] {
        std::vector<std::string> found;
        CQtPortLister lister;
        for (const std::string& name : lister.ports()) {
            bool wanted = patterns.isEmpty();
            for (const QString& p : patterns) wanted = wanted || line::wildcardMatch(p.toStdString(), name);
            if (wanted) found.push_back(name);
        }
        for (const QString& p : patterns)
            if (p.contains(QLatin1Char('/')) || p.contains(QLatin1Char('\\')))
                for (const std::string& file : line::expandPattern(p.toStdString()))
                    if (std::find(found.begin(), found.end(), file) == found.end()) found.push_back(file);
        return found;
    };
    for (const QString& p : patterns) {
        bool any = false;
        for (const std::string& name : present()) any = any || line::wildcardMatch(p.toStdString(), name);
        if (!any)
            std::cerr << "velmora-cli station: " << p.toStdString()
                      << " names no port yet; waiting for a unit to appear there" << std::endl;
    }

    const bool colour = VELMORA_ISATTY(1) != 0;
    bool logFailed = false;
    line::Station::Hooks hooks;
    hooks.ports = present;
    hooks.serve = [&plan](const std::string& p) {
        return line::serveUnit(p, plan, [&p](const std::string& text) { say(p, text); });
    };
    hooks.answers = [](const std::string& p) { return line::unitAnswers(p); };
    const bool jsonLines = parser.isSet(json);
    hooks.finished = [&](const line::StationRecord& r) {
        if (jsonLines) {
            std::lock_guard lock(g_console);
            std::cout << line::toJson(r).dump() << std::endl;
        } else {
            announce(r, colour);
        }
        if (!r.pass) say(r.port, "unplug the unit; the port is served again once it is gone");
        if (logFile.is_open()) {
            logFile << line::toJson(r).dump() << '\n';
            logFile.flush();
            if (!logFile && !logFailed) {
                logFailed = true;
                say(r.port, "writing the log failed (disk full?); the results are no longer logged");
            }
        }
    };
    installInterruptHandlers();
    std::cerr << "velmora-cli station: waiting for units";
    if (limit) std::cerr << " (" << limit << (limit == 1 ? " unit)" : " units)");
    std::cerr << "; Ctrl+C ends it after the units being served." << std::endl;

    const auto records = line::Station(hooks).run(limit, [] { return interrupted(); });
    unsigned passed = 0;
    for (const auto& r : records) passed += r.pass ? 1 : 0;
    std::ostream& summary = jsonLines ? std::cerr : std::cout; // stdout holds JSON alone
    summary << records.size() << (records.size() == 1 ? " unit: " : " units: ") << passed << " PASS, "
            << records.size() - passed << " FAIL" << std::endl;
    if (logFailed) return kExitFailure;
    return passed == records.size() ? kExitOk : kExitFailure;
}

const CommandRegistrar reg{{"station", "Serve every unit plugged in: program, restore, set, check", &runStation}};

} // namespace

} // namespace velmora::cli
