// SPDX-License-Identifier: Apache-2.0
#include "pile/limit_states.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "pile/beam_column.h"
#include "pile/lateral_common.h"
#include "soil/soil_profile.h"

namespace pylora {

namespace {

// The resultant of a nodal quantity over the planes of the solution.
double resultantAt(const PileWork& work, NodalArray PlaneWork::*field, int k) {
    double sum = 0.0;
    for (int i = 0; i < work.planeCount && i < 2; ++i) {
        const double v = nodeAt(work.planes[static_cast<std::size_t>(i)].*field, k);
        sum += v * v;
    }
    return std::sqrt(sum);
}

}  // namespace

PileLimitState limitStateOfSolution(const ModelStore& store, const PileScratch& scratch,
                                    int pileGroup) {
    PileLimitState state;
    const PileWork& work = scratch.work;
    if (scratch.head.solvedBy == kSolvedNone || work.pileGroup != pileGroup) return state;
    LateralPile pile;
    describeLateralPile(store, pileGroup, pile);
    const int N = std::min(work.N, kMaxPileNodes - 1);

    int runFirst = -1;
    for (int k = 0; k <= N + 1; ++k) {
        const double X = pile.XHEAD + k * work.h;
        if (k <= N) {
            const double Mn = sectionPropertyAt(store, scratch, pile.IPROP, X, SectionField::Mn);
            if (Mn > 0.0) {
                const double ratio = resultantAt(work, &PlaneWork::M, k) / Mn;
                if (ratio > state.momentRatio) {
                    state.momentRatio = ratio;
                    state.momentDepth = k * work.h;
                }
            }
        }
        if (state.soilRun) continue;
        const double pu = k <= N ? scratch.py.pyUltimate[static_cast<std::size_t>(k)] : 0.0;
        const bool atUltimate = std::isfinite(pu) && pu > 0.0 &&
                                resultantAt(work, &PlaneWork::p, k) >= kUltimateShare * pu;
        if (atUltimate) {
            if (runFirst < 0) runFirst = k;
            continue;
        }
        if (runFirst >= 0) {
            const double top = pile.XHEAD + runFirst * work.h;
            const double length = (k - 1 - runFirst) * work.h;
            if (length > pileDiameterAt(store, scratch, pile.IPROP, top)) {
                state.soilRun = true;
                state.soilDepth = runFirst * work.h;
            }
            runFirst = -1;
        }
    }
    return state;
}

}  // namespace pylora
