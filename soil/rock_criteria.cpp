// SPDX-License-Identifier: Apache-2.0
// The rock criteria: weak rock and vuggy limestone. In a rock layer the
// strength column of the profile holds the uniaxial compressive strength qu;
// both criteria work with half of it, su = qu / 2. Each supplies the node
// loop with its lookups, its curve and its share of the layer resistance
// PULT.
#include <algorithm>

#include "format/format.h"
#include "soil/py_criteria.h"
#include "soil/py_evaluation.h"
#include "soil/soil_profile.h"
#include "soil/soil_status.h"
#include "store/constants.h"
#include "store/run_messages.h"

namespace pylora {

namespace {

// Below this su the rock has no strength.
const double kNoRockStrength = f32(1.0E-10F);

void writeNoStrengthWarning(PileScratch& scratch) {
    ReportLine line;
    line.slash().X(7).text("--------------------WARNING----------------------");
    line.slash().X(7).text("THE UNIAXIAL COMPRESION STRENGTH IS 0 FOR WEAK ROCK ");
    line.slash().X(7).text("ACCORDING TO THE INPUT DATA.");
    line.slash().X(7).text("PLEASE ENTER THE CORRECT VALUE AND RUN IT AGAIN.");
    raisePileMessage(scratch, kToReport | kToCollector, line.str());
}

// The layer's share of PULT at a node with ultimate resistance pu: the
// trapezoid between this node and the one evaluated before it; at the
// layer's first evaluated node the layer above it (from the layer top, or
// from the ground when that lies lower) at this node's pu, and at its last
// node the rest of the layer below at this node's pu. The layer is thus
// integrated once from its top (or the ground) to its bottom: the interval
// above a lower layer's top node belongs to the layer above.
void addRockLayerResistance(const ModelStore& store, PileScratch& scratch, const PyNode& node,
                            PyLayerRun& run, double pu) {
    LateralPyState& s = scratch.py;
    const SoilLayer& layer = store.soilLayers.rows[node.layerNo - 1];
    double& PULT = s.PULT[node.layerNo - 1];
    if (run.evaluatedCount == 0) {
        const PileGroupWork& group = store.work.groups[s.currentPileGroup - 1];
        const double groundX = group.XHEAD + group.groundBelowHead;
        PULT += std::max(node.X - std::max(layer.topX, groundX), 0.0) * pu;
    } else {
        PULT += 0.5 * (pu + run.previousPc) * node.spacing;
    }
    if (node.lastOfLayer) PULT += std::max(layer.bottomX - node.X, 0.0) * pu;
    run.previousPc = pu;
}

// Weak rock: b, qu and the unit weight at the node, ER, KRM (the strain
// column), RQD and the layer-average su. A rock without strength at a node
// below the layer's first stops the layer with status 21.
void gatherWeakRock(const ModelStore& store, PileScratch& scratch, const PyNode& node,
                    PyLayerRun& run, PySoilValues& soil, int& status) {
    gatherCommonSoil(store, scratch, node, soil, status);
    if (status != 0) return;
    const double qu = soil.c;
    soil.c = 0.5 * qu;
    if (soil.c < kNoRockStrength && !node.firstOfLayer) {
        writeNoStrengthWarning(scratch);
        status = kStatusWeakRockNoStrength;
        return;
    }
    soil.ER = rockModulusAt(store, node.X);
    soil.E50 = strainE50At(store, node.X);  // KRM
    soil.RQD = rqdAt(store, node.X);
    // The average of su is half the average of qu.
    soil.CAVG = 0.5 * layerAverageStrength(store, scratch, node, run, qu, status);
}

// Weak rock: the depth xr is measured into the rock from the top of its
// layer (the small constant keeps it positive at the top), whatever lies
// above; qa = 2 x the layer-average su. YMIN becomes 2.0E-5 b at every node.
void buildWeakRock(const ModelStore& store, PileScratch& scratch, const PyNode& node,
                   const PySoilValues& soil, PyLayerRun& run, PyCurve& curve) {
    const double xr = node.X - store.soilLayers.rows[node.layerNo - 1].topX + f32(1.0E-8F);
    curve = buildWeakRockCurve(xr, soil.b, soil.CAVG, soil.ER, soil.E50, soil.RQD);
    setSmallDeflectionThreshold(scratch.py, f32(2.0E-5F) * soil.b);
    addRockLayerResistance(store, scratch, node, run, curve.pu);
}

void gatherVuggyLimestone(const ModelStore& store, PileScratch& scratch, const PyNode& node,
                          PyLayerRun&, PySoilValues& soil, int& status) {
    gatherCommonSoil(store, scratch, node, soil, status);
    if (status != 0) return;
    soil.c = 0.5 * soil.c;                  // su
    soil.E50 = strainE50At(store, node.X);  // fixed by the profile, not used by the curve
}

// Vuggy limestone: the curve does not change with depth; its ultimate
// resistance su b enters PULT as weak rock's does.
void buildVuggyLimestone(const ModelStore& store, PileScratch& scratch, const PyNode& node,
                         const PySoilValues& soil, PyLayerRun& run, PyCurve& curve) {
    curve = buildVuggyLimestoneCurve(soil.b, soil.c);
    addRockLayerResistance(store, scratch, node, run, curve.pu);
}

// Weak rock forms the equivalent depth of its layer as every layer below the
// first does; its curve is built on the depth into the rock. Vuggy
// limestone's curve takes no depth at all.
const PyCriterion kWeakRock{&gatherWeakRock, &buildWeakRock, true};
const PyCriterion kVuggyLimestone{&gatherVuggyLimestone, &buildVuggyLimestone, false};

}  // namespace

void weakRockCurve(const ModelStore& store, PileScratch& scratch, int IPROP, int L, int& status) {
    int layerStatus = 0;
    runPyNodeLoop(store, scratch, IPROP, L, kWeakRock, layerStatus);
    if (layerStatus == 0) return;
    status = layerStatus;
    if (layerStatus != kStatusWeakRockNoStrength || store.pyPrinting.printing != 0) return;
    // A layer stopped for want of strength leaves none of its nodes a modulus.
    const LateralPyState& s = scratch.py;
    const int first = std::max(s.layerFirstNode[L - 1], 1);
    const int last = std::min(s.layerLastNode[L - 1], std::clamp(s.NNODE, 0, kMaxPileNodes));
    for (int i = first; i <= last; ++i)
        scratch.py.pyModulus[i - 1] = 0.0;
}

void vuggyLimestoneCurve(const ModelStore& store, PileScratch& scratch, int IPROP, int L,
                         int& status) {
    // The small-deflection threshold goes back to its own value, whatever a
    // weak-rock or liquefied-sand layer left.
    setSmallDeflectionThreshold(scratch.py, f32(1.0E-14F));
    runPyNodeLoop(store, scratch, IPROP, L, kVuggyLimestone, status);
}

}  // namespace pylora
