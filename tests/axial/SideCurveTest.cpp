// SPDX-License-Identifier: Apache-2.0
// Ultimate unit side friction by pile and soil type, and the side curves
// (depths and shapes) of a generated load-settlement curve. Expected values
// are the published formulas worked by hand.

#include <gtest/gtest.h>

#include <cmath>

#include "axial/load_settlement.h"
#include "axial/load_transfer.h"
#include "soil/soil_profile.h"
#include "store/model_store.h"
#include "tests/axial/axial_test_support.h"

namespace pylora {
namespace {

using axialtest::addLayer;
using axialtest::expectClose;
using axialtest::newStore;
using axialtest::Row;

// Single-precision constants of the formulas (1.2F, 0.135F, 0.8F) and the
// single-precision pi of the degree conversion differ from the decimal
// values by less than this.
constexpr double kSinglePrecision = 2.0E-6;

double frictionAt(ModelStore& store, int pileType, int KSOIL, double X) {
    int status = 0;
    const double f = ultimateSideFriction(store, pileType, KSOIL, X, status);
    EXPECT_EQ(status, 0);
    return f;
}

TEST(UltimateSideFriction, DrivenPileInClayAtStrengthRatioOne) {
    // English: unit weight 1/16 pci and a strength growing as 1/16 psi per
    // inch, so c = p'o at every depth and psi = 1 exactly: alpha = 0.5.
    {
        auto store = newStore(1);
        addLayer(*store, 1, 0.0, 200.0, Row{0.0625, 0.0}, Row{0.0625, 12.5});
        prepareSoilProfile(*store);
        // c = 2.5 psi, below 3.47 psi: soft clay adheres fully.
        EXPECT_DOUBLE_EQ(frictionAt(*store, kDrivenPile, 1, 40.0), 2.5);
        // c = 10 psi: f = 0.5 c.
        EXPECT_DOUBLE_EQ(frictionAt(*store, kDrivenPile, 1, 160.0), 5.0);
    }
    // SI: 2 kN/m3 and 2 kPa per metre; the soft-clay limit is 24 kPa.
    {
        auto store = newStore(2);
        addLayer(*store, 2, 0.0, 20.0, Row{2.0, 0.0}, Row{2.0, 40.0});
        prepareSoilProfile(*store);
        EXPECT_DOUBLE_EQ(frictionAt(*store, kDrivenPile, 2, 10.0), 20.0);  // c = 20 kPa
        EXPECT_DOUBLE_EQ(frictionAt(*store, kDrivenPile, 2, 15.0), 15.0);  // c = 30 kPa
    }
}

TEST(UltimateSideFriction, DrivenPileInClayAwayFromStrengthRatioOne) {
    auto store = newStore(1);
    // Constant c = 10 psi, 1/16 pci: at X = 40 the overburden is 2.5 psi,
    // psi = 4, alpha = 0.5 x 4^-0.25 = 0.353553.
    addLayer(*store, 3, 0.0, 2000.0, Row{0.0625, 10.0}, Row{0.0625, 10.0});
    prepareSoilProfile(*store);
    expectClose(frictionAt(*store, kDrivenPile, 3, 40.0), 10.0 * 0.5 / std::sqrt(2.0),
                kSinglePrecision);
    // At X = 1000 the overburden is 62.5 psi, psi = 0.16, and the ratio rule
    // 0.5 x 0.16^-0.5 = 1.25 is bounded by full adhesion: f = c.
    EXPECT_DOUBLE_EQ(frictionAt(*store, kDrivenPile, 3, 1000.0), 10.0);

    // Constant c = 2 psi at X = 16: psi = 2, alpha 0.42 < 0.5 and c below
    // 3.47 psi: full adhesion.
    auto soft = newStore(1);
    addLayer(*soft, 1, 0.0, 200.0, Row{0.0625, 2.0}, Row{0.0625, 2.0});
    prepareSoilProfile(*soft);
    EXPECT_DOUBLE_EQ(frictionAt(*soft, kDrivenPile, 1, 16.0), 2.0);
    // Drilled shaft in clay: 0.55 c; rock for both pile types: 0.1 c.
    expectClose(frictionAt(*soft, kDrilledShaft, 1, 16.0), 1.1, kSinglePrecision);
    expectClose(frictionAt(*soft, kDrivenPile, 6, 16.0), 0.2, kSinglePrecision);
    expectClose(frictionAt(*soft, kDrilledShaft, 9, 16.0), 0.2, kSinglePrecision);
}

TEST(UltimateSideFriction, DrilledShaftInSandBetaBetweenItsBounds) {
    auto store = newStore(1);
    addLayer(*store, 4, 0.0, 2000.0, Row{0.0625, 0.0, 30.0}, Row{0.0625, 0.0, 30.0});
    prepareSoilProfile(*store);
    // 0.1 in below the surface: 1.5 - 0.135 sqrt(0.1/12) = 1.49 is capped at 1.2.
    expectClose(frictionAt(*store, kDrilledShaft, 4, 0.1), 1.2 * 0.0625 * 0.1, kSinglePrecision);
    // 25 ft: beta = 1.5 - 0.135 x 5 = 0.825.
    expectClose(frictionAt(*store, kDrilledShaft, 4, 300.0), 0.825 * 0.0625 * 300.0,
                kSinglePrecision);
    // 150 ft: 1.5 - 0.135 x 12.25 < 0.25, so 0.25.
    expectClose(frictionAt(*store, kDrilledShaft, 8, 1800.0), 0.25 * 0.0625 * 1800.0,
                kSinglePrecision);
}

TEST(UltimateSideFriction, DrivenPileInSandAndSiltAndGivenValues) {
    auto store = newStore(1);
    addLayer(*store, 7, 0.0, 600.0, Row{0.0625, 4.0, 30.0}, Row{0.0625, 4.0, 30.0});
    addLayer(*store, 4, 600.0, 1200.0, Row{0.0625, 0.0, 30.0, 0, 0, 0, 0, 7.0},
             Row{0.0625, 0.0, 30.0, 0, 0, 0, 0, 7.0});
    prepareSoilProfile(*store);
    // Sand term 0.8 p'o tan(30 - 5 degrees) at X = 300, p'o = 18.75 psi.
    const double sand = 0.8 * 18.75 * std::tan(25.0 * M_PI / 180.0);
    // Silt adds the clay term: psi = 4 / 18.75 = 0.2133, 0.5 psi^-0.5 = 1.08,
    // bounded by 1.0, so alpha c = 4.
    expectClose(frictionAt(*store, kDrivenPile, 7, 300.0), 4.0 + sand, kSinglePrecision);
    // Drilled shaft in silt: beta p'o + 0.55 c with beta = 0.825 at 25 ft.
    expectClose(frictionAt(*store, kDrilledShaft, 7, 300.0), 0.825 * 18.75 + 0.55 * 4.0,
                kSinglePrecision);
    // A given FMAX is used as it stands.
    EXPECT_DOUBLE_EQ(frictionAt(*store, kDrivenPile, 4, 900.0), 7.0);

    // Below the profile: the warning and status 23.
    int status = 0;
    EXPECT_EQ(ultimateSideFriction(*store, kDrivenPile, 4, 1300.0, status), 0.0);
    EXPECT_EQ(status, 23);
    EXPECT_NE(axialtest::contentsOf(store->files.report).find("THE INPUT MAX. LOAD TRANSFER"),
              std::string::npos);
}

// A driven pile 600 in long in two layers, its head 12 in above the ground.
std::unique_ptr<ModelStore> twoLayerPile(int unitsSystem, int pileType) {
    auto store = newStore(unitsSystem);
    addLayer(*store, 1, 12.0, 312.0, Row{0.0625, 5.0, 0.0, 0, 0, 0.02, 0, 2.0},
             Row{0.0625, 5.0, 0.0, 0, 0, 0.02, 0, 2.0});
    addLayer(*store, 4, 312.0, 1000.0, Row{0.0625, 0.0, 30.0, 0, 0, 0, 0, 2.0},
             Row{0.0625, 0.0, 30.0, 0, 0, 0, 0, 2.0});
    prepareSoilProfile(*store);
    axialtest::addPile(*store, pileType, 600.0, 29.0E6, 1, {600.0, 12.0, 20.0, 1.0E9}, 0.0);
    return store;
}

TEST(SideCurves, DepthsAreTakenBelowTheHeadWithTwoSurfaceCurves) {
    auto store = twoLayerPile(1, kDrivenPile);
    int status = 0;
    generateLoadSettlement(*store, 1, 0, status);
    ASSERT_EQ(status, 0);
    const LoadTransferCurves& c = store->generatedCurves.axialTransfer;
    ASSERT_EQ(c.curveCount, 3 * 2 + 2);
    const double expected[] = {
        0.0, 12.0, 12.1, 0.5 * (12.1 + 312.0), 311.0, 312.1, 0.5 * (312.1 + 1000.0), 999.0};
    for (int i = 0; i < 8; ++i)
        expectClose(c.depth[i], expected[i], 1.0E-6);  // the offsets 0.1F and 1.0F
    // The surface curves carry practically no friction, the others FMAX.
    expectClose(c.ultimate[0], 1.0E-6, 1.0E-6);
    expectClose(c.ultimate[1], 1.0E-6, 1.0E-6);
    EXPECT_EQ(c.ultimate[2], 2.0);
    EXPECT_EQ(c.KSOIL[4], 1);
    EXPECT_EQ(c.KSOIL[5], 4);
}

TEST(SideCurves, ShapesByPileTypeAndSoilType) {
    // Driven pile in clay: peak 1.0 f at 0.08 in, residual 0.93 f at 10 in.
    auto english = twoLayerPile(1, kDrivenPile);
    int status = 0;
    generateLoadSettlement(*english, 1, 0, status);
    ASSERT_EQ(status, 0);
    const LoadTransferCurves& c = english->generatedCurves.axialTransfer;
    expectClose(c.z[3][5], 0.08, kSinglePrecision);
    EXPECT_DOUBLE_EQ(c.t[3][5], 2.0);
    expectClose(c.z[3][9], 10.0, kSinglePrecision);
    expectClose(c.t[3][9], 0.93 * 2.0, kSinglePrecision);
    // Driven pile in sand (curve 6, phi = 30): hyperbolic with the initial
    // modulus (6000 + 1333.3 x 2) / 144 psi/in: t = z / (1/Es + z/f).
    const double Es = (6000.0 + 1333.3 * 2.0) / 144.0;
    expectClose(c.t[5][1], 0.01 / (1.0 / Es + 0.01 / 2.0), kSinglePrecision);
    expectClose(c.t[5][9], 2.5 / (1.0 / Es + 2.5 / 2.0), kSinglePrecision);

    // SI run: the inch-based movements become metres.
    auto si = twoLayerPile(2, kDrivenPile);
    generateLoadSettlement(*si, 1, 0, status);
    ASSERT_EQ(status, 0);
    expectClose(si->generatedCurves.axialTransfer.z[3][9], 0.254, kSinglePrecision);

    // Drilled shaft: movements over the 12 in diameter; clay peaks at 0.955 f
    // at 0.8% of the diameter, sand keeps 0.95 f at 10%.
    auto shaft = twoLayerPile(1, kDrilledShaft);
    generateLoadSettlement(*shaft, 1, 0, status);
    ASSERT_EQ(status, 0);
    const LoadTransferCurves& d = shaft->generatedCurves.axialTransfer;
    expectClose(d.z[3][6], 0.008 * 12.0, kSinglePrecision);
    expectClose(d.t[3][6], 0.955 * 2.0, kSinglePrecision);
    expectClose(d.z[6][9], 0.1 * 12.0, kSinglePrecision);
    expectClose(d.t[6][9], 0.95 * 2.0, kSinglePrecision);
}

}  // namespace
}  // namespace pylora
