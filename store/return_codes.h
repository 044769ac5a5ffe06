// SPDX-License-Identifier: Apache-2.0
// Values returned by the entry point IPYLORA8.
//
// 0 and the analysis stop codes (3, 13, 21 to 35, 40, 41, 99, 998, 999) come from
// the analysis itself. The codes of a run that could not start or could not read its input
// lie in 101..199 (and a run stopped by a file that failed or by its caller in 105..107),
// apart from every stop code, so a caller can tell them apart.
#pragma once

namespace pylora {

inline constexpr int kReturnCompleted = 0;   // every load case and combination analysed
inline constexpr int kReturnNotRunCode = 1;  // the argument was not 13: nothing was done

// A rigid cap solution was asked to solve a flexible cap, which the
// analysis driver hands to the plate model instead: a fault of the caller,
// never reached from an input file. The analysis stops with a fatal error.
inline constexpr int kReturnNotAvailable = 99;

// The plate model of a flexible cap failed its data checks (or could not be
// read): the diagnoses and the rest of the model file are in the plate input
// listing, and the run ends.
inline constexpr int kReturnPlateModelRejected = 999;

// The plate solution of a flexible cap stopped: an element of zero or
// negative area (the JACOB2 message), a zero pivot (a plate without enough
// pile springs or restraints to hold it), or a load or pile spring that lies
// in no element; the message is in the plate step summary and the report.
inline constexpr int kReturnPlateSolutionStopped = 998;

inline constexpr int kReturnRunControlError = 101;  // "Names.dat" missing, short or unreadable
inline constexpr int kReturnFileOpenError = 102;    // a file of the run could not be opened
inline constexpr int kReturnInputReadError = 103;   // a record of the input file could not be read
inline constexpr int kReturnInputRefused = 104;     // the input file holds an unsafe value

// A file of the run could not be written, flushed or closed, or a scratch
// file could not be read back: the run ended at the next global iteration or
// between two analyses, and names the file and the system's reason on the
// console and in whichever of the runtime file and the report still take it.
// No file of the run claims that the analysis completed.
inline constexpr int kReturnFileWriteError = 105;

// Another run holds the run-control file: two runs into one folder would
// write into each other's files. Nothing was touched.
inline constexpr int kReturnRunFolderBusy = 106;

// The caller asked the run to stop (the command-line program on SIGINT or
// SIGTERM): the analysis stopped at its next global iteration, and the
// runtime and status files say "ANALYSIS INTERRUPTED".
inline constexpr int kReturnInterrupted = 107;

// The argument that runs an analysis.
inline constexpr int kRunAnalysisCode = 13;

}  // namespace pylora
