// SPDX-License-Identifier: Apache-2.0
// The flexible pile cap: the hand-over from the cap solution to the plate
// model, and the plate solver's start on the model named in "gslab.dat".
#pragma once

#include "plate/plate_model.h"
#include "store/model_store.h"

namespace pylora {

// Solves a cap with flexibleCapOption 1 or 2 for store.analysis.capLoad in
// place of the rigid cap solutions; the analysis driver calls it for every
// load case and combination. Both options write the plate model of the
// load: "gslab.dat", the numeric and the keyword model file (plate/
// plate_export.h). Option 2 stops there: errorFlag stays 0 and the run goes
// on. Option 1 first writes the two plot-file header records (I5 the
// analysis type; 3I5 the number of pile groups, the number of load cases
// plus one and the units system), the headings "COMPUTATION RESULTS" and
// "* TABLE I *   COMPUTATION ON INDIVIDUAL PILE" to the report and the
// summary, and after the model the plate solver (solvePlateModel).
//
// errorFlag comes in as 0 and leaves as the code that ends the run:
// kReturnInputRefused (a plate that cannot be built, a load or pile head
// outside it), kReturnFileOpenError (a plate file that cannot be written or a
// name too wide for "gslab.dat"), or with option 1 the code of the plate
// solver, each with its message in the report and the runtime file.
void solveFlexibleCap(ModelStore& store, int& errorFlag);

// The plate solver: reads "gslab.dat" in the run folder (five names of up
// to 128 characters, relative to that folder: keyword model, numeric model,
// input listing, step results, step summary), reads the numeric model,
// echoes it to the input listing and checks it (plate/plate_reader.h), with
// the element control values `element`. Returns kReturnPlateModelRejected
// (999) for a model that fails its checks; kReturnFileOpenError when
// "gslab.dat" or a file it names cannot be opened; and, since the solution
// of the plate is not part of this build, kReturnNotAvailable (99) with the
// fatal message "THE PLATE SOLUTION IS NOT AVAILABLE IN THIS BUILD" for a
// model that passes them. Every plate file is closed on return.
[[nodiscard]] int solvePlateModel(ModelStore& store, const PlateElementControl& element = {});

}  // namespace pylora
