// SPDX-License-Identifier: Apache-2.0
// The model store: cleared between runs, texts kept blank-padded.

#include <gtest/gtest.h>

#include "engine/run_control.h"
#include "store/model_store.h"
#include "tests/support/temp_dir.h"

namespace pylora {
namespace {

TEST(FixedText, PadsCutsAndTrims) {
    FixedText<8> t;
    EXPECT_EQ(t.view(), "        ");
    EXPECT_EQ(t.trimmed(), "");
    t.assign("8.0");
    EXPECT_EQ(t.view(), "8.0     ");
    EXPECT_EQ(t.trimmed(), "8.0");
    t.assign("a b c d e f");
    EXPECT_EQ(t.view(), "a b c d ");
    EXPECT_EQ(t.trimmed(), "a b c d");
}

TEST(ModelStore, ClearingReturnsEveryTableToItsStateAtLoad) {
    testsupport::TempDir dir;
    auto store = makeModelStore();
    // Values of an earlier run, in the rows of its counts and in tables
    // cleared whole.
    store->loadCases.loadCaseCount = 100;
    store->loadCases.rows[9].integer(kCaseLoadType) = 4;
    store->loadCases.rows[99].concentratedLoads[99].value(9) = 7.5;
    store->arrangement.rows[1999].headZ = 3.0;
    store->mcSets.rows[49].curves[19].points[24].moment = 1.0;
    store->title.assign("first run");
    store->run.stopCode = 999;
    store->files.scratch2 = openForWriting((dir / "scratch").string());

    clearModelStore(*store);

    EXPECT_EQ(store->loadCases.loadCaseCount, 0);
    EXPECT_EQ(store->loadCases.rows[9].integer(kCaseLoadType), 0);
    EXPECT_EQ(store->loadCases.rows[99].concentratedLoads[99].value(9), 0.0);
    EXPECT_EQ(store->arrangement.rows[1999].headZ, 0.0);
    EXPECT_EQ(store->mcSets.rows[49].curves[19].points[24].moment, 0.0);
    EXPECT_EQ(store->title.view(), std::string(80, ' '));
    EXPECT_EQ(store->run.stopCode, 0);
    EXPECT_FALSE(store->files.scratch2);
}

TEST(ModelStore, ANewStoreInTheMemoryOfOneThatWentIsNew) {
    auto first = makeModelStore();
    const ModelStore* memory = first.get();
    first->title.assign("first run");
    first->arrangement.rows[1999].headZ = 3.0;
    first->pileEnvelopes.alongMax[1999][12][106] = 1.0;
    first.reset();

    const auto second = makeModelStore();
    EXPECT_EQ(second.get(), memory);
    EXPECT_EQ(second->title.view(), std::string(80, ' '));
    EXPECT_EQ(second->arrangement.rows[1999].headZ, 0.0);
    EXPECT_EQ(second->pileEnvelopes.alongMax[1999][12][106], 0.0);
    EXPECT_EQ(second->pileScratch.owner, second.get());
}

TEST(ModelStore, MultipliersStartAtOne) {
    auto store = makeModelStore();
    initialiseStoreConstants(*store);
    for (int i : {0, 999, 1999}) {
        EXPECT_EQ(store->groupFactors.pMultiplier[i], 1.0);
        EXPECT_EQ(store->groupFactors.yMultiplierY[i], 1.0);
        EXPECT_EQ(store->groupFactors.pMultiplierZ[i], 1.0);
        EXPECT_EQ(store->groupFactors.yMultiplierZ[i], 1.0);
    }
}

}  // namespace
}  // namespace pylora
