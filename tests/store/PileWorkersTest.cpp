// SPDX-License-Identifier: Apache-2.0
// The worker threads of the per-pile analyses: every task of a pass runs
// once, in the scratch space of the worker that takes it, and the pass
// returns only when all have run; the pool is reused pass after pass.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <set>
#include <vector>

#include "store/pile_workers.h"

namespace pylora {
namespace {

TEST(PileWorkers, EveryTaskOfEveryPassRunsOnceInAWorkersOwnScratchSpace) {
    for (const int threads : {1, 2, 7}) {
        PileWorkers workers(threads);
        ASSERT_EQ(workers.threadCount(), threads);
        for (const int count : {0, 1, 5, 257}) {
            // Many passes on the same threads, each checked as soon as run returns.
            for (int pass = 0; pass < 40; ++pass) {
                std::vector<std::atomic<int>> runs(static_cast<std::size_t>(count));
                std::vector<const PileScratch*> scratchOf(static_cast<std::size_t>(count));
                workers.run(count, [&](PileScratch& s, int i) {
                    runs[static_cast<std::size_t>(i)].fetch_add(1);
                    scratchOf[static_cast<std::size_t>(i)] = &s;
                    // A worker's own scratch space: no other task writes it meanwhile.
                    s.lateralSolutions = i;
                    for (int k = 0; k < 50; ++k)
                        ASSERT_EQ(s.lateralSolutions, i);
                });
                for (int i = 0; i < count; ++i)
                    ASSERT_EQ(runs[static_cast<std::size_t>(i)].load(), 1)
                        << threads << " threads, task " << i << " of " << count;
                const std::set<const PileScratch*> used(scratchOf.begin(), scratchOf.end());
                EXPECT_LE(static_cast<int>(used.size()), threads);
                for (const PileScratch* s : used) {
                    bool ownedByAWorker = false;
                    for (int w = 0; w < threads; ++w)
                        ownedByAWorker = ownedByAWorker || s == &workers.scratch(w);
                    EXPECT_TRUE(ownedByAWorker);
                    EXPECT_EQ(s->owner, nullptr);  // a worker's messages wait for the caller
                }
            }
        }
    }
}

TEST(PileWorkers, ThreadCountOfTheRun) {
    EXPECT_EQ(resolveThreadCount(3), 3);
    EXPECT_EQ(resolveThreadCount(kMaxPileThreads + 5), kMaxPileThreads);
    // 0 (and anything not positive) takes the machine's hardware threads.
    EXPECT_GE(resolveThreadCount(0), 1);
    EXPECT_EQ(resolveThreadCount(-2), resolveThreadCount(0));
    EXPECT_EQ(PileWorkers(0).threadCount(), 1);
}

}  // namespace
}  // namespace pylora
