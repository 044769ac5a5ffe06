// SPDX-License-Identifier: Apache-2.0
// Test helpers shared by the folders' tests: a relative-tolerance comparison
// and soil layers added to a store as the input reader would add them.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "store/model_store.h"

namespace pylora::testsupport {

// |actual - expected| within `relative` of |expected|.
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

// Appends a soil layer of type KSOIL from topX to bottomX.
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

}  // namespace pylora::testsupport
