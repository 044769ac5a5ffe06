// SPDX-License-Identifier: Apache-2.0
#include "engine/run_control.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "engine/input_reader.h"
#include "engine/prepare_run.h"
#include "store/pile_workers.h"
#include "store/return_codes.h"

namespace pylora {

namespace {

// Reads one line without its end (a carriage return before it is dropped too,
// for files written on Windows). Returns false at the end of the file when no
// character was read.
bool readLine(std::FILE* file, std::string& line) {
    line.clear();
    int c = 0;
    bool any = false;
    while ((c = std::fgetc(file)) != EOF) {
        any = true;
        if (c == '\n') break;
        line.push_back(static_cast<char>(c));
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return any;
}

// Parses the first value of a free-format record as an integer.
bool parseFreeFormatInteger(std::string_view line, int& value) {
    const std::size_t begin = line.find_first_not_of(" \t");
    if (begin == std::string_view::npos) return false;
    std::size_t end = line.find_first_of(" \t,", begin);
    if (end == std::string_view::npos) end = line.size();
    std::string_view token = line.substr(begin, end - begin);
    if (!token.empty() && token.front() == '+') token.remove_prefix(1);
    const auto result = std::from_chars(token.data(), token.data() + token.size(), value);
    return result.ec == std::errc{} && result.ptr == token.data() + token.size();
}

void consoleMessage(const std::string& text) {
    std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stderr);
}

constexpr const char* kMonthNames[] = {"January",   "February", "March",    "April",
                                       "May",       "June",     "July",     "August",
                                       "September", "October",  "November", "December"};

std::string nameAndExtension(std::string_view path) {
    const PathParts parts = splitPath(path);
    return parts.name + parts.extension;
}

}  // namespace

PathParts splitPath(std::string_view path) {
    PathParts parts;
    std::size_t pos = 0;
    if (path.size() >= 2 && path[1] == ':' &&
        ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'))) {
        parts.drive = std::string(path.substr(0, 2));
        pos = 2;
    }
    const std::size_t lastSeparator = path.find_last_of("/\\");
    if (lastSeparator != std::string_view::npos && lastSeparator >= pos) {
        parts.directory = std::string(path.substr(pos, lastSeparator + 1 - pos));
        pos = lastSeparator + 1;
    }
    const std::string_view file = path.substr(pos);
    const std::size_t dot = file.find_last_of('.');
    if (dot == std::string_view::npos) {
        parts.name = std::string(file);
    } else {
        parts.name = std::string(file.substr(0, dot));
        parts.extension = std::string(file.substr(dot));
    }
    // Widths of the header's fields.
    parts.drive.resize(std::min<std::size_t>(parts.drive.size(), 3));
    parts.directory.resize(std::min<std::size_t>(parts.directory.size(), 256));
    parts.name.resize(std::min<std::size_t>(parts.name.size(), 256));
    parts.extension.resize(std::min<std::size_t>(parts.extension.size(), 5));
    return parts;
}

int readRunControlFile(ModelStore& store, const std::string& path) {
    FileHandle file = openForReading(path);
    if (!file) {
        consoleMessage("**** INPUT ERROR **** cannot open the run-control file \"" + path +
                       "\": " + std::strerror(errno));
        return kReturnRunControlError;
    }
    RunControl& run = store.run;
    PathText* const paths[] = {
        &run.inputFilePath,       &run.reportFilePath,   &run.summaryFilePath,
        &run.plotFilePath,        &run.runtimeFilePath,  &run.statusFilePath,
        &run.resultsDataFilePath, &run.progressFilePath, &run.curveFilePath,
        &run.scratchFile1Path,    &run.scratchFile2Path, &run.pileDataFilePath,
        &run.warningScratchPath};
    std::string line;
    for (int record = 1; record <= kRunControlRecords; ++record) {
        if (!readLine(file.get(), line)) {
            consoleMessage("**** INPUT ERROR **** the run-control file \"" + path + "\" holds " +
                           std::to_string(record - 1) + " records; it needs " +
                           std::to_string(kRunControlRecords));
            return kReturnRunControlError;
        }
        if (record == 1) {
            run.versionText.assign(line);
        } else if (record == 4) {
            if (!parseFreeFormatInteger(line, run.reservedInteger)) {
                consoleMessage("**** INPUT ERROR **** record 4 of the run-control file \"" + path +
                               "\" holds no integer: \"" + line + "\"");
                return kReturnRunControlError;
            }
        } else if (record >= 5) {
            paths[record - 5]->assign(line);
        }
    }
    return kReturnCompleted;
}

int openRunFiles(ModelStore& store) {
    const RunControl& run = store.run;
    RunFiles& files = store.files;
    struct Opening {
        FileHandle* handle;
        const PathText* path;
        const char* role;
        bool forReading;
    };
    const Opening openings[] = {
        {&files.input, &run.inputFilePath, "input data file", true},
        {&files.report, &run.reportFilePath, "report", false},
        {&files.summary, &run.summaryFilePath, "summary file", false},
        {&files.plot, &run.plotFilePath, "plot file", false},
        {&files.runtime, &run.runtimeFilePath, "runtime file", false},
        {&files.status, &run.statusFilePath, "status file", false},
        {&files.resultsData, &run.resultsDataFilePath, "results data file", false},
        {&files.curve, &run.curveFilePath, "curve file", false},
    };
    for (const Opening& o : openings) {
        const std::string path = o.path->str();
        *o.handle = o.forReading ? openForReading(path) : openForWriting(path);
        if (!*o.handle) {
            consoleMessage(std::string("**** FILE ERROR **** cannot open the ") + o.role + " \"" +
                           path + "\": " + std::strerror(errno));
            return kReturnFileOpenError;
        }
    }
    return kReturnCompleted;
}

void closeRunFiles(ModelStore& store) {
    RunFiles& f = store.files;
    FileHandle* const order[] = {&f.input,   &f.report,   &f.summary,     &f.plot,
                                 &f.runtime, &f.status,   &f.resultsData, &f.scratch1,
                                 &f.curve,   &f.scratch2, &f.pileData,    &f.warningScratch};
    for (FileHandle* handle : order)
        closeFile(*handle);
}

void writeBanner(std::FILE* file, std::string_view versionText) {
    ReportLine l;
    l.X(5).repeat(73, "=").slash().slash();
    l.X(20).text("  PYLORA for Windows, Version ").A(versionText, 8).slash().slash();
    l.X(20).text("   Analysis of A Group of Piles ").slash();
    l.X(20).text("Subjected to Axial and Lateral Loading ").slash().slash();
    l.X(5).repeat(73, "=").slash().slash();
    writeLine(file, l);
}

void writeRuntimeBanner(ModelStore& store) {
    ReportLine l;
    l.slash().X(10).text("  PYLORA for Windows, Version ").A(store.run.versionText.view(), 8);
    l.slash();
    writeRuntimeLine(store, l.str());
}

void writeFileNameBlock(ModelStore& store) {
    const RunControl& run = store.run;
    const PathParts input = splitPath(run.inputFilePath.trimmed());
    ReportLine l;
    l.X(5).text("Path to file locations      : ").A(input.drive).A(input.directory).slash();
    l.X(5).text("Name of input data file     : ").A(input.name).A(input.extension).slash();
    l.X(5).text("Name of output file         : ").A(nameAndExtension(run.reportFilePath.trimmed()));
    l.slash();
    l.X(5).text("Name of output summary file : ");
    l.A(nameAndExtension(run.summaryFilePath.trimmed())).slash();
    l.X(5).text("Name of plot output file    : ");
    l.A(nameAndExtension(run.plotFilePath.trimmed())).slash();
    l.X(5).text("Name of runtime file        : ");
    l.A(nameAndExtension(run.runtimeFilePath.trimmed())).slash().slash();
    writeLine(store.files.report.get(), l);
}

void writeDateBlock(std::FILE* file, const std::tm& now) {
    const int month = now.tm_mon >= 0 && now.tm_mon < 12 ? now.tm_mon : 0;
    ReportLine l;
    l.X(5).repeat(73, "-").slash();
    l.X(26).text("Time and Date of Analysis").slash();
    l.X(5).repeat(73, "-").slash();
    l.X(15).text("Date:  ").text(kMonthNames[month]).text(" ").I(now.tm_mday, 2, 2).text(", ");
    l.I(now.tm_year + 1900, 4).X(5).text("Time:  ").I(now.tm_hour, 2, 2).text(":");
    l.I(now.tm_min, 2, 2).text(":").I(now.tm_sec, 2, 2);
    writeLine(file, l);
}

void initialiseStoreConstants(ModelStore& store) {
    GroupFactors& g = store.groupFactors;
    for (auto* table : {&g.pMultiplier, &g.yMultiplier, &g.pMultiplierY, &g.yMultiplierY,
                        &g.pMultiplierZ, &g.yMultiplierZ})
        table->fill(1.0);
}

bool parseThreadCount(std::string_view text, int& threadCount) {
    if (text.empty() || text.size() > 3) return false;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
        value = 10 * value + (c - '0');
    }
    if (value < 1 || value > kMaxPileThreads) return false;
    threadCount = value;
    return true;
}

