// SPDX-License-Identifier: GPL-3.0-or-later
// A recording opened in its window as the user works it: the cursor's readings, the
// wheel and the drag, the engine time of the time in view; bad files said with their
// line; and the live map's engine time on the simulated unit.

#include "../ui_fakes.h"

#include "ui/viewer/live_occupancy.h"
#include "ui/viewer/occupancy_view.h"
#include "ui/viewer/recording_chart.h"
#include "ui/viewer/recording_open.h"
#include "ui/viewer/recording_window.h"
#include "ui/window/main_window.h"
#include "ui/window/velmora_dlg.h"

#include "link/link_controller.h"
#include "sim/sim_host.h"
#include "ui/map/cell_array.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include <fstream>

using namespace velmora;
using namespace velmora::analysis;
using velmora::test::FakeMessageBox;

class TestRecordingView : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cursorShowsTheReadingsUnderThePointer();
    void wheelDragAndHomeMoveTheView();
    void engineTimeFollowsTheTimeInView();
    void axesChosenForAFileAreRemembered();
    void badFilesAreSaidWithTheirLine();
    void liveEngineTimeCountsOnTheSimulatedUnit();

private:
    QString writeFile(const QString& name, const std::string& text);
    std::unique_ptr<CRecordingWindow> open(const QString& path);

    std::unique_ptr<QTemporaryDir> m_dir;
    FakeMessageBox m_box;
    ViewerContext m_context;
};

namespace {

// 10 s of readings at 20 a second: RPM 1000 + 100 per second, pump 2.00 V, on;
// link lost from 4.0 s to 6.0 s.
std::string tenSeconds()
{
    std::string text = "time,seconds,seq,rpm,input_v,pump_v,output_v,work_state,port\n";
    for (int i = 0; i <= 200; ++i) {
        const double t = i * 0.05;
        char line[200];
        if (i == 80)
            text += "2026-12-08T10:00:04.000+01:00,4.000,,,,,,link_lost,/dev/ttyUSB0\n";
        if (i >= 80 && i < 120)
            continue;
        const int ms = static_cast<int>(std::lround(t * 1000));
        std::snprintf(line, sizeof line, "2026-12-08T10:00:%02d.%03d+01:00,%.3f,%d,%.0f,12.00,2.00,10.%02d,%s,/dev/ttyUSB0\n",
                      ms / 1000, ms % 1000, t, i + 1, 1000.0 + 100 * (i / 20), i % 100, i < 100 ? "on" : "off");
        text += line;
    }
    return text;
}

} // namespace

QString TestRecordingView::writeFile(const QString& name, const std::string& text)
{
    const QString path = m_dir->filePath(name);
    std::ofstream out(path.toStdString(), std::ios::binary);
    out << text;
    return path;
}

std::unique_ptr<CRecordingWindow> TestRecordingView::open(const QString& path)
{
    auto recording = loadRecordingWithProgress(nullptr, path, &m_box);
    if (!recording)
        return nullptr;
    auto window = std::make_unique<CRecordingWindow>(path, std::move(recording), m_context);
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->resize(1200, 600);
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        return nullptr;
    return window;
}

void TestRecordingView::initTestCase()
{
    // Windows opened through the main window remember axes in the data folder: not the user's.
    QStandardPaths::setTestModeEnabled(true);
}

void TestRecordingView::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_box.clear();
    m_context = ViewerContext();
    m_context.messages = &m_box;
    m_context.axesMemoryFile = m_dir->filePath(QStringLiteral("axes.ini"));
}

void TestRecordingView::cursorShowsTheReadingsUnderThePointer()
{
    auto window = open(writeFile(QStringLiteral("drive.csv"), tenSeconds()));
    QVERIFY(window);
    CRecordingChart* chart = window->chart();
    QCOMPARE(chart->viewStart(), 0.0);
    QCOMPARE(chart->viewSpan(), 10.0);

    // The pointer over 2.5 s: row 51 of the file, the 51st reading.
    QTest::mouseMove(chart, QPoint(chart->xOf(2.5) + 1, chart->plotRect().center().y()));
    QTRY_VERIFY(chart->cursorRow().has_value());
    QCOMPARE(window->recording().seconds()[*chart->cursorRow()], 2.5);
    const QString readout = window->readoutText();
    QVERIFY2(readout.startsWith(QStringLiteral("10:00:02.500")), qPrintable(readout));
    for (const char* part : {"2.500 s", "1200", "12.00 V", "2.00 V", "10.50 V"})
        QVERIFY2(readout.contains(QLatin1String(part)), qPrintable(readout));

    // Inside the break the cursor takes the nearest reading, never the link_lost row.
    QTest::mouseMove(chart, QPoint(chart->xOf(4.2), chart->plotRect().center().y()));
    QTRY_COMPARE(window->recording().seconds()[*chart->cursorRow()], 3.95);
}

