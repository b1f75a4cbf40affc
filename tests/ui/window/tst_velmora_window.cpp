// SPDX-License-Identifier: GPL-3.0-or-later
// The operator window driven against the simulated unit on a pseudo-terminal.

#include "../ui_fakes.h"

#include "ui/window/main_window.h"
#include "ui/window/status_messages.h"
#include "ui/map/map_actions.h"
#include "ui/widgets/reading_field.h"
#include "ui/widgets/up_down.h"
#include "ui/window/velmora_dlg.h"
#include "ui/window/readings.h"
#include "ui/window/window_layout.h"

#include "lang/translate.h"
#include "link/link_controller.h"
#include "link/link_worker.h"
#include "sim/firmware_builder.h"
#include "sim/sim_host.h"
#include "device/encodings.h"
#include "ui/chart/scroll_chart.h"
#include "ui/recording/chart_export.h"
#include "ui/recording/recording_control.h"
#include "acquisition/reading_csv.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QElapsedTimer>
#include "ui/widgets/group_frame.h"
#include <QLabel>
#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include "ui/map/cell_array.h"
#include <QWheelEvent>
#include <QPushButton>
#include <QSpontaneKeyEvent>
#include <QSignalSpy>
#include <QTest>
#include <QRegularExpression>
#include <QSet>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>
#include <QToolButton>

#include <atomic>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <thread>

using namespace velmora;
using velmora::test::FakeFirmwareUI;
using velmora::test::FakeMessageBox;
using velmora::test::FakePortLister;
using velmora::test::FakeSettingsStore;

namespace {

// One simulated unit, a link controller and the main window on it. The window goes
// first, then the link (its worker joins the reading thread), then the unit.
struct Rig {
    explicit Rig(bool withUnit = true, bool start = true)
    {
        host.emplace(linkPath());
        if (withUnit)
            host->start();
        ports.set({});
        CLinkController::Setup setup;
        setup.settings = &settings;
        setup.ports = &ports;
        setup.timeouts = Timeouts{150, 1};
        setup.retryMs = 300;
        setup.lostRetryMs = 100;
        setup.portWatchMs = 50;
        link = std::make_unique<CLinkController>(setup);
        main = std::make_unique<CMainWindow>(*link, &messages);
        window = &main->dialog();
        if (start)
            link->start(QString::fromStdString(host->path()));
    }
    ~Rig()
    {
        main.reset();
        link.reset();
    }
    static std::string linkPath()
    {
        return (std::filesystem::temp_directory_path() /
                ("velmora-window-unit-" + std::to_string(::getpid())))
            .string();
    }
    bool waitConnected(int ms = 10000)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            if (link->status().state == LinkState::Connected)
                return true;
            QTest::qWait(10);
        }
        return false;
    }

    QString text(int id) const
    {
        QWidget* w = window->control(id);
        if (auto* field = qobject_cast<CReadingField*>(w))
            return field->text();
        if (auto* edit = qobject_cast<QLineEdit*>(w))
            return edit->text();
        if (auto* label = qobject_cast<QLabel*>(w))
            return label->text();
        if (auto* button = qobject_cast<QPushButton*>(w))
            return button->text();
        if (auto* group = qobject_cast<CGroupFrame*>(w))
            return group->title();
        return {};
    }
    void click(int id) { QTest::mouseClick(window->control(id), Qt::LeftButton); }
    void spin(int id, int step)
    {
        auto* spinner = qobject_cast<CUpDown*>(window->control(id));
        QTest::mouseClick(step > 0 ? spinner->upButton() : spinner->downButton(), Qt::LeftButton);
    }
    std::size_t chartPoints(int series = 0) const
    {
        const auto* s = window->chart()->model().findSeries(series);
        return s ? s->size() : 0;
    }

    std::optional<sim::CSimHost> host;
    FakeMessageBox messages;
    FakeSettingsStore settings;
    FakePortLister ports;
    std::unique_ptr<CLinkController> link;
    std::unique_ptr<CMainWindow> main;
    CVelmoraDlg* window = nullptr;
};

const QString kConnected = QString::fromUtf8("POŁĄCZONY");
const QString kNotFound = QString::fromUtf8("BRAK KOMUNIKACJI");
const QString kLinkLost = QString::fromUtf8("BRAK POŁĄCZENIA");
const QString kStale = QString::fromUtf8(CVelmoraDlg::kNoValue);

std::filesystem::path writeFirmwareFile(std::uint16_t version)
{
    sim::FirmwareRecipe recipe;
    recipe.version = version;
    recipe.image = sim::sampleFirmwareImage(version);
    const auto bytes = sim::buildFirmwareFile(recipe);
    const auto path = std::filesystem::temp_directory_path() /
                      ("velmora-window-test-" + std::to_string(::getpid()) + ".afm");
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return path;
}

bool allEnabled(const QList<QWidget*>& widgets, bool enabled)
{
    for (QWidget* w : widgets)
        if (w->isEnabled() != enabled)
            return false;
    return true;
}

} // namespace

namespace {

QPushButton* recordButton(const Rig& rig)
{
    return rig.window->findChild<QPushButton*>(QStringLiteral("recordButton"));
}

std::vector<std::string> fileLines(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Columns seq..work_state of a recording row.
std::string sampleColumns(const std::string& row)
{
    const std::size_t from = row.find(',', row.find(',') + 1) + 1;
    return row.substr(from, row.rfind(',') - from);
}

} // namespace

class TestVelmoraWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init()
    {
        setLanguageIndex(0);
        // Nothing remembered from the test before.
        QSettings().remove(QStringLiteral("firmware/lastFile"));
        QSettings().remove(QStringLiteral("window/typedPorts"));
    }

    void connectsAndShowsTheUnit();
    void showsTheNewestReading();
    void withoutUnitWaitsAndConnectsWhenPluggedIn();
    void chartFollowsStartStopAndOverwrite();
    void spinnerStepReachesTheUnit();
    void refusedSettingsWriteStaysForAnotherTry();
    void typedAndPagedSettingsAreCheckedAndWritten();
    void clearMapAsksAndCanBeUndone();
    void refusedClearLeavesTheMapAlone();
    void lostLinkIsFoundAgain();
    void recordingRefusedByItsFolderSaysSo();
    void nothingWritesWhileTheUnitCannotTakeIt();
    void portChooserAndStatusBarFollowTheLink();
    void onlyZamknijClosesTheWindow();
    void zamknijEndsTheWindowWhileReading();
    void programCloseRequestEndsTheWindow();
    void arrowKeysGoToTheMapWhateverHasTheFocus();
    void stepThenUndoKeysRestoreTheUnitAndAPulledUnitTakesNoEdits();
    void firmwareButtonProgramsTheUnit();
    void unitInItsBootloaderIsProgrammedAtStart();
    void cutProgrammingSaysNoCommunicationAndOffersToFinish();
    void layoutKeepsEveryCaptionWhole();
    void typedPortIsReachedAndRemembered();
    void menusShowTheKeysTheReadmeNames();
    void olderFirmwareIsSaidPlainlyAndNoIsTheDefault();
    void closeDuringAFlashWaitsAndSaysWhy();
    void tabFollowsTheScreenAndReachesTheMap();
    void statusBarShowsWholeMessagesInTooltipAndList();
    void enlargedWindowGivesTheRoomToChartAndMap();

private:
    bool m_haveLanguageFiles = false;
};

void TestVelmoraWindow::initTestCase()
{
    // Backups made on connection go to a test folder, not the user's.
    QStandardPaths::setTestModeEnabled(true);
    loadLanguageFiles(executableFolder() + "EM_LANG");
    m_haveLanguageFiles = std::filesystem::exists(executableFolder() + "EM_LANG/ENGLISH.txt");
}

