// The envelope results tables: the minimum and the maximum envelope of the
// load cases and of the load combinations.
#pragma once

#include "store/model_store.h"

namespace pylora {

// Envelope kinds and series of printEnvelopeResults.
inline constexpr int kMinimumEnvelope = 1;
inline constexpr int kMaximumEnvelope = 2;
inline constexpr int kLoadCaseSeries = 1;
inline constexpr int kCombinationSeries = 2;  // any value other than 1

// Prints one envelope of one series to the report, the summary, the results
// data file, the status file and the pile data file: which = 1 the minimum, 2
// the maximum envelope; series = 1 the load cases, otherwise the load
// combinations. The columns are those of the model's analysis type; the
// per-pile tables of the report follow store.analysis.control.printOption and
// nodeStep, which the analysis driver sets to the envelope's options.
void printEnvelopeResults(ModelStore& store, int which, int series);

}  // namespace pylora
