#include "velmora_dlg.h"

#include "about_dlg.h"
#include "app_icon.h"
#include "backup_keeper.h"
#include "map_actions.h"
#include "setting_field.h"
#include "dialog_units.h"
#include "group_frame.h"
#include "readings.h"
#include "ui_font.h"
#include "up_down.h"
#include "window_layout.h"

#include "device/messages.h"
#include "firmware/firmware_update.h"
#include "lang/translate.h"
#include "ui/chart/scroll_chart.h"
#include "ui/map/map_grid.h"
#include "ui/map/map_key_router.h"
#include "ui/recording/chart_export.h"
#include "ui/recording/recording_control.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QThread>
#include <QToolButton>

namespace velmora {

namespace {

Qt::Alignment alignmentOf(TextAlign align)
{
    switch (align) {
    case TextAlign::Right: return Qt::AlignRight | Qt::AlignVCenter;
    case TextAlign::Centre: return Qt::AlignHCenter | Qt::AlignVCenter;
    case TextAlign::Left: break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

QString qs(const std::wstring& text)
{
    return QString::fromStdWString(text);
}

QString withoutMnemonic(const wchar_t* text)
{
    return QString::fromWCharArray(text).remove(QLatin1Char('&'));
}

// Holds the wait cursor for one scope.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { release(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
    void release()
    {
        if (m_held) {
            m_held = false;
            QApplication::restoreOverrideCursor();
        }
    }

private:
    bool m_held = true;
};

} // namespace

CVelmoraDlg::CVelmoraDlg(DeviceServices services, QWidget* parent)
    : QDialog(parent), CLPGDevice(services), m_icon(appIcon()), m_firmwareUi(this)
{
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("Emulator ciśnienia paliwa"));
    setFont(uiFont(9));
    createControls();
    connectHandlers();

