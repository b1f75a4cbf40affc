// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The console tool's commands. Each command group lives in its own cmd_*.cpp and
// registers itself with one line:
//
//   static const velmora::cli::CommandRegistrar reg{{"name", "one-line summary", &runName}};
//
// run() receives "velmora-cli name" followed by the command's own arguments, ready for
// a QCommandLineParser, and returns the process exit status.

#include <QString>
#include <QStringList>

#include <string>
#include <vector>

class QCommandLineParser;

namespace velmora::cli {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

struct Command {
    const char* name;
    const char* summary;
    int (*run)(const QStringList& arguments);
};

struct CommandRegistrar {
    explicit CommandRegistrar(const Command& command);
};

// Registered commands, sorted by name.
std::vector<Command> commands();
const Command* findCommand(const QString& name);

// Parses a command's arguments (adds --help). Returns -1 to go on, kExitOk after
// printing the help, or kExitUsage after printing what was wrong.
int parseCommandLine(QCommandLineParser& parser, const QStringList& arguments);
// The parser's help with "Usage: <usageName> [options] ...".
QString helpText(const QCommandLineParser& parser, const QString& usageName);
// Prints "velmora-cli: <text>" to stderr and returns kExitUsage.
int usageError(const QString& text);
// "0x" and value in at least digits upper-case hexadecimal digits.
std::string hexText(unsigned value, int digits);
// Parses a non-negative number, decimal or 0x-prefixed hexadecimal, at most max.
bool parseNumber(const QString& text, unsigned max, unsigned& value);

} // namespace velmora::cli
