// SPDX-License-Identifier: GPL-3.0-or-later
// Map work through the window's menu entries against the simulated unit: map files
// and the compare view, the clipboard, bulk edits and backups. Each check ends on
// the unit's own bytes.

#include "../ui_fakes.h"

#include "ui/map/backups_dialog.h"
#include "ui/map/compare_dialog.h"
#include "ui/window/main_window.h"
#include "ui/map/map_actions.h"
#include "ui/window/velmora_dlg.h"

#include "device/encodings.h"
#include "link/link_controller.h"
#include "sim/sim_host.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <memory>

using namespace velmora;
using namespace velmora::test;

namespace {

// The window on a link controller connected to a simulated unit.
struct Rig {
    Rig()
    {
        host.start();
        CLinkController::Setup setup;
        setup.settings = &settings;
        setup.ports = &ports;
        setup.timeouts = Timeouts{150, 1};
        link = std::make_unique<CLinkController>(setup);
        main = std::make_unique<CMainWindow>(*link, &messages);
        window = &main->dialog();
        bool read = false;
        QObject::connect(link.get(), &CLinkController::unitDataChanged, main.get(), [&read] { read = true; });
        link->start(QString::fromStdString(host.path()));
        connected = QTest::qWaitFor([&] { return read && link->canWrite(); }, 10000);
        QObject::disconnect(link.get(), &CLinkController::unitDataChanged, main.get(), nullptr);
    }
    ~Rig()
    {
        main.reset();
        link.reset();
    }
    CMapActions& actions() { return *window->mapActions(); }
    // The unit's bytes after every write has been answered.
    const sim::SimState& unit()
    {
        static_cast<void>(QTest::qWaitFor([this] { return window->edits().pendingWrites() == 0; }, 10000));
        QTest::qWait(30);
        state = host.state();
        return state;
    }
    std::uint8_t cell(int row, int column) { return unit().map[row * 15 + column]; }
    void select(CellPos a, CellPos b)
    {
        window->map().selectRectangle(a, b);
        window->map().setAnchor(a);
    }

    sim::CSimHost host;
    FakeMessageBox messages;
    FakeSettingsStore settings;
    FakePortLister ports;
    std::unique_ptr<CLinkController> link;
    std::unique_ptr<CMainWindow> main;
    CVelmoraDlg* window = nullptr;
    bool connected = false;
    sim::SimState state;
};

QString writeText(const QString& path, const QByteArray& text)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(text);
    return path;
}

} // namespace

