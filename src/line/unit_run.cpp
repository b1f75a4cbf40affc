// SPDX-License-Identifier: GPL-3.0-or-later
#include "line/unit_run.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <exception>
#include <iostream>
#include <streambuf>
#include <thread>

namespace velmora::line {

namespace {

// The job running on this thread, and what it has written so far.
struct JobState {
    UnitResult* result = nullptr;
    LiveEcho echo;
    std::string partial[2]; // 0: stdout, 1: stderr
    std::chrono::steady_clock::time_point lastTransient{};
};
thread_local JobState* t_job = nullptr;

std::mutex g_realMutex; // one line at a time on the real streams
std::streambuf* g_realOut = nullptr;
std::streambuf* g_realErr = nullptr;

std::string prefixed(const std::string& port, const std::string& line) {
    return port.empty() ? line + '\n' : port + ": " + line + '\n';
}

void writeReal(std::streambuf* real, std::ostream& fallback, const std::string& text) {
    std::lock_guard lock(g_realMutex);
    if (real) {
        real->sputn(text.data(), static_cast<std::streamsize>(text.size()));
        real->pubsync();
    } else {
        fallback << text << std::flush;
    }
}

void emitLine(JobState& job, int which) {
    std::string& line = job.partial[which];
    if (line.empty()) return;
    UnitResult& r = *job.result;
    if (which == 0) {
        r.output.push_back(line);
        if (job.echo.output) OutputCapture::writeOut(prefixed(r.port, line));
    } else {
        r.messages.push_back(line);
        if (job.echo.messages) OutputCapture::writeErr(prefixed(r.port, line));
    }
    line.clear();
}

// A line a carriage return overwrites (a progress figure moving in place on a
// terminal) is not kept, and reaches the console at most every 2 s: eight units'
// progress would bury everything else.
void emitTransient(JobState& job, int which) {
    std::string& line = job.partial[which];
    if (line.empty()) return;
    const auto now = std::chrono::steady_clock::now();
    const bool echo = which == 0 ? job.echo.output : job.echo.messages;
    if (echo && now - job.lastTransient >= std::chrono::seconds(2)) {
        job.lastTransient = now;
        const std::string text = prefixed(job.result->port, line);
        which == 0 ? OutputCapture::writeOut(text) : OutputCapture::writeErr(text);
    }
    line.clear();
}

// Unbuffered: every character reaches xsputn or overflow, where the thread decides
// where it goes.
class RoutingBuffer : public std::streambuf {
public:
    RoutingBuffer(std::streambuf* real, int which) : m_real(real), m_which(which) {}

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        const char ch = traits_type::to_char_type(c);
        xsputn(&ch, 1);
        return c;
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        if (JobState* job = t_job) {
            for (std::streamsize i = 0; i < n; ++i) {
                if (s[i] == '\n')
                    emitLine(*job, m_which);
                else if (s[i] == '\r')
                    emitTransient(*job, m_which);
                else
                    job->partial[m_which] += s[i];
            }
            return n;
        }
        std::lock_guard lock(g_realMutex);
        return m_real->sputn(s, n);
    }
    int sync() override {
        if (t_job) return 0;
        std::lock_guard lock(g_realMutex);
        return m_real->pubsync();
    }

private:
    std::streambuf* m_real;
    int m_which;
};

RoutingBuffer* g_outBuffer = nullptr;
RoutingBuffer* g_errBuffer = nullptr;

void runJob(const UnitJob& job, UnitResult& result, const LiveEcho& echo) {
    JobState state;
    state.result = &result;
    state.echo = echo;
    t_job = &state;
    const auto start = std::chrono::steady_clock::now();
    try {
        result.exitCode = job(result.port);
    } catch (const std::exception& e) {
        state.partial[1] += std::string("unexpected error: ") + e.what();
        result.exitCode = kExitFailure;
    } catch (...) {
        state.partial[1] += "unexpected error";
        result.exitCode = kExitFailure;
    }
    emitLine(state, 0);
    emitLine(state, 1);
    t_job = nullptr;
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.errorCode = errorCodeFor(result.exitCode, result.connected);
    if (result.exitCode != kExitOk && !result.messages.empty()) result.errorMessage = result.messages.back();
    if (result.exitCode != kExitOk && result.errorMessage.empty() && !result.connected)
        result.errorMessage = "no unit answered";
}

int severity(int exitCode) {
    switch (exitCode) {
    case kExitOk: return 0;
    case kExitDiffers: return 1; // an answer, not a fault
    case kExitFailure: return 2;
    case kExitBadFile: return 3;
    case kExitUsage: return 4;
    default: return 2;
    }
}

Json optionalVersion(const std::optional<std::uint16_t>& v) {
    return v ? Json(versionText(*v)) : Json();
}

} // namespace

