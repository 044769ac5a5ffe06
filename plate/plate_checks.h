// SPDX-License-Identifier: Apache-2.0
// Data checks of a plate model before its solution: the control values
// (errors 1 to 12) and the mesh (errors 13 to 24), with the maximum front
// width of the frontal solution.
#pragma once

#include <array>
#include <vector>

#include "plate/plate_model.h"

namespace pylora {

inline constexpr int kFirstMeshError = 13;
inline constexpr int kPlateCheckErrors = 24;

// The numbers (1..12, ascending) of the control errors of c:
//  1 NPOIN < 1            2 NNODE x NELEM < NPOIN   3 NVFIX < 0 or > NPOIN
//  4 NCASE < 1            5 NTYPE outside 0..2      6 NNODE outside 3..9
//  7 NDOFN outside 2..6   8 NMATS outside 1..NELEM  9 NPROP outside 3..5
// 10 NGAUS outside 1..3  11 NDIME outside 1..3     12 NSTRE outside 2..8
std::vector<int> checkPlateControl(const PlateControl& c);

// The mesh pass. counters[n - 1] counts the occurrences of error n (13..24):
// 13 pairs of nodes with all NDIME coordinates equal; 14 elements whose
// material is outside 1..NMATS; 15 zero node numbers in elements; 16 element
// node numbers < 0 or > NPOIN; 17 pairs of equal node numbers within an
// element; 18 nodes of no element (listed in unconnectedNodes); 19 of those,
// the nodes away from the origin; 20 of those, the restrained ones; 21 a
// front wider than kMaxPlateFrontWidth; 22 restrained node numbers outside
// 1..NPOIN; 23 restrained nodes without a fixity code > 0; 24 pairs of
// restraints of the same node.
struct PlateMeshDiagnosis {
    std::array<int, kPlateCheckErrors> counters{};
    std::vector<int> unconnectedNodes;
    int maxFrontWidth = 0;
    int frontCapacity = kInitialPlateFrontWidth;  // working size of the front
    bool anyError() const;
};
PlateMeshDiagnosis checkPlateMesh(const PlateModel& model);

// The maximum front width of the frontal solution in element order: a node
// enters the front with its NDOFN variables at its first element and leaves
// it after its last one. Node numbers outside 1..NPOIN are left out.
int maximumFrontWidth(const PlateModel& model);

}  // namespace pylora
