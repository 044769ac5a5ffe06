// The two-dimensional analysis: the vertical and horizontal displacement and
// the rotation of the pile cap of a row of pile groups under the load of one
// load case or combination.
#pragma once

#include "store/model_store.h"

namespace pylora {

// Solves the cap of a two-dimensional model for the force X, force Y and
// moment Z of store.analysis.capLoad, with the load increments, completion
// codes, estimation passes and report structure of the three-dimensional cap
// equilibrium (cap/cap_equilibrium_3d.h). Sets KPYOP to 0 at its start.
//
// echoSwitch is the KPYOP the input gave; at 2 or more the routine first
// prints a second input echo of the two-dimensional model. errorFlag comes in
// as 0; a nonzero value on return is a fatal error of the pile analysis,
// after which the caller stops the run with that code.
void solveCap2D(ModelStore& store, int& echoSwitch, int& errorFlag);

}  // namespace pylora
