// SPDX-License-Identifier: Apache-2.0
// The group reduction factors by the product over every pair of piles: the
// direct evaluation, quadratic in the number of piles, that the neighbour
// search of computeGroupFactorsY and computeGroupFactorsZ reproduces bit for
// bit. For the tests only; the analysis never calls it.
#pragma once

#include "store/model_store.h"

namespace pylora {

// computeGroupFactorsY and computeGroupFactorsZ with every other pile as a
// partner of each pile, in ascending order; the same outputs and results.
bool computeGroupFactorsAllPairsY(ModelStore& store, double direction);
bool computeGroupFactorsAllPairsZ(ModelStore& store, double direction);

}  // namespace pylora
