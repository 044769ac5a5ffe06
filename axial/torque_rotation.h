// SPDX-License-Identifier: Apache-2.0
// Pile-head torque-rotation curves generated from the soil profile.
#pragma once

#include "store/model_store.h"

namespace pylora {

// Builds the torsional load-transfer curves (shear against tangential
// movement of the pile surface) and the tip curve of pile property IPROP
// (1-based) and integrates them into the nine-point pile-head torque-rotation
// curve of the property, store.generatedCurves.torqueRotation[IPROP - 1]
// (top torque, top rotation in radians). The curves stay in
// store.generatedCurves.torsionalTransfer. A section without torsional
// rigidity writes "ERROR!!!     GJ(TORSIONAL RIGIDITY) IS ZERO" to the report
// and the runtime file and is taken as rigid in torsion; the curve is still
// built. The curve file holds the axial curves only, so curveOutput writes
// nothing here.
//
// status is left unchanged (0) on success and receives 22 to 24 (profile
// lookups), 34 or 35 (zero E50 or strength at a clay tip), or 104 (a property
// without sections, length or diameter) on failure; the caller then ends the
// run.
void generateTorqueRotation(ModelStore& store, int IPROP, int curveOutput, int& status);

}  // namespace pylora
