// SPDX-License-Identifier: Apache-2.0
// Run control: the run-control file "Names.dat", the files of a run, the
// report header and the progress protocol with the front end.
#pragma once

#include <atomic>
#include <ctime>
#include <string>
#include <string_view>

#include "format/format.h"
#include "store/model_store.h"
#include "store/run_messages.h"

namespace pylora {

// Records of the run-control file.
inline constexpr int kRunControlRecords = 17;

// A path split for the report header: drive (up to 3 characters, "C:"),
// directory with its trailing separator (256), file name (256) and extension
// with its dot (5). '/' and '\' both separate directories.
struct PathParts {
    std::string drive;
    std::string directory;
    std::string name;
    std::string extension;
};
PathParts splitPath(std::string_view path);

// Reads the 17 records of the run-control file at path into store.run: text
// records are cut at their width and kept blank-padded, record 4 is one
// integer in free format. Returns kReturnCompleted, or kReturnRunControlError
// when the file is missing, holds fewer than 17 records or record 4 holds no
// integer; the message then goes to the console and no other file is touched.
[[nodiscard]] int readRunControlFile(ModelStore& store, const std::string& path);

// Opens input, report, summary, plot, runtime, status, results data and
// curve file in that order. Returns kReturnCompleted, or kReturnFileOpenError
// after naming the file that could not be opened on the console; the files
// already opened stay open for closeRunFiles.
[[nodiscard]] int openRunFiles(ModelStore& store);

// Closes every file of the run: input, report, summary, plot, runtime,
// status, results data, scratch file 1 and curve file in that order, then any
// other file a Part left open.
void closeRunFiles(ModelStore& store);

// The banner to a file (report or console) and the short banner of the
// runtime file.
void writeBanner(std::FILE* file, std::string_view versionText);
void writeRuntimeBanner(ModelStore& store);

// The block naming the input data file's location and the files written.
void writeFileNameBlock(ModelStore& store);

// The "Time and Date of Analysis" block for the local time `now`.
void writeDateBlock(std::FILE* file, const std::tm& now);

// Sets the per-pile multipliers of both lateral directions to 1.0; group
// reduction factors overwrite them when they are used.
void initialiseStoreConstants(ModelStore& store);

// What the caller of the engine chooses for a run besides its files; neither
// changes the results, only how they are reached.
struct EngineOptions {
    // Threads of the per-pile analyses: 0 the machine's hardware threads, 1
    // none besides the caller's; at most kMaxPileThreads are used.
    int threadCount = 0;
    // How the pile-head stiffness is found: kStartCondensed (the default),
    // or perturbed solutions from kStartFromConverged or
    // kStartFromInitialModuli.
    int stiffnessStart = kStartCondensed;
    // Not owned: once it reads true the analysis stops at its next global
    // iteration and the run returns kReturnInterrupted. Null: never.
    const std::atomic<bool>* interruption = nullptr;
    // Whether the run takes the lock on its run-control file itself; a
    // caller that holds the lock already (and wrote the file under it) sets
    // false.
    bool lockRunControl = true;
    // A pushover of load case pushoverCase (from 1) up to pushoverFactor
    // times its load in place of the analysis of every case and
    // combination; 0 for an ordinary run. A case that does not exist or a
    // factor outside 1 .. kMaxPushoverFactor ends the run with
    // kReturnInputRefused and a fatal error in the report.
    int pushoverCase = 0;
    double pushoverFactor = 5.0;
    // Whether the banner goes to the console (standard error) as well as to
    // the report, as the library has always shown it; a caller that shows
    // its own console (the command-line program when quiet) sets false.
    bool consoleBanner = true;
    // Whether the p-y curves of the pile groups are built once per load case
    // and kept (the default), or built again at every evaluation; the files
    // are the same either way.
    bool keepPyCurves = true;
};

// The options of a run through IPYLORA8, from the environment: PYLORA_THREADS
// (a whole number >= 1 sets threadCount; anything else is ignored) and
// PYLORA_STIFFNESS_START ("converged" or "initial"; anything else is
// ignored) and PYLORA_CURVE_CACHE ("off" builds the p-y curves at every
// evaluation; anything else is ignored).
EngineOptions optionsFromEnvironment();

// Reads an option's text: a thread count (a whole number from 1 to
// kMaxPileThreads, digits only) or a stiffness start ("initial",
// "converged" or "condensed"). False, the value unchanged, for any other text.
[[nodiscard]] bool parseThreadCount(std::string_view text, int& threadCount);
[[nodiscard]] bool parseStiffnessStart(std::string_view text, int& stiffnessStart);
// Reads a pushover's text, CASE or CASE:FACTOR: a load case number from 1
// and a largest load factor from 1 to kMaxPushoverFactor (default 5). False,
// the values unchanged, for any other text.
[[nodiscard]] bool parsePushover(std::string_view text, int& caseNo, double& factor);

// A whole run for `code` with the run-control file at runControlPath. Returns
// what IPYLORA8 returns: 1 without touching any file when code is not 13,
// else the stop code of the analysis or a kReturn... error code. A collector,
// when given, is attached to the cleared store for the run, told of its end
// once the run-control file was read (after the files closed) and detached
// again; it changes none of the files the run writes. The options go to the
// cleared store (store.run.threadCount, store.control.stiffnessStart); with
// more than one thread the run starts its worker threads once the input is
// read, attaches them to the store (store.pileWorkers) and joins them before
// it returns.
int runEngine(ModelStore& store, int code, const std::string& runControlPath,
              ResultsCollector* collector = nullptr, const EngineOptions& options = {});

}  // namespace pylora
