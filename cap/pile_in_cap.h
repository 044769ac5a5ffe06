// SPDX-License-Identifier: Apache-2.0
// The per-pile analysis in cap coordinates: the geometry of a pile group
// (the rigid transfer from the cap origin to its head and the rotation into
// pile axes), the chain of axial, torsional and lateral responses that turns
// a pile-head displacement into the forces of the group on the cap, the sums
// over the pile groups, the pile-head and cap stiffness by central
// differences, and the passive earth resistance of an embedded cap.
//
// Vectors and matrices use the cap's six components in the order of a
// CapVector (translations X, Y, Z, rotations about X, Y, Z; forces then
// moments). Matrices are CapMatrix, column by column.
//
// The analysis of one pile group reads the model from the store and writes
// only its scratch space (PileScratch). The sums and the stiffness assembly
// analyse the pile groups on the run's worker threads when it has them
// (store.pileWorkers), each thread in its own scratch space, and gather the
// results in pile-group order afterwards: the forces and stiffnesses are
// added up in the order of the groups, and the messages, warning counts,
// flags and the p-y state each group passes on to the next reach the store
// as they would if the groups had been analysed one after the other. The
// results are thus the same, bit for bit, for any number of threads. Without
// worker threads the groups are analysed in order in the store's own scratch
// space.
#pragma once

#include <array>
#include <functional>
#include <span>
#include <vector>

#include "store/model_store.h"

