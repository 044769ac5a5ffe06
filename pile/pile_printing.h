// SPDX-License-Identifier: Apache-2.0
// The printing pass of the lateral pile solvers, apart from the solution:
// the cap solutions may solve the pile groups of their printing pass in
// scratch spaces of their own, on several threads, and print them afterwards
// in pile-group order.
#pragma once

#include "store/model_store.h"

namespace pylora {

// Prints the closed solution that a lateral solver (single-plane or
// biaxial) left in scratch for pile group pileGroup to the files of store,
// exactly as the solver prints it on the printing pass: the pile-head rows,
// the along-pile results, the envelope trackers and the iteration count.
// Prints nothing when the latest solution in scratch is not a closed one of
// pileGroup (scratch.head.solvedBy). The results collector reads the nodal
// results of store.pileScratch: pass the store's own scratch space.
void printLateralSolution(ModelStore& store, PileScratch& scratch, int pileGroup);

// What of the printing of pile group pileGroup depends on its solution alone,
// done ahead in the scratch space that holds it (on the worker thread that
// solved it): the stresses and the rows of the along-pile listing of a
// biaxial solution, which printLateralSolution then takes as they are. The
// store is only read.
void prepareLateralPrinting(const ModelStore& store, PileScratch& scratch, int pileGroup);

}  // namespace pylora