void TestVelmoraWindow::connectsAndShowsTheUnit()
{
    Rig rig;
    // The window is there at once, before the unit answered.
    QCOMPARE(rig.text(ctl::Status), kNotFound);
    QVERIFY(rig.waitConnected());

    QCOMPARE(rig.text(ctl::Status), kConnected);
    QCOMPARE(rig.settings.get(), rig.host->path());
    // The unit's settings, as the simulated unit starts: 2, 12, 1500.
    QTRY_COMPARE(rig.text(ctl::RpmDivider), QStringLiteral("2"));
    QCOMPARE(rig.text(ctl::NoiseDelta), QStringLiteral("12"));
    QCOMPARE(rig.text(ctl::NoisePeriod), QStringLiteral("1500"));
    QCOMPARE(rig.window->windowTitle(), QString::fromUtf8("Emulator ciśnienia paliwa"));
    QVERIFY(rig.window->isRefreshing());
    QVERIFY(rig.messages.shown().empty());
    // The hidden buttons stay hidden.
    rig.main->show();
    QVERIFY(!rig.window->control(ctl::Overwrite)->isVisible());
    QVERIFY(!rig.window->control(ctl::Definition)->isVisible());
    QVERIFY(rig.window->control(ctl::ClearMap)->isVisible());

    // Readings arrive with the refresh ticks.
    QTRY_VERIFY_WITH_TIMEOUT(!rig.window->readingsStale(), 5000);
    QVERIFY(rig.text(ctl::Rpm) != kStale && !rig.text(ctl::Rpm).isEmpty());
    QVERIFY(!rig.text(ctl::InputVolts).isEmpty());
    QVERIFY(!rig.text(ctl::WorkState).isEmpty());
    QCOMPARE(rig.text(ctl::Status), kConnected); // untouched while connected
}

void TestVelmoraWindow::showsTheNewestReading()
{
    Rig rig;
    QVERIFY(rig.waitConnected());
    // The window shows what the link hands it: two samples, the newest shown.
    CDiag older;
    older.rpmPeriod = 5000;
    older.inputRaw = 2000;
    older.sequence = 100000;
    CDiag newest;
    newest.rpmPeriod = 7500;
    newest.pumpRaw = -200;
    newest.inputRaw = 1000;
    newest.outputRaw = 300;
    newest.workState = 3;
    newest.sequence = 100001;
    emit rig.link->readingsArrived({older, newest});
    rig.window->refreshReadings();

    const ReadingTexts expected = readingTexts(newest);
    QCOMPARE(rig.text(ctl::Rpm), QString::fromStdWString(expected.rpm));
    QCOMPARE(rig.text(ctl::InputVolts), QString::fromStdWString(expected.inputVolts));
    QCOMPARE(rig.text(ctl::OutputVolts), QString::fromStdWString(expected.outputVolts));
    QCOMPARE(rig.text(ctl::PumpVolts), QString::fromStdWString(expected.pumpVolts));
    QCOMPARE(rig.text(ctl::WorkState), QString::fromStdWString(expected.workState));
    // The map marks the cell the engine works in.
    const CellPos cell = rig.window->map().findCell(rpmFromPeriod(newest.rpmPeriod), pumpVolts(newest));
    QCOMPARE(rig.window->map().currentCell(), cell);
    QVERIFY(rig.window->map().cell(cell.column, cell.row).isCurrent());
}

void TestVelmoraWindow::withoutUnitWaitsAndConnectsWhenPluggedIn()
{
    Rig rig(false);
    rig.main->show();
    QTest::qWait(800);
    // No box, no freeze: the window says it has no unit and keeps watching.
    QCOMPARE(rig.text(ctl::Status), kNotFound);
    QVERIFY(rig.messages.shown().empty());
    QVERIFY(rig.window->readingsStale());
    QCOMPARE(rig.text(ctl::RpmDivider), QString()); // nothing shown before a unit answered
    QCOMPARE(rig.window->map().columnHeader(0).getTxt(), std::wstring(L"500"));
    QCOMPARE(rig.window->map().rowHeader(15).getTxt(), std::wstring(L"15.36"));
    QCOMPARE(rig.window->map().cell(0, 0).getTxt(), std::wstring());
    QVERIFY(rig.main->stateField()->text().contains(QString::fromStdString(rig.host->path())));

    // The spinner does not move a value nothing would receive.
    rig.spin(ctl::SpinRpmDivider, +1);
    QCOMPARE(rig.text(ctl::RpmDivider), QString());
    QCOMPARE(int(rig.window->state().rpmDivider), 1);
    // Buttons that need the unit do nothing.
    FakeFirmwareUI firmware;
    rig.window->setFirmwareUI(&firmware);
    rig.window->OnBnClickedBtnFirmware();
    rig.window->OnBnClickedBtnClrMapTime();
    QCOMPARE(firmware.fileDialogs, 0);
    // Start sets the chart running, but nothing feeds it.
    rig.click(ctl::Start);
    QTest::qWait(300);
    QCOMPARE(rig.window->chartSampleCounter(), 0);

    // Plugged in: found without any action.
    rig.host->start();
    QVERIFY(rig.waitConnected());
    QTRY_COMPARE(rig.text(ctl::RpmDivider), QStringLiteral("2"));
    QTRY_VERIFY_WITH_TIMEOUT(!rig.window->readingsStale(), 5000);
    QVERIFY(rig.messages.shown().empty());
}

void TestVelmoraWindow::chartFollowsStartStopAndOverwrite()
{
    Rig rig;
    QVERIFY(rig.waitConnected());
    // Stopped when the window opens: readings refresh, the chart stays empty.
    QVERIFY(rig.window->chartStopped());
    QTRY_VERIFY_WITH_TIMEOUT(!rig.window->readingsStale(), 5000);
    QTest::qWait(300);
    QCOMPARE(rig.window->chartSampleCounter(), 0);
    QCOMPARE(rig.chartPoints(), std::size_t(0));

    rig.click(ctl::Start);
    QVERIFY(!rig.window->chartStopped());
    QTRY_VERIFY_WITH_TIMEOUT(rig.window->chartSampleCounter() >= 5, 5000);
    for (int series = 0; series < 3; ++series)
        QCOMPARE(rig.chartPoints(series), std::size_t(rig.window->chartSampleCounter()));
    QCOMPARE(rig.window->chart()->model().findSeries(0)->points().front().x, 0.0f);

    rig.click(ctl::Stop);
    const int frozen = rig.window->chartSampleCounter();
    // What the chart holds can be saved: one row per point, its values the chart's.
    const auto saved = std::filesystem::temp_directory_path() / ("velmora-chart-" + std::to_string(::getpid()) + ".csv");
    QVERIFY(writeChartData(rig.window->chartLog(), QString::fromStdString(saved.string())));
    const auto rows = fileLines(saved);
    QCOMPARE(rows.size(), std::size_t(frozen) + 1);
    const auto& points = rig.window->chart()->model().findSeries(0)->points();
    for (int i = 1; i <= frozen; ++i) {
        std::istringstream columns(sampleColumns(rows[static_cast<std::size_t>(i)]));
        std::string seq, rpm, inputVolts;
        std::getline(columns, seq, ',');
        std::getline(columns, rpm, ',');
        std::getline(columns, inputVolts, ',');
        // Volts with two decimals against percent of 15 V as a float.
        double volts = -1;
        std::from_chars(inputVolts.data(), inputVolts.data() + inputVolts.size(), volts);
        QVERIFY(std::abs(volts * 100 / 15 - points[static_cast<std::size_t>(i - 1)].y) < 0.07);
    }
    std::filesystem::remove(saved);
    QTest::qWait(400);
    QCOMPARE(rig.window->chartSampleCounter(), frozen);
    QCOMPARE(rig.chartPoints(), std::size_t(frozen));

    // Overwrite: drawing restarts at 0 over the old points, which stay.
    rig.window->OnBnClickedBtnOverwrite();
    QCOMPARE(rig.window->chartSampleCounter(), 0);
    QVERIFY(!rig.window->chartStopped());
    QTRY_VERIFY_WITH_TIMEOUT(rig.window->chartSampleCounter() >= 2, 5000);
    QCOMPARE(rig.chartPoints(), std::size_t(frozen));

    // Start empties the chart.
    rig.click(ctl::Stop);
    rig.click(ctl::Start);
    QCOMPARE(rig.chartPoints(), std::size_t(0));
    QCOMPARE(rig.window->chartSampleCounter(), 0);
}

