// SPDX-License-Identifier: Apache-2.0
// The analysis driver: every load case, then every load combination, each
// with its loads, its optional foundation stiffness estimation and its
// analysis under the total load; then the envelopes and the printed p-y
// curves.
#pragma once

#include "cap/cap_2d.h"
#include "cap/cap_equilibrium_3d.h"
#include "plate/flexible_cap.h"
#include "report/envelope_tables.h"
#include "report/input_echo.h"
#include "soil/printed_curves.h"
#include "store/model_store.h"

namespace pylora {

// Degrees of freedom of the cap: 3 for the two-dimensional model (analysis
// type 2), 6 for every other type.
int dofCount(const ModelStore& store);

// Subscript in a CapVector of degree of freedom dof (1..dofCount): the
// two-dimensional DOFs 1, 2, 3 are force X, force Y and moment Z.
int capComponentOfDof(int dofCount, int dof);

// The equivalent load at the cap origin of combination combinationNo
// (1-based): the sum over its entries of load factor x the case load of the
// entry's case (caseLoad, engine/load_assembly.h). A case listed twice counts
// twice; an entry naming no load case adds nothing, and a combination number
// outside 1..combinationCount gives a zero load. Reads the store only.
void combinationLoad(const ModelStore& store, int combinationNo, CapVector& capLoad);

// The routines of other subsystems that the driver calls. analysisDriver
// uses the real ones; a test may put its own in their place.
struct AnalysisRoutines {
    void (*solveCap3D)(ModelStore&, int& curveSwitch, int& errorFlag) = solveCapEquilibrium3D;
    void (*solveCap2D)(ModelStore&, int& echoSwitch, int& errorFlag) = pylora::solveCap2D;
    void (*solveFlexibleCap)(ModelStore&, int& errorFlag) = pylora::solveFlexibleCap;
    void (*printEnvelope)(ModelStore&, int which, int series) = printEnvelopeResults;
    void (*printPyCurves)(ModelStore&) = pylora::printPyCurves;
    void (*echoModel2D)(ModelStore&) = echoTwoDimensionalModel;
};

// Runs the load cases and the load combinations of the model with their
// envelopes, then prints the requested p-y curves, through the given
// routines. curveSwitch is the value KPYOP had before the preparation set it
// to 0. stopCode leaves as it came (0) when every case and combination was
// analysed, else as the nonzero code of the cap solution that stopped the
// run; the driver then ends at once, without further case, combination,
// envelope or p-y curve.
//
// A two-dimensional model whose input gave a KPYOP of 2 or more
// (curveSwitch) has its second input echo printed once, before its first
// cap solution.
//
// A flexible cap (flexibleCapOption 1 or 2) is handed to solveFlexibleCap in
// place of the cap solution of the analysis type, with no stiffness
// estimation (an estimation of the rigid cap).
//
// Every analysis runs with KPYOP at 0 and with store.analysis.capLoad at the
// full load of its case or combination (the driver restores it before each
// call of a cap solution). KPYOP is set to curveSwitch before the p-y curves
// are printed, and back to 0 afterwards when it is 1.
//
// Foundation stiffness estimation (a load case with integer 9 at 1 or more):
// for each DOF d whose component of the cap load is not 0, one flexibility
// run per load level n (estimationMode 2, estimationDof d, levelNo n, level
// the n-th level, estimationRun r = 1, 2, ... over the case). The cap solution
// of each run writes its records, each "r value value ..." in free format:
//   scratch file 1: one record, r and the dofCount displacements per unit
//     load of DOF d (a column of the flexibility matrix);
//   scratch file 2: two records, the first beginning with -r when no load
//     increment converged.
// A run converged when scratch file 2 holds a record of r and none of -r and
// scratch file 1 holds its column. With case integer 10 at 1 the driver then
// prints, per level, the stiffness matrix: the inverse of the flexibility
// matrix of the DOFs considered (with integer 11 at 1 of its diagonal only).
void runAnalysisSequence(ModelStore& store, int curveSwitch, int& stopCode,
                         const AnalysisRoutines& routines);

// runAnalysisSequence with the real cap solutions, envelope printer and p-y
// curve printer. Called once by the preparation step.
void analysisDriver(ModelStore& store, int curveSwitch, int& stopCode);

}  // namespace pylora
