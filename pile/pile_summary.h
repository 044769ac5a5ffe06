// SPDX-License-Identifier: Apache-2.0
// The summary tables of the pile results of one load case, combination or
// envelope: read back from the pile data file, one row per pile group and
// the extreme rows over all pile groups, in the summary file.
#pragma once

#include "store/model_store.h"

namespace pylora {

// Prints the summary tables of the pile groups in the pile data file
// (store.run.pileDataFilePath, which must be closed for writing) to the
// summary file. Three kinds of table, each under its section header and each
// printed twice: the pile-top values in cap axes (1) and in pile axes (2),
// displacements (selector 1) then reactions and stress (selector 2); and the
// extremes along the piles (3), minima and their positions (selector 1) then
// maxima (selector 2). The file is read once; every table takes the eight
// records of each pile group in turn for at most pileGroupCount groups and
// ends early at the end of the file, so that a group without results (its
// lateral solution did not close) is simply absent. The row of
// a group carries the number of its records. Kinds 1 and 2 end with the
// minimum and the maximum of every column over the groups and the groups
// where they occur; kind 3 with the minimum of the minima (selector 1) or
// the maximum of the maxima (selector 2). Ties keep the first group.
//
// The columns are those of the two-dimensional analysis when
// store.control.analysisType is 2, else those of the three-dimensional one.
// With demandCapacity other than 1 the tables of kind 3 leave out the two
// demand/capacity columns that the records hold. A file that cannot be read
// prints the headers of each table and no row. The tables are made on the
// run's worker threads when it has them, and written in order.
void printPileSummary(ModelStore& store, int pileGroupCount, int demandCapacity);

}  // namespace pylora
