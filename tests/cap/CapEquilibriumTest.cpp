// SPDX-License-Identifier: Apache-2.0
// The three-dimensional cap equilibrium: an elastic pile against the
// closed-form free-head pile and its axial and torsional springs, a
// symmetric group, equilibrium at the solution, the load increments, the
// completion codes 1, 2, 3 and 7 with what each prints, the independence of
// a case from its place in the input, a rotated group, the estimation
// records, the refused flexible cap, and the stiffness of the foundation
// handed to a caller's collector against the closed-form head stiffness.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <span>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "cap/cap_equilibrium_3d.h"
#include "cap/pile_in_cap.h"
#include "store/results_collector.h"
#include "store/return_codes.h"
#include "tests/cap/cap_test_support.h"

namespace pylora {
namespace {

using captest::addGroup;
using captest::elasticModel;
using captest::ElasticSoil;
using captest::expectClose;
using captest::kVertical;
using captest::linesFrom;
using captest::PileData;
using captest::softClayModel;

// Solves the model for the load and returns errorFlag.
int solve(ModelStore& s, const CapVector& load) {
    s.analysis.capLoad = load;
    int curveSwitch = 1;  // the input asked for printed p-y curves
    int errorFlag = 0;
    solveCapEquilibrium3D(s, curveSwitch, errorFlag);
    return errorFlag;
}

// The largest out-of-balance component of the load and the pile forces at
// the cap displacement, relative to the largest load component.
double relativeImbalance(ModelStore& s, const CapVector& load) {
    CapVector F{};
    int status = 0;
    sumPileForces(s, F, status);
    EXPECT_EQ(status, 0);
    double largest = 0.0;
    double imbalance = 0.0;
    for (int i = 0; i < kCapComponents; ++i) {
        largest = std::max(largest, std::fabs(load[i]));
        imbalance = std::max(imbalance, std::fabs(load[i] + F[i]));
    }
    return imbalance / largest;
}

TEST(CapEquilibrium, ElasticPileUnderTheCapFollowsTheClosedFormFreeHeadAndItsSprings) {
    const PileData pileData;
    const ElasticSoil soil;
    auto m = elasticModel(pileData, soil);
    ModelStore& s = *m->store;
    addGroup(s, 0.0, 0.0, 0.0);

    // A lateral load: the cap turns until the pile head carries no moment,
    // y0 = 2 H b / k and dy/dx = -2 H b^2 / k with b = (k / 4 EI)^(1/4).
    const double H = 10.0;
    const CapVector lateral{0.0, H, 0.0, 0.0, 0.0, 0.0};
    ASSERT_EQ(solve(s, lateral), 0);
    const double b = std::pow(soil.k / (4.0 * pileData.EI), 0.25);
    const CapVector& U = s.capSolution.capDisp;
    // Within the discretisation error of 100 increments, h b = 0.1.
    expectClose(U[kForceY], 2.0 * H * b / soil.k, 1.0E-2);
    expectClose(U[kMomentZ], -2.0 * H * b * b / soil.k, 1.0E-2);
    for (const int i : {kForceX, kForceZ, kMomentX, kMomentY})
        EXPECT_NEAR(U[i], 0.0, 1.0E-12);
    EXPECT_LT(relativeImbalance(s, lateral), 1.0E-6);

    // A vertical load and a torsional moment: load over spring stiffness.
    const CapVector axial{500.0, 0.0, 0.0, 40.0, 0.0, 0.0};
    ASSERT_EQ(solve(s, axial), 0);
    expectClose(U[kForceX], 500.0 / soil.ka, 1.0E-9);
    expectClose(U[kMomentX], 40.0 / soil.kt, 1.0E-9);
    EXPECT_NEAR(U[kForceY], 0.0, 1.0E-12);

    const std::vector<std::string> status = m->statusLines();
    ASSERT_EQ(status.size(), 2U);
    EXPECT_EQ(status[0], "    1 ANALYSIS COMPLETED");
    EXPECT_EQ(status[1], "    1 ANALYSIS COMPLETED");
    EXPECT_EQ(s.analysis.solvedCount, 2);
    EXPECT_EQ(s.pileSolution.finalPassFlag, 0);
}

TEST(CapEquilibrium, SymmetricGroupUnderAVerticalLoadSettlesWithoutRotationAndSharesTheLoad) {
    auto m = elasticModel();
    ModelStore& s = *m->store;
    for (const double y : {-3.0, 3.0})
        for (const double z : {-3.0, 3.0})
            addGroup(s, 0.0, y, z);
    // A load-settlement curve that softens from (0.01, 1.0E3) on.
    captest::setCurve(s.userLsCurves.rows[0],
                      {{-1.0, -1.0E5}, {0.0, 0.0}, {0.01, 1.0E3}, {1.0, 2.0E3}});
    const CapVector load{6.0E3, 0.0, 0.0, 0.0, 0.0, 0.0};
    s.analysis.control.loadIncrementFactor = 0.5;
    ASSERT_EQ(solve(s, load), 0);
    EXPECT_EQ(m->statusLines().back(), "    1 ANALYSIS COMPLETED");

    // Each pile carries 1.5E3, half way up the segment from (0.01, 1.0E3)
    // to (1.0, 2.0E3): a settlement of 0.01 + 0.5 x 0.99.
    const CapVector& U = s.capSolution.capDisp;
    expectClose(U[kForceX], 0.505, 1.0E-9);
    for (const int i : {kForceY, kForceZ, kMomentX, kMomentY, kMomentZ})
        EXPECT_NEAR(U[i], 0.0, 1.0E-12);
    for (int g = 1; g <= 4; ++g) {
        const PileTransforms t = pileTransforms(s, g);
        CapVector uHead{};
        multiply6(uHead, t.T, U, 1);
        CapVector forces{};
        int status = 0;
        analysePile(s, s.pileScratch, g, uHead, forces, status);
        ASSERT_EQ(status, 0);
        expectClose(forces[kForceX], -1.5E3, 1.0E-9);
    }
}

std::vector<std::string> tcurOfSteps(const std::vector<std::string>& runtime) {
    std::vector<std::string> tcur;
    for (const std::string& line : runtime)
        if (line.rfind("     STEP ", 0) == 0) tcur.push_back(line.substr(22, 10));
    return tcur;
}

TEST(CapEquilibrium, IncrementsOfThreeTenthsEndAtTheFullLoadExactly) {
    auto m = elasticModel();
    ModelStore& s = *m->store;
    addGroup(s, 0.0, 0.0, 0.0);
    s.analysis.control.loadIncrementFactor = 0.3;
    ASSERT_EQ(solve(s, {0.0, 5.0, 0.0, 0.0, 0.0, 0.0}), 0);
    const std::vector<std::string> expected{"    0.3000", "    0.6000", "    0.9000", "    1.0000"};
    EXPECT_EQ(tcurOfSteps(m->runtimeLines()), expected);
    EXPECT_EQ(s.capSolution.loadFactor, 1.0);
    EXPECT_NE(m->reportText().find("VERT. LOAD"), std::string::npos);

    // Every increment of a linear model converges in its second iteration
    // (a lateral load alone: the axial force would couple through P-delta).
    int iterations = 0;
    for (const std::string& line : m->runtimeLines())
        if (line.rfind("     ITERATION ", 0) == 0) iterations += 1;
    EXPECT_EQ(iterations, 8);
}

TEST(CapEquilibrium, FirstIncrementThatNeverConvergesEndsWithCodeThreeAndNoTableL) {
    auto m = softClayModel();
    ModelStore& s = *m->store;
    addGroup(s, 0.0, 0.0, 0.0, 0.0, kVertical, false);
    CurrentAnalysis::ControlBlock& c = s.analysis.control;
    c.capTolerance = 0.0;  // only a vanishing correction could pass
    c.maxCapIterations = 1;
    c.loadIncrementFactor = 0.5;
    c.minLoadIncrementFactor = 0.1;
    ASSERT_EQ(solve(s, {1.0E4, 2.0E4, 0.0, 0.0, 0.0, 0.0}), 0);

    EXPECT_EQ(m->statusLines().back(), "    3 NO CONVERGENCE ON PILE CAP");
    const std::string report = m->reportText();
    EXPECT_EQ(report.find("* TABLE L *"), std::string::npos);
    EXPECT_EQ(report.find("* TABLE M *"), std::string::npos);
    EXPECT_NE(
        report.find("** WARNING **  PILE CAP DISPL DOES NOT CONVERGE AFTER,    1  ITERATIONS"),
        std::string::npos);
    // Halved from 0.5 to 0.25 and 0.125, then below the minimum.
    const std::vector<std::string> expected{"    0.5000", "    0.2500", "    0.1250"};
    EXPECT_EQ(tcurOfSteps(m->runtimeLines()), expected);
    EXPECT_EQ(s.analysis.solvedCount, 0);
}

TEST(CapEquilibrium, FailureAfterConvergedIncrementsReportsTheLastConvergedStateWithCodeTwo) {
    // The axial curve stiffens up to 100 at 0.01 and softens beyond: with
    // one iteration allowed, an increment from the stiff into the soft branch
    // cannot converge, one within a branch converges at once.
    auto m = elasticModel();
    ModelStore& s = *m->store;
    addGroup(s, 0.0, 0.0, 0.0);
    captest::setCurve(s.userLsCurves.rows[0],
                      {{-1.0, -1.0E4}, {0.0, 0.0}, {0.01, 100.0}, {10.0, 100.0 + 1.0E3 * 9.99}});
    CurrentAnalysis::ControlBlock& c = s.analysis.control;
    c.maxCapIterations = 1;
    c.loadIncrementFactor = 0.3;
    c.minLoadIncrementFactor = 0.05;
    ASSERT_EQ(solve(s, {200.0, 0.0, 0.0, 0.0, 0.0, 0.0}), 0);

    // 0.3 converges; 0.6 fails, 0.45 converges; 0.6 fails, 0.525 fails, and
    // the next increment would be below the minimum.
    const std::vector<std::string> steps{"    0.3000", "    0.6000", "    0.4500", "    0.6000",
                                         "    0.5250"};
    EXPECT_EQ(tcurOfSteps(m->runtimeLines()), steps);
    EXPECT_EQ(m->statusLines().back(), "    2 SOLUTION AT    45.00 % OF THE TOTAL LOAD");
    const std::string report = m->reportText();
    EXPECT_NE(report.find("  Results are for    45.00% of the total load"), std::string::npos);
    EXPECT_NE(report.find("  Pylora could not get a solution for 100% for the load"),
              std::string::npos);

    // TABLE L holds the state of 0.45: 90 on the stiff branch, 0.009.
    const auto table = linesFrom(report, "* TABLE L *", 15);
    ASSERT_EQ(table.size(), 15U);
    EXPECT_EQ(table[5], "                 90.0000            0.00000            0.00000 ");
    EXPECT_EQ(table[13], "            VERTICAL ,IN      HORIZONTAL Y,IN     HORIZONTAL Z,IN");
    std::istringstream disp(table[14]);
    double vertical = 0.0;
    disp >> vertical;
    EXPECT_NEAR(vertical, 0.009, 1.0E-8);
    expectClose(s.capSolution.capDisp[kForceX], 0.009, 1.0E-9);
    EXPECT_DOUBLE_EQ(s.capSolution.loadFactor, 0.45);
    EXPECT_DOUBLE_EQ(s.analysis.capLoad[kForceX], 90.0);
}

TEST(CapEquilibrium, PileWarningsOfTheLastIterationAreReportedWithTheirDetails) {
    // The load-settlement curve ends at a settlement of 0.01 (force 50): a
    // load of 60 or more drives the pile beyond it.
    auto m = elasticModel();
    ModelStore& s = *m->store;
    addGroup(s, 0.0, 0.0, 0.0);
    captest::setCurve(s.userLsCurves.rows[0], {{-0.01, -50.0}, {0.01, 50.0}});
    CurrentAnalysis::ControlBlock& c = s.analysis.control;
    c.loadIncrementFactor = 0.4;
    c.minLoadIncrementFactor = 0.15;
    ASSERT_EQ(solve(s, {100.0, 0.0, 0.0, 0.0, 0.0, 0.0}), 0);

    // The warnings of the last attempt outrank its singular stiffness.
    EXPECT_EQ(m->statusLines().back(), "    2 SOLUTION AT    40.00 % OF THE TOTAL LOAD");
    const std::string report = m->reportText();
    const auto block = linesFrom(report, "SOME PILES, MAY FAIL IN BEARING!", 6);
    ASSERT_EQ(block.size(), 6U);
    EXPECT_EQ(block[0], "     ** WARNING **  SOME PILES, MAY FAIL IN BEARING!");
    EXPECT_EQ(block[1], "                    AXIAL DISPLACEMENT ESTIMATED IS LARGER THAN");
    EXPECT_EQ(block[2],
              "                    MAXIMUM DISPLACEMENT DEFINED IN LOAD-SETTLEMENT CURVE");
    EXPECT_EQ(block[3], "");
    EXPECT_EQ(block[4].rfind("     ** WARNING **  APPARENT FAILURE IN BEARING", 0), 0U);
    EXPECT_NE(block[4].find("PILE GROUP    1"), std::string::npos);
    EXPECT_NE(block[5].find("AX. DISP.="), std::string::npos);
    bool headline = false;
    for (const std::string& line : m->runtimeLines())
        headline = headline || line == "     ** WARNING **  SOME PILES, MAY FAIL IN BEARING!";
    EXPECT_TRUE(headline);
    EXPECT_NE(report.find("* TABLE L *"), std::string::npos);
}

TEST(CapEquilibrium, SingularStiffnessOfAPinnedPileEndsWithCodeSeven) {
    auto m = elasticModel();
    ModelStore& s = *m->store;
    addGroup(s, 0.0, 0.0, 0.0);
    s.work.groups[0].connectionY = kConnectionPinned;
    s.work.groups[0].connectionZ = kConnectionPinned;
    s.analysis.control.minLoadIncrementFactor = 0.3;
    ASSERT_EQ(solve(s, {100.0, 5.0, 0.0, 0.0, 0.0, 0.0}), 0);
    EXPECT_EQ(m->statusLines().back(), "    7 SINGULAR STIFFNESS MATRIX ");
    const std::string report = m->reportText();
    EXPECT_NE(report.find("** WARNING **  DETERMINANT OF STIFFNESS MATRIX IS ZERO"),
              std::string::npos);
    EXPECT_EQ(report.find("* TABLE L *"), std::string::npos);
    // No warning of a cap that did not converge: the matrix was the reason.
    EXPECT_EQ(report.find("PILE CAP DISPL DOES NOT CONVERGE"), std::string::npos);
}

TEST(CapEquilibrium, IdenticalCasesGiveIdenticalResultsWhereverTheyStand) {
    auto m = softClayModel();
    ModelStore& s = *m->store;
    addGroup(s, 0.0, -60.0, 0.0, 0.0, kVertical, false);
    addGroup(s, 0.0, 60.0, 0.0, 0.0, kVertical, false);
    const CapVector load{2.0E5, 3.0E4, -1.0E4, 0.0, 0.0, 0.0};
    s.analysis.control.loadIncrementFactor = 0.5;
    ASSERT_EQ(solve(s, load), 0);
    EXPECT_EQ(s.control.KPYOP, 0);
    const CapVector first = s.capSolution.capDisp;
    ASSERT_EQ(solve(s, {1.0E5, -2.0E4, 0.0, 0.0, 0.0, 0.0}), 0);
    ASSERT_EQ(solve(s, load), 0);
    EXPECT_EQ(s.control.KPYOP, 0);
    EXPECT_EQ(s.capSolution.capDisp, first);

    const std::string report = m->reportText();
    const auto a = linesFrom(report, "* TABLE L *", 14);
    const auto b = linesFrom(report.substr(report.rfind("* TABLE L *") - 10), "* TABLE L *", 14);
    EXPECT_EQ(a, b);
    EXPECT_LT(relativeImbalance(s, load), 1.0E-4);
}

TEST(CapEquilibrium, GroupTurnedAQuarterAboutTheVerticalTurnsItsResponse) {
    // Y goes to Z and Z to -Y; so do the loads and the displacements.
    const std::vector<std::array<double, 2>> heads{{0.0, 0.0}, {72.0, 12.0}, {-30.0, 60.0}};
    const CapVector load{3.0E5, 2.0E4, 1.0E4, 5.0E5, 2.0E6, -1.0E6};
    const CapVector turnedLoad{load[0], -load[2], load[1], load[3], -load[5], load[4]};
    CapVector U[2];
    for (int turn = 0; turn < 2; ++turn) {
        auto m = softClayModel();
        ModelStore& s = *m->store;
        for (const auto& [y, z] : heads)
            addGroup(s, 0.0, turn == 0 ? y : -z, turn == 0 ? z : y, 0.0, kVertical, false);
        s.analysis.control.loadIncrementFactor = 0.5;
        ASSERT_EQ(solve(s, turn == 0 ? load : turnedLoad), 0);
        U[turn] = s.capSolution.capDisp;
    }
    const CapVector expected{U[0][0], -U[0][2], U[0][1], U[0][3], -U[0][5], U[0][4]};
    // Both solutions converged to the cap tolerance 1.0E-6.
    for (int i = 0; i < kCapComponents; ++i)
        EXPECT_NEAR(U[1][i], expected[i], 1.0E-5 * std::fabs(expected[i]) + 1.0E-12) << i;
}

TEST(CapEquilibrium, EmbeddedCapTakesPartOfTheHorizontalLoadAndBalancesIt) {
    CapVector U[2];
    const CapVector load{0.0, 4.0E4, 0.0, 0.0, 0.0, 0.0};
    for (int embedded = 0; embedded < 2; ++embedded) {
        auto m = softClayModel();
        ModelStore& s = *m->store;
        addGroup(s, 0.0, -60.0, 0.0, 0.0, kVertical, false);
        addGroup(s, 0.0, 60.0, 0.0, 0.0, kVertical, false);
        // The ground 30 in above the cap bottom, the cap 36 in thick.
        for (int g = 0; g < 2; ++g)
            s.work.groups[static_cast<std::size_t>(g)].groundBelowHead = -30.0;
        s.control.embeddedCapOption = embedded;
        s.cap.capLengthY = 180.0;
        s.cap.capWidthZ = 120.0;
        s.cap.capThicknessX = 36.0;
        s.analysis.control.loadIncrementFactor = 0.5;
        s.analysis.control.capTolerance = 1.0E-4;
        ASSERT_EQ(solve(s, load), 0);
        ASSERT_EQ(m->statusLines().back(), "    1 ANALYSIS COMPLETED");
        U[embedded] = s.capSolution.capDisp;
        if (embedded == 0) continue;

        // The piles and the passive soil on the cap face together balance the load.
        CapVector F{};
        int status = 0;
        sumPileForces(s, F, status);
        CapVector P{};
        capPassiveResistance(s, P, status);
        EXPECT_LT(P[kForceY], 0.0);
        EXPECT_LT(std::fabs(load[kForceY] + F[kForceY] + P[kForceY]) / load[kForceY], 1.0E-3);
    }
    EXPECT_LT(U[1][kForceY], U[0][kForceY]);
    EXPECT_GT(U[1][kForceY], 0.0);
}

// The records of a scratch file: the run number and the values of each.
std::vector<std::vector<double>> records(const std::string& path) {
    std::vector<std::vector<double>> out;
    for (const std::string& line : testsupport::readLines(path)) {
        std::istringstream in(line);
        std::vector<double> values;
        double v = 0.0;
        while (in >> v)
            values.push_back(v);
        out.push_back(values);
    }
    return out;
}

TEST(CapEquilibrium, FlexibilityRunRecordsTheColumnOfItsDofAndPrintsNoResults) {
    const PileData pileData;
    const ElasticSoil soil;
    auto m = elasticModel(pileData, soil);
    ModelStore& s = *m->store;
    addGroup(s, 0.0, 0.0, 0.0);
    s.files.scratch1 = openForWriting(m->path("scratch1.txt"));
    s.files.scratch2 = openForWriting(m->path("scratch2.txt"));
    CurrentAnalysis::EstimationState& e = s.analysis.estimation;
    e.estimationMode = 2;
    e.estimationDof = 2;
    e.estimationPass = 2;
    e.estimationPassCount = 7;
    e.estimationRun = 3;
    e.levelNo = 1;
    e.level = 0.5;
    ASSERT_EQ(solve(s, {1000.0, 10.0, 0.0, 0.0, 0.0, 0.0}), 0);
    closeFile(s.files.scratch1);
    closeFile(s.files.scratch2);

    const auto first = records(m->path("scratch1.txt"));
    ASSERT_EQ(first.size(), 1U);
    ASSERT_EQ(first[0].size(), 7U);
    EXPECT_EQ(first[0][0], 3.0);
    // Displacement per unit load of a free-head pile: 2 b / k, the rest 0.
    const double b = std::pow(soil.k / (4.0 * pileData.EI), 0.25);
    expectClose(first[0][2], 2.0 * b / soil.k, 1.0E-2);
    EXPECT_NEAR(first[0][1], 0.0, 1.0E-12);
    const auto second = records(m->path("scratch2.txt"));
    ASSERT_EQ(second.size(), 2U);
    EXPECT_EQ(second[0][0], 3.0);
    expectClose(second[0][1], 5.0, 1.0E-6);  // the load of the level
    EXPECT_EQ(second[1], first[0]);

    EXPECT_EQ(m->statusLines().back(), "    1 ANALYSIS COMPLETED");
    EXPECT_EQ(m->reportText().find("* TABLE L *"), std::string::npos);
    EXPECT_EQ(s.analysis.solvedCount, 0);
    EXPECT_NE(testsupport::readFile(m->dir / "progress.txt").find(" DOF:  2/  3 STEP:"),
              std::string::npos);
}

TEST(CapEquilibrium, FlexibleCapAndUnusableIncrementsEndTheRunWithAMessage) {
    auto m = elasticModel();
    ModelStore& s = *m->store;
    addGroup(s, 0.0, 0.0, 0.0);
    s.control.flexibleCapOption = 1;
    EXPECT_EQ(solve(s, {100.0, 0.0, 0.0, 0.0, 0.0, 0.0}), kReturnNotAvailable);
    EXPECT_NE(m->reportText().find("A FLEXIBLE PILE CAP IS SOLVED AS A PLATE MODEL"),
              std::string::npos);
    EXPECT_TRUE(m->statusLines().empty());

    s.control.flexibleCapOption = 0;
    for (const double factor : {0.0, -0.2, 1.5}) {
        s.analysis.control.loadIncrementFactor = factor;
        EXPECT_EQ(solve(s, {100.0, 0.0, 0.0, 0.0, 0.0, 0.0}), kReturnInputRefused);
    }
    s.analysis.control.loadIncrementFactor = 0.5;
    s.analysis.control.minLoadIncrementFactor = 0.0;
    EXPECT_EQ(solve(s, {100.0, 0.0, 0.0, 0.0, 0.0, 0.0}), kReturnInputRefused);
    EXPECT_NE(m->reportText().find("MINIMUM FACTOR FOR LOAD INCREMENTS"), std::string::npos);
}

}  // namespace
}  // namespace pylora