bool parseStiffnessStart(std::string_view text, int& stiffnessStart) {
    if (text == "initial") {
        stiffnessStart = kStartFromInitialModuli;
        return true;
    }
    if (text == "converged") {
        stiffnessStart = kStartFromConverged;
        return true;
    }
    if (text == "condensed") {
        stiffnessStart = kStartCondensed;
        return true;
    }
    return false;
}

bool parsePushover(std::string_view text, int& caseNo, double& factor) {
    const std::size_t colon = text.find(':');
    const std::string_view caseText = text.substr(0, colon);
    int n = 0;
    const auto [caseEnd, caseError] =
        std::from_chars(caseText.data(), caseText.data() + caseText.size(), n);
    if (caseText.empty() || caseError != std::errc{} ||
        caseEnd != caseText.data() + caseText.size() || n < 1)
        return false;
    double f = 5.0;
    if (colon != std::string_view::npos) {
        const std::string_view factorText = text.substr(colon + 1);
        const auto [factorEnd, factorError] =
            std::from_chars(factorText.data(), factorText.data() + factorText.size(), f);
        if (factorText.empty() || factorError != std::errc{} ||
            factorEnd != factorText.data() + factorText.size())
            return false;
    }
    if (!(f >= 1.0 && f <= kMaxPushoverFactor)) return false;
    caseNo = n;
    factor = f;
    return true;
}

