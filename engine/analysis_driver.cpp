// SPDX-License-Identifier: Apache-2.0
#include "engine/analysis_driver.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

#include "cap/cap_results.h"
#include "cap/group_factors.h"
#include "cap/invert_matrix.h"
#include "engine/distributed_loads.h"
#include "engine/load_assembly.h"
#include "engine/run_control.h"
#include "format/format.h"
#include "format/number_fields.h"
#include "pile/envelope_tracking.h"
#include "report/input_echo.h"
#include "store/file_handle.h"
#include "store/return_codes.h"
#include "store/run_messages.h"

namespace pylora {

namespace {

// Status lines that the driver writes itself; the cap solutions write the
// other completion codes.
constexpr std::string_view kStatusSkipped = "    5 ANALYSIS SKIPPPED APPLIED FORCE AT CAP IS ZERO";

// Width of a column of the stiffness tables and its significant decimals.
constexpr int kStiffnessWidth = 14;
constexpr int kStiffnessDecimals = 5;

constexpr std::string_view kDofNames3D[] = {"FORCE X",  "FORCE Y",  "FORCE Z",
                                            "MOMENT X", "MOMENT Y", "MOMENT Z"};
constexpr std::string_view kDofNames2D[] = {"FORCE X", "FORCE Y", "MOMENT Z"};

// The texts that tell a load case from a load combination.
struct SeriesTexts {
    int series;                    // kLoadCaseSeries or kCombinationSeries
    std::string_view progress;     // progress file, before the number
    std::string_view runtime;      // runtime file, before the number
    std::string_view header;       // the series' section header
    std::string_view numberLabel;  // before the case or combination number
    std::string_view nameLabel;    // before its name
};

constexpr SeriesTexts kCaseTexts{kLoadCaseSeries,
                                 "- ANALYSIS FOR LOAD CASE ",
                                 "     ANALYSIS FOR LOAD CASE ",
                                 "LOAD CASES RESULTS ",
                                 "LOAD CASE : ",
                                 "CASE NAME : "};
constexpr SeriesTexts kCombinationTexts{kCombinationSeries,
                                        "- ANALYSIS FOR LOAD COMB. ",
                                        "     ANALYSIS FOR LOAD COMB. ",
                                        "LOAD COMBINATIONS RESULTS ",
                                        "LOAD COMB. : ",
                                        "COMB. NAME : "};

void writeTo(std::initializer_list<std::FILE*> files, const ReportLine& line) {
    for (std::FILE* file : files)
        writeLine(file, line);
}

// A row of number fields to several files, each ended with endLine.
void endLineTo(std::initializer_list<std::FILE*> files, const ReportLine& row) {
    for (std::FILE* file : files) {
        ReportLine copy = row;
        endLine(file, copy);
    }
}

// A section header of report and summary: / / / / 17X '*****' 5X text 5X '*****'.
ReportLine decoratedHeader(std::string_view text) {
    ReportLine l;
    l.slash().slash().slash().slash();
    l.X(17).text("*****").X(5).text(text).X(5).text("*****");
    return l;
}

ReportLine plainText(std::string_view text) {
    ReportLine l;
    l.text(text);
    return l;
}

// The headers of the results: "COMPUTATION RESULTS" and the title.
void writeComputationHeaders(ModelStore& store) {
    RunFiles& f = store.files;
    ReportLine header = decoratedHeader("COMPUTATION RESULTS");
    header.slash();
    writeTo({f.report.get(), f.summary.get()}, header);
    ReportLine title;
    title.slash().slash().X(5).A(store.title.view(), kTitleLength);
    writeTo({f.report.get(), f.summary.get()}, title);

    ReportLine plain;
    plain.text("COMPUTATION RESULTS").slash().A(store.title.view(), kTitleLength);
    writeLine(f.resultsData.get(), plain);
    writeStatusRecords(store, plain.str());
}

// The start of a series: its headers, and the envelopes start again.
void startSeries(ModelStore& store, const SeriesTexts& texts) {
    RunFiles& f = store.files;
    writeTo({f.report.get(), f.summary.get()}, decoratedHeader(texts.header));
    const ReportLine header = plainText(texts.header);
    writeLine(f.resultsData.get(), header);
    writeStatusRecords(store, header.str());

    // Every accumulator of the series starts at 0.0, and the first analysis
    // of the series that is solved (not merely the first one run) starts the
    // cap, pile-head and along-pile envelopes from its own values: a case or
    // combination that ends without a solution (codes 3, 6 and 7) prints no
    // results and enters no envelope, so that a first case without a
    // solution cannot leave zeros in the minima and maxima of the series.
    CurrentAnalysis& a = store.analysis;
    a.capEnvelope = CurrentAnalysis::CapEnvelope{};
    a.capEnvelope.firstPending = 1;
    resetPileEnvelopes(store);
    a.solvedCount = 0;
    a.seriesFirstCase = 1;
}

// The heading of a case or combination in every file.
void writeAnalysisHeading(ModelStore& store, const SeriesTexts& texts, int number,
                          std::string_view name, const LoadCase* loadCase) {
    RunFiles& f = store.files;
    ReportLine l;
    l.slash().slash().slash().X(5).text(texts.numberLabel).I(number, 5);
    l.slash().X(5).text(texts.nameLabel).A(name, kNameLength);
    writeTo({f.report.get(), f.summary.get()}, l);
    writeRuntimeLine(store, l.str());
    if (loadCase != nullptr) {
        std::string type(loadTypeText(loadCase->integer(kCaseLoadType)));
        type.resize(32, ' ');
        ReportLine t;
        t.X(5).text("LOAD TYPE : ").A(type, 32);
        writeTo({f.report.get(), f.summary.get()}, t);
    }
    ReportLine s;
    s.text(texts.numberLabel).I(number, 5);
    writeLine(f.resultsData.get(), s);
    writeStatusRecords(store, s.str());
}

// The control fields that load cases and combinations share.
template <typename Entry>
void copyControl(ModelStore& store, const Entry& entry) {
    CurrentAnalysis::ControlBlock& c = store.analysis.control;
    c = CurrentAnalysis::ControlBlock{};
    c.loadingKind = entry.integer(kCaseLoadingKind);
    c.cycleCount = entry.integer(kCaseLoadCycles);
    c.maxCapIterations = entry.integer(kCaseCapIterations);
    c.maxPileIterations = entry.integer(kCasePileIterations);
    c.capTolerance = entry.real(kRealCapTolerance);
    c.deflectionTolerance = entry.real(kRealDeflectionTolerance);
    c.loadIncrementFactor = entry.real(kRealIncrementFactor);
    c.minLoadIncrementFactor = entry.real(kRealMinimumIncrement);
    c.printOption = entry.integer(kCasePrintOption);
    c.nodeStep = entry.integer(kCaseNodeStep);
    // The p-y evaluation reads the loading from its own state.
    store.pyRun.ISTATIC = c.loadingKind;
    store.pyRun.NCYCLES = c.cycleCount;
}

// The estimation state of an ordinary analysis, the last pass of a case.
void setOrdinaryPass(CurrentAnalysis::EstimationState& e) {
    e.estimationMode = 0;
    e.estimationDof = 0;
    e.estimationPass = e.estimationPassCount;
    e.estimationRun = 0;
    e.levelNo = 0;
    e.level = 0.0;
}

// One call of the cap solution of the analysis type with the full load.
// Returns false when it set the stop code.
bool solveCap(ModelStore& store, const CapVector& fullLoad, int& curveSwitch, int& stopCode,
              const AnalysisRoutines& routines) {
    store.analysis.capLoad = fullLoad;
    store.control.KPYOP = 0;
    stopCode = 0;
    // A flexible cap is solved as a plate (plate/) in place of the rigid cap
    // solutions (cap/), which lie below the plate layer and cannot call it.
    if (store.control.flexibleCapOption >= 1) {
        routines.solveFlexibleCap(store, stopCode);
        return stopCode == 0;
    }
    if (store.control.analysisType == 2) {
        // The second echo belongs to the reports, a layer above the cap
        // solution that asks for it: the driver prints it on its behalf.
        if (curveSwitch >= 2 && store.capSolution2D.echoWritten == 0) {
            store.capSolution2D.echoWritten = 1;
            routines.echoModel2D(store);
        }
        routines.solveCap2D(store, curveSwitch, stopCode);
    } else {
        routines.solveCap3D(store, curveSwitch, stopCode);
    }
    return stopCode == 0;
}

// --- Foundation stiffness estimation ---------------------------------------

// The runs of one case's estimation and what the cap solution recorded.
struct EstimationRecords {
    int runCount = 0;
    // run of DOF d at level n at [d - 1][n - 1]; 0 = not run
    std::array<std::array<int, kMaxStiffnessLevels>, kCapComponents> runOf{};
    std::array<int, kCapComponents> considered{};  // [d - 1]: 1 when the DOF was run
    std::array<int, kMaxEstimationRuns + 1> hasColumn{};
    std::array<int, kMaxEstimationRuns + 1> converged{};  // record of +r in scratch file 2
    std::array<int, kMaxEstimationRuns + 1> failed{};     // record of -r in scratch file 2
    // displacement i per unit load of run r at [r][i - 1]
    std::array<std::array<double, kCapComponents>, kMaxEstimationRuns + 1> column{};
};

// Reads one line of a text file; false at its end.
bool readRecord(std::FILE* file, std::string& line) {
    line.clear();
    int c = 0;
    bool any = false;
    while ((c = std::fgetc(file)) != EOF) {
        any = true;
        if (c == '\n') break;
        line.push_back(static_cast<char>(c));
    }
    return any;
}

// A free-format record "r value value ...": its integer and up to `count`
// values. Returns false when the record does not begin with an integer.
bool parseRecord(const std::string& line, long& r, std::array<double, kCapComponents>& values,
                 int count, int& valueCount) {
    const char* p = line.c_str();
    char* end = nullptr;
    r = std::strtol(p, &end, 10);
    if (end == p) return false;
    valueCount = 0;
    for (int i = 0; i < count; ++i) {
        p = end;
        const double v = std::strtod(p, &end);
        if (end == p) break;
        values[i] = v;
        valueCount += 1;
    }
    return true;
}

// Reads back what the estimation runs recorded. Returns false, the failure
// recorded, when a scratch file cannot be opened or read.
bool readEstimationRecords(ModelStore& store, int dofs, EstimationRecords& records) {
    FileHandle first = openForReading(store.run.scratchFile1Path.str());
    if (!first) noteFileFailure(store.run.scratchFile1Path.str(), FileOperation::read, errno);
    FileHandle second = openForReading(store.run.scratchFile2Path.str());
    if (!second) noteFileFailure(store.run.scratchFile2Path.str(), FileOperation::read, errno);
    if (!first || !second) return false;
    std::string line;
    std::array<double, kCapComponents> values{};
    long r = 0;
    int valueCount = 0;
    while (readRecord(first.get(), line)) {
        if (!parseRecord(line, r, values, dofs, valueCount)) continue;
        if (r < 1 || r > records.runCount || valueCount < dofs) continue;
        records.column[r] = values;
        records.hasColumn[r] = 1;
    }
    while (readRecord(second.get(), line)) {
        if (!parseRecord(line, r, values, 0, valueCount)) continue;
        if (r >= 1 && r <= records.runCount) records.converged[r] = 1;
        if (r <= -1 && r >= -records.runCount) records.failed[-r] = 1;
    }
    for (std::FILE* file : {first.get(), second.get()})
        if (std::ferror(file) != 0) noteFileFailure(file, FileOperation::read);
    return std::ferror(first.get()) == 0 && std::ferror(second.get()) == 0;
}

// The estimation headings: / / 5X text to report and summary, 5X text to
// the results data and runtime files.
void writeEstimationHeading(ModelStore& store, std::string_view text) {
    RunFiles& f = store.files;
    ReportLine decorated;
    decorated.slash().slash().X(5).text(text);
    writeTo({f.report.get(), f.summary.get()}, decorated);
    ReportLine plain;
    plain.X(5).text(text);
    writeLine(f.resultsData.get(), plain);
    writeRuntimeLine(store, plain.str());
}

// 'DOF : ' I5 ' POINT : ' I5 after `indent` blanks.
ReportLine dofPointLine(int indent, int dof, int levelNo) {
    ReportLine l;
    l.X(indent).text("DOF : ").I(dof, 5).text(" POINT : ").I(levelNo, 5);
    return l;
}

// The stiffness table of one load level: the inverse of the flexibility
// matrix of the DOFs considered, one row of terms Kij per DOF i under a header
// naming each term.
void printStiffnessLevel(ModelStore& store, const EstimationRecords& records, int levelNo,
                         double level, bool diagonalOnly) {
    RunFiles& f = store.files;
    const std::initializer_list<std::FILE*> files = {f.report.get(), f.summary.get(),
                                                     f.resultsData.get()};
    std::array<int, kCapComponents> dofs{};
    int order = 0;
    for (int d = 1; d <= kCapComponents; ++d)
        if (records.considered[d - 1] == 1) dofs[order++] = d;

    bool allConverged = true;
    for (int b = 0; b < order; ++b) {
        const int r = records.runOf[dofs[b] - 1][levelNo - 1];
        if (r == 0 || records.hasColumn[r] == 0 || records.converged[r] == 0 ||
            records.failed[r] == 1)
            allConverged = false;
    }
    if (!allConverged) {
        ReportLine l;
        l.X(5).I(levelNo, 5).X(5).text("NO CONVERGENCE ON PILE CAP");
        writeTo(files, l);
        return;
    }

    // Column b holds the displacements of the DOFs under a unit load on DOF
    // dofs[b]; stored column by column for the inversion.
    std::array<double, kCapComponents * kCapComponents> matrix{};
    for (int b = 0; b < order; ++b) {
        const auto& column = records.column[records.runOf[dofs[b] - 1][levelNo - 1]];
        for (int a = 0; a < order; ++a)
            if (!diagonalOnly || a == b) matrix[a + b * order] = column[dofs[a] - 1];
    }
    int singular = 0;
    invertMatrix(matrix, order, order, singular);
    if (singular != 0) {
        ReportLine l;
        l.X(5).I(levelNo, 5).X(5).text("SINGULAR FLEXIBILITY MATRIX");
        writeTo(files, l);
        return;
    }

    if (store.resultsCollector) {
        std::array<int, kCapComponents> components{};
        std::array<double, kCapComponents * kCapComponents> rows{};
        for (int a = 0; a < order; ++a) {
            components[a] = capComponentOfDof(store.analysis.dofCount, dofs[a]);
            for (int b = 0; b < order; ++b)
                rows[a * order + b] = matrix[a + b * order];
        }
        const auto n = static_cast<std::size_t>(order);
        store.resultsCollector->secantStiffnessComputed(store, levelNo, level,
                                                        std::span<const int>(components).first(n),
                                                        std::span<const double>(rows).first(n * n));
    }

    ReportLine title;
    title.slash().X(4).text("   N:").I(levelNo, 5).text("  FACTOR :").F(level, 10, 4);
    writeTo(files, title);
    for (int a = 0; a < order; ++a) {
        ReportLine header;
        header.X(5);
        for (int b = 0; b < order; ++b) {
            const std::string term = "K" + std::to_string(dofs[a]) + std::to_string(dofs[b]);
            header.A(term, kStiffnessWidth);
        }
        writeTo(files, header);
        ReportLine row;
        writeBlanks(row, 5);
        for (int b = 0; b < order; ++b)
            writeRealField(row, kStiffnessWidth, kStiffnessDecimals, matrix[a + b * order]);
        endLineTo(files, row);
    }
}

// The flexibility passes of one load case, then its stiffness tables.
// Returns false when a cap solution set the stop code.
bool runEstimation(ModelStore& store, const LoadCase& loadCase, const CapVector& fullLoad,
                   int& curveSwitch, int& stopCode, const AnalysisRoutines& routines) {
    CurrentAnalysis& a = store.analysis;
    CurrentAnalysis::EstimationState& e = a.estimation;
    const CurrentAnalysis::ControlBlock& c = a.control;
    RunFiles& f = store.files;
    const int dofs = a.dofCount;
    auto records = std::make_unique<EstimationRecords>();

    writeEstimationHeading(store, "* PILE CAP FLEXIBILITY ESTIMATION *");
    f.scratch1 = openForWriting(store.run.scratchFile1Path.str());
    f.scratch2 = openForWriting(store.run.scratchFile2Path.str());

    for (int d = 1; d <= dofs; ++d) {
        e.estimationMode = 2;
        e.estimationDof = d;
        e.estimationPass = d;
        const std::string_view name = dofs == 3 ? kDofNames2D[d - 1] : kDofNames3D[d - 1];
        const std::string digit = std::to_string(d);
        ReportLine label;
        label.X(5).text("DOF   : ").text(digit).text(" (").text(name).text(")");
        writeTo({f.report.get(), f.summary.get()}, label);
        ReportLine flex;
        flex.X(5).text("CAP FLEX., ").text(digit).text(", ").text(name);
        writeLine(f.resultsData.get(), flex);

        if (fullLoad[capComponentOfDof(dofs, d)] == 0.0) {
            ReportLine skipped;
            skipped.slash().text("             DOF NOT CONSIDERED");
            skipped.text(" SINCE APPLIED FORCE AT CAP IS ZERO");
            writeTo({f.report.get(), f.summary.get()}, skipped);
            for (int n = 1; n <= c.stiffnessLevelCount; ++n) {
                ReportLine status = dofPointLine(6, d, n);
                status.slash().text(kStatusSkipped);
                writeStatusRecords(store, status.str());
            }
            continue;
        }
        records->considered[d - 1] = 1;
        for (int n = 1; n <= c.stiffnessLevelCount; ++n) {
            const int r = ++records->runCount;
            records->runOf[d - 1][n - 1] = r;
            e.estimationRun = r;
            e.levelNo = n;
            e.level = c.stiffnessLevels[n - 1];
            writeRuntimeLine(store, dofPointLine(5, d, n).str());
            writeStatusRecords(store, dofPointLine(6, d, n).str());
            if (!solveCap(store, fullLoad, curveSwitch, stopCode, routines)) {
                closeFile(f.scratch1);
                closeFile(f.scratch2);
                return false;
            }
        }
    }
    closeFile(f.scratch1);
    closeFile(f.scratch2);

    if (loadCase.integer(kCaseInvertOption) != 1) return true;
    writeEstimationHeading(store, "* PILE CAP STIFFNESS ESTIMATION *");
    if (records->runCount == 0) return true;
    // The stiffness comes from what the scratch files hold: a file that was
    // not written whole, or cannot be read back, stops the run rather than
    // give a stiffness from part of the records.
    if (!runFilesWritten(store) || !readEstimationRecords(store, dofs, *records)) {
        reportFileFailure(store);
        stopCode = kReturnFileWriteError;
        return false;
    }
    const bool diagonalOnly = loadCase.integer(kCaseDiagonalOption) == 1;
    for (int n = 1; n <= c.stiffnessLevelCount; ++n)
        printStiffnessLevel(store, *records, n, c.stiffnessLevels[n - 1], diagonalOnly);
    return true;
}

// --- One load case or combination -------------------------------------------

// The whole analysis of case or combination `number` of `count`: messages,
// headings, loads, estimation passes and the total load. Returns false
// when the stop code ends the run.
bool runAnalysis(ModelStore& store, const SeriesTexts& texts, int number, int count,
                 int& curveSwitch, int& stopCode, const AnalysisRoutines& routines) {
    CurrentAnalysis& a = store.analysis;
    const bool isCase = texts.series == kLoadCaseSeries;

    ReportLine started;
    started.text(texts.progress).I(number, 3).text("/").I(count, 3).text(" STARTED");
    started.slash().slash();
    writeProgressMessage(store, started.str());

    if (number == 1) startSeries(store, texts);

    a.currentCase = number;
    a.currentCombination = isCase ? 0 : number;
    CurrentAnalysis::EstimationState& e = a.estimation;
    e = CurrentAnalysis::EstimationState{};
    if (store.resultsCollector) store.resultsCollector->analysisStarted(store);

    LoadCase* loadCase = nullptr;
    if (isCase) {
        loadCase = &store.loadCases.rows[number - 1];
        writeAnalysisHeading(store, texts, number, loadCase->name.view(), loadCase);
        // The preparation gives a case that asks for the stiffness its
        // default levels; a case prepared otherwise gets them here.
        applyDefaultStiffnessLevels(*loadCase);
        copyControl(store, *loadCase);
        CurrentAnalysis::ControlBlock& c = a.control;
        c.stiffnessFlag = loadCase->integer(kCaseStiffnessOption);
        c.stiffnessLevelCount = std::clamp(loadCase->stiffnessLevelCount(), 0, kMaxStiffnessLevels);
        std::copy_n(loadCase->stiffnessLevels.begin(), c.stiffnessLevelCount,
                    c.stiffnessLevels.begin());
        a.bendingRf = 1.0;
        a.shearRf = 1.0;
        a.demandCapacityPrint = 0;
        // The foundation stiffness is estimated for a rigid cap only.
        // A pushover analyses the case under its load pattern alone.
        e.estimationPassCount = c.stiffnessFlag >= 1 && store.control.flexibleCapOption < 1 &&
                                        store.run.pushoverCase == 0
                                    ? a.dofCount + 1
                                    : 1;
        caseLoad(store, number, a.capLoad);
        distributedLoads(store, number, 0);
    } else {
        const LoadCombination& combination = store.combinations.rows[number - 1];
        writeAnalysisHeading(store, texts, number, combination.name.view(), nullptr);
        copyControl(store, combination);
        a.bendingRf = combination.bendingRf;
        a.shearRf = combination.shearRf;
        a.demandCapacityPrint = 1;
        e.estimationPassCount = 1;
        combinationLoad(store, number, a.capLoad);
        distributedLoads(store, 0, number);
    }
    const CapVector fullLoad = a.capLoad;

    if (e.estimationPassCount > 1 &&
        !runEstimation(store, *loadCase, fullLoad, curveSwitch, stopCode, routines))
        return false;

    setOrdinaryPass(e);
    ReportLine total;
    total.slash().X(5).text("ANALYSIS DUE TO TOTAL LOAD");
    writeRuntimeLine(store, total.str());
    ReportLine totalStatus;
    totalStatus.X(6).text("ANALYSIS DUE TO TOTAL LOAD");
    writeStatusRecords(store, totalStatus.str());
    const int solvedBefore = a.solvedCount;
    if (!solveCap(store, fullLoad, curveSwitch, stopCode, routines)) return false;
    if (a.solvedCount > solvedBefore) a.seriesFirstCase = 0;

    ReportLine finished;
    finished.text(texts.progress).I(number, 3).text("/").I(count, 3).text(" FINISHED");
    finished.slash().slash();
    writeProgressMessage(store, finished.str());
    ReportLine runtime;
    runtime.text(texts.runtime).I(number, 3).text("/").I(count, 3).text(" FINISHED");
    runtime.slash().slash();
    writeRuntimeLine(store, runtime.str());
    return true;
}

// One analysis between two looks at the files of the run: it starts only
// when every file took what was written so far, and its status lines go to
// the status file once its results are written. False when the run ends
// here (stopCode set). The caller's interruption is answered by the first
// global iteration, so that the analysis it stops has its heading and its
// status line says so.
bool analyseAndRelease(ModelStore& store, const SeriesTexts& texts, int number, int count,
                       int& curveSwitch, int& stopCode, const AnalysisRoutines& routines) {
    if (!runFilesWritten(store)) {
        stopCode = kReturnFileWriteError;
        releaseStatusLines(store);
        return false;
    }
    const bool analysed = runAnalysis(store, texts, number, count, curveSwitch, stopCode, routines);
    if (!releaseStatusLines(store)) {
        stopCode = kReturnFileWriteError;
        return false;
    }
    return analysed;
}

// The minimum and then the maximum envelope of a series, with the envelope's
// print options in force.
void printEnvelopes(ModelStore& store, int series, int printOption, int nodeStep,
                    const AnalysisRoutines& routines) {
    store.analysis.control.printOption = printOption;
    store.analysis.control.nodeStep = nodeStep;
    routines.printEnvelope(store, kMinimumEnvelope, series);
    routines.printEnvelope(store, kMaximumEnvelope, series);
}

}  // namespace

int dofCount(const ModelStore& store) {
    return store.control.analysisType == 2 ? 3 : 6;
}

int capComponentOfDof(int dofs, int dof) {
    if (dofs == 3) {
        constexpr int kPlane[] = {kForceX, kForceY, kMomentZ};
        return kPlane[std::clamp(dof, 1, 3) - 1];
    }
    return std::clamp(dof, 1, kCapComponents) - 1;
}

void combinationLoad(const ModelStore& store, int combinationNo, CapVector& capLoad) {
    capLoad.fill(0.0);
    const CombinationTable& table = store.combinations;
    if (combinationNo < 1 || combinationNo > std::min(table.combinationCount, kMaxCombinations))
        return;
    const LoadCombination& combination = table.rows[combinationNo - 1];
    const int entries = std::clamp(combination.combinedCaseCount, 0, kMaxCasesPerCombination);
    for (int k = 0; k < entries; ++k) {
        CapVector load{};
        caseLoad(store, combination.cases[k].loadCaseNo, load);
        for (int i = 0; i < kCapComponents; ++i)
            capLoad[i] += combination.cases[k].factor * load[i];
    }
}

namespace {

// The p-y curves the input asked for, at the end of the run.
void printRequestedCurves(ModelStore& store, int curveSwitch, const AnalysisRoutines& routines) {
    store.control.KPYOP = curveSwitch;
    if (store.control.KPYOP != 0) {
        ReportLine l;
        l.slash().slash().slash().slash().slash().X(5).text("* TABLE N *   PRINTED P-Y CURVES");
        writeLine(store.files.report.get(), l);
        // A printed curve uses the multipliers that TABLE K lists, so that it
        // can be checked against the report.
        useListedGroupFactors(store);
        routines.printPyCurves(store);
        if (store.control.KPYOP == 1) store.control.KPYOP = 0;
    }
}

// The pushover of the run: its load case alone, without estimation passes,
// combinations or envelopes. False when the run ends here (stopCode set),
// also when the pushover cannot run: its case does not exist, its factor is
// not a number from 1 to kMaxPushoverFactor, or the cap is flexible.
bool runPushover(ModelStore& store, int& curveSwitch, int& stopCode,
                 const AnalysisRoutines& routines) {
    const int caseCount = std::clamp(store.loadCases.loadCaseCount, 0, kMaxLoadCases);
    const int n = store.run.pushoverCase;
    const double factor = store.run.pushoverFactor;
    std::string reason;
    if (n > caseCount) {
        reason = "THE LOAD CASE" + formatI(n, 5) +
                 " OF THE PUSHOVER DOES NOT EXIST (THE MODEL HAS" + formatI(caseCount, 5) +
                 " LOAD CASES)";
    } else if (!(factor >= 1.0 && factor <= kMaxPushoverFactor)) {
        reason = "THE LARGEST LOAD FACTOR OF THE PUSHOVER IS NOT A NUMBER FROM 1 TO " +
                 formatF(kMaxPushoverFactor, 6, 0);
    } else if (store.control.flexibleCapOption >= 1) {
        reason = "A PUSHOVER NEEDS A RIGID PILE CAP; THIS ONE IS SOLVED AS A PLATE";
    }
    if (!reason.empty()) {
        writeCapFatal(store, reason, "");
        stopCode = kReturnInputRefused;
        return false;
    }
    if (!analyseAndRelease(store, kCaseTexts, n, caseCount, curveSwitch, stopCode, routines))
        return false;
    if (!releaseStatusLines(store)) {
        stopCode = kReturnFileWriteError;
        return false;
    }
    return true;
}

}  // namespace

void runAnalysisSequence(ModelStore& store, int curveSwitch, int& stopCode,
                         const AnalysisRoutines& routines) {
    CurrentAnalysis& a = store.analysis;
    writeComputationHeaders(store);
    a.dofCount = dofCount(store);
    store.capSolution2D.echoWritten = 0;
    a.currentCase = 0;
    a.currentCombination = 0;

    if (store.run.pushoverCase > 0) {
        if (!runPushover(store, curveSwitch, stopCode, routines)) return;
        printRequestedCurves(store, curveSwitch, routines);
        return;
    }

    const int caseCount = std::clamp(store.loadCases.loadCaseCount, 0, kMaxLoadCases);
    for (int i = 1; i <= caseCount; ++i)
        if (!analyseAndRelease(store, kCaseTexts, i, caseCount, curveSwitch, stopCode, routines))
            return;
    const LoadCaseTable& cases = store.loadCases;
    if (cases.caseEnvelopeFlag >= 1 && caseCount >= 1)
        printEnvelopes(store, kLoadCaseSeries, cases.caseEnvelopePrintOption,
                       cases.caseEnvelopeNodeStep, routines);
    if (!releaseStatusLines(store)) {
        stopCode = kReturnFileWriteError;
        return;
    }

    const CombinationTable& combinations = store.combinations;
    const int combinationCount = std::clamp(combinations.combinationCount, 0, kMaxCombinations);
    for (int c = 1; c <= combinationCount; ++c)
        if (!analyseAndRelease(store, kCombinationTexts, c, combinationCount, curveSwitch, stopCode,
                               routines))
            return;
    if (combinations.combinationEnvelopeFlag >= 1 && combinationCount >= 1)
        printEnvelopes(store, kCombinationSeries, combinations.combinationEnvelopePrintOption,
                       combinations.combinationEnvelopeNodeStep, routines);
    if (!releaseStatusLines(store)) {
        stopCode = kReturnFileWriteError;
        return;
    }

    printRequestedCurves(store, curveSwitch, routines);
}

void analysisDriver(ModelStore& store, int curveSwitch, int& stopCode) {
    runAnalysisSequence(store, curveSwitch, stopCode, AnalysisRoutines{});
}

}  // namespace pylora
