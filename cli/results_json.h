// SPDX-License-Identifier: Apache-2.0
// The machine-readable results file of a command-line run: a collector that
// the command-line program attaches to the run (see store/results_collector.h)
// and that writes, once the run is over, one JSON document with the model, the
// results of every load case and combination, the envelopes, the generated
// pile-head curves, the printed p-y curves and the warnings of the run. The
// layout is described in docs/results-json.md and in docs/results.schema.json.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "store/results_collector.h"

namespace pylora {

class JsonResultsCollector final : public ResultsCollector {
  public:
    JsonResultsCollector();
    ~JsonResultsCollector() override;

    void analysisStarted(const ModelStore& store) override;
    void capSolved(const ModelStore& store, std::span<const double> load,
                   std::span<const double> displacement, int iterations) override;
    void incrementConverged(const ModelStore& store, double loadFactor,
                            std::span<const double> load, std::span<const double> displacement,
                            int iterations, double axialForce, double moment) override;
    void secantStiffnessComputed(const ModelStore& store, int levelNo, double level,
                                 std::span<const int> components,
                                 std::span<const double> stiffness) override;
    void capStiffnessComputed(const ModelStore& store, std::span<const double> stiffness) override;
    void pushoverEvent(const ModelStore& store, int kind, double loadFactor, int step,
                       int pileGroup, double depth) override;
    void pushoverFinished(const ModelStore& store, int caseNo, double maximumFactor,
                          double capacityFactor, int stop) override;
    void completed(const ModelStore& store, int code, double loadFactor) override;
    void pileSolved(const ModelStore& store, int pileGroup, std::span<const double> global,
                    std::span<const double> local) override;
    void envelopePrinted(const ModelStore& store, int which, int series) override;
    void pyCurvePrinted(const ModelStore& store, int requestNo, int pileGroup) override;
    void warningIssued(const ModelStore& store, std::string_view text) override;
    void runFinished(const ModelStore& store, int returnCode) override;

    // Writes the document built by runFinished to path, whole or not at all
    // (writeWholeFile). Returns false with a reason in `error` when the run
    // did not finish, the collector ran out of memory, or the file cannot be
    // written.
    bool write(const std::string& path, std::string& error) const;

    // Writes the stiffness matrices of the foundation (the tangent of every
    // analysis that converged, the secants of the estimation levels) as CSV
    // blocks for spreadsheets and structural programs, whole or not at all.
    bool writeStiffnessCsv(const std::string& path, std::string& error) const;

    // What the console shows of a finished run: each analysis with its
    // completion and the largest cap displacement and rotation, and the
    // text of every warning. Empty when collecting failed.
    struct AnalysisOutcome {
        bool combination = false;
        int number = 0;
        std::string name;
        int completion = 0;  // 1 completed, 2 partial load, 3, 6, 7, 8 as the report; 0 none
        double loadFactor = 0.0;
        int stopCode = 0;  // the stop code that ended the run in this analysis, 0 none
        bool hasDisplacement = false;
        std::string displacementComponent, rotationComponent;  // "uy", "tz"
        double displacement = 0.0, rotation = 0.0;             // largest in magnitude, signed
    };
    struct RunOutcome {
        std::vector<AnalysisOutcome> analyses;
        std::vector<std::string> warnings;
        std::string lengthUnit, rotationUnit;
    };
    RunOutcome outcome() const;

    // Set when collecting failed (out of memory): nothing is then written.
    struct StateFlags {
        bool failed = false;
    };

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// Writes text to path through a file beside it (path + ".partial") that is
// renamed over path once written, flushed and closed, so that a failed
// write never leaves a half-written file and never disturbs the one there.
// Returns false with the file and the system's reason in `error`; the
// partial file is then removed.
bool writeWholeFile(const std::string& path, std::string_view text, std::string& error);

// What a return code of the engine means, in a few words (README's table);
// empty for a code of no known meaning.
std::string returnMeaning(int rc);

}  // namespace pylora
