// SPDX-License-Identifier: GPL-3.0-or-later
// report: a service report of the unit against the backup taken before the work,
// as PDF or HTML.

#include "commands.h"
#include "device_connect.h"
#include "unit_session.h"

#include "mapfile/backup_file.h"
#include "report/report_content.h"
#include "report_qt/report_writer.h"

#include <QCommandLineParser>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <iostream>

namespace velmora::cli {

namespace {

// A backup is a few KB.
constexpr qint64 kMaxBackupBytes = 1 << 20;

int readBackupFile(const QString& path, mapfile::Backup& backup) {
    std::string text;
    if (const int status = readSmallFile(path, kMaxBackupBytes, "a backup", text); status != kExitOk)
        return status;
    if (!mapfile::looksLikeBackup(text))
        return badFile(path, "not a backup (the first line is not '" + std::string(mapfile::kBackupMagic) +
                                   "'); the backup command writes one");
    if (const auto error = mapfile::readBackup(text, backup)) return badFile(path, error->message, error->line);
    return kExitOk;
}

int runReport(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes a service report: the unit as it is now against a backup taken before "
        "the work (settings before and after, the map's changed cells, axis changes), "
        "with the workshop's and the vehicle's details, in the program's language. "
        "PDF or HTML from the file name's extension; the file appears whole or not at all.\n"
        "Exit status: 0 written, 1 no unit or the file cannot be written, 2 a wrong "
        "command line, 3 the backup cannot be read or is refused."));
    const QCommandLineOption before(QStringLiteral("before"),
                                    QStringLiteral("The backup of the unit before the work."), QStringLiteral("BACKUP"));
    const QCommandLineOption out(QStringLiteral("out"), QStringLiteral("The report: FILE.pdf or FILE.html."),
                                 QStringLiteral("FILE"));
    const QCommandLineOption workshop(QStringLiteral("workshop"), QStringLiteral("Workshop name and address."),
                                      QStringLiteral("TEXT"));
    const QCommandLineOption technician(QStringLiteral("technician"), QStringLiteral("Technician."),
                                        QStringLiteral("TEXT"));
    const QCommandLineOption vehicle(QStringLiteral("vehicle"),
                                     QStringLiteral("Vehicle: registration, make and model or VIN, odometer."),
                                     QStringLiteral("TEXT"));
    const QCommandLineOption customer(QStringLiteral("customer"), QStringLiteral("Customer."), QStringLiteral("TEXT"));
    const QCommandLineOption notes(QStringLiteral("notes"), QStringLiteral("Free notes."), QStringLiteral("TEXT"));
    for (const auto* o : {&before, &out, &workshop, &technician, &vehicle, &customer, &notes}) parser.addOption(*o);
    const DeviceOptions options = addDeviceOptions(parser);
    if (const int status = parseCommandLine(parser, arguments); status >= 0) return status;
    if (!parser.positionalArguments().isEmpty()) return usageError(QStringLiteral("report takes no arguments"));
    if (!parser.isSet(before) || !parser.isSet(out))
        return usageError(QStringLiteral("report needs --before BACKUP and --out FILE"));
    const QString outPath = parser.value(out);
    if (report::formatOf(outPath) == report::ReportFormat::Unknown)
        return usageError(QStringLiteral("%1: the report's name must end in .pdf, .html or .htm").arg(outPath));

    mapfile::Backup backup;
    if (const int status = readBackupFile(parser.value(before), backup); status != kExitOk) return status;

    return runGuarded("report", [&] {
        auto session = connectUnit(parser, options);
        if (!session->device.isConnected()) return kExitFailure;
        report::ReportInput input;
        if (!readUnit(session->device, "report", input.after)) return kExitFailure;
        input.before = backup.unit;
        if (input.before.deviceType != input.after.deviceType)
            return commandFailed("report",
                                 parser.value(before).toStdString() + ": the backup is of device type " +
                                     hexText(input.before.deviceType, 2) + ", the unit is " +
                                     hexText(input.after.deviceType, 2) + "; no report written",
                                 kExitBadFile);

        input.dateTime = report::dateTimeText(QDateTime::currentDateTime()).toStdString();
        input.port = session->device.port().portName();
        input.adapter = session->ports.description(input.port);
        input.beforeName = QFileInfo(parser.value(before)).fileName().toStdString() + " (" +
                           mapfile::formatUtc(backup.saved) + ")";
        input.details = {parser.value(workshop).toStdString(), parser.value(technician).toStdString(),
                         parser.value(vehicle).toStdString(), parser.value(customer).toStdString(),
                         parser.value(notes).toStdString()};

        QString error;
        if (!report::writeReport(outPath, report::buildReport(input), {}, report::pageSizeFor(QLocale::system()), error))
            return commandFailed("report", error.toStdString());
        std::cout << outPath.toStdString() << std::endl;
        return kExitOk;
    });
}

const CommandRegistrar regReport{{"report", "Write a service report: the unit against a backup, as PDF or HTML", &runReport}};

} // namespace

} // namespace velmora::cli
