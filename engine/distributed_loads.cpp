// SPDX-License-Identifier: Apache-2.0
#include "engine/distributed_loads.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "store/constants.h"

namespace pylora {

namespace {

// Local axis code of a distributed load that is given in global axes.
constexpr int kGlobalAxis = 1;

// The set of a 1-based set number, or none.
const DistributedSet* setOf(const ModelStore& store, int setNo) {
    const DistributedSetTable& sets = store.distributedSets;
    if (setNo < 1 || setNo > std::min(sets.distributedSetCount, kMaxDistributedSets))
        return nullptr;
    return &sets.rows[setNo - 1];
}

double setLoad(const DistributedSet* set, double distance) {
    return set == nullptr ? 0.0 : interpolateDistributedSet(*set, distance);
}

// Unit vectors of a pile's axes in global axes (X vertical, Y, Z).
struct PileAxes {
    double along[3] = {1.0, 0.0, 0.0};    // local x, from the head to the tip
    double normalY[3] = {0.0, 1.0, 0.0};  // local y
    double normalZ[3] = {0.0, 0.0, 1.0};  // local z
};

PileAxes pileAxes(const ModelStore& store, const PileGroupWork& pile) {
    PileAxes axes;
    if (store.control.analysisType == 2) {
        // The row's batter turns the pile from the vertical towards the
        // horizontal axis Y.
        const double c = std::cos(pile.batter);
        const double s = std::sin(pile.batter);
        axes.along[0] = c;
        axes.along[1] = s;
        axes.normalY[0] = -s;
        axes.normalY[1] = c;
        return axes;
    }
    const double ca = std::cos(pile.alpha);
    const double sa = std::sin(pile.alpha);
    const double cb = std::cos(pile.beta);
    const double sb = std::sin(pile.beta);
    const double along[3] = {sb, ca * cb, sa * cb};
    const double normalY[3] = {-cb, ca * sb, sa * sb};
    const double normalZ[3] = {0.0, -sa, ca};
    std::copy(along, along + 3, axes.along);
    std::copy(normalY, normalY + 3, axes.normalY);
    std::copy(normalZ, normalZ + 3, axes.normalZ);
    return axes;
}

// Applies one distributed load with its multiplier to the piles of its range.
void applyDistributedLoad(ModelStore& store, const DistributedLoad& load, double multiplier,
                          bool collectAxial) {
    const bool twoDimensional = store.control.analysisType == 2;
    const bool global = load.integer(2) == kGlobalAxis;
    const DistributedSet* setY = setOf(store, load.integer(6));
    const DistributedSet* setZ = twoDimensional ? nullptr : setOf(store, load.integer(7));
    const double factorY = load.factorY * multiplier;
    const double factorZ = twoDimensional ? 0.0 : load.factorZ * multiplier;
    const int pileCount = std::min(store.arrangement.pileGroupCount, kMaxPileGroups);
    CurrentAnalysis::DistributedLoadTables& tables = store.analysis.distributed;

    // Walk the range within the pile table only: a range reaching below pile
    // 1 starts at its first pile inside the table.
    const PileRange range = distributedPileRange(load);
    long long start = range.first;
    if (start < 1) start += (1 - start + range.increment - 1) / range.increment * range.increment;
    const long long end = std::min<long long>(range.last, pileCount);
    for (long long pileNo = start; pileNo <= end; pileNo += range.increment) {
        const int g = static_cast<int>(pileNo - 1);
        const PileGroupWork& pile = store.work.groups[g];
        if (pile.IPROP < 1 || pile.IPROP > kMaxPileProperties) continue;
        const PropertyWork& property = store.work.properties[pile.IPROP - 1];
        const int increments = property.increments;
        if (increments < 1 || increments > kMaxIncrements) continue;
        const double spacing = property.LENGTH / increments;
        const PileAxes axes = pileAxes(store, pile);

        tables.loaded[g] = 1;
        tables.nodeCount[g] = increments + 1;
        double previousAxial = 0.0;
        for (int k = 0; k <= increments; ++k) {
            const double distance = k * spacing;
            const double wY = setLoad(setY, distance) * factorY;
            const double wZ = setLoad(setZ, distance) * factorZ;
            if (!global) {
                tables.loadY[g][k] += wY;
                tables.loadZ[g][k] += wZ;
                continue;
            }
            // A global load has no vertical component: project (0, wY, wZ)
            // on the pile's axes.
            const double axial = axes.along[1] * wY + axes.along[2] * wZ;
            tables.loadY[g][k] += axes.normalY[1] * wY + axes.normalY[2] * wZ;
            tables.loadZ[g][k] += axes.normalZ[1] * wY + axes.normalZ[2] * wZ;
            if (collectAxial && k > 0)
                tables.headAxialLoad[g] += f32(0.5F) * (previousAxial + axial) * spacing;
            previousAxial = axial;
        }
    }
}

// Applies the distributed loads of load case caseNo with the multiplier.
void applyCaseLoads(ModelStore& store, int caseNo, double factor) {
    if (caseNo < 1 || caseNo > std::min(store.loadCases.loadCaseCount, kMaxLoadCases)) return;
    const LoadCase& loadCase = store.loadCases.rows[caseNo - 1];
    const double multiplier = loadCase.scaleFactor * factor;
    const bool collectAxial = loadCase.integer(kCaseAxialAtHeadOption) == 1;
    const int count = std::clamp(loadCase.distributedLoadCount(), 0, kMaxDistributedLoads);
    for (int n = 0; n < count; ++n)
        applyDistributedLoad(store, loadCase.distributedLoads[n], multiplier, collectAxial);
}

}  // namespace

double interpolateDistributedSet(const DistributedSet& set, double distance) {
    const int count = std::min(set.setPointCount, kMaxSetPoints);
    if (count < 2) return 0.0;
    const SetPoint& first = set.points[0];
    const SetPoint& last = set.points[count - 1];
    const double tolerance = f32(kSetEndTolerance);
    if (std::fabs(distance - first.depth) <= tolerance) return first.load;
    if (std::fabs(distance - last.depth) <= tolerance) return last.load;
    if (distance < first.depth || distance > last.depth) return 0.0;
    for (int j = 1; j < count; ++j) {
        const SetPoint& upper = set.points[j - 1];
        const SetPoint& lower = set.points[j];
        if (distance < upper.depth || distance > lower.depth) continue;
        const double length = lower.depth - upper.depth;
        if (length <= 0.0) return upper.load;
        return upper.load + (distance - upper.depth) * (lower.load - upper.load) / length;
    }
    return 0.0;
}

PileRange distributedPileRange(const DistributedLoad& load) {
    PileRange range;
    range.first = load.integer(3);
    range.last = load.integer(4) == 0 ? range.first : load.integer(4);
    if (range.first > range.last) std::swap(range.first, range.last);
    range.increment = std::llabs(static_cast<long long>(load.integer(5)));
    if (range.increment == 0)
        range.increment = range.first == range.last ? 1 : range.last - range.first;
    return range;
}

void distributedLoads(ModelStore& store, int caseNo, int combinationNo) {
    CurrentAnalysis::DistributedLoadTables& tables = store.analysis.distributed;
    clearDistributedLoadTables(store);
    // The loads reach the rows of the model's pile groups only.
    tables.groupsInUse = std::clamp(store.arrangement.pileGroupCount, 0, kMaxPileGroups);

    if (combinationNo >= 1) {
        if (combinationNo > std::min(store.combinations.combinationCount, kMaxCombinations)) return;
        const LoadCombination& combination = store.combinations.rows[combinationNo - 1];
        const int entries = std::clamp(combination.combinedCaseCount, 0, kMaxCasesPerCombination);
        for (int e = 0; e < entries; ++e)
            applyCaseLoads(store, combination.cases[e].loadCaseNo, combination.cases[e].factor);
    } else {
        applyCaseLoads(store, caseNo, 1.0);
    }

    // The axial loads at the pile heads join the cap load with their moments.
    const bool twoDimensional = store.control.analysisType == 2;
    CapVector& capLoad = store.analysis.capLoad;
    const int pileCount = std::min(store.arrangement.pileGroupCount, kMaxPileGroups);
    for (int g = 0; g < pileCount; ++g) {
        if (tables.headAxialLoad[g] == 0.0) continue;
        const PileGroupWork& pile = store.work.groups[g];
        const PileAxes axes = pileAxes(store, pile);
        const double load = tables.headAxialLoad[g] * pile.pileCount;
        const double fx = load * axes.along[0];
        const double fy = load * axes.along[1];
        const double fz = twoDimensional ? 0.0 : load * axes.along[2];
        const double x = pile.XHEAD;
        const double y = pile.headY;
        const double z = twoDimensional ? 0.0 : pile.headZ;
        capLoad[kForceX] += fx;
        capLoad[kForceY] += fy;
        capLoad[kMomentZ] += fy * x - fx * y;
        if (twoDimensional) continue;
        capLoad[kForceZ] += fz;
        capLoad[kMomentX] += fz * y - fy * z;
        capLoad[kMomentY] += fx * z - fz * x;
    }
}

}  // namespace pylora
