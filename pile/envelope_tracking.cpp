// SPDX-License-Identifier: Apache-2.0
#include "pile/envelope_tracking.h"

#include <algorithm>

#include "format/format.h"

namespace pylora {

namespace {

bool validGroup(int pileGroup) {
    return pileGroup >= 1 && pileGroup <= kMaxPileGroups;
}

// Whether the group's envelope starts from the values at hand.
//
// The envelope of a series starts from the first analysis that reached the
// printing pass, not from the first case or combination of the input: one
// that ended without a solution (codes 3, 6 and 7) has no printing pass and
// enters no envelope, and the accumulators cleared to 0.0 at the start of
// the series are never compared with. A pile group without results in that
// first analysis (its lateral solution did not close on the printing pass)
// starts from its own first results.
bool startsEnvelope(const ModelStore& store, int pileGroup) {
    return store.analysis.seriesFirstCase == 1 ||
           store.pileEnvelopes.trackedCount[static_cast<std::size_t>(pileGroup - 1)] == 0;
}

}  // namespace

void resetPileEnvelopes(ModelStore& store) {
    clearPileEnvelopes(store);
}

void trackPileHeadEnvelope(ModelStore& store, int pileGroup, std::span<const double> headValues) {
    if (!validGroup(pileGroup)) return;
    PileEnvelopes& e = store.pileEnvelopes;
    e.groupsTracked = std::max(e.groupsTracked, pileGroup);
    const std::size_t g = static_cast<std::size_t>(pileGroup - 1);
    const std::size_t count = std::min<std::size_t>(headValues.size(), kEnvelopeHeadValues);
    auto& minimum = e.headMin[g];
    auto& maximum = e.headMax[g];
    if (startsEnvelope(store, pileGroup)) {
        std::copy_n(headValues.begin(), count, minimum.begin());
        std::copy_n(headValues.begin(), count, maximum.begin());
        return;
    }
    for (std::size_t i = 0; i < count; ++i) {
        keepMinimum(minimum[i], headValues[i]);
        keepMaximum(maximum[i], headValues[i]);
    }
}

void trackAlongPileEnvelope(ModelStore& store, int pileGroup, int nodeCount,
                            const AlongPileColumns& quantities) {
    if (!validGroup(pileGroup)) return;
    PileEnvelopes& e = store.pileEnvelopes;
    e.groupsTracked = std::max(e.groupsTracked, pileGroup);
    const std::size_t g = static_cast<std::size_t>(pileGroup - 1);
    const int nodes = std::clamp(nodeCount, 0, kNodePositions);
    const int count = std::clamp(quantities.count, 0, kEnvelopeAlongQuantities);
    const bool first = startsEnvelope(store, pileGroup);
    for (int q = 0; q < count; ++q) {
        const std::span<const double> values = quantities.columns[static_cast<std::size_t>(q)];
        PileEnvelopes::NodeValues& minimum = e.alongMin[g][static_cast<std::size_t>(q)];
        PileEnvelopes::NodeValues& maximum = e.alongMax[g][static_cast<std::size_t>(q)];
        const std::size_t n = std::min(values.size(), static_cast<std::size_t>(nodes));
        for (std::size_t k = 0; k < n; ++k) {
            if (first) {
                minimum[k] = maximum[k] = values[k];
            } else {
                keepMinimum(minimum[k], values[k]);
                keepMaximum(maximum[k], values[k]);
            }
        }
    }
    e.nodeCount[g] = std::max(e.nodeCount[g], nodes);
    // The along-pile tracker runs last for a pile group on the printing
    // pass: the group has now entered the envelope of the series.
    e.trackedCount[g] += 1;
}

void writePileExtremes(ModelStore& store, int pileGroup, int nodeCount, double h,
                       const AlongPileColumns& quantities) {
    const int count = std::clamp(quantities.count, 0, kAlongPileQuantities3D);
    if (nodeCount < 1 || count == 0) return;
    RunningExtremes<kAlongPileQuantities3D, double> extremes;
    std::array<double, kAlongPileQuantities3D> row{};
    for (int k = 0; k < nodeCount; ++k) {
        for (int q = 0; q < count; ++q) {
            const std::span<const double> values = quantities.columns[static_cast<std::size_t>(q)];
            const std::size_t i = static_cast<std::size_t>(k);
            row[static_cast<std::size_t>(q)] = i < values.size() ? values[i] : 0.0;
        }
        extremes.take(std::span<const double>(row).first(static_cast<std::size_t>(count)), k * h);
    }
    // The first node is at the head, x = 0 exactly.
    std::FILE* file = store.files.pileData.get();
    const std::string_view length = store.units.length2.view();
    const std::size_t n = static_cast<std::size_t>(count);
    for (const bool minima : {true, false}) {
        const auto& values = minima ? extremes.minimum : extremes.maximum;
        const auto& positions = minima ? extremes.minimumTag : extremes.maximumTag;
        ReportLine line;
        line.X(1).I(pileGroup, 8).X(2);
        for (std::size_t q = 0; q < n; ++q)
            line.E(values[q] + 0.0, 12, 4);  // + 0.0: a negated zero prints as zero
        writeLine(file, line);
        line.clear();
        line.X(1).X(4).text("x(").A(length, 2).text(")").X(3);
        for (std::size_t q = 0; q < n; ++q)
            line.F(positions[q], 10, 4).X(2);
        writeLine(file, line);
    }
}

}  // namespace pylora
