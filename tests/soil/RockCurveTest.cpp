// SPDX-License-Identifier: Apache-2.0
// The rock curves (weak rock, vuggy limestone) in closed form and through the
// p-y evaluation, against hand calculations of the published formulas with
// single-precision constants widened to double (worked separately; each
// expected value gives its formula and numbers), and their properties: p(0)
// = 0, curves that never fall, continuity where the branches meet. Also the
// layer resistance PULT of the rock and stiff-clay rules and the equivalent
// depths that read it.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

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

// b = 1, qa = 2 x su average = 10, ER = 100, KRM = 0.0005 (yrm = 0.0005).
PyCurve weakRock(double xr, double RQD = 0.0) {
    return buildWeakRockCurve(xr, 1.0, 5.0, 100.0, 0.0005, RQD);
}

TEST(WeakRockCurve, StraightLineThenFourthRootUpToTheUltimateResistance) {
    // xr = 1.5 <= 3b: pur = 10 (1 + 1.4f x 1.5) = 30.99999964237213,
    // Kir = 100 + 400 x 1.5 / 3 = 300, Mir = 30000,
    // yA = (pur / (2 x 0.0005^0.25 x 30000))^(4/3) = 5.223447689629931e-4.
    const PyCurve curve = weakRock(1.5);
    expectClose(curve.pu, 30.99999964237213, kRoundOff);
    expectClose(curve.initialModulus, 30000.0, kRoundOff);
    EXPECT_DOUBLE_EQ(curve.yrm, 0.0005);
    expectClose(curve.yA, 5.223447689629931e-4, 1.0E-10);
    expectClose(pyResistance(curve, 1.0E-4), 3.0, kRoundOff);  // Mir y
    // 0.5 pur (0.002 / 0.0005)^0.25
    expectClose(pyResistance(curve, 0.002), 21.920309963901882, kRoundOff);
    // Beyond 16 yrm the fourth root would exceed pur.
    EXPECT_EQ(pyResistance(curve, 0.01), curve.pu);
    // Both branches give Mir yA = 15.670343068889792 at yA.
    expectClose(pyResistance(curve, curve.yA * (1.0 - 1.0E-12)), 15.670343068889792, 1.0E-10);
    expectClose(pyResistance(curve, curve.yA), 15.670343068889792, 1.0E-10);

    // xr = 4 > 3b: pur = 5.2f x 10 = 51.99999809265137, Kir = 500.
    const PyCurve deep = weakRock(4.0);
    expectClose(deep.pu, 51.99999809265137, kRoundOff);
    EXPECT_EQ(deep.initialModulus, 50000.0);
    // At xr = 3b both sides: Kir = 500 and pur 10 (1 + 1.4f x 3) =
    // 51.99999928474426 against 51.99999809265137, equal but for the
    // single-precision constants (2.3E-8 relative).
    const PyCurve at = weakRock(3.0);
    const PyCurve below = weakRock(3.0 * (1.0 + 1.0E-12));
    EXPECT_EQ(at.initialModulus, 500.0 * 100.0);
    EXPECT_EQ(below.initialModulus, 500.0 * 100.0);
    expectClose(at.pu, 51.99999928474426, kRoundOff);
    expectClose(below.pu, at.pu, 1.0E-7);
}

TEST(WeakRockCurve, RockQualityReducesTheStrengthByUpToTwoThirds) {
    // RQD 0: alpha = 1; RQD 100: alpha = 1 - 100 / 150 = 1/3, so pur =
    // 10.333333214124046 and yA = 1.2072454488618963e-4 at xr = 1.5.
    const PyCurve intact = weakRock(1.5, 0.0);
    const PyCurve jointed = weakRock(1.5, 100.0);
    expectClose(jointed.pu, 10.333333214124046, kRoundOff);
    expectClose(jointed.pu / intact.pu, 1.0 / 3.0, kRoundOff);
    expectClose(jointed.yA, 1.2072454488618963e-4, 1.0E-10);
    EXPECT_EQ(jointed.initialModulus, intact.initialModulus);  // Kir ER does not depend on RQD
    // An RQD outside its percentage range counts as its nearest end.
    EXPECT_EQ(weakRock(1.5, 250.0).pu, jointed.pu);
    EXPECT_EQ(weakRock(1.5, -5.0).pu, intact.pu);
}

