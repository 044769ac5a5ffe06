// SPDX-License-Identifier: Apache-2.0
// The number of threads changes nothing a run writes: every example and
// every model file of the tests, run by the command-line program on 1, 2 and
// 7 threads, writes the same files byte for byte (the date in the report and
// summary headers aside); the environment variable and the option choose the
// threads, and both stiffness starts are equally indifferent to them. The
// p-y curves kept for a load case change no byte either: a run that builds
// them at every evaluation (PYLORA_CURVE_CACHE=off) writes the same files.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using pylora::testsupport::folderEntries;
using pylora::testsupport::readFile;
using pylora::testsupport::TempDir;

using Result = pylora::testsupport::CommandResult;
const auto run = pylora::testsupport::runCommand;

// Every file a run wrote to `out`, by name, without the date line of the
// report and summary headers.
using RunFiles = std::map<std::string, std::string>;

RunFiles filesOf(const fs::path& out) {
    RunFiles files;
    for (const std::string& name : folderEntries(out)) {
        std::string text = readFile(out / name);
        std::string kept;
        std::size_t at = 0;
        while (at < text.size()) {
            std::size_t end = text.find('\n', at);
            end = end == std::string::npos ? text.size() : end + 1;
            const std::string line = text.substr(at, end - at);
            if (line.find("Date:  ") == std::string::npos ||
                line.find("Time:  ") == std::string::npos)
                kept += line;
            at = end;
        }
        files[name] = kept;
    }
    return files;
}

// Runs `model` (copied into dir) with the extra arguments into dir/out,
// emptied first, and returns what it wrote.
RunFiles runModel(const TempDir& dir, const fs::path& model, const std::string& arguments,
                  int& exitCode, const std::string& environment = "") {
    const fs::path out = dir / "out";
    fs::remove_all(out);
    const Result r =
        run("cd '" + dir.path().string() + "' && " + environment + " '" PYLORA_CLI "' '" +
            model.filename().string() + "' -o out --quiet " + arguments);
    exitCode = r.exitCode;
    return filesOf(out);
}

void expectSameFiles(const RunFiles& reference, const RunFiles& files, const std::string& what) {
    ASSERT_EQ(files.size(), reference.size()) << what;
    for (const auto& [name, text] : reference) {
        const auto found = files.find(name);
        ASSERT_NE(found, files.end()) << what << ": " << name << " missing";
        EXPECT_TRUE(found->second == text) << what << ": " << name << " differs";
    }
}

// The model files: every example but the capacity model (2000 piles in 200
// analyses, hours of work), the input files of the report tests, the fuzzing
// corpus and the reader's feature file.
std::vector<std::string> modelFiles() {
    std::vector<std::string> models;
    const fs::path examples = PYLORA_EXAMPLES_DIR;
    for (const char* m : {"flexcap/model.dat", "flexcap/export.dat", "group3d/model.dat",
                          "sand-over-rock/model.dat", "row2d/model.dat", "row2d-clay/model.dat"})
        models.push_back((examples / m).string());
    const fs::path data = PYLORA_TEST_DATA_DIR;
    for (const fs::path& folder : {data / "report" / "echo" / "golden", data / "fuzz" / "corpus",
                                   data / "engine" / "reader"}) {
        for (const auto& entry : fs::recursive_directory_iterator(folder))
            if (entry.path().extension() == ".dat") models.push_back(entry.path().string());
    }
    std::sort(models.begin(), models.end());
    return models;
}

class EveryModel : public ::testing::TestWithParam<std::string> {};

TEST_P(EveryModel, WritesTheSameFilesOnOneTwoAndSevenThreads) {
    const fs::path model = GetParam();
    ASSERT_TRUE(fs::exists(model)) << model;
    TempDir dir;
    fs::copy_file(model, dir / model.filename().string());
    int serialCode = 0;
    const RunFiles serial = runModel(dir, model, "--threads 1", serialCode);
    ASSERT_FALSE(serial.empty());
    ASSERT_NE(serial.find(model.stem().string() + ".out"), serial.end());
    for (const char* threads : {"2", "7"}) {
        int code = 0;
        const RunFiles files = runModel(dir, model, std::string("--threads ") + threads, code);
        EXPECT_EQ(code, serialCode) << threads << " threads";
        expectSameFiles(serial, files, std::string(threads) + " threads");
    }
    int code = 0;
    const RunFiles rebuilt = runModel(dir, model, "--threads 2", code, "PYLORA_CURVE_CACHE=off");
    EXPECT_EQ(code, serialCode) << "curves built at every evaluation";
    expectSameFiles(serial, rebuilt, "curves built at every evaluation");
}

INSTANTIATE_TEST_SUITE_P(ThreadCount, EveryModel, ::testing::ValuesIn(modelFiles()),
                         [](const ::testing::TestParamInfo<std::string>& param) {
                             std::string name =
                                 fs::path(param.param).parent_path().filename().string() + "_" +
                                 fs::path(param.param).stem().string();
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

TEST(ThreadCount, TheInitialStartIsAsIndifferentAndDiffersFromTheConvergedOne) {
    // A three-dimensional group and the plate of a flexible cap: the
    // perturbed solutions of their pile-head stiffness start from either.
    const fs::path examples = PYLORA_EXAMPLES_DIR;
    for (const fs::path& model :
         {examples / "group3d" / "model.dat", examples / "flexcap" / "model.dat"}) {
        TempDir dir;
        fs::copy_file(model, dir / model.filename().string());
        int code = 0;
        const RunFiles serial = runModel(dir, model, "--threads 1 --stiffness-start initial", code);
        ASSERT_EQ(code, 0) << model;
        const RunFiles parallel =
            runModel(dir, model, "--threads 2 --stiffness-start initial", code);
        EXPECT_EQ(code, 0);
        expectSameFiles(serial, parallel, model.string() + ", initial start");
        const RunFiles converged = runModel(dir, model, "--threads 2", code);
        EXPECT_EQ(code, 0);
        // The two starts iterate differently: the comparison above could fail.
        EXPECT_NE(converged, serial) << model;
    }
}

TEST(ThreadCount, TheOptionAndTheEnvironmentChooseTheThreads) {
    const fs::path model = fs::path(PYLORA_EXAMPLES_DIR) / "row2d" / "model.dat";
    TempDir dir;
    fs::copy_file(model, dir / "model.dat");
    const std::string cd = "cd '" + dir.path().string() + "' && ";
    const std::string cli = "'" PYLORA_CLI "' model.dat -o out --quiet --stats";
    const Result fromEnvironment = run(cd + "PYLORA_THREADS=3 " + cli);
    EXPECT_EQ(fromEnvironment.exitCode, 0);
    EXPECT_NE(fromEnvironment.output.find(", 3 threads"), std::string::npos)
        << fromEnvironment.output;
    // The option wins over the environment.
    const Result fromOption = run(cd + "PYLORA_THREADS=3 " + cli + " --threads 5");
    EXPECT_NE(fromOption.output.find(", 5 threads"), std::string::npos) << fromOption.output;
    for (const char* refused :
         {"--threads 0", "--threads 2x", "--threads", "--stiffness-start warm"}) {
        const Result r = run(cd + cli + " " + refused);
        EXPECT_EQ(r.exitCode, 2) << refused;
        EXPECT_NE(r.output.find("needs"), std::string::npos) << refused << ": " << r.output;
    }
}

}  // namespace
