// SPDX-License-Identifier: Apache-2.0
// The pushover of a load case: its load raised in the case's own increments
// beyond the full load, up to a factor the caller chose, until the cap no
// longer converges at the smallest increment. The last converged factor is
// the capacity of the foundation for the case's load pattern; on the way the
// first increments at which a pile section reaches its nominal moment
// capacity, a pile head its axial capacity in compression or pull-out, and
// the soil its ultimate resistance over more than one diameter are noted.
// Both cap solutions run it with their own increments; this is what they
// share.
#pragma once

#include "store/model_store.h"

namespace pylora {

// Whether the ordinary pass of the analysis in progress is a pushover.
bool pushoverRuns(const ModelStore& store);

// The load factor the increments of the analysis in progress end at: the
// pushover's largest factor, else 1.
double finalLoadFactor(const ModelStore& store);

// Clears the events before the increments of a cap solution start.
void beginPushover(ModelStore& store);

// After converged increment number `step` of a pushover: the events that
// `limits` (the force sum of its last iteration) reach for the first time,
// recorded, written to the runtime file and passed to the run's collector.
// Does nothing outside a pushover.
void notePushoverEvents(ModelStore& store, const PileLimitSummary& limits, int step);

// Once the increments of a pushover are over, before the pile warnings and
// the results: why it stopped, the summary to the report, the summary file
// and the runtime file, and the collector told. Its last converged state is
// then what the case reports, also when the failed attempts ended on a pile
// that did not converge or a singular stiffness (capStatus is cleared).
void endPushover(ModelStore& store);

}  // namespace pylora
