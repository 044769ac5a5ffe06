// SPDX-License-Identifier: Apache-2.0
// The pile envelopes and the pile data file condensed: the trackers over the
// analyses of a series, the extremes along a pile (records 5 to 8) against
// their layouts written out by hand, and the summary tables read back from
// pile data files written by hand.

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "pile/envelope_tracking.h"
#include "pile/pile_summary.h"
#include "store/pile_workers.h"
#include "tests/pile/pile_test_support.h"
#include "tests/support/temp_dir.h"

namespace pylora {
namespace {

using piletest::contentsOf;
using piletest::linesOf;

// Along-pile columns over plain vectors.
struct Columns {
    std::vector<std::vector<double>> values;
    AlongPileColumns view() const {
        AlongPileColumns c;
        c.count = static_cast<int>(values.size());
        for (std::size_t q = 0; q < values.size(); ++q)
            c.columns[q] = values[q];
        return c;
    }
};

std::unique_ptr<ModelStore> storeWithFiles() {
    auto store = makeModelStore();
    piletest::openRunFiles(*store);
    store->units.length2.assign("IN");
    store->units.force3.assign("LBS");
    return store;
}

TEST(PileExtremes, RecordsFiveToEightFollowTheirLayoutsAndTiesKeepTheFirstNode) {
    auto store = storeWithFiles();
    // Three nodes 2.5 apart; each column has its extremes where noted.
    const Columns c{{
        {0.5, -1.5, -1.5},      // deflection: minimum tied at x = 2.5 and 5.0
        {0.0, 12.0, 12.0},      // moment: maximum tied at x = 2.5 and 5.0
        {-3.0, 4.0, 250.0},     // shear
        {1.0E-3, -2.0E-3, 0},   // soil reaction
        {100, 100, 100},        // stress: the same at every node
        {3.0E7, 2.0E7, 3.0E7},  // EI: maximum tied at the head and the tip
        {0.25, 0.5, 0.125},     // bending D/C
        {0.0, 0.0, 0.0},        // shear D/C
    }};
    writePileExtremes(*store, 7, 3, 2.5, c.view());

    // 1X I8 2X 8E12.4, then 1X 4X 'x(' A2 ')' 3X 8(F10.4 2X).
    const std::string lead = std::string(1, ' ') + "       7" + "  ";
    const std::string label = std::string(5, ' ') + "x(IN)" + "   ";
    const std::vector<std::string> expected{
        lead + " -0.1500E+01" + "  0.0000E+00" + " -0.3000E+01" + " -0.2000E-02" + "  0.1000E+03" +
            "  0.2000E+08" + "  0.1250E+00" + "  0.0000E+00",
        label + "    2.5000  " + "    0.0000  " + "    0.0000  " + "    2.5000  " + "    0.0000  " +
            "    2.5000  " + "    5.0000  " + "    0.0000",
        lead + "  0.5000E+00" + "  0.1200E+02" + "  0.2500E+03" + "  0.1000E-02" + "  0.1000E+03" +
            "  0.3000E+08" + "  0.5000E+00" + "  0.0000E+00",
        label + "    0.0000  " + "    2.5000  " + "    5.0000  " + "    0.0000  " + "    0.0000  " +
            "    0.0000  " + "    2.5000  " + "    0.0000",
    };
    EXPECT_EQ(linesOf(contentsOf(store->files.pileData)), expected);

    // Thirteen quantities of the biaxial solution, all of them written.
    auto biaxial = storeWithFiles();
    Columns c13;
    for (int q = 0; q < kAlongPileQuantities3D; ++q)
        c13.values.push_back({static_cast<double>(q), -1.0 * q});
    writePileExtremes(*biaxial, 1234, 2, 10.0, c13.view());
    const auto lines = linesOf(contentsOf(biaxial->files.pileData));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].substr(0, 23), "     1234    0.0000E+00");  // -0.0 ties 0.0
    EXPECT_EQ(lines[0].size(), 11u + 13 * 12);
    EXPECT_EQ(lines[2].substr(11 + 12 * 12), "  0.1200E+02");
    EXPECT_EQ(lines[1].size(), 13u + 13 * 12 - 2);
    EXPECT_EQ(lines[1].substr(13 + 12 * 12), "   10.0000");
}

