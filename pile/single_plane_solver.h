// SPDX-License-Identifier: Apache-2.0
// The single-plane laterally loaded pile solver: one pile group as a
// beam-column on a nonlinear foundation in one plane, with secant soil moduli
// from the p-y curves iterated until the deflections stop changing.
#pragma once

#include "store/model_store.h"

namespace pylora {

// The two instances of the solver. They differ in the sense of the imposed
// rotation, the starting soil moduli, the trace of the moduli and their
// printing.
enum class SinglePlaneInstance {
    // The two-dimensional analysis: rotation as given; starting moduli from
    // the p-y curves at a deflection falling linearly from yt at the head to
    // zero at the tip (k x h with the group's own user curves); results
    // printed to the report, the results data file and the pile data file,
    // and handed to the envelope trackers.
    twoDimensional,
    // The resultant plane of the per-pile analysis in cap coordinates: the
    // opposite sense of rotation; starting moduli K x depth below the ground
    // (k x h with user curves); a trace of every node after each p-y
    // evaluation of the printing pass; head forces resolved onto the pile
    // axes with the head displacement of the per-pile analysis, printed to
    // the report and the summary file.
    resultantPlane,
};

// Solves pile group pileGroup (1-based) for the lateral head displacement yt
// and imposed head rotation S [radian] in the pile's local lateral axis and
// the axial force Q (compression positive); torsion is the torsional head
// moment, printed by the resultant-plane instance only.
//
// The solver reads the model from the store and works in scratch. On a
// closed solution headForce receives the lateral force the pile carries at
// its head (the trapezoidal integral of soil reaction less distributed load),
// scratch.head.headForceY and headMomentXY that force and the head moment
// M(0) = -EI y''(0), and scratch.work the nodal results. When
// store.pileSolution.finalPassFlag is 1 and scratch is the store's own, the
// results are also printed. When scratch.start holds a state of this pile
// group, its moduli (and flexural rigidity, with nonlinear bending) replace
// the starting moduli.
//
// Failures:
//   - status nonzero on entry (pile-length check): returns at once;
//   - a p-y evaluation sets status: returned unchanged, no results;
//   - bad input (no property, N outside 1..100, a length or EI that is not
//     positive, a head value that is not finite): fatal block, status
//     kStatusPileBadInput; a solution that is not finite: fatal block,
//     status kStatusPileNotFinite;
//   - no closure within the iteration limit (at least two solves): warning,
//     scratch.capAbortFlag = 1, headForce not updated; the same flag when
//     the group's user curves do not reach the tip.
// The nodal arrays hold the last solve in every case.
void solveSinglePlanePile(const ModelStore& store, PileScratch& scratch, int pileGroup, double yt,
                          double S, double Q, double& headForce, int& status,
                          SinglePlaneInstance instance = SinglePlaneInstance::twoDimensional,
                          double torsion = 0.0);

}  // namespace pylora
