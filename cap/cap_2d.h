// SPDX-License-Identifier: Apache-2.0
// The two-dimensional analysis: the vertical and horizontal displacement and
// the rotation of the pile cap of a row of pile groups under the load of one
// load case or combination.
#pragma once

#include "store/model_store.h"

namespace pylora {

// Solves the cap of a two-dimensional model for the force X, force Y and
// moment Z of store.analysis.capLoad (vertical load, horizontal load,
// moment), with the load increments, completion codes, estimation passes and
// report structure of the three-dimensional cap equilibrium
// (cap/cap_equilibrium_3d.h). The differences:
//   - three cap DOFs, with the state in store.capSolution2D; the group
//     reduction factors prepared before the analysis stay in force;
//   - the progress message uses the load-case wording also for combinations;
//   - per global iteration the force sum of the pile groups (sumPileForces2D)
//     runs at the cap displacement and at three forward-difference
//     perturbations (translations 1.0E-5, 2.54E-7 in the metric units
//     system; rotation 1.0E-8), and with an embedded cap three more times
//     before those for the passive force and moment on the cap face;
//   - the correction comes from the cofactor inverse of the 3 x 3 stiffness;
//     a determinant of magnitude up to 1.0E-14 is a singular cap;
//   - convergence without the relaxed test of long iterations; the warning
//     that the cap does not converge is written at the smallest increment
//     unless the stiffness was singular;
//   - no torsion warnings, no combined reduction-factor table; TABLE L in its
//     two-dimensional layout.
// A lateral pile solution that does not close fails the iteration as a pile
// that did not converge (code 6 when it still fails at the smallest
// increment). Sets KPYOP to 0 at its start; on return store.capSolution.capDisp
// holds the cap displacement in the places of force X, force Y and moment Z.
//
// echoSwitch is the KPYOP the input gave. The second input echo that a value
// of 2 or more asks for is printed by the caller (the analysis driver), since
// the echo belongs to the reports above this library. errorFlag comes in as
// 0; a nonzero value on return is a fatal error of the pile analysis (13 for
// a pile below the deepest layer, a status of the p-y evaluation or of the
// pile solver), kReturnNotAvailable for a flexible cap (which the driver
// hands to the plate model instead) or kReturnInputRefused for unusable
// increment factors, each with its message in the report and
// the runtime file; the caller then stops the run with that code.
void solveCap2D(ModelStore& store, int& echoSwitch, int& errorFlag);

// The force sum F of the pile groups at the cap displacement U and its
// forward-difference stiffness K (column j: the sum at U + step j e_j, less
// F, over step j), with the steps of the units system. Four runs of
// sumPileForces2D; status as that routine's (K is then all zero).
void capStiffness2D(ModelStore& store, const CapVector2D& U, CapVector2D& F, CapMatrix2D& K,
                    int& status);

// The perturbation of each cap DOF in the forward differences: translations
// 1.0E-5, or 2.54E-7 (the same length in metres) in units system 2;
// rotation 1.0E-8 radian.
CapVector2D capPerturbations2D(const ModelStore& store);

}  // namespace pylora
