// SPDX-License-Identifier: Apache-2.0
// The granular curves (sand, API sand, silt, liquefied sand) in closed form
// and through the node loop, against hand calculations of the published
// formulas (single-precision constants widened to double, worked in a
// separate script; each expected value names its formula), and their
// properties: p(0) = 0, static sand curves that never fall, continuity at the
// branch limits, the statuses of a missing friction angle, the layer
// resistance PULT of each rule and the equivalent depth of layered soil.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

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
// Sums and marches of many terms, and transcendental functions in another
// order: a few more bits.
constexpr double kSummed = 1.0E-10;

// Degrees as the soil profile converts them: pi = 3.14159f, 180.
double radians(double degrees) {
    return degrees * f32(3.14159f) / 180.0;
}

// Sand with b = 1, gamma = 10, phi = 35 degrees, K = 20000 at x = 2 (x / b =
// 2: A = 1.48, B = 1.05 static). Hand calculation: pst = 187.20103810570475,
// psd = 1075.849161362678, ps = pst; pu = A ps = 277.05753996701947, pm = B ps
// = 196.5610810845489; ym = 1/60, yu = 0.0375; m = 3863.830026358587, n =
// 3.0523249689085596, C = 751.7161281239112, yk = (C / 40000)^(n / (n - 1)) =
// 0.002710150914470208.
PyCurve staticSand() {
    return buildSandCurve(2.0, 1.0, 1.0, 10.0, radians(35.0), 20000.0, false);
}

TEST(SandCurve, StaticBranchesAgainstTheHandCalculation) {
    const PyCurve curve = staticSand();
    expectClose(curve.pu, 277.05753996701947, kSummed);
    expectClose(curve.pm, 196.5610810845489, kSummed);
    expectClose(curve.yk, 0.002710150914470208, kSummed);
    EXPECT_EQ(pyResistance(curve, 0.0), 0.0);
    // Straight line (K x) y below yk: 40000 y.
    expectClose(pyResistance(curve, 0.0005), 20.0, kRoundOff);
    expectClose(pyResistance(curve, 0.002), 80.0, kRoundOff);
    // Parabola C y^(1/n) between yk and ym.
    expectClose(pyResistance(curve, 0.01), 166.2706679459974, kSummed);
    // Line pm + m (y - ym) between ym and yu, pu beyond.
    expectClose(pyResistance(curve, 0.025), 228.75966463753713, kSummed);
    expectClose(pyResistance(curve, 0.1), 277.05753996701947, kSummed);
    // Below YMIN the modulus is K x.
    EXPECT_EQ(pyInitialModulus(curve, f32(1.0E-14f)), 40000.0);

    // Cyclic loading at the same depth (A = 1.03, B = 0.82): pu =
    // 192.81706389301124, pm = 153.50484990771173, parabola at 0.01 and line
    // at 0.025.
    const PyCurve cyclic = buildSandCurve(2.0, 1.0, 1.0, 10.0, radians(35.0), 20000.0, true);
    expectClose(cyclic.pu, 192.81706389301124, kSummed);
    expectClose(pyResistance(cyclic, 0.01), 138.25160016070194, kSummed);
    expectClose(pyResistance(cyclic, 0.025), 169.22973550183153, kSummed);
}

TEST(SandCurve, ContinuousAtEveryBranchLimitAndNeverFalling) {
    for (bool cyclic : {false, true}) {
        for (double x : {0.5, 2.0, 5.0, 30.0}) {
            const PyCurve c = buildSandCurve(x, 1.0, 1.0, 10.0, radians(35.0), 20000.0, cyclic);
            const double eps = 1.0E-9;
            // The parabola meets pm at ym, the line meets pu at yu.
            expectClose(pyResistance(c, c.ym * (1.0 - eps)), pyResistance(c, c.ym), 1.0E-8);
            expectClose(pyResistance(c, c.yu * (1.0 - eps)), pyResistance(c, c.yu), 1.0E-8);
            expectClose(pyResistance(c, c.ym), c.pm, kRoundOff);
            expectClose(pyResistance(c, c.yu), c.pu, kRoundOff);
            if (c.yk < c.ym)  // where the line meets the parabola
                expectClose(pyResistance(c, c.yk * (1.0 + eps)), pyResistance(c, c.yk), 1.0E-8);
            double previous = 0.0;
            for (int k = 0; k <= 400; ++k) {
                const double y = 0.1 * k / 400.0;
                const double p = pyResistance(c, y);
                EXPECT_GE(p, previous) << "x " << x << " y " << y;
                EXPECT_LE(p, c.initialModulus * y + 1.0E-9);
                previous = p;
            }
        }
    }
}