namespace pylora {
namespace {

// Keeps what the cap solution hands a caller's collector about the stiffness.
class StiffnessRecorder final : public captest::QuietCollector {
  public:
    struct Step {
        double factor = 0.0;
        std::vector<double> load, displacement;
        double axial = 0.0, moment = 0.0;
    };
    std::vector<std::vector<double>> matrices;
    std::vector<Step> steps;
    void incrementConverged(const ModelStore&, double factor, std::span<const double> load,
                            std::span<const double> u, int, double axial, double moment) override {
        steps.push_back({factor, {load.begin(), load.end()}, {u.begin(), u.end()}, axial, moment});
    }
    void capStiffnessComputed(const ModelStore&, std::span<const double> k) override {
        matrices.emplace_back(k.begin(), k.end());
    }
};

// One elastic pile under the cap at its origin, the recorder attached.
auto elasticPileRecorded(const PileData& pileData, const ElasticSoil& soil,
                         StiffnessRecorder& recorder) {
    auto m = elasticModel(pileData, soil);
    addGroup(*m->store, 0.0, 0.0, 0.0);
    m->store->resultsCollector = &recorder;
    return m;
}

TEST(CapEquilibrium, FoundationStiffnessOfAnElasticPileIsTheClosedFormHeadStiffness) {
    const PileData pileData;
    const ElasticSoil soil;
    StiffnessRecorder recorder;
    auto m = elasticPileRecorded(pileData, soil, recorder);
    ModelStore& s = *m->store;
    const std::string reportBefore = m->reportText();

    // No axial force: an axial force would soften the bending of the pile
    // (and couple it to the settlement), which the closed form leaves out.
    const CapVector load{0.0, 10.0, -6.0, 40.0, 3.0, -2.0};
    ASSERT_EQ(solve(s, load), 0);
    ASSERT_EQ(recorder.matrices.size(), 1U);
    const std::vector<double>& K = recorder.matrices[0];
    ASSERT_EQ(K.size(), 36U);
    auto at = [&](int row, int column) { return K[static_cast<std::size_t>(row * 6 + column)]; };

    // A long pile on a Winkler foundation of modulus k, b = (k / 4 EI)^(1/4):
    // head stiffness 4 EI b^3 in translation, 2 EI b in rotation, 2 EI b^2
    // between them; the axial and torsional springs as given.
    const double EI = pileData.EI;
    const double b = std::pow(soil.k / (4.0 * EI), 0.25);
    expectClose(at(kForceX, kForceX), soil.ka, 1.0E-6);
    expectClose(at(kMomentX, kMomentX), soil.kt, 1.0E-6);
    for (const int t : {kForceY, kForceZ})
        expectClose(at(t, t), 4.0 * EI * b * b * b, 2.0E-2);
    for (const int r : {kMomentY, kMomentZ})
        expectClose(at(r, r), 2.0 * EI * b, 2.0E-2);
    // The cap turns against a free head's rotation: a lateral y displacement
    // needs a positive Mz, a lateral z displacement a negative My.
    expectClose(at(kMomentZ, kForceY), 2.0 * EI * b * b, 2.0E-2);
    expectClose(at(kMomentY, kForceZ), -2.0 * EI * b * b, 2.0E-2);
    // Symmetric but for the settlement's column: a settlement changes the
    // axial force, which changes the bending of the deflected pile. And the
    // load on the cap per unit displacement: for this linear foundation
    // (no axial force) K u gives back the load.
    for (int i = 1; i < 6; ++i)
        for (int j = 1; j < i; ++j)
            EXPECT_NEAR(at(i, j), at(j, i), 1.0E-6 * std::fabs(at(i, i)) + 1.0E-9) << i << "," << j;
    const CapVector& u = s.capSolution.capDisp;
    for (int i = 0; i < 6; ++i) {
        double Ku = 0.0;
        for (int j = 0; j < 6; ++j)
            Ku += at(i, j) * u[j];
        EXPECT_NEAR(Ku, load[i], 1.0E-4 * 40.0) << "component " << i;
    }

    // Without a collector the stiffness is not computed and the report is the
    // same: the collector's solutions leave the files alone.
    s.resultsCollector = nullptr;
    const std::string withCollector = m->reportText().substr(reportBefore.size());
    ASSERT_EQ(solve(s, load), 0);
    const std::string without = m->reportText().substr(reportBefore.size() + withCollector.size());
    EXPECT_EQ(without, withCollector);
}

TEST(CapEquilibrium, LoadPathOfALinearFoundationIsProportionalAndEndsAtTheFinalState) {
    const PileData pileData;
    const ElasticSoil soil;
    StiffnessRecorder recorder;
    auto m = elasticPileRecorded(pileData, soil, recorder);
    ModelStore& s = *m->store;
    s.analysis.control.loadIncrementFactor = 0.25;

    const CapVector load{0.0, 10.0, -6.0, 40.0, 3.0, -2.0};
    ASSERT_EQ(solve(s, load), 0);
    ASSERT_EQ(recorder.steps.size(), 4U);
    const CapVector& final = s.capSolution.capDisp;
    for (std::size_t k = 0; k < recorder.steps.size(); ++k) {
        const StiffnessRecorder::Step& step = recorder.steps[k];
        EXPECT_DOUBLE_EQ(step.factor, 0.25 * static_cast<double>(k + 1));
        for (int i = 0; i < kCapComponents; ++i) {
            EXPECT_NEAR(step.load[static_cast<std::size_t>(i)], step.factor * load[i], 1.0E-12);
            EXPECT_NEAR(step.displacement[static_cast<std::size_t>(i)], step.factor * final[i],
                        1.0E-6 * std::fabs(final[i]) + 1.0E-12)
                << "step " << k << ", component " << i;
        }
        // The head carries the whole load of the one pile: no axial force,
        // and the moment the cap rotation leaves at the head.
        EXPECT_NEAR(step.axial, 0.0, 1.0E-9);
        EXPECT_GT(step.moment, 0.0);
    }
    for (int i = 0; i < kCapComponents; ++i)
        EXPECT_EQ(recorder.steps.back().displacement[static_cast<std::size_t>(i)], final[i]);

    // An axial load: the largest head force is the load on the one pile.
    recorder.steps.clear();
    ASSERT_EQ(solve(s, CapVector{500.0, 0.0, 0.0, 0.0, 0.0, 0.0}), 0);
    ASSERT_FALSE(recorder.steps.empty());
    EXPECT_NEAR(recorder.steps.back().axial, 500.0, 500.0 * 1.0E-6);
}

}  // namespace
}  // namespace pylora
