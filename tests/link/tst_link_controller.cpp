// SPDX-License-Identifier: GPL-3.0-or-later
// The link controller against simulated units on pseudo-terminals: where it
// connects, what it reports, and how it comes back from every fault. The window
// is not here; it is tested against these signals.

#include "link/link_controller.h"
#include "link/link_worker.h"
#include "link/port_probe.h"

#include "device/services.h"
#include "lang/translate.h"
#include "sim/firmware_builder.h"
#include "sim/pty.h"
#include "sim/sim_host.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>

using namespace velmora;

namespace {

constexpr Timeouts kFast{150, 1};

class Settings : public ISettingsStore {
public:
    std::string readLastPort() override
    {
        std::lock_guard lock(m);
        return port;
    }
    void writeLastPort(const std::string& p) override
    {
        std::lock_guard lock(m);
        port = p;
    }
    void set(const std::string& p) { writeLastPort(p); }
    std::string get() { return readLastPort(); }

private:
    std::mutex m;
    std::string port;
};

class Ports : public IPortLister {
public:
    std::vector<std::string> ports() override
    {
        ++asked;
        std::lock_guard lock(m);
        return listed;
    }
    void set(std::vector<std::string> l)
    {
        std::lock_guard lock(m);
        listed = std::move(l);
    }

    std::atomic<int> asked{0};

private:
    std::mutex m;
    std::vector<std::string> listed;
};

// A unit that can be pulled out and plugged in again behind the same name.
struct Unit {
    explicit Unit(std::string name) : path(std::move(name)) {}
    void plugIn(bool bootloader = false)
    {
        host.emplace(path);
        if (bootloader)
            host->startInBootloader();
        host->start();
    }
    void pullOut() { host.reset(); }
    std::string path;
    std::optional<sim::CSimHost> host;
};

std::string tempName(const char* what)
{
    return (std::filesystem::temp_directory_path() /
            (std::string("velmora-link-") + what + "-" + std::to_string(::getpid())))
        .string();
}

std::filesystem::path firmwareFile(std::uint16_t version)
{
    sim::FirmwareRecipe recipe;
    recipe.version = version;
    recipe.image = sim::sampleFirmwareImage(version);
    const auto bytes = sim::buildFirmwareFile(recipe);
    const auto path = std::filesystem::path(tempName("fw")).replace_extension(".afm");
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

struct Rig {
    explicit Rig(QStringList portFolders = {})
    {
        CLinkController::Setup setup;
        setup.settings = &settings;
        setup.ports = &ports;
        setup.timeouts = kFast;
        setup.retryMs = 300;
        setup.lostRetryMs = 100;
        setup.portWatchMs = 50;
        setup.portFolders = portFolders;
        link.emplace(setup);
    }
    ~Rig() { link.reset(); }
    bool waitState(LinkState state, int ms = 10000)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            if (link->status().state == state)
                return true;
            QTest::qWait(10);
        }
        return false;
    }
    Settings settings;
    Ports ports;
    std::optional<CLinkController> link;
};

} // namespace

class TestLinkController : public QObject {
    Q_OBJECT
private slots:
    void init() { setLanguageIndex(0); }
    void connectsAndReportsWhatTheUnitHolds();
    void staysOnItsPortAfterALoss();
    void noUnitAtStartIsFoundWhenPluggedIn();
    void silentUnitNeverHoldsTheCallersThread();
    void writesReachTheUnitAndRefusalsShowItsValue();
    void unitInItsBootloaderIsReportedNotUpdated();
    void interruptedProgrammingEndsInATrueState();
    void olderFirmwareWaitsForTheUsersAnswer();
    void scanProbesPortsAtOnceAndPrefersTheRemembered();
    void poorLinkIsCounted();
    void portsAreListedAgainOnlyWhenTheirFolderChanges();
    void stateTextsSayWhatToDo_data();
    void stateTextsSayWhatToDo();
};