TEST(SandCurve, SurfaceDeepAndZeroFrictionEdges) {
    // At the ground the line K x y is flat: yk = 2b and no resistance at all.
    const PyCurve surface = buildSandCurve(0.0, 1.0, 1.0, 10.0, radians(35.0), 20000.0, false);
    EXPECT_EQ(surface.yk, 2.0);
    for (double y : {0.0, 0.005, 1.0 / 60.0, 0.03, 1.0})
        EXPECT_EQ(pyResistance(surface, y), 0.0);

    // x = 30, below the transition depth 16.958: psd = 16137.737420440177 <
    // pst = 27759.68, A = 0.88: pu = 14201.208853036627.
    const PyCurve deep = buildSandCurve(30.0, 1.0, 1.0, 10.0, radians(35.0), 20000.0, false);
    expectClose(deep.pu, 14201.208853036627, kSummed);
    expectClose(sandTransitionDepth(1.0, radians(35.0)), 16.958206312023908, kSummed);

    // No friction: no resistance and finite values throughout.
    const PyCurve none = buildSandCurve(3.0, 1.0, 1.0, 10.0, 0.0, 20000.0, false);
    for (double y : {0.0, 0.01, 0.03, 1.0}) {
        EXPECT_TRUE(std::isfinite(pyResistance(none, y)));
        EXPECT_EQ(pyResistance(none, y), 0.0);
    }
}

TEST(ApiSandCurve, TanhCurveAndItsFactor) {
    // phi = 35: C1 = 2.9704283121010464, C2 = 3.4191669285668826, C3 =
    // 53.79276910179998, xt = (C3 - C2) b / C1 = 16.958363199010446.
    const ApiSandCoefficients k = apiSandCoefficients(radians(35.0));
    expectClose(k.C1, 2.9704283121010464, kSummed);
    expectClose(k.C2, 3.4191669285668826, kSummed);
    expectClose(k.C3, 53.79276910179998, kSummed);
    expectClose(apiSandTransitionDepth(k, 1.0), 16.958363199010446, kSummed);

    // x / b = 3: 3.0 - 0.8 x 3 = 0.6 is raised to 0.9f; pu = (C1 x + C2 b)
    // gamma x = 369.9135559461007; p = A pu tanh(K x y / (A pu)).
    const PyCurve curve = buildApiSandCurve(3.0, 1.0, 10.0, radians(35.0), 20000.0, false);
    EXPECT_EQ(curve.apiFactor, f32(0.9f));
    expectClose(curve.pu, f32(0.9f) * 369.9135559461007, kSummed);
    EXPECT_EQ(pyResistance(curve, 0.0), 0.0);
    expectClose(pyResistance(curve, 0.001), 59.35872864799418, kSummed);
    expectClose(pyResistance(curve, 0.01), 315.2892105841361, kSummed);
    expectClose(pyResistance(curve, 0.1), 332.922191532064, kSummed);
    EXPECT_EQ(pyInitialModulus(curve, f32(1.0E-14f)), 60000.0);

    EXPECT_EQ(apiSandFactor(1.0, false), 3.0 - f32(0.8f));
    EXPECT_EQ(apiSandFactor(1.0, true), f32(0.9f));
    // At the ground the curve is 0.
    const PyCurve surface = buildApiSandCurve(0.0, 1.0, 10.0, radians(35.0), 20000.0, false);
    EXPECT_EQ(pyResistance(surface, 0.05), 0.0);
}

