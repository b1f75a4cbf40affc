#pragma once
// The reading thread: polls the unit every 50 ms and stores good samples.

#include "diag.h"
#include "diag_data.h"

#include <atomic>
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
    virtual std::uint32_t clearCommError() = 0;
    // The link is gone: clear the connected flag and arm the owner's reconnect timer (1000 ms).
    virtual void onLinkLost() = 0;
};

class CDiagInputThread {
public:
    CDiagInputThread(CDiagData& store, std::wstring name, const std::atomic<bool>& running);
    virtual ~CDiagInputThread() = default;
    // The thread body.
    void run();

    // The failure counter is one value for the whole program run, not per thread.
    static int failureCounter();
    static void resetFailureCounter(); // tests only

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
};

class CDiagRSThread : public CDiagInputThread {
public:
    CDiagRSThread(CDiagData& store, std::wstring name, const std::atomic<bool>& running,
                  IDiagLink& link);

protected:
    void onStart() override;
    void onStop() override;
    int readSample(CDiag& sample) override;
    void storeSample(CDiag& sample) override;
    std::uint32_t lineState() override;
    void linkLost() override;

private:
    IDiagLink& m_link;
    std::int32_t m_counter = 0;
};

// Owns the reading threads. insert() runs the thread's body on a new std::thread.
class CLPGThreadManager {
public:
    CLPGThreadManager() = default;
    ~CLPGThreadManager(); // joins every thread
    CLPGThreadManager(const CLPGThreadManager&) = delete;
    CLPGThreadManager& operator=(const CLPGThreadManager&) = delete;

    void insert(std::unique_ptr<CDiagInputThread> thread);
    // Waits for every thread inserted so far to end (their running flag must be false).
    void joinAll();
    // True while a thread body runs.
    bool busy() const;

private:
    struct Entry {
        std::unique_ptr<CDiagInputThread> body;
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    mutable std::mutex m_mutex;
    std::vector<Entry> m_entries;
};

} // namespace velmora