class TestMapWork : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QApplication::setApplicationName(QStringLiteral("velmora-test"));
    }
    void init()
    {
        QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)).removeRecursively();
        QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
            .remove(QStringLiteral("velmora-test.conf"));
    }

    void aMapFileIsComparedThenWrittenAsOneStep()
    {
        Rig rig;
        QVERIFY(rig.connected);
        QTemporaryDir dir;
        const QString saved = dir.filePath(QStringLiteral("unit.csv"));
        QVERIFY(rig.actions().saveMapAs(saved));
        QCOMPARE(rig.actions().recentFiles().value(0), saved);

        // The same map as a Polish spreadsheet saves it, with one cell and one RPM
        // breakpoint changed.
        QFile in(saved);
        QVERIFY(in.open(QIODevice::ReadOnly));
        QList<QByteArray> lines = in.readAll().split('\n');
        QList<QByteArray> rpm = lines[0].split(',');
        rpm[15] = "8000";
        lines[0] = rpm.join(',');
        QList<QByteArray> row3 = lines[3].split(',');
        row3[5] = "4.44";
        lines[3] = row3.join(',');
        QByteArray polish = lines.join("\r\n");
        polish.replace(',', ';').replace('.', ',');
        const QString edited = writeText(dir.filePath(QStringLiteral("edited.csv")), polish);

        const auto before = rig.unit();
        int compared = 0;
        std::size_t differences = 0;
        QString changedCell, changedRpm, sameCell;
        bool writable = false;
        rig.actions().setDialogRunner([&](QDialog& dialog) -> int {
            auto* compare = qobject_cast<CCompareDialog*>(&dialog);
            if (!compare)
                return QDialog::Rejected;
            ++compared;
            differences = compare->differences().size();
            changedCell = compare->table()->item(3, 5)->text();
            changedRpm = compare->table()->item(0, 15)->text();
            sameCell = compare->table()->item(3, 6)->text();
            writable = compare->writeButton()->isEnabled();
            rig.messages.answer = ID_NO; // the one confirmation, answered No: nothing
            compare->confirmWrite();
            if (dialog.result() == QDialog::Accepted)
                return QDialog::Accepted;
            rig.messages.answer = ID_YES;
            compare->confirmWrite();
            return dialog.result();
        });
        rig.actions().openMap(edited);
        QCOMPARE(compared, 1);
        QCOMPARE(differences, std::size_t(2));
        QVERIFY(changedCell.endsWith(QStringLiteral("\n→ 4.44")));
        QVERIFY(changedRpm.endsWith(QStringLiteral("\n→ 8000")));
        QVERIFY(!sameCell.contains(QStringLiteral("→")));
        QVERIFY(writable);
        QCOMPARE(rig.messages.shown().size(), std::size_t(2));
        QCOMPARE(int(rig.cell(2, 4)), 222); // 4.44 / 0.02
        QCOMPARE(int(rig.unit().rpmBytes[14]), 80);
        QCOMPARE(rig.unit().noisePeriod, before.noisePeriod);
        QCOMPARE(rig.window->edits().stack().count(), 1);
        rig.window->edits().stack().undo();
        QCOMPARE(rig.unit().map, before.map);
        QCOMPARE(rig.unit().rpmBytes, before.rpmBytes);
    }

    void aBrokenMapFileNamesItsPlaceAndSendsNothing()
    {
        Rig rig;
        QVERIFY(rig.connected);
        QTemporaryDir dir;
        const QString saved = dir.filePath(QStringLiteral("unit.csv"));
        QVERIFY(rig.actions().saveMapAs(saved));
        QFile in(saved);
        QVERIFY(in.open(QIODevice::ReadOnly));
        QByteArray text = in.readAll();
        text.replace("\n0.96,", "\n0.96,x"); // line 2, field 2 no longer a number
        const QString broken = writeText(dir.filePath(QStringLiteral("broken.csv")), text);
        const auto before = rig.unit();
        bool shown = false;
        rig.actions().setDialogRunner([&](QDialog&) {
            shown = true;
            return int(QDialog::Accepted);
        });
        rig.actions().openMap(broken);
        QVERIFY(!shown);
        const auto messages = rig.messages.shown();
        QCOMPARE(messages.size(), std::size_t(1));
        QVERIFY(messages[0].text.find(L"Wiersz 2, pole 2") != std::wstring::npos);
        QCOMPARE(rig.unit().map, before.map);
        QCOMPARE(rig.unit().mapStores, before.mapStores);
    }

    void pasteAndBulkEditsAreRefusedWholeOrWrittenWhole()
    {
        Rig rig;
        QVERIFY(rig.connected);
        const auto start = rig.unit().map;
        rig.select({2, 3}, {3, 4}); // columns 2..3, rows 3..4
        QApplication::clipboard()->setText(QStringLiteral("1,5\t2\r\n3\t0,04\r\n"));
        rig.actions().paste();
        QCOMPARE(int(rig.cell(3, 2)), 75);
        QCOMPARE(int(rig.cell(3, 3)), 100);
        QCOMPARE(int(rig.cell(4, 2)), 150);
        QCOMPARE(int(rig.cell(4, 3)), 2);
        rig.actions().copy();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("1.50\t2.00\n3.00\t0.04\n"));

        const auto pasted = rig.unit().map;
        const struct {
            const char* what;
            std::function<void()> edit;
        } refused[] = {
            {"not a number", [&] { QApplication::clipboard()->setText(QStringLiteral("1\tx\n")); rig.actions().paste(); }},
            {"ragged", [&] { QApplication::clipboard()->setText(QStringLiteral("1\t2\n3\n")); rig.actions().paste(); }},
            {"beyond the grid", [&] {
                 rig.select({14, 15}, {14, 15});
                 QApplication::clipboard()->setText(QStringLiteral("1\t2\n"));
                 rig.actions().paste();
                 rig.select({2, 3}, {3, 4});
             }},
            {"value too large", [&] { rig.actions().setValue(QStringLiteral("5,2")); }},
            {"sum too large", [&] { rig.actions().addValue(QStringLiteral("4")); }},
            {"operand no number", [&] { rig.actions().scaleValue(QStringLiteral("ten")); }},
        };
        std::size_t messages = 0;
        for (const auto& r : refused) {
            r.edit();
            QVERIFY2(rig.messages.shown().size() == ++messages, r.what);
            QVERIFY2(rig.unit().map == pasted, r.what);
        }

        rig.actions().scaleValue(QStringLiteral("50"));
        QCOMPARE(int(rig.cell(4, 2)), 225);
        rig.select({2, 3}, {2, 5}); // rows 3..5 of column 2: the middle from its ends
        rig.actions().interpolate(CMapActions::Across::Columns);
        // Row 4 on the straight line between rows 3 and 5, weighted by the voltage axis.
        const auto& w = rig.unit().voltWords;
        const double top = rig.cell(3, 2), bottom = rig.cell(5, 2);
        const double expected = top + (bottom - top) * (w[4] - w[3]) / double(w[5] - w[3]);
        QVERIFY(std::abs(rig.cell(4, 2) - expected) <= 1.0);
        QVERIFY(rig.cell(4, 2) != 225);
        while (rig.window->edits().stack().canUndo())
            rig.window->edits().stack().undo();
        QCOMPARE(rig.unit().map, start);
    }

    void backupsAreKeptOnConnectionAndRestoredThroughTheCompareView()
    {
        Rig rig;
        QVERIFY(rig.connected);
        CBackupKeeper& keeper = *rig.window->backups();
        QCOMPARE(keeper.list().size(), std::size_t(1));
        // The same unit again: no second copy.
        QVERIFY(keeper.onConnected(rig.window->state()).isEmpty());
        QCOMPARE(keeper.list().size(), std::size_t(1));

        const auto original = rig.unit();
        rig.messages.answer = ID_YES;
        rig.actions().clearMap();
        const auto cleared = rig.unit().map;
        QVERIFY(std::all_of(cleared.begin(), cleared.end(), [](auto b) { return b == 0; }));
        UnitSettings s = rig.window->document().settings();
        s.noiseDelta = 99;
        rig.window->edits().changeSettings(s, kNoiseDeltaField);

        int listed = -1;
        QString summary;
        rig.actions().setDialogRunner([&](QDialog& dialog) -> int {
            if (auto* list = qobject_cast<CBackupsDialog*>(&dialog)) {
                listed = list->table()->rowCount();
                summary = list->table()->item(0, 2)->text();
                emit list->table()->cellDoubleClicked(0, 0);
                return list->result();
            }
            auto* compare = qobject_cast<CCompareDialog*>(&dialog);
            compare->confirmWrite();
            return compare->result();
        });
        rig.actions().showBackups();
        QCOMPARE(listed, 1);
        QVERIFY(summary.contains(QStringLiteral("komórki mapy")));
        QCOMPARE(rig.unit().map, original.map);
        QCOMPARE(int(rig.unit().noiseDelta), int(original.noiseDelta));
        // The restore kept a backup of what it replaced.
        QCOMPARE(keeper.list().size(), std::size_t(2));
    }
};

QTEST_MAIN(TestMapWork)
#include "tst_map_work.moc"
