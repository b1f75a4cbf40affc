// SPDX-License-Identifier: GPL-3.0-or-later
// The map grid and its undo steps against the simulated unit over a pseudo-terminal,
// written through the link controller as the window does: what the operator does
// reaches exactly the cells and breakpoints meant, and undo and redo put the unit's
// own bytes back.

#include "../ui_fakes.h"

#include "link/link_controller.h"
#include "ui/map/cell_array.h"
#include "ui/map/map_commands.h"
#include "ui/map/map_grid.h"
#include "ui/map/map_key_router.h"

#include "device/encodings.h"
#include "sim/sim_host.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QtTest>

#include <functional>
#include <memory>

using namespace velmora;

namespace {

// What the unit holds, byte for byte.
struct UnitBytes {
    std::array<std::uint8_t, sim::kMapBytes> map;
    std::array<std::uint8_t, sim::kMapBytes> storedMap;
    std::array<std::int16_t, sim::kVoltPoints> volts;
    std::array<std::uint8_t, sim::kRpmPoints> rpm;
    int rpmDivider, noiseDelta, noisePeriod;
    bool operator==(const UnitBytes&) const = default;
};

UnitBytes bytesOf(const sim::SimState& s)
{
    return {s.map, s.storedMap, s.voltWords, s.rpmBytes, s.rpmDivider, s.noiseDelta, s.noisePeriod};
}

class RecordingBox : public IMessageBox {
public:
    int show(const std::wstring& text, const std::wstring&, unsigned) override
    {
        shown.push_back(text);
        return ID_OK;
    }
    std::vector<std::wstring> shown;
};

} // namespace

class MapUnitTest;
using UnitEdit = std::function<void(MapUnitTest&)>;
Q_DECLARE_METATYPE(UnitEdit)

class MapUnitTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<sim::CSimHost> host;
    test::FakeSettingsStore settings;
    test::FakePortLister ports;
    std::unique_ptr<CLinkController> link;
    DeviceState unit; // what the unit reported last
    bool read = false;
    std::unique_ptr<CMapDocument> document;
    RecordingBox messages;
    std::unique_ptr<CUnitEdits> edits;
    std::unique_ptr<CMapEmu1> map;
    std::unique_ptr<QWidget> window;
    CCellArray* grid = nullptr;

    QPoint centre(CellPos p) const { return grid->cellRect(p).center(); }
    void select(CellPos a, CellPos b)
    {
        map->selectRectangle(a, b);
        map->setAnchor(a);
    }
    // Every write answered and the unit's answer read back into the document.
    bool settle()
    {
        QElapsedTimer t;
        t.start();
        while (edits->pendingWrites() > 0 && t.elapsed() < 10000)
            QTest::qWait(5);
        QTest::qWait(30);
        return edits->pendingWrites() == 0;
    }

