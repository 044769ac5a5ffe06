// SPDX-License-Identifier: Apache-2.0
// The input echo of whole models, run through the entry point's sequence and
// compared line by line with reviewed reports: the report from its header to
// the end of the section "INPUT INFORMATION", where the computation results
// begin. Each case lives in golden/<case>/: expected.out, and input.dat
// unless the case is the example model examples/<case>/model.dat. Set
// UPDATE_GOLDEN=1 to rewrite the expected reports from the current output,
// then review the difference.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/input_reader.h"
#include "engine/prepare_run.h"
#include "engine/run_control.h"
#include "store/model_store.h"
#include "store/return_codes.h"
#include "tests/support/temp_dir.h"

namespace pylora {
namespace {

using testsupport::readLines;
using testsupport::TempDir;
using testsupport::WorkingDirectory;
using testsupport::writeFile;

namespace fs = std::filesystem;

const fs::path kGoldenDir = PYLORA_ECHO_GOLDEN_DIR;
const fs::path kExamplesDir = PYLORA_EXAMPLES_DIR;

// The date line of the report header, the one line that differs between runs.
const std::string kDatePrefix = "               Date:  ";
const std::string kNormalisedDate = kDatePrefix + "(date and time of the run)";

fs::path inputOf(const std::string& name) {
    const fs::path own = kGoldenDir / name / "input.dat";
    return fs::exists(own) ? own : kExamplesDir / name / "model.dat";
}

// A run-control file naming the input "model.dat" and every other file of the
// run in the working folder, so that the report header is the same wherever
// the test runs.
std::string namesFile() {
    std::string text = "8.0.0\nreserved\nreserved\n0\nmodel.dat\n";
    for (const char* ext : {".out", ".sum", ".plt", ".rtm", ".sta", ".res", ".prg", ".crv", ".scr1",
                            ".scr2", ".pile", ".warn"})
        text += std::string("case") + ext + "\n";
    return text;
}

struct RunResult {
    int returned = -1;
    std::vector<std::string> report;
    std::vector<std::string> runtime;
};

// Runs the model in a scratch folder as the front end would.
RunResult runModel(const fs::path& input) {
    TempDir dir;
    fs::copy_file(input, dir / "model.dat");
    writeFile(dir / "Names.dat", namesFile());
    auto store = makeModelStore();
    RunResult result;
    {
        WorkingDirectory cwd(dir.path());
        result.returned = runEngine(*store, 13, (dir / "Names.dat").string());
    }
    result.report = readLines(dir / "case.out");
    result.runtime = readLines(dir / "case.rtm");
    return result;
}

// The heading that opens the computation results, after four empty lines.
const std::string kResultsHeading = "                 *****     COMPUTATION RESULTS     *****";
constexpr std::size_t kEmptyLinesBeforeResults = 4;

// The report up to the end of the input echo.
void cutAtResults(std::vector<std::string>& lines) {
    const auto heading = std::find(lines.begin(), lines.end(), kResultsHeading);
    if (heading == lines.end()) return;
    std::size_t end = static_cast<std::size_t>(heading - lines.begin());
    for (std::size_t n = 0; n < kEmptyLinesBeforeResults && end > 0 && lines[end - 1].empty(); ++n)
        --end;
    lines.resize(end);
}

void normaliseDate(std::vector<std::string>& lines) {
    for (std::string& line : lines)
        if (line.rfind(kDatePrefix, 0) == 0) line = kNormalisedDate;
}

void writeLines(const fs::path& path, const std::vector<std::string>& lines) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (const std::string& line : lines)
        out << line << '\n';
}

// Brackets show trailing blanks, which are part of every layout.
std::string shown(const std::string& line) {
    return "[" + line + "]";
}

class EchoGolden : public ::testing::TestWithParam<const char*> {};

TEST_P(EchoGolden, ReportMatchesTheReviewedReport) {
    const std::string name = GetParam();
    RunResult run = runModel(inputOf(name));
    // The input was read and echoed; the analysis may still stop the run.
    ASSERT_TRUE(run.returned < kReturnRunControlError || run.returned > 199)
        << name << ": the run ended with " << run.returned << " before the echo";
    cutAtResults(run.report);
    normaliseDate(run.report);

    // The echo ends the run's trace in the runtime file.
    ASSERT_FALSE(run.runtime.empty());
    EXPECT_EQ(run.runtime.back(), " ANALYSIS COMPLETED");

    const fs::path expectedPath = kGoldenDir / name / "expected.out";
    const char* update = std::getenv("UPDATE_GOLDEN");
    if (update != nullptr && std::string(update) == "1") {
        writeLines(expectedPath, run.report);
        std::printf("rewrote %s; review the difference before keeping it\n",
                    expectedPath.string().c_str());
        return;
    }
    ASSERT_TRUE(fs::exists(expectedPath)) << "no reviewed report " << expectedPath;
    std::vector<std::string> expected = readLines(expectedPath);
    normaliseDate(expected);

    const std::size_t common = std::min(expected.size(), run.report.size());
    for (std::size_t i = 0; i < common; ++i) {
        if (expected[i] != run.report[i]) {
            FAIL() << name << ": first difference at line " << i + 1 << "\n  expected "
                   << shown(expected[i]) << "\n  actual   " << shown(run.report[i]);
        }
    }
    if (expected.size() != run.report.size()) {
        const std::size_t i = common;
        FAIL() << name << ": the report has " << run.report.size() << " lines, expected "
               << expected.size() << "; first difference at line " << i + 1 << "\n  expected "
               << (i < expected.size() ? shown(expected[i]) : "(end of report)") << "\n  actual   "
               << (i < run.report.size() ? shown(run.report[i]) : "(end of report)");
    }
}

// embedded3d: embedded cap, every user curve table, cyclic loading, default
//   and given stiffness levels, global distributed loads with the axial note,
//   all cross-section shapes of the three-dimensional model, six soil types,
//   p-y print requests.
// row2d_open: two-dimensional, open units, cap dimensions not considered, no
//   soil layers, torque-rotation data without TABLE I, envelopes.
// empty3d: no loads, no soil, no TABLE B, an unknown units system, numbers
//   at the extremes of the fields.
// group3d, row2d: the example models.
INSTANTIATE_TEST_SUITE_P(Models, EchoGolden,
                         ::testing::Values("embedded3d", "row2d_open", "empty3d", "group3d",
                                           "row2d"));

void noAnalysis(ModelStore&, int, int&) {}

// The model at every capacity echoes completely (no golden file: its report
// runs to tens of thousands of lines; the counts are those of its README).
// Its analysis takes long and is not run here.
TEST(EchoCapacity, EveryTableAtItsCapacityIsEchoedToTheLastEntry) {
    TempDir dir;
    fs::copy_file(kExamplesDir / "capacity" / "model.dat", dir / "model.dat");
    writeFile(dir / "Names.dat", namesFile());
    auto store = makeModelStore();
    RunResult run;
    {
        WorkingDirectory cwd(dir.path());
        ASSERT_EQ(readRunControlFile(*store, "Names.dat"), kReturnCompleted);
        ASSERT_EQ(openRunFiles(*store), kReturnCompleted);
        ASSERT_EQ(readInputFile(*store), kReturnCompleted);
        int stopCode = 0;
        inputEchoAndPrepare(*store, stopCode, noAnalysis);
        EXPECT_EQ(stopCode, 0);
        closeRunFiles(*store);
    }
    run.report = readLines(dir / "case.out");
    auto count = [&](const std::string& text) {
        int n = 0;
        for (const std::string& line : run.report)
            if (line.find(text) != std::string::npos) ++n;
        return n;
    };
    auto countStarting = [&](const std::string& text) {
        int n = 0;
        for (const std::string& line : run.report)
            if (line.rfind(text, 0) == 0) ++n;
        return n;
    };
    EXPECT_EQ(count("     NUMBER OF LOAD CASES :  100"), 1);
    EXPECT_EQ(count("     NUMBER OF LOAD COMB. :  100"), 1);
    EXPECT_EQ(count("     NUMBER OF SETS : 2000"), 1);
    EXPECT_EQ(count("     DIST. LOAD SET :  2000"), 1);
    EXPECT_EQ(count("     LOAD CASE    :   100"), 1);
    EXPECT_EQ(count("     LOAD COMB. :   100"), 1);
    // Both arrangement tables reach group 2000.
    EXPECT_EQ(countStarting("      2000 "), 2);
    // TABLES G and J: 50 sets each.
    EXPECT_EQ(count("       NUM OF SETS : 50"), 2);
    EXPECT_EQ(count("* TABLE J *"), 1);
}

}  // namespace
}  // namespace pylora
