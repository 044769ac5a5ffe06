// SPDX-License-Identifier: Apache-2.0
// The driver with the real two-dimensional cap solution: the estimation
// passes of a row of elastic piles give the stiffness of its springs and of
// the closed-form long pile, and the second input echo is printed once.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "engine/analysis_driver.h"
#include "store/model_store.h"
#include "tests/cap/cap_test_support.h"
#include "tests/engine/driver/DriverTestSupport.h"

namespace pylora {
namespace {

using test::DriverRun;

// A load case of the elastic row: vertical load, horizontal load and moment
// at the origin, full load in one increment.
void elasticRowCase(LoadCase& c, double V, double H, double M) {
    c.name.assign("ELASTIC ROW");
    c.scaleFactor = 1.0;
    c.integer(kCaseLoadingKind) = 1;
    c.integer(kCaseCapIterations) = 50;
    c.integer(kCasePileIterations) = 200;
    c.real(kRealCapTolerance) = 1.0E-6;
    c.real(kRealDeflectionTolerance) = 1.0E-9;
    c.real(kRealIncrementFactor) = 1.0;
    c.real(kRealMinimumIncrement) = 0.01;
    c.integer(kCasePrintOption) = 1;
    c.integer(kCaseConcentratedCount) = 1;
    c.concentratedLoads[0].value(1) = V;
    c.concentratedLoads[0].value(2) = H;
    c.concentratedLoads[0].value(3) = M;
}

// The numbers of the line after the first line equal to `header`.
std::vector<double> rowAfter(const std::vector<std::string>& lines, const std::string& header) {
    const auto at = std::find(lines.begin(), lines.end(), header);
    std::vector<double> values;
    if (at == lines.end() || at + 1 == lines.end()) return values;
    std::istringstream row(*(at + 1));
    double v = 0.0;
    while (row >> v)
        values.push_back(v);
    return values;
}

TEST(Driver2D, EstimationOfAnElasticRowGivesItsSpringsAndTheLongPileAndTheEchoComesOnce) {
    DriverRun run;
    ModelStore& s = *run.store;
    const captest::PileData pileData;
    const captest::ElasticSoil soil;
    s.run.pileDataFilePath.assign(run.path("piles.pile"));
    s.run.warningScratchPath.assign(run.path("warnings.warn"));
    captest::setAnalysis(s);
    s.control.analysisType = 2;
    captest::setProperty(s, pileData);
    captest::setElasticCurves(s, soil);
    const double n = 2.0;
    captest::addGroup(s, 0.0, 0.0, 0.0);
    s.work.groups[0].pileCount = n;

    s.loadCases.loadCaseCount = 2;
    LoadCase& estimated = s.loadCases.rows[0];
    elasticRowCase(estimated, 800.0, 20.0, 150.0);
    estimated.integer(kCaseStiffnessOption) = 1;
    estimated.integer(kCaseInvertOption) = 1;
    estimated.integer(kCaseStiffnessCount) = 1;
    estimated.stiffnessLevels[0] = 1.0;
    elasticRowCase(s.loadCases.rows[1], 400.0, -10.0, 0.0);

    int stopCode = 0;
    runAnalysisSequence(s, 2, stopCode, AnalysisRoutines{});
    EXPECT_EQ(stopCode, 0);
    run.closeFiles();

    std::vector<std::string> codes;
    for (const std::string& line : run.lines("status.sta"))
        if (line.rfind("    ", 0) == 0 && line.size() > 5 && line[4] != ' ') codes.push_back(line);
    ASSERT_EQ(codes.size(), 5U);  // three estimation runs and two total loads
    for (const std::string& code : codes)
        EXPECT_EQ(code, "    1 ANALYSIS COMPLETED");

    // Per pile: the axial spring ka; laterally a long elastic pile with
    // H = 4 EI b^3 y + 2 EI b^2 theta and M = 2 EI b^2 y + 2 EI b theta.
    const double EI = pileData.EI;
    const double b = std::pow(soil.k / (4.0 * EI), 0.25);
    const std::vector<std::string> report = run.lines("report.out");
    const std::vector<double> row1 =
        rowAfter(report, "                K11           K12           K13");
    const std::vector<double> row2 =
        rowAfter(report, "                K21           K22           K23");
    const std::vector<double> row3 =
        rowAfter(report, "                K31           K32           K33");
    ASSERT_EQ(row1.size(), 3U);
    ASSERT_EQ(row2.size(), 3U);
    ASSERT_EQ(row3.size(), 3U);
    // Six significant digits printed; the lateral terms within the
    // discretisation error of 100 increments, h b = 0.1.
    captest::expectClose(row1[0], n * soil.ka, 1.0E-5);
    EXPECT_NEAR(row1[1], 0.0, 1.0E-6 * n * soil.ka);
    EXPECT_NEAR(row1[2], 0.0, 1.0E-6 * n * soil.ka);
    captest::expectClose(row2[1], n * 4.0 * EI * b * b * b, 2.0E-2);
    captest::expectClose(row2[2], n * 2.0 * EI * b * b, 2.0E-2);
    captest::expectClose(row3[1], n * 2.0 * EI * b * b, 2.0E-2);
    captest::expectClose(row3[2], n * 2.0 * EI * b, 2.0E-2);

    // The second input echo once in the run, in the report and the summary.
    auto count = [](const std::vector<std::string>& lines, const std::string& text) {
        return std::count_if(lines.begin(), lines.end(), [&](const std::string& line) {
            return line.find(text) != std::string::npos;
        });
    };
    const std::string heading = "*****     INPUT INFORMATION     *****";
    EXPECT_EQ(count(report, heading), 1);
    EXPECT_EQ(count(run.lines("summary.sum"), heading), 1);
    EXPECT_EQ(count(report, "* TABLE D *   ARRANGEMENT OF PILE GROUPS"), 1);
    EXPECT_EQ(count(report, "* TABLE L *   COMPUTATION ON PILE CAP"), 2);
}

}  // namespace
}  // namespace pylora
