// SPDX-License-Identifier: Apache-2.0
// The foundation stiffness estimation of a load case: the flexibility passes
// per degree of freedom and load level, the skipped DOF, the records read
// back and the stiffness tables built from known inverses.

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

#include "engine/analysis_driver.h"
#include "store/file_handle.h"
#include "store/model_store.h"
#include "store/return_codes.h"
#include "tests/engine/driver/DriverTestSupport.h"

namespace pylora {
namespace {

using test::DriverRun;
using test::recorder;

// Lines from the first one equal to `first`, `count` of them (fewer at the end).
std::vector<std::string> linesFrom(const std::vector<std::string>& lines, const std::string& first,
                                   std::size_t count) {
    const auto begin = std::find(lines.begin(), lines.end(), first);
    if (begin == lines.end()) return {};
    const auto end =
        begin + static_cast<std::ptrdiff_t>(std::min<std::size_t>(count, lines.end() - begin));
    return {begin, end};
}

std::size_t countOf(const std::vector<std::string>& lines, const std::string& line) {
    return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), line));
}

// One three-dimensional case with the estimation and the stiffness tables,
// loaded by vertical 100, Y 10, moments X 3, Y 7, Z 5 and no load along Z,
// at the levels 0.25, 0.5 and 1.0. The recording cap's flexibility matrix at
// level n is n x F, with F the block [[2, 1], [1, 1]] on DOFs 1 and 2 and the
// diagonal 4, 2, 3, 8 on DOFs 3 to 6.
void estimationCase(ModelStore& store) {
    store.control.analysisType = 3;
    store.loadCases.loadCaseCount = 1;
    LoadCase& c = store.loadCases.rows[0];
    c.name.assign("STIFFNESS");
    c.scaleFactor = 1.0;
    c.integer(kCaseLoadingKind) = 1;
    c.integer(kCaseStiffnessOption) = 1;
    c.integer(kCaseInvertOption) = 1;
    c.integer(kCaseStiffnessCount) = 3;
    c.stiffnessLevels[0] = 0.25;
    c.stiffnessLevels[1] = 0.5;
    c.stiffnessLevels[2] = 1.0;
    c.integer(kCaseConcentratedCount) = 1;
    const double values[] = {100, 10, 5, 0, 7, 3, 0, 0, 0};
    for (int k = 1; k <= 9; ++k)
        c.concentratedLoads[0].value(k) = values[k - 1];
    auto& f = recorder().flexibility;
    f[0][0] = 2;
    f[0][1] = 1;
    f[1][0] = 1;
    f[1][1] = 1;
    f[2][2] = 4;
    f[3][3] = 2;
    f[4][4] = 3;
    f[5][5] = 8;
}

