// SPDX-License-Identifier: GPL-3.0-or-later
// The window's side of the link: it shows what the controller reports, as it is.
// Readings that stopped coming are shown as stale, controls that would write to a
// unit that cannot take it are disabled, and every question is asked here.

#include "velmora_dlg.h"

#include "ui/map/backup_keeper.h"
#include "ui/map/map_actions.h"
#include "ui/widgets/reading_field.h"
#include "readings.h"
#include "firmware_prompt.h"
#include "window_layout.h"

#include "device/messages.h"
#include "firmware/firmware_update.h"
#include "lang/translate.h"
#include "link/link_controller.h"
#include "ui/chart/scroll_chart.h"
#include "ui/map/cell_array.h"
#include "ui/recording/recording_control.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include <cmath>
#include <limits>

namespace velmora {

namespace {

QString qs(const std::wstring& text) { return QString::fromStdWString(text); }

// Ctrl+Up and Ctrl+Down step the map's values, which only makes sense when the
// steps reach the unit: while it cannot be written the keys are taken here.
class WriteGuard : public QObject {
public:
    WriteGuard(const IUnitWriter& writer, QWidget* window, QObject* parent)
        : QObject(parent), m_writer(writer), m_window(window) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->window() == m_window) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->modifiers().testFlag(Qt::ControlModifier) &&
                (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) && !m_writer.canWrite())
                return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    const IUnitWriter& m_writer;
    QWidget* m_window;
};

// Questions with Yes or No preselected (MB_DEFBUTTON2 picks No), with the question icon.
constexpr unsigned kAskYesFirst = 0x24;
constexpr unsigned kAskNoFirst = MB_YESNO_DEFNO | 0x20;

// What the person should do about a failure on port.
std::wstring portAdvice()
{
    return translate(L"Port %1: sprawdź przewód i zasilanie sterownika, potem spróbuj ponownie.");
}

std::wstring withPort(const std::wstring& text, const QString& port)
{
    if (port.isEmpty())
        return text;
    return text + L"\n" + qs(portAdvice()).arg(port).toStdWString();
}

} // namespace

void CVelmoraDlg::connectLink()
{
    QObject::connect(&m_link, &CLinkController::statusChanged, this, &CVelmoraDlg::onLinkStatus);
    QObject::connect(&m_link, &CLinkController::unitDataChanged, this, &CVelmoraDlg::onUnitData);
    QObject::connect(&m_link, &CLinkController::readingsArrived, this, &CVelmoraDlg::onReadings);
    QObject::connect(&m_link, &CLinkController::message, this, &CVelmoraDlg::onLinkMessage);
    QObject::connect(&m_link, &CLinkController::bootloaderFound, this, &CVelmoraDlg::onBootloaderFound);
    QObject::connect(&m_link, &CLinkController::downgradeQuestion, this, &CVelmoraDlg::onDowngradeQuestion);
    QObject::connect(&m_link, &CLinkController::programmingProgress, this,
                     &CVelmoraDlg::onProgrammingProgress);
    QObject::connect(&m_link, &CLinkController::programmingFinished, this,
                     &CVelmoraDlg::onProgrammingFinished);
}

void CVelmoraDlg::installWriteGuard()
{
    qApp->installEventFilter(new WriteGuard(m_link.unitWriter(), window(), this));
}

QList<QWidget*> CVelmoraDlg::writeControls() const
{
    QList<QWidget*> list;
    for (int id : {ctl::SpinRpmDivider, ctl::SpinNoiseDelta, ctl::SpinNoisePeriod, ctl::ClearMap,
                   ctl::Firmware, ctl::RpmDivider, ctl::NoiseDelta, ctl::NoisePeriod})
        if (QWidget* w = control(id))
            list.append(w);
    if (m_mapGrid)
        list.append(m_mapGrid);
    return list;
}

void CVelmoraDlg::updateWriteControls()
{
    const bool can = m_link.canWrite();
    for (QWidget* w : writeControls())
        w->setEnabled(can);
    if (m_actions)
        m_actions->setWritable(can);
}

