// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A programming station: every unit that appears on a watched port is served on its
// own thread (programme, restore a backup, change settings, read back and check),
// reported as one record, and its port is served again only after that unit has
// gone. Qt-free: the console tool gives it the port list and the console.

#include "line/json.h"

#include "mapfile/snapshot.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace velmora {
class CLPGDevice;
struct DeviceState;
} // namespace velmora

namespace velmora::line {

// One of the unit's three settings and the range the unit takes.
struct SettingInfo {
    const char* name;
    unsigned min;
    unsigned max;
    void (*store)(DeviceState&, unsigned);
    unsigned (*load)(const DeviceState&);
};
const std::vector<SettingInfo>& unitSettings();
const SettingInfo* findSetting(const std::string& name);

struct SettingChange {
    const SettingInfo* setting = nullptr;
    unsigned value = 0;
};
// "noise-delta=12" (also 0x hexadecimal); on false, error says what is wrong.
bool parseSettingChange(const std::string& text, SettingChange& change, std::string& error);

// What the station does to every unit, in this order; each part may be left out.
struct StationPlan {
    std::filesystem::path firmware; // empty: no programming
    std::uint16_t firmwareVersion = 0;
    std::optional<mapfile::Snapshot> restore;
    std::vector<SettingChange> settings;
};

struct StationStep {
    std::string name; // "connect", "programme", "restore", "settings", "verify"
    bool ok = false;
    std::string detail;
};

struct StationRecord {
    std::string time; // start, UTC, ISO 8601
    std::string port;
    std::optional<std::uint16_t> versionBefore; // none: found in its bootloader, or no answer
    std::optional<std::uint16_t> versionAfter;
    std::vector<StationStep> steps;
    bool unitFound = true; // false: nothing answered, so there was no unit to report
    bool pass = false;
    std::string reason; // why it failed; empty on a pass
    double seconds = 0;
};
Json toJson(const StationRecord& record);

// Serves the unit on port as plan says. say: the unit's progress, one line at a time.
// Never throws: a port error is the record's failure.
StationRecord serveUnit(const std::string& port, const StationPlan& plan,
                        const std::function<void(const std::string&)>& say);

// Whether anything answers on port (any reply, also from another type of unit or a
// bootloader); used to wait until a served unit is unplugged.
bool unitAnswers(const std::string& port);

class Station {
public:
    struct Hooks {
        std::function<std::vector<std::string>()> ports;               // where a unit may be now
        std::function<StationRecord(const std::string& port)> serve;   // on the port's thread
        std::function<bool(const std::string& port)> answers;          // after serving, on the port's thread
        std::function<void(const StationRecord&)> finished;            // one call at a time
    };
    explicit Station(Hooks hooks, std::chrono::milliseconds poll = std::chrono::milliseconds(300));

    // Serves until count units are finished (0: no limit) or stop turns true; a unit
    // being served then finishes its sequence first. Returns every record in the
    // order the units finished. A port where nothing answered is tried again later
    // and reports nothing.
    std::vector<StationRecord> run(unsigned count, const std::function<bool()>& stop);

private:
    Hooks m_hooks;
    std::chrono::milliseconds m_poll;
};

// "2026-12-10T04:05:06Z"
std::string utcTimeText(std::chrono::system_clock::time_point time);

// Shell-style wildcards: '*' any run of characters, '?' any one.
bool wildcardMatch(const std::string& pattern, const std::string& text);
// The files pattern names: the pattern itself when it has no wildcard and exists,
// else the entries of its folder (which takes no wildcards) whose names match.
std::vector<std::string> expandPattern(const std::string& pattern);

} // namespace velmora::line
