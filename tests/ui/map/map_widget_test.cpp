// SPDX-License-Identifier: GPL-3.0-or-later
// The map grid window: mouse selection, header editing, partial repaints, arrow
// key routing and taking over its placeholder.

#include "model/fake_map_edits.h"

#include "ui/map/cell_array.h"
#include "ui/map/map_grid.h"
#include "ui/map/map_key_router.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPaintEvent>
#include <QPointer>
#include <QVBoxLayout>
#include <QtTest>

#include <memory>

using namespace velmora;

namespace {

// Records the regions the grid is asked to paint.
class PaintSpy : public QObject {
public:
    explicit PaintSpy(QWidget* target) { target->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
    QRegion painted;
};

void sendMouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button,
               Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QMouseEvent event(type, at, w->mapToGlobal(at), button, buttons, modifiers);
    QApplication::sendEvent(w, &event);
}

} // namespace

class MapWidgetTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<CMapDocument> document;
    std::unique_ptr<test::FakeMapEdits> edits;
    std::unique_ptr<CMapEmu1> map;
    std::unique_ptr<QWidget> window;
    QLineEdit* otherEdit = nullptr;
    CCellArray* grid = nullptr;

    QPoint centre(CellPos p) const { return grid->cellRect(p).center(); }
    QLineEdit* editor() const { return qobject_cast<QLineEdit*>(grid->editor()->getWindow()); }
    int selectedCount() const
    {
        int n = 0;
        for (int c = 0; c < CCellGrid::kColumns; ++c)
            for (int r = 0; r < CCellGrid::kRows; ++r)
                n += map->isSelected(c, r);
        return n;
    }
    bool onlyRectangleSelected(int c0, int r0, int c1, int r1) const
    {
        for (int c = 0; c < CCellGrid::kColumns; ++c)
            for (int r = 0; r < CCellGrid::kRows; ++r) {
                const bool inside = c >= c0 && c <= c1 && r >= r0 && r <= r1;
                if (map->isSelected(c, r) != inside)
                    return false;
            }
        return true;
    }