TEST(SiltCurve, CohesionAndFrictionWithTheFallingBranchKept) {
    // b = 1, gamma = 10, phi = 30, c = 5, K = 20000, x = 2: pphi =
    // 129.80122563334368, Np = 20/5 + 3 + 1 = 8, pc = 40; pu = 1.48 pphi + pc
    // = 232.10581641311055, pm = 1.5 (pphi + pc) = 254.70183845001552 > pu.
    const PyCurve curve = buildSiltCurve(2.0, 1.0, 1.0, 10.0, radians(30.0), 5.0, 20000.0, false);
    expectClose(curve.pu, 232.10581641311055, kSummed);
    expectClose(curve.pm, 254.70183845001552, kSummed);
    // Up along 40000 y to yk = 0.006786790319944332, down along the curve
    // C y^(1/n) (n = -14.09) to pm at ym, down the line to pu at yu.
    expectClose(curve.yk, 0.006786790319944332, kSummed);
    expectClose(pyResistance(curve, 0.001), 40.0, kRoundOff);
    expectClose(pyResistance(curve, 0.01), 264.1053705521492, kSummed);
    expectClose(pyResistance(curve, 1.0 / 60.0), 254.70183845001552, kSummed);
    expectClose(pyResistance(curve, 0.025), 245.66342963525352, kSummed);
    expectClose(pyResistance(curve, 0.1), 232.10581641311055, kSummed);

    // c = 0 is sand but for pm = 1.5 pphi: pu 192.10581641311055 in both,
    // pm 194.70183845001552 against sand's B pphi = 136.2912807256061.
    const PyCurve silt = buildSiltCurve(2.0, 1.0, 1.0, 10.0, radians(30.0), 0.0, 20000.0, false);
    const PyCurve sand = buildSandCurve(2.0, 1.0, 1.0, 10.0, radians(30.0), 20000.0, false);
    EXPECT_EQ(silt.pu, sand.pu);
    expectClose(silt.pu, 192.10581641311055, kSummed);
    expectClose(silt.pm, 194.70183845001552, kSummed);
    expectClose(sand.pm, 136.2912807256061, kSummed);
    expectClose(pyResistance(silt, 0.01), 195.7656256617844, kSummed);
    expectClose(pyResistance(sand, 0.01), 115.28855130642287, kSummed);
    EXPECT_EQ(pyResistance(silt, 0.05), pyResistance(sand, 0.05));  // both pu
}

TEST(LiquefiedSandCurve, MillimetreCurveWithItsCaps) {
    // SI, b = 1 m (factor 5.6f), z = 2 m: A = 3.0E-7 x 3^6.05 =
    // 2.310494569671437E-4, B = 2.80 x 3^0.11 = 3.159667344248197, C = 2.85 x
    // 3^-0.41 = 1.8164570470296872; p = A (B y_mm)^C x 5.6, at most 15 kN/m.
    const PyCurve curve = buildLiquefiedSandCurve(2.0, 1.0, false);
    EXPECT_EQ(pyResistance(curve, 0.0), 0.0);
    expectClose(pyResistance(curve, 0.001), 0.010458515494584184, kSummed);
    expectClose(pyResistance(curve, 0.01), 0.6853731572150622, kSummed);
    expectClose(pyResistance(curve, 0.05), 12.751934732411513, kSummed);
    EXPECT_EQ(pyResistance(curve, 0.15), 15.0);
    EXPECT_EQ(curve.pu, 15.0);
    // Below YMIN = 2.0E-5f b the secant p(YMIN) / YMIN: the tangent at 0 is 0.
    const double ymin = f32(2.0E-5f);
    expectClose(pyInitialModulus(curve, ymin), pyResistance(curve, ymin) / ymin, kRoundOff);

    // z = 0, b = 0.3 m: factor 3.81 ln 0.3 + 5.6 = 1.0128635890426283; below
    // the cap, so pu = p(150 mm) = 9.09771725967148 and the curve is flat
    // beyond the model's largest deflection.
    const PyCurve small = buildLiquefiedSandCurve(0.0, 0.3, false);
    expectClose(small.pu, 9.09771725967148, kSummed);
    expectClose(pyResistance(small, 0.05), 0.39731677821339584, kSummed);
    EXPECT_EQ(pyResistance(small, 0.3), small.pu);
    // A diameter whose factor would be negative (0.2 m: -0.53) resists nothing.
    const PyCurve thin = buildLiquefiedSandCurve(3.0, 0.2, false);
    EXPECT_EQ(thin.diameterFactor, 0.0);
    EXPECT_EQ(pyResistance(thin, 0.1), 0.0);

    // English run, b = 36 in, z = 200 in: p converted with 5.7143f, never
    // above 85 lb/in (15 kN/m would be 85.7).
    const PyCurve english = buildLiquefiedSandCurve(200.0, 36.0, true);
    expectClose(pyResistance(english, 0.4), 61.93485712017757, kSummed);
    EXPECT_EQ(english.pu, 85.0);
    for (int k = 1; k <= 200; ++k)
        EXPECT_LE(pyResistance(english, 0.05 * k), 85.0);
    EXPECT_EQ(pyResistance(english, 10.0), 85.0);
}

