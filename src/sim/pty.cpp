// SPDX-License-Identifier: GPL-3.0-or-later
#include "pty.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace velmora::sim {

namespace {
[[noreturn]] void fail(const char* what) {
    throw std::runtime_error(std::string(what) + ": " + std::strerror(errno));
}
} // namespace

CPty::CPty() {
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0) fail("posix_openpt");
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        ::close(m_master);
        fail("grantpt/unlockpt");
    }
    char name[128] = {};
    if (::ptsname_r(m_master, name, sizeof name) != 0) {
        ::close(m_master);
        fail("ptsname_r");
    }
    m_slavePath = name;
    // Raw on the slave side too, so no byte is translated before the client sets its own mode.
    m_keepSlave = ::open(name, O_RDWR | O_NOCTTY);
    if (m_keepSlave >= 0) {
        termios t{};
        if (::tcgetattr(m_keepSlave, &t) == 0) {
            ::cfmakeraw(&t);
            ::tcsetattr(m_keepSlave, TCSANOW, &t);
        }
    }
}

CPty::~CPty() {
    if (m_keepSlave >= 0) ::close(m_keepSlave);
    if (m_master >= 0) ::close(m_master);
}

void CPty::write(std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            fail("write to pty master");
        }
        done += static_cast<std::size_t>(n);
    }
}

std::vector<std::uint8_t> CPty::read(std::size_t max, int timeoutMs) {
    std::vector<std::uint8_t> out;
    pollfd p{m_master, POLLIN, 0};
    const int r = ::poll(&p, 1, timeoutMs);
    if (r <= 0 || !(p.revents & POLLIN)) return out;
    out.resize(max);
    const ssize_t n = ::read(m_master, out.data(), max);
    out.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return out;
}

std::vector<std::uint8_t> CPty::readExactly(std::size_t count, int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::vector<std::uint8_t> out;
    while (out.size() < count) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        if (left <= 0) break;
        auto part = read(count - out.size(), static_cast<int>(left));
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

void CPty::drain() {
    while (!read(4096, 0).empty()) {
    }
}

} // namespace velmora::sim