    m_refreshTimer.setObjectName(QStringLiteral("2000"));
    m_reconnectTimer.setObjectName(QStringLiteral("2001"));
    QObject::connect(&m_refreshTimer, &QTimer::timeout, this, [this] { OnTimer(kRefreshTimer); });
    QObject::connect(&m_reconnectTimer, &QTimer::timeout, this, [this] { OnTimer(kReconnectTimer); });
}

CVelmoraDlg::~CVelmoraDlg()
{
    // The reading thread uses this object and calls back into it: it must be gone
    // before any part of the window is.
    stopDevice();
    setOwner(nullptr);
}

void CVelmoraDlg::createControls()
{
    const DialogBaseUnits units = dialogBaseUnits(font());
    setFixedSize(dialogToPixels(clientAreaDu(), units).size());

    CGroupFrame* readings = nullptr;
    for (const ControlTemplate& entry : mainWindowControls()) {
        const QString text = QString::fromUtf8(entry.text);
        QWidget* widget = nullptr;
        switch (entry.kind) {
        case ControlKind::Button: {
            // No default button: Enter presses only the button that has the focus
            // (keyPressEvent), never one the dialog picked.
            auto* button = new QPushButton(text, this);
            button->setAutoDefault(false);
            widget = button;
            break;
        }
        case ControlKind::Label: {
            auto* label = new QLabel(text, this);
            label->setTextFormat(Qt::PlainText);
            label->setAlignment(alignmentOf(entry.align));
            widget = label;
            break;
        }
        case ControlKind::Edit: {
            auto* edit = new QLineEdit(this);
            edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            // Filled with the window colour round its frame, a changed reading repaints
            // the field alone, not the group frame and window beneath it.
            edit->setAutoFillBackground(true);
            edit->setBackgroundRole(QPalette::Window);
            widget = edit;
            break;
        }
        case ControlKind::GroupBox:
            readings = new CGroupFrame(text, this);
            widget = readings;
            break;
        case ControlKind::Spin:
            widget = new CUpDown(this);
            break;
        }
        widget->setObjectName(entry.id >= 0 ? QString::number(entry.id) : QStringLiteral("V"));
        widget->setGeometry(dialogToPixels(withinMargin(entry.du), units));
        if (entry.hidden)
            widget->hide();
        if (entry.id >= 0)
            m_controls.insert(entry.id, widget);
    }
    // The frame is drawn under the readings it surrounds and never takes their clicks.
    if (readings)
        readings->lower();

    auto* status = qobject_cast<QLabel*>(control(ctl::Status));
    status->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    QFont statusFont = status->font();
    statusFont.setBold(true);
    status->setFont(statusFont);

    // No system menu to hang the About entry on: a "?" button in the free top strip.
    m_aboutButton = new QToolButton(this);
    m_aboutButton->setObjectName(QStringLiteral("about"));
    m_aboutButton->setText(QStringLiteral("?"));
    m_aboutButton->setToolTip(withoutMnemonic(kAboutEntry));
    m_aboutButton->setFocusPolicy(Qt::NoFocus);
    m_aboutButton->setGeometry(dialogToPixels(withinMargin(aboutButtonDu()), units));
    QObject::connect(m_aboutButton, &QToolButton::clicked, this, &CVelmoraDlg::showAbout);

    // Recording: Ctrl+R or the button in the hidden Nadpisuj button's place beside
    // Start and Stop; its status under the settings.
    m_recording = new CRecordingControl(this, messageBox());
    QPushButton* record = m_recording->createButton(this);
    record->setGeometry(dialogToPixels(withinMargin(QRect(106, 146, 50, 14)), units));
    QLabel* recordingStatus = m_recording->statusWidget();
    recordingStatus->setWordWrap(true);
    recordingStatus->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont small = font();
    small.setPointSizeF(font().pointSizeF() * 0.8);
    recordingStatus->setFont(small);
    recordingStatus->setGeometry(dialogToPixels(withinMargin(QRect(416, 324, 94, 34)), units));
    m_saveChartAction = createSaveChartDataAction(this, m_chartLog, messageBox());
}

void CVelmoraDlg::connectHandlers()
{
    const auto onClick = [this](int id, void (CVelmoraDlg::*handler)()) {
        QObject::connect(qobject_cast<QPushButton*>(control(id)), &QPushButton::clicked, this,
                [this, handler] { (this->*handler)(); });
    };
    onClick(ctl::Close, &CVelmoraDlg::OnBnClickedBtnClose);
    onClick(ctl::Start, &CVelmoraDlg::OnBnClickedBtnStart);
    onClick(ctl::Stop, &CVelmoraDlg::OnBnClickedBtnStop);
    onClick(ctl::Overwrite, &CVelmoraDlg::OnBnClickedBtnOverwrite);
    onClick(ctl::Firmware, &CVelmoraDlg::OnBnClickedBtnFirmware);
    onClick(ctl::Definition, &CVelmoraDlg::OnBnClickedBtnDefinition);
    onClick(ctl::ClearMap, &CVelmoraDlg::OnBnClickedBtnClrMapTime);

    const auto onStep = [this](int id, void (CVelmoraDlg::*handler)(int)) {
        QObject::connect(qobject_cast<CUpDown*>(control(id)), &CUpDown::stepped, this,
                [this, handler](int step) { (this->*handler)(step); });
    };
    onStep(ctl::SpinRpmDivider, &CVelmoraDlg::OnDeltaposSpinRpmDiv);
    onStep(ctl::SpinNoiseDelta, &CVelmoraDlg::OnDeltaposSpinNoiseDelta);
    onStep(ctl::SpinNoisePeriod, &CVelmoraDlg::OnDeltaposSpinNoisePeriod);
}

void CVelmoraDlg::OnInitDialog()
{
    if (m_initialised)
        return;
    m_initialised = true;

    m_windowFont = font();
    setFont(m_windowFont);
    createMapGrid();
    createMapEditing();
    setWindowIcon(m_icon);
    setOwner(this);
    createChart();
    // Arrow keys go to the map grid whichever control of this window has the focus.
    qApp->installEventFilter(new CMapKeyRouter(m_map, this, this));

    try {
        startConnection();
    } catch (const IError& error) {
        showErrorBox(L"CVelmoraDlg::OnInitDialog()", error);
    }
    translateCaptions();
    if (isConnected()) {
        m_recording->setPort(QString::fromStdString(port().portName()));
        m_statusText = translate(L"POŁĄCZONY");
        showDeviceData();
        if (m_backups)
            m_backups->onConnected(state());
        startReading();
    } else {
        m_statusText = translate(L"BRAK KOMUNIKACJI");
    }
    updateData(false);
}

int CVelmoraDlg::DoModal()
{
    OnInitDialog();
    // The program may have been asked to end while the unit was being looked for.
    if (m_closing)
        return result();
    return exec();
}

void CVelmoraDlg::createMapGrid()
{
    if (m_mapGrid)
        return;
    // The grid keeps 6 px on each side of a cell's text; its sixteen equal columns
    // must still show a whole RPM breakpoint and voltage, so the window font may be
    // taken in a narrower cut here.
    QWidget* placeholder = control(ctl::Map);
    const int room = placeholder->width() / (CCellGrid::kColumns + 1) - 2 * 6;
    const QFont gridFont =
        fitFont(m_windowFont, room, {QStringLiteral("8000"), QStringLiteral("15.36")});
    m_mapGrid = velmora::createMapGrid(placeholder, m_map, gridFont);
    m_mapGrid->setObjectName(QString::number(ctl::Map));
    m_controls.insert(ctl::Map, m_mapGrid);
    // Keep the grid's place in the tab order: after the RPM field, before Kasuj.
    QWidget::setTabOrder(control(ctl::Rpm), m_mapGrid);
}

void CVelmoraDlg::createChart()
{
    if (m_chart)
        return;
    QWidget* placeholder = control(ctl::Chart);
    const QRect rect = placeholder->geometry();
    delete placeholder;

    m_chart = new CScrollChart<float>(this);
    m_chart->setObjectName(QString::number(ctl::Chart));
    m_controls.insert(ctl::Chart, m_chart);
    m_chart->create(CScrollChartWidget::kStyleVisible | CScrollChartWidget::kStyleNotify, rect, this);
    m_chart->showGrid(true);
    m_chart->setMaxPoints(10000);
    // Input red, output blue, pump green; values are percent of 15 V, labels in volts.
    const std::uint32_t colours[] = {0x0000FA, 0xC80000, 0x00C800};
    for (int id = 0; id < 3; ++id)
        m_chart->addSeries(id, chartValueLabel, CRgb::fromColorRef(colours[id]), 0, 2, 1, 10.0f);
    // Percent of 15 V on the left in volts; one point per 100 ms tick at the bottom in seconds.
    m_chart->setAxes(CChartAxes{true, 15.0 / 100, L"V", 0.1, L"s"});
    m_chartLog.setLimit(10000);
}

void CVelmoraDlg::showDeviceData()
{
    m_edits.unitRead(state());
    showSettings();
    m_map.showDocument();
}

void CVelmoraDlg::showSettings()
{
    const UnitSettings& settings = m_document.settings();
    setEditText(ctl::RpmDivider, formatUnsigned(settings.rpmDivider));
    setEditText(ctl::NoiseDelta, formatUnsigned(settings.noiseDelta));
    setEditText(ctl::NoisePeriod, formatUnsigned(settings.noisePeriod));
}

void CVelmoraDlg::createMapEditing()
{
    if (m_actions)
        return;
    m_map.setEdits(&m_edits);
    m_edits.setReread([this] { rereadUnit(); });
    m_document.addListener([this](unsigned parts) {
        if (parts & CMapDocument::kSettings)
            showSettings();
    });
    m_backups = new CBackupKeeper(this);
    QObject::connect(m_backups, &CBackupKeeper::saveFailed, this, [this](const QString& error) {
        reportMessage(messageBox(),
                      translate(L"Nie udało się zapisać kopii zapasowej urządzenia.") + L"\n"
                          + error.toStdWString(),
                      kCaption, MB_ERROR);
    });
    m_actions = new CMapActions(m_map, m_edits, m_backups, this, messageBox(), this);
    // The shortcuts work while the menus live in the context menu.
    m_actions->addShortcutsTo(this);

    const auto edit = [this](int id) { return qobject_cast<QLineEdit*>(control(id)); };
    auto* fields = new CSettingsFields(edit(ctl::RpmDivider), edit(ctl::NoiseDelta),
                                       edit(ctl::NoisePeriod), m_document, messageBox(), this);
    QObject::connect(fields, &CSettingsFields::valueChosen, this, &CVelmoraDlg::changeSetting);
    QObject::connect(fields, &CSettingsFields::stepped, this, &CVelmoraDlg::stepSetting);
}

void CVelmoraDlg::setUnitWriter(IUnitWriter* writer)
{
    m_edits.setWriter(writer ? writer : &m_writer);
}

void CVelmoraDlg::rereadUnit()
{
    if (!isConnected())
        return;
    try {
        readSettings();
        readMap();
        readAxes();
    } catch (const IError&) {
        // What could be read is shown; the link's own handling deals with the rest.
    }
    m_document.setFromState(state());
}

void CVelmoraDlg::markCurrentCell(double rpm, double volts)
{
    m_map.markCurrentCell(rpm, volts);
}

void CVelmoraDlg::translateCaptions()
{
    setWindowTitle(qs(translate(L"Emulator ciśnienia paliwa")));
    setCaption(ctl::Close, translate(L"Zamknij"));
    setCaption(ctl::Start, translate(L"Start"));
    setCaption(ctl::Stop, translate(L"Stop"));
    setCaption(ctl::Readings, translate(L"Odczyty"));
    setCaption(ctl::WorkStateLabel, translate(L"Stan pracy"));
    setCaption(ctl::InputLabel, translate(L"Wejście"));
    setCaption(ctl::OutputLabel, translate(L"Wyjście"));
    setCaption(ctl::Firmware, translate(L"Aktualizacja firmware"));
    setCaption(ctl::PumpLabel, translate(L"PWM pompy"));
    setCaption(ctl::RpmLabel, translate(L"RPM"));
    setCaption(ctl::Definition, translate(L"Definicja"));
    setCaption(ctl::RpmDividerLabel, translate(L"Dzielnik RPM"));
    setCaption(ctl::NoiseDeltaLabel, translate(L"Delta"));
    setCaption(ctl::NoisePeriodLabel, translate(L"Częstotliwość"));
    setCaption(ctl::ClearMap, translate(L"Kasuj"));
    if (m_chart) {
        m_chart->setSeriesName(0, translate(L"Wejście") + L" [V]");
        m_chart->setSeriesName(1, translate(L"Wyjście") + L" [V]");
        m_chart->setSeriesName(2, translate(L"PWM pompy") + L" [V]");
    }
    if (m_recording)
        m_recording->retranslate();
}

void CVelmoraDlg::setCaption(int id, const std::wstring& text)
{
    QWidget* widget = control(id);
    const QString caption = qs(text);
    int room = widget->width();
    if (auto* button = qobject_cast<QPushButton*>(widget)) {
        button->setText(caption);
        room -= kButtonTextMargin;
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(caption);
    } else if (auto* group = qobject_cast<CGroupFrame*>(widget)) {
        group->setTitle(caption);
        room -= kGroupTitleMargin;
    }
    fitCaptionFont(widget, caption, room);
}

void CVelmoraDlg::fitCaptionFont(QWidget* widget, const QString& text, int room)
{
    // A translation longer than its place gets a smaller font rather than losing letters;
    // the place itself stays where the layout puts it.
    QFont font = widget->parentWidget()->font();
    font.setBold(widget->font().bold());
    const double smallest = 6.0;
    while (QFontMetrics(font).horizontalAdvance(text) > room && font.pointSizeF() - 0.5 >= smallest)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    widget->setFont(font);
}

void CVelmoraDlg::setEditText(int id, const std::wstring& text)
{
    if (auto* edit = qobject_cast<QLineEdit*>(control(id)))
        edit->setText(qs(text));
}

void CVelmoraDlg::updateData(bool fromControls)
{
    struct Binding {
        int id;
        std::wstring* text;
    };
    const Binding bindings[] = {
        {ctl::InputVolts, &m_inputVoltsText}, {ctl::OutputVolts, &m_outputVoltsText},
        {ctl::PumpVolts, &m_pumpText},        {ctl::Rpm, &m_rpmText},
        {ctl::Status, &m_statusText},         {ctl::WorkState, &m_workStateText},
    };
    for (const Binding& binding : bindings) {
        QWidget* widget = control(binding.id);
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            if (fromControls)
                *binding.text = edit->text().toStdWString();
            else if (edit->text() != qs(*binding.text))
                edit->setText(qs(*binding.text));
        } else if (auto* label = qobject_cast<QLabel*>(widget)) {
            if (fromControls)
                *binding.text = label->text().toStdWString();
            else
                label->setText(qs(*binding.text));
        }
    }
}

