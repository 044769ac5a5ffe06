// SPDX-License-Identifier: Apache-2.0
// pylora: runs a pile-group analysis from the command line.
//
// The graphical front end writes "Names.dat" and calls the library's entry
// point; this program does the same for a person with an input data file.
// While the analysis runs on the main thread, a watcher thread shows the
// latest message of the progress file.

#ifdef _WIN32
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <io.h>
#include <windows.h>
// The console's shell API, after <windows.h>.
#include <shellapi.h>
#else
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/console.h"
#include "cli/help_text.h"
#include "cli/results_json.h"
#include "document/model_files.h"
#include "engine/run_control.h"
#include "store/file_handle.h"
#include "store/file_path.h"
#include "store/model_store.h"
#include "store/pile_workers.h"
#include "store/return_codes.h"

namespace fs = std::filesystem;

namespace {

constexpr int kExitUsage = 2;          // bad command line, unreadable model, unusable folder
constexpr std::size_t kMaxPath = 255;  // width of a run-control record
constexpr const char* kVersion = PYLORA_VERSION_TEXT;

void printUsage(std::FILE* out) {
    std::fputs(pylora::kHelpText, out);
}

int fail(const std::string& message) {
    std::fprintf(stderr, "pylora: %s\n", message.c_str());
    return kExitUsage;
}

std::string readWholeFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The progress file holds one message of one or more lines: show it as one
// line on the console.
std::string oneLine(const std::string& message) {
    std::string out;
    std::istringstream in(message);
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t b = line.find_first_not_of(' ');
        if (b == std::string::npos) continue;
        const std::size_t e = line.find_last_not_of(' ');
        if (!out.empty()) out += "  ";
        out += line.substr(b, e - b + 1);
    }
    return out;
}

// How much the console shows: everything (0), only the last line of a run
// that succeeds (1, --quiet) or nothing but errors (2, -q -q).
struct ConsoleOptions {
    int quiet = 0;
    bool warnings = false;  // every warning, not only their count
    bool stats = false;
};

// The width of the terminal on standard error, 80 when it does not say.
int terminalWidth() {
#ifdef _WIN32
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info)) {
        const int width = info.srWindow.Right - info.srWindow.Left + 1;
        if (width > 20) return width;
    }
#else
    winsize size{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 20) return size.ws_col;
#endif
    return 80;
}

bool errorIsTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return ::isatty(STDERR_FILENO) == 1;
#endif
}

#ifdef _WIN32
std::string fromWide(const wchar_t* text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size > 0 ? size : 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), size, nullptr, nullptr);
    utf8.resize(std::strlen(utf8.c_str()));
    return utf8;
}
#endif

// Whether the folder can be written to.
bool writableFolder(const fs::path& dir) {
#ifdef _WIN32
    return _waccess(dir.c_str(), 2) == 0;
#else
    return ::access(dir.c_str(), W_OK) == 0;
#endif
}

