// SPDX-License-Identifier: GPL-3.0-or-later
// The window's parts that stand on their own: layout arithmetic, reading texts,
// setting steps, the message box, the spinner, the About box and the command line.

#include "ui/window/about_dlg.h"
#include "ui/widgets/app_icon.h"
#include "ui/app/app_options.h"
#include "ui/widgets/dialog_units.h"
#include "ui/window/qt_firmware_ui.h"
#include "ui/widgets/qt_message_box.h"
#include "ui/widgets/reading_field.h"
#include "ui/window/readings.h"
#include "ui/window/setting_field.h"
#include "ui/window/settings_step.h"
#include "ui/widgets/up_down.h"

#include "lang/translate.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <thread>

using namespace velmora;

Q_DECLARE_METATYPE(std::optional<std::uint32_t>)

class TestUiParts : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { setLanguageIndex(0); }

    void dialogUnitsRoundHalfAwayFromZero();
    void neighbouringControlsStayFlush();
    void layoutScalesWithTheFont();

    void readingTexts_data();
    void readingTexts();
    void chartValuesArePercentOf15Volts();

    void settingStep_data();
    void pageStepHoldsAtTheEnds();
    void settingStep();

    void messageBoxStylesAndAnswers_data();
    void messageBoxStylesAndAnswers();
    void messageBoxOffTheWindowThreadDoesNotBlock();

    void upDownReportsStepsOnly();
    void readingFieldShowsWhatAWholePaintShows();
    void aboutBoxShowsNameVersionAndIcon();
    void fileFilterBecomesNameFilters();
    void commandLine();
};

void TestUiParts::dialogUnitsRoundHalfAwayFromZero()
{
    QCOMPARE(scaleRounded(2, 7, 4), 4);   // 3.5
    QCOMPARE(scaleRounded(5, 7, 4), 9);   // 8.75
    QCOMPARE(scaleRounded(1, 15, 8), 2);  // 1.875
    QCOMPARE(scaleRounded(-2, 7, 4), -4); // -3.5
    QCOMPARE(scaleRounded(0, 7, 4), 0);
}

void TestUiParts::neighbouringControlsStayFlush()
{
    // Start (0..50) and Stop (52..102) keep their 2-unit gap, and a control that
    // ends where the next begins still touches it after rounding.
    const DialogBaseUnits units{7, 15};
    const QRect a = dialogToPixels({0, 146, 50, 14}, units);
    const QRect b = dialogToPixels({50, 146, 52, 14}, units);
    QCOMPARE(a.x() + a.width(), b.x());
    QCOMPARE(a.y(), b.y());
    QCOMPARE(a.height(), b.height());
    QCOMPARE(dialogToPixels({510, 0, 0, 0}, units).x(), 893); // 892.5 rounds up
}

void TestUiParts::layoutScalesWithTheFont()
{
    QFont small = QApplication::font();
    small.setPixelSize(10);
    QFont large = small;
    large.setPixelSize(20);
    const DialogBaseUnits s = dialogBaseUnits(small);
    const DialogBaseUnits l = dialogBaseUnits(large);
    QVERIFY(s.x > 0 && s.y > 0);
    QVERIFY(l.x > s.x);
    QVERIFY(l.y > s.y);
    // One line of text is 8 vertical units high.
    QCOMPARE(dialogToPixels({0, 0, 0, 8}, l).height(), l.y);
}

void TestUiParts::readingTexts_data()
{
    QTest::addColumn<int>("rpmPeriod");
    QTest::addColumn<int>("pumpRaw");
    QTest::addColumn<int>("inputRaw");
    QTest::addColumn<int>("outputRaw");
    QTest::addColumn<int>("workState");
    QTest::addColumn<QString>("rpm");
    QTest::addColumn<QString>("pump");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("state");

    QTest::newRow("running engine") << 7500 << 1000 << 1000 << 700 << 3 << "1000" << "15.00"
                                    << "5.00" << "3.50" << QString::fromUtf8("Włączony");
    QTest::newRow("no period") << 0 << -200 << 0 << 0 << 0 << "0" << "-3.00" << "0.00" << "0.00"
                               << QString::fromUtf8("Wyłączony");
    QTest::newRow("period overflow") << 0xFFFF << 0 << 2002 << 1 << 4 << "0" << "0.00" << "10.01"
                                     << "0.01" << QString::fromUtf8("Wyłączony");
    QTest::newRow("work states other than 3 are off")
        << 3000 << 1 << 0 << 0 << 2 << "2500" << "0.01" << "0.00" << "0.00"
        << QString::fromUtf8("Wyłączony");
}