void TestVelmoraWindow::spinnerStepReachesTheUnit()
{
    Rig rig;
    QVERIFY(rig.waitConnected());
    QTRY_COMPARE(rig.text(ctl::RpmDivider), QStringLiteral("2"));

    rig.spin(ctl::SpinRpmDivider, +1);
    QCOMPARE(rig.text(ctl::RpmDivider), QStringLiteral("3"));
    QTRY_COMPARE(int(rig.host->state().rpmDivider), 3);

    rig.spin(ctl::SpinNoiseDelta, -1);
    QCOMPARE(rig.text(ctl::NoiseDelta), QStringLiteral("11"));
    QTRY_COMPARE(int(rig.host->state().noiseDelta), 11);

    rig.spin(ctl::SpinNoisePeriod, -1);
    QCOMPARE(rig.text(ctl::NoisePeriod), QStringLiteral("1499"));
    QTRY_COMPARE(int(rig.host->state().noisePeriod), 1499);
    QTRY_COMPARE(int(rig.window->state().noisePeriod), 1499);

    // At the end of its range a step changes nothing and sends nothing.
    UnitSettings top = rig.window->document().settings();
    top.rpmDivider = 200;
    rig.window->document().setSettings(top);
    const unsigned requests = rig.host->state().requests;
    const unsigned readings = rig.host->state().readings;
    rig.spin(ctl::SpinRpmDivider, +1);
    QCOMPARE(int(rig.window->document().settings().rpmDivider), 200);
    QCOMPARE(rig.text(ctl::RpmDivider), QStringLiteral("200"));
    QTest::qWait(200);
    QCOMPARE(rig.host->state().requests - requests, rig.host->state().readings - readings);
    QVERIFY(rig.messages.shown().empty());
}

void TestVelmoraWindow::refusedSettingsWriteStaysForAnotherTry()
{
    Rig rig;
    QVERIFY(rig.waitConnected());
    QTRY_COMPARE(rig.text(ctl::NoiseDelta), QStringLiteral("12"));
    sim::Faults refuse;
    refuse.nakWrites = true;
    rig.host->setFaults(refuse);

    rig.spin(ctl::SpinNoiseDelta, +1);
    QCOMPARE(rig.text(ctl::NoiseDelta), QStringLiteral("13"));
    // Said plainly; then the field shows what the unit still has, not the value that
    // did not get through.
    QTRY_COMPARE_WITH_TIMEOUT(rig.messages.shown().size(), std::size_t(1), 10000);
    const auto shown = rig.messages.shown();
    QVERIFY(shown[0].text.find(L"Nie powiodło się wpisanie ustawień do urządzenia!") != std::wstring::npos);
    // It names the port the unit is on.
    QVERIFY(shown[0].text.find(std::wstring(rig.host->path().begin(), rig.host->path().end())) !=
            std::wstring::npos);
    QCOMPARE(shown[0].caption, std::wstring(L"Emulator"));
    QCOMPARE(shown[0].style, 0x10u);
    QTRY_COMPARE(rig.text(ctl::NoiseDelta), QStringLiteral("12"));
    QTRY_COMPARE(int(rig.window->state().noiseDelta), 12);
    QCOMPARE(int(rig.host->state().noiseDelta), 12);

    // Redo tries the same change again.
    rig.host->setFaults({});
    QVERIFY(rig.window->edits().stack().canRedo());
    rig.window->edits().stack().redo();
    QTRY_COMPARE(int(rig.host->state().noiseDelta), 13);
    QCOMPARE(rig.text(ctl::NoiseDelta), QStringLiteral("13"));
}

void TestVelmoraWindow::typedAndPagedSettingsAreCheckedAndWritten()
{
    Rig rig;
    QVERIFY(rig.waitConnected());
    QTRY_COMPARE(rig.text(ctl::NoisePeriod), QStringLiteral("1500"));
    auto* period = qobject_cast<QLineEdit*>(rig.window->control(ctl::NoisePeriod));
    period->setFocus();
    const struct {
        const char* typed;
        int expected; // on the unit afterwards
        bool refused;
    } cases[] = {{"50000", 50000, false}, {"abc", 50000, true}, {"99999", 50000, true},
                 {"-1", 50000, true},     {"12,5", 50000, true}, {" 1500 ", 1500, false}};
    std::size_t messages = 0;
    for (const auto& c : cases) {
        period->selectAll();
        QTest::keyClicks(period, QString::fromLatin1(c.typed));
        QTest::keyClick(period, Qt::Key_Return);
        messages += c.refused;
        QCOMPARE(rig.messages.shown().size(), messages);
        QTRY_COMPARE(int(rig.host->state().noisePeriod), c.expected);
        QCOMPARE(rig.text(ctl::NoisePeriod), QString::number(c.expected));
    }
    QTest::keyClick(period, Qt::Key_PageUp);
    QTRY_COMPARE(int(rig.host->state().noisePeriod), 1510);
    QTest::keyClick(period, Qt::Key_PageDown);
    QTest::keyClick(period, Qt::Key_PageDown);
    QTRY_COMPARE(int(rig.host->state().noisePeriod), 1490);
    QWheelEvent wheel(QPointF(5, 5), period->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 240),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(period, &wheel);
    QTRY_COMPARE(int(rig.host->state().noisePeriod), 1492);
    // Folded into one undo entry per setting.
    rig.window->edits().stack().undo();
    QTRY_COMPARE(int(rig.host->state().noisePeriod), 1500);
}

void TestVelmoraWindow::clearMapAsksAndCanBeUndone()
{
    Rig rig;
    QVERIFY(rig.waitConnected());
    const auto before = rig.host->state();
    QVERIFY(std::any_of(before.map.begin(), before.map.end(), [](auto b) { return b != 0; }));

    // No is the default answer and changes nothing.
    QTRY_COMPARE(rig.window->document().map(), contentOf(rig.window->state()).map);
    rig.click(ctl::ClearMap);
    QCOMPARE(rig.messages.shown().size(), std::size_t(1));
    QCOMPARE(rig.messages.shown()[0].text, std::wstring(L"Wyzerować całą mapę korekcji w urządzeniu?"));
    QCOMPARE(rig.messages.shown()[0].style, unsigned(MB_YESNO_DEFNO));
    QCOMPARE(rig.host->state().map, before.map);

    rig.messages.answer = ID_YES;
    rig.click(ctl::ClearMap);
    QTRY_COMPARE_WITH_TIMEOUT(rig.host->state().mapStores, before.mapStores + 1, 5000);
    const auto after = rig.host->state();
    QVERIFY(std::all_of(after.map.begin(), after.map.end(), [](auto b) { return b == 0; }));
    QVERIFY(std::all_of(after.storedMap.begin(), after.storedMap.end(), [](auto b) { return b == 0; }));
    for (const auto& row : rig.window->document().map())
        for (double v : row)
            QCOMPARE(v, 0.0);
    for (int c = 0; c < CCellGrid::kColumns; ++c)
        for (int r = 0; r < CCellGrid::kRows; ++r)
            QCOMPARE(rig.window->map().cell(c, r).getTxt(), std::wstring(L"0.0"));
    QCOMPARE(rig.messages.shown().size(), std::size_t(2));

    QVERIFY(rig.window->mapActions()->action(CMapActions::kUndo)->shortcuts().contains(
        QKeySequence(QKeySequence::Undo)));
    rig.window->mapActions()->action(CMapActions::kUndo)->trigger();
    QTRY_COMPARE(rig.host->state().map, before.map);
    // The store command follows the map write.
    QTRY_COMPARE(rig.host->state().storedMap, before.map);
    QVERIFY(!QApplication::overrideCursor());
}

