// SPDX-License-Identifier: Apache-2.0
// The entry point and run control: the code check, "Names.dat", the files of a
// run, the report header and the progress file.

#include <gtest/gtest.h>

#include <atomic>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "engine/ipylora8.h"
#include "engine/run_control.h"
#include "store/model_store.h"
#include "store/pile_workers.h"
#include "store/return_codes.h"
#include "tests/support/temp_dir.h"

namespace pylora {
namespace {

using testsupport::folderEntries;
using testsupport::readFile;
using testsupport::readLines;
using testsupport::TempDir;
using testsupport::WorkingDirectory;
using testsupport::writeFile;

// The 17 records of a run-control file for a run whose files all lie in dir
// (input data file: input) with the base name "case".
std::vector<std::string> namesRecords(const std::filesystem::path& dir,
                                      const std::filesystem::path& input) {
    auto in = [&](const char* suffix) { return (dir / (std::string("case") + suffix)).string(); };
    return {"8.0.0",    "reserved",  "reserved",  "0",         input.string(), in(".out"),
            in(".sum"), in(".plt"),  in(".rtm"),  in(".sta"),  in(".res"),     in(".prg"),
            in(".crv"), in(".scr1"), in(".scr2"), in(".pile"), in(".warn")};
}

std::string joinRecords(const std::vector<std::string>& records) {
    std::string text;
    for (const std::string& r : records)
        text += r + "\n";
    return text;
}

TEST(EntryPoint, CodeOtherThan13ReturnsOneAndTouchesNoFile) {
    TempDir dir;
    writeFile(dir / "Names.dat", joinRecords(namesRecords(dir.path(), dir / "model.dat")));
    writeFile(dir / "model.dat", "title\n");
    const std::vector<std::string> before = folderEntries(dir.path());
    WorkingDirectory cwd(dir.path());
    for (int code : {12, 0, -13, 14, 1})
        EXPECT_EQ(IPYLORA8(code), kReturnNotRunCode) << "code " << code;
    EXPECT_EQ(folderEntries(dir.path()), before);
}

TEST(ReportHeader, MatchesTheFortranLayoutCharacterForCharacter) {
    // Reference written by a Fortran program with the same formats (tools/fortran).
    const std::string expected = readFile(PYLORA_ENGINE_TEST_DATA "/header_report.txt");
    const std::string expectedRuntime = readFile(PYLORA_ENGINE_TEST_DATA "/header_runtime.txt");
    ASSERT_FALSE(expected.empty());

    TempDir dir;
    auto store = makeModelStore();
    store->run.versionText.assign("8.0.0");
    // The input data file lies in another folder than the output files.
    store->run.inputFilePath.assign("/data/other dir/model.in");
    store->run.reportFilePath.assign((dir / "case.out").string());
    store->run.summaryFilePath.assign("results/case.sum");
    store->run.plotFilePath.assign("case.plt");
    store->run.runtimeFilePath.assign("C:\\runs\\case.rtm");
    store->files.report = openForWriting((dir / "case.out").string());
    store->files.runtime = openForWriting((dir / "case.rtm").string());

    writeBanner(store->files.report.get(), store->run.versionText.view());
    writeFileNameBlock(*store);
    std::tm date{};
    date.tm_year = 2026 - 1900;
    date.tm_mon = 2;
    date.tm_mday = 7;
    date.tm_hour = 9;
    date.tm_min = 5;
    date.tm_sec = 3;
    writeDateBlock(store->files.report.get(), date);
    writeRuntimeBanner(*store);
    closeRunFiles(*store);

    EXPECT_EQ(readFile(dir / "case.out"), expected);
    EXPECT_EQ(readFile(dir / "case.rtm"), expectedRuntime);
}

TEST(SplitPath, DriveDirectoryNameAndExtension) {
    const PathParts windows = splitPath("C:\\Piles\\Bridge 4\\pier.dat");
    EXPECT_EQ(windows.drive, "C:");
    EXPECT_EQ(windows.directory, "\\Piles\\Bridge 4\\");
    EXPECT_EQ(windows.name, "pier");
    EXPECT_EQ(windows.extension, ".dat");

    const PathParts bare = splitPath("model");
    EXPECT_EQ(bare.drive + bare.directory + bare.extension, "");
    EXPECT_EQ(bare.name, "model");

    // Only the last dot starts the extension, and a dot in a folder name is no extension.
    const PathParts dotted = splitPath("/runs/v1.2/pier.case.dat");
    EXPECT_EQ(dotted.directory, "/runs/v1.2/");
    EXPECT_EQ(dotted.name, "pier.case");
    EXPECT_EQ(dotted.extension, ".dat");
    EXPECT_EQ(splitPath("/runs/v1.2/pier").extension, "");
    EXPECT_EQ(splitPath("a.longextension").extension, ".long");  // five characters at most
}

TEST(RunControlFile, RecordsAreCutAtTheirWidthAndTrailingBlanksDropped) {
    TempDir dir;
    std::vector<std::string> records = namesRecords(dir.path(), dir / "model.dat");
    records[0] = "8.0.0-long-version";
    const std::string longPath = "/" + std::string(299, 'p');
    records[4] = longPath;
    records[5] = (dir / "case.out").string() + "    \r";  // blanks and a Windows line end
    records[3] = "  42, 7 comment";
    writeFile(dir / "Names.dat", joinRecords(records));

    auto store = makeModelStore();
    ASSERT_EQ(readRunControlFile(*store, (dir / "Names.dat").string()), kReturnCompleted);
    EXPECT_EQ(store->run.versionText.view(), "8.0.0-lo");
    EXPECT_EQ(store->run.inputFilePath.str(), longPath.substr(0, 255));
    EXPECT_EQ(store->run.reportFilePath.str(), (dir / "case.out").string());
    EXPECT_EQ(store->run.reservedInteger, 42);
    EXPECT_EQ(store->run.warningScratchPath.str(), (dir / "case.warn").string());
}

TEST(RunControlFile, ShortOrUnreadableFileEndsTheRunBeforeAnyFileIsOpened) {
    TempDir dir;
    writeFile(dir / "model.dat", "title\n");
    std::vector<std::string> records = namesRecords(dir.path(), dir / "model.dat");
    auto store = makeModelStore();

    {
        WorkingDirectory cwd(dir.path());
        EXPECT_EQ(runEngine(*store, 13, "Names.dat"), kReturnRunControlError);  // no file at all
    }

    writeFile(dir / "Names.dat", "");
    EXPECT_EQ(runEngine(*store, 13, (dir / "Names.dat").string()), kReturnRunControlError);

    records.pop_back();  // 16 records
    writeFile(dir / "Names.dat", joinRecords(records));
    EXPECT_EQ(runEngine(*store, 13, (dir / "Names.dat").string()), kReturnRunControlError);

    records = namesRecords(dir.path(), dir / "model.dat");
    records[3] = "none";
    writeFile(dir / "Names.dat", joinRecords(records));
    EXPECT_EQ(runEngine(*store, 13, (dir / "Names.dat").string()), kReturnRunControlError);

    EXPECT_EQ(folderEntries(dir.path()), (std::vector<std::string>{"Names.dat", "model.dat"}));
}

TEST(RunFiles, UnopenableFileEndsTheRunInOrderWithFilesClosed) {
    TempDir dir;
    writeFile(dir / "model.dat", "title\n");
    std::vector<std::string> records = namesRecords(dir.path(), dir / "model.dat");
    records[5] = (dir / "missing-folder" / "case.out").string();  // the report
    writeFile(dir / "Names.dat", joinRecords(records));

    auto store = makeModelStore();
    EXPECT_EQ(runEngine(*store, 13, (dir / "Names.dat").string()), kReturnFileOpenError);
    EXPECT_FALSE(store->files.input);
    EXPECT_FALSE(store->files.report);
    // Nothing after the report was opened or written.
    EXPECT_EQ(folderEntries(dir.path()), (std::vector<std::string>{"Names.dat", "model.dat"}));

    // A missing input data file is an input/output error too.
    records = namesRecords(dir.path(), dir / "absent.dat");
    writeFile(dir / "Names.dat", joinRecords(records));
    EXPECT_EQ(runEngine(*store, 13, (dir / "Names.dat").string()), kReturnFileOpenError);
    EXPECT_FALSE(std::filesystem::exists(dir / "case.out"));
}

TEST(RunFiles, ARunWritesTheHeaderAndTheStartMessage) {
    TempDir dir;
    std::filesystem::create_directory(dir / "input dir");
    writeFile(dir / "input dir" / "model.dat", "title\n");
    writeFile(dir / "Names.dat",
              joinRecords(namesRecords(dir.path(), dir / "input dir" / "model.dat")));
    auto store = makeModelStore();
    runEngine(*store, 13, (dir / "Names.dat").string());

    const std::vector<std::string> report = readLines(dir / "case.out");
    ASSERT_GE(report.size(), 22u);
    EXPECT_EQ(report[2], "                      PYLORA for Windows, Version 8.0.0   ");
    EXPECT_EQ(report[10],
              "     Path to file locations      : " + (dir / "input dir").string() + "/");
    EXPECT_EQ(report[11], "     Name of input data file     : model.dat");
    EXPECT_EQ(report[12], "     Name of output file         : case.out");
    EXPECT_EQ(report[19], "                          Time and Date of Analysis");
    EXPECT_EQ(report[21].substr(0, 22), "               Date:  ");

    const std::vector<std::string> summary = readLines(dir / "case.sum");
    ASSERT_EQ(summary.size(), 4u);
    EXPECT_EQ(summary[3].substr(0, 22), "               Date:  ");

    EXPECT_EQ(readFile(dir / "case.prg"), " - ANALYSIS STARTED\n\n");
    const std::vector<std::string> runtime = readLines(dir / "case.rtm");
    ASSERT_GE(runtime.size(), 3u);
    EXPECT_EQ(runtime[1], "            PYLORA for Windows, Version 8.0.0   ");

    for (const char* opened :
         {"case.out", "case.sum", "case.plt", "case.rtm", "case.sta", "case.res", "case.crv"})
        EXPECT_TRUE(std::filesystem::exists(dir / opened)) << opened;
    EXPECT_FALSE(std::filesystem::exists(dir / "case.prg.part"));
    EXPECT_FALSE(store->files.report);
    EXPECT_FALSE(store->files.runtime);
}

TEST(ProgressFile, AlwaysHoldsOneWholeMessage) {
    TempDir dir;
    auto store = makeModelStore();
    store->run.progressFilePath.assign((dir / "case.prg").string());

    const std::string first = " - ANALYSIS FOR LOAD CASE   1/  2 STARTED\n\n\n";
    const std::string second = " - ANALYSIS FOR LOAD CASE   1/  2 FINISHED\n\n\n";
    ReportLine a;
    a.text(" - ANALYSIS FOR LOAD CASE ").I(1, 3).text("/").I(2, 3).text(" STARTED").slash().slash();
    ReportLine b;
    b.text(" - ANALYSIS FOR LOAD CASE ")
        .I(1, 3)
        .text("/")
        .I(2, 3)
        .text(" FINISHED")
        .slash()
        .slash();
    writeProgressMessage(*store, a.str());
    ASSERT_EQ(readFile(dir / "case.prg"), first);

    // A reader polling the file while messages replace each other only ever
    // sees one of the two whole messages.
    std::atomic<bool> done{false};
    std::atomic<int> torn{0};
    std::thread reader([&] {
        while (!done) {
            const std::string seen = readFile(dir / "case.prg");
            if (seen != first && seen != second) ++torn;
        }
    });
    for (int i = 0; i < 2000; ++i)
        writeProgressMessage(*store, (i % 2 ? a : b).str());
    done = true;
    reader.join();
    EXPECT_EQ(torn.load(), 0);
    EXPECT_EQ(readFile(dir / "case.prg"), first);

    // An unwritable progress file is ignored.
    store->run.progressFilePath.assign((dir / "no such folder" / "case.prg").string());
    writeProgressMessage(*store, a.str());
}

}  // namespace
}  // namespace pylora

