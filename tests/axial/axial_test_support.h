// SPDX-License-Identifier: Apache-2.0
// Helpers of the axial tests: a store with soil layers and one pile property,
// files that can be read back, and a relative-tolerance comparison.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "soil/soil_profile.h"
#include "store/model_store.h"
#include "tests/support/model_builders.h"

namespace pylora::axialtest {

using testsupport::addLayer;
using testsupport::expectClose;
using testsupport::Row;

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