void TestRecordingView::wheelDragAndHomeMoveTheView()
{
    auto window = open(writeFile(QStringLiteral("drive.csv"), tenSeconds()));
    QVERIFY(window);
    CRecordingChart* chart = window->chart();
    const QPoint at(chart->xOf(2.0), chart->plotRect().center().y());
    const double under = chart->secondsAt(at.x());
    QWheelEvent wheel(at, chart->mapToGlobal(at), QPoint(), QPoint(0, 240), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(chart, &wheel);
    QVERIFY(std::abs(chart->viewSpan() - 10.0 * 0.64) < 1e-9); // two notches nearer
    QVERIFY(std::abs(chart->secondsAt(at.x()) - under) < chart->viewSpan() / chart->plotRect().width() * 1.5);

    // A drag to the left moves later into view; the scroll bar follows.
    const double start = chart->viewStart();
    QTest::mousePress(chart, Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseMove(chart, at - QPoint(100, 0));
    QTest::mouseRelease(chart, Qt::LeftButton, Qt::NoModifier, at - QPoint(100, 0));
    QVERIFY(chart->viewStart() > start);
    QCOMPARE(window->scrollBar()->value(), static_cast<int>(std::lround(chart->viewStart() * 1000)));

    // Shift+drag zooms to the band; Home shows the whole file again.
    const QPoint a(chart->xOf(chart->viewStart() + 1), at.y()), b(chart->xOf(chart->viewStart() + 2), at.y());
    QTest::mousePress(chart, Qt::LeftButton, Qt::ShiftModifier, a);
    QTest::mouseMove(chart, b);
    QTest::mouseRelease(chart, Qt::LeftButton, Qt::ShiftModifier, b);
    QVERIFY2(std::abs(chart->viewSpan() - 1.0) < 0.05, qPrintable(QString::number(chart->viewSpan())));
    QTest::keyClick(chart, Qt::Key_Home);
    QCOMPARE(chart->viewSpan(), 10.0);
    QCOMPARE(chart->viewStart(), 0.0);
}

void TestRecordingView::engineTimeFollowsTheTimeInView()
{
    auto window = open(writeFile(QStringLiteral("drive.csv"), tenSeconds()));
    QVERIFY(window);
    COccupancyView* grid = window->occupancy();
    // Default axes (no unit): 2.00 V is row 2 (1.92 .. 2.88), 1000 RPM column 2 (800 .. 1100).
    // Nothing counts from the last reading before the lost link (3.95 s) to 6.0 s.
    QCOMPARE(grid->table().total, 10.0 - 2.05);
    QCOMPARE(QString::fromStdWString(grid->cellText(2, 2)), QStringLiteral("1.0"));
    QVERIFY(grid->cellText(0, 0).empty());

    window->chart()->setView(6.5, 1.0);
    window->updateOccupancyNow();
    QCOMPARE(grid->table().total, 1.0);
    QCOMPARE(grid->table().at({4, 2}), 0.5); // 1600 RPM (1400 .. 1700): 6.5 .. 7.0 s
    QCOMPARE(grid->table().at({5, 2}), 0.5); // 1700 RPM, a breakpoint: the band above it
    grid->setPercent(true);
    QCOMPARE(QString::fromStdWString(grid->cellText(4, 2)), QStringLiteral("50"));
}

void TestRecordingView::axesChosenForAFileAreRemembered()
{
    const QString path = writeFile(QStringLiteral("drive.csv"), tenSeconds());
    MapAxes axes;
    for (int i = 0; i < kRpmCols; ++i)
        axes.rpm[static_cast<std::size_t>(i)] = 2000 + 100 * i;
    for (int j = 0; j < kVoltRows; ++j)
        axes.volts[static_cast<std::size_t>(j)] = 3.0 + j;
    {
        auto window = open(path);
        QVERIFY(window);
        window->setAxes(axes, QStringLiteral("tune.csv"));
        QCOMPARE(window->occupancy()->table().at({0, 0}), 10.0 - 2.05); // everything below 2000 RPM, 3 V
    }
    // And a unit connected meanwhile does not take their place; its axes, taken when
    // nothing was chosen, are not remembered as a choice.
    m_context.unitAxes = [] { return std::optional<MapAxes>(MapAxes{DeviceState{}.rpmAxis, DeviceState{}.voltAxis}); };
    auto again = open(path);
    QVERIFY(again);
    QCOMPARE(again->occupancy()->axes().rpm, axes.rpm);
    QVERIFY(again->findChild<QLabel*>(QStringLiteral("axesSource"))->text().contains(QStringLiteral("tune.csv")));

    const QString other = writeFile(QStringLiteral("other.csv"), tenSeconds());
    QCOMPARE(open(other)->occupancy()->axes().rpm, DeviceState{}.rpmAxis);
    m_context.unitAxes = {};
    QCOMPARE(open(other)->occupancy()->axes().volts, DeviceState{}.voltAxis); // the defaults, nothing kept
    QVERIFY(!open(other)->findChild<QLabel*>(QStringLiteral("axesSource"))->text().contains(QStringLiteral("osie podłączonego")));
}

void TestRecordingView::badFilesAreSaidWithTheirLine()
{
    struct Case {
        const char* name;
        std::string text;
        const wchar_t* said;
    } cases[] = {
        {"empty.csv", "", L"pusty"},
        {"map.csv", "V\\RPM,500,800\n0.96,0.00,0.02\n", L"wiersz 1"},
        {"junk.csv", std::string(20000, '\x07'), L"wiersz 1"},
    };
    for (const Case& c : cases) {
        m_box.clear();
        QVERIFY(!open(writeFile(QString::fromLatin1(c.name), c.text)));
        QCOMPARE(m_box.shown().size(), std::size_t(1));
        QVERIFY2(m_box.shown()[0].text.find(c.said) != std::wstring::npos, c.name);
    }

    // Lines that can be skipped are, and the window says how many and where.
    std::string text = tenSeconds();
    text.insert(text.find('\n') + 1, "garbage\n");
    m_box.clear();
    auto window = open(writeFile(QStringLiteral("skips.csv"), text));
    QVERIFY(window);
    QVERIFY(m_box.shown().empty());
    const QString info = window->findChild<QLabel*>(QStringLiteral("fileInfo"))->text();
    QVERIFY2(info.contains(QStringLiteral(": 1:")) && info.contains(QStringLiteral("2 (")), qPrintable(info));
}

void TestRecordingView::liveEngineTimeCountsOnTheSimulatedUnit()
{
    sim::CSimHost host;
    host.start();
    FakeMessageBox messages;
    velmora::test::FakeSettingsStore settings;
    velmora::test::FakePortLister ports;
    CLinkController::Setup setup;
    setup.settings = &settings;
    setup.ports = &ports;
    CLinkController link(setup);
    {
        CMainWindow main(link, &messages);
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        QAction* openAction = main.findChild<QAction*>(QStringLiteral("openRecording"));
        QVERIFY(openAction && main.fileMenu()->actions().contains(openAction));
        QAction* show = main.findChild<QAction*>(QStringLiteral("liveOccupancy"));
        QVERIFY(show && main.viewMenu()->actions().contains(show));
        auto* overlay = main.dialog().mapGrid()->findChild<CLiveOccupancy*>();
        QVERIFY(overlay && !overlay->isVisible());
        show->trigger();
        QVERIFY(overlay->isVisible());
        QVERIFY(overlay->testAttribute(Qt::WA_TransparentForMouseEvents)); // the map stays editable

        link.start(QString::fromStdString(host.path()));
        QTRY_VERIFY_WITH_TIMEOUT(overlay->table().total > 1.0, 15000);
        double sum = 0;
        for (const auto& row : overlay->table().seconds)
            for (double s : row)
                sum += s;
        QVERIFY(std::abs(sum - overlay->table().total) < 1e-9);
        // Counting starts again with each connection.
        link.disconnectUnit();
        link.connectUnit();
        QTRY_VERIFY_WITH_TIMEOUT(overlay->table().total < 1.0, 15000);

        // A recording dropped on the window opens beside it.
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(writeFile(QStringLiteral("dropped.csv"), tenSeconds())),
                      QUrl::fromLocalFile(writeFile(QStringLiteral("notes.txt"), "x"))});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&main, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&main, &drop);
        QTRY_COMPARE(main.findChildren<CRecordingWindow*>().size(), 1);
        QCOMPARE(main.findChildren<CRecordingWindow*>().front()->recording().size(), std::size_t(162));
        QVERIFY(messages.shown().empty());
    }
}

QTEST_MAIN(TestRecordingView)
#include "tst_recording_view.moc"