// ---- link state ----

void CVelmoraDlg::onLinkStatus(const LinkStatus& status)
{
    const LinkState before = m_linkStatus.state;
    m_linkStatus = status;
    switch (status.state) {
    case LinkState::Connected:
        if (before != LinkState::Connected) {
            m_backupDue = true;
            // A recording goes on into the same file after a loss.
            if (m_everConnected)
                m_recording->linkRestored(status.port);
            else
                m_recording->setPort(status.port);
        }
        m_statusText = translate(m_everConnected ? L"CONNECTED" : L"POŁĄCZONY");
        m_everConnected = true;
        m_afterProgramming = false;
        break;
    case LinkState::Lost:
        if (before == LinkState::Connected)
            m_recording->linkLost();
        m_statusText = translate(m_afterProgramming ? L"BRAK KOMUNIKACJI" : L"BRAK POŁĄCZENIA");
        break;
    case LinkState::Disconnected:
        m_statusText = translate(L"BRAK KOMUNIKACJI");
        break;
    case LinkState::Programming:
        m_statusText = translate(L"Aktualizacja firmware");
        break;
    case LinkState::Connecting:
        // Trying the lost unit again is still a lost link.
        if (!m_everConnected)
            m_statusText = translate(L"BRAK KOMUNIKACJI");
        break;
    }
    if (status.state != LinkState::Connected) {
        m_recent.clear();
        showStale(true);
    }
    if (auto* label = qobject_cast<QLabel*>(control(ctl::Status)))
        label->setText(qs(m_statusText));
    updateWriteControls();
}

void CVelmoraDlg::onUnitData(const DeviceState& state)
{
    m_state = state;
    showDeviceData();
    // The first data after a connection is the whole unit: kept before anything changes it.
    if (m_backupDue && m_backups) {
        m_backupDue = false;
        m_backups->onConnected(state);
    }
}

void CVelmoraDlg::onReadings(const QList<CDiag>& samples)
{
    for (const CDiag& d : samples) {
        m_recent.push_back(d);
        m_recording->addSample(d);
    }
    while (m_recent.size() > 2)
        m_recent.pop_front();
    if (!samples.isEmpty())
        m_lastSampleAt = std::chrono::steady_clock::now();
}

// ---- refresh ----

void CVelmoraDlg::showStale(bool stale)
{
    if (stale && !m_readingsStale) {
        // The engine's cell is not known any more either.
        const CellPos current = m_map.currentCell();
        m_map.cell(current.column, current.row).setCurrent(false);
        if (m_mapGrid)
            m_mapGrid->update();
    }
    m_readingsStale = stale;
    struct Field {
        int id;
        std::wstring* text;
    };
    const Field fields[] = {{ctl::InputVolts, &m_inputVoltsText}, {ctl::OutputVolts, &m_outputVoltsText},
                            {ctl::PumpVolts, &m_pumpText},        {ctl::Rpm, &m_rpmText},
                            {ctl::WorkState, &m_workStateText}};
    for (const Field& f : fields) {
        QWidget* w = control(f.id);
        if (!w)
            continue;
        w->setEnabled(!stale);
        if (stale) {
            *f.text = QString::fromUtf8(kNoValue).toStdWString();
            if (auto* field = qobject_cast<CReadingField*>(w))
                field->setText(QString::fromUtf8(kNoValue));
        }
    }
    // The chart's line ends where the readings stopped; it does not bridge the gap.
    if (stale && m_chart && m_chartStopped == 0 && !m_chartGapMarked) {
        // Time goes on along the chart's seconds, so the break shows as one.
        m_chart->addGap();
        m_chartLog.addGap(std::chrono::system_clock::now());
        ++m_chartSampleCounter;
        m_chart->updateChart();
    }
    if (stale)
        m_chartGapMarked = true;
}

