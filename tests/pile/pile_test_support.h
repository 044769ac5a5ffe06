// SPDX-License-Identifier: Apache-2.0
// Helpers of the pile solver tests: a store holding one pile group on a soil
// of constant modulus (linear user p-y curves) or on layered soft clay, the
// files of a run as temporary files, closed-form references and a
// relative-tolerance comparison.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "pile/beam_column.h"
#include "soil/soil_profile.h"
#include "store/model_store.h"
#include "tests/support/model_builders.h"

namespace pylora::piletest {

using testsupport::expectClose;

// One pile of a single section with the flexural rigidity EI in both planes.
struct PileSetup {
    double length = 20.0;
    int increments = 50;
    double EI = 1.0;
    double diameter = 1.0;
    double area = 1.0;
    double inertia = 1.0;  // Iz = Iy
    double Mn = 0.0;
    double Vn = 0.0;
    int connectionY = kConnectionPinned;
    int connectionZ = kConnectionPinned;
    double springY = 0.0;
    double springZ = 0.0;
    double XHEAD = 0.0;
    double groundBelowHead = 0.0;
};

// Every file of the run that the solvers write, as temporary files.
inline void openRunFiles(ModelStore& store) {
    store.files.report.reset(std::tmpfile());
    store.files.summary.reset(std::tmpfile());
    store.files.runtime.reset(std::tmpfile());
    store.files.resultsData.reset(std::tmpfile());
    store.files.pileData.reset(std::tmpfile());
}

inline std::string contentsOf(const FileHandle& file) {
    std::FILE* f = file.get();
    std::fflush(f);
    std::rewind(f);
    std::string text;
    char buffer[512];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        text.append(buffer, n);
    std::fseek(f, 0, SEEK_END);
    return text;
}

inline std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return lines;
}

inline void setPileGroup(ModelStore& store, const PileSetup& setup) {
    PropertyWork& property = store.work.properties[0];
    property.NSECT = 1;
    property.LENGTH = setup.length;
    property.increments = setup.increments;
    SectionWork& s = property.sections[0];
    s.XSECT = setup.length;
    s.DIAM = setup.diameter;
    s.AREA = setup.area;
    s.Iz = setup.inertia;
    s.Iy = setup.inertia;
    s.EIz = setup.EI;
    s.EIy = setup.EI;
    s.Mn = setup.Mn;
    s.Vn = setup.Vn;

    PileGroupWork& group = store.work.groups[0];
    group.IPROP = 1;
    group.connectionY = setup.connectionY;
    group.connectionZ = setup.connectionZ;
    group.springY = setup.springY;
    group.springZ = setup.springZ;
    group.XHEAD = setup.XHEAD;
    group.groundBelowHead = setup.groundBelowHead;
    store.arrangement.pileGroupCount = 1;
    store.groupFactors.pMultiplier[0] = 1.0;
    store.groupFactors.yMultiplier[0] = 1.0;

    // The discretisation: node k at XHEAD + k h.
    const double h = setup.length / setup.increments;
    LateralPyState& py = store.pileScratch.py;
    py.NNODE = setup.increments + 1;
    for (int k = 0; k <= setup.increments; ++k)
        py.nodeX[static_cast<std::size_t>(k)] = setup.XHEAD + k * h;

    store.analysis.control.deflectionTolerance = 1.0E-12;
    store.analysis.control.maxPileIterations = 100;
    store.analysis.control.printOption = 2;
    store.analysis.control.nodeStep = 1;
}

// A pile in a soil of constant modulus Es = k at every deflection: the
// group's own user p-y curves, two straight lines p = k y from the head to
// 30% below the tip.
inline std::unique_ptr<ModelStore> linearSoilPile(double k, const PileSetup& setup = {}) {
    auto store = makeModelStore();
    openRunFiles(*store);
    setPileGroup(*store, setup);
    store->control.userPyCurvesOption = 1;
    store->work.groups[0].pySetNo = 1;
    UserPySetTable& sets = store->userPySets;
    sets.pySetCount = 1;
    UserPySet& set = sets.rows[0];
    set.pyCurveCount = 2;
    const double reach = 1.0E3;  // far beyond any deflection of the tests
    for (int c = 0; c < 2; ++c) {
        UserPyCurve& curve = set.curves[static_cast<std::size_t>(c)];
        curve.x = setup.XHEAD + c * 1.3 * setup.length;
        curve.pyPointCount = 2;
        curve.points[0] = {0.0, 0.0};
        curve.points[1] = {k * reach, reach};
    }
    return store;
}

// A soft clay layer from topX to bottomX with unit weight gamma, cohesion c
// and strain E50 constant in the layer.
inline void addSoftClayLayer(ModelStore& store, double topX, double bottomX, double gamma, double c,
                             double E50) {
    const testsupport::Row row{.gamma = gamma, .c = c, .E50 = E50};
    testsupport::addLayer(store, 1, topX, bottomX, row, row);
}

// The layer node ranges of the discretisation: layer L holds the nodes from
// the first at or below its top to the one before the next layer's first.
inline void assignLayerNodes(ModelStore& store) {
    LateralPyState& py = store.pileScratch.py;
    const int layers = store.soilLayers.NLAYER;
    const int nodes = py.NNODE;
    for (int L = 1; L <= layers; ++L) {
        int first = 0;
        for (int i = 1; i <= nodes; ++i) {
            if (py.nodeX[static_cast<std::size_t>(i - 1)] >=
                store.soilLayers.rows[static_cast<std::size_t>(L - 1)].topX) {
                first = i;
                break;
            }
        }
        py.layerFirstNode[static_cast<std::size_t>(L - 1)] = first;
    }
    for (int L = 1; L <= layers; ++L) {
        const int next = L < layers ? py.layerFirstNode[static_cast<std::size_t>(L)] : 0;
        py.layerLastNode[static_cast<std::size_t>(L - 1)] = next > 0 ? next - 1 : nodes;
    }
}

// A 100-increment pile, 600 long (inches), diameter 24, in three layers of
// soft clay whose strength grows with depth; English units, static loading.
inline std::unique_ptr<ModelStore> layeredSoftClayPile(PileSetup setup = {}) {
    auto store = makeModelStore();
    openRunFiles(*store);
    setup.length = 600.0;
    setup.increments = 100;
    setup.diameter = 24.0;
    setup.inertia = 16286.0;  // pi D^4 / 64
    setup.area = 452.4;
    setup.EI = 2.9E7 * setup.inertia;
    setup.Mn = 5.0E7;
    setup.Vn = 5.0E5;
    setPileGroup(*store, setup);
    store->control.unitsSystem = 1;
    store->units.length2.assign("IN");
    store->units.length3.assign(" IN");
    store->units.force3.assign("LBS");
    store->units.force4.assign(" LBS");
    addSoftClayLayer(*store, 0.0, 120.0, 0.020, 4.0, 0.02);
    addSoftClayLayer(*store, 120.0, 360.0, 0.025, 7.0, 0.01);
    addSoftClayLayer(*store, 360.0, 720.0, 0.030, 10.0, 0.007);
    prepareSoilProfile(*store);
    assignLayerNodes(*store);
    store->control.KPYOP = 0;
    store->analysis.control.deflectionTolerance = 1.0E-5;
    return store;
}

// Deflection of node k of a plane of the last solution.
inline double deflection(const ModelStore& store, int plane, int k) {
    return nodeAt(store.pileScratch.work.planes[static_cast<std::size_t>(plane)].y, k);
}

}  // namespace pylora::piletest
