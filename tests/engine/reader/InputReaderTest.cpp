// SPDX-License-Identifier: Apache-2.0
// The reader on whole files: the examples, the free-format features of a
// test file, unreadable input and every truncated prefix of an input. The
// expected values are the ones written in those files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ReaderTestSupport.h"
#include "store/return_codes.h"

namespace pylora {
namespace {

using test::examplePath;

// A section header as the runtime file shows it: 5X 'READING ' A80.
std::string reading(std::string header) {
    header.resize(80, ' ');
    return "     READING " + header;
}

const std::string kTitleCaption = "     READING * TITLE AND VERSION";

TEST(InputReader, ThreeDimensionalExampleLandsInItsFields) {
    auto store = makeModelStore();
    const test::ReaderRun run =
        test::runReader(*store, test::readWholeFile(examplePath("group3d/model.dat")));
    ASSERT_EQ(run.rc, kReturnCompleted) << run.report;
    EXPECT_EQ(run.report, "");
    const ModelStore& s = *store;

    std::string title = "Six-pile group of 0.6 m steel pipe piles in soft over stiff clay";
    EXPECT_EQ(s.title.str(), title);
    title.resize(80, ' ');
    const std::vector<std::string> runtime = {
        "     " + title,
        kTitleCaption,
        reading("* CONTROL PARAMETERS *"),
        reading("* TABLE B *  PILE CAP"),
        reading("* TABLE C *  LOAD CASES"),
        reading("* TABLE C *  LOAD COMBINATIONS"),
        reading("* TABLE C *  DISTRIBUTED LOAD SETS"),
        reading("* TABLE D *  ARRANGEMENT OF PILE GROUPS"),
        reading("* TABLE E *  PILE GEOMETRY AND PROPERTIES"),
        reading("* PILE CROSS SECTIONS *"),
        reading("* TABLE F *  SOIL DATA FOR P-Y CURVES"),
        reading("* DATA TO PRINT GENERATED P-Y CURVES *"),
    };
    EXPECT_EQ(run.runtimeLines, runtime);

    EXPECT_EQ(s.control.groupFactorOption, 1);
    EXPECT_EQ(s.units.systemName.str(), "METR");
    EXPECT_EQ(std::string(s.units.force4.view()), "  KN");
    EXPECT_DOUBLE_EQ(s.cap.capThicknessX, 1.2);

    const LoadCase& live = s.loadCases.rows[1];
    EXPECT_EQ(live.name.str(), "Live load and wind");
    EXPECT_EQ(live.integer(kCasePileIterations), 100);
    EXPECT_DOUBLE_EQ(live.real(kRealDeflectionTolerance), 1.0e-5);
    EXPECT_EQ(live.integer(kCaseNodeStep), 5);
    ASSERT_EQ(live.concentratedLoadCount(), 2);
    EXPECT_DOUBLE_EQ(live.concentratedLoads[0].value(6), 95.0);
    EXPECT_DOUBLE_EQ(live.concentratedLoads[1].value(7), -0.6);
    const LoadCombination& comb = s.combinations.rows[0];
    EXPECT_EQ(comb.name.str(), "1.2 DL + 1.6 (LL + WN)");
    EXPECT_EQ(comb.integer(kCombinationIgnoredCount), 2);  // C6f replaced the 0 of C6d
    EXPECT_DOUBLE_EQ(comb.cases[1].factor, 1.6);

    ASSERT_EQ(s.arrangement.pileGroupCount, 6);
    const PileGroup& g3 = s.arrangement.rows[2];
    EXPECT_EQ(g3.connectionZ, 2);
    EXPECT_EQ(g3.trCurveNo, 1);
    EXPECT_DOUBLE_EQ(g3.headZ, -0.9);
    EXPECT_DOUBLE_EQ(g3.beta, 80.54);
    EXPECT_DOUBLE_EQ(s.arrangement.rows[3].alpha, 180.0);

    const PileProperty& p = s.pileProperties.rows[0];
    EXPECT_EQ(p.increments, 44);
    EXPECT_DOUBLE_EQ(p.elasticModulus, 2.0e8);
    EXPECT_EQ(p.sections[0].crossSectionNo, 2);
    EXPECT_EQ(s.crossSections.rows[1].name.str(), "PIPE 600 x 20, top 6 m");
    EXPECT_DOUBLE_EQ(s.crossSections.rows[1].property(kPropMn), 2322.1);
    EXPECT_DOUBLE_EQ(s.soilLayers.rows[1].top[1], 60.0);      // undrained strength
    EXPECT_DOUBLE_EQ(s.soilLayers.rows[1].bottom[5], 0.005);  // eps50
    EXPECT_DOUBLE_EQ(s.pyPrints.rows[1].depth, 8.0);
}

TEST(InputReader, TwoDimensionalExampleLandsInItsFields) {
    auto store = makeModelStore();
    const test::ReaderRun run =
        test::runReader(*store, test::readWholeFile(examplePath("row2d/model.dat")));
    ASSERT_EQ(run.rc, kReturnCompleted) << run.report;
    const ModelStore& s = *store;

    const std::vector<std::string> expected = {
        kTitleCaption,
        reading("CONTROL PARAMETERS"),
        reading("PILE CAP"),
        reading("LOAD CASES"),
        reading("LOAD COMBINATIONS"),
        reading("DISTRIBUTED LOAD SETS"),
        reading("ARRANGEMENT OF PILE GROUPS"),
        reading("PILE GEOMETRY AND PROPERTIES"),
        reading("PILE CROSS SECTIONS"),
        reading("SOIL DATA FOR P-Y CURVES"),  // no print requests: KPYOP is 0
    };
    EXPECT_EQ(test::readingLines(run), expected);

    EXPECT_EQ(std::string(s.units.length2.view()), "IN");
    const LoadCase& earth = s.loadCases.rows[1];
    EXPECT_EQ(earth.integer(kCaseLoadType), 7);
    EXPECT_DOUBLE_EQ(earth.concentratedLoads[0].value(3), -1.2e6);
    EXPECT_EQ(earth.distributedLoads[0].integer(6), 1);
    EXPECT_DOUBLE_EQ(s.distributedSets.rows[0].points[2].depth, 240.0);

    // D2 to D4 of a row; nothing of D6 to D8.
    const PileGroup& front = s.arrangement.rows[0];
    EXPECT_DOUBLE_EQ(front.pilesInGroup, 4.0);
    EXPECT_EQ(front.lsCurveNo, 1);
    EXPECT_DOUBLE_EQ(front.rowSpacing, 42.0);
    EXPECT_DOUBLE_EQ(front.batterAngle, -14.04);
    EXPECT_EQ(front.connectionZ, 0);
    EXPECT_DOUBLE_EQ(s.groupFactors.pMultiplier[2], 0.3);
    EXPECT_DOUBLE_EQ(s.groupFactors.pMultiplierY[0], 0.0);  // D3 sets the factors in force only

    EXPECT_EQ(s.crossSections.rows[0].name.str(), "HP14x73");
    EXPECT_DOUBLE_EQ(s.crossSections.rows[0].property(kPropIz), 729.0);
    EXPECT_EQ(s.soilLayers.rows[1].KSOIL, 8);
}

TEST(InputReader, CapacityModelIsReadWithoutLoss) {
    auto store = makeModelStore();
    const test::ReaderRun run =
        test::runReader(*store, test::readWholeFile(examplePath("capacity/model.dat")));
    ASSERT_EQ(run.rc, kReturnCompleted) << run.report;
    const ModelStore& s = *store;

    // Every count at its capacity, and the last entry of every table.
    const LoadCase& first = s.loadCases.rows[0];
    EXPECT_EQ(s.loadCases.loadCaseCount, 100);
    EXPECT_EQ(s.loadCases.rows[99].name.str(), "Load case 100 of 100");
    EXPECT_EQ(first.concentratedLoadCount(), 100);
    EXPECT_DOUBLE_EQ(first.concentratedLoads[99].value(4), 125.0);
    EXPECT_EQ(first.distributedLoadCount(), 100);
    EXPECT_DOUBLE_EQ(first.distributedLoads[99].factorZ, 0.5);
    EXPECT_EQ(first.stiffnessLevelCount(), 100);
    EXPECT_DOUBLE_EQ(first.stiffnessLevels[99], 1.0);
    EXPECT_EQ(s.combinations.combinationCount, 100);
    EXPECT_EQ(s.combinations.rows[99].name.str(), "Combination 100 of 100");
    EXPECT_EQ(s.combinations.rows[0].combinedCaseCount, 100);
    EXPECT_DOUBLE_EQ(s.combinations.rows[0].cases[99].factor, 2.0);
    EXPECT_EQ(s.distributedSets.distributedSetCount, 2000);
    EXPECT_EQ(s.distributedSets.rows[1999].setPointCount, 101);
    EXPECT_DOUBLE_EQ(s.distributedSets.rows[1999].points[100].load, 116.0);

    EXPECT_EQ(s.arrangement.pileGroupCount, 2000);
    EXPECT_EQ(s.arrangement.rows[1999].lsCurveNo, -50);
    EXPECT_DOUBLE_EQ(s.arrangement.rows[1999].headZ, 15.6);
    EXPECT_EQ(s.pileProperties.pilePropertyCount, 50);
    EXPECT_EQ(s.pileProperties.rows[49].sectionCount, 20);
    EXPECT_EQ(s.pileProperties.rows[49].sections[19].crossSectionNo, 69);
    EXPECT_EQ(s.crossSections.crossSectionCount, 100);
    EXPECT_EQ(s.crossSections.rows[99].name.str(), "PIPE 600 x 20, no. 100");

    EXPECT_EQ(s.soilLayers.NLAYER, 20);
    EXPECT_DOUBLE_EQ(s.soilLayers.rows[19].bottom[8], 2250.0);
    EXPECT_EQ(s.pyPrints.pyPrintCount, 50);
    EXPECT_EQ(s.pyPrints.rows[49].extraDepthCount, 50);
    EXPECT_DOUBLE_EQ(s.pyPrints.rows[49].extraDepths[49], 0.05);

    EXPECT_EQ(s.userPySets.pySetCount, 50);
    EXPECT_EQ(s.userPySets.rows[49].pyCurveCount, 20);
    EXPECT_EQ(s.userPySets.rows[49].curves[19].pyPointCount, 25);
    EXPECT_DOUBLE_EQ(s.userPySets.rows[49].curves[19].points[24].p, 1920.0);
    EXPECT_EQ(s.userLsCurves.lsCurveCount, 50);
    EXPECT_DOUBLE_EQ(s.userLsCurves.rows[49].points[24].force, 60000.0);
    EXPECT_EQ(s.userTrCurves.trCurveCount, 50);
    EXPECT_DOUBLE_EQ(s.userTrCurves.rows[49].points[24].displacement, 0.012);
    EXPECT_EQ(s.mcSets.mcSetCount, 50);
    EXPECT_EQ(s.mcSets.rows[49].curves[19].mcPointCount, 25);
    EXPECT_DOUBLE_EQ(s.mcSets.rows[49].curves[19].points[24].moment, 1490.0);
}

// The test file features.dat: values split over lines, comments after the
// values, D exponents, a tab and a repeat count, quoted and unquoted names, the
// overwritten integers of E6 and J4, every optional section present.
void expectFeatures(const ModelStore& s) {
    EXPECT_EQ(s.control.reserved12, 9);
    EXPECT_EQ(s.units.systemName.str(), "OPEN");
    EXPECT_DOUBLE_EQ(s.cap.capThicknessX, 1.5);  // the record went on to the next line
    EXPECT_DOUBLE_EQ(s.cap.plateOffsetZ, 0.25);  // 2.5d-1
    EXPECT_EQ(s.cap.plateElementsZ, 3);

    const LoadCase& c1 = s.loadCases.rows[0];
    EXPECT_EQ(c1.name.str(), "First case, with a comma and 'quotes'");
    EXPECT_EQ(c1.integer(20), 6);
    EXPECT_DOUBLE_EQ(c1.concentratedLoads[0].value(9), 9.0);  // after an empty line
    EXPECT_DOUBLE_EQ(c1.concentratedLoads[1].value(1), -150.0);
    EXPECT_DOUBLE_EQ(c1.distributedLoads[0].factorZ, 0.25);
    EXPECT_DOUBLE_EQ(c1.stiffnessLevels[1], 1.0);
    const LoadCombination& m = s.combinations.rows[0];
    EXPECT_EQ(std::string(m.name.view().substr(0, 17)), "  Combination one");
    EXPECT_EQ(m.integer(21), 6);
    EXPECT_EQ(m.integer(kCombinationIgnoredCount), 2);  // not the 99 of C6d

    EXPECT_EQ(s.arrangement.rows[0].pySetNo, -1);
    EXPECT_DOUBLE_EQ(s.groupFactors.pMultiplier[0], 0.8);  // D7's Y factors are in force
    EXPECT_DOUBLE_EQ(s.groupFactors.yMultiplier[0], 1.1);
    EXPECT_DOUBLE_EQ(s.groupFactors.yMultiplierZ[0], 1.2);
    EXPECT_DOUBLE_EQ(s.pileProperties.rows[1].elasticModulus, 3.0e7);

    EXPECT_EQ(s.crossSections.rows[0].number, 1);  // the 9 before it is overwritten
    EXPECT_EQ(s.crossSections.rows[0].name.str(), "PIPE600x12");
    EXPECT_DOUBLE_EQ(s.crossSections.rows[0].dimension(2), 0.576);  // after a tab
    EXPECT_DOUBLE_EQ(s.crossSections.rows[0].dimension(8), 0.0);    // from 6*0
    EXPECT_EQ(s.crossSections.rows[1].name.str(), "RECT 500 x 300, 'box'");
    EXPECT_DOUBLE_EQ(s.crossSections.rows[1].property(kPropArea), 0.0408);
    EXPECT_EQ(s.crossSections.rows[2].name.str(), "O'Neil drilled shaft");

    EXPECT_EQ(s.soilLayers.rows[1].propertyCount, 3);
    EXPECT_DOUBLE_EQ(s.soilLayers.rows[1].bottom[0], 10.0);
    EXPECT_DOUBLE_EQ(s.pyPrints.rows[1].extraDepths[2], 0.004);
    EXPECT_EQ(s.userPySets.rows[0].setNo, 7);
    EXPECT_DOUBLE_EQ(s.userPySets.rows[0].curves[1].points[2].p, 120.0);
    EXPECT_DOUBLE_EQ(s.userLsCurves.rows[1].points[1].force, 900.0);
    EXPECT_DOUBLE_EQ(s.userTrCurves.rows[0].points[0].displacement, -0.01);
    EXPECT_EQ(s.mcSets.rows[0].curves[0].mcPointCount, 3);  // not the 99 before it
    EXPECT_DOUBLE_EQ(s.mcSets.rows[0].curves[0].points[2].moment, 1000.0);
}

TEST(InputReader, FreeFormatFeaturesLandInTheirFields) {
    auto store = makeModelStore();
    const std::string text = test::readWholeFile(test::testDataPath("features.dat"));
    const test::ReaderRun run = test::runReader(*store, text);
    ASSERT_EQ(run.rc, kReturnCompleted) << run.report;
    expectFeatures(*store);
    EXPECT_EQ(test::readingLines(run).size(), 15u);
    EXPECT_EQ(test::readingLines(run).back(), reading("MOMENT-CURVATURE SETS"));

    // The same file written on Windows reads the same.
    std::string crlf;
    for (char c : text)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    const test::ReaderRun windows = test::runReader(*store, crlf);
    ASSERT_EQ(windows.rc, kReturnCompleted) << windows.report;
    expectFeatures(*store);
    EXPECT_EQ(test::readingLines(windows), test::readingLines(run));
}

TEST(InputReader, UnreadableInputEndsWithOneErrorLine) {
    auto store = makeModelStore();
    const std::string group3d = test::readWholeFile(examplePath("group3d/model.dat"));
    const std::string features = test::readWholeFile(test::testDataPath("features.dat"));

    // A letter in A2 (line 4).
    std::string text = group3d;
    text.replace(text.find("2 3 0 0 0 0 0 1 0 0 1 0"), 23, "2 3 0 0 0 0 0 1 0 0 x 0");
    test::ReaderRun run = test::runReader(*store, text);
    EXPECT_EQ(run.rc, kReturnInputReadError);
    EXPECT_EQ(run.report,
              "     **** INPUT ERROR **** section A, record A2, line 4: value 11 of 12 \"x\" is "
              "not a number\n");
    EXPECT_EQ(test::readingLines(run).back(), reading("* CONTROL PARAMETERS *"));
    EXPECT_EQ(run.runtimeLines.back() + "\n", run.report);

    // The file cut short in section E: the cross sections are missing.
    const int crossHeader = 66;  // "* PILE CROSS SECTIONS *" of group3d
    run = test::runReader(*store, test::firstLines(group3d, crossHeader - 1));
    EXPECT_EQ(run.rc, kReturnInputReadError);
    EXPECT_EQ(test::lineCount(run.report), 1);
    EXPECT_NE(
        run.report.find("section E, header line before E5, after line 65: the file ends before "
                        "this record"),
        std::string::npos)
        << run.report;
    EXPECT_EQ(test::readingLines(run).back(), reading("* TABLE E *  PILE GEOMETRY AND PROPERTIES"));

    // Cut inside a record, inside a text line, before anything.
    run = test::runReader(*store, test::firstLines(features, 17));  // C2g holds 5 of 9 values
    EXPECT_NE(run.report.find("record C2g (load case 1, concentrated load 1), after line 17: the "
                              "file ends with 5 of 9 values of this record read"),
              std::string::npos)
        << run.report;
    run = test::runReader(*store, "only a title\n");
    EXPECT_NE(run.report.find("record A1 (line 2), after line 1"), std::string::npos) << run.report;
    EXPECT_TRUE(test::readingLines(run).empty());
    run = test::runReader(*store, "");
    EXPECT_NE(run.report.find("record A1 (line 1), line 1: the file is empty"), std::string::npos);

    // A real where an integer belongs, a null value, an unclosed quote.
    run = test::runReader(*store, test::replaceTaggedLine(features, "C1", "2.0 1 2 3"));
    EXPECT_EQ(run.rc, kReturnInputReadError);
    EXPECT_NE(run.report.find("section C, record C1, line 10: value 1 of 4 \"2.0\" is not an "
                              "integer"),
              std::string::npos)
        << run.report;
    run = test::runReader(*store, test::replaceTaggedLine(features, "D7.2", "5.0E4,,1 1 1 1 1"));
    EXPECT_NE(run.report.find("record D7 (pile group 2), line 57: value 2 of 7 is empty"),
              std::string::npos)
        << run.report;
    std::string open = features;
    open.replace(open.find("'O''Neil drilled shaft'"), 23, "'O''Neil drilled shaft");
    run = test::runReader(*store, open);
    EXPECT_NE(run.report.find("record E7 (cross section 3), line 79: the quoted text"),
              std::string::npos)
        << run.report;
}

// Every prefix of a valid file, cut at the end of a line, ends with a status
// and one error line; only the whole file reads completely.
TEST(InputReader, EveryTruncatedPrefixReturnsAStatus) {
    auto store = makeModelStore();
    for (const std::string& path :
         {examplePath("group3d/model.dat"), examplePath("row2d/model.dat"),
          test::testDataPath("features.dat")}) {
        const std::string text = test::readWholeFile(path);
        const int lines = test::lineCount(text);
        for (int n = 0; n < lines; ++n) {
            const test::ReaderRun run = test::runReader(*store, test::firstLines(text, n));
            SCOPED_TRACE(path + " cut after line " + std::to_string(n));
            // features.dat ends with a line after its last section.
            if (n == lines - 1 && path.find("features") != std::string::npos) {
                EXPECT_EQ(run.rc, kReturnCompleted);
                continue;
            }
            EXPECT_EQ(run.rc, kReturnInputReadError);
            EXPECT_EQ(test::lineCount(run.report), 1) << run.report;
        }
        EXPECT_EQ(test::runReader(*store, text).rc, kReturnCompleted) << path;
    }
    // Cut inside a line too: every character prefix of the first 25 lines of
    // features.dat, where records go on over lines and past an empty line.
    const std::string text = test::readWholeFile(test::testDataPath("features.dat"));
    const std::size_t end = test::firstLines(text, 25).size();
    for (std::size_t n = 0; n < end; ++n) {
        const int rc = test::runReader(*store, text.substr(0, n)).rc;
        EXPECT_TRUE(rc == kReturnInputReadError || rc == kReturnInputRefused) << n;
    }
}

}  // namespace
}  // namespace pylora
