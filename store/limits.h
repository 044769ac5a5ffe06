// SPDX-License-Identifier: Apache-2.0
// Capacities of the model data store.
//
// Every table of the model has a fixed capacity so that a whole model and all
// of its results are addressable without allocation during a run. The input
// reader refuses a file whose counts exceed these capacities; no other routine
// compares a count with a capacity.
#pragma once

namespace pylora {

// Load cases of a model (C1) and loads of each kind per case (C2f, C2h, C2j).
inline constexpr int kMaxLoadCases = 100;
inline constexpr int kMaxConcentratedLoads = 100;
inline constexpr int kMaxDistributedLoads = 100;
inline constexpr int kMaxStiffnessLevels = 100;

// Load combinations (C5) and the load cases listed in one combination (C6f).
inline constexpr int kMaxCombinations = 100;
inline constexpr int kMaxCasesPerCombination = 100;

// Distributed-load sets (C7) and their points (C8a): one point per node of the
// longest pile (100 increments give 101 nodes).
inline constexpr int kMaxDistributedSets = 2000;
inline constexpr int kMaxSetPoints = 101;

// Pile groups of one arrangement (D1 or D5).
inline constexpr int kMaxPileGroups = 2000;

// Pile property sets (E1), the sections along one pile (E2) and the cross
// sections they refer to (E5).
inline constexpr int kMaxPileProperties = 50;
inline constexpr int kMaxPileSections = 20;
inline constexpr int kMaxCrossSections = 100;
inline constexpr int kCrossSectionDimensions = 8;   // E8
inline constexpr int kCrossSectionProperties = 10;  // E9

// Increments along a pile (E3): at most 100, so nodes 0..100. The nodal arrays
// of the pile solvers hold nodes -3 .. N+3.
inline constexpr int kMaxIncrements = 100;
inline constexpr int kNodePositions = kMaxIncrements + 7;

// Values kept per pile group by the envelope trackers: the pile-head values of
// the three-dimensional analysis (six displacements, six forces and the
// stress, in cap axes and in pile axes), and the along-pile quantities of the
// biaxial solver at each node. The two-dimensional analysis uses the first 14
// and the first 8 of them.
inline constexpr int kEnvelopeHeadValues = 26;
inline constexpr int kEnvelopeAlongQuantities = 13;

// Soil layers (F1). A layer holds a value row at its top and one at its bottom
// (F4), each of up to nine soil properties; the profile built from the layers
// has two points per layer.
inline constexpr int kMaxSoilLayers = 20;
inline constexpr int kLayerValueRows = 2;
inline constexpr int kSoilProperties = 9;
inline constexpr int kMaxProfilePoints = 2 * kMaxSoilLayers;

// Requests for printed p-y curves (F6) and further depths of one request (F8).
inline constexpr int kMaxPyPrintRequests = 50;
inline constexpr int kMaxExtraPrintDepths = 50;

// User p-y curve sets (G1), curves per set (G2) and points per curve (G4).
inline constexpr int kMaxPySets = 50;
inline constexpr int kMaxPyCurvesPerSet = 20;
inline constexpr int kMaxCurvePoints = 25;

// User load-settlement (H1) and torque-rotation (I1) curves.
inline constexpr int kMaxLsCurves = 50;
inline constexpr int kMaxTrCurves = 50;

// Moment-curvature sets (J1) and the axial-load curves of one set (J2).
inline constexpr int kMaxMcSets = 50;
inline constexpr int kMaxMcCurvesPerSet = 20;

// Integer and real fields of a load case (C2) and of a load combination (C6).
inline constexpr int kCaseIntegerFields = 20;
inline constexpr int kCombinationIntegerFields = 21;
inline constexpr int kCaseRealFields = 4;

// Bounds that keep every load case and combination finite. The load factor
// advances by at least the minimum increment factor per converged increment,
// and the halving of a failed increment from at most 1.0 falls below 1.0E-6
// after 20 halvings: at most 1,000,001 converged increments and 20 failed
// ones. Each increment takes at most the cap iteration limit plus one global
// iterations, and each pile solution at most the pile iteration limit.
inline constexpr double kSmallestMinimumIncrement = 1.0E-6;
inline constexpr int kMaxIterationLimit = 10000;

// Values of one concentrated load (C3) and integers of one distributed load (C4).
inline constexpr int kConcentratedLoadValues = 9;
inline constexpr int kDistributedLoadIntegers = 7;

// Lengths of the fixed texts of the store.
inline constexpr int kVersionLength = 8;
inline constexpr int kPathLength = 255;
inline constexpr int kTitleLength = 80;
inline constexpr int kNameLength = 80;

}  // namespace pylora
