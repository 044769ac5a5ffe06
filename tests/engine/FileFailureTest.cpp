// SPDX-License-Identifier: Apache-2.0
// A run whose files cannot all be written or read back: the run ends with
// code 105, names the file and the system's reason, and no file claims that
// the analysis completed. Failures are injected into single files of a run
// at chosen points (after so many bytes), or come from a real device that is
// always full; a second run into a folder whose run-control file is held is
// refused.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/run_control.h"
#include "store/file_handle.h"
#include "store/model_store.h"
#include "store/return_codes.h"
#include "tests/support/temp_dir.h"

namespace pylora {
namespace {

namespace fs = std::filesystem;
using testsupport::folderEntries;
using testsupport::readFile;
using testsupport::readLines;
using testsupport::TempDir;
using testsupport::writeFile;

constexpr const char* kCompleted = "    1 ANALYSIS COMPLETED";
constexpr const char* kNotWritten = "    9 RESULTS NOT WRITTEN, FILE ERROR";

// The suffixes of the files named by the run-control file, records 6 to 17.
const std::vector<std::string> kSuffixes = {".out", ".sum", ".plt",  ".rtm",  ".sta",  ".res",
                                            ".prg", ".crv", ".scr1", ".scr2", ".pile", ".warn"};

// A run of an example model in a folder of its own, every file named "case"
// with its suffix; `replaced` puts another path in place of one suffix's.
struct ExampleRun {
    TempDir dir;
    std::unique_ptr<ModelStore> store = makeModelStore();
    int rc = -1;
    std::string console;

    explicit ExampleRun(const std::string& example, const std::string& suffix = "",
                        const std::string& replaced = "") {
        fs::copy_file(fs::path(PYLORA_EXAMPLES_DIR) / example / "model.dat", dir / "model.dat");
        std::string names = "8.0.0\nreserved\nreserved\n0\n" + (dir / "model.dat").string() + "\n";
        for (const std::string& s : kSuffixes)
            names += (s == suffix ? replaced : path(s)) + "\n";
        writeFile(dir / "Names.dat", names);
    }
    std::string path(const std::string& suffix) const { return (dir / ("case" + suffix)).string(); }
    int run() {
        testing::internal::CaptureStderr();
        rc = runEngine(*store, kRunAnalysisCode, (dir / "Names.dat").string());
        console = testing::internal::GetCapturedStderr();
        return rc;
    }
    std::string text(const std::string& suffix) const { return readFile(path(suffix)); }
    std::vector<std::string> lines(const std::string& suffix) const {
        std::vector<std::string> all = readLines(path(suffix));
        all.erase(std::remove_if(all.begin(), all.end(),
                                 [](const std::string& l) {
                                     return l.find_first_not_of(' ') == std::string::npos;
                                 }),
                  all.end());
        return all;
    }
};

long countOf(const std::vector<std::string>& lines, const std::string& line) {
    return std::count(lines.begin(), lines.end(), line);
}

// Where a failure is injected: the example, the file (by its ending) and
// the bytes it takes before its writes fail.
struct InjectedFailure {
    const char* example;
    const char* ending;
    long long bytesAllowed;
    const char* when;
};

class InjectedWriteFailure : public testing::TestWithParam<InjectedFailure> {};

// The completion codes of the example's run without failures, for the
// comparison: a failed run claims fewer completions.
long completedCodes(const std::string& example) {
    ExampleRun whole(example);
    EXPECT_EQ(whole.run(), kReturnCompleted) << example;
    return countOf(whole.lines(".sta"), kCompleted);
}

TEST_P(InjectedWriteFailure, EndsWithCodeFiveAndNamesTheFileAndNothingClaimsSuccess) {
    const InjectedFailure& f = GetParam();
    const long completedWhole = completedCodes(f.example);

    ExampleRun failed(f.example);
    injectWriteFailure(f.ending, f.bytesAllowed, ENOSPC);
    failed.run();
    injectWriteFailure("", 0, 0);
    SCOPED_TRACE(std::string(f.example) + " " + f.ending + ", " + f.when);

    EXPECT_EQ(failed.rc, kReturnFileWriteError);
    // The failed file, whatever its folder: the run files and the plate's.
    const std::string ending = f.ending;
    const std::size_t named = failed.console.find("could not be written: No space left on device");
    ASSERT_NE(named, std::string::npos) << failed.console;
    const std::size_t quote = failed.console.rfind('"', named);
    ASSERT_NE(quote, std::string::npos);
    EXPECT_EQ(failed.console.substr(quote - ending.size(), ending.size()), ending);
    EXPECT_NE(failed.console.find("**** FILE ERROR **** the file \"" + failed.dir.path().string()),
              std::string::npos)
        << failed.console;

    if (ending != ".rtm") {
        const std::vector<std::string> runtime = failed.lines(".rtm");
        ASSERT_FALSE(runtime.empty());
        EXPECT_EQ(runtime.back(), " ANALYSIS STOPPED, FILE ERROR");
        EXPECT_EQ(countOf(runtime, " ANALYSIS COMPLETED"), 0);
        EXPECT_NE(failed.text(".rtm").find("**** FATAL ERROR ****"), std::string::npos);
    }
    if (ending != ".out") {
        const std::string report = failed.text(".out");
        EXPECT_NE(report.find("**** FATAL ERROR ****\n     THE FILE \""), std::string::npos);
        EXPECT_NE(report.find("\" COULD NOT BE WRITTEN: No space left on device\n"),
                  std::string::npos);
    }
    if (ending != ".sta") {
        const std::vector<std::string> status = failed.lines(".sta");
        ASSERT_FALSE(status.empty());
        EXPECT_EQ(status.back(), kNotWritten);
        EXPECT_EQ(countOf(status, kNotWritten), 1);
        EXPECT_LT(countOf(status, kCompleted), completedWhole);
    }
}

INSTANTIATE_TEST_SUITE_P(
    EveryFileOfARun, InjectedWriteFailure,
    testing::Values(InjectedFailure{"group3d", ".out", 20000, "report, during the echo"},
                    InjectedFailure{"group3d", ".out", 80000, "report, during a load case"},
                    InjectedFailure{"group3d", ".sum", 30000, "summary, during a load case"},
                    InjectedFailure{"group3d", ".plt", 500, "plot file, during the echo"},
                    InjectedFailure{"group3d", ".rtm", 6000, "runtime file, during a load case"},
                    InjectedFailure{"group3d", ".sta", 150, "status file, after a load case"},
                    InjectedFailure{"group3d", ".res", 60000, "results data, during a load case"},
                    InjectedFailure{"group3d", ".crv", 4000, "curve file, during the echo"},
                    InjectedFailure{"group3d", ".pile", 2000, "pile data, during a load case"},
                    InjectedFailure{"row2d-clay", ".scr1", 200, "scratch file 1, estimation"},
                    InjectedFailure{"row2d-clay", ".scr2", 200, "scratch file 2, estimation"},
                    InjectedFailure{"flexcap", "fort4", 100000, "plate element work file"},
                    InjectedFailure{"flexcap", "fort2", 200000, "plate equation work file"},
                    InjectedFailure{"flexcap", ".pst", 20000, "plate step results"},
                    InjectedFailure{"flexcap", ".pmd", 2000, "plate model export"}),
    [](const testing::TestParamInfo<InjectedFailure>& param) {
        std::string name = std::string(param.param.example) + "_" + param.param.ending + "_" +
                           std::to_string(param.param.bytesAllowed);
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        return name;
    });

TEST(FileFailure, AFileOnADeviceThatIsAlwaysFullEndsTheRunAndTheNextRunIsWhole) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full on this system";
    ExampleRun failed("group3d", ".plt", "/dev/full");
    EXPECT_EQ(failed.run(), kReturnFileWriteError);
    EXPECT_NE(
        failed.console.find("the file \"/dev/full\" could not be written: No space left on device"),
        std::string::npos)
        << failed.console;
    EXPECT_EQ(failed.lines(".rtm").back(), " ANALYSIS STOPPED, FILE ERROR");
    // Found before the first load case: none is claimed.
    EXPECT_EQ(countOf(failed.lines(".sta"), kCompleted), 0);