void TestVelmoraWindow::refusedClearLeavesTheMapAlone()
{
    Rig rig;
    QVERIFY(rig.waitConnected());
    QTRY_VERIFY(rig.window->state().map[3][3] != 0.0);
    rig.messages.answer = ID_YES;
    const auto mapBefore = rig.window->document().map();
    sim::Faults refuse;
    refuse.nakWrites = true;
    rig.host->setFaults(refuse);

    rig.click(ctl::ClearMap);
    QTRY_COMPARE_WITH_TIMEOUT(rig.messages.shown().size(), std::size_t(2), 10000);
    QTRY_VERIFY(rig.window->document().map() == mapBefore);
    const auto shown = rig.messages.shown();
    QVERIFY(shown[1].text.find(L"Nie powiodło się wpisanie mapy wtrysków do urządzenia!") != std::wstring::npos);
    QCOMPARE(shown[1].style, 0x10u);
    QVERIFY(!QApplication::overrideCursor());
}


// A recording started before the link goes keeps one marker for the loss and goes on
// in the same file after reconnection; its rows are the samples the window shows.
void TestVelmoraWindow::lostLinkIsFoundAgain()
{
    Rig rig;
    const auto folder = std::filesystem::temp_directory_path() / ("velmora-rec-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder);
    rig.window->recording()->setFolder(QString::fromStdString(folder.string()));
    QVERIFY(rig.waitConnected());
    rig.click(ctl::Start);
    QTRY_VERIFY_WITH_TIMEOUT(!rig.window->readingsStale() && rig.window->chartSampleCounter() > 2, 5000);
    QVERIFY(recordButton(rig));
    recordButton(rig)->click();
    QVERIFY(rig.window->recording()->isRecording());
    QVERIFY(recordButton(rig)->isChecked());
    QTRY_VERIFY_WITH_TIMEOUT(rig.window->recording()->recorder().sampleCount() >= 3, 5000);

    sim::Faults silent;
    silent.noReply = true;
    rig.host->setFaults(silent);
    // Within a second of the last reading the fields say they have nothing current.
    QTRY_VERIFY_WITH_TIMEOUT(rig.window->readingsStale(), 3000);
    QCOMPARE(rig.text(ctl::Rpm), kStale);
    QVERIFY(!rig.window->control(ctl::Rpm)->isEnabled());
    const CellPos marked = rig.window->map().currentCell();
    QVERIFY(!rig.window->map().cell(marked.column, marked.row).isCurrent());
    // The chart's line ends there: a gap point, not a line across the silence.
    const auto& model = rig.window->chart()->model();
    QVERIFY(!model.gaps().empty());
    const float lastX = model.findSeries(0)->points().back().x;
    QVERIFY(model.gapBetween(lastX, lastX + 1));
    QTRY_COMPARE_WITH_TIMEOUT(rig.text(ctl::Status), kLinkLost, 20000);
    QVERIFY(!allEnabled(rig.window->writeControls(), true));

    rig.host->setFaults({});
    QTRY_COMPARE_WITH_TIMEOUT(rig.text(ctl::Status), QStringLiteral("CONNECTED"), 30000);
    QTRY_VERIFY_WITH_TIMEOUT(!rig.window->readingsStale(), 5000);
    QVERIFY(allEnabled(rig.window->writeControls(), true));
    QVERIFY(rig.messages.shown().empty());

    // The newest row is the reading on screen.
    const std::uint64_t before = rig.window->recording()->recorder().sampleCount();
    QTRY_VERIFY_WITH_TIMEOUT(rig.window->recording()->recorder().sampleCount() > before + 2, 5000);
    // Stopped on the window's thread: the last row is the newest reading it holds.
    recordButton(rig)->click();
    const std::optional<CDiag> newest = rig.window->newestReading();
    QVERIFY(newest.has_value());
    QVERIFY(!rig.window->recording()->isRecording());
    QVERIFY(!recordButton(rig)->isChecked());

    const auto lines = fileLines(rig.window->recording()->recorder().file());
    QVERIFY(lines.size() > 8);
    QCOMPARE(QString::fromStdString(lines.front()), QString::fromUtf8(kRecordingCsvHeader.data()));
    int markers = 0;
    std::size_t markerAt = 0;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        if (lines[i].find(",link_lost,") != std::string::npos) {
            ++markers;
            markerAt = i;
        }
    }
    QCOMPARE(markers, 1);
    QVERIFY(markerAt > 3 && markerAt + 3 < lines.size());
    QCOMPARE(sampleColumns(lines.back()), readingCsvFields(*newest));
    // After reconnection the new reading thread numbers from 1 again.
    QCOMPARE(sampleColumns(lines[markerAt + 1]).substr(0, 2), std::string("1,"));
    std::filesystem::remove_all(folder);
}

void TestVelmoraWindow::recordingRefusedByItsFolderSaysSo()
{
    Rig rig(false);
    const auto blocker = std::filesystem::temp_directory_path() / ("velmora-blocker-" + std::to_string(::getpid()));
    std::ofstream(blocker) << "a file where the folder should be";
    rig.window->recording()->setFolder(QString::fromStdString((blocker / "Velmora").string()));
    rig.messages.clear();
    recordButton(rig)->click();
    QVERIFY(!rig.window->recording()->isRecording());
    QVERIFY(!recordButton(rig)->isChecked());
    QCOMPARE(rig.messages.shown().size(), std::size_t(1));
    QVERIFY(rig.messages.shown().front().text.find(blocker.wstring()) != std::wstring::npos);
    QVERIFY(rig.window->recording()->statusWidget()->isVisibleTo(rig.main.get()));
    std::filesystem::remove(blocker);
}

void TestVelmoraWindow::nothingWritesWhileTheUnitCannotTakeIt()
{
    Rig rig;
    QVERIFY(rig.waitConnected());
    rig.main->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig.main.get()));
    QTRY_VERIFY(allEnabled(rig.window->writeControls(), true));
    CMapEmu1& map = rig.window->map();
    map.selectRectangle({2, 2}, {2, 2});
    map.setAnchor({2, 2});
    QTRY_VERIFY(rig.window->state().map[2][2] != 0.0);
    const std::wstring cellBefore = map.cell(2, 2).getTxt();

    rig.link->disconnectUnit();
    QTRY_COMPARE(rig.text(ctl::Status), kNotFound);
    QVERIFY(allEnabled(rig.window->writeControls(), false));
    // Ctrl+Up changes nothing on screen when nothing would reach the unit.
    auto* edit = rig.window->control(ctl::RpmDivider);
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Up, Qt::ControlModifier);
    QCOMPARE(map.cell(2, 2).getTxt(), cellBefore);
    rig.spin(ctl::SpinNoiseDelta, +1);
    QCOMPARE(rig.text(ctl::NoiseDelta), QStringLiteral("12"));

    rig.link->connectUnit();
    QVERIFY(rig.waitConnected());
    QTRY_VERIFY(allEnabled(rig.window->writeControls(), true));
}

