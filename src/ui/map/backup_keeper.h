// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Automatic backups of what the unit holds: on every connection, and right before
// a firmware update, a Clear and a file write. Each is a time-stamped file in the
// user's data folder (AppDataLocation/backups); a copy identical to the newest is
// not made again. The link controller calls onConnected with what it read.

#include "ui/map/model/map_document.h"

#include "device/device_state.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <vector>

namespace velmora {

class CBackupKeeper : public QObject {
    Q_OBJECT
public:
    enum Reason { kOnConnect, kBeforeFirmware, kBeforeClear, kBeforeFileWrite };

    struct Entry {
        QString path;
        QDateTime when;
        std::uint16_t version = 0;
        std::uint8_t deviceType = 0;
        UnitContent content;
    };

    // folder empty: AppDataLocation + "/backups".
    explicit CBackupKeeper(QObject* parent = nullptr, QString folder = {});

    QString folder() const { return m_folder; }

    // Each returns the file written, or empty when the newest backup already holds
    // the same or the save failed (lastError says why).
    QString onConnected(const DeviceState& state);
    QString beforeFirmwareUpdate(const DeviceState& state);
    // Before the window changes the unit: content as the document holds it, with
    // the version and type last seen on connection.
    QString beforeChange(const UnitContent& content, Reason reason);

    // Newest first; unreadable files are left out.
    std::vector<Entry> list() const;
    QString lastError() const { return m_lastError; }

signals:
    // A backup could not be written (full disk, no rights); English, with the path.
    void saveFailed(const QString& error);

private:
    QString save(const DeviceState& state, Reason reason);

    QString m_folder;
    DeviceState m_lastSeen;
    QString m_lastError;
};

} // namespace velmora
