// SPDX-License-Identifier: GPL-3.0-or-later
// occupancy: engine time per map cell from a recording, as a table of the map's shape.

#include "commands.h"
#include "console_message_box.h"
#include "device_connect.h"
#include "unit_session.h"

#include "analysis/occupancy.h"
#include "mapfile/backup_file.h"
#include "mapfile/map_csv.h"

#include <QCommandLineParser>
#include <QFile>

#include <iostream>

namespace velmora::cli {

using namespace analysis;

namespace {

constexpr qint64 kMaxAxesFileBytes = 1 << 20; // a map file or backup is a few KB

// The axes of a map file or a backup.
int readAxesFile(const QString& path, MapAxes& axes) {
    std::string text;
    if (const int status = readSmallFile(path, kMaxAxesFileBytes, "a map file or backup", text); status != kExitOk)
        return status;
    const auto error = readAxesText(text, axes);
    if (error) return badFile(path, error->message, error->line);
    return kExitOk;
}

int runOccupancy(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Reads a recording (the window's Record, Save chart data, or monitor output with or "
        "without --timestamps) and prints the seconds the engine spent in each cell of the "
        "map: the first RPM breakpoint above the reading's RPM, the first voltage breakpoint "
        "above its pump voltage, the last column and row taking everything beyond. Each "
        "reading holds its cell until the next; gaps over 1 s and link_lost rows count for "
        "nothing.\n"
        "csv: the map file's shape, cells in seconds with two decimals; percent: the same in "
        "percent of the total; json: seconds, axes and what was read.\n"
        "The axes are the unit's (through --port or the scan) unless --axes names a map file "
        "or backup.\n"
        "Exit status: 0 done, 1 the unit's axes could not be read, 2 a wrong command line, "
        "3 the recording or axes file cannot be read (reported as FILE:LINE: what)."));
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("A recording (CSV)."),
                                 QStringLiteral("FILE"));
    const QCommandLineOption axesOption(QStringLiteral("axes"),
                                        QStringLiteral("Take the axes of this map file or backup."),
                                        QStringLiteral("MAP_OR_BACKUP"));
    const QCommandLineOption format(QStringLiteral("format"), QStringLiteral("csv (default), percent or json."),
                                    QStringLiteral("format"), QStringLiteral("csv"));
    parser.addOptions({axesOption, format});
    const DeviceOptions options = addDeviceOptions(parser);
    if (const int status = parseCommandLine(parser, arguments); status >= 0) return status;
    if (parser.positionalArguments().size() != 1) return usageError(QStringLiteral("occupancy needs exactly one file"));
    const QString style = parser.value(format);
    if (style != QLatin1String("csv") && style != QLatin1String("percent") && style != QLatin1String("json"))
        return usageError(QStringLiteral("--format takes csv, percent or json, not '%1'").arg(style));
    const QString path = parser.positionalArguments().first();

    MapAxes axes;
    if (parser.isSet(axesOption)) {
        if (const int status = readAxesFile(parser.value(axesOption), axes); status != kExitOk) return status;
    } else {
        const int status = runGuarded("occupancy", [&] {
            auto session = connectUnit(parser, options);
            if (!session->device.isConnected()) return kExitFailure;
            if (!session->device.readAxes()) return commandFailed("occupancy", "reading the axes failed");
            axes = {session->device.state().rpmAxis, session->device.state().voltAxis};
            return kExitOk;
        });
        if (status != kExitOk) return status;
    }

    // Streamed: a file of any length is counted in the memory of one block.
    COccupancyCounter counter(axes);
    ReadLimits limits;
    limits.maxBytes = ~std::uint64_t{0};
    limits.maxRows = ~std::uint64_t{0};
    const ReadSummary read = readRecordingFile(path.toStdWString(), [&counter](const Row& r) { counter.add(r); }, limits);
    if (read.error != ReadError::None) return badFile(path, toUtf8(readErrorText(read, 0, false)), read.errorLine);
    if (const std::wstring skipped = skippedText(read); !skipped.empty())
        std::cerr << path.toStdString() << ": " << toUtf8(skipped) << std::endl;

    if (style == QLatin1String("json"))
        std::cout << occupancyJson(counter.table(), axes, read);
    else
        std::cout << occupancyCsv(counter.table(), axes, style == QLatin1String("percent"));
    std::cout << std::flush;
    return kExitOk;
}

const CommandRegistrar reg{{"occupancy", "Engine time per map cell from a recording", &runOccupancy}};

} // namespace

} // namespace velmora::cli
