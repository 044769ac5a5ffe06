// SPDX-License-Identifier: Apache-2.0
// The plate model of a flexible cap: its mesh and node numbering, the load
// records and the couple that carries a moment about X, both model files
// against their layouts written out by hand, "gslab.dat", the model read
// back, the refusals of the export and the hand-over of both options.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "plate/flexible_cap.h"
#include "plate/plate_export.h"
#include "plate/plate_reader.h"
#include "store/return_codes.h"
#include "tests/plate/plate_test_support.h"

namespace pylora {
namespace {

using platetest::addPile;
using platetest::plateRun;
using testsupport::readLines;

TEST(PlateMesh, TwoByOneMeshNumbersItsCornerAndMiddleRowsFromTheLargestZDown) {
    auto r = plateRun(12.0, 8.0, 1.5, 0.0, 0.0, 2, 1);
    addPile(*r->store, 0.0, 0.0, 0.0);
    PlateModel m;
    ASSERT_EQ(buildPlateModel(*r->store, m), 0);
    EXPECT_EQ(m.control.NELEM, 2);
    EXPECT_EQ(m.control.NPOIN, 13);
    ASSERT_EQ(m.elements.size(), 2U);
    EXPECT_EQ(m.elements[0].nodes, (std::vector<int>{1, 3, 11, 9, 2, 7, 10, 6}));
    EXPECT_EQ(m.elements[1].nodes, (std::vector<int>{3, 5, 13, 11, 4, 8, 12, 7}));
    EXPECT_EQ(m.elements[1].number, 2);
    EXPECT_EQ(m.elements[1].property, 1);
}

TEST(PlateMesh, ThreeByTwoMeshPlacesItsNodesAsTheHandMadeTableDoes) {
    // Plate centre Y = 1, offset Z = 0.5: Y from -5 to 7, Z from 3.5 to -4.5.
    auto r = plateRun(12.0, 8.0, 1.5, 1.0, 0.5, 3, 2);
    addPile(*r->store, 0.0, 0.0, 0.0);
    PlateModel m;
    ASSERT_EQ(buildPlateModel(*r->store, m), 0);
    const double table[29][2] = {{-5, 3.5}, {-3, 3.5},  {-1, 3.5},  {1, 3.5},   {3, 3.5},
                                 {5, 3.5},  {7, 3.5},   {-5, 1.5},  {-1, 1.5},  {3, 1.5},
                                 {7, 1.5},  {-5, -0.5}, {-3, -0.5}, {-1, -0.5}, {1, -0.5},
                                 {3, -0.5}, {5, -0.5},  {7, -0.5},  {-5, -2.5}, {-1, -2.5},
                                 {3, -2.5}, {7, -2.5},  {-5, -4.5}, {-3, -4.5}, {-1, -4.5},
                                 {1, -4.5}, {3, -4.5},  {5, -4.5},  {7, -4.5}};
    ASSERT_EQ(m.nodes.size(), 29U);
    for (std::size_t i = 0; i < 29; ++i) {
        EXPECT_EQ(m.nodes[i][0], 0.0) << "node " << i + 1;
        EXPECT_NEAR(m.nodes[i][1], table[i][0], 1.0E-12) << "node " << i + 1;
        EXPECT_NEAR(m.nodes[i][2], table[i][1], 1.0E-12) << "node " << i + 1;
    }
    // Element 6 (second row, last along Y): corners 16, 18, 29, 27 and
    // mid-sides 17, 22, 28, 21.
    EXPECT_EQ(m.elements[5].nodes, (std::vector<int>{16, 18, 29, 27, 17, 22, 28, 21}));
}

TEST(PlateLoads, MomentAboutXIsCarriedExactlyByEightInPlaneForces) {
    auto r = plateRun(12.0, 12.0, 1.5, 0.0, 0.0, 2, 2);
    ModelStore& s = *r->store;
    addPile(s, 0.0, 0.0, 0.0);
    s.analysis.capLoad = {18000.0, 600.0, 400.0, 0.0, 900.0, 1500.0};
    PlateModel m;
    ASSERT_EQ(buildPlateModel(s, m), 0);
    EXPECT_EQ(m.control.NCLOD, 1);
    ASSERT_EQ(m.loads.size(), 1U);
    EXPECT_EQ(m.loads[0], (PlateRecord{0, 0, 0, 18000.0, 600.0, 400.0, 0.0, 900.0, 1500.0}));

    s.analysis.capLoad[kMomentX] = -2400.0;
    ASSERT_EQ(buildPlateModel(s, m), 0);
    EXPECT_EQ(m.control.NCLOD, 9);
    ASSERT_EQ(m.loads.size(), 9U);
    EXPECT_EQ(m.loads[0][6], 0.0);
    double moment = 0.0;
    double forceY = 0.0;
    double forceZ = 0.0;
    for (std::size_t k = 1; k < 9; ++k) {
        const PlateRecord& l = m.loads[k];
        // The points lie 1.5 (the thickness, the least dimension) from the origin.
        EXPECT_NEAR(std::hypot(l[1], l[2]), 1.5, 1.0E-12);
        moment += l[1] * l[5] - l[2] * l[4];
        forceY += l[4];
        forceZ += l[5];
    }
    EXPECT_NEAR(moment, -2400.0, 1.0E-9);
    EXPECT_NEAR(forceY, 0.0, 1.0E-9);
    EXPECT_NEAR(forceZ, 0.0, 1.0E-9);
}

// A one-element plate 4 x 2 under a load off every axis but X, on one
// vertical fixed pile at Y = 1, Z = -0.5.
std::unique_ptr<platetest::PlateRun> oneElementRun() {
    auto r = plateRun(4.0, 2.0, 1.5, 0.0, 0.0, 1, 1);
    ModelStore& s = *r->store;
    addPile(s, 0.0, 1.0, -0.5);
    s.analysis.capLoad = {1000.0, 50.0, -20.0, 0.0, 300.0, -400.0};
    s.loadCases.loadCaseCount = 1;
    return r;
}

TEST(PlateFiles, BothModelFilesAndGslabFollowTheirLayoutsCharacterForCharacter) {
    auto r = oneElementRun();
    PlateModel m;
    ASSERT_EQ(writePlateModel(*r->store, m), 0);
    const std::string nodes[8] = {"       1      0.0000     -2.0000      1.0000",
                                  "       2      0.0000      0.0000      1.0000",
                                  "       3      0.0000      2.0000      1.0000",
                                  "       4      0.0000     -2.0000      0.0000",
                                  "       5      0.0000      2.0000      0.0000",
                                  "       6      0.0000     -2.0000     -1.0000",
                                  "       7      0.0000      0.0000     -1.0000",
                                  "       8      0.0000      2.0000     -1.0000"};
    const std::string load =
        "  0.00000E+00  0.00000E+00  0.00000E+00  0.10000E+04  0.50000E+02"
        " -0.20000E+02  0.00000E+00  0.30000E+03 -0.40000E+03";
    const std::string spring =
        "  0.00000E+00  0.10000E+01 -0.50000E+00  0.10000E+01  0.00000E+00"
        "  0.00000E+00  0.10000E+01  0.10000E+01  0.10000E+01";
    const std::string stepping = "    0.2500    0.0000    1.0000    0.0100        50  0.10000E-04";
    // Property 1, then the corners and the mid-sides.
    const std::string element =
        "       1       1       3       8       6       2       5       7       4";

    std::string numeric =
        " TEST OF PYLORA5_FC\n"
        "       8       1       1       8       2       0       0       0"
        "       0       0       1       0       0       0       1       1\n" +
        stepping + "\n" + "       1       1" + element + "\n";
    for (int i = 0; i < 8; ++i)
        numeric += "       " + std::to_string(i + 1) + nodes[i] + "\n";
    numeric += "       1  0.30000E+08  0.20000E+00  0.15000E+01\n" + load + "\n" + spring + "\n";
    EXPECT_EQ(r->file("run.pmd"), numeric);

    std::string keyword =
        " PYLORA5_FC\n TITLE\n TEST OF PYLORA5_FC\n ELEMENT_DATA\n"
        " QUAD8  REDUCED_INTEGRATION\n*       1" +
        element + "\n END_ELEMENT_DATA\n NODE_DATA\n";
    for (const std::string& n : nodes)
        keyword += "*" + n + "\n";
    keyword +=
        " END_NODE_DATA\n MATERIAL_DATA\n*    ALL  0.30000E+08  0.20000E+00  0.15000E+01\n"
        " END_MATERIAL_DATA\n CONCENTRATED_LOAD_DATA\n*" +
        load + "\n END_CONCENTRATED_LOAD_DATA\n TOTAL_CONCENTRATED_STIFFNESS_DATA\n*" + spring +
        "\n END_TOTAL_CONCENTRATED_STIFFNESS_DATA\n TIME_STEPPING_DATA\n" + stepping +
        "\n END_TIME_STEPPING_DATA\n END_DATA\n";
    EXPECT_EQ(r->file("run.pmk"), keyword);

    const auto pad = [](std::string name) {
        name.resize(75, ' ');
        return name;
    };
    EXPECT_EQ(readLines(r->dir / "gslab.dat"),
              (std::vector<std::string>{pad("run.pmk"), pad("run.pmd"), pad("run.pls"),
                                        pad("run.pst"), pad("run.psm")}));
}

TEST(PlateFiles, ModelReadBackEqualsTheModelWritten) {
    auto r = plateRun(12.0, 8.0, 1.5, 1.0, 0.5, 3, 2);
    ModelStore& s = *r->store;
    addPile(s, 0.5, -4.0, 2.0, 30.0, 80.0, true);
    addPile(s, 0.5, 6.0, -4.0);
    s.analysis.capLoad = {5000.0, 100.0, -200.0, 750.0, 30.0, -45.0};
    PlateModel written;
    ASSERT_EQ(writePlateModel(s, written), 0);
    // The battered pile's axis: sin 80, cos 30 cos 80, sin 30 cos 80.
    const PlateRecord& battered = written.springs[0];
    EXPECT_NEAR(battered[3], 0.98481, 1.0E-5);
    EXPECT_NEAR(battered[4], 0.15038, 1.0E-5);
    EXPECT_NEAR(battered[5], 0.08682, 1.0E-5);
    EXPECT_EQ(battered[6], 0.0);  // pinned head
    EXPECT_NEAR(written.springs[1][3], 1.0, 1.0E-11);
    EXPECT_EQ(written.springs[1][4], 0.0);

    FileHandle in = openForReading(r->path("run.pmd"));
    FileHandle listing = openForWriting(r->path("run.pls"));
    PlateModel read;
    PlateMeshDiagnosis d;
    ASSERT_EQ(readPlateModel(in.get(), {listing.get(), nullptr, false}, {}, read, d), 0);
    EXPECT_EQ(read.title, written.title);
    const PlateControl& a = read.control;
    const PlateControl& b = written.control;
    EXPECT_EQ((std::vector<int>{a.NPOIN, a.NELEM, a.NMATS, a.NNODE, a.NGAUS, a.NVFIX, a.NNLOD,
                                a.NNSTI, a.NDLOD, a.NDSTI, a.NCLOD, a.NCSTI, a.reserved[0],
                                a.reserved[1], a.NCTSTI, a.lastValue, a.NEVAB}),
              (std::vector<int>{b.NPOIN, b.NELEM, b.NMATS, b.NNODE, b.NGAUS, b.NVFIX, b.NNLOD,
                                b.NNSTI, b.NDLOD, b.NDSTI, b.NCLOD, b.NCSTI, b.reserved[0],
                                b.reserved[1], b.NCTSTI, b.lastValue, b.NEVAB}));
    EXPECT_EQ(a.NEVAB, 48);
    EXPECT_EQ(read.stepping.MAXITER, 50);
    EXPECT_DOUBLE_EQ(read.stepping.DT, 0.25);
    EXPECT_DOUBLE_EQ(read.stepping.DTMIN, 0.01);
    EXPECT_DOUBLE_EQ(read.stepping.TEND, 1.0);
    EXPECT_DOUBLE_EQ(read.stepping.tolerance, 1.0E-5);
    ASSERT_EQ(read.elements.size(), written.elements.size());
    for (std::size_t e = 0; e < read.elements.size(); ++e) {
        EXPECT_EQ(read.elements[e].number, written.elements[e].number);
        EXPECT_EQ(read.elements[e].numberAgain, written.elements[e].numberAgain);
        EXPECT_EQ(read.elements[e].property, written.elements[e].property);
        EXPECT_EQ(read.elements[e].nodes, written.elements[e].nodes);
    }
    EXPECT_EQ(read.nodes, written.nodes);  // multiples of 0.5: exact in F12.4
    ASSERT_EQ(read.materials.size(), 1U);
    EXPECT_DOUBLE_EQ(read.materials[0].youngModulus, 3.0E7);
    EXPECT_DOUBLE_EQ(read.materials[0].poissonRatio, 0.2);
    EXPECT_DOUBLE_EQ(read.materials[0].thickness, 1.5);
    // E13.5 keeps five significant digits: half a unit of the fifth.
    const auto same = [](const std::vector<PlateRecord>& x, const std::vector<PlateRecord>& y) {
        ASSERT_EQ(x.size(), y.size());
        for (std::size_t i = 0; i < x.size(); ++i)
            for (std::size_t k = 0; k < kPlateRecordValues; ++k)
                EXPECT_NEAR(x[i][k], y[i][k], 5.0E-5 * std::fabs(y[i][k]) + 1.0E-300)
                    << "record " << i + 1 << " value " << k + 1;
    };
    same(read.loads, written.loads);
    same(read.springs, written.springs);
    EXPECT_EQ(read.loads.size(), 9U);
    EXPECT_TRUE(read.restraints.empty());
}

TEST(PlateFiles, LoadOrPileOutsideThePlateAndOverlongNamesAreRefusedWithTheirMessage) {
    {
        auto r = oneElementRun();
        addPile(*r->store, 0.0, 2.5, 0.0);
        PlateModel m;
        EXPECT_EQ(writePlateModel(*r->store, m), kReturnInputRefused);
        EXPECT_NE(r->report().find("THE HEAD OF PILE GROUP 2 LIES OUTSIDE THE PLATE"),
                  std::string::npos);
        EXPECT_FALSE(std::filesystem::exists(r->dir / "gslab.dat"));
        EXPECT_TRUE(m.nodes.empty());
    }
    {
        // The couple's points lie 1.5 from the origin; the plate reaches Z = 1.
        auto r = oneElementRun();
        r->store->analysis.capLoad[kMomentX] = 10.0;
        PlateModel m;
        EXPECT_EQ(writePlateModel(*r->store, m), kReturnInputRefused);
        EXPECT_NE(r->report().find("CONCENTRATED LOAD 3 OF THE PLATE LIES OUTSIDE"),
                  std::string::npos);
    }
    {
        auto r = oneElementRun();
        r->store->cap.plateElementsZ = 0;
        PlateModel m;
        EXPECT_EQ(writePlateModel(*r->store, m), kReturnInputRefused);
        EXPECT_NE(r->report().find("1 TO 100 ELEMENTS ALONG Y AND Z"), std::string::npos);
    }
    {
        // A base name of 72 characters makes 76-character plate names.
        auto r = oneElementRun();
        const std::string base(72, 'b');
        r->store->run.reportFilePath.assign(r->path(base + ".out"));
        PlateModel m;
        EXPECT_EQ(writePlateModel(*r->store, m), kReturnFileOpenError);
        EXPECT_NE(r->report().find("IS LONGER THAN 75 CHARACTERS"), std::string::npos);
        EXPECT_FALSE(std::filesystem::exists(r->dir / "gslab.dat"));
        // 71 characters still fit.
        r->store->run.reportFilePath.assign(r->path(std::string(71, 'b') + ".out"));
        EXPECT_EQ(writePlateModel(*r->store, m), 0);
        EXPECT_TRUE(std::filesystem::exists(r->dir / (std::string(71, 'b') + ".pmd")));
    }
}

TEST(FlexibleCap, OptionTwoWritesTheModelOnlyAndOptionOneReadsChecksAndSolvesIt) {
    auto r = oneElementRun();
    ModelStore& s = *r->store;
    int errorFlag = 0;
    solveFlexibleCap(s, errorFlag);
    EXPECT_EQ(errorFlag, 0);
    EXPECT_TRUE(std::filesystem::exists(r->dir / "run.pmd"));
    EXPECT_TRUE(std::filesystem::exists(r->dir / "run.pmk"));
    EXPECT_FALSE(std::filesystem::exists(r->dir / "run.pls"));
    EXPECT_EQ(r->report().find("COMPUTATION RESULTS"), std::string::npos);

    // The second plate model of the run carries "_2" after the report's base
    // name; the first one's files stay.
    s.control.flexibleCapOption = 1;
    solveFlexibleCap(s, errorFlag);
    EXPECT_TRUE(std::filesystem::exists(r->dir / "run.pmd"));
    EXPECT_TRUE(std::filesystem::exists(r->dir / "run_2.pmd"));
    // The plate reaches its pile springs, and the pile group of this store
    // has no pile property: the per-pile analysis refuses it.
    EXPECT_EQ(errorFlag, kReturnInputRefused);
    const std::string report = r->report();
    EXPECT_NE(report.find("\n\n\n                 *****     COMPUTATION RESULTS     *****\n\n"
                          "\n\n\n     * TABLE I *   COMPUTATION ON INDIVIDUAL PILE\n"),
              std::string::npos);
    EXPECT_NE(report.find("HAS NO PILE PROPERTY"), std::string::npos);
    EXPECT_NE(r->file("run_2.psm").find("STEP     1   TCUR   =    0.2500  DT =     0.2500"),
              std::string::npos);
    std::fflush(s.files.plot.get());
    EXPECT_EQ(readLines(r->dir / "run.plt"),
              (std::vector<std::string>{"    3", "    1    2    2"}));
    const std::string listing = r->file("run_2.pls");
    EXPECT_NE(listing.find(" NPOIN =    8    NELEM =    1"), std::string::npos);
    EXPECT_NE(listing.find(" MAXIMUM FRONTWIDTH ENCOUNTERED =   48"), std::string::npos);
    EXPECT_EQ(listing.find("DIAGNOSIS"), std::string::npos);
}

}  // namespace
}  // namespace pylora
