// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// File > Service report…: keeps track of what a visit did (the unit as connected,
// firmware updates, backups, link health), asks for the workshop's and vehicle's
// details, reads the unit again and shows the report in a print preview with
// Print, Save as PDF and Save as HTML.

#include "link/link_health.h"
#include "link/link_types.h"
#include "mapfile/backup_file.h"
#include "report/report_content.h"

#include "acquisition/diag.h"
#include "device/device_state.h"

#include <QDateTime>
#include <QImage>
#include <QObject>
#include <QString>

#include <QHash>

#include <functional>
#include <optional>
#include <vector>

class QAction;
class QWidget;

namespace velmora {

class CBackupKeeper;
class CLinkController;

class CServiceReport : public QObject {
    Q_OBJECT
public:
    // What the window shows now: the chart's samples of the last minutes and its picture.
    struct Sources {
        std::function<std::vector<CDiag>()> recentSamples;
        std::function<QImage()> chartPicture;
    };

    CServiceReport(CLinkController& link, CBackupKeeper& backups, Sources sources, QWidget* window);

    QAction* action() const { return m_action; }

    // The form's fields, also what is remembered between reports.
    struct Details {
        QString workshop, technician, registration, vehicle, odometer, customer, notes;
        QString beforePath; // the backup the report starts from
    };
    // The report's input from the details, the backup "before" and the unit as
    // re-read (tests call it).
    report::ReportInput input(const Details& details, const mapfile::Backup& before,
                              const mapfile::Snapshot& after) const;
    // The backup taken when the unit was connected, or empty.
    QString connectionBackup() const { return m_beforePath; }

    void run();
    // The report last shown in the preview (tests).
    const report::Document& lastDocument() const { return m_document; }

private:
    void onConnected(const QString& port, quint16 version);
    void onUnitData(const DeviceState& state);
    bool askDetails(Details& details);
    std::optional<mapfile::Snapshot> rereadUnit();
    void preview(const report::Document& document, const QImage& chart);

    CLinkController& m_link;
    CBackupKeeper& m_backups;
    Sources m_sources;
    QWidget* m_window;
    QAction* m_action;

    QString m_port;
    QHash<QString, QString> m_adapters; // port -> adapter description
    quint16 m_version = 0;
    bool m_connected = false;
    bool m_keepBefore = false;  // a lost link came back: the visit goes on
    bool m_awaitBefore = false; // the next unit data is the unit as connected
    QString m_beforePath;
    QDateTime m_visitStart;
    std::optional<LinkHealthFigures> m_health;
    QString m_firmwareFile;
    std::vector<report::FirmwareUpdate> m_firmware;
    bool m_versionAfterDue = false;
    std::function<void(const DeviceState&)> m_onNextData;
    report::Document m_document;
};

} // namespace velmora
