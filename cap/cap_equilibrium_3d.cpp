// SPDX-License-Identifier: Apache-2.0
#include "cap/cap_equilibrium_3d.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string>

#include "cap/cap_envelope.h"
#include "cap/cap_results.h"
#include "cap/group_factors.h"
#include "cap/invert_matrix.h"
#include "cap/pile_in_cap.h"
#include "cap/pushover.h"
#include "format/format.h"
#include "pile/pile_summary.h"
#include "store/constants.h"
#include "store/return_codes.h"
#include "store/run_messages.h"

namespace pylora {

namespace {

constexpr int kN = kCapComponents;

// The load-increment control of one call.
struct IncrementControl {
    int STEP = 0;        // number of the current increment
    double TCUR = 0.0;   // target load factor of the current increment
    double DTCUR = 0.0;  // current increment size
    double end = 1.0;    // load factor of the last increment: 1, or a pushover's largest
};

// What one global iteration ended with.
enum class IterationEnd {
    untested,      // the first iteration of an increment: no convergence test
    converged,     // both convergence flags true
    notConverged,  // tested, not yet converged
    failed,        // abandoned: a pile did not close or the stiffness is singular
    fatal,         // errorFlag set
};

bool allFinite(std::span<const double> v) {
    return std::all_of(v.begin(), v.end(), [](double x) { return std::isfinite(x); });
}

double norm3(const CapVector& v, int first) {
    double sum = 0.0;
    for (int i = first; i < first + 3; ++i)
        sum += v[i] * v[i];
    return std::sqrt(sum);
}

// The iteration is given up: it counts as beyond the limit of its increment.
IterationEnd abandon(ModelStore& store, int capStatus) {
    CapSolution& cap = store.capSolution;
    cap.capStatus = capStatus;
    cap.globalIteration = store.analysis.control.maxCapIterations + 1;
    return IterationEnd::failed;
}

void writeProgress(ModelStore& store, const IncrementControl& c) {
    const CurrentAnalysis& a = store.analysis;
    const CurrentAnalysis::EstimationState& e = a.estimation;
    const int iteration = store.capSolution.globalIteration;
    ReportLine l;
    if (a.currentCombination > 0)
        l.text("- ANALYSIS FOR LOAD COMB ").I(a.currentCombination, 3).text("/");
    else
        l.text("- ANALYSIS FOR LOAD CASE ").I(a.currentCase, 3).text("/");
    l.I(a.currentCombination > 0 ? store.combinations.combinationCount
                                 : store.loadCases.loadCaseCount,
        3);
    l.slash();
    if (e.estimationPassCount > 1 && e.estimationPass < e.estimationPassCount) {
        l.text(" DOF:").I(e.estimationPass, 3).text("/").I(e.estimationRun, 3);
        l.text(" STEP:").I(c.STEP, 5).text(" TCUR:").F(c.TCUR, 9, 3);
    } else {
        l.text(" STEP:").I(c.STEP, 5).text(" TCUR:").F(c.TCUR, 10, 4);
    }
    l.text(" ITERATION:").I(iteration, 5).slash();
    writeProgressMessage(store, l.str());
}

// The converged states of the force sum for the perturbed solutions of the
// stiffness, when the control parameters ask for that start.
LateralStarts* startsToKeep(ModelStore& store, LateralStarts& starts) {
    return store.control.stiffnessStart == kStartFromConverged ||
                   store.control.stiffnessStart == kStartCondensed
               ? &starts
               : nullptr;
}

// The force sum of one iteration, with the pile failure warnings recorded
// in the warning scratch file. Returns the status of the per-pile analysis.
int sumForcesRecordingWarnings(ModelStore& store, LateralStarts& starts) {
    RunFiles& f = store.files;
    f.warningScratch = openForWriting(store.run.warningScratchPath.str());
    store.axialResponse.warningRecordFlag = 1;
    int status = 0;
    sumPileForces(store, store.capSolution.pileResultant, status, startsToKeep(store, starts));
    store.axialResponse.warningRecordFlag = 0;
    closeFile(f.warningScratch);
    return status;
}

// A pile solution that did not close (the pile solvers raise capAbortFlag)
// makes the iteration fail like any other pile that did not converge: the
// increment is halved, and code 6 ends the analysis of this case if it still
// fails at the smallest increment.
bool pileSolutionsClosed(ModelStore& store) {
    if (store.pileSolution.capAbortFlag == 0) return true;
    store.pileSolution.capAbortFlag = 0;
    return false;
}

// The correction of the iteration from capResidual. False when the
// stiffness cannot be inverted (the warning is then written).
bool solveCorrection(ModelStore& store) {
    CapSolution& cap = store.capSolution;
    const CurrentAnalysis::EstimationState& e = store.analysis.estimation;
    cap.capDispIncrement.fill(0.0);
    if (e.estimationMode == 1) {
        // A stiffness pass moves only the DOF it loads.
        const int d = std::clamp(e.estimationDof, 1, kN) - 1;
        const double Kdd = cap.capStiffness[static_cast<std::size_t>(d + kN * d)];
        const double delta = cap.capResidual[d] / Kdd;
        if (Kdd != 0.0 && std::isfinite(delta)) {
            cap.capDispIncrement[d] = delta;
            return true;
        }
    } else {
        int singular = 0;
        invertMatrix(cap.capStiffness, kN, kN, singular);
        if (singular == 0) {
            multiply6(cap.capDispIncrement, cap.capStiffness, cap.capResidual, 1);
            if (allFinite(cap.capDispIncrement)) return true;
            cap.capDispIncrement.fill(0.0);
        }
    }
    writeCapWarning(store, "DETERMINANT OF STIFFNESS MATRIX IS ZERO");
    return false;
}

bool flagTrue(double relative, double increment, double step, double tolerance, int iteration) {
    const double negligible = f32(1.0E-12F);
    const double relaxed = f32(1.0E-8F);
    if (relative <= tolerance || increment <= negligible || step <= negligible) return true;
    // After 40 iterations a correction or step of 1.0E-8 is small enough.
    return iteration > 40 && (increment <= relaxed || step <= relaxed);
}

// One global iteration at the load factor of the increment.
IterationEnd runGlobalIteration(ModelStore& store, const IncrementControl& c, LateralStarts& starts,
                                int& errorFlag) {
    if (stopRequested(store, errorFlag)) return IterationEnd::fatal;
    CapSolution& cap = store.capSolution;
    CurrentAnalysis& a = store.analysis;
    AxialResponseState& r = store.axialResponse;
    cap.globalIteration += 1;
    cap.iterationTotal += 1;
    store.counters.globalIterations += 1;
    cap.capStatus = kCapOk;
    r.bearingWarningCount = 0;
    r.pullOutWarningCount = 0;
    r.torsionWarningCount = 0;
    writeProgress(store, c);

    CapVector& capLoad = a.capLoad;
    for (int i = 0; i < kN; ++i)
        capLoad[i] = cap.loadFactor * cap.capLoadFull[i];
    updateGroupFactorsForMovement(store, cap.capDisp, capLoad);

    const int forceStatus = sumForcesRecordingWarnings(store, starts);
    if (forceStatus != 0) {
        errorFlag = forceStatus;
        return IterationEnd::fatal;
    }
    if (!pileSolutionsClosed(store) || !allFinite(cap.pileResultant))
        return abandon(store, kCapPileNotClosed);

    int status = 0;
    assembleGroupStiffness(store, cap.capStiffness, status, startsToKeep(store, starts));
    if (status != 0) {
        errorFlag = status;
        return IterationEnd::fatal;
    }
    if (!pileSolutionsClosed(store)) return abandon(store, kCapPileNotClosed);
    if (store.control.embeddedCapOption == 1) {
        capPassiveResistance(store, cap.embeddedCapForce, status);
        capPassiveStiffness(store, cap.embeddedCapStiffness, status);
        for (int i = 0; i < kN; ++i)
            cap.pileResultant[i] += cap.embeddedCapForce[i];
        for (std::size_t k = 0; k < cap.capStiffness.size(); ++k)
            cap.capStiffness[k] += cap.embeddedCapStiffness[k];
    }

    for (int i = 0; i < kN; ++i)
        cap.capResidual[i] = 0.0 - capLoad[i] - cap.pileResultant[i];
    if (!solveCorrection(store)) return abandon(store, kCapSingular);

    for (int i = 0; i < kN; ++i) {
        cap.capDisp[i] += cap.capDispIncrement[i];
        cap.capDispStep[i] += cap.capDispIncrement[i];
    }
    const double normDispIncrement = norm3(cap.capDispIncrement, 0);
    const double normRotIncrement = norm3(cap.capDispIncrement, 3);
    const double normDispStep = norm3(cap.capDispStep, 0);
    const double normRotStep = norm3(cap.capDispStep, 3);
    const double ErrDsp =
        normDispStep != 0.0 ? normDispIncrement / normDispStep : normDispIncrement;
    const double ErrRot = normRotStep != 0.0 ? normRotIncrement / normRotStep : normRotIncrement;

    ReportLine l;
    l.X(5).text("ITERATION ").I(cap.globalIteration, 4).text(", ErrDsp ").E(ErrDsp, 13, 5);
    l.text(", ErrRot ").E(ErrRot, 13, 5);
    l.slash().text("ERR1 ").E(ErrDsp, 13, 5).E(normDispIncrement, 13, 5).E(normDispStep, 13, 5);
    l.slash().text("ERR2 ").E(ErrRot, 13, 5).E(normRotIncrement, 13, 5).E(normRotStep, 13, 5);
    writeRuntimeLine(store, l.str());

    const double work = correctionWork(cap.capResidual, cap.capDispIncrement);
    if (cap.globalIteration == 1) {
        cap.firstCorrectionWork = work;
        return IterationEnd::untested;
    }
    const double tolerance = a.control.capTolerance;
    const bool displacements =
        flagTrue(ErrDsp, normDispIncrement, normDispStep, tolerance, cap.globalIteration);
    const bool rotations =
        flagTrue(ErrRot, normRotIncrement, normRotStep, tolerance, cap.globalIteration);
    const bool balanced = capInBalance(store, work, cap.firstCorrectionWork);
    return displacements && rotations && balanced ? IterationEnd::converged
                                                  : IterationEnd::notConverged;
}

// Step control after a tested or failed iteration.
void controlStep(ModelStore& store, IncrementControl& c, bool converged) {
    CapSolution& cap = store.capSolution;
    const CurrentAnalysis::ControlBlock& control = store.analysis.control;
    if (converged) {
        cap.incrementState = kIncrementConverged;
        for (int i = 0; i < kN; ++i)
            cap.capDispConverged[i] += cap.capDispStep[i];
        cap.capDisp = cap.capDispConverged;
        cap.convergedIncrements += 1;
        cap.convergedFactor = cap.loadFactor;
        cap.convergedIterations = cap.globalIteration;
        cap.convergedResultant = cap.pileResultant;
        const CurrentAnalysis& a = store.analysis;
        if (store.resultsCollector && a.estimation.estimationMode == 0)
            store.resultsCollector->incrementConverged(store, cap.loadFactor, a.capLoad,
                                                       cap.capDisp, cap.globalIteration,
                                                       cap.headAxialLargest, cap.headMomentLargest);
        notePushoverEvents(store, cap.limits, cap.convergedIncrements);
        const double previous = c.TCUR;
        c.TCUR = previous + c.DTCUR;
        // The last increment ends at the full load (a pushover's largest
        // factor) exactly.
        if (c.TCUR > c.end && previous < c.end) c.TCUR = c.end;
        return;
    }
    if (cap.globalIteration <= control.maxCapIterations) return;

    c.DTCUR = f32(0.5F) * c.DTCUR;
    cap.capDisp = cap.capDispConverged;
    cap.incrementState = kIncrementFailed;
    if (c.DTCUR < control.minLoadIncrementFactor) {
        if (cap.capStatus == kCapOk)
            writeCapWarning(store, std::string("PILE CAP DISPL DOES NOT CONVERGE AFTER,") +
                                       formatI(control.maxCapIterations, 5) + "  ITERATIONS");
        // Beyond the last factor: the increments end.
        c.TCUR = c.end > 1.0 ? c.end + 0.1 : f32(1.1F);
        return;
    }
    // Retry halfway between the last converged factor and the failed one.
    c.TCUR = c.TCUR - c.DTCUR;
    c.STEP -= 1;
}

// The load increments. False when errorFlag was set.
bool runIncrements(ModelStore& store, IncrementControl& c, int& errorFlag) {
    CapSolution& cap = store.capSolution;
    LateralStarts starts;
    while (c.TCUR <= c.end) {
        cap.loadFactor = c.TCUR;
        c.STEP += 1;
        ReportLine step;
        step.X(5).text("STEP ").I(c.STEP, 5).text(", TCUR ").F(c.TCUR, 10, 4);
        step.text(", DTCUR ").F(c.DTCUR, 10, 4);
        writeRuntimeLine(store, step.str());

        cap.incrementState = kIncrementIterating;
        cap.capDispStep.fill(0.0);
        cap.capDispIncrement.fill(0.0);
        cap.globalIteration = 0;
        while (cap.incrementState == kIncrementIterating) {
            const IterationEnd end = runGlobalIteration(store, c, starts, errorFlag);
            if (end == IterationEnd::fatal) return false;
            if (end == IterationEnd::untested) continue;
            controlStep(store, c, end == IterationEnd::converged);
        }
    }
    return true;
}

// Set-up of a rigid cap: the load of this pass and a cap at rest.
void setUp(ModelStore& store, IncrementControl& c) {
    CapSolution& cap = store.capSolution;
    AxialResponseState& r = store.axialResponse;
    const CurrentAnalysis& a = store.analysis;
    r.bearingWarningCount = 0;
    r.pullOutWarningCount = 0;
    r.torsionWarningCount = 0;
    r.warningRecordFlag = 0;
    store.pyPrinting.printing = 0;
    store.pileSolution.capAbortFlag = 0;
    store.pileSolution.finalPassFlag = 0;

    const CapSolution cleared{};
    cap.capDisp = cleared.capDisp;
    cap.capDispStep = cleared.capDispStep;
    cap.capDispConverged = cleared.capDispConverged;
    cap.capDispIncrement = cleared.capDispIncrement;
    cap.pileResultant = cleared.pileResultant;
    cap.capResidual = cleared.capResidual;
    cap.embeddedCapForce = cleared.embeddedCapForce;
    cap.loadFactor = 0.0;
    cap.globalIteration = 0;
    cap.iterationTotal = 0;
    cap.incrementState = kIncrementIterating;
    cap.capStatus = kCapOk;
    cap.convergedIncrements = 0;
    cap.convergedFactor = 0.0;
    cap.convergedIterations = 0;
    cap.convergedResultant = cleared.convergedResultant;

    cap.capLoadFull = a.capLoad;
    const CurrentAnalysis::EstimationState& e = a.estimation;
    if (e.estimationMode != 0) {
        // An estimation run loads its DOF alone, at its level of the load.
        const int d = std::clamp(e.estimationDof, 1, kN) - 1;
        cap.capLoadFull.fill(0.0);
        cap.capLoadFull[d] = e.level * a.capLoad[d];
    }
    c.TCUR = a.control.loadIncrementFactor;
    c.DTCUR = a.control.loadIncrementFactor;
    c.STEP = 0;
    c.end = finalLoadFactor(store);
    beginPushover(store);

    ReportLine l;
    l.slash().X(5).text("GLOBAL ITERATIONS");
    writeRuntimeLine(store, l.str());
}

// The completion code and the records of an estimation pass whose
// increments are over.
void finishEstimation(ModelStore& store, const CapVector& load) {
    const CapSolution& cap = store.capSolution;
    const CurrentAnalysis::EstimationState& e = store.analysis.estimation;
    writeStatusLine(store, kStatusCompleted);
    if (e.estimationMode == 1)
        writeStiffnessRecords(store, e.estimationRun, e.estimationDof, load, cap.capDispConverged,
                              cap.convergedResultant);
    else
        writeFlexibilityRecords(store, e.estimationRun, e.estimationDof, load, cap.capDispConverged,
                                cap.convergedResultant);
}

// Hands the caller's collector the tangent stiffness of the foundation at the
// converged displacement, from the central differences of the global
// iterations: the assembled matrix is that of the pile reactions on the cap,
// so the load on the cap per unit displacement is its negative. The pile
// solutions of it write nothing (their messages are muted) and start from
// the initial moduli, so the files of the run are those of a run without a
// collector.
void reportFoundationStiffness(ModelStore& store) {
    CapMatrix K{};
    int status = 0;
    store.run.pileMessagesMuted = 1;
    assembleGroupStiffness(store, K, status, nullptr);
    store.run.pileMessagesMuted = 0;
    const bool closed = store.pileSolution.capAbortFlag == 0;
    store.pileSolution.capAbortFlag = 0;
    if (status != 0 || !closed) return;
    if (store.control.embeddedCapOption == 1) {
        CapMatrix passive{};
        capPassiveStiffness(store, passive, status);
        if (status != 0) return;
        for (std::size_t k = 0; k < K.size(); ++k)
            K[k] += passive[k];
    }
    // The store keeps the matrix by columns; the collector takes it by rows.
    std::array<double, kN * kN> rows{};
    for (int i = 0; i < kN; ++i)
        for (int j = 0; j < kN; ++j)
            rows[static_cast<std::size_t>(i * kN + j)] =
                0.0 - K[static_cast<std::size_t>(i + kN * j)];
    if (!allFinite(rows)) return;
    store.resultsCollector->capStiffnessComputed(store, rows);
}

// The directional group factors are computed once per axis and sign while
// the cap solution runs.
struct KeptGroupFactors {
    explicit KeptGroupFactors(ModelStore& s) : store(s) { beginGroupFactorMovements(store); }
    ~KeptGroupFactors() { endGroupFactorMovements(store); }
    KeptGroupFactors(const KeptGroupFactors&) = delete;
    KeptGroupFactors& operator=(const KeptGroupFactors&) = delete;
    ModelStore& store;
};

// The cap results of an ordinary analysis and the final per-pile pass.
void finishOrdinaryAnalysis(ModelStore& store, int& errorFlag) {
    CapSolution& cap = store.capSolution;
    CurrentAnalysis& a = store.analysis;
    if (store.control.groupFactorOption >= 1) writeCombinedFactorTable(store);

    writeTableL3D(store, a.capLoad, cap.capDisp, cap.globalIteration);
    if (store.resultsCollector)
        store.resultsCollector->capSolved(store, a.capLoad, cap.capDisp, cap.globalIteration);
    updateCapEnvelope(store, a.capLoad, cap.capDisp);
    if (cap.loadFactor < 1.0) {
        writePartialLoadWarning(store, cap.loadFactor);
        writePartialStatusLine(store, cap.loadFactor);
    } else {
        writeStatusLine(store, kStatusCompleted);
    }

    store.pileSolution.finalPassFlag = 1;
    writeTableMHeading(store);
    RunFiles& f = store.files;
    f.pileData = openForWriting(store.run.pileDataFilePath.str());
    CapVector forces{};
    int status = 0;
    sumPileForces(store, forces, status);
    closeFile(f.pileData);
    // The no-closure warning of a pile on this pass is in the report already;
    // the results of the case stand.
    store.pileSolution.capAbortFlag = 0;
    store.pileSolution.finalPassFlag = 0;
    if (status != 0) {
        errorFlag = status;
        return;
    }
    // The summary tables read the pile data file of this pass back.
    printPileSummary(store, store.arrangement.pileGroupCount, a.demandCapacityPrint);
    a.solvedCount += 1;
    if (store.resultsCollector) reportFoundationStiffness(store);
}

}  // namespace

void solveCapEquilibrium3D(ModelStore& store, int& /*curveSwitch*/, int& errorFlag) {
    store.pileSolution.finalPassFlag = 0;
    if (store.control.flexibleCapOption >= 1) {
        // The analysis driver hands a flexible cap to the plate model.
        writeCapFatal(store, "A FLEXIBLE PILE CAP IS SOLVED AS A PLATE MODEL, NOT AS A RIGID CAP",
                      "");
        errorFlag = kReturnNotAvailable;
        return;
    }
    if (!incrementFactorsUsable(store)) {
        errorFlag = kReturnInputRefused;
        return;
    }
    if (!allFinite(store.analysis.capLoad)) {
        writeCapFatal(store, "THE LOAD AT THE PILE CAP ORIGIN IS NOT A FINITE NUMBER", "");
        errorFlag = kReturnInputRefused;
        return;
    }

    IncrementControl c;
    setUp(store, c);
    beginPileAnalyses(store);
    const KeptGroupFactors keptFactors(store);
    if (!runIncrements(store, c, errorFlag)) {
        store.pileSolution.finalPassFlag = 0;
        return;
    }

    CapSolution& cap = store.capSolution;
    CurrentAnalysis& a = store.analysis;
    if (pushoverRuns(store)) endPushover(store);
    if (writePileWarnings(store, true)) cap.capStatus = kCapPileWarnings;

    // The results are those of the last converged increment: its load
    // factor, its displacement and its iterations.
    cap.loadFactor = cap.convergedFactor;
    if (cap.convergedIncrements > 0) cap.globalIteration = cap.convergedIterations;
    for (int i = 0; i < kN; ++i)
        a.capLoad[i] = cap.loadFactor * cap.capLoadFull[i];

    const CurrentAnalysis::EstimationState& e = a.estimation;
    if (cap.capStatus == kCapPileNotClosed) {
        writeStatusLine(store, kStatusPilesNotConverged);
    } else if (cap.capStatus == kCapSingular) {
        writeStatusLine(store, kStatusSingular);
    } else if (cap.convergedIncrements == 0) {
        writeStatusLine(store, kStatusCapNotConverged);
        if (e.estimationMode != 0)
            writeEstimationFailureRecords(store, e.estimationRun, e.estimationDof,
                                          e.estimationMode == 2);
    } else if (e.estimationMode != 0) {
        finishEstimation(store, a.capLoad);
    } else {
        finishOrdinaryAnalysis(store, errorFlag);
    }
    store.pileSolution.finalPassFlag = 0;
}

}  // namespace pylora
