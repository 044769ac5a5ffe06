// SPDX-License-Identifier: Apache-2.0
// The two-dimensional cap solution: a row of elastic piles against the
// closed-form long pile and its axial spring, a symmetric battered pair, a row
// moved off the origin, the forward-difference stiffness against central
// differences, the count of force sums per iteration, the perturbations of
// the two units systems, the singular cap, the completion codes 2, 3 and 6
// with what they print, the bearing warnings, identical cases, and the
// cross-check against the three-dimensional cap solution.

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "cap/cap_2d.h"
#include "cap/cap_equilibrium_3d.h"
#include "cap/pile_in_cap.h"
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

// The store as the preparation leaves a two-dimensional model.
void makeTwoDimensional(ModelStore& s) {
    s.control.analysisType = 2;
    s.analysis.dofCount = 3;
}

// Adds a row of n piles with its head at VERT = V, HOR = H and the batter b
// (radians); returns its number.
int addRow(ModelStore& s, double V, double H, double b, double n, bool userPy = true) {
    const int g = addGroup(s, V, H, 0.0, 0.0, kVertical, userPy);
    PileGroupWork& w = s.work.groups[static_cast<std::size_t>(g - 1)];
    w.batter = b;
    w.pileCount = n;
    return g;
}

// Solves the two-dimensional model for (vertical load, horizontal load,
// moment) and returns errorFlag.
int solve2D(ModelStore& s, const CapVector2D& load) {
    s.analysis.capLoad = CapVector{load[0], load[1], 0.0, 0.0, 0.0, load[2]};
    int echoSwitch = 0;
    int errorFlag = 0;
    solveCap2D(s, echoSwitch, errorFlag);
    return errorFlag;
}

// The largest out-of-balance component at the cap displacement, relative to
// the largest load component.
double relativeImbalance(ModelStore& s, const CapVector2D& load) {
    CapVector2D F{};
    int status = 0;
    sumPileForces2D(s, s.capSolution2D.capDisp2D, F, status);
    EXPECT_EQ(status, 0);
    double largest = 0.0;
    double imbalance = 0.0;
    for (std::size_t i = 0; i < 3; ++i) {
        largest = std::max(largest, std::fabs(load[i]));
        imbalance = std::max(imbalance, std::fabs(load[i] - F[i]));
    }
    return imbalance / largest;
}

int countLinesStartingWith(const std::vector<std::string>& lines, const std::string& start) {
    int count = 0;
    for (const std::string& line : lines)
        if (line.rfind(start, 0) == 0) count += 1;
    return count;
}

