// velmora: the operator window.

#include "app_options.h"
#include "qt_message_box.h"
#include "session_settings.h"
#include "simulator.h"
#include "termination_watch.h"
#include "velmora_dlg.h"

#include "lang/translate.h"
#include "platform/port_lister.h"
#include "platform/program_language.h"
#include "platform/settings_store.h"

#include <QApplication>

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
        std::fputs(qPrintable(early.help ? helpText() : QStringLiteral("velmora 1.0.0.1\n")), stdout);
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("velmora"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.0.1"));
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
    DeviceServices services{&messages, &userSettings, &ports};

    std::string preferredPort = options.port;
    std::unique_ptr<CSimulator> simulator;
    if (options.simulate) {
        std::string error;
        simulator = startSimulator(error);
        if (!simulator) {
            std::fprintf(stderr, "velmora: cannot start the simulated unit: %s\n", error.c_str());
            return 1;
        }
        preferredPort = simulator->port();
        services.settings = &sessionSettings;
    }

    // Declared after the simulator: the window, and with it the reading thread,
    // is gone before the simulated unit stops answering.
    CVelmoraDlg window(services);
    messages.setOwner(&window);
    window.setPreferredPort(preferredPort);
    // The window first: it may not be shown yet (still looking for the unit), and
    // closing it then keeps it from opening; then whatever box is open over it.
    CTerminationWatch termination([&window] {
        window.close();
        QApplication::closeAllWindows();
    });

    window.DoModal();
    messages.setOwner(nullptr);
    return 0;
}
