// SPDX-License-Identifier: GPL-3.0-or-later
// map, save-map, load-map, clear-map: the correction map and its axes.

#include "commands.h"
#include "device_connect.h"
#include "interrupt.h"
#include "mapfile/atomic_file.h"
#include "mapfile/map_csv.h"
#include "map_table.h"
#include "unit_session.h"

#include "device/messages.h"
#include "line/unit_data.h"
#include "line/unit_run.h"
#include "lang/translate.h"

#include <QCommandLineParser>
#include <QFile>

#include <filesystem>
#include <iostream>

namespace velmora::cli {

using namespace mapfile;

namespace {

// A map file is about 1.5 KB; anything this large is not one.
constexpr qint64 kMaxMapFileBytes = 1 << 20;

const QString kRoundingNote = QStringLiteral(
    "Map values are rounded to the unit's 0.02 steps, voltages to its 0.015 V steps; "
    "RPM breakpoints are cut to whole hundreds.");

const QString kCsvFormat = QStringLiteral(
    "The file is comma-separated: a first line 'V\\RPM' and the 15 RPM breakpoints, then "
    "16 lines of a voltage breakpoint and that row's 15 map values. Values lie within "
    "0.00..5.10, RPM breakpoints within 0..25500, and both axes rise. load-map also "
    "reads the form spreadsheets save in decimal-comma locales: ';' between fields and "
    "a decimal comma (0,96).");

// The connection goes on past a failed read with the defaults in place: read the
// map and axes again so defaults are never shown or saved as the unit's.
bool readMapAndAxes(CLPGDevice& device, const char* command) {
    if (!device.readMap()) {
        commandFailed(command, "reading the map failed");
        return false;
    }
    if (!device.readAxes()) {
        commandFailed(command, "reading the axes failed");
        return false;
    }
    return true;
}

// As parseCommandLine, then exactly `files` positional arguments.
int parseArguments(QCommandLineParser& parser, const QStringList& arguments, const char* command,
                   int files) {
    if (const int status = parseCommandLine(parser, arguments); status >= 0) return status;
    if (parser.positionalArguments().size() != files)
        return usageError(files ? QStringLiteral("%1 needs exactly one file").arg(QLatin1String(command))
                                : QStringLiteral("%1 takes no arguments").arg(QLatin1String(command)));
    return -1;
}

int runMap(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Connects to the unit and prints its correction map with the RPM breakpoints "
        "across and the voltage breakpoints down.\n--format csv prints the form "
        "load-map and save-map use."));
    const QCommandLineOption format(QStringLiteral("format"),
                                    QStringLiteral("table (default) or csv."),
                                    QStringLiteral("format"), QStringLiteral("table"));
    parser.addOption(format);
    const DeviceOptions options = addDeviceOptions(parser);
    if (const int status = parseArguments(parser, arguments, "map", 0); status >= 0)
        return status;
    const QString style = parser.value(format);
    if (style != QLatin1String("table") && style != QLatin1String("csv"))
        return usageError(QStringLiteral("--format takes table or csv, not '%1'").arg(style));

    return runGuarded("map", [&] {
        auto session = connectUnit(parser, options);
        if (!session->device.isConnected()) return kExitFailure;
        if (!readMapAndAxes(session->device, "map")) return kExitFailure;
        const MapTable table = mapTableFrom(session->device.state());
        if (line::Json* data = line::unitData()) *data = line::mapJson(table);
        std::cout << (style == QLatin1String("csv") ? writeMapCsv(table) : formatMapTable(table))
                  << std::flush;
        return kExitOk;
    });
}

int runSaveMap(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Reads the correction map and its axes from the unit and writes them "
                       "to a file; an existing file is replaced only once the new one is "
                       "complete.\n") + kCsvFormat);
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("The file to write."),
                                 QStringLiteral("FILE.csv"));
    const DeviceOptions options = addDeviceOptions(parser);
    if (const int status = parseArguments(parser, arguments, "save-map", 1); status >= 0)
        return status;
    const QString path = parser.positionalArguments().first();

    return runGuarded("save-map", [&] {
        auto session = connectUnit(parser, options);
        if (!session->device.isConnected()) return kExitFailure;
        if (!readMapAndAxes(session->device, "save-map")) return kExitFailure;
        const std::string text = writeMapCsv(mapTableFrom(session->device.state()));

        std::string error;
        if (!writeFileAtomically(std::filesystem::path(path.toStdU16String()), text, error))
            return commandFailed("save-map", toUtf8(translate(L"Nie udało się zapisać pliku mapy.")) + " " + error);
        return kExitOk;
    });
}

int runLoadMap(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Writes the correction map and its axes from a file to the unit and "
                       "stores the map there. The whole file is checked before anything is "
                       "sent; the first fault is reported as FILE:LINE: what, with exit "
                       "status 3.\n") +
        kCsvFormat + QLatin1Char(' ') + kRoundingNote);
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("The file to read."),
                                 QStringLiteral("FILE.csv"));
    const DeviceOptions options = addDeviceOptions(parser);
    if (const int status = parseArguments(parser, arguments, "load-map", 1); status >= 0)
        return status;
    const QString path = parser.positionalArguments().first();

    std::string text;
    if (const int status = readSmallFile(path, kMaxMapFileBytes, "a map file", text); status != kExitOk)
        return status;
    MapTable table;
    if (const auto error = readMapCsv(text, table)) return badFile(path, error->message, error->line);

    return runGuarded("load-map", [&] {
        auto session = connectUnit(parser, options);
        CLPGDevice& device = session->device;
        if (!device.isConnected()) return kExitFailure;
        applyMapTable(table, device.state());
        const UnitWrites writes("load-map", "the unit may hold the file's axes with its old map; run load-map again");
        if (!device.writeAxes()) return commandFailed("load-map", "writing the axes failed; nothing else sent");
        if (!device.writeMap()) return commandFailed("load-map", "writing the map failed (the axes were written)");
        if (!device.storeMap())
            return commandFailed("load-map", "storing the map failed (the unit works with it until switched off)");
        return kExitOk;
    });
}

int runClearMap(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Sets every value of the unit's correction map to 0 and stores the map."));
    const DeviceOptions options = addDeviceOptions(parser);
    if (const int status = parseArguments(parser, arguments, "clear-map", 0); status >= 0)
        return status;

    return runGuarded("clear-map", [&] {
        auto session = connectUnit(parser, options);
        CLPGDevice& device = session->device;
        if (!device.isConnected()) return kExitFailure;
        const UnitWrites writes("clear-map", "the map may be cleared but not stored; run clear-map again");
        if (!device.clearMap() || !device.storeMap()) {
            reportMessage(&session->messages,
                          translate(L"Nie powiodło się wpisanie mapy wtrysków do urządzenia!"),
                          kCaption, MB_ERROR);
            return kExitFailure;
        }
        for (auto& row : device.state().map) row.fill(0.0);
        return kExitOk;
    });
}

const CommandRegistrar regMap{{"map", "Print the correction map and its axes", &runMap}};
const CommandRegistrar regSave{{"save-map", "Save the unit's map and axes to a csv file", &runSaveMap}};
const CommandRegistrar regLoad{{"load-map", "Write a csv file's map and axes to the unit", &runLoadMap}};
const CommandRegistrar regClear{{"clear-map", "Zero the unit's correction map", &runClearMap}};

} // namespace

} // namespace velmora::cli
