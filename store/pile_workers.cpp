// SPDX-License-Identifier: Apache-2.0
#include "store/pile_workers.h"

#include <algorithm>
#include <system_error>

namespace pylora {

int resolveThreadCount(int threadCount) {
    if (threadCount >= 1) return std::min(threadCount, kMaxPileThreads);
    const unsigned hardware = std::thread::hardware_concurrency();
    return std::clamp(static_cast<int>(hardware), 1, kMaxPileThreads);
}

PileWorkers::PileWorkers(int threadCount) {
    const int n = std::clamp(threadCount, 1, kMaxPileThreads);
    for (int w = 0; w < n; ++w)
        scratches_.push_back(std::make_unique<PileScratch>());
    for (int w = 1; w < n; ++w) {
        // A thread the system refuses leaves the pool with the threads
        // started so far; the run goes on with fewer.
        try {
            threads_.emplace_back([this, w] { work(w); });
        } catch (const std::system_error&) {
            break;
        }
    }
}

PileWorkers::~PileWorkers() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : threads_)
        t.join();
}

void PileWorkers::runTasks(PileScratch& scratch) {
    for (;;) {
        const int i = next_.fetch_add(1);
        if (i >= count_) return;
        (*task_)(scratch, i);
    }
}

void PileWorkers::work(int w) {
    int seen = 0;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [&] { return stopping_ || generation_ != seen; });
            if (stopping_) return;
            seen = generation_;
        }
        runTasks(*scratches_[static_cast<std::size_t>(w)]);
        std::lock_guard<std::mutex> lock(mutex_);
        if (--busy_ == 0) finished_.notify_one();
    }
}

void PileWorkers::run(int count, const std::function<void(PileScratch&, int)>& task) {
    if (count <= 0) return;
    if (threads_.empty() || count == 1) {
        for (int i = 0; i < count; ++i)
            task(*scratches_[0], i);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        task_ = &task;
        count_ = count;
        next_.store(0);
        busy_ = static_cast<int>(threads_.size());
        generation_ += 1;
    }
    wake_.notify_all();
    runTasks(*scratches_[0]);
    std::unique_lock<std::mutex> lock(mutex_);
    finished_.wait(lock, [&] { return busy_ == 0; });
    task_ = nullptr;
}

}  // namespace pylora
