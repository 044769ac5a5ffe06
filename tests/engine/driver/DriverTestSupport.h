// SPDX-License-Identifier: Apache-2.0
// Test support of the analysis driver: a model store with the files of a run
// in a scratch folder, and a recording cap solution that stands in for the
// real ones.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "engine/analysis_driver.h"
#include "store/model_store.h"
#include "tests/support/temp_dir.h"

namespace pylora::test {

// Expects |actual - expected| <= tolerance x max(1, |expected|).
inline void expectClose(double actual, double expected, double tolerance,
                        const std::string& what = {}) {
    const double scale = std::max(1.0, std::fabs(expected));
    EXPECT_LE(std::fabs(actual - expected), tolerance * scale)
        << what << ": actual " << actual << ", expected " << expected;
}

// A cleared store whose report, summary, runtime, status and results data
// files are open in a scratch folder, with the paths of the progress and
// scratch files set there. closeAndRead closes them and reads them back.
struct DriverRun {
    testsupport::TempDir dir;
    std::unique_ptr<ModelStore> store = makeModelStore();

    DriverRun();
    void closeFiles();
    std::vector<std::string> lines(const std::string& name) const;  // after closeFiles
    std::string text(const std::string& name) const;
    std::string path(const std::string& name) const { return (dir / name).string(); }
};

// One call of the recording cap solution, with what the driver handed over.
struct CapCall {
    int dimensions = 0;  // 3 or 2: which cap solution was called
    int currentCase = 0;
    int currentCombination = 0;
    int dofCount = 0;
    CurrentAnalysis::EstimationState estimation;
    CapVector capLoad{};
    int KPYOP = -99;  // KPYOP during the call
    int curveSwitch = 0;
    double bendingRf = 0.0;
    double shearRf = 0.0;
    int printOption = 0;
    int loadingKind = 0;
    int stiffnessLevelCount = 0;
    std::string progress;  // the progress file during the call
};

// What the test doubles saw, and how the cap double is to behave.
struct Recorder {
    std::vector<CapCall> calls;
    std::vector<std::string> events;  // "cap", "envelope W S (print option P)", "py-curves"
    int pyCurveKPYOP = -99;           // KPYOP while the p-y curves were printed
    // The cap double sets stopCode on the total-load analysis of this load case.
    int stopOnCase = 0;
    int stopCodeToSet = 0;
    // The cap double reports no convergence for this estimation DOF and level.
    int failDof = 0;
    int failLevel = 0;
    // Flexibility matrix of the double's cap at level number n: n x flexibility.
    std::array<std::array<double, kCapComponents>, kCapComponents> flexibility{};
};

// The one recorder of the test doubles, cleared by resetRecorder.
Recorder& recorder();
void resetRecorder();

// The doubles: the cap solutions write the completion code to the status
// file, record the call, and in an estimation pass write the estimation
// records to the scratch files (no convergence: the failure records); in the
// ordinary pass they update the cap envelope with the cap load and a cap
// displacement of 0.001 x the load and count the solved analysis.
AnalysisRoutines recordingRoutines();

}  // namespace pylora::test
