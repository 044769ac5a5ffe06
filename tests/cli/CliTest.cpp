// SPDX-License-Identifier: Apache-2.0
// The command-line program: Names.dat it writes, its errors and exit codes.

#include <gtest/gtest.h>

#include <string>

#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"

namespace {

using pylora::testsupport::folderEntries;
using pylora::testsupport::readFile;
using pylora::testsupport::readLines;
using pylora::testsupport::TempDir;
using pylora::testsupport::writeFile;

using Result = pylora::testsupport::CommandResult;

Result runCli(const std::string& arguments, const std::string& workingDir = ".") {
    return pylora::testsupport::runCommand("cd '" + workingDir + "' && '" PYLORA_CLI "' " +
                                           arguments);
}

TEST(CommandLine, HelpAndVersion) {
    const Result version = runCli("--version");
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.output, "pylora 8.0.0\n");
    const Result help = runCli("--help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.output.find("usage: pylora [MODEL] [-o DIR] [--quiet]"), std::string::npos);
    EXPECT_EQ(runCli("--frobnicate").exitCode, 2);
}

TEST(CommandLine, MissingModelOrUnusableFolderIsRefusedBeforeAnythingIsWritten) {
    TempDir dir;
    writeFile(dir / "Names.dat", "kept\n");
    const Result missing = runCli("absent.dat -o .", dir.path().string());
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_NE(missing.output.find("absent.dat"), std::string::npos);
    EXPECT_EQ(readFile(dir / "Names.dat"), "kept\n");

    writeFile(dir / "model.dat", "title\n");
    const Result underFile = runCli("model.dat -o model.dat/out", dir.path().string());
    EXPECT_EQ(underFile.exitCode, 2);
    EXPECT_NE(underFile.output.find("model.dat/out"), std::string::npos);
    EXPECT_EQ(folderEntries(dir.path()), (std::vector<std::string>{"Names.dat", "model.dat"}));

    TempDir empty;
    const Result noNames = runCli("", empty.path().string());
    EXPECT_EQ(noNames.exitCode, 2);
    EXPECT_NE(noNames.output.find("Names.dat"), std::string::npos);
}

TEST(CommandLine, WritesNamesFileWithAbsolutePathsAndRunsIt) {
    TempDir dir;
    std::filesystem::create_directory(dir / "in");
    writeFile(dir / "in" / "pier.dat", "title\n");
    const Result r = runCli("in/pier.dat -o results --quiet", dir.path().string());

    const std::filesystem::path out = dir / "results";
    const std::vector<std::string> names = readLines(out / "Names.dat");
    ASSERT_EQ(names.size(), 17u);
    EXPECT_EQ(names[0], "8.0.0");
    EXPECT_EQ(names[4], (dir / "in" / "pier.dat").string());
    const char* suffixes[] = {".out", ".sum", ".plt",  ".rtm",  ".sta",  ".res",
                              ".prg", ".crv", ".scr1", ".scr2", ".pile", ".warn"};
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(names[5 + i], (out / "pier").string() + suffixes[i]);

    EXPECT_TRUE(std::filesystem::exists(out / "pier.out"));
    EXPECT_NE(r.output.find("report: " + (out / "pier.out").string()), std::string::npos);
    EXPECT_EQ(r.output.find("pylora: - ANALYSIS STARTED"), std::string::npos);  // --quiet

    // Without MODEL the Names.dat of the current folder runs as the front end would.
    const Result again = runCli("", out.string());
    EXPECT_EQ(again.exitCode, r.exitCode);
    EXPECT_NE(again.output.find("report: " + (out / "pier.out").string()), std::string::npos);
}

// The lines of a file that hold `text`.
int countLinesHolding(const std::filesystem::path& file, const std::string& text) {
    int count = 0;
    for (const std::string& line : readLines(file))
        if (line.find(text) != std::string::npos) count += 1;
    return count;
}

TEST(CommandLine, TwoDimensionalRowInClayRunsEveryCaseAndCombinationToCompletion) {
    TempDir dir;
    const Result r = runCli("'" PYLORA_EXAMPLES_DIR "/row2d-clay/model.dat' -o out --quiet",
                            dir.path().string());
    ASSERT_EQ(r.exitCode, 0) << r.output;
    const std::filesystem::path out = dir / "out";

    // Two cases (the second with nine estimation runs) and one combination.
    std::vector<std::string> codes;
    for (const std::string& line : readLines(out / "model.sta"))
        if (line.size() > 5 && line[4] >= '1' && line[4] <= '7' && line.rfind("    ", 0) == 0)
            codes.push_back(line);
    ASSERT_EQ(codes.size(), 12u);
    for (const std::string& code : codes)
        EXPECT_EQ(code, "    1 ANALYSIS COMPLETED");

    EXPECT_EQ(countLinesHolding(out / "model.out", "* TABLE L *   COMPUTATION ON PILE CAP"), 3);
    EXPECT_EQ(countLinesHolding(out / "model.out", "* TABLE M *   COMPUTATION ON INDIVIDUAL PILE"),
              3);
    EXPECT_EQ(countLinesHolding(out / "model.out", "HORI. LOAD, LBS"), 3);
    EXPECT_EQ(countLinesHolding(out / "model.res", "* TABLE L *   COMPUTATION ON PILE CAP"), 3);
    EXPECT_EQ(countLinesHolding(out / "model.res", "* TABLE M *   COMPUTATION ON INDIVIDUAL PILE"),
              3);
    EXPECT_EQ(countLinesHolding(out / "model.out", "* PILE CAP STIFFNESS ESTIMATION *"), 1);
    EXPECT_EQ(countLinesHolding(out / "model.out", "K11           K12           K13"), 3);
    // KPYOP 2: the second input echo once, in the report and the summary.
    EXPECT_EQ(countLinesHolding(out / "model.out", "*****     INPUT INFORMATION     *****"), 2);
    EXPECT_EQ(countLinesHolding(out / "model.sum", "*****     INPUT INFORMATION     *****"), 1);
    EXPECT_EQ(countLinesHolding(out / "model.sum", "* TABLE K *   REDUCTION FACTORS"), 1);
}

TEST(CommandLine, TwoDimensionalRowInSandRunsEveryCaseToCompletion) {
    TempDir dir;
    const Result r =
        runCli("'" PYLORA_EXAMPLES_DIR "/row2d/model.dat' -o out --quiet", dir.path().string());
    ASSERT_EQ(r.exitCode, 0) << r.output;
    const std::filesystem::path out = dir / "out";
    EXPECT_EQ(countLinesHolding(out / "model.sta", "    1 ANALYSIS COMPLETED"), 2);
    // The two cases, then their minimum and maximum envelopes.
    EXPECT_EQ(countLinesHolding(out / "model.out", "HORI. LOAD, LBS"), 4);
    EXPECT_EQ(countLinesHolding(out / "model.out", "* TABLE M *   COMPUTATION ON INDIVIDUAL PILE"),
              4);
    EXPECT_EQ(countLinesHolding(out / "model.res", "* TABLE L *   COMPUTATION ON PILE CAP"), 4);
    EXPECT_EQ(countLinesHolding(out / "model.sta", "LOAD CASE ENV : "), 2);
}

}  // namespace

