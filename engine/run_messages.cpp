#include "engine/run_messages.h"

#include <cstdio>
#include <string>

#include "engine/file_handle.h"

namespace pylora {

void writeRuntimeLine(ModelStore& store, const ReportLine& line) {
    writeLine(store.files.runtime.get(), line);
    commitToDisk(store.files.runtime.get());
}

void writeProgressMessage(const ModelStore& store, const ReportLine& message) {
    const std::string path = store.run.progressFilePath.str();
    if (path.empty()) return;
    const std::string partial = path + ".part";
    {
        FileHandle file = openForWriting(partial);
        if (!file) return;
        writeLine(file.get(), message);
        if (std::fflush(file.get()) != 0) return;
    }
    if (std::rename(partial.c_str(), path.c_str()) != 0) {
        // A file system without rename over an existing file: write in place.
        std::remove(partial.c_str());
        FileHandle file = openForWriting(path);
        if (file) writeLine(file.get(), message);
    }
}

}  // namespace pylora
