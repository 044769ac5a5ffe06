// Messages to the front end while a run is busy: lines of the runtime file,
// committed to disk at once, and the progress file's latest message. Every
// subsystem writes them, so they sit with the store at the bottom. A message
// is its records separated by '\n', without the last end of line, as a
// ReportLine assembles them (pass line.str()).
#pragma once

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

}  // namespace pylora