TEST(VuggyLimestoneCurve, TwoLinesUpToSuBThenThePlateau) {
    // b = 1, su = 5: Es1 = 10000, y1 = 0.0004f = 3.9999998989515007e-4,
    // p1 = 3.9999998989515007, y2 = y1 + (5 - p1) / 500 = 0.002400000191992149.
    const PyCurve curve = buildVuggyLimestoneCurve(1.0, 5.0);
    EXPECT_EQ(curve.initialModulus, 10000.0);
    expectClose(curve.y1, 3.9999998989515007e-4, kRoundOff);
    expectClose(curve.y2, 0.002400000191992149, kRoundOff);
    expectClose(pyResistance(curve, 0.0002), 2.0, kRoundOff);                   // Es1 y
    expectClose(pyResistance(curve, 0.001), 4.299999904003926, kRoundOff);      // p1 + 500 (y - y1)
    expectClose(pyResistance(curve, curve.y1), 3.9999998989515007, kRoundOff);  // p1 from above
    expectClose(pyResistance(curve, curve.y1 * (1.0 - 1.0E-12)), 3.9999998989515007, 1.0E-10);
    expectClose(pyResistance(curve, curve.y2 * (1.0 - 1.0E-12)), 5.0, 1.0E-10);  // su b
    EXPECT_EQ(pyResistance(curve, curve.y2), 5.0);
    EXPECT_EQ(pyResistance(curve, 1.0), 5.0);
    // No strength: no resistance, and the deflections stay finite.
    const PyCurve none = buildVuggyLimestoneCurve(1.0, 0.0);
    EXPECT_EQ(pyResistance(none, 0.01), 0.0);
    EXPECT_TRUE(std::isfinite(none.y2));
}

TEST(RockCurveProperties, NoResistanceWithoutDeflectionAndCurvesNeverFall) {
    std::vector<PyCurve> curves = {weakRock(0.0), weakRock(1.5), weakRock(4.0, 60.0),
                                   buildVuggyLimestoneCurve(1.0, 5.0),
                                   buildVuggyLimestoneCurve(0.6, 250.0)};
    // Degenerate rock data: a tiny modulus (the line meets the curve above
    // pur, so pur caps it), no modulus (no line) and no deflection scale
    // KRM (the line rises straight to pur).
    curves.push_back(buildWeakRockCurve(1.0, 1.0, 5.0, 1.0E-3, 0.0005, 0.0));
    curves.push_back(buildWeakRockCurve(1.0, 1.0, 5.0, 0.0, 0.0005, 0.0));
    curves.push_back(buildWeakRockCurve(1.0, 1.0, 5.0, 100.0, 0.0, 0.0));
    for (std::size_t n = 0; n < curves.size(); ++n) {
        const PyCurve& curve = curves[n];
        EXPECT_EQ(pyResistance(curve, 0.0), 0.0) << "curve " << n;
        double previous = 0.0;
        for (int k = 1; k <= 4000; ++k) {
            const double y = 1.0E-5 * k;
            const double p = pyResistance(curve, y);
            ASSERT_TRUE(std::isfinite(p)) << "curve " << n << ", y = " << y;
            EXPECT_GE(p, previous) << "curve " << n << ", y = " << y;
            EXPECT_LE(p, curve.pu) << "curve " << n << ", y = " << y;
            previous = p;
        }
        EXPECT_TRUE(std::isfinite(pyInitialModulus(curve, f32(2.0E-5F))));
    }
    // Without a rock modulus: the secant of the curve at YMIN, 0.5 x 10 x
    // (1 + 1.4f) (2.0E-5f / 0.0005)^0.25 / 2.0E-5f.
    const double ymin = f32(2.0E-5F);
    expectClose(pyInitialModulus(curves[6], ymin),
                0.5 * 10.0 * (1.0 + f32(1.4F)) * std::pow(ymin / 0.0005, 0.25) / ymin, kRoundOff);
}

