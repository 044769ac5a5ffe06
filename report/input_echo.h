// SPDX-License-Identifier: Apache-2.0
// The input echo: the section "INPUT INFORMATION" of the report, which
// restates the whole model in the labelled TABLES B to J.
//
// Each routine prints one table (or one part of a table) from the store to the
// report and computes nothing: the preparation step that calls them in order
// (engine/prepare_run.h) fills the values the echo shows beside the input, such
// as the equivalent load of each load case and the derived two-dimensional head
// positions, before the table that shows them.
//
// Numbers whose format depends on their size go through the number fields of
// format/number_fields.h, each row in the same layout: real values in fields
// of 12 characters with 4 significant decimals (writeRealField 12, 4),
// integers in fields of 5 (writeIntegerField 5; 4 in the "NL" columns), each
// value right-aligned under the end of its column heading. A line whose last
// field is such a number is ended with endLine.
#pragma once

#include <string_view>

#include "store/model_store.h"

namespace pylora {

// The model is two-dimensional for analysis type 2; any other type is echoed
// and analysed as the three-dimensional model.
inline bool isTwoDimensional(const ModelStore& store) {
    return store.control.analysisType == 2;
}

// Head connection text: "PIN" (1), "FIX" (2), "RES" (any other code: an
// elastically restrained head).
std::string_view connectionText(int connection);

// Axis text of a distributed load: "GLOBAL" (axis code 1), "LOCAL " (others).
std::string_view distributedAxisText(int axisCode);

// Load type text of a load case (case integer 8), "Special, Sp" for a code
// outside 0 .. 11.
std::string_view loadTypeText(int loadType);

// The user gives the load-settlement curves: option 1 and at least one curve.
bool usesUserLoadSettlementCurves(const ModelStore& store);

// The user gives the torque-rotation curves: option 1.
bool usesUserTorqueRotationCurves(const ModelStore& store);

// The heading "INPUT INFORMATION" with the title, the analysis type and the
// units system.
void echoHeading(const ModelStore& store);

// TABLE B, the pile cap options, when the cap is embedded or its dimensions add
// up to more than 1.0E-10; prints nothing otherwise. Shows the dimensions as
// they are in the store, so it must run before the working cap width is set.
void echoCapTable(const ModelStore& store);

// TABLE C: load cases (with the equivalent load at the origin of each case from
// store.work.caseLoads and the stiffness load levels as they stand in the
// case), case envelopes, load combinations, combination envelopes and the
// distributed-load sets.
void echoLoadTables(const ModelStore& store);

// TABLE D, the arrangement of pile groups; the two-dimensional head positions
// VERT and HOR and the batter come from the per-pile working tables.
void echoArrangement(const ModelStore& store);

// TABLE E: pile properties, pile sections, cross sections and their
// properties, all as read.
void echoPileProperties(const ModelStore& store);

// TABLE F: the soil layers with the rows of the properties their soil type
// uses, and the requests for printed p-y curves when KPYOP is 1.
void echoSoilData(const ModelStore& store);

// TABLE G, the user p-y curves, when the option is 1 and a set is given.
void echoUserPyCurves(const ModelStore& store);

// TABLE H: its heading, and the user load-settlement curves.
void echoLoadSettlementHeading(const ModelStore& store);
void echoUserLoadSettlementCurves(const ModelStore& store);
// The load-settlement curves generated for the pile properties, in the report
// and, when plot is true, in the plot file.
void echoGeneratedLoadSettlementCurves(const ModelStore& store, bool plot = true);

// TABLE I (three-dimensional model): its heading, and the user torque-rotation
// curves.
void echoTorqueRotationHeading(const ModelStore& store);
void echoUserTorqueRotationCurves(const ModelStore& store);
// The generated torque-rotation curves, in the report and in the plot file.
void echoGeneratedTorqueRotationCurves(const ModelStore& store);

// TABLE J, the moment-curvature sets, when their option is 1.
void echoMomentCurvatureSets(const ModelStore& store);

// TABLE K of the two-dimensional model as the analysis uses it: its heading
// and a row of the p- and y-factor of every pile group (the factors in force
// stay fixed in two dimensions). Nothing when groupFactorOption is 0.
void echoReductionFactors(const ModelStore& store);

// The second input echo of a two-dimensional model (KPYOP of 2 or more), to
// the report and then to the summary file: the heading "INPUT INFORMATION"
// with the title, TABLE C (load and control parameters), TABLE D (the
// arrangement of pile groups), TABLE E (pile geometry and properties), TABLE
// H (the load-settlement curves, user or generated; the plot file is not
// written again), TABLE G (the user p-y curves), TABLE F (the soil data) and
// TABLE K (the reduction factors), each in the layout of the first echo.
void echoTwoDimensionalModel(ModelStore& store);

}  // namespace pylora
