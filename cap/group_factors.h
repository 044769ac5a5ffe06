// Group reduction factors of closely spaced piles.
#pragma once

#include "engine/model_store.h"

namespace pylora {

// The preparation of the group reduction factors, run once before the
// analysis when groupFactorOption is not 0: with option 1 the factors are
// computed from the pile layout for movement in the direction given by the
// signs directionY and directionZ (+1.0 or -1.0, the signs of the horizontal
// loads Y and Z of the equivalent load of load case 1); with option 2 the
// factors given in the input stay. Prints TABLE K to the report.
void prepareGroupFactors(ModelStore& store, double directionY, double directionZ);

}  // namespace pylora
