// SPDX-License-Identifier: Apache-2.0
#include "store/model_store.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <memory>
#include <new>

#if __has_include(<sanitizer/asan_interface.h>)
#include <sanitizer/asan_interface.h>
#endif
#ifndef ASAN_POISON_MEMORY_REGION
#define ASAN_POISON_MEMORY_REGION(block, size) ((void)(block), (void)(size))
#define ASAN_UNPOISON_MEMORY_REGION(block, size) ((void)(block), (void)(size))
#endif

namespace pylora {

namespace {

// Gives a record (or a row) the value of a new store in place: the open files
// of a record close, its texts return to blanks and every other value to its
// initial one, and no temporary of its size is built on the stack.
template <class Record>
void renew(Record& record) {
    std::destroy_at(&record);
    std::construct_at(&record);
}

// Rows 1..used of a table renewed; the rows beyond are left as they are.
template <class Row, std::size_t N>
void renewRows(std::array<Row, N>& rows, int used) {
    const int n = std::clamp(used, 0, static_cast<int>(N));
    for (int i = 0; i < n; ++i)
        renew(rows[static_cast<std::size_t>(i)]);
}

// The number of fields of a record, counted at compile time: the most
// initialisers a brace initialisation of it takes. The clear below names the
// fields of the records it renews piece by piece; a field added to one of
// them stops the build until the clear renews it too.
struct AnyField {
    template <class T>
    operator T() const;  // only named in unevaluated operands
};

template <class Record, class... Fields>
constexpr int fieldCount() {
    if constexpr (requires { Record{Fields{}..., AnyField{}}; })
        return fieldCount<Record, Fields..., AnyField>();
    else
        return static_cast<int>(sizeof...(Fields));
}

int pileGroupsOf(const ModelStore& store) {
    return std::clamp(store.arrangement.pileGroupCount, 0, kMaxPileGroups);
}

void clearLoadCases(LoadCaseTable& cases) {
    static_assert(fieldCount<LoadCaseTable>() == 5, "a new field of the load cases: clear it here");
    renewRows(cases.rows, cases.loadCaseCount);
    cases.loadCaseCount = 0;
    cases.caseEnvelopeFlag = 0;
    cases.caseEnvelopePrintOption = 0;
    cases.caseEnvelopeNodeStep = 0;
}

void clearDistributedSets(DistributedSetTable& sets) {
    static_assert(fieldCount<DistributedSetTable>() == 2,
                  "a new field of the distributed-load sets: clear it here");
    renewRows(sets.rows, sets.distributedSetCount);
    sets.distributedSetCount = 0;
}

void clearGroupFactorWork(GroupFactorWork& w) {
    static_assert(fieldCount<GroupFactorWork>() == 10,
                  "a new field of the group factor work arrays: clear it here");
    const int piles = std::clamp(w.shadedPileCount, 0, kMaxShadedPiles);
    renewRows(w.groupNo, piles);
    renewRows(w.alongCoord, piles);
    renewRows(w.acrossCoord, piles);
    renewRows(w.shadowProduct, piles);
    renewRows(w.cellOrder, piles);
    renewRows(w.neighbours, piles);
    w.shadedPileCount = 0;
    w.pairAngle = 0.0;
    w.cellPileCount = 0;
    w.neighbourCount = 0;
}

// The memory of stores that went, kept for the next new stores: two, for a
// model and the one read back from it, which live side by side. A kept block
// is poisoned for AddressSanitizer, so that a store used after it went is
// still reported.
std::array<std::atomic<void*>, 2> keptStores{};

}  // namespace

void* ModelStore::operator new(std::size_t size) {
    if (size == sizeof(ModelStore)) {
        for (std::atomic<void*>& kept : keptStores) {
            if (void* block = kept.exchange(nullptr)) {
                ASAN_UNPOISON_MEMORY_REGION(block, size);
                return block;
            }
        }
    }
    return ::operator new(size);
}

void ModelStore::operator delete(void* block, std::size_t size) {
    if (block == nullptr) return;
    if (size == sizeof(ModelStore)) {
        ASAN_POISON_MEMORY_REGION(block, size);
        for (std::atomic<void*>& kept : keptStores) {
            void* empty = nullptr;
            if (kept.compare_exchange_strong(empty, block)) return;
        }
        ASAN_UNPOISON_MEMORY_REGION(block, size);
    }
    ::operator delete(block);
}

void clearDistributedLoadTables(ModelStore& store) {
    CurrentAnalysis::DistributedLoadTables& d = store.analysis.distributed;
    static_assert(fieldCount<CurrentAnalysis::DistributedLoadTables>() == 6,
                  "a new field of the distributed-load tables: clear it here");
    const int rows = std::max(d.groupsInUse, pileGroupsOf(store));
    renewRows(d.loaded, rows);
    renewRows(d.nodeCount, rows);
    renewRows(d.loadY, rows);
    renewRows(d.loadZ, rows);
    renewRows(d.headAxialLoad, rows);
    d.groupsInUse = 0;
}

void clearPileEnvelopes(ModelStore& store) {
    PileEnvelopes& e = store.pileEnvelopes;
    static_assert(fieldCount<PileEnvelopes>() == 7,
                  "a new field of the pile envelopes: clear it here");
    const int rows = std::max(e.groupsTracked, pileGroupsOf(store));
    renewRows(e.trackedCount, rows);
    renewRows(e.headMin, rows);
    renewRows(e.headMax, rows);
    renewRows(e.nodeCount, rows);
    renewRows(e.alongMin, rows);
    renewRows(e.alongMax, rows);
    e.groupsTracked = 0;
}

std::unique_ptr<ModelStore> makeModelStore() {
    return std::make_unique<ModelStore>();
}

void clearModelStore(ModelStore& store) {
    static_assert(fieldCount<ModelStore>() == 37, "a new record of the store: clear it here");
    // The large tables first: the rows they clear follow the counts of the
    // earlier run (its pile groups among them).
    clearLoadCases(store.loadCases);
    clearDistributedSets(store.distributedSets);
    clearDistributedLoadTables(store);
    static_assert(fieldCount<CurrentAnalysis>() == 2,
                  "a new field of the analysis in progress: keep it in AnalysisValues");
    static_cast<AnalysisValues&>(store.analysis) = AnalysisValues{};
    clearPileEnvelopes(store);
    clearGroupFactorWork(store.groupFactorWork);

    renew(store.run);
    renew(store.files);  // closes the open files
    renew(store.title);
    renew(store.control);
    renew(store.units);
    renew(store.cap);
    renew(store.combinations);
    renew(store.arrangement);
    renew(store.groupFactors);
    renew(store.pileProperties);
    renew(store.crossSections);
    renew(store.soilLayers);
    renew(store.pyPrints);
    renew(store.userPySets);
    renew(store.userLsCurves);
    renew(store.userTrCurves);
    renew(store.mcSets);
    renew(store.work);
    renew(store.soilProfile);
    renew(store.pyRun);
    renew(store.pyPrinting);
    renew(store.generatedCurves);
    renew(store.axialResponse);
    renew(store.pileSolution);
    renew(store.capSolution);
    renew(store.capSolution2D);
    renew(store.pileScratch);
    store.pileScratch.owner = &store;
    renew(store.counters);
    renew(store.groupFactorMovements);
    store.pyCurves.active = 0;
    store.pyCurves.off = 0;
    store.pyCurves.groups.clear();
    store.pileWorkers = nullptr;
    store.resultsCollector = nullptr;
}

void noteWarning(const ModelStore& store, std::string_view text) {
    if (store.resultsCollector) store.resultsCollector->warningIssued(store, text);
}

ModelStore& processModelStore() {
    static const std::unique_ptr<ModelStore> store = makeModelStore();
    return *store;
}

}  // namespace pylora
