// SPDX-License-Identifier: Apache-2.0
// The eight-node flat-shell element of the flexible cap: plane-stress
// membrane, thick-plate (Reissner-Mindlin) bending with transverse shear, six
// degrees of freedom a node, 2 x 2 Gauss integration; with it the points
// inside an element where concentrated loads and pile springs act.
//
// Plate axes. The element works in the plane of the plate: x and y in the
// plane, z normal to it, right-handed. The degrees of freedom of a node are,
// in this order, UX, UY (in-plane translations), UZ (deflection), ROTX, ROTY
// (rotations about the in-plane axes, right-hand rule) and ROTZ (the in-plane
// or drilling rotation). A fibre at height z above the mid-surface moves by
//     ux = UX + z ROTY,   uy = UY - z ROTX,
// so that
//     membrane strains   ex = dUX/dx, ey = dUY/dy, gxy = dUX/dy + dUY/dx
//     curvatures         kx = dROTY/dx, ky = -dROTX/dy, kxy = dROTY/dy - dROTX/dx
//     shear strains      gxz = dUZ/dx + ROTY, gyz = dUZ/dy - ROTX
// and the moments are Mx = integral of sigma_xx z over the thickness, etc.
//
// The cap and its plate. The cap's axes are X vertical (positive downward),
// Y and Z horizontal. The plate axes of the cap are x = Y, y = -Z, z = -X
// (upward), a right-handed set in which the elements of the exported mesh
// (corners listed from the largest Z row onward, along Y) run
// counter-clockwise and so have a positive Jacobian. capToPlate and
// plateToCap convert six-component vectors between the two.
//
// Element layout. Nodes are listed as the four corners, then the four
// mid-side nodes; in natural coordinates (xi, eta) the corners are (-1, -1),
// (1, -1), (1, 1), (-1, 1) and mid-side node k lies between corners k and
// k + 1. Element vectors hold the 48 variables node by node (index
// 6 * node + dof, 0-based); element matrices are 48 x 48, row by row.
#pragma once

#include <array>
#include <cstdio>
#include <span>

#include "plate/plate_core_status.h"

