#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "core/worker_group.h"

using Vastrel2::WorkerGroup;

TEST(WorkerGroup, EveryPartRunsOnceOnItsOwnThreadInEveryRound) {
    for (unsigned threads : {1u, 3u, 8u}) {
        SCOPED_TRACE(threads);
        WorkerGroup group(threads);
        ASSERT_GE(group.Size(), 1u);
        ASSERT_LE(group.Size(), threads);
        for (int round = 0; round < 50; ++round) {
            std::vector<std::atomic<int>> calls(group.Size());
            std::vector<std::thread::id> ids(group.Size());
            group.Run([&](unsigned i) {
                ++calls[i];
                ids[i] = std::this_thread::get_id();
            });
            for (unsigned i = 0; i < group.Size(); ++i) EXPECT_EQ(1, calls[i].load());
            EXPECT_EQ(std::this_thread::get_id(), ids[0]);  // part 0 is the caller's
            for (unsigned i = 1; i < group.Size(); ++i) EXPECT_NE(ids[0], ids[i]);
        }
    }
    EXPECT_EQ(1u, WorkerGroup::ThreadsFor(1));
    EXPECT_LE(WorkerGroup::ThreadsFor(1000), 8u);
}