void TestLinkController::connectsAndReportsWhatTheUnitHolds()
{
    Unit unit(tempName("a"));
    unit.plugIn();
    Rig rig;
    QSignalSpy connected(&*rig.link, &CLinkController::connected);
    QSignalSpy data(&*rig.link, &CLinkController::unitDataChanged);
    QSignalSpy readings(&*rig.link, &CLinkController::readingsArrived);
    rig.link->start(QString::fromStdString(unit.path));
    QVERIFY(rig.waitState(LinkState::Connected));
    QCOMPARE(connected.size(), 1);
    QCOMPARE(connected[0][0].toString(), QString::fromStdString(unit.path));
    QCOMPARE(connected[0][1].value<quint16>(), quint16(0x0103));
    QCOMPARE(connected[0][2].value<quint8>(), quint8(0x11));
    QVERIFY(!data.isEmpty());
    const auto state = data.last()[0].value<DeviceState>();
    QCOMPARE(int(state.noisePeriod), int(unit.host->state().noisePeriod));
    QTRY_VERIFY_WITH_TIMEOUT(readings.size() >= 3, 5000);
    // Samples come numbered, oldest first, without repeats, each with the time it
    // arrived: several handed over at once still carry times as far apart as the
    // unit's exchanges (about 50 ms), never one shared time.
    std::uint32_t last = 0;
    std::chrono::steady_clock::time_point lastAt{};
    bool several = false;
    for (const auto& call : readings) {
        const auto batch = call[0].value<QList<TimedDiag>>();
        several = several || batch.size() > 1;
        for (const TimedDiag& timed : batch) {
            const CDiag& d = timed.sample;
            QVERIFY(d.sequence > last);
            if (last != 0)
                QVERIFY(timed.at.steady - lastAt >= std::chrono::milliseconds(20));
            last = d.sequence;
            lastAt = timed.at.steady;
        }
    }
    QVERIFY(several);
    QCOMPARE(rig.settings.get(), unit.path); // remembered for the next start
    QVERIFY(rig.link->canWrite());
}

void TestLinkController::staysOnItsPortAfterALoss()
{
    // Unit A on the port named at start; unit B elsewhere, and another program makes
    // B the remembered port. A is pulled: the link waits for A, never takes B.
    Unit a(tempName("a"));
    Unit b(tempName("b"));
    a.plugIn();
    b.plugIn();
    Rig rig;
    rig.ports.set({a.path, b.path});
    rig.link->start(QString::fromStdString(a.path));
    QVERIFY(rig.waitState(LinkState::Connected));
    rig.settings.set(b.path);

    QSignalSpy lost(&*rig.link, &CLinkController::lost);
    QSignalSpy connected(&*rig.link, &CLinkController::connected);
    a.pullOut();
    rig.ports.set({b.path});
    QVERIFY(rig.waitState(LinkState::Lost));
    QCOMPARE(lost.size(), 1);
    QTest::qWait(1500); // several retries
    QCOMPARE(connected.size(), 0);
    QCOMPARE(rig.link->status().port, QString::fromStdString(a.path));
    QVERIFY(!rig.link->canWrite());

    a.plugIn();
    rig.ports.set({a.path, b.path});
    QVERIFY(rig.waitState(LinkState::Connected));
    QCOMPARE(rig.link->status().port, QString::fromStdString(a.path));

    // A silent unit is lost too, and found again when it answers.
    sim::Faults silent;
    silent.noReply = true;
    a.host->setFaults(silent);
    QVERIFY(rig.waitState(LinkState::Lost));
    a.host->setFaults({});
    QVERIFY(rig.waitState(LinkState::Connected));
    QCOMPARE(rig.link->status().port, QString::fromStdString(a.path));
}

void TestLinkController::noUnitAtStartIsFoundWhenPluggedIn()
{
    Unit unit(tempName("late"));
    Rig rig;
    QSignalSpy messages(&*rig.link, &CLinkController::message);
    rig.link->start(QString::fromStdString(unit.path));
    QTRY_COMPARE_WITH_TIMEOUT(rig.link->status().problem, PortProblem::Missing, 5000);
    QCOMPARE(rig.link->status().state, LinkState::Disconnected);
    QVERIFY(!linkStateText(rig.link->status()).isEmpty());
    QTest::qWait(500);
    QCOMPARE(rig.link->status().state, LinkState::Disconnected); // keeps watching, quietly
    QVERIFY(messages.isEmpty());

    unit.plugIn();
    QVERIFY(rig.waitState(LinkState::Connected));

    // Disconnect lets go and stops watching; Connect comes back.
    rig.link->disconnectUnit();
    QVERIFY(rig.waitState(LinkState::Disconnected));
    QTest::qWait(700);
    QCOMPARE(rig.link->status().state, LinkState::Disconnected);
    rig.link->connectUnit();
    QVERIFY(rig.waitState(LinkState::Connected));
}

