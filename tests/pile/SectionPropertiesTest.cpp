// SPDX-License-Identifier: Apache-2.0
// Section properties along a pile, the moment-curvature rigidity and the
// distributed loads at the nodes. Expected values are hand calculations from
// the tabulated points.

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "pile/beam_column.h"
#include "pile/section_properties.h"
#include "soil/soil_profile.h"
#include "tests/pile/pile_test_support.h"

namespace pylora {
namespace {

using piletest::expectClose;
using piletest::linearSoilPile;
using piletest::PileSetup;

// Two sections below a head at X = 100: EI 10 (x-y) and 11 (x-z) down to 5
// below the head, then EI 20 and 22 to the end of the pile (length 20).
std::unique_ptr<ModelStore> twoSectionPile() {
    PileSetup setup;
    setup.XHEAD = 100.0;
    auto store = linearSoilPile(4.0, setup);
    PropertyWork& property = store->work.properties[0];
    property.NSECT = 2;
    property.sections[0].XSECT = 5.0;
    property.sections[0].EIz = 10.0;
    property.sections[0].EIy = 11.0;
    property.sections[0].mcSetZ = 1;
    property.sections[0].mcSetY = 2;
    property.sections[1] = property.sections[0];
    property.sections[1].XSECT = 9.0;  // overwritten by 1.2 x 20 at every lookup
    property.sections[1].EIz = 20.0;
    property.sections[1].EIy = 22.0;
    property.sections[1].mcSetZ = 0;
    store->pileScratch.py.currentPileGroup = 1;
    return store;
}

TEST(SectionProperties, EachNodeTakesTheSectionThatContainsIt) {
    auto store = twoSectionPile();
    ModelStore& s = *store;
    EXPECT_EQ(sectionProperty(s, s.pileScratch, 1, 104.999, BendingPlane::xy), 10.0);
    // A node exactly at a section end belongs to the section below.
    EXPECT_EQ(sectionProperty(s, s.pileScratch, 1, 105.0, BendingPlane::xy), 20.0);
    EXPECT_EQ(sectionProperty(s, s.pileScratch, 1, 105.0, BendingPlane::xz), 22.0);
    EXPECT_EQ(sectionProperty(s, s.pileScratch, 1, 105.0, BendingPlane::singlePlane), 20.0);
    // The last section reaches 1.2 x LENGTH below the head, and beyond every
    // end the last section's rigidity holds.
    EXPECT_EQ(sectionProperty(s, s.pileScratch, 1, 100.0 + 23.9, BendingPlane::xy), 20.0);
    EXPECT_EQ(sectionEnd(s.work.properties[0], 2), f32(1.2F) * 20.0);
    EXPECT_EQ(sectionProperty(s, s.pileScratch, 1, 100.0 + 40.0, BendingPlane::xy), 20.0);
    EXPECT_EQ(sectionProperty(s, s.pileScratch, 7, 101.0, BendingPlane::xy),
              0.0);  // a property without sections
    // The sets of the planes: about z for x-y, about y for x-z and the
    // single plane.
    EXPECT_EQ(momentCurvatureSetAt(s, s.pileScratch, 1, 101.0, BendingPlane::xy), 1);
    EXPECT_EQ(momentCurvatureSetAt(s, s.pileScratch, 1, 101.0, BendingPlane::xz), 2);
    EXPECT_EQ(momentCurvatureSetAt(s, s.pileScratch, 1, 101.0, BendingPlane::singlePlane), 2);
    EXPECT_EQ(momentCurvatureSetAt(s, s.pileScratch, 1, 106.0, BendingPlane::xy), 0);
}

// One curve: (0, 0), (100, 0.001), (150, 0.003), (160, 0.01).
McCurve curveOf(double axialLoad, double scale) {
    McCurve c;
    c.axialLoad = axialLoad;
    c.mcPointCount = 4;
    c.points[0] = {0.0, 0.0};
    c.points[1] = {100.0 * scale, 0.001};
    c.points[2] = {150.0 * scale, 0.003};
    c.points[3] = {160.0 * scale, 0.01};
    return c;
}

TEST(MomentCurvatureRigidity, SecantOfTheCurveAtTheCurvature) {
    McSet set;
    set.mcCurveCount = 1;
    set.curves[0] = curveOf(0.0, 1.0);
    double EI = 0.0;
    ASSERT_TRUE(momentCurvatureRigidity(set, 0.0, 0.0, EI));
    EXPECT_EQ(EI, 100.0 / 0.001);  // the initial secant, never 0 / 0
    ASSERT_TRUE(momentCurvatureRigidity(set, 0.002, 0.0, EI));
    expectClose(EI, 125.0 / 0.002, 1.0E-14);  // M interpolated halfway to 150
    ASSERT_TRUE(momentCurvatureRigidity(set, 0.01, 0.0, EI));
    expectClose(EI, 160.0 / 0.01, 1.0E-14);
    // Beyond the last point the moment stays at 160: EI falls as 1 / phi.
    for (const double phi : {0.02, 0.04, 0.5}) {
        ASSERT_TRUE(momentCurvatureRigidity(set, phi, 0.0, EI));
        expectClose(EI * phi, 160.0, 1.0E-14);
    }
}

TEST(MomentCurvatureRigidity, AxialLoadBlendsTheNeighbouringCurves) {
    McSet set;
    set.mcCurveCount = 2;
    set.curves[0] = curveOf(0.0, 1.0);
    set.curves[1] = curveOf(100.0, 2.0);
    double EI = 0.0;
    ASSERT_TRUE(momentCurvatureRigidity(set, 0.0, 25.0, EI));
    expectClose(EI, 1.25E5, 1.0E-14);  // a quarter of the way from 1e5 to 2e5
    ASSERT_TRUE(momentCurvatureRigidity(set, 0.0, -10.0, EI));
    EXPECT_EQ(EI, 1.0E5);  // below the smallest load: the first curve
    ASSERT_TRUE(momentCurvatureRigidity(set, 0.0, 300.0, EI));
    EXPECT_EQ(EI, 2.0E5);  // above the largest: the last curve
    ASSERT_TRUE(momentCurvatureRigidity(set, 0.02, 50.0, EI));
    expectClose(EI * 0.02, 240.0, 1.0E-14);  // half-way between 160 and 320
}

TEST(MomentCurvatureRigidity, UnusableSetsLeaveTheRigidityAlone) {
    McSet set;
    double EI = 7.0;
    EXPECT_FALSE(momentCurvatureRigidity(set, 0.001, 0.0, EI));  // no curves
    set.mcCurveCount = 1;
    set.curves[0].mcPointCount = 1;
    EXPECT_FALSE(momentCurvatureRigidity(set, 0.001, 0.0, EI));  // one point
    set.curves[0] = curveOf(0.0, 1.0);
    set.curves[0].points[1].curvature = 0.0;  // no initial secant
    EXPECT_FALSE(momentCurvatureRigidity(set, 0.0, 0.0, EI));
    set.curves[0] = curveOf(0.0, -1.0);  // moments of the wrong sign
    EXPECT_FALSE(momentCurvatureRigidity(set, 0.002, 0.0, EI));
    EXPECT_EQ(EI, 7.0);
}

TEST(MomentCurvatureRigidity, UpdateReplacesOnlyNodesWithASet) {
    auto store = twoSectionPile();
    ModelStore& s = *store;
    s.mcSets.mcSetCount = 2;
    s.mcSets.rows[0].mcCurveCount = 1;
    s.mcSets.rows[0].curves[0] = curveOf(0.0, 1.0);
    PileWork& work = s.pileScratch.work;
    work.N = 20;
    work.h = 1.0;
    PlaneWork& plane = work.planes[0];
    plane.R.fill(-1.0);
    // y = 0.001 k^2: curvature 0.002 everywhere.
    for (int k = -1; k <= 21; ++k)
        nodeAt(plane.y, k) = 0.001 * k * k;
    updateFlexuralRigidity(s, s.pileScratch, 1, 0, BendingPlane::xy, 0.0);
    for (int k = 0; k <= 4; ++k) {
        expectClose(nodeAt(plane.curvature, k), 0.002, 1.0E-12);
        expectClose(nodeAt(plane.R, k), 125.0 / 0.002, 1.0E-9);  // set 1 of the first section
    }
    for (int k = 5; k <= 20; ++k)
        EXPECT_EQ(nodeAt(plane.R, k), 20.0);  // no set: the linear EI
    EXPECT_EQ(nodeAt(plane.R, -1), -1.0);     // the fictitious nodes are left alone
    EXPECT_EQ(nodeAt(plane.R, 21), -1.0);
    // Set 2 of the x-z plane has no curves: linear EI there too.
    updateFlexuralRigidity(s, s.pileScratch, 1, 1, BendingPlane::xz, 0.0);
    EXPECT_EQ(nodeAt(work.planes[1].R, 0), 11.0);
}

std::vector<double> loadsAt(const std::vector<double>& zw, const std::vector<double>& w,
                            const std::vector<double>& z) {
    std::vector<double> out(z.size(), -1.0);
    interpolateLoadAtNodes(zw, w, z, out);
    return out;
}

TEST(DistributedLoad, InterpolatesBetweenPointsAndAveragesCoincidentOnes) {
    // Linear inside, nothing outside the table.
    EXPECT_EQ(loadsAt({0.0, 10.0}, {0.0, 20.0}, {-1.0, 0.0, 2.5, 10.0, 10.5}),
              (std::vector<double>{0.0, 0.0, 5.0, 20.0, 0.0}));
    // A step at 5: the node at the step takes the mean of the two loads.
    EXPECT_EQ(
        loadsAt({0.0, 5.0, 5.0, 10.0}, {0.0, 10.0, 20.0, 20.0}, {0.0, 2.5, 5.0, 7.5, 10.0, 12.0}),
        (std::vector<double>{0.0, 5.0, 15.0, 20.0, 20.0, 0.0}));
    // The same with the pair first in the table, and closer than 1.0E-5.
    EXPECT_EQ(loadsAt({0.0, 0.000001, 4.0}, {2.0, 4.0, 4.0}, {0.0, 2.0}),
              (std::vector<double>{3.0, 4.0}));
    // A table of one point carries nothing.
    EXPECT_EQ(loadsAt({3.0}, {9.0}, {3.0}), (std::vector<double>{0.0}));
}

TEST(DistributedLoad, TablesOfTheAnalysisReachTheNodesUnchanged) {
    PileSetup setup;
    setup.increments = 40;
    auto store = linearSoilPile(4.0, setup);
    auto& tables = store->analysis.distributed;
    NodalArray w{};
    w.fill(-1.0);
    distributedLoadAtNodes(*store, 1, LoadDirection::y, w);
    for (int k = -3; k <= 43; ++k)
        EXPECT_EQ(nodeAt(w, k), 0.0);  // a pile without distributed load

    tables.loaded[0] = 1;
    tables.nodeCount[0] = 41;
    for (int k = 0; k <= 40; ++k) {
        tables.loadY[0][static_cast<std::size_t>(k)] = 1.0 + 0.1 * k * k;
        tables.loadZ[0][static_cast<std::size_t>(k)] = -2.0 * k;
    }
    distributedLoadAtNodes(*store, 1, LoadDirection::y, w);
    NodalArray wz{};
    distributedLoadAtNodes(*store, 1, LoadDirection::z, wz);
    for (int k = 0; k <= 40; ++k) {
        // Read back at the table's own positions: the points themselves, to
        // the last bit of the interpolation's arithmetic.
        EXPECT_NEAR(nodeAt(w, k), 1.0 + 0.1 * k * k, 1.0E-12);
        EXPECT_NEAR(nodeAt(wz, k), -2.0 * k, 1.0E-12);
    }
    EXPECT_EQ(nodeAt(w, 41), 0.0);
}

}  // namespace
}  // namespace pylora
