// SPDX-License-Identifier: Apache-2.0
// Between the cap solution and the pile solvers: the discretisation of a
// pile group with its length check, and the axial force and torsional moment
// at the pile head read from the group's load-settlement and torque-rotation
// curves, with the failure warnings of a displacement outside a curve.
#pragma once

#include "store/model_store.h"
#include "store/return_codes.h"

namespace pylora {

// Statuses of the pile-length check: the pile reaches below the deepest layer.
inline constexpr int kStatusPileBelowLayers3D = 3;
inline constexpr int kStatusPileBelowLayers2D = 13;
// A pile group that cannot be discretised (no such group, no pile property,
// increments outside 1..100, no length): the input file holds an unsafe value.
inline constexpr int kStatusPileGroupRefused = kReturnInputRefused;

// Discretises pile group g (1-based) in scratch.py: NNODE = N + 1, the X of
// nodes 1 (head) .. N + 1 (tip) at (e - 1) h below the head with h = LENGTH
// / N of its property set (nodeX), and per soil layer its first and last
// node (layerFirstNode and layerLastNode; 0 = no node in the layer). The
// messages go through the scratch space (raisePileMessage).
//
// The three-dimensional instance (analysisType other than 2) first sets
// status to 0; the two-dimensional one leaves it unchanged on success. A node
// below the bottom of the deepest layer (a node exactly at it passes) writes
// the fatal error "THE PILE LENGTH, ... EXTENDS BELOW THE BOTTOM OF THE
// DEEPEST LAYER." to the report and the runtime file and sets status to 3
// (13 in two dimensions); the layer node ranges are then all 0. With user
// p-y curves for the group (userPyCurvesOption 1 and a set number >= 0)
// only the node positions are set: no length check, no layer ranges. A group
// or property that cannot be discretised writes a fatal error and sets
// kStatusPileGroupRefused.
void discretisePile(const ModelStore& store, PileScratch& scratch, int g, int& status);

// The axial force Q (compression positive) at the head of pile group g for
// the axial head displacement ua (positive towards the tip, settlement), read
// from the group's load-settlement curve: curve number n > 0 the generated
// curve n, n < 0 the user curve |n|; linear interpolation between points.
// ua = 0 gives 0 at once. Outside the curve Q = 0 and, while
// store.axialResponse.warningRecordFlag is 1, the pull-out (below the first
// point) or bearing (beyond the last point, or a curve of fewer than two
// points) warning goes to the warning scratch file (through the scratch
// space) and the scratch space's counter grows by 1. A generated curve starts
// at the origin: a settlement smaller than its first point is interpolated
// from (0, 0). Q is also left in scratch.head.headAxialForce.
double axialHeadForce(const ModelStore& store, PileScratch& scratch, int g, double ua);

// The torsional moment T at the head of pile group g for the twist tx [rad],
// read from the group's torque-rotation curve as axialHeadForce reads its
// curve, without the early return at zero twist; outside the curve T = 0 and,
// while warnings are recorded, the torsion warning and torsionWarningCount.
// A generated curve starts at the origin and resists a twist of either sense
// alike: T(-tx) = -T(tx). T is also left in scratch.head.headTorsionalMoment.
double torsionalHeadMoment(const ModelStore& store, PileScratch& scratch, int g, double tx);

}  // namespace pylora
