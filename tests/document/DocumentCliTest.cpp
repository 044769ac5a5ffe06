// SPDX-License-Identifier: Apache-2.0
// The command-line program on model documents: a converted model runs to the
// same analysis files as its input data file; convert and check as a person
// and a program use them.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;
using pylora::testsupport::readFile;
using pylora::testsupport::runCommand;
using pylora::testsupport::TempDir;

namespace {

const std::string kCli = PYLORA_CLI;

std::string quoted(const fs::path& p) {
    return "'" + p.string() + "'";
}

// A file of a run without what may differ between two runs of one model:
// the run's own file names, the date and time, and the section captions
// that the runtime file copies.
std::string comparable(const fs::path& file, const fs::path& dir) {
    std::istringstream in(readFile(file));
    std::string out, line;
    const std::string folder = dir.string();
    while (std::getline(in, line)) {
        if (line.find("Date:") != std::string::npos || line.find("Time:") != std::string::npos)
            continue;
        if (line.find("READING") != std::string::npos) continue;
        if (line.find("input data file") != std::string::npos) continue;
        if (line.find("\"inputFile\"") != std::string::npos) continue;
        std::size_t at = 0;
        while ((at = line.find(folder, at)) != std::string::npos)
            line.replace(at, folder.size(), "DIR");
        out += line + "\n";
    }
    return out;
}

// Runs model into dir and returns the exit code.
int run(const fs::path& model, const fs::path& dir) {
    const auto r = runCommand(kCli + " --quiet " + quoted(model) + " -o " + quoted(dir));
    EXPECT_TRUE(r.exitCode == 0 || r.exitCode > 2) << r.output;
    return r.exitCode;
}

void expectSameRuns(const fs::path& a, const fs::path& b, const std::string& base) {
    int compared = 0;
    for (const char* suffix : {".out", ".sum", ".plt", ".rtm", ".sta", ".res", ".crv", ".pile"}) {
        const fs::path fa = a / (base + suffix);
        const fs::path fb = b / (base + suffix);
        if (!fs::exists(fa)) continue;
        ASSERT_TRUE(fs::exists(fb)) << fb;
        EXPECT_EQ(comparable(fa, a), comparable(fb, b)) << "files " << fa << " and " << fb;
        compared += 1;
    }
    EXPECT_GE(compared, 5);
}

}  // namespace

// Every example and golden model: input data file -> YAML and JSON -> run,
// and -> YAML -> input data file -> run, give the analysis files of the
// original.
TEST(DocumentCli, ConvertedModelsRunToTheSameAnalysisFiles) {
    std::vector<fs::path> models;
    for (const auto& e : fs::directory_iterator(PYLORA_EXAMPLES_DIR))
        if (e.path().filename() != "capacity" && fs::exists(e.path() / "model.dat"))
            models.push_back(e.path() / "model.dat");
    for (const auto& e :
         fs::directory_iterator(fs::path(PYLORA_TEST_DATA_DIR) / "report/echo/golden"))
        if (fs::exists(e.path() / "input.dat")) models.push_back(e.path() / "input.dat");
    models.push_back(fs::path(PYLORA_TEST_DATA_DIR) / "engine/reader/data/features.dat");
    ASSERT_GE(models.size(), 9u);

    for (const fs::path& model : models) {
        SCOPED_TRACE(model.string());
        TempDir tmp;
        const fs::path original = tmp.path() / "original";
        fs::create_directories(original);
        fs::copy_file(model, original / "model.dat");
        const int rc = run(original / "model.dat", original);

        for (const char* suffix : {".yaml", ".json"}) {
            const fs::path dir = tmp.path() / (std::string("doc") + suffix);
            fs::create_directories(dir);
            const fs::path doc = dir / (std::string("model") + suffix);
            const auto c = runCommand(kCli + " convert " + quoted(original / "model.dat") + " -o " +
                                      quoted(doc));
            ASSERT_EQ(c.exitCode, 0) << c.output;
            EXPECT_EQ(run(doc, dir), rc);
            expectSameRuns(original, dir, "model");
            // The run wrote the input data file it read beside the report,
            // and the results file under its own name.
            EXPECT_TRUE(fs::exists(dir / (std::string("model") + suffix + ".dat")));
            EXPECT_TRUE(fs::exists(dir / "model.results.json"));
        }
        // Back from the document to an input data file.
        const fs::path back = tmp.path() / "back";
        fs::create_directories(back);
        const auto c = runCommand(kCli + " convert " + quoted(tmp.path() / "doc.yaml/model.yaml") +
                                  " -o " + quoted(back / "model.dat"));
        ASSERT_EQ(c.exitCode, 0) << c.output;
        EXPECT_EQ(run(back / "model.dat", back), rc);
        expectSameRuns(original, back, "model");
    }
}

