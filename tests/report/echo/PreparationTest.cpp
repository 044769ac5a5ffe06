// SPDX-License-Identifier: Apache-2.0
// The preparation work of the input echo step against hand calculations: the
// equivalent load at the cap origin, the default stiffness levels, the
// working cap width, and the per-pile and per-section working tables.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "engine/load_assembly.h"
#include "engine/prepare_run.h"
#include "store/model_store.h"
#include "tests/support/temp_dir.h"

namespace pylora {
namespace {

using testsupport::readLines;
using testsupport::TempDir;

void expectRelativelyClose(double actual, double expected, double tolerance) {
    EXPECT_LE(std::fabs(actual - expected), tolerance * std::fabs(expected))
        << "actual " << actual << ", expected " << expected;
}

ConcentratedLoad load(std::initializer_list<double> values) {
    ConcentratedLoad c;
    int n = 1;
    for (double v : values)
        c.value(n++) = v;
    return c;
}

// Two loads off the origin and a scale factor of 1.5. By hand, with
// (c1 .. c9) = (100, 20, 5, -10, 7, 3, 2, 4, -1) and (-40, 0, 0, 8, 0, 0, -3, 1, 5):
//   force X = 100 - 40 = 60, force Y = 20, force Z = -10 + 8 = -2;
//   moment X = (3 - 10*4 - 20*(-1)) + (8*1) = -17 + 8 = -9;
//   moment Y = (7 + 100*(-1) + 10*2) + (-40*5 - 8*(-3)) = -73 - 176 = -249;
//   moment Z = (5 + 20*2 - 100*4) + (40*1) = -355 + 40 = -315;
// each times 1.5. The two-dimensional model keeps force X, force Y and
// moment Z and ignores c4, c5, c6 and c9.
std::unique_ptr<ModelStore> twoLoadModel(int analysisType) {
    auto store = makeModelStore();
    store->control.analysisType = analysisType;
    store->loadCases.loadCaseCount = 1;
    LoadCase& c = store->loadCases.rows[0];
    c.scaleFactor = 1.5;
    c.integer(kCaseConcentratedCount) = 2;
    c.concentratedLoads[0] = load({100.0, 20.0, 5.0, -10.0, 7.0, 3.0, 2.0, 4.0, -1.0});
    c.concentratedLoads[1] = load({-40.0, 0.0, 0.0, 8.0, 0.0, 0.0, -3.0, 1.0, 5.0});
    return store;
}

TEST(CaseLoad, TwoLoadsWithMomentArmsInBothAnalysisTypes) {
    CapVector load{};
    auto threeD = twoLoadModel(3);
    caseLoad(*threeD, 1, load);
    EXPECT_DOUBLE_EQ(load[kForceX], 90.0);
    EXPECT_DOUBLE_EQ(load[kForceY], 30.0);
    EXPECT_DOUBLE_EQ(load[kForceZ], -3.0);
    EXPECT_DOUBLE_EQ(load[kMomentX], -13.5);
    EXPECT_DOUBLE_EQ(load[kMomentY], -373.5);
    EXPECT_DOUBLE_EQ(load[kMomentZ], -472.5);

    auto twoD = twoLoadModel(2);
    caseLoad(*twoD, 1, load);
    EXPECT_DOUBLE_EQ(load[kForceX], 90.0);
    EXPECT_DOUBLE_EQ(load[kForceY], 30.0);
    EXPECT_EQ(load[kForceZ], 0.0);
    EXPECT_EQ(load[kMomentX], 0.0);
    EXPECT_EQ(load[kMomentY], 0.0);
    EXPECT_DOUBLE_EQ(load[kMomentZ], -472.5);

    // A case number outside the load cases gives no load.
    load.fill(7.0);
    caseLoad(*threeD, 2, load);
    for (double component : load)
        EXPECT_EQ(component, 0.0);
}

TEST(StiffnessLevels, DefaultsOnlyForACaseAskingWithoutLevels) {
    LoadCase asking;
    asking.integer(kCaseStiffnessOption) = 1;
    EXPECT_TRUE(applyDefaultStiffnessLevels(asking));
    ASSERT_EQ(asking.stiffnessLevelCount(), 10);
    // The first level is the single-precision 0.1 widened to double.
    EXPECT_EQ(asking.stiffnessLevels[0], 0.10000000149011612);
    // The levels listed to five decimals for log10(2) .. log10(10).
    const double listed[] = {0.30103, 0.47712, 0.60206, 0.69897, 0.77815,
                             0.84510, 0.90309, 0.95424, 1.0};
    for (int n = 2; n <= 10; ++n)
        EXPECT_NEAR(asking.stiffnessLevels[n - 1], listed[n - 2], 5.0e-6) << "level " << n;

    LoadCase givenLevels;
    givenLevels.integer(kCaseStiffnessOption) = 2;
    givenLevels.integer(kCaseStiffnessCount) = 1;
    givenLevels.stiffnessLevels[0] = 0.5;
    EXPECT_FALSE(applyDefaultStiffnessLevels(givenLevels));
    EXPECT_EQ(givenLevels.stiffnessLevelCount(), 1);
    EXPECT_EQ(givenLevels.stiffnessLevels[0], 0.5);

    LoadCase notAsking;
    EXPECT_FALSE(applyDefaultStiffnessLevels(notAsking));
    EXPECT_EQ(notAsking.stiffnessLevelCount(), 0);
    EXPECT_EQ(notAsking.stiffnessLevels[0], 0.0);
}

// A cap of 4.8 x 3.0 x 1.2 m, not embedded: TABLE B is printed.
std::vector<std::string> echoCap(ModelStore& store, int analysisType, const TempDir& dir) {
    store.control.analysisType = analysisType;
    store.control.unitsSystem = 2;
    store.units.systemName.assign("METR");
    store.units.length2.assign(" M");
    store.units.length3.assign("  M");
    store.units.force3.assign(" KN");
    store.units.force4.assign("  KN");
    store.cap.capLengthY = 4.8;
    store.cap.capWidthZ = 3.0;
    store.cap.capThicknessX = 1.2;
    store.files.report = openForWriting((dir / "cap.out").string());
    store.files.runtime = openForWriting((dir / "cap.rtm").string());
    int stopCode = 0;
    inputEchoAndPrepare(store, stopCode);
    EXPECT_EQ(stopCode, 0);
    closeFile(store.files.report);
    closeFile(store.files.runtime);
    EXPECT_EQ(readLines(dir / "cap.rtm").back(), " ANALYSIS COMPLETED");
    return readLines(dir / "cap.out");
}

bool contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(CapWidth, ThreeDimensionalAnalysisUsesThePlanDiagonalWhileTableBShowsTheWidthAsRead) {
    const std::string widthAsRead = "     WIDTH, ZZ    (  M ) =    3.000    ";
    {
        TempDir dir;
        auto store = makeModelStore();
        const std::vector<std::string> report = echoCap(*store, 3, dir);
        EXPECT_TRUE(contains(report, widthAsRead));
        // sqrt(4.8^2 + 3.0^2) = sqrt(32.04)
        EXPECT_NEAR(store->cap.capWidthZ, 5.660388679233963, 1.0e-14);
        EXPECT_EQ(store->cap.capLengthY, 4.8);
        EXPECT_EQ(store->cap.capThicknessX, 1.2);
    }
    {
        TempDir dir;
        auto store = makeModelStore();
        const std::vector<std::string> report = echoCap(*store, 2, dir);
        EXPECT_TRUE(contains(report, widthAsRead));
        EXPECT_EQ(store->cap.capWidthZ, 3.0);
    }
}

// What the analysis saw when the preparation handed over to it.
struct Handover {
    int calls = 0;
    int curveSwitch = 99;
    int KPYOP = 99;
};
Handover seen;

void recordHandover(ModelStore& store, int curveSwitch, int& stopCode) {
    seen.calls += 1;
    seen.curveSwitch = curveSwitch;
    seen.KPYOP = store.control.KPYOP;
    stopCode = 13;  // the analysis stops the run
}

TEST(Handover, AnalysisRunsWithKpyopZeroAndTheRunEndsWithAnalysisCompleted) {
    for (int KPYOP : {1, -1, 0}) {
        seen = Handover{};
        TempDir dir;
        auto store = makeModelStore();
        store->control.analysisType = 3;
        store->control.KPYOP = KPYOP;
        store->files.report = openForWriting((dir / "run.out").string());
        store->files.runtime = openForWriting((dir / "run.rtm").string());
        int stopCode = 0;
        inputEchoAndPrepare(*store, stopCode, recordHandover);
        closeFile(store->files.report);
        closeFile(store->files.runtime);

        EXPECT_EQ(seen.calls, 1);
        EXPECT_EQ(seen.curveSwitch, KPYOP) << "KPYOP " << KPYOP;
        EXPECT_EQ(seen.KPYOP, 0) << "KPYOP " << KPYOP;
        EXPECT_EQ(stopCode, 13);  // passed back unchanged
        // Written once, after the analysis, also when it stopped the run.
        EXPECT_EQ(readLines(dir / "run.rtm"), std::vector<std::string>{" ANALYSIS COMPLETED"});
    }
}

CrossSection crossSection(double diameter, double Iz, double Iy) {
    CrossSection cs;
    cs.dimension(kDimDiameter) = diameter;
    cs.property(kPropArea) = 1017.9;
    cs.property(kPropIz) = Iz;
    cs.property(kPropIy) = Iy;
    cs.property(kPropGJ) = 4.6E7;
    cs.property(kPropMn) = 1.2E7;
    cs.property(kPropVn) = 3.0E5;
    return cs;
}

TEST(SectionTable, MomentsOfInertiaBelowTheThresholdBecomeTheSolidCircleValue) {
    auto store = makeModelStore();
    store->crossSections.crossSectionCount = 2;
    store->crossSections.rows[0] = crossSection(36.0, 0.0, 5.0e-11);
    store->crossSections.rows[1] = crossSection(24.0, 8200.0, 2.0e-10);
    store->pileProperties.pilePropertyCount = 1;
    PileProperty& p = store->pileProperties.rows[0];
    p.sectionCount = 3;
    p.length = 480.0;
    p.increments = 40;
    p.elasticModulus = 4.0e6;
    p.pileType = kDrilledShaft;
    p.sections[0] = {120.0, 0.0, 1, 1, 2};
    p.sections[1] = {400.0, 0.0, 2, 0, 0};
    p.sections[2] = {480.0, 0.0, 7, 0, 0};  // names no cross section
    prepareSectionTables(*store);

    const PropertyWork& w = store->work.properties[0];
    EXPECT_EQ(w.NSECT, 3);
    EXPECT_EQ(w.LENGTH, 480.0);
    EXPECT_EQ(w.increments, 40);
    EXPECT_EQ(w.pileType, kDrilledShaft);

    // 0.0491 x 36^4 = 0.0491 x 1679616 = 82469.1456; the constant enters in
    // single precision, a relative difference of about 1e-8.
    const SectionWork& s1 = w.sections[0];
    EXPECT_EQ(s1.XSECT, 120.0);
    EXPECT_EQ(s1.DIAM, 36.0);
    expectRelativelyClose(s1.Iz, 82469.1456, 1.0e-7);
    expectRelativelyClose(s1.Iy, 82469.1456, 1.0e-7);
    expectRelativelyClose(s1.EIz, 3.298765824e11, 1.0e-7);
    expectRelativelyClose(s1.EIy, 3.298765824e11, 1.0e-7);
    EXPECT_EQ(s1.AREA, 1017.9);
    EXPECT_EQ(s1.GJ, 4.6E7);
    EXPECT_EQ(s1.Mn, 1.2E7);
    EXPECT_EQ(s1.Vn, 3.0E5);
    EXPECT_EQ(s1.mcSetY, 1);
    EXPECT_EQ(s1.mcSetZ, 2);

    // Given moments of inertia stay, the smallest one just above 1.0E-10.
    const SectionWork& s2 = w.sections[1];
    EXPECT_EQ(s2.Iz, 8200.0);
    EXPECT_EQ(s2.Iy, 2.0e-10);
    EXPECT_DOUBLE_EQ(s2.EIz, 3.28e10);
    EXPECT_DOUBLE_EQ(s2.EIy, 8.0e-4);

    const SectionWork& s3 = w.sections[2];
    EXPECT_EQ(s3.XSECT, 480.0);
    EXPECT_EQ(s3.DIAM, 0.0);
    EXPECT_EQ(s3.EIz, 0.0);
}

TEST(ArrangementTable, HeadsAndAnglesInRadiansWithPiAs3_14159) {
    auto twoD = makeModelStore();
    twoD->control.analysisType = 2;
    twoD->arrangement.pileGroupCount = 1;
    PileGroup& row = twoD->arrangement.rows[0];
    row.connectionY = kConnectionRestrained;
    row.pilesInGroup = 4.0;
    row.pilePropertyNo = 1;
    row.lsCurveNo = -1;
    row.springY = 1.5e4;
    row.headX = 0.5;
    row.headY = -60.0;
    row.batterAngle = 14.04;
    row.ground = -2.0;
    prepareArrangement(*twoD);
    const PileGroupWork& r = twoD->work.groups[0];
    EXPECT_EQ(r.IPROP, 1);
    EXPECT_EQ(r.connectionY, kConnectionRestrained);
    EXPECT_EQ(r.lsCurveNo, -1);
    EXPECT_EQ(r.pileCount, 4.0);
    EXPECT_EQ(r.springY, 1.5e4);
    EXPECT_EQ(r.XHEAD, 0.5);
    EXPECT_EQ(r.headY, -60.0);
    EXPECT_EQ(r.groundBelowHead, -2.0);
    // 14.04 x 3.14159 / 180 = 0.24504402; pi enters as the single-precision 3.14159.
    expectRelativelyClose(r.batter, 0.24504402, 1.0e-7);

    auto threeD = makeModelStore();
    threeD->control.analysisType = 3;
    threeD->arrangement.pileGroupCount = 1;
    PileGroup& pile = threeD->arrangement.rows[0];
    pile.pilesInGroup = 9.0;  // not used in three dimensions: one pile per group
    pile.headZ = 0.9;
    pile.alpha = 180.0;
    pile.beta = 90.0;
    prepareArrangement(*threeD);
    const PileGroupWork& p = threeD->work.groups[0];
    EXPECT_EQ(p.pileCount, 1.0);
    EXPECT_EQ(p.headZ, 0.9);
    expectRelativelyClose(p.alpha, 3.14159, 1.0e-7);
    expectRelativelyClose(p.beta, 1.570795, 1.0e-7);
    EXPECT_EQ(p.batter, 0.0);
}

}  // namespace
}  // namespace pylora