void TestLinkController::silentUnitNeverHoldsTheCallersThread()
{
    Unit unit(tempName("silent"));
    unit.plugIn();
    sim::Faults silent;
    silent.noReply = true;
    unit.host->setFaults(silent);
    Rig rig;
    QElapsedTimer t;
    t.start();
    rig.link->start(QString::fromStdString(unit.path));
    rig.link->reread();
    rig.link->connectUnit();
    // Every request returns at once; the exchanges happen on the link's thread.
    QVERIFY(t.elapsed() < 100);
    qint64 worst = 0;
    QElapsedTimer tick;
    tick.start();
    while (t.elapsed() < 2500) {
        QTest::qWait(5);
        worst = std::max(worst, tick.restart());
    }
    QVERIFY2(worst < 300, qPrintable(QString::number(worst)));
    QVERIFY(rig.link->status().state != LinkState::Connected);
}

void TestLinkController::writesReachTheUnitAndRefusalsShowItsValue()
{
    Unit unit(tempName("w"));
    unit.plugIn();
    Rig rig;
    rig.link->start(QString::fromStdString(unit.path));
    QVERIFY(rig.waitState(LinkState::Connected));
    QSignalSpy data(&*rig.link, &CLinkController::unitDataChanged);

    std::optional<WriteResult> done;
    rig.link->writeSettings({3, 11, 1499}, [&](const WriteResult& r) { done = r; });
    QTRY_VERIFY_WITH_TIMEOUT(done.has_value(), 5000);
    QVERIFY(done->ok);
    QCOMPARE(int(unit.host->state().rpmDivider), 3);
    QCOMPARE(int(data.last()[0].value<DeviceState>().noisePeriod), 1499);

    // Refused: the caller hears why, and the unit's own value comes back.
    sim::Faults refuse;
    refuse.nakWrites = true;
    unit.host->setFaults(refuse);
    done.reset();
    data.clear();
    rig.link->writeSettings({4, 11, 1499}, [&](const WriteResult& r) { done = r; });
    QTRY_VERIFY_WITH_TIMEOUT(done.has_value(), 10000);
    QVERIFY(!done->ok);
    QCOMPARE(done->message, translate(L"Nie powiodło się wpisanie ustawień do urządzenia!"));
    QVERIFY(!data.isEmpty());
    QCOMPARE(int(data.last()[0].value<DeviceState>().rpmDivider), 3);

    // Map writes: clear, then one area step.
    unit.host->setFaults({});
    done.reset();
    rig.link->clearMap([&](const WriteResult& r) { done = r; });
    QTRY_VERIFY_WITH_TIMEOUT(done.has_value(), 5000);
    QVERIFY(done->ok);
    const auto map = unit.host->state().map;
    QVERIFY(std::all_of(map.begin(), map.end(), [](auto v) { return v == 0; }));
    QCOMPARE(data.last()[0].value<DeviceState>().map[3][3], 0.0);
}

void TestLinkController::unitInItsBootloaderIsReportedNotUpdated()
{
    Unit unit(tempName("boot"));
    unit.plugIn(true);
    Rig rig;
    QSignalSpy boot(&*rig.link, &CLinkController::bootloaderFound);
    QSignalSpy messages(&*rig.link, &CLinkController::message);
    rig.link->start(QString::fromStdString(unit.path));
    QTRY_COMPARE_WITH_TIMEOUT(boot.size(), 1, 10000);
    QCOMPARE(boot[0][0].toString(), QString::fromStdString(unit.path));
    QVERIFY(rig.link->status().inBootloader);
    QVERIFY(unit.host->state().flashRows.empty()); // nothing written without the user
    QVERIFY(messages.isEmpty());
    // Declined: not asked again while the unit stays plugged in.
    rig.link->declineBootloader(QString::fromStdString(unit.path));
    QTest::qWait(800);
    QCOMPARE(boot.size(), 1);

    // Accepted: programmed, then connected to the application.
    const auto file = firmwareFile(0x0104);
    QSignalSpy finished(&*rig.link, &CLinkController::programmingFinished);
    QSignalSpy progress(&*rig.link, &CLinkController::programmingProgress);
    rig.link->programFirmware(QString::fromStdString(file.string()), true);
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 60000);
    std::filesystem::remove(file);
    QVERIFY(finished[0][0].toBool());
    QVERIFY(!progress.isEmpty());
    QVERIFY(rig.waitState(LinkState::Connected));
    QCOMPARE(int(rig.link->status().version), 0x0104);
}

