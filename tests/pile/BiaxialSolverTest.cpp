// SPDX-License-Identifier: Apache-2.0
// The biaxial solver: two planes coupled only through one soil modulus taken
// at the resultant deflection, per-plane head conditions, the direction
// independence of a round pile, and what the printing pass writes.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "pile/beam_column.h"
#include "pile/biaxial_solver.h"
#include "pile/single_plane_solver.h"
#include "soil/py_evaluation.h"
#include "tests/pile/pile_test_support.h"

namespace pylora {
namespace {

using piletest::contentsOf;
using piletest::deflection;
using piletest::expectClose;
using piletest::layeredSoftClayPile;
using piletest::linesOf;
using piletest::PileSetup;

struct Biaxial {
    double Fy = 0.0, Fz = 0.0, Mxy = 0.0, Mxz = 0.0;
    int status = 0;
};

Biaxial solve(ModelStore& store, double uy, double Sy, double uz, double Sz, double Q = 0.0) {
    Biaxial r;
    solveBiaxialPile(store, store.pileScratch, 1, uy, Sy, uz, Sz, Q, 0.0, r.Fy, r.Fz, r.Mxy, r.Mxz,
                     r.status);
    return r;
}

// The moduli of the p-y curves at the given multiple of the deflections
// before the last solve, from which the solver took its last moduli.
NodalArray moduliAt(ModelStore& store, double factor) {
    const PileWork& work = store.pileScratch.work;
    for (int k = 0; k <= work.N; ++k)
        store.pileScratch.py.pyDeflection[static_cast<std::size_t>(k)] =
            factor * nodeAt(work.planes[0].previousY, k);
    int status = 0;
    generatePyModuli(store, store.pileScratch, 1, status);
    EXPECT_EQ(status, 0);
    NodalArray Es{};
    for (int k = 0; k <= work.N; ++k)
        nodeAt(Es, k) = store.pileScratch.py.pyModulus[static_cast<std::size_t>(k)];
    return Es;
}

TEST(BiaxialSolver, HeadMovedInYAloneLeavesTheXZPlaneAtRest) {
    for (const int connection : {kConnectionPinned, kConnectionFixed}) {
        SCOPED_TRACE(connection);
        PileSetup setup;
        setup.connectionY = connection;
        setup.connectionZ = connection;
        auto store = layeredSoftClayPile(setup);
        const Biaxial r = solve(*store, 0.5, 0.0, 0.0, 0.0, 3.0E4);
        ASSERT_EQ(r.status, 0);
        EXPECT_EQ(r.Fz, 0.0);
        EXPECT_EQ(r.Mxz, 0.0);
        for (int k = -3; k <= 103; ++k)
            EXPECT_EQ(deflection(*store, 1, k), 0.0) << "node " << k;
        // The soil follows the y deflection alone.
        const NodalArray Es = store->pileScratch.work.Es;
        const NodalArray fromY = moduliAt(*store, 1.0);
        for (int k = 0; k <= 100; ++k)
            EXPECT_EQ(nodeAt(Es, k), nodeAt(fromY, k)) << "node " << k;

        // It is then the single plane of the resultant-plane solver, which
        // starts and turns its head the same way.
        auto single = layeredSoftClayPile(setup);
        double H = 0.0;
        int status = 0;
        solveSinglePlanePile(*single, single->pileScratch, 1, 0.5, 0.0, 3.0E4, H, status,
                             SinglePlaneInstance::resultantPlane);
        ASSERT_EQ(status, 0);
        EXPECT_EQ(r.Fy, H);
        EXPECT_EQ(r.Mxy, single->pileScratch.head.headMomentXY);
        EXPECT_EQ(store->pileScratch.work.iterationCount, single->pileScratch.work.iterationCount);
    }
}

TEST(BiaxialSolver, EqualDisplacementsTakeTheSoilAtTheResultantDeflection) {
    auto store = layeredSoftClayPile();
    const double u = 0.3;
    const Biaxial r = solve(*store, u, 0.0, u, 0.0);
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.Fy, r.Fz);
    for (int k = 0; k <= 100; ++k)
        ASSERT_EQ(deflection(*store, 0, k), deflection(*store, 1, k));
    const NodalArray Es = store->pileScratch.work.Es;
    const NodalArray resultant = moduliAt(*store, std::sqrt(2.0));
    const NodalArray single = moduliAt(*store, 1.0);
    int softer = 0;
    for (int k = 1; k <= 100; ++k) {
        expectClose(nodeAt(Es, k), nodeAt(resultant, k), 1.0E-12);
        // Soft clay softens with deflection: the resultant is the larger one.
        if (nodeAt(Es, k) < nodeAt(single, k)) ++softer;
    }
    EXPECT_EQ(softer, 100);
}

TEST(BiaxialSolver, HeadConditionsBelongToEachPlane) {
    PileSetup setup;
    setup.connectionY = kConnectionPinned;
    setup.connectionZ = kConnectionFixed;
    auto store = layeredSoftClayPile(setup);
    const double Sz = 0.002;
    const Biaxial r = solve(*store, 0.2, 0.004, 0.2, Sz);
    ASSERT_EQ(r.status, 0);
    const PileWork& work = store->pileScratch.work;
    // Pinned about z: no moment whatever rotation is passed; fixed about y:
    // the head takes the rotation, in the opposite sense.
    EXPECT_EQ(r.Mxy, 0.0);
    EXPECT_EQ(nodeAt(work.planes[0].M, 0), 0.0);
    expectClose(nodeAt(work.planes[1].slope, 0), -Sz, 1.0E-12);
    EXPECT_GT(std::fabs(r.Mxz), 1.0E5);
}

TEST(BiaxialSolver, RoundPileRespondsAlikeInEveryDirection) {
    const double u = 0.5;
    std::array<double, 4> force{};
    std::array<NodalArray, 4> stress{};
    std::array<NodalArray, 4> bending{};
    const std::array<double, 4> angles{0.0, 0.5235987755982988, 0.7853981633974483,
                                       1.5707963267948966};
    for (std::size_t i = 0; i < angles.size(); ++i) {
        PileSetup setup;
        setup.connectionY = kConnectionFixed;
        setup.connectionZ = kConnectionFixed;
        auto store = layeredSoftClayPile(setup);
        store->analysis.control.deflectionTolerance = 1.0E-9;
        store->pileSolution.finalPassFlag = 1;
        store->analysis.control.printOption = 0;
        const double c = std::cos(angles[i]);
        const double s = std::sin(angles[i]);
        const Biaxial r = solve(*store, u * c, 0.0, u * s, 0.0, 1.0E5);
        ASSERT_EQ(r.status, 0);
        force[i] = std::hypot(r.Fy, r.Fz);
        // The head force points along the head displacement.
        EXPECT_NEAR(r.Fy * s - r.Fz * c, 0.0, 1.0E-6 * force[i]);
        stress[i] = store->pileScratch.work.stress;
        bending[i] = store->pileScratch.work.bendingDC;
    }
    for (std::size_t i = 1; i < angles.size(); ++i) {
        SCOPED_TRACE(i);
        // The iteration closes to 1e-9 of 0.5 along different paths.
        expectClose(force[i], force[0], 1.0E-6);
        // Relative to the largest value: at the free tip the moment is round-off.
        const double stressScale = nodeAt(stress[0], 0);
        const double bendingScale = nodeAt(bending[0], 0);
        for (int k = 0; k <= 100; k += 5) {
            EXPECT_NEAR(nodeAt(stress[i], k), nodeAt(stress[0], k), 1.0E-5 * stressScale);
            EXPECT_NEAR(nodeAt(bending[i], k), nodeAt(bending[0], k), 1.0E-5 * bendingScale);
        }
    }
}

TEST(BiaxialSolver, LimitAndFailuresAreThoseOfTheSinglePlane) {
    auto store = layeredSoftClayPile();
    store->analysis.control.deflectionTolerance = 0.0;
    store->analysis.control.maxPileIterations = 5;
    Biaxial r;
    r.Fy = 1.0;
    solveBiaxialPile(*store, store->pileScratch, 1, 0.3, 0.0, 0.1, 0.0, 0.0, 0.0, r.Fy, r.Fz, r.Mxy,
                     r.Mxz, r.status);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.Fy, 1.0);
    EXPECT_EQ(store->pileScratch.capAbortFlag, 1);
    EXPECT_EQ(store->pileScratch.work.iterationCount, 5);
    EXPECT_NE(contentsOf(store->files.runtime)
                  .find("NO CLOSURE OF A LLP AFTER     5  ITERATIONS          PILE GROUP    1"),
              std::string::npos);

