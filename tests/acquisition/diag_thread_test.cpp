// SPDX-License-Identifier: GPL-3.0-or-later
#include "fake_link.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace velmora::test {
namespace {

using S = Step;

class ReadingThread : public ::testing::Test {
protected:
    void SetUp() override { CDiagInputThread::resetFailureCounter(); }
    void TearDown() override { CDiagInputThread::resetFailureCounter(); }

    CDiagData store;
    std::atomic<bool> running{false};
};

TEST_F(ReadingThread, NumbersSamplesFromOneWithoutGapsAndRestartsPerThread) {
    FakeLink first(running, {S::Sample, S::Sample, S::Other, S::Sample, S::Fail, S::Sample});
    EXPECT_EQ(runToEnd(store, running, first), 1);
    EXPECT_EQ(sequences(store), (std::vector<std::uint32_t>{1, 2, 3, 4}));
    EXPECT_EQ(first.purges, 1);

    // The next thread empties the store at its start and counts again from 1.
    FakeLink second(running, {S::Sample, S::Sample});
    runToEnd(store, running, second);
    EXPECT_EQ(sequences(store), (std::vector<std::uint32_t>{1, 2}));
    EXPECT_EQ(first.linkLosses + second.linkLosses, 0);
}

TEST_F(ReadingThread, ThreeFailedExchangesEmptyTheStoreAndLoseTheLink) {
    FakeLink link(running, {S::Sample, S::Sample, S::Fail, S::Fail, S::Fail, S::Sample});
    EXPECT_EQ(runToEnd(store, running, link), 1);
    EXPECT_EQ(link.reads, 5);
    EXPECT_EQ(link.linkLosses, 1);
    EXPECT_EQ(store.count(), 0);
    EXPECT_EQ(CDiagInputThread::failureCounter(), 3);
    EXPECT_TRUE(running) << "the thread gives up without touching the running flag";
}

TEST_F(ReadingThread, FailuresSeparatedByOtherRepliesStillAddUp) {
    FakeLink link(running, {S::Fail, S::Other, S::Fail, S::Other, S::Other, S::Fail, S::Sample});
    runToEnd(store, running, link);
    EXPECT_EQ(link.reads, 6);
    EXPECT_EQ(link.linkLosses, 1);
}

TEST_F(ReadingThread, OneGoodSampleForgivesEarlierFailures) {
    FakeLink link(running,
                  {S::Fail, S::Fail, S::Sample, S::Fail, S::Fail, S::Sample, S::Fail, S::Fail});
    EXPECT_EQ(runToEnd(store, running, link), 1);
    EXPECT_EQ(link.linkLosses, 0);
    EXPECT_EQ(CDiagInputThread::failureCounter(), 2);
    EXPECT_EQ(sequences(store), (std::vector<std::uint32_t>{1, 2}));
}

TEST_F(ReadingThread, GivingUpLeavesTheCountForTheNextThread) {
    FakeLink lost(running, {S::Fail, S::Fail, S::Fail});
    runToEnd(store, running, lost);
    ASSERT_EQ(CDiagInputThread::failureCounter(), 3);

    // Even a reply of another kind now ends it at once.
    FakeLink next(running, {S::Other, S::Sample});
    runToEnd(store, running, next);
    EXPECT_EQ(next.reads, 1);
    EXPECT_EQ(next.linkLosses, 1);
    EXPECT_EQ(CDiagInputThread::failureCounter(), 3);

    // A first read that brings a sample starts afresh.
    FakeLink healthy(running, {S::Sample, S::Other, S::Fail, S::Sample});
    runToEnd(store, running, healthy);
    EXPECT_EQ(healthy.linkLosses, 0);
    EXPECT_EQ(sequences(store), (std::vector<std::uint32_t>{1, 2}));
}

TEST_F(ReadingThread, OtherExceptionsEndTheThreadWithoutDeclaringTheLinkLost) {
    FakeLink link(running, {S::Sample, S::Throw});
    link.thrower = [] { throw std::runtime_error("not a link error"); };
    EXPECT_EQ(runToEnd(store, running, link), 1);
    EXPECT_EQ(link.reads, 2);
    EXPECT_EQ(link.lineQueries, 0);
    EXPECT_EQ(link.linkLosses, 0);
}

TEST_F(ReadingThread, AFailingLinkLostHandlerDoesNotTakeTheProgramDown) {
    FakeLink link(running, {S::Fail, S::Fail, S::Fail});
    link.lostHook = [] { throw std::runtime_error("owner gone"); };
    EXPECT_EQ(runToEnd(store, running, link), 1);
    EXPECT_EQ(link.linkLosses, 1);
}

class ThreadManager : public ReadingThread {
protected:
    // Polls until cond holds; a hang shows as a test time-out.
    template <class Cond>
    static void waitFor(Cond cond) {
        while (!cond()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
};

TEST_F(ThreadManager, DestroyingTheManagerWhileAThreadReadsStopsAndJoinsIt) {
    FakeLink link(running, {});
    link.answerForever(std::chrono::milliseconds(0));
    std::atomic<int> stops{0};
    std::atomic<bool> destroyed{false};
    running = true;
    {
        CLPGThreadManager manager;
        manager.insert(std::make_unique<CountingThread>(store, running, link, stops, &destroyed));
        waitFor([&] { return store.count() >= 3; });
        EXPECT_TRUE(manager.busy());
    }
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(stops, 1);
    const int reads = link.reads;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(link.reads, reads) << "nothing reads after the manager is gone";
}

TEST_F(ThreadManager, AThreadInsideASlowExchangeEndsWhenTheExchangeReturns) {
    FakeLink link(running, {});
    link.answerForever(std::chrono::milliseconds(150)); // a read waiting out its time-out
    std::atomic<int> stops{0};
    running = true;
    CLPGThreadManager manager;
    manager.insert(std::make_unique<CountingThread>(store, running, link, stops));
    waitFor([&] { return link.reads >= 1; });
    running = false;
    manager.joinAll();
    EXPECT_FALSE(manager.busy());
    EXPECT_EQ(stops, 1);
    EXPECT_LE(store.count(), 1);
}

TEST_F(ThreadManager, EndedThreadsAreReleasedWhenTheNextOneStarts) {
    FakeLink lost(running, {S::Fail, S::Fail, S::Fail});
    std::atomic<int> stops{0};
    std::atomic<bool> firstDestroyed{false};
    running = true;
    CLPGThreadManager manager;
    manager.insert(std::make_unique<CountingThread>(store, running, lost, stops, &firstDestroyed));
    waitFor([&] { return !manager.busy(); });
    EXPECT_FALSE(firstDestroyed) << "the object outlives its body until released";

    CDiagInputThread::resetFailureCounter();
    FakeLink next(running, {S::Sample});
    manager.insert(std::make_unique<CountingThread>(store, running, next, stops));
    EXPECT_TRUE(firstDestroyed);
    manager.joinAll();
    EXPECT_EQ(stops, 2);
}

TEST_F(ThreadManager, JoinAllFromTheReadingThreadDoesNotWaitForItself) {
    CLPGThreadManager manager;
    FakeLink link(running, {S::Fail, S::Fail, S::Fail});
    // An owner that restarts reading straight from the link-lost call.
    link.lostHook = [&] { manager.joinAll(); };
    std::atomic<int> stops{0};
    running = true;
    manager.insert(std::make_unique<CountingThread>(store, running, link, stops));
    waitFor([&] { return !manager.busy(); });
    manager.joinAll();
    EXPECT_EQ(link.linkLosses, 1);
    EXPECT_EQ(stops, 1);
}

} // namespace
} // namespace velmora::test
