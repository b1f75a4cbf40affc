// SPDX-License-Identifier: GPL-3.0-or-later
#include "velmora_dlg.h"

#include "about_dlg.h"
#include "map_status.h"
#include "ui/widgets/app_icon.h"
#include "ui/map/backup_keeper.h"
#include "ui/map/map_actions.h"
#include "setting_field.h"
#include "ui/widgets/dialog_units.h"
#include "ui/widgets/group_frame.h"
#include "ui/widgets/reading_field.h"
#include "readings.h"
#include "ui/widgets/ui_font.h"
#include "ui/widgets/up_down.h"
#include "window_layout.h"

#include "device/messages.h"
#include "lang/translate.h"
#include "link/link_controller.h"
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

} // namespace

CVelmoraDlg::CVelmoraDlg(CLinkController& link, IMessageBox* messages, QWidget* parent)
    : QDialog(parent), m_icon(appIcon()), m_link(link), m_messages(messages),
      m_edits(m_document, &link.unitWriter(), messages), m_firmwareUi(this)
{
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("Emulator ciśnienia paliwa"));
    setFont(uiFont(9));
    createControls();
    connectHandlers();

    m_refreshTimer.setObjectName(QStringLiteral("2000"));
    m_refreshTimer.setInterval(100);
    QObject::connect(&m_refreshTimer, &QTimer::timeout, this, &CVelmoraDlg::refreshReadings);
    connectLink();
    m_firmwareUi.setCloseAsked([this] { holdCloseWhileProgramming(); });
}

CVelmoraDlg::~CVelmoraDlg()
{
    stopDevice();
    // Child widgets may hold on to the map document (the live engine-time overlay listens
    // to it): they go before this dialog's members, not after them as QWidget would.
    qDeleteAll(findChildren<QWidget*>(Qt::FindDirectChildrenOnly));
}