// Follows the progress file until stop is set. On a terminal, one line that
// redraws itself with a bar over the analyses; elsewhere (a pipe, a log
// file), a plain line when the progress changed, at most every few seconds.
void watchProgress(const fs::path& progressFile, const std::atomic<bool>& stop,
                   pylora::console::RunSize size) {
    using Clock = std::chrono::steady_clock;
    constexpr auto kPlainInterval = std::chrono::seconds(5);
    const bool terminal = errorIsTerminal();
    const Clock::time_point start = Clock::now();
    Clock::time_point lastPlain{};
    bool anyPlain = false;
    std::string message, shown;
    auto poll = [&] {
        std::error_code ec;
        if (fs::exists(progressFile, ec)) {
            const std::string text = oneLine(readWholeFile(progressFile));
            if (!text.empty()) message = text;
        }
        const pylora::console::Progress p = pylora::console::parseProgress(message);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        if (terminal) {
            const std::string line =
                pylora::console::progressLine(p, size, seconds, terminalWidth() - 9, true);
            if (line != shown) {
                std::fprintf(stderr, "\r\033[Kpylora: %s", line.c_str());
                std::fflush(stderr);
                shown = line;
            }
        } else if (p.number > 0) {
            const std::string line = pylora::console::progressLine(p, size, seconds, 0, false);
            // The elapsed time alone does not make a new line.
            const std::string what = line.substr(0, line.rfind(", "));
            if (what != shown && (!anyPlain || Clock::now() - lastPlain >= kPlainInterval)) {
                std::fprintf(stderr, "pylora: %s\n", line.c_str());
                std::fflush(stderr);
                shown = what;
                lastPlain = Clock::now();
                anyPlain = true;
            }
        }
    };
    while (!stop.load()) {
        poll();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (terminal && !shown.empty()) {
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
    }
}

// What an analysis's completion says, in words.
std::string completionText(const pylora::JsonResultsCollector::AnalysisOutcome& a) {
    char text[96];
    switch (a.completion) {
        case 1:
            return "completed";
        case 2:
            std::snprintf(text, sizeof text, "solution at %.4g %% of the load",
                          100.0 * a.loadFactor);
            return text;
        case 3:
            return "no convergence of the pile cap";
        case 6:
            return "no convergence of the piles";
        case 7:
            return "singular stiffness matrix";
        case 8:
            return "interrupted";
        default:
            break;
    }
    if (a.stopCode != 0) return "stopped with code " + std::to_string(a.stopCode);
    return "not analysed";
}

// The console's account of a finished run: a line for each analysis and the
// warnings counted by kind (or each of them).
void printOutcome(const pylora::JsonResultsCollector::RunOutcome& outcome,
                  const ConsoleOptions& console) {
    if (console.quiet == 0) {
        for (const auto& a : outcome.analyses) {
            std::string line = std::string(a.combination ? "load combination " : "load case ") +
                               std::to_string(a.number);
            if (!a.name.empty()) line += " \"" + a.name + "\"";
            line += ": " + completionText(a);
            if (a.hasDisplacement && a.completion != 0) {
                char text[160];
                std::snprintf(text, sizeof text,
                              "; largest cap displacement %.4g %s (%s), rotation %.4g %s (%s)",
                              a.displacement, outcome.lengthUnit.c_str(),
                              a.displacementComponent.c_str(), a.rotation,
                              outcome.rotationUnit.c_str(), a.rotationComponent.c_str());
                line += text;
            }
            std::fprintf(stderr, "pylora: %s\n", line.c_str());
        }
    }
    std::vector<std::string> blocks;
    for (const std::string& text : outcome.warnings)
        for (std::string& block : pylora::console::warningBlocks(text))
            blocks.push_back(std::move(block));
    if (blocks.empty()) return;
    if (console.warnings) {
        std::fprintf(stderr, "pylora: %zu warning%s:\n", blocks.size(),
                     blocks.size() == 1 ? "" : "s");
        for (const std::string& block : blocks) {
            std::istringstream in(block);
            std::string line;
            while (std::getline(in, line))
                std::fprintf(stderr, "  %s\n", line.c_str());
        }
        return;
    }
    if (console.quiet > 0) return;
    std::fprintf(stderr, "pylora: %zu warning%s (each in the report; --warnings shows them):\n",
                 blocks.size(), blocks.size() == 1 ? "" : "s");
    for (const pylora::console::WarningKind& kind : pylora::console::warningKinds(blocks))
        std::fprintf(stderr, "pylora:   %d x %s\n", kind.count, kind.text.c_str());
}

// The input-error and fatal-error blocks of the report of a refused or
// stopped run, as the report holds them.
void printReportErrors(const fs::path& report) {
    for (const std::string& record : pylora::console::errorRecords(readWholeFile(report)))
        std::fprintf(stderr, "%s\n", record.c_str());
}

// The code of a run and what it means: "code 104 (the input data file ...)".
std::string codeText(int rc) {
    const std::string meaning = pylora::returnMeaning(rc);
    return "code " + std::to_string(rc) + (meaning.empty() ? "" : " (" + meaning + ")");
}

struct RunFileNames {
    fs::path report, progress;
    std::vector<std::string> records;  // the 17 records of Names.dat
};

// The files of a run of model in dir; input is the input data file the
// engine reads (model itself, or the one written from a model document).
RunFileNames runFileNames(const fs::path& model, const fs::path& input, const fs::path& dir) {
    const std::string base = model.stem().string();
    auto in = [&](const char* suffix) { return (dir / pylora::filePath(base + suffix)).string(); };
    RunFileNames names;
    names.records = {kVersion,       "pylora command line",
                     dir.string(),   "0",
                     input.string(), in(".out"),
                     in(".sum"),     in(".plt"),
                     in(".rtm"),     in(".sta"),
                     in(".res"),     in(".prg"),
                     in(".crv"),     in(".scr1"),
                     in(".scr2"),    in(".pile"),
                     in(".warn")};
    names.report = pylora::filePath(in(".out"));
    names.progress = pylora::filePath(in(".prg"));
    return names;
}

// The report and progress file named by a Names.dat written by someone else.
bool readNamesFile(const fs::path& namesFile, fs::path& report, fs::path& progress) {
    std::ifstream in(namesFile);
    std::string line;
    for (int record = 1; record <= 12 && std::getline(in, line); ++record) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        line.erase(line.find_last_not_of(' ') + 1);
        if (record == 6) report = pylora::filePath(line);
        if (record == 12) progress = pylora::filePath(line);
    }
    return static_cast<bool>(in);
}