TEST(Cap2D, RowOfElasticPilesFollowsTheAxialSpringAndTheClosedFormFreeHeadPile) {
    const PileData pileData;
    const ElasticSoil soil;
    auto m = elasticModel(pileData, soil);
    ModelStore& s = *m->store;
    makeTwoDimensional(s);
    const double n = 3.0;
    addRow(s, 0.0, 0.0, 0.0, n);

    // A vertical load: each pile of the row takes a third on its spring.
    const double V = 600.0;
    ASSERT_EQ(solve2D(s, {V, 0.0, 0.0}), 0);
    const CapVector2D& U = s.capSolution2D.capDisp2D;
    expectClose(U[0], V / (n * soil.ka), 1.0E-9);
    EXPECT_NEAR(U[1], 0.0, 1.0E-12);
    EXPECT_NEAR(U[2], 0.0, 1.0E-12);

    // A horizontal load without a cap moment: the cap turns until the pile
    // heads carry no moment, each pile a free-head long pile under H / n,
    // y0 = 2 (H / n) b / k and dy/dx = -2 (H / n) b^2 / k, b = (k / 4 EI)^(1/4).
    const double H = 30.0;
    ASSERT_EQ(solve2D(s, {0.0, H, 0.0}), 0);
    const double b = std::pow(soil.k / (4.0 * pileData.EI), 0.25);
    // Within the discretisation error of 100 increments, h b = 0.1.
    expectClose(U[1], 2.0 * (H / n) * b / soil.k, 1.0E-2);
    expectClose(U[2], -2.0 * (H / n) * b * b / soil.k, 1.0E-2);
    EXPECT_NEAR(U[0], 0.0, 1.0E-12);
    EXPECT_LT(relativeImbalance(s, {0.0, H, 0.0}), 1.0E-6);
    // The displacement also stands in the cap vector of the store, in the
    // places of force X, force Y and moment Z.
    EXPECT_EQ(s.capSolution.capDisp[kForceY], U[1]);
    EXPECT_EQ(s.capSolution.capDisp[kMomentZ], U[2]);

    const std::vector<std::string> status = m->statusLines();
    ASSERT_EQ(status.size(), 2U);
    EXPECT_EQ(status[0], "    1 ANALYSIS COMPLETED");
    EXPECT_EQ(status[1], "    1 ANALYSIS COMPLETED");
    EXPECT_EQ(s.analysis.solvedCount, 2);

    // TABLE L in its two-dimensional layout, in the report and the results
    // data file.
    const std::string report = m->reportText();
    const auto table =
        linesFrom(report.substr(report.rfind("* TABLE L *") - 10), "* TABLE L *", 16);
    ASSERT_EQ(table.size(), 16U);
    EXPECT_EQ(table[0], "     * TABLE L *   COMPUTATION ON PILE CAP");
    EXPECT_EQ(table[3], "     * EQUIVALENT CONC. LOAD AT ORIGIN *");
    EXPECT_EQ(table[4], "             VERT. LOAD, LBS    HORI. LOAD, LBS    MOMENT,IN-LBS");
    EXPECT_EQ(table[5], "                 0.00000            30.0000            0.00000 ");
    EXPECT_EQ(table[8], "     * DISPLACEMENT OF GROUPED PILE FOUNDATION AT ORIGIN *");
    EXPECT_EQ(table[11], "                VERTICAL,IN      HORIZONTAL,IN     ROTATION,RAD");
    EXPECT_EQ(table[15], "          NUMBER OF ITERATIONS =   2");
    EXPECT_NE(report.find("* TABLE M *   COMPUTATION ON INDIVIDUAL PILE"), std::string::npos);
    std::fflush(s.files.resultsData.get());
    const std::vector<std::string> data = testsupport::readLines(m->dir / "results.txt");
    int loadLines = 0;
    for (std::size_t i = 0; i + 1 < data.size(); ++i) {
        if (data[i] != "* EQUIVALENT CONC. LOAD AT ORIGIN *") continue;
        std::istringstream row(data[i + 1]);
        double v = 0.0;
        int count = 0;
        while (row >> v)
            count += 1;
        EXPECT_EQ(count, 3);
        loadLines += 1;
    }
    EXPECT_EQ(loadLines, 2);
    EXPECT_EQ(countLinesStartingWith(m->runtimeLines(), "          NUMBER OF GLOBAL ITERATIONS = "),
              2);
    EXPECT_EQ(countLinesStartingWith(m->runtimeLines(), "ERR1"), 0);
}

TEST(Cap2D, SymmetricPairOfBatteredRowsSettlesWithoutRotationAndWithoutSway) {
    auto m = softClayModel();
    ModelStore& s = *m->store;
    makeTwoDimensional(s);
    const double batter = std::atan(0.25);
    addRow(s, 0.0, -48.0, -batter, 4.0, false);
    addRow(s, 0.0, 48.0, batter, 4.0, false);
    s.analysis.control.loadIncrementFactor = 0.5;
    const CapVector2D load{6.0E5, 0.0, 0.0};
    ASSERT_EQ(solve2D(s, load), 0);
    EXPECT_EQ(m->statusLines().back(), "    1 ANALYSIS COMPLETED");
    const CapVector2D& U = s.capSolution2D.capDisp2D;
    EXPECT_GT(U[0], 0.0);
    // Rounding of the two mirror-image pile solutions only.
    EXPECT_NEAR(U[1], 0.0, 1.0E-9 * U[0]);
    EXPECT_NEAR(U[2], 0.0, 1.0E-9 * U[0] / 48.0);
    EXPECT_LT(relativeImbalance(s, load), 1.0E-4);
}