TEST(PileEnvelopeTrackers, FirstResultsOfTheSeriesStartEveryGroupThenMinimaAndMaximaGrow) {
    auto store = makeModelStore();
    ModelStore& s = *store;
    resetPileEnvelopes(s);
    PileEnvelopes& e = s.pileEnvelopes;

    // The first analysis of the series: both envelopes are that analysis,
    // also where its values are all above (or below) the cleared 0.0.
    s.analysis.seriesFirstCase = 1;
    std::array<double, kHeadValues2D> head{};
    head.fill(5.0);
    head[1] = -2.0;
    trackPileHeadEnvelope(s, 1, head);
    const Columns first{{{1.0, 2.0, 3.0}, {-4.0, -5.0, -6.0}}};
    trackAlongPileEnvelope(s, 1, 3, first.view());
    EXPECT_EQ(e.headMin[0][0], 5.0);
    EXPECT_EQ(e.headMax[0][1], -2.0);
    EXPECT_EQ(e.headMax[0][kHeadValues2D], 0.0);  // beyond the values given
    EXPECT_EQ(e.alongMin[0][0][0], 1.0);
    EXPECT_EQ(e.alongMax[0][1][2], -6.0);
    EXPECT_EQ(e.nodeCount[0], 3);
    EXPECT_EQ(e.trackedCount[0], 1);

    // A later analysis compares node by node and value by value.
    s.analysis.seriesFirstCase = 0;
    head.fill(4.0);
    head[1] = 7.0;
    trackPileHeadEnvelope(s, 1, head);
    const Columns second{{{0.0, 9.0, 3.0}, {-3.0, -8.0, -6.0}}};
    trackAlongPileEnvelope(s, 1, 3, second.view());
    EXPECT_EQ(e.headMin[0][0], 4.0);
    EXPECT_EQ(e.headMax[0][0], 5.0);
    EXPECT_EQ(e.headMin[0][1], -2.0);
    EXPECT_EQ(e.headMax[0][1], 7.0);
    const std::array<double, 3> min0{e.alongMin[0][0][0], e.alongMin[0][0][1], e.alongMin[0][0][2]};
    const std::array<double, 3> max0{e.alongMax[0][0][0], e.alongMax[0][0][1], e.alongMax[0][0][2]};
    const std::array<double, 3> min1{e.alongMin[0][1][0], e.alongMin[0][1][1], e.alongMin[0][1][2]};
    const std::array<double, 3> max1{e.alongMax[0][1][0], e.alongMax[0][1][1], e.alongMax[0][1][2]};
    EXPECT_EQ(min0, (std::array<double, 3>{0.0, 2.0, 3.0}));
    EXPECT_EQ(max0, (std::array<double, 3>{1.0, 9.0, 3.0}));
    EXPECT_EQ(min1, (std::array<double, 3>{-4.0, -8.0, -6.0}));
    EXPECT_EQ(max1, (std::array<double, 3>{-3.0, -5.0, -6.0}));

    // A group whose lateral solution did not close in the first analysis
    // starts from its own first results, not from the cleared zeros.
    head.fill(3.0);
    trackPileHeadEnvelope(s, 2, head);
    trackAlongPileEnvelope(s, 2, 3, second.view());
    EXPECT_EQ(e.headMin[1][0], 3.0);
    EXPECT_EQ(e.alongMax[1][1][0], -3.0);

    // Pile groups outside the store are ignored; a new series clears all.
    trackPileHeadEnvelope(s, 0, head);
    trackPileHeadEnvelope(s, kMaxPileGroups + 1, head);
    resetPileEnvelopes(s);
    EXPECT_EQ(e.trackedCount[0], 0);
    EXPECT_EQ(e.headMax[0][1], 0.0);
    EXPECT_EQ(e.alongMin[0][1][1], 0.0);
    EXPECT_EQ(e.nodeCount[1], 0);
}

// ---------------------------------------------------------------------------
// Summary tables.

// The eight records of a two-dimensional pile group: head displacements (3),
// forces and stress (4) in cap and in pile axes, then the minima, their
// positions, the maxima and their positions (8 each).
std::string group2D(int g, const std::array<double, 3>& globalDisp,
                    const std::array<double, 4>& globalForces, const std::array<double, 8>& minima,
                    const std::array<double, 8>& maxima) {
    const auto record = [g](const auto& values) {
        char lead[32];
        std::snprintf(lead, sizeof lead, "     %6d      ", g);
        std::string r = lead;
        for (const double v : values) {
            char field[32];
            std::snprintf(field, sizeof field, "  %12.5G", v);
            r += field;
        }
        return r + "\n";
    };
    const auto positions = [](double x) {
        std::string r = "     x(IN)   ";
        for (int q = 0; q < 8; ++q) {
            char field[32];
            std::snprintf(field, sizeof field, "%10.4f  ", x + q);
            r += field;
        }
        return r + "\n";
    };
    return record(globalDisp) + record(globalForces) + record(globalDisp) + record(globalForces) +
           record(minima) + positions(1.0) + record(maxima) + positions(2.0);
}