void CVelmoraDlg::refreshReadings()
{
    const bool fresh = m_linkStatus.state == LinkState::Connected && !m_recent.empty() &&
                       std::chrono::steady_clock::now() - m_lastSampleAt <= kStaleAfter;
    if (!fresh) {
        showStale(true);
        return;
    }
    const CDiag& newest = m_recent.back();
    const ReadingTexts texts = readingTexts(newest);
    m_inputVoltsText = texts.inputVolts;
    m_outputVoltsText = texts.outputVolts;
    m_pumpText = texts.pumpVolts;
    m_rpmText = texts.rpm;
    m_workStateText = texts.workState;
    if (m_readingsStale)
        for (int id : {ctl::InputVolts, ctl::OutputVolts, ctl::PumpVolts, ctl::Rpm, ctl::WorkState})
            control(id)->setEnabled(true);
    m_readingsStale = false;
    markCurrentCell(rpmFromPeriod(newest.rpmPeriod), pumpVolts(newest));
    updateData(false);
    if (m_chartStopped == 0)
        feedChart();
}

void CVelmoraDlg::feedChart()
{
    // One point per tick: the second newest sample.
    if (m_recent.size() < 2)
        return;
    const CDiag& sample = m_recent[m_recent.size() - 2];
    if (m_chart) {
        const ChartValues values = chartValues(sample);
        const auto x = static_cast<float>(m_chartSampleCounter);
        m_chart->addPoint(0, x, values.input, false);
        m_chart->addPoint(1, x, values.output, false);
        m_chart->addPoint(2, x, values.pump, false);
        m_chartLog.add(std::chrono::system_clock::now(), sample, m_linkStatus.port.toStdString());
    }
    ++m_chartSampleCounter;
    m_chartGapMarked = false;
    if (m_chart)
        m_chart->updateChart();
}

// ---- messages and questions ----

void CVelmoraDlg::onLinkMessage(const LinkMessage& message)
{
    ++m_flash.messages;
    if (!m_messages)
        return;
    m_messages->showDetailed(withPort(message.text.toStdWString(), m_linkStatus.port),
                             message.detail.toStdWString(), kCaption, message.style);
}

void CVelmoraDlg::onBootloaderFound(const QString& port)
{
    if (m_asking || m_closing)
        return;
    m_asking = true;
    // With the file used last at hand (a cut update), one answer finishes the job.
    const std::filesystem::path last = lastFirmwareFile();
    if (!last.empty()) {
        const int answer = reportMessage(m_messages, finishUpdateQuestion(port, firmwareFileVersion(last), last),
                                         kCaption, kAskYesFirst);
        if (answer == ID_YES)
            startFirmwareUpdate(last, true, port, false);
        else
            OnClickedBtnDeviceUpdate(true, port);
        m_asking = false;
        return;
    }
    reportMessage(m_messages,
                  translate(L"Sterownik nie jest poprawnie zaprogramowany i wymaga przeprogramowania.") + L"\n" +
                      qs(translate(L"Port: %1")).arg(port).toStdWString(),
                  kCaption, MB_INFO);
    OnClickedBtnDeviceUpdate(true, port);
    m_asking = false;
}

void CVelmoraDlg::OnClickedBtnDeviceUpdate(bool forced, const QString& port)
{
    IFirmwareUI& ui = m_firmwareUiOverride ? *m_firmwareUiOverride : m_firmwareUi;
    if (!forced && m_state.deviceType != kDeviceType) {
        reportMessage(m_messages, translate(L"Nie powiodło się zaprogramowanie urządzenia!"), kCaption, MB_ERROR);
        return;
    }
    // The dialog opens on the file used last, selected, when it is still there.
    const std::filesystem::path last = lastFirmwareFile();
    const std::filesystem::path path = ui.chooseFile(last.empty() ? CFirmwareUpdate::defaultFirmwareFolder() : last,
                                                     translate(L"Firmware files (*.afm)|*.afm|"), L"afm");
    if (path.empty()) {
        if (forced)
            m_link.declineBootloader(port);
        return;
    }
    startFirmwareUpdate(path, forced, port, true);
}

