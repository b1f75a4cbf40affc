// SPDX-License-Identifier: GPL-3.0-or-later
// sim: runs the simulated unit on a pseudo-terminal until interrupted.

#include "commands.h"
#include "interrupt.h"

#include "platform/simulated_ports.h"
#include "sim/sim_host.h"

#include <QCommandLineParser>

#include <iostream>
#include <limits>

namespace velmora::cli {

namespace {

int runSim(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Runs a simulated unit on a pseudo-terminal until Ctrl+C or SIGTERM.\n"
        "The first line printed is the path to open as the serial port."));
    const QCommandLineOption link(QStringLiteral("link"),
                                  QStringLiteral("Also make a symlink to the terminal at <path>."),
                                  QStringLiteral("path"));
    const QCommandLineOption boot(QStringLiteral("boot"),
                                  QStringLiteral("Start in the bootloader, as a unit whose "
                                                 "application is broken."));
    const QCommandLineOption dropEvery(QStringLiteral("drop-every"),
                                       QStringLiteral("Leave every <n>th reply unsent."),
                                       QStringLiteral("n"));
    const QCommandLineOption corruptEvery(QStringLiteral("corrupt-every"),
                                          QStringLiteral("Send every <n>th reply with a wrong "
                                                         "checksum."),
                                          QStringLiteral("n"));
    const QCommandLineOption paced(QStringLiteral("paced"),
                                   QStringLiteral("Answer at the speed of a 38400-baud line."));
    parser.addOptions({link, boot, dropEvery, corruptEvery, paced});
    if (const int status = parseCommandLine(parser, arguments); status >= 0) return status;
    if (!parser.positionalArguments().isEmpty())
        return usageError(QStringLiteral("sim takes no arguments"));

    sim::Faults faults;
    constexpr unsigned kMax = std::numeric_limits<int>::max();
    if (parser.isSet(dropEvery) && !parseNumber(parser.value(dropEvery), kMax, faults.dropEvery))
        return usageError(QStringLiteral("--drop-every needs a number"));
    if (parser.isSet(corruptEvery) &&
        !parseNumber(parser.value(corruptEvery), kMax, faults.corruptEvery))
        return usageError(QStringLiteral("--corrupt-every needs a number"));
    faults.paced38400 = parser.isSet(paced);

    installInterruptHandlers();
    try {
        sim::CSimHost host(parser.value(link).toStdString());
        host.setFaults(faults);
        if (parser.isSet(boot)) host.startInBootloader();
        host.start();
        // A window started later, or already running, lists the terminal among its ports.
        const CSimulatedPortNotice notice(QString::fromStdString(host.path()));
        std::cout << host.slavePath() << std::endl; // scripts read this line
        std::cerr << "Simulated unit on " << host.slavePath();
        if (!host.linkPath().empty()) std::cerr << " (also " << host.linkPath() << ")";
        std::cerr << "; Ctrl+C ends it.\n"
                  << "Connect with:  velmora --port " << host.path() << "\n"
                  << "           or: velmora-cli info --port " << host.path() << "\n"
                  << "A running window lists it in its port chooser." << std::endl;
        while (!waitForInterrupt(1000)) {
        }
        host.stop();
    } catch (const std::exception& e) {
        std::cerr << "velmora-cli sim: " << e.what() << std::endl;
        return kExitFailure;
    }
    return kExitOk;
}

const CommandRegistrar reg{{"sim", "Run a simulated unit on a pseudo-terminal", &runSim}};

} // namespace

} // namespace velmora::cli
