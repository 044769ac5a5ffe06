// SPDX-License-Identifier: Apache-2.0
// The finite-difference beam-column of one lateral plane of a pile:
//
//     (EI y'')'' + Q y'' + Es y = w
//
// on nodes k = 0 (head) .. N (tip) spaced h, with the five-point operator
// multiplied by h^4. The head deflection is prescribed and one head condition
// fixes the fictitious node -1; the tip carries neither moment nor shear. The
// banded system is solved by a forward sweep that expresses every deflection
// through the two below it, y(k) = A(k) y(k+1) + B(k) y(k+2) + C(k), a 2 x 2
// solve for the two fictitious tip nodes, and back substitution. Every step
// is O(N) over the fixed nodal arrays of a PlaneWork; nothing is allocated.
#pragma once

#include <cstddef>

#include "store/model_store.h"

namespace pylora {

// Node k of a nodal array (k = -3 .. N+3; callers keep k in that range).
inline double& nodeAt(NodalArray& a, int k) {
    return a[static_cast<std::size_t>(k + kNodeOffset)];
}
inline double nodeAt(const NodalArray& a, int k) {
    return a[static_cast<std::size_t>(k + kNodeOffset)];
}

// How the imposed head rotation S enters the head condition: as given (the
// two-dimensional solver) or with the opposite sign (the resultant-plane and
// biaxial solvers, whose rotations are taken about the other sense of the
// lateral axis).
enum class RotationSense { asGiven, opposite };

// Head rows: node 0 is prescribed at plane.yt; node -1 is expressed as
// y(-1) = B(-1) y(1) + C(-1) from the plane's connection:
//   pinned (1):   zero moment, y(-1) - 2 y(0) + y(1) = 0;
//   fixed (2):    the central-difference slope at the head equals the imposed
//                 rotation;
//   restrained:   the head moment balances the spring on the rotation
//                 difference, R(0) (y(-1) - 2 yt + y(1)) / h^2 =
//                 kr ((y(1) - y(-1)) / 2h - S).
// Nodes -3 and -2 take zero coefficients. Reads R(0) of the plane.
void setHeadRows(PlaneWork& plane, double h, RotationSense sense);

// Forward sweep over nodes 1 .. N+1 with the soil moduli Es (nodes 0 .. N)
// and the axial force Q. A zero pivot gives the node zero coefficients; the
// coefficients of node N+1 are formed and not used.
void sweepForward(PlaneWork& plane, const NodalArray& Es, double Q, int N, double h);

// Tip conditions and back substitution: y(N+1) and y(N+2) from zero moment,
// y(N-1) - 2 y(N) + y(N+1) = 0, and zero shear with the axial force,
// y(N-2) - y(N+2) + g (y(N-1) - y(N+1)) = 0 with g = (Q h^2 - 2 R(N)) / R(N)
// (both left at zero when the 2 x 2 determinant vanishes), then every
// deflection from N down to -3. y(N+3) is zero.
void solveTipAndBackSubstitute(PlaneWork& plane, double Q, int N, double h);

// Copies the deflections of nodes 0 .. N into previousY.
void keepPreviousDeflections(PlaneWork& plane, int N);

// The largest |y(k) - previousY(k)| over nodes 0 .. N; NaN as soon as one
// difference is NaN, so that no comparison with a tolerance can pass.
double largestDeflectionChange(const PlaneWork& plane, int N);

// True when every deflection of nodes -1 .. N+2 is a finite number.
bool deflectionsFinite(const PlaneWork& plane, int N);

// Results of a closed solution: slope (nodes 0 .. N+1), moment -R y'' (nodes
// 0 .. N+1, zero at -2, -1 and N+2, and exactly zero at a pinned head), shear with the axial term
// (one-sided at the head, central below), soil reaction Es y (nodes 0 .. N). Returns the lateral
// force the pile carries at its head: the trapezoidal integral of soil reaction less distributed
// load over the pile, which is what the head must supply for the pile to be in equilibrium.
double computePlaneResults(PlaneWork& plane, const NodalArray& Es, double Q, int N, double h);

// The head stiffness of a plane whose system is held: its soil moduli Es,
// rigidities R, axial force Q and head connection, without the distributed
// load. The system is linear in the head deflection and imposed rotation, so
// each pair of columns is one solve of the unloaded plane, for yt = 1 and for
// S = 1, the rotation entering as sense says. plane is left unchanged.
PlaneHeadStiffness condensedHeadStiffness(const PlaneWork& plane, const NodalArray& Es, double Q,
                                          int N, double h, RotationSense sense);

}  // namespace pylora