TEST(RockCurveProperties, PrintedDeflections) {
    std::array<double, kMaxPrintedPyPoints> y{};
    const PyCurve rock = weakRock(1.5);
    ASSERT_EQ(pyStandardDeflections(rock, y), 17);
    const std::array<double, 17> multiples = {0.0005, 0.001, 0.003, 0.006, 0.009, 0.02,
                                              0.04,   0.06,  0.08,  0.1,   0.25,  0.5,
                                              0.75,   1.0,   4.0,   8.0,   12.0};
    for (int k = 0; k < 17; ++k)
        expectClose(y[k], static_cast<double>(static_cast<float>(multiples[k])) * 0.0005, 1.0E-15);

    const PyCurve vuggy = buildVuggyLimestoneCurve(1.0, 5.0);
    ASSERT_EQ(pyStandardDeflections(vuggy, y), 17);
    EXPECT_EQ(y[0], 0.0);
    expectClose(y[1], 0.002400000191992149 / 15.0, kRoundOff);
    expectClose(y[15], 0.002400000191992149, kRoundOff);
    expectClose(y[16], 0.002400000191992149 * 16.0 / 15.0, kRoundOff);
}

// Rows of the profile: unit weight 0 and the rock values (qu, ER, KRM, RQD).
Row rockRow(double qu, double ER = 100.0, double KRM = 0.0005, double RQD = 0.0) {
    return Row{0.0, qu, 0.0, 0.0, ER, KRM, RQD};
}

// A pile of diameter 1 with nodes every h from its head at the ground
// surface in one rock layer of type KSOIL from X = 0 to 20 with qu = 10.
std::unique_ptr<ModelStore> rockPile(int KSOIL, int N, double h) {
    auto store = makeModelStore();
    soiltest::openCaptureFiles(*store);
    addLayer(*store, KSOIL, 0.0, 20.0, rockRow(10.0), rockRow(10.0));
    prepareSoilProfile(*store);
    addPile(*store, 1, 1.0, 0.0, 0.0, N, h);
    setLayerNodes(*store, 1, 1, N + 1);
    return store;
}

int evaluate(ModelStore& store) {
    int status = 0;
    generatePyModuli(store, store.pileScratch, 1, status);
    return status;
}

TEST(WeakRockEvaluation, MirAlongTheInitialLineAndSecantsBeyond) {
    // Nodes every 0.5; xr = X + 1.0E-8f. Node 4 (X = 1.5): Mir =
    // 100 x (100 + 400 xr / 3) = 30000.000133333335, yA = 5.2234e-4.
    auto store = rockPile(9, 20, 0.5);
    LateralPyState& s = store->pileScratch.py;
    s.pyDeflection[3] = 3.0E-4;  // between YMIN = 2.0E-5 and yA
    s.pyDeflection[4] = 0.002;   // X = 2: beyond yA
    s.pyDeflection[6] = 0.0;     // X = 3 + 1.0E-8 > 3b: Mir = 500 x 100
    ASSERT_EQ(evaluate(*store), 0);
    EXPECT_EQ(s.YMIN, f32(2.0E-5F) * 1.0);
    expectClose(s.pyModulus[3], 30000.000133333335, kRoundOff);
    // X = 2: pur = 10 (1 + 1.4f xr) = 37.99999966316284, Es = 0.5 pur
    // (0.002 / 0.0005)^0.25 / 0.002.
    expectClose(s.pyModulus[4], 13435.028723454483, 1.0E-10);
    EXPECT_EQ(s.pyModulus[6], 50000.0);
    EXPECT_EQ(s.pyModulus[0], 0.0);  // at the ground

    // The multipliers scale the secants only; the initial line keeps Mir.
    store->groupFactors.pMultiplier[0] = 0.5;
    store->groupFactors.yMultiplier[0] = 2.0;
    ASSERT_EQ(evaluate(*store), 0);
    expectClose(s.pyModulus[3], 30000.000133333335, kRoundOff);
    expectClose(s.pyModulus[4], 0.25 * 13435.028723454483, 1.0E-10);
}

