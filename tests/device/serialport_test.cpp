// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/port_problem.h"
#include "device/serialport.h"
#include "sim/pty.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <thread>
#include <unistd.h>

using namespace velmora;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

std::vector<std::uint8_t> bytes(std::initializer_list<int> list) {
    std::vector<std::uint8_t> out;
    for (int b : list) out.push_back(static_cast<std::uint8_t>(b));
    return out;
}

// An open, configured port on the slave side of pty.
void openOn(CSerialPort& port, const sim::CPty& pty, std::uint32_t timeoutMs = 100) {
    port.open(pty.slavePath());
    port.setState(LineSettings{});
    port.setTimeout(Timeouts{timeoutMs, 1});
}

template <class Fn>
CRSError raised(Fn&& fn) {
    try {
        fn();
    } catch (const CRSError& e) {
        return e;
    }
    ADD_FAILURE() << "no CRSError raised";
    return CRSError(0, L"", 0, L"");
}

} // namespace

TEST(SerialPortOpen, MissingPortRaisesCodeFiveWithTheSystemError) {
    CSerialPort port;
    const CRSError e = raised([&] { port.open("/dev/velmora-no-such-port"); });
    EXPECT_EQ(e.code(), CRSError::OpenFailed);
    EXPECT_EQ(e.line(), 68);
    // The system's own name and text for the error, never a Windows call name here.
    EXPECT_EQ(e.context(), L"CSerialPort::open(/dev/velmora-no-such-port) - errno=2 (" +
                               systemErrorText(ENOENT) + L")");
    EXPECT_EQ(e.systemError(), ENOENT);
    EXPECT_EQ(portProblemFromSystemError(e.systemError()), PortProblem::Missing);
    EXPECT_EQ(e.source(), L"serialport");
    EXPECT_FALSE(port.isOpen());
    EXPECT_TRUE(port.portName().empty());

    // A Windows-style name reports its number.
    const CRSError com = raised([&] { port.open("COM7"); });
    EXPECT_EQ(com.context().rfind(L"CSerialPort::open(7) - errno=2 (", 0), 0u);
}

TEST(SerialPortOpen, SomethingThatIsNotATerminalIsRefused) {
    char name[] = "/tmp/velmora-port-XXXXXX";
    const int fd = ::mkstemp(name);
    ASSERT_GE(fd, 0);
    ::close(fd);
    CSerialPort port;
    const CRSError e = raised([&] { port.open(name); });
    EXPECT_EQ(e.code(), CRSError::OpenFailed);
    EXPECT_FALSE(port.isOpen());
    std::remove(name);
}

TEST(SerialPortOpen, LineIsExclusiveWhileOpenAndFreeAfterClose) {
    sim::CPty pty;
    CSerialPort first;
    openOn(first, pty);
    EXPECT_EQ(first.portName(), pty.slavePath());
    {
        // Refused as "in use" for the superuser too, and the holder keeps its line.
        CSerialPort second;
        const CRSError e = raised([&] { second.open(pty.slavePath()); });
        EXPECT_EQ(e.code(), CRSError::OpenFailed);
        EXPECT_EQ(portProblemFromSystemError(e.systemError()), PortProblem::Busy);
        EXPECT_FALSE(second.isOpen());
        const std::uint8_t ping[] = {0x55, 0xAA};
        EXPECT_EQ(first.write(ping, sizeof ping), sizeof ping);
        EXPECT_TRUE(first.isOpen());
    }
    EXPECT_EQ(first.close(), 0);
    EXPECT_FALSE(first.isOpen());
    CSerialPort again;
    EXPECT_NO_THROW(openOn(again, pty));
}

TEST(SerialPortOpen, OpeningAgainReleasesThePreviousLine) {
    const auto openDescriptors = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                             std::filesystem::directory_iterator{});
    };
    sim::CPty a;
    sim::CPty b;
    CSerialPort port;
    openOn(port, a);
    const auto withOne = openDescriptors();
    openOn(port, b);
    EXPECT_EQ(openDescriptors(), withOne);
    EXPECT_EQ(port.portName(), b.slavePath());
    EXPECT_THROW(port.open("/dev/velmora-no-such-port"), CRSError);
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(port.portName(), b.slavePath());
}

TEST(SerialPortRead, ZeroBytesReturnAtOnce) {
    sim::CPty pty;
    CSerialPort port;
    openOn(port, pty, 1000);
    std::uint8_t b = 0;
    const auto t0 = Clock::now();
    EXPECT_EQ(port.read(&b, 0), 0u);
    EXPECT_LT(Clock::now() - t0, 50ms);
}

TEST(SerialPortRead, ReturnsWhatArrivedWhenTheTimeOutPasses) {
    sim::CPty pty;
    CSerialPort port;
    openOn(port, pty, 100);
    pty.write(bytes({1, 2, 3}));
    std::uint8_t buf[10] = {};
    const auto t0 = Clock::now();
    EXPECT_EQ(port.read(buf, sizeof buf), 3u);
    const auto took = Clock::now() - t0;
    EXPECT_GE(took, 90ms);
    EXPECT_LT(took, 600ms);
    EXPECT_EQ(buf[2], 3);
}

