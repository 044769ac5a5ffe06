// SPDX-License-Identifier: Apache-2.0
// Section properties along a pile, the flexural rigidity from the
// moment-curvature sets, and the distributed lateral loads at the nodes: the
// three services that the laterally loaded pile solvers read at every node.
#pragma once

#include <span>

#include "store/model_store.h"

namespace pylora {

// The bending plane a lookup serves, and so which EI and which
// moment-curvature set of a section it takes:
//   singlePlane - the two-dimensional and resultant-plane solvers: EI about z
//                 (the "I" of the two-dimensional model) and the single set
//                 of the section (the set column "SET_NLEI", read as the set
//                 about y);
//   xy          - the x-y plane of the biaxial solver: EI about z, set about z;
//   xz          - the x-z plane: EI about y, set about y.
enum class BendingPlane { singlePlane, xy, xz };

// The section of pile property set IPROP that contains the point at X on the
// current pile group (scratch.py.currentPileGroup): the first section whose
// end (sectionEnd: the last one 1.2 x LENGTH, past the tip) lies below the
// point's distance X - XHEAD from the pile head; a point exactly at a section
// end belongs to the section below, and a point beyond every end to the last
// section. Null for an IPROP outside 1..50 or a set without sections.
const SectionWork* sectionContaining(const ModelStore& store, const PileScratch& scratch, int IPROP,
                                     double X);

// EI of that section in the given plane [force x length^2]; 0 when there is
// no section.
double sectionProperty(const ModelStore& store, const PileScratch& scratch, int IPROP, double X,
                       BendingPlane plane);

// The moment-curvature set number of that section in the given plane; 0 for
// none.
int momentCurvatureSetAt(const ModelStore& store, const PileScratch& scratch, int IPROP, double X,
                         BendingPlane plane);

// The secant flexural rigidity M / phi at curvature phi >= 0 [1 / length] and
// axial force Q (compression positive) of one moment-curvature set: on the
// curve of the axial level that brackets Q (the first curve at or below the
// smallest axial load, the last at or above the largest), interpolated
// linearly in Q towards the next curve when Q lies between two. On a curve:
// up to the curvature of its first point the secant of its second point
// (the initial stiffness), then the secant of the moment interpolated
// between the points, and beyond the last point the last moment over phi, so
// that EI falls as 1 / phi. Returns false, leaving EI unchanged, when the set
// has no curve of two points or more, or the result is not a positive finite
// number (the caller keeps the linear EI).
bool momentCurvatureRigidity(const McSet& set, double phi, double Q, double& EI);

// Replaces the EI of plane planeIndex of scratch.work at nodes 0 .. N by
// the secant rigidity at the curvature of its current deflections,
// |y(k+1) - 2 y(k) + y(k-1)| / h^2 (0 below 1.0E-15; kept in the plane's
// curvature array), for pile group pileGroup and axial force Q. A node whose
// section has no moment-curvature set, or whose set gives no valid rigidity,
// takes the linear EI of its section. The fictitious nodes keep their linear
// EI. Reads scratch.work.N and h; nothing is done for an invalid group.
void updateFlexuralRigidity(const ModelStore& store, PileScratch& scratch, int pileGroup,
                            int planeIndex, BendingPlane plane, double Q);

// Loads per unit length at the nodes from a table of points (positions zw in
// increasing order, loads wv of the same count), for node positions z in
// increasing order, into out (as many values as z). A node outside the
// table's range carries no load; inside, the load is linear between the two
// points that bracket it, found with a cursor that moves down the table with
// the nodes; a node at a position shared by two points (closer than 1.0E-5)
// takes the average of their loads. A table of fewer than two points carries
// no load.
void interpolateLoadAtNodes(std::span<const double> zw, std::span<const double> wv,
                            std::span<const double> z, std::span<double> out);

enum class LoadDirection { y, z };

// The distributed load of pile group pileGroup in the pile's local y or z
// direction at nodes 0 .. N into w (node k at w[k + kNodeOffset]); zero at
// every node when the group carries no distributed load in the analysis in
// progress. The per-pile tables of the analysis (store.analysis.distributed)
// hold the load at the distances j x h below the head; they are read as a
// table of points and interpolated at the node distances k x h.
void distributedLoadAtNodes(const ModelStore& store, int pileGroup, LoadDirection direction,
                            NodalArray& w);

}  // namespace pylora
