// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A scripted unit for link tests: the master side of a pseudo-terminal, read on a
// thread of its own. Every whole request frame the host writes is recorded and
// handed to the handler, which writes whatever reply the test wants.

#include "device/frame.h"
#include "sim/pty.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace velmora::test {

struct Request {
    std::vector<std::uint8_t> raw;     // the frame as it came off the wire
    std::uint8_t type = 0;
    std::uint16_t key = 0;
    std::vector<std::uint8_t> payload; // descrambled
    bool checksumOk = false;
    std::uint8_t code() const { return payload.empty() ? 0 : payload[0]; }
};

class PtyPeer {
public:
    using Handler = std::function<void(const Request&, PtyPeer&)>;

    explicit PtyPeer(Handler handler = {});
    ~PtyPeer();
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;

    const std::string& path() const { return m_pty.slavePath(); }
    void setHandler(Handler handler);
    std::vector<Request> requests() const;

    // Raw bytes towards the host.
    void send(const std::vector<std::uint8_t>& bytes) { m_pty.write(bytes); }
    void pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
    // A well-formed reply frame.
    static std::vector<std::uint8_t> frame(std::uint8_t type, std::vector<std::uint8_t> payload,
                                           std::uint16_t key = 0x1ACE) {
        return frame::encode(type, key, payload);
    }
    // A type-2 reply: code, then optional bytes, padded to 6.
    static std::vector<std::uint8_t> ack(std::uint8_t code = 4, std::uint8_t b1 = 0,
                                         std::uint8_t b2 = 0, std::uint8_t b3 = 0) {
        return frame(2, {code, b1, b2, b3, 0, 0});
    }

private:
    void run();

    sim::CPty m_pty;
    mutable std::mutex m_mutex;
    Handler m_handler;
    std::vector<Request> m_requests;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

} // namespace velmora::test
