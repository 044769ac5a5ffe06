// SPDX-License-Identifier: Apache-2.0
// Pieces shared by the single-plane and biaxial pile solvers: validation and
// set-up of a pile group, the soil-modulus evaluations, the convergence
// limits, the failure messages and the stresses of the printing pass.
// Internal to the pile library.
#pragma once

#include <span>
#include <string_view>

#include "pile/section_properties.h"
#include "store/model_store.h"

namespace pylora {

// The pile group being solved, as the solvers see it.
struct LateralPile {
    int pileGroup = 0;  // 1-based
    int IPROP = 0;
    int N = 0;
    double h = 0.0;
    double XHEAD = 0.0;
    bool wholePileCurves = false;   // the group's own user p-y curves replace the soil criteria
    int maxSolves = 2;              // iteration limit in force, at least 2
    double tolerance = 0.0;         // on the deflection change of a node [length]
    bool nonlinearBending = false;  // EI from the moment-curvature sets after each solve
    bool printing = false;          // the cap solution's final per-pile pass
};

// True when user p-y curves are in use and the pile group names a set of its
// own (a positive set number; a negative one serves only the layers of soil
// type 5).
bool usesWholePileCurves(const ModelStore& store, int pileGroup);

// The data of pile group pileGroup as the solvers see it (a group whose
// property prepareLateralPile accepts); printing false.
void describeLateralPile(const ModelStore& store, int pileGroup, LateralPile& pile);

// Validates pile group pileGroup and the head values, publishes the group as
// the current one of the p-y evaluation in scratch (with N + 1 nodes) and
// fills pile with its data; the solution prints only in the store's own
// scratch space. A group, property, increment count or length that cannot be
// solved, or a head value that is not finite, raises the fatal block for the
// report and the runtime file, sets status to kStatusPileBadInput and
// returns false; the scratch space is then unchanged.
bool prepareLateralPile(const ModelStore& store, PileScratch& scratch, int pileGroup,
                        std::span<const double> headValues, LateralPile& pile, int& status);

// Clears the nodal arrays of one plane and sets the head condition.
void resetPlane(PlaneWork& plane, int connection, double spring, double yt, double S);

// EI of the plane at nodes -1 .. N+2 from the linear section table, the
// fictitious nodes taking the head or tip value. Returns false after the
// fatal block and status kStatusPileBadInput when a node's EI is not a
// positive finite number.
bool fillLinearRigidity(const ModelStore& store, PileScratch& scratch, const LateralPile& pile,
                        PlaneWork& plane, BendingPlane bending, int& status);

// Starting modulus of node k for the resultant-plane and biaxial solvers:
// the subgrade modulus for the solvers (with its default where the profile
// has none) times the node's depth below the ground surface, zero above the
// top of the soil profile and at or above the ground. The node's X is that of
// the pile discretisation.
double linearStartingModulus(const ModelStore& store, const PileScratch& scratch,
                             const LateralPile& pile, int k);

// Fills the axial-force array at nodes -1 .. N+2.
void fillAxialForce(PileWork& work, int N, double Q);

// Evaluates the moduli of the p-y deflection buffer (nodes 0 .. N) with the
// group's own user curves or the soil criteria, and copies them into Es.
// Returns false when the evaluation set status (returned unchanged) or when
// the user curves did not reach every node (the scratch space's
// capAbortFlag is then set to 1).
bool evaluateModuli(const ModelStore& store, PileScratch& scratch, const LateralPile& pile,
                    int& status);

// The fatal block of the pile solvers, raised for the report and the runtime
// file:
//   / / 5X '**** FATAL ERROR ****' / 5X <reason> 2X 'PILE GROUP' I5
void writePileFatal(PileScratch& scratch, int pileGroup, std::string_view reason);

// Marks a solution whose deflections are not finite: the fatal block and
// status kStatusPileNotFinite.
void failNotFinite(PileScratch& scratch, int pileGroup, int& status);

// The no-closure warning of the two-dimensional and biaxial solvers, raised
// for the report, the runtime file and the results collector, naming the
// iteration limit:
//   / / 5X '** WARNING **  ' 'NO CLOSURE OF A LLP AFTER ' I5 2X 'ITERATIONS' 10X 'PILE GROUP' I5
void writeNoClosure(PileScratch& scratch, int maxSolves, int pileGroup);

// Section values of node k for the stresses and capacities.
struct NodeSection {
    double DIAM = 0.0;
    double AREA = 0.0;
    double Iz = 0.0;
    double Iy = 0.0;
    double Mn = 0.0;
    double Vn = 0.0;
};
NodeSection nodeSection(const ModelStore& store, const PileScratch& scratch,
                        const LateralPile& pile, int k);

// |M| DIAM / 2I and |Q| / AREA; a term whose section value is not positive
// is left out rather than divided by.
double bendingStress(double M, double DIAM, double I);
double axialStress(double Q, double AREA);

// demand / capacity / resistance factor; 0 when the capacity is not above
// 1.0E-14 or the factor is not positive.
double demandCapacity(double demand, double capacity, double resistanceFactor);

// Magnitudes below 1.0E-14 replaced by 1.0E-14 after a printed row.
void raiseTinyValue(double& v);

}  // namespace pylora
