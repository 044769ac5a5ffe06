// SPDX-License-Identifier: Apache-2.0
// The biaxial laterally loaded pile solver of the three-dimensional analysis:
// two single-plane beam-columns, in the pile's x-y and x-z planes, coupled
// only through the soil, whose secant modulus both planes share and which is
// taken from the p-y curves at the resultant deflection.
#pragma once

#include <array>

#include "store/model_store.h"

namespace pylora {

// Solves pile group pileGroup (1-based) for the lateral head displacement uy
// and imposed rotation Sy of the x-y plane, uz and Sz of the x-z plane
// (rotations in radians, entering the head conditions with the opposite
// sense, as the per-pile analysis passes (uy, -tz) and (uz, ty)), the axial
// force Q (compression positive) and the torsional head moment T (printed
// only). Each plane has its own head condition (connection and spring about
// its own axis), EI, distributed load and moment-curvature sets.
//
// The solver reads the model from the store and works in scratch. On a
// closed solution Fy and Fz receive the lateral head forces of the two planes
// and Mxy and Mxz their head moments M(0) = -EI y''(0); the same go to
// scratch.head, and scratch.work holds the nodal results. When
// store.pileSolution.finalPassFlag is 1 and scratch is the store's own, the
// results are also printed.
//
// Starting moduli: K x depth below the ground (subgradeModulusForSolver),
// or the group's own user curves at zero deflection; or, when scratch.start
// holds a state of this pile group, its moduli (and its flexural rigidities
// with nonlinear bending). Convergence needs both planes' deflections to
// change by less than the tolerance at every node, and at least two solves.
// Failures as solveSinglePlanePile: status from entry or the p-y evaluation
// returned unchanged, kStatusPileBadInput, kStatusPileNotFinite, and
// scratch.capAbortFlag = 1 on no closure (outputs then not updated).
void solveBiaxialPile(const ModelStore& store, PileScratch& scratch, int pileGroup, double uy,
                      double Sy, double uz, double Sz, double Q, double T, double& Fy, double& Fz,
                      double& Mxy, double& Mxz, int& status);

// The condensed head stiffness of both planes (x-y first) of the closed
// solution that solveBiaxialPile left in scratch.work for the axial force Q:
// the system of its last solve, with the moduli, rigidities and head
// conditions it used, solved for a unit head deflection and a unit imposed
// rotation without load. Rotations in the solver's sense (Sy, Sz).
std::array<PlaneHeadStiffness, 2> condensedBiaxialStiffness(const PileScratch& scratch, double Q);

}  // namespace pylora