TEST(Cap2D, RowMovedOffTheOriginUnderTheLoadMovedAlikeCarriesTheSameForces) {
    // The head displacements and forces of the pile are what matter: the cap
    // translations at the two origins differ by the rotation times e.
    const double e = 36.0;
    const CapVector2D load{2.0E5, 1.5E4, 4.0E5};
    double ua[2] = {};
    double y[2] = {};
    double theta[2] = {};
    double force[2] = {};
    double moment[2] = {};
    for (int moved = 0; moved < 2; ++moved) {
        auto m = softClayModel();
        ModelStore& s = *m->store;
        makeTwoDimensional(s);
        addRow(s, 0.0, moved == 1 ? e : 0.0, 0.0, 3.0, false);
        s.analysis.control.loadIncrementFactor = 0.5;
        // A vertical load standing at HOR = e has the moment -V e at the origin.
        const CapVector2D applied{load[0], load[1], load[2] - (moved == 1 ? load[0] * e : 0.0)};
        ASSERT_EQ(solve2D(s, applied), 0);
        const CapVector2D U = s.capSolution2D.capDisp2D;
        ua[moved] = U[0] - (moved == 1 ? e : 0.0) * U[2];
        y[moved] = U[1];
        theta[moved] = U[2];
        CapVector2D F{};
        int status = 0;
        sumPileForces2D(s, U, F, status);
        ASSERT_EQ(status, 0);
        force[moved] = s.pileScratch.head.headForceY;
        moment[moved] = s.pileScratch.head.headMomentXY;
    }
    // Both solutions converged to the cap tolerance 1.0E-6.
    expectClose(ua[1], ua[0], 1.0E-5);
    expectClose(y[1], y[0], 1.0E-5);
    expectClose(theta[1], theta[0], 1.0E-5);
    expectClose(force[1], force[0], 1.0E-4);
    expectClose(moment[1], moment[0], 1.0E-4);
}

