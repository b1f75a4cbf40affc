// The operator window driven against the simulated unit on a pseudo-terminal.

#include "ui_fakes.h"

#include "ui/map_actions.h"
#include "ui/up_down.h"
#include "ui/velmora_dlg.h"
#include "ui/readings.h"
#include "ui/window_layout.h"

#include "lang/translate.h"
#include "sim/firmware_builder.h"
#include "sim/sim_host.h"
#include "ui/chart/scroll_chart.h"
#include "ui/recording/chart_export.h"
#include "ui/recording/recording_control.h"
#include "acquisition/reading_csv.h"

#include <QApplication>
#include <QCloseEvent>
#include "ui/group_frame.h"
#include <QLabel>
#include <QAction>
#include <QLineEdit>
#include <QWheelEvent>
#include <QPushButton>
#include <QSpontaneKeyEvent>
#include <QTest>
#include <QStandardPaths>
#include <QTimer>
#include <QToolButton>

#include <charconv>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

using namespace velmora;
using velmora::test::FakeFirmwareUI;
using velmora::test::FakeMessageBox;
using velmora::test::FakePortLister;
using velmora::test::FakeSettingsStore;

namespace {

// One simulated unit and one window on it. The window goes first, so its reading
// thread never outlives the unit's end of the line.
struct Rig {
    explicit Rig(bool withUnit = true)
    {
        if (withUnit) {
            host.start();
            ports.listed = {host.path()};
        }
        window = std::make_unique<CVelmoraDlg>(DeviceServices{&messages, &settings, &ports});
    }
    ~Rig() { window.reset(); }

    QString text(int id) const
    {
        QWidget* w = window->control(id);
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

    sim::CSimHost host;
    FakeMessageBox messages;
    FakeSettingsStore settings;
    FakePortLister ports;
    std::unique_ptr<CVelmoraDlg> window;
};

const QString kConnected = QString::fromUtf8("POŁĄCZONY");
const QString kNotFound = QString::fromUtf8("BRAK KOMUNIKACJI");
const QString kLinkLost = QString::fromUtf8("BRAK POŁĄCZENIA");

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
    void init() { setLanguageIndex(0); }

    void connectsAndShowsTheUnit();
    void showsTheNewestReading();
    void withoutUnitStaysIdle();
    void chartFollowsStartStopAndOverwrite();
    void spinnerStepReachesTheUnit();
    void refusedSettingsWriteStaysForAnotherTry();
    void typedAndPagedSettingsAreCheckedAndWritten();
    void clearMapAsksAndCanBeUndone();
    void refusedClearLeavesTheMapAlone();
    void lostLinkIsFoundAgain();
    void recordingRefusedByItsFolderSaysSo();
    void timersArmedFromAnotherThreadRunOnTheWindow();
    void onlyZamknijClosesTheWindow();
    void zamknijEndsTheModalWindowWhileReading();
    void programCloseRequestEndsTheWindow();
    void arrowKeysGoToTheMapWhateverHasTheFocus();
    void firmwareButtonProgramsTheUnit();
    void unitInItsBootloaderIsProgrammedAtStart();
    void layoutKeepsEveryCaptionWhole();

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
    rig.window->OnInitDialog();

    QCOMPARE(rig.text(ctl::Status), kConnected);
    QVERIFY(rig.window->isConnected());
    QCOMPARE(rig.settings.port, rig.host.path());
    // The unit's settings, as the simulated unit starts: 2, 12, 1500.
    QCOMPARE(rig.text(ctl::RpmDivider), QStringLiteral("2"));
    QCOMPARE(rig.text(ctl::NoiseDelta), QStringLiteral("12"));
    QCOMPARE(rig.text(ctl::NoisePeriod), QStringLiteral("1500"));
    QCOMPARE(rig.window->windowTitle(), QString::fromUtf8("Emulator ciśnienia paliwa"));
    QVERIFY(rig.window->isTimerActive(kRefreshTimer));
    QCOMPARE(rig.window->timerInterval(kRefreshTimer), 100);
    QVERIFY(!rig.window->isTimerActive(kReconnectTimer));
    QVERIFY(rig.window->isRunning());
    QVERIFY(rig.messages.shown().empty());
    // The hidden buttons stay hidden, the unit labels untranslated.
    rig.window->show();
    QVERIFY(!rig.window->control(ctl::Overwrite)->isVisible());
    QVERIFY(!rig.window->control(ctl::Definition)->isVisible());
    QVERIFY(rig.window->control(ctl::ClearMap)->isVisible());

