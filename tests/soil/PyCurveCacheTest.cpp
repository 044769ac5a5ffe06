// SPDX-License-Identifier: Apache-2.0
// The p-y curves kept for a load case: the moduli, the layer resistances
// PULT and the equivalent depths read from kept curves are bit for bit those
// of curves built anew at every evaluation; the curves are kept until the
// next load case begins or the pile is discretised otherwise.

#include <gtest/gtest.h>

#include <memory>

#include "soil/py_evaluation.h"
#include "store/constants.h"
#include "tests/soil/soil_test_support.h"

namespace pylora {
namespace {

using soiltest::addLayer;
using soiltest::addPile;
using soiltest::Row;
using soiltest::setLayerNodes;

// Soft clay (c 10, gamma 5, E50 0.01) from X = 0 to 8 over sand (phi 30
// degrees, gamma 6, K 100) down to 20, a pile of diameter 1 with nodes every
// 2 from its head at the ground: the sand's curves stand on the equivalent
// depth of the clay above it. With keep, the curves of the load case are kept.
std::unique_ptr<ModelStore> clayOverSand(bool keep) {
    auto store = makeModelStore();
    soiltest::openCaptureFiles(*store);
    addLayer(*store, 1, 0.0, 8.0, Row{5.0, 10.0, 0.0, 0.0, 0.0, 0.01},
             Row{5.0, 10.0, 0.0, 0.0, 0.0, 0.01});
    addLayer(*store, 4, 8.0, 20.0, Row{6.0, 0.0, 30.0, 100.0}, Row{6.0, 0.0, 30.0, 100.0});
    prepareSoilProfile(*store);
    addPile(*store, 1, 1.0, 0.0, 0.0, 10, 2.0);
    setLayerNodes(*store, 1, 1, 5);
    setLayerNodes(*store, 2, 5, 11);
    store->control.KPYOP = 0;
    store->arrangement.pileGroupCount = 1;
    if (keep) beginPyCurveCache(*store);
    return store;
}

void evaluateAt(ModelStore& store, double scale) {
    LateralPyState& s = store.pileScratch.py;
    for (int i = 1; i <= s.NNODE; ++i)
        s.pyDeflection[static_cast<std::size_t>(i - 1)] = scale * (0.5 + 0.1 * i);
    int status = 0;
    generatePyModuli(store, store.pileScratch, 1, status);
    ASSERT_EQ(status, 0);
}

void expectSameState(const ModelStore& kept, const ModelStore& built, const char* what) {
    const LateralPyState& a = kept.pileScratch.py;
    const LateralPyState& b = built.pileScratch.py;
    for (int i = 0; i < b.NNODE; ++i)
        EXPECT_EQ(a.pyModulus[static_cast<std::size_t>(i)],
                  b.pyModulus[static_cast<std::size_t>(i)])
            << what << ", node " << i + 1;
    EXPECT_EQ(a.PULT, b.PULT) << what;
    EXPECT_EQ(a.pultWritten, b.pultWritten) << what;
    EXPECT_EQ(kept.pyRun.XEQ[0], built.pyRun.XEQ[0]) << what;
}

TEST(PyCurveCache, KeptCurvesGiveTheModuliOfCurvesBuiltAnew) {
    for (const int ISTATIC : {1, 2}) {
        auto kept = clayOverSand(true);
        auto built = clayOverSand(false);
        kept->pyRun.ISTATIC = ISTATIC;
        built->pyRun.ISTATIC = ISTATIC;
        // From the deflection of the first evaluation (which computes the
        // sand's equivalent depth) on: small, on the curves' rise, large.
        for (const double scale : {1.0, 1.0E-3, 1.0E-9, 0.02, 3.0}) {
            evaluateAt(*kept, scale);
            evaluateAt(*built, scale);
            expectSameState(*kept, *built, ISTATIC == 1 ? "static" : "cyclic");
        }
        EXPECT_GT(kept->pyRun.XEQ[0][1], 0.0);
        EXPECT_GT(kept->pileScratch.py.PULT[0], 0.0);
        EXPECT_GT(kept->pileScratch.py.PULT[1], 0.0);
    }
}

TEST(PyCurveCache, CurvesAreKeptUntilTheNextLoadCaseOrOtherNodes) {
    auto kept = clayOverSand(true);
    auto built = clayOverSand(false);
    // The same history for both: the sand's equivalent depth, found at the
    // first evaluation, stays for the run.
    evaluateAt(*kept, 1.0E-2);
    evaluateAt(*built, 1.0E-2);
    evaluateAt(*kept, 1.0E-2);
    const double before = kept->pileScratch.py.pyModulus[2];

    // A larger pile within the load case: the kept curves are read as they
    // were built (nothing in a load case changes the diameter).
    kept->work.properties[0].sections[0].DIAM = 2.0;
    built->work.properties[0].sections[0].DIAM = 2.0;
    evaluateAt(*kept, 1.0E-2);
    EXPECT_EQ(kept->pileScratch.py.pyModulus[2], before);
    evaluateAt(*built, 1.0E-2);
    EXPECT_NE(built->pileScratch.py.pyModulus[2], before);

    // The next load case builds them again.
    beginPyCurveCache(*kept);
    evaluateAt(*kept, 1.0E-2);
    expectSameState(*kept, *built, "next load case");

    // Nodes 1.8 apart instead of 2, the sand's from node 6 on: other curves.
    for (ModelStore* store : {kept.get(), built.get()}) {
        for (int i = 0; i < 11; ++i)
            store->pileScratch.py.nodeX[static_cast<std::size_t>(i)] = 1.8 * i;
        setLayerNodes(*store, 2, 6, 11);
        evaluateAt(*store, 0.3);
    }
    expectSameState(*kept, *built, "nodes moved");
}

TEST(PyCurveCache, CurvesThatRaiseAWarningAreBuiltAgain) {
    // A pile reaching below the strength profile: the lookup at the tip
    // fails and writes its warning at every evaluation, kept curves or not.
    for (const bool keep : {true, false}) {
        auto store = clayOverSand(keep);
        store->soilLayers.rows[1].bottomX = 18.0;
        prepareSoilProfile(*store);
        LateralPyState& s = store->pileScratch.py;
        s.pyDeflection.fill(0.01);
        std::string report;
        for (int evaluation = 1; evaluation <= 2; ++evaluation) {
            int status = 0;
            generatePyModuli(*store, store->pileScratch, 1, status);
            EXPECT_NE(status, 0);
            const std::string now = soiltest::contentsOf(store->files.report);
            EXPECT_GT(now.size(), report.size()) << "evaluation " << evaluation;
            report = now;
        }
    }
}

}  // namespace
}  // namespace pylora
