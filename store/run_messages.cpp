#include "store/run_messages.h"

#include <cstdio>
#include <string>

#include "store/file_handle.h"

namespace pylora {

namespace {

void writeRecords(std::FILE* file, std::string_view records) {
    std::fwrite(records.data(), 1, records.size(), file);
    std::fputc('\n', file);
}

void writeMessage(ModelStore& store, int destinations, std::string_view records) {
    RunFiles& f = store.files;
    if ((destinations & kToReport) != 0 && f.report) writeRecords(f.report.get(), records);
    if ((destinations & kToWarningScratch) != 0 && f.warningScratch)
        writeRecords(f.warningScratch.get(), records);
    if ((destinations & kToRuntime) != 0 && f.runtime) {
        writeRecords(f.runtime.get(), records);
        commitToDisk(f.runtime.get());
    }
    if ((destinations & kToCollector) != 0) noteWarning(store, records);
}

}  // namespace

void raisePileMessage(PileScratch& scratch, int destinations, std::string_view records) {
    if (scratch.owner) {
        writeMessage(*scratch.owner, destinations, records);
        return;
    }
    scratch.messages.push_back({destinations, std::string(records)});
}

void writePileMessages(ModelStore& store, std::span<const PileMessage> messages) {
    for (const PileMessage& m : messages)
        writeMessage(store, m.destinations, m.records);
}

void writeRuntimeLine(ModelStore& store, std::string_view records) {
    std::FILE* file = store.files.runtime.get();
    if (!file) return;
    writeRecords(file, records);
    commitToDisk(file);
}

void writeProgressMessage(const ModelStore& store, std::string_view records) {
    const std::string path = store.run.progressFilePath.str();
    if (path.empty()) return;
    const std::string partial = path + ".part";
    {
        FileHandle file = openForWriting(partial);
        if (!file) return;
        writeRecords(file.get(), records);
        if (std::fflush(file.get()) != 0) return;
    }
    if (std::rename(partial.c_str(), path.c_str()) != 0) {
        // A file system without rename over an existing file: write in place.
        std::remove(partial.c_str());
        FileHandle file = openForWriting(path);
        if (file) writeRecords(file.get(), records);
    }
}

}  // namespace pylora
