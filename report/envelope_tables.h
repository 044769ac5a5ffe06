// SPDX-License-Identifier: Apache-2.0
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
// combinations. The columns are those of the model's analysis type
// (store.control.analysisType 2: two-dimensional).
//
// In order: the envelope headings; TABLE L of the cap envelope
// (store.analysis.capEnvelope); the TABLE M heading; for every pile group
// its pile-top envelope rows to the results data file and as four records
// with E11.4 fields to the pile data file (rewritten), and, when
// store.analysis.control.printOption is positive, its pile-top blocks and the
// along-pile envelope table at every nodeStep-th node to the report (the
// analysis driver sets both to the envelope's options); the extremes along
// the pile of the envelope appended to the pile data file; finally the
// summary tables read that file back. Demand/capacity columns are shown for
// combinations only.
void printEnvelopeResults(ModelStore& store, int which, int series);

}  // namespace pylora
