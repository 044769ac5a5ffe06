// SPDX-License-Identifier: Apache-2.0
// Export of the flexible pile cap as a plate model: the plate run-control
// file "gslab.dat" and the numeric and keyword model files.
//
// Every plate file lies in the run folder (the folder of the report) and is
// named after the report's base name; "gslab.dat" names them relative to
// that folder, so no file of the run-control file "Names.dat" is touched:
//   <base>.pmk  keyword model file        (line 1 of "gslab.dat")
//   <base>.pmd  numeric model file        (line 2)
//   <base>.pls  plate input listing       (line 3)
//   <base>.pst  plate step results        (line 4)
//   <base>.psm  plate step summary        (line 5)
//   <base>.pit  plate iteration listing   (not named in "gslab.dat")
#pragma once

#include <cstdio>
#include <string>

#include "plate/plate_model.h"
#include "store/model_store.h"

namespace pylora {

// Width of a file name in "gslab.dat".
inline constexpr int kPlateNameWidth = 75;

// The files of a plate run: the run folder (with its closing separator, or
// empty for the current folder) and the names relative to it.
struct PlatePaths {
    std::string folder;
    std::string keywordModel;
    std::string numericModel;
    std::string inputListing;
    std::string stepResults;
    std::string stepSummary;
    std::string iterationListing;
    std::string full(const std::string& name) const { return folder + name; }
};

// The plate files of the run whose report is store.run.reportFilePath: named
// after its base name for the first plate model of the run, after the base
// name and "_k" for the k-th (store.analysis.plateModelCount).
PlatePaths platePathsOfRun(const ModelStore& store);

// Builds the plate model of the cap for the load store.analysis.capLoad:
// the NY x NZ mesh of eight-node elements over the cap (B1, B2), the
// material, the load at the cap origin (a couple of eight in-plane forces in
// place of a moment about X) and one spring per pile group at its head.
// Returns 0, or kReturnInputRefused with a fatal message in the report and
// the runtime file when the plate cannot be built: element counts outside
// 1..kMaxPlateElementsPerSide, cap dimensions that are not positive, a load
// point or a pile head outside the plate, more pile groups than springs.
// The model is left empty on failure.
[[nodiscard]] int buildPlateModel(ModelStore& store, PlateModel& model);

// The numeric model file and the keyword model file of a model.
void writeNumericModel(std::FILE* file, const PlateModel& model);
void writeKeywordModel(std::FILE* file, const PlateModel& model);

// Writes "gslab.dat" in the run folder: the keyword model, the numeric
// model, the input listing, the step results and the step summary, one name
// a line in kPlateNameWidth characters. Returns 0, or kReturnFileOpenError
// with a fatal message when a name is wider than kPlateNameWidth (it is
// never cut) or the file cannot be written.
[[nodiscard]] int writePlateRunControl(ModelStore& store, const PlatePaths& paths);

// Builds the model, writes "gslab.dat" and both model files, and leaves the
// model in `model`. Returns 0 or the code of the step that failed (its
// message written); files are closed in every case.
[[nodiscard]] int writePlateModel(ModelStore& store, PlateModel& model);

}  // namespace pylora
