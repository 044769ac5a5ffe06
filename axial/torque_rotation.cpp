// SPDX-License-Identifier: Apache-2.0
#include "axial/torque_rotation.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "axial/load_transfer.h"
#include "format/format.h"
#include "store/constants.h"

namespace pylora {

namespace {

const double kPi = f32(3.14159F);

// A section whose torsional rigidity is not above this has none.
const double kNoTorsionalRigidity = f32(1.0E-6F);

// Tangential movements of the pile surface at the tip for the nine
// pile-head points, in inches.
constexpr std::array<float, kPileHeadCurvePoints> kTipMovementInches = {
    0.0001F, 0.001F, 0.005F, 0.01F, 0.05F, 0.1F, 0.5F, 1.0F, 2.0F};

// Curve depths: three per layer, at its top, its middle and 1.0 above its
// bottom; the first one (the ground surface) practically without shear.
int buildTorsionalSideCurves(ModelStore& store, const PileGeometry& pile,
                             LoadTransferCurves& curves) {
    std::array<double, kMaxLoadTransferCurves> X{};
    std::array<int, kMaxLoadTransferCurves> layerOf{};
    const int layers = std::clamp(store.soilLayers.NLAYER, 0, kMaxSoilLayers);
    int n = 0;
    for (int L = 1; L <= layers; ++L) {
        const SoilLayer& layer = store.soilLayers.rows[L - 1];
        X[n] = layer.topX;
        layerOf[n++] = L;
        X[n] = 0.5 * (layer.topX + layer.bottomX);
        layerOf[n++] = L;
        X[n] = layer.bottomX - f32(1.0F);
        layerOf[n++] = L;
    }
    return buildSideCurves(store, pile, X.data(), layerOf.data(), n, 1, curves);
}

// A section without torsional rigidity is reported and the generation goes
// on; the marching takes such a section as rigid in torsion.
void reportZeroTorsionalRigidity(ModelStore& store, const PileGeometry& pile) {
    const PropertyWork& property = store.work.properties[pile.IPROP - 1];
    for (int k = 1; k <= pile.NSECT; ++k) {
        if (property.sections[k - 1].GJ > kNoTorsionalRigidity) continue;
        ReportLine line;
        line.slash()
            .slash()
            .text("       ERROR!!!     GJ(TORSIONAL RIGIDITY) IS ZERO")
            .slash()
            .slash();
        writeToReportAndRuntime(store, line);
    }
}

struct TorsionState {
    double torque = 0.0;
    double rotation = 0.0;  // twist [rad]
};

// The base resists twisting by shear over its circular area. Its ultimate
// shear stress is taken as the ultimate unit side shear at the tip depth
// (the same soil-pile interface strength that twisting mobilises along the
// shaft), mobilised as the tip curve is at the movement of the base's edge:
// tau = f_tip q(theta r) / qmax, and a uniform tau over a circle of radius r
// gives the torque 2/3 pi r^3 tau.
double tipTorque(const PileGeometry& pile, const LoadTransferCurves& curves, double rotation) {
    if (!(std::fabs(curves.qmax) >= f32(1.0E-14F))) return 0.0;
    const double r = 0.5 * pile.tipDiameter;
    const double mobilised = tipResistanceAt(curves, rotation * r) / curves.qmax;
    const double tau = sideUltimateAt(curves, pile.LENGTH) * mobilised;
    return f32(2.0F) / f32(3.0F) * kPi * r * r * r * tau;
}

// One segment of length h whose bottom lies sBottom below the head: the
// shear at the tangential movement of the mid-segment surface gives the
// segment torque (stress x perimeter x radius x length); the twist grows by
// h x mean torque / GJ. Iterated on the mid-segment rotation until the
// rotation at the top settles.
TorsionState climbSegment(const ModelStore& store, const PileGeometry& pile,
                          const LoadTransferCurves& curves, double sBottom, double h,
                          const TorsionState& bottom) {
    const double sMid = sBottom - 0.5 * h;
    const double D = sectionDiameterAt(store, pile.IPROP, sMid);
    const double r = 0.5 * D;
    const double GJ = sectionGJAt(store, pile.IPROP, sMid);
    const double flexibility = GJ > kNoTorsionalRigidity ? 1.0 / GJ : 0.0;
    TorsionState top = bottom;
    double midRotation = bottom.rotation;
    double previousTop = bottom.rotation;
    for (int pass = 1; pass <= kMaxSegmentPasses; ++pass) {
        const double shear = sideTransferAt(curves, sMid, midRotation * r);
        const double segmentTorque = shear * kPi * D * h * r;
        top.torque = bottom.torque + segmentTorque;
        top.rotation = bottom.rotation + h * 0.5 * (bottom.torque + top.torque) * flexibility;
        const double midTorque = bottom.torque + 0.5 * segmentTorque;
        midRotation = bottom.rotation + 0.5 * h * 0.5 * (bottom.torque + midTorque) * flexibility;
        if (pass > 1 && std::fabs(top.rotation - previousTop) < kMarchingTolerance) break;
        previousTop = top.rotation;
    }
    return top;
}

void marchTorqueRotation(const ModelStore& store, const PileGeometry& pile,
                         const LoadTransferCurves& curves, UserCurve& head) {
    const int segments = 2 * pile.NSECT;
    const double h = pile.LENGTH / segments;
    const double inch = isSiRun(store) ? metresPerInch() : 1.0;
    const double r = 0.5 * pile.tipDiameter;
    head = UserCurve{};
    head.curveNo = pile.IPROP;
    for (int k = 0; k < kPileHeadCurvePoints; ++k) {
        const double tipRotation = f32(kTipMovementInches[k]) / r * inch;
        TorsionState state{tipTorque(pile, curves, tipRotation), tipRotation};
        for (int i = 1; i <= segments; ++i)
            state = climbSegment(store, pile, curves, pile.LENGTH - (i - 1) * h, h, state);
        head.points[k].force = state.torque;
        head.points[k].displacement = state.rotation;
    }
    head.pointCount = kPileHeadCurvePoints;
}

}  // namespace

void generateTorqueRotation(ModelStore& store, int IPROP, int /*curveOutput*/, int& status) {
    PileGeometry pile;
    int rc = readPileGeometry(store, IPROP, "TORQUE-ROTATION", pile);

    GeneratedPileHeadCurves& generated = store.generatedCurves;
    LoadTransferCurves& curves = generated.torsionalTransfer;
    if (rc == 0) {
        curves = LoadTransferCurves{};
        rc = buildTorsionalSideCurves(store, pile, curves);
    }
    if (rc == 0) {
        reportZeroTorsionalRigidity(store, pile);
        const TipCurveCodes codes{kStatusTrTipE50Zero, kStatusTrTipStrengthZero, "TR CURVE"};
        rc = buildTipCurve(store, pile, codes, curves);
    }
    if (rc != 0) {
        status = rc;
        return;
    }

    marchTorqueRotation(store, pile, curves, generated.torqueRotation[IPROP - 1]);
    generated.trCurveCount = std::max(generated.trCurveCount, IPROP);
}

}  // namespace pylora