namespace pylora {

// The transforms of pile group g (1-based): the transfer T = [[I, S], [0,
// I]] with S = [[0, CorZ, -CorY], [-CorZ, 0, CorX], [CorY, -CorX, 0]] (u_head
// = U + theta x r, r the head position), the rotation R whose 3 x 3 block
// has the rows (sin BETA, cos ALPHA cos BETA, sin ALPHA cos BETA), (-cos
// BETA, cos ALPHA sin BETA, sin ALPHA sin BETA), (0, -sin ALPHA, cos ALPHA),
// and their transposes. A pile with BETA = 90 degrees and ALPHA = 0 has its
// local axes equal to the global ones. An invalid g gives identities and
// pileGroup 0.
PileTransforms pileTransforms(const ModelStore& store, int g);

// C = A B for a 6 x 6 matrix A and a 6 x n matrix B (n = 1 for a vector, 6
// for a matrix), all column by column. C must not share storage with A or B;
// spans shorter than the product leave C unchanged.
void multiply6(std::span<double> C, std::span<const double> A, std::span<const double> B, int n);

// The force of pile group g on the cap at its head, in global axes, for the
// pile-head displacement uHead in global axes (the three-dimensional
// analysis). In pile axes u = R uHead = (ua, uy, uz, tx, ty, tz): the axial
// force Q is the axial response of ua times the group's axialForceFactor, the
// torsional moment T the torsional response of tx (0 when the head is pinned
// about either lateral axis); the pile is discretised and solved by the
// biaxial solver with (uy, -tz) in its x-y plane and (uz, ty) in its x-z
// plane, which returns the head forces Fy, Fz and the head moments Mz' (x-y)
// and My' (x-z). The local force is n (-Q, -Fy, -Fz, -T, My', -Mz'), n the
// number of piles of the group, and forces = R^T of it.
//
// With the analysis-type flag 2 (a two-dimensional model reached through the
// plate solution) only components X, Y and rotation Z of uHead and forces are
// used: u = (ua, y, theta) with ua = cos b uX + sin b uY and y = -sin b uX +
// cos b uY for the group's batter b (the rotation of sumPileForces2D), Q the
// axial response of ua times axialForceFactor, the single-plane solver with
// y, theta, Q and no torsion giving H and M(0), and forces = (cos b nQ -
// sin b nH, sin b nQ + cos b nH, nM(0)) in X, Y and rotation Z.
//
// forces is zeroed first and stays zero when status is set: 3 for a pile
// below the deepest layer, or a status of the discretisation, the p-y
// evaluation or the lateral solver. A lateral solution that does not close
// sets scratch.capAbortFlag (lateral forces then 0); this routine does not
// test it. Leaves the transforms, the pile-head values and the nodal results
// in scratch.
void analysePile(const ModelStore& store, PileScratch& scratch, int g, const CapVector& uHead,
                 CapVector& forces, int& status);

// Converged states of the pile groups' solutions at the unperturbed cap
// displacement, [g - 1] for pile group g: kept by a force sum, and read by the
// perturbed analyses of the same global iteration when the control parameters
// ask for the stiffness start kStartFromConverged. An entry whose pileGroup is
// 0 (a solution that did not close) lets its group start from the initial
// moduli.
using LateralStarts = std::vector<LateralStart>;

// The converged state that the last solution left in scratch, for pile
// group g.
LateralStart convergedStart(const PileScratch& scratch, int g);

// F = sum over the pile groups of T^T forces(T U) for the current cap
// displacement U = store.capSolution.capDisp. Stops at the first pile group
// that sets status (F then holds the groups before it). Gathers into the
// store, in pile-group order up to that group: the messages, the warning
// counts of store.axialResponse (added), store.pileSolution.capAbortFlag
// (raised), and the soil values of the embedded cap from the last pile group
// in store.capSolution (passiveGround, passiveResistance, passiveLeverX).
// With keep, the converged state of every group's solution goes to
// (*keep)[g - 1] (resized to the group count).
void sumPileForces(ModelStore& store, CapVector& F, int& status, LateralStarts* keep = nullptr);

// The 6 x 6 tangent stiffness d forces / d uHead of analysePile for pile
// group g at uHead, by central differences: increments 1.0E-7 for
// translations (2.54E-9 in the metric units system, the same length in
// metres) and 1.0E-9 radian for rotations; every positive perturbation first, in
// DOF order, then every negative one. K(i, j) = (F_i(+) - F_i(-)) / 2 delta_j.
// With the analysis-type flag 2 only DOFs X, Y and rotation Z are perturbed,
// their rows and columns formed, K(3,3) = K(4,4) = K(5,5) = -1 and every
// other entry 0. The perturbed solutions start from scratch.start when it
// holds a state of group g, else from the initial moduli.
// Stops at the first evaluation that sets status; K is then all zero.
void pileHeadStiffness(const ModelStore& store, PileScratch& scratch, int g, CapMatrix& K,
                       const CapVector& uHead, int& status);

// The pile-head stiffness of group g at uHead, in the axes of its head as
// pileHeadStiffness gives it, from the condensed lateral stiffness of the
// group's closed biaxial solution at uHead (planes, condensedBiaxialStiffness)
// and the slopes of its load-settlement and torque-rotation curves there
// (central differences with the perturbations of the tangent). The lateral
// planes hold the axial force of the solution and see each other only
// through the soil moduli they share, held too: the terms that couple them
// are left out. Three-dimensional analyses; scratch.head keeps its values.
CapMatrix condensedPileHeadStiffness(const ModelStore& store, PileScratch& scratch, int g,
                                     const CapVector& uHead,
                                     const std::array<PlaneHeadStiffness, 2>& planes);

// Kcap = sum over the pile groups of T^T K T, K the pile-head stiffness at
// u_head = T U for the current cap displacement U. Stops at the first pile
// group that sets status; gathers as sumPileForces does. With from, the
// perturbed solutions of group g start from (*from)[g - 1]; with the
// stiffness start kStartCondensed, an entry that holds its group's condensed
// stiffness gives it instead of the perturbed solutions.
void assembleGroupStiffness(ModelStore& store, CapMatrix& Kcap, int& status,
                            const LateralStarts* from = nullptr);

// The passive earth resistance P on an embedded cap at the current cap
// displacement, from the soil values of the latest force sum: the ground
// value E, the cap thickness Tc, the cap resistance p0 and the lever origin
// X0. No force while E >= -1.0E-6 (the ground does not reach above the cap
// bottom). Otherwise the resultant F and moment M of the pressure diagram on
// the embedded depth, split between the Y and Z directions by the share of
// each in |uY| + |uZ| and opposing the movement; nothing when the cap does
// not move horizontally. status is set to 0.
void capPassiveResistance(ModelStore& store, CapVector& P, int& status);

// The resultant F and moment M of the passive pressure on the embedded cap
// face from the soil values of the latest force sum, before they are given a
// direction: both 0 while E >= -1.0E-6.
void capPassiveForceAndMoment(const ModelStore& store, double& F, double& M);

// The 6 x 6 stiffness of capPassiveResistance by the central differences of
// pileHeadStiffness on the cap displacement, which is restored at the end.
void capPassiveStiffness(ModelStore& store, CapMatrix& Kp, int& status);

// The two-dimensional force sum: for the cap displacement U = (vertical,
// horizontal, rotation), F = sum over the pile groups of A (n Q, n H, n M(0))
// with A the matrix of columns (cos b, sin b, sin b V - cos b H'), (-sin b,
// cos b, sin b H' + cos b V), (0, 0, 1) of the group's batter b and head
// position (V, H') = (VERT, HOR), the local head displacement (ua, y, theta)
// = A^T U, Q the axial response of ua times axialForceFactor, and H and M(0)
// the head force and moment of the two-dimensional single-plane solver. F is
// zeroed first; stops at the first pile group that sets status (13 for a pile
// below the deepest layer), and gathers as sumPileForces does. Like
// sumPileForces it leaves the soil values of the embedded cap from the last
// pile group in store.capSolution, and it counts its runs in
// store.capSolution2D.forceSumCount. The forward differences of the
// two-dimensional cap run it at perturbed displacements, and every solution
// starts from the initial moduli.
void sumPileForces2D(ModelStore& store, const std::array<double, 3>& U, std::array<double, 3>& F,
                     int& status);

// Called by a cap solution (and the plate solution) before its first pass:
// the state that the p-y evaluation of one pile group passes on to the next
// depends on KPYOP and on the loading of the analysis, so the first pass on
// the worker threads finds it again (and the p-y curves are built anew).
void beginPileAnalyses(ModelStore& store);

// One pass of per-pile analyses over the pile groups 1 .. count: analyse(store,
// scratch, g) for every g, returning its status, on the run's worker threads
// when it has them, else in order in the store's own scratch space. analyse
// keeps what it computes by g itself, and must write nothing but its scratch
// space and its own entries. Then, in pile-group order up to and including
// the first group whose status is not 0, the group's messages are written
// and its warning counts, capAbortFlag, lateral solution counts, equivalent
// depths, passive cap resistance and the p-y state it passes on gathered into
// the store; gather(g) is called for the groups before the failing one.
// Returns the status of the first failing group, or 0.
//
// Tasks that solve no pile (light) run in order on the caller's thread
// whatever the pool: handing out some microseconds of work costs more than
// it gains.
enum class PileTasks { solutions, light };
int analysePileGroups(ModelStore& store, int count,
                      const std::function<int(const ModelStore&, PileScratch&, int)>& analyse,
                      const std::function<void(int)>& gather,
                      PileTasks tasks = PileTasks::solutions);

}  // namespace pylora
