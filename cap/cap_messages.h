// The messages of the cap solutions to the front end: lines of the runtime
// file, committed to disk at once, and the progress file's latest message.
// The cap library sits below run control, so it writes them through the
// file layer of the store itself, in the same way as run control does.
#pragma once

#include "engine/model_store.h"
#include "report/format.h"

namespace pylora {

// Writes the line to the runtime file and commits the file to disk.
void writeCapRuntimeLine(ModelStore& store, const ReportLine& line);

// Replaces the progress file with one message (the line's records, each
// ended): written beside the file and renamed over it, so that a reader
// always finds one whole message. Failures are ignored; the analysis goes on.
void writeCapProgress(const ModelStore& store, const ReportLine& message);

}  // namespace pylora
