// Frontal solution of the assembled plate equations K x = f.
//
// The elements are assembled into the front in element order; each variable
// enters the front with the first element that contains its node and is
// eliminated as soon as the last element containing its node has been
// assembled. Every eliminated equation is kept, in the order of elimination,
// in an in-memory buffer that stands for the sequential work file of
// eliminated equations (one record per equation: the variable, the pivot row
// over the variables then in the front, the right-hand side); after the last
// element the back-substitution reads the records in reverse order. The
// buffer and the front are allocated at the start of each solution and
// released at its end.
//
// Variables are numbered node by node: variable (node - 1) * dofsPerNode +
// dof, 0-based here, 1-based in the pivot message.
#pragma once

#include <cstdio>
#include <span>

#include "plate/plate_core_status.h"

namespace pylora {

// A pivot counts as zero when its magnitude is at most this fraction of the
// variable's diagonal as assembled from the elements: in floating point the
// pivot of a mechanism is the rounding residue of the elimination, seldom an
// exact 0.0. A soft spring 1.0E-10 times as stiff as the plate around it
// still gives pivots far above this.
inline constexpr double kZeroPivotRatio = 1.0E-12;

struct FrontalProblem {
    int nodeCount = 0;        // NPOIN, nodes 1..nodeCount
    int elementCount = 0;     // NELEM
    int nodesPerElement = 0;  // NNODE, 1..9
    int dofsPerNode = 0;      // NDOFN, 1..6
    // Node numbers (1-based) of each element in element order,
    // nodesPerElement per element.
    std::span<const int> connectivity;
    // Element matrices, (nodesPerElement * dofsPerNode)^2 values per element,
    // row by row, element variables node by node. Symmetric.
    std::span<const double> elementMatrices;
    // Element right-hand sides, nodesPerElement * dofsPerNode per element;
    // may be empty.
    std::span<const double> elementRhs;
    // Right-hand side by variable (nodeCount * dofsPerNode); may be empty.
    std::span<const double> nodalRhs;
    // Fixity code by variable (> 0: the variable is restrained to its
    // prescribed value); may be empty (nothing restrained).
    std::span<const int> fixity;
    // Prescribed values by variable; may be empty (all zero).
    std::span<const double> prescribed;
};

// Solves the problem. solution receives every variable (prescribed ones at
// their value), reactions (when not empty) the force each restraint exerts,
// (K x - f) at a restrained variable and 0.0 elsewhere; maximumFrontWidth the
// widest front in variables.
//
// Returns invalidInput for inconsistent counts or spans, a node number
// outside 1..nodeCount, a node listed twice in an element or a node in no
// element; zeroPivot, after writing
//     ' ' 3X 'NEGATIVE OR ZERO PIVOT ENCOUNTERED FOR VARIABLE NO. ' I4 ' OF VALUE ' E17.6
// to listing (when not null), for a pivot that counts as zero
// (kZeroPivotRatio; a negative pivot is eliminated like any other); notFinite
// for a solution that is not finite. solution and reactions are written only
// on ok.
[[nodiscard]] PlateCoreStatus solveFrontal(const FrontalProblem& problem, std::FILE* listing,
                                           std::span<double> solution, std::span<double> reactions,
                                           int& maximumFrontWidth);

}  // namespace pylora
