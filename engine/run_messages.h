// Messages to the front end while a run is busy: lines of the runtime file,
// committed to disk at once, and the progress file's latest message. Every
// subsystem writes them, so they sit with the store at the bottom.
#pragma once

#include "engine/model_store.h"
#include "report/format.h"

namespace pylora {

// Replaces the progress file with one message: the line's records, each ended.
// The message is written beside the file and renamed over it, so a reader of
// the progress file always finds one whole message. Failures are ignored.
void writeProgressMessage(const ModelStore& store, const ReportLine& message);

// Writes the line to the runtime file and commits the file to disk.
void writeRuntimeLine(ModelStore& store, const ReportLine& line);

}  // namespace pylora