TEST(GranularCurves, PrintedDeflections) {
    std::array<double, kStandardPyPoints> y{};
    const PyCurve sand = staticSand();
    ASSERT_EQ(pyStandardDeflections(sand, y), 17);
    EXPECT_EQ(y[0], 0.0);
    expectClose(y[1], 1.0 / 720.0, kRoundOff);  // ym / 12
    expectClose(y[12], 1.0 / 60.0, kRoundOff);  // ym
    EXPECT_EQ(y[13], 0.0375);                   // yu
    EXPECT_EQ(y[16], 3.0375);                   // yu + 3b

    const PyCurve api = buildApiSandCurve(3.0, 1.0, 10.0, radians(35.0), 20000.0, false);
    std::array<double, kStandardPyPoints> yApi{};
    ASSERT_EQ(pyStandardDeflections(api, yApi), 17);
    EXPECT_EQ(yApi, y);

    // Liquefied sand, SI: 0, then 1 mm x 150^(k/15), k = 0 .. 15, in metres.
    const PyCurve liquefied = buildLiquefiedSandCurve(2.0, 1.0, false);
    ASSERT_EQ(pyStandardDeflections(liquefied, y), 17);
    EXPECT_EQ(y[0], 0.0);
    expectClose(y[1], 0.001, kRoundOff);
    expectClose(y[2], 0.0013966022925346812, kSummed);
    expectClose(y[16], 0.15, kRoundOff);
    // In inches in an English run: 150 / 25.4f.
    ASSERT_EQ(pyStandardDeflections(buildLiquefiedSandCurve(2.0, 36.0, true), y), 17);
    expectClose(y[16], 150.0 / f32(25.4f), kRoundOff);
}

// ---------------------------------------------------------------------------
// Through the node loop.

// One layer of type KSOIL from topX to 10 over a pile of diameter 1 with
// nodes every 1 from its head at X = 0 to its tip at X = 8; gamma = 10, the
// friction angle phi, c, K = 20000. The ground is groundBelowHead below the
// head (negative: above it, at the layer's top).
std::unique_ptr<ModelStore> granularPile(int KSOIL, double phi, double c = 0.0,
                                         double groundBelowHead = 0.0, int unitsSystem = 2) {
    auto store = makeModelStore();
    soiltest::openCaptureFiles(*store);
    store->control.unitsSystem = unitsSystem;
    const Row row{10.0, c, phi, 20000.0};
    addLayer(*store, KSOIL, groundBelowHead, 10.0, row, row);
    prepareSoilProfile(*store);
    addPile(*store, 1, 1.0, 0.0, groundBelowHead, 8, 1.0);
    setLayerNodes(*store, 1, 1, 9);
    store->control.KPYOP = 1;
    return store;
}

int evaluate(ModelStore& store) {
    int status = 0;
    generatePyModuli(store, store.pileScratch, 1, status);
    return status;
}

