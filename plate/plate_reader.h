// SPDX-License-Identifier: Apache-2.0
// The reading half of the plate solver: the model file read back, echoed to
// the plate input listing and checked.
#pragma once

#include <cstdio>

#include "plate/plate_checks.h"
#include "plate/plate_model.h"

namespace pylora {

// The files of a plate run that the reader writes to; a null file drops its
// lines.
struct PlateOutput {
    std::FILE* listing = nullptr;  // plate input listing
    std::FILE* summary = nullptr;  // plate step summary
    bool console = true;           // diagnoses also to the console (standard error)
};

// Reads the numeric model file `file` in the order the export writes it:
// the title (72 characters), the control record, the time-stepping record,
// the elements, the nodes, the restrained nodes, the materials, the
// concentrated loads and the pile springs; the control values the file does
// not carry come from `element`, and NEVAB = NNODE x NDOFN. Each part is
// echoed to the listing as soon as it is read.
//
// The control values are checked right after the control record, the mesh
// after the whole model; the maximum front width is listed. A failed check
// (its diagnoses written), a record that cannot be read (its line named), a
// count beyond the capacity of a plate run or a kind of record that the
// solver does not take (nodal or distributed loads and stiffnesses, plain
// concentrated stiffnesses) ends the reading: the rest of the model file is
// copied to the listing after "NOW FOLLOWING A LISTING OF POST-DISASTER DATA
// CARDS" and kReturnPlateModelRejected (999) is returned. Otherwise returns 0
// with the model in `model` and the mesh diagnosis in `diagnosis`.
[[nodiscard]] int readPlateModel(std::FILE* file, const PlateOutput& out,
                                 const PlateElementControl& element, PlateModel& model,
                                 PlateMeshDiagnosis& diagnosis);

}  // namespace pylora
