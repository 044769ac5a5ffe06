// SPDX-License-Identifier: Apache-2.0
// The tip curve: ultimate tip resistance (given, clay default 9 c A, bearing
// factor Nq for cohesionless soil), the q-w shapes, and the zero-E50 and
// zero-strength stops of both generations.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "axial/load_settlement.h"
#include "axial/load_transfer.h"
#include "axial/torque_rotation.h"
#include "soil/soil_profile.h"
#include "store/model_store.h"
#include "tests/axial/axial_test_support.h"

namespace pylora {
namespace {

using axialtest::addLayer;
using axialtest::contentsOf;
using axialtest::expectClose;
using axialtest::newStore;
using axialtest::pi32;
using axialtest::Row;

// Single-precision constants of the formulas and of the tabulated shapes.
constexpr double kSinglePrecision = 2.0E-6;

const TipCurveCodes kLsCodes{kStatusLsTipE50Zero, kStatusLsTipStrengthZero, "LS CURVE"};

// A 600 in pile of 12 in diameter in one layer down to X = 700.
std::unique_ptr<ModelStore> pileOnLayer(int KSOIL, int pileType, const Row& row) {
    auto store = newStore(1);
    addLayer(*store, KSOIL, 0.0, 700.0, row, row);
    prepareSoilProfile(*store);
    axialtest::addPile(*store, pileType, 600.0, 29.0E6, 1, {600.0, 12.0, 20.0, 1.0E9});
    return store;
}

LoadTransferCurves tipCurveOf(ModelStore& store, int& status) {
    PileGeometry pile;
    EXPECT_EQ(readPileGeometry(store, 1, "LOAD-SETTLEMENT", pile), 0);
    LoadTransferCurves curves;
    status = buildTipCurve(store, pile, kLsCodes, curves);
    return curves;
}

const double kTipArea = pi32() * 144.0 / 4.0;  // 12 in diameter

TEST(TipCurve, DrivenPileInSandBearingFactorAndPowerRise) {
    // phi = 32.5 degrees: Nq = 20 + 2.5 x 20 / 5 = 30; p'o = 600 / 16 psi.
    auto store = pileOnLayer(4, kDrivenPile, Row{0.0625, 0.0, 32.5});
    int status = -1;
    const LoadTransferCurves c = tipCurveOf(*store, status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(c.tipKSOIL, 4);
    expectClose(c.qmax, 30.0 * 37.5 * kTipArea, kSinglePrecision);
    // Medium dense sand: qmax reached at 0.05 D = 0.6 in along a cube-root rise.
    EXPECT_EQ(c.w[0], 0.0);
    EXPECT_EQ(c.q[0], 0.0);
    expectClose(c.w[9], 0.6, kSinglePrecision);
    expectClose(c.q[9], c.qmax, kSinglePrecision);
    expectClose(c.q[4], c.qmax * std::cbrt(0.2), kSinglePrecision);  // at 0.2 x 0.6 in
    // Loose sand (30 degrees, Nq = 20) rises with the square root.
    auto loose = pileOnLayer(8, kDrivenPile, Row{0.0625, 0.0, 30.0});
    const LoadTransferCurves l = tipCurveOf(*loose, status);
    expectClose(l.qmax, 20.0 * 37.5 * kTipArea, kSinglePrecision);
    expectClose(l.q[4], l.qmax * std::sqrt(0.2), kSinglePrecision);
    // A given TIPMAX wins: 100 psi over the tip area.
    auto given = pileOnLayer(4, kDrivenPile, Row{0.0625, 0.0, 32.5, 0, 0, 0, 0, 0, 100.0});
    expectClose(tipCurveOf(*given, status).qmax, 100.0 * kTipArea, kSinglePrecision);
}

TEST(TipCurve, DrivenPileInClayHalfPowerCurveOnE50) {
    // Soft clay, c = 5 psi, E50 = 0.02: qmax = 9 c A, w50 = 2 E50 D = 0.48 in.
    auto store = pileOnLayer(1, kDrivenPile, Row{0.0625, 5.0, 0.0, 0, 0, 0.02});
    int status = -1;
    const LoadTransferCurves c = tipCurveOf(*store, status);
    ASSERT_EQ(status, 0);
    const double qmax = 9.0 * 5.0 * kTipArea;
    expectClose(c.qmax, qmax, kSinglePrecision);
    expectClose(c.w[1], 0.24, kSinglePrecision);
    expectClose(c.q[1], 0.5 * qmax * std::sqrt(0.5), kSinglePrecision);
    expectClose(c.w[7], 3.5 * 0.48, kSinglePrecision);
    expectClose(c.q[7], 0.5 * qmax * std::sqrt(3.5), kSinglePrecision);
    expectClose(c.w[8], 4.0 * 0.48, kSinglePrecision);
    expectClose(c.q[8], qmax, kSinglePrecision);
    expectClose(c.w[9], 40.0 * 0.48, kSinglePrecision);

    // Vuggy limestone has strength and no friction angle: it bears as stiff
    // clay, with the fixed strain 0.0005 of the profile (w50 = 0.012 in).
    auto rock = pileOnLayer(6, kDrivenPile, Row{0.0625, 50.0});
    const LoadTransferCurves r = tipCurveOf(*rock, status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(r.tipKSOIL, 3);
    expectClose(r.qmax, 9.0 * 50.0 * kTipArea, kSinglePrecision);
    expectClose(r.w[2], 0.012, kSinglePrecision);
}

TEST(TipCurve, DrilledShaftShapesOverTheDiameter) {
    int status = -1;
    auto clay = pileOnLayer(2, kDrilledShaft, Row{0.0625, 5.0, 0.0, 0, 0, 0.01});
    const LoadTransferCurves c = tipCurveOf(*clay, status);
    ASSERT_EQ(status, 0);
    expectClose(c.w[7], 0.05 * 12.0, kSinglePrecision);
    expectClose(c.q[7], 0.97 * c.qmax, kSinglePrecision);
    // A cohesionless base passes qmax at 5% of the diameter and keeps rising.
    auto sand = pileOnLayer(4, kDrilledShaft, Row{0.0625, 0.0, 35.0});
    const LoadTransferCurves s = tipCurveOf(*sand, status);
    ASSERT_EQ(status, 0);
    expectClose(s.qmax, 40.0 * 37.5 * kTipArea, kSinglePrecision);  // Nq = 40 at 35 degrees
    expectClose(s.q[9], 1.46 * s.qmax, kSinglePrecision);
}

TEST(TipCurve, ZeroE50OrStrengthStopsBothGenerations) {
    // E50 = 0 at a clay tip: status 32 with the LS-curve warning in the report
    // and the runtime file; no pile-head curve.
    {
        auto store = pileOnLayer(1, kDrivenPile, Row{0.0625, 5.0});
        int status = 0;
        generateLoadSettlement(*store, 1, kCurveOutputTz, status);
        EXPECT_EQ(status, 32);
        const std::string warning =
            "                             **** WARNING ****\n"
            "     THE VALUE OF E50 AT TIP OF PILE IS EQUAL TO ZERO, LS CURVE\n";
        EXPECT_NE(contentsOf(store->files.report).find(warning), std::string::npos);
        EXPECT_NE(contentsOf(store->files.runtime).find(warning), std::string::npos);
        EXPECT_EQ(store->generatedCurves.loadSettlement[0].pointCount, 0);
        EXPECT_EQ(store->generatedCurves.lsCurveCount, 0);
        EXPECT_EQ(contentsOf(store->files.curve), "");  // nothing written on failure
    }
    // The same for the torque-rotation curve: status 34 and "TR CURVE".
    {
        auto store = pileOnLayer(1, kDrivenPile, Row{0.0625, 5.0});
        int status = 0;
        generateTorqueRotation(*store, 1, kCurveOutputTz, status);
        EXPECT_EQ(status, 34);
        EXPECT_NE(contentsOf(store->files.report)
                      .find("THE VALUE OF E50 AT TIP OF PILE IS EQUAL TO ZERO, TR CURVE"),
                  std::string::npos);
        EXPECT_EQ(store->generatedCurves.torqueRotation[0].pointCount, 0);
    }
    // No strength (and no given tip resistance) at a clay tip: 33 and 35.
    for (const bool torsion : {false, true}) {
        auto store = pileOnLayer(1, kDrivenPile, Row{0.0625, 0.0, 0.0, 0, 0, 0.02});
        int status = 0;
        if (torsion)
            generateTorqueRotation(*store, 1, 0, status);
        else
            generateLoadSettlement(*store, 1, 0, status);
        EXPECT_EQ(status, torsion ? 35 : 33);
        const std::string text = std::string("THE VALUE OF COHESION AT TIP OF PILE IS EQUAL TO ") +
                                 (torsion ? "ZERO, TR CURVE" : "ZERO, LS CURVE");
        EXPECT_NE(contentsOf(store->files.runtime).find(text), std::string::npos);
    }
    // A tip below the profile: the strength lookup's warning and status 23.
    {
        auto store = pileOnLayer(1, kDrivenPile, Row{0.0625, 5.0, 0.0, 0, 0, 0.02});
        store->work.properties[0].LENGTH = 800.0;
        int status = 0;
        generateLoadSettlement(*store, 1, 0, status);
        EXPECT_EQ(status, 23);
    }
}

}  // namespace
}  // namespace pylora