void CVelmoraDlg::showErrorBox(const wchar_t* context, const IError& error)
{
    reportMessage(messageBox(), std::wstring(context) + L"\n" + error.format(), kCaption, MB_PLAIN);
}

// ---- buttons ----

void CVelmoraDlg::OnBnClickedBtnStart()
{
    if (m_chart)
        m_chart->clear();
    m_chartLog.clear();
    m_chartSampleCounter = 0;
    m_chartStopped = 0;
}

void CVelmoraDlg::OnBnClickedBtnStop()
{
    m_chartStopped = 1;
}

void CVelmoraDlg::OnBnClickedBtnOverwrite()
{
    // Drawing restarts at x = 0 over the old points, which stay until replaced.
    m_chartSampleCounter = 0;
    m_chartStopped = 0;
}

void CVelmoraDlg::OnBnClickedBtnDefinition() {}

void CVelmoraDlg::OnBnClickedBtnClose()
{
    finish();
}

void CVelmoraDlg::OnBnClickedBtnFirmware()
{
    if (!isConnected())
        return;
    try {
        if (m_backups)
            m_backups->beforeFirmwareUpdate(state());
        OnClickedBtnDeviceUpdate(false);
    } catch (const IError& error) {
        showErrorBox(L"CVelmoraDlg::OnClickedBtnDeviceUpdate()", error);
    }
}

