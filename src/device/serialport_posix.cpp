// SPDX-License-Identifier: GPL-3.0-or-later
// CSerialPort on termios. Reads are poll loops bounded by the read time-out, so a
// silent line returns what arrived instead of blocking; a line that vanished
// (unplugged adapter, hung-up pseudo-terminal) raises, so the link-loss path runs.

#include "serialport.h"
#include "port_problem.h"
#include "serialport_text.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#if defined(__linux__)
#include <linux/serial.h>
#endif

namespace velmora {

// Line-error bits, as the Windows driver reports them.
namespace {
constexpr std::uint32_t kErrRxOver = 0x01;
constexpr std::uint32_t kErrOverrun = 0x02;
constexpr std::uint32_t kErrParity = 0x04;
constexpr std::uint32_t kErrFrame = 0x08;
constexpr std::uint32_t kErrBreak = 0x10;

// Error counters seen by the last query; each query reports only what is new.
struct ErrorCounters {
    std::uint32_t frame = 0, overrun = 0, parity = 0, brk = 0, bufOverrun = 0;
};
} // namespace

struct CSerialPort::Platform {
    int fd = -1;
    ErrorCounters seen;
    bool hasCounters = true; // a pseudo-terminal has none: not asked after the first no
};

namespace {

using Clock = std::chrono::steady_clock;

// The one place where system error numbers are judged: what a failed line-state
// query means. A device without error counters (a pseudo-terminal) is clean;
// anything else, a vanished line above all, is reported as the error number.
[[maybe_unused]] std::uint32_t lineStateFromError(int err) {
    return (err == ENOTTY || err == EINVAL) ? 0u : static_cast<std::uint32_t>(err);
}

[[noreturn]] void failTransfer(const CSerialPort&, const char* operation, int line, int err) {
    throw CRSError(CRSError::OperationFailed, serialtext::transferContext(operation, err), line,
                   serialtext::sourceName(), err);
}

[[noreturn]] void failState(CSerialPort& port, const char* operation, int line, int err) {
    const std::uint32_t lineState = port.clearCommError();
    throw CRSError(CRSError::OperationFailed, serialtext::stateContext(operation, err, lineState),
                   line, serialtext::sourceName(), err);
}

int msLeft(Clock::time_point end) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

Clock::time_point deadline(const Timeouts& t, std::size_t count) {
    const auto ms = static_cast<std::uint64_t>(t.readTotalConstantMs) +
                    static_cast<std::uint64_t>(t.readTotalMultiplierMs) * count;
    return Clock::now() + std::chrono::milliseconds(ms);
}

bool speedFor(std::uint32_t baud, speed_t& out) {
    struct Pair {
        std::uint32_t baud;
        speed_t speed;
    };
    static constexpr Pair kSpeeds[] = {
        {1200, B1200},   {2400, B2400},   {4800, B4800},     {9600, B9600},
        {19200, B19200}, {38400, B38400}, {57600, B57600},   {115200, B115200},
        {230400, B230400},
    };
    for (const Pair& p : kSpeeds) {
        if (p.baud == baud) {
            out = p.speed;
            return true;
        }
    }
    return false;
}

bool sizeFor(std::uint8_t bits, tcflag_t& out) {
    switch (bits) {
    case 5: out = CS5; return true;
    case 6: out = CS6; return true;
    case 7: out = CS7; return true;
    case 8: out = CS8; return true;
    default: return false;
    }
}

#if defined(TIOCGICOUNT)
// Returns the new error bits since the previous reading and remembers the counters.
std::uint32_t takeCounters(ErrorCounters& p, const serial_icounter_struct& c) {
    std::uint32_t mask = 0;
    const auto changed = [](int now, std::uint32_t& seen) {
        const auto v = static_cast<std::uint32_t>(now);
        const bool grew = v != seen;
        seen = v;
        return grew;
    };
    if (changed(c.frame, p.frame)) mask |= kErrFrame;
    if (changed(c.overrun, p.overrun)) mask |= kErrOverrun;
    if (changed(c.parity, p.parity)) mask |= kErrParity;
    if (changed(c.brk, p.brk)) mask |= kErrBreak;
    if (changed(c.buf_overrun, p.bufOverrun)) mask |= kErrRxOver;
    return mask;
}
#endif

} // namespace

PortProblem portProblemFromSystemError(int err) {
    switch (err) {
    case 0: return PortProblem::None;
    case ENOENT:
    case ENODEV:
    case ENXIO: return PortProblem::Missing;
    case EACCES:
    case EPERM: return PortProblem::NoPermission;
    case EBUSY: return PortProblem::Busy;
    case EIO:
    case EBADF: return PortProblem::Gone;
    case ENOTDIR: return PortProblem::Missing;
    case ENOTTY:
    case EISDIR: return PortProblem::NotSerial;
    default: return PortProblem::Other;
    }
}

std::wstring systemErrorText(int err) {
    char buffer[256] = {};
    // The GNU variant may return a static string instead of filling the buffer.
#if defined(__GLIBC__) && defined(_GNU_SOURCE)
    const char* text = ::strerror_r(err, buffer, sizeof buffer);
#else
    const char* text = ::strerror_r(err, buffer, sizeof buffer) == 0 ? buffer : "";
#endif
    return ansi2unicode(text);
}

namespace serialtext {
std::wstring systemErrorField(long systemError, const wchar_t* equals) {
    return L"errno" + std::wstring(equals) + std::to_wstring(systemError) + L" (" +
           systemErrorText(static_cast<int>(systemError)) + L")";
}
} // namespace serialtext

CSerialPort::CSerialPort() : m_platform(std::make_unique<Platform>()) {}

CSerialPort::~CSerialPort() { close(); }

bool CSerialPort::isOpen() const { return m_platform->fd >= 0; }

void CSerialPort::open(const std::string& name) {
    close();
    const int fd = ::open(name.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        throw CRSError(CRSError::OpenFailed, serialtext::openContext(name, err),
                       serialtext::kLineOpen, serialtext::sourceName(), err);
    }
    if (!::isatty(fd)) {
        ::close(fd);
        throw CRSError(CRSError::OpenFailed, serialtext::openContext(name, ENOTTY),
                       serialtext::kLineOpen, serialtext::sourceName(), ENOTTY);
    }
    // No sharing, as on Windows. TIOCEXCL makes a second open fail with EBUSY, but not
    // for root; the advisory lock on the open line stops every program that takes it
    // (both of ours, root or not). A line locked already is refused before anything is
    // changed on it, so its holder is not disturbed. A system without such locks on
    // devices just goes without.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        ::close(fd);
        throw CRSError(CRSError::OpenFailed, serialtext::openContext(name, EBUSY),
                       serialtext::kLineOpen, serialtext::sourceName(), EBUSY);
    }
    ::ioctl(fd, TIOCEXCL);
    m_platform->fd = fd;
    m_platform->seen = ErrorCounters{};
    m_platform->hasCounters = true;
#if defined(TIOCGICOUNT)
    // Errors counted before we opened the line are not ours.
    serial_icounter_struct c{};
    if (::ioctl(fd, TIOCGICOUNT, &c) == 0) takeCounters(m_platform->seen, c);
    else if (lineStateFromError(errno) == 0) m_platform->hasCounters = false;
#endif
    m_portName = name;
}

