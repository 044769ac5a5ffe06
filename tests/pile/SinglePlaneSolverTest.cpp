// SPDX-License-Identifier: Apache-2.0
// The single-plane solver on layered soft clay and on constant-modulus
// soil: the discrete beam-column equation and the tip conditions hold at the
// closed solution, the secant iteration closes on the p-y curves, the
// iteration limit, the failures and what the printing pass writes.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "format/format.h"
#include "pile/beam_column.h"
#include "pile/pile_status.h"
#include "pile/single_plane_solver.h"
#include "soil/py_evaluation.h"
#include "tests/pile/pile_test_support.h"

namespace pylora {
namespace {

using piletest::contentsOf;
using piletest::expectClose;
using piletest::layeredSoftClayPile;
using piletest::linearSoilPile;
using piletest::linesOf;
using piletest::PileSetup;

// The largest residual of (EI y'')'' + Q y'' + Es y = w over nodes 1 .. N,
// relative to the largest of its terms, and of the two tip conditions.
struct Residuals {
    double equation = 0.0;
    double tipMoment = 0.0;
    double tipShear = 0.0;
};

Residuals residualsOf(const ModelStore& store, const PlaneWork& plane, double Q) {
    const PileWork& work = store.pileScratch.work;
    const int N = work.N;
    const double h = work.h;
    const auto y = [&](int k) { return nodeAt(plane.y, k); };
    const auto R = [&](int k) { return nodeAt(plane.R, k); };
    const auto second = [&](int k) { return y(k - 1) - 2.0 * y(k) + y(k + 1); };
    Residuals r;
    double scale = 0.0;
    double largest = 0.0;
    for (int k = 1; k <= N; ++k) {
        const double bending =
            (R(k - 1) * second(k - 1) - 2.0 * R(k) * second(k) + R(k + 1) * second(k + 1)) /
            (h * h * h * h);
        const double axial = Q * second(k) / (h * h);
        const double soil = nodeAt(work.Es, k) * y(k);
        const double load = nodeAt(plane.w, k);
        largest = std::max(largest, std::fabs(bending + axial + soil - load));
        scale = std::max({scale, std::fabs(bending), std::fabs(axial), std::fabs(soil)});
    }
    r.equation = largest / scale;
    const double yScale = std::fabs(y(0));
    r.tipMoment = std::fabs(second(N)) / yScale;
    const double g = (Q * h * h - 2.0 * R(N)) / R(N);
    r.tipShear = std::fabs(y(N - 2) - y(N + 2) + g * (y(N - 1) - y(N + 1))) / yScale;
    return r;
}

TEST(SinglePlaneSolver, ClosedSolutionSatisfiesTheBeamColumnAndTheFreeTip) {
    for (const int connection : {kConnectionPinned, kConnectionFixed, kConnectionRestrained}) {
        for (const double Q : {0.0, 2.0E5, -1.0E5}) {
            SCOPED_TRACE(testing::Message() << "connection " << connection << ", Q " << Q);
            PileSetup setup;
            setup.connectionY = connection;
            setup.springY = 1.0E9;
            auto store = layeredSoftClayPile(setup);
            double H = 0.0;
            int status = 0;
            solveSinglePlanePile(*store, store->pileScratch, 1, 0.5, 0.001, Q, H, status);
            ASSERT_EQ(status, 0);
            ASSERT_EQ(store->pileScratch.capAbortFlag, 0);
            const Residuals r = residualsOf(*store, store->pileScratch.work.planes[0], Q);
            // Round-off of a direct banded solve with EI h^-4 near 1e7 times Es.
            EXPECT_LT(r.equation, 1.0E-7);
            EXPECT_LT(r.tipMoment, 1.0E-9);
            EXPECT_LT(r.tipShear, 1.0E-9);
        }
    }
}

TEST(SinglePlaneSolver, SecantIterationClosesOnTheSoftClayCurves) {
    auto store = layeredSoftClayPile();
    store->analysis.control.deflectionTolerance = 1.0E-10;
    double H = 0.0;
    int status = 0;
    solveSinglePlanePile(*store, store->pileScratch, 1, 0.5, 0.0, 0.0, H, status);
    ASSERT_EQ(status, 0);
    const PileWork& work = store->pileScratch.work;
    EXPECT_GE(work.iterationCount, 2);

    // The moduli of the last solve came from the deflections before it; at
    // closure they differ from the curves at the final deflections only as
    // much as the deflections still moved (the tolerance, 1e-10 of 0.5).
    const NodalArray used = work.Es;
    LateralPyState& py = store->pileScratch.py;
    for (int k = 0; k <= work.N; ++k)
        py.pyDeflection[static_cast<std::size_t>(k)] = nodeAt(work.planes[0].y, k);
    generatePyModuli(*store, store->pileScratch, 1, status);
    ASSERT_EQ(status, 0);
    double reactionChange = 0.0;
    double reaction = 0.0;
    for (int k = 0; k <= work.N; ++k) {
        const double y = nodeAt(work.planes[0].y, k);
        reactionChange +=
            std::fabs((py.pyModulus[static_cast<std::size_t>(k)] - nodeAt(used, k)) * y);
        reaction += std::fabs(nodeAt(used, k) * y);
    }
    EXPECT_LT(reactionChange / reaction, 1.0E-6);

    // The head force is the integral of the soil reaction, and the head
    // shear carries it (its one-sided difference is O(h) apart).
    expectClose(nodeAt(work.planes[0].V, 0), H, 1.0E-3);
}

TEST(SinglePlaneSolver, NoHeadMotionAndNoLoadGiveZeroAfterTwoSolves) {
    for (const auto instance :
         {SinglePlaneInstance::twoDimensional, SinglePlaneInstance::resultantPlane}) {
        for (const int connection : {kConnectionPinned, kConnectionFixed}) {
            PileSetup setup;
            setup.connectionY = connection;
            auto store = layeredSoftClayPile(setup);
            double H = 99.0;
            int status = 0;
            solveSinglePlanePile(*store, store->pileScratch, 1, 0.0, 0.0, 0.0, H, status, instance);
            ASSERT_EQ(status, 0);
            EXPECT_EQ(store->pileScratch.work.iterationCount, 2);
            EXPECT_EQ(H, 0.0);
            for (int k = -3; k <= 103; ++k)
                EXPECT_EQ(piletest::deflection(*store, 0, k), 0.0) << "node " << k;
        }
    }
}

TEST(SinglePlaneSolver, UnreachableToleranceStopsAtExactlyTheLimit) {
    for (const int limit : {1, 2, 7}) {
        SCOPED_TRACE(limit);
        auto store = layeredSoftClayPile();
        store->analysis.control.deflectionTolerance = 0.0;  // no change is below 0
        store->analysis.control.maxPileIterations = limit;
        double H = 123.0;
        int status = 0;
        solveSinglePlanePile(*store, store->pileScratch, 1, 0.5, 0.0, 0.0, H, status);
        EXPECT_EQ(status, 0);
        EXPECT_EQ(H, 123.0);  // not updated without closure
        EXPECT_EQ(store->pileScratch.capAbortFlag, 1);
        // Two solves at the least: closure compares a solve with the one before.
        const int solves = std::max(limit, 2);
        EXPECT_EQ(store->pileScratch.work.iterationCount, solves);
        const std::string warning = "     ** WARNING **  NO CLOSURE OF A LLP AFTER " +
                                    formatI(solves, 5) + "  ITERATIONS          PILE GROUP    1";
        EXPECT_NE(contentsOf(store->files.report).find(warning), std::string::npos);
        EXPECT_NE(contentsOf(store->files.runtime).find(warning), std::string::npos);
    }
    // A tolerance met at once still takes two solves.
    auto store = layeredSoftClayPile();
    store->analysis.control.deflectionTolerance = 1.0E6;
    double H = 0.0;
    int status = 0;
    solveSinglePlanePile(*store, store->pileScratch, 1, 0.5, 0.0, 0.0, H, status);
    EXPECT_EQ(store->pileScratch.work.iterationCount, 2);
    EXPECT_EQ(store->pileScratch.capAbortFlag, 0);
}

TEST(SinglePlaneSolver, RefusesWhatItCannotSolveWithStatusAndMessage) {
    const auto refused = [](auto&& spoil, int expected, const char* text) {
        SCOPED_TRACE(text);
        auto store = linearSoilPile(4.0);
        double yt = 0.01;
        spoil(*store, yt);
        double H = 7.0;
        int status = 0;
        solveSinglePlanePile(*store, store->pileScratch, 1, yt, 0.0, 0.0, H, status);
        EXPECT_EQ(status, expected);
        EXPECT_EQ(H, 7.0);
        const std::string report = contentsOf(store->files.report);
        EXPECT_NE(report.find("**** FATAL ERROR ****"), std::string::npos);
        EXPECT_NE(report.find(text), std::string::npos);
        EXPECT_NE(contentsOf(store->files.runtime).find(text), std::string::npos);
    };
    refused([](ModelStore& s, double&) { s.work.properties[0].increments = 0; },
            kStatusPileBadInput, "THE NUMBER OF INCREMENTS IS NOT 1 TO 100");
    refused([](ModelStore& s, double&) { s.work.properties[0].increments = 101; },
            kStatusPileBadInput, "THE NUMBER OF INCREMENTS IS NOT 1 TO 100");
    refused([](ModelStore& s, double&) { s.work.properties[0].LENGTH = 0.0; }, kStatusPileBadInput,
            "THE PILE LENGTH IS NOT POSITIVE");
    refused([](ModelStore& s, double&) { s.work.groups[0].IPROP = 0; }, kStatusPileBadInput,
            "THE PILE GROUP HAS NO PILE PROPERTY");
    refused([](ModelStore& s, double&) { s.work.properties[0].sections[0].EIz = 0.0; },
            kStatusPileBadInput, "THE FLEXURAL RIGIDITY IS NOT POSITIVE");
    refused([](ModelStore&, double& yt) { yt = std::nan(""); }, kStatusPileBadInput,
            "A PILE-HEAD DISPLACEMENT OR FORCE IS NOT A NUMBER");
    // A rigidity at the edge of the double range overflows the sweep.
    refused([](ModelStore& s, double&) { s.work.properties[0].sections[0].EIz = 1.0E308; },
            kStatusPileNotFinite, "THE LATERAL PILE SOLUTION IS NOT A FINITE NUMBER");

    // A status set before the call (the pile-length check) returns at once.
    auto store = linearSoilPile(4.0);
    double H = 7.0;
    int status = 3;
    solveSinglePlanePile(*store, store->pileScratch, 1, 0.01, 0.0, 0.0, H, status);
    EXPECT_EQ(status, 3);
    EXPECT_EQ(store->pileScratch.work.pileGroup, 0);
    EXPECT_TRUE(contentsOf(store->files.report).empty());
}

TEST(SinglePlaneSolver, UserCurvesEndingAboveTheTipAbortTheCapSolution) {
    auto store = linearSoilPile(4.0);
    store->userPySets.rows[0].curves[1].x = 10.0;  // the pile is 20 long
    double H = 5.0;
    int status = 0;
    solveSinglePlanePile(*store, store->pileScratch, 1, 0.01, 0.0, 0.0, H, status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(H, 5.0);
    EXPECT_EQ(store->pileScratch.capAbortFlag, 1);
    EXPECT_NE(contentsOf(store->files.report).find("P-Y CURVES DO NOT EXTEND"), std::string::npos);
}

TEST(SinglePlaneSolver, ClosedNonlinearSectionCarriesTheMomentOfItsCurve) {
    // Elastic with the section's linear EI up to My = 8e6, then hardening to
    // 1.3 My at 100 times the yield curvature: a fixed head pushed 0.5 yields.
    PileSetup setup;
    setup.connectionY = kConnectionFixed;
    auto store = layeredSoftClayPile(setup);
    const double EI = store->work.properties[0].sections[0].EIz;
    const double My = 8.0E6;
    const double phiY = My / EI;
    store->control.userMomentCurvatureOption = 1;
    store->work.properties[0].sections[0].mcSetY = 1;  // the single-plane set
    store->mcSets.mcSetCount = 1;
    McSet& set = store->mcSets.rows[0];
    set.mcCurveCount = 1;
    McCurve& curve = set.curves[0];
    curve.mcPointCount = 3;
    curve.points[0] = {0.0, 0.0};
    curve.points[1] = {My, phiY};
    curve.points[2] = {1.3 * My, 100.0 * phiY};
    store->analysis.control.maxPileIterations = 400;

    double H = 0.0;
    int status = 0;
    solveSinglePlanePile(*store, store->pileScratch, 1, 0.5, 0.0, 0.0, H, status);
    ASSERT_EQ(status, 0);
    ASSERT_EQ(store->pileScratch.capAbortFlag, 0);
    const PileWork& work = store->pileScratch.work;
    const PlaneWork& plane = work.planes[0];
    const auto onCurve = [&](double phi) {
        return phi <= phiY ? EI * phi : My + 0.3 * My * (phi - phiY) / (99.0 * phiY);
    };
    double largest = 0.0;
    double offCurve = 0.0;
    for (int k = 0; k <= work.N; ++k) {
        const double M = std::fabs(nodeAt(plane.M, k));
        const double phi =
            std::fabs(nodeAt(plane.y, k - 1) - 2.0 * nodeAt(plane.y, k) + nodeAt(plane.y, k + 1)) /
            (work.h * work.h);
        largest = std::max(largest, M);
        offCurve = std::max(offCurve, std::fabs(M - onCurve(phi)));
    }
    EXPECT_GT(largest, My);  // it yielded: the linear pile would carry 1.2e7
    EXPECT_LT(largest, 1.3 * My);
    // The secant of the last solve lags by one iteration of the tolerance.
    EXPECT_LT(offCurve / My, 1.0E-3);
    EXPECT_LT(nodeAt(plane.R, 0), 0.5 * EI);
}

// Fields of a results-data row along the pile: 5 blanks, x in 13, 4 blanks,
// then 16-wide values.
double rowValue(const std::string& row, int index) {
    return std::strtod(row.substr(22 + 16 * static_cast<std::size_t>(index), 16).c_str(), nullptr);
}

TEST(SinglePlaneSolver, PrintingPassWritesEveryFileInItsLayout) {
    PileSetup setup;
    setup.connectionY = kConnectionFixed;
    auto store = layeredSoftClayPile(setup);
    store->pileSolution.finalPassFlag = 1;
    store->analysis.demandCapacityPrint = 1;
    store->analysis.control.nodeStep = 20;
    store->pileScratch.head.localHeadDisplacement[kForceX] = 0.05;
    const double Q = 5.0E4;
    double H = 0.0;
    int status = 0;
    solveSinglePlanePile(*store, store->pileScratch, 1, 0.5, 0.0, Q, H, status);
    ASSERT_EQ(status, 0);
    const PileWork& work = store->pileScratch.work;
    const PlaneWork& plane = work.planes[0];
    const int N = work.N;

    const std::string report = contentsOf(store->files.report);
    for (const char* text :
         {"       * PILE GROUP *  1", "       * PILE TOP DISPLACEMENTS AND REACTIONS *",
          "       THE GLOBAL STRUCTURAL COORDINATE SYSTEM",
          "       THE PILE COORDINATE SYSTEM (LOCAL AXES)",
          "        XDISPL,IN   YDISPL,IN     SLOPE     AXIAL,LBS    LAT,LBS    BM,LBS-IN   "
          "STRESS,LBS/IN**2",
          "       * EFFECTS FOR LATERALLY LOADED PILE *   ", "BEND. D/C     SHEAR D/C"})
        EXPECT_NE(report.find(text), std::string::npos) << text;
    const std::string count =
        "     NUMBER OF ITERATIONS IN LLP = " + formatI(work.iterationCount, 5);
    EXPECT_NE(report.find(count), std::string::npos);
    EXPECT_GE(work.iterationCount, 2);
    const std::string runtime = contentsOf(store->files.runtime);
    EXPECT_NE(runtime.find("     NUMBER OF ITERATIONS IN LLP = " + formatI(work.iterationCount, 4) +
                           " (PILE No    1)"),
              std::string::npos);

    // The results data file: head rows, then one row per node whose moment
    // reads EI y'' (the listing's sign) and whose soil reaction is Es y.
    const auto data = linesOf(contentsOf(store->files.resultsData));
    ASSERT_EQ(data.size(), static_cast<std::size_t>(6 + N + 1));
    EXPECT_EQ(data[0], "* PILE GROUP *     1");
    EXPECT_EQ(data[1], "       * PILE TOP DISP. AND REACT. GLOBAL");
    EXPECT_EQ(data[3], "       * PILE TOP DISP. AND REACT. LOCAL");
    EXPECT_EQ(data[5], "       * EFFECTS FOR LATERALLY LOADED PILE *   ");
    const double h2 = work.h * work.h;
    for (int k = 1; k < N; k += 7) {
        const std::string& row = data[static_cast<std::size_t>(6 + k)];
        const double curvature =
            nodeAt(plane.y, k - 1) - 2.0 * nodeAt(plane.y, k) + nodeAt(plane.y, k + 1);
        const double moment = nodeAt(plane.R, k) * curvature / h2;
        // Nine significant digits are printed.
        EXPECT_NEAR(rowValue(row, 1), moment, 1.0E-7 * std::fabs(moment) + 1.0E-8);
        const double reaction = nodeAt(work.Es, k) * nodeAt(plane.y, k);
        EXPECT_NEAR(rowValue(row, 3), reaction, 1.0E-7 * std::fabs(reaction) + 1.0E-8);
    }
    // The moment in the head rows keeps the solver's sign; the caller reads it.
    EXPECT_EQ(store->pileScratch.head.headMomentXY, -nodeAt(plane.M, 0));
    EXPECT_GT(store->pileScratch.head.headMomentXY, 0.0);

    // The pile data file: four head records of 3, 4, 3 and 4 values, then
    // the extremes along the pile, 1X I8 2X 8E12.4 and their positions.
    const auto pileData = linesOf(contentsOf(store->files.pileData));
    ASSERT_EQ(pileData.size(), 8u);
    EXPECT_EQ(pileData[4].size(), 11u + 8 * 12);
    EXPECT_EQ(pileData[5].substr(0, 9), "     x(IN");
    EXPECT_EQ(pileData[0].substr(0, 17), "          1      ");
    EXPECT_EQ(pileData[1].size(), 17u + 4 * 12 + 3 * 2);

    // A vertical pile at the origin adds (Q, H, M(0)) to the cap sums.
    const auto& sums = store->pileSolution.capSums2D;
    EXPECT_EQ(sums[0], Q);
    EXPECT_EQ(sums[1], H);
    EXPECT_EQ(sums[2], store->pileScratch.head.headMomentXY);
}

TEST(SinglePlaneSolver, ResultantPlaneResolvesItsHeadForceOntoThePileAxes) {
    PileSetup setup;
    setup.connectionY = kConnectionFixed;
    auto store = layeredSoftClayPile(setup);
    store->pileSolution.finalPassFlag = 1;
    // The head moved 0.3 along y and 0.4 along z: 0.5 in the resultant plane.
    auto& c = store->pileScratch.head.localHeadDisplacement;
    c = {0.05, 0.3, 0.4, 0.0, 0.0, 0.0};
    double H = 0.0;
    int status = 0;
    solveSinglePlanePile(*store, store->pileScratch, 1, 0.5, 0.0, 0.0, H, status,
                         SinglePlaneInstance::resultantPlane, 1000.0);
    ASSERT_EQ(status, 0);
    const std::string report = contentsOf(store->files.report);
    EXPECT_EQ(report, contentsOf(store->files.summary));
    EXPECT_NE(report.find("SRE      4"), std::string::npos);
    const auto lines = linesOf(report);
    // The force rows: axial, 0.6 H and 0.8 H, the torsion, then the moments.
    int found = 0;
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        if (lines[i].find("AXIAL,     LATy,") == std::string::npos) continue;
        const std::string& row = lines[i + 1];
        expectClose(std::strtod(row.substr(13, 10).c_str(), nullptr), 0.6 * H, 1.0E-3);
        expectClose(std::strtod(row.substr(23, 10).c_str(), nullptr), 0.8 * H, 1.0E-3);
        expectClose(std::strtod(row.substr(33, 10).c_str(), nullptr), 1000.0, 1.0E-3);
        ++found;
    }
    EXPECT_EQ(found, 2);  // global and pile axes agree for a vertical pile
}

}  // namespace
}  // namespace pylora
