// SPDX-License-Identifier: Apache-2.0
// One store for run after run, as the entry point and the fuzzing target use
// it: a run writes exactly the files the same run writes in a new store,
// whatever ran in the store before it, and a cleared store holds what a new
// one holds.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "engine/run_control.h"
#include "store/model_store.h"
#include "tests/support/temp_dir.h"

namespace pylora {
namespace {

using testsupport::folderEntries;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

// The files a run wrote in its folder by name, and its return code; the
// report and the summary without their date line.
using WrittenFiles = std::map<std::string, std::string>;

WrittenFiles runIn(ModelStore& store, const TempDir& dir, const std::filesystem::path& model) {
    for (const std::string& name : folderEntries(dir.path()))
        std::filesystem::remove_all(dir / name);
    std::string names = "8.0.0\nreserved\nreserved\n0\n" + model.string() + "\n";
    for (const char* suffix : {".out", ".sum", ".plt", ".rtm", ".sta", ".res", ".prg", ".crv",
                               ".scr1", ".scr2", ".pile", ".warn"})
        names += (dir / (std::string("case") + suffix)).string() + "\n";
    writeFile(dir / "Names.dat", names);
    EngineOptions options;
    options.threadCount = 1;
    WrittenFiles written;
    written["return code"] =
        std::to_string(runEngine(store, 13, (dir / "Names.dat").string(), nullptr, options));
    for (const std::string& name : folderEntries(dir.path())) {
        if (name == "Names.dat") continue;
        std::string text = readFile(dir / name);
        for (std::size_t at = text.find("Date:  "); at != std::string::npos;
             at = text.find("Date:  ", at + 1)) {
            const std::size_t line = text.rfind('\n', at) + 1;  // npos + 1: the first line
            if (at - line == 15) text.erase(line, text.find('\n', at) - line);
        }
        written[name] = text;
    }
    return written;
}

// Whether a record of the store has the bytes of the same record of a new store.
template <class Record>
bool asNew(const Record& record, const Record& fresh) {
    return std::memcmp(&record, &fresh, sizeof(Record)) == 0;
}

TEST(StoreReuse, EveryRunWritesWhatItWritesInANewStore) {
    const std::filesystem::path examples = PYLORA_EXAMPLES_DIR;
    const std::filesystem::path corpus = PYLORA_FUZZ_CORPUS_DIR;
    TempDir inputs, dir;
    // The capacity model without its last line: every table filled to its
    // capacity, then the reader stops at the end of the file.
    std::string capacity = readFile(examples / "capacity" / "model.dat");
    capacity.erase(capacity.rfind('\n', capacity.size() - 2) + 1);
    writeFile(inputs / "capacity-cut.dat", capacity);

    // Large before small, failed before sound, three-dimensional before two
    // and back, rigid caps after a flexible one.
    const std::vector<std::filesystem::path> models = {inputs / "capacity-cut.dat",
                                                       corpus / "row2d_open.dat",
                                                       examples / "flexcap" / "model.dat",
                                                       examples / "group3d" / "model.dat",
                                                       examples / "row2d-clay" / "model.dat",
                                                       corpus / "features.dat",
                                                       examples / "sand-over-rock" / "model.dat",
                                                       corpus / "empty3d.dat",
                                                       examples / "row2d" / "model.dat",
                                                       corpus / "embedded3d.dat"};

    auto shared = makeModelStore();
    for (const std::filesystem::path& model : models) {
        const WrittenFiles reused = runIn(*shared, dir, model);
        auto fresh = makeModelStore();
        const WrittenFiles alone = runIn(*fresh, dir, model);
        ASSERT_GT(alone.size(), 5u) << model;
        for (const auto& [name, text] : alone) {
            const auto it = reused.find(name);
            ASSERT_NE(it, reused.end()) << model << ": " << name << " not written";
            EXPECT_TRUE(it->second == text) << model << ": " << name << " differs";
        }
        EXPECT_EQ(reused.size(), alone.size()) << model;
    }

    // Cleared, the store holds what a new one holds, down to the last row of
    // the tables the capacity model and the analyses filled.
    clearModelStore(*shared);
    const auto fresh = makeModelStore();
    const ModelStore& s = *shared;
    EXPECT_TRUE(asNew(s.loadCases, fresh->loadCases));
    EXPECT_TRUE(asNew(s.distributedSets, fresh->distributedSets));
    EXPECT_TRUE(asNew(s.analysis, fresh->analysis));
    EXPECT_TRUE(asNew(s.pileEnvelopes, fresh->pileEnvelopes));
    EXPECT_TRUE(asNew(s.groupFactorWork, fresh->groupFactorWork));
    EXPECT_EQ(s.pileScratch.owner, shared.get());
    EXPECT_TRUE(s.pileScratch.messages.empty());
    EXPECT_FALSE(s.files.report);
}

}  // namespace
}  // namespace pylora
