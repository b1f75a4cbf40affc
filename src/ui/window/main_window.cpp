// SPDX-License-Identifier: GPL-3.0-or-later
#include "main_window.h"

#include "about_dlg.h"
#include "manual.h"
#include "map_status.h"
#include "status_messages.h"
#include "ui/map/backup_keeper.h"
#include "ui/map/map_actions.h"
#include "ui/map/map_key_router.h"
#include "velmora_dlg.h"
#include "ui/recording/recording_control.h"
#include "ui/viewer/live_occupancy.h"
#include "ui/chart/scroll_chart.h"
#include "ui/report/service_report.h"

#include "lang/translate.h"
#include "link/link_controller.h"
#include "platform/program_language.h"

#include <algorithm>

#include <QActionGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

namespace velmora {

namespace {
QString qt(const std::wstring& text) { return QString::fromStdWString(text); }

QString versionText(std::uint16_t version)
{
    return QStringLiteral("%1.%2").arg(version >> 8).arg(version & 0xFF, 2, 16, QLatin1Char('0'));
}
} // namespace

QString CMainWindow::scanAllText()
{
    return qt(translate(L"Wszystkie porty (szukaj)"));
}

// The link figures change every second. A field whose width follows its text lays out
// and repaints the whole status bar each time; one that only ever grows (a fixed
// size, which Qt's layouts leave alone) repaints itself.
void CMainWindow::showInSteadyWidth(QLabel* field, const QString& text)
{
    const QFontMetrics fm = field->fontMetrics();
    const int around = field->sizeHint().width() - fm.horizontalAdvance(field->text());
    const int needed = around + fm.horizontalAdvance(text);
    if (needed > field->minimumWidth() || field->minimumWidth() != field->maximumWidth())
        field->setFixedWidth(std::max(needed, field->minimumWidth()));
    if (field->minimumHeight() != field->maximumHeight())
        field->setFixedHeight(field->sizeHint().height());
    field->setText(text);
}

QString CMainWindow::shortHealthText(const LinkHealthFigures& f)
{
    return qt(translate(L"Słabe łącze: %1 % błędów")).arg(f.failurePercent, 0, 'f', 0);
}

void CMainWindow::showMessage(const QString& text)
{
    m_messages.add(text);
    m_messageField->setFullText(text);
    m_stateField->hide();
    m_messageField->show();
    m_messageTimer.start();
}

void CMainWindow::showMessages()
{
    if (!m_messagesDialog) {
        m_messagesDialog = new CMessagesDialog(m_messages, this);
        m_messagesDialog->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_messagesDialog->show();
    m_messagesDialog->raise();
    m_messagesDialog->activateWindow();
}

void CMainWindow::showManual()
{
    const QString page = manualPage();
    if (page.isEmpty()) {
        showMessage(qt(translate(L"Nie znaleziono instrukcji; jest też w pliku README.md programu.")));
        return;
    }
    // A window of the program's own: no browser needed, and it stays beside the unit's.
    if (!m_manualWindow) {
        m_manualWindow = new CManualWindow(page, this);
        m_manualWindow->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_manualWindow->show();
    m_manualWindow->raise();
    m_manualWindow->activateWindow();
}

QString CMainWindow::healthText(const LinkHealthFigures& f)
{
    QString text = qt(translate(L"%1 odczytów/s, błędy %2/%3 (1 min), %4 ms"))
                       .arg(f.readingsPerSecond, 0, 'f', 1)
                       .arg(f.failures)
                       .arg(f.exchanges)
                       .arg(f.roundTripMs, 0, 'f', 0);
    if (f.poor)
        text = qt(translate(L"Słabe łącze: %1 % błędów")).arg(f.failurePercent, 0, 'f', 0) + QStringLiteral(", ") + text;
    return text;
}

CMainWindow::CMainWindow(CLinkController& link, IMessageBox* messages, QWidget* parent)
    : QMainWindow(parent), m_link(link)
{
    m_dialog = new CVelmoraDlg(link, messages, this);
    // A dialog is its own window; here it is the main window's middle.
    m_dialog->setWindowFlags(Qt::Widget);
    setCentralWidget(m_dialog);
    createMenus();
    createStatusBar();
    m_dialog->OnInitDialog();
    addMapWork();
    installRecordingViewer(this, m_fileMenu, m_viewMenu, *m_dialog->mapGrid(), link, m_dialog->document(), messages);
    // The tool bar's chooser comes first, above the dialog's controls.
    if (const QList<QWidget*> order = m_dialog->tabOrder(); !order.isEmpty())
        QWidget::setTabOrder(m_ports, order.front());
    setWindowTitle(m_dialog->windowTitle());
    setWindowIcon(m_dialog->windowIcon());

    QObject::connect(&link, &CLinkController::statusChanged, this, &CMainWindow::onStatus);
    QObject::connect(&link, &CLinkController::portsChanged, this, &CMainWindow::onPorts);
    QObject::connect(&link, &CLinkController::healthChanged, this, &CMainWindow::onHealth);
    onPorts(link.ports());
    onStatus(link.status());
}

CMainWindow::~CMainWindow() = default;

void CMainWindow::createMenus()
{
    m_fileMenu = menuBar()->addMenu(qt(translate(L"&Plik")));
    m_fileMenu->setObjectName(QStringLiteral("fileMenu"));

    m_editMenu = menuBar()->addMenu(qt(translate(L"&Edycja")));
    m_editMenu->setObjectName(QStringLiteral("editMenu"));

    m_unitMenu = menuBar()->addMenu(qt(translate(L"&Sterownik")));
    m_unitMenu->setObjectName(QStringLiteral("unitMenu"));
    m_connect = m_unitMenu->addAction(qt(translate(L"&Połącz")), &m_link, &CLinkController::connectUnit);
    m_disconnect = m_unitMenu->addAction(qt(translate(L"&Rozłącz")), &m_link, &CLinkController::disconnectUnit);
    m_unitMenu->addSeparator();
    m_portMenu = m_unitMenu->addMenu(qt(translate(L"P&ort")));

    m_viewMenu = menuBar()->addMenu(qt(translate(L"&Widok")));
    m_viewMenu->setObjectName(QStringLiteral("viewMenu"));

    m_helpMenu = menuBar()->addMenu(qt(translate(L"Pomo&c")));
    m_helpMenu->setObjectName(QStringLiteral("helpMenu"));
    m_manual = m_helpMenu->addAction(qt(translate(L"&Instrukcja Velmora")), this, &CMainWindow::showManual);
    m_manual->setObjectName(QStringLiteral("manualAction"));
    m_manual->setShortcut(QKeySequence(Qt::Key_F1));
    m_manual->setShortcutContext(Qt::ApplicationShortcut);
    m_helpMenu->addAction(QString::fromWCharArray(kAboutEntry), m_dialog, &CVelmoraDlg::showAbout);

    // The chooser and the two buttons, always in sight.
    QToolBar* bar = addToolBar(qt(translate(L"Połączenie")));
    bar->setObjectName(QStringLiteral("linkBar"));
    bar->setMovable(false);
    m_ports = new QComboBox(bar);
    m_ports->setObjectName(QStringLiteral("portChooser"));
    m_ports->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_ports->setMinimumContentsLength(24);
    // Any path may be typed (a pseudo-terminal, a port the system does not list);
    // Enter connects to it and it stays in the list.
    m_ports->setEditable(true);
    m_ports->setInsertPolicy(QComboBox::NoInsert);
    // Its arrows move the caret and walk the list, not the map's selection.
    m_ports->setProperty(kOwnArrowKeys, true);
    m_ports->lineEdit()->setProperty(kOwnArrowKeys, true);
    m_ports->lineEdit()->setPlaceholderText(qt(translate(L"np. /dev/ttyUSB0 lub COM3")));
    m_ports->setToolTip(qt(translate(L"Wybierz port z listy albo wpisz jego ścieżkę i naciśnij Enter.")));
    m_ports->setAccessibleName(qt(translate(L"Port:")));
    auto* portLabel = new QLabel(qt(translate(L"P&ort:")) + QLatin1Char(' '), bar);
    portLabel->setBuddy(m_ports);
    bar->addWidget(portLabel);
    bar->addWidget(m_ports);
    bar->addAction(m_connect);
    bar->addAction(m_disconnect);
    m_viewMenu->addAction(bar->toggleViewAction());
    m_messagesAction = m_viewMenu->addAction(qt(translate(L"&Komunikaty…")), this, &CMainWindow::showMessages);
    m_messagesAction->setObjectName(QStringLiteral("messagesAction"));
    m_messagesAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_M));
    QObject::connect(m_ports, &QComboBox::activated, this, &CMainWindow::choosePort);
    QObject::connect(m_ports->lineEdit(), &QLineEdit::returnPressed, this,
                     [this] { chooseTypedPort(m_ports->currentText()); });
    m_typedPorts = QSettings().value(QLatin1String(kTypedPortsKey)).toStringList();
}

void CMainWindow::addMapWork()
{
    // The map entries go first in each menu; their keys work wherever the focus is
    // in this window, the map grid included.
    QMenu mapUnit;
    m_dialog->mapActions()->populate(m_fileMenu, m_editMenu, &mapUnit);
    // In Unit: after Connect and Disconnect, before the port list.
    QAction* ports = m_portMenu->menuAction();
    m_unitMenu->setToolTipsVisible(true);
    for (QAction* action : mapUnit.actions())
        m_unitMenu->insertAction(ports, action);
    m_unitMenu->insertSeparator(ports);
    m_fileMenu->addSeparator();
    m_fileMenu->addAction(m_dialog->recording()->toggleAction());
    m_fileMenu->addAction(m_dialog->saveChartAction());
    if (CBackupKeeper* backups = m_dialog->backups()) {
        // File > Service report…, with the chart's last minutes and its picture.
        CVelmoraDlg* dlg = m_dialog;
        CServiceReport::Sources sources{[dlg] { return report::recentSamples(dlg->chartLog()); },
                                        [dlg] { return dlg->chart() ? dlg->chart()->grab().toImage() : QImage(); }};
        m_fileMenu->addAction((new CServiceReport(m_link, *backups, sources, this))->action());
    }
    m_fileMenu->addSeparator();
    QAction* quit = m_fileMenu->addAction(qt(translate(L"&Zakończ")), this, &QWidget::close);
    // Named: QKeySequence::Quit is empty on Windows.
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    // The map's cell and, while offline, when it was last read: among the fields
    // that stay.
    if (CMapStatus* map = m_dialog->mapStatus()) {
        statusBar()->addPermanentWidget(map);
        map->show();
    }
    // An edit written otherwise than typed says so at once.
    QObject::connect(&m_dialog->edits(), &CUnitEdits::noticed, this, &CMainWindow::showMessage);
    QObject::connect(m_dialog->backups(), &CBackupKeeper::saveFailed, this, [this](const QString& error) {
        showMessage(qt(translate(L"Nie udało się zapisać kopii zapasowej urządzenia.")) + QLatin1Char(' ') + error);
    });
    QObject::connect(m_dialog, &CVelmoraDlg::statusMessage, this, &CMainWindow::showMessage);
}

void CMainWindow::createStatusBar()
{
    const auto field = [this](const char* name) {
        auto* label = new QLabel(this);
        label->setObjectName(QString::fromLatin1(name));
        label->setTextFormat(Qt::PlainText);
        return label;
    };
    auto* state = new CElidedLabel(this);
    state->setObjectName(QStringLiteral("linkState"));
    m_stateField = state;
    m_portField = field("linkPort");
    m_versionField = field("unitVersion");
    m_typeField = field("unitType");
    m_healthField = field("linkHealth");
    // A message of its own takes the place of the link's state until the next change.
    m_messageField = new CElidedLabel(this);
    m_messageField->setObjectName(QStringLiteral("statusMessage"));
    m_messageField->hide();
    m_messageTimer.setSingleShot(true);
    m_messageTimer.setInterval(15000);
    QObject::connect(&m_messageTimer, &QTimer::timeout, this, [this] {
        m_messageField->hide();
        m_stateField->show();
    });
    statusBar()->addWidget(m_stateField, 1);
    statusBar()->addWidget(m_messageField, 1);
    statusBar()->addWidget(m_dialog->recording()->statusWidget());
    statusBar()->addPermanentWidget(m_portField);
    statusBar()->addPermanentWidget(m_versionField);
    statusBar()->addPermanentWidget(m_typeField);
    statusBar()->addPermanentWidget(m_healthField);
    // A missing or damaged language file: said once, where the user looks.
    if (const QString warning = languageWarning(); !warning.isEmpty())
        statusBar()->showMessage(warning, 20000);
}

QString CMainWindow::describe(const QString& port) const
{
    for (const PortEntry& e : m_portList)
        if (e.name == port && !e.description.isEmpty())
            return QStringLiteral("%1 (%2)").arg(port, e.description);
    return port;
}

void CMainWindow::onStatus(const LinkStatus& status)
{
    const QString stateText = linkStateText(status);
    static_cast<CElidedLabel*>(m_stateField)->setFullText(stateText);
    m_messages.add(stateText);
    const bool connected = status.state == LinkState::Connected;
    m_portField->setText(status.port.isEmpty() ? QString() : qt(translate(L"Port: %1")).arg(describe(status.port)));
    m_versionField->setText(connected ? qt(translate(L"Wersja: %1")).arg(versionText(status.version)) : QString());
    m_typeField->setText(connected ? qt(translate(L"Typ: 0x%1")).arg(status.deviceType, 2, 16, QLatin1Char('0'))
                                   : QString());
    if (!connected && !m_healthField->text().isEmpty()) {
        m_healthField->clear();
        m_healthField->setMinimumWidth(0);
        m_healthField->setMaximumWidth(QWIDGETSIZE_MAX);
    }
    const bool busy = status.state == LinkState::Programming;
    m_connect->setEnabled(!busy);
    m_disconnect->setEnabled(!busy && status.state != LinkState::Disconnected);
    m_ports->setEnabled(!busy);
}

void CMainWindow::onHealth(const LinkHealthFigures& figures)
{
    if (m_link.status().state != LinkState::Connected)
        return;
    const QString style = figures.poor ? QStringLiteral("color: #c00000; font-weight: bold;") : QString();
    if (m_healthField->styleSheet() != style)
        m_healthField->setStyleSheet(style);
    if (figures.poor && !m_poorLink)
        m_messages.add(healthText(figures));
    m_poorLink = figures.poor;
    // The short form in the bar, the figures in its tooltip.
    const QString full = healthText(figures);
    showInSteadyWidth(m_healthField, figures.poor ? shortHealthText(figures) : full);
    if (m_healthField->toolTip() != full)
        m_healthField->setToolTip(full);
}

void CMainWindow::onPorts(const QList<PortEntry>& ports)
{
    m_portList = ports;
    const QString target = m_link.target();
    // A path being typed survives the list changing under it.
    const bool typing = m_ports->lineEdit()->hasFocus() && m_ports->lineEdit()->isModified();
    const QString typed = m_ports->lineEdit()->text();
    m_ports->clear();
    m_ports->addItem(scanAllText(), QString());
    bool targetListed = target.isEmpty();
    for (const PortEntry& e : ports) {
        m_ports->addItem(e.description.isEmpty() ? e.name : QStringLiteral("%1 - %2").arg(e.name, e.description),
                         e.name);
        targetListed = targetListed || e.name == target;
    }
    // Paths typed earlier, then the chosen port, which stays choosable while it is
    // away (unplugged), so the choice is kept.
    for (const QString& typed : std::as_const(m_typedPorts))
        if (m_ports->findData(typed) < 0) {
            m_ports->addItem(typed, typed);
            targetListed = targetListed || typed == target;
        }
    if (!targetListed)
        m_ports->addItem(target, target);
    m_ports->setCurrentIndex(m_ports->findData(target));
    if (typing) {
        m_ports->lineEdit()->setText(typed);
        m_ports->lineEdit()->setModified(true);
    }

    m_portMenu->clear();
    auto* group = new QActionGroup(m_portMenu);
    for (int i = 0; i < m_ports->count(); ++i) {
        QAction* a = m_portMenu->addAction(m_ports->itemText(i));
        a->setCheckable(true);
        a->setChecked(i == m_ports->currentIndex());
        group->addAction(a);
        QObject::connect(a, &QAction::triggered, this, [this, i] {
            m_ports->setCurrentIndex(i);
            choosePort(i);
        });
    }
}

void CMainWindow::chooseTypedPort(const QString& typed)
{
    const QString text = typed.trimmed();
    // A list entry's own text chooses that entry.
    const int listed = m_ports->findText(text);
    if (listed >= 0 || text.isEmpty()) {
        const int index = listed >= 0 ? listed : m_ports->currentIndex();
        m_ports->setCurrentIndex(index);
        choosePort(index);
        return;
    }
    m_typedPorts.removeAll(text);
    m_typedPorts.prepend(text);
    while (m_typedPorts.size() > kTypedPortsKept)
        m_typedPorts.removeLast();
    QSettings().setValue(QLatin1String(kTypedPortsKey), m_typedPorts);
    if (m_ports->findData(text) < 0)
        m_ports->addItem(text, text);
    const int index = m_ports->findData(text);
    m_ports->setCurrentIndex(index);
    choosePort(index);
}

void CMainWindow::choosePort(int index)
{
    const QString port = m_ports->itemData(index).toString();
    if (port == m_link.target())
        return;
    m_link.setTarget(port);
    m_link.connectUnit();
}

void CMainWindow::closeEvent(QCloseEvent* event)
{
    // Never in the middle of a flash: the dialog says why and closes the window after it.
    if (!event->spontaneous() && m_dialog->holdCloseWhileProgramming()) {
        event->ignore();
        return;
    }
    // As the operator dialog always did: the frame's close box and Alt+F4 leave the
    // window open; Zamknij, File > Quit or a close the program asks for end it.
    if (event->spontaneous()) {
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace velmora
