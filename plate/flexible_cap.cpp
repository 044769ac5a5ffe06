#include "plate/flexible_cap.h"

#include <algorithm>
#include <string>

#include "cap/cap_results.h"
#include "format/format.h"
#include "plate/plate_export.h"
#include "plate/plate_reader.h"
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

}  // namespace

int solvePlateModel(ModelStore& store, const PlateElementControl& element) {
    const std::string folder = platePathsOfRun(store).folder;
    const std::string runControl = folder + "gslab.dat";
    std::string lines[kRunControlLines];
    if (!readRunControl(runControl, lines) || lines[1].empty() || lines[2].empty() ||
        lines[4].empty()) {
        writeCapFatal(store, "THE PLATE RUN-CONTROL FILE " + runControl,
                      "IS MISSING OR DOES NOT NAME THE FIVE FILES OF THE PLATE RUN");
        return kReturnFileOpenError;
    }
    const std::string modelPath = inFolder(folder, lines[1]);
    const std::string listingPath = inFolder(folder, lines[2]);
    const std::string summaryPath = inFolder(folder, lines[4]);
    FileHandle model = openForReading(modelPath);
    FileHandle listing = openForWriting(listingPath);
    FileHandle summary = openForWriting(summaryPath);
    if (!model || !listing || !summary) {
        closeFile(model);
        closeFile(listing);
        closeFile(summary);
        writeCapFatal(store, "A FILE OF THE PLATE RUN CANNOT BE OPENED:",
                      modelPath + ", " + listingPath + " OR " + summaryPath);
        return kReturnFileOpenError;
    }

    PlateModel plate;
    PlateMeshDiagnosis diagnosis;
    const PlateOutput out{listing.get(), summary.get(), true};
    const int code = readPlateModel(model.get(), out, element, plate, diagnosis);
    closeFile(model);
    closeFile(listing);
    closeFile(summary);
    if (code != 0) {
        writeCapFatal(store, "THE PLATE MODEL OF THE FLEXIBLE CAP FAILED ITS DATA CHECKS",
                      "THE DIAGNOSES ARE IN THE PLATE INPUT LISTING " + lines[2]);
        return code;
    }
    writeCapFatal(store, "THE PLATE SOLUTION IS NOT AVAILABLE IN THIS BUILD",
                  "THE PLATE MODEL WAS WRITTEN, READ BACK AND CHECKED (" + lines[2] + ")");
    return kReturnNotAvailable;
}

void solveFlexibleCap(ModelStore& store, int& errorFlag) {
    store.pileSolution.finalPassFlag = 0;
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