TEST(StiffnessEstimation, FlexibilityPassesPerDofAndLevelThenTheTotalLoad) {
    test::resetRecorder();
    recorder().failDof = 2;
    recorder().failLevel = 3;
    DriverRun run;
    ModelStore& store = *run.store;
    estimationCase(store);
    int stopCode = 0;
    runAnalysisSequence(store, 0, stopCode, test::recordingRoutines());
    run.closeFiles();
    EXPECT_EQ(stopCode, 0);

    // Five DOFs carry load, three levels each, then the ordinary analysis.
    const std::vector<test::CapCall>& calls = recorder().calls;
    ASSERT_EQ(calls.size(), 16u);
    const CapVector full = {100, 10, 0, 3, 7, 5};
    const int dofs[] = {1, 2, 4, 5, 6};
    const double levels[] = {0.25, 0.5, 1.0};
    for (int k = 0; k < 15; ++k) {
        SCOPED_TRACE("run " + std::to_string(k + 1));
        const CurrentAnalysis::EstimationState& e = calls[k].estimation;
        EXPECT_EQ(e.estimationMode, 2);
        EXPECT_EQ(e.estimationDof, dofs[k / 3]);
        EXPECT_EQ(e.estimationPass, dofs[k / 3]);
        EXPECT_EQ(e.estimationPassCount, 7);
        EXPECT_EQ(e.estimationRun, k + 1);
        EXPECT_EQ(e.levelNo, k % 3 + 1);
        EXPECT_EQ(e.level, levels[k % 3]);
        EXPECT_EQ(calls[k].capLoad, full);  // the full load, whatever the last run left
    }
    const CurrentAnalysis::EstimationState& ordinary = calls[15].estimation;
    EXPECT_EQ(ordinary.estimationMode, 0);
    EXPECT_EQ(ordinary.estimationDof, 0);
    EXPECT_EQ(ordinary.estimationPass, 7);
    EXPECT_EQ(calls[15].capLoad, full);

    // Status file: a DOF and point line before each run, and the skipped DOF
    // with code 5 at each of its points.
    const std::vector<std::string> status = run.lines("status.sta");
    EXPECT_EQ(linesFrom(status, "      DOF :     2 POINT :     3", 10),
              (std::vector<std::string>{
                  "      DOF :     2 POINT :     3", "    3 NO CONVERGENCE ON PILE CAP",
                  "      DOF :     3 POINT :     1",
                  "    5 ANALYSIS SKIPPPED APPLIED FORCE AT CAP IS ZERO",
                  "      DOF :     3 POINT :     2",
                  "    5 ANALYSIS SKIPPPED APPLIED FORCE AT CAP IS ZERO",
                  "      DOF :     3 POINT :     3",
                  "    5 ANALYSIS SKIPPPED APPLIED FORCE AT CAP IS ZERO",
                  "      DOF :     4 POINT :     1", "    1 ANALYSIS COMPLETED"}));
    EXPECT_EQ(
        std::vector<std::string>(status.end() - 2, status.end()),
        (std::vector<std::string>{"      ANALYSIS DUE TO TOTAL LOAD", "    1 ANALYSIS COMPLETED"}));

    const std::vector<std::string> runtime = run.lines("runtime.rtm");
    EXPECT_EQ(linesFrom(runtime, "     * PILE CAP FLEXIBILITY ESTIMATION *", 3),
              (std::vector<std::string>{"     * PILE CAP FLEXIBILITY ESTIMATION *",
                                        "     DOF :     1 POINT :     1",
                                        "     DOF :     1 POINT :     2"}));
    EXPECT_EQ(linesFrom(runtime, "     DOF :     6 POINT :     3", 4),
              (std::vector<std::string>{"     DOF :     6 POINT :     3",
                                        "     * PILE CAP STIFFNESS ESTIMATION *", "",
                                        "     ANALYSIS DUE TO TOTAL LOAD"}));
    EXPECT_EQ(countOf(runtime, "     DOF :     3 POINT :     1"), 0u);

    // Report: the DOF headings, the skipped DOF, then per level the inverse of
    // the flexibility matrix of DOFs 1, 2, 4, 5, 6. At level n the stiffness
    // is K / n with K = [[1, -1], [-1, 2]] and the diagonal 1/2, 1/3, 1/8.
    const std::vector<std::string> report = run.lines("report.out");
    const std::string header1 =
        "                K11           K12           K14           K15"
        "           K16";
    const std::vector<std::string> expected = {
        "     * PILE CAP FLEXIBILITY ESTIMATION *",
        "     DOF   : 1 (FORCE X)",
        "     DOF   : 2 (FORCE Y)",
        "     DOF   : 3 (FORCE Z)",
        "",
        "             DOF NOT CONSIDERED SINCE APPLIED FORCE AT CAP IS ZERO",
        "     DOF   : 4 (MOMENT X)",
        "     DOF   : 5 (MOMENT Y)",
        "     DOF   : 6 (MOMENT Z)",
        "",
        "",
        "     * PILE CAP STIFFNESS ESTIMATION *",
        "",
        "       N:    1  FACTOR :    0.2500",
        header1,
        "            1.00000      -1.00000       0.00000       0.00000       0.00000 ",
        "                K21           K22           K24           K25           K26",
        "           -1.00000       2.00000       0.00000       0.00000       0.00000 ",
        "                K41           K42           K44           K45           K46",
        "            0.00000       0.00000       0.50000       0.00000       0.00000 ",
        "                K51           K52           K54           K55           K56",
        "            0.00000       0.00000       0.00000       0.33333       0.00000 ",
        "                K61           K62           K64           K65           K66",
        "            0.00000       0.00000       0.00000       0.00000       0.12500 ",
        "",
        "       N:    2  FACTOR :    0.5000",
        header1,
        "            0.50000      -0.50000       0.00000       0.00000       0.00000 ",
        "                K21           K22           K24           K25           K26",
        "           -0.50000       1.00000       0.00000       0.00000       0.00000 ",
        "                K41           K42           K44           K45           K46",
        "            0.00000       0.00000       0.25000       0.00000       0.00000 ",
        "                K51           K52           K54           K55           K56",
        "            0.00000       0.00000       0.00000       0.16667       0.00000 ",
        "                K61           K62           K64           K65           K66",
        "            0.00000       0.00000       0.00000       0.00000     0.0625000 ",
        "         3     NO CONVERGENCE ON PILE CAP",
    };
    EXPECT_EQ(linesFrom(report, expected.front(), expected.size()), expected);
    EXPECT_EQ(report.back(), "         3     NO CONVERGENCE ON PILE CAP");
    EXPECT_EQ(linesFrom(run.lines("summary.sum"), expected.front(), expected.size()), expected);

    // Results data file: the estimation headings without blank lines, the DOF
    // labels and the same tables.
    const std::vector<std::string> results = run.lines("results.res");
    EXPECT_EQ(linesFrom(results, "     * PILE CAP FLEXIBILITY ESTIMATION *", 8),
              (std::vector<std::string>{
                  "     * PILE CAP FLEXIBILITY ESTIMATION *", "     CAP FLEX., 1, FORCE X",
                  "     CAP FLEX., 2, FORCE Y", "     CAP FLEX., 3, FORCE Z",
                  "     CAP FLEX., 4, MOMENT X", "     CAP FLEX., 5, MOMENT Y",
                  "     CAP FLEX., 6, MOMENT Z", "     * PILE CAP STIFFNESS ESTIMATION *"}));
    EXPECT_EQ(countOf(results, header1), 2u);
}

