// SPDX-License-Identifier: Apache-2.0
// Loads of a load case assembled at the cap origin, and the default load
// levels of the foundation stiffness estimation.
#pragma once

#include "store/model_store.h"

namespace pylora {

// The equivalent load at the cap origin of load case caseNo (1-based) in
// capLoad: the case's concentrated loads summed with their moment arms about
// the origin, then all six components multiplied by the case's scaleFactor.
// With the load values c1 .. c9 of a concentrated load (c7, c8, c9 the point
// of application x, y, z):
//   three-dimensional (analysisType other than 2):
//     force X = sum c1, force Y = sum c2, force Z = sum c4,
//     moment X = sum (c6 + c4 y - c2 z), moment Y = sum (c5 + c1 z - c4 x),
//     moment Z = sum (c3 + c2 x - c1 y);
//   two-dimensional (analysisType 2): force X = sum c1, force Y = sum c2,
//     moment Z = sum (c3 + c2 x - c1 y); the other three components are 0.
// A case number outside 1 .. loadCaseCount gives a zero load. Reads the
// store only.
void caseLoad(const ModelStore& store, int caseNo, CapVector& capLoad);

// Load levels of the foundation stiffness estimation when a case gives none.
inline constexpr int kDefaultStiffnessLevelCount = 10;

// A case that asks for the foundation stiffness (integer 9 at 1 or more) and
// gives no load level (integer 17 at 0) gets the ten default levels 0.1,
// log10(2), log10(3), ..., log10(10), and its level count becomes 10. Any
// other case is left unchanged. Returns true when the defaults were applied.
bool applyDefaultStiffnessLevels(LoadCase& loadCase);

}  // namespace pylora
