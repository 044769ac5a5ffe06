// SPDX-License-Identifier: Apache-2.0
// In-place inversion of the small dense matrices of the cap: the tangent
// stiffness of the cap equilibrium and the response matrices of the
// foundation stiffness estimation.
#pragma once

#include <span>

namespace pylora {

// Largest order inverted: the six degrees of freedom of the cap.
inline constexpr int kMaxInvertOrder = 6;

// Replaces the square matrix of the given order (1..kMaxInvertOrder), stored
// column by column with element (i, j) at a[i + j * leadingDimension]
// (0-based), by its inverse. Gauss-Jordan elimination with full pivoting:
// each step takes the largest remaining element as pivot, interchanges rows
// to bring it onto the diagonal, and the row interchanges are undone as
// column interchanges at the end.
//
// singular is set to 1 when the matrix cannot be inverted: no pivot is left
// among the rows and columns not yet used (a pivot row would be chosen a
// second time), counting as zero a pivot not above order x machine epsilon x
// the largest element (the rounding residue of an exactly singular matrix),
// or the inverse holds a value that is not finite. It is also 1
// for an order outside 1..kMaxInvertOrder, a leading dimension below the order
// or a span too short for the matrix. The matrix is then left unchanged.
// Otherwise singular is 0. Elements outside the order x order block (rows
// order .. leadingDimension - 1) are never touched.
void invertMatrix(std::span<double> a, int order, int leadingDimension, int& singular);

}  // namespace pylora
