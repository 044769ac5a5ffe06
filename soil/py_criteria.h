// SPDX-License-Identifier: Apache-2.0
// The p-y criteria, one per soil type. Each fills the moduli of the nodes of
// layer L of the current pile group (IPROP its pile property set) through the
// shared node loop, and returns at once with a nonzero status.
#pragma once

#include "store/model_store.h"

namespace pylora {

// Cohesive soil (soil/clay_criteria.cpp).
void softClayCurve(const ModelStore& store, PileScratch& scratch, int IPROP, int L,
                   int& status);  // type 1
void stiffClayBelowWaterCurve(const ModelStore& store, PileScratch& scratch, int IPROP, int L,
                              int& status);  // type 2
void stiffClayAboveWaterCurve(const ModelStore& store, PileScratch& scratch, int IPROP, int L,
                              int& status);  // type 3
void stiffClayInitialKCurve(const ModelStore& store, PileScratch& scratch, int IPROP, int L,
                            int& status);  // type 10

// Curves given by the user (soil/user_curves.cpp).
void userCurve(const ModelStore& store, PileScratch& scratch, int IPROP, int L,
               int& status);  // type 5

// Granular and mixed soil, and rock.
void sandCurve(const ModelStore& store, PileScratch& scratch, int IPROP, int L,
               int& status);  // type 4
void vuggyLimestoneCurve(const ModelStore& store, PileScratch& scratch, int IPROP, int L,
                         int& status);  // type 6
void siltCurve(const ModelStore& store, PileScratch& scratch, int IPROP, int L,
               int& status);  // type 7
void apiSandCurve(const ModelStore& store, PileScratch& scratch, int IPROP, int L,
                  int& status);  // type 8
void weakRockCurve(const ModelStore& store, PileScratch& scratch, int IPROP, int L,
                   int& status);  // type 9
void liquefiedSandCurve(const ModelStore& store, PileScratch& scratch, int IPROP, int L,
                        int& status);  // type 11

// The moduli of every node k = 0 .. N of pile group groupNo from the group's
// own set of user p-y curves, in place of generatePyModuli. A node below the
// last curve of the set writes "  -  P-Y CURVES DO NOT EXTEND THE LENGTH OF
// THE PILE" to the report, sets scratch.py.pileFailureFlag to 1 and ends the
// evaluation; the nodes above it keep their new moduli.
void userPileCurves(const ModelStore& store, PileScratch& scratch, int groupNo, int& status);

}  // namespace pylora
