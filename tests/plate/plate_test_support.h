// SPDX-License-Identifier: Apache-2.0
// Helpers of the plate tests: a store holding a cap with its plate data, a
// load and pile groups as the preparation leaves them, in a scratch folder
// that holds the report and the plate files.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <numbers>
#include <string>

#include "plate/plate_model.h"
#include "store/model_store.h"
#include "tests/support/temp_dir.h"

namespace pylora::platetest {

struct PlateRun {
    testsupport::TempDir dir;
    std::unique_ptr<ModelStore> store = makeModelStore();
    std::string path(const std::string& name) const { return (dir / name).string(); }
    std::string file(const std::string& name) const { return testsupport::readFile(dir / name); }
    std::string report() const {
        std::fflush(store->files.report.get());
        return file("run.out");
    }
};

// The cap (length Y, width Z, thickness), its plate (centre Y, offset Z, NY,
// NZ, E 3.0E7, nu 0.2), the time stepping of the load case (0.25, 0.01, 50
// iterations, tolerance 1.0E-5) and the report of the run "run.out".
inline std::unique_ptr<PlateRun> plateRun(double L, double W, double T, double centreY,
                                          double offsetZ, int NY, int NZ) {
    auto r = std::make_unique<PlateRun>();
    ModelStore& s = *r->store;
    s.run.reportFilePath.assign(r->path("run.out"));
    s.files.report = openForWriting(r->path("run.out"));
    s.files.summary = openForWriting(r->path("run.sum"));
    s.files.runtime = openForWriting(r->path("run.rtm"));
    s.files.plot = openForWriting(r->path("run.plt"));
    s.control.analysisType = 3;
    s.control.unitsSystem = 2;
    s.control.flexibleCapOption = 2;
    s.run.plateConsole = 0;
    PileCap& c = s.cap;
    c.capLengthY = L;
    c.capWidthZ = W;
    c.capWidthRead = W;
    c.capThicknessX = T;
    c.plateCentreY = centreY;
    c.plateOffsetZ = offsetZ;
    c.plateElementsY = NY;
    c.plateElementsZ = NZ;
    c.plateYoungModulus = 3.0E7;
    c.platePoissonRatio = 0.2;
    CurrentAnalysis::ControlBlock& a = s.analysis.control;
    a.loadIncrementFactor = 0.25;
    a.minLoadIncrementFactor = 0.01;
    a.maxCapIterations = 50;
    a.capTolerance = 1.0E-5;
    return r;
}

// A pile group with its head at (X, Y, Z) and the angles in degrees,
// converted as the preparation converts them; fixed head unless pinned.
inline int addPile(ModelStore& s, double X, double Y, double Z, double alphaDegrees = 0.0,
                   double betaDegrees = 90.0, bool pinned = false) {
    const int g = ++s.arrangement.pileGroupCount;
    PileGroupWork& w = s.work.groups[static_cast<std::size_t>(g - 1)];
    w = PileGroupWork{};
    w.connectionY = pinned ? kConnectionPinned : kConnectionFixed;
    w.connectionZ = w.connectionY;
    w.pileCount = 1.0;
    w.XHEAD = X;
    w.headY = Y;
    w.headZ = Z;
    w.alpha = radiansFromDegrees(alphaDegrees);
    w.beta = radiansFromDegrees(betaDegrees);
    return g;
}

}  // namespace pylora::platetest
