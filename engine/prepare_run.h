// SPDX-License-Identifier: Apache-2.0
// The input echo and preparation step, between reading the input data file
// and the analysis: prints the section "INPUT INFORMATION" of the report,
// derives the working tables the analysis reads, and hands over to the
// analysis driver.
#pragma once

#include "store/model_store.h"

namespace pylora {

// Prints TABLES B to J in order and does the preparation work between them:
// the working cap width, the equivalent load and the default stiffness levels
// of every load case, the per-pile and per-section working tables, the soil
// profile, the generated load-settlement and torque-rotation curves and the
// group reduction factors. Then calls the analysis driver with KPYOP saved in
// the curve switch and set to 0, and finally writes the status lines still
// held and "ANALYSIS COMPLETED" to the runtime file, committed to disk; or,
// for a run that its caller interrupted, "ANALYSIS INTERRUPTED", and for a
// run with a file that could not be written "ANALYSIS STOPPED, FILE ERROR".
//
// stopCode comes in as 0 and leaves as the run's stop code: the driver's, or
// the status of a curve generation that failed, in which case the echo ends
// after that table and the driver is not called; kReturnFileWriteError when a
// file of the run failed.
void inputEchoAndPrepare(ModelStore& store, int& stopCode);

// The analysis the preparation hands over to: analysisDriver in a run; a test
// may record the hand-over instead.
using AnalysisHandover = void (*)(ModelStore& store, int curveSwitch, int& stopCode);

// inputEchoAndPrepare handing over to `analysis` in place of the driver.
void inputEchoAndPrepare(ModelStore& store, int& stopCode, AnalysisHandover analysis);

// The preparation steps, each run once by inputEchoAndPrepare at its place.

// Three-dimensional model: capWidthZ becomes the plan diagonal of the cap,
// sqrt(capLengthY^2 + capWidthZ^2), which the analysis uses. The
// two-dimensional model keeps the width as read.
void setWorkingCapWidth(ModelStore& store);

// For every load case: the default foundation stiffness levels when it asks
// for the stiffness without levels, then its equivalent load at the origin
// into store.work.caseLoads.
void prepareLoadCases(ModelStore& store);

// The per-pile working table of every pile group from the arrangement:
// property, connections, curve numbers, springs, axial force factor, head
// position and ground offset, angles in radians. A two-dimensional group
// stands for its pilesInGroup piles and has its head at VERT = head X and
// HOR = head Y with the batter of the row; a three-dimensional one is one
// pile with the angles ALPHA and BETA.
void prepareArrangement(ModelStore& store);

// The per-section working table of every pile property from its sections and
// their cross sections: the section end, diameter, area, both moments of
// inertia (each below 1.0E-10 replaced by 0.0491 D^4, D the diameter), EI per
// plane as the property's modulus times the moment of inertia, GJ, Mn, Vn and
// the moment-curvature sets. A section whose cross-section number is not in
// the cross-section table gets zero properties.
void prepareSectionTables(ModelStore& store);

}  // namespace pylora
