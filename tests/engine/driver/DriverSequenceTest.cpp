// SPDX-License-Identifier: Apache-2.0
// The driver's sequence through the load cases and combinations with a
// recording cap solution: the headers and lines of every file in order, the
// loads and control values handed over, the envelopes, the p-y curves and the
// stop code.

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "engine/analysis_driver.h"
#include "store/model_store.h"
#include "tests/engine/driver/DriverTestSupport.h"

namespace pylora {
namespace {

using test::DriverRun;
using test::recorder;

std::string padded(std::string text, std::size_t width) {
    text.resize(width, ' ');
    return text;
}

const std::string kTitle = padded("DRIVER TEST MODEL", 80);

std::string joined(std::initializer_list<std::string> lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

void setLoad(LoadCase& loadCase, std::initializer_list<double> values) {
    loadCase.integer(kCaseConcentratedCount) = 1;
    int k = 1;
    for (double v : values)
        loadCase.concentratedLoads[0].value(k++) = v;
}

// Two load cases and two combinations of a three-dimensional model:
//   case 1 "DEAD LOAD" (Dead, DL): vertical 100, Y 10;
//   case 2 "LIVE LOAD" (Live, LL): vertical 50, Z 5;
//   combination 1 "COMB A": 1.2 x case 1 + 1.6 x case 2, RF 0.9 and 0.75;
//   combination 2 "COMB B": case 1 listed twice, RF 0.8 and 0.7.
// Both series have envelopes: cases with print option 2, combinations 0.
void twoCasesTwoCombinations(ModelStore& store) {
    store.control.analysisType = 3;
    LoadCaseTable& cases = store.loadCases;
    cases.loadCaseCount = 2;
    cases.caseEnvelopeFlag = 1;
    cases.caseEnvelopePrintOption = 2;
    cases.caseEnvelopeNodeStep = 5;
    const char* names[] = {"DEAD LOAD", "LIVE LOAD"};
    for (int i = 0; i < 2; ++i) {
        LoadCase& c = cases.rows[i];
        c.name.assign(names[i]);
        c.integer(kCaseLoadType) = i;
        c.integer(kCaseLoadingKind) = 1;
        c.integer(kCaseCapIterations) = 50;
        c.integer(kCasePrintOption) = 1;
        c.scaleFactor = 1.0;
    }
    setLoad(cases.rows[0], {100, 10, 0, 0, 0, 0, 0, 0, 0});
    setLoad(cases.rows[1], {50, 0, 0, 5, 0, 0, 0, 0, 0});

    CombinationTable& combinations = store.combinations;
    combinations.combinationCount = 2;
    combinations.combinationEnvelopeFlag = 1;
    combinations.combinationEnvelopePrintOption = 0;
    LoadCombination& a = combinations.rows[0];
    a.name.assign("COMB A");
    a.bendingRf = 0.9;
    a.shearRf = 0.75;
    a.integer(kCaseLoadingKind) = 0;
    a.combinedCaseCount = 2;
    a.cases[0] = {1, 1.2};
    a.cases[1] = {2, 1.6};
    LoadCombination& b = combinations.rows[1];
    b.name.assign("COMB B");
    b.bendingRf = 0.8;
    b.shearRf = 0.7;
    b.integer(kCaseLoadingKind) = 1;
    b.combinedCaseCount = 2;
    b.cases[0] = {1, 1.0};
    b.cases[1] = {1, 1.0};
}

// The decorated header of report and summary.
std::vector<std::string> decorated(const std::string& text) {
    return {"", "", "", "", "                 *****     " + text + "     *****"};
}

TEST(DriverSequence, ModelWithoutCasesWritesOnlyTheComputationResultsHeaders) {
    test::resetRecorder();
    DriverRun run;
    ModelStore& store = *run.store;
    store.control.analysisType = 3;
    store.loadCases.caseEnvelopeFlag = 1;  // envelopes of no case are not printed
    store.combinations.combinationEnvelopeFlag = 1;
    int stopCode = 0;
    runAnalysisSequence(store, 0, stopCode, test::recordingRoutines());
    run.closeFiles();

    EXPECT_EQ(stopCode, 0);
    const std::string header =
        joined({"", "", "", "", "                 *****     COMPUTATION RESULTS     *****", "", "",
                "", "     " + kTitle});
    EXPECT_EQ(run.text("report.out"), header);
    EXPECT_EQ(run.text("summary.sum"), header);
    EXPECT_EQ(run.text("status.sta"), joined({"COMPUTATION RESULTS", kTitle}));
    EXPECT_EQ(run.text("results.res"), joined({"COMPUTATION RESULTS", kTitle}));
    EXPECT_EQ(run.text("runtime.rtm"), "");
    EXPECT_FALSE(std::filesystem::exists(run.path("progress.prg")));
    EXPECT_TRUE(recorder().events.empty());
    EXPECT_EQ(store.analysis.dofCount, 6);
}

TEST(DriverSequence, CasesAndCombinationsWriteTheProtocolInOrder) {
    test::resetRecorder();
    DriverRun run;
    ModelStore& store = *run.store;
    twoCasesTwoCombinations(store);
    int stopCode = 0;
    runAnalysisSequence(store, 1, stopCode, test::recordingRoutines());
    run.closeFiles();
    EXPECT_EQ(stopCode, 0);

    // Status file: headers, one heading per analysis, the total-load line and
    // the completion code the cap solution wrote.
    const std::vector<std::string> status = {"COMPUTATION RESULTS",
                                             kTitle,
                                             "LOAD CASES RESULTS ",
                                             "LOAD CASE :     1",
                                             "      ANALYSIS DUE TO TOTAL LOAD",
                                             "    1 ANALYSIS COMPLETED",
                                             "LOAD CASE :     2",
                                             "      ANALYSIS DUE TO TOTAL LOAD",
                                             "    1 ANALYSIS COMPLETED",
                                             "LOAD COMBINATIONS RESULTS ",
                                             "LOAD COMB. :     1",
                                             "      ANALYSIS DUE TO TOTAL LOAD",
                                             "    1 ANALYSIS COMPLETED",
                                             "LOAD COMB. :     2",
                                             "      ANALYSIS DUE TO TOTAL LOAD",
                                             "    1 ANALYSIS COMPLETED"};
    EXPECT_EQ(run.lines("status.sta"), status);

    const std::vector<std::string> runtime = {"",
                                              "",
                                              "",
                                              "     LOAD CASE :     1",
                                              "     CASE NAME : " + padded("DEAD LOAD", 80),
                                              "",
                                              "     ANALYSIS DUE TO TOTAL LOAD",
                                              "     ANALYSIS FOR LOAD CASE   1/  2 FINISHED",
                                              "",
                                              "",
                                              "",
                                              "",
                                              "",
                                              "     LOAD CASE :     2",
                                              "     CASE NAME : " + padded("LIVE LOAD", 80),
                                              "",
                                              "     ANALYSIS DUE TO TOTAL LOAD",
                                              "     ANALYSIS FOR LOAD CASE   2/  2 FINISHED",
                                              "",
                                              "",
                                              "",
                                              "",
                                              "",
                                              "     LOAD COMB. :     1",
                                              "     COMB. NAME : " + padded("COMB A", 80),
                                              "",
                                              "     ANALYSIS DUE TO TOTAL LOAD",
                                              "     ANALYSIS FOR LOAD COMB.   1/  2 FINISHED",
                                              "",
                                              "",
                                              "",
                                              "",
                                              "",
                                              "     LOAD COMB. :     2",
                                              "     COMB. NAME : " + padded("COMB B", 80),
                                              "",
                                              "     ANALYSIS DUE TO TOTAL LOAD",
                                              "     ANALYSIS FOR LOAD COMB.   2/  2 FINISHED",
                                              "",
                                              ""};
    EXPECT_EQ(run.lines("runtime.rtm"), runtime);

    std::vector<std::string> report = {"", "", "", ""};
    report.push_back("                 *****     COMPUTATION RESULTS     *****");
    for (const std::string& line : {std::string(), std::string(), std::string(), "     " + kTitle})
        report.push_back(line);
    auto append = [&report](const std::vector<std::string>& lines) {
        report.insert(report.end(), lines.begin(), lines.end());
    };
    append(decorated("LOAD CASES RESULTS "));
    append({"", "", "", "     LOAD CASE :     1", "     CASE NAME : " + padded("DEAD LOAD", 80),
            "     LOAD TYPE : " + padded("Dead, DL", 32)});
    append({"", "", "", "     LOAD CASE :     2", "     CASE NAME : " + padded("LIVE LOAD", 80),
            "     LOAD TYPE : " + padded("Live, LL", 32)});
    append(decorated("LOAD COMBINATIONS RESULTS "));
    append({"", "", "", "     LOAD COMB. :     1", "     COMB. NAME : " + padded("COMB A", 80)});
    append({"", "", "", "     LOAD COMB. :     2", "     COMB. NAME : " + padded("COMB B", 80)});
    std::vector<std::string> summary = report;
    append({"", "", "", "", "", "     * TABLE N *   PRINTED P-Y CURVES"});
    EXPECT_EQ(run.lines("report.out"), report);
    EXPECT_EQ(run.lines("summary.sum"), summary);

    EXPECT_EQ(run.lines("results.res"),
              (std::vector<std::string>{"COMPUTATION RESULTS", kTitle, "LOAD CASES RESULTS ",
                                        "LOAD CASE :     1", "LOAD CASE :     2",
                                        "LOAD COMBINATIONS RESULTS ", "LOAD COMB. :     1",
                                        "LOAD COMB. :     2"}));

    // The progress file holds the latest message only.
    EXPECT_EQ(run.text("progress.prg"), "- ANALYSIS FOR LOAD COMB.   2/  2 FINISHED\n\n\n");

    // The calls: each cap solution after its STARTED message, the envelopes
    // after their series with the envelope's print option, the p-y curves last.
    EXPECT_EQ(
        recorder().events,
        (std::vector<std::string>{
            "cap", "cap", "envelope 1 1 (print option 2)", "envelope 2 1 (print option 2)", "cap",
            "cap", "envelope 1 2 (print option 0)", "envelope 2 2 (print option 0)", "py-curves"}));
    const std::vector<test::CapCall>& calls = recorder().calls;
    ASSERT_EQ(calls.size(), 4u);
    const char* progress[] = {"- ANALYSIS FOR LOAD CASE   1/  2 STARTED\n\n\n",
                              "- ANALYSIS FOR LOAD CASE   2/  2 STARTED\n\n\n",
                              "- ANALYSIS FOR LOAD COMB.   1/  2 STARTED\n\n\n",
                              "- ANALYSIS FOR LOAD COMB.   2/  2 STARTED\n\n\n"};
    // Loads by hand: case 1 (100, 10, 0), case 2 (50, 0, 5), combination 1
    // 1.2 x case 1 + 1.6 x case 2, combination 2 twice case 1.
    const CapVector loads[] = {
        {100, 10, 0, 0, 0, 0}, {50, 0, 5, 0, 0, 0}, {200, 12, 8, 0, 0, 0}, {200, 20, 0, 0, 0, 0}};
    const int caseNo[] = {1, 2, 1, 2};
    const int combinationNo[] = {0, 0, 1, 2};
    const double bending[] = {1.0, 1.0, 0.9, 0.8};
    const double shear[] = {1.0, 1.0, 0.75, 0.7};
    const int loading[] = {1, 1, 0, 1};
    for (int k = 0; k < 4; ++k) {
        SCOPED_TRACE("call " + std::to_string(k + 1));
        const test::CapCall& call = calls[k];
        EXPECT_EQ(call.dimensions, 3);
        EXPECT_EQ(call.progress, progress[k]);
        for (int i = 0; i < kCapComponents; ++i)
            test::expectClose(call.capLoad[i], loads[k][i], 1.0e-14);
        EXPECT_EQ(call.currentCase, caseNo[k]);
        EXPECT_EQ(call.currentCombination, combinationNo[k]);
        EXPECT_EQ(call.dofCount, 6);
        EXPECT_EQ(call.bendingRf, bending[k]);
        EXPECT_EQ(call.shearRf, shear[k]);
        EXPECT_EQ(call.loadingKind, loading[k]);
        EXPECT_EQ(call.KPYOP, 0);  // every analysis runs with KPYOP at 0
        EXPECT_EQ(call.curveSwitch, 1);
        EXPECT_EQ(call.estimation.estimationMode, 0);
        EXPECT_EQ(call.estimation.estimationPassCount, 1);
        EXPECT_EQ(call.estimation.estimationPass, 1);
    }
    EXPECT_EQ(calls[0].printOption, 1);
    // KPYOP was the curve switch while the curves were printed, then back to 0.
    EXPECT_EQ(recorder().pyCurveKPYOP, 1);
    EXPECT_EQ(store.control.KPYOP, 0);

    // The cap envelope of the combinations starts again at their first.
    const CurrentAnalysis::CapEnvelope& e = store.analysis.capEnvelope;
    EXPECT_EQ(e.loadMin, (CapVector{200, 12, 0, 0, 0, 0}));
    EXPECT_EQ(e.loadMax, (CapVector{200, 20, 8, 0, 0, 0}));
    test::expectClose(e.displacementMax[1], 0.020, 1.0e-15);
    EXPECT_EQ(store.analysis.solvedCount, 2);
    EXPECT_EQ(store.analysis.seriesFirstCase, 0);
}

TEST(DriverSequence, CapEnvelopeOfASingleCaseIsThatCase) {
    test::resetRecorder();
    DriverRun run;
    ModelStore& store = *run.store;
    twoCasesTwoCombinations(store);
    store.loadCases.loadCaseCount = 1;
    store.combinations.combinationCount = 0;
    setLoad(store.loadCases.rows[0], {-100, 10, -3, 4, 5, 6, 0, 0, 0});
    int stopCode = 0;
    runAnalysisSequence(store, 0, stopCode, test::recordingRoutines());
    const CurrentAnalysis::CapEnvelope& e = store.analysis.capEnvelope;
    const CapVector load = {-100, 10, 4, 6, 5, -3};
    EXPECT_EQ(e.loadMin, load);
    EXPECT_EQ(e.loadMax, load);
    EXPECT_EQ(e.displacementMin, e.displacementMax);
    test::expectClose(e.displacementMin[0], -0.1, 1.0e-15);
    // No p-y curves without the curve switch.
    EXPECT_EQ(recorder().events.back(), "envelope 2 1 (print option 2)");
    EXPECT_EQ(store.control.KPYOP, 0);
}

TEST(DriverSequence, EnvelopesOnlyForASeriesThatExistsAndAsksForThem) {
    // Load cases only (the combination switch on): the two load-case
    // envelopes, no combination envelope.
    test::resetRecorder();
    {
        DriverRun run;
        ModelStore& store = *run.store;
        twoCasesTwoCombinations(store);
        store.combinations.combinationCount = 0;
        int stopCode = 0;
        runAnalysisSequence(store, 0, stopCode, test::recordingRoutines());
        EXPECT_EQ(recorder().events,
                  (std::vector<std::string>{"cap", "cap", "envelope 1 1 (print option 2)",
                                            "envelope 2 1 (print option 2)"}));
    }
    // Both series, the load-case switch off: the combination envelopes only.
    test::resetRecorder();
    DriverRun run;
    ModelStore& store = *run.store;
    twoCasesTwoCombinations(store);
    store.loadCases.caseEnvelopeFlag = 0;
    // Left over from an earlier series: cleared when the series starts.
    store.pileEnvelopes.trackedCount[0] = 3;
    store.pileEnvelopes.headMax[0][0] = 9.0;
    store.pileEnvelopes.alongMin[0][2][5] = -9.0;
    store.pileEnvelopes.groupsTracked = 1;  // as the trackers leave it
    int stopCode = 0;
    runAnalysisSequence(store, 0, stopCode, test::recordingRoutines());
    EXPECT_EQ(recorder().events,
              (std::vector<std::string>{"cap", "cap", "cap", "cap", "envelope 1 2 (print option 0)",
                                        "envelope 2 2 (print option 0)"}));
    EXPECT_EQ(store.pileEnvelopes.trackedCount[0], 0);
    EXPECT_EQ(store.pileEnvelopes.headMax[0][0], 0.0);
    EXPECT_EQ(store.pileEnvelopes.alongMin[0][2][5], 0.0);
}

TEST(DriverSequence, StopCodeEndsTheRunAtOnce) {
    test::resetRecorder();
    recorder().stopOnCase = 2;
    recorder().stopCodeToSet = 21;
    DriverRun run;
    ModelStore& store = *run.store;
    twoCasesTwoCombinations(store);
    int stopCode = 0;
    runAnalysisSequence(store, 1, stopCode, test::recordingRoutines());
    run.closeFiles();

    EXPECT_EQ(stopCode, 21);
    // No combination, no envelope and no p-y curve after the stop.
    EXPECT_EQ(recorder().events, (std::vector<std::string>{"cap", "cap"}));
    const std::vector<std::string> status = run.lines("status.sta");
    ASSERT_FALSE(status.empty());
    EXPECT_EQ(status.back(), "      ANALYSIS DUE TO TOTAL LOAD");
    const std::vector<std::string> runtime = run.lines("runtime.rtm");
    ASSERT_FALSE(runtime.empty());
    EXPECT_EQ(runtime.back(), "     ANALYSIS DUE TO TOTAL LOAD");
    EXPECT_EQ(run.text("progress.prg"), "- ANALYSIS FOR LOAD CASE   2/  2 STARTED\n\n\n");
    EXPECT_EQ(run.text("report.out").find("TABLE N"), std::string::npos);
    EXPECT_EQ(store.control.KPYOP, 0);
}

TEST(DriverSequence, TwoDimensionalModelUsesTheTwoDimensionalCapSolution) {
    test::resetRecorder();
    DriverRun run;
    ModelStore& store = *run.store;
    twoCasesTwoCombinations(store);
    store.control.analysisType = 2;
    store.combinations.combinationCount = 0;
    setLoad(store.loadCases.rows[1], {50, 8, 2, 5, 6, 7, 1, 3, 9});
    int stopCode = 0;
    runAnalysisSequence(store, -1, stopCode, test::recordingRoutines());
    run.closeFiles();

    const std::vector<test::CapCall>& calls = recorder().calls;
    ASSERT_EQ(calls.size(), 2u);
    for (const test::CapCall& call : calls) {
        EXPECT_EQ(call.dimensions, 2);
        EXPECT_EQ(call.dofCount, 3);
        EXPECT_EQ(call.curveSwitch, -1);
    }
    // Case 2 in two dimensions: moment Z = 2 + 8 x 1 - 50 x 3 = -140; the
    // Z load, the moments about X and Y and the z coordinate are ignored.
    EXPECT_EQ(calls[1].capLoad, (CapVector{50, 8, 0, 0, 0, -140}));
    // A curve switch of -1 stays in KPYOP after the curves.
    EXPECT_EQ(recorder().pyCurveKPYOP, -1);
    EXPECT_EQ(store.control.KPYOP, -1);
}

}  // namespace
}  // namespace pylora