bool CVelmoraDlg::OnClickedBtnDeviceUpdate(bool forced)
{
    CFirmwareUpdate update(*this, m_firmwareUiOverride ? *m_firmwareUiOverride : m_firmwareUi);
    const bool programmed = update.OnClickedBtnDeviceUpdate(forced);
    // A forced update runs inside the connection, whose caller shows the outcome.
    if (programmed && !forced) {
        // The unit was read again after programming: show what it holds now, or
        // that it is gone (reading is not running, so no refresh would say so).
        if (isConnected()) {
            showDeviceData();
        } else {
            m_statusText = translate(L"BRAK KOMUNIKACJI");
            updateData(false);
        }
    }
    return programmed;
}

bool CVelmoraDlg::runFirmwareUpdate(bool forced)
{
    return OnClickedBtnDeviceUpdate(forced);
}

void CVelmoraDlg::OnBnClickedBtnClrMapTime()
{
    // Asks first, keeps a backup, and is one undo step.
    if (m_actions)
        m_actions->clearMap();
}

// ---- timers ----

QTimer* CVelmoraDlg::timerFor(int id)
{
    return id == kRefreshTimer ? &m_refreshTimer : id == kReconnectTimer ? &m_reconnectTimer : nullptr;
}

const QTimer* CVelmoraDlg::timerFor(int id) const
{
    return const_cast<CVelmoraDlg*>(this)->timerFor(id);
}