TEST(GranularLayerResistance, EachRuleOfPult) {
    // Sand: h pu at the nodes x = 1 .. 8 (the head is at the ground) and the
    // 2 below the tip at pu(8): 10512.78228300477.
    auto sand = granularPile(4, 35.0);
    sand->pileScratch.py.pyDeflection[2] = 0.01;  // x = 2: p = 166.2706679459974
    ASSERT_EQ(evaluate(*sand), 0);
    expectClose(sand->pileScratch.py.PULT[0], 10512.78228300477, kSummed);
    expectClose(sand->pileScratch.py.pyModulus[2], 16627.066794599737, kSummed);
    EXPECT_EQ(sand->pileScratch.py.pyModulus[0], 0.0);  // at the ground

    // API sand: h A pu and the rest of the layer, 10652.474616031108; with the
    // ground 2 above the head, 0.5 A pu(10) x 12 = 17886.66255293701.
    auto api = granularPile(8, 35.0);
    ASSERT_EQ(evaluate(*api), 0);
    expectClose(api->pileScratch.py.PULT[0], 10652.474616031108, kSummed);
    auto apiBuried = granularPile(8, 35.0, 0.0, -2.0);
    ASSERT_EQ(evaluate(*apiBuried), 0);
    expectClose(apiBuried->pileScratch.py.PULT[0], 17886.66255293701, kSummed);

    // Silt, c = 5, phi = 30: the trapezoid over the nodes (the first takes its
    // own pu) and the rest of the layer: 6828.149472308509; with the ground 2
    // above the head, (pu(10) + 3 c b) x 0.5 x 12 = 11861.766529970528.
    auto silt = granularPile(7, 30.0, 5.0);
    ASSERT_EQ(evaluate(*silt), 0);
    expectClose(silt->pileScratch.py.PULT[0], 6828.149472308509, kSummed);
    auto siltBuried = granularPile(7, 30.0, 5.0, -2.0);
    ASSERT_EQ(evaluate(*siltBuried), 0);
    expectClose(siltBuried->pileScratch.py.PULT[0], 11861.766529970528, kSummed);

    // Liquefied sand: pu = 15 at every node (the cap), so the trapezoid and
    // the rest of the layer give 15 x (1 + 7 + 2) = 150.
    auto liquefied = granularPile(11, 0.0);
    ASSERT_EQ(evaluate(*liquefied), 0);
    expectClose(liquefied->pileScratch.py.PULT[0], 150.0, kRoundOff);
}

TEST(GranularLayerResistance, EmbeddedCapTakesTheCapWidthAndThePileDiameterForTheTables) {
    // Sand from X = -1 (1 above the head), cap 3 wide and 1 thick, pile b = 1.
    auto store = granularPile(4, 35.0, 0.0, -1.0);
    store->control.embeddedCapOption = 1;
    store->cap.capWidthZ = 3.0;
    store->cap.capThicknessX = 1.0;
    store->pileScratch.py.pyDeflection[0] = 0.05;
    ASSERT_EQ(evaluate(*store), 0);
    // Cap at depth 1 with b = 3: ps = pst = 132.2797182562135; the factors at
    // x / (pile diameter) = 1 (B = 1.54, not B at 1/3); y = 0.05 = ym = 3/60,
    // so p = pm = 203.710761068498.
    expectClose(store->pileScratch.py.capPassiveResistance, 203.710761068498, kSummed);
    // The head node itself, b = 1, on the line from ym to yu: p / y.
    expectClose(store->pileScratch.py.pyModulus[0], 2696.417449635129, kSummed);
}

TEST(LiquefiedSandLayer, ThresholdAndDeflectionMultiplier) {
    auto store = granularPile(11, 0.0);
    LateralPyState& s = store->pileScratch.py;
    s.YMIN = f32(1.0E-14f);
    s.pyDeflection[3] = 0.0;   // z = 3: the secant at YMIN, 4.495534520260656
    s.pyDeflection[4] = 0.02;  // z = 4
    ASSERT_EQ(evaluate(*store), 0);
    EXPECT_EQ(s.YMIN, f32(2.0E-5f) * 1.0);
    expectClose(s.pyModulus[3], 4.495534520260656, kSummed);
    const double plain = s.pyModulus[4];

    // y-multiplier 2: the curve is read at y / 2 = 0.01 (z = 3 here) and the
    // modulus is p(y / 2) / (y / 2) / 2 = 102.3031920608493; ym = 1 gives
    // p(0.02) / 0.02 = 313.22745022815076.
    s.pyDeflection[3] = 0.02;
    ASSERT_EQ(evaluate(*store), 0);
    expectClose(s.pyModulus[3], 313.22745022815076, kSummed);
    EXPECT_EQ(s.pyModulus[4], plain);
    store->groupFactors.yMultiplier[0] = 2.0;
    ASSERT_EQ(evaluate(*store), 0);
    expectClose(s.pyModulus[3], 102.3031920608493, kSummed);

    // Silt resets the threshold when it starts.
    auto silt = granularPile(7, 30.0, 5.0);
    silt->pileScratch.py.YMIN = 0.5;
    ASSERT_EQ(evaluate(*silt), 0);
    EXPECT_EQ(silt->pileScratch.py.YMIN, f32(1.0E-14f));
}

