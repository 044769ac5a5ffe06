// SPDX-License-Identifier: Apache-2.0
// Stresses, capacities and printing of the pile solvers on the printing pass
// (the cap solution's final per-pile pass), which runs in the store's own
// scratch space. Internal to the pile library.
#pragma once

#include "pile/lateral_common.h"
#include "store/model_store.h"

namespace pylora {

// Total stress at nodes 0 .. N of the single plane, |M| DIAM / 2I + |Q| /
// AREA with I about z, and, when withCapacity, the bending and shear
// demand/capacity ratios with the resistance factors of the analysis.
void computeSinglePlaneStresses(const ModelStore& store, PileScratch& scratch,
                                const LateralPile& pile, double Q, bool withCapacity);

// Total stress of the biaxial solution, |Q| / AREA plus the square root of
// the sum of the squared bending stresses of the two planes, and the
// demand/capacity ratios of the resultant moment and shear.
void computeBiaxialStresses(const ModelStore& store, PileScratch& scratch, const LateralPile& pile,
                            double Q);

// The printing of the two-dimensional solver: pile-head rows to the report,
// the results data file and the pile data file, the cap-level sums, the
// envelope trackers, the along-pile listing and table, and the iteration
// count. Negates the moment array in place before the along-pile listing.
void printTwoDimensionalResults(ModelStore& store, PileScratch& scratch, const LateralPile& pile,
                                double Q, double headForce);

// The printing of the resultant-plane solver to the report and the summary
// file: local head forces from the head force and moment and the head
// displacement of the per-pile analysis, in pile and in global axes, the
// along-pile table and the iteration count.
void printResultantPlaneResults(ModelStore& store, PileScratch& scratch, const LateralPile& pile,
                                double Q, double torsion, double headForce);

// The trace of the resultant-plane solver after a p-y evaluation: one record
// 'SRE  ' I5 7E24.16 per node (position index k + 4; x, y, its change in the
// last solve, Es, p = Es y, EI and the moment of the last solve) to the
// report and the summary file.
void writeResultantTrace(ModelStore& store, const PileScratch& scratch, const LateralPile& pile);

// The printing of the biaxial solver: pile-head rows of both planes in
// global and pile axes to the report, the results data file and the pile
// data file, the envelope trackers, the along-pile listing and table, and
// the iteration count. Negates both moment arrays in place before the
// along-pile listing.
void printBiaxialResults(ModelStore& store, PileScratch& scratch, const LateralPile& pile, double Q,
                         double torsion, double Fy, double Fz, double Mxy, double Mxz);

}  // namespace pylora
