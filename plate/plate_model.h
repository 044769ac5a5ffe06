// SPDX-License-Identifier: Apache-2.0
// The plate model of a flexible pile cap: the numbers that the numeric model
// file carries, as the export builds them and as the plate solver reads them
// back. The tables are allocated per plate run (they are the plate solver's
// work arrays) and released with the model.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace pylora {

// Capacities of a plate run. The plate is meshed by the export with at most
// kMaxPlateElementsPerSide elements along each side (30 401 nodes); the
// reader refuses a model file beyond kMaxPlateNodes or kMaxPlateElements
// before it allocates the tables, and beyond kMaxPlateRecords loads, springs
// or restrained nodes.
#ifdef PYLORA_FUZZ_BUILD
// The fuzzing build: a plate of 100 x 100 elements takes the better part of
// an hour to solve (the frontal solution grows with the nodes times the
// square of the front), far beyond the time a fuzzed input may take.
inline constexpr int kMaxPlateElementsPerSide = 8;
#else
inline constexpr int kMaxPlateElementsPerSide = 100;
#endif
inline constexpr int kMaxPlateNodes = 100000;
inline constexpr int kMaxPlateElements = 20000;
inline constexpr int kMaxPlateRecords = 100000;
// The largest front of the frontal solution: its front matrix of
// kMaxPlateFrontWidth^2 doubles takes 72 MB. The working size of the front
// starts at 60 and grows to the widest front of the mesh within this limit.
inline constexpr int kMaxPlateFrontWidth = 3000;
inline constexpr int kInitialPlateFrontWidth = 60;

// Values of one concentrated load or pile spring record: position X, Y, Z,
// then three forces and three moments (a load), or three direction factors
// of the pile axis and three rotational values (a spring).
inline constexpr int kPlateRecordValues = 9;
using PlateRecord = std::array<double, kPlateRecordValues>;

// The control values of the plate element that the model file does not
// carry. The eight-node flat shell: one load case (the cap load), no plane
// problem type (0: the element is a shell, neither plane stress nor plane
// strain), six DOFs a node (UX, UY, UZ, ROTX, ROTY, ROTZ), three material
// properties (E, nu, t), three coordinates a node (X, Y, Z) and eight stress
// resultants (three membrane forces, three moments, two shear forces).
struct PlateElementControl {
    int NCASE = 1;
    int NTYPE = 0;
    int NDOFN = 6;
    int NPROP = 3;
    int NDIME = 3;
    int NSTRE = 8;
};

// The control record of the model file, in the order of the file, with the
// element's values beside it. NEVAB = NNODE x NDOFN, the element's variables.
struct PlateControl {
    int NPOIN = 0;
    int NELEM = 0;
    int NMATS = 0;
    int NNODE = 0;
    int NGAUS = 0;
    int NVFIX = 0;
    int NNLOD = 0;                  // nodal loads (none in the export)
    int NNSTI = 0;                  // nodal stiffnesses (none)
    int NDLOD = 0;                  // distributed loads (none)
    int NDSTI = 0;                  // distributed stiffnesses (none)
    int NCLOD = 0;                  // concentrated loads: 1, or 9 with a moment about X
    int NCSTI = 0;                  // concentrated stiffnesses (none)
    std::array<int, 2> reserved{};  // two zeros kept for the solver
    int NCTSTI = 0;                 // pile springs: one per pile group
    int lastValue = 1;              // the control record's closing 1
    PlateElementControl element;
    int NEVAB = 0;
};

// The time-stepping record: pseudo-time from TINI to TEND in steps DT,
// halved down to DTMIN, MAXITER iterations a step, tolerance on the relative
// displacement correction.
struct PlateTimeStepping {
    double DT = 0.0;
    double TINI = 0.0;
    double TEND = 0.0;
    double DTMIN = 0.0;
    int MAXITER = 0;
    double tolerance = 0.0;
};

struct PlateElement {
    int number = 0;          // 1..NELEM
    int numberAgain = 0;     // the record repeats the element number
    int property = 0;        // material number, 1..NMATS when valid
    std::vector<int> nodes;  // NNODE node numbers: corners, then mid-sides
};

struct PlateRestraint {
    int node = 0;            // 1..NPOIN when valid
    std::vector<int> codes;  // NDOFN fixity codes, > 0 fixed
};

struct PlateMaterial {
    int number = 0;
    double youngModulus = 0.0;
    double poissonRatio = 0.0;
    double thickness = 0.0;
};

struct PlateModel {
    std::string title;
    PlateControl control;
    PlateTimeStepping stepping;
    std::vector<PlateElement> elements;        // elements[no - 1] holds element no
    std::vector<std::array<double, 3>> nodes;  // nodes[no - 1]: X, Y, Z of node no
    std::vector<PlateRestraint> restraints;    // in the order of the file
    std::vector<PlateMaterial> materials;      // materials[no - 1]
    std::vector<PlateRecord> loads;            // NCLOD records
    std::vector<PlateRecord> springs;          // NCTSTI records
};

}  // namespace pylora