EngineOptions optionsFromEnvironment() {
    EngineOptions options;
    if (const char* threads = std::getenv("PYLORA_THREADS"))
        (void)parseThreadCount(threads, options.threadCount);
    if (const char* start = std::getenv("PYLORA_STIFFNESS_START"))
        (void)parseStiffnessStart(start, options.stiffnessStart);
    if (const char* cache = std::getenv("PYLORA_CURVE_CACHE"))
        if (std::string_view(cache) == "off") options.keepPyCurves = false;
    return options;
}

int runEngine(ModelStore& store, int code, const std::string& runControlPath,
              ResultsCollector* collector, const EngineOptions& options) {
    if (code != kRunAnalysisCode) return kReturnNotRunCode;

    // A run starts from a cleared store: nothing of an earlier run in this
    // process (counts, caches kept for a whole run, results) carries over.
    clearModelStore(store);
    clearFileFailures();
    store.run.threadCount = options.threadCount;
    store.control.stiffnessStart = options.stiffnessStart;
    store.pyCurves.off = options.keepPyCurves ? 0 : 1;
    store.run.interruption = options.interruption;
    store.run.pushoverCase = std::max(options.pushoverCase, 0);
    store.run.pushoverFactor = options.pushoverFactor;

    // A run folder is one run's: a second run naming the same run-control
    // file would write into the first one's files.
    FileLock runLock;
    if (options.lockRunControl && lockFile(runControlPath, false, runLock) == LockOutcome::busy) {
        consoleMessage("**** RUN ERROR **** another run is using the run-control file \"" +
                       runControlPath + "\" and the files it names; this run touched nothing");
        return kReturnRunFolderBusy;
    }

    int rc = readRunControlFile(store, runControlPath);
    if (rc != kReturnCompleted) return rc;
    store.resultsCollector = collector;
    std::unique_ptr<PileWorkers> workers;
    // Closes the files, tells the collector of the end and detaches it and
    // the worker threads, on every exit below.
    const auto finish = [&store, &workers](int returnCode) {
        store.pileWorkers = nullptr;
        workers.reset();
        closeRunFiles(store);
        // The last buffers reach the files as they close: a run whose files
        // could not all be written did not complete, whatever its analysis.
        if (firstFileFailure() && returnCode != kReturnFileOpenError) {
            reportFileFailure(store);
            returnCode = kReturnFileWriteError;
        }
        if (store.resultsCollector) store.resultsCollector->runFinished(store, returnCode);
        store.resultsCollector = nullptr;
        return returnCode;
    };

    rc = openRunFiles(store);
    if (rc != kReturnCompleted) return finish(rc);

    ReportLine started;
    started.text(" - ANALYSIS STARTED").slash();
    writeProgressMessage(store, started.str());

    if (options.consoleBanner) writeBanner(stderr, store.run.versionText.view());
    writeBanner(store.files.report.get(), store.run.versionText.view());
    writeRuntimeBanner(store);

    writeFileNameBlock(store);

    const std::time_t clock = std::time(nullptr);
    const std::tm now = localTime(clock);
    writeDateBlock(store.files.report.get(), now);
    writeDateBlock(store.files.summary.get(), now);

    if (options.consoleBanner) writeEmptyLine(stderr);

    initialiseStoreConstants(store);

    rc = readInputFile(store);
    const int threads = resolveThreadCount(store.run.threadCount);
    if (rc == kReturnCompleted && threads > 1 && store.arrangement.pileGroupCount > 1) {
        workers = std::make_unique<PileWorkers>(threads);
        store.pileWorkers = workers.get();
    }
    if (rc == kReturnCompleted) {
        int stopCode = 0;
        inputEchoAndPrepare(store, stopCode);
        store.run.stopCode = stopCode;
        rc = stopCode;
    }
    return finish(rc);
}

}  // namespace pylora