void TestVelmoraWindow::portChooserAndStatusBarFollowTheLink()
{
    Rig rig;
    rig.ports.set({"/dev/velmora-nonexistent-a"});
    QVERIFY(rig.waitConnected());
    const QString port = QString::fromStdString(rig.host->path());
    QVERIFY(rig.main->portField()->text().contains(port));
    QVERIFY(rig.main->versionField()->text().contains(QStringLiteral("1.03")));
    QVERIFY(rig.main->deviceTypeField()->text().contains(QStringLiteral("0x11")));
    QTRY_VERIFY_WITH_TIMEOUT(!rig.main->healthField()->text().isEmpty(), 5000);
    LinkHealthFigures poor;
    poor.exchanges = 100;
    poor.failures = 30;
    poor.failurePercent = 30;
    poor.poor = true;
    // The figures change every second: the fields beside them stay where they are once
    // the widest text was shown, and every text is shown whole.
    rig.main->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig.main.get()));
    QLabel* health = rig.main->healthField();
    const auto showFigures = [&](const LinkHealthFigures& figures) {
        emit rig.link->healthChanged(figures);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        // A poor link shows its short form; the figures are in the tooltip.
        QCOMPARE(health->text(), figures.poor ? CMainWindow::shortHealthText(figures) : CMainWindow::healthText(figures));
        QCOMPARE(health->toolTip(), CMainWindow::healthText(figures));
        QVERIFY(health->width() >= health->fontMetrics().horizontalAdvance(health->text()));
    };
    showFigures(poor);
    showFigures(LinkHealthFigures{});
    const int portAt = rig.main->portField()->x();
    showFigures(poor);
    QCOMPARE(rig.main->portField()->x(), portAt);
    // The chooser: "scan all", the listed ports, and the unit's own port.
    QComboBox* chooser = rig.main->portChooser();
    QTRY_VERIFY(chooser->findData(QStringLiteral("/dev/velmora-nonexistent-a")) >= 0);
    QCOMPARE(chooser->itemText(0), CMainWindow::scanAllText());
    QCOMPARE(chooser->currentData().toString(), port);
    QVERIFY(rig.main->unitMenu() && rig.main->fileMenu() && rig.main->editMenu() &&
            rig.main->viewMenu() && rig.main->helpMenu());

    // Another port chosen: the window lets the unit go and says it tries that port.
    chooser->setCurrentIndex(chooser->findData(QStringLiteral("/dev/velmora-nonexistent-a")));
    emit chooser->activated(chooser->currentIndex());
    QTRY_VERIFY(rig.link->status().state != LinkState::Connected);
    QTRY_VERIFY(rig.main->stateField()->text().contains(QStringLiteral("/dev/velmora-nonexistent-a")));
    QVERIFY(rig.window->readingsStale());

    QVERIFY(CMainWindow::healthText(poor) != CMainWindow::healthText(LinkHealthFigures{}));

}

void TestVelmoraWindow::onlyZamknijClosesTheWindow()
{
    Rig rig;
    QVERIFY(rig.waitConnected());
    rig.main->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig.main.get()));

    QTest::keyClick(rig.window, Qt::Key_Escape);
    QVERIFY(rig.main->isVisible());

    auto* edit = rig.window->control(ctl::NoiseDelta);
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Return);
    QVERIFY(rig.main->isVisible());

    QCloseEvent frameClose; // the frame's close box and Alt+F4
    QSpontaneKeyEvent::setSpontaneous(&frameClose);
    qApp->notify(rig.main.get(), &frameClose); // notify keeps the spontaneous mark
    QVERIFY(!frameClose.isAccepted());
    QVERIFY(rig.main->isVisible());
    QVERIFY(rig.window->isRefreshing());

    // Enter on the focused Zamknij presses it.
    rig.window->control(ctl::Close)->setFocus();
    QTest::keyClick(rig.window->control(ctl::Close), Qt::Key_Return);
    QVERIFY(!rig.main->isVisible());
    QVERIFY(!rig.window->isRefreshing());
}

void TestVelmoraWindow::zamknijEndsTheWindowWhileReading()
{
    Rig rig;
    rig.main->show();
    QVERIFY(rig.waitConnected());
    QTRY_VERIFY_WITH_TIMEOUT(!rig.window->readingsStale(), 5000);
    rig.click(ctl::Close);
    QVERIFY(!rig.main->isVisible());
    QVERIFY(!rig.window->isRefreshing());
    rig.main.reset(); // the link outlives the window; its worker still reads
    rig.link.reset(); // and joins its reading thread
}

void TestVelmoraWindow::programCloseRequestEndsTheWindow()
{
    Rig rig;
    rig.main->show();
    QTimer::singleShot(300, [] { QApplication::closeAllWindows(); });
    QTRY_VERIFY(!rig.main->isVisible());
    QVERIFY(!rig.window->isRefreshing() || !rig.main->isVisible());
}

void TestVelmoraWindow::stepThenUndoKeysRestoreTheUnitAndAPulledUnitTakesNoEdits()
{
    Rig rig;
    QVERIFY(rig.waitConnected());
    rig.main->show();
    rig.main->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(rig.main.get()));
    QTRY_VERIFY(rig.window->state().map[6][5] != 0.0);
    CMapEmu1& map = rig.window->map();
    map.selectRectangle({5, 6}, {6, 7});
    map.setAnchor({5, 6});
    QWidget* grid = rig.window->mapGrid();
    grid->setFocus();

    // Ctrl+Up on the grid, then the Edit menu's Ctrl+Z: the unit's own bytes return.
    const auto before = rig.host->state();
    QTest::keyClick(grid, Qt::Key_Up, Qt::ControlModifier);
    QTRY_COMPARE_WITH_TIMEOUT(rig.host->state().mapStores, before.mapStores + 1, 5000);
    QVERIFY(rig.host->state().map != before.map);
    QTRY_VERIFY(rig.window->mapActions()->action(CMapActions::kUndo)->isEnabled());
    QTest::keyClick(grid, Qt::Key_Z, Qt::ControlModifier);
    QTRY_COMPARE_WITH_TIMEOUT(rig.host->state().map, before.map, 5000);
    QTRY_COMPARE(rig.host->state().storedMap, before.map);
    QVERIFY(rig.messages.shown().empty());
    QVERIFY(rig.main->editMenu()->actions().contains(rig.window->mapActions()->action(CMapActions::kUndo)));

    // Pulled out: nothing that would change the unit can be chosen; reading the map can.
    QVERIFY(rig.window->mapActions()->action(CMapActions::kRedo)->isEnabled());
    rig.host.reset();
    QTRY_VERIFY_WITH_TIMEOUT(!rig.link->canWrite(), 10000);
    for (CMapActions::Id id : {CMapActions::kUndo, CMapActions::kRedo, CMapActions::kPaste,
                               CMapActions::kSetValue, CMapActions::kAddValue, CMapActions::kScaleValue,
                               CMapActions::kInterpolateBoth, CMapActions::kClearMap})
        QVERIFY2(!rig.window->mapActions()->action(id)->isEnabled(), qPrintable(QString::number(id)));
    QVERIFY(rig.window->mapActions()->action(CMapActions::kCopy)->isEnabled());
    QVERIFY(allEnabled(rig.window->writeControls(), false));
}

