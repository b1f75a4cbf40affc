// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim_host.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora::sim {

namespace {
using Clock = std::chrono::steady_clock;

std::chrono::microseconds lineTime(std::size_t bytes) {
    return std::chrono::microseconds(static_cast<long long>(bytes * CSimHost::kByteMicros));
}
} // namespace

CSimHost::CSimHost(std::string linkPath) : m_linkPath(std::move(linkPath)) {
    // Non-blocking, so a client that stops reading cannot wedge the thread in write().
    const int fd = m_pty.masterFd();
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
}

CSimHost::~CSimHost() { stop(); }

void CSimHost::start() {
    if (isRunning()) return;
    if (!m_linkPath.empty()) {
        struct stat st {};
        if (::lstat(m_linkPath.c_str(), &st) == 0) {
            if (!S_ISLNK(st.st_mode))
                throw std::runtime_error(m_linkPath + " exists and is not a symlink");
            ::unlink(m_linkPath.c_str());
        }
        if (::symlink(slavePath().c_str(), m_linkPath.c_str()) != 0)
            throw std::runtime_error("cannot create symlink " + m_linkPath);
        m_linkMade = true;
    }
    m_stop = false;
    m_thread = std::thread([this] { run(); });
}

void CSimHost::stop() {
    if (m_thread.joinable()) {
        {
            std::lock_guard lock(m_wakeMutex);
            m_stop = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }
    if (m_linkMade) {
        // Only our own link: someone may have replaced it meanwhile.
        char target[512] = {};
        const ssize_t n = ::readlink(m_linkPath.c_str(), target, sizeof target - 1);
        if (n > 0 && std::string(target, static_cast<std::size_t>(n)) == slavePath())
            ::unlink(m_linkPath.c_str());
        m_linkMade = false;
    }
}

Faults CSimHost::faults() const {
    std::lock_guard lock(m_mutex);
    return m_unit.faults();
}

void CSimHost::setFaults(const Faults& faults) {
    std::lock_guard lock(m_mutex);
    m_unit.setFaults(faults);
}

SimState CSimHost::state() const {
    std::lock_guard lock(m_mutex);
    return m_unit.state();
}

void CSimHost::startInBootloader() {
    std::lock_guard lock(m_mutex);
    m_unit.startInBootloader();
}

void CSimHost::setClock(CSimUnit::Clock clock) {
    std::lock_guard lock(m_mutex);
    m_unit.setClock(std::move(clock));
}

bool CSimHost::pause(int ms) {
    if (ms <= 0) return !m_stop;
    std::unique_lock lock(m_wakeMutex);
    return !m_wake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_stop.load(); });
}

void CSimHost::run() {
    Clock::time_point firstByteAt{};
    std::size_t bytesIn = 0; // of the request being received, for pacing
    while (!m_stop) {
        std::vector<std::uint8_t> in;
        try {
            in = m_pty.read(4096, 20);
        } catch (const std::exception&) {
            return; // master gone: nothing more to serve
        }
        if (in.empty()) continue;
        if (bytesIn == 0) firstByteAt = Clock::now();
        bytesIn += in.size();

        std::vector<std::uint8_t> out;
        Faults faults;
        std::size_t pending = 0;
        {
            std::lock_guard lock(m_mutex);
            out = m_unit.feed(in);
            faults = m_unit.faults();
            pending = m_unit.pendingBytes();
        }
        const std::size_t consumed = bytesIn - std::min(bytesIn, pending);
        if (!out.empty()) {
            // On a real line the request is still arriving for a while.
            if (faults.paced38400) std::this_thread::sleep_until(firstByteAt + lineTime(consumed));
            reply(out, faults);
        }
        if (pending == 0 || !out.empty()) {
            bytesIn = pending;
            firstByteAt = Clock::now();
        }
    }
}

void CSimHost::reply(const std::vector<std::uint8_t>& bytes, const Faults& faults) {
    if (!pause(faults.replyDelayMs)) return;
    if (faults.splitPauseMs > 0 && bytes.size() > 1) {
        // Requests that queued up are answered together; each reply still pauses in its
        // own middle, never inside the header of the next one.
        const std::size_t junk = faults.junkBefore.size();
        for (std::size_t start = 0; start < bytes.size();) {
            const std::size_t lengthAt = start + junk + 2;
            const std::size_t size = lengthAt < bytes.size()
                                         ? std::min(junk + 6 + bytes[lengthAt], bytes.size() - start)
                                         : bytes.size() - start;
            const std::uint8_t* reply = bytes.data() + start;
            std::size_t at = faults.splitAt;
            if (at == 0) {
                const std::size_t body = size > junk + 8 ? size - junk - 8 : 0;
                at = junk + 6 + body / 2; // inside the payload
            }
            at = std::min(at, size - 1);
            writeAll(reply, at, faults.paced38400);
            if (!pause(faults.splitPauseMs)) return;
            writeAll(reply + at, size - at, faults.paced38400);
            start += size;
        }
        return;
    }
    writeAll(bytes.data(), bytes.size(), faults.paced38400);
}

void CSimHost::writeAll(const std::uint8_t* data, std::size_t size, bool paced) {
    const int fd = m_pty.masterFd();
    const auto start = Clock::now();
    std::size_t done = 0;
    while (done < size && !m_stop) {
        std::size_t chunk = size - done;
        if (paced) {
            // Whatever the line would have carried by now, at least one byte.
            std::this_thread::sleep_until(start + lineTime(done + 1));
            const auto due = static_cast<std::size_t>(
                std::chrono::duration<double, std::micro>(Clock::now() - start).count() /
                kByteMicros);
            chunk = std::clamp<std::size_t>(due > done ? due - done : 1, 1, size - done);
        }
        const ssize_t n = ::write(fd, data + done, chunk);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) return;
        pollfd p{fd, POLLOUT, 0};
        ::poll(&p, 1, 20);
    }
}

} // namespace velmora::sim
