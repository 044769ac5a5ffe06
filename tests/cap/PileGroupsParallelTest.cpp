// SPDX-License-Identifier: Apache-2.0
// The passes over the pile groups on worker threads against the same passes
// in pile-group order on the caller's thread (no worker threads attached):
// force sums, stiffness assembly and the printing pass give the same numbers
// bit for bit, the same report and warning file, the same counts, flags and
// equivalent depths, for 2, 3 and 7 threads; a pile group that stops the
// analysis stops the gathering where the analysis in order stops; and the
// perturbed solutions started from the converged one reach the equilibrium
// of the initial start with fewer solves.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "axial/pile_head_response.h"
#include "cap/cap_equilibrium_3d.h"
#include "cap/pile_in_cap.h"
#include "cap_test_support.h"
#include "soil/soil_profile.h"
#include "store/pile_workers.h"

namespace pylora {
namespace {

using captest::addGroup;
using captest::addSoftClay;
using captest::CapModel;
using captest::openFiles;
using captest::setAnalysis;
using captest::setCurve;

// Two pile properties of 0.6 m in SI units: a long pile (15 m in 30
// increments of 0.5 m) that ends in weak rock, and a short one (7 m in 70 of
// 0.1 m) that stays in the clay. The clay above the rock has a layer 0.4 m
// thick at 5.05 m that only the short piles have nodes in. So the p-y state
// that one pile group passes on to the next matters: a short pile meets the
// threshold the rock of the long pile before it raised, and the equivalent
// depths of a long pile start from the resistance of the thin, stiff layer
// that the short pile before it left (the clay below is stiff enough that
// its ultimate resistance still grows with depth there).
void setProperty(ModelStore& s, int IPROP, double length, int increments) {
    PropertyWork& p = s.work.properties[static_cast<std::size_t>(IPROP - 1)];
    p.NSECT = 1;
    p.LENGTH = length;
    p.increments = increments;
    p.elasticModulus = 2.5E7;
    SectionWork& section = p.sections[0];
    section.XSECT = length;
    section.DIAM = 0.6;
    section.AREA = 0.2827;
    section.Iz = section.Iy = 6.362E-3;
    section.EIz = section.EIy = 2.5E7 * 6.362E-3;
    section.Mn = 500.0;
    section.Vn = 400.0;
}

// The mixed model, the two variants without weak rock (clay to 30 m
// instead, so that no layer raises the threshold), and the one of only long
// piles in that clay, which have nodes in every layer and pass nothing on
// that another pile reads.
enum class Variant { rock, clayOnly, longPilesInClay };

std::unique_ptr<CapModel> mixedModel(Variant variant = Variant::rock) {
    auto m = std::make_unique<CapModel>();
    openFiles(*m);
    ModelStore& s = *m->store;
    setAnalysis(s);
    s.control.unitsSystem = 2;
    s.units.length2.assign(" M");
    s.units.length3.assign("  M");
    s.units.force3.assign(" KN");
    s.units.force4.assign("  KN");
    setProperty(s, 1, 15.0, 30);
    setProperty(s, 2, 7.0, 70);
    s.pileProperties.pilePropertyCount = 2;
    addSoftClay(s, 0.0, 5.05, 8.0, 20.0, 0.01);
    addSoftClay(s, 5.05, 5.45, 8.5, 500.0, 0.004);
    addSoftClay(s, 5.45, 10.0, 9.0, 60.0, 0.007);
    if (variant == Variant::rock) {
        const testsupport::Row rock{
            .gamma = 12.0, .c = 5000.0, .ER = 5.0E5, .E50 = 0.0005, .RQD = 50.0};
        testsupport::addLayer(s, 9, 10.0, 30.0, rock, rock);
    } else {
        addSoftClay(s, 10.0, 30.0, 9.5, 150.0, 0.005);
    }
    prepareSoilProfile(s);
    for (int i = 0; i < 8; ++i) {
        const int g = addGroup(s, 0.0, (i % 4 - 1.5) * 1.8, (i / 4 - 0.5) * 1.8, 0.0,
                               captest::kVertical, false);
        const bool longPile = g % 2 == 1 || variant == Variant::longPilesInClay;
        s.work.groups[static_cast<std::size_t>(g - 1)].IPROP = longPile ? 1 : 2;
    }
    s.control.userLsCurvesOption = 1;
    s.control.userTrCurvesOption = 1;
    s.userLsCurves.lsCurveCount = 1;
    setCurve(s.userLsCurves.rows[0], {{-0.05, -1500.0},
                                      {-0.0025, -750.0},
                                      {0.0, 0.0},
                                      {0.0025, 1500.0},
                                      {0.0125, 3000.0},
                                      {0.1, 4500.0}});
    s.userTrCurves.trCurveCount = 1;
    setCurve(s.userTrCurves.rows[0], {{-1.0, -1.0E5}, {1.0, 1.0E5}});
    s.analysis.control.deflectionTolerance = 1.0E-8;
    return m;
}

// Everything a sequence of passes leaves: the sums, the stiffness, the
// printing pass's results and files, and what the store gathered.
struct Passes {
    int sumStatus = -1, stiffnessStatus = -1, printStatus = -1;
    CapVector F{}, Fagain{}, Fprinted{};
    CapMatrix K{};
    int pullOut = 0, bearing = 0, capAbort = 0;
    long long solutions = 0, solves = 0;
    double YMIN = 0.0;
    std::array<double, kMaxSoilLayers> PULT{};
    std::array<std::array<double, kMaxSoilLayers>, 8> XEQ{};
    std::string report, warnings, resultsData, pileData;
};

// The force sum with the warnings recorded, the stiffness, a second sum at
// another displacement and the printing pass, at cap displacement U, on
// `threads` threads (1: no worker threads).
Passes runPasses(ModelStore& s, CapModel& m, int threads, const CapVector& U,
                 const CapVector& Uagain) {
    PileWorkers workers(threads);
    s.pileWorkers = threads > 1 ? &workers : nullptr;
    Passes p;
    s.capSolution.capDisp = U;
    s.files.warningScratch = openForWriting(m.path("warnings.txt"));
    s.axialResponse.warningRecordFlag = 1;
    sumPileForces(s, p.F, p.sumStatus);
    s.axialResponse.warningRecordFlag = 0;
    closeFile(s.files.warningScratch);
    assembleGroupStiffness(s, p.K, p.stiffnessStatus);
    s.capSolution.capDisp = Uagain;
    sumPileForces(s, p.Fagain, p.sumStatus);
    s.pileSolution.finalPassFlag = 1;
    s.files.pileData = openForWriting(m.path("pile.txt"));
    sumPileForces(s, p.Fprinted, p.printStatus);
    closeFile(s.files.pileData);
    s.pileSolution.finalPassFlag = 0;
    s.pileWorkers = nullptr;

    p.pullOut = s.axialResponse.pullOutWarningCount;
    p.bearing = s.axialResponse.bearingWarningCount;
    p.capAbort = s.pileSolution.capAbortFlag;
    p.solutions = s.pileScratch.lateralSolutions;
    p.solves = s.pileScratch.lateralIterations;
    p.YMIN = s.pileScratch.py.YMIN;
    p.PULT = s.pileScratch.py.PULT;
    for (std::size_t g = 0; g < p.XEQ.size(); ++g)
        p.XEQ[g] = s.pyRun.XEQ[g];
    std::fflush(s.files.resultsData.get());
    p.report = m.reportText();
    p.warnings = testsupport::readFile(m.dir / "warnings.txt");
    p.resultsData = testsupport::readFile(m.dir / "results.txt");
    p.pileData = testsupport::readFile(m.dir / "pile.txt");
    return p;
}

template <typename Array>
bool sameBits(const Array& a, const Array& b) {
    return std::memcmp(a.data(), b.data(), sizeof(a)) == 0;
}

void expectSamePasses(const Passes& serial, const Passes& p, int threads) {
    SCOPED_TRACE(std::to_string(threads) + " threads");
    EXPECT_EQ(p.sumStatus, serial.sumStatus);
    EXPECT_EQ(p.stiffnessStatus, serial.stiffnessStatus);
    EXPECT_EQ(p.printStatus, serial.printStatus);
    EXPECT_TRUE(sameBits(p.F, serial.F));
    EXPECT_TRUE(sameBits(p.K, serial.K));
    EXPECT_TRUE(sameBits(p.Fagain, serial.Fagain));
    EXPECT_TRUE(sameBits(p.Fprinted, serial.Fprinted));
    EXPECT_EQ(p.pullOut, serial.pullOut);
    EXPECT_EQ(p.bearing, serial.bearing);
    EXPECT_EQ(p.capAbort, serial.capAbort);
    EXPECT_EQ(p.solutions, serial.solutions);
    EXPECT_EQ(p.solves, serial.solves);
    EXPECT_EQ(p.YMIN, serial.YMIN);
    EXPECT_TRUE(sameBits(p.PULT, serial.PULT));
    for (std::size_t g = 0; g < p.XEQ.size(); ++g)
        EXPECT_TRUE(sameBits(p.XEQ[g], serial.XEQ[g])) << "pile group " << g + 1;
    EXPECT_EQ(p.report, serial.report);
    EXPECT_EQ(p.warnings, serial.warnings);
    EXPECT_EQ(p.resultsData, serial.resultsData);
    EXPECT_EQ(p.pileData, serial.pileData);
}

TEST(ParallelPileGroups, PassesEqualThoseInPileGroupOrderBitForBitForAnyThreadCount) {
    // Settlement beyond the load-settlement curve's last point: every group
    // warns of bearing while the warnings are recorded.
    const CapVector U{0.12, 0.004, -0.002, 1.0E-4, 2.0E-4, -3.0E-4};
    const CapVector Uagain{0.004, 0.006, 0.003, -1.0E-4, 1.0E-4, 2.0E-4};
    auto reference = mixedModel();
    const Passes serial = runPasses(*reference->store, *reference, 1, U, Uagain);
    ASSERT_EQ(serial.sumStatus, 0);
    ASSERT_EQ(serial.stiffnessStatus, 0);
    ASSERT_EQ(serial.printStatus, 0);
    EXPECT_EQ(serial.bearing, 8);
    EXPECT_NE(serial.warnings, "");
    EXPECT_NE(serial.pileData, "");
    for (const int threads : {2, 3, 7}) {
        auto m = mixedModel();
        expectSamePasses(serial, runPasses(*m->store, *m, threads, U, Uagain), threads);
    }

    // The state passed from pile to pile matters here: a long pile solved
    // first responds otherwise than one solved after a short pile, whose
    // resistance in the thin layer enters its equivalent depths.
    for (const Variant variant : {Variant::rock, Variant::clayOnly}) {
        auto first = mixedModel(variant);
        auto second = mixedModel(variant);
        CapVector alone{}, afterShort{}, ignored{};
        int status = 0;
        analysePile(*first->store, first->store->pileScratch, 1, U, alone, status);
        analysePile(*second->store, second->store->pileScratch, 2, U, ignored, status);
        analysePile(*second->store, second->store->pileScratch, 1, U, afterShort, status);
        ASSERT_EQ(status, 0);
        EXPECT_FALSE(sameBits(alone, afterShort));
    }
}

// Without a layer that raises the threshold the first pass runs on the
// worker threads, every group from the state the first one starts from. It
// stands when no group read what another left (long piles only), and runs
// again in order when one did (a long pile's equivalent depths after a
// short pile): either way the passes are those in order, curves kept or not.
TEST(ParallelPileGroups, AFirstPassThatDependsOnTheOrderRunsAgainInOrder) {
    const CapVector U{0.01, 0.004, -0.002, 1.0E-4, 2.0E-4, -3.0E-4};
    const CapVector Uagain{0.004, 0.006, 0.003, -1.0E-4, 1.0E-4, 2.0E-4};
    for (const Variant variant : {Variant::clayOnly, Variant::longPilesInClay}) {
        for (const bool keepCurves : {false, true}) {
            SCOPED_TRACE(variant == Variant::clayOnly ? "short and long piles" : "long piles");
            SCOPED_TRACE(keepCurves ? "curves kept" : "curves built every time");
            Passes serial;
            for (const int threads : {1, 2, 7}) {
                auto m = mixedModel(variant);
                if (keepCurves) beginPileAnalyses(*m->store);
                const Passes p = runPasses(*m->store, *m, threads, U, Uagain);
                if (threads == 1) {
                    serial = p;
                    ASSERT_EQ(serial.sumStatus, 0);
                    ASSERT_EQ(serial.printStatus, 0);
                    continue;
                }
                expectSamePasses(serial, p, threads);
            }
        }
    }
}

TEST(ParallelPileGroups, WarningsAndAStopAreGatheredUpToTheGroupThatStops) {
    // Two solves allowed against a tolerance no solve meets: every lateral
    // solution warns that it does not close; pile group 5 reaches below the
    // deepest layer and stops the analysis.
    const CapVector U{-0.08, 0.01, 0.0, 0.0, 0.0, 0.0};
    Passes serial;
    for (const int threads : {1, 2, 7}) {
        auto m = mixedModel();
        ModelStore& s = *m->store;
        s.analysis.control.maxPileIterations = 2;
        s.analysis.control.deflectionTolerance = 1.0E-30;
        s.work.groups[4].XHEAD = 20.0;
        const Passes p = runPasses(s, *m, threads, U, U);
        if (threads == 1) {
            serial = p;
            EXPECT_EQ(serial.sumStatus, kStatusPileBelowLayers3D);
            EXPECT_EQ(serial.capAbort, 1);
            EXPECT_EQ(serial.pullOut, 5);  // groups 1 to 5, pulled beyond the curve
            EXPECT_NE(serial.report.find("NO CLOSURE OF A LLP"), std::string::npos);
            EXPECT_NE(serial.report.find("EXTENDS BELOW THE"), std::string::npos);
            continue;
        }
        expectSamePasses(serial, p, threads);
    }
}

TEST(ConvergedStart, ReachesTheEquilibriumOfTheInitialStartWithFewerSolves) {
    // The whole load case on 2 threads, from each start: the converged start
    // and the condensed stiffness change the tangent, not the equilibrium
    // the cap converges to.
    const CapVector load{4800.0, 160.0, 90.0, 20.0, 60.0, -40.0};
    CapVector initialDisp{};
    long long initialSolves = 0;
    for (const int start : {kStartFromInitialModuli, kStartFromConverged, kStartCondensed}) {
        auto m = mixedModel();
        ModelStore& s = *m->store;
        s.analysis.control.capTolerance = 1.0E-4;
        s.control.stiffnessStart = start;
        PileWorkers workers(2);
        s.pileWorkers = &workers;
        s.analysis.capLoad = load;
        int curveSwitch = 0, errorFlag = 0;
        solveCapEquilibrium3D(s, curveSwitch, errorFlag);
        s.pileWorkers = nullptr;
        ASSERT_EQ(errorFlag, 0);
        ASSERT_EQ(s.capSolution.loadFactor, 1.0);
        const CapVector& U = s.capSolution.capDisp;
        if (start == kStartFromInitialModuli) {
            initialDisp = U;
            initialSolves = s.pileScratch.lateralIterations;
            continue;
        }
        // Within the cap tolerance of the translations and of the rotations.
        const double translation = std::hypot(initialDisp[0], initialDisp[1], initialDisp[2]);
        const double rotation = std::hypot(initialDisp[3], initialDisp[4], initialDisp[5]);
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(U[i], initialDisp[i], 1.0E-4 * translation) << "component " << i;
            EXPECT_NEAR(U[i + 3], initialDisp[i + 3], 1.0E-4 * rotation) << "component " << i + 3;
        }
        EXPECT_LT(s.pileScratch.lateralIterations, initialSolves);
    }
}

}  // namespace
}  // namespace pylora