namespace pylora {

inline constexpr int kShellNodes = 8;
inline constexpr int kShellDofsPerNode = 6;
inline constexpr int kShellVariables = kShellNodes * kShellDofsPerNode;  // NEVAB
inline constexpr int kShellResultants = 8;                               // NSTRE
inline constexpr int kShellPoints = 4;                                   // 2 x 2 integration points

using ShellVector = std::array<double, kShellVariables>;
using ShellMatrix = std::array<double, kShellVariables * kShellVariables>;  // row by row

// In-plane coordinates of the element's nodes in plate axes [m], in element
// order (corners, then mid-side nodes).
struct ShellGeometry {
    std::array<double, kShellNodes> x{};
    std::array<double, kShellNodes> y{};
};

// Material record of the plate: Young's modulus E [kPa], Poisson's ratio
// (0 <= nu < 0.5) and thickness t [m].
struct ShellMaterial {
    double youngModulus = 0.0;
    double poissonRatio = 0.0;
    double thickness = 0.0;
};

// Stress resultants at the integration points, in the order printed:
// SIGMA_XX, SIGMA_YY, SIGMA_XY (membrane stresses [kPa]), X-MOMENT,
// Y-MOMENT, XY-MOMENT (moments per unit width [kN m/m]), XZ and YZ shear
// forces (per unit width [kN/m]). Points are numbered 1..4 as
// (xi, eta) = (-g, -g), (-g, g), (g, -g), (g, g) with g = 1/sqrt(3);
// pointX, pointY are their plate coordinates.
struct ShellPointResults {
    std::array<double, kShellPoints> pointX{};
    std::array<double, kShellPoints> pointY{};
    std::array<std::array<double, kShellResultants>, kShellPoints> resultants{};
};

// Values of the eight resultants at the eight nodes of an element.
using ShellNodalResultants = std::array<std::array<double, kShellResultants>, kShellNodes>;

// Elastic constants of the element. The membrane, bending and shear
// matrices share the pattern P = [[1, nu, 0], [nu, 1, 0], [0, 0, (1 - nu)/2]]:
//     membrane   E / (1 - nu^2) P        (stress per strain; times t in K)
//     bending    E t^3 / (12 (1 - nu^2)) P
//     shear      E t / (2.4 (1 + nu))    for each of gxz and gyz
// the last one the shear modulus times the thickness with the shear factor
// 1/1.2.
struct ShellElasticity {
    std::array<double, 9> membrane{};  // 3 x 3, row by row
    std::array<double, 9> bending{};
    double shear = 0.0;
    double drilling = 0.0;  // penalty modulus of the in-plane rotation, see computeShellStiffness
};
ShellElasticity shellElasticity(const ShellMaterial& material);

// Serendipity shape functions of the eight-node element at (xi, eta) and their
// derivatives with respect to xi and eta, in element node order.
void shellShapeFunctions(double xi, double eta, std::array<double, kShellNodes>& n,
                         std::array<double, kShellNodes>& dnDxi,
                         std::array<double, kShellNodes>& dnDeta);

// Cartesian derivatives of the shape functions at (xi, eta): the Jacobian of
// the plane coordinates, its determinant detJ and the inverse Jacobian times
// the natural derivatives. When detJ is zero or negative the JACOB2 message
// (/ / ' PROGRAM HALTED IN SUBROUTINE JACOB2' / 11X ' ZERO OR NEGATIVE AREA'
// / 10X ' ELEMENT NUMBER ' I5) is written to listing (when not null) and
// nonPositiveJacobian is returned; n, dnDx, dnDy are then unspecified.
[[nodiscard]] PlateCoreStatus shellCartesianDerivatives(
    const ShellGeometry& geometry, double xi, double eta, int elementNo, std::FILE* listing,
    std::array<double, kShellNodes>& n, std::array<double, kShellNodes>& dnDx,
    std::array<double, kShellNodes>& dnDy, double& detJ);

// Element stiffness in plate axes: the sum over the Gauss points of
// B^T D B detJ w for the membrane (times t), bending and shear parts, plus the
// drilling penalty. integrationOrder is the number of Gauss points in each
// direction for the membrane, bending and shear parts: 2 (the plate solver's
// rule) or 3 (full integration, kept to show what it does to a thin plate).
//
// In-plane rotation: ROTZ has no stiffness of its own in plate theory. It is
// tied to the in-plane rotation of the membrane, w = (dUY/dx - dUX/dy) / 2,
// by the penalty energy  drilling/2 integral (ROTZ - w)^2 dA  with
// drilling = 1.0E-3 G t, integrated with 3 x 3 points so that every ROTZ of
// the element is held. It vanishes for every rigid motion and every constant
// strain state (ROTZ = w then), so the patch tests are unchanged; its small
// factor keeps the membrane response within a part in a thousand of that of
// the membrane alone; and it carries the in-plane rotation of the cap to the
// torsion of the pile springs.
//
// Returns invalidInput for a material that is not positive and finite (or
// nu outside 0..0.5) or an integration order other than 2 or 3,
// nonPositiveJacobian (with the JACOB2 message) for a zero or negative
// Jacobian determinant at any integration point, notFinite for a stiffness
// that is not finite. stiffness is written only on ok.
[[nodiscard]] PlateCoreStatus computeShellStiffness(const ShellGeometry& geometry,
                                                    const ShellMaterial& material, int elementNo,
                                                    std::FILE* listing, ShellMatrix& stiffness,
                                                    int integrationOrder = 2);

// Stress resultants at the 2 x 2 integration points for the element
// displacements (plate axes), and the element's internal forces (the
// stiffness of computeShellStiffness times the displacements, the forces the
// element exerts on its nodes). Statuses as computeShellStiffness; the
// outputs are written only on ok.
[[nodiscard]] PlateCoreStatus computeShellResultants(
    const ShellGeometry& geometry, const ShellMaterial& material, const ShellVector& displacements,
    int elementNo, std::FILE* listing, ShellPointResults& points, ShellVector& internalForces);

// Extrapolates the resultants of the 2 x 2 integration points to the eight
// nodes: the bilinear function through the four point values, continued to
// the element's corners and mid-sides (the natural-coordinate field of the
// resultants, reproduced exactly when it is bilinear).
void extrapolateShellResultants(const ShellPointResults& points, ShellNodalResultants& nodal);

// Adds an element's nodal resultants to the sums of its nodes and counts one
// contribution per node: sums holds kShellResultants values per node
// (node n at 8 (n - 1)), counts one per node. The mean at a node is its sum
// divided by its count. nodes are the element's 1-based node numbers.
// Returns invalidInput, leaving sums and counts unchanged, when a node number
// is outside the spans.
[[nodiscard]] PlateCoreStatus accumulateNodalResultants(std::span<const int> nodes,
                                                        const ShellNodalResultants& nodal,
                                                        std::span<double> sums,
                                                        std::span<int> counts);

// Natural coordinates (xi, eta) of the point (x, y) of the element's plane by
// Newton's method on the isoparametric map, from the element centre. Returns
// pointOutsideElement when the iteration does not converge or the point lies
// outside the element (|xi| or |eta| beyond 1 + 1.0E-9); xi, eta are written
// only on ok.
[[nodiscard]] PlateCoreStatus findNaturalCoordinates(const ShellGeometry& geometry, double x,
                                                     double y, double& xi, double& eta);

// Shape-function weights of a point inside the element: the point's six
// displacements are sum N_i u_i over the nodes, and a force at the point is
// carried to node i as N_i times the force (the consistent nodal loads).
using ShellPointWeights = std::array<double, kShellNodes>;
void shellPointWeights(double xi, double eta, ShellPointWeights& weights);

// Displacement of the point (six components, plate axes) from the element's
// displacements.
void interpolatePointDisplacement(const ShellPointWeights& weights,
                                  const ShellVector& displacements, std::array<double, 6>& point);

// Adds a concentrated load at the point (three forces and three moments,
// plate axes) to the element load vector as consistent nodal loads.
void addPointLoad(const ShellPointWeights& weights, const std::array<double, 6>& load,
                  ShellVector& elementLoads);

// Adds a pile spring at the point: its force (the force the pile exerts on
// the plate is minus this one: the spring force resists the displacement)
// and its 6 x 6 tangent stiffness (row by row, plate axes) for the point's
// displacement, carried to the nodes by the transposed interpolation:
// internal force of node i += N_i force, stiffness (i, j) += N_i N_j K.
void addPointSpring(const ShellPointWeights& weights, const std::array<double, 36>& stiffness,
                    const std::array<double, 6>& force, ShellMatrix& elementStiffness,
                    ShellVector& internalForces);

// Six-component vectors (three translations then three rotations, or three
// forces then three moments) from cap axes to plate axes and back.
void capToPlate(const std::array<double, 6>& cap, std::array<double, 6>& plate);
void plateToCap(const std::array<double, 6>& plate, std::array<double, 6>& cap);
// A 6 x 6 stiffness (row by row) from cap axes to plate axes.
void capToPlateStiffness(const std::array<double, 36>& cap, std::array<double, 36>& plate);

}  // namespace pylora
