// SPDX-License-Identifier: Apache-2.0
// Pile-head load-settlement curves generated from the soil profile.
#pragma once

#include "store/model_store.h"

namespace pylora {

// What the generation also writes to the curve file.
inline constexpr int kCurveOutputTz = 1;  // the t-z curves of the side
inline constexpr int kCurveOutputQw = 2;  // the q-w curve of the tip

// Builds the t-z and q-w curves of pile property IPROP (1-based) from the
// prepared soil profile and integrates them into the nine-point pile-head
// load-settlement curve of the property, store.generatedCurves
// .loadSettlement[IPROP - 1] (top load, top movement), marching from the tip
// up for each of nine assumed tip movements. The curves themselves stay in
// store.generatedCurves.axialTransfer. curveOutput selects what goes to the
// curve file as well.
//
// status is left unchanged (0) on success and receives 22 to 24 (profile
// lookups), 32 or 33 (zero E50 or strength at a clay tip), or 104 (a property
// without sections, length, diameter or axial rigidity, with a fatal error in
// the report) on failure; the pile-head curve is then not written and the
// caller ends the run.
void generateLoadSettlement(ModelStore& store, int IPROP, int curveOutput, int& status);

}  // namespace pylora
