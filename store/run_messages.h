// SPDX-License-Identifier: Apache-2.0
// Messages to the front end while a run is busy: lines of the runtime file,
// committed to disk at once, and the progress file's latest message; and the
// warnings of the per-pile analysis, written at once or kept until the
// results of a parallel pass are gathered. Every subsystem writes them, so
// they sit with the store at the bottom. A message
// is its records separated by '\n', without the last end of line, as a
// ReportLine assembles them (pass line.str()).
#pragma once

#include <span>
#include <string_view>

#include "store/model_store.h"

namespace pylora {

// Replaces the progress file with one message: its records, each ended.
// The message is written beside the file and renamed over it, so a reader of
// the progress file always finds one whole message. Failures are ignored.
void writeProgressMessage(const ModelStore& store, std::string_view records);

// Writes the records to the runtime file, each ended, and commits the file to
// disk. A run without a runtime file drops them.
void writeRuntimeLine(ModelStore& store, std::string_view records);

// A message of the per-pile analysis working in scratch, for the files named
// by destinations (kToReport, kToRuntime, kToWarningScratch, kToCollector;
// any of them together). The store's own scratch space writes it at once: the
// records, each ended, to every file of destinations that is open, a commit
// of the runtime file after them, and the text to the results collector with
// kToCollector. A worker thread's scratch space keeps it, in order, for
// writePileMessages.
void raisePileMessage(PileScratch& scratch, int destinations, std::string_view records);

// Completion codes of the status file for a run that stopped: its caller
// interrupted it, or a file of the run could not be written.
inline constexpr std::string_view kStatusInterrupted = "    8 ANALYSIS INTERRUPTED";
inline constexpr std::string_view kStatusFilesNotWritten = "    9 RESULTS NOT WRITTEN, FILE ERROR";

// Records for the status file, each ended: held in the store until the
// analysis under way has written its results (releaseStatusLines).
void writeStatusRecords(ModelStore& store, std::string_view records);

// Writes the held status records to the status file and commits it, once
// every file of the run took what was written to it (runFilesWritten).
// When a file failed, the completion codes 1 and 2 among them are left out
// and the code 9 line ends them instead (nothing is written when none are
// held). Returns whether the files were
// written.
bool releaseStatusLines(ModelStore& store);

// Flushes every open file of the run that is written and tells whether all
// that was written to them, and every scratch file read back, got through.
// The first failure is named once (reportFileFailure).
bool runFilesWritten(ModelStore& store);

// Names the first file that failed, with the system's reason, on the console
// and in the runtime file and the report, once per run.
void reportFileFailure(ModelStore& store);

// What stops the run at its next global iteration: kReturnInterrupted once
// the caller asked for it (or, in the fuzzing build, once the run used its
// budget of global iterations), kReturnFileWriteError once a file failed
// (named then), else 0. Looks at what is known without flushing anything.
int runStopRequest(ModelStore& store);

// Writes messages kept by a worker's scratch space as raisePileMessage
// writes them for the store's own, in order.
void writePileMessages(ModelStore& store, std::span<const PileMessage> messages);

}  // namespace pylora
