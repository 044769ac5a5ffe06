// SPDX-License-Identifier: Apache-2.0
// Speed of the three-dimensional cap equilibrium: a cap on 100 pile groups
// (a 10 x 10 grid at 3 diameters) of 24 in piles, 600 in long in 60
// increments, in three layers of soft clay, under a vertical load, horizontal
// loads in both directions and a moment, with the reduction factors of the
// layout brought up to the movement in every global iteration (computed once
// for each axis and sign within a load case).
//
//   capLoadCase      one whole load case (increments of 0.25); the counter
//                    per_global_iteration is the time of one global iteration
//   globalIteration  the work of one global iteration at the solved state:
//                    the force sum, the 13 solutions of every pile group of
//                    the stiffness assembly and the reduction factors
//   lateralSolutions the lateral solutions alone of one global iteration
//                    (1300 biaxial solutions at the same head displacements,
//                    each after the discretisation of its pile group)
//   discretisations  the 1300 discretisations alone, to be taken off
// The share of the lateral solver is (lateralSolutions - discretisations) /
// globalIteration.
//
// Larger foundations, in SI units: vertical piles of 0.6 m diameter, 15 m
// long in 100 increments, at 3 diameters on a rectangular grid.
//   groupFactorsY    computeGroupFactorsY alone for 200 (20 x 10) and 2000
//                    (50 x 40) piles of a three-dimensional layout, and 3000
//                    piles of a two-dimensional one (60 rows of 50 piles
//                    across the plane)
//   largeCapLoadCase one whole load case of 200 or 2000 piles in three layers
//                    of soft clay, reduction factors brought up to the
//                    movement in every global iteration, deflection tolerance 1.0E-6 m, the
//                    full load in one increment; the counters are the global
//                    iterations and the time per global iteration

#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <memory>
#include <numbers>
#include <vector>

#include "axial/pile_head_response.h"
#include "cap/cap_equilibrium_3d.h"
#include "cap/group_factors.h"
#include "cap/pile_in_cap.h"
#include "pile/biaxial_solver.h"
#include "soil/soil_profile.h"
#include "store/model_store.h"
#include "store/pile_workers.h"