struct SummaryRun {
    testsupport::TempDir dir;
    std::unique_ptr<ModelStore> store = makeModelStore();
    SummaryRun(bool twoDimensional, const std::string& pileData) {
        ModelStore& s = *store;
        s.control.analysisType = twoDimensional ? 2 : 3;
        s.units.length2.assign("IN");
        s.units.force3.assign("LBS");
        s.files.summary.reset(std::tmpfile());
        s.run.pileDataFilePath.assign((dir / "pile.dat").string());
        testsupport::writeFile(dir / "pile.dat", pileData);
    }
    std::vector<std::string> print(int groups, int demandCapacity) {
        printPileSummary(*store, groups, demandCapacity);
        return linesOf(contentsOf(store->files.summary));
    }
};

// The lines after the one that holds `title`, up to the next blank line.
std::vector<std::string> tableAfter(const std::vector<std::string>& lines, const std::string& title,
                                    int occurrence = 1) {
    std::vector<std::string> rows;
    std::size_t i = 0;
    for (int seen = 0; i < lines.size(); ++i)
        if (lines[i].find(title) != std::string::npos && ++seen == occurrence) break;
    for (i += 2; i < lines.size() && !lines[i].empty(); ++i)
        rows.push_back(lines[i]);
    return rows;
}

std::vector<std::string> fieldsOf(const std::string& row) {
    std::vector<std::string> fields;
    std::size_t i = 0;
    while (i < row.size()) {
        while (i < row.size() && row[i] == ' ')
            ++i;
        const std::size_t start = i;
        while (i < row.size() && row[i] != ' ')
            ++i;
        if (i > start) fields.push_back(row.substr(start, i - start));
    }
    return fields;
}

TEST(PileSummary, RowsPerGroupThenExtremesWithTheGroupsWhereTheyOccurTiesKeepingTheFirst) {
    const std::array<double, 8> min1{-1.5, -200.0, -30.0, -4.0, 10.0, 2.0E6, 0.25, 0.125};
    const std::array<double, 8> min2{-2.5, -200.0, -10.0, -5.0, 10.0, 1.0E6, 0.5, 0.0625};
    const std::array<double, 8> max1{1.5, 200.0, 30.0, 4.0, 500.0, 2.0E6, 0.75, 0.5};
    const std::array<double, 8> max2{2.5, 100.0, 30.0, 5.0, 400.0, 2.0E6, 0.75, 0.25};
    SummaryRun run(true, group2D(1, {1.5, -25.0, 123.456}, {10.0, 20.0, 30.0, 40.0}, min1, max1) +
                             group2D(2, {1.5, -30.0, 100.0}, {10.0, 25.0, 5.0, 40.0}, min2, max2));
    const auto lines = run.print(2, 1);

    // Kind 1, selector 1: 7X I9 1X then 12/4 fields, the extremes and groups.
    const std::string lead1 = std::string(15, ' ') + "1 ";
    const std::string lead2 = std::string(15, ' ') + "2 ";
    const std::vector<std::string> displacements{
        "      PILE GROUP     DISP. X,    DISP. Y,     ROT. Z,",
        "                         (IN)        (IN)       (RAD)",
        lead1 + "      1.5000     -25.000      123.46 ",
        lead2 + "      1.5000     -30.000      100.00 ",
        "         MINIMUM       1.5000     -30.000      100.00 ",
        "         Pile G.            1           2           2 ",
        "         MAXIMUM       1.5000     -25.000      123.46 ",
        "         Pile G.            1           1           1 ",
    };
    EXPECT_EQ(tableAfter(lines, "* PILE TOP DISPLACEMENTS *"), displacements);
    const auto reactions = tableAfter(lines, "* PILE TOP REACTIONS *");
    ASSERT_EQ(reactions.size(), 8u);
    EXPECT_EQ(reactions[0], "      PILE GROUP      FOR. X,     FOR. Y,      MOM Z,     STRESS,");
    EXPECT_EQ(reactions[4], "         MINIMUM       10.000      20.000      5.0000      40.000 ");
    EXPECT_EQ(reactions[5], "         Pile G.            1           1           2           1 ");
    EXPECT_EQ(reactions[7], "         Pile G.            1           2           1           1 ");
    // Kind 2 reads records 3 and 4: the same values here.
    EXPECT_EQ(tableAfter(lines, "* PILE TOP DISPLACEMENTS *", 2)[3], displacements[3]);

    // Kind 3: a row of values and a row of positions per group, then Min.
    // or Max. over the groups and the groups where they occur.
    const auto minima = tableAfter(lines, "* MINIMUM VALUES AND LOCATIONS *");
    ASSERT_EQ(minima.size(), 9u);
    EXPECT_EQ(minima[0].substr(0, 27), "       PILE  DEFLECTION    ");
    EXPECT_NE(minima[0].find("BEND. D/C     SHEAR D/C"), std::string::npos);
    EXPECT_EQ(minima[3].substr(0, 23), "          1     -1.5000");
    EXPECT_EQ(minima[4],
              "     x(IN)       1.0000      2.0000      3.0000      4.0000      5.0000 "
              "     6.0000      7.0000      8.0000 ");
    EXPECT_EQ(fieldsOf(minima[7]),
              (std::vector<std::string>{"Min.", "-2.5000", "-200.00", "-30.000", "-5.0000",
                                        "10.000", "1.0000E+06", "0.2500", "6.2500E-02"}));
    EXPECT_EQ(minima[8],
              "       Pile           2          1          1          2          1 "
              "         2          1          2 ");
    const auto maxima = tableAfter(lines, "* MAXIMUM VALUES AND LOCATIONS *");
    ASSERT_EQ(maxima.size(), 9u);
    EXPECT_EQ(fieldsOf(maxima[7]),
              (std::vector<std::string>{"Max.", "2.5000", "200.00", "30.000", "5.0000", "500.00",
                                        "2.0000E+06", "0.7500", "0.5000"}));
    EXPECT_EQ(fieldsOf(maxima[8]),
              (std::vector<std::string>{"Pile", "2", "1", "1", "2", "1", "1", "1", "1"}));
    EXPECT_EQ(fieldsOf(maxima[6])[0], "x(IN)");

    // The section headers, each kind once, in order.
    std::vector<std::string> sections;
    for (const auto& l : lines)
        if (l == "       THE GLOBAL STRUCTURAL COORDINATE SYSTEM" ||
            l == "       THE PILE COORDINATE SYSTEM (LOCAL AXES)" ||
            l == "       * EFFECTS FOR LATERALLY LOADED PILE *")
            sections.push_back(l.substr(7, 10));
    EXPECT_EQ(sections, (std::vector<std::string>{"THE GLOBAL", "THE PILE C", "* EFFECTS "}));
}

