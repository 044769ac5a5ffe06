// SPDX-License-Identifier: Apache-2.0
// The results collector: an observer that a caller of the engine can attach
// to a run to receive the results as the analysis produces them, beside the
// files of the run. The command-line program uses one to write its
// machine-readable results file; the front end's path attaches none, and the
// engine then writes exactly its files.
//
// The engine calls a collector at the points where it writes the results data
// file, with the store in the state of that moment; a collector reads what it
// needs and keeps no reference into the store. The calls never change what the
// engine writes or computes, and a collector must not throw.
#pragma once

#include <span>
#include <string_view>

namespace pylora {

struct ModelStore;

class ResultsCollector {
  public:
    virtual ~ResultsCollector() = default;

    // A load case or a combination starts: store.analysis holds its number
    // (currentCase, currentCombination) and its control values.
    virtual void analysisStarted(const ModelStore& store) = 0;

    // The cap solution of the ordinary pass of the analysis in progress
    // converged (fully or for part of the load): the load at the cap origin
    // and the cap displacement, dofCount components each in the order of a
    // CapVector (force X, force Y, moment Z in two dimensions), and the global
    // iterations of its last converged increment.
    virtual void capSolved(const ModelStore& store, std::span<const double> load,
                           std::span<const double> displacement, int iterations) = 0;

    // The stiffness of the foundation at a load level of the estimation passes
    // of the load case in progress (the inverse of the flexibilities measured
    // at levelNo, load factor `level`): the cap components of the DOFs
    // considered (0-based, in the order of a CapVector) and the matrix of
    // those DOFs by rows, in the sense F = K u.
    virtual void secantStiffnessComputed(const ModelStore& /*store*/, int /*levelNo*/,
                                         double /*level*/, std::span<const int> /*components*/,
                                         std::span<const double> /*stiffness*/) {}

    // A load increment of the ordinary pass of the analysis in progress
    // converged at loadFactor: the load on the cap and its displacement as in
    // capSolved, the global iterations it took, and the largest axial force
    // and bending moment at a pile head (one pile, magnitudes) of its last
    // iteration.
    virtual void incrementConverged(const ModelStore& /*store*/, double /*loadFactor*/,
                                    std::span<const double> /*load*/,
                                    std::span<const double> /*displacement*/, int /*iterations*/,
                                    double /*axialForce*/, double /*moment*/) {}

    // The completion code of the ordinary pass of the analysis in progress,
    // as the status file gives it (1 completed, 2 partial load with
    // loadFactor below 1, 3 cap not converged, 6 piles not converged, 7
    // singular stiffness).
    virtual void completed(const ModelStore& store, int code, double loadFactor) = 0;

    // The final printing pass solved pile group pileGroup: its pile-head row
    // in cap axes and in pile axes (the rows of the results data file: six
    // displacements, six forces and the stress in three dimensions; three
    // displacements, three forces and the stress in two). store.pileScratch
    // .work holds its nodal results with the moments in the sign of the
    // listings (the printing pass runs in the store's own scratch space).
    virtual void pileSolved(const ModelStore& store, int pileGroup, std::span<const double> global,
                            std::span<const double> local) = 0;

    // The envelopes of a series are printed: series 1 the load cases, 2 the
    // combinations; which 1 the minimum, 2 the maximum. store.analysis
    // .capEnvelope and store.pileEnvelopes hold both envelopes.
    virtual void envelopePrinted(const ModelStore& store, int which, int series) = 0;

    // A printed p-y curve of request requestNo was evaluated: store.pyPrinting
    // holds it.
    virtual void pyCurvePrinted(const ModelStore& store, int requestNo, int pileGroup) = 0;

    // The tangent stiffness of the whole foundation at the converged state
    // of the ordinary pass of the analysis in progress, after capSolved: the
    // load on the cap at its origin per unit cap displacement (F = K u, in
    // the order of a CapVector), dofCount x dofCount by rows. Computed only
    // when a collector is attached, by the differences the cap solution uses,
    // with the pile messages of those solutions left out of the files. Not
    // called when a pile solution of it did not close.
    virtual void capStiffnessComputed(const ModelStore& /*store*/,
                                      std::span<const double> /*stiffness*/) {}

    // A pushover event (kPushover... of store/model_store.h) at the converged
    // increment number `step` (from 1, the position in the sequence of
    // incrementConverged calls) and its load factor: the pile group where it
    // happened and, for a moment or soil event, the depth along the pile.
    virtual void pushoverEvent(const ModelStore& /*store*/, int /*kind*/, double /*loadFactor*/,
                               int /*step*/, int /*pileGroup*/, double /*depth*/) {}

    // The pushover of load case caseNo is over, before its results are
    // printed: the largest factor it was to reach, the last converged factor
    // (its capacity for the case's load pattern; 0 when no increment
    // converged) and why it stopped (kPushover... of store/model_store.h).
    virtual void pushoverFinished(const ModelStore& /*store*/, int /*caseNo*/,
                                  double /*maximumFactor*/, double /*capacityFactor*/,
                                  int /*stop*/) {}

    // A warning of the run, as the report prints it (records separated by
    // '\n').
    virtual void warningIssued(const ModelStore& store, std::string_view text) = 0;

    // The run is over with returnCode (what IPYLORA8 returns); the store still
    // holds the model and the run's last results. Called once the files of
    // the run are closed, with the code that tells whether they were all
    // written (kReturnFileWriteError when not).
    virtual void runFinished(const ModelStore& store, int returnCode) = 0;
};

// Passes a warning to the run's collector, if one is attached.
void noteWarning(const ModelStore& store, std::string_view text);

}  // namespace pylora
