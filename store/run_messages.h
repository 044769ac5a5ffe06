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

// Writes messages kept by a worker's scratch space as raisePileMessage
// writes them for the store's own, in order.
void writePileMessages(ModelStore& store, std::span<const PileMessage> messages);

}  // namespace pylora