void TestLinkController::interruptedProgrammingEndsInATrueState()
{
    Unit unit(tempName("cut"));
    unit.plugIn();
    Rig rig;
    rig.link->start(QString::fromStdString(unit.path));
    QVERIFY(rig.waitState(LinkState::Connected));
    const auto file = firmwareFile(0x0104);
    QSignalSpy finished(&*rig.link, &CLinkController::programmingFinished);
    QSignalSpy boot(&*rig.link, &CLinkController::bootloaderFound);
    QSignalSpy messages(&*rig.link, &CLinkController::message);
    QSignalSpy connected(&*rig.link, &CLinkController::connected);
    // Pulled out on the link's own thread, at a row the writer has not passed yet.
    std::atomic<bool> pulled{false};
    QObject::connect(rig.link->worker(), &CLinkWorker::programmingProgress, rig.link->worker(),
                     [&](unsigned written, unsigned) {
                         if (written >= 10 && !pulled.exchange(true))
                             unit.pullOut();
                     }, Qt::DirectConnection);
    rig.link->programFirmware(QString::fromStdString(file.string()), false);
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 60000);
    QVERIFY(pulled);
    QVERIFY(!finished[0][0].toBool());
    QTRY_VERIFY_WITH_TIMEOUT(rig.link->status().state == LinkState::Lost, 10000);
    QVERIFY(!rig.link->canWrite());
    QCOMPARE(connected.size(), 0); // the unit is gone: never reported connected
    QVERIFY(!messages.isEmpty());
    QVERIFY(!messages[0][0].value<LinkMessage>().detail.isEmpty());
    QVERIFY(!messages[0][0].value<LinkMessage>().detail.contains(QStringLiteral("GetLastError")));

    // Back in its bootloader: the offer to finish.
    unit.plugIn(true);
    QTRY_COMPARE_WITH_TIMEOUT(boot.size(), 1, 10000);
    rig.link->programFirmware(QString::fromStdString(file.string()), true);
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 2, 60000);
    std::filesystem::remove(file);
    QVERIFY(finished[1][0].toBool());
    QVERIFY(rig.waitState(LinkState::Connected));
}

void TestLinkController::olderFirmwareWaitsForTheUsersAnswer()
{
    Unit unit(tempName("old"));
    unit.plugIn();
    Rig rig;
    rig.link->start(QString::fromStdString(unit.path));
    QVERIFY(rig.waitState(LinkState::Connected));
    const auto file = firmwareFile(0x0101);
    QSignalSpy question(&*rig.link, &CLinkController::downgradeQuestion);
    QSignalSpy finished(&*rig.link, &CLinkController::programmingFinished);
    rig.link->programFirmware(QString::fromStdString(file.string()), false);
    QTRY_COMPARE_WITH_TIMEOUT(question.size(), 1, 10000);
    QVERIFY(unit.host->state().flashRows.empty());
    QVERIFY(rig.waitState(LinkState::Connected));
    QTRY_VERIFY(rig.link->canWrite());

    rig.link->programFirmware(QString::fromStdString(file.string()), false, true);
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 2, 60000);
    std::filesystem::remove(file);
    QVERIFY(finished.last()[0].toBool());
    QVERIFY(rig.waitState(LinkState::Connected));
    QCOMPARE(int(rig.link->status().version), 0x0101);
}

void TestLinkController::scanProbesPortsAtOnceAndPrefersTheRemembered()
{
    // Silent ports: terminals nobody answers on.
    std::vector<std::unique_ptr<sim::CPty>> silent;
    std::vector<std::string> names;
    for (int i = 0; i < 4; ++i) {
        silent.push_back(std::make_unique<sim::CPty>());
        names.push_back(silent.back()->slavePath());
    }
    Unit first(tempName("s1"));
    Unit second(tempName("s2"));
    first.plugIn();
    second.plugIn();
    names.push_back(first.path);
    names.push_back(second.path);

    QElapsedTimer t;
    t.start();
    const std::vector<ProbeResult> results = probePorts(names, kFast);
    const qint64 took = t.elapsed();
    QCOMPARE(results.size(), names.size());
    for (int i = 0; i < 4; ++i)
        QCOMPARE(results[i].answer, ProbeAnswer::Nothing);
    QCOMPARE(results[4].answer, ProbeAnswer::Unit);
    // Four silent ports asked one after another would take four times as long.
    QVERIFY2(took < 4 * 3 * 150, qPrintable(QString::number(took)));

    // The controller's scan: the remembered port first, whatever the order.
    Rig rig;
    rig.ports.set(names);
    rig.settings.set(second.path);
    rig.link->start();
    QVERIFY(rig.waitState(LinkState::Connected, 15000));
    QCOMPARE(rig.link->status().port, QString::fromStdString(second.path));
}

