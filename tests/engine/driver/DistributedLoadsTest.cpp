// SPDX-License-Identifier: Apache-2.0
// Distributed loads along the piles: the set interpolation, the pile range
// rules, local and global axes on vertical and battered piles, the axial load
// collected at the pile head with its moments at the origin, and the
// multipliers of load cases and combinations.

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <numbers>
#include <utility>

#include "engine/distributed_loads.h"
#include "store/model_store.h"
#include "tests/engine/driver/DriverTestSupport.h"

namespace pylora {
namespace {

using test::expectClose;

constexpr double kTight = 1.0e-12;  // sums of a few products: rounding only
const double kRoot3 = std::sqrt(3.0);

void setPoints(ModelStore& store, int setNo,
               std::initializer_list<std::pair<double, double>> points) {
    DistributedSet& set = store.distributedSets.rows[setNo - 1];
    set.setPointCount = 0;
    for (const auto& [depth, load] : points)
        set.points[set.setPointCount++] = {depth, load};
    store.distributedSets.distributedSetCount =
        std::max(store.distributedSets.distributedSetCount, setNo);
}

// Four piles of property 1 (length 10, 4 increments: nodes every 2.5 below
// the head) and the sets
//   1: (0, 2) (10, 6)            linear, 2 + 0.4 s
//   2: (2.5, 1) (7.5, 1)         unit load between 2.5 and 7.5
//   3: (0, 0) (4, 8) (10, 8)     a ramp, then constant
//   4: (0, 4) (10, 4)            uniform 4
// Pile 1 is vertical, pile 2 battered (BETA 60 degrees, ALPHA 0) with its
// head at (1, 2, 3), pile 3 vertical and turned (ALPHA 30 degrees), pile 4
// vertical.
std::unique_ptr<ModelStore> pileModel(int analysisType) {
    auto store = makeModelStore();
    store->control.analysisType = analysisType;
    store->arrangement.pileGroupCount = 4;
    store->work.properties[0].LENGTH = 10.0;
    store->work.properties[0].increments = 4;
    for (int g = 0; g < 4; ++g) {
        PileGroupWork& pile = store->work.groups[g];
        pile.IPROP = 1;
        pile.beta = std::numbers::pi / 2;
    }
    store->work.groups[1].beta = std::numbers::pi / 3;
    store->work.groups[1].XHEAD = 1.0;
    store->work.groups[1].headY = 2.0;
    store->work.groups[1].headZ = 3.0;
    store->work.groups[2].alpha = std::numbers::pi / 6;
    setPoints(*store, 1, {{0, 2}, {10, 6}});
    setPoints(*store, 2, {{2.5, 1}, {7.5, 1}});
    setPoints(*store, 3, {{0, 0}, {4, 8}, {10, 8}});
    setPoints(*store, 4, {{0, 4}, {10, 4}});
    store->loadCases.loadCaseCount = 1;
    store->loadCases.rows[0].scaleFactor = 1.0;
    return store;
}

// Adds a distributed load (axis, first, last, increment, set Y, factor Y,
// set Z, factor Z) to load case caseNo.
void addLoad(ModelStore& store, int caseNo, int axis, int first, int last, int increment, int setY,
             double factorY, int setZ = 0, double factorZ = 0.0) {
    LoadCase& loadCase = store.loadCases.rows[caseNo - 1];
    const int n = ++loadCase.integer(kCaseDistributedCount);
    DistributedLoad& load = loadCase.distributedLoads[n - 1];
    load.integer(1) = n;
    load.integer(2) = axis;
    load.integer(3) = first;
    load.integer(4) = last;
    load.integer(5) = increment;
    load.integer(6) = setY;
    load.factorY = factorY;
    load.integer(7) = setZ;
    load.factorZ = factorZ;
}

void expectNodes(const std::array<double, kMaxPileNodes>& actual,
                 std::initializer_list<double> expected, const std::string& what) {
    int k = 0;
    for (double v : expected) {
        expectClose(actual[k], v, kTight, what + " node " + std::to_string(k));
        ++k;
    }
    for (; k < kMaxPileNodes; ++k)
        EXPECT_EQ(actual[k], 0.0) << what << " node " << k;
}

TEST(DistributedSet, InterpolationAtAndBetweenPointsAndOutsideTheRange) {
    DistributedSet set;
    set.setPointCount = 3;
    set.points[0] = {0.0, 2.0};
    set.points[1] = {4.0, 10.0};
    set.points[2] = {10.0, 4.0};
    EXPECT_EQ(interpolateDistributedSet(set, 0.0), 2.0);
    EXPECT_EQ(interpolateDistributedSet(set, 4.0), 10.0);
    EXPECT_EQ(interpolateDistributedSet(set, 10.0), 4.0);
    expectClose(interpolateDistributedSet(set, 2.0), 6.0, kTight);
    expectClose(interpolateDistributedSet(set, 7.0), 7.0, kTight);  // 10 + 3 x (4 - 10) / 6
    // Within 1.0E-8 of an end the end's load; beyond that, outside, nothing.
    EXPECT_EQ(interpolateDistributedSet(set, -5.0e-9), 2.0);
    EXPECT_EQ(interpolateDistributedSet(set, 10.0 + 5.0e-9), 4.0);
    EXPECT_EQ(interpolateDistributedSet(set, -1.0e-6), 0.0);
    EXPECT_EQ(interpolateDistributedSet(set, 10.0 + 1.0e-6), 0.0);
    EXPECT_EQ(interpolateDistributedSet(set, 11.0), 0.0);
    // Fewer than two points carry no load.
    set.setPointCount = 1;
    EXPECT_EQ(interpolateDistributedSet(set, 0.0), 0.0);
    set.setPointCount = 0;
    EXPECT_EQ(interpolateDistributedSet(set, 0.0), 0.0);
}

TEST(DistributedLoadRange, LastPileZeroSwappedRangeAndIncrementZero) {
    auto range = [](int first, int last, int increment) {
        DistributedLoad load;
        load.integer(3) = first;
        load.integer(4) = last;
        load.integer(5) = increment;
        const PileRange r = distributedPileRange(load);
        return std::array<long long, 3>{r.first, r.last, r.increment};
    };
    EXPECT_EQ(range(3, 0, 0), (std::array<long long, 3>{3, 3, 1}));  // the first pile alone
    EXPECT_EQ(range(1, 3, 0), (std::array<long long, 3>{1, 3, 2}));  // its two end piles
    EXPECT_EQ(range(3, 1, 0), (std::array<long long, 3>{1, 3, 2}));
    EXPECT_EQ(range(2, 2, 0), (std::array<long long, 3>{2, 2, 1}));
    EXPECT_EQ(range(1, 4, 1), (std::array<long long, 3>{1, 4, 1}));
    EXPECT_EQ(range(4, 1, -1), (std::array<long long, 3>{1, 4, 1}));

    // A swapped range loads the same piles as the range the right way round.
    auto swapped = pileModel(3);
    addLoad(*swapped, 1, 0, 3, 1, 0, 4, 1.0);
    distributedLoads(*swapped, 1, 0);
    auto ordered = pileModel(3);
    addLoad(*ordered, 1, 0, 1, 3, 0, 4, 1.0);
    distributedLoads(*ordered, 1, 0);
    for (int g = 0; g < 4; ++g) {
        const bool loaded = g == 0 || g == 2;
        EXPECT_EQ(swapped->analysis.distributed.loaded[g], loaded ? 1 : 0) << "pile " << g + 1;
        EXPECT_EQ(swapped->analysis.distributed.loadY[g], ordered->analysis.distributed.loadY[g]);
        EXPECT_EQ(swapped->analysis.distributed.loadY[g][0], loaded ? 4.0 : 0.0);
    }

    // Piles outside the arrangement and piles without increments are skipped.
    auto outside = pileModel(3);
    outside->work.groups[1].IPROP = 2;  // property 2 has no increments
    addLoad(*outside, 1, 0, 5, 0, 0, 4, 1.0);
    addLoad(*outside, 1, 0, 2, 0, 0, 4, 1.0);
    distributedLoads(*outside, 1, 0);
    for (int g = 0; g < kMaxPileGroups; ++g)
        ASSERT_EQ(outside->analysis.distributed.loaded[g], 0) << "pile " << g + 1;
}

TEST(DistributedLoads, LocalAxesTakeTheSetsUnchanged) {
    auto store = pileModel(3);
    store->loadCases.rows[0].scaleFactor = 2.0;
    addLoad(*store, 1, 0, 1, 1, 0, 1, 1.5, 2, 1.0);
    store->analysis.capLoad = {1, 2, 3, 4, 5, 6};
    distributedLoads(*store, 1, 0);
    const auto& t = store->analysis.distributed;
    // Set 1 at 0, 2.5, 5, 7.5, 10 is 2, 3, 4, 5, 6; times 1.5 x 2.
    expectNodes(t.loadY[0], {6, 9, 12, 15, 18}, "y");
    // Set 2: nothing at the head and tip, 1 from 2.5 to 7.5; times 1 x 2.
    expectNodes(t.loadZ[0], {0, 2, 2, 2, 0}, "z");
    EXPECT_EQ(t.loaded[0], 1);
    EXPECT_EQ(t.nodeCount[0], 5);
    EXPECT_EQ(t.headAxialLoad[0], 0.0);
    EXPECT_EQ(store->analysis.capLoad, (CapVector{1, 2, 3, 4, 5, 6}));

    // Calling again starts from cleared tables.
    distributedLoads(*store, 1, 0);
    expectNodes(t.loadY[0], {6, 9, 12, 15, 18}, "y again");
}

TEST(DistributedLoads, GlobalAxesOnABatteredPileCollectTheAxialLoadAtTheHead) {
    auto store = pileModel(3);
    store->loadCases.rows[0].integer(kCaseAxialAtHeadOption) = 1;
    addLoad(*store, 1, 1, 2, 0, 0, 3, 1.0);
    store->analysis.capLoad = {};
    distributedLoads(*store, 1, 0);
    const auto& t = store->analysis.distributed;
    // BETA 60 degrees, ALPHA 0: the pile runs along (sqrt3/2, 1/2, 0), its
    // local y along (-1/2, sqrt3/2, 0). A global load w along Y has sqrt3/2 w
    // normal to the pile and w/2 along it. Set 3 at the nodes: 0, 5, 8, 8, 8.
    const double n = kRoot3 / 2;
    expectNodes(t.loadY[1], {0, 5 * n, 8 * n, 8 * n, 8 * n}, "y");
    expectNodes(t.loadZ[1], {}, "z");
    // Trapezoidal rule over the axial parts 0, 2.5, 4, 4, 4 every 2.5:
    // 2.5 x (0/2 + 2.5 + 4 + 4 + 4/2) = 31.25 (the exact integral is 32).
    expectClose(t.headAxialLoad[1], 31.25, kTight);
    // 31.25 along the pile at the head (1, 2, 3): forces (31.25 sqrt3/2,
    // 15.625, 0) and their moments Fz y - Fy z, Fx z - Fz x, Fy x - Fx y.
    const double fx = 31.25 * kRoot3 / 2;
    const CapVector expected = {fx, 15.625, 0.0, -15.625 * 3, fx * 3, 15.625 - fx * 2};
    for (int k = 0; k < kCapComponents; ++k)
        expectClose(store->analysis.capLoad[k], expected[k], kTight, "cap " + std::to_string(k));

    // Without case integer 14 the component along the pile is dropped.
    store->loadCases.rows[0].integer(kCaseAxialAtHeadOption) = 0;
    store->analysis.capLoad = {};
    distributedLoads(*store, 1, 0);
    EXPECT_EQ(t.headAxialLoad[1], 0.0);
    EXPECT_EQ(store->analysis.capLoad, CapVector{});
    expectNodes(t.loadY[1], {0, 5 * n, 8 * n, 8 * n, 8 * n}, "y without collection");
}

TEST(DistributedLoads, GlobalAxesOnAPileTurnedByAlpha) {
    auto store = pileModel(3);
    store->loadCases.rows[0].integer(kCaseAxialAtHeadOption) = 1;
    addLoad(*store, 1, 1, 3, 0, 0, 4, 1.0, 4, 0.5);
    distributedLoads(*store, 1, 0);
    const auto& t = store->analysis.distributed;
    // Vertical pile, ALPHA 30 degrees: local y along (0, cos30, sin30), local
    // z along (0, -sin30, cos30). Loads 4 along Y and 2 along Z give
    // 4 sqrt3/2 + 1 on y and -2 + sqrt3 on z, and nothing along the pile.
    const double y = 2 * kRoot3 + 1;
    const double z = kRoot3 - 2;
    expectNodes(t.loadY[2], {y, y, y, y, y}, "y");
    expectNodes(t.loadZ[2], {z, z, z, z, z}, "z");
    EXPECT_NEAR(t.headAxialLoad[2], 0.0, 1.0e-14);  // cos 90 degrees in floating point
}

TEST(DistributedLoads, TwoDimensionalBatteredRow) {
    auto store = pileModel(2);
    PileGroupWork& row = store->work.groups[0];
    row.batter = std::numbers::pi / 6;  // 30 degrees from the vertical
    row.pileCount = 3.0;
    row.XHEAD = 2.0;   // VERT
    row.headY = -1.0;  // HOR
    store->loadCases.rows[0].integer(kCaseAxialAtHeadOption) = 1;
    addLoad(*store, 1, 1, 1, 0, 0, 4, 1.0, 1, 1.0);
    addLoad(*store, 1, 0, 4, 0, 0, 4, 1.0, 1, 1.0);
    store->analysis.capLoad = {};
    distributedLoads(*store, 1, 0);
    const auto& t = store->analysis.distributed;
    // A horizontal load of 4 on the row battered 30 degrees: 4 cos30 normal
    // to the pile, 4 sin30 = 2 along it, 2 x 10 = 20 collected at the head.
    const double normal = 2 * kRoot3;
    expectNodes(t.loadY[0], {normal, normal, normal, normal, normal}, "y");
    expectClose(t.headAxialLoad[0], 20.0, kTight);
    // The Z set is ignored in two dimensions.
    expectNodes(t.loadZ[0], {}, "z");
    expectNodes(t.loadZ[3], {}, "z local");
    expectNodes(t.loadY[3], {4, 4, 4, 4, 4}, "y local");
    // Three piles of 20 along (cos30, sin30) at VERT 2, HOR -1: forces
    // (30 sqrt3, 30) and moment Fy x - Fx y = 60 + 30 sqrt3.
    const CapVector expected = {30 * kRoot3, 30.0, 0.0, 0.0, 0.0, 60 + 30 * kRoot3};
    for (int k = 0; k < kCapComponents; ++k)
        expectClose(store->analysis.capLoad[k], expected[k], kTight, "cap " + std::to_string(k));
}

TEST(DistributedLoads, CombinationMultipliesEachEntrysCaseAndCountsARepeatedCaseTwice) {
    auto store = pileModel(3);
    store->loadCases.loadCaseCount = 2;
    store->loadCases.rows[0].scaleFactor = 2.0;
    store->loadCases.rows[1].scaleFactor = 1.0;
    addLoad(*store, 1, 0, 4, 0, 0, 4, 1.5);
    addLoad(*store, 2, 0, 1, 0, 0, 4, 1.0);
    store->combinations.combinationCount = 1;
    LoadCombination& combination = store->combinations.rows[0];
    combination.combinedCaseCount = 3;
    combination.cases[0] = {1, 2.0};
    combination.cases[1] = {1, 0.5};
    combination.cases[2] = {2, -1.0};
    distributedLoads(*store, 0, 1);
    const auto& t = store->analysis.distributed;
    // Case 1 twice: 4 x 1.5 x 2 x (2.0 + 0.5) = 30; case 2: 4 x -1 = -4.
    expectNodes(t.loadY[3], {30, 30, 30, 30, 30}, "case 1");
    expectNodes(t.loadY[0], {-4, -4, -4, -4, -4}, "case 2");
}

}  // namespace
}  // namespace pylora