TEST(Cap2D, ForwardDifferenceStiffnessAgreesWithCentralDifferences) {
    auto m = softClayModel();
    ModelStore& s = *m->store;
    makeTwoDimensional(s);
    addRow(s, 0.0, -60.0, -0.2, 2.0, false);
    addRow(s, 0.0, 60.0, 0.0, 2.0, false);
    const CapVector2D U{0.05, 0.3, -4.0E-4};
    CapVector2D F{};
    CapMatrix2D K{};
    int status = 0;
    const long long before = s.capSolution2D.forceSumCount;
    capStiffness2D(s, U, F, K, status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(s.capSolution2D.forceSumCount - before, 4);

    // Central differences with steps large against the rounding of the
    // iterative pile solutions: 1.0E-3 in, 1.0E-5 radian.
    const CapVector2D steps{1.0E-3, 1.0E-3, 1.0E-5};
    double largest = 0.0;
    for (double v : K)
        largest = std::max(largest, std::fabs(v));
    for (int j = 0; j < 3; ++j) {
        CapVector2D plus = U;
        CapVector2D minus = U;
        plus[static_cast<std::size_t>(j)] += steps[static_cast<std::size_t>(j)];
        minus[static_cast<std::size_t>(j)] -= steps[static_cast<std::size_t>(j)];
        CapVector2D Fp{};
        CapVector2D Fm{};
        sumPileForces2D(s, plus, Fp, status);
        sumPileForces2D(s, minus, Fm, status);
        ASSERT_EQ(status, 0);
        for (int i = 0; i < 3; ++i) {
            const double central =
                (Fp[static_cast<std::size_t>(i)] - Fm[static_cast<std::size_t>(i)]) /
                (2.0 * steps[static_cast<std::size_t>(j)]);
            const double column = K[static_cast<std::size_t>(i + 3 * j)];
            // Nonlinear soil: the one-sided difference errs by about half the
            // curvature times its step; a part in a thousand of the stiffness.
            EXPECT_NEAR(column, central, 1.0E-3 * std::fabs(central) + 1.0E-6 * largest)
                << "K(" << i << ", " << j << ")";
        }
    }
}

TEST(Cap2D, EachGlobalIterationSumsThePileForcesFourTimesOrSevenWithAnEmbeddedCap) {
    double sway[2] = {};
    for (int embedded = 0; embedded < 2; ++embedded) {
        auto m = softClayModel();
        ModelStore& s = *m->store;
        makeTwoDimensional(s);
        addRow(s, 0.0, -60.0, 0.0, 3.0, false);
        addRow(s, 0.0, 60.0, 0.0, 3.0, false);
        for (int g = 0; g < 2; ++g)
            s.work.groups[static_cast<std::size_t>(g)].groundBelowHead = -30.0;
        s.control.embeddedCapOption = embedded;
        // The ground 30 in above the cap bottom, the cap 36 in thick.
        s.cap.capLengthY = 180.0;
        s.cap.capWidthZ = 120.0;
        s.cap.capThicknessX = 36.0;
        s.analysis.control.capTolerance = 1.0E-4;
        const CapVector2D load{1.0E5, 3.0E4, 0.0};
        s.capSolution2D.forceSumCount = 0;
        ASSERT_EQ(solve2D(s, load), 0);
        ASSERT_EQ(m->statusLines().back(), "    1 ANALYSIS COMPLETED");
        const int iterations = countLinesStartingWith(m->runtimeLines(), "     ITERATION ");
        ASSERT_GE(iterations, 2);
        // And one more on the printing pass.
        EXPECT_EQ(s.capSolution2D.forceSumCount, (embedded == 1 ? 7 : 4) * iterations + 1);
        sway[embedded] = s.capSolution2D.capDisp2D[1];
        if (embedded == 0) continue;

        // The piles and the passive soil on the cap face balance the load: F
        // opposes the horizontal load.
        EXPECT_GT(s.capSolution2D.passiveForce2D, 0.0);
        CapVector2D F{};
        int status = 0;
        sumPileForces2D(s, s.capSolution2D.capDisp2D, F, status);
        EXPECT_LT(std::fabs(load[1] - s.capSolution2D.passiveForce2D - F[1]) / load[1], 1.0E-3);
    }
    // The passive soil takes part of the horizontal load.
    EXPECT_GT(sway[1], 0.0);
    EXPECT_LT(sway[1], sway[0]);
}

TEST(Cap2D, TranslationsArePerturbedByAHundredThousandthInchOrTheSameInMetresRotationsByE8) {
    // A load-settlement curve with a kink at 0.01: a forward difference that
    // straddles the kink by half its step gives the mean of the two slopes
    // exactly, and any other step something else.
    const double kink = 0.01;
    const double soft = 1.0E3;
    const double stiff = 5.0E3;
    for (const int units : {1, 2}) {
        auto m = elasticModel();
        ModelStore& s = *m->store;
        makeTwoDimensional(s);
        s.control.unitsSystem = units;
        const double lever = 100.0;
        addRow(s, 0.0, lever, 0.0, 1.0);
        captest::setCurve(s.userLsCurves.rows[0], {{-1.0, -stiff},
                                                   {0.0, 0.0},
                                                   {kink, stiff * kink},
                                                   {1.0, stiff * kink + soft * (1.0 - kink)}});
        const double translation = units == 2 ? 2.54E-7 : 1.0E-5;
        CapVector2D F{};
        CapMatrix2D K{};
        int status = 0;
        capStiffness2D(s, {kink - 0.5 * translation, 0.0, 0.0}, F, K, status);
        ASSERT_EQ(status, 0);
        expectClose(K[0], 0.5 * (stiff + soft), 1.0E-4);

        // The rotation moves the head of the row at HOR = 100 axially by
        // -100 theta: straddle the kink by half the rotation step of 1.0E-8.
        const double rotation = 1.0E-8;
        capStiffness2D(s, {kink + 0.5 * rotation * lever, 0.0, 0.0}, F, K, status);
        ASSERT_EQ(status, 0);
        // d vertical force / d theta = -lever x mean slope.
        expectClose(K[6], -lever * 0.5 * (stiff + soft), 1.0E-4);
    }
}

TEST(Cap2D, OnePinnedVerticalRowCannotCarryAMomentAndEndsWithCodeSeven) {
    auto m = elasticModel();
    ModelStore& s = *m->store;
    makeTwoDimensional(s);
    addRow(s, 0.0, 0.0, 0.0, 4.0);
    s.work.groups[0].connectionY = kConnectionPinned;
    s.analysis.control.minLoadIncrementFactor = 0.3;
    ASSERT_EQ(solve2D(s, {100.0, 5.0, 0.0}), 0);
    EXPECT_EQ(m->statusLines().back(), "    7 SINGULAR STIFFNESS MATRIX ");
    const std::string report = m->reportText();
    EXPECT_NE(report.find("     ** WARNING **  DETERMINANT OF STIFFNESS MATRIX IS ZERO"),
              std::string::npos);
    EXPECT_EQ(report.find("* TABLE L *"), std::string::npos);
    EXPECT_EQ(report.find("PILE CAP DISPL DOES NOT CONVERGE"), std::string::npos);
    EXPECT_EQ(s.analysis.solvedCount, 0);
}

std::vector<std::string> tcurOfSteps(const std::vector<std::string>& runtime) {
    std::vector<std::string> tcur;
    for (const std::string& line : runtime)
        if (line.rfind("     STEP ", 0) == 0) tcur.push_back(line.substr(22, 10));
    return tcur;
}

TEST(Cap2D, FirstIncrementThatNeverConvergesEndsWithCodeThreeAndNoTableL) {
    auto m = softClayModel();
    ModelStore& s = *m->store;
    makeTwoDimensional(s);
    addRow(s, 0.0, 0.0, 0.0, 2.0, false);
    CurrentAnalysis::ControlBlock& c = s.analysis.control;
    c.capTolerance = 0.0;  // only a vanishing correction could pass
    c.maxCapIterations = 1;
    c.loadIncrementFactor = 0.5;
    c.minLoadIncrementFactor = 0.1;
    ASSERT_EQ(solve2D(s, {1.0E4, 2.0E4, 0.0}), 0);

    EXPECT_EQ(m->statusLines().back(), "    3 NO CONVERGENCE ON PILE CAP");
    const std::string report = m->reportText();
    EXPECT_EQ(report.find("* TABLE L *"), std::string::npos);
    EXPECT_EQ(report.find("* TABLE M *"), std::string::npos);
    EXPECT_NE(
        report.find("** WARNING **  PILE CAP DISPL DOES NOT CONVERGE AFTER,    1  ITERATIONS"),
        std::string::npos);
    const std::vector<std::string> expected{"    0.5000", "    0.2500", "    0.1250"};
    EXPECT_EQ(tcurOfSteps(m->runtimeLines()), expected);
    EXPECT_EQ(s.analysis.solvedCount, 0);
}

TEST(Cap2D, PileThatNeverClosesEndsWithCodeSixAndTheWarningOfTheCap) {
    // Soft clay under a large horizontal load does not close in two solves.
    auto m = softClayModel();
    ModelStore& s = *m->store;
    makeTwoDimensional(s);
    addRow(s, 0.0, 0.0, 0.0, 1.0, false);
    CurrentAnalysis::ControlBlock& c = s.analysis.control;
    c.maxPileIterations = 2;
    c.maxCapIterations = 3;
    c.loadIncrementFactor = 0.5;
    c.minLoadIncrementFactor = 0.2;
    ASSERT_EQ(solve2D(s, {1.0E4, 4.0E4, 0.0}), 0);
    EXPECT_EQ(m->statusLines().back(), "    6 NO CONVERGENCE ON PILES   ");
    const std::string report = m->reportText();
    // Unlike the three-dimensional cap, the two-dimensional one also says
    // that the cap did not converge.
    EXPECT_NE(
        report.find("** WARNING **  PILE CAP DISPL DOES NOT CONVERGE AFTER,    3  ITERATIONS"),
        std::string::npos);
    EXPECT_EQ(report.find("* TABLE L *"), std::string::npos);
    EXPECT_EQ(s.pileSolution.capAbortFlag, 0);
}

TEST(Cap2D, FailureAfterConvergedIncrementsReportsTheLastConvergedStateWithCodeTwo) {
    // The axial curve is stiff up to 0.01 (100 at 0.01) and soft beyond: with
    // one iteration allowed an increment across the kink cannot converge,
    // one within a branch converges at once.
    auto m = elasticModel();
    ModelStore& s = *m->store;
    makeTwoDimensional(s);
    addRow(s, 0.0, 0.0, 0.0, 2.0);
    captest::setCurve(s.userLsCurves.rows[0],
                      {{-1.0, -1.0E4}, {0.0, 0.0}, {0.01, 100.0}, {10.0, 100.0 + 1.0E3 * 9.99}});
    CurrentAnalysis::ControlBlock& c = s.analysis.control;
    c.maxCapIterations = 1;
    c.loadIncrementFactor = 0.3;
    c.minLoadIncrementFactor = 0.05;
    // Two piles: 400 is 200 a pile.
    ASSERT_EQ(solve2D(s, {400.0, 0.0, 0.0}), 0);

    const std::vector<std::string> steps{"    0.3000", "    0.6000", "    0.4500", "    0.6000",
                                         "    0.5250"};
    EXPECT_EQ(tcurOfSteps(m->runtimeLines()), steps);
    EXPECT_EQ(m->statusLines().back(), "    2 SOLUTION AT    45.00 % OF THE TOTAL LOAD");
    const std::string report = m->reportText();
    EXPECT_NE(report.find("  Results are for    45.00% of the total load"), std::string::npos);
    EXPECT_NE(report.find("  Pylora could not get a solution for 100% for the load"),
              std::string::npos);
    // A pile that did not converge is not the reason: the cap is.
    EXPECT_NE(report.find("PILE CAP DISPL DOES NOT CONVERGE AFTER,    1  ITERATIONS"),
              std::string::npos);

    // TABLE L holds the state of 0.45: 90 a pile on the stiff branch, 0.009.
    const auto table = linesFrom(report, "* TABLE L *", 13);
    ASSERT_EQ(table.size(), 13U);
    EXPECT_EQ(table[5], "                 180.000            0.00000            0.00000 ");
    std::istringstream disp(table[12]);
    double vertical = 0.0;
    disp >> vertical;
    EXPECT_NEAR(vertical, 0.009, 1.0E-8);
    EXPECT_DOUBLE_EQ(s.capSolution.loadFactor, 0.45);
}

TEST(Cap2D, BearingWarningsOfTheLastIterationAreReportedWithTheirDetails) {
    // The load-settlement curve ends at a settlement of 0.01 (force 50): a
    // load of 60 or more drives the pile beyond it.
    auto m = elasticModel();
    ModelStore& s = *m->store;
    makeTwoDimensional(s);
    addRow(s, 0.0, 0.0, 0.0, 1.0);
    captest::setCurve(s.userLsCurves.rows[0], {{-0.01, -50.0}, {0.01, 50.0}});
    CurrentAnalysis::ControlBlock& c = s.analysis.control;
    c.loadIncrementFactor = 0.4;
    c.minLoadIncrementFactor = 0.15;
    ASSERT_EQ(solve2D(s, {100.0, 0.0, 0.0}), 0);

    EXPECT_EQ(m->statusLines().back(), "    2 SOLUTION AT    40.00 % OF THE TOTAL LOAD");
    const std::string report = m->reportText();
    const auto block = linesFrom(report, "SOME PILES, MAY FAIL IN BEARING!", 5);
    ASSERT_EQ(block.size(), 5U);
    EXPECT_EQ(block[0], "     ** WARNING **  SOME PILES, MAY FAIL IN BEARING!");
    EXPECT_EQ(block[4].rfind("     ** WARNING **  APPARENT FAILURE IN BEARING", 0), 0U);
    EXPECT_EQ(report.find("MAY FAIL IN TORSION"), std::string::npos);
    EXPECT_NE(report.find("* TABLE L *"), std::string::npos);
}

TEST(Cap2D, IdenticalCasesGiveIdenticalResultsWhereverTheyStand) {
    auto m = softClayModel();
    ModelStore& s = *m->store;
    makeTwoDimensional(s);
    addRow(s, 0.0, -60.0, -0.24, 4.0, false);
    addRow(s, 0.0, 0.0, 0.0, 4.0, false);
    addRow(s, 0.0, 60.0, 0.0, 4.0, false);
    const CapVector2D load{4.8E5, 6.0E4, -1.2E6};
    s.analysis.control.loadIncrementFactor = 0.25;
    s.control.KPYOP = 2;
    ASSERT_EQ(solve2D(s, load), 0);
    EXPECT_EQ(s.control.KPYOP, 0);
    const CapVector2D first = s.capSolution2D.capDisp2D;
    ASSERT_EQ(solve2D(s, {1.0E5, -2.0E4, 0.0}), 0);
    ASSERT_EQ(solve2D(s, load), 0);
    EXPECT_EQ(s.capSolution2D.capDisp2D, first);

    const std::string report = m->reportText();
    const auto a = linesFrom(report, "* TABLE L *", 16);
    const auto b = linesFrom(report.substr(report.rfind("* TABLE L *") - 10), "* TABLE L *", 16);
    EXPECT_EQ(a, b);
    EXPECT_LT(relativeImbalance(s, load), 1.0E-4);
    for (const std::string& line : m->statusLines())
        EXPECT_EQ(line, "    1 ANALYSIS COMPLETED");
}

TEST(Cap2D, RowOfPilesAgreesWithTheThreeDimensionalCapOfTheSamePilesAcrossThePlane) {
    // Three piles at Z = -48, 0, 48 in the three-dimensional model are the
    // one row of three piles of the two-dimensional model: under loads in the
    // plane they move alike, each with the two-dimensional head values.
    const double V = 3.0E5;
    const double H = 4.5E4;
    const double M = -1.5E6;
    CapVector U3{};
    CapVector2D U2{};
    for (int model = 0; model < 2; ++model) {
        auto m = softClayModel();
        ModelStore& s = *m->store;
        s.analysis.control.loadIncrementFactor = 0.5;
        if (model == 0) {
            for (const double z : {-48.0, 0.0, 48.0})
                addGroup(s, 0.0, 0.0, z, 0.0, kVertical, false);
            s.analysis.capLoad = {V, H, 0.0, 0.0, 0.0, M};
            int curveSwitch = 0;
            int errorFlag = 0;
            solveCapEquilibrium3D(s, curveSwitch, errorFlag);
            ASSERT_EQ(errorFlag, 0);
            U3 = s.capSolution.capDisp;
        } else {
            makeTwoDimensional(s);
            addRow(s, 0.0, 0.0, 0.0, 3.0, false);
            ASSERT_EQ(solve2D(s, {V, H, M}), 0);
            U2 = s.capSolution2D.capDisp2D;
        }
        ASSERT_EQ(m->statusLines().back(), "    1 ANALYSIS COMPLETED");
    }
    // The single-plane and the biaxial solver share the discretisation, and
    // both cap solutions converged to the cap tolerance 1.0E-6.
    expectClose(U2[0], U3[kForceX], 1.0E-6);
    expectClose(U2[1], U3[kForceY], 1.0E-6);
    expectClose(U2[2], U3[kMomentZ], 1.0E-6);
}

}  // namespace
}  // namespace pylora

