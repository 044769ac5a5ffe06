// SPDX-License-Identifier: Apache-2.0
// The per-pile analysis in cap coordinates: the geometry of a pile group,
// the signs of the pile forces on the cap against the closed-form elastic
// pile, the torsion of a pinned head, the force sums, the tangent stiffness
// against finite differences of another step, and the passive resistance of
// an embedded cap.

#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "axial/pile_head_response.h"
#include "cap/pile_in_cap.h"
#include "pile/biaxial_solver.h"
#include "tests/cap/cap_test_support.h"

namespace pylora {
namespace {

using captest::addGroup;
using captest::elasticModel;
using captest::ElasticSoil;
using captest::expectClose;
using captest::kVertical;
using captest::PileData;
using captest::softClayModel;

double element(const CapMatrix& m, int i, int j) {
    return m[static_cast<std::size_t>(i + 6 * j)];
}

// Head force F and moment M(0) = -EI y''(0) of a long elastic pile on a
// foundation of modulus k whose head is held at deflection y0 and slope
// theta0 (dy/dx, x down the pile): y = exp(-bx)(A cos bx + B sin bx) with
// A = y0, B = y0 + theta0 / b and b = (k / 4EI)^(1/4).
struct ElasticHead {
    double force;
    double moment;
};
ElasticHead elasticHead(double EI, double k, double y0, double theta0) {
    const double b = std::pow(k / (4.0 * EI), 0.25);
    return {2.0 * EI * b * b * b * (2.0 * y0 + theta0 / b), 2.0 * EI * b * b * (y0 + theta0 / b)};
}

TEST(PileTransforms, VerticalPileAtTheOriginHasIdentityTransfersAndRotation) {
    auto m = elasticModel();
    addGroup(*m->store, 0.0, 0.0, 0.0);
    const PileTransforms t = pileTransforms(*m->store, 1);
    for (int i = 0; i < 6; ++i)
        for (int j = 0; j < 6; ++j) {
            EXPECT_EQ(element(t.T, i, j), i == j ? 1.0 : 0.0);
            EXPECT_NEAR(element(t.R, i, j), i == j ? 1.0 : 0.0, 1.0E-15);
        }
}

TEST(PileTransforms, HeadFollowsTheRigidCapAndPileAxesAreOrthonormal) {
    auto m = elasticModel();
    ModelStore& s = *m->store;
    const double X = 1.5, Y = 2.0, Z = -3.0;
    addGroup(s, X, Y, Z, 0.3, 1.2);
    const PileTransforms t = pileTransforms(s, 1);

    // u = U + theta x r for a cap displacement U.
    const CapVector U{0.1, -0.2, 0.3, 0.01, -0.02, 0.03};
    CapVector u{};
    multiply6(u, t.T, U, 1);
    EXPECT_NEAR(u[0], 0.1 + (-0.02 * Z - 0.03 * Y), 1.0E-15);
    EXPECT_NEAR(u[1], -0.2 + (0.03 * X - 0.01 * Z), 1.0E-15);
    EXPECT_NEAR(u[2], 0.3 + (0.01 * Y - -0.02 * X), 1.0E-15);
    for (int i = 3; i < 6; ++i)
        EXPECT_EQ(u[i], U[i]);

    // R R^T = I, and the first row is the pile axis.
    CapMatrix RRt{};
    multiply6(RRt, t.R, t.Rt, 6);
    for (int i = 0; i < 6; ++i)
        for (int j = 0; j < 6; ++j)
            EXPECT_NEAR(element(RRt, i, j), i == j ? 1.0 : 0.0, 1.0E-15);
    EXPECT_NEAR(element(t.R, 0, 0), std::sin(1.2), 1.0E-15);
    EXPECT_NEAR(element(t.R, 0, 1), std::cos(0.3) * std::cos(1.2), 1.0E-15);
    EXPECT_NEAR(element(t.R, 0, 2), std::sin(0.3) * std::cos(1.2), 1.0E-15);

    // A 1:6 batter towards -Y (ALPHA 180 degrees, BETA 80.54 degrees).
    s.work.groups[0].alpha = radiansFromDegrees(180.0);
    s.work.groups[0].beta = radiansFromDegrees(80.54);
    const PileTransforms batter = pileTransforms(s, 1);
    EXPECT_NEAR(element(batter.R, 0, 1) / element(batter.R, 0, 0), -1.0 / 6.0, 1.0E-4);
    EXPECT_NEAR(element(batter.R, 0, 2), 0.0, 1.0E-5);
}

TEST(AnalysePile, VerticalPileAtOriginGivesNegatedHeadResistancesTimesPileCount) {
    const PileData pileData;
    const ElasticSoil soil;
    auto m = elasticModel(pileData, soil);
    ModelStore& s = *m->store;
    addGroup(s, 0.0, 0.0, 0.0);
    s.work.groups[0].pileCount = 3.0;

    const CapVector uHead{0.01, 0.02, -0.015, 0.001, 0.0004, -0.0003};
    CapVector forces{};
    int status = 0;
    analysePile(s, s.pileScratch, 1, uHead, forces, status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(s.pileSolution.capAbortFlag, 0);

    // The x-y plane is held at (uy, tz), the x-z plane at (uz, -ty).
    const ElasticHead xy = elasticHead(pileData.EI, soil.k, uHead[1], uHead[5]);
    const ElasticHead xz = elasticHead(pileData.EI, soil.k, uHead[2], -uHead[4]);
    const double n = 3.0;
    // Within the discretisation error of 100 increments, h b = 0.1.
    const double fd = 1.0E-2;
    expectClose(forces[0], -n * soil.ka * uHead[0], 1.0E-12);
    expectClose(forces[1], -n * xy.force, fd);
    expectClose(forces[2], -n * xz.force, fd);
    expectClose(forces[3], -n * soil.kt * uHead[3], 1.0E-12);
    expectClose(forces[4], n * xz.moment, fd);
    expectClose(forces[5], -n * xy.moment, fd);
}

TEST(AnalysePile, HeadPinnedAboutEitherLateralAxisCarriesNoTorsion) {
    for (const auto& [connectionY, connectionZ] :
         {std::pair{kConnectionPinned, kConnectionFixed},
          std::pair{kConnectionFixed, kConnectionPinned}}) {
        auto m = elasticModel();
        ModelStore& s = *m->store;
        addGroup(s, 0.0, 0.0, 0.0);
        s.work.groups[0].connectionY = connectionY;
        s.work.groups[0].connectionZ = connectionZ;
        CapVector forces{};
        int status = 0;
        analysePile(s, s.pileScratch, 1, {0.0, 0.01, 0.01, 0.002, 0.0, 0.0}, forces, status);
        ASSERT_EQ(status, 0);
        EXPECT_EQ(s.pileScratch.localForces[3], 0.0);
        EXPECT_EQ(s.pileScratch.torsionalMoment, 0.0);
        EXPECT_NEAR(forces[3], 0.0, 1.0E-12);
        EXPECT_NE(forces[1], 0.0);
    }
}

TEST(SumPileForces, AtRestGroupGivesNoForceAndTheCapDisplacementIsRestored) {
    auto m = elasticModel();
    ModelStore& s = *m->store;
    addGroup(s, 0.0, -2.0, 1.0);
    addGroup(s, 0.5, 2.0, 1.0, 0.4, 1.3);
    addGroup(s, 0.0, 0.0, -2.5, 2.0, 1.4);
    CapVector F{};
    int status = 0;
    sumPileForces(s, F, status);
    ASSERT_EQ(status, 0);
    for (double v : F)
        EXPECT_EQ(v, 0.0);

    s.capSolution.capDisp = {0.01, 0.0, 0.0, 0.0, 0.0, 0.0};
    sumPileForces(s, F, status);
    ASSERT_EQ(status, 0);
    EXPECT_LT(F[0], 0.0);  // a settling cap is pushed back up
    EXPECT_EQ(s.capSolution.capDisp[0], 0.01);
}

// The central differences of another step: 1.0E-4 in and 1.0E-7 rad, two
// and six orders larger than the solver's own.
CapMatrix coarseDifferences(ModelStore& s, auto evaluate) {
    const std::array<double, 6> step{1.0E-4, 1.0E-4, 1.0E-4, 1.0E-7, 1.0E-7, 1.0E-7};
    CapMatrix K{};
    for (int j = 0; j < 6; ++j) {
        CapVector plus{};
        CapVector minus{};
        evaluate(j, step[static_cast<std::size_t>(j)], plus);
        evaluate(j, -step[static_cast<std::size_t>(j)], minus);
        for (int i = 0; i < 6; ++i)
            K[static_cast<std::size_t>(i + 6 * j)] =
                (plus[i] - minus[i]) / (2.0 * step[static_cast<std::size_t>(j)]);
    }
    (void)s;
    return K;
}

// Column by column, relative to the largest entry of the column: the two
// tangents differ by the truncation error of the coarse step.
void expectSameTangent(const CapMatrix& K, const CapMatrix& reference) {
    for (int j = 0; j < 6; ++j) {
        double largest = 0.0;
        for (int i = 0; i < 6; ++i)
            largest = std::max(largest, std::fabs(element(reference, i, j)));
        ASSERT_GT(largest, 0.0) << "column " << j;
        for (int i = 0; i < 6; ++i)
            EXPECT_NEAR(element(K, i, j) / largest, element(reference, i, j) / largest, 2.0E-3)
                << "K(" << i << ", " << j << ")";
    }
}

TEST(TangentStiffness, PileHeadAndCapAgreeWithFiniteDifferencesOfAnotherStep) {
    auto m = softClayModel();
    ModelStore& s = *m->store;
    addGroup(s, 0.0, 0.0, 0.0, 0.0, kVertical, false);
    addGroup(s, 0.0, 60.0, -30.0, 0.5, radiansFromDegrees(80.0), false);

    // A pile head well into the nonlinear range of the soft clay.
    const CapVector uHead{0.05, 0.4, -0.25, 0.002, 0.001, -0.0015};
    CapMatrix K{};
    int status = 0;
    pileHeadStiffness(s, s.pileScratch, 2, K, uHead, status);
    ASSERT_EQ(status, 0);
    const CapMatrix headReference = coarseDifferences(s, [&](int j, double d, CapVector& F) {
        CapVector u = uHead;
        u[j] += d;
        int st = 0;
        analysePile(s, s.pileScratch, 2, u, F, st);
        ASSERT_EQ(st, 0);
    });
    expectSameTangent(K, headReference);

    // The cap: the transferred head stiffnesses against differences of the
    // force sum on the cap displacement.
    s.capSolution.capDisp = {0.05, 0.3, -0.2, 0.001, -0.0005, 0.0008};
    CapMatrix Kcap{};
    assembleGroupStiffness(s, Kcap, status);
    ASSERT_EQ(status, 0);
    const CapVector U = s.capSolution.capDisp;
    const CapMatrix capReference = coarseDifferences(s, [&](int j, double d, CapVector& F) {
        s.capSolution.capDisp = U;
        s.capSolution.capDisp[j] += d;
        int st = 0;
        sumPileForces(s, F, st);
        ASSERT_EQ(st, 0);
    });
    expectSameTangent(Kcap, capReference);
    EXPECT_EQ(s.pileSolution.capAbortFlag, 0);
}

// The condensed head stiffness of an elastic pile: its soil is linear, so
// holding the moduli loses nothing, and the condensation must give what the
// central differences of whole solutions give, through the batter and the
// pile count, and the closed form of the long elastic pile.
TEST(CondensedStiffness, ElasticPileAgreesWithTheDifferencesOfWholeSolutions) {
    const PileData pileData;
    const ElasticSoil soil;
    auto m = elasticModel(pileData, soil);
    ModelStore& s = *m->store;
    addGroup(s, 0.0, 0.0, 0.0);
    addGroup(s, 0.0, 6.0, -3.0, 0.5, radiansFromDegrees(80.0));
    s.work.groups[1].pileCount = 3.0;
    // At rest the axial force bends nothing, and the term that couples it to
    // the lateral planes (left out of the condensation) is zero: the two
    // agree to round-off. Twisted about the cap's X, the battered pile's head
    // turns in both its lateral planes too, and a change of the axial force
    // then changes its bending a little: that coupling, and only that, stays
    // out of the condensation.
    const CapVector atRest{};
    const CapVector twisted{0.0, 0.0, 0.0, 0.001, 0.0, 0.0};
    for (const CapVector& uHead : {atRest, twisted}) {
        const double tolerance = uHead == atRest ? 1.0E-6 : 1.0E-3;
        for (const int g : {1, 2}) {
            CapVector forces{};
            int status = 0;
            analysePile(s, s.pileScratch, g, uHead, forces, status);
            ASSERT_EQ(status, 0);
            const std::array<PlaneHeadStiffness, 2> planes =
                condensedBiaxialStiffness(s.pileScratch, s.pileScratch.axialForce);
            const CapMatrix K = condensedPileHeadStiffness(s, s.pileScratch, g, uHead, planes);
            CapMatrix reference{};
            pileHeadStiffness(s, s.pileScratch, g, reference, uHead, status);
            ASSERT_EQ(status, 0);
            double largest = 0.0;
            for (const double k : reference)
                largest = std::max(largest, std::fabs(k));
            for (int j = 0; j < 6; ++j)
                for (int i = 0; i < 6; ++i)
                    EXPECT_NEAR(element(K, i, j), element(reference, i, j), tolerance * largest)
                        << "group " << g << " K(" << i << ", " << j << ")";
        }
    }

    // The vertical pile against the long elastic pile: the head force
    // 2 EI b^3 (2 y0 + theta0 / b) and moment 2 EI b^2 (y0 + theta0 / b).
    CapVector forces{};
    int status = 0;
    analysePile(s, s.pileScratch, 1, atRest, forces, status);
    const std::array<PlaneHeadStiffness, 2> planes =
        condensedBiaxialStiffness(s.pileScratch, s.pileScratch.axialForce);
    const CapMatrix K = condensedPileHeadStiffness(s, s.pileScratch, 1, atRest, planes);
    const ElasticHead unitDeflection = elasticHead(pileData.EI, soil.k, 1.0, 0.0);
    const ElasticHead unitSlope = elasticHead(pileData.EI, soil.k, 0.0, 1.0);
    const double fd = 1.0E-2;
    expectClose(element(K, 0, 0), -soil.ka, 1.0E-6);
    expectClose(element(K, 3, 3), -soil.kt, 1.0E-6);
    expectClose(element(K, 1, 1), -unitDeflection.force, fd);
    expectClose(element(K, 1, 5), -unitSlope.force, fd);
    expectClose(element(K, 5, 1), -unitDeflection.moment, fd);
    expectClose(element(K, 2, 2), -unitDeflection.force, fd);
    expectClose(element(K, 4, 4), -unitSlope.moment, fd);
}

TEST(CapPassiveResistance, OnlyAnEmbeddedMovingCapMeetsResistance) {
    auto m = elasticModel();
    ModelStore& s = *m->store;
    CapSolution& cap = s.capSolution;
    s.cap.capThicknessX = 2.0;
    cap.passiveResistance = 10.0;
    cap.passiveLeverX = 0.5;
    cap.capDisp = {0.0, 0.01, 0.03, 0.0, 0.0, 0.0};
    CapVector P{};
    int status = 0;

    // The ground at or below the cap bottom: neither force nor stiffness.
    cap.passiveGround = 0.0;
    capPassiveResistance(s, P, status);
    for (double v : P)
        EXPECT_EQ(v, 0.0);
    CapMatrix Kp{};
    capPassiveStiffness(s, Kp, status);
    for (double v : Kp)
        EXPECT_EQ(v, 0.0);

    // 3 below the ground, 2 of it in the cap: pt = (3 - 2) 10 / 3 on the top
    // of the cap, F = (pt + 10) 2 / 2 = 13.333, M = (1 - 0.5) 2 pt + (10 - pt)
    // (2 / 3 - 0.5) = 4.4444; a quarter of the movement is along Y.
    cap.passiveGround = -3.0;
    capPassiveResistance(s, P, status);
    EXPECT_NEAR(P[kForceY], -0.25 * 13.333333, 1.0E-5);
    EXPECT_NEAR(P[kMomentZ], 0.25 * 4.444444, 1.0E-5);
    EXPECT_NEAR(P[kForceZ], -0.75 * 13.333333, 1.0E-5);
    EXPECT_NEAR(P[kMomentY], -0.75 * 4.444444, 1.0E-5);
    EXPECT_EQ(P[kForceX], 0.0);

    // A cap that does not move horizontally meets no resistance.
    cap.capDisp = {0.02, 0.0, 0.0, 0.0, 0.0, 0.0};
    capPassiveResistance(s, P, status);
    for (double v : P)
        EXPECT_EQ(v, 0.0);
    EXPECT_EQ(cap.capDisp[0], 0.02);
}

TEST(SumPileForces2D, BatteredRowSumsItsPilesThroughTheBatter) {
    const PileData pileData;
    const ElasticSoil soil;
    auto m = elasticModel(pileData, soil);
    ModelStore& s = *m->store;
    s.control.analysisType = 2;
    addGroup(s, 1.0, 2.0, 0.0);
    PileGroupWork& g = s.work.groups[0];
    g.batter = 0.2;
    g.pileCount = 2.0;

    const std::array<double, 3> U{0.01, 0.02, 0.001};
    std::array<double, 3> F{};
    int status = 0;
    sumPileForces2D(s, U, F, status);
    ASSERT_EQ(status, 0);

    // Back in pile terms: (n Q, n H) by the rotation of the batter, n M(0)
    // what remains of the moment about the cap origin.
    const double c = std::cos(0.2), sn = std::sin(0.2), V = 1.0, H = 2.0;
    const double nQ = c * F[0] + sn * F[1];
    const double nH = -sn * F[0] + c * F[1];
    const double nM = F[2] - (sn * V - c * H) * nQ - (sn * H + c * V) * nH;
    const double ua = c * U[0] + sn * U[1] + (sn * V - c * H) * U[2];
    const double y = -sn * U[0] + c * U[1] + (sn * H + c * V) * U[2];
    const ElasticHead head = elasticHead(pileData.EI, soil.k, y, U[2]);
    expectClose(nQ, 2.0 * soil.ka * ua, 1.0E-12);
    expectClose(nH, 2.0 * head.force, 1.0E-2);
    expectClose(nM, 2.0 * head.moment, 1.0E-2);
}

}  // namespace
}  // namespace pylora
