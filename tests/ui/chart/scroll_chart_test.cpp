// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/chart/chart_painter.h"
#include "ui/chart/scroll_chart.h"
#include "ui/chart/model/volts_label.h"

#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

using namespace velmora;

namespace {

constexpr CRgb kRed{250, 0, 0};
constexpr CRgb kBlue{0, 0, 200};
constexpr CRgb kGreen{0, 200, 0};

// The main window's set-up: three voltage series, at most 10000 points each.
void setUpLikeTheWindow(CScrollChart<float>& chart, QWidget* parent, const QRect& rect)
{
    QVERIFY(chart.create(CScrollChartWidget::kStyleVisible | CScrollChartWidget::kStyleNotify, rect, parent));
    chart.showGrid(true);
    chart.setMaxPoints(10000);
    QVERIFY(chart.addSeries(0, voltsLabel, kRed, 0, 2, 1, 10.0f));
    QVERIFY(chart.addSeries(1, voltsLabel, kBlue, 0, 2, 1, 10.0f));
    QVERIFY(chart.addSeries(2, voltsLabel, kGreen, 0, 2, 1, 10.0f));
}

void feed(CScrollChart<float>& chart, int from, int to)
{
    for (int x = from; x <= to; ++x) {
        const auto fx = static_cast<float>(x);
        chart.addPoint(0, fx, 20.0f + static_cast<float>(x % 7), false);
        chart.addPoint(1, fx, 50.0f, false);
        chart.addPoint(2, fx, 80.0f - static_cast<float>(x % 5), false);
    }
    chart.update();
}

bool hasColour(const QImage& image, int column, CRgb colour)
{
    for (int y = 0; y < image.height(); ++y)
        if (image.pixelColor(column, y) == QColor(colour.r, colour.g, colour.b))
            return true;
    return false;
}

} // namespace

class ScrollChartTest : public QObject {
    Q_OBJECT
private slots:
    void paintsAtAnySize_data();
    void paintsAtAnySize();
    void painterAcceptsEmptyAndTinyAreas();
    void drawsBackgroundAndSeriesWhereTheModelSays();
    void scrollBarFollowsTheModel();
    void scrollBarActionsMoveTheView();
    void rangeSignalsFireOnlyWhenAskedFor();
    void labelFontFollowsTheSize();
    void createdChartKeepsFifteenPixelLabelsWhenShown();
    void keptPictureMatchesAWholePaint();
    void gapLeavesNoLineAcrossIt();
    void endLabelsNeverCoverEachOtherAndTimeLabelsShowWhole();
};

void ScrollChartTest::paintsAtAnySize_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("window") << QSize(580, 230);
    QTest::newRow("1x1") << QSize(1, 1);
    QTest::newRow("under scroll bar") << QSize(200, 5);
    QTest::newRow("lower than grid divisions") << QSize(200, 30);
    QTest::newRow("large") << QSize(2000, 1200);
}

void ScrollChartTest::paintsAtAnySize()
{
    QFETCH(QSize, size);
    QWidget window;
    window.resize(2100, 1300);
    CScrollChart<float> chart;
    setUpLikeTheWindow(chart, &window, QRect(QPoint(0, 0), size));
    feed(chart, 0, 3000);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    chart.repaint();
    const QPixmap shot = chart.grab();
    QCOMPARE(shot.size(), size);
    QVERIFY(chart.clientSize().height() >= 0);
}

void ScrollChartTest::painterAcceptsEmptyAndTinyAreas()
{
    CScrollChart<float> chart;
    setUpLikeTheWindow(chart, nullptr, QRect(0, 0, 580, 230));
    feed(chart, 0, 12000);
    QImage image(600, 300, QImage::Format_RGB32);
    for (const QSize client : {QSize(300, 0), QSize(0, 200), QSize(-5, -5), QSize(1, 1), QSize(300, 9)}) {
        image.fill(Qt::black);
        QPainter painter(&image);
        paintScrollChart(painter, chart.model(), client, chart.labelFont(), Qt::gray);
        painter.end();
        if (client.width() <= 0 || client.height() <= 0)
            QCOMPARE(image.pixelColor(0, 0), QColor(Qt::black)); // nothing drawn
    }
    QCOMPARE(image.pixelColor(0, 8), QColor(Qt::gray)); // the last area, 9 rows, has its border
}

