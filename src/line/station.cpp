// SPDX-License-Identifier: GPL-3.0-or-later
#include "line/station.h"

#include "device/error.h"
#include "device/frame.h"
#include "device/lpg_device.h"
#include "firmware/firmware_update.h"
#include "lang/lang_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace velmora::line {

namespace {

// The device's message boxes at a station: the text goes to the unit's lines; the
// firmware's "older than the unit" question is answered Yes, since the station
// programs the file it was given into every unit. Until a unit has answered the
// texts are held back: a port with nothing on it is tried every few seconds and
// must not fill the console with "no connection".
class StationMessages : public IMessageBox {
public:
    explicit StationMessages(const std::function<void(const std::string&)>& say) : m_say(say) {}
    int show(const std::wstring& text, const std::wstring&, unsigned style) override {
        if (m_live) {
            if (m_say) m_say(lang::toUtf8(text));
        } else {
            m_held.push_back(lang::toUtf8(text));
        }
        if (style == MB_ERROR) ++m_errors;
        return (style & 0xF) == 0x4 ? ID_YES : ID_OK;
    }
    unsigned errors() const { return m_errors; }
    // A unit answered: what was held back is said now, and the rest as it comes.
    void goLive() {
        m_live = true;
        if (m_say)
            for (const std::string& text : m_held) m_say(text);
        m_held.clear();
    }

private:
    const std::function<void(const std::string&)>& m_say;
    std::vector<std::string> m_held;
    bool m_live = false;
    unsigned m_errors = 0;
};

class StationFirmwareUI : public IFirmwareUI {
public:
    StationFirmwareUI(std::filesystem::path file, const std::function<void(const std::string&)>& say)
        : m_file(std::move(file)), m_say(say) {}
    std::filesystem::path chooseFile(const std::filesystem::path&, const std::wstring&, const std::wstring&) override {
        return m_file;
    }
    void setBusy(bool) override {}
    void progress(unsigned written, unsigned total) override {
        // A line per quarter: several units at once stay readable.
        const unsigned quarter = total ? written * 4 / total : 4;
        if (quarter == m_lastQuarter) return;
        m_lastQuarter = quarter;
        if (m_say) m_say("programming " + std::to_string(quarter * 25) + "%");
    }

private:
    std::filesystem::path m_file;
    const std::function<void(const std::string&)>& m_say;
    unsigned m_lastQuarter = ~0u;
};

// Programs a unit found in its bootloader while the connection looks for it, and
// refuses the nested request of a unit still there after being programmed.
class StationOwner : public IDeviceOwner {
public:
    StationOwner(CFirmwareUpdate* update) : m_update(update) {}
    void setTimer(int, int) override {}
    void killTimer(int) override {}
    bool runFirmwareUpdate(bool forced) override {
        if (forced) m_foundInBootloader = true;
        if (!m_update || m_active) return false;
        m_active = true;
        if (forced) m_forcedRan = true;
        const bool result = m_update->OnClickedBtnDeviceUpdate(forced);
        m_active = false;
        return result;
    }
    bool foundInBootloader() const { return m_foundInBootloader; }
    bool forcedRan() const { return m_forcedRan; }

private:
    CFirmwareUpdate* m_update;
    bool m_active = false;
    bool m_foundInBootloader = false;
    bool m_forcedRan = false;
};

const char* outcomeText(CFirmwareUpdate::Outcome outcome) {
    using Outcome = CFirmwareUpdate::Outcome;
    switch (outcome) {
    case Outcome::Programmed: return "programmed";
    case Outcome::ProgrammedNotFound: return "programmed, but the unit did not answer afterwards";
    case Outcome::WrongDevice: return "another type of unit";
    case Outcome::FileUnreadable: return "the firmware file cannot be read";
    case Outcome::WrongFile: return "the firmware file is not for this unit";
    case Outcome::Declined: return "declined";
    case Outcome::Cancelled: return "no file";
    case Outcome::Failed: return "programming failed";
    case Outcome::None: break;
    }
    return "not run";
}

// Reads everything a restore writes and the version, into unit.
const char* readAll(CLPGDevice& device, mapfile::Snapshot& unit) {
    const char* failed = !device.readVersion()    ? "reading the firmware version failed"
                         : !device.readSettings() ? "reading the settings failed"
                         : !device.readMap()      ? "reading the map failed"
                         : !device.readAxes()     ? "reading the axes failed"
                                                  : nullptr;
    if (!failed) unit = mapfile::snapshotFrom(device.state());
    return failed;
}

class Serving {
public:
    Serving(const std::string& port, const StationPlan& plan, const std::function<void(const std::string&)>& say)
        : m_plan(plan), m_say(say), m_messages(say), m_device(DeviceServices{&m_messages, nullptr, nullptr}),
          m_ui(plan.firmware, say), m_update(m_device, m_ui), m_owner(plan.firmware.empty() ? nullptr : &m_update) {
        m_record.port = port;
        m_device.setPreferredPort(port); // no lister: that port only
        m_device.setOwner(&m_owner);
    }
    ~Serving() {
        m_device.stopReading();
        m_device.setOwner(nullptr);
    }