// The signal that asked the analysis to stop (SIGINT or SIGTERM), 0 while
// none did; and the flag the engine looks at between global iterations.
volatile std::sig_atomic_t stopSignal = 0;
std::atomic<bool> stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

extern "C" void onStopSignal(int signal) {
    stopSignal = signal;
    stopRequested.store(true);
}

// While it lives, SIGINT and SIGTERM ask the analysis to stop at its next
// global iteration; a second signal ends the program at once (the handlers
// reset to the default after the first).
#ifdef _WIN32
// On Windows Ctrl-C and Ctrl-Break come as SIGINT and SIGBREAK; the C
// library resets a handler to the default when it is called.
struct StopSignals {
    using Handler = void (*)(int);
    Handler previousInt = SIG_DFL;
    Handler previousBreak = SIG_DFL;
    StopSignals()
        : previousInt(std::signal(SIGINT, onStopSignal)),
          previousBreak(std::signal(SIGBREAK, onStopSignal)) {}
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;
    ~StopSignals() {
        std::signal(SIGINT, previousInt);
        std::signal(SIGBREAK, previousBreak);
    }
};
#else
struct StopSignals {
    struct sigaction previousInt {};
    struct sigaction previousTerm {};
    StopSignals() {
        struct sigaction action {};
        action.sa_handler = onStopSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND;
        sigaction(SIGINT, &action, &previousInt);
        sigaction(SIGTERM, &action, &previousTerm);
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;
    ~StopSignals() {
        sigaction(SIGINT, &previousInt, nullptr);
        sigaction(SIGTERM, &previousTerm, nullptr);
    }
};
#endif

// The outcome of a pushover on standard error: the capacity it found for
// the case's load pattern and why it stopped.
void printPushoverOutcome(const pylora::ModelStore& store, const pylora::EngineOptions& options) {
    const pylora::PushoverState& p = store.capSolution.pushover;
    const char* why = "the cap did not converge at the smallest load increment";
    switch (p.stop) {
        case pylora::kPushoverReachedMaximum:
            why = "the largest factor asked for was reached; the capacity is not below it";
            break;
        case pylora::kPushoverPilesNotConverged:
            why = "a pile solution did not converge at the smallest load increment";
            break;
        case pylora::kPushoverSingular:
            why = "the cap's stiffness became singular at the smallest load increment";
            break;
        default:
            break;
    }
    if (p.stop < 0) return;
    std::fprintf(stderr, "pylora: pushover of load case %d: last converged load factor %.4g (%s)\n",
                 options.pushoverCase, p.capacityFactor, why);
}

// Runs the analysis of the Names.dat in dir with the options. With a results
// path, the run also writes the JSON results file there; without one it
// writes exactly the files of a run through IPYLORA8, as the front end's.
// With a stiffness path too, it writes the stiffness matrices of the
// foundation there as CSV. size: the model's analyses, for the progress bar.
int runAnalysis(const fs::path& dir, const fs::path& report, const fs::path& progress,
                const ConsoleOptions& console, const pylora::EngineOptions& options,
                pylora::console::RunSize size, const fs::path& results = {},
                const fs::path& stiffnessCsv = {}) {
    std::error_code ec;
    fs::current_path(dir, ec);
    if (ec) return fail("cannot enter the folder \"" + dir.string() + "\": " + ec.message());

    std::atomic<bool> stop{false};
    std::thread watcher;
    if (console.quiet == 0 && !progress.empty()) {
        fs::path watched = progress.is_absolute() ? progress : dir / progress;
        fs::remove(watched, ec);
        watcher = std::thread(watchProgress, watched, std::cref(stop), size);
    }
    int rc = 0;
    std::string resultsError;
    bool resultsWritten = false;
    pylora::ModelStore& store = pylora::processModelStore();
    pylora::EngineOptions runOptions = options;
    runOptions.interruption = &stopRequested;
    runOptions.consoleBanner = console.quiet == 0;
    // The collector also gives the console its account of the run; its file
    // is written only where a results path is given.
    pylora::JsonResultsCollector collector;
    {
        const StopSignals signals;
        rc = pylora::runEngine(store, 13, "Names.dat", &collector, runOptions);
    }
    stop = true;
    if (watcher.joinable()) watcher.join();
    if (!results.empty()) {
        resultsWritten = collector.write(results.string(), resultsError);
        std::string csvError;
        if (!stiffnessCsv.empty() &&
            !collector.writeStiffnessCsv(stiffnessCsv.string(), csvError)) {
            fs::remove(stiffnessCsv, ec);
            std::fprintf(stderr, "pylora: no stiffness file: %s\n", csvError.c_str());
            if (rc == 0) rc = pylora::kReturnFileWriteError;
        }
        if (!resultsWritten) {
            // A results file of an earlier run would pass for this run's.
            fs::remove(results, ec);
            std::fprintf(stderr, "pylora: no results file: %s\n", resultsError.c_str());
        }
    }

    if (console.stats)
        std::fprintf(stderr,
                     "pylora: %lld global iterations, %lld lateral pile solutions of %lld "
                     "finite-difference solves, %d threads\n",
                     store.counters.globalIterations, store.pileScratch.lateralSolutions,
                     store.pileScratch.lateralIterations,
                     pylora::resolveThreadCount(options.threadCount));
    const std::string shownReport = (report.is_absolute() ? report : dir / report).string();
    // A run refused before its analyses, or stopped, says why as the report does.
    if (rc >= 100 && rc != pylora::kReturnFileWriteError && rc != pylora::kReturnInterrupted &&
        rc != pylora::kReturnRunFolderBusy) {
        printReportErrors(pylora::filePath(shownReport));
    } else if (rc != 0 && rc < 100) {
        printOutcome(collector.outcome(), console);
        printReportErrors(pylora::filePath(shownReport));
    } else {
        printOutcome(collector.outcome(), console);
    }
    if (rc == 0 && options.pushoverCase > 0 && console.quiet < 2)
        printPushoverOutcome(store, options);
    if (rc == 0 && (results.empty() || resultsWritten)) {
        if (console.quiet < 2)
            std::fprintf(stderr, "pylora: analysis completed; report: %s\n", shownReport.c_str());
    } else if (rc == 0) {
        // The analysis completed, but its results file is lost.
        std::fprintf(stderr,
                     "pylora: the analysis completed but its results file could not be written "
                     "(code %d); report: %s\n",
                     pylora::kReturnFileWriteError, shownReport.c_str());
        return pylora::kReturnFileWriteError;
    } else if (rc == pylora::kReturnInterrupted) {
        const int signal = stopSignal != 0 ? static_cast<int>(stopSignal) : SIGINT;
        std::fprintf(stderr, "pylora: analysis interrupted (%s); report: %s\n",
                     signal == SIGTERM ? "SIGTERM" : "SIGINT", shownReport.c_str());
        return 128 + signal;
    } else if (rc == pylora::kReturnFileWriteError) {
        std::fprintf(stderr,
                     "pylora: the analysis stopped: a file of the run could not be written "
                     "(code %d); report: %s\n",
                     rc, shownReport.c_str());
    } else if (rc == pylora::kReturnRunFolderBusy) {
        std::fprintf(stderr, "pylora: another run is using the folder \"%s\"; nothing was done\n",
                     dir.string().c_str());
        return kExitUsage;
    } else {
        std::fprintf(stderr, "pylora: analysis ended with %s; report: %s\n", codeText(rc).c_str(),
                     shownReport.c_str());
    }
    return rc;
}

// Whether path holds a results file of an earlier run (which a run may
// replace), judged by its beginning.
bool isResultsFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string head(512, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    return head.find("\"pylora-results\"") != std::string::npos;
}

// The form a model file is read in: a document by its suffix, anything else
// an input data file (as pylora has always run it).
pylora::ModelForm formOfModel(const std::string& path) {
    const pylora::ModelForm form = pylora::modelFormOf(path);
    return form == pylora::ModelForm::unknown ? pylora::ModelForm::dataFile : form;
}

pylora::LoadedModel loadModel(const std::string& path) {
    pylora::LoadedModel m;
    const pylora::ModelForm form = formOfModel(path);
    if (pylora::modelFormOf(path) != pylora::ModelForm::unknown) return pylora::loadModelFile(path);
    // An input data file without the .dat suffix.
    std::ifstream in(pylora::filePath(path), std::ios::binary);
    if (!in) {
        m.code = pylora::kReturnInputReadError;
        m.diagnostics.push_back(
            {pylora::Severity::error, "", 0, 0, "cannot read the model \"" + path + "\""});
        return m;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return pylora::loadModelText(text.str(), form, pylora::filePath(path).filename().string());
}

// pylora convert IN -o OUT
int runConvert(int argc, char** argv) {
    std::string in, out;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-o") {
            if (i + 1 >= argc) return fail("-o needs the file to write");
            out = argv[++i];
        } else if (!arg.empty() && arg[0] == '-') {
            return fail("unknown option \"" + arg +
                        "\" of convert (usage: pylora convert IN -o OUT)");
        } else if (in.empty()) {
            in = arg;
        } else {
            return fail("convert takes one IN (\"" + in + "\" and \"" + arg + "\")");
        }
    }
    if (in.empty() || out.empty()) return fail("usage: pylora convert IN -o OUT");
    const pylora::ModelForm target = pylora::modelFormOf(out);
    if (target == pylora::ModelForm::unknown)
        return fail("cannot tell the form of \"" + out +
                    "\" by its suffix: .dat, .json, .yaml or .yml");
    std::error_code ec;
    if (fs::exists(pylora::filePath(out), ec) &&
        fs::equivalent(pylora::filePath(in), pylora::filePath(out), ec))
        return fail("convert would write over its own input \"" + in + "\"");