void TestUiParts::readingTexts()
{
    QFETCH(int, rpmPeriod);
    QFETCH(int, pumpRaw);
    QFETCH(int, inputRaw);
    QFETCH(int, outputRaw);
    QFETCH(int, workState);
    QFETCH(QString, rpm);
    QFETCH(QString, pump);
    QFETCH(QString, input);
    QFETCH(QString, output);
    QFETCH(QString, state);
    CDiag d;
    d.rpmPeriod = static_cast<std::uint16_t>(rpmPeriod);
    d.pumpRaw = static_cast<std::int16_t>(pumpRaw);
    d.inputRaw = static_cast<std::uint16_t>(inputRaw);
    d.outputRaw = static_cast<std::uint16_t>(outputRaw);
    d.workState = static_cast<std::uint8_t>(workState);
    const ReadingTexts t = velmora::readingTexts(d);
    QCOMPARE(QString::fromStdWString(t.rpm), rpm);
    QCOMPARE(QString::fromStdWString(t.pumpVolts), pump);
    QCOMPARE(QString::fromStdWString(t.inputVolts), input);
    QCOMPARE(QString::fromStdWString(t.outputVolts), output);
    QCOMPARE(QString::fromStdWString(t.workState), state);
}

void TestUiParts::chartValuesArePercentOf15Volts()
{
    CDiag d;
    d.inputRaw = 3000;  // 15 V
    d.outputRaw = 1500; // 7.5 V
    d.pumpRaw = 500;    // 7.5 V
    const ChartValues v = chartValues(d);
    QCOMPARE(v.input, 100.0f);
    QCOMPARE(v.output, 50.0f);
    QCOMPARE(v.pump, 50.0f);
    // The label turns the percentage back into volts.
    QCOMPARE(chartValueLabel(50.0), std::wstring(L"7.50"));
    QCOMPARE(chartValueLabel(-20.0), std::wstring(L"-3.00"));
}

void TestUiParts::settingStep_data()
{
    QTest::addColumn<uint>("current");
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("lowest");
    QTest::addColumn<int>("highest");
    QTest::addColumn<std::optional<std::uint32_t>>("expected");
    const auto none = std::optional<std::uint32_t>();
    const auto some = [](std::uint32_t v) { return std::optional<std::uint32_t>(v); };
    const SettingRange div = kRpmDividerRange, delta = kNoiseDeltaRange, period = kNoisePeriodRange;

    QTest::newRow("divider up") << 1u << +1 << div.lowest << div.highest << some(2);
    QTest::newRow("divider at 1, down") << 1u << -1 << div.lowest << div.highest << none;
    QTest::newRow("divider at 200, up") << 200u << +1 << div.lowest << div.highest << none;
    QTest::newRow("divider 0 from the unit, up") << 0u << +1 << div.lowest << div.highest << some(1);
    QTest::newRow("divider 0 from the unit, down") << 0u << -1 << div.lowest << div.highest << none;
    QTest::newRow("divider 250 from the unit, down") << 250u << -1 << div.lowest << div.highest << none;
    QTest::newRow("delta at 0, down") << 0u << -1 << delta.lowest << delta.highest << none;
    QTest::newRow("delta at 255, up") << 255u << +1 << delta.lowest << delta.highest << none;
    QTest::newRow("delta down") << 255u << -1 << delta.lowest << delta.highest << some(254);
    QTest::newRow("period at 50000, up") << 50000u << +1 << period.lowest << period.highest << none;
    QTest::newRow("period 50002, down") << 50002u << -1 << period.lowest << period.highest << none;
    QTest::newRow("period 50001, down") << 50001u << -1 << period.lowest << period.highest << some(50000);
    QTest::newRow("period at 0, down") << 0u << -1 << period.lowest << period.highest << none;
}

void TestUiParts::settingStep()
{
    QFETCH(uint, current);
    QFETCH(int, step);
    QFETCH(int, lowest);
    QFETCH(int, highest);
    QFETCH(std::optional<std::uint32_t>, expected);
    QCOMPARE(stepSetting(current, step, {lowest, highest}), expected);
}

void TestUiParts::pageStepHoldsAtTheEnds()
{
    const struct {
        std::uint32_t current;
        int step;
        std::optional<std::uint32_t> expected;
    } cases[] = {
        {1500, +10, 1510},   {49995, +10, 50000}, {50000, +10, std::nullopt},
        {5, -10, 0},         {0, -10, std::nullopt},
        // A value from the unit beyond the range moves only by a single step inwards.
        {50005, -10, std::nullopt}, {50001, -10, 50000}, {60000, +10, std::nullopt},
    };
    for (const auto& c : cases)
        QCOMPARE(CSettingField::pageStep(c.current, c.step, kNoisePeriodRange), c.expected);
}

