// SPDX-License-Identifier: Apache-2.0
// The cohesive-soil criteria: soft clay, stiff clay below the water table,
// stiff clay above it, and the same with an initial modulus. Each supplies
// the node loop with its lookups and with the curve and its share of the
// layer resistance PULT.
#include <cmath>

#include "soil/py_criteria.h"
#include "soil/py_evaluation.h"
#include "soil/soil_profile.h"
#include "store/constants.h"

namespace pylora {

namespace {

bool cyclicLoading(const ModelStore& store) {
    return store.pyRun.ISTATIC != 1;
}

void gatherSoftClay(const ModelStore& store, PileScratch& scratch, const PyNode& node, PyLayerRun&,
                    PySoilValues& soil, int& status) {
    gatherCommonSoil(store, scratch, node, soil, status);
    if (status != 0) return;
    soil.E50 = strainE50At(store, node.X);
}

void gatherStiffClay(const ModelStore& store, PileScratch& scratch, const PyNode& node,
                     PyLayerRun& run, PySoilValues& soil, int& status) {
    gatherCommonSoil(store, scratch, node, soil, status);
    if (status != 0) return;
    soil.E50 = strainE50At(store, node.X);
    soil.K = subgradeModulusAt(store, node.X);
    soil.CAVG = layerAverageStrength(store, scratch, node, run, soil.c, status);
}

// When the ground lies at or above the pile head, layer 1 starts with the
// resistance of the soil above the head: half the soft-clay pu at the node
// times the height of that soil.
void addHeadAllowance(const ModelStore& store, PileScratch& scratch, const PyNode& node,
                      const PySoilValues& soil) {
    if (node.layerNo != 1) return;
    LateralPyState& s = scratch.py;
    const double groundBelowHead = store.work.groups[s.currentPileGroup - 1].groundBelowHead;
    if (groundBelowHead > 0.0 || s.PULT[0] != 0.0) return;
    s.PULT[0] =
        0.5 * softClayUltimate(node.depth, soil.b, soil.c, soil.gamma) * std::fabs(groundBelowHead);
}

// Soft clay: static and cyclic loading; PULT gathers h pu (cyclic: the share
// kept, plus the residual above the transition depth). The layer's first node
// adds nothing in layers below the first.
void buildSoftClay(const ModelStore& store, PileScratch& scratch, const PyNode& node,
                   const PySoilValues& soil, PyLayerRun&, PyCurve& curve) {
    const bool cyclic = cyclicLoading(store);
    curve = buildSoftClayCurve(node.depth, soil.b, soil.c, soil.gamma, soil.E50, cyclic);
    addHeadAllowance(store, scratch, node, soil);
    if (node.layerNo >= 2 && node.firstOfLayer) return;
    double& PULT = scratch.py.PULT[node.layerNo - 1];
    const double h = node.spacing;
    if (!cyclic) {
        PULT += h * curve.pu;
        return;
    }
    const double share = f32(0.72f);
    PULT += h * share * curve.pu;
    if (curve.depth < curve.xr) PULT += h * share * curve.pu * curve.depth / curve.xr;
}

// Stiff clay below the water table: the ultimate resistance is pc times the
// factor of the large-deflection branch; PULT takes the mean of this node's
// and the previous node's pc over the node spacing.
void buildStiffClayBelowWater(const ModelStore& store, PileScratch& scratch, const PyNode& node,
                              const PySoilValues& soil, PyLayerRun& run, PyCurve& curve) {
    const bool cyclic = cyclicLoading(store);
    curve = buildStiffClayBelowWaterCurve(node.trueDepth, node.depth, soil.b, soil.c, soil.CAVG,
                                          soil.gamma, soil.E50, soil.K, cyclic);
    addHeadAllowance(store, scratch, node, soil);
    const double f = cyclic ? f32(0.936f) * curve.AC - f32(0.418f) * curve.AS
                            : f32(1.225f) * std::sqrt(curve.AS) - 0.75 * curve.AS - f32(0.411f);
    const double pc = curve.pu;
    const double previous = run.evaluatedCount == 0 ? pc : run.previousPc;
    const double h = node.spacing;
    // The trapezoid alone: a further f pc h, as once written here, would
    // count the same node interval a second time and give every layer below
    // twice this layer's resistance in its equivalent depth.
    scratch.py.PULT[node.layerNo - 1] += 0.5 * (pc + previous) * f * h;
    run.previousPc = pc;
}

// Stiff clay above the water table; static loading counts as one cycle.
void buildStiffClayAbove(const ModelStore& store, PileScratch& scratch, const PyNode& node,
                         const PySoilValues& soil, PyCurve& curve, bool withInitialK) {
    const bool cyclic = cyclicLoading(store);
    const double cycles = cyclic ? store.pyRun.NCYCLES : 1.0;
    curve = buildStiffClayAboveWaterCurve(node.depth, soil.b, soil.c, soil.CAVG, soil.gamma,
                                          soil.E50, cycles, cyclic, withInitialK, soil.K);
    addHeadAllowance(store, scratch, node, soil);
    scratch.py.PULT[node.layerNo - 1] += node.spacing * curve.pu;
}

void buildStiffClayAboveWater(const ModelStore& store, PileScratch& scratch, const PyNode& node,
                              const PySoilValues& soil, PyLayerRun&, PyCurve& curve) {
    buildStiffClayAbove(store, scratch, node, soil, curve, false);
}

void buildStiffClayInitialK(const ModelStore& store, PileScratch& scratch, const PyNode& node,
                            const PySoilValues& soil, PyLayerRun&, PyCurve& curve) {
    buildStiffClayAbove(store, scratch, node, soil, curve, true);
}

const PyCriterion kSoftClay{&gatherSoftClay, &buildSoftClay, true, true};
const PyCriterion kStiffClayBelowWater{&gatherStiffClay, &buildStiffClayBelowWater, true, true};
const PyCriterion kStiffClayAboveWater{&gatherStiffClay, &buildStiffClayAboveWater, true, true};
const PyCriterion kStiffClayInitialK{&gatherStiffClay, &buildStiffClayInitialK, true, true};

}  // namespace

void softClayCurve(const ModelStore& store, PileScratch& scratch, int IPROP, int L, int& status) {
    runPyNodeLoop(store, scratch, IPROP, L, kSoftClay, status);
}

void stiffClayBelowWaterCurve(const ModelStore& store, PileScratch& scratch, int IPROP, int L,
                              int& status) {
    runPyNodeLoop(store, scratch, IPROP, L, kStiffClayBelowWater, status);
}

void stiffClayAboveWaterCurve(const ModelStore& store, PileScratch& scratch, int IPROP, int L,
                              int& status) {
    runPyNodeLoop(store, scratch, IPROP, L, kStiffClayAboveWater, status);
}

void stiffClayInitialKCurve(const ModelStore& store, PileScratch& scratch, int IPROP, int L,
                            int& status) {
    runPyNodeLoop(store, scratch, IPROP, L, kStiffClayInitialK, status);
}

}  // namespace pylora
