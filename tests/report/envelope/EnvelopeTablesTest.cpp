// SPDX-License-Identifier: Apache-2.0
// The envelope results tables. One load case of the three-dimensional cap
// solution gives a minimum and a maximum envelope equal to that case, in the
// cap table, the pile-top blocks and the along-pile tables; two cases of the
// two-dimensional pile solver with opposite lateral loads give envelopes
// equal to the elementwise minimum and maximum of the cases' own tables; and
// the headings, the print option and the files written.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cap/cap_envelope.h"
#include "cap/cap_equilibrium_3d.h"
#include "pile/envelope_tracking.h"
#include "pile/single_plane_solver.h"
#include "report/envelope_tables.h"
#include "store/run_messages.h"
#include "tests/cap/cap_test_support.h"
#include "tests/pile/pile_test_support.h"
#include "tests/support/temp_dir.h"

namespace pylora {
namespace {

std::vector<std::string> linesOf(const std::string& text) {
    return piletest::linesOf(text);
}

// The lines from the first holding `from` (searched from line `start`) up
// to the next holding `to` (or the end), without the blank lines at its end.
std::vector<std::string> block(const std::vector<std::string>& lines, const std::string& from,
                               const std::string& to, std::size_t start = 0) {
    std::size_t i = start;
    while (i < lines.size() && lines[i].find(from) == std::string::npos)
        ++i;
    std::vector<std::string> out;
    if (i == lines.size()) return out;
    out.push_back(lines[i]);
    for (++i; i < lines.size() && (to.empty() || lines[i].find(to) == std::string::npos); ++i)
        out.push_back(lines[i]);
    while (!out.empty() && out.back().find_first_not_of(' ') == std::string::npos)
        out.pop_back();
    return out;
}

// The part of a text after the first occurrence of `from`, up to `to`.
std::string between(const std::string& text, const std::string& from, const std::string& to) {
    const std::size_t a = text.find(from);
    if (a == std::string::npos) return {};
    const std::size_t b = to.empty() ? std::string::npos : text.find(to, a + from.size());
    return text.substr(a, b == std::string::npos ? std::string::npos : b - a);
}

std::vector<std::string> tokensOf(const std::string& row) {
    std::vector<std::string> tokens;
    std::size_t i = 0;
    while (i < row.size()) {
        while (i < row.size() && row[i] == ' ')
            ++i;
        const std::size_t start = i;
        while (i < row.size() && row[i] != ' ')
            ++i;
        if (i > start) tokens.push_back(row.substr(start, i - start));
    }
    return tokens;
}

bool isNumber(const std::string& token, double& value) {
    char* end = nullptr;
    value = std::strtod(token.c_str(), &end);
    return end != token.c_str() && *end == '\0';
}

// The rows of a report text made of five or more numbers only: the pile-top
// rows and the along-pile rows, in order.
std::vector<std::vector<std::string>> numberRows(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    for (const std::string& line : linesOf(text)) {
        const std::vector<std::string> tokens = tokensOf(line);
        double v = 0.0;
        if (tokens.size() >= 5 &&
            std::all_of(tokens.begin(), tokens.end(),
                        [&v](const std::string& t) { return isNumber(t, v); }))
            rows.push_back(tokens);
    }
    return rows;
}

double numberOf(const std::string& token) {
    return std::strtod(token.c_str(), nullptr);
}

// ---------------------------------------------------------------------------

TEST(EnvelopeTables, OneLoadCaseGivesMinimumAndMaximumEnvelopesEqualToThatCase) {
    auto m = captest::elasticModel();
    ModelStore& s = *m->store;
    captest::addGroup(s, 0.0, -2.0, 0.0);
    captest::addGroup(s, 0.0, 2.0, 1.0);
    s.analysis.control.printOption = 2;
    s.analysis.control.nodeStep = 10;
    resetPileEnvelopes(s);
    s.analysis.seriesFirstCase = 1;
    s.analysis.capLoad = CapVector{300.0, 12.0, -7.0, 30.0, 0.0, 0.0};
    int curveSwitch = 0;
    int errorFlag = 0;
    solveCapEquilibrium3D(s, curveSwitch, errorFlag);
    ASSERT_EQ(errorFlag, 0);
    s.analysis.seriesFirstCase = 0;
    const std::string caseText = m->reportText();
    // The cap solution has printed the summary tables of the case.
    std::fflush(s.files.summary.get());
    const auto caseSummary = linesOf(testsupport::readFile(m->dir / "summary.txt"));
    const auto tops = block(caseSummary, "* PILE TOP DISPLACEMENTS *", "* PILE TOP REACTIONS *");
    ASSERT_EQ(tops.size(), 2u + 2u + 2u + 4u);  // title, heads, units, two groups, extremes
    EXPECT_EQ(tops[4].substr(0, 17), "               1 ");
    EXPECT_EQ(tops[5].substr(0, 17), "               2 ");
    EXPECT_EQ(tops[6].substr(0, 17), "         MINIMUM ");

    printEnvelopeResults(s, kMinimumEnvelope, kLoadCaseSeries);
    printEnvelopeResults(s, kMaximumEnvelope, kLoadCaseSeries);
    const std::string all = m->reportText();
    const std::string envelopes = all.substr(caseText.size());
    const auto caseLines = linesOf(caseText);
    const auto minimum = linesOf(between(envelopes, "LOAD CASE ENV : 1", "LOAD CASE ENV : 2"));
    const auto maximum = linesOf(between(envelopes, "LOAD CASE ENV : 2", ""));
    ASSERT_FALSE(minimum.empty());
    EXPECT_EQ(minimum[1], "     CASE NAME     : MINIMUM ENVELOPE");
    EXPECT_EQ(maximum[1], "     CASE NAME     : MAXIMUM ENVELOPE");

    // The cap: TABLE L of the case without its count of iterations.
    const auto caseCap = block(caseLines, "* TABLE L *", "NUMBER OF GLOBAL ITERATIONS");
    ASSERT_GT(caseCap.size(), 10u);
    EXPECT_EQ(block(minimum, "* TABLE L *", "* TABLE M *"), caseCap);
    EXPECT_EQ(block(maximum, "* TABLE L *", "* TABLE M *"), caseCap);

    // Each pile group: its pile-top blocks and its along-pile table.
    for (const int g : {1, 2}) {
        SCOPED_TRACE(g);
        const std::string heading = "* PILE GROUP *     " + std::to_string(g);
        const std::string next = g == 1 ? "* PILE GROUP *     2" : "";
        const auto pile = block(caseLines, heading, "NUMBER OF ITERATIONS IN LLP");
        ASSERT_GT(pile.size(), 20u);
        const auto minimumPile = block(minimum, heading, next);
        const auto maximumPile = block(maximum, heading, next);
        ASSERT_EQ(minimumPile.size(), pile.size());
        ASSERT_EQ(maximumPile.size(), pile.size());
        for (std::size_t i = 0; i < pile.size(); ++i) {
            EXPECT_EQ(minimumPile[i], pile[i]);
            EXPECT_EQ(maximumPile[i], pile[i]);
        }
    }
}

TEST(EnvelopeTables, CaseWithoutSolutionEntersNoEnvelope) {
    auto m = captest::elasticModel();
    ModelStore& s = *m->store;
    captest::addGroup(s, 0.0, 0.0, 0.0);
    resetPileEnvelopes(s);
    s.analysis.seriesFirstCase = 1;
    int curveSwitch = 0;
    int errorFlag = 0;
    // The first case of the series never converges (code 3): the series
    // still waits for its first solution, as the driver leaves it.
    s.analysis.control.maxCapIterations = 1;
    s.analysis.capLoad = CapVector{900.0, 80.0, 0.0, 0.0, 0.0, 0.0};
    solveCapEquilibrium3D(s, curveSwitch, errorFlag);
    ASSERT_EQ(errorFlag, 0);
    ASSERT_EQ(m->statusLines().back(), "    3 NO CONVERGENCE ON PILE CAP");
    EXPECT_EQ(s.pileEnvelopes.trackedCount[0], 0);
    EXPECT_EQ(s.analysis.capEnvelope.firstPending, 1);

    // The second case is the first solution: both envelopes are that case.
    s.analysis.control.maxCapIterations = 50;
    const CapVector load{300.0, 12.0, 0.0, 0.0, 0.0, 0.0};
    s.analysis.capLoad = load;
    solveCapEquilibrium3D(s, curveSwitch, errorFlag);
    ASSERT_EQ(errorFlag, 0);
    ASSERT_EQ(m->statusLines().back(), "    1 ANALYSIS COMPLETED");
    const PileEnvelopes& e = s.pileEnvelopes;
    EXPECT_EQ(e.trackedCount[0], 1);
    EXPECT_EQ(e.headMin[0], e.headMax[0]);
    EXPECT_EQ(e.alongMin[0], e.alongMax[0]);
    EXPECT_EQ(s.analysis.capEnvelope.loadMin, load);
    EXPECT_EQ(s.analysis.capEnvelope.loadMax, load);
    // The vertical load reaches the head: the envelope holds no zero there.
    EXPECT_GT(e.headMin[0][6], 0.0);
}

// A two-dimensional pile group in layered soft clay, solved twice with
// opposite lateral loads by the two-dimensional solver on its printing pass.
struct TwoCases {
    std::unique_ptr<ModelStore> store;
    testsupport::TempDir dir;
    std::vector<std::string> caseReports;
    std::string envelopeMin;
    std::string envelopeMax;