void CSerialPort::setState(const LineSettings& settings) {
    const int fd = m_platform->fd;
    if (fd < 0) failState(*this, "setState", serialtext::kLineSetState, EBADF);
    termios t{};
    if (::tcgetattr(fd, &t) != 0) failState(*this, "setState", serialtext::kLineSetState, errno);
    speed_t speed{};
    tcflag_t size{};
    if (!speedFor(settings.baudRate, speed) || !sizeFor(settings.dataBits, size) ||
        (settings.stopBits != 1 && settings.stopBits != 2))
        failState(*this, "setState", serialtext::kLineSetState, EINVAL);

    ::cfmakeraw(&t);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS | HUPCL);
    t.c_cflag |= size | CLOCAL | CREAD;
    if (settings.parity) t.c_cflag |= PARENB;
    if (settings.stopBits == 2) t.c_cflag |= CSTOPB;
    t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    // Reads are paced by poll(), never by the line discipline.
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    if (::cfsetispeed(&t, speed) != 0 || ::cfsetospeed(&t, speed) != 0)
        failState(*this, "setState", serialtext::kLineSetState, errno);
    if (::tcsetattr(fd, TCSANOW, &t) != 0)
        failState(*this, "setState", serialtext::kLineSetState, errno);
    // DTR and RTS held low; pseudo-terminals have no modem lines, which is fine.
    int lines = TIOCM_DTR | TIOCM_RTS;
    ::ioctl(fd, TIOCMBIC, &lines);
}

