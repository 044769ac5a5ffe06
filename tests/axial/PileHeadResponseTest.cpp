// SPDX-License-Identifier: Apache-2.0
// The pile discretisation with its length check, and the axial force and
// torsional moment read from the pile-head curves with their failure
// warnings.

#include <gtest/gtest.h>

#include <string>

#include "axial/pile_head_response.h"
#include "store/model_store.h"
#include "tests/axial/axial_test_support.h"

namespace pylora {
namespace {

using axialtest::contentsOf;
using axialtest::newStore;

void addBareLayer(ModelStore& store, double topX, double bottomX) {
    SoilLayer& layer = store.soilLayers.rows[store.soilLayers.NLAYER];
    store.soilLayers.NLAYER += 1;
    layer.KSOIL = 1;
    layer.topX = topX;
    layer.bottomX = bottomX;
}

// Pile group 1 of property 1: N increments over the length, head at XHEAD.
void setPile(ModelStore& store, double XHEAD, double length, int N) {
    store.pileProperties.pilePropertyCount = 1;
    store.work.properties[0].LENGTH = length;
    store.work.properties[0].increments = N;
    store.arrangement.pileGroupCount = 1;
    store.work.groups[0].IPROP = 1;
    store.work.groups[0].XHEAD = XHEAD;
}

struct Range {
    int first;
    int last;
};

Range rangeOf(const ModelStore& store, int L) {
    return {store.pileScratch.py.layerFirstNode[L - 1], store.pileScratch.py.layerLastNode[L - 1]};
}

TEST(DiscretisePile, TipExactlyAtTheBottomOfTheDeepestLayerIsAccepted) {
    auto store = newStore(1);
    addBareLayer(*store, 0.0, 10.0);
    addBareLayer(*store, 10.0, 20.0);
    setPile(*store, 0.0, 20.0, 4);  // nodes at 0, 5, 10, 15, 20
    int status = 99;
    discretisePile(*store, store->pileScratch, 1, status);
    EXPECT_EQ(status, 0);  // the three-dimensional instance clears it first
    EXPECT_EQ(store->pileScratch.py.NNODE, 5);
    EXPECT_EQ(store->pileScratch.py.nodeX[1], 5.0);
    EXPECT_EQ(store->pileScratch.py.nodeX[4], 20.0);
    // The node on the boundary at X = 10 is the first node of layer 2.
    EXPECT_EQ(rangeOf(*store, 1).first, 1);
    EXPECT_EQ(rangeOf(*store, 1).last, 2);
    EXPECT_EQ(rangeOf(*store, 2).first, 3);
    EXPECT_EQ(rangeOf(*store, 2).last, 5);

    // A third of 10 does not add up exactly, yet the tip stays on the bottom.
    auto thirds = newStore(1);
    addBareLayer(*thirds, 0.0, 10.0);
    setPile(*thirds, 0.0, 10.0, 3);
    discretisePile(*thirds, thirds->pileScratch, 1, status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(thirds->pileScratch.py.nodeX[3], 10.0);
}

TEST(DiscretisePile, OneIncrementBelowTheDeepestLayerStopsTheRun) {
    auto store = newStore(1);
    addBareLayer(*store, 0.0, 10.0);
    addBareLayer(*store, 10.0, 20.0);
    setPile(*store, 0.0, 25.0, 5);  // the tip 5 below the bottom
    int status = 0;
    discretisePile(*store, store->pileScratch, 1, status);
    EXPECT_EQ(status, 3);
    const std::string fatal =
        "\n\n\n     **** FATAL ERROR ****\n"
        "     THE PILE LENGTH,   0.25E+02( IN), EXTENDS BELOW THE\n"
        "     BOTTOM OF THE DEEPEST LAYER.\n";
    EXPECT_NE(contentsOf(store->files.report).find(fatal), std::string::npos);
    EXPECT_NE(contentsOf(store->files.runtime).find(fatal), std::string::npos);
    EXPECT_EQ(rangeOf(*store, 1).first, 0);
    EXPECT_EQ(rangeOf(*store, 2).first, 0);

    // The two-dimensional instance: status 13, and a status it is given
    // survives a pile that passes.
    store->control.analysisType = 2;
    status = 0;
    discretisePile(*store, store->pileScratch, 1, status);
    EXPECT_EQ(status, 13);
    setPile(*store, 0.0, 20.0, 4);
    status = 7;
    discretisePile(*store, store->pileScratch, 1, status);
    EXPECT_EQ(status, 7);

    // With user p-y curves for the group no length check is made.
    auto user = newStore(1);
    addBareLayer(*user, 0.0, 10.0);
    setPile(*user, 0.0, 25.0, 5);
    user->control.userPyCurvesOption = 1;
    user->work.groups[0].pySetNo = 1;
    status = 0;
    discretisePile(*user, user->pileScratch, 1, status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(user->pileScratch.py.nodeX[5], 25.0);
    EXPECT_EQ(rangeOf(*user, 1).first, 0);
}

TEST(DiscretisePile, LayerRangesAboveTheGroundAndAcrossThinLayers) {
    // Head 5 above the ground; a layer from 11 to 12 that no node reaches.
    auto store = newStore(1);
    addBareLayer(*store, 0.0, 11.0);
    addBareLayer(*store, 11.0, 12.0);
    addBareLayer(*store, 12.0, 40.0);
    setPile(*store, -5.0, 30.0, 6);  // nodes at -5, 0, 5, 10, 15, 20, 25
    int status = 0;
    discretisePile(*store, store->pileScratch, 1, status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(rangeOf(*store, 1).first, 2);  // the head is in the air
    EXPECT_EQ(rangeOf(*store, 1).last, 4);
    EXPECT_EQ(rangeOf(*store, 2).first, 0);
    EXPECT_EQ(rangeOf(*store, 2).last, 0);
    EXPECT_EQ(rangeOf(*store, 3).first, 5);
    EXPECT_EQ(rangeOf(*store, 3).last, 7);

    // A tip inside the upper layer: it runs to the tip, the lower one is empty.
    setPile(*store, 0.0, 8.0, 2);
    discretisePile(*store, store->pileScratch, 1, status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(rangeOf(*store, 1).first, 1);
    EXPECT_EQ(rangeOf(*store, 1).last, 3);
    EXPECT_EQ(rangeOf(*store, 2).first, 0);
    EXPECT_EQ(rangeOf(*store, 3).first, 0);

    // Unusable data: a group beyond the arrangement, increments outside 1..100.
    discretisePile(*store, store->pileScratch, 2, status);
    EXPECT_EQ(status, kStatusPileGroupRefused);
    store->work.properties[0].increments = 0;
    discretisePile(*store, store->pileScratch, 1, status);
    EXPECT_EQ(status, kStatusPileGroupRefused);
}

// Generated curve 1: (0.1, 10) .. (0.9, 90). User curve 1: four points from
// pull-out to bearing. Group 1 reads the generated curve, group 2 the user one.
std::unique_ptr<ModelStore> curveStore() {
    auto store = newStore(1);
    store->arrangement.pileGroupCount = 2;
    UserCurve& generated = store->generatedCurves.loadSettlement[0];
    UserCurve& torsion = store->generatedCurves.torqueRotation[0];
    generated.pointCount = torsion.pointCount = 9;
    for (int n = 1; n <= 9; ++n) {
        generated.points[n - 1] = {10.0 * n, 0.1 * n};
        torsion.points[n - 1] = {10.0 * n, 0.1 * n};
    }
    const CurvePoint user[] = {{-50.0, -0.5}, {0.0, 0.0}, {100.0, 0.5}, {150.0, 1.0}};
    for (UserCurve* c : {&store->userLsCurves.rows[0], &store->userTrCurves.rows[0]}) {
        c->pointCount = 4;
        for (int n = 0; n < 4; ++n)
            c->points[n] = user[n];
    }
    store->userLsCurves.lsCurveCount = 1;
    store->userTrCurves.trCurveCount = 1;
    store->work.groups[0].lsCurveNo = store->work.groups[0].trCurveNo = 1;
    store->work.groups[1].lsCurveNo = store->work.groups[1].trCurveNo = -1;
    return store;
}

TEST(AxialHeadForce, SelectsTheCurveBySignAndInterpolates) {
    auto store = curveStore();
    store->axialResponse.warningRecordFlag = 1;
    EXPECT_DOUBLE_EQ(axialHeadForce(*store, store->pileScratch, 1, 0.45),
                     45.0);  // generated curve 1
    EXPECT_DOUBLE_EQ(axialHeadForce(*store, store->pileScratch, 2, 0.25), 50.0);  // user curve 1
    EXPECT_DOUBLE_EQ(store->pileScratch.head.headAxialForce, 50.0);
    // Exactly at the first and the last point: no warning.
    EXPECT_DOUBLE_EQ(axialHeadForce(*store, store->pileScratch, 2, -0.5), -50.0);
    EXPECT_DOUBLE_EQ(axialHeadForce(*store, store->pileScratch, 2, 1.0), 150.0);
    EXPECT_DOUBLE_EQ(axialHeadForce(*store, store->pileScratch, 1, 0.9), 90.0);
    // Zero displacement: zero force without reading the curve.
    EXPECT_EQ(axialHeadForce(*store, store->pileScratch, 2, 0.0), 0.0);
    // Below the first point of a generated curve: from the origin.
    EXPECT_DOUBLE_EQ(axialHeadForce(*store, store->pileScratch, 1, 0.05), 5.0);
    EXPECT_EQ(store->pileScratch.pullOutWarningCount, 0);
    EXPECT_EQ(store->pileScratch.bearingWarningCount, 0);
    EXPECT_EQ(contentsOf(store->files.warningScratch), "");
}

TEST(AxialHeadForce, OutsideTheCurveWarnsOnlyWhileWarningsAreRecorded) {
    auto store = curveStore();
    // The stiffness perturbations of the cap solution stay silent.
    EXPECT_EQ(axialHeadForce(*store, store->pileScratch, 2, 1.0 + 1.0E-9), 0.0);
    EXPECT_EQ(store->pileScratch.bearingWarningCount, 0);
    EXPECT_EQ(contentsOf(store->files.warningScratch), "");

    store->axialResponse.warningRecordFlag = 1;
    EXPECT_EQ(axialHeadForce(*store, store->pileScratch, 2, 1.0 + 1.0E-9), 0.0);
    EXPECT_EQ(store->pileScratch.bearingWarningCount, 1);
    EXPECT_EQ(store->pileScratch.pullOutWarningCount, 0);
    EXPECT_EQ(
        contentsOf(store->files.warningScratch),
        "\n     ** WARNING **  APPARENT FAILURE IN BEARING       PILE GROUP    2\n"
        "                    AX. DISP.=  0.1000E+01 >   0.1000E+01     AX. FORCE=  0.0000E+00\n");

    EXPECT_EQ(axialHeadForce(*store, store->pileScratch, 2, -0.75), 0.0);
    EXPECT_EQ(store->pileScratch.pullOutWarningCount, 1);
    // A generated curve has no tension branch: uplift pulls the pile out.
    EXPECT_EQ(axialHeadForce(*store, store->pileScratch, 1, -0.01), 0.0);
    EXPECT_EQ(store->pileScratch.pullOutWarningCount, 2);
    const std::string text = contentsOf(store->files.warningScratch);
    EXPECT_NE(text.find("APPARENT FAILURE IN PULL OUT      PILE GROUP    2\n"
                        "                    AX. DISP.= -0.7500E+00 >  -0.5000E+00"),
              std::string::npos);
    // A curve number without a curve reads as beyond its end.
    store->work.groups[0].lsCurveNo = -5;
    EXPECT_EQ(axialHeadForce(*store, store->pileScratch, 1, 0.1), 0.0);
    EXPECT_EQ(store->pileScratch.bearingWarningCount, 2);
}

TEST(TorsionalHeadMoment, ReadsEitherSenseAndWarnsBeyondTheCurve) {
    auto store = curveStore();
    store->axialResponse.warningRecordFlag = 1;
    // A generated curve resists both senses of twist alike, from the origin.
    EXPECT_DOUBLE_EQ(torsionalHeadMoment(*store, store->pileScratch, 1, 0.45), 45.0);
    EXPECT_DOUBLE_EQ(torsionalHeadMoment(*store, store->pileScratch, 1, -0.45), -45.0);
    EXPECT_DOUBLE_EQ(torsionalHeadMoment(*store, store->pileScratch, 1, 0.05), 5.0);
    EXPECT_EQ(torsionalHeadMoment(*store, store->pileScratch, 1, 0.0), 0.0);
    // A user curve is read as given, zero twist included.
    EXPECT_DOUBLE_EQ(torsionalHeadMoment(*store, store->pileScratch, 2, 0.75), 125.0);
    EXPECT_EQ(torsionalHeadMoment(*store, store->pileScratch, 2, 0.0), 0.0);
    EXPECT_EQ(store->pileScratch.torsionWarningCount, 0);

    EXPECT_EQ(torsionalHeadMoment(*store, store->pileScratch, 2, 1.5), 0.0);
    EXPECT_EQ(torsionalHeadMoment(*store, store->pileScratch, 1, -1.0), 0.0);
    EXPECT_EQ(store->pileScratch.torsionWarningCount, 2);
    const std::string text = contentsOf(store->files.warningScratch);
    EXPECT_NE(text.find("\n     ** WARNING **  APPARENT FAILURE IN TORSION       PILE GROUP    2\n"
                        "                    ROTATION =  0.1500E+01 >   0.1000E+01     T. MOMENT=  "
                        "0.0000E+00\n"),
              std::string::npos);
    EXPECT_NE(text.find("ROTATION = -0.1000E+01 >  -0.9000E+00"), std::string::npos);

    store->axialResponse.warningRecordFlag = 0;
    EXPECT_EQ(torsionalHeadMoment(*store, store->pileScratch, 2, -2.0), 0.0);
    EXPECT_EQ(store->pileScratch.torsionWarningCount, 2);
}

}  // namespace
}  // namespace pylora
