// SPDX-License-Identifier: Apache-2.0
#include "plate/flexible_cap.h"

#include <algorithm>
#include <span>
#include <string>
#include <vector>

#include "cap/cap_results.h"
#include "cap/pile_in_cap.h"
#include "format/format.h"
#include "pile/pile_summary.h"
#include "plate/plate_export.h"
#include "plate/plate_reader.h"
#include "plate/plate_solver.h"
#include "store/file_handle.h"
#include "store/return_codes.h"
#include "store/run_messages.h"

namespace pylora {

namespace {

constexpr std::size_t kRunControlLineWidth = 128;
constexpr int kRunControlLines = 5;

void writeToReportAndSummary(ModelStore& store, const ReportLine& l) {
    writeLine(store.files.report.get(), l);
    writeLine(store.files.summary.get(), l);
}

void writePlotHeader(ModelStore& store) {
    ReportLine first;
    first.I(store.control.analysisType, 5);
    writeLine(store.files.plot.get(), first);
    ReportLine second;
    second.I(std::clamp(store.arrangement.pileGroupCount, 0, kMaxPileGroups), 5);
    second.I(store.loadCases.loadCaseCount + 1, 5).I(store.control.unitsSystem, 5);
    writeLine(store.files.plot.get(), second);
}

void writeHeadings(ModelStore& store) {
    ReportLine results;
    results.slash().slash().slash().X(17).text("*****").X(5).text("COMPUTATION RESULTS");
    results.X(5).text("*****").slash();
    writeToReportAndSummary(store, results);
    ReportLine table;
    table.slash().slash().slash().X(5).text("* TABLE I *   COMPUTATION ON INDIVIDUAL PILE");
    writeToReportAndSummary(store, table);
}

// Reads the five lines of "gslab.dat"; false when the file is missing or short.
bool readRunControl(const std::string& path, std::string (&lines)[kRunControlLines]) {
    FileHandle file = openForReading(path);
    if (!file) return false;
    for (std::string& line : lines) {
        line.clear();
        int c = 0;
        bool any = false;
        while ((c = std::fgetc(file.get())) != EOF && c != '\n') {
            any = true;
            if (line.size() < kRunControlLineWidth) line.push_back(static_cast<char>(c));
        }
        if (!any && c == EOF) {
            closeFile(file);
            return false;
        }
        const std::size_t begin = line.find_first_not_of(" \r");
        const std::size_t end = line.find_last_not_of(" \r");
        line = begin == std::string::npos ? std::string() : line.substr(begin, end - begin + 1);
    }
    closeFile(file);
    return true;
}

std::string inFolder(const std::string& folder, const std::string& name) {
    if (!name.empty() && (name.front() == '/' || name.front() == '\\')) return name;
    return folder + name;
}

// The responses of the pile springs for the plate at the head displacements
// heads[s], spring s standing for pile group s + 1: the force of the group on
// the cap and its tangent by central differences, through the per-pile
// analysis, on the run's worker threads when it has them. The result is
// that of the first spring in spring order whose analysis did not end
// normally: its status, or kPlateSpringNotClosed for a lateral solution that
// did not close (which fails the plate iteration); 0 when every spring
// responded.
int pileSpringResponses(ModelStore& store, std::span<const CapVector> heads,
                        std::span<CapVector> forces, std::span<CapMatrix> tangents) {
    const bool fromConverged = store.control.stiffnessStart != kStartFromInitialModuli;
    const int count = static_cast<int>(std::min({heads.size(), forces.size(), tangents.size()}));
    return analysePileGroups(
        store, count,
        [&](const ModelStore& model, PileScratch& scratch, int g) {
            const std::size_t s = static_cast<std::size_t>(g - 1);
            int status = 0;
            analysePile(model, scratch, g, heads[s], forces[s], status);
            if (status == 0) {
                if (fromConverged && scratch.capAbortFlag == 0)
                    scratch.start = convergedStart(scratch, g);
                pileHeadStiffness(model, scratch, g, tangents[s], heads[s], status);
                scratch.start.pileGroup = 0;
            }
            if (status != 0) return status;
            // The plane branch of the per-pile analysis gives the resistance
            // of the row (the sign of the two-dimensional cap solution, which
            // balances the load against it); the plate takes the force on the
            // cap, its opposite.
            if (model.control.analysisType == 2) {
                for (double& f : forces[s])
                    f = 0.0 - f;
                for (double& k : tangents[s])
                    k = 0.0 - k;
            }
            if (scratch.capAbortFlag != 0) {
                scratch.capAbortFlag = 0;
                return kPlateSpringNotClosed;
            }
            return 0;
        },
        [](int) {});
}

// One evaluation of every pile spring at the final plate displacement: with
// warningRecord the pile failure warnings go to the warning scratch file;
// with the final-pass flag the pile solvers print their results.
int evaluatePileSprings(ModelStore& store, const PlateModel& plate, const PlateSolution& solution) {
    std::vector<CapVector> heads(solution.springs.size());
    for (std::size_t s = 0; s < solution.springs.size(); ++s)
        heads[s] = plateHeadDisplacement(plate, solution.springs[s], solution.ASDIS);
    return analysePileGroups(
        store, static_cast<int>(heads.size()),
        [&](const ModelStore& model, PileScratch& scratch, int g) {
            CapVector force{};
            int status = 0;
            analysePile(model, scratch, g, heads[static_cast<std::size_t>(g - 1)], force, status);
            return status;
        },
        [](int) {});
}

// What the cap solution writes once the plate has carried its load: the
// pile failure warnings at the final displacement, the completion code, and
// the per-pile results printed as the rigid cap prints them.
int finishPlateAnalysis(ModelStore& store, const PlateModel& plate, const PlateSolution& solution) {
    AxialResponseState& r = store.axialResponse;
    r.bearingWarningCount = 0;
    r.pullOutWarningCount = 0;
    r.torsionWarningCount = 0;
    RunFiles& f = store.files;
    f.warningScratch = openForWriting(store.run.warningScratchPath.str());
    r.warningRecordFlag = 1;
    int status = evaluatePileSprings(store, plate, solution);
    r.warningRecordFlag = 0;
    closeFile(f.warningScratch);
    store.pileSolution.capAbortFlag = 0;
    if (status != 0) return status;
    writePileWarnings(store, store.control.analysisType != 2);

    if (solution.stepTooSmall) {
        writeCapWarning(store,
                        "THE PLATE SOLUTION STOPPED: REQUIRED INCREMENT LESS THAN MINIMUM "
                        "SPECIFIED");
        writePartialLoadWarning(store, solution.convergedTime);
        writePartialStatusLine(store, solution.convergedTime);
    } else {
        writeStatusLine(store, kStatusCompleted);
    }

    store.pileSolution.finalPassFlag = 1;
    writeTableMHeading(store);
    f.pileData = openForWriting(store.run.pileDataFilePath.str());
    status = evaluatePileSprings(store, plate, solution);
    closeFile(f.pileData);
    store.pileSolution.capAbortFlag = 0;
    store.pileSolution.finalPassFlag = 0;
    if (status != 0) return status;
    printPileSummary(store, store.arrangement.pileGroupCount, store.analysis.demandCapacityPrint);
    store.analysis.solvedCount += 1;
    return 0;
}

// The plate of a two-dimensional model works in the vertical plane X-Y of
// the analysis, like the rows of piles it stands on: its nodes neither move
// along Z nor rotate about X or Y. The springs of the rows lie on one line
// and hold nothing out of that plane.
void holdInTheVerticalPlane(PlateModel& plate) {
    for (int node = 1; node <= plate.control.NPOIN; ++node)
        plate.restraints.push_back({node, {0, 0, 1, 1, 1, 0}});
    plate.control.NVFIX = static_cast<int>(plate.restraints.size());
}

}  // namespace

int solvePlateModel(ModelStore& store, const PlateElementControl& element) {
    const PlatePaths paths = platePathsOfRun(store);
    const std::string& folder = paths.folder;
    const std::string runControl = folder + "gslab.dat";
    std::string lines[kRunControlLines];
    if (!readRunControl(runControl, lines) || lines[1].empty() || lines[2].empty() ||
        lines[3].empty() || lines[4].empty()) {
        writeCapFatal(store, "THE PLATE RUN-CONTROL FILE " + runControl,
                      "IS MISSING OR DOES NOT NAME THE FIVE FILES OF THE PLATE RUN");
        return kReturnFileOpenError;
    }
    const std::string modelPath = inFolder(folder, lines[1]);
    const std::string listingPath = inFolder(folder, lines[2]);
    const std::string resultsPath = inFolder(folder, lines[3]);
    const std::string summaryPath = inFolder(folder, lines[4]);
    FileHandle model = openForReading(modelPath);
    FileHandle listing = openForWriting(listingPath);
    FileHandle summary = openForWriting(summaryPath);
    if (!model || !listing || !summary) {
        writeCapFatal(store, "A FILE OF THE PLATE RUN CANNOT BE OPENED:",
                      modelPath + ", " + listingPath + " OR " + summaryPath);
        return kReturnFileOpenError;
    }

    PlateModel plate;
    PlateMeshDiagnosis diagnosis;
    const bool console = store.run.plateConsole != 0;
    const PlateOutput out{listing.get(), summary.get(), console};
    const int code = readPlateModel(model.get(), out, element, plate, diagnosis);
    closeFile(model);
    if (code != 0) {
        writeCapFatal(store, "THE PLATE MODEL OF THE FLEXIBLE CAP FAILED ITS DATA CHECKS",
                      "THE DIAGNOSES ARE IN THE PLATE INPUT LISTING " + lines[2]);
        return code;
    }
    if (plate.springs.size() != static_cast<std::size_t>(store.arrangement.pileGroupCount)) {
        writeCapFatal(store,
                      "THE PLATE MODEL " + lines[1] + " HAS " +
                          std::to_string(plate.springs.size()) + " PILE SPRINGS FOR " +
                          std::to_string(store.arrangement.pileGroupCount) + " PILE GROUPS",
                      "EACH PILE GROUP NEEDS ITS SPRING, IN THE ORDER OF THE PILE GROUPS");
        return kReturnInputRefused;
    }

    if (store.control.analysisType == 2) holdInTheVerticalPlane(plate);

    FileHandle results = openForWriting(resultsPath);
    FileHandle iterations = openForWriting(paths.full(paths.iterationListing));
    FileHandle fort2 = openWorkFile(folder + "fort2");
    FileHandle fort3 = openWorkFile(folder + "fort3");
    FileHandle fort4 = openWorkFile(folder + "fort4");
    if (!results || !iterations || !fort2 || !fort3 || !fort4) {
        writeCapFatal(store,
                      "A FILE OF THE PLATE SOLUTION CANNOT BE OPENED IN " +
                          (folder.empty() ? std::string("THE CURRENT FOLDER") : folder),
                      resultsPath + ", " + paths.iterationListing + ", FORT2, FORT3 OR FORT4");
        return kReturnFileOpenError;
    }

    const PlateSolverFiles files{listing.get(), summary.get(), results.get(), iterations.get(),
                                 fort2.get(),   fort3.get(),   fort4.get(),   console};
    const PlateSpringResponses springs = [&store](std::span<const CapVector> heads,
                                                  std::span<CapVector> forces,
                                                  std::span<CapMatrix> tangents) {
        // Every iteration of the plate evaluates its springs first: the run
        // stops here when its caller interrupts it or a file failed.
        int request = 0;
        if (stopRequested(store, request)) return request;
        return pileSpringResponses(store, heads, forces, tangents);
    };
    store.pileSolution.finalPassFlag = 0;
    store.pileSolution.capAbortFlag = 0;
    beginPileAnalyses(store);
    PlateSolution solution;
    const int solved = solvePlateSteps(plate, files, springs, solution);
    store.pileSolution.capAbortFlag = 0;
    if (solved == kReturnPlateSolutionStopped) {
        writeCapFatal(store, "THE PLATE SOLUTION OF THE FLEXIBLE CAP STOPPED",
                      "THE REASON IS IN THE PLATE STEP SUMMARY " + lines[4]);
        return solved;
    }
    // A file that failed is named by the run as it stops.
    if (solved != 0) return solved;
    if (solution.convergedSteps == 0) {
        writeCapWarning(store,
                        "THE PLATE SOLUTION DID NOT CONVERGE: REQUIRED INCREMENT LESS THAN "
                        "MINIMUM SPECIFIED");
        writeStatusLine(store, kStatusCapNotConverged);
        return 0;
    }
    return finishPlateAnalysis(store, plate, solution);
}

void solveFlexibleCap(ModelStore& store, int& errorFlag) {
    store.pileSolution.finalPassFlag = 0;
    store.analysis.plateModelCount += 1;
    const bool solve = store.control.flexibleCapOption == 1;
    if (solve) {
        writePlotHeader(store);
        writeHeadings(store);
    }
    PlateModel model;
    errorFlag = writePlateModel(store, model);
    if (errorFlag != 0) return;
    const PlatePaths paths = platePathsOfRun(store);
    ReportLine written;
    written.X(5).text("PLATE MODEL OF THE FLEXIBLE CAP WRITTEN: ").A(paths.numericModel);
    written.text(", ").A(paths.keywordModel);
    writeRuntimeLine(store, written.str());
    if (!solve) return;
    errorFlag = solvePlateModel(store);
}

}  // namespace pylora
