#include "cap/group_factors.h"

namespace pylora {

// Not built yet: the computed factors and TABLE K come with the group
// reduction factors (issue 9). Until then the factors of the store (1.0, or
// those given in the input) stay in force and no TABLE K is printed.
void prepareGroupFactors(ModelStore&, double, double) {}

}  // namespace pylora