void ScrollChartTest::drawsBackgroundAndSeriesWhereTheModelSays()
{
    CScrollChart<float> chart;
    chart.resize(400, 200);
    chart.showGrid(false);
    QVERIFY(chart.addSeries(0, voltsLabel, kRed, 0, 2, 1, 10.0f));
    QVERIFY(chart.addSeries(1, voltsLabel, kBlue, 0, 2, 0, 10.0f)); // hidden
    for (int x = 0; x <= 500; ++x) {
        chart.addPoint(0, static_cast<float>(x), 50.0f);
        chart.addPoint(1, static_cast<float>(x), 25.0f);
    }
    QImage image(chart.size(), QImage::Format_RGB32);
    image.fill(Qt::black);
    chart.render(&image);

    const int h = chart.clientSize().height();
    QCOMPARE(image.pixelColor(200, 10), QColor(240, 240, 240));
    // y = 50 sits half way down; the line covers x 0..500 of a 1000 wide view.
    const int row = h - static_cast<int>(h * 50 * 0.999 / 100);
    QVERIFY(image.pixelColor(100, row) == QColor(250, 0, 0) || image.pixelColor(100, row - 1) == QColor(250, 0, 0));
    QVERIFY(!hasColour(image, 300, kRed));
    QVERIFY(!hasColour(image, 100, kBlue));
}

void ScrollChartTest::scrollBarFollowsTheModel()
{
    QWidget window;
    CScrollChart<float> chart;
    setUpLikeTheWindow(chart, &window, QRect(0, 0, 580, 230));
    QScrollBar* bar = chart.horizontalScrollBar();
    QVERIFY(!bar->isEnabled());
    QCOMPARE(bar->pageStep(), 1000);

    feed(chart, 0, 2900); // view 2000..3000 of range 0..3000
    QVERIFY(bar->isEnabled());
    QCOMPARE(bar->pageStep(), 333);
    QCOMPARE(bar->maximum(), 667);
    QCOMPARE(bar->value(), 666);
    QCOMPARE(bar->geometry().bottom(), chart.height() - 1);

    chart.clear();
    QCOMPARE(bar->value(), 0);
    QCOMPARE(chart.model().rangeEnd(), 3000.0f);
}

void ScrollChartTest::scrollBarActionsMoveTheView()
{
    QWidget window;
    CScrollChart<float> chart;
    setUpLikeTheWindow(chart, &window, QRect(0, 0, 580, 230));
    feed(chart, 0, 2900);
    QScrollBar* bar = chart.horizontalScrollBar();

    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    QCOMPARE(chart.model().viewStart(), 1500.0f);
    QCOMPARE(bar->value(), 500);

    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(chart.model().viewStart(), 1510.0f);

    bar->setSliderPosition(250); // a thumb drag
    QCOMPARE(chart.model().viewStart(), 750.0f);
    QCOMPARE(bar->value(), 250);

    // Jumps to the ends are not chart actions: view and bar stay put.
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    QCOMPARE(chart.model().viewStart(), 750.0f);
    QCOMPARE(bar->value(), 250);
}

void ScrollChartTest::rangeSignalsFireOnlyWhenAskedFor()
{
    QWidget window;
    CScrollChart<float> chart;
    QSignalSpy views(&chart, &CScrollChartWidget::viewRangeChanged);
    QSignalSpy values(&chart, &CScrollChartWidget::valueRangeChanged);
    setUpLikeTheWindow(chart, &window, QRect(0, 0, 580, 230));
    QVERIFY(views.count() >= 1);
    views.clear();
    values.clear();

    feed(chart, 0, 900);
    QCOMPARE(views.count(), 0); // nothing moved yet
    feed(chart, 901, 901);
    QVERIFY(views.count() >= 1);
    QCOMPARE(views.last().at(0).toInt(), 1);
    QCOMPARE(views.last().at(1).toInt(), 1001);
    QCOMPARE(values.last().at(0).toInt(), 0);
    QCOMPARE(values.last().at(1).toInt(), 100);

    CScrollChart<float> quiet;
    QSignalSpy quietViews(&quiet, &CScrollChartWidget::viewRangeChanged);
    QVERIFY(quiet.create(CScrollChartWidget::kStyleVisible, QRect(0, 0, 100, 100), &window));
    quiet.addSeries(0, voltsLabel, kRed, 0, 2, 1, 10.0f);
    for (int x = 0; x < 1500; ++x)
        quiet.addPoint(0, static_cast<float>(x), 1.0f);
    QCOMPARE(quietViews.count(), 0);
}

