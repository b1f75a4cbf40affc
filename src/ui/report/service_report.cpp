// SPDX-License-Identifier: GPL-3.0-or-later
#include "service_report.h"

#include "report_form.h"

#include "lang/translate.h"
#include "link/link_controller.h"
#include "mapfile/backup_store.h"
#include "report_qt/report_writer.h"
#include "ui/map/backup_keeper.h"

#include <QAction>
#include <QCryptographicHash>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLocale>
#include <QMessageBox>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QStandardPaths>
#include <QTextDocument>
#include <QTimer>
#include <QToolBar>

#include <utility>

namespace velmora {

namespace {

QString qs(const std::wstring& text) { return QString::fromStdWString(text); }
std::string u8(const QString& text) { return text.toStdString(); }

// The unit's answer to a re-read comes within a second on a sound link.
constexpr int kRereadTimeoutMs = 5000;
// Backups saved this long before the connection was seen still belong to the visit.
constexpr qint64 kVisitSlackSeconds = 5;

QString sha256Of(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&file);
    return QString::fromLatin1(hash.result().toHex());
}

std::optional<mapfile::Backup> readBackupFile(const QString& path, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = path + QStringLiteral(": ") + file.errorString();
        return std::nullopt;
    }
    const QByteArray bytes = file.read(1 << 20);
    mapfile::Backup backup;
    if (const auto problem = mapfile::readBackup(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), backup)) {
        error = QStringLiteral("%1:%2: %3").arg(path).arg(problem->line).arg(QString::fromStdString(problem->message));
        return std::nullopt;
    }
    return backup;
}

} // namespace

CServiceReport::CServiceReport(CLinkController& link, CBackupKeeper& backups, Sources sources, QWidget* window)
    : QObject(window), m_link(link), m_backups(backups), m_sources(std::move(sources)), m_window(window),
      m_action(new QAction(qs(translate(L"Raport serwisowy…")), this))
{
    connect(m_action, &QAction::triggered, this, &CServiceReport::run);
    connect(&m_link, &CLinkController::connected, this,
            [this](const QString& port, quint16 version, quint8) { onConnected(port, version); });
    connect(&m_link, &CLinkController::lost, this, [this] {
        m_connected = false;
        m_keepBefore = true;
    });
    connect(&m_link, &CLinkController::disconnected, this, [this] {
        m_connected = false;
        m_keepBefore = false;
    });
    connect(&m_link, &CLinkController::unitDataChanged, this, &CServiceReport::onUnitData);
    connect(&m_link, &CLinkController::healthChanged, this,
            [this](const LinkHealthFigures& figures) { m_health = figures; });
    connect(&m_link, &CLinkController::portsChanged, this, [this](const QList<PortEntry>& ports) {
        for (const PortEntry& p : ports) m_adapters[p.name] = p.description;
    });
    connect(&m_link, &CLinkController::programmingStarted, this,
            [this](const QString& file) { m_firmwareFile = file; });
    connect(&m_link, &CLinkController::programmingFinished, this, [this](bool programmed) {
        report::FirmwareUpdate update;
        update.fileName = u8(QFileInfo(m_firmwareFile).fileName());
        update.sha256 = u8(sha256Of(m_firmwareFile));
        update.versionBefore = update.versionAfter = m_version;
        update.succeeded = programmed;
        m_firmware.push_back(std::move(update));
        // The unit starts its new firmware and the link comes back with its version.
        m_versionAfterDue = programmed;
        m_keepBefore = true;
    });
}

void CServiceReport::onConnected(const QString& port, quint16 version)
{
    // A link that comes back after a cable pull or a firmware update is the same
    // visit; a new connection after Disconnect (or the first) starts one.
    if (!m_keepBefore || port != m_port) {
        m_awaitBefore = true;
        m_firmware.clear();
        m_visitStart = QDateTime::currentDateTimeUtc();
    }
    if (m_versionAfterDue && !m_firmware.empty()) m_firmware.back().versionAfter = version;
    m_versionAfterDue = false;
    m_keepBefore = false;
    m_connected = true;
    m_port = port;
    m_version = version;
}

void CServiceReport::onUnitData(const DeviceState& state)
{
    if (m_awaitBefore) {
        // The backup keeper saved this state (or found it in the newest backup) first.
        m_awaitBefore = false;
        const auto backups = mapfile::listBackups(m_backups.folder().toStdWString());
        m_beforePath = backups.empty() ? QString() : QString::fromStdU16String(backups.front().path.u16string());
    }
    if (m_onNextData) std::exchange(m_onNextData, nullptr)(state);
}

