// SPDX-License-Identifier: Apache-2.0
// The pile-head load-settlement curve: the marching from the tip against the
// closed form of a linear elastic pile on linear springs, the nine assumed
// tip movements, the curve file and the refusal of unusable pile data.

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "axial/load_settlement.h"
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

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Closed form of an elastic pile (rigidity EA) on side springs k per unit
// length with a tip spring kb: with lambda^2 = k / EA and x measured up from
// the tip, w(x) = wb cosh(lambda x) + Pb / (EA lambda) sinh(lambda x) and
// P(x) = Pb cosh(lambda x) + EA lambda wb sinh(lambda x), Pb = kb wb.
struct ElasticHead {
    double load;
    double movement;
};

ElasticHead elasticHead(double k, double kb, double EA, double L, double wb) {
    const double lambda = std::sqrt(k / EA);
    const double Pb = kb * wb;
    const double c = std::cosh(lambda * L);
    const double s = std::sinh(lambda * L);
    return {Pb * c + EA * lambda * wb * s, wb * c + Pb / (EA * lambda) * s};
}

TEST(LoadSettlementCurve, MatchesTheLinearElasticPileWhileTheCurvesAreLinear) {
    // Soft clay with a given side friction of 1 psi and tip resistance of
    // 1000 psi; E50 = 0.02. A 600 in pile, 12 in in diameter, 20 in2, in ten
    // sections (twenty segments).
    auto store = newStore(1);
    addLayer(*store, 1, 0.0, 1000.0, Row{0.0625, 5.0, 0.0, 0, 0, 0.02, 0, 1.0, 1000.0},
             Row{0.0625, 5.0, 0.0, 0, 0, 0.02, 0, 1.0, 1000.0});
    prepareSoilProfile(*store);
    const double E = 29.0E6;
    axialtest::addPile(*store, kDrivenPile, 600.0, E, 10, {0.0, 12.0, 20.0, 1.0E9});
    int status = 0;
    generateLoadSettlement(*store, 1, 0, status);
    ASSERT_EQ(status, 0);
    const UserCurve& head = store->generatedCurves.loadSettlement[0];
    ASSERT_EQ(head.pointCount, 9);
    EXPECT_EQ(head.curveNo, 1);
    EXPECT_EQ(store->generatedCurves.lsCurveCount, 1);

    // Side: t = 0.18 f per 0.01 in up to 0.01 in, over the perimeter pi D.
    const double k = 0.18 / 0.01 * 1.0 * pi32() * 12.0;
    // Tip: q = 0.5 qmax sqrt(0.5) at w = 0.5 w50 = 0.24 in, qmax = 1000 x A.
    const double qmax = 1000.0 * pi32() * 144.0 / 4.0;
    const double kb = 0.5 * qmax * std::sqrt(0.5) / 0.24;
    // The first three tip movements keep the head below 0.01 in.
    const double tip[] = {0.0001, 0.001, 0.005};
    for (int n = 0; n < 3; ++n) {
        const ElasticHead expected = elasticHead(k, kb, 20.0 * E, 600.0, tip[n]);
        ASSERT_LT(expected.movement, 0.01);
        // Within the marching tolerance; and the midpoint rule of twenty
        // segments errs by about (lambda h)^2 / 24 = 4E-5 here.
        EXPECT_NEAR(head.points[n].displacement, expected.movement, 1.0E-4);
        expectClose(head.points[n].displacement, expected.movement, 2.0E-4);
        expectClose(head.points[n].force, expected.load, 2.0E-4);
    }
    // The whole curve rises in movement, as the response routines read it.
    for (int n = 1; n < 9; ++n)
        EXPECT_GT(head.points[n].displacement, head.points[n - 1].displacement);
}

// A practically rigid pile with practically no side friction: the head
// moves with the tip, so the head movements are the assumed tip movements.
double ninthHeadMovement(int unitsSystem, double diameter, double length) {
    auto store = newStore(unitsSystem);
    const Row row{10.0, 50.0, 0.0, 0, 0, 0.01, 0, 1.0E-6, 1000.0};
    addLayer(*store, 1, 0.0, 2.0 * length, row, row);
    prepareSoilProfile(*store);
    axialtest::addPile(*store, kDrivenPile, length, 1.0E15, 1, {0.0, diameter, 100.0, 1.0E9});
    int status = 0;
    generateLoadSettlement(*store, 1, 0, status);
    EXPECT_EQ(status, 0);
    const UserCurve& head = store->generatedCurves.loadSettlement[0];
    EXPECT_NEAR(head.points[7].displacement, unitsSystem == 2 ? 0.0254 : 1.0, 1.0E-6);
    return head.points[8].displacement;
}

