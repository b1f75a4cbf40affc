// SPDX-License-Identifier: GPL-3.0-or-later
// velmora-cli: the service tool's console front end. Global options here; every
// command parses its own (see commands.h).

#include "commands.h"
#include "console_message_box.h"
#include "multi_port.h"

#include "lang/language_choice.h"
#include "lang/translate.h"
#include "platform/program_language.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QGuiApplication>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>

using namespace velmora::cli;

namespace {

QString commandList() {
    QString text = QStringLiteral("\nCommands:\n");
    for (const Command& c : commands())
        text += QStringLiteral("  %1  %2\n").arg(QLatin1String(c.name), -16).arg(QLatin1String(c.summary));
    text += QStringLiteral("\nRun 'velmora-cli <command> --help' for a command's options.\n");
    return text;
}

// A script must not take a command whose output was lost (a full disk, /dev/full) for
// one that worked. A reader that went away (EPIPE) is not worth a word.
int outputChecked(int status) {
    std::cout.flush();
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    const int err = errno;
    if (flushed && !std::cout.fail() && !std::ferror(stdout)) return status;
    if (err != EPIPE)
        std::cerr << "velmora-cli: "
                  << velmora::cli::toUtf8(velmora::translate(L"Nie udało się zapisać wyniku na standardowe wyjście:"))
                  << ' ' << (err ? std::strerror(err) : "write error") << std::endl;
    return status == kExitOk ? kExitFailure : status;
}

// report lays text out in fonts, which takes Qt GUI (offscreen: no display needed);
// every other command starts without it.
bool commandNeedsGui(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--lang") == 0 || std::strcmp(argv[i], "-lang") == 0) ++i;
        else if (argv[i][0] != '-') return std::strcmp(argv[i], "report") == 0;
    }
    return false;
}

} // namespace

int main(int argc, char* argv[]) {
    const bool gui = commandNeedsGui(argc, argv);
    if (gui) qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::unique_ptr<QCoreApplication> app(gui ? new QGuiApplication(argc, argv)
                                                    : new QCoreApplication(argc, argv));
    QCoreApplication::setApplicationName(QStringLiteral("velmora-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VELMORA_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Console tool for the LPG pressure emulator unit."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption language(
        QStringLiteral("lang"),
        QStringLiteral("Speak LANG (%1) instead of the user's language.")
            .arg(QString::fromStdString(velmora::languageCodeList())),
        QStringLiteral("LANG"));
    parser.addOption(language);
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("The command to run."),
                                 QStringLiteral("<command> [options]"));
    // Everything after the command belongs to the command.
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);

    if (!parser.parse(QCoreApplication::arguments())) return usageError(parser.errorText());
    // The unit's messages reach the console in the user's language, as in the window.
    QString languageError;
    if (!velmora::setUpLanguage(parser.value(language), &languageError))
        return usageError(languageError);
    if (parser.isSet(version)) {
        std::cout << "velmora-cli " << VELMORA_VERSION << std::endl;
        return kExitOk;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        const std::string text = (helpText(parser, QStringLiteral("velmora-cli")) + QLatin1Char('\n') + commandList()).toStdString();
        if (parser.isSet(help)) {
            std::cout << text << std::flush;
            return kExitOk;
        }
        std::cerr << text << std::flush;
        return kExitUsage;
    }

    const Command* command = findCommand(positional.first());
    if (!command)
        return usageError(QStringLiteral("unknown command '%1'").arg(positional.first()) +
                          commandList());
    QStringList arguments = positional.mid(1);
    arguments.prepend(QStringLiteral("velmora-cli ") + positional.first());
    if (parser.isSet(help)) arguments.append(QStringLiteral("--help"));
    if (const int status = runOnSeveralPorts(*command, arguments); status >= 0) return outputChecked(status);
    return outputChecked(command->run(arguments));
}