    StationRecord run() {
        const auto start = std::chrono::steady_clock::now();
        m_record.time = utcTimeText(std::chrono::system_clock::now());
        bool portLost = false;
        try {
            sequence();
        } catch (const IError& e) {
            // The unit went away (or its port broke) in the middle of a step.
            std::string text = lang::toUtf8(e.format());
            for (char& c : text)
                if (c == '\n' || c == '\r') c = ' ';
            fail(m_current, "port error: " + text);
            portLost = true;
        }
        // After a failed programming the version the device last read is not the unit's.
        const bool programmeFailed = !m_record.steps.empty() && m_record.steps.back().name == "programme" &&
                                     !m_record.steps.back().ok;
        if (m_device.isConnected() && !portLost && !programmeFailed)
            m_record.versionAfter = m_device.state().version;
        m_record.pass = m_record.reason.empty();
        m_record.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        return m_record;
    }

private:
    void step(const std::string& name, bool ok, const std::string& detail = {}) {
        m_record.steps.push_back({name, ok, detail});
        if (!ok && m_record.reason.empty()) m_record.reason = name + ": " + detail;
    }
    bool fail(const std::string& name, const std::string& detail) {
        step(name, false, detail);
        return false;
    }

    bool sequence() {
        m_current = "connect";
        m_device.startConnection();
        const bool nothing = !m_device.isConnected() && !m_owner.foundInBootloader() && !m_messages.errors();
        if (!nothing) m_messages.goLive();
        if (m_owner.foundInBootloader() && !m_owner.forcedRan())
            return fail("connect", "the unit waits in its bootloader and the station has no firmware to program");
        if (m_owner.forcedRan()) {
            // Found in its bootloader (a programming cut short): finished with the file.
            const auto outcome = m_update.lastOutcome();
            const bool ok = outcome == CFirmwareUpdate::Outcome::Programmed;
            step("connect", true, "found in its bootloader");
            m_device.stopReading();
            if (!ok) return fail("programme", outcomeText(outcome));
            step("programme", true, outcomeText(outcome));
        } else if (!m_device.isConnected()) {
            // identify reports a unit of another type as an error box; silence is no box.
            if (nothing) {
                m_record.unitFound = false;
                return fail("connect", "no answer");
            }
            return fail("connect", "a unit of another type; nothing written");
        } else {
            m_record.versionBefore = m_device.state().version;
            step("connect", true);
            if (!m_plan.firmware.empty() && !programme()) return false;
        }
        if (m_plan.restore && !restore()) return false;
        if (!m_plan.settings.empty() && !applySettings()) return false;
        return verify();
    }

    bool programme() {
        m_current = "programme";
        m_update.OnClickedBtnDeviceUpdate(false);
        m_device.stopReading(); // the update starts reading again; the station reads on its own
        const auto outcome = m_update.lastOutcome();
        if (outcome != CFirmwareUpdate::Outcome::Programmed) return fail("programme", outcomeText(outcome));
        step("programme", true, outcomeText(outcome));
        return true;
    }

    bool restore() {
        m_current = "restore";
        mapfile::Snapshot unit;
        if (const char* failed = readAll(m_device, unit)) return fail("restore", failed);
        const mapfile::Snapshot& wanted = *m_plan.restore;
        if (unit.deviceType != wanted.deviceType)
            return fail("restore", "the backup is of another device type; nothing written");
        // As the window writes: the settings record (which carries the map along),
        // the map on its own, the store, then the axes.
        mapfile::applySnapshot(wanted, m_device.state());
        if (!m_device.writeSettings()) return fail("restore", "writing the settings failed");
        if (!m_device.writeMap()) return fail("restore", "writing the map failed");
        if (!m_device.storeMap()) return fail("restore", "storing the map failed");
        if (!m_device.writeAxes()) return fail("restore", "writing the axes failed");
        step("restore", true);
        return true;
    }

    bool applySettings() {
        m_current = "settings";
        // The settings record carries the whole map: send the unit's own, read fresh.
        if (!m_device.readSettings() || !m_device.readMap())
            return fail("settings", "reading the unit's settings and map failed; nothing written");
        std::string detail;
        for (const SettingChange& change : m_plan.settings) {
            change.setting->store(m_device.state(), change.value);
            detail += (detail.empty() ? "" : ", ") + std::string(change.setting->name) + "=" +
                      std::to_string(change.value);
        }
        if (!m_device.writeSettings()) return fail("settings", "writing the settings failed");
        step("settings", true, detail);
        return true;
    }

