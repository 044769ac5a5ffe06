// SPDX-License-Identifier: Apache-2.0
// What the command-line program shows on the terminal while a run goes on
// and when it ends: the progress of the analyses read from the run's
// progress file, the warnings counted by kind, and the input-error and
// fatal-error blocks of the report of a run that was refused or stopped.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pylora::console {

// Where a run stands, as its progress file says.
struct Progress {
    bool combination = false;  // a load combination, else a load case
    int number = 0;            // of the case or combination, from 1; 0: none yet
    int count = 0;             // cases (or combinations) of the model
    bool estimating = false;   // a stiffness estimation pass
    bool finished = false;     // the case or combination is finished
    double loadFactor = -1.0;  // of the increment tried; negative: none yet
    int iteration = 0;         // global iteration of the increment
};

// Reads the message of a progress file: "- ANALYSIS FOR LOAD CASE   1/  2
// STARTED", "- ANALYSIS FOR LOAD COMB   1/  1 STEP:    2 TCUR: 0.4000
// ITERATION:    3", ... A message of another kind leaves number at 0.
Progress parseProgress(std::string_view message);

// The analyses of a run, for the bar: the model's cases and combinations
// (0 when they are not known: then the progress messages tell).
struct RunSize {
    int cases = 0;
    int combinations = 0;
};

// One line for the terminal: the bar over the analyses (with bar), the
// analysis i of n, the load factor, the iteration and the elapsed time,
// at most width characters.
std::string progressLine(const Progress& p, const RunSize& size, double seconds, int width,
                         bool bar);

// The warning blocks of a warning's text: a block starts at a line that
// begins with "** WARNING **" or "**** WARNING ****".
std::vector<std::string> warningBlocks(std::string_view text);

// The warnings of a run counted by kind: the first line of the blocks' text
// (after the marker; the next line for a marker alone), spaces collapsed.
// Blocks that differ only in their numbers are one kind, shown with "n" in
// place of the numbers that differ. In the order of first appearance.
struct WarningKind {
    std::string text;
    int count = 0;
};
std::vector<WarningKind> warningKinds(const std::vector<std::string>& blocks);

// The input-error and fatal-error blocks of a report, each record trimmed:
// a "**** INPUT ERROR ****" line, or a "**** FATAL ERROR ****" line and the
// records after it up to the first blank one. At most maxRecords records,
// the last ones kept.
std::vector<std::string> errorRecords(std::string_view report, std::size_t maxRecords = 40);

}  // namespace pylora::console