    // Readings arrive with the refresh ticks.
    QTRY_VERIFY_WITH_TIMEOUT(!rig.text(ctl::Rpm).isEmpty(), 5000);
    QVERIFY(!rig.text(ctl::InputVolts).isEmpty());
    QVERIFY(!rig.text(ctl::WorkState).isEmpty());
    QCOMPARE(rig.text(ctl::Status), kConnected); // untouched while connected
}

void TestVelmoraWindow::showsTheNewestReading()
{
    Rig rig;
    rig.window->OnInitDialog();
    QTRY_VERIFY_WITH_TIMEOUT(rig.window->samples().count() >= 2, 5000);
    // Freeze the store, then run one tick by hand.
    rig.window->stopReading();
    CDiag newest;
    rig.window->samples().getLast(newest);
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

    // Text typed over a reading is replaced by the next tick.
    qobject_cast<QLineEdit*>(rig.window->control(ctl::Rpm))->setText(QStringLiteral("typed"));
    rig.window->refreshReadings();
    QCOMPARE(rig.text(ctl::Rpm), QString::fromStdWString(expected.rpm));
}

void TestVelmoraWindow::withoutUnitStaysIdle()
{
    Rig rig(false);
    rig.window->OnInitDialog();

    QCOMPARE(rig.text(ctl::Status), kNotFound);
    QVERIFY(!rig.window->isConnected());
    QCOMPARE(rig.messages.shown().size(), std::size_t(1));
    QCOMPARE(rig.messages.shown()[0].text, std::wstring(L"Brak połączenia"));
    QCOMPARE(rig.messages.shown()[0].style, 0u);
    QCOMPARE(rig.text(ctl::RpmDivider), QString()); // nothing shown before a unit answered
    // The grid has the default axes in its headers and no values yet.
    QCOMPARE(rig.window->map().columnHeader(0).getTxt(), std::wstring(L"500"));
    QCOMPARE(rig.window->map().rowHeader(15).getTxt(), std::wstring(L"15.36"));
    QCOMPARE(rig.window->map().cell(0, 0).getTxt(), std::wstring());
    QVERIFY(!rig.window->isTimerActive(kRefreshTimer));
    QVERIFY(!rig.window->isTimerActive(kReconnectTimer));

    // The spinner still changes the value it shows; there is nothing to send it to.
    rig.spin(ctl::SpinRpmDivider, +1);
    QCOMPARE(rig.text(ctl::RpmDivider), QStringLiteral("2"));
    QCOMPARE(int(rig.window->state().rpmDivider), 2);
    // Buttons that need the unit do nothing and say nothing.
    FakeFirmwareUI firmware;
    rig.window->setFirmwareUI(&firmware);
    rig.click(ctl::Firmware);
    rig.click(ctl::ClearMap);
    QCOMPARE(firmware.fileDialogs, 0);
    QCOMPARE(rig.messages.shown().size(), std::size_t(1));
    // Start sets the chart running, but no tick ever feeds it.
    rig.click(ctl::Start);
    QTest::qWait(300);
    QCOMPARE(rig.window->chartSampleCounter(), 0);
    QCOMPARE(rig.text(ctl::Status), kNotFound);
}

void TestVelmoraWindow::chartFollowsStartStopAndOverwrite()
{
    Rig rig;
    rig.window->OnInitDialog();
    // Stopped when the window opens: readings refresh, the chart stays empty.
    QVERIFY(rig.window->chartStopped());
    QTRY_VERIFY_WITH_TIMEOUT(!rig.text(ctl::Rpm).isEmpty(), 5000);
    QTest::qWait(300);
    QCOMPARE(rig.window->chartSampleCounter(), 0);
    QCOMPARE(rig.chartPoints(), std::size_t(0));

    rig.click(ctl::Start);
    QVERIFY(!rig.window->chartStopped());
    QTRY_VERIFY_WITH_TIMEOUT(rig.window->chartSampleCounter() >= 5, 5000);
    // One point per tick in each of the three series, at x = 0, 1, 2, ...
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
    rig.window->OnInitDialog();

    rig.spin(ctl::SpinRpmDivider, +1);
    QCOMPARE(rig.text(ctl::RpmDivider), QStringLiteral("3"));
    QCOMPARE(int(rig.host.state().rpmDivider), 3);

    rig.spin(ctl::SpinNoiseDelta, -1);
    QCOMPARE(rig.text(ctl::NoiseDelta), QStringLiteral("11"));
    QCOMPARE(int(rig.host.state().noiseDelta), 11);

    rig.spin(ctl::SpinNoisePeriod, -1);
    QCOMPARE(rig.text(ctl::NoisePeriod), QStringLiteral("1499"));
    QCOMPARE(int(rig.host.state().noisePeriod), 1499);

    // At the end of its range a step changes nothing and sends nothing.
    UnitSettings top = rig.window->document().settings();
    top.rpmDivider = 200;
    rig.window->document().setSettings(top);
    const unsigned requests = rig.host.state().requests;
    const unsigned readings = rig.host.state().readings;
    rig.spin(ctl::SpinRpmDivider, +1);
    QCOMPARE(int(rig.window->document().settings().rpmDivider), 200);
    QCOMPARE(rig.text(ctl::RpmDivider), QStringLiteral("200"));
    QCOMPARE(rig.host.state().requests - requests, rig.host.state().readings - readings);
    QVERIFY(rig.messages.shown().empty());
}

void TestVelmoraWindow::refusedSettingsWriteStaysForAnotherTry()
{
    Rig rig;
    rig.window->OnInitDialog();
    sim::Faults refuse;
    refuse.nakWrites = true;
    rig.host.setFaults(refuse);

    rig.spin(ctl::SpinNoiseDelta, +1);
    // Said plainly, and the field shows what the unit still has.
    QTRY_COMPARE(rig.messages.shown().size(), std::size_t(1));
    const auto shown = rig.messages.shown();
    QVERIFY(shown[0].text.find(L"Nie powiodło się wpisanie ustawień do urządzenia!") != std::wstring::npos);
    QCOMPARE(shown[0].caption, std::wstring(L"Emulator"));
    QCOMPARE(shown[0].style, 0x10u);
    QCOMPARE(rig.text(ctl::NoiseDelta), QStringLiteral("12"));
    QCOMPARE(int(rig.host.state().noiseDelta), 12);

    // Redo tries the same change again.
    rig.host.setFaults({});
    QVERIFY(rig.window->edits().stack().canRedo());
    rig.window->edits().stack().redo();
    QCOMPARE(int(rig.host.state().noiseDelta), 13);
    QCOMPARE(rig.text(ctl::NoiseDelta), QStringLiteral("13"));
}

void TestVelmoraWindow::typedAndPagedSettingsAreCheckedAndWritten()
{
    Rig rig;
    rig.window->OnInitDialog();
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
        QCOMPARE(int(rig.host.state().noisePeriod), c.expected);
        QCOMPARE(rig.text(ctl::NoisePeriod), QString::number(c.expected));
    }
    QTest::keyClick(period, Qt::Key_PageUp);
    QCOMPARE(int(rig.host.state().noisePeriod), 1510);
    QTest::keyClick(period, Qt::Key_PageDown);
    QTest::keyClick(period, Qt::Key_PageDown);
    QCOMPARE(int(rig.host.state().noisePeriod), 1490);
    QWheelEvent wheel(QPointF(5, 5), period->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 240),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(period, &wheel);
    QCOMPARE(int(rig.host.state().noisePeriod), 1492);
    // Folded into one undo entry per setting.
    rig.window->edits().stack().undo();
    QCOMPARE(int(rig.host.state().noisePeriod), 1500);
}

