// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The host side of a test: opens a pty slave like a serial port (raw termios),
// sends frames built by the production codec and collects replies.

#include "frame_reader.h"

#include "device/frame.h"

#include <chrono>
#include <cstdint>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace velmora::test {

class LineClient {
public:
    explicit LineClient(const std::string& path) {
        m_fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_fd < 0) throw std::runtime_error("cannot open " + path);
        termios t{};
        ::tcgetattr(m_fd, &t);
        ::cfmakeraw(&t);
        ::cfsetspeed(&t, B38400);
        ::tcsetattr(m_fd, TCSANOW, &t);
    }
    ~LineClient() { ::close(m_fd); }
    LineClient(const LineClient&) = delete;
    LineClient& operator=(const LineClient&) = delete;

    void send(const std::vector<std::uint8_t>& bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(m_fd, bytes.data() + done, bytes.size() - done);
            if (n > 0) done += static_cast<std::size_t>(n);
            else {
                pollfd p{m_fd, POLLOUT, 0};
                ::poll(&p, 1, 50);
            }
        }
    }
    void sendFrame(std::uint8_t type, const std::vector<std::uint8_t>& payload,
                   std::uint16_t key = 0x1234) {
        send(frame::encode(type, key, payload));
    }
    void sendCommand(std::uint8_t code, std::uint16_t key = 0x1234) {
        sendFrame(2, {code, 0, 0, 0, 0, 0}, key);
    }

    // One read: what is there when something arrives within timeoutMs.
    std::vector<std::uint8_t> readSome(int timeoutMs) {
        std::uint8_t buf[512];
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0) return {};
        const ssize_t n = ::read(m_fd, buf, sizeof buf);
        return n > 0 ? std::vector<std::uint8_t>(buf, buf + n) : std::vector<std::uint8_t>{};
    }
    // Whatever arrives until timeoutMs of silence.
    std::vector<std::uint8_t> readFor(int timeoutMs) {
        std::vector<std::uint8_t> out;
        std::uint8_t buf[512];
        for (;;) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, timeoutMs) <= 0) return out;
            const ssize_t n = ::read(m_fd, buf, sizeof buf);
            if (n <= 0) return out;
            out.insert(out.end(), buf, buf + n);
        }
    }

    // One whole frame, or nothing within timeoutMs in total.
    std::optional<ReceivedFrame> receive(int timeoutMs = 1000) {
        using Clock = std::chrono::steady_clock;
        const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            if (auto f = parse()) return f;
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
            if (left <= 0) return std::nullopt;
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left)) <= 0) continue;
            std::uint8_t buf[512];
            const ssize_t n = ::read(m_fd, buf, sizeof buf);
            if (n > 0) m_in.insert(m_in.end(), buf, buf + n);
        }
    }
    std::optional<ReceivedFrame> exchange(std::uint8_t type, const std::vector<std::uint8_t>& payload,
                                          int timeoutMs = 1000) {
        sendFrame(type, payload, static_cast<std::uint16_t>(m_key++ & 0x7FFF));
        return receive(timeoutMs);
    }
    std::optional<ReceivedFrame> command(std::uint8_t code, int timeoutMs = 1000) {
        return exchange(2, {code, 0, 0, 0, 0, 0}, timeoutMs);
    }

private:
    std::optional<ReceivedFrame> parse() { return takeFrame(m_in); }

    int m_fd = -1;
    std::vector<std::uint8_t> m_in;
    unsigned m_key = 0x0F31;
};

} // namespace velmora::test
