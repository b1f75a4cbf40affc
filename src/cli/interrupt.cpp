// SPDX-License-Identifier: GPL-3.0-or-later
#include "interrupt.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <thread>
#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace velmora::cli {

namespace {
std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free); // touched from a signal handler

extern "C" void onSignal(int) { g_interrupted.store(true); }

// UnitWrites' texts, ready before the handler may need them: a handler may only
// write bytes out.
std::atomic<int> g_deferred{0};
static_assert(std::atomic<int>::is_always_lock_free);
char g_noted[256];
char g_warning[512];
char g_done[256];

void say(const char* text) {
#if defined(_WIN32)
    (void)::_write(2, text, static_cast<unsigned>(std::strlen(text)));
#else
    (void)!::write(2, text, std::strlen(text));
#endif
}

extern "C" void onSignalDuringWrites(int signal) {
    if (g_deferred.exchange(signal) == 0) {
        say(g_noted);
        return;
    }
    say(g_warning);
    std::_Exit(128 + signal);
}

void copyText(char* to, std::size_t size, const std::string& text) {
    const std::size_t n = std::min(text.size(), size - 1);
    std::memcpy(to, text.data(), n);
    to[n] = '\0';
}

using Handler = void (*)(int);
Handler g_oldInt = SIG_DFL;
Handler g_oldTerm = SIG_DFL;

} // namespace

void installInterruptHandlers() {
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
}

bool interrupted() { return g_interrupted.load(); }

bool waitForInterrupt(int ms) {
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    while (!interrupted() && Clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return interrupted();
}

UnitWrites::UnitWrites(const char* command, const std::string& warning) {
    const std::string prefix = std::string("\nvelmora-cli ") + command + ": ";
    copyText(g_noted, sizeof g_noted,
             prefix + "finishing the writes to the unit first (press Ctrl+C again to stop at once)\n");
    copyText(g_warning, sizeof g_warning, prefix + "stopped in the middle of the writes: " + warning + "\n");
    copyText(g_done, sizeof g_done, prefix + "the writes to the unit are complete; stopped as asked\n");
    g_deferred.store(0);
    g_oldInt = std::signal(SIGINT, onSignalDuringWrites);
    g_oldTerm = std::signal(SIGTERM, onSignalDuringWrites);
}

UnitWrites::~UnitWrites() {
    std::signal(SIGINT, g_oldInt == SIG_ERR ? SIG_DFL : g_oldInt);
    std::signal(SIGTERM, g_oldTerm == SIG_ERR ? SIG_DFL : g_oldTerm);
    // The writes are over: the interrupt now does what it would have done.
    if (const int signal = g_deferred.exchange(0)) {
        say(g_done);
        std::raise(signal);
    }
}

} // namespace velmora::cli
