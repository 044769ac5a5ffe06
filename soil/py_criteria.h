// The p-y criteria, one per soil type. Each fills the moduli of the nodes of
// layer L of the current pile group (IPROP its pile property set) through the
// shared node loop, and returns at once with a nonzero status.
#pragma once

#include "store/model_store.h"

namespace pylora {

// Cohesive soil (soil/clay_criteria.cpp).
void softClayCurve(ModelStore& store, int IPROP, int L, int& status);             // type 1
void stiffClayBelowWaterCurve(ModelStore& store, int IPROP, int L, int& status);  // type 2
void stiffClayAboveWaterCurve(ModelStore& store, int IPROP, int L, int& status);  // type 3
void stiffClayInitialKCurve(ModelStore& store, int IPROP, int L, int& status);    // type 10

// Curves given by the user (soil/user_curves.cpp).
void userCurve(ModelStore& store, int IPROP, int L, int& status);  // type 5

// Granular and mixed soil, and rock.
void sandCurve(ModelStore& store, int IPROP, int L, int& status);            // type 4
void vuggyLimestoneCurve(ModelStore& store, int IPROP, int L, int& status);  // type 6
void siltCurve(ModelStore& store, int IPROP, int L, int& status);            // type 7
void apiSandCurve(ModelStore& store, int IPROP, int L, int& status);         // type 8
void weakRockCurve(ModelStore& store, int IPROP, int L, int& status);        // type 9
void liquefiedSandCurve(ModelStore& store, int IPROP, int L, int& status);   // type 11

// The moduli of every node k = 0 .. N of pile group groupNo from the group's
// own set of user p-y curves, in place of generatePyModuli. A node below the
// last curve of the set writes "  -  P-Y CURVES DO NOT EXTEND THE LENGTH OF
// THE PILE" to the report, sets pyState.pileFailureFlag to 1 and ends the
// evaluation; the nodes above it keep their new moduli.
void userPileCurves(ModelStore& store, int groupNo, int& status);

}  // namespace pylora