TEST(DocumentCli, ExampleDocumentsMatchTheirInputDataFiles) {
    int found = 0;
    for (const auto& e : fs::directory_iterator(PYLORA_EXAMPLES_DIR)) {
        const fs::path yaml = e.path() / "model.yaml";
        if (!fs::exists(yaml)) continue;
        SCOPED_TRACE(yaml.string());
        found += 1;
        // The two forms read into the same model: the same canonical document.
        TempDir tmp;
        const auto a =
            runCommand(kCli + " convert " + quoted(yaml) + " -o " + quoted(tmp.path() / "a.json"));
        const auto b = runCommand(kCli + " convert " + quoted(e.path() / "model.dat") + " -o " +
                                  quoted(tmp.path() / "b.json"));
        ASSERT_EQ(a.exitCode, 0) << a.output;
        ASSERT_EQ(b.exitCode, 0) << b.output;
        EXPECT_EQ(readFile(tmp.path() / "a.json"), readFile(tmp.path() / "b.json"));
    }
    EXPECT_GE(found, 6);
}

TEST(DocumentCli, GroupExampleDocumentRunsLikeItsInputDataFile) {
    const fs::path yaml = fs::path(PYLORA_EXAMPLES_DIR) / "group3d/model.yaml";
    if (!fs::exists(yaml)) GTEST_SKIP() << "no model.yaml";
    TempDir tmp;
    const fs::path a = tmp.path() / "dat";
    const fs::path b = tmp.path() / "yaml";
    fs::create_directories(a);
    fs::create_directories(b);
    fs::copy_file(fs::path(PYLORA_EXAMPLES_DIR) / "group3d/model.dat", a / "model.dat");
    fs::copy_file(yaml, b / "model.yaml");
    EXPECT_EQ(run(a / "model.dat", a), 0);
    EXPECT_EQ(run(b / "model.yaml", b), 0);
    expectSameRuns(a, b, "model");
    // The document is still there, untouched.
    EXPECT_EQ(readFile(b / "model.yaml"), readFile(yaml));
}

TEST(DocumentCli, CheckAndRefusals) {
    TempDir tmp;
    const fs::path bad = tmp.path() / "bad.yaml";
    std::ofstream(bad) << "pylora: 1\nunits: metric\nanalysis: threeDimensional\n"
                          "pileGroups:\n  - {connection: fixed, pileProperty: 3}\n"
                          "pileProperties: []\ncrossSections: []\nsoilLayers: []\n";
    // A refused document: code 104, the pointer, and no analysis file.
    const auto r = runCommand(kCli + " --quiet " + quoted(bad));
    EXPECT_EQ(r.exitCode, 104) << r.output;
    EXPECT_NE(r.output.find("bad.yaml:5:"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("/pileGroups/0/pileProperty"), std::string::npos) << r.output;
    EXPECT_FALSE(fs::exists(tmp.path() / "bad.out"));
    EXPECT_FALSE(fs::exists(tmp.path() / "Names.dat"));

    // check writes nothing and tells a program the same.
    const auto j = runCommand(kCli + " check " + quoted(bad) + " --format json");
    EXPECT_EQ(j.exitCode, 104);
    EXPECT_NE(j.output.find("\"valid\": false"), std::string::npos) << j.output;
    EXPECT_NE(j.output.find("\"pointer\": \"/pileGroups/0/pileProperty\""), std::string::npos);
    EXPECT_NE(j.output.find("\"line\": 5"), std::string::npos);
    const auto ok =
        runCommand(kCli + " check " + quoted(fs::path(PYLORA_EXAMPLES_DIR) / "group3d/model.dat") +
                   " --format json");
    EXPECT_EQ(ok.exitCode, 0) << ok.output;
    EXPECT_NE(ok.output.find("\"valid\": true"), std::string::npos);
    EXPECT_EQ(std::distance(fs::directory_iterator(tmp.path()), fs::directory_iterator()), 1);

    // An unreadable document: 103.
    const fs::path broken = tmp.path() / "broken.json";
    std::ofstream(broken) << "{\"pylora\": 1,";
    EXPECT_EQ(runCommand(kCli + " check " + quoted(broken)).exitCode, 103);

    // convert never writes over its input, and needs a known suffix.
    EXPECT_EQ(runCommand(kCli + " convert " + quoted(bad) + " -o " + quoted(bad)).exitCode, 2);
    EXPECT_EQ(runCommand(kCli + " convert " + quoted(bad) + " -o x.txt").exitCode, 2);
    EXPECT_EQ(readFile(bad).substr(0, 9), "pylora: 1");
}

// A run never writes its results over a file that is not a results file.
TEST(DocumentCli, ResultsNeverReplaceAModelDocument) {
    TempDir tmp;
    fs::copy_file(fs::path(PYLORA_EXAMPLES_DIR) / "row2d/model.dat", tmp.path() / "model.dat");
    const auto c = runCommand(kCli + " convert " + quoted(tmp.path() / "model.dat") + " -o " +
                              quoted(tmp.path() / "model.json"));
    ASSERT_EQ(c.exitCode, 0) << c.output;
    const std::string document = readFile(tmp.path() / "model.json");
    const auto r = runCommand(kCli + " --quiet " + quoted(tmp.path() / "model.dat"));
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find("is not a results file"), std::string::npos) << r.output;
    EXPECT_EQ(readFile(tmp.path() / "model.json"), document);
    // The document model runs beside it and writes model.results.json.
    EXPECT_EQ(runCommand(kCli + " --quiet " + quoted(tmp.path() / "model.json")).exitCode, 0);
    EXPECT_EQ(readFile(tmp.path() / "model.json"), document);
    EXPECT_TRUE(fs::exists(tmp.path() / "model.results.json"));
}
