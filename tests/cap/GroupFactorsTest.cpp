// SPDX-License-Identifier: Apache-2.0
// The group reduction factors: hand-computed pair factors of two piles in
// line, side by side and skewed, their swap when the movement reverses, the
// cut-offs, the mean of a two-dimensional row, rows up to the capacity of
// the work arrays, the combination for the direction of movement, and
// TABLE K.

#include <gtest/gtest.h>

#include <string>

#include "cap/group_factors.h"
#include "tests/cap/cap_test_support.h"

namespace pylora {
namespace {

using captest::addGroup;
using captest::elasticModel;
using captest::linesFrom;
using captest::PileData;

// Pair factors of two piles 3 diameters apart, by hand with the constants
// in single precision: leading 0.70 x 3^0.26, trailing 0.48 x 3^0.38, side
// by side 0.64 x 3^0.34.
constexpr double kLeading3 = 0.9314285684;
constexpr double kTrailing3 = 0.7286975380;
constexpr double kSide3 = 0.9298249439;
// Skewed 2 along and 1 across: s = sqrt 5, theta = atan(1/2),
// sqrt((0.64 s^0.34 sin theta)^2 + (0.70 s^0.26 cos theta)^2) leading,
// with 0.48 s^0.38 trailing.
constexpr double kSkewLeading = 0.8586498125;
constexpr double kSkewTrailing = 0.6938005540;
// Pair factors are compared to the digits of the hand values.
constexpr double kHand = 1.0E-9;

// Two one-pile groups of 1.0-diameter piles at (Y, Z) in the three-dimensional model.
std::unique_ptr<captest::CapModel> twoPiles(double y1, double z1, double y2, double z2) {
    PileData pileData;
    pileData.diameter = 1.0;
    auto m = elasticModel(pileData);
    addGroup(*m->store, 0.0, y1, z1);
    addGroup(*m->store, 0.0, y2, z2);
    return m;
}

TEST(GroupFactors, TwoPilesThreeDiametersApartInLineLeadAndTrailAndSwapWithTheDirection) {
    auto m = twoPiles(0.0, 0.0, 3.0, 0.0);
    ModelStore& s = *m->store;
    const GroupFactors& f = s.groupFactors;
    ASSERT_TRUE(computeGroupFactorsY(s, 1.0));
    EXPECT_NEAR(f.pMultiplier[0], kTrailing3, kHand);  // behind pile 2 in +Y
    EXPECT_NEAR(f.pMultiplier[1], kLeading3, kHand);
    EXPECT_EQ(f.yMultiplier[0], 1.0);
    ASSERT_TRUE(computeGroupFactorsY(s, -1.0));
    EXPECT_NEAR(f.pMultiplier[0], kLeading3, kHand);
    EXPECT_NEAR(f.pMultiplier[1], kTrailing3, kHand);

    // Along Z the same two piles stand side by side, whatever the sign.
    for (const double direction : {1.0, -1.0}) {
        ASSERT_TRUE(computeGroupFactorsZ(s, direction));
        EXPECT_NEAR(f.pMultiplierZ[0], kSide3, kHand);
        EXPECT_NEAR(f.pMultiplierZ[1], kSide3, kHand);
        EXPECT_EQ(f.yMultiplierZ[1], 1.0);
    }
}

TEST(GroupFactors, SkewedPairCombinesSideAndInLineFactorsAndSwapsWithTheDirection) {
    auto m = twoPiles(0.0, 0.0, 2.0, 1.0);
    ModelStore& s = *m->store;
    const GroupFactors& f = s.groupFactors;
    ASSERT_TRUE(computeGroupFactorsY(s, 1.0));
    EXPECT_NEAR(f.pMultiplier[1], kSkewLeading, kHand);
    EXPECT_NEAR(f.pMultiplier[0], kSkewTrailing, kHand);
    EXPECT_NEAR(s.groupFactorWork.pairAngle, std::atan(0.5), 1.0E-15);
    ASSERT_TRUE(computeGroupFactorsY(s, -1.0));
    EXPECT_NEAR(f.pMultiplier[1], kSkewTrailing, kHand);
    EXPECT_NEAR(f.pMultiplier[0], kSkewLeading, kHand);
}

TEST(GroupFactors, DistantPilesAndASinglePileAreNotReduced) {
    for (const auto& [y2, z2] : {std::pair{9.0, 0.0}, std::pair{0.0, 6.0}, std::pair{6.0, 6.0}}) {
        auto m = twoPiles(0.0, 0.0, y2, z2);
        ASSERT_TRUE(computeGroupFactorsY(*m->store, 1.0));
        EXPECT_EQ(m->store->groupFactors.pMultiplier[0], 1.0);
        EXPECT_EQ(m->store->groupFactors.pMultiplier[1], 1.0);
    }
    auto m = elasticModel();
    addGroup(*m->store, 0.0, 5.0, 5.0);
    ASSERT_TRUE(computeGroupFactorsY(*m->store, 1.0));
    EXPECT_EQ(m->store->groupFactors.pMultiplier[0], 1.0);
}

TEST(GroupFactors, TwoDimensionalRowOfFourStandsCentredAcrossThePlane) {
    PileData pileData;
    pileData.diameter = 1.0;
    auto m = elasticModel(pileData);
    ModelStore& s = *m->store;
    s.control.analysisType = 2;
    addGroup(s, 0.0, 0.0, 0.0);
    s.work.groups[0].pileCount = 4.0;
    s.arrangement.rows[0].rowSpacing = 3.0;
    ASSERT_TRUE(computeGroupFactorsY(s, 1.0));
    const GroupFactorWork& w = s.groupFactorWork;
    ASSERT_EQ(w.shadedPileCount, 4);
    EXPECT_EQ(w.acrossCoord[0], 1.5);
    EXPECT_EQ(w.acrossCoord[1], -1.5);
    EXPECT_EQ(w.acrossCoord[2], 4.5);
    EXPECT_EQ(w.acrossCoord[3], -4.5);
    // Side by side at 3, 3 and 6 diameters (inner piles) or 3, 6 and 9
    // (outer piles): the mean of two kSide3^2 and two kSide3.
    EXPECT_NEAR(s.groupFactors.pMultiplier[0], 0.8971996851, kHand);

    // An odd row: 0, +S, -S.
    s.work.groups[0].pileCount = 3.0;
    ASSERT_TRUE(computeGroupFactorsY(s, 1.0));
    EXPECT_EQ(w.acrossCoord[0], 0.0);
    EXPECT_EQ(w.acrossCoord[1], 3.0);
    EXPECT_EQ(w.acrossCoord[2], -3.0);
}

TEST(GroupFactors, TwoDimensionalRowsHoldUpToTheCapacityOfTheWorkArrays) {
    PileData pileData;
    pileData.diameter = 1.0;
    auto m = elasticModel(pileData);
    ModelStore& s = *m->store;
    s.control.analysisType = 2;
    s.control.groupFactorOption = 1;
    addGroup(s, 0.0, 0.0, 0.0);
    s.arrangement.rows[0].rowSpacing = 3.0;
    // A row of n piles 3 diameters apart: the two end piles are reduced by
    // one neighbour side by side (kSide3), the others by two (the next ones
    // stand 6 diameters off, beyond the side reach).
    for (const int n : {25000, kMaxShadedPiles}) {
        s.work.groups[0].pileCount = n;
        ASSERT_TRUE(computeGroupFactorsY(s, 1.0));
        const double mean = ((n - 2) * kSide3 * kSide3 + 2.0 * kSide3) / n;
        EXPECT_NEAR(s.groupFactors.pMultiplier[0], mean, kHand) << n;
    }

    // One pile more: no reduction, and TABLE K says why.
    s.work.groups[0].pileCount = kMaxShadedPiles + 1;
    prepareGroupFactors(s, 1.0, 1.0);
    EXPECT_EQ(s.groupFactors.pMultiplier[0], 1.0);
    EXPECT_EQ(s.groupFactors.yMultiplier[0], 1.0);
    EXPECT_NE(m->reportText().find("REDUCTION FACTORS NOT COMPUTED: MORE THAN 100000 PILES IN THE "
                                   "LAYOUT"),
              std::string::npos);
}

TEST(GroupFactors, CombinationFollowsTheHorizontalDirectionOfTheCap) {
    auto m = twoPiles(0.0, 0.0, 3.0, 0.0);
    ModelStore& s = *m->store;
    s.control.groupFactorOption = 2;
    GroupFactors& f = s.groupFactors;
    f.pMultiplierY[0] = 0.8;
    f.pMultiplierZ[0] = 0.5;
    f.yMultiplierY[0] = 1.0;
    f.yMultiplierZ[0] = 0.6;

    // Neither displacement nor load is horizontal: the Y factors.
    updateGroupFactorsForMovement(s, CapVector{}, CapVector{100.0, 0.0, 0.0, 0.0, 0.0, 0.0});
    EXPECT_EQ(f.pMultiplier[0], 0.8);
    EXPECT_EQ(f.yMultiplier[0], 1.0);
    // A cap at rest moving off under its load: the direction of the load.
    updateGroupFactorsForMovement(s, CapVector{}, CapVector{0.0, 0.0, -5.0, 0.0, 0.0, 0.0});
    EXPECT_EQ(f.pMultiplier[0], 0.5);
    // Displaced (3, 4): sqrt((0.6 x 0.8)^2 + (0.8 x 0.5)^2) = 0.62482.
    updateGroupFactorsForMovement(s, CapVector{0.0, 3.0, -4.0, 0.0, 0.0, 0.0},
                                  CapVector{0.0, 1.0, 0.0, 0.0, 0.0, 0.0});
    EXPECT_NEAR(f.pMultiplier[0], std::sqrt(0.48 * 0.48 + 0.4 * 0.4), 1.0E-15);
    EXPECT_NEAR(f.yMultiplier[0], std::sqrt(0.6 * 0.6 + 0.48 * 0.48), 1.0E-15);

    // Computed factors follow the sign of the displacement: the trailing
    // pile in +Y leads once the cap moves towards -Y.
    s.control.groupFactorOption = 1;
    updateGroupFactorsForMovement(s, CapVector{0.0, -1.0, 0.0, 0.0, 0.0, 0.0}, CapVector{});
    EXPECT_NEAR(f.pMultiplier[0], kLeading3, kHand);
    EXPECT_NEAR(f.pMultiplierY[1], kTrailing3, kHand);
}

TEST(GroupFactors, ACapSolutionComputesEachSignOnceAndForgetsThemAtItsEnd) {
    auto m = twoPiles(0.0, 0.0, 3.0, 0.0);
    ModelStore& s = *m->store;
    s.control.groupFactorOption = 1;
    const GroupFactors& f = s.groupFactors;
    const CapVector towardsPlusY{0.0, 1.0, 0.0, 0.0, 0.0, 0.0};
    const CapVector towardsMinusYAndZ{0.0, -1.0, -1.0, 0.0, 0.0, 0.0};

    beginGroupFactorMovements(s);
    // Moving back and forth: the pile behind trails, whichever sign was met
    // before; side by side across Z the factor is the same for both signs.
    for (int pass = 0; pass < 2; ++pass) {
        updateGroupFactorsForMovement(s, towardsPlusY, CapVector{});
        EXPECT_NEAR(f.pMultiplierY[0], kTrailing3, kHand);
        EXPECT_NEAR(f.pMultiplierY[1], kLeading3, kHand);
        EXPECT_NEAR(f.pMultiplierZ[0], kSide3, kHand);
        updateGroupFactorsForMovement(s, towardsMinusYAndZ, CapVector{});
        EXPECT_NEAR(f.pMultiplierY[0], kLeading3, kHand);
        EXPECT_NEAR(f.pMultiplierY[1], kTrailing3, kHand);
        EXPECT_NEAR(f.pMultiplierZ[1], kSide3, kHand);
    }
    // Kept while the solution runs: a layout changed behind its back (which
    // a cap solution never does) does not show.
    s.work.groups[1].headY = 100.0;
    updateGroupFactorsForMovement(s, towardsPlusY, CapVector{});
    EXPECT_NEAR(f.pMultiplierY[0], kTrailing3, kHand);
    endGroupFactorMovements(s);
    // After it the factors are computed again: the piles are out of reach.
    updateGroupFactorsForMovement(s, towardsPlusY, CapVector{});
    EXPECT_EQ(f.pMultiplierY[0], 1.0);
    EXPECT_EQ(f.pMultiplierZ[0], 1.0);
}

TEST(GroupFactors, TableKShowsTheReferenceDiameterAndBothDirections) {
    auto m = twoPiles(0.0, 0.0, 3.0, 0.0);
    ModelStore& s = *m->store;
    // The reference diameter is that of the first section of the property of
    // pile group 1, not of pile group 2.
    s.work.properties[1] = s.work.properties[0];
    s.work.properties[0].sections[0].DIAM = 1.0;
    s.work.properties[1].sections[0].DIAM = 2.0;
    s.work.groups[1].IPROP = 2;
    s.control.groupFactorOption = 1;
    prepareGroupFactors(s, 1.0, -1.0);
    const std::string report = m->reportText();

    const auto k = linesFrom(report, "* TABLE K *", 12);
    ASSERT_GE(k.size(), 12U);
    EXPECT_EQ(k[0], "     * TABLE K *   REDUCTION FACTORS        ");
    EXPECT_EQ(k[2], "       PILE DIAMETER =      1.000  IN");
    EXPECT_EQ(k[4], "       REDUCTION FACTORS FOR CLOSELY-SPACED PILE GROUPS ALONG Y-DIRECTION");
    EXPECT_EQ(k[5], "       ESTIMATED ASSUMING MOVEMENT IN THE DIRECTION OF Y-FORCE (+)");
    EXPECT_EQ(k[6], std::string(40, ' '));
    EXPECT_EQ(k[7], "            GROUP NO     P-FACTOR     Y-FACTOR        ");
    EXPECT_EQ(k[9], "                1           0.7287       1.0000 ");
    EXPECT_EQ(k[10], "                2           0.9314       1.0000 ");
    EXPECT_NE(report.find("ALONG Z-DIRECTION\n       ESTIMATED ASSUMING MOVEMENT IN THE "
                          "DIRECTION OF Z-FORCE (-)"),
              std::string::npos);
    // The Y factors computed are the Y factors of the cap iteration.
    EXPECT_NEAR(s.groupFactors.pMultiplierY[0], kTrailing3, kHand);

    // Given factors: no diameter line and the heading without the direction.
    auto given = twoPiles(0.0, 0.0, 3.0, 0.0);
    given->store->control.groupFactorOption = 2;
    prepareGroupFactors(*given->store, 1.0, 1.0);
    const std::string text = given->reportText();
    EXPECT_EQ(text.find("PILE DIAMETER"), std::string::npos);
    EXPECT_EQ(text.find("ESTIMATED ASSUMING"), std::string::npos);
    EXPECT_NE(text.find("PILE GROUPS ALONG Z-DIRECTION"), std::string::npos);
}

TEST(GroupFactors, ALayoutWithoutAReferenceDiameterIsNotReducedAndSaysSo) {
    auto m = twoPiles(0.0, 0.0, 3.0, 0.0);
    ModelStore& s = *m->store;
    s.work.properties[0].sections[0].DIAM = 0.0;
    s.control.groupFactorOption = 1;
    prepareGroupFactors(s, 1.0, 1.0);
    EXPECT_EQ(s.groupFactors.pMultiplier[0], 1.0);
    EXPECT_EQ(s.groupFactors.pMultiplierZ[1], 1.0);
    EXPECT_NE(m->reportText().find("REDUCTION FACTORS NOT COMPUTED"), std::string::npos);
}

}  // namespace
}  // namespace pylora