TEST(SerialPortRead, GathersBytesThatArriveInPieces) {
    sim::CPty pty;
    CSerialPort port;
    openOn(port, pty, 500);
    std::thread peer([&] {
        pty.write(bytes({0xAA, 0x55}));
        std::this_thread::sleep_for(30ms);
        pty.write(bytes({8, 2, 9}));
    });
    std::uint8_t buf[5] = {};
    const auto t0 = Clock::now();
    EXPECT_EQ(port.read(buf, 5), 5u);
    EXPECT_LT(Clock::now() - t0, 400ms); // returned when complete, not at the time-out
    peer.join();
    EXPECT_EQ(buf[0], 0xAA);
    EXPECT_EQ(buf[4], 9);
}

TEST(SerialPortWrite, BytesReachThePeerInOrder) {
    sim::CPty pty;
    CSerialPort port;
    openOn(port, pty);
    const auto out = bytes({0xAA, 0x55, 0x08, 0x02, 0x00, 0x0A, 0x0D});
    EXPECT_EQ(port.write(out.data(), out.size()), out.size());
    EXPECT_EQ(pty.readExactly(out.size(), 500), out);
}

TEST(SerialPortPurge, DiscardsPendingInputOnly) {
    sim::CPty pty;
    CSerialPort port;
    openOn(port, pty);
    pty.write(bytes({9, 9, 9}));
    std::this_thread::sleep_for(30ms);
    port.purgeIn();
    pty.write(bytes({7}));
    std::uint8_t b[4] = {};
    EXPECT_EQ(port.read(b, 4), 1u);
    EXPECT_EQ(b[0], 7);
}

TEST(SerialPortLine, APseudoTerminalWithoutErrorCountersIsClean) {
    sim::CPty pty;
    CSerialPort port;
    openOn(port, pty);
    EXPECT_EQ(port.clearCommError(), 0u);
    EXPECT_EQ(port.clearCommError(), 0u);
}

TEST(SerialPortLine, AVanishedLineRaisesAndReportsALineError) {
    auto pty = std::make_unique<sim::CPty>();
    CSerialPort port;
    openOn(port, *pty);
    pty.reset(); // the other end goes away, as an unplugged adapter does
    EXPECT_NE(port.clearCommError(), 0u);
    std::uint8_t b[4] = {};
    const CRSError r = raised([&] { port.read(b, 4); });
    EXPECT_EQ(r.code(), CRSError::OperationFailed);
    EXPECT_EQ(r.line(), 167);
    EXPECT_EQ(r.context().rfind(L"CSerialPort::read() - errno=", 0), 0u);
    const CRSError w = raised([&] { port.write(b, 4); });
    EXPECT_EQ(w.code(), CRSError::OperationFailed);
    EXPECT_EQ(w.line(), 183);
}

TEST(SerialPortClosed, EveryOperationRaisesExceptCloseAndTheLineQuery) {
    CSerialPort port;
    std::uint8_t b[2] = {};
    EXPECT_EQ(raised([&] { port.read(b, 2); }).line(), 167);
    EXPECT_EQ(raised([&] { port.write(b, 2); }).line(), 183);
    EXPECT_EQ(raised([&] { port.setState(LineSettings{}); }).line(), 107);
    EXPECT_EQ(raised([&] { port.setTimeout(Timeouts{}); }).line(), 152);
    const CRSError purge = raised([&] { port.purgeIn(); });
    EXPECT_EQ(purge.line(), 202);
    EXPECT_EQ(purge.code(), CRSError::OperationFailed);
    EXPECT_EQ(purge.context(), L"CSerialPort::purgeIn() \n errno = 9 (" + systemErrorText(EBADF) +
                                   L")\n clearCommError() = 9");
    EXPECT_NE(port.clearCommError(), 0u);
    EXPECT_EQ(port.close(), 0);
}

TEST(SerialPortState, RefusesASpeedTheLineCannotRun) {
    sim::CPty pty;
    CSerialPort port;
    openOn(port, pty);
    LineSettings odd;
    odd.baudRate = 12345;
    const CRSError e = raised([&] { port.setState(odd); });
    EXPECT_EQ(e.line(), 107);
    EXPECT_EQ(e.context().rfind(L"CSerialPort::setState() \n errno = ", 0), 0u);
}

TEST(SerialPortErrors, SystemErrorsMapToWhatThePersonMustDo) {
    const struct {
        int err;
        PortProblem problem;
    } table[] = {
        {0, PortProblem::None},           {ENOENT, PortProblem::Missing},
        {ENODEV, PortProblem::Missing},   {EACCES, PortProblem::NoPermission},
        {EPERM, PortProblem::NoPermission}, {EBUSY, PortProblem::Busy},
        {EIO, PortProblem::Gone},         {ENOTTY, PortProblem::NotSerial},
        {EISDIR, PortProblem::NotSerial}, {ENOTDIR, PortProblem::Missing},
        {EINVAL, PortProblem::Other},
    };
    for (const auto& row : table) {
        EXPECT_EQ(portProblemFromSystemError(row.err), row.problem) << row.err;
    }
    EXPECT_FALSE(systemErrorText(EACCES).empty());
}