void TestVelmoraWindow::clearMapAsksAndCanBeUndone()
{
    Rig rig;
    rig.window->OnInitDialog();
    const auto before = rig.host.state();
    QVERIFY(std::any_of(before.map.begin(), before.map.end(), [](auto b) { return b != 0; }));

    // No is the default answer and changes nothing.
    rig.click(ctl::ClearMap);
    QCOMPARE(rig.messages.shown().size(), std::size_t(1));
    QCOMPARE(rig.messages.shown()[0].text, std::wstring(L"Wyzerować całą mapę korekcji w urządzeniu?"));
    QCOMPARE(rig.messages.shown()[0].style, unsigned(MB_YESNO_DEFNO));
    QCOMPARE(rig.host.state().map, before.map);

    rig.messages.answer = ID_YES;
    rig.click(ctl::ClearMap);
    const auto after = rig.host.state();
    QVERIFY(std::all_of(after.map.begin(), after.map.end(), [](auto b) { return b == 0; }));
    QVERIFY(std::all_of(after.storedMap.begin(), after.storedMap.end(), [](auto b) { return b == 0; }));
    QCOMPARE(after.mapStores, before.mapStores + 1);
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
    QCOMPARE(rig.host.state().map, before.map);
    QCOMPARE(rig.host.state().storedMap, before.map);
    QVERIFY(!QApplication::overrideCursor());
}