TEST(PileSummary, WorkerThreadsWriteTheSameTablesAndAMissingFileLeavesEveryHeader) {
    const std::array<double, 8> min{-1.5, -200.0, -30.0, -4.0, 10.0, 2.0E6, 0.25, 0.125};
    const std::array<double, 8> max{1.5, 200.0, 30.0, 4.0, 500.0, 2.0E6, 0.75, 0.5};
    std::string pileData;
    for (int g = 1; g <= 40; ++g)
        pileData +=
            group2D(g, {0.01 * g, -25.0 + g, 3.0 * g}, {10.0, 20.0 - g, 30.0, 40.0}, min, max);
    SummaryRun alone(true, pileData);
    const auto inOrder = alone.print(40, 1);
    for (const int threads : {2, 7}) {
        SummaryRun run(true, pileData);
        PileWorkers workers(threads);
        run.store->pileWorkers = &workers;
        EXPECT_EQ(run.print(40, 1), inOrder) << threads << " threads";
        run.store->pileWorkers = nullptr;
    }

    // Without the file: the three section heads and the six tables' heads,
    // in their order, and no row.
    SummaryRun missing(true, "");
    missing.store->run.pileDataFilePath.assign((missing.dir / "absent.dat").string());
    PileWorkers workers(2);
    missing.store->pileWorkers = &workers;
    const auto lines = missing.print(40, 1);
    missing.store->pileWorkers = nullptr;
    std::string heads;
    for (const std::string& line : lines)
        for (const char* head :
             {"GLOBAL STRUCTURAL", "LOCAL AXES", "EFFECTS FOR", "DISPLACEMENTS *", "REACTIONS *",
              "MINIMUM VALUES", "MAXIMUM VALUES"})
            if (line.find(head) != std::string::npos) heads += std::string(head) + "|";
    EXPECT_EQ(heads,
              "GLOBAL STRUCTURAL|DISPLACEMENTS *|REACTIONS *|LOCAL AXES|DISPLACEMENTS *|"
              "REACTIONS *|EFFECTS FOR|MINIMUM VALUES|MAXIMUM VALUES|");
    for (const std::string& line : lines)
        EXPECT_EQ(line.find("1.5000"), std::string::npos) << line;
}