    // Everything the station wrote, read back from the unit.
    bool verify() {
        m_current = "verify";
        mapfile::Snapshot unit;
        if (const char* failed = readAll(m_device, unit)) return fail("verify", failed);
        std::string problems;
        const auto add = [&](const std::string& text) { problems += (problems.empty() ? "" : "; ") + text; };
        if (!m_plan.firmware.empty() && unit.version != m_plan.firmwareVersion)
            add("version " + versionText(unit.version) + ", the file " + versionText(m_plan.firmwareVersion));
        if (m_plan.restore) {
            mapfile::Snapshot wanted = *m_plan.restore;
            DeviceState expected = m_device.state();
            mapfile::applySnapshot(wanted, expected);
            for (const SettingChange& change : m_plan.settings) change.setting->store(expected, change.value);
            wanted = mapfile::snapshotFrom(expected);
            const auto left = mapfile::compareSnapshots(unit, wanted, mapfile::CompareScope::SettingsMapAndAxes);
            if (!left.empty())
                add(std::to_string(left.size()) + " item(s) differ from what was written, first " +
                    mapfile::describe(left.front(), unit));
        } else {
            for (const SettingChange& change : m_plan.settings)
                if (change.setting->load(m_device.state()) != change.value)
                    add(std::string(change.setting->name) + " reads " +
                        std::to_string(change.setting->load(m_device.state())));
        }
        if (!problems.empty()) return fail("verify", problems);
        step("verify", true);
        return true;
    }

    const StationPlan& m_plan;
    const std::function<void(const std::string&)>& m_say;
    StationRecord m_record;
    std::string m_current; // the step running now
    StationMessages m_messages;
    CLPGDevice m_device;
    StationFirmwareUI m_ui;
    CFirmwareUpdate m_update;
    StationOwner m_owner;
};

Json optionalVersion(const std::optional<std::uint16_t>& v) { return v ? Json(versionText(*v)) : Json(); }

} // namespace

const std::vector<SettingInfo>& unitSettings() {
    // The ranges the window's spinners keep.
    static const std::vector<SettingInfo> all{
        {"rpm-divider", 1, 200, [](DeviceState& s, unsigned v) { s.rpmDivider = static_cast<std::uint8_t>(v); },
         [](const DeviceState& s) { return unsigned{s.rpmDivider}; }},
        {"noise-delta", 0, 255, [](DeviceState& s, unsigned v) { s.noiseDelta = static_cast<std::uint8_t>(v); },
         [](const DeviceState& s) { return unsigned{s.noiseDelta}; }},
        {"noise-period", 0, 50000, [](DeviceState& s, unsigned v) { s.noisePeriod = static_cast<std::uint16_t>(v); },
         [](const DeviceState& s) { return unsigned{s.noisePeriod}; }},
    };
    return all;
}

const SettingInfo* findSetting(const std::string& name) {
    for (const SettingInfo& s : unitSettings())
        if (name == s.name) return &s;
    return nullptr;
}

bool parseSettingChange(const std::string& text, SettingChange& change, std::string& error) {
    const std::size_t eq = text.find('=');
    const std::string name = text.substr(0, eq);
    const SettingInfo* setting = findSetting(name);
    if (eq == std::string::npos || !setting) {
        error = "'" + text + "': give NAME=VALUE with NAME rpm-divider, noise-delta or noise-period";
        return false;
    }
    const std::string number = text.substr(eq + 1);
    const bool hex = number.size() > 2 && number[0] == '0' && (number[1] == 'x' || number[1] == 'X');
    const std::string digits = hex ? number.substr(2) : number;
    unsigned long long value = 0;
    bool ok = !digits.empty() && digits.size() <= 8;
    for (char c : digits) {
        int d = c >= '0' && c <= '9' ? c - '0' : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (d < 0) {
            ok = false;
            break;
        }
        value = value * (hex ? 16 : 10) + static_cast<unsigned>(d);
    }
    if (!ok || value < setting->min || value > setting->max) {
        error = std::string(setting->name) + " takes a number from " + std::to_string(setting->min) + " to " +
                std::to_string(setting->max);
        return false;
    }
    change = {setting, static_cast<unsigned>(value)};
    return true;
}

Json toJson(const StationRecord& r) {
    Json o = Json::object();
    o.set("time", r.time);
    o.set("port", r.port);
    o.set("version_before", optionalVersion(r.versionBefore));
    o.set("version_after", optionalVersion(r.versionAfter));
    Json steps = Json::array();
    for (const StationStep& s : r.steps) {
        Json step = Json::object();
        step.set("step", s.name);
        step.set("ok", s.ok);
        step.set("detail", s.detail);
        steps.push(std::move(step));
    }
    o.set("steps", std::move(steps));
    o.set("result", r.pass ? "PASS" : "FAIL");
    o.set("reason", r.reason);
    o.set("seconds", std::round(r.seconds * 1000) / 1000);
    return o;
}

