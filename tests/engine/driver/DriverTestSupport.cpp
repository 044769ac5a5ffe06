// SPDX-License-Identifier: Apache-2.0
#include "tests/engine/driver/DriverTestSupport.h"

#include <string>

#include "cap/cap_envelope.h"
#include "engine/run_control.h"
#include "format/format.h"
#include "store/file_handle.h"
#include "store/run_messages.h"

namespace pylora::test {

DriverRun::DriverRun() {
    RunFiles& f = store->files;
    f.report = openForWriting(path("report.out"));
    f.summary = openForWriting(path("summary.sum"));
    f.runtime = openForWriting(path("runtime.rtm"));
    f.status = openForWriting(path("status.sta"));
    f.resultsData = openForWriting(path("results.res"));
    store->run.progressFilePath.assign(path("progress.prg"));
    store->run.scratchFile1Path.assign(path("scratch1.scr"));
    store->run.scratchFile2Path.assign(path("scratch2.scr"));
    store->title.assign("DRIVER TEST MODEL");
}

void DriverRun::closeFiles() {
    closeRunFiles(*store);
}

std::vector<std::string> DriverRun::lines(const std::string& name) const {
    return testsupport::readLines(dir / name);
}

std::string DriverRun::text(const std::string& name) const {
    return testsupport::readFile(dir / name);
}

Recorder& recorder() {
    static Recorder instance;
    return instance;
}

void resetRecorder() {
    recorder() = Recorder{};
}

namespace {

// One estimation record as the cap solutions write it: 5X I5 2X, then each
// value in a 1PE18.8 field followed by 3 blanks.
void writeRecord(std::FILE* file, int r, const std::vector<double>& values) {
    ReportLine l;
    l.X(5).I(r, 5).X(2);
    for (double v : values)
        l.PE(v, 18, 8).X(3);
    writeLine(file, l);
}

void recordingCap(ModelStore& store, int dimensions, int& curveSwitch, int& errorFlag) {
    Recorder& rec = recorder();
    const CurrentAnalysis& a = store.analysis;
    CapCall call;
    call.dimensions = dimensions;
    call.currentCase = a.currentCase;
    call.currentCombination = a.currentCombination;
    call.dofCount = a.dofCount;
    call.estimation = a.estimation;
    call.capLoad = a.capLoad;
    call.KPYOP = store.control.KPYOP;
    call.curveSwitch = curveSwitch;
    call.bendingRf = a.bendingRf;
    call.shearRf = a.shearRf;
    call.printOption = a.control.printOption;
    call.loadingKind = a.control.loadingKind;
    call.stiffnessLevelCount = a.control.stiffnessLevelCount;
    call.progress = testsupport::readFile(store.run.progressFilePath.str());
    rec.calls.push_back(call);
    rec.events.push_back("cap");

    // A cap solution changes the load it was given; the driver must restore it.
    store.analysis.capLoad.fill(-1.0);

    const CurrentAnalysis::EstimationState& e = a.estimation;
    if (e.estimationMode == 2) {
        const int d = e.estimationDof;
        const int r = e.estimationRun;
        const int dofs = a.dofCount;
        if (d == rec.failDof && e.levelNo == rec.failLevel) {
            writeRecord(store.files.scratch2.get(), -r, std::vector<double>(dofs + 1, 0.0));
            writeRecord(store.files.scratch2.get(), -r, std::vector<double>(dofs, 0.0));
            std::vector<double> unit(dofs, 0.0);
            unit[d - 1] = 1.0;
            writeRecord(store.files.scratch1.get(), r, unit);
            ReportLine code;
            code.text("    3 NO CONVERGENCE ON PILE CAP");
            writeStatusRecords(store, code.str());
            return;
        }
        std::vector<double> column(dofs);
        for (int i = 0; i < dofs; ++i)
            column[i] = e.levelNo * rec.flexibility[i][d - 1];
        std::vector<double> first{1.0};
        first.insert(first.end(), column.begin(), column.end());
        writeRecord(store.files.scratch2.get(), r, first);
        writeRecord(store.files.scratch2.get(), r, column);
        writeRecord(store.files.scratch1.get(), r, column);
    } else {
        if (a.currentCase == rec.stopOnCase && a.currentCombination == 0) {
            errorFlag = rec.stopCodeToSet;
            return;
        }
        CapVector displacement{};
        for (int k = 0; k < kCapComponents; ++k)
            displacement[k] = 0.001 * call.capLoad[k];
        updateCapEnvelope(store, call.capLoad, displacement);
        store.analysis.solvedCount += 1;
    }
    ReportLine code;
    code.text("    1 ANALYSIS COMPLETED");
    writeStatusRecords(store, code.str());
}

void recordingCap3D(ModelStore& store, int& curveSwitch, int& errorFlag) {
    recordingCap(store, 3, curveSwitch, errorFlag);
}

void recordingCap2D(ModelStore& store, int& echoSwitch, int& errorFlag) {
    recordingCap(store, 2, echoSwitch, errorFlag);
}

void recordingEnvelope(ModelStore& store, int which, int series) {
    recorder().events.push_back("envelope " + std::to_string(which) + " " + std::to_string(series) +
                                " (print option " +
                                std::to_string(store.analysis.control.printOption) + ")");
}

void recordingPyCurves(ModelStore& store) {
    recorder().events.push_back("py-curves");
    recorder().pyCurveKPYOP = store.control.KPYOP;
}

}  // namespace

AnalysisRoutines recordingRoutines() {
    AnalysisRoutines routines;
    routines.solveCap3D = recordingCap3D;
    routines.solveCap2D = recordingCap2D;
    routines.printEnvelope = recordingEnvelope;
    routines.printPyCurves = recordingPyCurves;
    return routines;
}

}  // namespace pylora::test