void CVelmoraDlg::setTimer(int id, int periodMs)
{
    if (QThread::currentThread() != thread()) {
        // From the reading thread: hand over and return at once.
        QMetaObject::invokeMethod(this, [this, id, periodMs] { setTimer(id, periodMs); },
                                  Qt::QueuedConnection);
        return;
    }
    QTimer* timer = timerFor(id);
    if (!timer || m_closing)
        return;
    timer->start(periodMs);
}

void CVelmoraDlg::killTimer(int id)
{
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(this, [this, id] { killTimer(id); }, Qt::QueuedConnection);
        return;
    }
    if (QTimer* timer = timerFor(id))
        timer->stop();
}

bool CVelmoraDlg::isTimerActive(int id) const
{
    const QTimer* timer = timerFor(id);
    return timer && timer->isActive();
}

int CVelmoraDlg::timerInterval(int id) const
{
    const QTimer* timer = timerFor(id);
    return timer ? timer->interval() : -1;
}

void CVelmoraDlg::OnTimer(int id)
{
    try {
        if (id == kRefreshTimer)
            refreshReadings();
        else if (id == kReconnectTimer)
            checkConnection();
    } catch (const IError&) {
        // A tick's port error is not the operator's business: the link logic recovers.
    }
}

void CVelmoraDlg::refreshReadings()
{
    updateData(true);
    if (!isConnected()) {
        m_statusText = translate(L"BRAK POŁĄCZENIA");
        updateData(false);
        // A break in the chart and a marker in the recording, once per loss.
        m_recording->linkLost();
        // Time goes on along the chart's seconds, so the break shows as one.
        if (m_chart && m_chartStopped == 0) {
            m_chart->addGap();
            m_chartLog.addGap(std::chrono::system_clock::now());
            ++m_chartSampleCounter;
        }
        return;
    }
    for (const CDiag& fresh : m_recordCursor.takeNew(samples()))
        m_recording->addSample(fresh);
    if (samples().count() == 0)
        return;
    CDiag sample;
    samples().getLast(sample);
    // The reading thread may have emptied the store since count(); samples are
    // numbered from 1, so an untouched record shows it.
    if (sample.sequence == 0)
        return;

    const ReadingTexts texts = readingTexts(sample);
    m_inputVoltsText = texts.inputVolts;
    m_outputVoltsText = texts.outputVolts;
    m_pumpText = texts.pumpVolts;
    m_rpmText = texts.rpm;
    m_workStateText = texts.workState;
    markCurrentCell(rpmFromPeriod(sample.rpmPeriod), pumpVolts(sample));
    updateData(false);
    if (m_chartStopped == 0)
        feedChart();
}