void TestVelmoraWindow::refusedClearLeavesTheMapAlone()
{
    Rig rig;
    rig.window->OnInitDialog();
    rig.messages.answer = ID_YES;
    const auto mapBefore = rig.window->document().map();
    sim::Faults refuse;
    refuse.nakWrites = true;
    rig.host.setFaults(refuse);

    rig.click(ctl::ClearMap);
    QTRY_COMPARE(rig.messages.shown().size(), std::size_t(2));
    QVERIFY(rig.window->document().map() == mapBefore);
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
    rig.window->OnInitDialog();
    QTRY_VERIFY_WITH_TIMEOUT(!rig.text(ctl::Rpm).isEmpty(), 5000);
    QVERIFY(recordButton(rig));
    recordButton(rig)->click();
    QVERIFY(rig.window->recording()->isRecording());
    QVERIFY(recordButton(rig)->isChecked());
    QTRY_VERIFY_WITH_TIMEOUT(rig.window->recording()->recorder().sampleCount() >= 3, 5000);

    sim::Faults silent;
    silent.noReply = true;
    rig.host.setFaults(silent);
    QTRY_COMPARE_WITH_TIMEOUT(rig.text(ctl::Status), kLinkLost, 20000);
    QVERIFY(!rig.window->isConnected());
    const QString lastRpm = rig.text(ctl::Rpm);
    QVERIFY(!lastRpm.isEmpty()); // the readings keep their last values
    // While the unit stays silent, every attempt re-arms the reconnect timer at 2 s.
    QTRY_VERIFY_WITH_TIMEOUT(rig.window->isTimerActive(kReconnectTimer) &&
                                 rig.window->timerInterval(kReconnectTimer) == 2000,
                             20000);

    rig.host.setFaults({});
    QTRY_COMPARE_WITH_TIMEOUT(rig.text(ctl::Status), QStringLiteral("CONNECTED"), 30000);
    QVERIFY(rig.window->isConnected());
    QVERIFY(rig.window->isRunning());
    QVERIFY(rig.window->isTimerActive(kRefreshTimer));
    QVERIFY(!rig.window->isTimerActive(kReconnectTimer));
    // Readings flow again.
    const unsigned readings = rig.host.state().readings;
    QTRY_VERIFY_WITH_TIMEOUT(rig.host.state().readings > readings + 2, 5000);
    QVERIFY(rig.messages.shown().empty());

    // The newest row is the reading on screen.
    const std::uint64_t before = rig.window->recording()->recorder().sampleCount();
    QTRY_VERIFY_WITH_TIMEOUT(rig.window->recording()->recorder().sampleCount() > before + 2, 5000);
    rig.window->stopReading();
    CDiag newest;
    rig.window->samples().getLast(newest);
    rig.window->refreshReadings();
    recordButton(rig)->click();
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
    QCOMPARE(sampleColumns(lines.back()), readingCsvFields(newest));
    const std::string rpm = sampleColumns(lines.back()).substr(sampleColumns(lines.back()).find(',') + 1);
    QCOMPARE(QString::fromStdString(rpm.substr(0, rpm.find(','))), rig.text(ctl::Rpm));
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
    rig.window->OnInitDialog();
    rig.messages.clear(); // the unit was not found
    recordButton(rig)->click();
    QVERIFY(!rig.window->recording()->isRecording());
    QVERIFY(!recordButton(rig)->isChecked());
    QCOMPARE(rig.messages.shown().size(), std::size_t(1));
    QVERIFY(rig.messages.shown().front().text.find(blocker.wstring()) != std::wstring::npos);
    QVERIFY(rig.window->recording()->statusWidget()->isVisibleTo(rig.window.get()));
    std::filesystem::remove(blocker);
}