private slots:
    void init()
    {
        document = std::make_unique<CMapDocument>();
        RpmAxis rpm;
        for (int j = 0; j < kRpmCols; ++j)
            rpm[j] = 1000.0 + 500.0 * j;
        document->setAxes(document->volts(), rpm);
        edits = std::make_unique<test::FakeMapEdits>(*document);
        map = std::make_unique<CMapEmu1>(*document);
        map->setEdits(edits.get());
        window = std::make_unique<QWidget>();
        window->resize(760, 460);
        otherEdit = new QLineEdit(window.get());
        otherEdit->setGeometry(10, 410, 120, 24);
        otherEdit->setText(QStringLiteral("12345"));
        auto* placeholder = new QLabel(QStringLiteral("MAP"), window.get());
        placeholder->setObjectName(QStringLiteral("1027"));
        placeholder->setGeometry(20, 20, 672, 376);
        grid = createMapGrid(placeholder, *map, window->font());
        QVERIFY(grid);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }

    void cleanup()
    {
        window.reset();
        map.reset();
        edits.reset();
        document.reset();
    }

    void takesThePlaceOfItsPlaceholder()
    {
        QCOMPARE(grid->geometry(), QRect(20, 20, 672, 376));
        QCOMPARE(grid->objectName(), QStringLiteral("1027"));
        QCOMPARE(window->findChildren<QLabel*>().size(), 0);
        // Cells stretch over the whole rectangle.
        QCOMPARE(grid->cellRect({14, 15}).bottomRight(), QPoint(671, 375));
        QCOMPARE(map->corner().getTxt(), std::wstring(L"V"));
        QCOMPARE(map->columnHeader(0).getTxt(), std::wstring(L"1000"));
        QCOMPARE(map->rowHeader(0).getTxt(), std::wstring(L"0.96"));

        QWidget box;
        auto* layout = new QVBoxLayout(&box);
        auto* above = new QLabel(&box);
        auto* slot = new QLabel(&box);
        layout->addWidget(above);
        layout->addWidget(slot);
        CMapDocument otherDocument;
        CMapEmu1 otherMap(otherDocument);
        CCellArray* inLayout = createMapGrid(slot, otherMap, box.font());
        QVERIFY(inLayout);
        QCOMPARE(layout->indexOf(inLayout), 1);

        QLabel orphan;
        CCellArray lone(otherMap);
        QVERIFY(!lone.createFromStatic(&orphan));
        QVERIFY(!createMapGrid(&orphan, otherMap, box.font()));
    }

    void clickSelectsOneCellAndTakesTheFocus()
    {
        otherEdit->setFocus();
        QTest::mouseClick(grid, Qt::LeftButton, Qt::NoModifier, centre({3, 4}));
        QVERIFY(grid->hasFocus());
        QVERIFY(onlyRectangleSelected(3, 4, 3, 4));
        QCOMPARE(map->anchor(), (CellPos{3, 4}));
    }

    void dragAndShiftClickSelectARectangle()
    {
        sendMouse(grid, QEvent::MouseButtonPress, centre({2, 2}), Qt::LeftButton, Qt::LeftButton);
        sendMouse(grid, QEvent::MouseMove, centre({5, 6}), Qt::NoButton, Qt::LeftButton);
        QVERIFY(onlyRectangleSelected(2, 2, 5, 6));
        // Past the grid's edge the drag keeps to the last row and column.
        sendMouse(grid, QEvent::MouseMove, QPoint(5000, 5000), Qt::NoButton, Qt::LeftButton);
        QVERIFY(onlyRectangleSelected(2, 2, 14, 15));
        sendMouse(grid, QEvent::MouseButtonRelease, QPoint(5000, 5000), Qt::LeftButton, Qt::NoButton);
        // Moving without the button changes nothing.
        sendMouse(grid, QEvent::MouseMove, centre({3, 3}), Qt::NoButton, Qt::NoButton);
        QVERIFY(onlyRectangleSelected(2, 2, 14, 15));

        QTest::mouseClick(grid, Qt::LeftButton, Qt::NoModifier, centre({8, 9}));
        QTest::mouseClick(grid, Qt::LeftButton, Qt::ShiftModifier, centre({6, 12}));
        QVERIFY(onlyRectangleSelected(6, 9, 8, 12));
        QCOMPARE(map->anchor(), (CellPos{8, 9}));

        // A click on a header keeps the body selection.
        QTest::mouseClick(grid, Qt::LeftButton, Qt::NoModifier, centre({4, -1}));
        QVERIFY(onlyRectangleSelected(6, 9, 8, 12));
    }

    void doubleClickEditsAHeaderAndEnterCommits()
    {
        QTest::mouseDClick(grid, Qt::LeftButton, Qt::NoModifier, centre({5, -1}));
        QVERIFY(editor()->isVisible());
        QCOMPARE(editor()->text(), QStringLiteral("3500"));
        QCOMPARE(editor()->geometry(), grid->cellRect({5, -1}));
        QVERIFY(map->isEditing());
        QCOMPARE(map->editColumn(), 5);
        QCOMPARE(map->editRow(), -1);

        QTest::keyClicks(editor(), QStringLiteral("3449"));
        QTest::keyClick(editor(), Qt::Key_Return);
        QVERIFY(!editor()->isVisible());
        QVERIFY(!map->isEditing());
        QCOMPARE(map->columnHeader(5).getTxt(), std::wstring(L"3400"));
        QCOMPARE(document->rpm()[5], 3400.0);
        QCOMPARE(edits->axisWrites, 1);
        QVERIFY(grid->hasFocus());
    }

    void typingOnAClickedHeaderStartsTheEditWithThatText()
    {
        QTest::mouseClick(grid, Qt::LeftButton, Qt::NoModifier, centre({-1, 2}));
        QTest::keyClick(grid, Qt::Key_1);
        QVERIFY(editor()->isVisible());
        QVERIFY(editor()->hasFocus());
        QTest::keyClicks(editor(), QStringLiteral(",5"));
        QCOMPARE(editor()->text(), QStringLiteral("1,5"));
        QCOMPARE(map->editColumn(), -1);
        QCOMPARE(map->editRow(), 2);
        QTest::keyClick(editor(), Qt::Key_Enter);
        // Kept above the row before it (1.92 V), one step of 0.015 V, as the unit holds it.
        QCOMPARE(map->rowHeader(2).getTxt(), std::wstring(L"1.935"));
        QVERIFY(document->volts()[2] > document->volts()[1]);

        // A body cell takes a typed value the same way; the corner takes none.
        QTest::mouseClick(grid, Qt::LeftButton, Qt::NoModifier, centre({2, 2}));
        QTest::keyClicks(grid, QStringLiteral("2"));
        QVERIFY(editor()->isVisible());
        QTest::keyClicks(editor(), QStringLiteral(",4"));
        QTest::keyClick(editor(), Qt::Key_Return);
        QCOMPARE(map->cell(2, 2).getTxt(), std::wstring(L"2.4"));
        QCOMPARE(document->map()[2][2], 2.4);
        QTest::mouseDClick(grid, Qt::LeftButton, Qt::NoModifier, centre({2, 2}));
        QVERIFY(editor()->isVisible());
        QTest::keyClick(editor(), Qt::Key_Escape);
        QTest::mouseDClick(grid, Qt::LeftButton, Qt::NoModifier, centre({-1, -1}));
        QVERIFY(!editor()->isVisible());
    }

    void escapeCancelsAndAnEmptyEditChangesNothing()
    {
        QTest::mouseDClick(grid, Qt::LeftButton, Qt::NoModifier, centre({3, -1}));
        QTest::keyClicks(editor(), QStringLiteral("5000"));
        QTest::keyClick(editor(), Qt::Key_Escape);
        QVERIFY(!editor()->isVisible());
        QVERIFY(!map->isEditing());
        QCOMPARE(map->columnHeader(3).getTxt(), std::wstring(L"2500"));
        QCOMPARE(edits->axisWrites, 0);
        QVERIFY(window->isVisible());

        QTest::mouseDClick(grid, Qt::LeftButton, Qt::NoModifier, centre({3, -1}));
        editor()->clear();
        QTest::keyClick(editor(), Qt::Key_Return);
        QCOMPARE(map->columnHeader(3).getTxt(), std::wstring(L"2500"));
        QCOMPARE(edits->axisWrites, 0);
    }

    void clickingElsewhereCommitsTheEdit()
    {
        QTest::mouseDClick(grid, Qt::LeftButton, Qt::NoModifier, centre({7, -1}));
        QTest::keyClicks(editor(), QStringLiteral("4440"));
        QTest::mouseClick(grid, Qt::LeftButton, Qt::NoModifier, centre({1, 1}));
        QVERIFY(!map->isEditing());
        QCOMPARE(map->columnHeader(7).getTxt(), std::wstring(L"4400"));
        QCOMPARE(edits->axisWrites, 1);
        QVERIFY(onlyRectangleSelected(1, 1, 1, 1));
    }

    void markerRepaintsOnlyTheCellsItLeavesAndEnters()
    {
        map->showDocument();
        map->markCurrentCell(1200, 1.2);
        const CellPos before = map->currentCell();
        QTest::qWait(50);
        PaintSpy spy(grid);
        map->markCurrentCell(3700, 2.0);
        QTRY_VERIFY(!spy.painted.isEmpty());
        const CellPos now = map->currentCell();
        QVERIFY(!(now == before));
        const QRegion expected = QRegion(grid->cellRect(before)) + grid->cellRect(now);
        QCOMPARE(spy.painted, expected);

        spy.painted = QRegion();
        map->markCurrentCell(3700, 2.0); // same cell: nothing changes, nothing painted
        QTest::qWait(50);
        QVERIFY(spy.painted.isEmpty());
    }

    void arrowKeysReachTheMapFromAnyControlOfTheWindow()
    {
        CMapKeyRouter router(*map, window.get());
        qApp->installEventFilter(&router);
        QTest::mouseClick(grid, Qt::LeftButton, Qt::NoModifier, centre({4, 7}));
        otherEdit->setFocus();
        otherEdit->setCursorPosition(2);

        QTest::keyClick(otherEdit, Qt::Key_Right);
        QVERIFY(onlyRectangleSelected(5, 7, 5, 7));
        QCOMPARE(otherEdit->cursorPosition(), 2);
        QTest::keyClick(otherEdit, Qt::Key_Left, Qt::ControlModifier); // as plain Left
        QVERIFY(onlyRectangleSelected(4, 7, 4, 7));
        QTest::keyClick(otherEdit, Qt::Key_Right, Qt::ShiftModifier);
        QTest::keyClick(otherEdit, Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(otherEdit, Qt::Key_Down, Qt::ShiftModifier);
        QVERIFY(onlyRectangleSelected(4, 7, 5, 9));

        QTest::keyClick(otherEdit, Qt::Key_Down, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(onlyRectangleSelected(4, 7, 5, 9)); // Ctrl wins: a step, not a resize
        // At 0 a step down changes nothing, so nothing is asked of the unit.
        QCOMPARE(edits->mapEdits.size(), size_t(0));
        QTest::keyClick(otherEdit, Qt::Key_Up, Qt::ControlModifier);
        QCOMPARE(edits->mapEdits.size(), size_t(1));
        QCOMPARE(edits->mapEdits[0].area, (CellBlock{4, 7, 5, 9}));
        QCOMPARE(map->cell(4, 7).getTxt(), std::wstring(L"0.1"));
        QCOMPARE(map->cell(5, 9).getTxt(), std::wstring(L"0.1"));
        QCOMPARE(map->cell(6, 9).getTxt(), std::wstring(L"0.0"));
        QVERIFY(!QApplication::overrideCursor());

        // Other keys stay with the control; other windows keep their arrows.
        QTest::keyClick(otherEdit, Qt::Key_End);
        QCOMPARE(otherEdit->cursorPosition(), 5);
        QLineEdit elsewhere;
        elsewhere.setText(QStringLiteral("abc"));
        elsewhere.setCursorPosition(0);
        QTest::keyClick(&elsewhere, Qt::Key_Right);
        QCOMPARE(elsewhere.cursorPosition(), 1);
        QVERIFY(onlyRectangleSelected(4, 7, 5, 9));

        // The cell editor keeps its arrows, Home and End for the caret.
        QTest::mouseDClick(grid, Qt::LeftButton, Qt::NoModifier, centre({6, -1}));
        editor()->clear();
        QTest::keyClicks(editor(), QStringLiteral("14"));
        QTest::keyClick(editor(), Qt::Key_Left);
        QTest::keyClicks(editor(), QStringLiteral("5"));
        QTest::keyClick(editor(), Qt::Key_Home);
        QTest::keyClicks(editor(), QStringLiteral("4"));
        QTest::keyClick(editor(), Qt::Key_End);
        QTest::keyClicks(editor(), QStringLiteral("0"));
        QCOMPARE(editor()->text(), QStringLiteral("41540"));
        QVERIFY(onlyRectangleSelected(4, 7, 5, 9));
        QTest::keyClick(editor(), Qt::Key_Escape);
        qApp->removeEventFilter(&router);
    }

    void withoutTheRouterTheGridLeavesArrowsAlone()
    {
        QTest::mouseClick(grid, Qt::LeftButton, Qt::NoModifier, centre({4, 7}));
        QTest::keyClick(grid, Qt::Key_Right);
        QVERIFY(onlyRectangleSelected(4, 7, 4, 7));
        QVERIFY(!routeMapKey(*map, Qt::Key_PageDown, Qt::NoModifier));
        QVERIFY(routeMapKey(*map, Qt::Key_Right, Qt::NoModifier));
        QVERIFY(onlyRectangleSelected(5, 7, 5, 7));
    }

    void theGridMayGoBeforeItsWindow()
    {
        // The window's members go before its child windows.
        QTest::mouseDClick(grid, Qt::LeftButton, Qt::NoModifier, centre({2, -1}));
        QPointer<CCellArray> alive(grid);
        map.reset();
        QVERIFY(!grid->grid());
        grid->repaint();
        QTest::mouseClick(grid, Qt::LeftButton, Qt::NoModifier, centre({1, 1}));
        QTest::keyClicks(grid, QStringLiteral("12"));
        window.reset();
        QVERIFY(!alive);
    }
};

QTEST_MAIN(MapWidgetTest)
#include "map_widget_test.moc"