namespace pylora {
namespace {

// The two-dimensional model reached through the plate solution: the
// per-pile analysis with the analysis-type flag 2 and its sum over the pile
// groups carry the same forces as the two-dimensional force sum, for battered
// rows away from the origin; its stiffness has the rows and columns of the
// three plane DOFs, -1 on the other diagonal entries and 0 elsewhere.
TEST(Cap2D, PlaneBranchOfThePerPileAnalysisGivesTheForcesOfTheTwoDimensionalSum) {
    auto m = elasticModel();
    ModelStore& s = *m->store;
    makeTwoDimensional(s);
    addRow(s, 2.0, -30.0, 0.25, 2.0);
    addRow(s, 2.0, 30.0, -0.15, 3.0);
    const CapVector2D U{0.02, 0.05, 0.001};
    CapVector2D planar{};
    int status = 0;
    sumPileForces2D(s, U, planar, status);
    ASSERT_EQ(status, 0);

    s.capSolution.capDisp = CapVector{U[0], U[1], 0.0, 0.0, 0.0, U[2]};
    CapVector spatial{};
    sumPileForces(s, spatial, status);
    ASSERT_EQ(status, 0);
    // One solver, the same displacements: the two routes agree to rounding.
    expectClose(spatial[kForceX], planar[0], 1.0E-10);
    expectClose(spatial[kForceY], planar[1], 1.0E-10);
    expectClose(spatial[kMomentZ], planar[2], 1.0E-10);
    EXPECT_EQ(spatial[kForceZ], 0.0);
    EXPECT_EQ(spatial[kMomentX], 0.0);
    EXPECT_EQ(spatial[kMomentY], 0.0);

    // A single row at the origin: the head stiffness is the tangent of the
    // two-dimensional sum, taken here by central differences of that sum.
    auto single = elasticModel();
    ModelStore& t = *single->store;
    makeTwoDimensional(t);
    addRow(t, 0.0, 0.0, 0.25, 2.0);
    CapMatrix K{};
    pileHeadStiffness(t, t.pileScratch, 1, K, CapVector{U[0], U[1], 0.0, 0.0, 0.0, U[2]}, status);
    ASSERT_EQ(status, 0);
    const int plane[] = {kForceX, kForceY, kMomentZ};
    const double steps[] = {1.0E-7, 1.0E-7, 1.0E-9};
    for (int j = 0; j < 3; ++j) {
        CapVector2D plus = U;
        CapVector2D minus = U;
        plus[static_cast<std::size_t>(j)] += steps[j];
        minus[static_cast<std::size_t>(j)] -= steps[j];
        CapVector2D Fp{};
        CapVector2D Fm{};
        sumPileForces2D(t, plus, Fp, status);
        sumPileForces2D(t, minus, Fm, status);
        for (int i = 0; i < 3; ++i) {
            const double expected =
                (Fp[static_cast<std::size_t>(i)] - Fm[static_cast<std::size_t>(i)]) /
                (2.0 * steps[j]);
            // Differences of an iterative solution: agreement to 1.0E-6.
            expectClose(K[static_cast<std::size_t>(plane[i] + 6 * plane[j])], expected, 1.0E-6);
        }
    }
    for (int i = 0; i < 6; ++i) {
        for (int j = 0; j < 6; ++j) {
            const bool inPlane = (i == 0 || i == 1 || i == 5) && (j == 0 || j == 1 || j == 5);
            if (inPlane) continue;
            const double expected = (i == j) ? -1.0 : 0.0;
            EXPECT_EQ(K[static_cast<std::size_t>(i + 6 * j)], expected) << i << ", " << j;
        }
    }
}

}  // namespace
}  // namespace pylora