void CVelmoraDlg::feedChart()
{
    const int n = samples().count();
    if (n < 2)
        return;
    // One point per tick: the second newest sample.
    std::vector<CDiag> copied;
    samples().copyRange(copied, n - 2, n - 1);
    if (copied.empty())
        return;
    if (m_chart) {
        const ChartValues values = chartValues(copied.front());
        const auto x = static_cast<float>(m_chartSampleCounter);
        m_chart->addPoint(0, x, values.input, false);
        m_chart->addPoint(1, x, values.output, false);
        m_chart->addPoint(2, x, values.pump, false);
        m_chartLog.add(std::chrono::system_clock::now(), copied.front(), port().portName());
    }
    ++m_chartSampleCounter;
    if (m_chart)
        m_chart->updateChart();
}

void CVelmoraDlg::checkConnection()
{
    killTimer(kReconnectTimer);
    m_statusText = translate(L"NO CONNECTION");
    setConnected(false);
    if (openPort(readLastPort())) {
        m_recordCursor.restart();
        m_recording->linkRestored(QString::fromStdString(port().portName()));
        m_statusText = translate(L"CONNECTED");
        translateCaptions();
        showDeviceData();
        if (m_backups)
            m_backups->onConnected(state());
        startReading();
        updateData(false);
    } else {
        setTimer(kReconnectTimer, 2000);
    }
}