void CVelmoraDlg::startFirmwareUpdate(const std::filesystem::path& path, bool forced, const QString& port, bool ask)
{
    IFirmwareUI& ui = m_firmwareUiOverride ? *m_firmwareUiOverride : m_firmwareUi;
    const std::optional<std::uint16_t> version = firmwareFileVersion(path);
    // A file that cannot be read is refused by the update itself, which says why.
    if (ask && version) {
        const std::optional<std::uint16_t> unit = forced ? std::nullopt : std::optional(m_state.version);
        if (reportMessage(m_messages, firmwareQuestion(unit, port, *version, path), kCaption, kAskNoFirst) != ID_YES) {
            if (forced)
                m_link.declineBootloader(port);
            return;
        }
    }
    rememberFirmwareFile(path);
    // What the unit holds now, in case the new firmware does not keep it.
    if (!forced && m_backups)
        m_backups->beforeFirmwareUpdate(m_state);
    m_flash = FlashRun{};
    m_flash.running = true;
    m_flash.file = path;
    m_flash.version = version;
    m_flash.started.start();
    ui.setBusy(true);
    // The question about an older file was asked above.
    m_link.programFirmware(QString::fromStdWString(path.wstring()), forced, version.has_value());
}

void CVelmoraDlg::onDowngradeQuestion(const QString& file, bool forced)
{
    IFirmwareUI& ui = m_firmwareUiOverride ? *m_firmwareUiOverride : m_firmwareUi;
    ui.setBusy(false);
    const int answer = reportMessage(
        m_messages,
        translate(L"Wersja sterownika jest nowsza niż wersja pliku firmware. Czy chcesz zaprogramować sterownik starszą wersją?"),
        kCaption, MB_YESNO_DEFNO);
    if (answer == ID_YES) {
        ui.setBusy(true);
        m_link.programFirmware(file, forced, true);
    } else if (forced) {
        m_link.declineBootloader(m_linkStatus.port);
    }
}

void CVelmoraDlg::onProgrammingProgress(unsigned written, unsigned total)
{
    IFirmwareUI& ui = m_firmwareUiOverride ? *m_firmwareUiOverride : m_firmwareUi;
    m_flash.written = written;
    m_flash.total = total;
    ui.progress(written, total);
    if (m_flash.closeAsked)
        showCloseWait();
}

int CVelmoraDlg::flashSecondsLeft() const
{
    if (!m_flash.started.isValid() || m_flash.written == 0 || m_flash.total <= m_flash.written)
        return 5; // writing has not begun, or only the reconnection is left
    const double perRow = double(m_flash.started.elapsed()) / 1000.0 / m_flash.written;
    return int(std::ceil(perRow * (m_flash.total - m_flash.written))) + 3;
}

bool CVelmoraDlg::holdCloseWhileProgramming()
{
    if (!m_flash.running)
        return false;
    m_flash.closeAsked = true;
    showCloseWait();
    return true;
}

void CVelmoraDlg::showCloseWait()
{
    m_closeNotice = qs(closeWaitsText(flashSecondsLeft()));
    m_firmwareUi.setNotice(m_closeNotice);
    emit statusMessage(m_closeNotice);
}

void CVelmoraDlg::onProgrammingFinished(bool programmed)
{
    IFirmwareUI& ui = m_firmwareUiOverride ? *m_firmwareUiOverride : m_firmwareUi;
    ui.setBusy(false);
    m_afterProgramming = !programmed && m_linkStatus.state != LinkState::Connected;
    updateWriteControls();
    if (!m_flash.running)
        return;
    const FlashRun run = m_flash;
    m_flash = FlashRun{};
    m_closeNotice.clear();
    m_firmwareUi.setNotice({});
    if (programmed && run.closeAsked) {
        // Asked to close while it ran: now it may.
        finish();
        return;
    }
    if (programmed)
        reportMessage(m_messages, firmwareDoneText(run.version, run.file, run.started.elapsed() / 1000.0), kCaption,
                      MB_INFO);
    else if (run.messages == 0)
        reportMessage(m_messages, firmwareFailedText(), kCaption, MB_ERROR);
}

} // namespace velmora