    const pylora::LoadedModel model = loadModel(in);
    std::fputs(pylora::diagnosticsText(model.diagnostics, in).c_str(), stderr);
    if (!model.valid()) {
        std::fprintf(stderr, "pylora: %s was not converted (code %d)\n", in.c_str(), model.code);
        return model.code;
    }
    const std::string source = pylora::filePath(in).filename().string();
    std::string text;
    if (target == pylora::ModelForm::dataFile) {
        pylora::DataFileText dat;
        pylora::writeDataFile(*model.store, source, dat);
        text = dat.text;
    } else {
        const pylora::DocJson doc = pylora::writeModelDocument(*model.store);
        if (target == pylora::ModelForm::json) {
            text = pylora::writeJsonText(doc);
        } else {
            text = pylora::writeYamlText(doc, "# pylora model document, converted from " + source +
                                                  " (docs/model-document.md)\n");
        }
    }
    std::string error;
    if (!pylora::writeWholeFile(out, text, error)) return fail(error);
    return 0;
}

// pylora check MODEL [--format text|json]
int runCheck(int argc, char** argv) {
    std::string path;
    bool json = false;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--format") {
            if (i + 1 >= argc) return fail("--format needs text or json");
            const std::string f = argv[++i];
            if (f != "text" && f != "json")
                return fail("--format needs text or json, not \"" + f + "\"");
            json = f == "json";
        } else if (arg.rfind("--format=", 0) == 0) {
            const std::string f = arg.substr(9);
            if (f != "text" && f != "json")
                return fail("--format needs text or json, not \"" + f + "\"");
            json = f == "json";
        } else if (!arg.empty() && arg[0] == '-') {
            return fail("unknown option \"" + arg + "\" of check");
        } else if (path.empty()) {
            path = arg;
        } else {
            return fail("check takes one MODEL (\"" + path + "\" and \"" + arg + "\")");
        }
    }
    if (path.empty()) return fail("usage: pylora check MODEL [--format text|json]");
    const pylora::LoadedModel model = loadModel(path);
    if (json) {
        std::printf("%s\n", pylora::diagnosticsJson(model)
                                .dump(2, ' ', false, pylora::DocJson::error_handler_t::replace)
                                .c_str());
    } else {
        std::fputs(pylora::diagnosticsText(model.diagnostics, path).c_str(), stdout);
        if (model.valid()) std::printf("%s: the model is valid\n", path.c_str());
    }
    return model.code;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // The arguments in UTF-8, as every path of the program is, and the
    // console shown UTF-8.
    std::vector<std::string> utf8Arguments;
    std::vector<char*> utf8Argv;
    int wideCount = 0;
    if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &wideCount)) {
        for (int i = 0; i < wideCount; ++i)
            utf8Arguments.push_back(fromWide(wide[i]));
        LocalFree(wide);
        for (std::string& a : utf8Arguments)
            utf8Argv.push_back(a.data());
        utf8Argv.push_back(nullptr);
        argc = wideCount;
        argv = utf8Argv.data();
    }
    SetConsoleOutputCP(CP_UTF8);
