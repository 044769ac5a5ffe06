// SPDX-License-Identifier: Apache-2.0
#include "axial/pile_head_response.h"

#include <algorithm>
#include <cmath>

#include "format/format.h"
#include "store/run_messages.h"

namespace pylora {

namespace {

int groupCount(const ModelStore& store) {
    return std::clamp(store.arrangement.pileGroupCount, 0, kMaxPileGroups);
}

int refuseGroup(PileScratch& scratch, int g, const char* reason) {
    ReportLine line;
    line.slash().X(5).text("**** FATAL ERROR ****");
    line.slash().X(5).text("PILE GROUP").I(g, 5).text(" ").text(reason);
    raisePileMessage(scratch, kToReport | kToRuntime, line.str());
    return kStatusPileGroupRefused;
}

void writePileBelowLayers(const ModelStore& store, PileScratch& scratch, double length) {
    ReportLine line;
    line.slash().slash().slash().X(5).text("**** FATAL ERROR ****");
    line.slash().X(5).text("THE PILE LENGTH, ").E(length, 10, 2).text("(");
    line.A(store.units.length3.view(), 3).text(")").text(", EXTENDS BELOW THE");
    line.slash().X(5).text("BOTTOM OF THE DEEPEST LAYER.");
    raisePileMessage(scratch, kToReport | kToRuntime, line.str());
}

// A pile-head curve as the response routines read it.
struct CurveView {
    const CurvePoint* points = nullptr;
    int n = 0;
    bool generated = false;  // built from the soil profile: starts at the origin
};

CurveView selectCurve(int curveNo, const std::array<UserCurve, kMaxPileProperties>& generated,
                      const UserCurve* user, int userCount) {
    CurveView view;
    if (curveNo > 0 && curveNo <= kMaxPileProperties) {
        const UserCurve& c = generated[curveNo - 1];
        view.points = c.points.data();
        view.n = std::clamp(c.pointCount, 0, kMaxCurvePoints);
        view.generated = true;
    } else if (curveNo < 0 && -curveNo <= userCount) {
        const UserCurve& c = user[-curveNo - 1];
        view.points = c.points.data();
        view.n = std::clamp(c.pointCount, 0, kMaxCurvePoints);
    }
    return view;
}

enum class Outcome { onCurve, belowFirst, beyondLast };

struct Reading {
    Outcome outcome = Outcome::beyondLast;
    double value = 0.0;
};

double displacementOf(const CurveView& c, int j) {
    return c.points[j - 1].displacement;
}

double forceOf(const CurveView& c, int j) {
    return c.points[j - 1].force;
}

// Linear interpolation on the curve at displacement u; outside it, which end.
Reading readCurve(const CurveView& c, double u) {
    if (c.generated && c.n >= 1 && u > 0.0 && u < displacementOf(c, 1)) {
        // The generated curve's first point is the head response to the
        // smallest assumed tip movement; below it the response runs from the
        // origin, where the pile is at rest.
        return {Outcome::onCurve, forceOf(c, 1) * u / displacementOf(c, 1)};
    }
    for (int j = 2; j <= c.n; ++j) {
        const double d1 = displacementOf(c, j);
        if (!(u <= d1)) continue;
        if (!(u >= displacementOf(c, 1))) return {Outcome::belowFirst, 0.0};
        const double d0 = displacementOf(c, j - 1);
        const double F0 = forceOf(c, j - 1);
        const double F1 = forceOf(c, j);
        if (!(d1 > d0)) return {Outcome::onCurve, F1};
        return {Outcome::onCurve, F0 + (F1 - F0) * (u - d0) / (d1 - d0)};
    }
    return {Outcome::beyondLast, 0.0};
}

double firstDisplacement(const CurveView& c) {
    return c.n >= 1 ? displacementOf(c, 1) : 0.0;
}

double lastDisplacement(const CurveView& c) {
    return c.n >= 1 ? displacementOf(c, c.n) : 0.0;
}

void writeFailure(PileScratch& scratch, const char* failure, int g, const char* displacementLabel,
                  double u, double limit, const char* forceLabel, double force) {
    ReportLine line;
    line.slash().X(5).text("** WARNING **  ").text(failure).X(2).text("PILE GROUP").I(g, 5);
    line.slash().X(20).text(displacementLabel).E(u, 12, 4).text(" > ").E(limit, 12, 4);
    line.X(5).text(forceLabel).E(force, 12, 4);
    raisePileMessage(scratch, kToWarningScratch, line.str());
}

}  // namespace

void discretisePile(const ModelStore& store, PileScratch& scratch, int g, int& status) {
    const bool twoDimensional = store.control.analysisType == 2;
    if (!twoDimensional) status = 0;
    LateralPyState& s = scratch.py;
    s.layerFirstNode.fill(0);
    s.layerLastNode.fill(0);

    if (g < 1 || g > groupCount(store)) {
        status = refuseGroup(scratch, g, "IS NOT DEFINED");
        return;
    }
    const PileGroupWork& group = store.work.groups[g - 1];
    const int IPROP = group.IPROP;
    const int propertyCount =
        std::clamp(store.pileProperties.pilePropertyCount, 0, kMaxPileProperties);
    if (IPROP < 1 || IPROP > propertyCount) {
        status = refuseGroup(scratch, g, "HAS NO PILE PROPERTY");
        return;
    }
    const PropertyWork& property = store.work.properties[IPROP - 1];
    const int N = property.increments;
    if (N < 1 || N > kMaxIncrements) {
        status = refuseGroup(scratch, g, "HAS A PILE PROPERTY WITHOUT 1 TO 100 INCREMENTS");
        return;
    }
    const double L = property.LENGTH;
    if (!(L > 0.0) || !std::isfinite(L)) {
        status = refuseGroup(scratch, g, "HAS A PILE PROPERTY WITHOUT LENGTH");
        return;
    }
    const double h = L / N;
    s.NNODE = N + 1;

    // Node e at (e - 1) h below the head and the tip at the full length:
    // summing h node by node could leave the tip of a pile that ends exactly
    // at the bottom of the deepest layer an ulp below it.
    auto& x = s.nodeX;
    const double head = group.XHEAD;
    auto positionOf = [&](int e) { return e == N + 1 ? head + L : head + (e - 1) * h; };
    x[0] = head;

    if (store.control.userPyCurvesOption == 1 && group.pySetNo >= 0) {
        for (int e = 2; e <= N + 1; ++e)
            x[e - 1] = positionOf(e);
        return;
    }

    const SoilLayerTable& layers = store.soilLayers;
    const int nL = std::clamp(layers.NLAYER, 0, kMaxSoilLayers);
    // Without layers there is no soil to carry the pile: every node lies
    // below the (missing) deepest layer.
    const double Db = nL >= 1 ? layers.rows[nL - 1].bottomX : -HUGE_VAL;
    auto topOf = [&](int i) { return layers.rows[i - 1].topX; };

    // Each node belongs to the deepest layer whose top is not below it; a node
    // on a boundary is the first node of the lower layer, and nodes above the
    // ground surface belong to none. The cursor only moves down, and may pass
    // several layers thinner than an increment at one node.
    std::array<int, kMaxSoilLayers> lastMember{};
    int i = 0;
    for (int e = 1; e <= N + 1; ++e) {
        if (e >= 2) x[e - 1] = positionOf(e);
        if (Db < x[e - 1] || nL < 1) {
            s.layerFirstNode.fill(0);
            writePileBelowLayers(store, scratch, L);
            status = twoDimensional ? kStatusPileBelowLayers2D : kStatusPileBelowLayers3D;
            return;
        }
        while (i < nL && x[e - 1] >= topOf(i + 1))
            ++i;
        if (i < 1) continue;
        if (s.layerFirstNode[i - 1] == 0) s.layerFirstNode[i - 1] = e;
        lastMember[i - 1] = e;
    }

    // A layer the pile passes through ends at its last node; the layer that
    // holds the tip, or whose bottom the tip just reaches, runs to the tip.
    const double tip = x[N];
    for (int j = 1; j <= nL; ++j) {
        if (s.layerFirstNode[j - 1] == 0) continue;
        s.layerLastNode[j - 1] = tip > layers.rows[j - 1].bottomX ? lastMember[j - 1] : N + 1;
    }
    s.layerLastNode[nL - 1] = N + 1;
}

double axialHeadForce(const ModelStore& store, PileScratch& scratch, int g, double ua) {
    PileHeadResults& response = scratch.head;
    response.headAxialForce = 0.0;
    if (ua == 0.0) return 0.0;
    if (g < 1 || g > kMaxPileGroups) return 0.0;

    const int userCount = std::clamp(store.userLsCurves.lsCurveCount, 0, kMaxLsCurves);
    const CurveView curve =
        selectCurve(store.work.groups[g - 1].lsCurveNo, store.generatedCurves.loadSettlement,
                    store.userLsCurves.rows.data(), userCount);
    const Reading reading = readCurve(curve, ua);
    if (reading.outcome == Outcome::onCurve) {
        response.headAxialForce = reading.value;
        return reading.value;
    }
    if (store.axialResponse.warningRecordFlag != 1) return 0.0;
    if (reading.outcome == Outcome::belowFirst) {
        writeFailure(scratch, "APPARENT FAILURE IN PULL OUT    ", g, "AX. DISP.=", ua,
                     firstDisplacement(curve), "AX. FORCE=", 0.0);
        scratch.pullOutWarningCount += 1;
    } else {
        writeFailure(scratch, "APPARENT FAILURE IN BEARING     ", g, "AX. DISP.=", ua,
                     lastDisplacement(curve), "AX. FORCE=", 0.0);
        scratch.bearingWarningCount += 1;
    }
    return 0.0;
}

double torsionalHeadMoment(const ModelStore& store, PileScratch& scratch, int g, double tx) {
    PileHeadResults& response = scratch.head;
    response.headTorsionalMoment = 0.0;
    if (g < 1 || g > kMaxPileGroups) return 0.0;

    const int userCount = std::clamp(store.userTrCurves.trCurveCount, 0, kMaxTrCurves);
    const CurveView curve =
        selectCurve(store.work.groups[g - 1].trCurveNo, store.generatedCurves.torqueRotation,
                    store.userTrCurves.rows.data(), userCount);
    // Soil resists a twist of either sense alike; the generated curve holds
    // the positive branch only.
    const double sense = curve.generated && tx < 0.0 ? -1.0 : 1.0;
    const double twist = sense * tx;
    Reading reading;
    if (curve.generated && twist == 0.0)
        reading = {Outcome::onCurve, 0.0};
    else
        reading = readCurve(curve, twist);
    if (reading.outcome == Outcome::onCurve) {
        response.headTorsionalMoment = sense * reading.value;
        return response.headTorsionalMoment;
    }
    if (store.axialResponse.warningRecordFlag != 1) return 0.0;
    const double limit =
        reading.outcome == Outcome::belowFirst ? firstDisplacement(curve) : lastDisplacement(curve);
    writeFailure(scratch, "APPARENT FAILURE IN TORSION     ", g, "ROTATION =", tx, sense * limit,
                 "T. MOMENT=", 0.0);
    scratch.torsionWarningCount += 1;
    return 0.0;
}

}  // namespace pylora
