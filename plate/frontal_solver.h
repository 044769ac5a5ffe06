// SPDX-License-Identifier: Apache-2.0
// Frontal solution of the assembled plate equations K x = f.
//
// The elements are assembled into the front in element order; each variable
// enters the front with the first element that contains its node and is
// eliminated as soon as the last element containing its node has been
// assembled. Every eliminated equation is kept, in the order of elimination,
// as one record (the variable, the pivot row over the variables then in the
// front, the right-hand side); after the last element the back-substitution
// reads the records in reverse order. The front and its bookkeeping are
// allocated at the start of each solution and released at its end.
//
// Work files. A plate run passes two of its three sequential work files:
//     "fort4", the element file: one binary record per element, in element
//         order, written by the assembly with writeFrontalElement: the
//         element matrix (nev * nev doubles, row by row) followed by the
//         element right-hand side (nev doubles), nev = nodesPerElement *
//         dofsPerNode;
//     "fort2", the equation file: one binary record per eliminated
//         equation, in order of elimination, written and read back by the
//         solver (layout at solveFrontal);
// the third one, "fort3", holds the stress resultants of the elements and is
// no concern of the solver. Both files must be open for update in binary
// mode ("w+b"). Either may be left out: the element data then come from the
// spans of FrontalProblem, the eliminated equations stay in memory. The
// arithmetic is the same in every combination, so the solutions are
// identical to the last bit.
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
    // row by row, element variables node by node. Symmetric. Empty when the
    // elements come from elementFile.
    std::span<const double> elementMatrices;
    // Element right-hand sides, nodesPerElement * dofsPerNode per element;
    // may be empty (none). Empty when the elements come from elementFile.
    std::span<const double> elementRhs;
    // Right-hand side by variable (nodeCount * dofsPerNode); may be empty.
    std::span<const double> nodalRhs;
    // Fixity code by variable (> 0: the variable is restrained to its
    // prescribed value); may be empty (nothing restrained).
    std::span<const int> fixity;
    // Prescribed values by variable; may be empty (all zero).
    std::span<const double> prescribed;
    // The element file ("fort4"), or null. When set, elementMatrices and
    // elementRhs must be empty: the solver rewinds the file and reads one
    // record per element, in element order.
    std::FILE* elementFile = nullptr;
    // The equation file ("fort2"), or null (the eliminated equations are kept
    // in memory). When set, the solver rewinds it at the start of the
    // solution and writes its records from the start of the file over what a
    // previous solution left there; the file is not truncated.
    std::FILE* equationFile = nullptr;
};

// Writes one element's record to the element file at its current position:
// the matrix (rhs.size()^2 values, row by row) and the right-hand side, as
// binary doubles. The assembly rewinds the file before its first element and
// calls this once per element in element order. Returns invalidInput when
// the file is null, rhs is empty, matrix.size() is not rhs.size()^2 or the
// record could not be written (a write error may also show only when the
// solver reads the file: the stream's buffer is written out then).
[[nodiscard]] PlateCoreStatus writeFrontalElement(std::FILE* elementFile,
                                                  std::span<const double> matrix,
                                                  std::span<const double> rhs);

// Solves the problem. solution receives every variable (prescribed ones at
// their value), reactions (when not empty) the force each restraint exerts,
// (K x - f) at a restrained variable and 0.0 elsewhere; maximumFrontWidth the
// widest front in variables.
//
// A record of the equation file holds, in binary: the variable (int, 0-based),
// the number n of variables then in the front (int), their numbers (n ints),
// the pivot row's coefficients over them (n doubles) and the right-hand side
// (a double). The back-substitution seeks each record by its byte offset,
// the only thing of the equations kept in memory, from the last to the
// first.
//
// Returns invalidInput for inconsistent counts or spans, a node number
// outside 1..nodeCount, a node listed twice in an element or a node in no
// element, element spans given together with an element file, one stream
// passed as both work files, or an element file that ends before the last
// element's record or cannot be read; workFileError when the equation file
// cannot be rewound, written or read back (no solution then); zeroPivot,
// after writing
//     ' ' 3X 'NEGATIVE OR ZERO PIVOT ENCOUNTERED FOR VARIABLE NO. ' I4 ' OF VALUE ' E17.6
// to listing (when not null), for a pivot that counts as zero
// (kZeroPivotRatio; a negative pivot is eliminated like any other); notFinite
// for a solution that is not finite. solution and reactions are written only
// on ok.
[[nodiscard]] PlateCoreStatus solveFrontal(const FrontalProblem& problem, std::FILE* listing,
                                           std::span<double> solution, std::span<double> reactions,
                                           int& maximumFrontWidth);

}  // namespace pylora
