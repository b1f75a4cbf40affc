// SPDX-License-Identifier: GPL-3.0-or-later
#include "app_options.h"

#include "lang/language_choice.h"

#include <QCommandLineParser>

namespace velmora {

namespace {

void describe(QCommandLineParser& parser)
{
    parser.setApplicationDescription(
        QStringLiteral("Service tool for the LPG fuel pressure emulator unit."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({QStringLiteral("port"),
                      QStringLiteral("Try PORT (e.g. /dev/ttyUSB0 or COM3) before any other port."),
                      QStringLiteral("PORT")});
    parser.addOption({QStringLiteral("simulate"),
                      QStringLiteral("Start a simulated unit inside the program and connect to it.")});
    parser.addOption({QStringLiteral("lang"),
                      QStringLiteral("Speak LANG (%1) instead of the user's language.")
                          .arg(QString::fromStdString(languageCodeList())),
                      QStringLiteral("LANG")});
    parser.addPositionalArgument(QStringLiteral("recording"), QStringLiteral("Recordings (CSV) to open."),
                                 QStringLiteral("[FILE.csv...]"));
}

} // namespace

ParsedOptions parseAppOptions(const QStringList& arguments)
{
    QCommandLineParser parser;
    describe(parser);
    ParsedOptions parsed;
    const bool understood = parser.parse(arguments);
    // Known options are recognised even on a line with errors, so --help always answers.
    parsed.help = parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"));
    parsed.version = parser.isSet(QStringLiteral("version"));
    if (!understood) {
        parsed.error = parser.errorText();
        return parsed;
    }
    for (const QString& file : parser.positionalArguments())
        if (!file.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive)) {
            parsed.error = QStringLiteral("Unexpected argument: %1 (the window opens recordings, FILE.csv)").arg(file);
            return parsed;
        }
    AppOptions options;
    options.recordings = parser.positionalArguments();
    options.simulate = parser.isSet(QStringLiteral("simulate"));
    if (parser.isSet(QStringLiteral("port"))) {
        options.port = parser.value(QStringLiteral("port")).toStdString();
        if (options.port.empty()) {
            parsed.error = QStringLiteral("--port needs a port name");
            return parsed;
        }
    }
    if (parser.isSet(QStringLiteral("lang"))) {
        options.language = parser.value(QStringLiteral("lang"));
        if (languageIndexForCode(options.language.toStdString()) < 0) {
            parsed.error = QStringLiteral("Unknown language '%1'; use one of: %2")
                               .arg(options.language, QString::fromStdString(languageCodeList()));
            return parsed;
        }
    }
    parsed.options = options;
    return parsed;
}

QString helpText()
{
    QCommandLineParser parser;
    describe(parser);
    // Without an application object the parser does not know the program's name.
    return parser.helpText().replace(QStringLiteral("<executable_name>"), QStringLiteral("velmora"));
}

} // namespace velmora
