// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Serves a CSimUnit on the master side of a pseudo-terminal, on its own thread.
// Clients open slavePath() (or the symlink) as they would a serial port.
// Every accessor is safe to call from any thread while the host runs.

#include "faults.h"
#include "pty.h"
#include "sim_state.h"
#include "sim_unit.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace velmora::sim {

class CSimHost {
public:
    // linkPath: when not empty, a symlink to the slave is made there on start() and
    // removed on stop(). An existing symlink is replaced; any other file is left alone
    // and start() throws.
    explicit CSimHost(std::string linkPath = {});
    ~CSimHost(); // stops and joins
    CSimHost(const CSimHost&) = delete;
    CSimHost& operator=(const CSimHost&) = delete;

    void start(); // throws std::runtime_error when the symlink cannot be made
    void stop();  // idempotent
    bool isRunning() const { return m_thread.joinable(); }

    const std::string& slavePath() const { return m_pty.slavePath(); }
    const std::string& linkPath() const { return m_linkPath; }
    // The path clients should open: the symlink when there is one.
    const std::string& path() const { return m_linkPath.empty() ? slavePath() : m_linkPath; }

    Faults faults() const;
    void setFaults(const Faults& faults);
    SimState state() const; // a copy
    void startInBootloader();
    void setClock(CSimUnit::Clock clock);

    // Runs fn(CSimUnit&) under the host's lock, for anything the helpers above lack.
    template <class Fn>
    auto withUnit(Fn&& fn) {
        std::lock_guard lock(m_mutex);
        return fn(m_unit);
    }

    // One byte on a 38400-baud 8N1 line: 10 bits.
    static constexpr double kByteMicros = 10.0 * 1e6 / 38400.0;

private:
    void run();
    void reply(const std::vector<std::uint8_t>& bytes, const Faults& faults);
    void writeAll(const std::uint8_t* data, std::size_t size, bool paced);
    bool pause(int ms); // false when stopping

    CPty m_pty;
    std::string m_linkPath;
    bool m_linkMade = false;
    mutable std::mutex m_mutex; // guards m_unit
    CSimUnit m_unit;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::mutex m_wakeMutex;
    std::condition_variable m_wake;
};

} // namespace velmora::sim
