// SPDX-License-Identifier: Apache-2.0
// The command-line program when things go wrong around an analysis: a file
// system that fills up (a real tmpfs, mounted when the tests run as root), a
// results file that cannot be written, a second run into a busy folder, and
// a run stopped by SIGINT or SIGTERM.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using pylora::testsupport::CommandResult;
using pylora::testsupport::folderEntries;
using pylora::testsupport::readFile;
using pylora::testsupport::readLines;
using pylora::testsupport::runCommand;
using pylora::testsupport::TempDir;
using pylora::testsupport::writeFile;

const fs::path kExamples = PYLORA_EXAMPLES_DIR;

CommandResult runPylora(const fs::path& model, const std::string& arguments = "") {
    return runCommand("'" PYLORA_CLI "' '" + model.string() + "' --quiet " + arguments);
}

// The last line of a file that is not blank.
std::string lastLine(const fs::path& file) {
    const std::vector<std::string> lines = readLines(file);
    for (auto it = lines.rbegin(); it != lines.rend(); ++it)
        if (it->find_first_not_of(' ') != std::string::npos) return *it;
    return {};
}

bool anyPartialFile(const fs::path& dir) {
    for (const std::string& name : folderEntries(dir))
        if (name.ends_with(".partial") || name.ends_with(".part")) return true;
    return false;
}

// A tmpfs of `size` mounted on a scratch folder for the test, unmounted
// after it. mounted is false where the test may not mount (not root).
struct SmallFileSystem {
    TempDir dir;
    bool mounted = false;
    explicit SmallFileSystem(const std::string& size) {
        const std::string options = "size=" + size;
        mounted = ::mount("tmpfs", dir.path().c_str(), "tmpfs", 0, options.c_str()) == 0;
    }
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;
    ~SmallFileSystem() {
        if (mounted) ::umount(dir.path().c_str());
    }
};

// What a full file system leaves of a run of `example` in a tmpfs of `size`.
struct FullRun {
    CommandResult result;
    fs::path dir;
};

#define MOUNT_OR_SKIP(fs)                                                                   \
    if (!(fs).mounted)                                                                      \
    GTEST_SKIP() << "a small file system needs a tmpfs mount, which only root may do; run " \
                    "the tests as root (as CI does) to fill one"

