// SPDX-License-Identifier: GPL-3.0-or-later
#include "backup_keeper.h"

#include "compare_dialog.h"

#include "mapfile/backup_store.h"

#include <QStandardPaths>
#include <QTimeZone>

#include <filesystem>

namespace velmora {

namespace {

std::filesystem::path pathOf(const QString& folder)
{
    return std::filesystem::path(folder.toStdU16String());
}

} // namespace

CBackupKeeper::CBackupKeeper(QObject* parent, QString folder)
    : QObject(parent), m_folder(std::move(folder))
{
    if (m_folder.isEmpty())
        m_folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
            + QStringLiteral("/backups");
}

QString CBackupKeeper::onConnected(const DeviceState& state)
{
    m_lastSeen = state;
    return save(state, kOnConnect);
}

QString CBackupKeeper::beforeFirmwareUpdate(const DeviceState& state)
{
    m_lastSeen = state;
    return save(state, kBeforeFirmware);
}

QString CBackupKeeper::beforeChange(const UnitContent& content, Reason reason)
{
    DeviceState state = m_lastSeen;
    applyContent(content, state);
    return save(state, reason);
}

QString CBackupKeeper::save(const DeviceState& state, Reason)
{
    m_lastError.clear();
    const mapfile::SaveOutcome outcome = mapfile::saveBackup(pathOf(m_folder), mapfile::snapshotFrom(state));
    switch (outcome.kind) {
    case mapfile::SaveOutcome::Kind::Written:
        return QString::fromStdU16String(outcome.path.u16string());
    case mapfile::SaveOutcome::Kind::SameAsNewest:
        return {};
    case mapfile::SaveOutcome::Kind::Failed:
        break;
    }
    m_lastError = QString::fromStdString(outcome.error);
    emit saveFailed(m_lastError);
    return {};
}

std::vector<CBackupKeeper::Entry> CBackupKeeper::list() const
{
    std::vector<Entry> entries;
    for (const mapfile::BackupEntry& found : mapfile::listBackups(pathOf(m_folder))) {
        if (!found.backup)
            continue;
        Entry e;
        e.path = QString::fromStdU16String(found.path.u16string());
        e.when = QDateTime::fromSecsSinceEpoch(found.backup->saved.time_since_epoch().count(),
                                               QTimeZone::utc());
        e.version = found.backup->unit.version;
        e.deviceType = found.backup->unit.deviceType;
        e.content = contentOf(found.backup->unit);
        entries.push_back(std::move(e));
    }
    return entries;
}

} // namespace velmora
