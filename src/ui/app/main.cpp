// SPDX-License-Identifier: GPL-3.0-or-later
// velmora: the operator window.

#include "app_options.h"
#include "ui/window/about_dlg.h"
#include "ui/window/main_window.h"
#include "ui/widgets/qt_message_box.h"
#include "session_settings.h"
#include "simulator.h"
#include "stall_probe.h"
#include "termination_watch.h"
#include "ui/window/velmora_dlg.h"

#include "lang/translate.h"
#include "link/link_controller.h"
#include "platform/native_names.h"
#include "platform/port_lister.h"
#include "platform/program_language.h"
#include "platform/settings_store.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>

#include <clocale>
#include <cstdio>

using namespace velmora;

int main(int argc, char** argv)
{
    // --help and --version are answered before the window system is needed, so they
    // work without a display.
    QStringList rawArguments;
    for (int i = 0; i < argc; ++i)
        rawArguments << QString::fromLocal8Bit(argv[i]);
    const ParsedOptions early = parseAppOptions(rawArguments);
    if (early.help || early.version) {
        std::fputs(qPrintable(early.help ? helpText() : QStringLiteral("velmora %1\n").arg(programVersion())), stdout);
        return 0;
    }

    QElapsedTimer started;
    started.start();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("velmora"));
    QApplication::setApplicationVersion(programVersion());
    QApplication::setDesktopFileName(QStringLiteral("velmora"));
    // Qt takes the user's locale for the C library too; numbers in texts and files
    // are always written with a '.'.
    std::setlocale(LC_NUMERIC, "C");

    // Qt has taken its own options (-platform, -style, ...) off the line by now.
    const ParsedOptions parsed = parseAppOptions(QApplication::arguments());
    if (!parsed.options) {
        std::fprintf(stderr, "velmora: %s\n\n%s", qPrintable(parsed.error), qPrintable(helpText()));
        return 2;
    }
    const AppOptions& options = *parsed.options;

    setUpLanguage(options.language); // the code was checked with the other options

    CQtMessageBox messages;
    CQtSettingsStore userSettings;
    CSessionSettingsStore sessionSettings;
    CQtPortLister ports;
    ISettingsStore* settings = &userSettings;

    std::string portOnly = options.port;
    std::unique_ptr<CSimulator> simulator;
    if (options.simulate) {
        std::string error;
        simulator = startSimulator(error);
        if (!simulator) {
            std::fprintf(stderr, "velmora: cannot start the simulated unit: %s\n", error.c_str());
            return 1;
        }
        portOnly = simulator->port();
        settings = &sessionSettings;
    }

    // Declared after the simulator: the link, and with it the reading thread, is gone
    // before the simulated unit stops answering.
    CLinkController::Setup setup;
    setup.settings = settings;
    setup.ports = &ports;
    setup.portFolders = platform::portFolders();
    CLinkController link(setup);
    CMainWindow window(link, &messages);
    messages.setOwner(&window);
    // The window first, then whatever box is open over it.
    CTerminationWatch termination([&window] {
        window.close();
        QApplication::closeAllWindows();
    });

    // Benchmarks and soak runs: how long start-up took and the longest the window froze.
    const QString probeFile = qEnvironmentVariable("VELMORA_STALL_PROBE");
    std::unique_ptr<CStallProbe> probe;
    qint64 firstPaintMs = -1;
    if (!probeFile.isEmpty())
        probe = std::make_unique<CStallProbe>();

    // The window appears at once; the unit is looked for behind it.
    window.show();
    link.start(QString::fromStdString(portOnly));
    if (qEnvironmentVariableIsSet("VELMORA_BENCH_START_CHART"))
        window.dialog().OnBnClickedBtnStart();
    if (probe) {
        QApplication::processEvents();
        firstPaintMs = started.elapsed();
        probe->reset();
    }
    app.exec();
    if (probe) {
        QFile out(probeFile);
        if (out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            out.write(QStringLiteral("window_first_paint_ms %1\nwindow_max_stall_ms %2\n")
                          .arg(firstPaintMs).arg(probe->maxStallMs()).toUtf8());
    }
    messages.setOwner(nullptr);
    return 0;
}
