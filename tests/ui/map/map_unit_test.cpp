// The map grid against the simulated unit over a pseudo-terminal: what the operator
// does with mouse and keys reaches exactly the cells and breakpoints meant.

#include "ui/map/cell_array.h"
#include "ui/map/lpg_map_device.h"
#include "ui/map/map_grid.h"
#include "ui/map/map_key_router.h"

#include "device/encodings.h"
#include "device/lpg_device.h"
#include "sim/sim_host.h"

#include <QApplication>
#include <QLineEdit>
#include <QtTest>

#include <memory>

using namespace velmora;

class MapUnitTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<sim::CSimHost> host;
    std::unique_ptr<CLPGDevice> device;
    std::unique_ptr<CLPGMapDevice> mapDevice;
    std::unique_ptr<CMapEmu1> map;
    std::unique_ptr<QWidget> window;
    CCellArray* grid = nullptr;

    QPoint centre(CellPos p) const { return grid->cellRect(p).center(); }

private slots:
    void init()
    {
        host = std::make_unique<sim::CSimHost>();
        host->start();
        device = std::make_unique<CLPGDevice>();
        QVERIFY(device->openPort(host->slavePath()));
        QVERIFY(device->isConnected());
        mapDevice = std::make_unique<CLPGMapDevice>(*device);
        map = std::make_unique<CMapEmu1>(*mapDevice);
        window = std::make_unique<QWidget>();
        window->resize(720, 420);
        auto* placeholder = new QWidget(window.get());
        placeholder->setGeometry(10, 10, 688, 374);
        grid = createMapGrid(placeholder, *map, window->font());
        map->showDeviceState(device->state());
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }

    void cleanup()
    {
        window.reset();
        map.reset();
        mapDevice.reset();
        device.reset();
        host.reset();
    }

    void ctrlUpStepsExactlyTheSelectedRectangleOfTheUnitsMap()
    {
        const sim::SimState before = host->state();
        QTest::mouseClick(grid, Qt::LeftButton, Qt::NoModifier, centre({4, 7}));
        QTest::mouseClick(grid, Qt::LeftButton, Qt::ShiftModifier, centre({6, 8}));
        QVERIFY(routeMapKey(*map, Qt::Key_Up, Qt::ControlModifier));

        const sim::SimState after = host->state();
        for (int g = 0; g < kVoltRows; ++g) {
            for (int j = 0; j < kRpmCols; ++j) {
                const std::size_t i = static_cast<std::size_t>(g * kRpmCols + j);
                const bool inside = g >= 7 && g <= 8 && j >= 4 && j <= 6;
                QCOMPARE(int(after.map[i]), int(before.map[i]) + (inside ? 5 : 0));
                // The host's copy of the map stays what the unit holds.
                QCOMPARE(device->state().map[g][j], mapValueFromByte(after.map[i]));
            }
        }
        QCOMPARE(after.mapStores, before.mapStores + 1);
        QCOMPARE(after.storedMap, after.map);

        // A later whole-map write (as a settings change makes) keeps the unit's values.
        QVERIFY(device->writeMap());
        QCOMPARE(host->state().map, after.map);
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

        QCOMPARE(int(host->state().rpmBytes[5]) * 100, expected);
        QCOMPARE(map->columnHeader(5).getTxt(), std::to_wstring(expected));
        QCOMPARE(device->state().rpmAxis[5], double(expected));
    }
};

QTEST_MAIN(MapUnitTest)
#include "map_unit_test.moc"
