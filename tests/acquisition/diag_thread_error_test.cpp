// SPDX-License-Identifier: GPL-3.0-or-later
// The reading thread meeting an error from the port.

#include "fake_link.h"

#include "device/error.h"

#include <gtest/gtest.h>

namespace velmora::test {
namespace {

using S = Step;

[[noreturn]] void portFails() { throw CRSError(CRSError::OperationFailed, L"read", __LINE__, L"serialport"); }

class ReadingThreadError : public ::testing::Test {
protected:
    void SetUp() override { CDiagInputThread::resetFailureCounter(); }
    void TearDown() override { CDiagInputThread::resetFailureCounter(); }

    CDiagData store;
    std::atomic<bool> running{false};
};

TEST_F(ReadingThreadError, OnACleanLineReadingEndsButTheLinkIsKept) {
    FakeLink link(running, {S::Sample, S::Sample, S::Throw, S::Sample});
    link.thrower = portFails;
    link.lineError = 0;
    EXPECT_EQ(runToEnd(store, running, link), 1);
    EXPECT_EQ(link.reads, 3);
    EXPECT_EQ(store.count(), 0);
    EXPECT_EQ(link.lineQueries, 1);
    EXPECT_EQ(link.linkLosses, 0);
}

TEST_F(ReadingThreadError, WithAPendingLineErrorTheLinkIsLost) {
    FakeLink link(running, {S::Sample, S::Throw});
    link.thrower = portFails;
    link.lineError = 0x8; // framing error
    EXPECT_EQ(runToEnd(store, running, link), 1);
    EXPECT_EQ(store.count(), 0);
    EXPECT_EQ(link.linkLosses, 1);
}

TEST_F(ReadingThreadError, AfterBeingToldToStopTheLineIsNotAsked) {
    FakeLink link(running, {S::Sample, S::StopThenThrow});
    link.thrower = portFails;
    link.lineError = 1;
    EXPECT_EQ(runToEnd(store, running, link), 1);
    EXPECT_EQ(store.count(), 0);
    EXPECT_EQ(link.lineQueries, 0);
    EXPECT_EQ(link.linkLosses, 0);
}

TEST_F(ReadingThreadError, AnErrorWhileStartingIsHandledLikeOneWhileReading) {
    FakeLink link(running, {S::Sample});
    link.purgeThrower = portFails;
    link.lineError = 1;
    EXPECT_EQ(runToEnd(store, running, link), 1);
    EXPECT_EQ(link.reads, 0);
    EXPECT_EQ(link.linkLosses, 1);
}

} // namespace
} // namespace velmora::test