void ScrollChartTest::labelFontFollowsTheSize()
{
    CScrollChart<float> chart;
    QCOMPARE(chart.labelFont().pixelSize(), 15);
    QVERIFY(chart.labelFont().bold());
    chart.resize(1000, 1000 + chart.horizontalScrollBar()->sizeHint().height());
    chart.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chart));
    const QSize client = chart.clientSize();
    const int expected = static_cast<int>(std::sqrt(double(client.width()) * client.height()) / 50);
    QCOMPARE(chart.labelFont().pixelSize(), expected);
}

void ScrollChartTest::createdChartKeepsFifteenPixelLabelsWhenShown()
{
    QWidget window;
    window.resize(700, 300);
    CScrollChart<float> chart;
    setUpLikeTheWindow(chart, &window, QRect(0, 0, 612, 245));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(chart.labelFont().pixelSize(), 15);
}

namespace {

QImage wholePaint(const CScrollChart<float>& chart)
{
    QImage image(chart.clientSize(), QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    paintScrollChart(painter, chart.model(), chart.clientSize(), chart.labelFont(),
                     chart.palette().color(QPalette::Dark));
    return image;
}

// What the window shows: its backing store, painted only where the chart asked.
QImage shown(CScrollChart<float>& chart)
{
    QCoreApplication::processEvents();
    const QPoint at = chart.mapTo(chart.window(), QPoint(0, 0));
    const QSize size = chart.clientSize();
    return chart.screen()
        ->grabWindow(chart.window()->winId(), at.x(), at.y(), size.width(), size.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

} // namespace

// The widget keeps its picture and draws only new columns; after any number of
// ticks, a gap, a scroll back and a return it must show what one whole paint shows.
void ScrollChartTest::keptPictureMatchesAWholePaint()
{
    QWidget window;
    window.resize(700, 300);
    CScrollChart<float> chart;
    setUpLikeTheWindow(chart, &window, QRect(0, 0, 580, 245));
    CChartAxes axes{true, 0.15, L"V", 0.1, L"s", L"%1 s bez odczytów", L"%1 s", 2.0};
    chart.setAxes(axes);
    chart.setSeriesName(0, L"Wejście [V]");
    chart.setSeriesName(1, L"Wyjście [V]");
    chart.setSeriesName(2, L"PWM pompy [V]");
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    int partial = 0;
    for (int x = 0; x <= 1400; ++x) {
        // A silence of 4 s after x = 1000: shaded and labelled with its length.
        const auto fx = static_cast<float>(x > 1000 ? x + 40 : x);
        chart.addPoint(0, fx, 60.0f + static_cast<float>((x * 7) % 23), false);
        chart.addPoint(1, fx, 30.0f + static_cast<float>((x * 3) % 11), false);
        chart.addPoint(2, fx, 10.0f + static_cast<float>((x * 5) % 17), false);
        if (x == 1000)
            chart.addGap();
        chart.updateChart();
        QCoreApplication::processEvents();
        if (chart.lastPaintedColumns() < 40)
            ++partial;
        // Before the view follows the data, and while it moves what is shown along.
        if (x == 899 || x == 1003 || x == 1250)
            QVERIFY2(shown(chart) == wholePaint(chart), qPrintable(QStringLiteral("x = %1").arg(x)));
    }
    QVERIFY2(partial > 1300, qPrintable(QString::number(partial)));
    QCOMPARE(shown(chart), wholePaint(chart));
    // The thumb creeps with the data and is brought up to date within half a second,
    // after a long creep and after short ones.
    QScrollBar* bar = chart.horizontalScrollBar();
    const QPoint barAt = bar->mapTo(bar->window(), QPoint(0, 0));
    for (int x = 1401; x <= 1500; x += 25) {
        QTest::qWait(600);
        const QImage barShown = bar->screen()
                                    ->grabWindow(bar->window()->winId(), barAt.x(), barAt.y(), bar->width(), bar->height())
                                    .toImage()
                                    .convertToFormat(QImage::Format_RGB32);
        QCOMPARE(barShown, bar->grab().toImage().convertToFormat(QImage::Format_RGB32));
        for (int i = x; i < x + 25; ++i)
            for (int series = 0; series < 3; ++series)
                chart.addPoint(series, static_cast<float>(i + 40), 20.0f, false);
        chart.updateChart();
    }
    QCOMPARE(shown(chart), wholePaint(chart));

    // Back by half a view, then a few steps forward again.
    chart.horizontalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
    QCOMPARE(shown(chart), wholePaint(chart));
    for (int i = 0; i < 3; ++i) {
        chart.horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCoreApplication::processEvents();
    }
    QCOMPARE(shown(chart), wholePaint(chart));
}

void ScrollChartTest::gapLeavesNoLineAcrossIt()
{
    CScrollChart<float> chart;
    chart.resize(500, 216);
    chart.showGrid(false);
    QVERIFY(chart.addSeries(0, voltsLabel, kRed, 0, 2, 1, 10.0f));
    for (int x = 0; x <= 300; x += 100)
        chart.addPoint(0, static_cast<float>(x), 50.0f);
    chart.addGap();
    for (int x = 500; x <= 700; x += 100)
        chart.addPoint(0, static_cast<float>(x), 50.0f);
    QImage image(chart.size(), QImage::Format_RGB32);
    chart.render(&image);
    QVERIFY(hasColour(image, 100, kRed));
    QVERIFY(!hasColour(image, 200, kRed)); // x = 400, inside the break
    QVERIFY(hasColour(image, 300, kRed));
}

// Close readings (12.60 V and 13.22 V and between) keep their end labels apart, in
// the order of their values; a time label the left edge cuts is not shown in part.
void ScrollChartTest::endLabelsNeverCoverEachOtherAndTimeLabelsShowWhole()
{
    CScrollChart<float> chart;
    setUpLikeTheWindow(chart, nullptr, QRect(0, 0, 580, 230));
    chart.setAxes(CChartAxes{true, 0.15, L"V", 0.1, L"s", {}, {}, 2.0});
    const float percent[] = {12.60f / 0.15f, 13.22f / 0.15f, 12.90f / 0.15f};
    const QFont axisFont = axisFontFor(chart.labelFont());
    const CChartFrame frame = chartFrame(chart.model(), chart.clientSize(), axisFont);
    CStaticTextCache texts;
    std::pair<long long, int> cut{-1, 0};
    for (int x = 0; x <= 1400 && cut.first < 0; ++x) {
        for (int series = 0; series < 3; ++series)
            chart.addPoint(series, static_cast<float>(x), percent[series], false);
        if (x == 500 || x > 1000)
            cut = cutTimeLabel(chart.model(), frame, axisFont);
        if (x != 500)
            continue;
        const auto labels = chartLabels(chart.model(), frame, chart.labelFont(), texts);
        QCOMPARE(labels.size(), std::size_t(3));
        for (std::size_t i = 0; i < labels.size(); ++i)
            for (std::size_t j = i + 1; j < labels.size(); ++j)
                QVERIFY(!labels[i].area.intersects(labels[j].area));
        // 13.22 on top, then 12.90, then 12.60.
        QVERIFY(labels[1].area.bottom() < labels[2].area.top());
        QVERIFY(labels[2].area.bottom() < labels[0].area.top());
        QCOMPARE(labels[1].text, QStringLiteral("13.22"));
    }
    QVERIFY2(cut.first >= 0, "the view never cut a time label");
    QImage image(chart.clientSize(), QImage::Format_RGB32);
    QPainter painter(&image);
    paintScrollChart(painter, chart.model(), chart.clientSize(), chart.labelFont(), Qt::darkGray);
    painter.end();
    const QColor background = toQColor(chart.model().background());
    const int top = frame.plot.bottom() + 1;
    for (int x = frame.plot.left(); x < frame.plot.left() + cut.second; ++x)
        for (int y = top; y < top + frame.timeScale; ++y)
            QVERIFY2(image.pixelColor(x, y) == background, qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
}

QTEST_MAIN(ScrollChartTest)
#include "scroll_chart_test.moc"