void TestUiParts::messageBoxStylesAndAnswers_data()
{
    QTest::addColumn<uint>("style");
    QTest::addColumn<int>("icon");
    QTest::addColumn<int>("defaultButton");
    QTest::addColumn<int>("press");
    QTest::addColumn<int>("expected");
    QTest::newRow("error") << 0x10u << int(QMessageBox::Critical) << int(QMessageBox::Ok)
                           << int(QMessageBox::Ok) << int(ID_OK);
    QTest::newRow("information") << 0x40u << int(QMessageBox::Information) << int(QMessageBox::Ok)
                                 << int(QMessageBox::Ok) << int(ID_OK);
    QTest::newRow("plain") << 0x00u << int(QMessageBox::NoIcon) << int(QMessageBox::Ok)
                           << int(QMessageBox::Ok) << int(ID_OK);
    QTest::newRow("question, yes") << 0x104u << int(QMessageBox::NoIcon) << int(QMessageBox::No)
                                   << int(QMessageBox::Yes) << int(ID_YES);
    QTest::newRow("question, no") << 0x104u << int(QMessageBox::NoIcon) << int(QMessageBox::No)
                                  << int(QMessageBox::No) << int(ID_NO);
}

void TestUiParts::messageBoxStylesAndAnswers()
{
    QFETCH(uint, style);
    QFETCH(int, icon);
    QFETCH(int, defaultButton);
    QFETCH(int, press);
    QFETCH(int, expected);

    bool inspected = false;
    QTimer::singleShot(0, this, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        QCOMPARE(box->windowTitle(), QStringLiteral("Emulator"));
        QCOMPARE(box->text(), QStringLiteral("Tekst\ndruga linia"));
        QCOMPARE(int(box->icon()), icon);
        QVERIFY(box->defaultButton());
        QCOMPARE(int(box->standardButton(box->defaultButton())), defaultButton);
        inspected = true;
        box->button(QMessageBox::StandardButton(press))->click();
    });
    CQtMessageBox messages;
    QCOMPARE(messages.show(L"Tekst\ndruga linia", kCaption, style), expected);
    QVERIFY(inspected);
}

void TestUiParts::messageBoxOffTheWindowThreadDoesNotBlock()
{
    CQtMessageBox messages;
    int plain = -1, question = -1;
    std::thread other([&] {
        plain = messages.show(L"z wątku", kCaption, MB_ERROR);
        question = messages.show(L"pytanie", kCaption, MB_YESNO_DEFNO);
    });
    other.join(); // returned without anyone pressing a button
    QCOMPARE(plain, int(ID_OK));
    QCOMPARE(question, int(ID_NO));

    // The boxes still reach the screen, on the window thread.
    QStringList seen;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, this, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            seen << box->text();
            box->button(box->standardButtons() & QMessageBox::No ? QMessageBox::No : QMessageBox::Ok)
                ->click();
        }
    });
    closer.start(10);
    QTRY_COMPARE(seen.size(), 2);
    seen.sort(); // a box queued later may open over an earlier one
    QCOMPARE(seen, QStringList({QStringLiteral("pytanie"), QStringLiteral("z wątku")}));
}

void TestUiParts::upDownReportsStepsOnly()
{
    CUpDown spinner;
    spinner.resize(16, 26);
    spinner.show();
    QSignalSpy steps(&spinner, &CUpDown::stepped);
    QTest::mouseClick(spinner.upButton(), Qt::LeftButton);
    QTest::mouseClick(spinner.upButton(), Qt::LeftButton);
    QTest::mouseClick(spinner.downButton(), Qt::LeftButton);
    QCOMPARE(steps.size(), 3);
    QCOMPARE(steps.at(0).at(0).toInt(), +1);
    QCOMPARE(steps.at(1).at(0).toInt(), +1);
    QCOMPARE(steps.at(2).at(0).toInt(), -1);
    // The arrows never take the focus: the arrow keys belong to the map grid.
    QCOMPARE(spinner.upButton()->focusPolicy(), Qt::NoFocus);
    // Both halves are on screen.
    QVERIFY(spinner.upButton()->geometry().height() >= 12);
    QVERIFY(spinner.downButton()->geometry().bottom() < spinner.height());
}

void TestUiParts::aboutBoxShowsNameVersionAndIcon()
{
    setLanguageIndex(1); // not translated in any language
    CAboutDlg about;
    setLanguageIndex(0);
    QCOMPARE(about.windowTitle(), QStringLiteral("About Velmora"));
    auto* version = about.findChild<QLabel*>(QStringLiteral("version"));
    QVERIFY(version);
    QCOMPARE(version->text(), QStringLiteral("Velmora Version 1.0"));
    QVERIFY(version->fontMetrics().horizontalAdvance(version->text()) <= version->width());
    auto* picture = about.findChild<QLabel*>(QStringLiteral("icon"));
    QVERIFY(picture && !picture->pixmap().isNull());

    // Painted at build time and carried in the program's resources.
    for (const int side : {16, 32, 48})
        QVERIFY(QFile::exists(QStringLiteral(":/velmora/velmora-%1.png").arg(side)));
    const QList<QSize> sizes = appIcon().availableSizes();
    for (const int side : {16, 32, 48})
        QVERIFY2(sizes.contains(QSize(side, side)), qPrintable(QString::number(side)));

    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    auto* ok = about.findChild<QPushButton*>(QStringLiteral("1"));
    QVERIFY(ok && ok->isDefault());
    QTest::keyClick(&about, Qt::Key_Escape);
    QVERIFY(!about.isVisible());
    about.show();
    QTest::mouseClick(ok, Qt::LeftButton);
    QVERIFY(!about.isVisible());
    QCOMPARE(about.result(), int(QDialog::Accepted));
}

