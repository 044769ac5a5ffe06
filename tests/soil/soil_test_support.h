// SPDX-License-Identifier: Apache-2.0
// Helpers of the soil tests: a store with a soil profile, report files that
// can be read back, and a relative-tolerance comparison.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <memory>
#include <string>

#include "soil/soil_profile.h"
#include "store/model_store.h"
#include "tests/support/model_builders.h"

namespace pylora::soiltest {

using testsupport::addLayer;
using testsupport::expectClose;
using testsupport::Row;

// Opens the report and runtime files of the store as temporary files.
inline void openCaptureFiles(ModelStore& store) {
    store.files.report.reset(std::tmpfile());
    store.files.runtime.reset(std::tmpfile());
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
    return text;
}

// One pile group (group 1, property 1) with a single section of diameter b,
// its head at XHEAD and the ground groundBelowHead below it, and N + 1 nodes
// spaced h along the pile. Multipliers 1, static loading, analysis mode.
inline void addPile(ModelStore& store, int groupNo, double b, double XHEAD, double groundBelowHead,
                    int N, double h) {
    PropertyWork& property = store.work.properties[0];
    property.NSECT = 1;
    property.LENGTH = N * h;
    property.increments = N;
    property.sections[0].DIAM = b;
    PileGroupWork& group = store.work.groups[groupNo - 1];
    group.IPROP = 1;
    group.XHEAD = XHEAD;
    group.groundBelowHead = groundBelowHead;
    store.groupFactors.pMultiplier[groupNo - 1] = 1.0;
    store.groupFactors.yMultiplier[groupNo - 1] = 1.0;
    LateralPyState& s = store.pileScratch.py;
    s.currentPileGroup = groupNo;
    s.NNODE = N + 1;
    for (int i = 1; i <= N + 1; ++i)
        s.nodeX[i - 1] = XHEAD + (i - 1) * h;
}

inline void setLayerNodes(ModelStore& store, int L, int first, int last) {
    store.pileScratch.py.layerFirstNode[L - 1] = first;
    store.pileScratch.py.layerLastNode[L - 1] = last;
}

}  // namespace pylora::soiltest
