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

#include "ui/window/manual.h"
#include "ui/window/status_messages.h"

#include "lang/language_choice.h"
#include "lang/translate.h"
#include "platform/program_language.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QTextBrowser>
#include <QFontMetricsF>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <filesystem>
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
    void messageLogKeepsTheLast200WithTimes();
    void elidedLabelShortensToFitAndKeepsTheWholeText();
    void manualIsTheReadmesUserPart();
    void qtDialogsSpeakEveryLanguage();
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
    setLanguageIndex(1);
    CAboutDlg about(nullptr, QStringLiteral("/data/velmora/backups"), QStringLiteral("/home/u/Velmora"));
    setLanguageIndex(0);
    QCOMPARE(about.windowTitle(), QStringLiteral("About Velmora"));
    auto* version = about.findChild<QLabel*>(QStringLiteral("version"));
    QVERIFY(version);
    // The same as --version prints.
    QCOMPARE(version->text(), QStringLiteral("Velmora ") + QStringLiteral(VELMORA_VERSION));
    QCOMPARE(programVersion(), QStringLiteral("1.0.0.1"));
    // The licence and the folders the window writes to, as links.
    auto* details = about.findChild<QLabel*>(QStringLiteral("details"));
    QVERIFY(details);
    QVERIFY(details->text().contains(QStringLiteral("GPL-3.0-or-later")));
    QVERIFY(details->text().contains(QStringLiteral("href=\"file:///data/velmora/backups\"")));
    QVERIFY(details->text().contains(QStringLiteral("href=\"file:///home/u/Velmora\"")));
    QVERIFY(details->openExternalLinks());
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
    QVERIFY(version->fontMetrics().horizontalAdvance(version->text()) <= version->width());
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

void TestUiParts::messageLogKeepsTheLast200WithTimes()
{
    CMessageLog log;
    QSignalSpy added(&log, &CMessageLog::added);
    const QDateTime start(QDate(2026, 12, 10), QTime(8, 0, 0));
    for (int i = 0; i < 205; ++i)
        log.add(QStringLiteral("message %1").arg(i), start.addSecs(i));
    log.add(QStringLiteral("message 204"), start.addSecs(300)); // a repeat is not a new line
    log.add(QStringLiteral("  "));
    QCOMPARE(log.size(), std::size_t(200));
    QCOMPARE(added.size(), 205);
    const QStringList lines = log.lines();
    QCOMPARE(lines.front(), QStringLiteral("08:00:05  message 5"));
    QCOMPARE(lines.back(), QStringLiteral("08:03:24  message 204"));
    // A message of two lines is one line of the list.
    log.add(QStringLiteral("first\nsecond"), start);
    QCOMPARE(log.lines().back(), QStringLiteral("08:00:00  first second"));

    // The list shows them all, can be copied, and follows new ones.
    CMessagesDialog dialog(log);
    QCOMPARE(dialog.text(), log.lines().join(QLatin1Char('\n')));
    log.add(QStringLiteral("later"), start);
    QVERIFY(dialog.text().endsWith(QStringLiteral("08:00:00  later")));
}

void TestUiParts::elidedLabelShortensToFitAndKeepsTheWholeText()
{
    const QString text = QStringLiteral("Port /dev/ttyUSB0 is in use by another program: close it, then log out and log in again.");
    CElidedLabel label;
    label.setFullText(text);
    label.resize(label.fontMetrics().horizontalAdvance(text) + 20, 20);
    QCOMPARE(label.shownText(), text);
    label.resize(160, 20);
    const QString shown = label.shownText();
    QVERIFY(shown.endsWith(QChar(0x2026)));
    QVERIFY(label.fontMetrics().horizontalAdvance(shown) <= label.contentsRect().width());
    QCOMPARE(label.text(), text);
    QCOMPARE(label.toolTip(), text);
    // The layout may give it little room: it asks for a few letters, not the whole text.
    QVERIFY(label.minimumSizeHint().width() < 100);
}

