// SPDX-License-Identifier: Apache-2.0
// How near the latest lateral solution of a pile group is to its limits: the
// bending moment against the section's nominal moment capacity, and the soil
// reaction against the ultimate resistance of the node's p-y curve. Read by
// the events of a pushover (cap/pushover.h).
#pragma once

#include "store/model_store.h"

namespace pylora {

// A node's soil counts as at its ultimate resistance from this share of pu
// on: curves that approach pu only asymptotically (the sand criteria) or
// whose secant modulus lags one evaluation behind the deflection reach it
// within round-off of the solution, not exactly.
inline constexpr double kUltimateShare = 0.99;

struct PileLimitState {
    double momentRatio = 0.0;  // largest |M| / Mn over the nodes with a capacity; 0 without
    double momentDepth = 0.0;  // where it is, along the pile from its head
    // The first run of consecutive nodes whose soil reaction is at the
    // ultimate resistance and whose length (first to last node) exceeds the
    // pile diameter at its top node; soilRun false when there is none.
    bool soilRun = false;
    double soilDepth = 0.0;  // depth of its top node
};

// The limit state of the lateral solution left in scratch for pileGroup (the
// moment and soil reaction of every node of the closed solution, the
// resultant of both planes of a biaxial one, and the ultimate resistances of
// its latest p-y evaluation, which the evaluation keeps only when asked,
// keepsUltimateResistance in soil/py_evaluation.h). A scratch space without
// a closed solution of that group gives the state of a pile at rest.
PileLimitState limitStateOfSolution(const ModelStore& store, const PileScratch& scratch,
                                    int pileGroup);

}  // namespace pylora
