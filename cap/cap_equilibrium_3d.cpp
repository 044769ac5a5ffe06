#include "cap/cap_equilibrium_3d.h"

namespace pylora {

// Not built yet: the three-dimensional cap equilibrium comes with issue 9.
// Until then nothing is solved, nothing is printed and errorFlag stays 0.
void solveCapEquilibrium3D(ModelStore&, int&, int&) {}

}  // namespace pylora