TEST(PileSummary, SingleGroupNamesItselfAndTheSwitchOffLeavesSixValueColumns) {
    const std::array<double, 8> minima{-1.5, -200.0, -30.0, -4.0, 10.0, 2.0E6, 0.25, 0.125};
    const std::array<double, 8> maxima{1.5, 200.0, 30.0, 4.0, 500.0, 2.0E6, 0.75, 0.5};
    // A second group whose records end early: it is left out.
    const std::string second = group2D(9, {1, 2, 3}, {4, 5, 6, 7}, minima, maxima);
    SummaryRun run(true,
                   group2D(3, {1.5, -25.0, 123.456}, {10.0, 20.0, 30.0, 40.0}, minima, maxima) +
                       second.substr(0, second.find("x(IN)")));
    const auto lines = run.print(2, 0);

    const auto displacements = tableAfter(lines, "* PILE TOP DISPLACEMENTS *");
    ASSERT_EQ(displacements.size(), 7u);
    const std::string values = "      1.5000     -25.000      123.46 ";
    EXPECT_EQ(displacements[2], std::string(15, ' ') + "3 " + values);
    EXPECT_EQ(displacements[3], "         MINIMUM " + values);
    EXPECT_EQ(displacements[4], "         Pile G.            3           3           3 ");
    EXPECT_EQ(displacements[5], "         MAXIMUM " + values);
    EXPECT_EQ(displacements[6], displacements[4]);

    const auto table = tableAfter(lines, "* MINIMUM VALUES AND LOCATIONS *");
    ASSERT_EQ(table.size(), 7u);
    EXPECT_EQ(table[0].find("D/C"), std::string::npos);
    EXPECT_EQ(fieldsOf(table[2]).size(), 6u);  // the units of six columns
    EXPECT_EQ(fieldsOf(table[3]), (std::vector<std::string>{"3", "-1.5000", "-200.00", "-30.000",
                                                            "-4.0000", "10.000", "2.0000E+06"}));
    EXPECT_EQ(fieldsOf(table[4]).size(), 7u);
    EXPECT_EQ(fieldsOf(table[5]), (std::vector<std::string>{"Min.", "-1.5000", "-200.00", "-30.000",
                                                            "-4.0000", "10.000", "2.0000E+06"}));
    EXPECT_EQ(fieldsOf(table[6]), (std::vector<std::string>{"Pile", "3", "3", "3", "3", "3", "3"}));
}

TEST(PileSummary, ThreeDimensionalTablesHaveTheColumnsOfTheBiaxialSolution) {
    // Records as the envelope tables write them, in E11.4 fields.
    std::string pileData;
    const auto record = [](int count, double v) {
        std::string r = "          1      ";
        for (int i = 0; i < count; ++i)
            r += (v < 0 ? " -0.2500E+01" : "  0.2500E+01") + std::string(i + 1 < count ? "  " : "");
        return r + "\n";
    };
    pileData += record(6, 2.5) + record(7, -2.5) + record(6, 2.5) + record(7, 2.5);
    std::string values = "        1  ";
    std::string positions = "     x(IN)   ";
    for (int q = 0; q < 13; ++q) {
        values += "  0.1000E+03";
        positions += "    1.0000  ";
    }
    pileData += values + "\n" + positions + "\n" + values + "\n" + positions + "\n";
    SummaryRun run(false, pileData);
    const auto lines = run.print(1, 0);
    const auto displacements = tableAfter(lines, "* PILE TOP DISPLACEMENTS *");
    ASSERT_EQ(displacements.size(), 7u);
    EXPECT_EQ(fieldsOf(displacements[2]).size(), 7u);
    EXPECT_EQ(fieldsOf(displacements[2])[6], "2.5000");
    EXPECT_EQ(fieldsOf(displacements[0]).back(), "Z,");
    const auto reactions = tableAfter(lines, "* PILE TOP REACTIONS *");
    EXPECT_EQ(fieldsOf(reactions[2]).size(), 8u);
    EXPECT_EQ(fieldsOf(reactions[2])[7], "-2.5000");
    EXPECT_NE(reactions[0].find("STR,"), std::string::npos);
    const auto along = tableAfter(lines, "* MAXIMUM VALUES AND LOCATIONS *");
    ASSERT_EQ(along.size(), 7u);
    EXPECT_NE(along[0].find("FLEXURAL RIGIDITY"), std::string::npos);
    EXPECT_NE(along[1].find("   y-DIR       z-DIR  "), std::string::npos);
    EXPECT_EQ(fieldsOf(along[3]).size(), 12u);  // the group and 11 values
    EXPECT_EQ(fieldsOf(along[5]).size(), 12u);
}

}  // namespace
}  // namespace pylora
