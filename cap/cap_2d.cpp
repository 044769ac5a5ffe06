#include "cap/cap_2d.h"

#include "cap/cap_results.h"
#include "store/return_codes.h"

namespace pylora {

// Not built yet: the two-dimensional cap solution arrives later. Until then a
// model of analysis type 2 stops at its first load case with a fatal error,
// rather than ending as a success without results.
void solveCap2D(ModelStore& store, int& /*echoSwitch*/, int& errorFlag) {
    writeCapFatal(store, "THE TWO-DIMENSIONAL ANALYSIS IS NOT AVAILABLE IN THIS BUILD",
                  "ONLY A THREE-DIMENSIONAL ANALYSIS (ANALYSIS TYPE 3) CAN BE ANALYSED");
    errorFlag = kReturnNotAvailable;
}

}  // namespace pylora