private slots:
    void init()
    {
        host = std::make_unique<sim::CSimHost>();
        host->start();
        CLinkController::Setup setup;
        setup.settings = &settings;
        setup.ports = &ports;
        setup.timeouts = Timeouts{150, 1};
        link = std::make_unique<CLinkController>(setup);
        read = false;
        QObject::connect(link.get(), &CLinkController::unitDataChanged, link.get(),
                         [this](const DeviceState& state) {
                             unit = state;
                             read = true;
                             if (edits)
                                 edits->unitRead(state);
                         });
        link->start(QString::fromStdString(host->slavePath()));
        QTRY_VERIFY_WITH_TIMEOUT(read && link->canWrite(), 10000);
        document = std::make_unique<CMapDocument>(unit);
        messages.shown.clear();
        edits = std::make_unique<CUnitEdits>(*document, &link->unitWriter(), &messages);
        edits->setReread([this] { link->reread(); });
        map = std::make_unique<CMapEmu1>(*document);
        map->setEdits(edits.get());
        window = std::make_unique<QWidget>();
        window->resize(720, 420);
        auto* placeholder = new QWidget(window.get());
        placeholder->setGeometry(10, 10, 688, 374);
        grid = createMapGrid(placeholder, *map, window->font());
        map->showDocument();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }

    void cleanup()
    {
        window.reset();
        map.reset();
        edits.reset();
        link.reset();
        document.reset();
        host.reset();
    }

    void ctrlUpStepsExactlyTheSelectedRectangleOfTheUnitsMap()
    {
        const sim::SimState before = host->state();
        QTest::mouseClick(grid, Qt::LeftButton, Qt::NoModifier, centre({4, 7}));
        QTest::mouseClick(grid, Qt::LeftButton, Qt::ShiftModifier, centre({6, 8}));
        QVERIFY(routeMapKey(*map, Qt::Key_Up, Qt::ControlModifier));
        QVERIFY(settle());

        const sim::SimState after = host->state();
        for (int g = 0; g < kVoltRows; ++g) {
            for (int j = 0; j < kRpmCols; ++j) {
                const std::size_t i = static_cast<std::size_t>(g * kRpmCols + j);
                const bool inside = g >= 7 && g <= 8 && j >= 4 && j <= 6;
                QCOMPARE(int(after.map[i]), std::min(255, int(before.map[i]) + (inside ? 5 : 0)));
                // The document stays what the unit holds.
                QCOMPARE(document->map()[g][j], mapValueFromByte(after.map[i]));
            }
        }
        QCOMPARE(after.mapStores, before.mapStores + 1);
        QCOMPARE(after.storedMap, after.map);
    }

    // The editor opens with the value as the unit holds it; leaving it as it opened
    // (Enter, a click on another cell, Esc) or typing what the unit holds is no edit:
    // nothing reaches the unit and Undo has nothing to take back.
    void anEditorLeftAsItOpenedWritesNothing()
    {
        const unsigned writes = host->state().writes;
        // 0.86 and 0.92 (off the whole tenths), 0.80, an RPM and a voltage header.
        const struct {
            CellPos cell;
            const char* opens;
            const char* exact;
        } cases[] = {{{1, 0}, "0.86", "0.86"}, {{2, 0}, "0.92", "0.92"}, {{0, 0}, "0.8", "0.80"},
                     {{3, -1}, "1400", "1400"},  {{-1, 2}, "2.88", "2.88"}};
        for (const auto& c : cases) {
            const QString where = QStringLiteral("%1,%2").arg(c.cell.column).arg(c.cell.row);
            QTest::mouseDClick(grid, Qt::LeftButton, Qt::NoModifier, centre(c.cell));
            auto* edit = qobject_cast<QLineEdit*>(grid->editor()->getWindow());
            QVERIFY2(edit && edit->isVisible(), qPrintable(where));
            QCOMPARE(edit->text(), QString::fromLatin1(c.opens));
            QTest::keyClick(edit, Qt::Key_Return);
            QVERIFY(!edit->isVisible());

            QTest::mouseDClick(grid, Qt::LeftButton, Qt::NoModifier, centre(c.cell));
            QTest::mouseClick(grid, Qt::LeftButton, Qt::NoModifier, centre({7, 9}));
            QVERIFY(!edit->isVisible());

            QTest::mouseDClick(grid, Qt::LeftButton, Qt::NoModifier, centre(c.cell));
            QTest::keyClick(edit, Qt::Key_Escape);

            QTest::mouseDClick(grid, Qt::LeftButton, Qt::NoModifier, centre(c.cell));
            edit->selectAll();
            QTest::keyClicks(edit, QString::fromLatin1(c.exact).replace(QLatin1Char('.'), QLatin1Char(',')));
            QTest::keyClick(edit, Qt::Key_Return);
            QCOMPARE(QString::fromStdWString(map->at(c.cell).getTxt()), QString::fromLatin1(c.opens));
        }
        QVERIFY(settle());
        QCOMPARE(host->state().writes, writes);
        QCOMPARE(edits->stack().count(), 0);
        QCOMPARE(document->content(), contentOf(unit));
        QVERIFY(edits->lastNotice().isEmpty());

        // A real change goes out once, and shows what the unit keeps: 2,55 is 2.54.
        QTest::mouseDClick(grid, Qt::LeftButton, Qt::NoModifier, centre({1, 0}));
        auto* edit = qobject_cast<QLineEdit*>(grid->editor()->getWindow());
        edit->selectAll();
        QTest::keyClicks(edit, QStringLiteral("2,55"));
        QTest::keyClick(edit, Qt::Key_Return);
        QVERIFY(settle());
        QVERIFY(host->state().writes > writes);
        QCOMPARE(int(host->state().map[1]), 127);
        QCOMPARE(map->cell(1, 0).getTxt(), std::wstring(L"2.54"));
        QCOMPARE(edits->stack().count(), 1);
        QVERIFY(edits->lastNotice().contains(QStringLiteral("2.54")));
    }

    void anEditedRpmHeaderIsWrittenToTheUnit()
    {
        const sim::SimState before = host->state();
        // Just above the left neighbour: rounds down to a new breakpoint.
        const int typed = (before.rpmBytes[4] + 1) * 100 + 49;
        const int expected = (before.rpmBytes[4] + 1) * 100;
        QVERIFY(expected != before.rpmBytes[5] * 100 && expected < before.rpmBytes[6] * 100);
        QTest::mouseDClick(grid, Qt::LeftButton, Qt::NoModifier, centre({5, -1}));
        auto* edit = qobject_cast<QLineEdit*>(grid->editor()->getWindow());
        QVERIFY(edit && edit->isVisible());
        edit->setText(QString::number(typed));
        QTest::keyClick(edit, Qt::Key_Return);
        QVERIFY(settle());

        QCOMPARE(int(host->state().rpmBytes[5]) * 100, expected);
        QCOMPARE(map->columnHeader(5).getTxt(), std::to_wstring(expected));
        QCOMPARE(document->rpm()[5], double(expected));
    }

    void undoAndRedoPutTheUnitsBytesBack_data()
    {
        QTest::addColumn<UnitEdit>("edit");
        QTest::addColumn<int>("entries");
        using Edit = UnitEdit;
        QTest::newRow("steps up, one clamped at 5.10, folded")
            << Edit([](MapUnitTest& t) {
                   MapValues m = t.document->map();
                   m[3][2] = 5.06;
                   t.edits->changeMap(m, MapEdit::Set, {2, 3, 2, 3});
                   t.select({2, 3}, {3, 4});
                   for (int i = 0; i < 3; ++i)
                       t.map->incrementSelected(0.1);
               })
            << 2;
        QTest::newRow("steps down to zero and back up")
            << Edit([](MapUnitTest& t) {
                   t.select({0, 0}, {1, 0});
                   for (int i = 0; i < 60; ++i)
                       t.map->incrementSelected(-0.1);
                   t.map->incrementSelected(0.1);
               })
            << 1;
        QTest::newRow("typed value")
            << Edit([](MapUnitTest& t) { t.map->editedText(9, 12, L"3,14"); }) << 1;
        QTest::newRow("voltage header")
            << Edit([](MapUnitTest& t) { t.map->editedText(-1, 4, L"99"); }) << 1;
        QTest::newRow("clear")
            << Edit([](MapUnitTest& t) { t.edits->clearMap(); }) << 1;
        QTest::newRow("settings, folded per setting")
            << Edit([](MapUnitTest& t) {
                   UnitSettings s = t.document->settings();
                   for (int i = 0; i < 5; ++i) {
                       ++s.noisePeriod;
                       t.edits->changeSettings(s, kNoisePeriodField);
                   }
                   s.rpmDivider = 200;
                   t.edits->changeSettings(s, kRpmDividerField);
               })
            << 2;
        QTest::newRow("file: map and axes in one step")
            << Edit([](MapUnitTest& t) {
                   UnitContent c = t.document->content();
                   for (auto& row : c.map)
                       row.fill(1.5);
                   c.rpm[14] = 8000;
                   t.edits->changeContent(c, QStringLiteral("file"));
               })
            << 1;
    }

    void undoAndRedoPutTheUnitsBytesBack()
    {
        QFETCH(UnitEdit, edit);
        QFETCH(int, entries);
        const UnitBytes original = bytesOf(host->state());
        edit(*this);
        QVERIFY(settle());
        QVERIFY2(messages.shown.empty(), messages.shown.empty() ? "" : "a write failed");
        const UnitBytes edited = bytesOf(host->state());
        QVERIFY(!(edited == original));
        QCOMPARE(edits->stack().count(), entries);

        while (edits->stack().canUndo())
            edits->stack().undo();
        QVERIFY(settle());
        QVERIFY(bytesOf(host->state()) == original);
        QCOMPARE(document->content(), contentOf(unit));
        while (edits->stack().canRedo())
            edits->stack().redo();
        QVERIFY(settle());
        QVERIFY(bytesOf(host->state()) == edited);
        QVERIFY(messages.shown.empty());
    }

    void aUnitThatChangedElsewhereDropsTheHistory()
    {
        select({1, 1}, {1, 1});
        map->incrementSelected(0.1);
        QVERIFY(settle());
        edits->unitRead(unit); // the same unit read again: history stays
        QCOMPARE(edits->stack().count(), 1);
        DeviceState other = unit;
        other.map[0][0] = 2.0;
        edits->unitRead(other);
        QCOMPARE(edits->stack().count(), 0);
        QCOMPARE(document->map()[0][0], 2.0);
    }

    void aRefusedWriteSaysSoAndStaysForAnotherTry()
    {
        const UnitBytes original = bytesOf(host->state());
        sim::Faults refuse;
        refuse.nakWrites = true;
        host->setFaults(refuse);
        select({1, 1}, {1, 1});
        map->incrementSelected(0.1);
        QTRY_COMPARE(messages.shown.size(), std::size_t(1));
        QVERIFY(messages.shown[0].find(L"Nie powiodło się wpisanie mapy") != std::wstring::npos);
        // Nothing changed on the unit, the document shows what it has, and Redo
        // holds the edit.
        QVERIFY(settle());
        QVERIFY(bytesOf(host->state()) == original);
        QTRY_COMPARE(document->content(), contentOf(unit));
        QCOMPARE(edits->stack().index(), 0);
        QVERIFY(edits->stack().canRedo());

        host->setFaults({});
        edits->stack().redo();
        QVERIFY(settle());
        QCOMPARE(messages.shown.size(), std::size_t(1));
        QCOMPARE(int(host->state().map[1 * 15 + 1]), int(original.map[1 * 15 + 1]) + 5);

        // An undo that fails stays undoable.
        host->setFaults(refuse);
        edits->stack().undo();
        QTRY_COMPARE(messages.shown.size(), std::size_t(2));
        QVERIFY(settle());
        QCOMPARE(edits->stack().index(), 1);
        host->setFaults({});
        edits->stack().undo();
        QVERIFY(settle());
        QVERIFY(bytesOf(host->state()) == original);
    }
};

QTEST_MAIN(MapUnitTest)
#include "map_unit_test.moc"
