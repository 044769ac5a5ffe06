// SPDX-License-Identifier: Apache-2.0
#include "soil/py_evaluation.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <span>

#include "soil/py_criteria.h"
#include "soil/soil_profile.h"
#include "store/constants.h"

namespace pylora {

namespace {

// A node less than this below the ground surface is above it.
const double kAboveGround = f32(1.0E-6f);

bool validGroup(int g) {
    return g >= 1 && g <= kMaxPileGroups;
}

int nodeCountOf(const LateralPyState& s) {
    return std::clamp(s.NNODE, 0, kMaxPileNodes);
}

// The node spacing of a layer: X of its second node minus X of its first (the
// nodes are evenly spaced, so a layer with one node takes its neighbours').
double layerNodeSpacing(const LateralPyState& s, int first) {
    const auto& x = s.nodeX;
    const int n = nodeCountOf(s);
    if (first + 1 <= n) return x[first] - x[first - 1];
    if (first >= 2) return x[first - 1] - x[first - 2];
    return 0.0;
}

bool insideCap(const ModelStore& store, double X, double XHEAD) {
    return X >= XHEAD - store.cap.capThicknessX && X <= XHEAD;
}

// The depth for the ultimate resistance of a node in layer L: the true depth
// in layer 1; in lower layers the equivalent depth at the top of the layer
// plus the distance below that top, so that layered soil gathers its
// resistance as if each layer reached up to the ground.
double depthForUltimate(const ModelStore& store, PileScratch& scratch, const PyNode& node,
                        const PySoilValues& soil) {
    const int L = node.layerNo;
    if (L == 1) return node.trueDepth;
    const int g = scratch.py.currentPileGroup;
    const PileGroupWork& group = store.work.groups[g - 1];
    const double& XEQ = equivalentDepthRow(store, scratch)[L - 1];
    if (store.control.KPYOP == 0 && node.firstOfLayer && XEQ < f32(1.0E-6f))
        equivalentDepth(store, scratch, L, soil);
    double x =
        node.trueDepth < kAboveGround ? 0.0 : XEQ + (node.X - store.soilLayers.rows[L - 1].topX);
    if (store.soilLayers.rows[0].bottomX < f32(1.0E-10f)) x -= group.groundBelowHead;
    return x;
}

// Printing mode: the curve at the requested X over the user's deflections or
// the criterion's own, each point scaled by the multipliers unless it is the
// curve of the embedded cap.
void recordPrintedCurve(const ModelStore& store, PileScratch& scratch, const PyNode& node,
                        const PySoilValues& soil, const PyCurve& curve) {
    if (!scratch.owner) return;  // printing runs in the store's own scratch space only
    PrintedPyCurve& out = scratch.owner->pyPrinting;
    const double pm = pMultiplierOf(store, scratch.py.currentPileGroup);
    const double ym = yMultiplierOf(store, scratch.py.currentPileGroup);
    const double ymin = smallDeflectionThreshold(scratch.py);

    std::array<double, kMaxPrintedPyPoints> deflections{};
    int count = std::clamp(out.userPointCount, 0, kMaxPrintedPyPoints);
    if (count > 0)
        std::copy_n(out.userDeflections.begin(), count, deflections.begin());
    else
        count = pyStandardDeflections(curve, deflections);

    out.curveReady = 1;
    out.layerNo = node.layerNo;
    out.KSOIL = store.soilLayers.rows[node.layerNo - 1].KSOIL;
    out.capLevel = node.capPass ? 1 : 0;
    // The depth the curve is built on: the equivalent depth in lower layers,
    // the depth into the rock for weak rock, into its layer for liquefied sand.
    out.depth = curve.depth > 0.0 ? curve.depth : node.depth;
    out.diameter = soil.b;
    out.strength = soil.c;
    out.unitWeight = soil.gamma;
    out.strain = soil.E50;
    out.frictionAngle = soil.phi;
    out.subgradeModulus = soil.K;
    out.ultimate = curve.pu;
    out.pointCount = count;
    for (int k = 0; k < count; ++k) {
        const auto j = static_cast<std::size_t>(k);
        const PyPointValue v = evaluatePyPoint(curve, deflections[j], ymin, pm, ym);
        out.y[j] = node.capPass ? v.y : v.y * ym;
        out.p[j] = node.capPass ? v.p : v.p * pm;
        out.belowYmin[j] = v.belowYmin ? 1 : 0;
        out.modulus[j] = v.Es;
    }
}

// The layer holding a printed curve's X: the deepest layer whose top is not
// below X, so that a layer boundary belongs to the layer below; 0 above the
// profile.
int layerOfDepth(const ModelStore& store, double X) {
    const int layerCount = std::clamp(store.soilLayers.NLAYER, 0, kMaxSoilLayers);
    int found = 0;
    for (int L = 1; L <= layerCount; ++L)
        if (store.soilLayers.rows[L - 1].topX <= X) found = L;
    return found;
}

// ---------------------------------------------------------------------------
// Equivalent depth, one branch per family of ultimate resistance.

// The root x of a x^2 + r x = F (the integral of a resistance r + 2 a x).
double quadraticRoot(double a, double r, double F) {
    if (a > 0.0) return (std::sqrt(r * r + 4.0 * a * F) - r) * 0.5 / a;
    return r > 0.0 ? F / r : 0.0;
}

// Soft clay: pu = 3cb + gamma b x + 0.5cx down to xr, 9cb below.
double softClayEquivalentDepth(const PySoilValues& v, double F, bool cyclic) {
    const double b = v.b, c = v.c, gamma = v.gamma;
    const double denominator = gamma * b + 0.5 * c;
    const double xr = denominator > 0.0 ? 6.0 * c * b / denominator : 0.0;
    double I = 0.0;
    double deepRate = 0.0;
    if (!cyclic) {
        I = 3.0 * c * b * xr + 0.5 * gamma * b * xr * xr + 0.25 * c * xr * xr;
        deepRate = 9.0 * c * b;
    } else {
        const double share = f32(0.72f);
        I = share * (1.5 * c * b * xr + gamma * b * xr * xr / 3.0 + c * xr * xr / 6.0);
        deepRate = share * 9.0 * c * b;
    }
    if (I < F) return deepRate > 0.0 ? xr + (F - I) / deepRate : xr;
    return quadraticRoot(0.5 * gamma * b + 0.25 * c, 3.0 * c * b, F);
}

// Stiff clay above the water table (types 3 and 10), static form only.
double stiffClayAboveEquivalentDepth(const PySoilValues& v, double F) {
    const double b = v.b, c = v.c, gamma = v.gamma;
    const double denominator = gamma * b + 0.5 * c;
    const double xr = denominator > 0.0 ? (9.0 * c * b - 3.0 * v.CAVG * b) / denominator : 0.0;
    const double I = 3.0 * c * b * xr + 0.5 * gamma * b * xr * xr + 0.25 * c * xr * xr;
    const double deepRate = 9.0 * c * b;
    if (I < F) return deepRate > 0.0 ? xr + (F - I) / deepRate : xr;
    return quadraticRoot(0.5 * gamma * b + 0.25 * c, 3.0 * c * b, F);
}

// Stiff clay below the water table: the resistance pct times the ultimate
// factor of the AS or AC coefficient, marched from the ground in 40 steps.
double stiffClayBelowEquivalentDepth(const PySoilValues& v, double F, bool cyclic) {
    const double b = v.b, c = v.c, gamma = v.gamma, CAVG = v.CAVG;
    const double denominator = gamma * b + f32(2.83f) * CAVG;
    double xr = denominator > 0.0 ? (11.0 * c * b - 2.0 * CAVG * b) / denominator : 0.0;
    if (!(xr > 0.0)) xr = 0.0;
    const double h = xr / 40.0;
    double S = 0.0;
    double f = 0.0;
    for (int step = 1; step <= 40; ++step) {
        const double x = step * h;
        const double xOverB = b > 0.0 ? x / b : 0.0;
        const double AS = stiffClayStaticCoefficient(xOverB);
        const double AC = stiffClayCyclicCoefficient(xOverB);
        f = cyclic ? f32(0.936f) * AC - f32(0.418f) * AS
                   : f32(1.225f) * std::sqrt(AS) - 0.75 * AS - f32(0.411f);
        const double previous = S;
        S += (2.0 * CAVG * b + gamma * b * x + f32(2.83f) * CAVG * x) * f * h;
        if (S > F) return x - (S - F) * h / (S - previous);
    }
    const double deepRate = 11.0 * c * b * f;
    return deepRate > 0.0 ? xr + (F - S) / deepRate : xr;
}

// Weak rock: c b (1 + 1.4 x / b) down to 3b, 5.2 c b below, where c is the
// strength the rock's ultimate resistance is built on, alpha qa (qa = 2 x
// the layer-average su, alpha = 1 - RQD / 150): the rock's own pur.
double weakRockEquivalentDepth(const PySoilValues& v, double F) {
    const double b = v.b;
    const double alpha = 1.0 - std::clamp(v.RQD, 0.0, 100.0) / f32(150.0F);
    const double c = alpha * 2.0 * v.CAVG;
    if (!(c > 0.0) || !(b > 0.0)) return 0.0;
    const double I = c * b * 3.0 * b + 0.5 * f32(1.4f) * c * (3.0 * b) * (3.0 * b);
    if (I < F) return 3.0 * b + (F - I) / (f32(5.2f) * c * b);
    return (std::sqrt((c * b) * (c * b) + 4.0 * f32(0.7f) * c * F) - c * b) * 0.5 / (f32(0.7f) * c);
}

// Sand (4), silt (7) and API sand (8): the wedge resistance times the depth
// factor (silt adds its cohesive share), marched from the ground in 50 steps
// down to the depth xt where the flow of soil around the pile takes over.
// Past xt the rest of F is met at the criterion's ultimate resistance at xt,
// the flow resistance times the depth factor (silt: plus its pc there).
double granularEquivalentDepth(const PySoilValues& v, double F, bool cyclic, int KSOIL) {
    const double b = v.b, c = v.c, gamma = v.gamma, phi = v.phi;
    if (!(b > 0.0)) return 0.0;
    const bool api = KSOIL == 8;
    const bool silt = KSOIL == 7;
    const ApiSandCoefficients k = apiSandCoefficients(phi);
    const double xt = api ? apiSandTransitionDepth(k, b) : sandTransitionDepth(b, phi);
    // Without friction (or without a wedge zone) there is no depth to match.
    if (!(xt > 0.0)) return 0.0;
    auto factor = [&](double x) {
        return api ? apiSandFactor(x / b, cyclic) : sandFactorA(x / b, cyclic);
    };
    const double h = xt / 50.0;
    double S = 0.0;
    for (int step = 1; step <= 50; ++step) {
        const double x = step * h;
        const double wedge =
            api ? (k.C1 * x + k.C2 * b) * gamma * x : sandWedgeResistance(x, b, gamma, phi);
        double rate = wedge * factor(x);
        if (silt) rate += 3.0 * c * b + gamma * b * x + 0.5 * c * x;
        const double previous = S;
        S += rate * h;
        if (S > F) return x - (S - F) * h / (S - previous);
    }
    double deepRate =
        factor(xt) * (api ? k.C3 * b * gamma * xt : sandFlowResistance(xt, b, gamma, phi));
    if (silt) deepRate += siltCohesiveResistance(xt, b, gamma, c);
    return deepRate > 0.0 ? xt + (F - S) / deepRate : xt;
}

// ---------------------------------------------------------------------------
// Curves built once per load case.

// The row of the current pile group in the load case's curves, made to
// match the pile as it is discretised now (emptied when it does not); null
// when the curves are not kept.
PyGroupCurves* groupCurvesOf(const ModelStore& store, PileScratch& scratch, int IPROP) {
    PyCurveCache& cache = store.pyCurves;
    const LateralPyState& s = scratch.py;
    const int g = s.currentPileGroup;
    if (cache.active == 0 || !validGroup(g) || g > static_cast<int>(cache.groups.size()))
        return nullptr;
    PyGroupCurves& row = cache.groups[static_cast<std::size_t>(g - 1)];
    const PileGroupWork& group = store.work.groups[g - 1];
    const int n = nodeCountOf(s);
    const bool same =
        row.ready != 0 && row.IPROP == IPROP && row.XHEAD == group.XHEAD &&
        row.groundBelowHead == group.groundBelowHead && static_cast<int>(row.nodeX.size()) == n &&
        std::equal(row.nodeX.begin(), row.nodeX.end(), s.nodeX.begin()) &&
        row.layerFirstNode == s.layerFirstNode && row.layerLastNode == s.layerLastNode;
    if (same) return &row;
    row.ready = 1;
    row.IPROP = IPROP;
    row.XHEAD = group.XHEAD;
    row.groundBelowHead = group.groundBelowHead;
    row.nodeX.assign(s.nodeX.begin(), s.nodeX.begin() + n);
    row.layerFirstNode = s.layerFirstNode;
    row.layerLastNode = s.layerLastNode;
    row.layers.resize(kMaxSoilLayers);
    for (PyLayerCurves& layer : row.layers)
        layer.ready = 0;
    return &row;
}

// The kept curves of layer L for the node loop of criterion, or null when
// they are not kept: printing, a criterion whose curves are not built once,
// or a lower layer whose equivalent depth the pass would compute.
PyLayerCurves* layerCurvesOf(const ModelStore& store, PileScratch& scratch, int IPROP, int L,
                             const PyCriterion& criterion) {
    if (!criterion.builtOnce || store.pyPrinting.printing != 0) return nullptr;
    const double XEQ = L >= 2 ? equivalentDepthRow(store, scratch)[L - 1] : 0.0;
    if (L >= 2 && store.control.KPYOP == 0 && XEQ < f32(1.0E-6f)) return nullptr;
    PyGroupCurves* row = groupCurvesOf(store, scratch, IPROP);
    if (!row) return nullptr;
    PyLayerCurves& layer = row->layers[static_cast<std::size_t>(L - 1)];
    if (layer.ready != 0 && layer.XEQ != XEQ) layer.ready = 0;
    layer.XEQ = XEQ;
    return &layer;
}

// The node loop over layer L from its kept curves: the moduli (and the cap
// resistance) at the node deflections now, and the layer's PULT as the pass
// that built the curves left it.
void readKeptCurves(const ModelStore& store, PileScratch& scratch, int L, int first, int last,
                    const PyLayerCurves& kept) {
    LateralPyState& s = scratch.py;
    const int g = s.currentPileGroup;
    const double pm = pMultiplierOf(store, g);
    const double ym = yMultiplierOf(store, g);
    const bool keepUltimate = keepsUltimateResistance(store);
    const auto evaluate = [&](const PyCurve& curve, int i) {
        double y = s.pyDeflection[i - 1];
        if (curve.deflectionOverYMultiplier) y /= ym;
        return evaluatePyPoint(curve, y, smallDeflectionThreshold(s), pm, ym);
    };
    if (store.control.embeddedCapOption > 0 && first == 1 && kept.capBuilt != 0) {
        s.capPassiveResistance = evaluate(kept.cap, 1).p;
        s.capPassiveWritten = 1;
    }
    for (int i = first; i <= last; ++i) {
        s.pyModulus[i - 1] = 0.0;
        if (keepUltimate) s.pyUltimate[i - 1] = 0.0;
        const auto k = static_cast<std::size_t>(i - first);
        if (kept.built[k] == 0) continue;
        const PyCurve& curve = kept.curves[k];
        s.pyModulus[i - 1] = evaluate(curve, i).Es;
        if (keepUltimate)
            s.pyUltimate[i - 1] = curve.kind == PyCurveKind::userCurves
                                      ? std::numeric_limits<double>::quiet_NaN()
                                      : pm * curve.pu;
    }
    s.PULT[L - 1] = kept.PULT;
    s.pultWritten[L - 1] = 1;
}

}  // namespace

PyPointValue evaluatePyPoint(const PyCurve& curve, double y, double ymin, double pm, double ym) {
    PyPointValue v;
    v.y = std::fabs(y);
    if (curve.kind == PyCurveKind::userCurves) v.y = std::max(v.y, ymin);
    if (v.y >= pyInitialRangeEnd(curve, ymin)) {
        v.p = pyResistance(curve, v.y);
        v.Es = v.p * pm / v.y / ym;
    } else {
        // Below the threshold (weak rock: anywhere on its straight initial
        // line) the initial modulus, unscaled; vuggy limestone divides its
        // Es1 by the deflection multiplier as on its other branches.
        v.Es = pyInitialModulus(curve, ymin);
        if (curve.kind == PyCurveKind::vuggyLimestone) v.Es /= ym;
        v.p = v.Es * v.y;
        v.belowYmin = v.y < ymin;
    }
    return v;
}

void beginPyCurveCache(ModelStore& store) {
    PyCurveCache& cache = store.pyCurves;
    cache.active = cache.off != 0 ? 0 : 1;
    const int count = std::clamp(store.arrangement.pileGroupCount, 0, kMaxPileGroups);
    cache.groups.resize(static_cast<std::size_t>(count));
    for (PyGroupCurves& row : cache.groups)
        row.ready = 0;
}

void forgetKeptPyCurves(ModelStore& store) {
    for (PyGroupCurves& row : store.pyCurves.groups)
        row.ready = 0;
}

double smallDeflectionThreshold(const LateralPyState& state) {
    return state.YMIN > 0.0 ? state.YMIN : f32(1.0E-14f);
}

void setSmallDeflectionThreshold(LateralPyState& state, double ymin) {
    state.YMIN = ymin;
    state.ymimWritten = 1;
}

double* equivalentDepthRow(const ModelStore& store, PileScratch& scratch) {
    const int g = scratch.py.currentPileGroup;
    if (!validGroup(g)) return nullptr;
    if (scratch.owner == &store) return scratch.owner->pyRun.XEQ[g - 1].data();
    return scratch.py.XEQ.data();
}

double pMultiplierOf(const ModelStore& store, int groupNo) {
    return validGroup(groupNo) ? store.groupFactors.pMultiplier[groupNo - 1] : 1.0;
}

double yMultiplierOf(const ModelStore& store, int groupNo) {
    const double ym = validGroup(groupNo) ? store.groupFactors.yMultiplier[groupNo - 1] : 1.0;
    // A deflection multiplier scales y; without a positive one nothing is scaled.
    return ym > 0.0 ? ym : 1.0;
}

void gatherCommonSoil(const ModelStore& store, PileScratch& scratch, const PyNode& node,
                      PySoilValues& soil, int& status) {
    int lookup = 0;
    soil.b = node.capPass && store.control.embeddedCapOption == 1
                 ? store.cap.capWidthZ
                 : pileDiameterAt(store, scratch, node.IPROP, node.X);
    soil.c = strengthAt(store, scratch, node.X, lookup);
    if (lookup == 0) soil.gamma = unitWeightAverage(store, scratch, node.X, lookup);
    if (lookup != 0) status = lookup;
}

double layerAverageStrength(const ModelStore& store, PileScratch& scratch, const PyNode& node,
                            PyLayerRun& run, double c, int& status) {
    if (node.layerNo == 1) return strengthAverage(store, scratch, node.X);
    if (node.printing) {
        int lookup = 0;
        const double top =
            strengthAt(store, scratch, store.soilLayers.rows[node.layerNo - 1].topX, lookup);
        if (lookup != 0) status = lookup;
        return 0.5 * (top + c);
    }
    if (run.evaluatedCount == 0) {
        run.firstX = node.X;
        run.strengthIntegral = 0.0;
    } else {
        run.strengthIntegral += 0.5 * (run.previousC + c) * (node.X - run.previousX);
    }
    run.previousX = node.X;
    run.previousC = c;
    const double length = node.X - run.firstX;
    return length > 0.0 ? run.strengthIntegral / length : c;
}

double equivalentDepth(const ModelStore& store, PileScratch& scratch, int L,
                       const PySoilValues& soil) {
    LateralPyState& s = scratch.py;
    const int g = s.currentPileGroup;
    if (!validGroup(g) || L < 2 || L > kMaxSoilLayers) return 0.0;
    double F = 0.0;
    for (int above = 1; above < L; ++above) {
        F += s.PULT[above - 1];
        if (s.pultWritten[above - 1] == 0) s.carriedPultRead = true;
    }
    const bool cyclic = store.pyRun.ISTATIC != 1;

    double XEQ = 0.0;
    switch (store.soilLayers.rows[L - 1].KSOIL) {
        case 2:
            XEQ = stiffClayBelowEquivalentDepth(soil, F, cyclic);
            break;
        case 3:
        case 10:
            XEQ = stiffClayAboveEquivalentDepth(soil, F);
            break;
        case 9:
            XEQ = weakRockEquivalentDepth(soil, F);
            break;
        case 4:
        case 7:
        case 8:
            XEQ = granularEquivalentDepth(soil, F, cyclic, store.soilLayers.rows[L - 1].KSOIL);
            break;
        default:
            XEQ = softClayEquivalentDepth(soil, F, cyclic);
            break;
    }
    equivalentDepthRow(store, scratch)[L - 1] = XEQ;
    return XEQ;
}

void runPyNodeLoop(const ModelStore& store, PileScratch& scratch, int IPROP, int L,
                   const PyCriterion& criterion, int& status) {
    LateralPyState& s = scratch.py;
    const int g = s.currentPileGroup;
    if (!validGroup(g) || L < 1 || L > kMaxSoilLayers) return;
    const PileGroupWork& group = store.work.groups[g - 1];
    const bool printing = store.pyPrinting.printing != 0;
    const int embedded = store.control.embeddedCapOption;

    int first = 1;
    int last = 1;
    if (!printing) {
        first = s.layerFirstNode[L - 1];
        last = std::min(s.layerLastNode[L - 1], nodeCountOf(s));
    }
    if (first < 1 || first > last) return;
    const double spacing = printing ? 0.0 : layerNodeSpacing(s, first);
    const double pm = pMultiplierOf(store, g);
    const double ym = yMultiplierOf(store, g);
    const bool keepUltimate = !printing && keepsUltimateResistance(store);
    PyLayerCurves* kept = layerCurvesOf(store, scratch, IPROP, L, criterion);
    if (kept && kept->ready != 0) {
        readKeptCurves(store, scratch, L, first, last, *kept);
        return;
    }
    if (kept) {
        kept->capBuilt = 0;
        kept->curves.assign(static_cast<std::size_t>(last - first + 1), PyCurve{});
        kept->built.assign(static_cast<std::size_t>(last - first + 1), 0);
    }
    const long long messagesBefore = scratch.messagesRaised;

    for (int pass = 1; pass <= 2; ++pass) {
        const bool capPass = pass == 1;
        if (capPass && embedded <= 0) continue;
        PyLayerRun run;
        for (int i = first; i <= last; ++i) {
            if (capPass && i != 1) break;  // the cap rests on the pile head
            PyNode node;
            node.IPROP = IPROP;
            node.layerNo = L;
            node.nodeNo = i;
            node.capPass = capPass;
            node.firstOfLayer = i == first;
            node.lastOfLayer = i == last;
            node.printing = printing;
            node.X = printing ? store.pyPrinting.X : s.nodeX[i - 1];
            node.spacing = spacing;

            if (node.firstOfLayer) {
                s.PULT[L - 1] = 0.0;
                s.pultWritten[L - 1] = 1;
            }
            node.trueDepth = node.X - group.XHEAD - group.groundBelowHead;
            if (!printing) s.pyModulus[i - 1] = 0.0;
            if (keepUltimate && !capPass) s.pyUltimate[i - 1] = 0.0;
            if (node.trueDepth < kAboveGround) continue;
            if (printing && capPass && !insideCap(store, node.X, group.XHEAD)) break;
            if (printing && !capPass && embedded == 1 && insideCap(store, node.X, group.XHEAD))
                continue;

            PySoilValues soil;
            int lookup = 0;
            criterion.gather(store, scratch, node, run, soil, lookup);
            if (lookup != 0) {
                status = lookup;
                return;
            }
            node.depth = criterion.usesEquivalentDepth
                             ? depthForUltimate(store, scratch, node, soil)
                             : node.trueDepth;
            PyCurve curve;
            criterion.build(store, scratch, node, soil, run, curve);
            run.evaluatedCount += 1;
            if (kept) {
                if (capPass) {
                    kept->cap = curve;
                    kept->capBuilt = 1;
                } else {
                    kept->curves[static_cast<std::size_t>(i - first)] = curve;
                    kept->built[static_cast<std::size_t>(i - first)] = 1;
                }
            }

            if (printing) {
                recordPrintedCurve(store, scratch, node, soil, curve);
                continue;
            }
            double y = s.pyDeflection[i - 1];
            if (curve.deflectionOverYMultiplier) y /= ym;
            const PyPointValue v = evaluatePyPoint(curve, y, smallDeflectionThreshold(s), pm, ym);
            if (capPass) {
                s.capPassiveResistance = v.p;
                s.capPassiveWritten = 1;
            } else {
                s.pyModulus[i - 1] = v.Es;
                if (keepUltimate)
                    s.pyUltimate[i - 1] = curve.kind == PyCurveKind::userCurves
                                              ? std::numeric_limits<double>::quiet_NaN()
                                              : pm * curve.pu;
            }
        }
    }
    // Kept when the pass went through without a lookup failing or a message.
    if (kept && status == 0 && scratch.messagesRaised == messagesBefore) {
        kept->PULT = s.PULT[L - 1];
        kept->ready = 1;
    }
}

void evaluateLayerCriterion(const ModelStore& store, PileScratch& scratch, int IPROP, int L,
                            int& status) {
    if (L < 1 || L > kMaxSoilLayers) return;
    switch (store.soilLayers.rows[L - 1].KSOIL) {
        case 2:
            stiffClayBelowWaterCurve(store, scratch, IPROP, L, status);
            break;
        case 3:
            stiffClayAboveWaterCurve(store, scratch, IPROP, L, status);
            break;
        case 4:
            sandCurve(store, scratch, IPROP, L, status);
            break;
        case 5:
            userCurve(store, scratch, IPROP, L, status);
            break;
        case 6:
            vuggyLimestoneCurve(store, scratch, IPROP, L, status);
            break;
        case 7:
            siltCurve(store, scratch, IPROP, L, status);
            break;
        case 8:
            apiSandCurve(store, scratch, IPROP, L, status);
            break;
        case 9:
            weakRockCurve(store, scratch, IPROP, L, status);
            break;
        case 10:
            stiffClayInitialKCurve(store, scratch, IPROP, L, status);
            break;
        case 11:
            liquefiedSandCurve(store, scratch, IPROP, L, status);
            break;
        default:
            softClayCurve(store, scratch, IPROP, L, status);
            break;  // 1 and unknown codes
    }
}

void generatePyModuli(const ModelStore& store, PileScratch& scratch, int IPROP, int& status) {
    LateralPyState& s = scratch.py;
    const int g = s.currentPileGroup;
    if (!validGroup(g)) return;

    if (store.pyPrinting.printing != 0) {
        if (!scratch.owner) return;  // printing runs in the store's own scratch space only
        scratch.owner->pyPrinting.curveReady = 0;
        const int L = layerOfDepth(store, store.pyPrinting.X);
        if (L >= 1) evaluateLayerCriterion(store, scratch, IPROP, L, status);
        return;
    }

    s.modulusEvaluated = true;
    const int nodeCount = nodeCountOf(s);
    std::fill_n(s.pyModulus.begin(), nodeCount, 0.0);
    // A node that no criterion's curve reaches (the user's own curves, a
    // layer left out) has no ultimate resistance: never one of the pile
    // evaluated before in this scratch space.
    const bool keepUltimate = keepsUltimateResistance(store);
    if (keepUltimate)
        std::fill_n(s.pyUltimate.begin(), nodeCount, std::numeric_limits<double>::quiet_NaN());
    const int layerCount = std::clamp(store.soilLayers.NLAYER, 0, kMaxSoilLayers);
    for (int L = 1; L <= layerCount; ++L) {
        const int first = s.layerFirstNode[L - 1];
        const int last = s.layerLastNode[L - 1];
        // A layer that only the tip reaches is left out of the analysis.
        if (store.control.KPYOP == 0 && first == nodeCount && last == nodeCount) continue;
        if (first == 0) continue;
        evaluateLayerCriterion(store, scratch, IPROP, L, status);
    }
    if (status != 0) return;

    const PileGroupWork& group = store.work.groups[g - 1];
    const double groundX = group.XHEAD + group.groundBelowHead;
    for (int i = 1; i <= nodeCount; ++i)
        if (s.nodeX[i - 1] <= groundX) {
            s.pyModulus[i - 1] = 0.0;
            if (keepUltimate) s.pyUltimate[i - 1] = 0.0;
        }
}

}  // namespace pylora
