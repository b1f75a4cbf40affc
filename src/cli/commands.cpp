// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands.h"
#include "unit_session.h"

#include <QCommandLineParser>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iostream>

namespace velmora::cli {

namespace {
std::vector<Command>& registry() {
    static std::vector<Command> all; // filled by static registrars before main
    return all;
}
} // namespace

CommandRegistrar::CommandRegistrar(const Command& command) { registry().push_back(command); }

std::vector<Command> commands() {
    auto all = registry();
    std::sort(all.begin(), all.end(),
              [](const Command& a, const Command& b) { return std::strcmp(a.name, b.name) < 0; });
    return all;
}

const Command* findCommand(const QString& name) {
    for (const Command& c : registry())
        if (name == QLatin1String(c.name)) return &c;
    return nullptr;
}

int usageError(const QString& text) {
    std::cerr << "velmora-cli: " << text.toStdString() << std::endl;
    return kExitUsage;
}

int parseCommandLine(QCommandLineParser& parser, const QStringList& arguments) {
    const QCommandLineOption help = parser.addHelpOption();
    if (!parser.parse(arguments)) return usageError(parser.errorText());
    if (parser.isSet(help)) {
        std::cout << helpText(parser, arguments.value(0)).toStdString() << std::flush;
        return kExitOk;
    }
    return -1;
}

QString helpText(const QCommandLineParser& parser, const QString& usageName) {
    // Qt names the executable as it was started; say "velmora-cli <command>" instead.
    QString text = parser.helpText();
    const qsizetype end = text.indexOf(QLatin1String(" [options]"));
    if (text.startsWith(QLatin1String("Usage: ")) && end > 0)
        text.replace(7, end - 7, usageName);
    return text;
}

std::string hexText(unsigned value, int digits) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

bool parseNumber(const QString& text, unsigned max, unsigned& value) {
    bool ok = false;
    const qulonglong v = text.trimmed().toULongLong(&ok, 0); // 0: decimal or 0x...
    if (!ok || v > max || text.trimmed().startsWith(QLatin1Char('-'))) return false;
    value = static_cast<unsigned>(v);
    return true;
}

int badFile(const QString& path, const std::string& text, std::uint64_t line) {
    std::cerr << path.toStdString();
    if (line) std::cerr << ':' << line;
    std::cerr << ": " << text << std::endl;
    return kExitBadFile;
}

int readSmallFile(const QString& path, qint64 maxBytes, const char* what, std::string& text) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return badFile(path, file.errorString().toStdString());
    const QByteArray bytes = file.read(maxBytes + 1);
    if (bytes.size() > maxBytes) return badFile(path, std::string("too large for ") + what);
    text.assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    return kExitOk;
}

} // namespace velmora::cli
