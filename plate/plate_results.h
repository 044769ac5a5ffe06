// SPDX-License-Identifier: Apache-2.0
// What the plate solution writes after every converged step: the stress
// resultants at the integration points with their extremes (the plate input
// listing) and one block of nodal results in the step results, the file the
// front end reads.
#pragma once

#include <cstdio>
#include <span>

#include "plate/shell_element.h"

namespace pylora {

// The "STRESSES" listing of a converged step: per element (numbers[e] the
// number of elements[e]) its four integration points, I5 2F10.4 8E13.5
// (point, plate coordinates x and y, the eight resultants), then the
// "MAXIMUM STRESSES" and "MINIMUM STRESSES" blocks: for each resultant the
// extreme value and the element and point where it first occurs.
void writePlateStresses(std::FILE* listing, std::span<const int> numbers,
                        std::span<const ShellPointResults> elements);

// The head of the step results, written before the block of the first
// converged step only: "STEP_DATA", "14" (the values a node) and the column
// line "UX UY UZ ROTX ROTY ROTZ SXX SYY SXY MOM_X MOM_Y MOM_XY SH_XZ SH_YZ".
void writeStepResultsHeader(std::FILE* results);

// The block of a converged step: "STEP" I8, then per node I5 and 14 values
// in E12.4 fields: the six displacements (six a node in displacements), and
// the eight resultants summed over the elements around the node (eight a
// node in sums) divided by the node's number of contributions (counts; a
// node without any gets zeros).
void writeStepResultsBlock(std::FILE* results, int step, std::span<const double> displacements,
                           std::span<const double> sums, std::span<const int> counts);

}  // namespace pylora