TEST(FullFileSystem, ARunThatFillsItEndsWithCodeFiveAndClaimsNothing) {
    // Room for the first analysis to be under way: the disk fills in its
    // results, not before its status can be written.
    SmallFileSystem small("250k");
    MOUNT_OR_SKIP(small);
    fs::copy_file(kExamples / "group3d" / "model.dat", small.dir / "model.dat");
    const CommandResult r = runPylora(small.dir / "model.dat");

    EXPECT_EQ(r.exitCode, 105) << r.output;
    EXPECT_NE(r.output.find("could not be written: No space left on device"), std::string::npos)
        << r.output;
    EXPECT_EQ(r.output.find("analysis completed"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("a file of the run could not be written (code 105)"),
              std::string::npos);
    EXPECT_FALSE(fs::exists(small.dir / "model.json"));
    EXPECT_FALSE(anyPartialFile(small.dir.path()));
    EXPECT_NE(lastLine(small.dir / "model.rtm"), " ANALYSIS COMPLETED");
    // The analyses written whole before the disk filled keep their code; the
    // one under way gets code 9, and none after it is claimed (a whole run
    // has three completions).
    const std::vector<std::string> status = readLines(small.dir / "model.sta");
    EXPECT_EQ(lastLine(small.dir / "model.sta"), "    9 RESULTS NOT WRITTEN, FILE ERROR");
    EXPECT_LT(std::count(status.begin(), status.end(), "    1 ANALYSIS COMPLETED"), 3);
}

TEST(FullFileSystem, AResultsFileThatDoesNotFitIsNotLeftHalfWritten) {
    // Room for the run's files (about 540 KB) but not for its 770 KB results.
    SmallFileSystem small("1m");
    MOUNT_OR_SKIP(small);
    fs::copy_file(kExamples / "group3d" / "model.dat", small.dir / "model.dat");
    const CommandResult r = runPylora(small.dir / "model.dat");

    EXPECT_EQ(r.exitCode, 105) << r.output;
    EXPECT_NE(r.output.find("pylora: no results file: cannot write \"" +
                            (small.dir / "model.json").string() + "\": No space left on device"),
              std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("the analysis completed but its results file could not be written"),
              std::string::npos)
        << r.output;
    EXPECT_FALSE(fs::exists(small.dir / "model.json"));
    EXPECT_FALSE(anyPartialFile(small.dir.path()));
    // The analysis itself was written whole.
    EXPECT_EQ(lastLine(small.dir / "model.rtm"), " ANALYSIS COMPLETED");
}

TEST(FullFileSystem, APlateRunThatFillsItEndsWithCodeFive) {
    // The flexible cap's work files and listings take some 2.5 MB.
    SmallFileSystem small("1m");
    MOUNT_OR_SKIP(small);
    fs::copy_file(kExamples / "flexcap" / "model.dat", small.dir / "model.dat");
    const CommandResult r = runPylora(small.dir / "model.dat");

    EXPECT_EQ(r.exitCode, 105) << r.output;
    EXPECT_NE(r.output.find("could not be written: No space left on device"), std::string::npos)
        << r.output;
    EXPECT_EQ(r.output.find("analysis completed"), std::string::npos) << r.output;
    EXPECT_NE(lastLine(small.dir / "model.rtm"), " ANALYSIS COMPLETED");
    EXPECT_FALSE(fs::exists(small.dir / "model.json"));
}

TEST(ResultsFile, OneThatCannotBeWrittenTakesTheEarlierRunsWithIt) {
    TempDir dir;
    fs::copy_file(kExamples / "row2d" / "model.dat", dir / "model.dat");
    ASSERT_EQ(runPylora(dir / "model.dat").exitCode, 0);
    ASSERT_TRUE(fs::exists(dir / "model.json"));
    // The file the results are written to before they take their place
    // cannot be made: the earlier run's results must not pass for this one's.
    fs::create_directory(dir / "model.json.partial");
    const CommandResult r = runPylora(dir / "model.dat");
    EXPECT_EQ(r.exitCode, 105) << r.output;
    EXPECT_NE(r.output.find("pylora: no results file: cannot write"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "model.json"));
}

TEST(RunFolder, ASecondRunIntoABusyFolderIsRefusedAtOnceAndTouchesNothing) {
    TempDir dir;
    fs::copy_file(kExamples / "row2d" / "model.dat", dir / "model.dat");
    writeFile(dir / "Names.dat", "the first run's run-control file\n");
    writeFile(dir / "model.out", "the first run's report\n");
    const std::vector<std::string> before = folderEntries(dir.path());
    {
        // The first run holds the folder's Names.dat as every run does.
        const int held = ::open((dir / "Names.dat").c_str(), O_RDONLY | O_CLOEXEC);
        ASSERT_GE(held, 0);
        ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
        const CommandResult r = runPylora(dir / "model.dat");
        ::close(held);
        EXPECT_EQ(r.exitCode, 2) << r.output;
        EXPECT_NE(r.output.find("pylora: another run is using the folder \"" + dir.path().string() +
                                "\""),
                  std::string::npos)
            << r.output;
        EXPECT_EQ(folderEntries(dir.path()), before);
        EXPECT_EQ(readFile(dir / "Names.dat"), "the first run's run-control file\n");
        EXPECT_EQ(readFile(dir / "model.out"), "the first run's report\n");
    }
    // Once the first run is over the folder takes the next.
    EXPECT_EQ(runPylora(dir / "model.dat").exitCode, 0);
}

// A model that runs for many seconds in short global iterations: the group
// of examples/group3d with 100 load cases of its dead load, each applied in
// 50 increments.
std::string longModel() {
    std::string text = readFile(kExamples / "group3d" / "model.yaml");
    const std::size_t cases = text.find("\nloadCases:\n");
    const std::size_t piles = text.find("\n# The pile arrangement");
    std::string generated = "\nloadCases:\n";
    for (int i = 1; i <= 100; ++i)
        generated += "  - name: Dead load " + std::to_string(i) +
                     "\n    increments: {factor: 0.02}\n    loads:\n      - {Fx: " +
                     std::to_string(5000 + 10 * i) + ".0, Fy: 150.0}\n";
    return text.substr(0, cases) + generated + text.substr(piles);
}

// Starts pylora on model with its output to `output`; returns its process.
pid_t startPylora(const fs::path& model, const fs::path& output) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    std::string program = PYLORA_CLI;
    std::string modelPath = model.string();
    std::string quiet = "--quiet";
    char* argv[] = {program.data(), modelPath.data(), quiet.data(), nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Waits until the run has finished `cases` load cases (at most a minute).
bool waitForCases(const fs::path& runtime, int cases) {
    const std::string finished = "LOAD CASE   " + std::to_string(cases) + "/100 FINISHED";
    for (int tries = 0; tries < 600; ++tries) {
        if (readFile(runtime).find(finished) != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

class StopSignal : public testing::TestWithParam<int> {};

TEST_P(StopSignal, EndsTheRunInOrderAtTheNextGlobalIteration) {
    const int signal = GetParam();
    TempDir dir;
    writeFile(dir / "model.yaml", longModel());
    const pid_t pid = startPylora(dir / "model.yaml", dir / "console.txt");
    ASSERT_GT(pid, 0);
    const bool started = waitForCases(dir / "model.rtm", 2);
    ::kill(pid, signal);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(started) << readFile(dir / "console.txt");

    ASSERT_TRUE(WIFEXITED(status)) << "ended by the signal instead of in order";
    EXPECT_EQ(WEXITSTATUS(status), 128 + signal);
    const std::string console = readFile(dir / "console.txt");
    EXPECT_NE(console.find(std::string("pylora: analysis interrupted (") +
                           (signal == SIGINT ? "SIGINT" : "SIGTERM") + ")"),
              std::string::npos)
        << console;
    EXPECT_EQ(lastLine(dir / "model.rtm"), " ANALYSIS INTERRUPTED");
    // The case under way ends with code 8, the cases before it with their
    // completion (code 1, or 2 for part of the load), and no case after it
    // was started.
    const std::vector<std::string> lines = readLines(dir / "model.sta");
    EXPECT_EQ(lastLine(dir / "model.sta"), "    8 ANALYSIS INTERRUPTED");
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "    8 ANALYSIS INTERRUPTED"), 1);
    const auto completions = std::count_if(lines.begin(), lines.end(), [](const std::string& l) {
        return l.starts_with("    1 ") || l.starts_with("    2 ");
    });
    const auto headed = std::count_if(lines.begin(), lines.end(), [](const std::string& l) {
        return l.starts_with("LOAD CASE :");
    });
    EXPECT_GE(completions, 2);
    EXPECT_EQ(headed, completions + 1);
    EXPECT_LT(headed, 100);
    // The results file holds what was analysed, and says how the run ended.
    const std::string results = readFile(dir / "model.results.json");
    EXPECT_NE(results.find("\"returnCode\": 107"), std::string::npos);
    EXPECT_FALSE(anyPartialFile(dir.path()));
}

INSTANTIATE_TEST_SUITE_P(SigintAndSigterm, StopSignal, testing::Values(SIGINT, SIGTERM),
                         [](const testing::TestParamInfo<int>& param) {
                             return std::string(param.param == SIGINT ? "SIGINT" : "SIGTERM");
                         });

}  // namespace
