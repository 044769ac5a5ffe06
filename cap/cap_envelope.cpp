// SPDX-License-Identifier: Apache-2.0
#include "cap/cap_envelope.h"

namespace pylora {

namespace {

void track(const CapVector& current, CapVector& minimum, CapVector& maximum) {
    for (int k = 0; k < kCapComponents; ++k) {
        // Written as "not at least" so that a NaN in the maximum is replaced.
        if (!(maximum[k] >= current[k])) maximum[k] = current[k];
        if (current[k] < minimum[k]) minimum[k] = current[k];
    }
}

}  // namespace

void updateCapEnvelope(ModelStore& store, const CapVector& load, const CapVector& displacement) {
    CurrentAnalysis::CapEnvelope& e = store.analysis.capEnvelope;
    if (e.firstPending == 1) {
        e.loadMin = e.loadMax = load;
        e.displacementMin = e.displacementMax = displacement;
        e.firstPending = 0;
    }
    track(load, e.loadMin, e.loadMax);
    track(displacement, e.displacementMin, e.displacementMax);
}

}  // namespace pylora
