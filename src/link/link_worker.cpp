// SPDX-License-Identifier: GPL-3.0-or-later
#include "link_worker.h"

#include "port_probe.h"

#include "device/messages.h"
#include "device/port_problem.h"
#include "firmware/firmware_update.h"
#include "lang/translate.h"

#include <QCoreApplication>
#include <QThread>

#include <algorithm>
#include <filesystem>

namespace velmora {

namespace {

using Clock = std::chrono::steady_clock;

QString qs(const std::string& text) { return QString::fromStdString(text); }
QString qs(const std::wstring& text) { return QString::fromStdWString(text); }

// A named port that exists but no lister shows (a pseudo-terminal, a symlink).
bool presentAsFile(const std::string& port)
{
    std::error_code ec;
    return !port.empty() && port.front() == '/' && std::filesystem::exists(port, ec);
}

// The firmware update's file dialog and progress, as the worker runs it: the
// file was chosen by the window already.
class WorkerFirmwareUI : public IFirmwareUI {
public:
    WorkerFirmwareUI(std::filesystem::path file, std::function<void(unsigned, unsigned)> progress)
        : m_file(std::move(file)), m_progress(std::move(progress)) {}
    std::filesystem::path chooseFile(const std::filesystem::path&, const std::wstring&,
                                     const std::wstring&) override { return m_file; }
    void setBusy(bool) override {}
    void progress(unsigned written, unsigned total) override { m_progress(written, total); }

private:
    std::filesystem::path m_file;
    std::function<void(unsigned, unsigned)> m_progress;
};

// What a port failure means, for the box's details: the failed operation and the
// system's own words, without the code location (that goes to no one at the desk).
std::wstring readableFailure(const IError& error, const std::string& port)
{
    std::wstring text = error.format();
    text = text.substr(0, text.find(L'\n'));
    text += L"\nPort: " + ansi2unicode(port);
    if (const auto* rs = dynamic_cast<const CRSError*>(&error); rs && rs->systemError() > 0)
        text += L"\n" + systemErrorText(rs->systemError()) + L" (" + std::to_wstring(rs->systemError()) + L")";
    return text;
}

} // namespace

// While programming, the reconnection at its end may only look at the unit's own port.
class CLinkWorker::PortGate : public IPortLister {
public:
    explicit PortGate(IPortLister* real) : m_real(real) {}
    std::vector<std::string> ports() override
    {
        if (!only.empty())
            return {only};
        return m_real ? m_real->ports() : std::vector<std::string>{};
    }
    std::string description(const std::string& port) override
    {
        return m_real ? m_real->description(port) : std::string();
    }
    std::string only;

private:
    IPortLister* m_real;
};

class CLinkWorker::SettingsGate : public ISettingsStore {
public:
    explicit SettingsGate(ISettingsStore* real) : m_real(real) {}
    std::string readLastPort() override { return m_real ? m_real->readLastPort() : std::string(); }
    void writeLastPort(const std::string& port) override
    {
        if (m_real)
            m_real->writeLastPort(port);
    }

private:
    ISettingsStore* m_real;
};

CLinkWorker::CLinkWorker(Setup setup)
    : m_setup(setup), m_portGate(std::make_unique<PortGate>(setup.ports)),
      m_settingsGate(std::make_unique<SettingsGate>(setup.settings))
{
}

CLinkWorker::~CLinkWorker()
{
    // The reading thread calls back into this object: it goes first.
    m_device.reset();
}

void CLinkWorker::init()
{
    m_device = std::make_unique<CLPGDevice>(DeviceServices{this, m_settingsGate.get(), m_portGate.get()});
    m_device->setOwner(this);
    m_device->setPortTimeouts(m_setup.timeouts);
    m_device->setExchangeObserver([this](ExchangeOutcome outcome, std::chrono::microseconds rtt) {
        m_lastOutcome.store(static_cast<int>(outcome));
        std::lock_guard lock(m_healthMutex);
        m_health.exchange(outcome, rtt, Clock::now());
    });
    m_pollTimer = new QTimer(this);
    m_pollTimer->setInterval(100);
    QObject::connect(m_pollTimer, &QTimer::timeout, this, &CLinkWorker::pollSamples);
    m_portTimer = new QTimer(this);
    m_portTimer->setInterval(m_setup.portWatchMs);
    QObject::connect(m_portTimer, &QTimer::timeout, this, &CLinkWorker::watchPorts);
    m_portTimer->start();
    m_healthTimer = new QTimer(this);
    m_healthTimer->setInterval(1000);
    QObject::connect(m_healthTimer, &QTimer::timeout, this, [this] {
        LinkHealthFigures figures;
        {
            std::lock_guard lock(m_healthMutex);
            figures = m_health.figures(Clock::now());
        }
        emit healthMeasured(figures);
    });
    m_healthTimer->start();
    if (!m_setup.portFolders.isEmpty()) {
        m_folderWatch = new QFileSystemWatcher(this);
        const QStringList refused = m_folderWatch->addPaths(m_setup.portFolders);
        if (refused.size() == m_setup.portFolders.size()) {
            delete m_folderWatch; // nothing to hear from: look every time
            m_folderWatch = nullptr;
        } else {
            QObject::connect(m_folderWatch, &QFileSystemWatcher::directoryChanged, this,
                             [this] { m_listStale = true; });
        }
    }
    watchPorts();
}

void CLinkWorker::shutdown(QThread* home)
{
    if (m_pollTimer) {
        m_pollTimer->stop();
        m_portTimer->stop();
        m_healthTimer->stop();
    }
    if (m_device) {
        m_device->setOwner(nullptr);
        m_device->stopReading();
    }
    m_device.reset();
    moveToThread(home);
}

void CLinkWorker::setStatus(const LinkStatus& status)
{
    const bool connected = status.state == LinkState::Connected;
    if (m_portTimer && connected != (m_status.state == LinkState::Connected))
        m_portTimer->setInterval(connected ? std::max(m_setup.portWatchMs, m_setup.connectedPortWatchMs)
                                           : m_setup.portWatchMs);
    m_status = status;
    emit statusChanged(status);
}

void CLinkWorker::flushMessages(const QString& detail)
{
    for (LinkMessage& m : m_pending) {
        if (m.detail.isEmpty())
            m.detail = detail;
        emit messageRaised(m);
    }
    m_pending.clear();
}

// ---- connection ----

void CLinkWorker::connectPort(const QString& port)
{
    if (!m_device)
        return;
    stopReadingLink();
    m_port = port.toStdString();
    LinkStatus connecting;
    connecting.state = LinkState::Connecting;
    connecting.port = port;
    setStatus(connecting);
    m_bootloaderSeen = false;
    if (m_device->openPort(m_port)) {
        connected();
        return;
    }
    // A unit that is not ours or not there gets the port back: another program may want it.
    m_device->port().close();
    const PortFailure failure = m_device->lastPortFailure();
    LinkStatus failed;
    failed.state = LinkState::Disconnected;
    failed.port = port;
    failed.problem = failure.systemError > 0 ? portProblemFromSystemError(failure.systemError)
                     : failure.systemError < 0 ? PortProblem::Other
                                               : PortProblem::None;
    failed.unitSilent = failure.systemError == 0 && !m_bootloaderSeen;
    failed.inBootloader = m_bootloaderSeen;
    setStatus(failed);
    flushMessages(qs(failure.detail));
    if (m_bootloaderSeen)
        emit bootloaderFound(port);
}

void CLinkWorker::scan()
{
    if (!m_device)
        return;
    stopReadingLink();
    LinkStatus scanning;
    scanning.state = LinkState::Connecting;
    setStatus(scanning);
    std::vector<std::string> candidates = m_device->candidatePorts();
    // The remembered port is listed again in its place; asking it twice at once would
    // find it busy.
    std::vector<std::string> unique;
    for (const std::string& p : candidates)
        if (std::find(unique.begin(), unique.end(), p) == unique.end())
            unique.push_back(p);
    const std::vector<ProbeResult> results = probePorts(unique, m_setup.timeouts);
    if (const ProbeResult* found = preferredResponder(results)) {
        if (found->answer == ProbeAnswer::Bootloader) {
            m_port = found->port;
            LinkStatus waiting;
            waiting.port = qs(found->port);
            waiting.inBootloader = true;
            setStatus(waiting);
            emit bootloaderFound(qs(found->port));
            return;
        }
        connectPort(qs(found->port));
        return;
    }
    // Nobody answered. The most useful thing to say is the problem the user can fix.
    LinkStatus none;
    none.unitSilent = true;
    for (PortProblem wanted : {PortProblem::NoPermission, PortProblem::Busy}) {
        for (const ProbeResult& r : results) {
            if (r.failure.systemError > 0 && portProblemFromSystemError(r.failure.systemError) == wanted) {
                none.problem = wanted;
                none.port = qs(r.port);
                none.unitSilent = false;
                break;
            }
        }
        if (none.problem != PortProblem::None)
            break;
    }
    setStatus(none);
}

void CLinkWorker::connected()
{
    const DeviceState& state = m_device->state();
    LinkStatus status;
    status.state = LinkState::Connected;
    status.port = qs(m_port);
    status.version = state.version;
    status.deviceType = state.deviceType;
    status.offersReadings = m_device->offersReadings();
    setStatus(status);
    emit unitRead(state);
    flushMessages(QStringLiteral("%1").arg(status.port));
    startReadingLink();
}

void CLinkWorker::disconnectUnit()
{
    if (!m_device)
        return;
    stopReadingLink();
    m_device->port().close();
    m_device->setConnected(false);
    LinkStatus status;
    status.port = qs(m_port);
    setStatus(status);
}

// ---- reading ----

void CLinkWorker::startReadingLink()
{
    m_lastSequence = 0;
    m_lastSampleAt = Clock::now();
    m_lostQueued.store(false);
    m_device->startReading();
    if (m_device->offersReadings())
        m_pollTimer->start();
}

void CLinkWorker::stopReadingLink()
{
    if (m_pollTimer)
        m_pollTimer->stop();
    if (m_device)
        m_device->stopReading();
}

void CLinkWorker::pollSamples()
{
    if (m_status.state != LinkState::Connected)
        return;
    std::vector<CDiag> copied;
    CDiagData& store = m_device->samples();
    store.copyRange(copied, 0, store.count());
    QList<CDiag> fresh;
    for (const CDiag& d : copied) {
        // Sequence numbers restart at 1 with each reading thread; the store is emptied then.
        if (d.sequence > m_lastSequence)
            fresh.append(d);
    }
    const auto now = Clock::now();
    if (!fresh.isEmpty()) {
        m_lastSequence = fresh.constLast().sequence;
        m_lastSampleAt = now;
        {
            std::lock_guard lock(m_healthMutex);
            for (qsizetype i = 0; i < fresh.size(); ++i)
                m_health.reading(now);
        }
        emit samplesRead(fresh);
        return;
    }
    // The reading thread may end on an error without calling the link lost (a line
    // with no error pending); a connection that shows nothing for this long is not one.
    if (now - m_lastSampleAt > std::chrono::milliseconds(m_setup.silenceLimitMs))
        linkLost();
}

void CLinkWorker::linkLost()
{
    m_lostQueued.store(false);
    if (m_status.state != LinkState::Connected)
        return;
    stopReadingLink();
    m_device->port().close();
    m_device->setConnected(false);
    m_device->samples().clear();
    LinkStatus lost;
    lost.state = LinkState::Lost;
    lost.port = qs(m_port);
    lost.unitSilent = true;
    if (!presentAsFile(m_port)) {
        bool listed = false;
        for (const PortEntry& e : m_ports)
            listed = listed || e.name == lost.port;
        if (!listed) {
            lost.problem = PortProblem::Gone;
            lost.unitSilent = false;
        }
    }
    setStatus(lost);
}

// ---- IDeviceOwner ----

void CLinkWorker::setTimer(int id, int)
{
    if (id != kReconnectTimer)
        return; // the worker polls the sample store itself
    // From the reading thread, which must not wait: the worker handles it in turn.
    if (!m_lostQueued.exchange(true))
        QMetaObject::invokeMethod(this, [this] { linkLost(); }, Qt::QueuedConnection);
}

void CLinkWorker::killTimer(int) {}

bool CLinkWorker::runFirmwareUpdate(bool)
{
    // A unit in its bootloader: the window offers the update; identification fails here.
    m_bootloaderSeen = true;
    return false;
}

int CLinkWorker::show(const std::wstring& text, const std::wstring&, unsigned style)
{
    if ((style & 0x0F) == 0x04) {
        m_questionAsked = true;
        return m_answerYes ? ID_YES : ID_NO;
    }
    // Said by the window in its own way: the bootloader offer, the state of the link.
    if (text == translate(L"Sterownik nie jest poprawnie zaprogramowany i wymaga przeprogramowania.") ||
        (text == translate(L"Brak połączenia") && style == MB_PLAIN))
        return ID_OK;
    m_pending.push_back(LinkMessage{qs(text), {}, style});
    return ID_OK;
}

// ---- ports ----

void CLinkWorker::watchPorts()
{
    if (!m_device)
        return;
    // Listing walks every tty of the system; with the port folders watched it is
    // done only after something came or went there.
    if (m_listStale || !m_folderWatch) {
        m_listStale = false;
        m_listedNames = m_setup.ports ? m_setup.ports->ports() : std::vector<std::string>{};
    }
    const std::vector<std::string>& names = m_listedNames;
    QList<PortEntry> list;
    for (const std::string& name : names) {
        // Descriptions are looked up once per port that appears, not at every look.
        QString description;
        bool known = false;
        for (const PortEntry& e : m_ports) {
            if (e.name == qs(name)) {
                description = e.description;
                known = true;
            }
        }
        if (!known)
            description = qs(m_setup.ports->description(name));
        list.append(PortEntry{qs(name), description});
    }
    // The unit's own port may be a pseudo-terminal no lister knows of.
    if (!m_port.empty() && presentAsFile(m_port) &&
        std::find(names.begin(), names.end(), m_port) == names.end())
        list.append(PortEntry{qs(m_port), {}});
    if (list != m_ports) {
        m_ports = list;
        emit portsListed(list);
    }
}

// ---- reads and writes ----

bool CLinkWorker::unitAnswering() const
{
    const auto last = static_cast<ExchangeOutcome>(m_lastOutcome.load());
    return last == ExchangeOutcome::Ok || last == ExchangeOutcome::Refused;
}

void CLinkWorker::rereadParts(unsigned parts)
{
    bool failed = false;
    if ((parts & ReadSettings) && !m_device->readSettings())
        failed = true;
    if (!failed && (parts & ReadMap) && !m_device->readMap())
        failed = true;
    if (!failed && (parts & ReadAxes) && !m_device->readAxes())
        failed = true;
    if (failed)
        m_pending.push_back(LinkMessage{qs(translate(L"Nie powiodło się wczytanie ustawień urządzenia!")), {}, MB_ERROR});
    emit unitRead(m_device->state());
}

void CLinkWorker::reread()
{
    if (!m_device || m_status.state != LinkState::Connected)
        return;
    try {
        rereadParts(ReadAll);
    } catch (const IError& error) {
        flushMessages(qs(error.format()));
        return;
    }
    flushMessages(qs(m_port));
}

void CLinkWorker::write(quint64 id, const std::wstring& failureText, unsigned reread, const WriteOp& op)
{
    WriteResult result;
    if (!m_device || m_status.state != LinkState::Connected) {
        result.message = failureText;
        result.detail = translate(L"Brak połączenia");
        emit writeFinished(id, result);
        return;
    }
    try {
        result.ok = op(*m_device);
        if (!result.ok) {
            result.message = failureText;
            result.detail = L"Port: " + ansi2unicode(m_port);
        }
        // Show what the unit holds now: after success, and after a refusal the unit
        // answered. A silent unit is read again when it comes back.
        if (result.ok || unitAnswering())
            rereadParts(reread);
    } catch (const IError& error) {
        result.ok = false;
        result.message = failureText;
        result.detail = L"Port: " + ansi2unicode(m_port) + L"\n" + error.format();
    }
    m_pending.clear(); // the write's own failure says it
    emit writeFinished(id, result);
}

// ---- programming ----

bool CLinkWorker::ensurePortOpen(const std::string& port)
{
    if (m_device->port().isOpen() && m_device->port().portName() == port)
        return true;
    try {
        m_device->port().open(port);
        m_device->port().setState(LineSettings{});
        m_device->port().setTimeout(m_setup.timeouts);
        return true;
    } catch (const IError&) {
        return false;
    }
}

void CLinkWorker::program(const QString& path, bool forced, bool allowOlder)
{
    const bool wasConnected = m_status.state == LinkState::Connected;
    if (!m_device || m_programming || m_port.empty() || (!forced && !wasConnected)) {
        setStatus(m_status); // nothing to do: the controller still hears back
        emit programmingFinished(false);
        return;
    }
    const std::string port = m_port;
    stopReadingLink();
    if (forced)
        ensurePortOpen(port);
    LinkStatus programming;
    programming.state = LinkState::Programming;
    programming.port = qs(port);
    setStatus(programming);

    m_programming = true;
    m_portGate->only = port;
    m_device->setPreferredPort(port);
    m_answerYes = allowOlder;
    m_questionAsked = false;
    WorkerFirmwareUI ui(std::filesystem::path(path.toStdWString()), [this](unsigned written, unsigned total) {
        emit programmingProgress(written, total);
    });
    CFirmwareUpdate update(*m_device, ui);
    bool programmed = false;
    QString escaped;
    try {
        programmed = update.OnClickedBtnDeviceUpdate(forced);
    } catch (const IError& error) {
        escaped = qs(readableFailure(error, port));
    }
    m_programming = false;
    m_portGate->only.clear();
    m_device->setPreferredPort({});
    m_answerYes = false;

    if (update.lastOutcome() == CFirmwareUpdate::Outcome::Declined && m_questionAsked && !allowOlder) {
        // Nothing was sent: back to where we were, and let the window ask.
        m_pending.clear();
        if (wasConnected) {
            setStatus(LinkStatus{LinkState::Connected, qs(port), m_device->state().version,
                                 m_device->state().deviceType, m_device->offersReadings()});
            startReadingLink();
        } else {
            setStatus(LinkStatus{LinkState::Disconnected, qs(port)});
        }
        emit programmingFinished(false);
        emit downgradeAsked(path, forced);
        return;
    }
    if (!escaped.isEmpty()) {
        m_pending.push_back(LinkMessage{
            qs(translate(L"Programowanie przerwane: sterownik przestał odpowiadać. Podłącz go ponownie; gdy zgłosi się w trybie programowania, program zaproponuje dokończenie aktualizacji.")),
            escaped, MB_ERROR});
    }
    flushMessages(QStringLiteral("Port: %1").arg(qs(port)));
    // The connected flag is only worth something when the update found the unit again,
    // or when it refused before sending anything; after a cut or failed flash the unit
    // is wherever it stopped.
    using Outcome = CFirmwareUpdate::Outcome;
    const Outcome outcome = update.lastOutcome();
    const bool untouched = escaped.isEmpty() &&
                           (outcome == Outcome::WrongDevice || outcome == Outcome::Cancelled ||
                            outcome == Outcome::FileUnreadable || outcome == Outcome::WrongFile ||
                            outcome == Outcome::Declined);
    const bool stillConnected = (programmed || untouched) && m_device->isConnected();
    emit programmingFinished(programmed && stillConnected);
    if (stillConnected) {
        connected();
        return;
    }
    // See what answers on the port now: the application, its bootloader, or nothing.
    m_device->setConnected(false);
    m_device->port().close();
    connectPort(qs(port));
}

} // namespace velmora
