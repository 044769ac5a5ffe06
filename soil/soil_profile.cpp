#include "soil/soil_profile.h"

namespace pylora {

// The profile tables are not built yet.
void prepareSoilProfile(ModelStore&) {}

}  // namespace pylora
