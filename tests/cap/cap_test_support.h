// SPDX-License-Identifier: Apache-2.0
// Helpers of the cap tests: a three-dimensional model built in the store the
// way the preparation step leaves it (one pile property, pile groups in cap
// axes, user or soil curves), the files of a run in a scratch folder, and
// small readers of what the cap solution wrote.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "soil/soil_profile.h"
#include "store/model_store.h"
#include "store/results_collector.h"
#include "store/run_messages.h"
#include "tests/support/model_builders.h"
#include "tests/support/temp_dir.h"

namespace pylora::captest {

inline void expectClose(double actual, double expected, double relative) {
    const double scale = std::max(std::fabs(expected), 1.0E-300);
    EXPECT_LE(std::fabs(actual - expected) / scale, relative)
        << "actual " << actual << ", expected " << expected;
}

// A vertical pile in radians as the preparation leaves it: BETA = 90 degrees.
inline constexpr double kVertical = std::numbers::pi / 2.0;

// One pile property of a single section, equal in both planes.
struct PileData {
    double length = 80.0;
    int increments = 100;
    double EI = 1.0E5;
    double diameter = 1.0;
};

// The user curves of an elastic pile: linear p-y (modulus k), load-settlement
// (axial stiffness ka) and torque-rotation (torsional stiffness kt) curves.
struct ElasticSoil {
    double k = 100.0;
    double ka = 5.0E3;
    double kt = 2.0E3;
};

// A model in a scratch folder: its files and the store.
struct CapModel {
    testsupport::TempDir dir;
    std::unique_ptr<ModelStore> store = makeModelStore();

