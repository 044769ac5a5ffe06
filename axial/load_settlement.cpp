// SPDX-License-Identifier: Apache-2.0
#include "axial/load_settlement.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "axial/load_transfer.h"
#include "format/format.h"
#include "store/constants.h"

namespace pylora {

namespace {

const double kPi = f32(3.14159F);

// Tip movements of the nine pile-head points, in inches.
constexpr std::array<float, kPileHeadCurvePoints> kTipMovementInches = {
    0.0001F, 0.001F, 0.005F, 0.01F, 0.05F, 0.1F, 0.5F, 1.0F, 2.0F};

// Every section must carry the pile's axial load elastically.
bool hasAxialRigidity(const ModelStore& store, const PileGeometry& pile) {
    const PropertyWork& property = store.work.properties[pile.IPROP - 1];
    for (int k = 1; k <= pile.NSECT; ++k) {
        const double EA = property.sections[k - 1].AREA * pile.elasticModulus;
        if (!(EA > 0.0) || !std::isfinite(EA)) return false;
    }
    return true;
}

// Curve depths: X = 0 and the ground surface (both practically without
// friction), then three per layer: 0.1 below its top, midway between that
// point and its bottom, and 1.0 above its bottom.
int buildAxialSideCurves(ModelStore& store, const PileGeometry& pile, LoadTransferCurves& curves) {
    std::array<double, kMaxLoadTransferCurves> X{};
    std::array<int, kMaxLoadTransferCurves> layerOf{};
    const int layers = std::clamp(store.soilLayers.NLAYER, 0, kMaxSoilLayers);
    int n = 0;
    X[n] = 0.0;
    layerOf[n++] = 1;
    X[n] = store.soilProfile.XGS;
    layerOf[n++] = 1;
    for (int L = 1; L <= layers; ++L) {
        const SoilLayer& layer = store.soilLayers.rows[L - 1];
        const double upper = layer.topX + f32(0.1F);
        X[n] = upper;
        layerOf[n++] = L;
        X[n] = 0.5 * (upper + layer.bottomX);
        layerOf[n++] = L;
        X[n] = layer.bottomX - f32(1.0F);
        layerOf[n++] = L;
    }
    return buildSideCurves(store, pile, X.data(), layerOf.data(), n, 2, curves);
}

// Nine assumed tip movements in the run's length unit. The ninth becomes
// 0.05 D when that exceeds 2 inches, so that a large tip reaches the movement
// at which its resistance is mobilised; the comparison is made in one unit in
// every unit system (in an SI run D is in metres and is compared with 2
// inches expressed in metres).
std::array<double, kPileHeadCurvePoints> assumedTipMovements(const ModelStore& store,
                                                             const PileGeometry& pile) {
    const double inch = isSiRun(store) ? metresPerInch() : 1.0;
    std::array<double, kPileHeadCurvePoints> movement{};
    for (int k = 0; k < kPileHeadCurvePoints; ++k)
        movement[k] = f32(kTipMovementInches[k]) * inch;
    const double fivePercent = f32(0.05F) * pile.tipDiameter;
    if (fivePercent > movement[kPileHeadCurvePoints - 1])
        movement[kPileHeadCurvePoints - 1] = fivePercent;
    return movement;
}

struct AxialState {
    double load = 0.0;      // axial load, compression positive
    double movement = 0.0;  // downward movement
};

// One segment of length h whose bottom lies sBottom below the head: the side
// load of the segment at its mid-depth movement and the elastic shortening
// under the mean axial load, iterated on the mid-segment movement until the
// movement at the top settles.
AxialState climbSegment(const ModelStore& store, const PileGeometry& pile,
                        const LoadTransferCurves& curves, double sBottom, double h,
                        const AxialState& bottom) {
    const double sMid = sBottom - 0.5 * h;
    const double perimeter = kPi * sectionDiameterAt(store, pile.IPROP, sMid);
    const double EA = sectionAreaAt(store, pile.IPROP, sMid) * pile.elasticModulus;
    AxialState top = bottom;
    double midMovement = bottom.movement;
    double previousTop = bottom.movement;
    for (int pass = 1; pass <= kMaxSegmentPasses; ++pass) {
        const double side = sideTransferAt(curves, sMid, midMovement) * perimeter * h;
        top.load = bottom.load + side;
        top.movement = bottom.movement + h * 0.5 * (bottom.load + top.load) / EA;
        // The lower half shortens under the mean of the bottom load and the
        // load at mid-segment.
        const double midLoad = bottom.load + 0.5 * side;
        midMovement = bottom.movement + 0.5 * h * 0.5 * (bottom.load + midLoad) / EA;
        if (pass > 1 && std::fabs(top.movement - previousTop) < kMarchingTolerance) break;
        previousTop = top.movement;
    }
    return top;
}

void marchLoadSettlement(const ModelStore& store, const PileGeometry& pile,
                         const LoadTransferCurves& curves, UserCurve& head) {
    const int segments = 2 * pile.NSECT;
    const double h = pile.LENGTH / segments;
    const std::array<double, kPileHeadCurvePoints> tip = assumedTipMovements(store, pile);
    head = UserCurve{};
    head.curveNo = pile.IPROP;
    for (int k = 0; k < kPileHeadCurvePoints; ++k) {
        AxialState state{tipResistanceAt(curves, tip[k]), tip[k]};
        for (int i = 1; i <= segments; ++i)
            state = climbSegment(store, pile, curves, pile.LENGTH - (i - 1) * h, h, state);
        head.points[k].force = state.load;
        head.points[k].displacement = state.movement;
    }
    head.pointCount = kPileHeadCurvePoints;
}

const char* stressLabel(const ModelStore& store) {
    return isSiRun(store) ? "KPA" : "PSI";
}

void writeTzCurves(ModelStore& store, const PileGeometry& pile, const LoadTransferCurves& curves) {
    std::FILE* file = store.files.curve.get();
    if (!file) return;
    const std::string_view length = store.units.length3.view();
    ReportLine line;
    line.slash().slash().X(5).text("T-Z CURVES, PILE PROPERTY:").I(pile.IPROP, 3).slash();
    writeLine(file, line);
    line.clear();
    line.X(10).text("CURVE").X(3).text("N. POINTS").X(5).text("DEPTH");
    line.X(11).text("T Value").X(9).text("Z Value");
    writeLine(file, line);
    line.clear();
    line.X(32).text("(").A(length, 3).text(")");
    line.X(12).text("(").text(stressLabel(store)).text(")");
    line.X(11).text("(").A(length, 3).text(")");
    writeLine(file, line);
    for (int i = 1; i <= curves.curveCount; ++i) {
        line.clear();
        line.X(8).I(i, 5).I(kLoadTransferPoints, 11).E(curves.depth[i - 1], 16, 4);
        writeLine(file, line);
        for (int k = 0; k < kLoadTransferPoints; ++k) {
            line.clear();
            line.X(39).E(curves.t[i - 1][k], 16, 4).E(curves.z[i - 1][k], 16, 4);
            writeLine(file, line);
        }
    }
}

void writeQwCurve(ModelStore& store, const PileGeometry& pile, const LoadTransferCurves& curves) {
    std::FILE* file = store.files.curve.get();
    if (!file) return;
    ReportLine line;
    line.slash().X(5).text("Q-W CURVE, PILE PROPERTY:").I(pile.IPROP, 3).slash();
    line.X(9).text("Q Value").X(12).text("W Value");
    writeLine(file, line);
    line.clear();
    line.X(9).text("(").A(store.units.force3.view(), 3).text(")");
    line.X(14).text("(").A(store.units.length3.view(), 3).text(")");
    writeLine(file, line);
    for (int k = 0; k < kLoadTransferPoints; ++k) {
        line.clear();
        line.E(curves.q[k], 18, 4).E(curves.w[k], 19, 4);
        writeLine(file, line);
    }
}

}  // namespace

void generateLoadSettlement(ModelStore& store, int IPROP, int curveOutput, int& status) {
    PileGeometry pile;
    int rc = readPileGeometry(store, IPROP, "LOAD-SETTLEMENT", pile);
    if (rc == 0 && !hasAxialRigidity(store, pile)) rc = refuseAxialRigidity(store, IPROP);

    GeneratedPileHeadCurves& generated = store.generatedCurves;
    LoadTransferCurves& curves = generated.axialTransfer;
    if (rc == 0) {
        curves = LoadTransferCurves{};
        rc = buildAxialSideCurves(store, pile, curves);
    }
    if (rc == 0) {
        const TipCurveCodes codes{kStatusLsTipE50Zero, kStatusLsTipStrengthZero, "LS CURVE"};
        rc = buildTipCurve(store, pile, codes, curves);
    }
    if (rc != 0) {
        status = rc;
        return;
    }

    if (curveOutput == kCurveOutputTz) writeTzCurves(store, pile, curves);
    if (curveOutput == kCurveOutputQw) writeQwCurve(store, pile, curves);
    marchLoadSettlement(store, pile, curves, generated.loadSettlement[IPROP - 1]);
    generated.lsCurveCount = std::max(generated.lsCurveCount, IPROP);
}

}  // namespace pylora