TEST(StiffnessEstimation, TwoDimensionalDiagonalTermsAtTheDefaultLevels) {
    test::resetRecorder();
    DriverRun run;
    ModelStore& store = *run.store;
    store.control.analysisType = 2;
    store.loadCases.loadCaseCount = 1;
    LoadCase& c = store.loadCases.rows[0];
    c.scaleFactor = 1.0;
    c.integer(kCaseStiffnessOption) = 1;  // no levels given: the ten defaults
    c.integer(kCaseInvertOption) = 1;
    c.integer(kCaseDiagonalOption) = 1;
    c.integer(kCaseConcentratedCount) = 1;
    c.concentratedLoads[0].value(1) = 100;
    c.concentratedLoads[0].value(2) = 10;
    c.concentratedLoads[0].value(3) = 5;
    // Coupled flexibility [[2, 1, 0], [1, 1, 0], [0, 0, 4]]; only its
    // diagonal 2, 1, 4 counts, so the stiffness is 1/2, 1, 1/4 at level 1.
    auto& f = recorder().flexibility;
    f[0][0] = 2;
    f[0][1] = 1;
    f[1][0] = 1;
    f[1][1] = 1;
    f[2][2] = 4;
    int stopCode = 0;
    runAnalysisSequence(store, 0, stopCode, test::recordingRoutines());
    run.closeFiles();

    const std::vector<test::CapCall>& calls = recorder().calls;
    ASSERT_EQ(calls.size(), 31u);
    const double defaults[] = {0.1,     0.30103, 0.47712, 0.60206, 0.69897,
                               0.77815, 0.84510, 0.90309, 0.95424, 1.0};
    for (int k = 0; k < 30; ++k) {
        EXPECT_EQ(calls[k].estimation.estimationDof, k / 10 + 1);
        EXPECT_EQ(calls[k].estimation.estimationPassCount, 4);
        EXPECT_NEAR(calls[k].estimation.level, defaults[k % 10], 5.0e-6) << "run " << k + 1;
        EXPECT_EQ(calls[k].stiffnessLevelCount, 10);
    }
    EXPECT_EQ(c.stiffnessLevelCount(), 10);

    const std::vector<std::string> report = run.lines("report.out");
    const std::vector<std::string> expected = {
        "       N:    1  FACTOR :    0.1000",
        "                K11           K12           K13",
        "            0.50000       0.00000       0.00000 ",
        "                K21           K22           K23",
        "            0.00000       1.00000       0.00000 ",
        "                K31           K32           K33",
        "            0.00000       0.00000       0.25000 ",
    };
    EXPECT_EQ(linesFrom(report, expected.front(), expected.size()), expected);
    EXPECT_EQ(countOf(report, "     DOF   : 3 (MOMENT Z)"), 1u);
    EXPECT_EQ(countOf(run.lines("results.res"), "     CAP FLEX., 3, MOMENT Z"), 1u);
    EXPECT_EQ(countOf(report, "                K11           K12           K13"), 10u);
}

TEST(StiffnessEstimation, NoTablesWithoutTheInversionAndAFileErrorWithoutScratchFiles) {
    test::resetRecorder();
    DriverRun run;
    ModelStore& store = *run.store;
    estimationCase(store);
    store.loadCases.rows[0].integer(kCaseInvertOption) = 0;
    int stopCode = 0;
    runAnalysisSequence(store, 0, stopCode, test::recordingRoutines());
    EXPECT_EQ(recorder().calls.size(), 16u);

    test::resetRecorder();
    DriverRun unreadable;
    ModelStore& other = *unreadable.store;
    estimationCase(other);
    other.run.scratchFile2Path.assign(unreadable.path("missing/scratch2.scr"));
    clearFileFailures();
    runAnalysisSequence(other, 0, stopCode, test::recordingRoutines());
    clearFileFailures();
    // A stiffness is never made from records that could not be written: the
    // run stops with the file error.
    EXPECT_EQ(stopCode, kReturnFileWriteError);
    run.closeFiles();
    unreadable.closeFiles();

    const std::vector<std::string> report = run.lines("report.out");
    EXPECT_EQ(countOf(report, "     * PILE CAP FLEXIBILITY ESTIMATION *"), 1u);
    EXPECT_EQ(countOf(report, "     * PILE CAP STIFFNESS ESTIMATION *"), 0u);
    const std::string failed = unreadable.text("report.out");
    EXPECT_EQ(failed.find("K11"), std::string::npos);
    EXPECT_NE(failed.find("**** FATAL ERROR ****\n     THE FILE \"" +
                          unreadable.path("missing/scratch2.scr") +
                          "\" COULD NOT BE OPENED: No such file or directory"),
              std::string::npos);
}

}  // namespace
}  // namespace pylora