void TestVelmoraWindow::arrowKeysGoToTheMapWhateverHasTheFocus()
{
    Rig rig;
    QVERIFY(rig.waitConnected());
    rig.main->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig.main.get()));
    QTRY_VERIFY(rig.window->state().map[4][4] != 0.0);
    CMapEmu1& map = rig.window->map();
    map.selectRectangle({3, 4}, {3, 4});
    map.setAnchor({3, 4});

    auto* edit = qobject_cast<QLineEdit*>(rig.window->control(ctl::RpmDivider));
    edit->setFocus();
    edit->setCursorPosition(1);
    QTest::keyClick(edit, Qt::Key_Right);
    QVERIFY(map.isSelected(4, 4));
    QVERIFY(!map.isSelected(3, 4));
    QTest::keyClick(edit, Qt::Key_Down, Qt::ShiftModifier);
    QVERIFY(map.isSelected(4, 4) && map.isSelected(4, 5));
    QCOMPARE(edit->cursorPosition(), 1);
    QVERIFY(!edit->hasSelectedText());

    // Ctrl+Up steps the selected cells and sends the change to the unit.
    const auto hostBefore = rig.host->state();
    const double before = rig.window->state().map[4][4];
    QTest::keyClick(edit, Qt::Key_Up, Qt::ControlModifier);
    QTRY_COMPARE_WITH_TIMEOUT(rig.host->state().mapStores, hostBefore.mapStores + 1, 5000);
    const auto hostAfter = rig.host->state();
    QVERIFY(hostAfter.map[4 * 15 + 4] != hostBefore.map[4 * 15 + 4] || before >= 5.0);
    QTRY_COMPARE(rig.window->state().map[4][4],
                 mapValueFromByte(hostAfter.map[4 * 15 + 4]));
    QVERIFY(rig.messages.shown().empty());

    // Other keys still reach the edit.
    QTest::keyClick(edit, Qt::Key_Home);
    QCOMPARE(edit->cursorPosition(), 0);
}

void TestVelmoraWindow::firmwareButtonProgramsTheUnit()
{
    Rig rig;
    QVERIFY(rig.waitConnected());
    QTRY_VERIFY(allEnabled(rig.window->writeControls(), true));
    FakeFirmwareUI firmware;
    firmware.file = writeFirmwareFile(0x0104);
    rig.window->setFirmwareUI(&firmware);
    rig.messages.answer = ID_YES;

    rig.click(ctl::Firmware);
    QCOMPARE(firmware.fileDialogs, 1);
    // One question first: the unit's version, the file's version and name; No first.
    QCOMPARE(rig.messages.shown().size(), std::size_t(1));
    const auto question = rig.messages.shown()[0];
    QCOMPARE(question.style & 0x30F, unsigned(MB_YESNO_DEFNO));
    const std::wstring name = firmware.file.filename().wstring();
    QCOMPARE(question.text.substr(0, question.text.find(L'\n')),
             L"Zaprogramować sterownik (wersja 1.03) wersją 1.04 z pliku " + name + L"?");
    QVERIFY(question.text.find(L"STARSZA") == std::wstring::npos);
    // While programming nothing else may write.
    QTRY_COMPARE(rig.link->status().state, LinkState::Programming);
    QVERIFY(allEnabled(rig.window->writeControls(), false));
    QTRY_VERIFY_WITH_TIMEOUT(firmware.busy.size() == 2, 60000);
    std::filesystem::remove(firmware.file);

    QVERIFY(firmware.progressCalls > 0);
    QCOMPARE(firmware.lastWritten, firmware.lastTotal);
    QCOMPARE(firmware.busy, std::vector<bool>({true, false}));
    QVERIFY(!rig.host->state().flashRows.empty());
    QVERIFY(rig.waitConnected());
    QTRY_COMPARE(int(rig.window->state().version), 0x0104);
    QVERIFY(rig.main->versionField()->text().contains(QStringLiteral("1.04")));
    QTRY_VERIFY_WITH_TIMEOUT(!rig.window->readingsStale(), 5000);
    // And a word at the end: the new version, the file and the time taken.
    QCOMPARE(rig.messages.shown().size(), std::size_t(2));
    const auto result = rig.messages.shown()[1];
    QCOMPARE(result.style, unsigned(MB_INFO));
    QVERIFY(result.text.rfind(L"Sterownik zaprogramowany: wersja 1.04 z pliku " + name + L", w ", 0) == 0);
}

void TestVelmoraWindow::unitInItsBootloaderIsProgrammedAtStart()
{
    Rig rig(true, false);
    rig.host->startInBootloader();
    FakeFirmwareUI firmware;
    firmware.file = writeFirmwareFile(0x0104);
    rig.window->setFirmwareUI(&firmware);
    rig.messages.answer = ID_YES;
    rig.link->start(QString::fromStdString(rig.host->path()));

    QTRY_COMPARE_WITH_TIMEOUT(firmware.fileDialogs, 1, 10000);
    QVERIFY(rig.messages.startingWith(
                L"Sterownik nie jest poprawnie zaprogramowany i wymaga przeprogramowania.") == 1);
    // The unit's version is not known in its bootloader: the question names the port.
    QVERIFY(rig.messages.startingWith(L"Zaprogramować sterownik czekający w trybie programowania (port ") == 1);
    QTRY_VERIFY_WITH_TIMEOUT(firmware.busy.size() == 2, 60000);
    std::filesystem::remove(firmware.file);
    QVERIFY(firmware.progressCalls > 0);
    QVERIFY(rig.waitConnected());
    QTRY_COMPARE(rig.text(ctl::Status), kConnected);
    QTRY_VERIFY_WITH_TIMEOUT(!rig.window->readingsStale(), 5000);
}

void TestVelmoraWindow::cutProgrammingSaysNoCommunicationAndOffersToFinish()
{
    Rig rig;
    QVERIFY(rig.waitConnected());
    FakeFirmwareUI firmware;
    firmware.file = writeFirmwareFile(0x0104);
    rig.window->setFirmwareUI(&firmware);
    rig.messages.answer = ID_YES;
    // Pulled out mid-flash: on the link's own thread, at a row the writer has not passed.
    std::atomic<bool> pulled{false};
    QObject::connect(rig.link->worker(), &CLinkWorker::programmingProgress, rig.link->worker(),
                     [&](unsigned written, unsigned) {
                         if (written >= 10 && !pulled.exchange(true))
                             rig.host.reset();
                     }, Qt::DirectConnection);
    QSignalSpy connected(rig.link.get(), &CLinkController::connected);
    rig.window->OnBnClickedBtnFirmware();
    QTRY_VERIFY_WITH_TIMEOUT(firmware.busy.size() == 2, 60000);
    QVERIFY(pulled);
    QTRY_COMPARE_WITH_TIMEOUT(rig.text(ctl::Status), kNotFound, 10000);
    QVERIFY(allEnabled(rig.window->writeControls(), false));
    QCOMPARE(connected.size(), 0); // never connected to a unit that is not there
    // One box that says what to do, with the detail behind it, never a Windows call name;
    // no success and no second failure box.
    const auto shown = rig.messages.shown();
    QVERIFY(shown.size() >= 2);
    const auto box = shown[1];
    QCOMPARE(box.style, unsigned(MB_ERROR));
    QVERIFY(!box.detail.empty());
    for (const auto& other : shown)
        QVERIFY(other.text.rfind(L"Sterownik zaprogramowany", 0) != 0 && other.text.rfind(L"Aktualizacja firmware nie", 0) != 0);
    QVERIFY(box.text.find(L"GetLastError") == std::wstring::npos);
    QVERIFY(box.detail.find(L"GetLastError") == std::wstring::npos);
    // The details in words, not the code's places.
    QVERIFY2(box.detail.find(L"line ") == std::wstring::npos && box.detail.find(L"::") == std::wstring::npos,
             qPrintable(QString::fromStdWString(box.detail)));
    QVERIFY(box.detail.find(L"Port: ") != std::wstring::npos);

    // Back in its bootloader: the window offers to finish with the same file, one answer.
    rig.messages.clear();
    rig.host.emplace(Rig::linkPath());
    rig.host->startInBootloader();
    rig.host->start();
    QTRY_VERIFY_WITH_TIMEOUT(firmware.busy.size() == 4, 60000);
    QCOMPARE(firmware.fileDialogs, 1);
    const auto offer = rig.messages.shown().at(0);
    QVERIFY(offer.text.find(L"Dokończyć aktualizację wersją 1.04 z pliku " + firmware.file.filename().wstring()) !=
            std::wstring::npos);
    QCOMPARE(offer.style & 0x30F, 0x04u); // Yes first
    std::filesystem::remove(firmware.file);
    QVERIFY(rig.waitConnected());
    QTRY_COMPARE(int(rig.window->state().version), 0x0104);
}

