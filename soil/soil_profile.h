// The soil profile built from the soil layers, and its depth lookups.
#pragma once

#include "engine/model_store.h"

namespace pylora {

// Builds the profile point tables of the soil layers (unit weight, strength,
// friction angle, moduli, strains) once the layers are read.
void prepareSoilProfile(ModelStore& store);

}  // namespace pylora