TEST(GranularLayerStatus, ZeroFrictionStopsWithItsWarningAndNoModuli) {
    const std::string sandWarning =
        "\n       --------------------WARNING----------------------\n"
        "       THE FRICTION ANGLE IS 0 FOR SAND ACCORING TO THE INPUT\n"
        "       DATA. PLEASE ENTER THE CORRECT VALUE AND RUN IT AGAIN.\n";
    auto api = granularPile(8, 0.0);
    api->pileScratch.py.pyDeflection.fill(0.01);
    EXPECT_EQ(evaluate(*api), kStatusApiSandNoFriction);
    EXPECT_EQ(contentsOf(api->files.report), sandWarning);
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(api->pileScratch.py.pyModulus[i], 0.0);

    // Silt: the head at the ground puts the layer's first node above it, so
    // the node at x = 1 meets the friction check (28).
    auto silt = granularPile(7, 0.0, 5.0);
    silt->pileScratch.py.pyDeflection.fill(0.01);
    EXPECT_EQ(evaluate(*silt), kStatusSiltNoFriction);
    EXPECT_NE(contentsOf(silt->files.report).find("THE FRICTION ANGLE IS 0 FOR SILT ACCORING"),
              std::string::npos);
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(silt->pileScratch.py.pyModulus[i], 0.0);

    // With the ground above the head the layer's first node is evaluated, and
    // the slope check catches phi = 0 there (29).
    auto siltBuried = granularPile(7, 0.0, 5.0, -2.0);
    siltBuried->pileScratch.py.pyDeflection.fill(0.01);
    EXPECT_EQ(evaluate(*siltBuried), kStatusSiltSlope);
    EXPECT_EQ(contentsOf(siltBuried->files.report),
              "\n\n       WARNING-------The Angle of the slope can not\n"
              "                     be greater than the internal  \n"
              "                     friction angle of the silt.   \n\n");
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(siltBuried->pileScratch.py.pyModulus[i], 0.0);
}

TEST(GranularLayerPrinting, LiquefiedSandCurveAndItsPu) {
    auto store = granularPile(11, 0.0);
    store->groupFactors.pMultiplier[0] = 0.5;
    PrintedPyCurve& printed = store->pyPrinting;
    printed.printing = 1;
    printed.X = 2.0;  // z = 2: pu is the 15 kN/m cap
    ASSERT_EQ(evaluate(*store), 0);
    ASSERT_EQ(printed.curveReady, 1);
    EXPECT_EQ(printed.pointCount, 17);
    EXPECT_EQ(printed.ultimate, 15.0);
    expectClose(printed.y[1], 0.001, kRoundOff);
    expectClose(printed.p[1], 0.5 * 0.010458515494584184, kSummed);
    EXPECT_EQ(printed.p[16], 0.5 * 15.0);
}

// ---------------------------------------------------------------------------
// Equivalent depth of layered granular and cohesive soil.

// Layer 1 of type upper from 0 to 5 over layer 2 of type lower from 5 to 20,
// b = 1, nodes every 1 from X = 0 to 10; layer 1 holds X = 0 .. 4. Sand:
// gamma 10, phi 35, K 20000; soft clay: gamma 10, c (10 above, 20 below),
// E50 0.01.
std::unique_ptr<ModelStore> sandAndClay(int upper, int lower) {
    auto store = makeModelStore();
    soiltest::openCaptureFiles(*store);
    const Row sand{10.0, 0.0, 35.0, 20000.0};
    const Row upperClay{10.0, 10.0, 0.0, 0.0, 0.0, 0.01};
    const Row lowerClay{10.0, 20.0, 0.0, 0.0, 0.0, 0.01};
    addLayer(*store, upper, 0.0, 5.0, upper == 4 ? sand : upperClay, upper == 4 ? sand : upperClay);
    addLayer(*store, lower, 5.0, 20.0, lower == 4 ? sand : lowerClay,
             lower == 4 ? sand : lowerClay);
    prepareSoilProfile(*store);
    addPile(*store, 1, 1.0, 0.0, 0.0, 10, 1.0);
    setLayerNodes(*store, 1, 1, 5);
    setLayerNodes(*store, 2, 6, 11);
    store->control.KPYOP = 0;
    return store;
}

