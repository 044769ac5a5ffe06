// SPDX-License-Identifier: Apache-2.0
// p-y curves given by the user: sets of curves, each at an X coordinate, with
// (p, y) points. A node takes the two curves of its pile group's set that
// bracket its X, reads p on each at its deflection and interpolates the
// moduli linearly in X.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "format/format.h"
#include "soil/py_criteria.h"
#include "soil/py_evaluation.h"
#include "store/constants.h"
#include "store/run_messages.h"

namespace pylora {

namespace {

// X of the embedded-cap pass: just above the pile head.
const double kCapLevel = f32(0.99f);

// The set a pile group names (a negative number names its magnitude), or
// null when the store has no such set.
const UserPySet* setOfGroup(const ModelStore& store, int groupNo) {
    const int setNo = std::abs(store.work.groups[groupNo - 1].pySetNo);
    const int count = std::clamp(store.userPySets.pySetCount, 0, kMaxPySets);
    if (setNo < 1 || setNo > count) return nullptr;
    return &store.userPySets.rows[setNo - 1];
}

struct Bracket {
    PyCurve curve;            // kind userCurves, or none without curves
    bool beyondLast = false;  // X lies below the last curve, which is used alone
};

// The curves bracketing X: the first curve at or below X and the one above
// it; a curve exactly at X, or the first curve for X above it, alone.
Bracket bracketCurves(const UserPySet& set, double X) {
    Bracket b;
    const int n = std::clamp(set.pyCurveCount, 0, kMaxPyCurvesPerSet);
    if (n == 0) return b;
    b.curve.kind = PyCurveKind::userCurves;
    for (int j = 1; j <= n; ++j) {
        const UserPyCurve& lower = set.curves[j - 1];
        if (lower.x < X) continue;
        if (lower.x == X || j == 1) {
            b.curve.upperCurve = &lower;
            return b;
        }
        const UserPyCurve& upper = set.curves[j - 2];
        b.curve.upperCurve = &upper;
        b.curve.lowerCurve = &lower;
        b.curve.weight = (X - upper.x) / (lower.x - upper.x);
        return b;
    }
    b.curve.upperCurve = &set.curves[n - 1];
    b.beyondLast = true;
    return b;
}

double lastPointResistance(const UserPyCurve* curve) {
    if (!curve) return 0.0;
    const int n = std::clamp(curve->pyPointCount, 0, kMaxCurvePoints);
    return n > 0 ? curve->points[n - 1].p : 0.0;
}

// The resistance at large deflection, interpolated in X as the curve is.
double ultimateOf(const PyCurve& curve) {
    const double upper = lastPointResistance(curve.upperCurve);
    if (!curve.lowerCurve) return upper;
    return upper + (lastPointResistance(curve.lowerCurve) - upper) * curve.weight;
}

void writeMissingSet(PileScratch& scratch, int groupNo) {
    ReportLine line;
    line.slash().slash().X(5).text("NO USER P-Y CURVE SET FOR PILE GROUP").I(groupNo, 5);
    raisePileMessage(scratch, kToReport, line.str());
}

void gatherNothing(const ModelStore&, PileScratch&, const PyNode&, PyLayerRun&, PySoilValues&,
                   int&) {}

void buildUserCurve(const ModelStore& store, PileScratch& scratch, const PyNode& node,
                    const PySoilValues&, PyLayerRun& run, PyCurve& curve) {
    const int g = scratch.py.currentPileGroup;
    const UserPySet* set = setOfGroup(store, g);
    if (!set) {
        curve = PyCurve{};
        if (!run.beyondLastCurve) writeMissingSet(scratch, g);
        run.beyondLastCurve = true;
        return;
    }
    const double X = node.capPass ? kCapLevel * store.work.groups[g - 1].XHEAD : node.X;
    const Bracket b = bracketCurves(*set, X);
    curve = b.curve;
    if (b.beyondLast && !run.beyondLastCurve) {
        // Once per pass over the layer: the evaluation repeats at every iteration.
        ReportLine line;
        line.slash().slash().text("     P-Y CURVES DO NOT EXTEND THE LENGTH OF THE PILE");
        raisePileMessage(scratch, kToReport, line.str());
        run.beyondLastCurve = true;
    }
    scratch.py.PULT[node.layerNo - 1] += ultimateOf(curve) * node.spacing;
}

const PyCriterion kUserCurve{&gatherNothing, &buildUserCurve, false};

}  // namespace

void userCurve(const ModelStore& store, PileScratch& scratch, int IPROP, int L, int& status) {
    runPyNodeLoop(store, scratch, IPROP, L, kUserCurve, status);
}

void userPileCurves(const ModelStore& store, PileScratch& scratch, int groupNo, int& /*status*/) {
    LateralPyState& s = scratch.py;
    if (groupNo < 1 || groupNo > kMaxPileGroups) return;
    s.modulusEvaluated = true;
    const PileGroupWork& group = store.work.groups[groupNo - 1];
    const UserPySet* set = setOfGroup(store, groupNo);
    if (!set || group.IPROP < 1 || group.IPROP > kMaxPileProperties) {
        writeMissingSet(scratch, groupNo);
        s.pileFailureFlag = 1;
        return;
    }
    const PropertyWork& property = store.work.properties[group.IPROP - 1];
    const int N = std::clamp(property.increments, 0, kMaxIncrements);
    const double h = N > 0 ? property.LENGTH / N : 0.0;
    const double pm = pMultiplierOf(store, groupNo);
    const double ym = yMultiplierOf(store, groupNo);
    const double ymin = smallDeflectionThreshold(s);
    // The user's curves give no ultimate resistance.
    if (keepsUltimateResistance(store))
        std::fill_n(s.pyUltimate.begin(), std::clamp(N + 1, 0, kMaxPileNodes),
                    std::numeric_limits<double>::quiet_NaN());

    if (store.control.embeddedCapOption > 0) {
        // The cap moves with the pile head: its deflection is the head's.
        const Bracket b = bracketCurves(*set, kCapLevel * group.XHEAD);
        s.capPassiveResistance = evaluatePyPoint(b.curve, s.pyDeflection[0], ymin, pm, ym).p;
        s.capPassiveWritten = 1;
    }
    for (int k = 0; k <= N; ++k) {
        const auto i = static_cast<std::size_t>(k);
        const double X = group.XHEAD + k * h;
        s.pyModulus[i] = 0.0;
        if (X < 0.0) continue;
        const Bracket b = bracketCurves(*set, X);
        if (b.beyondLast) {
            ReportLine line;
            line.slash().slash().text("  -  P-Y CURVES DO NOT EXTEND THE LENGTH OF THE PILE");
            raisePileMessage(scratch, kToReport, line.str());
            s.pileFailureFlag = 1;
            return;
        }
        s.pyModulus[i] = evaluatePyPoint(b.curve, s.pyDeflection[i], ymin, pm, ym).Es;
    }
}

}  // namespace pylora
