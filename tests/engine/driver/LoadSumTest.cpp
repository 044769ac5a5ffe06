// SPDX-License-Identifier: Apache-2.0
// The equivalent load at the cap origin: concentrated loads with their moment
// arms in three and two dimensions, and combinations.

#include <gtest/gtest.h>

#include <initializer_list>

#include "engine/analysis_driver.h"
#include "engine/load_assembly.h"
#include "store/model_store.h"
#include "tests/engine/driver/DriverTestSupport.h"

namespace pylora {
namespace {

using test::expectClose;

void setLoad(LoadCase& loadCase, int n, std::initializer_list<double> values) {
    int k = 1;
    for (double v : values)
        loadCase.concentratedLoads[n - 1].value(k++) = v;
}

// Two cases. Case 1: c1..c6 = 100, 10, 5, 20, 7, 3 at (1, 2, 3) and -50, 0,
// 0, -5, 0, 0 at (0, -1, 4), scale factor 2. Case 2: one vertical load 30 at
// (0, 0, 0) with a moment about X of 4, scale factor 1.
void twoCases(ModelStore& store, int analysisType) {
    store.control.analysisType = analysisType;
    store.loadCases.loadCaseCount = 2;
    LoadCase& first = store.loadCases.rows[0];
    first.scaleFactor = 2.0;
    first.integer(kCaseConcentratedCount) = 2;
    setLoad(first, 1, {100, 10, 5, 20, 7, 3, 1, 2, 3});
    setLoad(first, 2, {-50, 0, 0, -5, 0, 0, 0, -1, 4});
    LoadCase& second = store.loadCases.rows[1];
    second.scaleFactor = 1.0;
    second.integer(kCaseConcentratedCount) = 1;
    setLoad(second, 1, {30, 0, 0, 0, 0, 4, 0, 0, 0});
}

void expectLoad(const CapVector& actual, const CapVector& expected) {
    for (int k = 0; k < kCapComponents; ++k)
        expectClose(actual[k], expected[k], 1.0e-14, "component " + std::to_string(k + 1));
}

TEST(CapLoadSum, ThreeDimensionalLoadsOffTheOrigin) {
    auto store = makeModelStore();
    twoCases(*store, 3);
    CapVector load{};
    caseLoad(*store, 1, load);
    // By hand, before the scale factor of 2:
    //   force X 100 - 50 = 50, force Y 10, force Z 20 - 5 = 15,
    //   moment X (3 + 20*2 - 10*3) + (0 + -5*-1 - 0) = 18,
    //   moment Y (7 + 100*3 - 20*1) + (0 + -50*4 - 0) = 87,
    //   moment Z (5 + 10*1 - 100*2) + (0 + 0 - -50*-1) = -235.
    expectLoad(load, {100, 20, 30, 36, 174, -470});
    // An analysis type other than 2 is three-dimensional.
    store->control.analysisType = 0;
    caseLoad(*store, 1, load);
    expectLoad(load, {100, 20, 30, 36, 174, -470});
}

TEST(CapLoadSum, TwoDimensionalModelIgnoresComponentsFourToSixAndNine) {
    auto store = makeModelStore();
    twoCases(*store, 2);
    CapVector load{};
    caseLoad(*store, 1, load);
    // Force X, force Y and moment Z as in three dimensions; c4, c5, c6 and
    // the z coordinate c9 leave no trace.
    expectLoad(load, {100, 20, 0, 0, 0, -470});
    caseLoad(*store, 2, load);
    expectLoad(load, {30, 0, 0, 0, 0, 0});
}

TEST(CapLoadSum, CombinationSumsFactoredCasesAndCountsARepeatedCaseTwice) {
    auto store = makeModelStore();
    twoCases(*store, 3);
    store->combinations.combinationCount = 2;
    LoadCombination& combination = store->combinations.rows[0];
    combination.combinedCaseCount = 3;
    combination.cases[0] = {1, 1.5};
    combination.cases[1] = {2, -1.0};
    combination.cases[2] = {1, 0.5};
    CapVector load{};
    combinationLoad(*store, 1, load);
    // 2.0 x case 1 - case 2 (case 2: force X 30, moment X 4).
    expectLoad(load, {170, 40, 60, 68, 348, -940});

    // An entry naming no case adds nothing; an unknown combination is zero.
    combination.cases[2] = {7, 0.5};
    combinationLoad(*store, 1, load);
    expectLoad(load, {120, 30, 45, 50, 261, -705});
    combinationLoad(*store, 3, load);
    expectLoad(load, {0, 0, 0, 0, 0, 0});
    combinationLoad(*store, 2, load);  // no entries
    expectLoad(load, {0, 0, 0, 0, 0, 0});
}

TEST(CapLoadSum, DegreesOfFreedomOfTheModels) {
    auto store = makeModelStore();
    store->control.analysisType = 2;
    EXPECT_EQ(dofCount(*store), 3);
    store->control.analysisType = 3;
    EXPECT_EQ(dofCount(*store), 6);
    // Two-dimensional DOFs 1..3 are force X, force Y and moment Z.
    EXPECT_EQ(capComponentOfDof(3, 1), kForceX);
    EXPECT_EQ(capComponentOfDof(3, 2), kForceY);
    EXPECT_EQ(capComponentOfDof(3, 3), kMomentZ);
    for (int d = 1; d <= 6; ++d)
        EXPECT_EQ(capComponentOfDof(6, d), d - 1);
}

}  // namespace
}  // namespace pylora
