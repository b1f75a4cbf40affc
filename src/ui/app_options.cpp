#include "app_options.h"

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
    if (!parser.positionalArguments().isEmpty()) {
        parsed.error = QStringLiteral("Unexpected argument: %1").arg(parser.positionalArguments().constFirst());
        return parsed;
    }
    AppOptions options;
    options.simulate = parser.isSet(QStringLiteral("simulate"));
    if (parser.isSet(QStringLiteral("port"))) {
        options.port = parser.value(QStringLiteral("port")).toStdString();
        if (options.port.empty()) {
            parsed.error = QStringLiteral("--port needs a port name");
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
