// SPDX-License-Identifier: Apache-2.0
// The p-y evaluation: node deflections of the current pile group in, secant
// soil moduli Es = p / y out. The evaluation reads the model from the store
// and works in the scratch space of the pile group's analysis (PileScratch).
//
// The evaluation walks the soil layers, hands each layer to the criterion of
// its soil type, and every criterion runs the same node loop: the node's
// depth, the soil values there, the depth the ultimate resistance is built on
// (the equivalent depth in lower layers), the curve, and its evaluation. The
// loop evaluates one deflection per node during the analysis; in printing
// mode (pyPrinting.printing = 1) it evaluates one curve at the requested X
// over a list of deflections and leaves it in store.pyPrinting.
#pragma once

#include "soil/py_curve.h"
#include "store/model_store.h"

namespace pylora {

// One node as the node loop hands it to a criterion.
struct PyNode {
    int IPROP = 0;         // pile property set of the current pile group
    int layerNo = 0;       // L, 1-based
    int nodeNo = 0;        // i, 1-based; node 1 is the pile head
    bool capPass = false;  // the embedded-cap pass: node 1 with the cap's width
    bool firstOfLayer = false;
    bool lastOfLayer = false;
    bool printing = false;   // a printed curve: X comes from the printer
    double X = 0.0;          // X of the node (or of the printed curve)
    double trueDepth = 0.0;  // below the ground surface
    double depth = 0.0;      // x for the ultimate resistance: true or equivalent depth
    double spacing = 0.0;    // node spacing h along the layer
};

// Soil values gathered at a node (the lookups of the soil profile).
struct PySoilValues {
    double b = 0.0;      // pile diameter, or the cap width in the embedded-cap pass
    double c = 0.0;      // strength
    double gamma = 0.0;  // average effective unit weight from the ground surface
    double E50 = 0.0;    // strain at 50% stress
    double K = 0.0;      // p-y subgrade modulus
    double CAVG = 0.0;   // layer-average strength (stiff clays; su of the rock for weak rock)
    double phi = 0.0;    // friction angle [radians] (sand, silt)
    double ER = 0.0;     // Young's modulus of rock (weak rock)
    double RQD = 0.0;    // rock quality designation [%] (weak rock)
};

// Running values of one pass over a layer's nodes.
struct PyLayerRun {
    int evaluatedCount = 0;  // nodes of the layer evaluated so far in this pass
    double firstX = 0.0;     // X of the first evaluated node
    double previousX = 0.0;
    double previousC = 0.0;
    double strengthIntegral = 0.0;  // integral of c from firstX to previousX
    double previousPc = 0.0;        // pc (stiff clay below water) or pu (rock) of the node before
    double previousPu = 0.0;        // pu of the node evaluated before (silt, liquefied sand)
    bool beyondLastCurve = false;   // user curves: the message was written in this pass
};

// A criterion as the node loop sees it: what it looks up at a node, whether
// its layer's depth is an equivalent depth, and how it builds the curve and
// adds the node's share to the layer resistance PULT.
struct PyCriterion {
    void (*gather)(const ModelStore& store, PileScratch& scratch, const PyNode& node,
                   PyLayerRun& run, PySoilValues& soil, int& status);
    void (*build)(const ModelStore& store, PileScratch& scratch, const PyNode& node,
                  const PySoilValues& soil, PyLayerRun& run, PyCurve& curve);
    bool usesEquivalentDepth;
    // The curves depend on the pile group and the node alone, and building
    // them changes nothing but the layer's PULT: they are built once per load
    // case (PyCurveCache). Not so for rock and liquefied sand, which set
    // YMIN, nor for the user's curves, which may end above a node.
    bool builtOnce = false;
};

// Whether the evaluations keep every node's ultimate resistance
// (LateralPyState::pyUltimate): only for a caller's results collector, which
// reads it on the printing pass, and for the events of a pushover; the front
// end's runs skip the work.
inline bool keepsUltimateResistance(const ModelStore& store) {
    return store.resultsCollector != nullptr || store.run.pushoverCase > 0;
}

// One point of a curve: the deflection used, p there and the modulus.
struct PyPointValue {
    double y = 0.0;
    double p = 0.0;
    double Es = 0.0;
    bool belowYmin = false;  // the initial modulus was used
};

// Evaluates the curve at deflection y (sign ignored). At or above ymin the
// modulus is the secant p x pm / y / ym; below it the curve's initial modulus,
// with p = Es y, so a vanishing deflection is never divided by. Weak rock
// keeps its initial modulus Mir all along its straight initial line (below
// max(yA, ymin)); vuggy limestone's initial modulus is divided by ym. User
// curves are read at no less than ymin instead.
PyPointValue evaluatePyPoint(const PyCurve& curve, double y, double ymin, double pm, double ym);

// The curves of the pile analyses of a load case start anew: every pile
// group's row is emptied and the evaluations keep their curves from here on.
void beginPyCurveCache(ModelStore& store);

// Every pile group's kept curves are built again at their next evaluation
// (curves built from a p-y state that turned out not to be the group's);
// whether curves are kept does not change.
void forgetKeptPyCurves(ModelStore& store);

// YMIN in force (never 0).
double smallDeflectionThreshold(const LateralPyState& state);

// Sets YMIN (a weak-rock or liquefied-sand node, or the reset of silt and
// vuggy limestone) and notes that this evaluation wrote it.
void setSmallDeflectionThreshold(LateralPyState& state, double ymin);

// The equivalent depths of the current pile group (scratch.py
// .currentPileGroup), XEQ at [L - 1]: the store's own table for its own
// scratch space, the copy in the scratch space of a worker thread. Null for
// an invalid group.
double* equivalentDepthRow(const ModelStore& store, PileScratch& scratch);

// Evaluates the moduli of the current pile group (scratch.py
// .currentPileGroup) with pile property set IPROP from scratch.py
// .pyDeflection into scratch.py.pyModulus (nodes not evaluated keep 0), and
// the cap passive resistance when the cap is embedded. The layer loop does
// not stop on a failure; status receives 22, 23, 24 of the lookups or a
// criterion's code. On success the nodes at or above the ground surface get
// 0. In printing mode (store.pyPrinting.printing = 1) the scratch space must
// be the store's own, which receives the printed curve.
void generatePyModuli(const ModelStore& store, PileScratch& scratch, int IPROP, int& status);

// Hands layer L to the criterion of its soil type; unknown types are soft clay.
void evaluateLayerCriterion(const ModelStore& store, PileScratch& scratch, int IPROP, int L,
                            int& status);

// The node loop shared by every criterion for layer L of the current pile
// group. Returns at once with a nonzero status from a lookup.
void runPyNodeLoop(const ModelStore& store, PileScratch& scratch, int IPROP, int L,
                   const PyCriterion& criterion, int& status);

// The depth at which the soil of layer L >= 2, extended up to the ground
// surface, would have gathered the ultimate resistance PULT(1) + ... +
// PULT(L - 1) of the layers above it, from the soil values of the layer's
// first node. Stored in XEQ for the current pile group (equivalentDepthRow)
// and returned.
double equivalentDepth(const ModelStore& store, PileScratch& scratch, int L,
                       const PySoilValues& soil);

// The common lookups of step 6: b (pile diameter, or the cap width in the
// embedded-cap pass), c and the average unit weight at the node.
void gatherCommonSoil(const ModelStore& store, PileScratch& scratch, const PyNode& node,
                      PySoilValues& soil, int& status);

// Layer-average strength of the stiff clays and the rock criteria: in layer 1
// the average from the ground surface; in a lower layer the running
// trapezoid average over the layer's nodes from its first node down to this
// one (c itself at the first node); for a printed curve the mean of c at the
// layer's top and c at the curve's depth. A failing lookup sets status.
double layerAverageStrength(const ModelStore& store, PileScratch& scratch, const PyNode& node,
                            PyLayerRun& run, double c, int& status);

// The multipliers in force of pile group groupNo (1.0 for an invalid group;
// a deflection multiplier that is not positive counts as 1.0).
double pMultiplierOf(const ModelStore& store, int groupNo);
double yMultiplierOf(const ModelStore& store, int groupNo);

}  // namespace pylora