OutputCapture::OutputCapture() {
    g_realOut = std::cout.rdbuf();
    g_realErr = std::cerr.rdbuf();
    g_outBuffer = new RoutingBuffer(g_realOut, 0);
    g_errBuffer = new RoutingBuffer(g_realErr, 1);
    std::cout.flush();
    std::cout.rdbuf(g_outBuffer);
    std::cerr.rdbuf(g_errBuffer);
}

OutputCapture::~OutputCapture() {
    std::cout.rdbuf(g_realOut);
    std::cerr.rdbuf(g_realErr);
    delete g_outBuffer;
    delete g_errBuffer;
    g_outBuffer = g_errBuffer = nullptr;
    g_realOut = g_realErr = nullptr;
}

void OutputCapture::writeOut(const std::string& text) { writeReal(g_realOut, std::cout, text); }
void OutputCapture::writeErr(const std::string& text) { writeReal(g_realErr, std::cerr, text); }

std::vector<UnitResult> runOnPorts(const std::vector<std::string>& ports, const UnitJob& job,
                                   const LiveEcho& echo) {
    std::vector<UnitResult> results(ports.size());
    std::vector<std::thread> threads;
    threads.reserve(ports.size());
    for (std::size_t i = 0; i < ports.size(); ++i) {
        results[i].port = ports[i];
        threads.emplace_back([&job, &echo, &r = results[i]] { runJob(job, r, echo); });
    }
    for (std::thread& t : threads) t.join();
    return results;
}

void noteUnitConnected(const std::string& port) {
    if (!t_job) return;
    UnitResult& r = *t_job->result;
    r.connected = true;
    if (r.port.empty()) r.port = port;
}

void noteUnitVersionBefore(std::uint16_t version) {
    if (t_job && !t_job->result->versionBefore) t_job->result->versionBefore = version;
}

void noteUnitVersionAfter(std::uint16_t version) {
    if (t_job) t_job->result->versionAfter = version;
}

Json* unitData() { return t_job ? &t_job->result->data : nullptr; }

std::string errorCodeFor(int exitCode, bool connected) {
    switch (exitCode) {
    case kExitOk: return {};
    case kExitUsage: return "usage";
    case kExitBadFile: return "bad_file";
    case kExitDiffers: return "differs";
    default: return connected ? "failed" : "no_unit";
    }
}

int worstExitCode(const std::vector<UnitResult>& results) {
    int worst = kExitOk;
    for (const UnitResult& r : results)
        if (severity(r.exitCode) > severity(worst)) worst = r.exitCode;
    return worst;
}

Json toJson(const UnitResult& r) {
    Json o = Json::object();
    o.set("port", r.port);
    o.set("ok", r.exitCode == kExitOk);
    o.set("exit_code", r.exitCode);
    if (r.exitCode == kExitOk) {
        o.set("error", Json());
    } else {
        Json error = Json::object();
        error.set("code", r.errorCode);
        error.set("message", r.errorMessage);
        o.set("error", std::move(error));
    }
    o.set("version_before", optionalVersion(r.versionBefore));
    o.set("version_after", optionalVersion(r.versionAfter));
    o.set("seconds", std::round(r.seconds * 1000) / 1000);
    o.set("data", r.data);
    Json output = Json::array();
    for (const std::string& line : r.output) output.push(line);
    o.set("output", std::move(output));
    Json messages = Json::array();
    for (const std::string& line : r.messages) messages.push(line);
    o.set("messages", std::move(messages));
    return o;
}

Json toJson(const std::vector<UnitResult>& results) {
    Json all = Json::array();
    for (const UnitResult& r : results) all.push(toJson(r));
    return all;
}

std::string summaryTable(const std::vector<UnitResult>& results) {
    std::size_t portWidth = 4;
    for (const UnitResult& r : results) portWidth = std::max(portWidth, r.port.size());
    const auto pad = [](std::string text, std::size_t width) {
        if (text.size() < width) text.append(width - text.size(), ' ');
        return text;
    };
    std::string out = pad("port", portWidth) + "  " + pad("result", 8) + "  " + pad("version", 16) + "  seconds\n";
    for (const UnitResult& r : results) {
        std::string version = "-";
        if (r.versionBefore && !r.versionAfter)
            version = versionText(*r.versionBefore) + " -> ?";
        else if (r.versionBefore)
            version = *r.versionBefore == *r.versionAfter
                          ? versionText(*r.versionBefore)
                          : versionText(*r.versionBefore) + " -> " + versionText(*r.versionAfter);
        else if (r.versionAfter)
            version = "? -> " + versionText(*r.versionAfter);
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%7.1f", r.seconds);
        out += pad(r.port.empty() ? "(scan)" : r.port, portWidth) + "  " +
               pad(r.exitCode == kExitOk ? "ok" : r.errorCode, 8) + "  " + pad(version, 16) + "  " + seconds + "\n";
    }
    return out;
}

} // namespace velmora::line
