// SPDX-License-Identifier: Apache-2.0
// The p-y evaluation of a pile in the store: the node loop and its skip
// rules, YMIN, the multipliers, the embedded cap, the equivalent depth of
// lower layers, user curves and the printing mode. Expected values are hand
// calculations of the published formulas, each with its formula beside it.

#include <gtest/gtest.h>

#include <cmath>

#include "soil/py_criteria.h"
#include "soil/py_curve.h"
#include "soil/py_evaluation.h"
#include "soil/soil_status.h"
#include "store/constants.h"
#include "tests/soil/soil_test_support.h"

namespace pylora {
namespace {

using soiltest::addLayer;
using soiltest::addPile;
using soiltest::contentsOf;
using soiltest::expectClose;
using soiltest::Row;
using soiltest::setLayerNodes;

// Same formula, other order of operations: the last bits only.
constexpr double kRoundOff = 1.0E-12;

// Soft clay from X = 0 to 20 with gamma 5, c 10, E50 0.01 and a pile of
// diameter 1 with nodes every 2 from its head at the ground surface. Below
// X = 6 the wedge factor 5x/10 + 3 + 0.5x exceeds 9, so pu = 9 c b = 90;
// y50 = 2.5 x 0.01 = 0.025.
std::unique_ptr<ModelStore> softClayPile(int KSOIL = 1) {
    auto store = makeModelStore();
    soiltest::openCaptureFiles(*store);
    addLayer(*store, KSOIL, 0.0, 20.0, Row{5.0, 10.0, 0.0, 0.0, 0.0, 0.01},
             Row{5.0, 10.0, 0.0, 0.0, 0.0, 0.01});
    prepareSoilProfile(*store);
    addPile(*store, 1, 1.0, 0.0, 0.0, 10, 2.0);
    setLayerNodes(*store, 1, 1, 11);
    store->control.KPYOP = 1;
    return store;
}

double moduliAfterEvaluation(ModelStore& store, int node) {
    int status = 0;
    generatePyModuli(store, store.pileScratch, 1, status);
    EXPECT_EQ(status, 0);
    return store.pileScratch.py.pyModulus[node - 1];
}

TEST(PyEvaluation, ModuliAreSecantsOfTheCurveWithTheInitialSlopeBelowYmin) {
    auto store = softClayPile();
    LateralPyState& s = store->pileScratch.py;
    s.pyDeflection[0] = 0.2;   // node 1 at the ground surface
    s.pyDeflection[5] = -0.2;  // node 6, X = 10: p = pu at 8 y50, the sign ignored
    s.pyDeflection[10] = 0.0;  // the tip, X = 20
    int status = 0;
    generatePyModuli(*store, store->pileScratch, 1, status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(s.pyModulus[0], 0.0);
    expectClose(s.pyModulus[5], 90.0 / 0.2, kRoundOff);
    // No deflection: 0.5 pu (y50 / YMIN)^(2/3) / y50 with YMIN = 1.0E-14f.
    expectClose(s.pyModulus[10], 331562838756.5505, 1.0E-10);

    // An unknown soil code is soft clay.
    auto other = softClayPile(12);
    other->pileScratch.py.pyDeflection = s.pyDeflection;
    EXPECT_EQ(moduliAfterEvaluation(*other, 6), s.pyModulus[5]);
    EXPECT_EQ(other->pileScratch.py.pyModulus[10], s.pyModulus[10]);
}

TEST(PyEvaluation, MultipliersScaleTheSecantModulus) {
    auto store = softClayPile();
    store->pileScratch.py.pyDeflection[5] = 0.2;
    const double full = moduliAfterEvaluation(*store, 6);
    store->groupFactors.pMultiplier[0] = 0.5;
    expectClose(moduliAfterEvaluation(*store, 6), 0.5 * full, kRoundOff);
    store->groupFactors.pMultiplier[0] = 1.0;
    store->groupFactors.yMultiplier[0] = 2.0;
    expectClose(moduliAfterEvaluation(*store, 6), 0.5 * full, kRoundOff);
}

TEST(PyEvaluation, ARaisedYminGivesTheInitialSlopeAtIt) {
    // As left by a weak-rock layer: YMIN = 2.0E-5 b. A deflection of 1.0E-6 b
    // lies below it: 0.5 pu (y50 / YMIN)^(2/3) / y50 with YMIN = 2.0E-5f.
    auto store = softClayPile();
    store->pileScratch.py.YMIN = f32(2.0E-5f) * 1.0;
    store->pileScratch.py.pyDeflection[5] = 1.0E-6;
    expectClose(moduliAfterEvaluation(*store, 6), 208871.50103026695, 1.0E-10);
}

TEST(PyEvaluation, NodesAboveTheGroundAndLayersNoNodeReachesGetNoModulus) {
    // Ground 3 below the head: nodes at X = 0 and 2 are above it.
    auto store = softClayPile();
    store->work.groups[0].groundBelowHead = 3.0;
    store->pileScratch.py.pyDeflection.fill(0.01);
    moduliAfterEvaluation(*store, 1);
    EXPECT_EQ(store->pileScratch.py.pyModulus[0], 0.0);
    EXPECT_EQ(store->pileScratch.py.pyModulus[1], 0.0);
    EXPECT_GT(store->pileScratch.py.pyModulus[2], 0.0);

    // A layer without nodes is skipped.
    setLayerNodes(*store, 1, 0, 0);
    EXPECT_EQ(moduliAfterEvaluation(*store, 6), 0.0);
    // In the analysis a layer that only the tip reaches is skipped too; with
    // printed curves requested it is evaluated.
    setLayerNodes(*store, 1, 11, 11);
    store->control.KPYOP = 0;
    EXPECT_EQ(moduliAfterEvaluation(*store, 11), 0.0);
    store->control.KPYOP = 1;
    EXPECT_GT(moduliAfterEvaluation(*store, 11), 0.0);
}

TEST(PyEvaluation, EmbeddedCapGivesThePassiveResistanceAndTheHeadAllowance) {
    // Soft clay from X = -1 (1 above the pile head) with c 10, gamma 0; the
    // cap is 3 wide and 1 thick, nodes 0, 1, 2 at depths 1, 2, 3.
    auto store = makeModelStore();
    addLayer(*store, 1, -1.0, 20.0, Row{0.0, 10.0, 0.0, 0.0, 0.0, 0.01},
             Row{0.0, 10.0, 0.0, 0.0, 0.0, 0.01});
    prepareSoilProfile(*store);
    addPile(*store, 1, 1.0, 0.0, -1.0, 2, 1.0);
    setLayerNodes(*store, 1, 1, 3);
    store->control.embeddedCapOption = 1;
    store->cap.capWidthZ = 3.0;
    store->cap.capThicknessX = 1.0;
    store->pileScratch.py.pyDeflection[0] = 0.05;
    moduliAfterEvaluation(*store, 1);

    // Cap: b = 3, Np = 3 + 0.5 / 3, pu = 95, y50 = 0.075:
    // p = 0.5 x 95 x (0.05 / 0.075)^(1/3).
    expectClose(store->pileScratch.py.capPassiveResistance, 41.495072074974196, kRoundOff);
    // Pile: pu = 10 (3 + 0.5 D) = 35, 40, 45 at D = 1, 2, 3, spacing 1; layer 1
    // starts with half the first pu times the 1 of soil above the head.
    expectClose(store->pileScratch.py.PULT[0], 0.5 * 35.0 + 35.0 + 40.0 + 45.0, kRoundOff);
    // The head node itself takes the pile's diameter: pu = 35, y50 = 0.025,
    // Es = 0.5 x 35 x 2^(1/3) / 0.05.
    expectClose(store->pileScratch.py.pyModulus[0], 440.9723674632056, kRoundOff);
}

TEST(PyEvaluation, LookupFailureStopsWithItsStatus) {
    auto store = softClayPile();
    // Nodes down to X = 24, below the profile's last point at 20.
    addPile(*store, 1, 1.0, 0.0, 0.0, 12, 2.0);
    setLayerNodes(*store, 1, 1, 13);
    int status = 0;
    generatePyModuli(*store, store->pileScratch, 1, status);
    EXPECT_EQ(status, kStatusStrengthBeyondProfile);
    EXPECT_NE(contentsOf(store->files.runtime).find("THE INPUT STRENGTH CURVE"), std::string::npos);
}

// Soft clay c 10 (X 0 to 5) over soft clay c 20 (5 to 20), gamma 0, and a
// pile of diameter 1 with nodes every 1 from X = 0 to 10; layer 1 holds the
// nodes at X 0 .. 4, layer 2 those at 5 .. 10.
std::unique_ptr<ModelStore> twoClayLayers(double upperStrength) {
    auto store = makeModelStore();
    const Row upper{0.0, upperStrength, 0.0, 0.0, 0.0, 0.01};
    const Row lower{0.0, 20.0, 0.0, 0.0, 0.0, 0.01};
    addLayer(*store, 1, 0.0, 5.0, upper, upper);
    addLayer(*store, 1, 5.0, 20.0, lower, lower);
    prepareSoilProfile(*store);
    addPile(*store, 1, 1.0, 0.0, 0.0, 10, 1.0);
    setLayerNodes(*store, 1, 1, 5);
    setLayerNodes(*store, 2, 6, 11);
    store->pileScratch.py.pyDeflection.fill(0.2);  // 8 y50: p = pu at every node
    return store;
}

TEST(EquivalentDepth, ComputedOncePerPileGroupAndLayer) {
    auto store = twoClayLayers(10.0);
    LateralPyState& s = store->pileScratch.py;
    moduliAfterEvaluation(*store, 8);
    // PULT(1) = h pu summed over the nodes below the ground: 10 (3 + 0.5 x)
    // at x = 1 .. 4 gives 35 + 40 + 45 + 50.
    expectClose(s.PULT[0], 170.0, kRoundOff);
    // Layer 2 with c 20: 60 X + 5 X^2 = 170, X = (sqrt(60^2 + 4 x 5 x 170) - 60) / 10.
    expectClose(store->pyRun.XEQ[0][1], 2.366600265340756, kRoundOff);
    // The node at X = 7 lies XEQ + 2 deep: pu = 20 (3 + 0.5 (XEQ + 2)), p = pu at 0.2.
    expectClose(s.pyModulus[7], 103.66600265340756 / 0.2, kRoundOff);

    // A stronger layer above changes PULT(1), not the kept depth.
    store->soilLayers.rows[0].top[1] = store->soilLayers.rows[0].bottom[1] = 30.0;
    prepareSoilProfile(*store);
    moduliAfterEvaluation(*store, 8);
    expectClose(s.PULT[0], 510.0, kRoundOff);  // 30 (3 + 0.5 x), x = 1 .. 4
    expectClose(store->pyRun.XEQ[0][1], 2.366600265340756, kRoundOff);

    // Pile group 2 gets its own: 60 X + 5 X^2 = 510.
    addPile(*store, 2, 1.0, 0.0, 0.0, 10, 1.0);
    moduliAfterEvaluation(*store, 8);
    expectClose(store->pyRun.XEQ[1][1], 5.74734012447073, kRoundOff);
    expectClose(store->pyRun.XEQ[0][1], 2.366600265340756, kRoundOff);
}

TEST(EquivalentDepth, NotComputedWhenPrintedCurvesAreRequested) {
    // The depth in layer 2 is then the depth below its top: at X = 7, 2,
    // so pu = 20 (3 + 0.5 x 2) = 80.
    auto store = twoClayLayers(10.0);
    store->control.KPYOP = 1;
    expectClose(moduliAfterEvaluation(*store, 8), 80.0 / 0.2, kRoundOff);
    EXPECT_EQ(store->pyRun.XEQ[0][1], 0.0);
}

// Layer 2 of the given type below a layer whose PULT is F, for direct calls.
double equivalentDepthOf(int KSOIL, double F, const PySoilValues& soil, int ISTATIC = 1) {
    auto store = makeModelStore();
    addLayer(*store, 1, 0.0, 5.0, Row{}, Row{});
    addLayer(*store, KSOIL, 5.0, 20.0, Row{}, Row{});
    store->pileScratch.py.currentPileGroup = 1;
    store->pyRun.ISTATIC = ISTATIC;
    store->pileScratch.py.PULT[0] = F;
    const double XEQ = equivalentDepth(*store, store->pileScratch, 2, soil);
    EXPECT_EQ(store->pyRun.XEQ[0][1], XEQ);
    return XEQ;
}

TEST(EquivalentDepth, EachBranchGathersTheResistanceOfTheLayersAbove) {
    PySoilValues clay;
    clay.b = 1.0;
    clay.c = 10.0;
    clay.CAVG = 10.0;
    // Soft clay, cyclic, below xr = 6 c b / (0.5 c) = 12:
    // I = 0.72 (1.5 c b xr + c xr^2 / 6) = 302.4..., XEQ = xr + (F - I) / (0.72 x 9 c b).
    expectClose(equivalentDepthOf(1, 2000.0, clay, 0), 38.19752963776456, kRoundOff);
    // Stiff clay above the water table: min(9cb, 3cb + 0.5cx) integrates to
    // 720 at xr = 12, then 90 per unit depth: 12 + 280 / 90.
    expectClose(equivalentDepthOf(3, 1000.0, clay), 12.0 + 280.0 / 90.0, kRoundOff);
    expectClose(equivalentDepthOf(10, 1000.0, clay), 12.0 + 280.0 / 90.0, kRoundOff);

    // Weak rock whose resistance is built on alpha qa = 1 (su averaging 0.5,
    // RQD 0) with b = 1: c b + 1.4 c x, 9.3 over the first 3 b; the root of
    // x + 0.7 x^2 = 5 above, 3 + (20 - 9.3) / 5.2 below.
    PySoilValues rock;
    rock.b = 1.0;
    rock.c = 0.5;
    rock.CAVG = 0.5;
    expectClose(equivalentDepthOf(9, 5.0, rock), 2.0521309745388043, kRoundOff);
    expectClose(equivalentDepthOf(9, 20.0, rock), 5.057692403800392, kRoundOff);
}

TEST(EquivalentDepth, StiffClayBelowWaterMarchMatchesTheIntegralOfItsResistance) {
    // b = 1, c = CAVG = 50, gamma = 10: the resistance (2 CAVG b + gamma b x
    // + 2.83 CAVG x) times 1.225 sqrt(AS) - 0.75 AS - 0.411, integrated here
    // by the midpoint rule in 20000 steps.
    PySoilValues soil;
    soil.b = 1.0;
    soil.c = 50.0;
    soil.CAVG = 50.0;
    soil.gamma = 10.0;
    auto integral = [&](double X) {
        const int n = 20000;
        double sum = 0.0;
        for (int k = 0; k < n; ++k) {
            const double x = (k + 0.5) * X / n;
            const double AS = stiffClayStaticCoefficient(x);
            const double f = f32(1.225f) * std::sqrt(AS) - 0.75 * AS - f32(0.411f);
            sum += (100.0 + 10.0 * x + f32(2.83f) * 50.0 * x) * f;
        }
        return sum * X / n;
    };
    // The 40-step march adds each step at its lower end, where the factor is
    // largest: it finds the depth a few percent short.
    const double X50 = equivalentDepthOf(2, 50.0, soil);
    EXPECT_NEAR(integral(X50) / 50.0, 1.0, 0.05);
    // Beyond the march's last step the deep resistance 11 c b f carries on.
    const double X100 = equivalentDepthOf(2, 100.0, soil);
    EXPECT_GT(X100, 450.0 / (10.0 + f32(2.83f) * 50.0));  // xr
    EXPECT_NEAR(integral(X100) / 100.0, 1.0, 0.01);
}

// Set 1: curves at X = 10 (p = 100 y up to y = 1) and X = 20 (p = 200 y).
void addUserCurves(ModelStore& store) {
    UserPySetTable& sets = store.userPySets;
    sets.pySetCount = 1;
    UserPySet& set = sets.rows[0];
    set.pyCurveCount = 2;
    for (int j = 0; j < 2; ++j) {
        UserPyCurve& curve = set.curves[j];
        curve.x = 10.0 * (j + 1);
        curve.pyPointCount = 2;
        curve.points[1] = PyPoint{100.0 * (j + 1), 1.0};
    }
}

TEST(UserCurves, ModuliInterpolateBetweenTheBracketingCurves) {
    auto store = makeModelStore();
    soiltest::openCaptureFiles(*store);
    addLayer(*store, 5, 0.0, 30.0, Row{}, Row{});
    prepareSoilProfile(*store);
    addUserCurves(*store);
    addPile(*store, 1, 1.0, 0.0, 0.0, 2, 12.5);  // nodes at X = 0, 12.5, 25
    store->work.groups[0].pySetNo = -1;          // type-5 layers take set |n|
    setLayerNodes(*store, 1, 1, 3);
    LateralPyState& s = store->pileScratch.py;
    s.pyDeflection.fill(0.5);
    moduliAfterEvaluation(*store, 1);
    EXPECT_EQ(s.pyModulus[0], 0.0);                 // at the ground
    expectClose(s.pyModulus[1], 125.0, kRoundOff);  // 100 + (200 - 100) x 2.5 / 10
    expectClose(s.pyModulus[2], 200.0, kRoundOff);  // below the last curve: the last
    // The interpolated last-point p times the spacing: (125 + 200) x 12.5.
    expectClose(s.PULT[0], 4062.5, kRoundOff);
    const std::string report = contentsOf(store->files.report);
    const std::string message = "\n\n     P-Y CURVES DO NOT EXTEND THE LENGTH OF THE PILE\n";
    EXPECT_NE(report.find(message), std::string::npos);

    // No deflection: the curves are read at YMIN, giving the same secants.
    s.pyDeflection.fill(0.0);
    expectClose(moduliAfterEvaluation(*store, 2), 125.0, kRoundOff);
}

TEST(UserCurves, AWholePileFromItsOwnSet) {
    auto store = makeModelStore();
    soiltest::openCaptureFiles(*store);
    addUserCurves(*store);
    addPile(*store, 1, 1.0, 0.0, 0.0, 2, 10.0);  // nodes at X = 0, 10, 20
    store->work.groups[0].pySetNo = 1;
    LateralPyState& s = store->pileScratch.py;
    s.pyDeflection.fill(0.5);
    int status = 0;
    userPileCurves(*store, store->pileScratch, 1, status);
    EXPECT_EQ(s.pileFailureFlag, 0);
    EXPECT_EQ(s.pyModulus[0], 100.0);  // above the first curve: the first alone
    EXPECT_EQ(s.pyModulus[1], 100.0);  // exactly at a curve
    EXPECT_EQ(s.pyModulus[2], 200.0);

    // p x pm / (y x ym) on each curve.
    store->groupFactors.pMultiplier[0] = 0.5;
    store->groupFactors.yMultiplier[0] = 2.0;
    userPileCurves(*store, store->pileScratch, 1, status);
    EXPECT_EQ(s.pyModulus[2], 50.0);

    // A pile reaching below the last curve fails at that node.
    store->groupFactors.pMultiplier[0] = 1.0;
    store->groupFactors.yMultiplier[0] = 1.0;
    store->work.properties[0].LENGTH = 25.0;  // nodes at X = 0, 12.5, 25
    userPileCurves(*store, store->pileScratch, 1, status);
    EXPECT_EQ(s.pileFailureFlag, 1);
    expectClose(s.pyModulus[1], 125.0, kRoundOff);
    EXPECT_NE(contentsOf(store->files.report)
                  .find("\n\n  -  P-Y CURVES DO NOT EXTEND THE LENGTH OF THE PILE\n"),
              std::string::npos);
    EXPECT_EQ(status, 0);

    // A head above X = 0: the node there gets no modulus.
    s.pileFailureFlag = 0;
    store->work.groups[0].XHEAD = -5.0;
    store->work.properties[0].LENGTH = 20.0;
    userPileCurves(*store, store->pileScratch, 1, status);
    EXPECT_EQ(s.pyModulus[0], 0.0);
    EXPECT_EQ(s.pileFailureFlag, 0);
}

TEST(PyPrinting, OneCurveAtTheRequestedDepthOverTheCriterionsDeflections) {
    auto store = softClayPile();
    store->groupFactors.pMultiplier[0] = 0.5;
    store->groupFactors.yMultiplier[0] = 2.0;
    store->pileScratch.py.pyModulus.fill(-1.0);
    PrintedPyCurve& printed = store->pyPrinting;
    printed.printing = 1;
    printed.X = 10.0;
    int status = 0;
    generatePyModuli(*store, store->pileScratch, 1, status);
    EXPECT_EQ(status, 0);
    ASSERT_EQ(printed.curveReady, 1);
    EXPECT_EQ(printed.pointCount, 17);
    EXPECT_EQ(printed.depth, 10.0);
    EXPECT_EQ(printed.diameter, 1.0);
    EXPECT_EQ(printed.strength, 10.0);
    EXPECT_EQ(printed.ultimate, 90.0);
    // Point 15 is 8 y50: (8 x 0.025 x ym, pu x pm).
    expectClose(printed.y[14], 0.4, kRoundOff);
    expectClose(printed.p[14], 45.0, kRoundOff);
    // The first point has no deflection: the initial slope was used.
    EXPECT_EQ(printed.belowYmin[0], 1);
    EXPECT_EQ(printed.p[0], 0.0);
    expectClose(printed.modulus[0], 331562838756.5505, 1.0E-10);
    EXPECT_EQ(printed.belowYmin[1], 0);
    // The moduli of the analysis are left alone.
    EXPECT_EQ(store->pileScratch.py.pyModulus[5], -1.0);

    // The user's own deflections replace the criterion's list.
    printed.userPointCount = 2;
    printed.userDeflections[0] = 0.025;
    printed.userDeflections[1] = 1.0;
    generatePyModuli(*store, store->pileScratch, 1, status);
    EXPECT_EQ(printed.pointCount, 2);
    expectClose(printed.p[0], 0.5 * 45.0, kRoundOff);  // pm x 0.5 pu at y50
    expectClose(printed.p[1], 45.0, kRoundOff);
}

}  // namespace
}  // namespace pylora
