// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One command on several units at once: each unit's job runs on its own thread with
// its own connection. What a job writes to std::cout and std::cerr is caught line by
// line for that unit (and echoed, prefixed with its port, when asked), so the
// commands themselves stay unaware of how many units run beside them.
//
//   OutputCapture capture;                 // while it lives, cout/cerr are routed
//   auto results = runOnPorts(ports, [&](const std::string& port) { return run(port); }, echo);
//   std::cout << summaryTable(results);    // after the capture is gone
//
// A job may leave more than text behind: noteUnitConnected / noteUnitVersion* record
// the unit it talked to, unitData() takes the command's data for --json.

#include "line/json.h"

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace velmora::line {

// The console tool's exit statuses, as every command returns them.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr int kExitBadFile = 3;
constexpr int kExitDiffers = 4;

struct UnitResult {
    std::string port;          // as named, or the port the scan found
    int exitCode = kExitOk;
    bool connected = false;    // a unit answered on the port
    std::string errorCode;     // empty on success; see errorCodeFor
    std::string errorMessage;  // the last line the job wrote to stderr, when it failed
    std::optional<std::uint16_t> versionBefore;
    std::optional<std::uint16_t> versionAfter;
    double seconds = 0;
    std::vector<std::string> output;   // stdout lines
    std::vector<std::string> messages; // stderr lines
    Json data;                         // what the command put into unitData(); null when nothing
};

// Where a routed line goes as it arrives; called from the job's thread.
struct LiveEcho {
    bool output = true;   // stdout lines to the real stdout as "PORT: line"
    bool messages = true; // stderr lines to the real stderr as "PORT: line"
};

// Routes std::cout and std::cerr through per-thread sinks while it lives. Threads
// without a sink (the main thread) write through unchanged. One at a time.
class OutputCapture {
public:
    OutputCapture();
    ~OutputCapture();
    OutputCapture(const OutputCapture&) = delete;
    OutputCapture& operator=(const OutputCapture&) = delete;

    // The real streams, for writing past the capture (one line at a time, locked).
    static void writeOut(const std::string& text);
    static void writeErr(const std::string& text);
};

using UnitJob = std::function<int(const std::string& port)>;

// Runs job(port) for every port on its own thread and waits for all of them. An
// exception escaping a job is that unit's failure, not the run's.
std::vector<UnitResult> runOnPorts(const std::vector<std::string>& ports, const UnitJob& job,
                                   const LiveEcho& echo = {});

// ---- called from inside a job ----
void noteUnitConnected(const std::string& port);
// The unit's version as the command found it (the first call counts) and as it left it.
void noteUnitVersionBefore(std::uint16_t version);
void noteUnitVersionAfter(std::uint16_t version);
// The running job's data object, or null outside a job.
Json* unitData();

// "no_unit", "failed", "usage", "bad_file", "differs"; empty for success.
std::string errorCodeFor(int exitCode, bool connected);
// The exit status of a whole run: 0 when every unit succeeded, else the worst one
// (usage error above bad file above failure above "differs").
int worstExitCode(const std::vector<UnitResult>& results);

// One object per unit (see docs/json-output.md).
Json toJson(const UnitResult& result);
Json toJson(const std::vector<UnitResult>& results);

// The table printed after a multi-unit run: port, result, version before -> after, seconds.
std::string summaryTable(const std::vector<UnitResult>& results);

} // namespace velmora::line
