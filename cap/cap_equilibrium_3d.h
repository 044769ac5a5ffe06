// SPDX-License-Identifier: Apache-2.0
// The three-dimensional cap equilibrium: the six displacements of the rigid
// pile cap under the load of one load case or combination.
#pragma once

#include "store/model_store.h"

namespace pylora {

// Solves the cap of a three-dimensional model for store.analysis.capLoad.
// The load is applied in increments of the load factor (the first and every
// further increment loadIncrementFactor, the last one clamped to the full
// load); within an increment a Newton iteration corrects the cap
// displacement by the inverse of the tangent cap stiffness until the
// relative changes of the translations and of the rotations both fall to
// capTolerance (or the corrections become negligible). An increment that
// does not converge within maxCapIterations is halved and retried from the
// last converged state; below minLoadIncrementFactor the solution stops.
// The group reduction factors follow the movement of the cap.
//
// Output of an ordinary analysis: the combined reduction factors, TABLE L
// at the last converged state (report, summary, results data file), the
// partial-load warning when that state is below the full load, the
// completion code in the status file, the heading of TABLE M and the final
// per-pile pass in which the pile solvers print every pile group; then the
// count of solved analyses grows by 1. Completion codes: 1 completed, 2 a
// part of the load, 3 no increment converged, 6 a pile solution did not
// close, 7 singular cap stiffness (3, 6 and 7 print no cap results). In an
// estimation pass (store.analysis.estimation.estimationMode 1 or 2) the load
// is estimation.level x capLoad of the DOF estimationDof alone and the
// records go to the scratch files (engine/analysis_driver.h) instead of the
// results.
//
// Every case runs with KPYOP as the caller set it (0): curveSwitch, the
// KPYOP the input gave, is left for the driver to restore before the p-y
// curves are printed, so that each analysis sees the same layer selection
// and equivalent depths whatever its place in the input.
//
// errorFlag comes in as 0; a nonzero value on return is a fatal error of the
// pile analysis (the status of the discretisation, the p-y evaluation or a
// pile solver), kReturnNotAvailable for a flexible cap (the driver hands a
// flexible cap to the plate model instead, plate/flexible_cap.h) or
// kReturnInputRefused for unusable increment factors, each with its message
// in the report and the runtime file; the caller then stops the run with that code.
// finalPassFlag is 0 on every return.
void solveCapEquilibrium3D(ModelStore& store, int& curveSwitch, int& errorFlag);

}  // namespace pylora
