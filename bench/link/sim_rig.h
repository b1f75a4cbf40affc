// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A device connected to the simulated unit over a pseudo-terminal, with the bytes
// each way counted, so a run can be set against the time its frames need on a
// 38400-baud line.

#include "device/lpg_device.h"
#include "sim/sim_host.h"

#include <atomic>
#include <chrono>
#include <cstdint>

namespace velmora::bench {

// Passes everything to the device's own port and counts what went over it.
class CountingLink : public ISerialIO {
public:
    explicit CountingLink(ISerialIO& inner) : m_inner(inner) {}

    std::size_t read(std::uint8_t* buffer, std::size_t count) override {
        const std::size_t got = m_inner.read(buffer, count);
        m_in += got;
        return got;
    }
    std::size_t write(const std::uint8_t* buffer, std::size_t count) override {
        // Both exchanges write the 4-byte header on its own.
        if (count == 4 && buffer[0] == 0xAA && buffer[1] == 0x55) ++m_frames;
        const std::size_t put = m_inner.write(buffer, count);
        m_out += put;
        return put;
    }
    void purgeIn() override { m_inner.purgeIn(); }
    std::uint32_t clearCommError() override { return m_inner.clearCommError(); }

    void reset() {
        m_in = 0;
        m_out = 0;
        m_frames = 0;
    }
    std::uint64_t bytesIn() const { return m_in; }
    std::uint64_t bytesOut() const { return m_out; }
    std::uint64_t frames() const { return m_frames; } // requests sent

private:
    ISerialIO& m_inner;
    std::atomic<std::uint64_t> m_in{0};
    std::atomic<std::uint64_t> m_out{0};
    std::atomic<std::uint64_t> m_frames{0};
};

// Time a 38400-baud 8N1 line needs for these bytes: requests and replies never
// overlap, so both directions add up.
inline double wireMs(std::uint64_t bytes) {
    return static_cast<double>(bytes) * sim::CSimHost::kByteMicros / 1000.0;
}

inline double msSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

struct SimRig {
    // Connects at full speed; pacing, when asked for, starts afterwards.
    explicit SimRig(bool paced = false, DeviceServices services = {}) : device(services) {
        host.start();
        device.setPreferredPort(host.path());
        device.setLinkForTesting(&link);
        device.startConnection();
        if (paced) pace(true);
    }
    ~SimRig() {
        device.stopReading();
        device.setLinkForTesting(nullptr);
        device.port().close();
        host.stop();
    }
    SimRig(const SimRig&) = delete;
    SimRig& operator=(const SimRig&) = delete;

    void pace(bool on) {
        sim::Faults f = host.faults();
        f.paced38400 = on;
        host.setFaults(f);
    }
    double wireMsCounted() const { return wireMs(link.bytesIn() + link.bytesOut()); }

    sim::CSimHost host;
    CLPGDevice device;
    CountingLink link{device.port()};
};

} // namespace velmora::bench
