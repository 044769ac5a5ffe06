// SPDX-License-Identifier: Apache-2.0
#include "engine/load_assembly.h"

#include <algorithm>
#include <cmath>

#include "store/constants.h"

namespace pylora {

void caseLoad(const ModelStore& store, int caseNo, CapVector& capLoad) {
    capLoad.fill(0.0);
    const LoadCaseTable& cases = store.loadCases;
    if (caseNo < 1 || caseNo > std::min(cases.loadCaseCount, kMaxLoadCases)) return;
    const LoadCase& loadCase = cases.rows[caseNo - 1];
    const bool twoDimensional = store.control.analysisType == 2;

    const int count = std::clamp(loadCase.concentratedLoadCount(), 0, kMaxConcentratedLoads);
    for (int n = 0; n < count; ++n) {
        const ConcentratedLoad& load = loadCase.concentratedLoads[n];
        const double vertical = load.value(1);
        const double horizontalY = load.value(2);
        const double momentZ = load.value(3);
        const double x = load.value(7);
        const double y = load.value(8);
        capLoad[kForceX] += vertical;
        capLoad[kForceY] += horizontalY;
        capLoad[kMomentZ] += momentZ + horizontalY * x - vertical * y;
        if (twoDimensional) continue;
        const double horizontalZ = load.value(4);
        const double momentY = load.value(5);
        const double momentX = load.value(6);
        const double z = load.value(9);
        capLoad[kForceZ] += horizontalZ;
        capLoad[kMomentX] += momentX + horizontalZ * y - horizontalY * z;
        capLoad[kMomentY] += momentY + vertical * z - horizontalZ * x;
    }
    for (double& component : capLoad)
        component *= loadCase.scaleFactor;
}

bool applyDefaultStiffnessLevels(LoadCase& loadCase) {
    if (loadCase.integer(kCaseStiffnessOption) < 1) return false;
    if (loadCase.stiffnessLevelCount() != 0) return false;
    // The first level is a tenth of the load; the others rise with the
    // logarithm of the level number up to the full load.
    loadCase.stiffnessLevels[0] = f32(0.1F);
    for (int n = 2; n <= kDefaultStiffnessLevelCount; ++n)
        loadCase.stiffnessLevels[n - 1] = std::log10(static_cast<double>(n));
    loadCase.integer(kCaseStiffnessCount) = kDefaultStiffnessLevelCount;
    return true;
}

}  // namespace pylora