    // The failure belongs to that run only.
    ExampleRun next("group3d");
    EXPECT_EQ(next.run(), kReturnCompleted);
    EXPECT_EQ(next.lines(".rtm").back(), " ANALYSIS COMPLETED");
}

TEST(FileFailure, AFileThatCannotBeCreatedEndsTheRunWithTheSystemsReason) {
    // The pile data file, opened by the cap solution, in a folder that does
    // not exist.
    ExampleRun failed("group3d", ".pile", "/nonexistent-folder/case.pile");
    EXPECT_EQ(failed.run(), kReturnFileWriteError);
    EXPECT_NE(failed.console.find("the file \"/nonexistent-folder/case.pile\" could not be "
                                  "opened: No such file or directory"),
              std::string::npos)
        << failed.console;
    EXPECT_EQ(failed.lines(".sta").back(), kNotWritten);
}

TEST(RunFolder, ASecondRunIntoABusyFolderIsRefusedAndTouchesNothing) {
    ExampleRun first("group3d");
    writeFile(first.path(".out"), "the first run's report\n");
    const std::vector<std::string> before = folderEntries(first.dir.path());
    {
        // The first run holds its run-control file.
        FileLock held;
        ASSERT_EQ(lockFile((first.dir / "Names.dat").string(), false, held), LockOutcome::locked);
        ExampleRun second("group3d");
        testing::internal::CaptureStderr();
        EXPECT_EQ(runEngine(*second.store, kRunAnalysisCode, (first.dir / "Names.dat").string()),
                  kReturnRunFolderBusy);
        const std::string console = testing::internal::GetCapturedStderr();
        EXPECT_NE(console.find("another run is using the run-control file"), std::string::npos);
        EXPECT_EQ(folderEntries(first.dir.path()), before);
        EXPECT_EQ(first.text(".out"), "the first run's report\n");
    }
    // Released: the folder takes a run again.
    EXPECT_EQ(first.run(), kReturnCompleted);
}

}  // namespace
}  // namespace pylora
