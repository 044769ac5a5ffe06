// SPDX-License-Identifier: Apache-2.0
// Row writers of the pile results, shared by the solvers' printing pass and
// the envelope tables: the pile-top records of the results data file and of
// the pile data file, the pile-top blocks of the report, and the along-pile
// tables of the single-plane and the biaxial solution. Each writer takes the
// values as plain arrays, so that a per-case row and an envelope row come out
// of the same code.
#pragma once

#include <cstdio>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "format/format.h"
#include "store/model_store.h"

namespace pylora {

// ---------------------------------------------------------------------------
// Unit labels of the run composed for column heads.

std::string momentUnitLabel(const ModelStore& store);    // force - length
std::string lineLoadUnitLabel(const ModelStore& store);  // force / length
std::string stressUnitLabel(const ModelStore& store);    // force / length**2
std::string rigidityUnitLabel(const ModelStore& store);  // force - length**2
// A unit label without its blanks, in parentheses: "(IN)".
std::string inParentheses(std::string_view unit);

// A column head right-justified in width w, or after one blank when longer.
void appendColumnHead(ReportLine& line, std::string_view head, int w);
// A title centred in width w (leading blanks; trailing blanks only when a
// field follows).
void appendCentred(ReportLine& line, std::string_view title, int w);

// ---------------------------------------------------------------------------
// Pile-top records.

// The field of the values of a pile-top record of the pile data file: G12.5
// as the solvers write them, E11.4 as the envelope tables write them.
enum class PileDataField { general12, exponent11 };

// One pile-top record of the pile data file: 5X I6 6X, then the values, each
// in its field and separated by 2X.
void writePileDataRecord(std::FILE* file, int pileGroup, std::span<const double> values,
                         PileDataField field);

// The four pile-top records of a pile group: the values in cap axes, then in
// pile axes, each as a record of the displacements (the first
// `displacements` values) and a record of the forces and the stress.
void writePileTopRecords(std::FILE* pileData, int pileGroup, std::span<const double> global,
                         std::span<const double> local, std::size_t displacements,
                         PileDataField field);

// A pile-top row: 3 blanks, then the values in w/d real fields.
void writeHeadRow(std::FILE* file, std::span<const double> values, int w, int d);

// The pile-top records of the results data file: '* PILE GROUP *' I6, then
// 7X '* PILE TOP DISP. AND REACT. GLOBAL' and LOCAL, each over its row of
// 17/8 fields.
void writeHeadRecords(std::FILE* resultsData, int pileGroup, std::span<const double> global,
                      std::span<const double> local);

// The pile-top blocks of the report of the two-dimensional analysis: the
// global and the local row (seven values each) in 12/4 fields, each under its
// title and the column heads XDISPL .. STRESS.
void writeReportHeadBlocks2D(const ModelStore& store, std::FILE* file,
                             std::span<const double> global, std::span<const double> local);

// The pile-top blocks of the report of the three-dimensional analysis: the
// global and the local row (thirteen values each) in 12/4 fields, under the
// heads DISP. X .. STR in cap axes and DISP. x .. MOM z in pile axes.
void writeReportHeadBlocks3D(const ModelStore& store, std::FILE* file,
                             std::span<const double> global, std::span<const double> local);

// ---------------------------------------------------------------------------
// Along-pile tables of the report.

// Column q of the along-pile values, node k (0 .. N) at columns[q][k].
// Single plane: deflection, moment, shear, soil reaction, total stress, EI,
// bending D/C, shear D/C. Biaxial: deflection y and z, moment of the x-y and
// of the x-z plane, shear y and z, soil reaction y and z, total stress, EI of
// the x-y and of the x-z plane, bending D/C, shear D/C.
using AlongPileTable = std::span<const std::span<const double>>;

// The nodes 0, n, 2n, ... <= N that a table prints, n = min(nodeStep, N),
// at least 1.
int tableNodeStep(int nodeStep, int N);

// The single-plane along-pile table: / / 7X '* EFFECTS FOR LATERALLY LOADED
// PILE *   ' /, the heads and units, then a row per printed node (x in 9/4,
// the values in 12/4 fields; the two D/C columns when capacities).
void writeSinglePlaneTable(const ModelStore& store, std::initializer_list<std::FILE*> files,
                           AlongPileTable columns, int N, double h, int nodeStep, bool capacities);

// The biaxial along-pile table: / / 8X '* EFFECTS FOR LATERALLY LOADED PILE
// *   ' /, the two-line heads, then a row per printed node (x in 9/4, the
// values in 12/4 fields; the two D/C columns when capacities).
void writeBiaxialTable(std::FILE* file, AlongPileTable columns, int N, double h, int nodeStep,
                       bool capacities);

}  // namespace pylora