void TestVelmoraWindow::layoutKeepsEveryCaptionWhole()
{
    std::vector<int> languages{0};
    if (m_haveLanguageFiles)
        languages.insert(languages.end(), {1, 2, 7});
    Rig rig(false, false);
    const QRect client = rig.window->rect();
    for (const int language : languages) {
        setLanguageIndex(language);
        rig.window->translateCaptions();
        for (const ControlTemplate& entry : mainWindowControls()) {
            QWidget* w = entry.id >= 0 ? rig.window->control(entry.id) : nullptr;
            if (!w)
                continue;
            const QString where = QStringLiteral("control %1, language %2").arg(entry.id).arg(language);
            QVERIFY2(client.contains(w->geometry()), qPrintable(where));
            const QString text = rig.text(entry.id);
            const int needed = w->fontMetrics().horizontalAdvance(text);
            if (qobject_cast<QPushButton*>(w))
                QVERIFY2(needed + CVelmoraDlg::kButtonTextMargin <= w->width(), qPrintable(where + ": " + text));
            else if (qobject_cast<QLabel*>(w) && entry.kind == ControlKind::Label)
                QVERIFY2(needed <= w->width(), qPrintable(where + ": " + text));
            else if (qobject_cast<CGroupFrame*>(w))
                QVERIFY2(needed + CVelmoraDlg::kGroupTitleMargin <= w->width(), qPrintable(where + ": " + text));
            if (entry.kind == ControlKind::Label || entry.kind == ControlKind::Button)
                QVERIFY2(w->fontMetrics().height() <= w->height(), qPrintable(where));
        }
    }
    setLanguageIndex(0);
    // The unit labels keep their resource text in every language.
    const auto labels = rig.window->findChildren<QLabel*>(QStringLiteral("V"));
    QCOMPARE(labels.size(), 3);
    for (QLabel* label : labels)
        QCOMPARE(label->text(), QStringLiteral("V"));
    QCOMPARE(rig.text(ctl::Overwrite), QStringLiteral("Nadpisuj"));
}

void TestVelmoraWindow::typedPortIsReachedAndRemembered()
{
    Rig rig(true, false);
    rig.link->start(QString()); // nothing listed: the scan finds no unit
    QComboBox* chooser = rig.main->portChooser();
    QVERIFY(chooser->isEditable());
    const QString port = QString::fromStdString(rig.host->path());
    chooser->lineEdit()->setText(port);
    QTest::keyClick(chooser->lineEdit(), Qt::Key_Return);
    QVERIFY(rig.waitConnected());
    QCOMPARE(rig.link->target(), port);
    QCOMPARE(QSettings().value(QStringLiteral("window/typedPorts")).toStringList(), QStringList{port});

    // Still in the list after the scan is chosen again and the port list changes.
    chooser->setCurrentIndex(0);
    emit chooser->activated(0);
    QTRY_VERIFY(rig.link->target().isEmpty());
    emit rig.link->portsChanged({});
    QVERIFY(chooser->findData(port) > 0);
    // A list entry's own text chooses it, as a click on it would.
    chooser->lineEdit()->setText(chooser->itemText(chooser->findData(port)));
    QTest::keyClick(chooser->lineEdit(), Qt::Key_Return);
    QTRY_COMPARE(rig.link->target(), port);

    // Its arrows move the caret, not the map's selection.
    rig.window->map().pressCell({3, 3}, false);
    QTest::keyClick(chooser->lineEdit(), Qt::Key_Left);
    QTest::keyClick(chooser->lineEdit(), Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(rig.window->map().firstSelected(), std::optional<CellPos>(CellPos{3, 3}));
    QCOMPARE(rig.window->map().lastSelected(), std::optional<CellPos>(CellPos{3, 3}));
}

// Every key the README's tables name is on a menu entry, which shows it; every menu
// entry's key is in the README.
void TestVelmoraWindow::menusShowTheKeysTheReadmeNames()
{
    QFile readme(QStringLiteral(VELMORA_SOURCE_DIR "/README.md"));
    QVERIFY(readme.open(QIODevice::ReadOnly));
    QSet<QString> documented;
    static const QRegularExpression key(QStringLiteral("\\b((?:Ctrl\\+)(?:Shift\\+)?(?:[A-Z0-9]|F\\d+)|F1)\\b"));
    for (const QString& line : QString::fromUtf8(readme.readAll()).split(QLatin1Char('\n'))) {
        if (!line.startsWith(QLatin1String("| ")))
            continue;
        const QString keys = line.section(QLatin1Char('|'), 1, 1);
        for (auto it = key.globalMatch(keys); it.hasNext();)
            documented.insert(it.next().captured(1));
    }
    QVERIFY(documented.contains(QStringLiteral("Ctrl+Shift+S")));

    Rig rig(false, false);
    QHash<QString, QAction*> inMenus;
    QHash<QString, QAction*> shown;
    std::function<void(QMenu*)> walk = [&](QMenu* menu) {
        for (QAction* action : menu->actions()) {
            if (action->menu())
                walk(action->menu());
            // The first key is the one the menu shows; the others are the platform's extras.
            for (const QKeySequence& sequence : action->shortcuts()) {
                const QString text = sequence.toString(QKeySequence::PortableText);
                QVERIFY2(!inMenus.contains(text) && !shown.contains(text), qPrintable(text + QStringLiteral(" twice")));
                if (sequence == action->shortcut())
                    shown.insert(text, action);
                else
                    inMenus.insert(text, action);
            }
        }
    };
    for (QMenu* menu : {rig.main->fileMenu(), rig.main->editMenu(), rig.main->unitMenu(), rig.main->viewMenu(),
                        rig.main->helpMenu()})
        walk(menu);
    for (const QString& sequence : std::as_const(documented))
        QVERIFY2(shown.contains(sequence) || inMenus.contains(sequence),
                 qPrintable(sequence + QStringLiteral(" is on no menu entry")));
    for (auto it = shown.cbegin(); it != shown.cend(); ++it)
        QVERIFY2(documented.contains(it.key()), qPrintable(it.key() + QStringLiteral(" is not in README.md")));

    // Ctrl+Shift+S opens the save dialog; F1 the manual.
    rig.main->show();
    rig.main->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(rig.main.get()));
    QString opened;
    QTimer::singleShot(300, [&opened] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            opened = dialog->windowTitle();
            dialog->close();
        }
    });
    QTest::keyClick(rig.main.get(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    QTRY_COMPARE(opened, QString::fromStdWString(translate(L"Zapisz mapę jako")));
    rig.main->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(rig.main.get()));
    QTest::keyClick(rig.main.get(), Qt::Key_F1);
    auto* manual = rig.main->findChild<QDialog*>(QStringLiteral("manualWindow"));
    QVERIFY(manual && manual->isVisible());
    manual->close();
}

void TestVelmoraWindow::olderFirmwareIsSaidPlainlyAndNoIsTheDefault()
{
    Rig rig;
    QVERIFY(rig.waitConnected());
    FakeFirmwareUI firmware;
    firmware.file = writeFirmwareFile(0x0102);
    rig.window->setFirmwareUI(&firmware);
    // The fake answers what a bare Enter would: No.
    rig.click(ctl::Firmware);
    std::filesystem::remove(firmware.file);
    QCOMPARE(rig.messages.shown().size(), std::size_t(1));
    const auto question = rig.messages.shown()[0];
    QCOMPARE(question.style & 0x30F, unsigned(MB_YESNO_DEFNO));
    QVERIFY(question.text.find(L"Wersja 1.02 z pliku jest STARSZA niż wersja sterownika (1.03).") !=
            std::wstring::npos);
    // Nothing was started, nothing asked twice.
    QTest::qWait(300);
    QVERIFY(firmware.busy.empty());
    QCOMPARE(rig.link->status().state, LinkState::Connected);
    QVERIFY(rig.host->state().flashRows.empty());
    QCOMPARE(rig.messages.shown().size(), std::size_t(1));
}

