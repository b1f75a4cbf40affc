// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The reading thread: polls the unit every 50 ms and stores good samples.

#include "diag.h"
#include "diag_data.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace velmora {

// What the reading thread needs of the device.
class IDiagLink {
public:
    virtual ~IDiagLink() = default;
    // 0 sample read, 1 reply of another kind, 2 exchange failed. May throw IError.
    virtual int readDiag(CDiag& sample) = 0;
    virtual void purgeIn() = 0;
    // 0 when the line is clean; non-zero for a pending line error. Never throws.
    virtual std::uint32_t clearCommError() = 0;
    // The link is gone: clear the connected flag and arm the owner's reconnect timer (1000 ms).
    // Called on the reading thread.
    virtual void onLinkLost() = 0;
};

class CDiagInputThread {
public:
    static constexpr std::chrono::milliseconds kDefaultPeriod{50};
    // More counted failures than this end the thread and declare the link lost.
    static constexpr int kFailureLimit = 2;

    // period: the pause before every read.
    CDiagInputThread(CDiagData& store, std::wstring name, const std::atomic<bool>& running,
                     std::chrono::milliseconds period = kDefaultPeriod);
    virtual ~CDiagInputThread() = default;
    CDiagInputThread(const CDiagInputThread&) = delete;
    CDiagInputThread& operator=(const CDiagInputThread&) = delete;

    // The thread body. Never throws.
    void run();
    // Ends the loop at its next turn whatever the running flag says, and cuts the pause
    // short. Used by the owner of the thread when it goes away.
    void requestStop();

    // The failure counter is one value for the whole program run, not per thread:
    // a thread that gave up leaves it at 3, so its successor gives up at its first
    // read that brings no sample.
    static int failureCounter();
    static void resetFailureCounter(); // tests only

    const std::wstring& name() const { return m_name; }

protected:
    virtual void onStart() = 0;
    virtual void onStop() = 0;
    virtual int readSample(CDiag& sample) = 0;
    virtual void storeSample(CDiag& sample) = 0;
    // After an escaped IError while running: the line state (non-zero = lost).
    virtual std::uint32_t lineState() = 0;
    virtual void linkLost() = 0;

    CDiagData& m_store;
    std::wstring m_name;
    const std::atomic<bool>& m_running;

private:
    bool keepRunning() const;
    void pause();
    void stopOnce();
    void endOnError();

    std::chrono::milliseconds m_period;
    bool m_stopped = false; // onStop already called
    std::mutex m_wakeMutex;
    std::condition_variable m_wake;
    std::atomic<bool> m_stopRequested{false};
};

// Reads over the device link. It keeps no diagnostic file:
// nothing would ever be written to it.
class CDiagRSThread : public CDiagInputThread {
public:
    CDiagRSThread(CDiagData& store, std::wstring name, const std::atomic<bool>& running,
                  IDiagLink& link, std::chrono::milliseconds period = kDefaultPeriod);

protected:
    void onStart() override;
    void onStop() override;
    int readSample(CDiag& sample) override;
    void storeSample(CDiag& sample) override;
    std::uint32_t lineState() override;
    void linkLost() override;

private:
    IDiagLink& m_link;
    std::uint32_t m_counter = 0; // sequence number of the last stored sample
};

// Owns the reading threads. insert() runs the thread's body on a new std::thread.
// Threads are always joined, never detached.
class CLPGThreadManager {
public:
    CLPGThreadManager() = default;
    // Asks every thread to stop and joins it. A thread inside an exchange ends when
    // that exchange returns (at the latest after the port's read time-out).
    ~CLPGThreadManager();
    CLPGThreadManager(const CLPGThreadManager&) = delete;
    CLPGThreadManager& operator=(const CLPGThreadManager&) = delete;

    // Also releases threads that have already ended.
    void insert(std::unique_ptr<CDiagInputThread> thread);
    // Waits for every thread inserted so far to end (their running flag must be false,
    // or they must end on their own). A call from a reading thread skips that thread.
    void joinAll();
    // True while a thread body runs.
    bool busy() const;

private:
    struct Entry {
        std::unique_ptr<CDiagInputThread> body;
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    void releaseFinished(); // with m_mutex held

    mutable std::mutex m_mutex;
    std::vector<Entry> m_entries;
};

} // namespace velmora