TEST(WeakRockEvaluation, NoStrengthBelowTheLayersFirstNodeStopsWithStatus21) {
    // The ground 1 above the head: node 1 (X = 0) is the layer's first node
    // and is evaluated (pur = 0 there, the modulus Mir at rest); node 2 has
    // no strength either and stops the layer.
    auto store = makeModelStore();
    soiltest::openCaptureFiles(*store);
    addLayer(*store, 9, -1.0, 20.0, rockRow(0.0), rockRow(0.0));
    prepareSoilProfile(*store);
    addPile(*store, 1, 1.0, 0.0, -1.0, 10, 1.0);
    setLayerNodes(*store, 1, 1, 11);
    store->pileScratch.py.pyModulus.fill(7.0);
    EXPECT_EQ(evaluate(*store), kStatusWeakRockNoStrength);
    for (int i = 0; i < 11; ++i)
        EXPECT_EQ(store->pileScratch.py.pyModulus[i], 0.0) << "node " << i + 1;
    const std::string warning =
        "\n       --------------------WARNING----------------------"
        "\n       THE UNIAXIAL COMPRESION STRENGTH IS 0 FOR WEAK ROCK "
        "\n       ACCORDING TO THE INPUT DATA."
        "\n       PLEASE ENTER THE CORRECT VALUE AND RUN IT AGAIN.\n";
    EXPECT_NE(contentsOf(store->files.report).find(warning), std::string::npos);
}

TEST(WeakRockEvaluation, TheEmbeddedCapPassUsesTheCapWidth) {
    // Weak rock qu = 10 from 1 above the pile head; the cap is 3 wide and 1
    // thick. At the head xr = 1 + 1.0E-8f. Cap: b = 3, pur = 10 x 3 (1 +
    // 1.4f xr / 3) = 43.99999990158142, yrm = 0.0015, and at y = 0.01 (past
    // yA) p = 0.5 pur (0.01 / 0.0015)^0.25 = 35.350850354492394.
    auto store = makeModelStore();
    soiltest::openCaptureFiles(*store);
    addLayer(*store, 9, -1.0, 20.0, rockRow(10.0), rockRow(10.0));
    prepareSoilProfile(*store);
    addPile(*store, 1, 1.0, 0.0, -1.0, 4, 1.0);
    setLayerNodes(*store, 1, 1, 5);
    store->control.embeddedCapOption = 1;
    store->cap.capWidthZ = 3.0;
    store->cap.capThicknessX = 1.0;
    store->pileScratch.py.pyDeflection[0] = 0.01;
    ASSERT_EQ(evaluate(*store), 0);
    expectClose(store->pileScratch.py.capPassiveResistance, 35.350850354492394, kRoundOff);
    // The pile itself at the head: b = 1, pur = 10 (1 + 1.4f xr) =
    // 23.999999901581415, reached beyond 16 yrm = 0.008: Es = pur / 0.01.
    expectClose(store->pileScratch.py.pyModulus[0], 2399.9999901581414, kRoundOff);
    EXPECT_EQ(store->pileScratch.py.YMIN, f32(2.0E-5F) * 1.0);  // the pile pass came last
}

TEST(VuggyLimestoneEvaluation, ResetsYminAndScalesEveryBranch) {
    // qu = 10: su = 5, b = 1 (the curve of VuggyLimestoneCurve above).
    auto store = rockPile(6, 5, 1.0);
    LateralPyState& s = store->pileScratch.py;
    s.YMIN = f32(2.0E-5F);  // as a weak-rock layer leaves it
    s.pyDeflection[1] = 0.0002;
    s.pyDeflection[2] = 0.001;
    s.pyDeflection[3] = 0.01;
    s.pyDeflection[4] = 0.0;
    ASSERT_EQ(evaluate(*store), 0);
    EXPECT_EQ(s.YMIN, f32(1.0E-14F));
    expectClose(s.pyModulus[1], 10000.0, kRoundOff);
    expectClose(s.pyModulus[2], 4299.999904003926, kRoundOff);
    expectClose(s.pyModulus[3], 500.0, kRoundOff);  // su b / y on the plateau
    EXPECT_EQ(s.pyModulus[4], 10000.0);             // Es1 at rest
    // PULT: su b over the whole layer below the ground, 5 x (1 + 4 x 1 + 15).
    expectClose(s.PULT[0], 100.0, kRoundOff);

    // pMultiplier 0.5, yMultiplier 2: p pm / y / ym on every branch, Es1 / ym at rest.
    store->groupFactors.pMultiplier[0] = 0.5;
    store->groupFactors.yMultiplier[0] = 2.0;
    ASSERT_EQ(evaluate(*store), 0);
    expectClose(s.pyModulus[1], 2500.0, kRoundOff);
    expectClose(s.pyModulus[3], 125.0, kRoundOff);
    EXPECT_EQ(s.pyModulus[4], 5000.0);
}