void TestUiParts::fileFilterBecomesNameFilters()
{
    QCOMPARE(nameFilters(L"Firmware files (*.afm)|*.afm|"),
             QStringList({QStringLiteral("Firmware files (*.afm)")}));
    QCOMPARE(nameFilters(L"Pliki|*.afm;*.bin|Wszystkie|*.*|"),
             QStringList({QStringLiteral("Pliki (*.afm *.bin)"), QStringLiteral("Wszystkie (*.*)")}));
}

void TestUiParts::commandLine()
{
    const auto parse = [](QStringList args) {
        args.prepend(QStringLiteral("velmora"));
        return parseAppOptions(args);
    };
    ParsedOptions p = parse({});
    QVERIFY(p.options && p.options->port.empty() && !p.options->simulate);

    p = parse({QStringLiteral("--port"), QStringLiteral("/dev/ttyUSB0"), QStringLiteral("--simulate")});
    QVERIFY(p.options);
    QCOMPARE(p.options->port, std::string("/dev/ttyUSB0"));
    QVERIFY(p.options->simulate);

    p = parse({QStringLiteral("--port=COM3")});
    QVERIFY(p.options);
    QCOMPARE(p.options->port, std::string("COM3"));

    p = parse({QStringLiteral("--lang"), QStringLiteral("el")});
    QVERIFY(p.options);
    QCOMPARE(p.options->language, QStringLiteral("el"));

    p = parse({QStringLiteral("drive.csv"), QStringLiteral("--simulate"), QStringLiteral("B.CSV")});
    QVERIFY(p.options);
    QCOMPARE(p.options->recordings, QStringList({QStringLiteral("drive.csv"), QStringLiteral("B.CSV")}));

    for (const QStringList& bad : {QStringList{QStringLiteral("--port")},
                                   QStringList{QStringLiteral("--bogus")},
                                   QStringList{QStringLiteral("extra")},
                                   QStringList{QStringLiteral("--port=")},
                                   QStringList{QStringLiteral("--lang")},
                                   QStringList{QStringLiteral("--lang=gr")}}) {
        p = parse(bad);
        QVERIFY2(!p.options, qPrintable(bad.join(' ')));
        QVERIFY(!p.error.isEmpty());
    }
    QVERIFY(parse({QStringLiteral("--help")}).help);
    QVERIFY(helpText().contains(QStringLiteral("--simulate")));
}

// A reading field repaints only its text's box: after longer, shorter and greyed
// values the window must hold what one whole paint of the field shows, and a
// number drawn a character at a time takes the room the whole string does.
void TestUiParts::readingFieldShowsWhatAWholePaintShows()
{
    QWidget window;
    window.resize(200, 60);
    CReadingField field(&window);
    field.setGeometry(10, 10, 120, 24);
    field.setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const auto shown = [&] {
        QCoreApplication::processEvents();
        const QPoint at = field.mapTo(&window, QPoint(0, 0));
        return window.screen()
            ->grabWindow(window.winId(), at.x(), at.y(), field.width(), field.height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    };
    QImage before;
    for (const char* text : {"13.36", "4520", "9.5", "-0.02", "\xe2\x80\x94", "Off", "12345.67"}) {
        field.setText(QString::fromUtf8(text));
        const QImage now = shown();
        QCOMPARE(now, field.grab().toImage().convertToFormat(QImage::Format_RGB32));
        QVERIFY2(now != before, text); // every value shows
        before = now;
        QCOMPARE(field.text(), QString::fromUtf8(text));
    }
    field.setEnabled(false);
    QVERIFY(shown() != before);
    QCOMPARE(shown(), field.grab().toImage().convertToFormat(QImage::Format_RGB32));

    CStaticTextCache texts;
    const QFont font = field.font();
    for (const QString& text : {QStringLiteral("13.36"), QStringLiteral("4520"), QStringLiteral("On")})
        QVERIFY2(std::abs(texts.width(text, font) - QFontMetricsF(font).horizontalAdvance(text)) <= 1.0,
                 qPrintable(text));
}

QTEST_MAIN(TestUiParts)
#include "tst_ui_parts.moc"
