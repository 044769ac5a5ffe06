// SPDX-License-Identifier: Apache-2.0
// The cap envelope: minimum and maximum of the cap load and of the cap
// displacement over the analyses of one series (load cases or combinations).
#pragma once

#include "store/model_store.h"

namespace pylora {

// Called by the cap solutions once per load case or combination, after its
// cap results are printed, with the load applied and the cap displacement
// (six components each; the two-dimensional analysis passes its vertical,
// horizontal and rotation components as force X, force Y and moment Z).
//
// The first update of a series (store.analysis.capEnvelope.firstPending at 1,
// set by the analysis driver when the series starts) copies both vectors into
// the minimum and the maximum. Every update then compares component by
// component: a maximum that is not at least the current value takes it, and
// a current value smaller than the minimum becomes the minimum. Loads and
// displacements are tracked independently.
void updateCapEnvelope(ModelStore& store, const CapVector& load, const CapVector& displacement);

}  // namespace pylora