void TestVelmoraWindow::timersArmedFromAnotherThreadRunOnTheWindow()
{
    Rig rig(false);
    IDeviceOwner* owner = rig.window.get();
    std::thread reader([owner] { owner->setTimer(kReconnectTimer, 1000); });
    reader.join();
    // Handed over, not armed behind the window's back.
    QVERIFY(!rig.window->isTimerActive(kReconnectTimer));
    QTRY_VERIFY(rig.window->isTimerActive(kReconnectTimer));
    QCOMPARE(rig.window->timerInterval(kReconnectTimer), 1000);

    std::thread stopper([owner] { owner->killTimer(kReconnectTimer); });
    stopper.join();
    QTRY_VERIFY(!rig.window->isTimerActive(kReconnectTimer));
}

void TestVelmoraWindow::onlyZamknijClosesTheWindow()
{
    Rig rig;
    rig.window->OnInitDialog();
    rig.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig.window.get()));

    QTest::keyClick(rig.window.get(), Qt::Key_Escape);
    QVERIFY(rig.window->isVisible());

    auto* edit = rig.window->control(ctl::NoiseDelta);
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Return);
    QVERIFY(rig.window->isVisible());

    QCloseEvent frameClose; // the frame's close box and Alt+F4
    QSpontaneKeyEvent::setSpontaneous(&frameClose);
    qApp->notify(rig.window.get(), &frameClose); // notify keeps the spontaneous mark
    QVERIFY(!frameClose.isAccepted());
    QVERIFY(rig.window->isVisible());
    QVERIFY(rig.window->isRunning());

    // Enter on the focused Zamknij presses it.
    rig.window->control(ctl::Close)->setFocus();
    QTest::keyClick(rig.window->control(ctl::Close), Qt::Key_Return);
    QVERIFY(!rig.window->isVisible());
    QVERIFY(!rig.window->isRunning());
}

void TestVelmoraWindow::zamknijEndsTheModalWindowWhileReading()
{
    Rig rig;
    bool wasReading = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, rig.window.get(), [&] {
        if (rig.window->isVisible() && rig.window->samples().count() > 0) {
            poll.stop();
            wasReading = rig.window->isRunning();
            rig.click(ctl::Close);
        }
    });
    poll.start(50);
    const int result = rig.window->DoModal();
    QVERIFY(wasReading);
    QCOMPARE(result, int(QDialog::Rejected));
    QVERIFY(!rig.window->isRunning());
    QVERIFY(!rig.window->isTimerActive(kRefreshTimer));
    QVERIFY(!rig.window->isTimerActive(kReconnectTimer));
    // A link loss reported after the close must not re-arm anything.
    rig.window->setTimer(kReconnectTimer, 1000);
    QVERIFY(!rig.window->isTimerActive(kReconnectTimer));
    rig.window.reset(); // joins nothing: the thread is gone already
}