void CVelmoraDlg::createControls()
{
    const DialogBaseUnits units = dialogBaseUnits(font());
    // The designed size is the smallest; beyond it the chart and map grow.
    const QSize designed = dialogToPixels(clientAreaDu(), units).size();
    setMinimumSize(designed);
    resize(designed);

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
        case ControlKind::Reading: {
            auto* field = new CReadingField(this);
            field->setAlignment(alignmentOf(entry.align) | Qt::AlignVCenter);
            widget = field;
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
    m_aboutButton->setGeometry(dialogToPixels(withinMargin(aboutButtonDu()), units));
    QObject::connect(m_aboutButton, &QToolButton::clicked, this, &CVelmoraDlg::showAbout);

    // Recording: Ctrl+R or the button in the hidden Nadpisuj button's place beside
    // Start and Stop; the main window shows its status.
    m_recording = new CRecordingControl(this, m_messages);
    QPushButton* record = m_recording->createButton(this);
    record->setGeometry(dialogToPixels(withinMargin(QRect(106, 146, 50, 14)), units));
    m_saveChartAction = createSaveChartDataAction(this, m_chartLog, m_messages);
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
    createChart();
    // Arrow keys go to the map grid whichever control of this window has the focus.
    // The window the keys arrive in: the main window once this sits inside it.
    qApp->installEventFilter(new CMapKeyRouter(m_map, window(), this));
    installWriteGuard();

    translateCaptions();
    setUpKeyboard();
    rememberLayout();
    onLinkStatus(m_link.status());
    if (m_link.isConnected())
        showDeviceData();
    m_refreshTimer.start();
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
        fitFont(m_windowFont, room, {QStringLiteral("8000"), QStringLiteral("15.345")});
    m_mapGrid = velmora::createMapGrid(placeholder, m_map, gridFont);
    m_mapGrid->setObjectName(QString::number(ctl::Map));
    m_controls.insert(ctl::Map, m_mapGrid);
    m_mapStatus = new CMapStatus(m_map, m_mapGrid, this);
    m_mapStatus->hide(); // until a status bar takes it
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
    m_chart->setMaxPoints(kChartPoints);
    // Input red, output blue, pump green; values are percent of 15 V, labels in volts.
    const std::uint32_t colours[] = {0x0000FA, 0xC80000, 0x00C800};
    for (int id = 0; id < 3; ++id)
        m_chart->addSeries(id, chartValueLabel, CRgb::fromColorRef(colours[id]), 0, 2, 1, 10.0f);
    setChartAxes();
    m_chartLog.setLimit(kChartPoints);
}

void CVelmoraDlg::setChartAxes()
{
    // Percent of 15 V on the left in volts; x in tenths of a second since Start at the
    // bottom in seconds, silences of 2 s and more labelled with their length.
    m_chart->setAxes(CChartAxes{true, 15.0 / 100, L"V", kChartTick.count() / 1000.0, L"s",
                                translate(L"%1 s bez odczytów"), L"%1 s", 2.0});
}

void CVelmoraDlg::showDeviceData()
{
    m_edits.unitRead(m_state);
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
    // After a failed write the unit is read again; unitDataChanged brings it back.
    m_edits.setReread([this] { m_link.reread(); });
    m_document.addListener([this](unsigned parts) {
        if (parts & CMapDocument::kSettings)
            showSettings();
    });
    m_backups = new CBackupKeeper(this);
    m_actions = new CMapActions(m_map, m_edits, m_backups, this, m_messages, this);

    const auto edit = [this](int id) { return qobject_cast<QLineEdit*>(control(id)); };
    auto* fields = new CSettingsFields(edit(ctl::RpmDivider), edit(ctl::NoiseDelta),
                                       edit(ctl::NoisePeriod), m_document, m_messages, this);
    QObject::connect(fields, &CSettingsFields::valueChosen, this, &CVelmoraDlg::changeSetting);
    QObject::connect(fields, &CSettingsFields::stepped, this, &CVelmoraDlg::stepSetting);
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
        setChartAxes();
        m_chart->setSeriesName(0, translate(L"Wejście") + L" [V]");
        m_chart->setSeriesName(1, translate(L"Wyjście") + L" [V]");
        m_chart->setSeriesName(2, translate(L"PWM pompy") + L" [V]");
    }
    if (m_recording)
        m_recording->retranslate();
    nameControls();
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
        if (auto* field = qobject_cast<CReadingField*>(widget)) {
            if (fromControls)
                *binding.text = field->text().toStdWString();
            else
                field->setText(qs(*binding.text));
        } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
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

// ---- buttons ----

void CVelmoraDlg::OnBnClickedBtnStart()
{
    if (m_chart)
        m_chart->clear();
    m_chartLog.clear();
    restartChartTime(false);
}

void CVelmoraDlg::OnBnClickedBtnStop()
{
    m_chartStopped = 1;
    m_chartPending.clear();
}

void CVelmoraDlg::OnBnClickedBtnOverwrite()
{
    // Drawing restarts at x = 0 over the old points, which stay until replaced.
    restartChartTime(true);
}

void CVelmoraDlg::restartChartTime(bool overwriting)
{
    m_chartSampleCounter = 0;
    m_chartStopped = 0;
    m_chartPending.clear();
    m_chartStart = std::chrono::steady_clock::now();
    m_chartLastAt.reset();
    m_chartLastX = -1.0f;
    m_chartOverwriting = overwriting;
    m_chartGapMarked = true;
}

void CVelmoraDlg::OnBnClickedBtnDefinition() {}

void CVelmoraDlg::OnBnClickedBtnClose()
{
    finish();
}

void CVelmoraDlg::OnBnClickedBtnFirmware()
{
    if (!m_link.canWrite())
        return;
    OnClickedBtnDeviceUpdate(false, m_link.status().port);
}

void CVelmoraDlg::OnBnClickedBtnClrMapTime()
{
    // Asks first, keeps a backup, and is one undo step.
    if (m_link.canWrite() && m_actions)
        m_actions->clearMap();
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
    // Nothing reaches a unit that is not there: the value does not move either.
    if (m_edits.canWrite()) {
        UnitSettings settings = m_document.settings();
        switch (field) {
        case kRpmDividerField: settings.rpmDivider = static_cast<std::uint8_t>(value); break;
        case kNoiseDeltaField: settings.noiseDelta = static_cast<std::uint8_t>(value); break;
        case kNoisePeriodField: settings.noisePeriod = static_cast<std::uint16_t>(value); break;
        }
        m_edits.changeSettings(settings, field);
    }
    showSettings();
}

// ---- window behaviour ----

void CVelmoraDlg::stopDevice()
{
    m_closing = true;
    m_refreshTimer.stop();
}

void CVelmoraDlg::finish()
{
    // Never in the middle of a flash: the window closes when the unit is programmed.
    if (holdCloseWhileProgramming())
        return;
    stopDevice();
    // Inside the main window, Zamknij closes the program's window.
    if (parentWidget())
        window()->close();
    else
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
            button && isAncestorOf(button) && button->isVisible() && button->isEnabled())
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
    menu.addAction(QString::fromWCharArray(kAboutEntry), this, &CVelmoraDlg::showAbout);
    menu.exec(event->globalPos());
}

void CVelmoraDlg::showAbout()
{
    CAboutDlg about(this, m_backups ? m_backups->folder() : QString(),
                    m_recording ? m_recording->folder() : QString());
    about.exec();
}

} // namespace velmora
