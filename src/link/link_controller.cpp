// SPDX-License-Identifier: GPL-3.0-or-later
#include "link_controller.h"

#include "link_worker.h"

#include "lang/translate.h"

namespace velmora {

namespace {
void registerTypes()
{
    qRegisterMetaType<LinkStatus>();
    qRegisterMetaType<LinkMessage>();
    qRegisterMetaType<PortEntry>();
    qRegisterMetaType<QList<PortEntry>>();
    qRegisterMetaType<DeviceState>();
    qRegisterMetaType<CDiag>();
    qRegisterMetaType<QList<CDiag>>();
    qRegisterMetaType<TimedDiag>();
    qRegisterMetaType<QList<TimedDiag>>();
    qRegisterMetaType<LinkHealthFigures>();
    qRegisterMetaType<WriteResult>();
}

const wchar_t* const kSettingsFailed = L"Nie powiodło się wpisanie ustawień do urządzenia!";
const wchar_t* const kMapFailed = L"Nie powiodło się wpisanie mapy wtrysków do urządzenia!";
} // namespace

CLinkController::CLinkController(Setup setup, QObject* parent) : QObject(parent), m_setup(setup)
{
    registerTypes();
    m_thread.setObjectName(QStringLiteral("velmora-link"));
    CLinkWorker::Setup ws;
    ws.settings = setup.settings;
    ws.ports = setup.ports;
    ws.timeouts = setup.timeouts;
    ws.portWatchMs = setup.portWatchMs;
    ws.portFolders = setup.portFolders;
    m_worker = new CLinkWorker(ws);
    m_worker->moveToThread(&m_thread);
    // Direct: init runs on the new thread before any queued request is taken.
    QObject::connect(&m_thread, &QThread::started, m_worker, [w = m_worker] { w->init(); },
                     Qt::DirectConnection);

    const auto q = Qt::QueuedConnection;
    QObject::connect(m_worker, &CLinkWorker::statusChanged, this, &CLinkController::onStatus, q);
    QObject::connect(m_worker, &CLinkWorker::unitRead, this, &CLinkController::unitDataChanged, q);
    QObject::connect(m_worker, &CLinkWorker::samplesRead, this, &CLinkController::readingsArrived, q);
    QObject::connect(m_worker, &CLinkWorker::healthMeasured, this,
                     [this](const LinkHealthFigures& figures) {
                         m_health = figures;
                         emit healthChanged(figures);
                     }, q);
    QObject::connect(m_worker, &CLinkWorker::portsListed, this, &CLinkController::onPorts, q);
    QObject::connect(m_worker, &CLinkWorker::programmingProgress, this,
                     &CLinkController::programmingProgress, q);
    QObject::connect(m_worker, &CLinkWorker::programmingFinished, this,
                     [this](bool programmed) {
                         m_programming = false;
                         emit programmingFinished(programmed);
                     }, q);
    QObject::connect(m_worker, &CLinkWorker::messageRaised, this, &CLinkController::message, q);
    QObject::connect(m_worker, &CLinkWorker::bootloaderFound, this, &CLinkController::onBootloader, q);
    QObject::connect(m_worker, &CLinkWorker::downgradeAsked, this, &CLinkController::downgradeQuestion, q);
    QObject::connect(m_worker, &CLinkWorker::writeFinished, this, &CLinkController::onWriteFinished, q);

    m_retry.setSingleShot(true);
    QObject::connect(&m_retry, &QTimer::timeout, this, &CLinkController::attempt);
    m_thread.start();
}

CLinkController::~CLinkController()
{
    m_retry.stop();
    if (m_thread.isRunning()) {
        QThread* home = thread();
        QMetaObject::invokeMethod(m_worker, [w = m_worker, home] { w->shutdown(home); },
                                  Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }
    delete m_worker;
}

// ---- requests ----

void CLinkController::start(const QString& port)
{
    m_portOnly = !port.isEmpty();
    m_target = port;
    m_sticky.clear();
    m_watching = true;
    attempt();
}

void CLinkController::setTarget(const QString& port)
{
    if (m_portOnly && port != m_target)
        m_portOnly = false; // the user chose otherwise in the window
    if (port != m_target) {
        m_target = port;
        // A new choice is a new unit: the old one's port no longer binds us.
        if (m_status.state != LinkState::Connected)
            m_sticky.clear();
    }
}

void CLinkController::connectUnit()
{
    m_watching = true;
    m_declined.clear();
    if (m_status.state == LinkState::Connected && (m_target.isEmpty() || m_target == m_status.port))
        return;
    m_sticky.clear();
    attempt();
}

void CLinkController::disconnectUnit()
{
    m_watching = false;
    m_attemptAgain = false;
    m_sticky.clear();
    m_retry.stop();
    QMetaObject::invokeMethod(m_worker, [w = m_worker] { w->disconnectUnit(); }, Qt::QueuedConnection);
}

void CLinkController::reread()
{
    QMetaObject::invokeMethod(m_worker, [w = m_worker] { w->reread(); }, Qt::QueuedConnection);
}

void CLinkController::programFirmware(const QString& file, bool forced, bool allowOlder)
{
    m_retry.stop();
    m_busy = true;
    m_programming = true;
    m_declined.clear();
    emit programmingStarted(file);
    QMetaObject::invokeMethod(
        m_worker, [w = m_worker, file, forced, allowOlder] { w->program(file, forced, allowOlder); },
        Qt::QueuedConnection);
}

void CLinkController::declineBootloader(const QString& port)
{
    m_declined = port;
    if (m_watching)
        armRetry(m_setup.retryMs);
}

void CLinkController::attempt()
{
    if (m_busy) {
        m_attemptAgain = true;
        return;
    }
    m_retry.stop();
    m_attemptAgain = false;
    m_busy = true;
    const QString port = !m_sticky.isEmpty() ? m_sticky : m_target;
    if (!port.isEmpty())
        QMetaObject::invokeMethod(m_worker, [w = m_worker, port] { w->connectPort(port); },
                                  Qt::QueuedConnection);
    else
        QMetaObject::invokeMethod(m_worker, [w = m_worker] { w->scan(); }, Qt::QueuedConnection);
}

void CLinkController::armRetry(int ms)
{
    if (m_watching && !m_programming)
        m_retry.start(ms);
}

// ---- what the worker reports ----

void CLinkController::onStatus(const LinkStatus& reported)
{
    const LinkState before = m_status.state;
    LinkStatus status = reported;
    switch (reported.state) {
    case LinkState::Connecting:
        // Retrying the unit we lost is still a lost link to the user.
        break;
    case LinkState::Programming:
        m_programming = true;
        m_retry.stop();
        break;
    case LinkState::Connected:
        m_busy = false;
        m_sticky = reported.port;
        m_retry.stop();
        break;
    case LinkState::Lost:
        m_busy = false;
        break;
    case LinkState::Disconnected:
        m_busy = false;
        // An attempt on the port of the unit we had is a lost link still.
        if (m_watching && !m_sticky.isEmpty()) {
            status.state = LinkState::Lost;
            status.port = m_sticky;
        }
        break;
    }
    m_status = status;
    emit statusChanged(status);

    if (status.state == LinkState::Connected && before != LinkState::Connected)
        emit connected(status.port, status.version, status.deviceType);
    if (before == LinkState::Connected && status.state == LinkState::Lost)
        emit lost(status.port);
    if (status.state == LinkState::Disconnected && before != LinkState::Disconnected)
        emit disconnected();

    if (status.state == LinkState::Connected) {
        // Another port was chosen while this attempt ran: go there now.
        const bool chosenElsewhere = m_attemptAgain && !m_target.isEmpty() && m_target != status.port;
        m_attemptAgain = false;
        if (chosenElsewhere) {
            m_sticky.clear();
            attempt();
        }
        return;
    }

    if (status.state == LinkState::Lost || status.state == LinkState::Disconnected) {
        if (m_attemptAgain && m_watching)
            attempt();
        else
            armRetry(reported.state == LinkState::Lost ? m_setup.lostRetryMs : m_setup.retryMs);
    }
}

bool CLinkController::portPresent(const QString& port) const
{
    for (const PortEntry& e : m_ports)
        if (e.name == port)
            return true;
    return false;
}

void CLinkController::onPorts(const QList<PortEntry>& list)
{
    const QList<PortEntry> before = m_ports;
    m_ports = list;
    emit portsChanged(list);
    if (!m_declined.isEmpty() && !portPresent(m_declined))
        m_declined.clear(); // pulled: offer again when it is back
    if (!m_watching || m_busy || m_programming ||
        (m_status.state != LinkState::Disconnected && m_status.state != LinkState::Lost))
        return;
    const auto appeared = [&before](const PortEntry& e) {
        for (const PortEntry& b : before)
            if (b.name == e.name)
                return false;
        return true;
    };
    const QString wanted = !m_sticky.isEmpty() ? m_sticky : m_target;
    for (const PortEntry& e : list) {
        if (appeared(e) && (wanted.isEmpty() || e.name == wanted)) {
            attempt(); // plugged in: no need to wait for the next retry
            return;
        }
    }
}

void CLinkController::onBootloader(const QString& port)
{
    m_busy = false;
    if (port == m_declined)
        return;
    m_retry.stop();
    emit bootloaderFound(port);
}

// ---- IUnitWriter ----

bool CLinkController::canWrite() const
{
    return m_status.state == LinkState::Connected && !m_programming && !m_busy;
}

void CLinkController::queueWrite(const std::wstring& failureText, unsigned reread,
                                 std::function<bool(CLPGDevice&)> op, WriteDone done)
{
    const quint64 id = ++m_nextWrite;
    m_writes.insert(id, std::move(done));
    QMetaObject::invokeMethod(
        m_worker,
        [w = m_worker, id, failureText, reread, op = std::move(op)] { w->write(id, failureText, reread, op); },
        Qt::QueuedConnection);
}


void CLinkController::onWriteFinished(quint64 id, const WriteResult& result)
{
    const WriteDone done = m_writes.take(id);
    if (done)
        done(result);
}

void CLinkController::writeMap(const MapValues& map, WriteDone done)
{
    queueWrite(translate(kMapFailed), CLinkWorker::ReadMap,
               [map](CLPGDevice& d) {
                   d.state().map = map;
                   return d.writeMap() && d.storeMap();
               },
               std::move(done));
}

void CLinkController::correctArea(const std::array<std::uint8_t, 6>& record, WriteDone done)
{
    queueWrite(translate(kSettingsFailed), CLinkWorker::ReadMap,
               [record](CLPGDevice& d) { return d.correctMapArea(record) && d.storeMap(); },
               std::move(done));
}

void CLinkController::writeAxes(const VoltAxis& volts, const RpmAxis& rpm, WriteDone done)
{
    queueWrite(translate(kSettingsFailed), CLinkWorker::ReadAxes,
               [volts, rpm](CLPGDevice& d) {
                   d.state().voltAxis = volts;
                   d.state().rpmAxis = rpm;
                   return d.writeAxes();
               },
               std::move(done));
}

void CLinkController::clearMap(WriteDone done)
{
    queueWrite(translate(kMapFailed), CLinkWorker::ReadMap,
               [](CLPGDevice& d) {
                   if (!d.clearMap() || !d.storeMap())
                       return false;
                   for (auto& row : d.state().map)
                       row.fill(0.0);
                   return true;
               },
               std::move(done));
}

void CLinkController::writeSettings(const UnitSettings& settings, WriteDone done)
{
    queueWrite(translate(kSettingsFailed), CLinkWorker::ReadSettings,
               [settings](CLPGDevice& d) {
                   d.state().rpmDivider = settings.rpmDivider;
                   d.state().noiseDelta = settings.noiseDelta;
                   d.state().noisePeriod = settings.noisePeriod;
                   return d.writeSettings();
               },
               std::move(done));
}

} // namespace velmora
