// SPDX-License-Identifier: Apache-2.0
#include "pile/biaxial_solver.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "pile/beam_column.h"
#include "pile/lateral_common.h"
#include "pile/lateral_output.h"
#include "pile/pile_printing.h"
#include "pile/section_properties.h"

namespace pylora {

namespace {

constexpr std::array<BendingPlane, 2> kPlanes{BendingPlane::xy, BendingPlane::xz};

double resultant(double a, double b) {
    return std::sqrt(a * a + b * b);
}

bool setStartingModuli(const ModelStore& store, PileScratch& scratch, const LateralPile& pile,
                       int& status) {
    PileWork& work = scratch.work;
    if (!pile.wholePileCurves) {
        for (int k = 0; k <= pile.N; ++k)
            nodeAt(work.Es, k) = linearStartingModulus(store, scratch, pile, k);
        return true;
    }
    std::fill_n(scratch.py.pyDeflection.begin(), pile.N + 1, 0.0);
    return evaluateModuli(store, scratch, pile, status);
}

// The converged state of the unperturbed solution in place of the starting
// moduli, when the per-pile analysis left one for this pile group: the soil
// moduli, and the flexural rigidities of both planes with nonlinear bending.
bool startFromConverged(PileScratch& scratch, const LateralPile& pile) {
    const LateralStart& start = scratch.start;
    if (start.pileGroup != pile.pileGroup) return false;
    PileWork& work = scratch.work;
    for (int k = 0; k <= pile.N; ++k)
        nodeAt(work.Es, k) = nodeAt(start.Es, k);
    if (pile.nonlinearBending)
        for (std::size_t i = 0; i < 2; ++i)
            for (int k = 0; k <= pile.N; ++k)
                nodeAt(work.planes[i].R, k) = nodeAt(start.R[i], k);
    return true;
}

}  // namespace

void solveBiaxialPile(const ModelStore& store, PileScratch& scratch, int pileGroup, double uy,
                      double Sy, double uz, double Sz, double Q, double T, double& Fy, double& Fz,
                      double& Mxy, double& Mxz, int& status) {
    if (status != 0) return;
    const std::array<double, 6> headValues{uy, Sy, uz, Sz, Q, T};
    LateralPile pile;
    if (!prepareLateralPile(store, scratch, pileGroup, headValues, pile, status)) return;

    PileWork& work = scratch.work;
    PileHeadResults& solution = scratch.head;
    const PileGroupWork& group = store.work.groups[pileGroup - 1];
    const int N = pile.N;
    const double h = pile.h;
    work.planeCount = 2;
    PlaneWork& xy = work.planes[0];
    PlaneWork& xz = work.planes[1];
    resetPlane(xy, group.connectionY, group.springY, uy, Sy);
    resetPlane(xz, group.connectionZ, group.springZ, uz, Sz);

    distributedLoadAtNodes(store, pileGroup, LoadDirection::y, xy.w);
    distributedLoadAtNodes(store, pileGroup, LoadDirection::z, xz.w);
    fillAxialForce(work, N, Q);
    for (int i = 0; i < 2; ++i)
        if (!fillLinearRigidity(store, scratch, pile, work.planes[static_cast<std::size_t>(i)],
                                kPlanes[static_cast<std::size_t>(i)], status))
            return;
    if (!startFromConverged(scratch, pile) && !setStartingModuli(store, scratch, pile, status))
        return;
    scratch.lateralSolutions += 1;

    LateralPyState& py = scratch.py;
    int iteration = 1;
    for (;;) {
        for (PlaneWork* plane : {&xy, &xz}) {
            setHeadRows(*plane, h, RotationSense::opposite);
            sweepForward(*plane, work.Es, Q, N, h);
            keepPreviousDeflections(*plane, N);
            solveTipAndBackSubstitute(*plane, Q, N, h);
        }
        if (pile.nonlinearBending) {
            updateFlexuralRigidity(store, scratch, pileGroup, 0, BendingPlane::xy, Q);
            updateFlexuralRigidity(store, scratch, pileGroup, 1, BendingPlane::xz, Q);
        }
        work.iterationCount = iteration;
        scratch.lateralIterations += 1;
        if (!deflectionsFinite(xy, N) || !deflectionsFinite(xz, N)) {
            failNotFinite(scratch, pileGroup, status);
            return;
        }
        if (iteration != 1 && largestDeflectionChange(xy, N) < pile.tolerance &&
            largestDeflectionChange(xz, N) < pile.tolerance)
            break;
        iteration += 1;
        if (iteration > pile.maxSolves) {
            writeNoClosure(scratch, pile.maxSolves, pileGroup);
            scratch.capAbortFlag = 1;
            return;
        }
        // One soil for both planes: the curves are read at the resultant deflection.
        for (int k = 0; k <= N; ++k)
            py.pyDeflection[static_cast<std::size_t>(k)] =
                resultant(nodeAt(xy.y, k), nodeAt(xz.y, k));
        if (!evaluateModuli(store, scratch, pile, status)) return;
    }

    const double forceY = computePlaneResults(xy, work.Es, Q, N, h);
    const double forceZ = computePlaneResults(xz, work.Es, Q, N, h);
    const double momentXY = nodeAt(xy.M, 0);
    const double momentXZ = nodeAt(xz.M, 0);
    if (!std::isfinite(forceY) || !std::isfinite(forceZ) || !std::isfinite(momentXY) ||
        !std::isfinite(momentXZ)) {
        failNotFinite(scratch, pileGroup, status);
        return;
    }
    Fy = forceY;
    Fz = forceZ;
    Mxy = momentXY;
    Mxz = momentXZ;
    solution.headForceY = forceY;
    solution.headForceZ = forceZ;
    solution.headMomentXY = momentXY;
    solution.headMomentXZ = momentXZ;
    solution.solvedBy = kSolvedBiaxial;
    solution.solvedTorsion = T;
    // The printing pass runs in the store's own scratch space (pile.printing).
    if (pile.printing) printLateralSolution(*scratch.owner, scratch, pileGroup);
}

std::array<PlaneHeadStiffness, 2> condensedBiaxialStiffness(const PileScratch& scratch, double Q) {
    const PileWork& work = scratch.work;
    std::array<PlaneHeadStiffness, 2> k{};
    for (std::size_t i = 0; i < 2; ++i)
        k[i] = condensedHeadStiffness(work.planes[i], work.Es, Q, work.N, work.h,
                                      RotationSense::opposite);
    return k;
}

}  // namespace pylora
