// SPDX-License-Identifier: Apache-2.0
#include "cap/cap_2d.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <span>
#include <string>

#include "cap/cap_envelope.h"
#include "cap/cap_results.h"
#include "cap/pile_in_cap.h"
#include "cap/pushover.h"
#include "format/format.h"
#include "pile/pile_summary.h"
#include "store/constants.h"
#include "store/return_codes.h"
#include "store/run_messages.h"

namespace pylora {

namespace {

constexpr int kN = kCapComponents2D;
// Subscripts of the two-dimensional cap vectors.
constexpr int kVertical = 0;
constexpr int kHorizontal = 1;
constexpr int kRotation = 2;

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

double& at(CapMatrix2D& m, int i, int j) {
    return m[static_cast<std::size_t>(i + kN * j)];
}

double at(const CapMatrix2D& m, int i, int j) {
    return m[static_cast<std::size_t>(i + kN * j)];
}

bool allFinite(std::span<const double> v) {
    return std::all_of(v.begin(), v.end(), [](double x) { return std::isfinite(x); });
}

// The two-dimensional components of a cap vector and back: force X, force Y
// and moment Z (the displacements in the same places).
CapVector2D planeOf(const CapVector& v) {
    return {v[kForceX], v[kForceY], v[kMomentZ]};
}

CapVector spatialOf(const CapVector2D& v) {
    CapVector out{};
    out[kForceX] = v[kVertical];
    out[kForceY] = v[kHorizontal];
    out[kMomentZ] = v[kRotation];
    return out;
}

CapVector2D negated(const CapVector2D& v) {
    return {0.0 - v[0], 0.0 - v[1], 0.0 - v[2]};
}

// The iteration is given up: it counts as beyond the limit of its increment.
IterationEnd abandon(ModelStore& store, int capStatus) {
    CapSolution& cap = store.capSolution;
    cap.capStatus = capStatus;
    cap.globalIteration = store.analysis.control.maxCapIterations + 1;
    return IterationEnd::failed;
}

// A pile solution that did not close (the pile solver raises capAbortFlag
// and leaves its force out of the sum) makes the iteration fail like a pile
// that did not converge.
bool pileSolutionsClosed(ModelStore& store) {
    if (store.pileSolution.capAbortFlag == 0) return true;
    store.pileSolution.capAbortFlag = 0;
    return false;
}

// The progress message: the load-case wording for cases and combinations.
void writeProgress(ModelStore& store, const IncrementControl& c) {
    const CurrentAnalysis& a = store.analysis;
    const CurrentAnalysis::EstimationState& e = a.estimation;
    ReportLine l;
    l.text("- ANALYSIS FOR LOAD CASE ").I(a.currentCase, 3).text("/");
    l.I(store.loadCases.loadCaseCount, 3).slash();
    if (e.estimationPassCount > 1 && e.estimationPass < e.estimationPassCount) {
        l.text(" DOF:").I(e.estimationPass, 3).text("/").I(e.estimationRun, 3);
        l.text(" STEP:").I(c.STEP, 5).text(" TCUR:").F(c.TCUR, 9, 3);
    } else {
        l.text(" STEP:").I(c.STEP, 5).text(" TCUR:").F(c.TCUR, 10, 4);
    }
    l.text(" ITERATION:").I(store.capSolution.globalIteration, 5).slash();
    writeProgressMessage(store, l.str());
}

// The force sum at the cap displacement, with the pile failure warnings
// recorded in the warning scratch file. Returns its status.
int sumForcesRecordingWarnings(ModelStore& store, CapVector2D& F) {
    RunFiles& f = store.files;
    f.warningScratch = openForWriting(store.run.warningScratchPath.str());
    store.axialResponse.warningRecordFlag = 1;
    int status = 0;
    sumPileForces2D(store, store.capSolution2D.capDisp2D, F, status);
    store.axialResponse.warningRecordFlag = 0;
    closeFile(f.warningScratch);
    return status;
}

// The passive force and moment on the embedded cap face from the soil values
// of the latest force sum, for a cap whose horizontal displacement is
// uHorizontal: both turn with the direction of the movement.
void signedPassive(const ModelStore& store, double uHorizontal, double& F, double& M) {
    capPassiveForceAndMoment(store, F, M);
    if (uHorizontal < 0.0) {
        F = 0.0 - F;
        M = 0.0 - M;
    }
}

// Forward differences: one perturbed force sum per cap DOF, each
// perturbation removed again before the next. `each` sees the perturbed
// displacement and the sum there.
template <typename Each>
void perturbedRuns(ModelStore& store, const CapVector2D& U, int& status, Each each) {
    const CapVector2D steps = capPerturbations2D(store);
    for (int j = 0; j < kN; ++j) {
        CapVector2D perturbed = U;
        perturbed[static_cast<std::size_t>(j)] += steps[static_cast<std::size_t>(j)];
        CapVector2D F{};
        sumPileForces2D(store, perturbed, F, status);
        if (status != 0) return;
        each(j, perturbed, F);
    }
}

void forwardColumns(ModelStore& store, const CapVector2D& U, const CapVector2D& F0, CapMatrix2D& K,
                    int& status) {
    K.fill(0.0);
    const CapVector2D steps = capPerturbations2D(store);
    CapMatrix2D columns{};
    perturbedRuns(store, U, status, [&](int j, const CapVector2D&, const CapVector2D& F) {
        store.capSolution2D.pileResultant2D[static_cast<std::size_t>(j + 1)] = F;
        for (int i = 0; i < kN; ++i)
            at(columns, i, j) = (F[static_cast<std::size_t>(i)] - F0[static_cast<std::size_t>(i)]) /
                                steps[static_cast<std::size_t>(j)];
    });
    if (status == 0) K = columns;
}

// The passive force and moment of the embedded cap at the current state
// (left by the force sum at capDisp2D) and their forward differences from
// three perturbed force sums of their own.
void embeddedCapTerms(ModelStore& store, int& status) {
    CapSolution2D& cap = store.capSolution2D;
    const CapVector2D U = cap.capDisp2D;
    double F0 = 0.0;
    double M0 = 0.0;
    signedPassive(store, U[kHorizontal], F0, M0);
    cap.passiveForce2D = F0;
    cap.passiveMoment2D = M0;
    cap.passiveStiffness2D.fill(0.0);
    const CapVector2D steps = capPerturbations2D(store);
    CapMatrix2D D{};
    perturbedRuns(store, U, status, [&](int j, const CapVector2D& perturbed, const CapVector2D&) {
        double F = 0.0;
        double M = 0.0;
        signedPassive(store, perturbed[kHorizontal], F, M);
        const double step = steps[static_cast<std::size_t>(j)];
        // The passive force opposes the horizontal load, its moment adds to
        // the applied one: the derivatives of (-F, M).
        at(D, kHorizontal, j) = ((0.0 - F) - (0.0 - F0)) / step;
        at(D, kRotation, j) = (M - M0) / step;
    });
    if (status == 0) cap.passiveStiffness2D = D;
}

// The inverse of the 3 x 3 matrix K by its cofactors, the determinant
// expanded along the first column. False, K unchanged, when the determinant
// is at most 1.0E-14 in magnitude or the inverse is not finite.
bool invertByCofactors(CapMatrix2D& K) {
    const CapMatrix2D& a = K;
    auto minor = [&](int r0, int r1, int c0, int c1) {
        return at(a, r0, c0) * at(a, r1, c1) - at(a, r0, c1) * at(a, r1, c0);
    };
    const double C00 = minor(1, 2, 1, 2);
    const double C10 = 0.0 - minor(0, 2, 1, 2);
    const double C20 = minor(0, 1, 1, 2);
    const double det = at(a, 0, 0) * C00 + at(a, 1, 0) * C10 + at(a, 2, 0) * C20;
    if (!(std::fabs(det) > f32(1.0E-14F))) return false;

    CapMatrix2D inverse{};
    // inverse(i, j) = cofactor(j, i) / det
    at(inverse, 0, 0) = C00 / det;
    at(inverse, 0, 1) = C10 / det;
    at(inverse, 0, 2) = C20 / det;
    at(inverse, 1, 0) = (0.0 - minor(1, 2, 0, 2)) / det;
    at(inverse, 1, 1) = minor(0, 2, 0, 2) / det;
    at(inverse, 1, 2) = (0.0 - minor(0, 1, 0, 2)) / det;
    at(inverse, 2, 0) = minor(1, 2, 0, 1) / det;
    at(inverse, 2, 1) = (0.0 - minor(0, 2, 0, 1)) / det;
    at(inverse, 2, 2) = minor(0, 1, 0, 1) / det;
    if (!allFinite(inverse)) return false;
    K = inverse;
    return true;
}

bool flagTrue(double relative, double increment, double step, double tolerance) {
    const double negligible = f32(1.0E-10F);
    return relative <= tolerance || increment <= negligible || step <= negligible;
}

// One global iteration at the load factor of the increment.
IterationEnd runGlobalIteration(ModelStore& store, const IncrementControl& c, int& errorFlag) {
    if (stopRequested(store, errorFlag)) return IterationEnd::fatal;
    CapSolution& shared = store.capSolution;
    CapSolution2D& cap = store.capSolution2D;
    AxialResponseState& r = store.axialResponse;
    shared.globalIteration += 1;
    shared.iterationTotal += 1;
    store.counters.globalIterations += 1;
    shared.capStatus = kCapOk;
    r.bearingWarningCount = 0;
    r.pullOutWarningCount = 0;
    r.torsionWarningCount = 0;
    writeProgress(store, c);

    for (int i = 0; i < kN; ++i)
        cap.capLoad2D[static_cast<std::size_t>(i)] =
            shared.loadFactor * cap.capLoadFull2D[static_cast<std::size_t>(i)];

    CapVector2D& R0 = cap.pileResultant2D[0];
    int status = sumForcesRecordingWarnings(store, R0);
    if (status != 0) {
        errorFlag = status;
        return IterationEnd::fatal;
    }
    if (!pileSolutionsClosed(store) || !allFinite(R0)) return abandon(store, kCapPileNotClosed);
    cap.headAxialLargest = shared.headAxialLargest;
    cap.headMomentLargest = shared.headMomentLargest;
    cap.limits = shared.limits;

    const bool embedded = store.control.embeddedCapOption == 1;
    if (embedded) {
        embeddedCapTerms(store, status);
        if (status != 0) {
            errorFlag = status;
            return IterationEnd::fatal;
        }
        if (!pileSolutionsClosed(store)) return abandon(store, kCapPileNotClosed);
    }
    forwardColumns(store, cap.capDisp2D, R0, cap.capStiffness2D, status);
    if (status != 0) {
        errorFlag = status;
        return IterationEnd::fatal;
    }
    if (!pileSolutionsClosed(store)) return abandon(store, kCapPileNotClosed);

    CapVector2D load = cap.capLoad2D;
    if (embedded) {
        load[kHorizontal] -= cap.passiveForce2D;
        load[kRotation] += cap.passiveMoment2D;
        for (std::size_t k = 0; k < cap.capStiffness2D.size(); ++k)
            cap.capStiffness2D[k] -= cap.passiveStiffness2D[k];
    }
    for (std::size_t i = 0; i < kN; ++i)
        cap.capResidual2D[i] = load[i] - R0[i];

    CapMatrix2D inverse = cap.capStiffness2D;
    if (!invertByCofactors(inverse) || !allFinite(cap.capStiffness2D)) {
        writeCapWarning(store, "DETERMINANT OF STIFFNESS MATRIX IS ZERO");
        cap.capDispIncrement2D.fill(0.0);
        return abandon(store, kCapSingular);
    }
    for (int i = 0; i < kN; ++i) {
        double sum = 0.0;
        for (int j = 0; j < kN; ++j)
            sum += at(inverse, i, j) * cap.capResidual2D[static_cast<std::size_t>(j)];
        cap.capDispIncrement2D[static_cast<std::size_t>(i)] = sum;
    }
    for (std::size_t i = 0; i < kN; ++i) {
        cap.capDisp2D[i] += cap.capDispIncrement2D[i];
        cap.capDispStep2D[i] += cap.capDispIncrement2D[i];
    }

    const CapVector2D& d = cap.capDispIncrement2D;
    const CapVector2D& s = cap.capDispStep2D;
    const double normDispIncrement = std::sqrt(d[0] * d[0] + d[1] * d[1]);
    const double normRotIncrement = std::fabs(d[kRotation]);
    const double normDispStep = std::sqrt(s[0] * s[0] + s[1] * s[1]);
    const double normRotStep = std::fabs(s[kRotation]);
    const double ErrDsp =
        normDispStep != 0.0 ? normDispIncrement / normDispStep : normDispIncrement;
    const double ErrRot = normRotStep != 0.0 ? normRotIncrement / normRotStep : normRotIncrement;

    ReportLine l;
    l.X(5).text("ITERATION ").I(shared.globalIteration, 4).text(", ErrDsp ").E(ErrDsp, 13, 5);
    l.text(", ErrRot ").E(ErrRot, 13, 5);
    writeRuntimeLine(store, l.str());

    const double work = correctionWork(cap.capResidual2D, cap.capDispIncrement2D);
    if (shared.globalIteration == 1) {
        shared.firstCorrectionWork = work;
        return IterationEnd::untested;
    }
    const double tolerance = store.analysis.control.capTolerance;
    const bool displacements = flagTrue(ErrDsp, normDispIncrement, normDispStep, tolerance);
    const bool rotations = flagTrue(ErrRot, normRotIncrement, normRotStep, tolerance);
    const bool balanced = capInBalance(store, work, shared.firstCorrectionWork);
    return displacements && rotations && balanced ? IterationEnd::converged
                                                  : IterationEnd::notConverged;
}

// Step control after a tested or failed iteration.
void controlStep(ModelStore& store, IncrementControl& c, bool converged) {
    CapSolution& shared = store.capSolution;
    CapSolution2D& cap = store.capSolution2D;
    const CurrentAnalysis::ControlBlock& control = store.analysis.control;
    if (converged) {
        shared.incrementState = kIncrementConverged;
        for (std::size_t i = 0; i < kN; ++i)
            cap.capDispConverged2D[i] += cap.capDispStep2D[i];
        cap.capDisp2D = cap.capDispConverged2D;
        shared.convergedIncrements += 1;
        shared.convergedFactor = shared.loadFactor;
        shared.convergedIterations = shared.globalIteration;
        cap.convergedResultant2D = cap.pileResultant2D[0];
        if (store.resultsCollector && store.analysis.estimation.estimationMode == 0)
            store.resultsCollector->incrementConverged(store, shared.loadFactor, cap.capLoad2D,
                                                       cap.capDisp2D, shared.globalIteration,
                                                       cap.headAxialLargest, cap.headMomentLargest);
        notePushoverEvents(store, cap.limits, shared.convergedIncrements);
        const double previous = c.TCUR;
        c.TCUR = previous + c.DTCUR;
        // The last increment ends at the full load (a pushover's largest
        // factor) exactly.
        if (c.TCUR > c.end && previous < c.end) c.TCUR = c.end;
        return;
    }
    if (shared.globalIteration <= control.maxCapIterations) return;

    c.DTCUR = f32(0.5F) * c.DTCUR;
    cap.capDisp2D = cap.capDispConverged2D;
    shared.incrementState = kIncrementFailed;
    if (c.DTCUR < control.minLoadIncrementFactor) {
        // Also after a pile that did not converge; a singular cap has said
        // so on every attempt.
        if (shared.capStatus != kCapSingular)
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
    CapSolution& shared = store.capSolution;
    CapSolution2D& cap = store.capSolution2D;
    while (c.TCUR <= c.end) {
        shared.loadFactor = c.TCUR;
        c.STEP += 1;
        ReportLine step;
        step.X(5).text("STEP ").I(c.STEP, 5).text(", TCUR ").F(c.TCUR, 10, 4);
        step.text(", DTCUR ").F(c.DTCUR, 10, 4);
        writeRuntimeLine(store, step.str());

        shared.incrementState = kIncrementIterating;
        cap.capDispStep2D.fill(0.0);
        cap.capDispIncrement2D.fill(0.0);
        shared.globalIteration = 0;
        while (shared.incrementState == kIncrementIterating) {
            const IterationEnd end = runGlobalIteration(store, c, errorFlag);
            if (end == IterationEnd::fatal) return false;
            if (end == IterationEnd::untested) continue;
            controlStep(store, c, end == IterationEnd::converged);
        }
    }
    return true;
}

// Set-up: the load of this pass and a cap at rest.
void setUp(ModelStore& store, IncrementControl& c) {
    CapSolution& shared = store.capSolution;
    CapSolution2D& cap = store.capSolution2D;
    AxialResponseState& r = store.axialResponse;
    const CurrentAnalysis& a = store.analysis;
    r.bearingWarningCount = 0;
    r.pullOutWarningCount = 0;
    r.torsionWarningCount = 0;
    r.warningRecordFlag = 0;
    store.control.KPYOP = 0;
    store.pyPrinting.printing = 0;
    store.pileSolution.capAbortFlag = 0;
    store.pileSolution.finalPassFlag = 0;

    const CapSolution2D cleared{};
    cap.capLoad2D = cleared.capLoad2D;
    cap.capDisp2D = cleared.capDisp2D;
    cap.capDispStep2D = cleared.capDispStep2D;
    cap.capDispConverged2D = cleared.capDispConverged2D;
    cap.capDispIncrement2D = cleared.capDispIncrement2D;
    cap.capResidual2D = cleared.capResidual2D;
    cap.pileResultant2D = cleared.pileResultant2D;
    cap.convergedResultant2D = cleared.convergedResultant2D;
    cap.passiveForce2D = 0.0;
    cap.passiveMoment2D = 0.0;
    shared.capDisp.fill(0.0);
    shared.loadFactor = 0.0;
    shared.globalIteration = 0;
    shared.iterationTotal = 0;
    shared.incrementState = kIncrementIterating;
    shared.capStatus = kCapOk;
    shared.convergedIncrements = 0;
    shared.convergedFactor = 0.0;
    shared.convergedIterations = 0;

    cap.capLoadFull2D = planeOf(a.capLoad);
    const CurrentAnalysis::EstimationState& e = a.estimation;
    if (e.estimationMode != 0) {
        // An estimation run loads its DOF alone, at its level of the load.
        const std::size_t d = static_cast<std::size_t>(std::clamp(e.estimationDof, 1, kN) - 1);
        const CapVector2D full = cap.capLoadFull2D;
        cap.capLoadFull2D.fill(0.0);
        cap.capLoadFull2D[d] = e.level * full[d];
    }
    shared.capLoadFull = spatialOf(cap.capLoadFull2D);
    c.TCUR = a.control.loadIncrementFactor;
    c.DTCUR = a.control.loadIncrementFactor;
    c.STEP = 0;
    c.end = finalLoadFactor(store);
    beginPushover(store);

    ReportLine l;
    l.slash().X(5).text("GLOBAL ITERATIONS");
    writeRuntimeLine(store, l.str());
}

// Hands the caller's collector the tangent stiffness of the foundation at the
// converged displacement: the forward differences of the pile resistance, and
// of the passive pressure on an embedded cap, that the global iterations use.
// The pile solutions of it write nothing (their messages are muted), so the
// files of the run are those of a run without a collector.
void reportFoundationStiffness(ModelStore& store) {
    CapSolution2D& cap = store.capSolution2D;
    const CapVector2D U = cap.capDisp2D;
    CapVector2D R0{};
    CapMatrix2D K{};
    int status = 0;
    store.run.pileMessagesMuted = 1;
    sumPileForces2D(store, U, R0, status);
    if (status == 0) forwardColumns(store, U, R0, K, status);
    if (status == 0 && store.control.embeddedCapOption == 1) {
        embeddedCapTerms(store, status);
        for (std::size_t k = 0; k < K.size(); ++k)
            K[k] -= cap.passiveStiffness2D[k];
    }
    store.run.pileMessagesMuted = 0;
    const bool closed = store.pileSolution.capAbortFlag == 0;
    store.pileSolution.capAbortFlag = 0;
    if (status != 0 || !closed) return;
    std::array<double, kN * kN> rows{};
    for (int i = 0; i < kN; ++i)
        for (int j = 0; j < kN; ++j)
            rows[static_cast<std::size_t>(i * kN + j)] = at(K, i, j);
    if (!allFinite(rows)) return;
    store.resultsCollector->capStiffnessComputed(store, rows);
}

// The results of an ordinary analysis and the final per-pile pass.
void finishOrdinaryAnalysis(ModelStore& store, int& errorFlag) {
    CapSolution& shared = store.capSolution;
    CapSolution2D& cap = store.capSolution2D;
    CurrentAnalysis& a = store.analysis;

    writeTableL2D(store, cap.capLoad2D, cap.capDisp2D, shared.globalIteration);
    if (store.resultsCollector)
        store.resultsCollector->capSolved(store, cap.capLoad2D, cap.capDisp2D,
                                          shared.globalIteration);
    updateCapEnvelope(store, a.capLoad, shared.capDisp);
    if (shared.loadFactor < 1.0) {
        writePartialLoadWarning(store, shared.loadFactor);
        writePartialStatusLine(store, shared.loadFactor);
    } else {
        writeStatusLine(store, kStatusCompleted);
    }

    store.pileSolution.finalPassFlag = 1;
    store.pileSolution.capSums2D.fill(0.0);
    writeTableMHeading(store);
    RunFiles& f = store.files;
    f.pileData = openForWriting(store.run.pileDataFilePath.str());
    CapVector2D forces{};
    int status = 0;
    sumPileForces2D(store, cap.capDisp2D, forces, status);
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

CapVector2D capPerturbations2D(const ModelStore& store) {
    const double translation = store.control.unitsSystem == 2 ? f32(2.54E-7F) : f32(1.0E-5F);
    return {translation, translation, f32(1.0E-8F)};
}

void capStiffness2D(ModelStore& store, const CapVector2D& U, CapVector2D& F, CapMatrix2D& K,
                    int& status) {
    status = 0;
    K.fill(0.0);
    sumPileForces2D(store, U, F, status);
    if (status != 0) return;
    forwardColumns(store, U, F, K, status);
}

void solveCap2D(ModelStore& store, int& /*echoSwitch*/, int& errorFlag) {
    store.pileSolution.finalPassFlag = 0;
    store.control.KPYOP = 0;
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
    if (!allFinite(planeOf(store.analysis.capLoad))) {
        writeCapFatal(store, "THE LOAD AT THE PILE CAP ORIGIN IS NOT A FINITE NUMBER", "");
        errorFlag = kReturnInputRefused;
        return;
    }

    IncrementControl c;
    setUp(store, c);
    beginPileAnalyses(store);
    CapSolution& shared = store.capSolution;
    CapSolution2D& cap = store.capSolution2D;
    const bool finished = runIncrements(store, c, errorFlag);
    shared.capDisp = spatialOf(cap.capDisp2D);
    if (!finished) {
        store.pileSolution.finalPassFlag = 0;
        return;
    }

    CurrentAnalysis& a = store.analysis;
    if (pushoverRuns(store)) endPushover(store);
    if (writePileWarnings(store, false)) shared.capStatus = kCapPileWarnings;

    // The results are those of the last converged increment: its load
    // factor, its displacement and its iterations.
    shared.loadFactor = shared.convergedFactor;
    if (shared.convergedIncrements > 0) shared.globalIteration = shared.convergedIterations;
    for (std::size_t i = 0; i < kN; ++i)
        cap.capLoad2D[i] = shared.loadFactor * cap.capLoadFull2D[i];
    a.capLoad = spatialOf(cap.capLoad2D);

    const CurrentAnalysis::EstimationState& e = a.estimation;
    if (shared.capStatus == kCapPileNotClosed) {
        writeStatusLine(store, kStatusPilesNotConverged);
    } else if (shared.capStatus == kCapSingular) {
        writeStatusLine(store, kStatusSingular);
    } else if (shared.convergedIncrements == 0) {
        writeStatusLine(store, kStatusCapNotConverged);
        if (e.estimationMode != 0)
            writeEstimationFailureRecords(store, e.estimationRun, e.estimationDof,
                                          e.estimationMode == 2, kN);
    } else if (e.estimationMode != 0) {
        writeStatusLine(store, kStatusCompleted);
        const CapVector2D resultant = negated(cap.convergedResultant2D);
        if (e.estimationMode == 1)
            writeStiffnessRecords(store, e.estimationRun, e.estimationDof, cap.capLoad2D,
                                  cap.capDispConverged2D, resultant);
        else
            writeFlexibilityRecords(store, e.estimationRun, e.estimationDof, cap.capLoad2D,
                                    cap.capDispConverged2D, resultant);
    } else {
        finishOrdinaryAnalysis(store, errorFlag);
    }
    store.pileSolution.finalPassFlag = 0;
}

}  // namespace pylora