    TwoCases(int envelopePrintOption, int series) {
        piletest::PileSetup setup;
        setup.connectionY = kConnectionFixed;
        store = piletest::layeredSoftClayPile(setup);
        ModelStore& s = *store;
        s.control.analysisType = 2;
        s.files.status.reset(std::tmpfile());
        s.run.pileDataFilePath.assign((dir / "pile.dat").string());
        s.pileSolution.finalPassFlag = 1;
        s.analysis.control.nodeStep = 10;
        s.analysis.demandCapacityPrint = series == kLoadCaseSeries ? 0 : 1;
        resetPileEnvelopes(s);
        s.analysis.capEnvelope.firstPending = 1;
        s.analysis.seriesFirstCase = 1;
        struct Case {
            double ua, yt, S, Q;
            CapVector load, displacement;
        };
        const Case cases[] = {
            {0.05, 0.5, 0.002, 5.0E4, {5.0E4, 2.5E4, 0, 0, 0, 1.5E6}, {0.05, 0.5, 0, 0, 0, 0.002}},
            {0.02,
             -0.3,
             -0.001,
             2.0E4,
             {2.0E4, -1.2E4, 0, 0, 0, -4.0E5},
             {0.02, -0.3, 0, 0, 0, -0.001}},
        };
        for (const Case& c : cases) {
            const std::size_t mark = piletest::contentsOf(s.files.report).size();
            s.pileScratch.head.localHeadDisplacement[kForceX] = c.ua;
            double H = 0.0;
            int status = 0;
            solveSinglePlanePile(s, s.pileScratch, 1, c.yt, c.S, c.Q, H, status);
            EXPECT_EQ(status, 0);
            updateCapEnvelope(s, c.load, c.displacement);
            s.analysis.seriesFirstCase = 0;
            caseReports.push_back(piletest::contentsOf(s.files.report).substr(mark));
        }
        s.analysis.control.printOption = envelopePrintOption;
        std::size_t mark = piletest::contentsOf(s.files.report).size();
        printEnvelopeResults(s, kMinimumEnvelope, series);
        envelopeMin = piletest::contentsOf(s.files.report).substr(mark);
        mark += envelopeMin.size();
        printEnvelopeResults(s, kMaximumEnvelope, series);
        envelopeMax = piletest::contentsOf(s.files.report).substr(mark);
    }
};

TEST(EnvelopeTables, TwoCasesWithOppositeLoadsGiveTheElementwiseExtremesOfTheirTables) {
    TwoCases run(2, kLoadCaseSeries);
    const auto case1 = numberRows(run.caseReports[0]);
    const auto case2 = numberRows(run.caseReports[1]);
    const auto minimum = numberRows(run.envelopeMin);
    const auto maximum = numberRows(run.envelopeMax);
    // The global and the local pile-top row, then the nodes 0, 10, ... 100.
    ASSERT_EQ(case1.size(), 2u + 11u);
    ASSERT_EQ(case2.size(), case1.size());
    ASSERT_EQ(minimum.size(), case1.size());
    ASSERT_EQ(maximum.size(), case1.size());
    int differing = 0;
    for (std::size_t r = 0; r < case1.size(); ++r) {
        ASSERT_EQ(case1[r].size(), 7u);
        for (std::size_t c = 0; c < 7; ++c) {
            SCOPED_TRACE(testing::Message() << "row " << r << ", column " << c);
            // Rounding to the printed digits keeps the order of two values,
            // so the extreme prints as the case that reaches it.
            const bool firstSmaller = numberOf(case1[r][c]) < numberOf(case2[r][c]);
            EXPECT_EQ(minimum[r][c], firstSmaller ? case1[r][c] : case2[r][c]);
            EXPECT_EQ(maximum[r][c], firstSmaller ? case2[r][c] : case1[r][c]);
            if (case1[r][c] != case2[r][c]) differing += 1;
        }
    }
    EXPECT_GT(differing, 50);  // the two cases really differ

    // The cap part of the two-dimensional envelope: the heads of the plane
    // and the smaller load and displacement of each component, 19/5 fields.
    const auto lines = linesOf(run.envelopeMin);
    const auto cap = block(lines, "* TABLE L *", "* TABLE M *");
    const std::vector<std::string> expected{
        "     * TABLE L *   COMPUTATION ON PILE CAP",
        "",
        "",
        "     * EQUIVALENT CONC. LOAD AT ORIGIN *",
        "             VERT. LOAD, LBS    HORI. LOAD, LBS    MOMENT,IN-LBS",
        "                 20000.0           -12000.0       -4.00000E+05 ",
        "",
        "",
        "     * DISPLACEMENT OF GROUPED PILE FOUNDATION AT ORIGIN *",
        "",
        "",
        "                VERTICAL,IN      HORIZONTAL,IN    ROTATION,RAD",
        "               0.0200000           -0.30000       -1.00000E-03 ",
    };
    EXPECT_EQ(cap, expected);
    const auto maxCap = block(linesOf(run.envelopeMax), "* TABLE L *", "* TABLE M *");
    ASSERT_EQ(maxCap.size(), expected.size());
    EXPECT_EQ(maxCap[5], "                 50000.0            25000.0        1.50000E+06 ");
    EXPECT_EQ(maxCap[12], "               0.0500000            0.50000        2.00000E-03 ");
}

TEST(EnvelopeTables, PrintOptionOffKeepsHeadingsAndCapTableAndStillWritesTheFiles) {
    TwoCases run(0, kCombinationSeries);
    ModelStore& s = *run.store;
    // The report: headings, TABLE L and the TABLE M heading, no pile group.
    const auto report = linesOf(run.envelopeMax);
    ASSERT_GE(report.size(), 5u);
    EXPECT_EQ(report[3], "     LOAD COMB. ENV : 2");
    EXPECT_EQ(report[4], "     COMB. NAME     : MAXIMUM ENVELOPE");
    EXPECT_NE(run.envelopeMax.find("* TABLE L *   COMPUTATION ON PILE CAP"), std::string::npos);
    EXPECT_NE(run.envelopeMax.find("     * TABLE M *   COMPUTATION ON INDIVIDUAL PILE"),
              std::string::npos);
    EXPECT_EQ(run.envelopeMax.find("PILE GROUP"), std::string::npos);
    EXPECT_EQ(run.envelopeMin.find("EFFECTS FOR LATERALLY"), std::string::npos);

    // The results data file and the status file in their forms.
    const std::string data = piletest::contentsOf(s.files.resultsData);
    const std::string dataEnvelope = between(data, "LOAD COMB. ENV : 1", "");
    for (const char* text :
         {"LOAD COMB. ENV : 1\n     * TABLE L *   COMPUTATION ON PILE CAP\n",
          "* TABLE M *   COMPUTATION ON INDIVIDUAL PILE\n* PILE GROUP *     1\n",
          "       * PILE TOP DISP. AND REACT. GLOBAL\n",
          "       * PILE TOP DISP. AND REACT. LOCAL\n", "\nLOAD COMB. ENV : 2\n"})
        EXPECT_NE(dataEnvelope.find(text), std::string::npos) << text;
    releaseStatusLines(s);
    EXPECT_EQ(piletest::contentsOf(s.files.status),
              "LOAD COMB. ENV : 1\n      MINIMUM ENVELOPE\nLOAD COMB. ENV : 2\n"
              "      MAXIMUM ENVELOPE\n");

    // The pile data file of the maximum: four pile-top records in E11.4
    // fields (5X I6 6X, 2X between values), then records 5 to 8.
    const auto pileData = testsupport::readLines(run.dir / "pile.dat");
    ASSERT_EQ(pileData.size(), 8u);
    EXPECT_EQ(pileData[0].substr(0, 17), "          1      ");
    EXPECT_EQ(pileData[0].size(), 17u + 3 * 11 + 2 * 2);
    EXPECT_EQ(pileData[1].size(), 17u + 4 * 11 + 3 * 2);
    EXPECT_EQ(pileData[1].substr(17 + 11, 2), "  ");
    EXPECT_EQ(pileData[0][17 + 2], '.');  // 0.dddd: E form with a leading zero
    EXPECT_EQ(pileData[4].size(), 11u + 8 * 12);
    EXPECT_EQ(pileData[5].substr(0, 9), "     x(IN");

    // The summary tables of the envelope, with the D/C of the combinations.
    const std::string summary = piletest::contentsOf(s.files.summary);
    const std::string last = summary.substr(summary.rfind("COMB. NAME     : MAXIMUM ENVELOPE"));
    for (const char* text :
         {"* TABLE L *", "* PILE TOP DISPLACEMENTS *", "* PILE TOP REACTIONS *",
          "* MINIMUM VALUES AND LOCATIONS *", "* MAXIMUM VALUES AND LOCATIONS *",
          "BEND. D/C     SHEAR D/C", "         Pile G.            1           1           1 "})
        EXPECT_NE(last.find(text), std::string::npos) << text;
}

}  // namespace
}  // namespace pylora
