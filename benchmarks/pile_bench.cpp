// SPDX-License-Identifier: Apache-2.0
// Speed of the laterally loaded pile solvers: one solve of a 100-increment
// pile, 600 in long and 24 in across, in three layers of soft clay, its head
// pushed 0.5 in (a fixed head, the common case of a pile cap), with the
// single-plane solver and with the biaxial solver (0.4 in and 0.3 in); and
// the same single-plane solve in one layer of medium dense sand, and with the
// pile socketed into weak rock below the first clay layer.
//
// Besides the time of a whole solve the benchmark reports node_iteration:
// the time per node and per solve of the iteration, the figure that stays
// comparable when a change alters the number of iterations.

#include <benchmark/benchmark.h>

#include <array>
#include <memory>

#include "pile/biaxial_solver.h"
#include "pile/single_plane_solver.h"
#include "soil/soil_profile.h"
#include "store/model_store.h"

namespace pylora {
namespace {

constexpr int kIncrements = 100;
constexpr double kLength = 600.0;

void addLayer(ModelStore& store, int KSOIL, double topX, double bottomX,
              const std::array<double, kSoilProperties>& values) {
    SoilLayerTable& t = store.soilLayers;
    SoilLayer& layer = t.rows[static_cast<std::size_t>(t.NLAYER)];
    t.NLAYER += 1;
    layer.layerNo = t.NLAYER;
    layer.KSOIL = KSOIL;
    layer.topX = topX;
    layer.bottomX = bottomX;
    layer.valueRowCount = 2;
    layer.propertyCount = kSoilProperties;
    layer.top = values;
    layer.bottom = values;
}

void addSoftClay(ModelStore& store, double topX, double bottomX, double gamma, double c,
                 double E50) {
    addLayer(store, 1, topX, bottomX, {gamma, c, 0.0, 0.0, 0.0, E50, 0.0, 0.0, 0.0});
}

// Weak rock: qu 1000 psi, rock modulus 1.0E5 psi, KRM 0.0005, RQD 50 %.
void addWeakRock(ModelStore& store, double topX, double bottomX) {
    addLayer(store, 9, topX, bottomX, {0.05, 1000.0, 0.0, 0.0, 1.0E5, 0.0005, 50.0, 0.0, 0.0});
}

enum class BenchSoil { softClay, sand, weakRock };

// The store of one pile group as the discretisation leaves it.
std::unique_ptr<ModelStore> benchmarkPile(BenchSoil soil = BenchSoil::softClay) {
    auto store = makeModelStore();
    ModelStore& s = *store;
    s.control.unitsSystem = 1;
    s.control.KPYOP = 0;
    PropertyWork& property = s.work.properties[0];
    property.NSECT = 1;
    property.LENGTH = kLength;
    property.increments = kIncrements;
    SectionWork& section = property.sections[0];
    section.DIAM = 24.0;
    section.AREA = 452.4;
    section.Iz = 16286.0;
    section.Iy = 16286.0;
    section.EIz = 2.9E7 * section.Iz;
    section.EIy = section.EIz;
    PileGroupWork& group = s.work.groups[0];
    group.IPROP = 1;
    group.connectionY = kConnectionFixed;
    group.connectionZ = kConnectionFixed;
    s.arrangement.pileGroupCount = 1;
    s.groupFactors.pMultiplier[0] = 1.0;
    s.groupFactors.yMultiplier[0] = 1.0;

    const double h = kLength / kIncrements;
    LateralPyState& py = s.pileScratch.py;
    py.NNODE = kIncrements + 1;
    for (int k = 0; k <= kIncrements; ++k)
        py.nodeX[static_cast<std::size_t>(k)] = k * h;
    if (soil == BenchSoil::sand) {
        // Medium dense sand: gamma' 0.0347 lb/in3, phi 35 degrees, k 60 lb/in3.
        addLayer(s, 4, 0.0, 720.0, {0.0347, 0.0, 35.0, 60.0, 0.0, 0.0, 0.0, 0.0, 0.0});
        py.layerFirstNode[0] = 1;
        py.layerLastNode[0] = kIncrements + 1;
    } else {
        addSoftClay(s, 0.0, 120.0, 0.020, 4.0, 0.02);
        if (soil == BenchSoil::weakRock) {
            addWeakRock(s, 120.0, 360.0);
            addWeakRock(s, 360.0, 720.0);
        } else {
            addSoftClay(s, 120.0, 360.0, 0.025, 7.0, 0.01);
            addSoftClay(s, 360.0, 720.0, 0.030, 10.0, 0.007);
        }
        // Layers 1 to 3 start at the nodes 1, 21 and 61.
        py.layerFirstNode[0] = 1;
        py.layerLastNode[0] = 20;
        py.layerFirstNode[1] = 21;
        py.layerLastNode[1] = 60;
        py.layerFirstNode[2] = 61;
        py.layerLastNode[2] = kIncrements + 1;
    }
    prepareSoilProfile(s);

    s.analysis.control.deflectionTolerance = 1.0E-5;
    s.analysis.control.maxPileIterations = 100;
    return store;
}

void reportPerNodeIteration(benchmark::State& state, long long solves) {
    state.counters["solves_per_call"] =
        benchmark::Counter(static_cast<double>(solves), benchmark::Counter::kAvgIterations);
    state.counters["node_iteration"] =
        benchmark::Counter(static_cast<double>(solves) * (kIncrements + 1),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void singlePlaneSolveIn(benchmark::State& state, BenchSoil soil) {
    auto store = benchmarkPile(soil);
    long long solves = 0;
    for (auto _ : state) {
        double H = 0.0;
        int status = 0;
        solveSinglePlanePile(*store, store->pileScratch, 1, 0.5, 0.0, 5.0E4, H, status);
        benchmark::DoNotOptimize(H);
        if (status != 0 || store->pileSolution.capAbortFlag != 0) {
            state.SkipWithError("the solve did not close");
            break;
        }
        solves += store->pileScratch.work.iterationCount;
    }
    reportPerNodeIteration(state, solves);
}
void singlePlaneSolve(benchmark::State& state) {
    singlePlaneSolveIn(state, BenchSoil::softClay);
}
BENCHMARK(singlePlaneSolve);

void singlePlaneSolveInSand(benchmark::State& state) {
    singlePlaneSolveIn(state, BenchSoil::sand);
}
BENCHMARK(singlePlaneSolveInSand);

// Soft clay over weak rock: the rock's stiff initial line and its raised
// small-deflection threshold.
void singlePlaneSolveWeakRock(benchmark::State& state) {
    singlePlaneSolveIn(state, BenchSoil::weakRock);
}
BENCHMARK(singlePlaneSolveWeakRock);

void biaxialSolve(benchmark::State& state) {
    auto store = benchmarkPile();
    long long solves = 0;
    for (auto _ : state) {
        double Fy = 0.0, Fz = 0.0, Mxy = 0.0, Mxz = 0.0;
        int status = 0;
        solveBiaxialPile(*store, store->pileScratch, 1, 0.4, 0.0, 0.3, 0.0, 5.0E4, 0.0, Fy, Fz, Mxy,
                         Mxz, status);
        benchmark::DoNotOptimize(Fy);
        benchmark::DoNotOptimize(Fz);
        if (status != 0 || store->pileSolution.capAbortFlag != 0) {
            state.SkipWithError("the solve did not close");
            break;
        }
        solves += store->pileScratch.work.iterationCount;
    }
    reportPerNodeIteration(state, solves);
}
BENCHMARK(biaxialSolve);

}  // namespace
}  // namespace pylora

BENCHMARK_MAIN();