void TestUiParts::manualIsTheReadmesUserPart()
{
    const QString readme = QStringLiteral("# Velmora\nIntro.\n## Requirements\nGCC\n## Using it\nCtrl+R records.\n"
                                          "## Licence\nGPL\n## Developing\nsrc/\n");
    const QString manual = manualMarkdown(readme);
    QVERIFY(manual.contains(QStringLiteral("Intro.")));
    QVERIFY(manual.contains(QStringLiteral("Ctrl+R records.")));
    QVERIFY(manual.contains(QStringLiteral("## Licence")));
    QVERIFY(!manual.contains(QStringLiteral("GCC")));
    QVERIFY(!manual.contains(QStringLiteral("src/")));

    // The page the build made from README.md, with its pictures, beside the programs.
    const QString page = manualPage();
    QVERIFY2(!page.isEmpty(), "bin/manual/index.html");
    QFile file(page);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(file.readAll());
    QVERIFY(html.contains(QStringLiteral("Ctrl+Shift+S")));
    QVERIFY(html.contains(QStringLiteral("docs/screenshot.png")));
    QVERIFY(QFile::exists(QFileInfo(page).dir().filePath(QStringLiteral("docs/screenshot.png"))));
    QVERIFY(!html.contains(QStringLiteral("scripts/windows-check")));
    CManualWindow window(page);
    QVERIFY(window.browser()->toPlainText().contains(QStringLiteral("Ctrl+Shift+S")));
}

void TestUiParts::qtDialogsSpeakEveryLanguage()
{
    loadLanguageFiles(executableFolder() + "EM_LANG");
    if (!std::filesystem::exists(executableFolder() + "EM_LANG/GREEK.txt"))
        QSKIP("no language files beside the test");
    const QString question = QString::fromStdWString(translate(L"Wyzerować całą mapę korekcji w urządzeniu?"));
    // Polish and the 13 tables.
    for (int index = 0; index < 14; ++index) {
        const QString code = QString::fromLatin1(languageCode(index));
        setLanguageIndex(index);
        installQtTranslations(index);
        // The Clear question, as the window asks it.
        QStringList buttons;
        QTimer::singleShot(0, [&buttons] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            if (box->buttons().size() == 2)
                buttons << box->button(QMessageBox::Yes)->text() << box->button(QMessageBox::No)->text();
            box->button(QMessageBox::No)->click();
        });
        CQtMessageBox messages;
        QCOMPARE(messages.show(question.toStdWString(), L"Velmora", MB_YESNO_DEFNO), int(ID_NO));
        QCOMPARE(buttons.size(), 2);
        // Qt's file dialog, drawn by Qt (the look of the Open dialog on Linux).
        QFileDialog files;
        files.setOption(QFileDialog::DontUseNativeDialog);
        const auto label = [&files](const char* name) {
            auto* l = files.findChild<QLabel*>(QLatin1String(name));
            return l ? l->text() : QString();
        };
        const QStringList fileWords = {label("lookInLabel"), label("fileNameLabel"), label("fileTypeLabel")};
        if (code == QLatin1String("en")) {
            QCOMPARE(buttons, QStringList({QStringLiteral("&Yes"), QStringLiteral("&No")}));
            QCOMPARE(fileWords, QStringList({QStringLiteral("Look in:"), QStringLiteral("File &name:"),
                                             QStringLiteral("Files of type:")}));
            continue;
        }
        // Italian and Spanish say No as English does; otherwise nothing stays English.
        const QString ourNo = QString::fromStdWString(translate(L"&Nie"));
        QVERIFY2(buttons[0] != QStringLiteral("&Yes") &&
                     (buttons[1] != QStringLiteral("&No") || ourNo == QStringLiteral("&No")),
                 qPrintable(code + QLatin1Char(' ') + buttons.join(QLatin1Char(','))));
        for (const QString& english : {QStringLiteral("Look in:"), QStringLiteral("File &name:"),
                                       QStringLiteral("Files of type:")})
            QVERIFY2(!fileWords.contains(english), qPrintable(code + QLatin1Char(' ') + fileWords.join(QLatin1Char(','))));
    }
    setLanguageIndex(0);
    installQtTranslations(0);
}

QTEST_MAIN(TestUiParts)
#include "tst_ui_parts.moc"