void TestVelmoraWindow::programCloseRequestEndsTheWindow()
{
    Rig rig;
    QTimer::singleShot(500, [] { QApplication::closeAllWindows(); });
    QCOMPARE(rig.window->DoModal(), int(QDialog::Rejected));
    QVERIFY(!rig.window->isRunning());

    // Asked to end while still looking for the unit: the window never opens.
    Rig early;
    early.window->OnInitDialog();
    QVERIFY(early.window->isRunning());
    early.window->close();
    QVERIFY(!early.window->isRunning());
    QCOMPARE(early.window->DoModal(), int(QDialog::Rejected));
    QVERIFY(!early.window->isVisible());
}

void TestVelmoraWindow::arrowKeysGoToTheMapWhateverHasTheFocus()
{
    Rig rig;
    rig.window->OnInitDialog();
    rig.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig.window.get()));
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
    const auto hostBefore = rig.host.state();
    const double before = rig.window->state().map[4][4];
    QTest::keyClick(edit, Qt::Key_Up, Qt::ControlModifier);
    const auto hostAfter = rig.host.state();
    QCOMPARE(hostAfter.mapStores, hostBefore.mapStores + 1);
    QVERIFY(hostAfter.map[4 * 15 + 4] != hostBefore.map[4 * 15 + 4] || before >= 5.0);
    QCOMPARE(rig.window->state().map[4][4], std::min(before + 0.1, 5.0));
    QVERIFY(rig.messages.shown().empty());

    // Other keys still reach the edit.
    QTest::keyClick(edit, Qt::Key_Home);
    QCOMPARE(edit->cursorPosition(), 0);
}

void TestVelmoraWindow::firmwareButtonProgramsTheUnit()
{
    Rig rig;
    rig.window->OnInitDialog();
    FakeFirmwareUI firmware;
    firmware.file = writeFirmwareFile(0x0104);
    rig.window->setFirmwareUI(&firmware);
    rig.window->state().noiseDelta = 99; // shown again from the unit afterwards

    rig.click(ctl::Firmware);
    std::filesystem::remove(firmware.file);

    QCOMPARE(firmware.fileDialogs, 1);
    QVERIFY(firmware.progressCalls > 0);
    QCOMPARE(firmware.lastWritten, firmware.lastTotal);
    QCOMPARE(firmware.busy, std::vector<bool>({true, false}));
    QVERIFY(!rig.host.state().flashRows.empty());
    QVERIFY(rig.window->isConnected());
    QCOMPARE(rig.window->state().version, std::uint16_t(0x0104));
    QCOMPARE(rig.text(ctl::NoiseDelta), QStringLiteral("12"));
    QVERIFY(rig.window->isRunning());
    QVERIFY(rig.window->isTimerActive(kRefreshTimer));
    QVERIFY(rig.messages.shown().empty());
}

void TestVelmoraWindow::unitInItsBootloaderIsProgrammedAtStart()
{
    Rig rig;
    rig.host.startInBootloader();
    FakeFirmwareUI firmware;
    firmware.file = writeFirmwareFile(0x0104);
    rig.window->setFirmwareUI(&firmware);

    rig.window->OnInitDialog();
    std::filesystem::remove(firmware.file);

    QCOMPARE(firmware.fileDialogs, 1);
    QVERIFY(firmware.progressCalls > 0);
    QVERIFY(rig.window->isConnected());
    QCOMPARE(rig.text(ctl::Status), kConnected);
    QVERIFY(rig.window->isRunning());
    QVERIFY(rig.messages.contains(
        L"Sterownik nie jest poprawnie zaprogramowany i wymaga przeprogramowania."));
}

void TestVelmoraWindow::layoutKeepsEveryCaptionWhole()
{
    std::vector<int> languages{0};
    if (m_haveLanguageFiles)
        languages.insert(languages.end(), {1, 2, 7});
    Rig rig(false);
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

QTEST_MAIN(TestVelmoraWindow)
#include "tst_velmora_window.moc"
