// SPDX-License-Identifier: GPL-3.0-or-later
#include "interrupt.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>

namespace velmora::cli {

namespace {
std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free); // touched from a signal handler

extern "C" void onSignal(int) { g_interrupted.store(true); }
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

} // namespace velmora::cli
