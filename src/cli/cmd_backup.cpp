// SPDX-License-Identifier: GPL-3.0-or-later
// diff, backup, restore: the unit against a map file or backup, and backups of it.

#include "commands.h"
#include "device_connect.h"
#include "unit_session.h"

#include "interrupt.h"

#include "lang/translate.h"
#include "line/unit_data.h"
#include "line/unit_run.h"
#include "mapfile/backup_store.h"
#include "mapfile/map_csv.h"

#include <QCommandLineParser>
#include <QFile>

#include <filesystem>
#include <iostream>

namespace velmora::cli {

using namespace mapfile;

namespace {

// A backup or map file is a few KB; anything this large is neither.
constexpr qint64 kMaxFileBytes = 1 << 20;

std::string backupFailedText() { return toUtf8(translate(L"Nie udało się zapisać kopii zapasowej urządzenia.")); }

// A backup, or else a map file (whose settings are left as the unit's).
struct UnitFile {
    bool isBackup = false;
    Backup backup;
};

int readUnitFile(const QString& path, UnitFile& file) {
    std::string text;
    if (const int status = readSmallFile(path, kMaxFileBytes, "a map file or backup", text); status != kExitOk)
        return status;
    std::optional<TextError> error;
    file.isBackup = looksLikeBackup(text);
    if (file.isBackup) {
        error = readBackup(text, file.backup);
    } else {
        MapTable table;
        error = readMapCsv(text, table);
        file.backup.unit.map = table.map;
        file.backup.unit.voltAxis = table.voltAxis;
        file.backup.unit.rpmAxis = table.rpmAxis;
    }
    if (error) return badFile(path, error->message, error->line);
    return kExitOk;
}

int parseArguments(QCommandLineParser& parser, const QStringList& arguments, const char* command, int files) {
    if (const int status = parseCommandLine(parser, arguments); status >= 0) return status;
    if (parser.positionalArguments().size() != files)
        return usageError(files ? QStringLiteral("%1 needs exactly one file").arg(QLatin1String(command))
                                : QStringLiteral("%1 takes no arguments").arg(QLatin1String(command)));
    return -1;
}

int runDiff(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Compares the unit with a map file (as save-map writes) or a backup (as backup "
        "writes) at the unit's own resolution, and prints each differing cell, axis "
        "breakpoint and setting as 'what: unit VALUE, file VALUE'.\n"
        "Exit status: 0 when the unit holds what the file holds, 4 when it differs, 1 "
        "when the unit cannot be read, 2 for a wrong command line, 3 when the file "
        "cannot be read (reported as FILE:LINE: what).\n"
        "A backup of other firmware is compared all the same; that difference is "
        "printed as a note and does not count, since a restore cannot change it."));
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("A map file or a backup."),
                                 QStringLiteral("FILE"));
    const DeviceOptions options = addDeviceOptions(parser);
    if (const int status = parseArguments(parser, arguments, "diff", 1); status >= 0) return status;
    const QString path = parser.positionalArguments().first();
    UnitFile file;
    if (const int status = readUnitFile(path, file); status != kExitOk) return status;

    return runGuarded("diff", [&] {
        auto session = connectUnit(parser, options);
        if (!session->device.isConnected()) return kExitFailure;
        Snapshot unit;
        if (!readUnit(session->device, "diff", unit)) return kExitFailure;
        const Snapshot& other = file.backup.unit;
        if (file.isBackup)
            for (const Difference& d : compareSnapshots(unit, other))
                if (d.kind == ItemKind::Version || d.kind == ItemKind::DeviceType)
                    std::cout << "note: " << itemName(d, unit) << ": unit " << d.leftText << ", file "
                              << d.rightText << '\n';
        const auto differences = compareSnapshots(
            unit, other, file.isBackup ? CompareScope::SettingsMapAndAxes : CompareScope::MapAndAxes);
        for (const Difference& d : differences)
            std::cout << itemName(d, unit) << ": unit " << d.leftText << ", file " << d.rightText << '\n';
        if (line::Json* data = line::unitData()) {
            data->set("differences", line::differencesJson(differences, unit));
            std::vector<Difference> notes;
            if (file.isBackup)
                for (const Difference& d : compareSnapshots(unit, other))
                    if (d.kind == ItemKind::Version || d.kind == ItemKind::DeviceType) notes.push_back(d);
            data->set("notes", line::differencesJson(notes, unit));
        }
        if (differences.empty())
            std::cout << "no differences\n";
        else
            std::cout << differences.size() << (differences.size() == 1 ? " difference\n" : " differences\n");
        std::cout << std::flush;
        return differences.empty() ? kExitOk : kExitDiffers;
    });
}