namespace pylora {
namespace {

// The report, summary and runtime file of one run of model, with the date line
// of report and summary left out (the only line that may differ between runs).
struct RunOutput {
    int returnCode = -1;
    std::vector<std::string> report, summary, runtime;
};

RunOutput runModel(ModelStore& store, const std::filesystem::path& model,
                   const testsupport::TempDir& dir, const EngineOptions& options = {}) {
    writeFile(dir / "Names.dat", joinRecords(namesRecords(dir.path(), model)));
    RunOutput out;
    out.returnCode = runEngine(store, 13, (dir / "Names.dat").string(), nullptr, options);
    auto withoutDate = [](std::vector<std::string> lines) {
        std::erase_if(lines, [](const std::string& l) { return l.find("Date:  ") == 15; });
        return lines;
    };
    out.report = withoutDate(readLines(dir / "case.out"));
    out.summary = withoutDate(readLines(dir / "case.sum"));
    out.runtime = readLines(dir / "case.rtm");
    return out;
}

TEST(EntryPoint, ASecondRunInTheSameProcessSeesNothingOfTheFirst) {
    const std::filesystem::path examples = PYLORA_EXAMPLES_DIR;
    const std::filesystem::path big = examples / "group3d" / "model.dat";
    const std::filesystem::path row = examples / "row2d" / "model.dat";
    ASSERT_TRUE(std::filesystem::exists(big));
    ASSERT_TRUE(std::filesystem::exists(row));

    TempDir aloneDir, sharedDir;
    auto alone = makeModelStore();
    const RunOutput rowAlone = runModel(*alone, row, aloneDir);

    auto shared = makeModelStore();
    const RunOutput first = runModel(*shared, big, sharedDir);
    const RunOutput second = runModel(*shared, row, sharedDir);

    EXPECT_EQ(second.returnCode, rowAlone.returnCode);
    EXPECT_EQ(second.report, rowAlone.report);
    EXPECT_EQ(second.summary, rowAlone.summary);
    EXPECT_EQ(second.runtime, rowAlone.runtime);
    // The two models differ, so the comparison above could have failed.
    EXPECT_NE(first.runtime, second.runtime);
    // Nothing of the three-dimensional model is left beyond the row model's counts.
    EXPECT_EQ(shared->arrangement.rows[shared->arrangement.pileGroupCount].headZ, 0.0);
    EXPECT_EQ(shared->loadCases.rows[shared->loadCases.loadCaseCount].name.trimmed(), "");
}

TEST(EngineOptions, ThreadsAndStiffnessStartFromTheCommandLineTextAndTheEnvironment) {
    int threads = 9;
    for (const char* refused : {"", "0", "257", "2x", "-3", " 2", "1000", "+4"}) {
        EXPECT_FALSE(parseThreadCount(refused, threads)) << "\"" << refused << "\"";
        EXPECT_EQ(threads, 9);
    }
    EXPECT_TRUE(parseThreadCount("7", threads));
    EXPECT_EQ(threads, 7);
    EXPECT_TRUE(parseThreadCount("256", threads));
    EXPECT_EQ(threads, kMaxPileThreads);
    int start = -1;
    EXPECT_FALSE(parseStiffnessStart("Converged", start));
    EXPECT_FALSE(parseStiffnessStart("", start));
    EXPECT_EQ(start, -1);
    EXPECT_TRUE(parseStiffnessStart("initial", start));
    EXPECT_EQ(start, kStartFromInitialModuli);
    EXPECT_TRUE(parseStiffnessStart("converged", start));
    EXPECT_EQ(start, kStartFromConverged);
    EXPECT_TRUE(parseStiffnessStart("condensed", start));
    EXPECT_EQ(start, kStartCondensed);

    // The entry point's options: the environment, or the defaults where it
    // says nothing usable.
    ::setenv("PYLORA_THREADS", "5", 1);
    ::setenv("PYLORA_STIFFNESS_START", "initial", 1);
    EngineOptions fromEnvironment = optionsFromEnvironment();
    EXPECT_EQ(fromEnvironment.threadCount, 5);
    EXPECT_EQ(fromEnvironment.stiffnessStart, kStartFromInitialModuli);
    ::setenv("PYLORA_THREADS", "many", 1);
    ::setenv("PYLORA_STIFFNESS_START", "warm", 1);
    fromEnvironment = optionsFromEnvironment();
    ::unsetenv("PYLORA_THREADS");
    ::unsetenv("PYLORA_STIFFNESS_START");
    EXPECT_EQ(fromEnvironment.threadCount, 0);
    EXPECT_EQ(fromEnvironment.stiffnessStart, kStartCondensed);
}

TEST(EngineOptions, ARunTakesItsOptionsAndLeavesNoWorkerThreadsBehind) {
    const std::filesystem::path model =
        std::filesystem::path(PYLORA_EXAMPLES_DIR) / "group3d" / "model.dat";
    TempDir serialDir, parallelDir;
    auto store = makeModelStore();
    const RunOutput serial = runModel(*store, model, serialDir, {1, kStartFromInitialModuli});
    EXPECT_EQ(store->run.threadCount, 1);
    EXPECT_EQ(store->control.stiffnessStart, kStartFromInitialModuli);
    const RunOutput parallel = runModel(*store, model, parallelDir, {3, kStartFromInitialModuli});
    EXPECT_EQ(store->run.threadCount, 3);
    EXPECT_EQ(store->pileWorkers, nullptr);
    EXPECT_EQ(parallel.returnCode, serial.returnCode);
    EXPECT_EQ(parallel.runtime, serial.runtime);
    // The reports name their own folders; every other line agrees.
    ASSERT_EQ(parallel.report.size(), serial.report.size());
    for (std::size_t i = 0; i < serial.report.size(); ++i) {
        if (serial.report[i].find("Path to file locations") != std::string::npos) continue;
        EXPECT_EQ(parallel.report[i], serial.report[i]) << "report line " << i + 1;
    }
}

}  // namespace
}  // namespace pylora