// ---- settings spinners ----

void CVelmoraDlg::OnDeltaposSpinRpmDiv(int step)
{
    stepSetting(kRpmDividerField, step);
}

void CVelmoraDlg::OnDeltaposSpinNoiseDelta(int step)
{
    stepSetting(kNoiseDeltaField, step);
}

void CVelmoraDlg::OnDeltaposSpinNoisePeriod(int step)
{
    stepSetting(kNoisePeriodField, step);
}

void CVelmoraDlg::stepSetting(SettingField field, int step)
{
    const SettingRange range = field == kRpmDividerField ? kRpmDividerRange
        : field == kNoiseDeltaField                      ? kNoiseDeltaRange
                                                         : kNoisePeriodRange;
    const std::uint32_t current = CSettingsFields::valueOf(m_document.settings(), field);
    if (const auto next = velmora::stepSetting(current, step, range))
        changeSetting(field, *next);
}

void CVelmoraDlg::changeSetting(SettingField field, std::uint32_t value)
{
    UnitSettings settings = m_document.settings();
    switch (field) {
    case kRpmDividerField: settings.rpmDivider = static_cast<std::uint8_t>(value); break;
    case kNoiseDeltaField: settings.noiseDelta = static_cast<std::uint8_t>(value); break;
    case kNoisePeriodField: settings.noisePeriod = static_cast<std::uint16_t>(value); break;
    }
    if (m_edits.canWrite()) {
        m_edits.changeSettings(settings, field);
    } else {
        // Nothing to send it to: shown, and carried by the next settings write.
        state().rpmDivider = settings.rpmDivider;
        state().noiseDelta = settings.noiseDelta;
        state().noisePeriod = settings.noisePeriod;
        m_document.setSettings(settings);
    }
    showSettings();
}

// ---- window behaviour ----

void CVelmoraDlg::stopDevice()
{
    m_closing = true;
    m_refreshTimer.stop();
    m_reconnectTimer.stop();
    stopReading();
}

void CVelmoraDlg::finish()
{
    stopDevice();
    QDialog::reject();
}

void CVelmoraDlg::closeEvent(QCloseEvent* event)
{
    // The frame's close box and Alt+F4 arrive as spontaneous events and are refused;
    // a close the program asks for (termination signal, end of session) is obeyed.
    if (event->spontaneous()) {
        event->ignore();
        return;
    }
    finish();
    event->accept();
}

void CVelmoraDlg::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Enter:
    case Qt::Key_Return:
        if (auto* button = qobject_cast<QPushButton*>(focusWidget());
            button && button->window() == this && button->isVisible() && button->isEnabled())
            button->click();
        return;
    case Qt::Key_Escape:
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void CVelmoraDlg::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    if (m_actions) {
        // Until the main window's menu bar holds them.
        QMenu* file = menu.addMenu(QString::fromStdWString(translate(L"&Plik")));
        QMenu* edit = menu.addMenu(QString::fromStdWString(translate(L"&Edycja")));
        QMenu* unit = menu.addMenu(QString::fromStdWString(translate(L"&Urządzenie")));
        m_actions->populate(file, edit, unit);
        menu.addSeparator();
    }
    menu.addAction(m_recording->toggleAction());
    menu.addAction(m_saveChartAction);
    menu.addSeparator();
    menu.addAction(QString::fromWCharArray(kAboutEntry), this, &CVelmoraDlg::showAbout);
    menu.exec(event->globalPos());
}

void CVelmoraDlg::showAbout()
{
    CAboutDlg about(this);
    about.exec();
}

} // namespace velmora
