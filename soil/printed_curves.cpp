#include "soil/printed_curves.h"

namespace pylora {

// Not built yet: the printed p-y curves come with a later issue. Until then
// no curve is printed.
void printPyCurves(ModelStore&) {}

}  // namespace pylora