TEST(RockPrinting, CurvesAtTheRequestedDepthOverTheirOwnDeflections) {
    auto store = rockPile(9, 20, 0.5);
    PrintedPyCurve& printed = store->pyPrinting;
    printed.printing = 1;
    printed.X = 1.5;
    ASSERT_EQ(evaluate(*store), 0);
    ASSERT_EQ(printed.curveReady, 1);
    EXPECT_EQ(printed.pointCount, 17);
    EXPECT_EQ(printed.strength, 5.0);   // su
    EXPECT_EQ(printed.strain, 0.0005);  // KRM
    // pur = 10 (1 + 1.4f (1.5 + 1.0E-8f)) = 30.99999978237213. Point 14 is
    // yrm = 0.0005, still below yA = 5.2234e-4: Mir yrm; point 15, 4 yrm, is
    // on the fourth root: 0.5 pur 4^0.25.
    expectClose(printed.ultimate, 30.99999978237213, kRoundOff);
    EXPECT_DOUBLE_EQ(printed.y[13], 0.0005);
    expectClose(printed.p[13], 15.000000066666667, kRoundOff);
    EXPECT_DOUBLE_EQ(printed.y[14], 0.002);
    expectClose(printed.p[14], 21.92031006289683, kRoundOff);
    EXPECT_EQ(printed.belowYmin[13], 0);  // on the line, above YMIN: no warning

    auto vuggy = rockPile(6, 5, 1.0);
    vuggy->pyPrinting.printing = 1;
    vuggy->pyPrinting.X = 2.0;
    ASSERT_EQ(evaluate(*vuggy), 0);
    ASSERT_EQ(vuggy->pyPrinting.pointCount, 17);
    expectClose(vuggy->pyPrinting.y[15], 0.002400000191992149, kRoundOff);
    expectClose(vuggy->pyPrinting.p[15], 5.0, 1.0E-10);
}

// Layer 1 of the given type and rows from X = 0 to 10 over soft clay c = 20
// (E50 0.01) down to 30, a pile of diameter b with nodes every 1 down to
// X = 12: layer 1 holds the nodes at X = 0 .. 9, layer 2 those at 10 .. 12.
std::unique_ptr<ModelStore> overSoftClay(int KSOIL, const Row& upper, double b,
                                         double layerBottom) {
    auto store = makeModelStore();
    soiltest::openCaptureFiles(*store);
    addLayer(*store, KSOIL, 0.0, layerBottom, upper, upper);
    const Row clay{0.0, 20.0, 0.0, 0.0, 0.0, 0.01};
    addLayer(*store, 1, layerBottom, 30.0, clay, clay);
    prepareSoilProfile(*store);
    const int last = static_cast<int>(layerBottom);
    addPile(*store, 1, b, 0.0, 0.0, 12, 1.0);
    setLayerNodes(*store, 1, 1, last);
    setLayerNodes(*store, 2, last + 1, 13);
    store->control.KPYOP = 0;
    store->pileScratch.py.pyDeflection.fill(0.2);
    return store;
}

