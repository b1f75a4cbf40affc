// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/diag_data.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace velmora {
namespace {

CDiag numbered(std::uint32_t seq) {
    CDiag d;
    d.sequence = seq;
    d.rpmPeriod = static_cast<std::uint16_t>(seq);
    return d;
}

void fill(CDiagData& store, std::uint32_t first, std::uint32_t last) {
    for (std::uint32_t s = first; s <= last; ++s) store.add(numbered(s));
}

TEST(DiagData, TrimsToTheNewest251PlusTheNewOnceOver500) {
    CDiagData store;
    fill(store, 1, 500);
    EXPECT_EQ(store.count(), 500);
    store.add(numbered(501));
    EXPECT_EQ(store.count(), 501);
    store.add(numbered(502));
    ASSERT_EQ(store.count(), 252);

    std::vector<CDiag> all;
    store.copyRange(all, 0, store.count());
    ASSERT_EQ(all.size(), 252u);
    for (std::size_t i = 0; i < all.size(); ++i) EXPECT_EQ(all[i].sequence, 251 + i) << i;

    // Stays bounded over many rounds.
    fill(store, 503, 5000);
    EXPECT_GE(store.count(), 252);
    EXPECT_LE(store.count(), 501);
    CDiag last;
    store.getLast(last);
    EXPECT_EQ(last.sequence, 5000u);
}

TEST(DiagData, GetLastOnEmptyStoreLeavesTheRecordAlone) {
    CDiagData store;
    CDiag out = numbered(42);
    out.workState = 3;
    store.getLast(out);
    EXPECT_EQ(out.sequence, 42u);
    EXPECT_EQ(out.workState, 3);

    fill(store, 1, 3);
    store.clear();
    store.getLast(out);
    EXPECT_EQ(out.sequence, 42u);
}

TEST(DiagData, CopyRangeBounds) {
    CDiagData store;
    fill(store, 1, 10);
    std::vector<CDiag> out;

    store.copyRange(out, store.count() - 2, store.count() - 1);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].sequence, 9u); // the second newest

    store.copyRange(out, 8, 100); // to is cut at count, and out is appended to
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[1].sequence, 9u);
    EXPECT_EQ(out[2].sequence, 10u);

    out.clear();
    store.copyRange(out, 11, 20); // from past the end
    store.copyRange(out, 10, 20); // from at the end
    store.copyRange(out, 5, 5);   // empty range
    store.copyRange(out, 6, 2);   // reversed
    EXPECT_TRUE(out.empty());
}

TEST(DiagData, CopyRangeBeforeTheStartNeverReadsOutside) {
    CDiagData store;
    std::vector<CDiag> out;
    store.copyRange(out, -2, -1); // "count - 2" on an empty store
    store.copyRange(out, -1, 0);
    EXPECT_TRUE(out.empty());

    fill(store, 1, 3);
    store.copyRange(out, -5, 2);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].sequence, 1u);
}

// The window reads while the reading thread adds and trims; whatever it sees must be
// a consistent, ordered slice.
TEST(DiagData, ReaderSeesOrderedSamplesWhileAWriterTrims) {
    CDiagData store;
    std::atomic<bool> done{false};
    std::thread writer([&] {
        fill(store, 1, 20000);
        done = true;
    });
    std::uint32_t lastSeen = 0;
    while (!done) {
        const int n = store.count();
        EXPECT_LE(n, 501);
        std::vector<CDiag> two;
        store.copyRange(two, n - 2, n);
        if (two.size() == 2) {
            EXPECT_EQ(two[0].sequence + 1, two[1].sequence);
        }
        CDiag newest;
        store.getLast(newest);
        EXPECT_GE(newest.sequence, lastSeen);
        lastSeen = newest.sequence;
    }
    writer.join();
    CDiag newest;
    store.getLast(newest);
    EXPECT_EQ(newest.sequence, 20000u);
}

} // namespace
} // namespace velmora