StationRecord serveUnit(const std::string& port, const StationPlan& plan,
                        const std::function<void(const std::string&)>& say) {
    return Serving(port, plan, say).run();
}

bool unitAnswers(const std::string& port) {
    CLPGDevice device;
    try {
        device.port().open(port);
        device.port().setState(LineSettings{});
        device.port().setTimeout(Timeouts{});
        // An identify request: any well-formed reply counts, whatever unit sent it.
        for (int attempt = 0; attempt < 2; ++attempt) {
            std::uint8_t buffer[frame::kBufferSize] = {0xCC, 0, 0, 0, 0, 0};
            std::uint8_t length = 6;
            std::uint8_t type = 0x02;
            if (device.transact(buffer, length, type)) return true;
        }
    } catch (const IError&) {
    }
    return false;
}

Station::Station(Hooks hooks, std::chrono::milliseconds poll) : m_hooks(std::move(hooks)), m_poll(poll) {}

std::vector<StationRecord> Station::run(unsigned count, const std::function<bool()>& stop) {
    struct PortJob {
        std::thread thread;
        std::atomic<bool> done{false};
    };
    std::mutex mutex; // guards records and the finished callback
    std::vector<StationRecord> records;
    std::atomic<unsigned> finished{0};
    std::atomic<bool> leaving{false}; // no unplug waits once the station ends
    std::map<std::string, std::unique_ptr<PortJob>> busy;
    std::atomic<unsigned> started{0}; // units being served or finished
    const auto sleepFor = [&](std::chrono::milliseconds time) {
        const auto end = std::chrono::steady_clock::now() + time;
        while (!stop() && !leaving.load() && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    };

    for (;;) {
        if (stop() || (count && finished.load() >= count)) leaving = true;
        // Ports whose unit has been served and unplugged are free again.
        for (auto it = busy.begin(); it != busy.end();) {
            if (it->second->done.load()) {
                it->second->thread.join();
                it = busy.erase(it);
            } else {
                ++it;
            }
        }
        if (leaving.load() && busy.empty()) break;
        if (!leaving.load()) {
            for (const std::string& port : m_hooks.ports()) {
                if (busy.count(port) || (count && started.load() >= count)) continue;
                ++started;
                auto job = std::make_unique<PortJob>();
                PortJob* raw = job.get();
                job->thread = std::thread([this, port, raw, &mutex, &records, &finished, &started, &leaving, &sleepFor] {
                    StationRecord record = m_hooks.serve(port);
                    if (!record.unitFound) {
                        --started;
                        sleepFor(std::chrono::seconds(1));
                        raw->done = true;
                        return;
                    }
                    {
                        std::lock_guard lock(mutex);
                        records.push_back(record);
                        if (m_hooks.finished) m_hooks.finished(record);
                        ++finished;
                    }
                    // The same unit is not served twice: wait until it goes.
                    while (!leaving.load()) {
                        const auto listed = m_hooks.ports();
                        if (std::find(listed.begin(), listed.end(), port) == listed.end()) break;
                        if (m_hooks.answers && !m_hooks.answers(port)) break;
                        sleepFor(std::chrono::milliseconds(500));
                    }
                    raw->done = true;
                });
                busy.emplace(port, std::move(job));
            }
        }
        std::this_thread::sleep_for(m_poll);
    }
    return records;
}

std::string utcTimeText(std::chrono::system_clock::time_point time) {
    const std::time_t t = std::chrono::system_clock::to_time_t(time);
    std::tm tm{};
#ifdef _WIN32
    gmtime_s(&tm, &t);
#else
    gmtime_r(&t, &tm);
#endif
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return text;
}

} // namespace velmora::line

namespace velmora::line {

bool wildcardMatch(const std::string& pattern, const std::string& text) {
    // Greedy with one backtrack point: linear for the patterns a port takes.
    std::size_t p = 0, t = 0, star = std::string::npos, mark = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == text[t])) {
            ++p;
            ++t;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            mark = t;
        } else if (star != std::string::npos) {
            p = star + 1;
            t = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

std::vector<std::string> expandPattern(const std::string& pattern) {
    namespace fs = std::filesystem;
    std::vector<std::string> found;
    std::error_code ec;
    if (pattern.find_first_of("*?") == std::string::npos) {
        if (fs::exists(pattern, ec)) found.push_back(pattern);
        return found;
    }
    const fs::path path(pattern);
    const std::string name = path.filename().string();
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (wildcardMatch(name, it->path().filename().string()))
            found.push_back(path.has_parent_path() ? (folder / it->path().filename()).string()
                                                   : it->path().filename().string());
    }
    std::sort(found.begin(), found.end());
    return found;
}

} // namespace velmora::line
