// SPDX-License-Identifier: Apache-2.0
// The console's reading of progress messages, warnings and error blocks.
#include "cli/console.h"

#include <gtest/gtest.h>

namespace pylora::console {
namespace {

TEST(ConsoleProgress, ReadsTheMessagesOfCasesAndCombinations) {
    Progress p = parseProgress(
        "- ANALYSIS FOR LOAD CASE   2/  3  STEP:    4 TCUR:    0.6000 ITERATION:   12");
    EXPECT_FALSE(p.combination);
    EXPECT_EQ(p.number, 2);
    EXPECT_EQ(p.count, 3);
    EXPECT_DOUBLE_EQ(p.loadFactor, 0.6);
    EXPECT_EQ(p.iteration, 12);
    p = parseProgress("- ANALYSIS FOR LOAD COMB.   1/  2 FINISHED");
    EXPECT_TRUE(p.combination);
    EXPECT_TRUE(p.finished);
    p = parseProgress("- ANALYSIS FOR LOAD COMB   1/  2  DOF:  3/  6 STEP:    1 TCUR:    0.200");
    EXPECT_TRUE(p.combination);
    EXPECT_TRUE(p.estimating);
    EXPECT_EQ(parseProgress("- ANALYSIS STARTED").number, 0);
}

TEST(ConsoleProgress, PlacesTheBarOverEveryAnalysis) {
    // Combination 1 of 2 after 3 cases, at half its load: 3.5 of 5 done.
    Progress p;
    p.combination = true;
    p.number = 1;
    p.count = 2;
    p.loadFactor = 0.5;
    p.iteration = 7;
    const std::string line = progressLine(p, {3, 2}, 75.0, 0, true);
    EXPECT_EQ(line,
              "[##############......] analysis 4 of 5 (load combination 1 of 2), load factor "
              "0.500, iteration 7, 1:15");
    EXPECT_EQ(progressLine(p, {3, 2}, 75.0, 30, true).size(), 30u);
}

TEST(ConsoleWarnings, CountsBlocksByTheirFirstLine) {
    const std::string text =
        "** WARNING **  APPARENT FAILURE IN PULL OUT      PILE GROUP    1\n"
        "AX. DISP.= -0.7403E-02\n"
        "** WARNING **  APPARENT FAILURE IN PULL OUT      PILE GROUP    3\n"
        "AX. DISP.= -0.7001E-02";
    const std::vector<std::string> blocks = warningBlocks(text);
    ASSERT_EQ(blocks.size(), 2u);
    std::vector<std::string> all = blocks;
    all.push_back("**** WARNING ****\nDEFLECTION IS LESS THAN 1.0E-14.  THE PROGRAM\nUSED");
    all.push_back("**** WARNING ****\nDEFLECTION IS LESS THAN 1.0E-14.  THE PROGRAM\nUSED");
    const std::vector<WarningKind> kinds = warningKinds(all);
    ASSERT_EQ(kinds.size(), 2u);
    EXPECT_EQ(kinds[0].text, "APPARENT FAILURE IN PULL OUT PILE GROUP n");
    EXPECT_EQ(kinds[0].count, 2);
    // Numbers that do not differ stay as they are.
    EXPECT_EQ(kinds[1].text, "DEFLECTION IS LESS THAN 1.0E-14. THE PROGRAM");
    EXPECT_EQ(kinds[1].count, 2);
}

TEST(ConsoleErrors, TakesTheInputErrorLineAndTheFatalErrorBlock) {
    const std::string report =
        "  header\n"
        "     **** INPUT ERROR **** section D, line 42: pile property \"7\"\n"
        "  more\n"
        "\n"
        "     **** FATAL ERROR ****\n"
        "     THE LOAD CASE    9 DOES NOT EXIST\n"
        "     SECOND RECORD\n"
        "\n"
        "     after the block\n";
    EXPECT_EQ(errorRecords(report),
              (std::vector<std::string>{
                  "**** INPUT ERROR **** section D, line 42: pile property \"7\"",
                  "**** FATAL ERROR ****", "THE LOAD CASE 9 DOES NOT EXIST", "SECOND RECORD"}));
    EXPECT_EQ(errorRecords(report, 2).size(), 2u);
}

}  // namespace
}  // namespace pylora::console