TEST(LoadSettlementCurve, NinthTipMovementIsFivePercentOfALargeDiameter) {
    EXPECT_NEAR(ninthHeadMovement(1, 12.0, 600.0), 2.0, 1.0E-6);
    EXPECT_NEAR(ninthHeadMovement(1, 48.0, 600.0), 2.4, 1.0E-6);  // 0.05 x 48 in
    // SI: 2 in is 0.0508 m; a 1.2192 m (48 in) shaft also reaches 0.05 D.
    EXPECT_NEAR(ninthHeadMovement(2, 0.6, 15.0), 0.0508, 1.0E-6);
    EXPECT_NEAR(ninthHeadMovement(2, 1.2192, 15.0), 0.06096, 1.0E-6);
}

TEST(LoadSettlementCurve, WritesTheTzOrQwCurvesToTheCurveFile) {
    auto store = newStore(1);
    const Row row{0.0625, 5.0, 0.0, 0, 0, 0.02, 0, 2.0};
    addLayer(*store, 1, 0.0, 700.0, row, row);
    prepareSoilProfile(*store);
    axialtest::addPile(*store, kDrivenPile, 600.0, 29.0E6, 1, {0.0, 12.0, 20.0, 1.0E9});
    int status = 0;
    generateLoadSettlement(*store, 1, kCurveOutputTz, status);
    ASSERT_EQ(status, 0);
    const std::vector<std::string> tz = linesOf(contentsOf(store->files.curve));
    ASSERT_EQ(tz.size(), 6U + 5U * 11U);  // heading, then 5 curves of 11 lines
    EXPECT_EQ(tz[0], "");
    EXPECT_EQ(tz[1], "");
    EXPECT_EQ(tz[2], "     T-Z CURVES, PILE PROPERTY:  1");
    EXPECT_EQ(tz[3], "");
    EXPECT_EQ(tz[4], "          CURVE   N. POINTS     DEPTH           T Value         Z Value");
    EXPECT_EQ(tz[5], "                                ( IN)            (PSI)           ( IN)");
    EXPECT_EQ(tz[6], "            1         10      0.0000E+00");
    EXPECT_EQ(tz[7], "                                             0.0000E+00      0.0000E+00");
    // Curve 3, 0.1 in below the ground: its peak 2 psi at 0.08 in.
    EXPECT_EQ(tz[6 + 2 * 11], "            3         10      0.1000E+00");
    EXPECT_EQ(tz[6 + 2 * 11 + 6],
              "                                             0.2000E+01      0.8000E-01");

    auto qw = newStore(1);
    addLayer(*qw, 1, 0.0, 700.0, row, row);
    prepareSoilProfile(*qw);
    axialtest::addPile(*qw, kDrivenPile, 600.0, 29.0E6, 1, {0.0, 12.0, 20.0, 1.0E9});
    generateLoadSettlement(*qw, 1, kCurveOutputQw, status);
    ASSERT_EQ(status, 0);
    const std::vector<std::string> q = linesOf(contentsOf(qw->files.curve));
    ASSERT_EQ(q.size(), 4U + 10U);
    EXPECT_EQ(q[0], "");
    EXPECT_EQ(q[1], "     Q-W CURVE, PILE PROPERTY:  1");
    EXPECT_EQ(q[2], "         Q Value            W Value");
    EXPECT_EQ(q[3], "         (LBS)              ( IN)");
    EXPECT_EQ(q[4], "        0.0000E+00         0.0000E+00");
    // qmax = 9 x 5 x pi x 36 = 5089 lb reached at 4 w50 = 1.92 in.
    EXPECT_EQ(q[12], "        0.5089E+04         0.1920E+01");
}

TEST(LoadSettlementCurve, RefusesAPropertyItCannotBuildACurveFor) {
    const Row row{0.0625, 5.0, 0.0, 0, 0, 0.02};
    for (int defect = 0; defect < 3; ++defect) {
        auto store = newStore(1);
        addLayer(*store, 1, 0.0, 700.0, row, row);
        prepareSoilProfile(*store);
        axialtest::addPile(*store, kDrivenPile, 600.0, 29.0E6, 1, {0.0, 12.0, 20.0, 1.0E9});
        if (defect == 0) store->work.properties[0].NSECT = 0;
        if (defect == 1) store->work.properties[0].sections[0].DIAM = 0.0;
        if (defect == 2) store->work.properties[0].sections[0].AREA = 0.0;
        int status = 0;
        generateLoadSettlement(*store, 1, kCurveOutputTz, status);
        EXPECT_EQ(status, 104) << "defect " << defect;
        const std::string report = contentsOf(store->files.report);
        EXPECT_NE(report.find("**** FATAL ERROR ****"), std::string::npos);
        EXPECT_NE(report.find("NO LOAD-SETTLEMENT CURVE CAN BE GENERATED."), std::string::npos);
        EXPECT_EQ(store->generatedCurves.loadSettlement[0].pointCount, 0);
    }
    // A property number beyond the table.
    auto store = newStore(1);
    int status = 0;
    generateLoadSettlement(*store, 7, 0, status);
    EXPECT_EQ(status, 104);
}

}  // namespace
}  // namespace pylora
