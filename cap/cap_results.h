// SPDX-License-Identifier: Apache-2.0
// What the cap solutions write once the load increments are over: the pile
// failure warnings of the last iteration, the completion code of the status
// file, the cap results (TABLE L) with the reduction factors in use and the
// partial-load warning, the heading of the per-pile results (TABLE M), and
// the records of the foundation stiffness and flexibility estimation.
#pragma once

#include <cstdio>
#include <span>
#include <string_view>

#include "format/format.h"
#include "store/model_store.h"

namespace pylora {

// Completion codes of the status file, with the four blanks they are written with.
inline constexpr std::string_view kStatusCompleted = "    1 ANALYSIS COMPLETED";
inline constexpr std::string_view kStatusCapNotConverged = "    3 NO CONVERGENCE ON PILE CAP";
inline constexpr std::string_view kStatusPilesNotConverged = "    6 NO CONVERGENCE ON PILES   ";
inline constexpr std::string_view kStatusSingular = "    7 SINGULAR STIFFNESS MATRIX ";

// Whether the run must stop before the next global iteration: its caller
// interrupted it (the code 8 line then goes to the status file) or a file of
// the run failed. errorFlag is then set to kReturnInterrupted or
// kReturnFileWriteError.
bool stopRequested(ModelStore& store, int& errorFlag);

// One completion line to the status file.
void writeStatusLine(ModelStore& store, std::string_view line);

// Code 2: '    2 SOLUTION AT ' F8.2 ' % OF THE TOTAL LOAD' with 100 loadFactor.
void writePartialStatusLine(ModelStore& store, double loadFactor);

// / / 5X '** WARNING **  ' text, to the report and the runtime file.
void writeCapWarning(ModelStore& store, std::string_view text);

// / / 5X '**** FATAL ERROR ****' / 5X reason, and / 5X remedy unless it is
// empty, to the report and the runtime file.
void writeCapFatal(ModelStore& store, std::string_view reason, std::string_view remedy);

// The warning blocks of the pile failures counted in the last iteration
// (bearing, pull-out, torsion in that order) to the report, their first line
// to the runtime file. Returns true when any was counted; the warning
// details are then copied from the warning scratch file (three lines per
// counted warning, at most 255 characters each) to the report and the
// runtime file. includeTorsion is false for the two-dimensional analysis.
bool writePileWarnings(ModelStore& store, bool includeTorsion);

// The combined reduction factors in force, to the report and the summary,
// under the heading "REDUCTION FACTORS FOR CLOSELY-SPACED PILE GROUPS,
// COMBINED Y AND Z DIRECTIONS".
void writeCombinedFactorTable(ModelStore& store);

// The TABLE L block of the report and the summary, without the count of
// iterations: the load at the cap origin and the cap displacement under
// their heads, six components each, or with twoDimensional the vertical,
// horizontal and rotation components (force X, force Y and moment Z of the
// vectors) under the heads of the two-dimensional analysis, with
// rotationGap blanks before "ROTATION," (4 in the envelopes, 5 in a case).
void writeTableLBlock(std::FILE* file, const UnitLabels& units, const CapVector& load,
                      const CapVector& displacement, bool twoDimensional, int rotationGap = 4);

// TABLE L of the results data file: its title, the loads and the
// displacements (six each, or three with twoDimensional) in 18/8 fields,
// each followed by 5 blanks.
void writeTableLData(std::FILE* data, const CapVector& load, const CapVector& displacement,
                     bool twoDimensional);

// TABLE L of the three-dimensional analysis for the load and displacement at
// the cap origin: to the report with the count of global iterations (the
// count also to the runtime file), to the summary without it, and the six
// loads and six displacements to the results data file.
void writeTableL3D(ModelStore& store, const CapVector& load, const CapVector& displacement,
                   int iterations);

// The warning that only part of the load could be applied, with 100
// loadFactor, to the report and the summary.
void writePartialLoadWarning(ModelStore& store, double loadFactor);

// The heading of the per-pile results: to the report and the summary when
// the print option is 1 or more, always to the results data file.
void writeTableMHeading(ModelStore& store);

// TABLE L of the two-dimensional analysis for the vertical load, horizontal
// load and moment and the vertical and horizontal displacement and rotation
// at the cap origin: to the report with the count of global iterations
// ("NUMBER OF ITERATIONS ="; the runtime file gets "NUMBER OF GLOBAL
// ITERATIONS ="), to the summary without it, and the three loads and three
// displacements to the results data file.
void writeTableL2D(ModelStore& store, const CapVector2D& load, const CapVector2D& displacement,
                   int iterations);

// Records of the estimation runs, each 5X I5 2X then values 1PE18.8 3X, read
// back by the analysis driver: `dof` (1-based) is the DOF loaded, `run` the
// record number, load and displacement the converged state and resultant
// the pile resultant of its last iteration, as forces of the piles on the cap
// (the negated reactions); all three have the cap's dofCount components (6,
// or 3 in two dimensions). The dof component of the load tells whether the
// DOF was loaded at all.
void writeStiffnessRecords(ModelStore& store, int run, int dof, std::span<const double> load,
                           std::span<const double> displacement, std::span<const double> resultant);
void writeFlexibilityRecords(ModelStore& store, int run, int dof, std::span<const double> load,
                             std::span<const double> displacement,
                             std::span<const double> resultant);
// A run in which no increment converged, with records of componentCount
// components; flexibility adds the unit column of its DOF to scratch file 1.
void writeEstimationFailureRecords(ModelStore& store, int run, int dof, bool flexibility,
                                   int componentCount = kCapComponents);

// The least tolerance of the equilibrium test (capInBalance).
inline constexpr double kBalanceTolerance = 1.0E-3;

// The work of the out-of-balance load of a global iteration on its
// correction, the sum of |r_i du_i|: zero at equilibrium, and falling with
// the square of the error while the iteration converges.
double correctionWork(std::span<const double> residual, std::span<const double> correction);

// Whether the cap is in equilibrium at a global iteration whose correction
// passed the convergence test: its correction work is within
// max(capTolerance, kBalanceTolerance) of that of the first iteration of
// the increment. Near the capacity of the foundation the stiffness the
// perturbed pile solutions give no longer follows the piles' forces, and a
// correction can fall below the tolerance relative to a large displacement
// while the piles carry a load the cap does not apply, iteration after
// iteration: such a state is no solution, and the increment is not taken
// for converged. Always true in a stiffness estimation pass, which balances
// only the DOF it loads.
bool capInBalance(const ModelStore& store, double work, double firstWork);

// Checks the increment factors of the analysis in progress before the load
// is applied: a first factor above 0 and not above 1, a minimum factor above
// 0. False, with the fatal error written, when the increments could not
// start or not end.
bool incrementFactorsUsable(ModelStore& store);

}  // namespace pylora