report::ReportInput CServiceReport::input(const Details& details, const mapfile::Backup& before,
                                          const mapfile::Snapshot& after) const
{
    report::ReportInput in;
    QStringList vehicle;
    for (const QString& part : {details.registration, details.vehicle, details.odometer})
        if (!part.trimmed().isEmpty()) vehicle << part.trimmed();
    in.details = {u8(details.workshop.trimmed()), u8(details.technician.trimmed()),
                  u8(vehicle.join(QStringLiteral(", "))), u8(details.customer.trimmed()), u8(details.notes.trimmed())};
    in.dateTime = u8(report::dateTimeText(QDateTime::currentDateTime()));
    in.port = u8(m_port);
    in.adapter = u8(m_adapters.value(m_port));
    in.beforeName = u8(QFileInfo(details.beforePath).fileName()) + " (" + mapfile::formatUtc(before.saved) + ")";
    in.before = before.unit;
    in.after = after;
    in.firmwareUpdates = m_firmware;
    if (m_sources.recentSamples) in.readings = report::readingFigures(m_sources.recentSamples());
    if (m_health) in.link = report::LinkFigures{m_health->readingsPerSecond, static_cast<int>(m_health->failures)};

    // Oldest first, from the one taken at the connection on.
    const auto backups = mapfile::listBackups(m_backups.folder().toStdWString());
    for (auto it = backups.rbegin(); it != backups.rend(); ++it) {
        const QString path = QString::fromStdU16String(it->path.u16string());
        const bool inVisit = it->backup && m_visitStart.isValid() &&
                             it->backup->saved.time_since_epoch().count() >=
                                 m_visitStart.toSecsSinceEpoch() - kVisitSlackSeconds;
        if (inVisit || path == m_beforePath) in.backupsWritten.push_back(u8(QFileInfo(path).fileName()));
    }
    return in;
}

std::optional<mapfile::Snapshot> CServiceReport::rereadUnit()
{
    if (!m_connected) return std::nullopt;
    std::optional<mapfile::Snapshot> after;
    QEventLoop loop;
    m_onNextData = [&](const DeviceState& state) {
        after = mapfile::snapshotFrom(state);
        loop.quit();
    };
    QTimer::singleShot(kRereadTimeoutMs, &loop, &QEventLoop::quit);
    connect(&m_link, &CLinkController::lost, &loop, &QEventLoop::quit);
    m_link.reread();
    loop.exec();
    m_onNextData = nullptr;
    return after;
}

void CServiceReport::run()
{
    Details details;
    details.beforePath = m_beforePath;
    if (!askDetails(details)) return;

    QString error;
    const auto before = readBackupFile(details.beforePath, error);
    if (!before) {
        QMessageBox::warning(m_window, m_action->text(),
                             qs(translate(L"Nie można odczytać kopii zapasowej „przed”. Wybierz inną kopię.")) +
                                 QStringLiteral("\n\n") + error);
        return;
    }
    const auto after = rereadUnit();
    if (!after) {
        QMessageBox::warning(m_window, m_action->text(),
                             qs(translate(L"Raport potrzebuje sterownika w obecnym stanie: połącz sterownik i spróbuj ponownie.")));
        return;
    }
    const QImage chart = m_sources.chartPicture ? m_sources.chartPicture() : QImage();
    report::ReportInput in = input(details, *before, *after);
    if (!chart.isNull()) in.chartPicture = "chart";
    m_document = report::buildReport(in);
    preview(m_document, chart);
}

bool CServiceReport::askDetails(Details& details)
{
    CReportForm form(m_backups.folder(), m_window);
    form.setBefore(details.beforePath);
    if (form.exec() != QDialog::Accepted) return false;
    details = form.details();
    return !details.beforePath.isEmpty();
}

void CServiceReport::preview(const report::Document& document, const QImage& chart)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(report::pageSizeFor(QLocale::system()));
    printer.setDocName(QString::fromStdString(document.title));
    QPrintPreviewDialog dialog(&printer, m_window);
    dialog.setWindowTitle(QString::fromStdString(document.title));
    connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
            [&](QPrinter* target) { report::layOut(document, chart)->print(target); });

    const auto save = [&](const QString& suffix, const QString& filter) {
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        const QString name = QStringLiteral("report-%1.%2")
                                 .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmm")), suffix);
        const QString path = QFileDialog::getSaveFileName(&dialog, m_action->text(), QDir(folder).filePath(name), filter);
        if (path.isEmpty()) return;
        QString error;
        if (!report::writeReport(path, document, chart, report::pageSizeFor(QLocale::system()), error))
            QMessageBox::warning(&dialog, m_action->text(),
                                 qs(translate(L"Nie można zapisać raportu. Wybierz inny folder lub zwolnij miejsce na dysku.")) +
                                     QStringLiteral("\n\n") + error);
    };
    if (auto* bar = dialog.findChild<QToolBar*>()) {
        bar->addSeparator();
        bar->addAction(qs(translate(L"Zapisz jako PDF…")), &dialog,
                       [&] { save(QStringLiteral("pdf"), QStringLiteral("PDF (*.pdf)")); });
        bar->addAction(qs(translate(L"Zapisz jako HTML…")), &dialog,
                       [&] { save(QStringLiteral("html"), QStringLiteral("HTML (*.html *.htm)")); });
    }
    dialog.exec();
}

} // namespace velmora
