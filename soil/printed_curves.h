// SPDX-License-Identifier: Apache-2.0
// The generated p-y curves that the input asks to print.
#pragma once

#include "store/model_store.h"

namespace pylora {

// Checks each print request of store.pyPrints against its pile group, the
// cap and the soil profile, and writes every valid curve, evaluated in
// printing mode at its depth, to the report and the plot file; rejected
// requests are reported and skipped. Called once by the analysis driver at
// the end of the analysis when KPYOP is not 0.
void printPyCurves(ModelStore& store);

}  // namespace pylora
