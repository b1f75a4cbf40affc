#include "backup_keeper.h"

#include <QStandardPaths>

namespace velmora {

CBackupKeeper::CBackupKeeper(QObject* parent, QString folder)
    : QObject(parent), m_folder(std::move(folder))
{
    if (m_folder.isEmpty())
        m_folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
            + QStringLiteral("/backups");
}
// PENDING-MAPFILE
QString CBackupKeeper::onConnected(const DeviceState& state) { m_lastSeen = state; return {}; }
QString CBackupKeeper::beforeFirmwareUpdate(const DeviceState&) { return {}; }
QString CBackupKeeper::beforeChange(const UnitContent&, Reason) { return {}; }
std::vector<CBackupKeeper::Entry> CBackupKeeper::list() const { return {}; }
QString CBackupKeeper::save(const DeviceState&, Reason) { return {}; }

} // namespace velmora
