// SPDX-License-Identifier: Apache-2.0
// Distributed loads along the piles of the load case or combination being
// analysed, and the axial loads they leave at the pile heads.
#pragma once

#include "store/model_store.h"

namespace pylora {

// Distance tolerance at the ends of a distributed-load set.
inline constexpr float kSetEndTolerance = 1.0E-8F;

// Load per unit length of a distributed-load set at a distance along the pile
// from its head: 0 for a set of fewer than 2 points; the load of the first
// (last) point within 1.0E-8 of its depth; linear between the two points that
// bracket the distance (depths in increasing order); 0 outside the set's
// range. Two points at the same depth give the load of the first.
double interpolateDistributedSet(const DistributedSet& set, double distance);

// The piles one distributed load reaches, from its first pile (integer 3),
// last pile (4) and pile increment (5): a last pile of 0 is the first pile
// alone; a first pile above the last is swapped with it; an increment of 0 is
// last - first, or 1 when first equals last; a negative increment counts as
// its size. Piles first, first + increment, ... up to last.
struct PileRange {
    long long first = 0;
    long long last = 0;
    long long increment = 1;  // >= 1
};
PileRange distributedPileRange(const DistributedLoad& load);

// Fills store.analysis.distributed for load case caseNo, or for combination
// combinationNo when that is 1 or more, and adds the axial loads collected at
// the pile heads to store.analysis.capLoad (which holds the concentrated load
// of the case or combination on entry).
//
// 1. Every pile's tables and head axial load are cleared.
// 2. Each distributed load of the case is applied with the multiplier
//    scaleFactor of the case; for a combination each load of each entry's
//    case with scaleFactor x the entry's load factor (an entry listed twice
//    counts twice).
// 3. On every pile of its range, at node k (distance k x h below the head,
//    h = pile length / increments of the pile's property), the Y set (and in
//    three dimensions the Z set) is interpolated, times its factor and the
//    multiplier:
//    - axis code other than 1 (local loading): the values go to the pile's
//      y and z tables unchanged;
//    - axis code 1 (global loading): the values are loads along global Y and
//      Z, split by the pile's inclination into the components normal to the
//      pile (to the y and z tables) and along it. When integer 14 of the
//      load's case is 1 the component along the pile is integrated over the
//      pile with the trapezoidal rule (0.5 x (previous + current) x h) into
//      the pile's head axial load; otherwise it is dropped.
//    Three dimensions: the pile axes are local = R x global with the rows of
//    R (sin BETA, cos ALPHA cos BETA, sin ALPHA cos BETA),
//    (-cos BETA, cos ALPHA sin BETA, sin ALPHA sin BETA), (0, -sin ALPHA,
//    cos ALPHA). Two dimensions: the pile runs along (cos b, sin b) in the
//    (vertical, horizontal) plane, b the batter of the row, so a horizontal
//    load w gives w sin b along the pile and w cos b normal to it.
// 4. Each head axial load P, times the piles the group stands for, is
//    resolved along the pile into forces X, Y, Z (two dimensions X, Y) and
//    added to capLoad with its moments about the origin at the pile head
//    (x, y, z): moment X += Fz y - Fy z, moment Y += Fx z - Fz x,
//    moment Z += Fy x - Fx y.
//
// Piles outside 1..pileGroupCount, piles whose property has no increments and
// set numbers that name no set are skipped (a set of number 0 carries no
// load). Reads the input tables and the per-pile working tables.
void distributedLoads(ModelStore& store, int caseNo, int combinationNo);

}  // namespace pylora
