// pylora: runs a pile-group analysis from the command line.
//
// The graphical front end writes "Names.dat" and calls the library's entry
// point; this program does the same for a person with an input data file.
// While the analysis runs on the main thread, a watcher thread shows the
// latest message of the progress file.

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/results_json.h"
#include "engine/run_control.h"
#include "store/model_store.h"
#include "store/pile_workers.h"

namespace fs = std::filesystem;

namespace {

constexpr int kExitUsage = 2;          // bad command line, unreadable model, unusable folder
constexpr std::size_t kMaxPath = 255;  // width of a run-control record
constexpr const char* kVersion = PYLORA_VERSION_TEXT;

void printUsage(std::FILE* out) {
    std::fprintf(out,
                 "usage: pylora [MODEL] [-o DIR] [--quiet] [--threads N]\n"
                 "              [--stiffness-start initial|converged] [--stats]\n"
                 "       pylora --help | --version\n"
                 "\n"
                 "Runs the pile-group analysis of the input data file MODEL. The run's files\n"
                 "are written to DIR (default: the folder of MODEL), named after MODEL with\n"
                 "the suffixes .out (report), .sum, .plt, .rtm, .sta, .res, .prg, .crv,\n"
                 "  .scr1, .scr2, .pile and .warn, together with the Names.dat that names them,\n"
                 "and the results file .json (see pylora-plot for its pictures).\n"
                 "Without MODEL, runs the Names.dat of the current folder as the front end\n"
                 "would. --quiet shows no progress while the analysis runs.\n"
                 "\n"
                 "--threads N analyses the pile groups of every global iteration on N threads\n"
                 "(default: the environment variable PYLORA_THREADS, else every hardware\n"
                 "thread of the machine); the results do not depend on N.\n"
                 "--stiffness-start initial starts the perturbed pile solutions of the\n"
                 "stiffness from the initial moduli instead of the converged unperturbed one\n"
                 "(converged, the default; PYLORA_STIFFNESS_START sets it too). It changes the\n"
                 "iterations and, within the cap tolerance, the results.\n"
                 "--stats shows the global iterations and lateral pile solutions of the run.\n"
                 "\n"
                 "Exit status: the entry point's return code (0 completed; 3, 13, 21-41, 99,\n"
                 "998 and 999 analysis stop codes, the last two seen by a shell as 230 and\n"
                 "231; 101-104 run-control, file or input errors), or 2 for a command-line\n"
                 "error.\n");
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

// Shows each new progress message until stop is set.
void watchProgress(const fs::path& progressFile, const std::atomic<bool>& stop) {
    std::string shown;
    auto poll = [&] {
        std::error_code ec;
        if (!fs::exists(progressFile, ec)) return;
        const std::string text = oneLine(readWholeFile(progressFile));
        if (!text.empty() && text != shown) {
            std::fprintf(stderr, "pylora: %s\n", text.c_str());
            shown = text;
        }
    };
    while (!stop.load()) {
        poll();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    poll();
}

struct RunFileNames {
    fs::path report, progress;
    std::vector<std::string> records;  // the 17 records of Names.dat
};

RunFileNames runFileNames(const fs::path& model, const fs::path& dir) {
    const std::string base = model.stem().string();
    auto in = [&](const char* suffix) { return (dir / (base + suffix)).string(); };
    RunFileNames names;
    names.records = {kVersion,       "pylora command line",
                     dir.string(),   "0",
                     model.string(), in(".out"),
                     in(".sum"),     in(".plt"),
                     in(".rtm"),     in(".sta"),
                     in(".res"),     in(".prg"),
                     in(".crv"),     in(".scr1"),
                     in(".scr2"),    in(".pile"),
                     in(".warn")};
    names.report = in(".out");
    names.progress = in(".prg");
    return names;
}

// The report and progress file named by a Names.dat written by someone else.
bool readNamesFile(const fs::path& namesFile, fs::path& report, fs::path& progress) {
    std::ifstream in(namesFile);
    std::string line;
    for (int record = 1; record <= 12 && std::getline(in, line); ++record) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        line.erase(line.find_last_not_of(' ') + 1);
        if (record == 6) report = line;
        if (record == 12) progress = line;
    }
    return static_cast<bool>(in);
}

// Runs the analysis of the Names.dat in dir with the options. With a results
// path, the run also writes the JSON results file there; without one it
// writes exactly the files of a run through IPYLORA8, as the front end's.
int runAnalysis(const fs::path& dir, const fs::path& report, const fs::path& progress, bool quiet,
                const pylora::EngineOptions& options, bool stats, const fs::path& results = {}) {
    std::error_code ec;
    fs::current_path(dir, ec);
    if (ec) return fail("cannot enter the folder \"" + dir.string() + "\": " + ec.message());

    std::atomic<bool> stop{false};
    std::thread watcher;
    if (!quiet && !progress.empty()) {
        fs::path watched = progress.is_absolute() ? progress : dir / progress;
        fs::remove(watched, ec);
        watcher = std::thread(watchProgress, watched, std::cref(stop));
    }
    int rc = 0;
    std::string resultsError;
    bool resultsWritten = false;
    pylora::ModelStore& store = pylora::processModelStore();
    if (results.empty()) {
        rc = pylora::runEngine(store, 13, "Names.dat", nullptr, options);
    } else {
        pylora::JsonResultsCollector collector;
        rc = pylora::runEngine(store, 13, "Names.dat", &collector, options);
        resultsWritten = collector.write(results.string(), resultsError);
    }
    stop = true;
    if (watcher.joinable()) watcher.join();
    if (!results.empty() && !resultsWritten)
        std::fprintf(stderr, "pylora: no results file: %s\n", resultsError.c_str());

    if (stats)
        std::fprintf(stderr,
                     "pylora: %lld global iterations, %lld lateral pile solutions of %lld "
                     "finite-difference solves, %d threads\n",
                     store.counters.globalIterations, store.pileScratch.lateralSolutions,
                     store.pileScratch.lateralIterations,
                     pylora::resolveThreadCount(options.threadCount));
    const fs::path shownReport = report.is_absolute() ? report : dir / report;
    if (rc == 0)
        std::fprintf(stderr, "pylora: analysis completed; report: %s\n", shownReport.c_str());
    else
        std::fprintf(stderr, "pylora: analysis ended with code %d; report: %s\n", rc,
                     shownReport.c_str());
    return rc;
}

}  // namespace

int main(int argc, char** argv) {
    std::string modelArg;
    std::string dirArg;
    bool quiet = false;
    bool stats = false;
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
            quiet = true;
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
                return fail("--stiffness-start needs initial or converged");
            ++i;
        } else if (arg == "--stats") {
            stats = true;
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
        const fs::path cwd = fs::current_path(ec);
        if (!fs::exists(cwd / "Names.dat", ec))
            return fail("no MODEL given and no Names.dat in \"" + cwd.string() + "\"");
        fs::path report, progress;
        readNamesFile(cwd / "Names.dat", report, progress);
        return runAnalysis(cwd, report, progress, quiet, options, stats);
    }

