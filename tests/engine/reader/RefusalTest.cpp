// SPDX-License-Identifier: Apache-2.0
// Values that the reader refuses because the engine would otherwise write or
// read outside a table or divide by zero, each made by changing one tagged
// line of features.dat, and values that look alike but are allowed.
#include <gtest/gtest.h>

#include <string>

#include "ReaderTestSupport.h"
#include "store/return_codes.h"

namespace pylora {
namespace {

struct Refusal {
    const char* tag;      // the line of features.dat to change
    const char* line;     // what it becomes
    const char* record;   // how the error line names the record
    const char* message;  // and what it says after the line number
};

void expectRefused(ModelStore& store, const std::string& base, const Refusal& r) {
    SCOPED_TRACE(std::string(r.tag) + " -> " + r.line);
    const int lineNo = test::taggedLineNo(base, r.tag);
    ASSERT_GT(lineNo, 0);
    const test::ReaderRun run =
        test::runReader(store, test::replaceTaggedLine(base, r.tag, r.line));
    EXPECT_EQ(run.rc, kReturnInputRefused);
    const std::string expected = "     **** INPUT ERROR **** " + std::string(r.record) + ", line " +
                                 std::to_string(lineNo) + ": " + r.message + "\n";
    EXPECT_EQ(run.report, expected);
    ASSERT_FALSE(run.runtimeLines.empty());
    EXPECT_EQ(run.runtimeLines.back() + "\n", expected);
}

std::string features() {
    return test::readWholeFile(test::testDataPath("features.dat"));
}

TEST(InputRefusal, CountsOutsideTheirCapacityNameTheirRecord) {
    struct Count {
        const char* tag;
        const char* line;
        const char* record;  // its first letter is the section
        const char* what;
        const char* value;
        int capacity;
    };
    const Count counts[] = {
        {"C1", "101 1 2 3", "C1", "load case count", "101", 100},
        {"C2f.1", "101", "C2f (load case 1)", "concentrated load count", "101", 100},
        {"C2h.1", "101", "C2h (load case 1)", "distributed load count", "101", 100},
        {"C2j.1", "101", "C2j (load case 1)", "stiffness level count", "101", 100},
        {"C5", "101 0 0 0", "C5", "load combination count", "101", 100},
        {"C6f.1", "101", "C6f (load combination 1)", "combined load case count", "101", 100},
        {"C7", "2001", "C7", "distributed-load set count", "2001", 2000},
        {"C8a.1", "102", "C8a (distributed-load set 1)", "point count", "102", 101},
        {"D5", "2001", "D5", "pile group count", "2001", 2000},
        {"E1", "51", "E1", "pile property count", "51", 50},
        {"E2.1", "1 21", "E2 (pile property 1)", "section count", "21", 20},
        {"E5", "101", "E5", "cross section count", "101", 100},
        {"F1", "21", "F1", "soil layer count", "21", 20},
        {"F4.1", "3 9", "F4 (soil layer 1)", "value row count", "3", 2},
        {"F4.1", "2 10", "F4 (soil layer 1)", "property count", "10", 9},
        {"F6", "51", "F6", "print request count", "51", 50},
        {"F8.2", "51", "F8 (print request 2)", "extra depth count", "51", 50},
        {"G1", "51", "G1", "p-y set count", "51", 50},
        {"G2.1", "7 21", "G2 (p-y set 1)", "curve count", "21", 20},
        {"G4.1.1", "26", "G4 (p-y set 1, curve 1)", "point count", "26", 25},
        {"H1", "51", "H1", "load-settlement curve count", "51", 50},
        {"H2.1", "11 26", "H2 (load-settlement curve 1)", "point count", "26", 25},
        {"I1", "51", "I1", "torque-rotation curve count", "51", 50},
        {"I2.1", "21 26", "I2 (torque-rotation curve 1)", "point count", "26", 25},
        {"J1", "51", "J1", "moment-curvature set count", "51", 50},
        {"J2.1", "31 21", "J2 (moment-curvature set 1)", "curve count", "21", 20},
        {"J4.1.1", "99 26", "J4 (moment-curvature set 1, curve 1)", "point count", "26", 25},
        {"C1", "-1 1 2 3", "C1", "load case count", "-1", -1},
        {"I2.1", "21 -1", "I2 (torque-rotation curve 1)", "point count", "-1", -1},
    };
    auto store = makeModelStore();
    const std::string base = features();
    for (const Count& c : counts) {
        const std::string record = std::string("section ") + c.record[0] + ", record " + c.record;
        const std::string limit = c.capacity < 0
                                      ? std::string(" is below zero")
                                      : " is above the capacity of " + std::to_string(c.capacity);
        const std::string message = std::string(c.what) + " \"" + c.value + "\"" + limit;
        expectRefused(*store, base, {c.tag, c.line, record.c_str(), message.c_str()});
    }

    // A whole file of 101 load cases: the capacity model with one case more.
    std::string big = test::readWholeFile(test::examplePath("capacity/model.dat"));
    const std::size_t c1 = big.find("\n100 1 1 1\n");
    ASSERT_NE(c1, std::string::npos);
    big.replace(c1, 11, "\n101 1 1 1\n");
    const std::string oneMore =
        "0 0 0 1 0 100 100\n1.0E-3 1.0E-5 0.2 0.01\nLoad case 101\n0 0 0 0 0 0 0\n1 1 1.0 0\n"
        "0\n0\n0\n";
    big.insert(big.find("LOAD COMBINATIONS\n"), oneMore);
    const test::ReaderRun run = test::runReader(*store, big);
    EXPECT_EQ(run.rc, kReturnInputRefused);
    EXPECT_EQ(run.report,
              "     **** INPUT ERROR **** section C, record C1, line 8: load case count \"101\" is "
              "above the capacity of 100\n");
    EXPECT_EQ(store->loadCases.loadCaseCount, 0);  // nothing was written past the table
}

TEST(InputRefusal, PilePropertiesThatWouldBreakTheSolution) {
    auto store = makeModelStore();
    const std::string base = features();
    const char* record = "section E, record E3 (pile property 1)";
    const Refusal cases[] = {
        {"E3.1", "0 20.0 2.0e8 1", record, "number of increments \"0\" is outside 1 to 100"},
        {"E3.1", "101 20.0 2.0e8 1", record, "number of increments \"101\" is outside 1 to 100"},
        {"E3.1", "40 0.0 2.0e8 1", record, "pile length \"0.0\" is not positive"},
        {"E3.1", "40 -2.0D1 2.0e8 1", record, "pile length \"-2.0D1\" is not positive"},
    };
    for (const Refusal& r : cases)
        expectRefused(*store, base, r);
}

// Control values under which a load case or combination would never end: a
// first increment of 1.0E-12 with a minimum of 0.01 used to take about 10^12
// increments, and iteration limits in the billions as many iterations.
TEST(InputRefusal, LoadsThatCouldNotEndInBoundedTime) {
    auto store = makeModelStore();
    const std::string base = features();
    const char* case1 = "section C, record C2b (load case 1)";
    const char* combination1 = "section C, record C6b (load combination 1)";
    const Refusal cases[] = {
        {"C2b.1", "1.0E-2 1.0E-4 1.0E-12 0.01", case1,
         "factor to apply the load in increments \"1E-12\" is below the minimum factor for load "
         "increments \"0.01\""},
        {"C6b.1", "2.0E-3 2.0E-5 0.001 0.02", combination1,
         "factor to apply the load in increments \"0.001\" is below the minimum factor for load "
         "increments \"0.02\""},
        {"C2b.1", "1.0E-2 1.0E-4 0.5 1.0E-9", case1,
         "minimum factor for load increments \"1E-09\" is below 1E-06, the smallest increment a "
         "load may be halved to"},
        {"C2b.1", "1.0E-2 1.0E-4 0.5 0.0", case1,
         "minimum factor for load increments \"0\" is below 1E-06, the smallest increment a load "
         "may be halved to"},
        {"C2a.1", "0 1 2 0 10 2000000000 60", "section C, record C2a (load case 1)",
         "maximum number of cap iterations \"2000000000\" is above 10000"},
        {"C6a.1", "0 1 0 1 0 30 10001", "section C, record C6a (load combination 1)",
         "maximum number of pile iterations \"10001\" is above 10000"},
    };
    for (const Refusal& r : cases)
        expectRefused(*store, base, r);

    // At the bounds themselves the file is read.
    std::string atBounds = test::replaceTaggedLine(base, "C2b.1", "1.0E-2 1.0E-4 1.0E-6 1.0E-6");
    atBounds = test::replaceTaggedLine(atBounds, "C2a.1", "0 1 2 0 10 10000 10000");
    EXPECT_EQ(test::runReader(*store, atBounds).rc, kReturnCompleted);
}

TEST(InputRefusal, ReferencesThatNameNoEntry) {
    auto store = makeModelStore();
    const std::string base = features();
    const char* group1 = "section D, record D6 (pile group 1)";
    const char* load = "section C, record C2i (load case 1, distributed load 1)";
    const Refusal cases[] = {
        {"D6.1", "1 2 3 -1 1 -1", group1,
         "pile property \"3\" names no pile property (the file has 2)"},
        {"D6.1", "1 2 0 -1 1 -1", group1,
         "pile property \"0\" names no pile property (the file has 2)"},
        {"E4.1.1", "5.0 0.0 4 1 0", "section E, record E4 (pile property 1, section 1)",
         "cross section \"4\" names no cross section (the file has 3)"},
        {"C6g.1.2", "3 0.75", "section C, record C6g (load combination 1, entry 2)",
         "load case \"3\" names no load case (the file has 2)"},
        {"C2i.1.1", "1 1 1 2 1 3 0.5 2 0.25", load,
         "distributed-load set for Y \"3\" names no distributed-load set (the file has 2)"},
        {"C2i.1.1", "1 1 1 2 1 1 0.5 3 0.25", load,
         "distributed-load set for Z \"3\" names no distributed-load set (the file has 2)"},
        {"C2i.1.1", "1 1 0 2 1 1 0.5 2 0.25", load,
         "first pile \"0\" names no pile group (the file has 2)"},
        {"C2i.1.1", "1 1 1 3 1 1 0.5 2 0.25", load,
         "last pile \"3\" names no pile group (the file has 2)"},
        {"C2i.1.1", "1 1 1 2 -1 1 0.5 2 0.25", load, "pile increment \"-1\" is below zero"},
        {"F7.1", "3 3.0", "section F, record F7 (print request 1)",
         "pile group \"3\" names no pile group (the file has 2)"},
        // Group 2 takes its whole pile from user p-y set n > 0.
        {"D6.2", "3 3 2 2 -2 2", "section D, record D6 (pile group 2)",
         "user p-y set \"2\" names no user p-y set (the file has 1)"},
        // Group 1 uses the soil layers; layer 2 (type 5) takes its curves from set |n|.
        {"D6.1", "1 2 1 0 1 -1", group1,
         "user p-y set \"0\" gives no user p-y set for soil layer 2 of type 5 (record F2, line "
         "89)"},
        {"D6.1", "1 2 1 -2 1 -1", group1,
         "user p-y set \"-2\" names no user p-y set for soil layer 2 of type 5 (record F2, line "
         "89) (the file has 1)"},
        {"D6.1", "1 2 1 -1 3 -1", group1,
         "load-settlement curve \"3\" names no pile property for its generated curve (the file "
         "has 2)"},
        {"D6.1", "1 2 1 -1 -3 -1", group1,
         "load-settlement curve \"-3\" names no user load-settlement curve (the file has 2)"},
        {"D6.1", "1 2 1 -1 0 -1", group1,
         "load-settlement curve \"0\" names no curve (n > 0: the curve generated for pile "
         "property n; n < 0: user curve -n)"},
        {"D6.1", "1 2 1 -1 1 -2", group1,
         "torque-rotation curve \"-2\" names no user torque-rotation curve (the file has 1)"},
        {"D6.1", "1 2 1 -1 1 3", group1,
         "torque-rotation curve \"3\" names no pile property for its generated curve (the file "
         "has 2)"},
        {"E4.1.1", "5.0 0.0 2 2 0", "section E, record E4 (pile property 1, section 1)",
         "moment-curvature set about Y \"2\" names no moment-curvature set (the file has 1)"},
        {"E4.1.2", "20.0 0.0 1 0 -1", "section E, record E4 (pile property 1, section 2)",
         "moment-curvature set about Z \"-1\" names no moment-curvature set (the file has 1)"},
    };
    for (const Refusal& r : cases)
        expectRefused(*store, base, r);
}

TEST(InputRefusal, ValuesMeaningNoneOrNotLookedUpAreAllowed) {
    auto store = makeModelStore();
    const std::string base = features();
    // Set 0 is no load in that direction; last pile 0 is the first pile alone.
    EXPECT_EQ(
        test::runReader(*store, test::replaceTaggedLine(base, "C2i.1.1", "1 1 2 0 0 0 0.5 0 0.25"))
            .rc,
        kReturnCompleted);
    // Moment-curvature set 0 is none.
    EXPECT_EQ(test::runReader(*store, test::replaceTaggedLine(base, "E4.1.1", "5.0 0.0 2 0 0")).rc,
              kReturnCompleted);

    // In the two-dimensional example: no Z set is used, no moment-curvature
    // sets and no type-5 layer, so those numbers are not looked up.
    std::string row = test::readWholeFile(test::examplePath("row2d/model.dat"));
    std::string text = row;
    text.replace(text.find("1 0 1 1 0 1 1.0 0 0.0"), 21, "1 0 1 1 0 1 1.0 9 0.0");
    text.replace(text.find("600.0 0.0 1 0 0"), 15, "600.0 0.0 1 7 7");
    text.replace(text.find("2 4 1 0 1 "), 10, "2 4 1 9 1 ");
    const test::ReaderRun run = test::runReader(*store, text);
    EXPECT_EQ(run.rc, kReturnCompleted) << run.report;
    EXPECT_EQ(store->arrangement.rows[0].pySetNo, 9);

    // The same rules hold for a row: D2 names its pile property.
    text = row;
    const std::size_t d2 = text.find("2 4 1 0 1 ");
    text.replace(d2, 10, "2 4 2 0 1 ");
    const int lineNo = test::lineCount(text.substr(0, d2)) + 1;
    const test::ReaderRun refused = test::runReader(*store, text);
    EXPECT_EQ(refused.rc, kReturnInputRefused);
    EXPECT_EQ(refused.report,
              "     **** INPUT ERROR **** section D, record D2 (pile group 1), line " +
                  std::to_string(lineNo) +
                  ": pile property \"2\" names no pile property (the file has 1)\n");
}

}  // namespace
}  // namespace pylora
