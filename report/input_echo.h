// The input echo and preparation step.
#pragma once

#include "engine/model_store.h"

namespace pylora {

// Prints the input tables to the report, prepares the per-pile working tables
// and the soil profile, and hands over to the analysis. stopCode comes in as 0
// and leaves as the run's stop code.
void inputEchoAndPrepare(ModelStore& store, int& stopCode);

}  // namespace pylora