#endif
    if (argc >= 2 && std::string(argv[1]) == "convert") return runConvert(argc, argv);
    if (argc >= 2 && std::string(argv[1]) == "check") return runCheck(argc, argv);

    std::string modelArg;
    std::string dirArg;
    ConsoleOptions console;
    bool stiffnessCsv = false;
    // The environment's options, which the command line overrides.
    pylora::EngineOptions options = pylora::optionsFromEnvironment();
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            printUsage(stdout);
            return 0;
        }
        if (arg == "--version") {
            std::printf("pylora %s\n", kVersion);
            return 0;
        }
        if (arg == "--quiet" || arg == "-q") {
            ++console.quiet;
        } else if (arg == "-qq") {
            console.quiet += 2;
        } else if (arg == "--warnings") {
            console.warnings = true;
        } else if (arg == "-o") {
            if (i + 1 >= argc) return fail("-o needs a folder");
            dirArg = argv[++i];
        } else if (arg == "--threads") {
            if (i + 1 >= argc || !pylora::parseThreadCount(argv[i + 1], options.threadCount))
                return fail("--threads needs a whole number of threads from 1 to " +
                            std::to_string(pylora::kMaxPileThreads));
            ++i;
        } else if (arg == "--stiffness-start") {
            if (i + 1 >= argc || !pylora::parseStiffnessStart(argv[i + 1], options.stiffnessStart))
                return fail("--stiffness-start needs initial, converged or condensed");
            ++i;
        } else if (arg == "--stats") {
            console.stats = true;
        } else if (arg == "--stiffness-csv") {
            stiffnessCsv = true;
        } else if (arg == "--pushover") {
            if (i + 1 >= argc ||
                !pylora::parsePushover(argv[i + 1], options.pushoverCase, options.pushoverFactor))
                return fail(
                    "--pushover needs CASE or CASE:FACTOR: a load case number from 1 and a "
                    "largest load factor from 1 to 1000 (default 5), as in --pushover 2:4.5");
            ++i;
        } else if (!arg.empty() && arg[0] == '-') {
            printUsage(stderr);
            return fail("unknown option \"" + arg + "\"");
        } else if (modelArg.empty()) {
            modelArg = arg;
        } else {
            return fail("only one MODEL may be given (\"" + modelArg + "\" and \"" + arg + "\")");
        }
    }

    std::error_code ec;
    if (modelArg.empty()) {
        if (!dirArg.empty()) return fail("-o needs a MODEL");
        if (stiffnessCsv)
            return fail(
                "--stiffness-csv needs a MODEL (a run of the front end's Names.dat writes "
                "only the front end's files)");
        const fs::path cwd = fs::current_path(ec);
        if (!fs::exists(cwd / "Names.dat", ec))
            return fail("no MODEL given and no Names.dat in \"" + cwd.string() + "\"");
        fs::path report, progress;
        readNamesFile(cwd / "Names.dat", report, progress);
        return runAnalysis(cwd, report, progress, console, options, {});
    }

    // The model must be readable before anything is written.
    const fs::path model = fs::absolute(pylora::filePath(modelArg), ec).lexically_normal();
    if (fs::is_directory(model, ec)) return fail("\"" + modelArg + "\" is a folder, not a model");
    {
        std::ifstream probe(model);
        if (!probe)
            return fail("cannot read the model \"" + modelArg + "\": " + std::strerror(errno));
    }

    const fs::path dir =
        (dirArg.empty() ? model.parent_path() : fs::absolute(pylora::filePath(dirArg), ec))
            .lexically_normal();
    fs::create_directories(dir, ec);
    if (ec || !fs::is_directory(dir) || !writableFolder(dir))
        return fail("cannot write to the folder \"" + dir.string() + "\"");

    // A model document is checked before anything is written, then written
    // as the input data file that the engine reads.
    fs::path input = model;
    const pylora::ModelForm form = formOfModel(model.string());
    pylora::LoadedModel loaded;
    if (form != pylora::ModelForm::dataFile) {
        loaded = pylora::loadModelFile(model.string());
        std::fputs(pylora::diagnosticsText(loaded.diagnostics, modelArg).c_str(), stderr);
        if (!loaded.valid()) {
            std::fprintf(stderr, "pylora: the model was not analysed: %s\n",
                         codeText(loaded.code).c_str());
            return loaded.code;
        }
        input = dir / pylora::filePath(model.filename().string() + ".dat");
    } else if (console.quiet == 0) {
        // Read for the number of its analyses only: the run reads the file
        // itself and reports what it refuses.
        loaded = loadModel(model.string());
    }
    pylora::console::RunSize size;
    if (loaded.store) {
        size.cases = options.pushoverCase > 0 ? 1 : loaded.store->loadCases.loadCaseCount;
        size.combinations =
            options.pushoverCase > 0 ? 0 : loaded.store->combinations.combinationCount;
    }
    const RunFileNames names = runFileNames(model, input, dir);
    for (const std::string& record : names.records)
        if (record.size() > kMaxPath)
            return fail("the path \"" + record + "\" is longer than " + std::to_string(kMaxPath) +
                        " characters");

    // The folder is this run's until it ends: a second run into it is
    // refused before it writes anything.
    pylora::FileLock folderLock;
    const fs::path namesPath = dir / "Names.dat";
    const pylora::LockOutcome locked = pylora::lockFile(namesPath.string(), true, folderLock);
    if (locked == pylora::LockOutcome::busy)
        return fail("another run is using the folder \"" + dir.string() + "\" (its Names.dat is " +
                    "locked); this run was not started and touched nothing");
    if (locked == pylora::LockOutcome::failed)
        return fail("cannot write \"" + namesPath.string() + "\": " + std::strerror(errno));
    pylora::EngineOptions lockedOptions = options;
    lockedOptions.lockRunControl = false;

    if (input != model) {
        std::string error;
        if (!pylora::writeWholeFile(input.string(), loaded.dataFile.text, error))
            return fail(error);
        loaded.store.reset();  // the run reads the model from its input data file
    }
    {
        std::ofstream namesFile(dir / "Names.dat", std::ios::trunc);
        for (const std::string& record : names.records)
            namesFile << record << '\n';
        if (!namesFile) return fail("cannot write \"" + (dir / "Names.dat").string() + "\"");
    }
    // A model document's results file is BASE.results.json, so that it never
    // takes the place of a document model.json beside it; and no file that is
    // not a results file is ever written over.
    const std::string resultsSuffix =
        form == pylora::ModelForm::dataFile ? ".json" : ".results.json";
    fs::path results = dir / pylora::filePath(model.stem().string() + resultsSuffix);
    if (fs::exists(results, ec) && !isResultsFile(results)) {
        std::fprintf(stderr,
                     "pylora: \"%s\" is not a results file of pylora: it is left as it is, and "
                     "this run writes no results file\n",
                     results.string().c_str());
        results = fs::path();
    }
    if (results.empty()) {
        if (stiffnessCsv)
            std::fprintf(stderr,
                         "pylora: without a results file this run writes no stiffness file\n");
        return runAnalysis(dir, names.report, names.progress, console, lockedOptions, size);
    }
    const fs::path csv = stiffnessCsv
                             ? dir / pylora::filePath(model.stem().string() + ".stiffness.csv")
                             : fs::path();
    return runAnalysis(dir, names.report, names.progress, console, lockedOptions, size, results,
                       csv);
}