void TestVelmoraWindow::closeDuringAFlashWaitsAndSaysWhy()
{
    Rig rig;
    QVERIFY(rig.waitConnected());
    rig.main->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig.main.get()));
    FakeFirmwareUI firmware;
    firmware.file = writeFirmwareFile(0x0104);
    rig.window->setFirmwareUI(&firmware);
    rig.messages.answer = ID_YES;
    bool asked = false;
    bool closedAtOnce = true;
    QString notice;
    QString status;
    QObject::connect(rig.link.get(), &CLinkController::programmingProgress, rig.main.get(), [&](unsigned written) {
        if (asked || written < 5)
            return;
        asked = true;
        // Ctrl+Q (File > Quit) and Zamknij.
        closedAtOnce = rig.main->close();
        rig.click(ctl::Close);
        closedAtOnce = closedAtOnce || !rig.main->isVisible();
        notice = rig.window->closeNotice();
        status = rig.main->messageField()->toolTip();
    });
    rig.click(ctl::Firmware);
    QTRY_VERIFY_WITH_TIMEOUT(asked, 30000);
    QVERIFY(!closedAtOnce);
    QVERIFY2(notice.startsWith(QString::fromUtf8("Programowanie… okno zamknie się, gdy sterownik zostanie zaprogramowany (około ")),
             qPrintable(notice));
    QCOMPARE(status, notice);
    // The window closes itself once the unit is programmed, without a box to answer.
    QTRY_VERIFY_WITH_TIMEOUT(firmware.busy.size() == 2, 60000);
    std::filesystem::remove(firmware.file);
    QTRY_VERIFY(!rig.main->isVisible());
    QCOMPARE(rig.messages.shown().size(), std::size_t(1));
    QVERIFY(!rig.host->state().flashRows.empty());
}

void TestVelmoraWindow::tabFollowsTheScreenAndReachesTheMap()
{
    Rig rig;
    QVERIFY(rig.waitConnected());
    QTRY_VERIFY(allEnabled(rig.window->writeControls(), true));
    rig.main->show();
    rig.main->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(rig.main.get()));
    CVelmoraDlg& w = *rig.window;
    // Top strip, the readings' field, the chart's buttons, the map, the settings beside it.
    const QList<QWidget*> expected = {w.control(ctl::Firmware), w.aboutButton(), w.control(ctl::Close),
                                      w.control(ctl::RpmDivider), w.control(ctl::Start), w.control(ctl::Stop),
                                      recordButton(rig), w.mapGrid(), w.control(ctl::ClearMap),
                                      w.control(ctl::NoiseDelta), w.control(ctl::NoisePeriod)};
    rig.main->portChooser()->setFocus();
    QList<QWidget*> visited;
    for (qsizetype i = 0; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget();
    }
    QCOMPARE(visited, expected);
    // Every control Tab reaches says what it is.
    for (QWidget* control : expected)
        QVERIFY2(!control->accessibleName().isEmpty(), qPrintable(control->objectName()));
    QCOMPARE(w.mapGrid()->accessibleName(), QString::fromUtf8("Mapa korekcji"));

    // The map, reached by Tab, shows its keyboard cell and edits it with F2.
    CCellArray* grid = w.mapGrid();
    w.mapGrid()->setFocus(Qt::TabFocusReason);
    QVERIFY(grid->hasFocus());
    QVERIFY(w.map().focusCell().has_value());
    const QImage focused = grid->grab().toImage();
    w.control(ctl::ClearMap)->setFocus();
    QVERIFY(grid->grab().toImage() != focused);
    grid->setFocus(Qt::TabFocusReason);
    QTest::keyClick(grid, Qt::Key_F2);
    QVERIFY(w.map().isEditing());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QVERIFY(!w.map().isEditing());
    QTest::keyClick(grid, Qt::Key_Return);
    QVERIFY(w.map().isEditing());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
}

void TestVelmoraWindow::statusBarShowsWholeMessagesInTooltipAndList()
{
    Rig rig(false, false);
    rig.main->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig.main.get()));
    const QString text = QString::fromStdWString(
        translate(L"Port %1: sprawdź przewód i zasilanie sterownika, potem spróbuj ponownie."))
        .arg(QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0")).repeated(2);
    rig.main->showMessage(text);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    auto* field = static_cast<CElidedLabel*>(rig.main->messageField());
    QVERIFY(field->isVisible());
    QCOMPARE(field->toolTip(), text);
    // Shortened to what fits, with "…", never cut in the middle of a letter.
    const QString shown = field->shownText();
    QVERIFY(shown.endsWith(QChar(0x2026)));
    QVERIFY(field->fontMetrics().horizontalAdvance(shown) <= field->contentsRect().width());
    QVERIFY(field->geometry().right() < rig.main->portField()->geometry().left() ||
            rig.main->portField()->text().isEmpty());
    // The link's state: the same.
    auto* state = static_cast<CElidedLabel*>(rig.main->stateField());
    QCOMPARE(state->toolTip(), state->text());

    // View > Messages: every message, whole, with its time.
    rig.main->messagesAction()->trigger();
    auto* list = rig.main->findChild<CMessagesDialog*>();
    QVERIFY(list && list->isVisible());
    QVERIFY(list->text().contains(QStringLiteral("  ") + text));
    QVERIFY(list->text().contains(linkStateText(rig.link->status())));
    list->close();
}

void TestVelmoraWindow::enlargedWindowGivesTheRoomToChartAndMap()
{
    Rig rig(false, false);
    rig.main->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig.main.get()));
    CVelmoraDlg& w = *rig.window;
    const QSize designed = rig.main->size();
    const auto geometryOf = [&w](int id) { return w.control(id)->geometry(); };
    const QRect chart = geometryOf(ctl::Chart), map = geometryOf(ctl::Map), close = geometryOf(ctl::Close),
                clear = geometryOf(ctl::ClearMap), readings = geometryOf(ctl::Readings),
                status = geometryOf(ctl::Status);
    const QImage mapBefore = w.mapGrid()->grab().toImage();

    rig.main->resize(designed + QSize(400, 300));
    QTRY_COMPARE(geometryOf(ctl::Chart).width(), chart.width() + 400);
    QCOMPARE(geometryOf(ctl::Map).width(), map.width() + 400);
    QVERIFY(geometryOf(ctl::Chart).height() > chart.height());
    QVERIFY(geometryOf(ctl::Map).height() > map.height());
    QCOMPARE(geometryOf(ctl::Chart).height() - chart.height() + geometryOf(ctl::Map).height() - map.height(), 300);
    QCOMPARE(geometryOf(ctl::Map).top(), geometryOf(ctl::Chart).bottom() - chart.bottom() + map.top());
    QCOMPARE(geometryOf(ctl::Close), close.translated(400, 0));
    QCOMPARE(geometryOf(ctl::ClearMap).left(), clear.left() + 400);
    QCOMPARE(geometryOf(ctl::Readings), readings);
    QCOMPARE(geometryOf(ctl::Status), status);
    // The cells grow with the grid.
    QVERIFY(w.mapGrid()->grab().toImage().size() != mapBefore.size());

    // Never smaller than designed.
    rig.main->resize(200, 150);
    QTRY_COMPARE(geometryOf(ctl::Chart), chart);
    QVERIFY(rig.main->width() >= designed.width() && rig.main->height() >= designed.height());
    QCOMPARE(geometryOf(ctl::Map), map);
}

QTEST_MAIN(TestVelmoraWindow)
#include "tst_velmora_window.moc"
