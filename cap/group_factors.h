// SPDX-License-Identifier: Apache-2.0
// Group reduction factors of closely spaced piles: a pile standing in front
// of, behind or beside another mobilises less lateral soil resistance than a
// single pile. The p-multiplier of a pile group scales the resistance of the
// p-y curves of its piles (the y-multiplier their deflections); computed
// factors follow from the pile layout for movement along one horizontal
// axis, and the factors of the two axes are combined for the direction in
// which the cap actually moves.
#pragma once

#include <cstdio>
#include <span>

#include "store/model_store.h"

namespace pylora {

// The reference diameter D of the computed factors: the diameter of the
// first section of the pile property of pile group 1 (every spacing is taken
// in these diameters). 0 when there is no such group, property or section.
double referencePileDiameter(const ModelStore& store);

// The computed factors for movement along Y with the sign direction (+1.0 or
// -1.0; zero counts as positive): every individual pile, numbered group by
// group, is shaded by every other pile with the pair factor of its position
// (side by side 0.64 s^0.34 up to 5 diameters; in line leading 0.70 s^0.26
// and trailing 0.48 s^0.38 up to 8 diameters; skewed pairs combine the side
// and in-line factors by the pair angle), the product of its pair factors is
// its shadow, and the p-multiplier of a group is the mean shadow of its
// piles; the y-multiplier is 1.0. The piles of a three-dimensional group sit
// at its head position; those of a two-dimensional row stand across the
// plane at the row spacing, centred on it. Writes pMultiplier and
// yMultiplier of every group.
//
// Only partners within 8 diameters along and across can reduce a pile: each
// pile takes them from the cells around it in a grid of 8-diameter cells, in
// ascending pile order, so the factors are those of the product over every
// pair, bit for bit. The work grows with the number of piles (and a sort of
// them) rather than with its square, unless very many piles crowd within a
// few diameters of each other. Piles with a coordinate that is not a finite
// number reduce no pile and are not reduced.
//
// Returns false, with both factors 1.0 for every group (no reduction), when
// the reference diameter is not a positive finite number or the layout holds
// more than kMaxShadedPiles piles (the capacity of the work arrays; only the
// rows of a two-dimensional layout can reach it).
bool computeGroupFactorsY(ModelStore& store, double direction);

// The same for movement along Z, with the roles of Y and Z exchanged; writes
// pMultiplierZ and yMultiplierZ.
bool computeGroupFactorsZ(ModelStore& store, double direction);

// The factors in force for the movement of the cap in a three-dimensional
// analysis, once per global iteration when groupFactorOption is 1 or more.
// With option 1 the directional factors are first recomputed for the signs of
// the cap displacements Y and Z (the Y ones copied into pMultiplierY and
// yMultiplierY). Then per group, with (a, b) the unit horizontal direction of
// the cap displacement (of the load when the cap has not moved
// horizontally, (1, 0) when neither has a horizontal component):
// pMultiplier = sqrt((a pMultiplierY)^2 + (b pMultiplierZ)^2), and
// yMultiplier likewise. Nothing is done for an option below 1.
void updateGroupFactorsForMovement(ModelStore& store, const CapVector& capDisp,
                                   const CapVector& capLoad);

// Between these two calls (a cap solution, whose layout stays as it is) the
// directional factors of updateGroupFactorsForMovement are computed once
// for each loading axis and sign and then taken from what was kept.
void beginGroupFactorMovements(ModelStore& store);
void endGroupFactorMovements(ModelStore& store);

// The rows of a factor table after its heading lines, to file: a line of 40
// blanks, the column line "     GROUP NO     P-FACTOR     Y-FACTOR        ",
// a blank line, then per pile group the group number (width 5) and the p-
// and y-factor (12 wide, 4 significant decimals).
void writeGroupFactorRows(const ModelStore& store, std::FILE* file, std::span<const double> pFactor,
                          std::span<const double> yFactor);

// The preparation of the group reduction factors, run once before the
// analysis when groupFactorOption is not 0, and TABLE K in the report:
//   - two-dimensional analysis: with option 1 the Y factors are computed for
//     directionY; the factors in force are printed and stay fixed;
//   - three-dimensional analysis, option 1: the Y and Z factors are computed
//     for directionY and directionZ (+1.0 or -1.0, the signs of the
//     horizontal loads of load case 1) and printed, then the Y ones are
//     copied into pMultiplierY and yMultiplierY;
//   - three-dimensional analysis, option 2 or more: the factors given in the
//     input for each direction are printed.
// When the factors cannot be computed TABLE K carries a warning and the
// factors are 1.0.
void prepareGroupFactors(ModelStore& store, double directionY, double directionZ);

// Puts the factors for the Y direction that TABLE K lists back in force (the
// input multipliers with the computed or given reduction factors), so that a
// printed p-y curve after the analysis can be checked against the report.
// Without a TABLE K the factors in force stay.
void useListedGroupFactors(ModelStore& store);

}  // namespace pylora