namespace {

// The flexible-cap example: option 2 writes the plate model and ends with 0,
// option 1 also reads it back and checks it and ends with 99; the run folder
// holds the documented files and nothing else.
TEST(CommandLine, FlexibleCapExampleWritesThePlateModelAndSolvesIt) {
    TempDir dir;
    const std::string examples = PYLORA_EXAMPLES_DIR "/flexcap";
    const Result exported =
        runCli("'" + examples + "/export.dat' -o '" + dir.path().string() + "' --quiet");
    EXPECT_EQ(exported.exitCode, 0) << exported.output;
    const Result solved =
        runCli("'" + examples + "/model.dat' -o '" + dir.path().string() + "' --quiet");
    EXPECT_EQ(solved.exitCode, 0) << solved.output;
    EXPECT_EQ(
        folderEntries(dir.path()),
        (std::vector<std::string>{
            "Names.dat",  "export.crv", "export.json", "export.out", "export.plt", "export.pmd",
            "export.pmk", "export.prg", "export.res",  "export.rtm", "export.sta", "export.sum",
            "fort2",      "fort3",      "fort4",       "gslab.dat",  "model.crv",  "model.json",
            "model.out",  "model.pile", "model.pit",   "model.pls",  "model.plt",  "model.pmd",
            "model.pmk",  "model.prg",  "model.psm",   "model.pst",  "model.res",  "model.rtm",
            "model.sta",  "model.sum",  "model.warn"}));
    EXPECT_NE(readFile(dir / "model.pls").find(" MAXIMUM FRONTWIDTH ENCOUNTERED =  108"),
              std::string::npos);
    EXPECT_EQ(readLines(dir / "gslab.dat").size(), 5U);
    EXPECT_EQ(readLines(dir / "model.sta").back(), "    1 ANALYSIS COMPLETED");
    // Four steps of 0.25 up to the full load, each with a block of the 133 nodes.
    const std::vector<std::string> steps = readLines(dir / "model.pst");
    ASSERT_EQ(steps.size(), 3U + 4U * 134U + 1U);
    EXPECT_EQ(steps[0], "STEP_DATA");
    EXPECT_EQ(steps[1], "14");
    EXPECT_EQ(steps[3], "STEP       1");
    EXPECT_EQ(steps[3 + 3 * 134], "STEP       4");
    EXPECT_EQ(steps.back(), "END_STEP_DATA");
    EXPECT_NE(readFile(dir / "model.out").find("* TABLE M *"), std::string::npos);
}

}  // namespace
