// SPDX-License-Identifier: Apache-2.0
// The worker threads of the per-pile analyses: a small pool that runEngine
// creates once per run and the cap solutions reuse for every force sum and
// stiffness of their global iterations. Each worker has a scratch space of
// its own (PileScratch); a task is the analysis of one pile group, and the
// caller gathers the results in pile-group order, so that they do not depend
// on which thread ran which task or on the number of threads.
//
// The pool owns its threads, hence a class: it starts them, hands them the
// tasks of one pass and joins them when it is destroyed.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "store/model_store.h"

namespace pylora {

// The threads of the per-pile analyses for the setting threadCount of the
// run: threadCount itself when positive, else the machine's hardware threads
// (at least 1).
int resolveThreadCount(int threadCount);

// The largest number of threads a run takes: every one holds a scratch
// space of some 40 kB and a stack.
inline constexpr int kMaxPileThreads = 256;

class PileWorkers {
  public:
    // A pool of threadCount workers (clamped to 1 .. kMaxPileThreads): the
    // caller's thread and threadCount - 1 threads started here. Every worker
    // gets its scratch space here, once.
    explicit PileWorkers(int threadCount);
    ~PileWorkers();
    PileWorkers(const PileWorkers&) = delete;
    PileWorkers& operator=(const PileWorkers&) = delete;

    // The workers: the caller's thread and the threads started (fewer than
    // asked for when the system refused to start one).
    int threadCount() const { return 1 + static_cast<int>(threads_.size()); }

    // The scratch space of worker w (0 .. threadCount() - 1); worker 0 is the
    // caller's thread.
    PileScratch& scratch(int w) { return *scratches_[static_cast<std::size_t>(w)]; }

    // Runs task(scratch, i) for every i in 0 .. count - 1 and returns when all
    // have run. The tasks are taken in increasing i by whichever worker is
    // free, the caller's thread among them; a task sees the scratch space of
    // the worker that runs it. Tasks must not throw and must not call run.
    void run(int count, const std::function<void(PileScratch&, int)>& task);

    // Kept with the pool for the passes of one cap solution
    // (cap/pile_in_cap.cpp): what the p-y evaluation of each pile group
    // passes on to the next; found again when not ready.
    struct PyCarry {
        int ymimWritten = 0;
        double YMIN = 0.0;
        std::array<int, kMaxSoilLayers> pultWritten{};
        std::array<double, kMaxSoilLayers> PULT{};
    };
    std::vector<PyCarry> carries;
    bool carriesReady = false;

  private:
    void work(int w);
    void runTasks(PileScratch& scratch);

    std::vector<std::unique_ptr<PileScratch>> scratches_;
    std::vector<std::thread> threads_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable finished_;
    const std::function<void(PileScratch&, int)>* task_ = nullptr;
    int count_ = 0;
    std::atomic<int> next_{0};
    int generation_ = 0;  // passes started; a worker runs each pass once
    int busy_ = 0;        // workers still in the current pass
    bool stopping_ = false;
};

}  // namespace pylora
