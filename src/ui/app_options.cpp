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
    if (!parser.parse(arguments)) {
        parsed.error = parser.errorText();
        return parsed;
    }
    if (!parser.positionalArguments().isEmpty()) {
        parsed.error = QStringLiteral("Unexpected argument: %1").arg(parser.positionalArguments().constFirst());
        return parsed;
    }
    parsed.help = parser.isSet(QStringLiteral("help"));
    parsed.version = parser.isSet(QStringLiteral("version"));
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
    return parser.helpText();
}

} // namespace velmora