    auto still = layeredSoftClayPile();
    const Biaxial zero = solve(*still, 0.0, 0.0, 0.0, 0.0);
    ASSERT_EQ(zero.status, 0);
    EXPECT_EQ(still->pileScratch.work.iterationCount, 2);
    EXPECT_EQ(zero.Fy, 0.0);
    EXPECT_EQ(zero.Fz, 0.0);
}

TEST(BiaxialSolver, PrintingPassWritesBothPlanes) {
    PileSetup setup;
    setup.connectionY = kConnectionFixed;
    setup.connectionZ = kConnectionFixed;
    auto store = layeredSoftClayPile(setup);
    store->pileSolution.finalPassFlag = 1;
    store->analysis.demandCapacityPrint = 1;
    store->analysis.control.nodeStep = 25;
    auto& c = store->pileScratch.head.localHeadDisplacement;
    c = {0.05, 0.4, 0.3, 0.001, 0.0, 0.0};
    // Pile axes turned 90 degrees about the vertical: global Y is local z.
    store->pileScratch.head.headRotation = {1.0, 0.0, 0.0, 0.0, 0.0, -1.0, 0.0, 1.0, 0.0};
    const Biaxial r = solve(*store, 0.4, 0.0, 0.3, 0.0, 5.0E4);
    ASSERT_EQ(r.status, 0);

    const std::string report = contentsOf(store->files.report);
    for (const char* text :
         {"        * PILE TOP DISPLACEMENTS AND REACTIONS *", "  DISP. X,IN", "MOM z,LBS-IN",
          "  AXIAL,LBS", "DEFLECTION", "BENDING MOMENT", "FLEXURAL RIGIDITY", "DEMAND/CAPACITY",
          "   y-DIR       z-DIR  ", "   z-DIR       y-DIR  ", "  BENDING      SHEAR  "})
        EXPECT_NE(report.find(text), std::string::npos) << text;

    // Four head records, then the extremes of the 13 quantities along the pile.
    const auto pileData = linesOf(contentsOf(store->files.pileData));
    ASSERT_EQ(pileData.size(), 8u);
    EXPECT_EQ(pileData[6].size(), 11u + 13 * 12);
    // Global forces: FOR. Y from local z, FOR. Z from -local y.
    const auto value = [&](int record, int index) {
        return std::strtod(pileData[static_cast<std::size_t>(record)]
                               .substr(17 + 14 * static_cast<std::size_t>(index), 12)
                               .c_str(),
                           nullptr);
    };
    expectClose(value(1, 1), r.Fz, 1.0E-4);
    expectClose(value(1, 2), -r.Fy, 1.0E-4);
    expectClose(value(0, 1), 0.3, 1.0E-4);
    expectClose(value(3, 5), r.Mxy, 1.0E-4);

    const auto data = linesOf(contentsOf(store->files.resultsData));
    ASSERT_EQ(data.size(), static_cast<std::size_t>(6 + 101));
    EXPECT_EQ(data[5], "        * EFFECTS FOR LATERALLY LOADED PILE *   ");
    // 13 values and 2 ratios per node, each in 16 after the x column.
    EXPECT_EQ(data[6].size(), 22u + 13 * 16 + 1);
}

}  // namespace
}  // namespace pylora
