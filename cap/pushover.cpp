// SPDX-License-Identifier: Apache-2.0
#include "cap/pushover.h"

#include <array>
#include <string_view>

#include "format/format.h"
#include "store/results_collector.h"
#include "store/run_messages.h"

namespace pylora {

namespace {

// The event texts of the report, at [kind].
constexpr std::array<std::string_view, kPushoverSoilUltimate + 1> kEventText = {
    "",
    "NOMINAL MOMENT CAPACITY OF A SECTION",
    "AXIAL CAPACITY OF A HEAD IN COMPRESSION",
    "AXIAL CAPACITY OF A HEAD IN PULL-OUT",
    "ULTIMATE SOIL RESISTANCE OVER A DIAMETER",
};

// Why the increments stopped, as the report says it, at [kPushover...].
constexpr std::array<std::string_view, kPushoverSingular + 1> kStopText = {
    "THE LARGEST LOAD FACTOR ASKED FOR WAS REACHED",
    "THE PILE CAP DOES NOT CONVERGE AT THE SMALLEST INCREMENT",
    "A PILE SOLUTION DOES NOT CONVERGE AT THE SMALLEST INCREMENT",
    "THE STIFFNESS OF THE PILE CAP IS SINGULAR AT THE SMALLEST INCREMENT",
};

// Whether the event of `kind` happened in pile group pileGroup (0: not) of
// the limits of a force sum, and where.
int eventGroup(const PileLimitSummary& limits, int kind, double& depth) {
    depth = 0.0;
    switch (kind) {
        case kPushoverMomentCapacity:
            depth = limits.momentDepth;
            return limits.momentRatio >= 1.0 ? limits.momentGroup : 0;
        case kPushoverBearing:
            return limits.bearingGroup;
        case kPushoverPullOut:
            return limits.pullOutGroup;
        case kPushoverSoilUltimate:
            depth = limits.soilDepth;
            return limits.soilGroup;
        default:
            return 0;
    }
}

bool hasDepth(int kind) {
    return kind == kPushoverMomentCapacity || kind == kPushoverSoilUltimate;
}

// One event line: its text, then the factor, the step, the pile group and
// the depth where it has one, or "NOT REACHED".
ReportLine eventLine(int kind, const PushoverEventRecord& e) {
    const std::string_view text = kEventText[static_cast<std::size_t>(kind)];
    ReportLine l;
    l.X(7).text(text).X(41 - static_cast<int>(text.size()));
    if (e.step == 0) {
        l.text("   NOT REACHED");
        return l;
    }
    l.F(e.loadFactor, 10, 4).I(e.step, 6).I(e.pileGroup, 7);
    if (hasDepth(kind)) l.G(e.depth, 12, 5);
    return l;
}

void writeTo(ModelStore& store, const ReportLine& l) {
    writeLine(store.files.report.get(), l);
    writeLine(store.files.summary.get(), l);
    writeRuntimeLine(store, l.str());
}

}  // namespace

bool pushoverRuns(const ModelStore& store) {
    const CurrentAnalysis& a = store.analysis;
    return store.run.pushoverCase > 0 && a.currentCombination == 0 &&
           a.currentCase == store.run.pushoverCase && a.estimation.estimationMode == 0;
}

double finalLoadFactor(const ModelStore& store) {
    return pushoverRuns(store) ? store.run.pushoverFactor : 1.0;
}

void beginPushover(ModelStore& store) {
    store.capSolution.pushover = PushoverState{};
    store.capSolution.limits = PileLimitSummary{};
}

void notePushoverEvents(ModelStore& store, const PileLimitSummary& limits, int step) {
    if (!pushoverRuns(store)) return;
    CapSolution& cap = store.capSolution;
    for (int kind = kPushoverMomentCapacity; kind <= kPushoverSoilUltimate; ++kind) {
        PushoverEventRecord& e = cap.pushover.events[static_cast<std::size_t>(kind)];
        double depth = 0.0;
        const int group = eventGroup(limits, kind, depth);
        if (e.step != 0 || group == 0) continue;
        e = {cap.loadFactor, step, group, depth};
        ReportLine l;
        l.X(5).text("PUSHOVER EVENT:").X(1).text(kEventText[static_cast<std::size_t>(kind)]);
        l.text(", TCUR ").F(e.loadFactor, 10, 4).text(", PILE GROUP").I(group, 6);
        writeRuntimeLine(store, l.str());
        if (store.resultsCollector)
            store.resultsCollector->pushoverEvent(store, kind, e.loadFactor, step, group, depth);
    }
}

void endPushover(ModelStore& store) {
    CapSolution& cap = store.capSolution;
    const double maximum = store.run.pushoverFactor;
    const bool converged = cap.convergedIncrements > 0;
    const double capacity = converged ? cap.convergedFactor : 0.0;
    int stop = kPushoverCapNotConverged;
    if (converged && capacity >= maximum)
        stop = kPushoverReachedMaximum;
    else if (cap.capStatus == kCapPileNotClosed)
        stop = kPushoverPilesNotConverged;
    else if (cap.capStatus == kCapSingular)
        stop = kPushoverSingular;
    cap.pushover.capacityFactor = capacity;
    cap.pushover.stop = stop;
    // The case reports its last converged state whatever ended the attempts
    // beyond it.
    if (converged && (cap.capStatus == kCapPileNotClosed || cap.capStatus == kCapSingular))
        cap.capStatus = kCapOk;

    ReportLine l;
    l.slash().slash().X(5).text("* PUSHOVER OF LOAD CASE ").I(store.run.pushoverCase, 5);
    l.text(" *").slash();
    writeTo(store, l);
    l.clear();
    l.X(5).text("LOAD RAISED IN INCREMENTS UP TO ").F(maximum, 10, 4);
    l.text(" TIMES THE LOAD OF THE CASE");
    writeTo(store, l);
    l.clear();
    l.X(5).text("LAST CONVERGED LOAD FACTOR ").F(capacity, 10, 4);
    l.text(stop == kPushoverReachedMaximum ? " (THE CAPACITY IS NOT BELOW IT)"
                                           : " (THE CAPACITY FOR THIS LOAD PATTERN)");
    writeTo(store, l);
    l.clear();
    l.X(5).text("STOPPED: ").text(kStopText[static_cast<std::size_t>(stop)]);
    writeTo(store, l);
    l.clear();
    l.slash().X(5).text("FIRST EVENTS").X(31).text("    FACTOR  STEP  GROUP       DEPTH,");
    l.text(store.units.length3.view());
    writeTo(store, l);
    for (int kind = kPushoverMomentCapacity; kind <= kPushoverSoilUltimate; ++kind)
        writeTo(store, eventLine(kind, cap.pushover.events[static_cast<std::size_t>(kind)]));

    if (store.resultsCollector)
        store.resultsCollector->pushoverFinished(store, store.run.pushoverCase, maximum, capacity,
                                                 stop);
}

}  // namespace pylora