TEST(GranularEquivalentDepth, ClayUnderSandAndSandUnderClay) {
    // Clay under sand: F = PULT(1) = sand pu at x = 1 .. 4 plus the 1 below X
    // = 4 at pu(4) = 1905.6545354471373. Soft clay c = 20: xr = 120 / 20 = 6,
    // I = 360 + 180 + 180 = 720 < F, XEQ = 6 + (F - 720) / 180.
    auto clayUnder = sandAndClay(4, 1);
    clayUnder->pileScratch.py.pyDeflection.fill(0.2);  // 8 y50
    ASSERT_EQ(evaluate(*clayUnder), 0);
    expectClose(clayUnder->pileScratch.py.PULT[0], 1905.6545354471373, kSummed);
    expectClose(clayUnder->pyRun.XEQ[0][1], 12.586969641372985, kSummed);
    // X = 7 lies deeper than xr: pu = 9 c b = 180 at 8 y50.
    expectClose(clayUnder->pileScratch.py.pyModulus[7], 900.0, kRoundOff);

    // Sand under clay: F = 10 (3 + 1.5 x) at x = 1 .. 4 = 270. The 50-step
    // march of A pst in steps of xt / 50 = 0.3391641 crosses F in its sixth
    // step; back within it, XEQ = 1.8263910897637066. The exact integral of A
    // pst to that depth is 224.69 (the march adds each step at its lower end,
    // so it finds the depth short; the exact root is 1.9968).
    auto sandUnder = sandAndClay(1, 4);
    sandUnder->pileScratch.py.pyDeflection.fill(0.01);
    ASSERT_EQ(evaluate(*sandUnder), 0);
    expectClose(sandUnder->pileScratch.py.PULT[0], 270.0, kRoundOff);
    expectClose(sandUnder->pyRun.XEQ[0][1], 1.8263910897637066, kSummed);
    EXPECT_NEAR(sandUnder->pyRun.XEQ[0][1] / 1.9967878015432272, 1.0, 0.1);
    // X = 7 lies XEQ + 2 deep: p(0.01) / 0.01 on the sand curve there.
    expectClose(sandUnder->pileScratch.py.pyModulus[7], 24314.740830816027, kSummed);
}

// Layer 2 of the given type below a layer whose PULT is F, for direct calls.
double equivalentDepthOf(int KSOIL, double F, const PySoilValues& soil) {
    auto store = makeModelStore();
    addLayer(*store, 1, 0.0, 5.0, Row{}, Row{});
    addLayer(*store, KSOIL, 5.0, 20.0, Row{}, Row{});
    store->pileScratch.py.currentPileGroup = 1;
    store->pyRun.ISTATIC = 1;
    store->pileScratch.py.PULT[0] = F;
    return equivalentDepth(*store, store->pileScratch, 2, soil);
}

TEST(GranularEquivalentDepth, MarchAndDeepRateOfEachType) {
    PySoilValues soil;
    soil.b = 1.0;
    soil.gamma = 10.0;
    soil.phi = radians(35.0);
    // Sand past its 50 steps (S = 48477.39 at xt = 16.958): XEQ = xt + (F -
    // S) / (0.88 psd(xt)) for F = 1.0E5.
    expectClose(equivalentDepthOf(4, 1.0E5, soil), 23.376415986940813, 1.0E-9);
    // API sand: (C1 x + C2 b) gamma x times 3.0 - 0.8 x / b (at least 0.9);
    // F = 100 is met in the fourth step, XEQ = 1.0525836911202437. Past the
    // 50 steps (S = 49462.16) with F = 1.5 S, XEQ = xt + 0.5 S / (0.9 C3 b
    // gamma xt) = 19.97062543291918.
    expectClose(equivalentDepthOf(8, 100.0, soil), 1.0525836911202437, 1.0E-9);
    expectClose(equivalentDepthOf(8, 74193.2444415602, soil), 19.97062543291918, 1.0E-9);
    // Silt, phi 30, c 5: adds 3 c b + gamma b x + 0.5 c x; F = 300 is met at
    // 2.090086834612379 (xt = 13.641).
    soil.phi = radians(30.0);
    soil.c = 5.0;
    expectClose(equivalentDepthOf(7, 300.0, soil), 2.090086834612379, 1.0E-9);
    // No friction: no depth to match, and nothing divided by zero.
    soil.phi = 0.0;
    EXPECT_EQ(equivalentDepthOf(4, 300.0, soil), 0.0);
}

}  // namespace
}  // namespace pylora
