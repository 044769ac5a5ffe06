// The three-dimensional cap equilibrium: the six displacements of the rigid
// pile cap under the load of one load case or combination.
#pragma once

#include "engine/model_store.h"

namespace pylora {

// Solves the cap of a three-dimensional model for store.analysis.capLoad,
// applied in increments of the load factor, and prints the cap results
// (TABLE L), the completion code and the per-pile results. In an estimation
// pass (store.analysis.estimation.estimationMode 1 or 2) it applies
// estimation.level x capLoad of the DOF estimationDof alone and writes the
// estimation records to the scratch files (analysis_driver.h) instead of the
// results.
//
// curveSwitch is the KPYOP the input gave. errorFlag comes in as 0; a nonzero
// value on return is a fatal error of the pile analysis, after which the
// caller stops the run with that code.
void solveCapEquilibrium3D(ModelStore& store, int& curveSwitch, int& errorFlag);

}  // namespace pylora