    std::string path(const std::string& name) const { return (dir / name).string(); }
    std::string report() const { return testsupport::readFile(dir / "report.txt"); }
    std::vector<std::string> statusLines() const {
        releaseStatusLines(*store);
        return testsupport::readLines(dir / "status.txt");
    }
    std::vector<std::string> runtimeLines() const {
        std::fflush(store->files.runtime.get());
        return testsupport::readLines(dir / "runtime.txt");
    }
    std::string reportText() const {
        std::fflush(store->files.report.get());
        return report();
    }
};

inline void openFiles(CapModel& m) {
    ModelStore& s = *m.store;
    RunControl& r = s.run;
    r.progressFilePath.assign(m.path("progress.txt"));
    r.pileDataFilePath.assign(m.path("pile.txt"));
    r.warningScratchPath.assign(m.path("warnings.txt"));
    r.scratchFile1Path.assign(m.path("scratch1.txt"));
    r.scratchFile2Path.assign(m.path("scratch2.txt"));
    s.files.report = openForWriting(m.path("report.txt"));
    s.files.summary = openForWriting(m.path("summary.txt"));
    s.files.runtime = openForWriting(m.path("runtime.txt"));
    s.files.status = openForWriting(m.path("status.txt"));
    s.files.resultsData = openForWriting(m.path("results.txt"));
}

// The control of a three-dimensional analysis of one load case.
inline void setAnalysis(ModelStore& s) {
    s.control.unitsSystem = 1;
    s.control.analysisType = 3;
    s.control.KPYOP = 0;
    s.units.length2.assign("IN");
    s.units.length3.assign(" IN");
    s.units.force3.assign("LBS");
    s.units.force4.assign(" LBS");
    s.loadCases.loadCaseCount = 1;
    CurrentAnalysis& a = s.analysis;
    a.currentCase = 1;
    a.dofCount = 6;
    a.estimation = CurrentAnalysis::EstimationState{};
    a.estimation.estimationPass = 1;
    a.capEnvelope.firstPending = 1;
    CurrentAnalysis::ControlBlock& c = a.control;
    c.capTolerance = 1.0E-6;
    c.deflectionTolerance = 1.0E-9;
    c.maxCapIterations = 50;
    c.maxPileIterations = 200;
    c.loadIncrementFactor = 1.0;
    c.minLoadIncrementFactor = 0.01;
    c.printOption = 1;
    c.nodeStep = 10;
}

inline void setProperty(ModelStore& s, const PileData& pileData) {
    PropertyWork& p = s.work.properties[0];
    p.NSECT = 1;
    p.LENGTH = pileData.length;
    p.increments = pileData.increments;
    p.elasticModulus = 1.0;
    SectionWork& section = p.sections[0];
    section.XSECT = pileData.length;
    section.DIAM = pileData.diameter;
    section.AREA = 1.0;
    section.Iz = pileData.EI;
    section.Iy = pileData.EI;
    section.EIz = pileData.EI;
    section.EIy = pileData.EI;
    s.pileProperties.pilePropertyCount = 1;
}

// Adds a pile group with its head at (X, Y, Z) and the angles in radians;
// returns its number. Fixed heads, the user curves 1 (set 1 for the p-y
// curves when userPy is true), multipliers 1.0.
inline int addGroup(ModelStore& s, double X, double Y, double Z, double alpha = 0.0,
                    double beta = kVertical, bool userPy = true) {
    PileArrangement& a = s.arrangement;
    const int g = ++a.pileGroupCount;
    PileGroupWork& w = s.work.groups[static_cast<std::size_t>(g - 1)];
    w = PileGroupWork{};
    w.IPROP = 1;
    w.connectionY = kConnectionFixed;
    w.connectionZ = kConnectionFixed;
    w.pySetNo = userPy ? 1 : 0;
    w.lsCurveNo = -1;
    w.trCurveNo = -1;
    w.pileCount = 1.0;
    w.axialForceFactor = 1.0;
    w.XHEAD = X;
    w.headY = Y;
    w.headZ = Z;
    w.alpha = alpha;
    w.beta = beta;
    const std::size_t i = static_cast<std::size_t>(g - 1);
    GroupFactors& f = s.groupFactors;
    f.pMultiplier[i] = f.yMultiplier[i] = 1.0;
    f.pMultiplierY[i] = f.yMultiplierY[i] = 1.0;
    f.pMultiplierZ[i] = f.yMultiplierZ[i] = 1.0;
    return g;
}

// A user curve through the given (displacement, force) points.
inline void setCurve(UserCurve& c, std::initializer_list<std::pair<double, double>> points) {
    c.pointCount = 0;
    for (const auto& [d, F] : points)
        c.points[static_cast<std::size_t>(c.pointCount++)] = {F, d};
}

inline void setElasticCurves(ModelStore& s, const ElasticSoil& soil, double reach = 10.0) {
    s.control.userPyCurvesOption = 1;
    s.control.userLsCurvesOption = 1;
    s.control.userTrCurvesOption = 1;
    UserPySet& set = s.userPySets.rows[0];
    s.userPySets.pySetCount = 1;
    set.pyCurveCount = 2;
    const double length = s.work.properties[0].LENGTH;
    for (int c = 0; c < 2; ++c) {
        UserPyCurve& curve = set.curves[static_cast<std::size_t>(c)];
        curve.x = -10.0 + c * (10.0 + 2.0 * length);
        curve.pyPointCount = 2;
        curve.points[0] = {0.0, 0.0};
        curve.points[1] = {soil.k * 1.0E3, 1.0E3};
    }
    s.userLsCurves.lsCurveCount = 1;
    setCurve(s.userLsCurves.rows[0], {{-reach, -soil.ka * reach}, {reach, soil.ka * reach}});
    s.userTrCurves.trCurveCount = 1;
    setCurve(s.userTrCurves.rows[0], {{-reach, -soil.kt * reach}, {reach, soil.kt * reach}});
}

// An elastic model: the property, the elastic user curves, no pile group yet.
inline std::unique_ptr<CapModel> elasticModel(const PileData& pileData = {},
                                              const ElasticSoil& soil = {}) {
    auto m = std::make_unique<CapModel>();
    openFiles(*m);
    setAnalysis(*m->store);
    setProperty(*m->store, pileData);
    setElasticCurves(*m->store, soil);
    return m;
}

// Soft clay from topX to bottomX: unit weight, cohesion and strain constant.
inline void addSoftClay(ModelStore& s, double topX, double bottomX, double gamma, double c,
                        double E50) {
    const testsupport::Row row{.gamma = gamma, .c = c, .E50 = E50};
    testsupport::addLayer(s, 1, topX, bottomX, row, row);
}

// Piles of 24 in diameter and 600 in length in three layers of soft clay
// (English units), with a nonlinear load-settlement curve and a linear
// torque-rotation curve; no pile group yet.
inline std::unique_ptr<CapModel> softClayModel() {
    auto m = std::make_unique<CapModel>();
    openFiles(*m);
    ModelStore& s = *m->store;
    setAnalysis(s);
    PileData pileData;
    pileData.length = 600.0;
    pileData.increments = 60;
    pileData.diameter = 24.0;
    pileData.EI = 2.9E7 * 16286.0;
    setProperty(s, pileData);
    s.work.properties[0].sections[0].AREA = 452.4;
    s.work.properties[0].sections[0].Iz = 16286.0;
    s.work.properties[0].sections[0].Iy = 16286.0;
    addSoftClay(s, 0.0, 120.0, 0.020, 4.0, 0.02);
    addSoftClay(s, 120.0, 360.0, 0.025, 7.0, 0.01);
    addSoftClay(s, 360.0, 720.0, 0.030, 10.0, 0.007);
    prepareSoilProfile(s);
    s.control.userLsCurvesOption = 1;
    s.control.userTrCurvesOption = 1;
    s.userLsCurves.lsCurveCount = 1;
    setCurve(
        s.userLsCurves.rows[0],
        {{-2.0, -2.0E5}, {-0.1, -1.0E5}, {0.0, 0.0}, {0.1, 2.0E5}, {0.5, 4.0E5}, {2.0, 5.0E5}});
    s.userTrCurves.trCurveCount = 1;
    setCurve(s.userTrCurves.rows[0], {{-1.0, -1.0E8}, {1.0, 1.0E8}});
    s.analysis.control.deflectionTolerance = 1.0E-10;
    return m;
}

// A collector that takes everything and keeps nothing: the base of the
// tests' recorders, which override what they keep.
class QuietCollector : public ResultsCollector {
  public:
    void analysisStarted(const ModelStore&) override {}
    void capSolved(const ModelStore&, std::span<const double>, std::span<const double>,
                   int) override {}
    void completed(const ModelStore&, int, double) override {}
    void pileSolved(const ModelStore&, int, std::span<const double>,
                    std::span<const double>) override {}
    void envelopePrinted(const ModelStore&, int, int) override {}
    void pyCurvePrinted(const ModelStore&, int, int) override {}
    void warningIssued(const ModelStore&, std::string_view) override {}
    void runFinished(const ModelStore&, int) override {}
};

// The rows of a text from the line holding `from` on, at most `count`.
inline std::vector<std::string> linesFrom(const std::string& text, const std::string& from,
                                          int count) {
    std::vector<std::string> lines;
    std::size_t at = text.find(from);
    if (at == std::string::npos) return lines;
    at = text.rfind('\n', at);
    at = at == std::string::npos ? 0 : at + 1;
    while (at < text.size() && static_cast<int>(lines.size()) < count) {
        const std::size_t end = text.find('\n', at);
        lines.push_back(text.substr(at, end - at));
        if (end == std::string::npos) break;
        at = end + 1;
    }
    return lines;
}

}  // namespace pylora::captest
