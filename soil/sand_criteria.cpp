// SPDX-License-Identifier: Apache-2.0
// The granular and mixed-soil criteria: sand, sand by the API criterion,
// silt (cohesion and friction) and liquefied sand. Each supplies the node
// loop with its lookups, the checks of its friction angle, and the curve and
// its share of the layer resistance PULT.
#include <algorithm>
#include <cmath>

#include "format/format.h"
#include "soil/py_criteria.h"
#include "soil/py_evaluation.h"
#include "soil/soil_profile.h"
#include "soil/soil_status.h"
#include "store/constants.h"
#include "store/run_messages.h"

namespace pylora {

namespace {

bool cyclicLoading(const ModelStore& store) {
    return store.pyRun.ISTATIC != 1;
}

// A friction angle below this counts as zero.
const double kNoFriction = f32(1.0E-10F);

// The ground lies above the pile head by more than this.
const double kGroundAboveHead = f32(1.0E-5F);

void writeNoFrictionWarning(PileScratch& scratch, const char* soil) {
    ReportLine line;
    line.slash().X(7).text("--------------------WARNING----------------------");
    line.slash()
        .X(7)
        .text("THE FRICTION ANGLE IS 0 FOR ")
        .text(soil)
        .text(" ACCORING TO THE INPUT");
    line.slash().X(7).text("DATA. PLEASE ENTER THE CORRECT VALUE AND RUN IT AGAIN.");
    raisePileMessage(scratch, kToReport | kToCollector, line.str());
}

// b, c and the average unit weight, then the friction angle and the subgrade
// modulus at the node.
void gatherGranular(const ModelStore& store, PileScratch& scratch, const PyNode& node, PyLayerRun&,
                    PySoilValues& soil, int& status) {
    gatherCommonSoil(store, scratch, node, soil, status);
    if (status != 0) return;
    int lookup = 0;
    soil.phi = frictionAngleAt(store, scratch, node.X, lookup);
    if (lookup != 0) {
        status = lookup;
        return;
    }
    soil.K = subgradeModulusAt(store, node.X);
}

void gatherApiSand(const ModelStore& store, PileScratch& scratch, const PyNode& node,
                   PyLayerRun& run, PySoilValues& soil, int& status) {
    gatherGranular(store, scratch, node, run, soil, status);
    if (status != 0) return;
    if (soil.phi < kNoFriction) {
        writeNoFrictionWarning(scratch, "SAND");
        status = kStatusApiSandNoFriction;
    }
}

void gatherSilt(const ModelStore& store, PileScratch& scratch, const PyNode& node, PyLayerRun& run,
                PySoilValues& soil, int& status) {
    gatherGranular(store, scratch, node, run, soil, status);
    if (status != 0) return;
    if (!node.firstOfLayer && soil.phi < kNoFriction) {
        writeNoFrictionWarning(scratch, "SILT");
        status = kStatusSiltNoFriction;
        return;
    }
    // The ground slope is 0 here, so cos^2(slope) - cos^2(phi) is sin^2(phi);
    // at the layer's first node this is the check that catches phi = 0.
    const double sinPhi = std::sin(soil.phi);
    if (sinPhi * sinPhi < kNoFriction) {
        ReportLine line;
        line.slash().slash().X(7).text("WARNING-------The Angle of the slope can not");
        line.slash().X(7).text("              be greater than the internal  ");
        line.slash().X(7).text("              friction angle of the silt.   ");
        line.slash();
        raisePileMessage(scratch, kToReport | kToCollector, line.str());
        status = kStatusSiltSlope;
    }
}

void gatherLiquefiedSand(const ModelStore& store, PileScratch& scratch, const PyNode& node,
                         PyLayerRun&, PySoilValues& soil, int& status) {
    gatherCommonSoil(store, scratch, node, soil, status);
}

// The depth factors are read at x / (pile diameter), also in the cap pass,
// where b itself is the cap width.
double depthFactorDiameter(const ModelStore& store, PileScratch& scratch, const PyNode& node,
                           const PySoilValues& soil) {
    if (node.capPass && store.control.embeddedCapOption == 1)
        return pileDiameterAt(store, scratch, node.IPROP, node.X);
    return soil.b;
}

const SoilLayer& layerOf(const ModelStore& store, const PyNode& node) {
    return store.soilLayers.rows[node.layerNo - 1];
}

// At the layer's last node the part of the layer below it adds its share at
// this node's ultimate resistance (not for a printed curve, whose node
// stands for no part of the layer).
void addLayerRemainder(const ModelStore& store, PileScratch& scratch, const PyNode& node,
                       double pu) {
    if (!node.lastOfLayer || node.printing) return;
    const double below = std::max(layerOf(store, node).bottomX - node.X, 0.0);
    scratch.py.PULT[node.layerNo - 1] += below * pu;
}

// Layer 1 with the ground above the pile head: its resistance is the
// trapezoid from the surface value at the ground to pu at the node, over the
// whole layer. Set at every node after the node's own share, so the layer
// ends with the trapezoid of its last node.
void setHeadLayerResistance(const ModelStore& store, PileScratch& scratch, const PyNode& node,
                            double surfaceValue, double pu) {
    if (node.layerNo != 1 || node.printing) return;
    LateralPyState& s = scratch.py;
    if (store.work.groups[s.currentPileGroup - 1].groundBelowHead >= -kGroundAboveHead) return;
    const SoilLayer& layer = layerOf(store, node);
    s.PULT[0] = 0.5 * (surfaceValue + pu) * (layer.bottomX - layer.topX);
}

// The trapezoid share between the previous evaluated node and this one; the
// layer's first evaluated node takes its own pu on both sides.
void addTrapezoidShare(PileScratch& scratch, const PyNode& node, PyLayerRun& run, double pu) {
    const double previous = run.evaluatedCount == 0 ? pu : run.previousPu;
    scratch.py.PULT[node.layerNo - 1] += 0.5 * (pu + previous) * node.spacing;
    run.previousPu = pu;
}

// Sand: PULT gathers h pu and the rest of the layer at its last node.
void buildSand(const ModelStore& store, PileScratch& scratch, const PyNode& node,
               const PySoilValues& soil, PyLayerRun&, PyCurve& curve) {
    curve = buildSandCurve(node.depth, soil.b, depthFactorDiameter(store, scratch, node, soil),
                           soil.gamma, soil.phi, soil.K, cyclicLoading(store));
    scratch.py.PULT[node.layerNo - 1] += node.spacing * curve.pu;
    addLayerRemainder(store, scratch, node, curve.pu);
}

// API sand: PULT gathers h A pu; with the ground above the head layer 1 is
// the triangle of A pu over its thickness.
void buildApiSand(const ModelStore& store, PileScratch& scratch, const PyNode& node,
                  const PySoilValues& soil, PyLayerRun&, PyCurve& curve) {
    curve =
        buildApiSandCurve(node.depth, soil.b, soil.gamma, soil.phi, soil.K, cyclicLoading(store));
    scratch.py.PULT[node.layerNo - 1] += node.spacing * curve.pu;
    addLayerRemainder(store, scratch, node, curve.pu);
    setHeadLayerResistance(store, scratch, node, 0.0, curve.pu);
}

// Silt: PULT by the trapezoid rule over the nodes; with the ground above the
// head layer 1 is the trapezoid from 3 c b at the surface to pu.
void buildSilt(const ModelStore& store, PileScratch& scratch, const PyNode& node,
               const PySoilValues& soil, PyLayerRun& run, PyCurve& curve) {
    curve = buildSiltCurve(node.depth, soil.b, depthFactorDiameter(store, scratch, node, soil),
                           soil.gamma, soil.phi, soil.c, soil.K, cyclicLoading(store));
    addTrapezoidShare(scratch, node, run, curve.pu);
    addLayerRemainder(store, scratch, node, curve.pu);
    setHeadLayerResistance(store, scratch, node, 3.0 * soil.c * soil.b, curve.pu);
}

// Liquefied sand: the curve depends on the depth within the liquefied layer
// only; its smallest deflection is 2.0E-5 b.
void buildLiquefiedSand(const ModelStore& store, PileScratch& scratch, const PyNode& node,
                        const PySoilValues& soil, PyLayerRun& run, PyCurve& curve) {
    setSmallDeflectionThreshold(scratch.py, f32(2.0E-5F) * soil.b);
    const double z = node.X - layerOf(store, node).topX;
    curve = buildLiquefiedSandCurve(z, soil.b, store.control.unitsSystem == 1);
    addTrapezoidShare(scratch, node, run, curve.pu);
    addLayerRemainder(store, scratch, node, curve.pu);
}

const PyCriterion kSand{&gatherGranular, &buildSand, true, true};
const PyCriterion kApiSand{&gatherApiSand, &buildApiSand, true, true};
const PyCriterion kSilt{&gatherSilt, &buildSilt, true, true};
const PyCriterion kLiquefiedSand{&gatherLiquefiedSand, &buildLiquefiedSand, false};

}  // namespace

void sandCurve(const ModelStore& store, PileScratch& scratch, int IPROP, int L, int& status) {
    runPyNodeLoop(store, scratch, IPROP, L, kSand, status);
}

void apiSandCurve(const ModelStore& store, PileScratch& scratch, int IPROP, int L, int& status) {
    runPyNodeLoop(store, scratch, IPROP, L, kApiSand, status);
}

void siltCurve(const ModelStore& store, PileScratch& scratch, int IPROP, int L, int& status) {
    // Silt starts from the smallest threshold, whatever rock or liquefied
    // layers set before it.
    setSmallDeflectionThreshold(scratch.py, f32(1.0E-14F));
    runPyNodeLoop(store, scratch, IPROP, L, kSilt, status);
}

void liquefiedSandCurve(const ModelStore& store, PileScratch& scratch, int IPROP, int L,
                        int& status) {
    runPyNodeLoop(store, scratch, IPROP, L, kLiquefiedSand, status);
}

}  // namespace pylora
