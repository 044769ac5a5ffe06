// SPDX-License-Identifier: Apache-2.0
#include "pile/single_plane_solver.h"

#include <array>
#include <cmath>

#include "pile/beam_column.h"
#include "pile/lateral_common.h"
#include "pile/lateral_output.h"
#include "pile/pile_printing.h"
#include "pile/section_properties.h"

namespace pylora {

namespace {

// Starting soil moduli before the first solve. Returns false when the p-y
// evaluation failed.
bool setStartingModuli(const ModelStore& store, PileScratch& scratch, const LateralPile& pile,
                       SinglePlaneInstance instance, double yt, int& status) {
    PileWork& work = scratch.work;
    const int N = pile.N;
    if (instance == SinglePlaneInstance::resultantPlane) {
        const bool curveSwitch = store.control.userPyCurvesOption != 0;
        for (int k = 0; k <= N; ++k)
            nodeAt(work.Es, k) =
                curveSwitch ? k * pile.h : linearStartingModulus(store, scratch, pile, k);
        return true;
    }
    if (pile.wholePileCurves) {
        // A start only: the first solve's deflections give the first moduli.
        for (int k = 0; k <= N; ++k)
            nodeAt(work.Es, k) = k * pile.h;
        return true;
    }
    // A deflection falling linearly from yt at the head to zero at the tip.
    LateralPyState& py = scratch.py;
    for (int k = 0; k <= N; ++k)
        py.pyDeflection[static_cast<std::size_t>(k)] = yt * (1.0 - static_cast<double>(k) / N);
    return evaluateModuli(store, scratch, pile, status);
}

}  // namespace

void solveSinglePlanePile(const ModelStore& store, PileScratch& scratch, int pileGroup, double yt,
                          double S, double Q, double& headForce, int& status,
                          SinglePlaneInstance instance, double torsion) {
    if (status != 0) return;
    const std::array<double, 4> headValues{yt, S, Q, torsion};
    LateralPile pile;
    if (!prepareLateralPile(store, scratch, pileGroup, headValues, pile, status)) return;

    PileWork& work = scratch.work;
    PileHeadResults& solution = scratch.head;
    const PileGroupWork& group = store.work.groups[pileGroup - 1];
    const int N = pile.N;
    const double h = pile.h;
    const RotationSense sense = instance == SinglePlaneInstance::resultantPlane
                                    ? RotationSense::opposite
                                    : RotationSense::asGiven;
    work.planeCount = 1;
    PlaneWork& plane = work.planes[0];
    resetPlane(plane, group.connectionY, group.springY, yt, S);
    work.planes[1].y.fill(0.0);

    distributedLoadAtNodes(store, pileGroup, LoadDirection::y, plane.w);
    // The converged state of the unperturbed solution, when the per-pile
    // analysis left one for this pile group, replaces the starting moduli.
    const LateralStart& start = scratch.start;
    const bool warm = start.pileGroup == pileGroup;
    if (warm) {
        for (int k = 0; k <= N; ++k)
            nodeAt(work.Es, k) = nodeAt(start.Es, k);
    } else if (!setStartingModuli(store, scratch, pile, instance, yt, status)) {
        return;
    }
    fillAxialForce(work, N, Q);
    if (!fillLinearRigidity(store, scratch, pile, plane, BendingPlane::singlePlane, status)) return;
    if (warm && pile.nonlinearBending)
        for (int k = 0; k <= N; ++k)
            nodeAt(plane.R, k) = nodeAt(start.R[0], k);
    scratch.lateralSolutions += 1;

    LateralPyState& py = scratch.py;
    const bool trace =
        instance == SinglePlaneInstance::resultantPlane && pile.printing && !pile.wholePileCurves;
    int iteration = 1;
    for (;;) {
        // The head rows follow R(0), which the moment-curvature update changes.
        setHeadRows(plane, h, sense);
        sweepForward(plane, work.Es, Q, N, h);
        keepPreviousDeflections(plane, N);
        solveTipAndBackSubstitute(plane, Q, N, h);
        if (pile.nonlinearBending)
            updateFlexuralRigidity(store, scratch, pileGroup, 0, BendingPlane::singlePlane, Q);
        work.iterationCount = iteration;
        scratch.lateralIterations += 1;
        if (!deflectionsFinite(plane, N)) {
            failNotFinite(scratch, pileGroup, status);
            return;
        }
        if (iteration != 1 && largestDeflectionChange(plane, N) < pile.tolerance) break;
        iteration += 1;
        if (iteration > pile.maxSolves) {
            writeNoClosure(scratch, pile.maxSolves, pileGroup);
            scratch.capAbortFlag = 1;
            return;
        }
        for (int k = 0; k <= N; ++k)
            py.pyDeflection[static_cast<std::size_t>(k)] = nodeAt(plane.y, k);
        if (!evaluateModuli(store, scratch, pile, status)) return;
        if (trace) writeResultantTrace(*scratch.owner, scratch, pile);
    }

    const double force = computePlaneResults(plane, work.Es, Q, N, h);
    const double headMoment = nodeAt(plane.M, 0);
    if (!std::isfinite(force) || !std::isfinite(headMoment)) {
        failNotFinite(scratch, pileGroup, status);
        return;
    }
    headForce = force;
    solution.headForceY = force;
    solution.headMomentXY = headMoment;
    solution.headForceZ = 0.0;
    solution.headMomentXZ = 0.0;
    solution.solvedBy = instance == SinglePlaneInstance::twoDimensional ? kSolvedTwoDimensional
                                                                        : kSolvedResultantPlane;
    solution.solvedTorsion = torsion;
    // The printing pass runs in the store's own scratch space (pile.printing).
    if (pile.printing) printLateralSolution(*scratch.owner, scratch, pileGroup);
}

}  // namespace pylora
