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

#include <cstdint>
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
// "FILE: what", or "FILE:LINE: what" as compilers report, so editors can jump there;
// returns the bad-file exit status (3).
int badFile(const QString& path, const std::string& text, std::uint64_t line = 0);
// A small input file (map, backup) read whole, at most maxBytes; otherwise says why
// through badFile ("too large for <what>") and returns its status. kExitOk when read.
int readSmallFile(const QString& path, qint64 maxBytes, const char* what, std::string& text);

} // namespace velmora::cli