void TestLinkController::poorLinkIsCounted()
{
    Unit unit(tempName("poor"));
    unit.plugIn();
    Rig rig;
    rig.link->start(QString::fromStdString(unit.path));
    QVERIFY(rig.waitState(LinkState::Connected));
    sim::Faults drop;
    drop.dropEvery = 3;
    unit.host->setFaults(drop);
    QTRY_VERIFY_WITH_TIMEOUT(rig.link->health().poor, 15000);
    QVERIFY(rig.link->health().noReply > 0);
    unit.host->setFaults({});
}

void TestLinkController::stateTextsSayWhatToDo_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("problem");
    QTest::addColumn<bool>("silent");
    QTest::addColumn<QString>("mustSay");
    const auto s = [](LinkState v) { return int(v); };
    const auto p = [](PortProblem v) { return int(v); };
    // A port the user may not open names the fix, not "no connection".
    QTest::newRow("permission") << s(LinkState::Disconnected) << p(PortProblem::NoPermission) << false
                                << QStringLiteral("dialout");
    QTest::newRow("busy") << s(LinkState::Disconnected) << p(PortProblem::Busy) << false
                          << QString::fromUtf8("zajęty");
    QTest::newRow("missing") << s(LinkState::Disconnected) << p(PortProblem::Missing) << false
                             << QStringLiteral("podłącz");
    QTest::newRow("silent") << s(LinkState::Disconnected) << p(PortProblem::None) << true
                            << QStringLiteral("nie");
    QTest::newRow("lost") << s(LinkState::Lost) << p(PortProblem::None) << true
                          << QString::fromUtf8("Ponawiam");
    QTest::newRow("connecting") << s(LinkState::Connecting) << p(PortProblem::None) << false
                                << QString::fromUtf8("Łączenie");
}

void TestLinkController::stateTextsSayWhatToDo()
{
    QFETCH(int, state);
    QFETCH(int, problem);
    QFETCH(bool, silent);
    QFETCH(QString, mustSay);
    LinkStatus status;
    status.state = LinkState(state);
    status.problem = PortProblem(problem);
    status.unitSilent = silent;
    status.port = QStringLiteral("/dev/ttyUSB7");
    const QString text = linkStateText(status);
    QVERIFY2(text.contains(QStringLiteral("/dev/ttyUSB7")), qPrintable(text));
    QVERIFY2(text.contains(mustSay, Qt::CaseInsensitive), qPrintable(text));
}

// Listing walks every tty of the system: with the folder watched, only a change
// there (an adapter plugged in) makes the worker ask again.
void TestLinkController::portsAreListedAgainOnlyWhenTheirFolderChanges()
{
    const std::filesystem::path folder = tempName("dev");
    std::filesystem::create_directories(folder);
    Rig rig({QString::fromStdString(folder.string())});
    QSignalSpy listed(&*rig.link, &CLinkController::portsChanged);
    QTRY_VERIFY(rig.ports.asked.load() >= 1);
    QTest::qWait(400); // eight looks at the list
    QCOMPARE(rig.ports.asked.load(), 1);

    rig.ports.set({"/dev/ttyUSB7"});
    std::ofstream(folder / "ttyUSB7").put('x');
    QTRY_VERIFY_WITH_TIMEOUT(!listed.isEmpty() &&
                                 listed.constLast().at(0).value<QList<PortEntry>>().size() == 1,
                             3000);
    QCOMPARE(listed.constLast().at(0).value<QList<PortEntry>>().at(0).name, QStringLiteral("/dev/ttyUSB7"));
    std::filesystem::remove_all(folder);
}

QTEST_MAIN(TestLinkController)
#include "tst_link_controller.moc"