namespace pylora {
namespace {

constexpr int kRows = 10;
constexpr double kSpacing = 72.0;  // 3 diameters
const CapVector kLoad{1.0E7, 6.0E5, 3.0E5, 5.0E6, 2.0E7, -4.0E7};

void addSoftClay(ModelStore& s, double topX, double bottomX, double gamma, double c, double E50) {
    SoilLayerTable& t = s.soilLayers;
    SoilLayer& layer = t.rows[static_cast<std::size_t>(t.NLAYER)];
    t.NLAYER += 1;
    layer.layerNo = t.NLAYER;
    layer.KSOIL = 1;
    layer.topX = topX;
    layer.bottomX = bottomX;
    layer.valueRowCount = 2;
    layer.propertyCount = kSoilProperties;
    layer.top = {gamma, c, 0.0, 0.0, 0.0, E50, 0.0, 0.0, 0.0};
    layer.bottom = layer.top;
}

void setCurve(UserCurve& c, std::initializer_list<std::pair<double, double>> points) {
    c.pointCount = 0;
    for (const auto& [d, F] : points)
        c.points[static_cast<std::size_t>(c.pointCount++)] = {F, d};
}

// The pile data file of the printing pass, which the summary tables read
// back, and the warning scratch file of the force sums: files in the
// system's temporary folder.
void setPileDataFile(ModelStore& s) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path();
    s.run.pileDataFilePath.assign((folder / "pylora_cap_bench_pile.txt").string());
    s.run.warningScratchPath.assign((folder / "pylora_cap_bench_warnings.txt").string());
}

std::unique_ptr<ModelStore> capOnHundredPiles() {
    auto store = makeModelStore();
    setPileDataFile(*store);
    ModelStore& s = *store;
    s.control.unitsSystem = 1;
    s.control.analysisType = 3;
    s.control.groupFactorOption = 1;
    s.control.userLsCurvesOption = 1;
    s.control.userTrCurvesOption = 1;

    PropertyWork& p = s.work.properties[0];
    p.NSECT = 1;
    p.LENGTH = 600.0;
    p.increments = 60;
    SectionWork& section = p.sections[0];
    section.XSECT = 600.0;
    section.DIAM = 24.0;
    section.AREA = 452.4;
    section.Iz = section.Iy = 16286.0;
    section.EIz = section.EIy = 2.9E7 * 16286.0;
    s.pileProperties.pilePropertyCount = 1;

    for (int i = 0; i < kRows; ++i) {
        for (int j = 0; j < kRows; ++j) {
            const int g = ++s.arrangement.pileGroupCount;
            PileGroupWork& w = s.work.groups[static_cast<std::size_t>(g - 1)];
            w.IPROP = 1;
            w.connectionY = w.connectionZ = kConnectionFixed;
            w.lsCurveNo = -1;
            w.trCurveNo = -1;
            w.pileCount = 1.0;
            w.axialForceFactor = 1.0;
            w.headY = (i - 4.5) * kSpacing;
            w.headZ = (j - 4.5) * kSpacing;
            w.beta = std::numbers::pi / 2.0;
            GroupFactors& f = s.groupFactors;
            const std::size_t k = static_cast<std::size_t>(g - 1);
            f.pMultiplier[k] = f.yMultiplier[k] = f.pMultiplierY[k] = f.yMultiplierY[k] = 1.0;
            f.pMultiplierZ[k] = f.yMultiplierZ[k] = 1.0;
        }
    }
    addSoftClay(s, 0.0, 120.0, 0.020, 4.0, 0.02);
    addSoftClay(s, 120.0, 360.0, 0.025, 7.0, 0.01);
    addSoftClay(s, 360.0, 720.0, 0.030, 10.0, 0.007);
    prepareSoilProfile(s);
    s.userLsCurves.lsCurveCount = 1;
    setCurve(
        s.userLsCurves.rows[0],
        {{-2.0, -2.0E5}, {-0.1, -1.0E5}, {0.0, 0.0}, {0.1, 2.0E5}, {0.5, 4.0E5}, {4.0, 6.0E5}});
    s.userTrCurves.trCurveCount = 1;
    setCurve(s.userTrCurves.rows[0], {{-1.0, -1.0E8}, {1.0, 1.0E8}});

    s.loadCases.loadCaseCount = 1;
    CurrentAnalysis& a = s.analysis;
    a.currentCase = 1;
    a.dofCount = 6;
    a.estimation.estimationPass = 1;
    a.capEnvelope.firstPending = 1;
    CurrentAnalysis::ControlBlock& c = a.control;
    c.capTolerance = 1.0E-3;
    c.deflectionTolerance = 1.0E-5;
    c.maxCapIterations = 100;
    c.maxPileIterations = 100;
    c.loadIncrementFactor = 0.25;
    c.minLoadIncrementFactor = 0.01;
    return store;
}

// Solves the load case once; false when it did not reach the full load.
bool solveLoadCase(ModelStore& s) {
    s.analysis.capLoad = kLoad;
    int curveSwitch = 0;
    int errorFlag = 0;
    solveCapEquilibrium3D(s, curveSwitch, errorFlag);
    return errorFlag == 0 && s.capSolution.loadFactor >= 1.0;
}

void capLoadCase(benchmark::State& state) {
    auto store = capOnHundredPiles();
    long long iterations = 0;
    for (auto _ : state) {
        if (!solveLoadCase(*store)) {
            state.SkipWithError("the load case did not converge");
            break;
        }
        iterations += store->capSolution.iterationTotal;
    }
    const double total = static_cast<double>(iterations);
    state.counters["global_iterations"] =
        benchmark::Counter(total, benchmark::Counter::kAvgIterations);
    state.counters["per_global_iteration"] =
        benchmark::Counter(total, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// The head displacements of the 13 evaluations of every pile group in one
// global iteration at the solved state: the force sum, then the positive and
// negative perturbations of the stiffness.
struct Evaluation {
    int g = 0;
    CapVector u{};  // in pile axes
    double Q = 0.0;
    double T = 0.0;
};

std::vector<Evaluation> evaluationsOfOneIteration(ModelStore& s) {
    std::vector<Evaluation> list;
    const int count = s.arrangement.pileGroupCount;
    const double d = 1.0E-7;
    const double r = 1.0E-9;
    const CapVector steps{d, d, d, r, r, r};
    for (int g = 1; g <= count; ++g) {
        const PileTransforms t = pileTransforms(s, g);
        CapVector uHead{};
        multiply6(uHead, t.T, s.capSolution.capDisp, 1);
        for (int e = 0; e < 13; ++e) {
            CapVector u = uHead;
            if (e >= 1) u[(e - 1) % 6] += (e <= 6 ? 1.0 : -1.0) * steps[(e - 1) % 6];
            Evaluation ev;
            ev.g = g;
            multiply6(ev.u, t.R, u, 1);
            ev.Q = axialHeadForce(s, s.pileScratch, g, ev.u[0]);
            ev.T = torsionalHeadMoment(s, s.pileScratch, g, ev.u[3]);
            list.push_back(ev);
        }
    }
    return list;
}

void globalIteration(benchmark::State& state) {
    auto store = capOnHundredPiles();
    ModelStore& s = *store;
    if (!solveLoadCase(s)) state.SkipWithError("the load case did not converge");
    for (auto _ : state) {
        updateGroupFactorsForMovement(s, s.capSolution.capDisp, s.analysis.capLoad);
        CapVector F{};
        int status = 0;
        sumPileForces(s, F, status);
        CapMatrix K{};
        assembleGroupStiffness(s, K, status);
        benchmark::DoNotOptimize(F);
        benchmark::DoNotOptimize(K);
    }
}

void lateralSolutions(benchmark::State& state) {
    auto store = capOnHundredPiles();
    ModelStore& s = *store;
    if (!solveLoadCase(s)) state.SkipWithError("the load case did not converge");
    const std::vector<Evaluation> list = evaluationsOfOneIteration(s);
    for (auto _ : state) {
        for (const Evaluation& e : list) {
            int status = 0;
            discretisePile(s, s.pileScratch, e.g, status);
            double Fy = 0.0, Fz = 0.0, Mxy = 0.0, Mxz = 0.0;
            solveBiaxialPile(s, s.pileScratch, e.g, e.u[1], -e.u[5], e.u[2], e.u[4], e.Q, e.T, Fy,
                             Fz, Mxy, Mxz, status);
            benchmark::DoNotOptimize(Fy);
        }
    }
}

void discretisations(benchmark::State& state) {
    auto store = capOnHundredPiles();
    ModelStore& s = *store;
    const std::vector<Evaluation> list = evaluationsOfOneIteration(s);
    for (auto _ : state) {
        for (const Evaluation& e : list) {
            int status = 0;
            discretisePile(s, s.pileScratch, e.g, status);
            benchmark::DoNotOptimize(status);
        }
    }
}

// --- Larger foundations --------------------------------------------------------

constexpr double kDiameter = 0.6;                 // m
constexpr double kGridSpacing = 3.0 * kDiameter;  // m

// The pile property of the larger foundations: a concrete pile of 0.6 m,
// 15 m long in 100 increments.
void setLargeProperty(ModelStore& s) {
    PropertyWork& p = s.work.properties[0];
    p.NSECT = 1;
    p.LENGTH = 15.0;
    p.increments = 100;
    SectionWork& section = p.sections[0];
    section.XSECT = 15.0;
    section.DIAM = kDiameter;
    section.AREA = std::numbers::pi * 0.25 * kDiameter * kDiameter;
    section.Iz = section.Iy = std::numbers::pi * std::pow(kDiameter, 4) / 64.0;
    section.EIz = section.EIy = 2.5E7 * section.Iz;
    s.pileProperties.pilePropertyCount = 1;
}

// Pile groups of one vertical pile each on a rows x columns grid centred on
// the cap origin, with multipliers 1.0.
void addGrid(ModelStore& s, int rows, int columns) {
    for (int i = 0; i < rows; ++i) {
        for (int j = 0; j < columns; ++j) {
            const int g = ++s.arrangement.pileGroupCount;
            const std::size_t k = static_cast<std::size_t>(g - 1);
            PileGroupWork& w = s.work.groups[k];
            w.IPROP = 1;
            w.connectionY = w.connectionZ = kConnectionFixed;
            w.lsCurveNo = -1;
            w.trCurveNo = -1;
            w.pileCount = 1.0;
            w.axialForceFactor = 1.0;
            w.headY = (i - 0.5 * (rows - 1)) * kGridSpacing;
            w.headZ = (j - 0.5 * (columns - 1)) * kGridSpacing;
            w.beta = std::numbers::pi / 2.0;
            GroupFactors& f = s.groupFactors;
            f.pMultiplier[k] = f.yMultiplier[k] = f.pMultiplierY[k] = f.yMultiplierY[k] = 1.0;
            f.pMultiplierZ[k] = f.yMultiplierZ[k] = 1.0;
        }
    }
}

// The layout alone of `piles` piles: 200 and 2000 on a three-dimensional
// grid, 3000 as 60 two-dimensional rows of 50 piles across the plane.
std::unique_ptr<ModelStore> layoutOf(int piles) {
    auto store = makeModelStore();
    ModelStore& s = *store;
    setLargeProperty(s);
    if (piles <= 2000) {
        s.control.analysisType = 3;
        const int rows = piles == 200 ? 20 : 50;
        addGrid(s, rows, piles / rows);
        return store;
    }
    s.control.analysisType = 2;
    const int rows = 60;
    addGrid(s, rows, 1);
    for (int g = 0; g < rows; ++g) {
        s.work.groups[static_cast<std::size_t>(g)].pileCount = piles / rows;
        s.arrangement.rows[static_cast<std::size_t>(g)].rowSpacing = kGridSpacing;
    }
    return store;
}

void groupFactorsY(benchmark::State& state) {
    auto store = layoutOf(static_cast<int>(state.range(0)));
    double direction = 1.0;
    for (auto _ : state) {
        if (!computeGroupFactorsY(*store, direction)) {
            state.SkipWithError("the factors were not computed");
            break;
        }
        benchmark::DoNotOptimize(store->groupFactors.pMultiplier[0]);
        direction = -direction;
    }
}

// The whole model: the grid of piles in three layers of soft clay (SI
// units), a linear torque-rotation curve and a nonlinear load-settlement
// curve; per pile 600 kN down, 15 kN along Y, 7.5 kN along Z and moments of
// 100 kN m about X, 5 about Y and -10 about Z.
std::unique_ptr<ModelStore> largeFoundation(int piles) {
    auto store = makeModelStore();
    setPileDataFile(*store);
    ModelStore& s = *store;
    s.control.unitsSystem = 2;
    s.control.analysisType = 3;
    s.control.groupFactorOption = 1;
    s.control.userLsCurvesOption = 1;
    s.control.userTrCurvesOption = 1;
    setLargeProperty(s);
    const int rows = piles == 200 ? 20 : 50;
    addGrid(s, rows, piles / rows);
    addSoftClay(s, 0.0, 3.0, 8.0, 15.0, 0.02);
    addSoftClay(s, 3.0, 9.0, 8.5, 25.0, 0.01);
    addSoftClay(s, 9.0, 18.0, 9.0, 40.0, 0.007);
    prepareSoilProfile(s);
    s.userLsCurves.lsCurveCount = 1;
    setCurve(s.userLsCurves.rows[0], {{-0.05, -1500.0},
                                      {-0.0025, -750.0},
                                      {0.0, 0.0},
                                      {0.0025, 1500.0},
                                      {0.0125, 3000.0},
                                      {0.1, 4500.0}});
    s.userTrCurves.trCurveCount = 1;
    setCurve(s.userTrCurves.rows[0], {{-1.0, -1.0E5}, {1.0, 1.0E5}});

    s.loadCases.loadCaseCount = 1;
    CurrentAnalysis& a = s.analysis;
    a.currentCase = 1;
    a.dofCount = 6;
    a.estimation.estimationPass = 1;
    a.capEnvelope.firstPending = 1;
    CurrentAnalysis::ControlBlock& c = a.control;
    c.capTolerance = 1.0E-3;
    c.deflectionTolerance = 1.0E-6;
    c.maxCapIterations = 100;
    c.maxPileIterations = 100;
    c.loadIncrementFactor = 1.0;
    c.minLoadIncrementFactor = 0.01;
    return store;
}

// One load case of the larger foundations: range(0) piles, range(1) threads
// of the per-pile analyses, range(2) the stiffness start (0 initial moduli,
// 1 converged unperturbed solution, 2 condensed). The counters per load case: global
// iterations, lateral pile solutions and their finite-difference solves, and
// the share of the time that the reduction factors of the layout take (the
// factor updates of the load case timed again at the solved state: the
// first, which computes them, and the others, which take the kept ones,
// over the time of the load case).
void largeCapLoadCase(benchmark::State& state) {
    const int piles = static_cast<int>(state.range(0));
    const int threads = static_cast<int>(state.range(1));
    auto store = largeFoundation(piles);
    ModelStore& s = *store;
    s.control.stiffnessStart = static_cast<int>(state.range(2));
    PileWorkers workers(threads);
    s.pileWorkers = threads > 1 ? &workers : nullptr;
    const double n = piles;
    const CapVector load{600.0 * n, 15.0 * n, 7.5 * n, 100.0 * n, 5.0 * n, -10.0 * n};
    long long iterations = 0;
    long long solutions = 0;
    long long solves = 0;
    double factorSeconds = 0.0;
    double caseSeconds = 0.0;
    for (auto _ : state) {
        s.analysis.capLoad = load;
        int curveSwitch = 0;
        int errorFlag = 0;
        const long long solutionsBefore = s.pileScratch.lateralSolutions;
        const long long solvesBefore = s.pileScratch.lateralIterations;
        const auto begin = std::chrono::steady_clock::now();
        solveCapEquilibrium3D(s, curveSwitch, errorFlag);
        const auto end = std::chrono::steady_clock::now();
        if (errorFlag != 0 || s.capSolution.loadFactor < 1.0) {
            state.SkipWithError("the load case did not converge");
            break;
        }
        state.PauseTiming();
        iterations += s.capSolution.iterationTotal;
        solutions += s.pileScratch.lateralSolutions - solutionsBefore;
        solves += s.pileScratch.lateralIterations - solvesBefore;
        caseSeconds += std::chrono::duration<double>(end - begin).count();
        // As the solution updates them: computed at the first iteration,
        // then taken from those kept for the same signs of movement.
        beginGroupFactorMovements(s);
        const auto factorsBegin = std::chrono::steady_clock::now();
        updateGroupFactorsForMovement(s, s.capSolution.capDisp, s.analysis.capLoad);
        const auto factorsKept = std::chrono::steady_clock::now();
        updateGroupFactorsForMovement(s, s.capSolution.capDisp, s.analysis.capLoad);
        const auto factorsEnd = std::chrono::steady_clock::now();
        endGroupFactorMovements(s);
        factorSeconds += std::chrono::duration<double>(factorsKept - factorsBegin).count() +
                         std::chrono::duration<double>(factorsEnd - factorsKept).count() *
                             static_cast<double>(s.capSolution.iterationTotal - 1);
        state.ResumeTiming();
    }
    s.pileWorkers = nullptr;
    using benchmark::Counter;
    state.counters["global_iterations"] =
        Counter(static_cast<double>(iterations), Counter::kAvgIterations);
    state.counters["lateral_solutions"] =
        Counter(static_cast<double>(solutions), Counter::kAvgIterations);
    state.counters["fd_solves"] = Counter(static_cast<double>(solves), Counter::kAvgIterations);
    state.counters["group_factor_share"] = caseSeconds > 0.0 ? factorSeconds / caseSeconds : 0.0;
    state.counters["threads"] = workers.threadCount();
}

}  // namespace
}  // namespace pylora

BENCHMARK(pylora::capLoadCase)->Unit(benchmark::kMillisecond);
BENCHMARK(pylora::globalIteration)->Unit(benchmark::kMillisecond);
BENCHMARK(pylora::lateralSolutions)->Unit(benchmark::kMillisecond);
BENCHMARK(pylora::discretisations)->Unit(benchmark::kMillisecond);
BENCHMARK(pylora::groupFactorsY)->Arg(200)->Arg(2000)->Arg(3000)->Unit(benchmark::kMicrosecond);
// Real time: the worker threads do the work, not only the caller's thread.
BENCHMARK(pylora::largeCapLoadCase)
    ->ArgNames({"piles", "threads", "start"})
    ->Args({200, 1, 0})
    ->Args({200, 2, 0})
    ->Args({200, 1, 1})
    ->Args({200, 2, 1})
    ->Args({200, 1, 2})
    ->Args({200, 2, 2})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(pylora::largeCapLoadCase)
    ->ArgNames({"piles", "threads", "start"})
    ->Args({2000, 1, 0})
    ->Args({2000, 2, 0})
    ->Args({2000, 1, 1})
    ->Args({2000, 2, 1})
    ->Args({2000, 1, 2})
    ->Args({2000, 2, 2})
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
