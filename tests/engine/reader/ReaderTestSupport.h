// SPDX-License-Identifier: Apache-2.0
// Running the input reader on a file in a test, and editing test inputs.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "store/model_store.h"

namespace pylora::test {

// What one run of the reader left behind.
struct ReaderRun {
    int rc = -1;
    std::string report;                     // the whole report file
    std::vector<std::string> runtimeLines;  // the runtime file, line by line
};

// The whole content of a file; empty when it cannot be read.
std::string readWholeFile(const std::string& path);

// Writes inputText to a fresh input file, clears store, opens its input,
// report and runtime files, reads the input into store and closes the files
// again. Every call uses files of its own.
ReaderRun runReader(ModelStore& store, std::string_view inputText);

// The lines of the runtime file that trace a section ("     READING ...").
std::vector<std::string> readingLines(const ReaderRun& run);

// The text with the line holding "[tag]" replaced by replacement. Fails the
// calling test when no line or more than one holds the tag.
std::string replaceTaggedLine(const std::string& text, std::string_view tag,
                              std::string_view replacement);

// Number of ends of line in text.
int lineCount(const std::string& text);

// The first `lines` lines of text, each with its end of line.
std::string firstLines(const std::string& text, int lines);

// Number of the 1-based line that holds "[tag]", 0 if none.
int taggedLineNo(const std::string& text, std::string_view tag);

// The examples and the reader's test data.
std::string examplePath(const std::string& relative);
std::string testDataPath(const std::string& relative);

}  // namespace pylora::test