TEST(RockLayerResistance, WeakRockIntegratesItsLayerAndTheClayBelowFindsItsDepth) {
    // Weak rock qu = 10 (qa = 10), b = 1: pur(X) = 10 (1 + 1.4f xr) with
    // xr = X + 1.0E-8f down to 3, 52 below. PULT(1) = 1 x pur(1) (from the
    // ground to the first node) + the trapezoids from X = 1 to 9 + (10 - 9)
    // x pur(9) = 463.9999852104202.
    auto store = overSoftClay(9, rockRow(10.0), 1.0, 10.0);
    ASSERT_EQ(evaluate(*store), 0);
    LateralPyState& s = store->pileScratch.py;
    expectClose(s.PULT[0], 463.9999852104202, 1.0E-10);
    // Soft clay c = 20, b = 1: 60 X + 5 X^2 = PULT(1) (below xr = 12, where
    // the integral is 1440), X = (sqrt(3600 + 20 x 464) - 60) / 10.
    expectClose(store->pyRun.XEQ[0][1], 5.349008636972838, 1.0E-10);
    // Node 12 (X = 11) lies XEQ + 1 deep: pu = 20 (3 + 0.5 (XEQ + 1)), p = pu at 0.2.
    expectClose(s.pyModulus[11], 617.4504318486419, 1.0E-10);
}

TEST(RockLayerResistance, StiffClayBelowWaterCountsEachIntervalOnce) {
    // Stiff clay below the water table, c = CAVG = 10, gamma 0, b = 0.25, to
    // X = 5: pc = min(2 x 10 x 0.25 + 2.83f x 10 x X, 11 x 10 x 0.25) = 27.5
    // at X = 1 .. 4, x / b >= 4 so AS = 0.6f and f = 1.225f sqrt(AS) - 0.75
    // AS - 0.411f = 0.08788092590837726. The trapezoids over the four node
    // intervals: PULT(1) = 4 x 27.5 x f = 9.666901849921498.
    auto store = overSoftClay(2, Row{0.0, 10.0, 0.0, 1.0E5, 0.0, 0.005}, 0.25, 5.0);
    ASSERT_EQ(evaluate(*store), 0);
    LateralPyState& s = store->pileScratch.py;
    expectClose(s.PULT[0], 9.666901849921498, 1.0E-10);
    // Soft clay c = 20, b = 0.25 below: 15 X + 5 X^2 = PULT(1) (below xr =
    // 3, where the integral is 90): X = (sqrt(225 + 20 PULT(1)) - 15) / 10.
    expectClose(store->pyRun.XEQ[0][1], 0.5453313594584863, 1.0E-10);
}

TEST(RockLayerResistance, TheEquivalentDepthOfWeakRockIsBuiltOnItsOwnResistance) {
    // Soft clay c = 10 over X = 0 .. 5 gives PULT(1) = 35 + 40 + 45 + 50 =
    // 170 (h pu at X = 1 .. 4). Weak rock below with qu = 10, RQD 40: at its
    // first node c = alpha qa = (1 - 40 / 150) x 10; I = 3 c + 0.5 x 1.4f x
    // 9 c = 68.19999921321869 < 170, so XEQ = 3 + (170 - I) / (5.2f c).
    auto store = makeModelStore();
    soiltest::openCaptureFiles(*store);
    const Row clay{0.0, 10.0, 0.0, 0.0, 0.0, 0.01};
    addLayer(*store, 1, 0.0, 5.0, clay, clay);
    addLayer(*store, 9, 5.0, 30.0, rockRow(10.0, 100.0, 0.0005, 40.0),
             rockRow(10.0, 100.0, 0.0005, 40.0));
    prepareSoilProfile(*store);
    addPile(*store, 1, 1.0, 0.0, 0.0, 10, 1.0);
    setLayerNodes(*store, 1, 1, 5);
    setLayerNodes(*store, 2, 6, 11);
    store->control.KPYOP = 0;
    store->pileScratch.py.pyDeflection.fill(0.2);
    ASSERT_EQ(evaluate(*store), 0);
    expectClose(store->pileScratch.py.PULT[0], 170.0, kRoundOff);
    expectClose(store->pyRun.XEQ[0][1], 5.669580538132427, 1.0E-10);
}

}  // namespace
}  // namespace pylora
