// SPDX-License-Identifier: Apache-2.0
// The library's entry point, as a front end calls it, and the codes it
// returns. Usable from C and C++; installed as <pylora/ipylora8.h>. On
// Windows, pylora.dll exports IPYLORA8 by this name (engine/pylora.def), and
// pylora.lib is its import library.
#ifndef PYLORA_IPYLORA8_H
#define PYLORA_IPYLORA8_H

#ifdef __cplusplus
extern "C" {
#endif

// Runs the analysis named by "Names.dat" in the current working directory
// when code is PYLORA_RUN_ANALYSIS (13) and returns its code: 0 when every
// load case and combination was analysed; an analysis stop code: 3 or 13 (a
// pile below the last soil layer), 21 to 24 and 28 to 30 (soil data the p-y
// curves cannot use), 32 to 35 (a clay pile tip without E50 or strength), 40
// or 41 (a pile that cannot be solved), 99 (a rigid cap solution asked for a
// flexible cap, which the analysis hands to the plate model instead: not
// reached from an input file), 998 (the plate solution of a flexible cap
// stopped: an element of zero or negative area, a plate that its piles do
// not hold, or a load in no element), 999 (the plate model of a flexible cap
// failed its data checks); 101 to 104 when the run could not start or its
// input could not be read (101 "Names.dat", 102 a file of the run, 103 an
// unreadable record, 104 an unsafe value); 105 when a file of the run could
// not be written or a scratch file read back (the run stops, and no file
// claims completion); 106 when another run holds "Names.dat" (nothing is
// touched); 107 when the caller interrupted the run. Any other code returns
// 1 at once and touches no file.
int IPYLORA8(int code);

// The argument that runs an analysis.
#define PYLORA_RUN_ANALYSIS 13

// Codes returned by IPYLORA8 that a caller acts on; the analysis stop codes
// listed above are returned as they are.
#define PYLORA_COMPLETED 0                 // every load case and combination analysed
#define PYLORA_NOT_RUN 1                   // the argument was not PYLORA_RUN_ANALYSIS
#define PYLORA_RUN_CONTROL_ERROR 101       // "Names.dat" missing, short or unreadable
#define PYLORA_FILE_OPEN_ERROR 102         // a file of the run could not be opened
#define PYLORA_INPUT_READ_ERROR 103        // a record of the input file could not be read
#define PYLORA_INPUT_REFUSED 104           // the input file holds an unsafe value
#define PYLORA_FILE_WRITE_ERROR 105        // a file could not be written: the run stopped
#define PYLORA_RUN_FOLDER_BUSY 106         // another run holds "Names.dat": nothing touched
#define PYLORA_INTERRUPTED 107             // the caller interrupted the run
#define PYLORA_PLATE_SOLUTION_STOPPED 998  // the plate solution of a flexible cap stopped
#define PYLORA_PLATE_MODEL_REJECTED 999    // the plate model failed its data checks

#ifdef __cplusplus
}
#endif

#endif  // PYLORA_IPYLORA8_H
