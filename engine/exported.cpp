// SPDX-License-Identifier: Apache-2.0
// The shared library's only exported symbol is IPYLORA8, defined with the
// entry point; this unit gives the library target a source of its own, and
// holds the codes of the installed header to the engine's.

#include "engine/ipylora8.h"
#include "store/return_codes.h"

static_assert(PYLORA_RUN_ANALYSIS == pylora::kRunAnalysisCode);
static_assert(PYLORA_COMPLETED == pylora::kReturnCompleted);
static_assert(PYLORA_NOT_RUN == pylora::kReturnNotRunCode);
static_assert(PYLORA_RUN_CONTROL_ERROR == pylora::kReturnRunControlError);
static_assert(PYLORA_FILE_OPEN_ERROR == pylora::kReturnFileOpenError);
static_assert(PYLORA_INPUT_READ_ERROR == pylora::kReturnInputReadError);
static_assert(PYLORA_INPUT_REFUSED == pylora::kReturnInputRefused);
static_assert(PYLORA_FILE_WRITE_ERROR == pylora::kReturnFileWriteError);
static_assert(PYLORA_RUN_FOLDER_BUSY == pylora::kReturnRunFolderBusy);
static_assert(PYLORA_INTERRUPTED == pylora::kReturnInterrupted);
static_assert(PYLORA_PLATE_SOLUTION_STOPPED == pylora::kReturnPlateSolutionStopped);
static_assert(PYLORA_PLATE_MODEL_REJECTED == pylora::kReturnPlateModelRejected);
