// SPDX-License-Identifier: Apache-2.0
#include "cap/invert_matrix.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <limits>
#include <utility>

namespace pylora {

void invertMatrix(std::span<double> a, int order, int leadingDimension, int& singular) {
    singular = 1;
    if (order < 1 || order > kMaxInvertOrder || leadingDimension < order) return;
    const std::size_t needed =
        static_cast<std::size_t>(leadingDimension) * static_cast<std::size_t>(order - 1) +
        static_cast<std::size_t>(order);
    if (a.size() < needed) return;

    // Work on a copy so that a singular matrix leaves the caller's unchanged.
    const int n = order;
    std::array<std::array<double, kMaxInvertOrder>, kMaxInvertOrder> m{};  // m[col][row]
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i)
            m[j][i] = a[static_cast<std::size_t>(i + j * leadingDimension)];

    // A pivot at or below the rounding residue of an exactly singular matrix
    // of this size and scale counts as zero.
    double largestElement = 0.0;
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i)
            largestElement = std::max(largestElement, std::fabs(m[j][i]));
    const double negligible = n * std::numeric_limits<double>::epsilon() * largestElement;

    std::array<int, kMaxInvertOrder> pivotUsed{};  // 1: the index has carried a pivot
    std::array<int, kMaxInvertOrder> pivotRow{};
    std::array<int, kMaxInvertOrder> pivotColumn{};

    for (int step = 0; step < n; ++step) {
        // Full pivoting: the largest element among the rows and columns that
        // have not yet carried a pivot.
        double largest = 0.0;
        int row = -1;
        int column = -1;
        for (int i = 0; i < n; ++i) {
            if (pivotUsed[i] != 0) continue;
            for (int j = 0; j < n; ++j) {
                if (pivotUsed[j] != 0) continue;
                const double size = std::fabs(m[j][i]);
                if (size > largest) {
                    largest = size;
                    row = i;
                    column = j;
                }
            }
        }
        // Nothing but zeros (or rounding residue) is left among the unused
        // rows and columns: the only pivot row left to choose would be one
        // already used, so the matrix is singular.
        if (row < 0 || !(largest > negligible) || !std::isfinite(largest)) return;
        pivotUsed[column] = 1;

        // Bring the pivot onto the diagonal: interchange rows row and column.
        if (row != column)
            for (int j = 0; j < n; ++j)
                std::swap(m[j][row], m[j][column]);
        pivotRow[step] = row;
        pivotColumn[step] = column;

        const double inversePivot = 1.0 / m[column][column];
        m[column][column] = 1.0;
        for (int j = 0; j < n; ++j)
            m[j][column] *= inversePivot;
        for (int i = 0; i < n; ++i) {
            if (i == column) continue;
            const double factor = m[column][i];
            m[column][i] = 0.0;
            for (int j = 0; j < n; ++j)
                m[j][i] -= m[j][column] * factor;
        }
    }

    // The row interchanges, undone in reverse order as column interchanges.
    for (int step = n - 1; step >= 0; --step)
        if (pivotRow[step] != pivotColumn[step]) std::swap(m[pivotRow[step]], m[pivotColumn[step]]);

    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i)
            if (!std::isfinite(m[j][i])) return;
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i)
            a[static_cast<std::size_t>(i + j * leadingDimension)] = m[j][i];
    singular = 0;
}

}  // namespace pylora
