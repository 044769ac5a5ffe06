// SPDX-License-Identifier: Apache-2.0
#include "store/run_messages.h"

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "store/file_handle.h"
#include "store/return_codes.h"

namespace pylora {

namespace {

void writeRecords(std::FILE* file, std::string_view records) {
    if (writeText(file, records)) writeText(file, "\n");
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
    scratch.messagesRaised += 1;
    if (scratch.owner) {
        if (scratch.owner->run.pileMessagesMuted != 0) return;
        writeMessage(*scratch.owner, destinations, records);
        return;
    }
    scratch.messages.push_back({destinations, std::string(records)});
}

void writePileMessages(ModelStore& store, std::span<const PileMessage> messages) {
    if (store.run.pileMessagesMuted != 0) return;
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
    // The progress file is the front end's convenience, not a result: its
    // failures are left out of the run's record of failed files, and a
    // message that could not be written whole never replaces the last one.
    const std::string partial = path + ".part";
    std::FILE* file = openFile(partial, "w");
    if (!file) return;
    const bool whole = std::fwrite(records.data(), 1, records.size(), file) == records.size() &&
                       std::fputc('\n', file) != EOF;
    if (std::fclose(file) != 0 || !whole) {
        removeFile(partial);
        return;
    }
    if (!replaceFile(partial, path)) {
        // A file system without rename over an existing file: write in place.
        removeFile(partial);
        if (std::FILE* inPlace = openFile(path, "w")) {
            std::fwrite(records.data(), 1, records.size(), inPlace);
            std::fputc('\n', inPlace);
            std::fclose(inPlace);
        }
    }
}

void writeStatusRecords(ModelStore& store, std::string_view records) {
    std::string& held = store.files.heldStatus;
    held.append(records);
    held.push_back('\n');
}

bool releaseStatusLines(ModelStore& store) {
    const bool written = runFilesWritten(store);
    std::string held;
    held.swap(store.files.heldStatus);
    if (!written && !held.empty()) {
        // Nothing claims a completion whose results were lost.
        std::string kept;
        std::size_t begin = 0;
        while (begin < held.size()) {
            const std::size_t end = held.find('\n', begin);
            const std::string_view line(held.data() + begin, end - begin);
            if (!line.starts_with("    1 ") && !line.starts_with("    2 ")) {
                kept.append(line);
                kept.push_back('\n');
            }
            begin = end + 1;
        }
        kept.append(kStatusFilesNotWritten);
        kept.push_back('\n');
        held.swap(kept);
    }
    std::FILE* status = store.files.status.get();
    writeText(status, held);
    commitToDisk(status);
    return written && !firstFileFailure();
}

bool runFilesWritten(ModelStore& store) {
    RunFiles& f = store.files;
    for (const FileHandle* handle :
         {&f.report, &f.summary, &f.plot, &f.runtime, &f.status, &f.resultsData, &f.curve,
          &f.scratch1, &f.scratch2, &f.pileData, &f.warningScratch})
        flushFile(handle->get());
    if (!firstFileFailure()) return true;
    reportFileFailure(store);
    return false;
}

void reportFileFailure(ModelStore& store) {
    const std::optional<FileFailure> failure = firstFileFailure();
    if (!failure || store.run.fileFailureReported != 0) return;
    store.run.fileFailureReported = 1;
    const std::string reason = describeFileFailure(*failure);
    std::fprintf(stderr, "**** FILE ERROR **** %s; the analysis stops\n", reason.c_str());
    std::fflush(stderr);
    std::string upper = "THE FILE ";
    upper += failure->path.empty() ? "OF THE RUN" : '"' + failure->path + '"';
    upper += failure->operation == FileOperation::write  ? " COULD NOT BE WRITTEN: "
             : failure->operation == FileOperation::read ? " COULD NOT BE READ: "
                                                         : " COULD NOT BE OPENED: ";
    upper += failure->error != 0 ? std::strerror(failure->error) : "unknown error";
    std::string block = "\n\n     **** FATAL ERROR ****\n     " + upper +
                        "\n     THE ANALYSIS STOPS; THE FILES OF THIS RUN ARE INCOMPLETE";
    writeRecords(store.files.report.get(), block);
    writeRuntimeLine(store, block);
}

int runStopRequest(ModelStore& store) {
    const std::atomic<bool>* interruption = store.run.interruption;
    if (interruption && interruption->load(std::memory_order_relaxed)) return kReturnInterrupted;
#ifdef PYLORA_FUZZ_BUILD
    // The fuzzing build interrupts a run after its budget of global
    // iterations and of pile iterations, as a caller would: a model whose
    // increments halve down to their minimum with a hundred iterations each
    // is a valid model, but it runs for minutes, and a campaign spends its
    // time on such inputs instead of on new ones. Every path of the solution
    // is reached well within the budget.
    constexpr long long kFuzzGlobalIterations = 200;
    constexpr long long kFuzzLateralIterations = 4000;
    if (store.counters.globalIterations > kFuzzGlobalIterations ||
        store.pileScratch.lateralIterations > kFuzzLateralIterations)
        return kReturnInterrupted;
#endif
    if (!firstFileFailure()) return 0;
    reportFileFailure(store);
    return kReturnFileWriteError;
}

}  // namespace pylora
