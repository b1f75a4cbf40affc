// SPDX-License-Identifier: GPL-3.0-or-later
// File > Service report… in the window on a simulated unit: the backup taken at the
// connection is "before", the unit read again is "after", the form's workshop and
// technician come back next time, and the preview offers Save as PDF and HTML.

#include "../ui_fakes.h"

#include "lang/translate.h"
#include "link/link_controller.h"
#include "sim/sim_host.h"
#include "ui/report/report_form.h"
#include "ui/report/service_report.h"
#include "ui/window/main_window.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPrintPreviewDialog>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <filesystem>
#include <functional>
#include <memory>

using namespace velmora;

namespace {

// Runs act on the next modal dialog of type T as soon as it is shown.
template <class T>
void onDialog(std::function<void(T*)> act, int triesLeft = 500)
{
    QTimer::singleShot(20, qApp, [act, triesLeft] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget()))
            act(dialog);
        else if (triesLeft > 0)
            onDialog<T>(act, triesLeft - 1);
    });
}

bool hasChangedCell(const report::Document& doc, const std::string& text)
{
    for (const report::Block& b : doc.blocks)
        for (const auto& row : b.table.rows)
            for (const report::Cell& c : row)
                if (c.changed && c.text == text)
                    return true;
    return false;
}

} // namespace

class TestServiceReport : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QSettings().remove(QStringLiteral("report")); // what an earlier run remembered
    }

    void reportsTheVisitFromTheConnectionBackupToTheUnitNow()
    {
        sim::CSimHost host((std::filesystem::temp_directory_path() /
                            ("velmora-report-unit-" + std::to_string(::getpid()))).string());
        host.start();
        test::FakeMessageBox messages;
        test::FakeSettingsStore settings;
        test::FakePortLister ports;
        CLinkController::Setup setup;
        setup.settings = &settings;
        setup.ports = &ports;
        setup.timeouts = Timeouts{150, 1};
        auto link = std::make_unique<CLinkController>(setup);
        auto main = std::make_unique<CMainWindow>(*link, &messages);
        CServiceReport* report = main->findChild<CServiceReport*>();
        QVERIFY(report);
        QVERIFY(main->fileMenu()->actions().contains(report->action()));
        link->start(QString::fromStdString(host.path()));
        QTRY_VERIFY_WITH_TIMEOUT(!report->connectionBackup().isEmpty(), 10000);

        // The technician's work: a setting changed on the unit.
        host.withUnit([](sim::CSimUnit& u) {
            u.state().noiseDelta = 17;
            return 0;
        });

        bool previewed = false;
        QStringList previewActions;
        onDialog<CReportForm>([&](CReportForm* form) {
            form->findChildren<QPlainTextEdit*>().at(0)->setPlainText(QStringLiteral("Test Workshop\nMain St 1"));
            form->findChildren<QLineEdit*>().at(0)->setText(QStringLiteral("J. Tester"));
            form->findChildren<QLineEdit*>().at(1)->setText(QStringLiteral("WX 12345"));
            if (const QByteArray shot = qgetenv("VELMORA_REPORT_FORM_SHOT"); !shot.isEmpty())
                form->grab().save(QString::fromLocal8Bit(shot));
            onDialog<QPrintPreviewDialog>([&](QPrintPreviewDialog* preview) {
                previewed = true;
                for (QAction* a : preview->findChild<QToolBar*>()->actions())
                    previewActions << a->text();
                if (const QByteArray shot = qgetenv("VELMORA_REPORT_SHOT"); !shot.isEmpty())
                    preview->grab().save(QString::fromLocal8Bit(shot));
                preview->reject();
            });
            form->accept();
        });
        report->action()->trigger();

        QVERIFY(previewed);
        QVERIFY(previewActions.contains(QString::fromStdWString(translate(L"Zapisz jako PDF…"))));
        QVERIFY(previewActions.contains(QString::fromStdWString(translate(L"Zapisz jako HTML…"))));
        const report::Document& doc = report->lastDocument();
        QVERIFY(hasChangedCell(doc, "17"));
        QVERIFY(!doc.blocks.empty());
        bool named = false;
        for (const report::Block& b : doc.blocks)
            for (const auto& row : b.table.rows)
                for (const report::Cell& c : row)
                    named = named || c.text.find("Test Workshop") != std::string::npos ||
                            c.text.find(QFileInfo(report->connectionBackup()).fileName().toStdString()) == 0;
        QVERIFY(named);

        // The workshop and technician are there for the next report; the vehicle is not.
        CReportForm again(QString{});
        QCOMPARE(again.details().workshop, QStringLiteral("Test Workshop\nMain St 1"));
        QCOMPARE(again.details().technician, QStringLiteral("J. Tester"));
        QVERIFY(again.details().registration.isEmpty());

        main.reset();
        link.reset();
    }
};

QTEST_MAIN(TestServiceReport)
#include "tst_service_report.moc"