    // The model must be readable before anything is written.
    const fs::path model = fs::absolute(modelArg, ec).lexically_normal();
    if (fs::is_directory(model, ec)) return fail("\"" + modelArg + "\" is a folder, not a model");
    {
        std::ifstream probe(model);
        if (!probe)
            return fail("cannot read the model \"" + modelArg + "\": " + std::strerror(errno));
    }

    const fs::path dir =
        (dirArg.empty() ? model.parent_path() : fs::absolute(dirArg, ec)).lexically_normal();
    fs::create_directories(dir, ec);
    if (ec || !fs::is_directory(dir) || ::access(dir.c_str(), W_OK) != 0)
        return fail("cannot write to the folder \"" + dir.string() + "\"");

    const RunFileNames names = runFileNames(model, dir);
    for (const std::string& record : names.records)
        if (record.size() > kMaxPath)
            return fail("the path \"" + record + "\" is longer than " + std::to_string(kMaxPath) +
                        " characters");

    {
        std::ofstream namesFile(dir / "Names.dat", std::ios::trunc);
        for (const std::string& record : names.records)
            namesFile << record << '\n';
        if (!namesFile) return fail("cannot write \"" + (dir / "Names.dat").string() + "\"");
    }
    return runAnalysis(dir, names.report, names.progress, quiet, options, stats,
                       dir / (model.stem().string() + ".json"));
}
