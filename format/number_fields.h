// SPDX-License-Identifier: Apache-2.0
// Number fields of the result rows: each routine appends one field to the
// current line of an output file without ending it, so that a row is built
// field by field and ended once with endLine. Real values choose fixed or
// scientific notation by their magnitude, which keeps every row of a table
// the same width whatever the magnitudes.
#pragma once

#include <cstdio>

#include "format/format.h"

namespace pylora {

// Appends a real value in a field of w characters with d significant decimals
// (w and d are at most two digits each):
//   - zero, and any |value| < 1.0E-50, as a fixed-point zero Fw.d (never "-0.0");
//   - |value| <= 10^(3-d) or |value| >= 10^d in scientific notation 1PEw.d;
//   - otherwise fixed point Fw.(d-k), k being the decimal order of |value|
//     (truncated log10, one lower below 1), or 1PEw.d when that would need
//     more than d + 2 decimals.
// A value too wide for its field shows as w asterisks, as the Fortran runtime
// writes it.
void writeRealField(ReportLine& line, int w, int d, double value);

// Appends an integer right-justified in w characters (Iw); asterisks when it
// does not fit.
void writeIntegerField(ReportLine& line, int w, long long value);

// Appends n blanks; nothing for n < 1. These blanks are data, written even
// when nothing follows them on the line.
void writeBlanks(ReportLine& line, int n);

// Appends one blank, writes the line to the file and ends the record, then
// clears the line for the next row. A null file drops the row.
void endLine(std::FILE* file, ReportLine& line);

// The same, appending the row to out (appendLine).
void endLine(std::string& out, ReportLine& line);

}  // namespace pylora