void CSerialPort::setTimeout(const Timeouts& timeouts) {
    if (m_platform->fd < 0) failState(*this, "setTimeout", serialtext::kLineSetTimeout, EBADF);
    m_timeouts = timeouts;
}

std::size_t CSerialPort::read(std::uint8_t* buffer, std::size_t count) {
    if (count == 0) return 0;
    const int fd = m_platform->fd;
    if (fd < 0) failTransfer(*this, "read", serialtext::kLineRead, EBADF);
    const auto end = deadline(m_timeouts, count);
    std::size_t done = 0;
    while (done < count) {
        pollfd p{fd, POLLIN, 0};
        const int r = ::poll(&p, 1, msLeft(end));
        if (r < 0) {
            if (errno == EINTR) continue;
            failTransfer(*this, "read", serialtext::kLineRead, errno);
        }
        if (r == 0) break; // time-out: return what arrived
        if (p.revents & POLLNVAL) failTransfer(*this, "read", serialtext::kLineRead, EBADF);
        if (p.revents & POLLIN) {
            const ssize_t n = ::read(fd, buffer + done, count - done);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
            // Readable but nothing to read: the line was hung up.
            failTransfer(*this, "read", serialtext::kLineRead, n < 0 ? errno : EIO);
        }
        if (p.revents & (POLLHUP | POLLERR)) failTransfer(*this, "read", serialtext::kLineRead, EIO);
    }
    return done;
}

std::size_t CSerialPort::write(const std::uint8_t* buffer, std::size_t count) {
    if (count == 0) return 0;
    const int fd = m_platform->fd;
    if (fd < 0) failTransfer(*this, "write", serialtext::kLineWrite, EBADF);
    // A line that takes no bytes for this long is stalled; report the short count.
    const auto end = deadline(m_timeouts, count);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(fd, buffer + done, count - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) failTransfer(*this, "write", serialtext::kLineWrite, errno);
        pollfd p{fd, POLLOUT, 0};
        const int r = ::poll(&p, 1, msLeft(end));
        if (r < 0) {
            if (errno == EINTR) continue;
            failTransfer(*this, "write", serialtext::kLineWrite, errno);
        }
        if (r == 0) break;
        if (p.revents & (POLLHUP | POLLERR | POLLNVAL))
            failTransfer(*this, "write", serialtext::kLineWrite, EIO);
    }
    return done;
}

void CSerialPort::purgeIn() {
    const int fd = m_platform->fd;
    if (fd < 0) failState(*this, "purgeIn", serialtext::kLinePurgeIn, EBADF);
    if (::tcflush(fd, TCIFLUSH) != 0) failState(*this, "purgeIn", serialtext::kLinePurgeIn, errno);
}

std::uint32_t CSerialPort::clearCommError() {
    const int fd = m_platform->fd;
    if (fd < 0) return EBADF;
    pollfd p{fd, 0, 0};
    if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)))
        return (p.revents & POLLNVAL) ? EBADF : EIO;
#if defined(TIOCGICOUNT)
    if (!m_platform->hasCounters) return 0;
    serial_icounter_struct c{};
    if (::ioctl(fd, TIOCGICOUNT, &c) != 0) return lineStateFromError(errno);
    return takeCounters(m_platform->seen, c);
#else
    return 0;
#endif
}

int CSerialPort::close() {
    const int fd = m_platform->fd;
    if (fd < 0) return 0;
    // The exclusive flag lives on the line, not on our descriptor: drop it so the
    // next open of the same line (a reconnect) is not refused.
    ::ioctl(fd, TIOCNXCL);
    m_platform->fd = -1;
    return ::close(fd);
}

} // namespace velmora
