// SPDX-License-Identifier: Apache-2.0
#include "ReaderTestSupport.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "engine/input_reader.h"
#include "store/file_handle.h"

namespace pylora::test {

std::string readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

namespace {

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::string uniqueBase() {
    static int counter = 0;
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info ? std::string(info->test_suite_name()) + "_" + info->name() : "run";
    return ::testing::TempDir() + "reader_" + name + "_" + std::to_string(::getpid()) + "_" +
           std::to_string(++counter);
}

}  // namespace

ReaderRun runReader(ModelStore& store, std::string_view inputText) {
    const std::string base = uniqueBase();
    const std::string input = base + ".dat", report = base + ".out", runtime = base + ".rtm";
    {
        std::ofstream out(input, std::ios::binary);
        out << inputText;
    }
    clearModelStore(store);
    store.files.input = openForReading(input);
    store.files.report = openForWriting(report);
    store.files.runtime = openForWriting(runtime);
    EXPECT_TRUE(store.files.input && store.files.report && store.files.runtime);

    ReaderRun run;
    run.rc = readInputFile(store);
    closeFile(store.files.input);
    closeFile(store.files.report);
    closeFile(store.files.runtime);
    run.report = readWholeFile(report);
    run.runtimeLines = splitLines(readWholeFile(runtime));
    std::remove(input.c_str());
    std::remove(report.c_str());
    std::remove(runtime.c_str());
    return run;
}

std::vector<std::string> readingLines(const ReaderRun& run) {
    std::vector<std::string> lines;
    for (const std::string& l : run.runtimeLines)
        if (l.rfind("     READING ", 0) == 0) lines.push_back(l);
    return lines;
}

int taggedLineNo(const std::string& text, std::string_view tag) {
    const std::string marker = "[" + std::string(tag) + "]";
    const std::vector<std::string> lines = splitLines(text);
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].find(marker) != std::string::npos) return static_cast<int>(i + 1);
    return 0;
}

std::string replaceTaggedLine(const std::string& text, std::string_view tag,
                              std::string_view replacement) {
    const std::string marker = "[" + std::string(tag) + "]";
    std::vector<std::string> lines = splitLines(text);
    int found = 0;
    for (std::string& l : lines) {
        if (l.find(marker) != std::string::npos) {
            l = replacement;
            ++found;
        }
    }
    EXPECT_EQ(found, 1) << "tag " << marker;
    std::string out;
    for (const std::string& l : lines)
        out += l + "\n";
    return out;
}

int lineCount(const std::string& text) {
    int n = 0;
    for (char c : text)
        n += c == '\n';
    return n;
}

std::string firstLines(const std::string& text, int lines) {
    std::size_t end = 0;
    for (int k = 0; k < lines && end < text.size(); ++k) {
        const std::size_t nl = text.find('\n', end);
        end = nl == std::string::npos ? text.size() : nl + 1;
    }
    return text.substr(0, end);
}

std::string examplePath(const std::string& relative) {
    return std::string(PYLORA_EXAMPLES_DIR) + "/" + relative;
}

std::string testDataPath(const std::string& relative) {
    return std::string(READER_TEST_DATA_DIR) + "/" + relative;
}

}  // namespace pylora::test