int runBackup(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Reads the unit's version, device type, settings, map and axes and "
                       "writes them to a backup file. Without --out the file goes to the "
                       "folder where the window keeps its automatic backups (%1), named "
                       "backup-YYYYMMDD-HHMMSS.txt by UTC time, and is skipped when the "
                       "newest backup there holds the same. The file's path is printed.")
            .arg(QString::fromStdString(defaultBackupFolder().string())));
    const QCommandLineOption out(QStringLiteral("out"), QStringLiteral("Write the backup to FILE instead."),
                                 QStringLiteral("FILE"));
    parser.addOption(out);
    const DeviceOptions options = addDeviceOptions(parser);
    if (const int status = parseArguments(parser, arguments, "backup", 0); status >= 0) return status;

    return runGuarded("backup", [&] {
        auto session = connectUnit(parser, options);
        if (!session->device.isConnected()) return kExitFailure;
        Snapshot unit;
        if (!readUnit(session->device, "backup", unit)) return kExitFailure;

        if (parser.isSet(out)) {
            const QString path = parser.value(out);
            const std::string text = writeBackup(
                {std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now()), unit});
            if (std::string error; !writeFileAtomically(std::filesystem::path(path.toStdU16String()), text, error))
                return commandFailed("backup", backupFailedText() + " " + error);
            std::cout << path.toStdString() << std::endl;
            return kExitOk;
        }
        const auto folder = defaultBackupFolder();
        if (folder.empty())
            return commandFailed("backup", "no folder for backups (HOME or APPDATA is not set); use --out FILE");
        const SaveOutcome saved = saveBackup(folder, unit);
        switch (saved.kind) {
        case SaveOutcome::Kind::Failed: return commandFailed("backup", backupFailedText() + " " + saved.error);
        case SaveOutcome::Kind::SameAsNewest:
            std::cout << saved.path.string() << " (unchanged since this backup)" << std::endl;
            return kExitOk;
        case SaveOutcome::Kind::Written: break;
        }
        std::cout << saved.path.string() << std::endl;
        return kExitOk;
    });
}

int runRestore(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes a backup's settings, map and axes to the unit and stores the map, then "
        "reads them back to check. The whole file is checked before anything is sent; a "
        "fault is reported as FILE:LINE: what, with exit status 3. A backup of "
        "another device type is refused. Before writing, the unit as it was is saved to "
        "the backup folder (see backup); when that save fails nothing is written, unless "
        "--no-backup is given. Ctrl+C while writing takes effect once the writes are done."));
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("The backup to write."),
                                 QStringLiteral("FILE"));
    const QCommandLineOption noBackup(QStringLiteral("no-backup"),
                                      QStringLiteral("Write even when the unit as it was cannot be backed up."));
    parser.addOption(noBackup);
    const DeviceOptions options = addDeviceOptions(parser);
    if (const int status = parseArguments(parser, arguments, "restore", 1); status >= 0) return status;
    const QString path = parser.positionalArguments().first();
    UnitFile file;
    if (const int status = readUnitFile(path, file); status != kExitOk) return status;
    if (!file.isBackup)
        return badFile(path, "not a backup (the first line is not '" + std::string(kBackupMagic) +
                                 "'); load-map writes a map file");
    const Snapshot& wanted = file.backup.unit;

    return runGuarded("restore", [&] {
        auto session = connectUnit(parser, options);
        CLPGDevice& device = session->device;
        if (!device.isConnected()) return kExitFailure;
        Snapshot before;
        if (!readUnit(device, "restore", before)) return kExitFailure;
        if (before.deviceType != wanted.deviceType)
            return commandFailed("restore", "the backup is of device type " + hexText(wanted.deviceType, 2) +
                                                ", the unit is " + hexText(before.deviceType, 2) +
                                                "; nothing written");
        if (before.version != wanted.version)
            std::cerr << "velmora-cli restore: note: the backup was made with firmware "
                      << hexText(wanted.version, 4) << ", the unit runs " << hexText(before.version, 4)
                      << std::endl;
        // What the unit held, so this restore can be undone with another.
        const SaveOutcome saved = saveBackup(defaultBackupFolder(), before);
        if (saved.kind == SaveOutcome::Kind::Failed) {
            // The promise is that a restore can be undone: without its backup, only on request.
            if (!parser.isSet(noBackup))
                return commandFailed("restore", backupFailedText() + " " + saved.error +
                                                    "; nothing written (--no-backup writes anyway)");
            std::cerr << "velmora-cli restore: warning: the unit as it was is not backed up: " << saved.error
                      << std::endl;
        } else
            std::cerr << "velmora-cli restore: the unit as it was: " << saved.path.string() << std::endl;

        // As the window writes: the settings record (which carries the map along),
        // the map on its own, the store, then the axes.
        applySnapshot(wanted, device.state());
        const UnitWrites writes("restore", "the unit may hold part of the backup; run restore again");
        if (!device.writeSettings()) return commandFailed("restore", "writing the settings failed; nothing else sent");
        if (!device.writeMap()) return commandFailed("restore", "writing the map failed (the settings were written)");
        if (!device.storeMap())
            return commandFailed("restore", "storing the map failed (the unit works with it until switched off)");
        if (!device.writeAxes()) return commandFailed("restore", "writing the axes failed (settings and map were written)");

        Snapshot after;
        if (!readUnit(device, "restore", after)) return kExitFailure;
        const auto left = compareSnapshots(after, wanted, CompareScope::SettingsMapAndAxes);
        for (const Difference& d : left)
            std::cerr << "velmora-cli restore: " << itemName(d, after) << ": unit " << d.leftText << ", backup "
                      << d.rightText << std::endl;
        if (!left.empty()) return commandFailed("restore", "the unit does not hold what was written");
        return kExitOk;
    });
}

const CommandRegistrar regDiff{{"diff", "Compare the unit with a map file or backup (exit 4: differs)", &runDiff}};
const CommandRegistrar regBackup{{"backup", "Save the unit's settings, map and axes to a backup file", &runBackup}};
const CommandRegistrar regRestore{{"restore", "Write a backup's settings, map and axes to the unit", &runRestore}};

} // namespace

} // namespace velmora::cli
