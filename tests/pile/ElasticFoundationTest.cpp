// SPDX-License-Identifier: Apache-2.0
// The finite-difference pile against the closed-form beam on an elastic
// foundation. A pile of EI = 1 on soil of constant modulus k = 4 has
// lambda = (k / 4 EI)^(1/4) = 1; at 20 long (lambda L = 20) it behaves as a
// semi-infinite beam to within exp(-20). The references are the classical
// solutions for a semi-infinite beam loaded at its end:
//   free head, force H:      y(0) = 2 H lambda / k,  y'(0) = -2 H lambda^2 / k
//   fixed head, force H:     y(0) = H lambda / k,    M(0) = H / (2 lambda)
//   rotational spring kr:    H = k y(0) (1 + kr / (2 lambda EI + kr)) / (2 lambda)
//   fixed head, uniform w:   y(x) = (w / k)(1 - exp(-lambda x)(cos + sin)),
//                            head force -w / lambda
// and for the pile without soil, the cantilever: M(0) = -w L^2 / 2, tip
// deflection w L^4 / 8 EI.

#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "pile/beam_column.h"
#include "pile/single_plane_solver.h"
#include "tests/pile/pile_test_support.h"

namespace pylora {
namespace {

using piletest::expectClose;
using piletest::linearSoilPile;
using piletest::PileSetup;

constexpr double kModulus = 4.0;
constexpr double kLambda = 1.0;
constexpr double kHead = 0.01;
constexpr std::array<int, 3> kIncrements{25, 50, 100};  // lambda h = 0.8, 0.4, 0.2

struct HeadResult {
    double force = 0.0;
    double slope = 0.0;
    double moment = 0.0;
    int status = 0;
};

HeadResult solveLinear(int connection, int N, double spring = 0.0,
                       SinglePlaneInstance instance = SinglePlaneInstance::twoDimensional,
                       double S = 0.0) {
    PileSetup setup;
    setup.increments = N;
    setup.connectionY = connection;
    setup.springY = spring;
    auto store = linearSoilPile(kModulus, setup);
    HeadResult r;
    solveSinglePlanePile(*store, store->pileScratch, 1, kHead, S, 0.0, r.force, r.status, instance);
    const PlaneWork& plane = store->pileScratch.work.planes[0];
    r.slope = nodeAt(plane.slope, 0);
    r.moment = nodeAt(plane.M, 0);
    return r;
}

// Errors at the three spacings must fall as h^2: a ratio near 4 between the
// two finer ones (3.5 to 4.5 leaves room for the next term at lambda h = 0.4)
// and a clear fall between the coarser ones.
void expectSecondOrder(const std::array<double, 3>& errors, const char* what) {
    SCOPED_TRACE(what);
    EXPECT_GT(errors[0] / errors[1], 2.5);
    EXPECT_GT(errors[1] / errors[2], 3.5);
    EXPECT_LT(errors[1] / errors[2], 4.5);
    EXPECT_LT(errors[2], 0.025);  // within (lambda h)^2 / 2 at lambda h = 0.2
}

TEST(LongPileOnElasticFoundation, FreeHeadDeflectionAndRotationConvergeAtSecondOrder) {
    std::array<double, 3> deflectionError{};
    std::array<double, 3> rotationError{};
    for (std::size_t i = 0; i < kIncrements.size(); ++i) {
        const HeadResult r = solveLinear(kConnectionPinned, kIncrements[i]);
        ASSERT_EQ(r.status, 0);
        const double y0 = 2.0 * r.force * kLambda / kModulus;
        const double theta0 = -2.0 * r.force * kLambda * kLambda / kModulus;
        deflectionError[i] = std::fabs(y0 - kHead) / kHead;
        rotationError[i] = std::fabs(r.slope - theta0) / std::fabs(theta0);
        // A pinned head carries no moment, not even round-off.
        EXPECT_EQ(r.moment, 0.0);
    }
    expectSecondOrder(deflectionError, "head deflection");
    expectSecondOrder(rotationError, "head rotation");
}

TEST(LongPileOnElasticFoundation, FixedHeadDeflectionAndMomentConvergeAtSecondOrder) {
    std::array<double, 3> deflectionError{};
    std::array<double, 3> momentError{};
    for (std::size_t i = 0; i < kIncrements.size(); ++i) {
        const HeadResult r = solveLinear(kConnectionFixed, kIncrements[i]);
        ASSERT_EQ(r.status, 0);
        const double y0 = r.force * kLambda / kModulus;
        const double M0 = r.force / (2.0 * kLambda);
        deflectionError[i] = std::fabs(y0 - kHead) / kHead;
        momentError[i] = std::fabs(r.moment - M0) / M0;
        EXPECT_NEAR(r.slope, 0.0, 1.0E-15);
    }
    expectSecondOrder(deflectionError, "head deflection");
    expectSecondOrder(momentError, "head moment");
}

TEST(LongPileOnElasticFoundation, RestrainedHeadFollowsTheSpringBetweenPinnedAndFixed) {
    const int N = 100;
    const double EI = 1.0;
    for (const double kr : {0.5, 2.0, 8.0}) {
        SCOPED_TRACE(kr);
        const HeadResult r = solveLinear(kConnectionRestrained, N, kr);
        ASSERT_EQ(r.status, 0);
        const double expected =
            kModulus * kHead * (1.0 + kr / (2.0 * kLambda * EI + kr)) / (2.0 * kLambda);
        expectClose(r.force, expected, 0.015);  // the O(h^2) error at lambda h = 0.2
        // The head moment balances the spring: -M(0) = kr (rotation - S).
        expectClose(-r.moment, kr * r.slope, 1.0E-9);
    }
    // A spring of no stiffness is a pin, an infinitely stiff one a clamp.
    expectClose(solveLinear(kConnectionRestrained, N, 0.0).force,
                solveLinear(kConnectionPinned, N).force, 1.0E-12);
    expectClose(solveLinear(kConnectionRestrained, N, 1.0E12).force,
                solveLinear(kConnectionFixed, N).force, 1.0E-9);
}

TEST(LongPileOnElasticFoundation, FixedHeadTakesTheImposedRotationInEachSense) {
    const double S = 0.003;
    const HeadResult plane2d =
        solveLinear(kConnectionFixed, 50, 0.0, SinglePlaneInstance::twoDimensional, S);
    const HeadResult resultant =
        solveLinear(kConnectionFixed, 50, 0.0, SinglePlaneInstance::resultantPlane, S);
    ASSERT_EQ(plane2d.status, 0);
    ASSERT_EQ(resultant.status, 0);
    expectClose(plane2d.slope, S, 1.0E-12);
    expectClose(resultant.slope, -S, 1.0E-12);
    // Superposition on a linear soil: the responses to the two senses of the
    // rotation average to the response of the head without rotation.
    const HeadResult still = solveLinear(kConnectionFixed, 50);
    expectClose(plane2d.force + resultant.force, 2.0 * still.force, 1.0E-9);
}

TEST(LongPileOnElasticFoundation, UniformLoadOnAHeldHeadIsCarriedByTheSoilAndTheHead) {
    const double w = 2.0;
    std::array<double, 3> errors{};
    for (std::size_t i = 0; i < kIncrements.size(); ++i) {
        PileSetup setup;
        setup.increments = kIncrements[i];
        setup.connectionY = kConnectionFixed;
        auto store = linearSoilPile(kModulus, setup);
        auto& loads = store->analysis.distributed;
        loads.loaded[0] = 1;
        loads.nodeCount[0] = setup.increments + 1;
        loads.loadY[0].fill(w);
        double H = 0.0;
        int status = 0;
        solveSinglePlanePile(*store, store->pileScratch, 1, 0.0, 0.0, 0.0, H, status);
        ASSERT_EQ(status, 0);
        errors[i] = std::fabs(H - (-w / kLambda)) / (w / kLambda);
        // Far from the head the pile rides on the soil at w / k.
        expectClose(piletest::deflection(*store, 0, setup.increments), w / kModulus, 1.0E-7);
    }
    expectSecondOrder(errors, "head force");
}

TEST(LongPileOnElasticFoundation, CantileverWithoutSoilBalancesItsLoadAtTheHead) {
    const double w = 3.0;
    const double L = 20.0;
    const double EI = 1.0E4;
    for (const int N : {50, 100}) {
        SCOPED_TRACE(N);
        PileSetup setup;
        setup.increments = N;
        setup.EI = EI;
        setup.connectionY = kConnectionFixed;
        auto store = linearSoilPile(0.0, setup);
        auto& loads = store->analysis.distributed;
        loads.loaded[0] = 1;
        loads.nodeCount[0] = N + 1;
        loads.loadY[0].fill(w);
        double H = 0.0;
        int status = 0;
        solveSinglePlanePile(*store, store->pileScratch, 1, 0.0, 0.0, 0.0, H, status);
        ASSERT_EQ(status, 0);
        // Nothing else holds the pile: the head takes the whole load.
        expectClose(H, -w * L, 1.0E-12);
        const PlaneWork& plane = store->pileScratch.work.planes[0];
        const double h = L / N;
        expectClose(nodeAt(plane.M, 0), -w * L * L / 2.0, 2.0 * h / L);
        expectClose(nodeAt(plane.y, N), w * L * L * L * L / (8.0 * EI), 2.0 * h / L);
    }
}

}  // namespace
}  // namespace pylora
