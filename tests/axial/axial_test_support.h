// Helpers of the axial tests: a store with soil layers and one pile property,
// files that can be read back, and a relative-tolerance comparison.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "engine/model_store.h"
#include "soil/soil_profile.h"

namespace pylora::axialtest {

inline void expectClose(double actual, double expected, double relative) {
    const double scale = std::max(std::fabs(expected), 1.0E-300);
    EXPECT_LE(std::fabs(actual - expected) / scale, relative)
        << "actual " << actual << ", expected " << expected;
}

// The nine property values of a layer row in the order of the profile.
struct Row {
    double gamma = 0.0, c = 0.0, phi = 0.0, K = 0.0, ER = 0.0, E50 = 0.0, RQD = 0.0, FMAX = 0.0,
           TIPMAX = 0.0;
    std::array<double, kSoilProperties> values() const {
        return {gamma, c, phi, K, ER, E50, RQD, FMAX, TIPMAX};
    }
};

inline void addLayer(ModelStore& store, int KSOIL, double topX, double bottomX, const Row& top,
                     const Row& bottom) {
    SoilLayerTable& t = store.soilLayers;
    SoilLayer& layer = t.rows[t.NLAYER];
    t.NLAYER += 1;
    layer.layerNo = t.NLAYER;
    layer.KSOIL = KSOIL;
    layer.topX = topX;
    layer.bottomX = bottomX;
    layer.valueRowCount = 2;
    layer.propertyCount = kSoilProperties;
    layer.top = top.values();
    layer.bottom = bottom.values();
}

// A store in the given units system (1 English, 2 SI) with its report,
// runtime, curve and warning scratch files open as temporary files.
inline std::unique_ptr<ModelStore> newStore(int unitsSystem) {
    auto store = makeModelStore();
    store->control.unitsSystem = unitsSystem;
    store->control.analysisType = 3;
    store->units.length3.assign(unitsSystem == 2 ? "  M" : " IN");
    store->units.force3.assign(unitsSystem == 2 ? " KN" : "LBS");
    store->files.report.reset(std::tmpfile());
    store->files.runtime.reset(std::tmpfile());
    store->files.curve.reset(std::tmpfile());
    store->files.warningScratch.reset(std::tmpfile());
    return store;
}

// One section of a pile property.
struct Section {
    double end = 0.0;  // below the pile head
    double diameter = 0.0;
    double area = 0.0;
    double GJ = 0.0;
};

// Pile property 1 of the given type, length and modulus with sectionCount
// equal sections of the given diameter, area and GJ, used by pile group 1
// with its head at XHEAD.
inline void addPile(ModelStore& store, int pileType, double length, double E, int sectionCount,
                    const Section& section, double XHEAD = 0.0) {
    store.pileProperties.pilePropertyCount = 1;
    PropertyWork& p = store.work.properties[0];
    p.NSECT = sectionCount;
    p.LENGTH = length;
    p.increments = 10;
    p.elasticModulus = E;
    p.pileType = pileType;
    for (int k = 1; k <= sectionCount; ++k) {
        SectionWork& s = p.sections[k - 1];
        s.XSECT = length * k / sectionCount;
        s.DIAM = section.diameter;
        s.AREA = section.area;
        s.GJ = section.GJ;
    }
    store.arrangement.pileGroupCount = 1;
    store.work.groups[0].IPROP = 1;
    store.work.groups[0].XHEAD = XHEAD;
}

// Everything written to the file so far.
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

inline double pi32() {
    return static_cast<double>(3.14159F);
}

}  // namespace pylora::axialtest
