// SPDX-License-Identifier: Apache-2.0
// The flexible cap against the rigid cap on the nine piles of the flexcap
// example: a plate ten thousand times as stiff as concrete gives the rigid
// cap's pile-head forces; a concrete plate carries more of a central load
// in the middle pile; the pile-head forces add up to the load; every load
// case keeps its own plate files.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace {

using pylora::testsupport::folderEntries;
using pylora::testsupport::readFile;
using pylora::testsupport::readLines;
using pylora::testsupport::TempDir;
using pylora::testsupport::writeFile;

int runCli(const std::string& arguments) {
    const std::string command = "'" PYLORA_CLI "' " + arguments + " > /dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::string> exampleLines() {
    return readLines(std::filesystem::path(PYLORA_EXAMPLES_DIR) / "flexcap" / "model.dat");
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& l : lines)
        text += l + "\n";
    return text;
}

// The lines of the example with the plate's Young's modulus E, or the rigid
// cap (flexible cap option 0, no plate record) when E is 0, and the load
// record given.
std::vector<std::string> model(double E, const std::string& load) {
    std::vector<std::string> lines = exampleLines();
    lines[15] = load;
    if (E == 0.0) {
        lines[3] = "2 3 0 0 0 0 0 0 0 0 0 0";
        lines.erase(lines.begin() + 6);
    } else {
        std::ostringstream plate;
        plate << "0.0 0.0 6 6 " << E << " 0.2";
        lines[6] = plate.str();
    }
    return lines;
}

const std::string kExampleLoad = "14000.0 600.0 0.0 400.0 900.0 1500.0 0.0 0.0 0.0";
const std::string kCentralLoad = "14000.0 0.0 0.0 0.0 0.0 0.0 0.0 0.0 0.0";

// The pile-head forces of the summary's table of pile groups (axial,
// lateral y and z, moments x, y and z) of every load case in order.
using PileForces = std::vector<std::array<double, 6>>;
std::vector<PileForces> pileForces(const std::filesystem::path& summary,
                                   const std::string& heading = "PILE GROUP       AXIAL,") {
    std::vector<PileForces> cases;
    const std::vector<std::string> lines = readLines(summary);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].find(heading) == std::string::npos) continue;
        PileForces forces;
        for (std::size_t j = i + 2; j < lines.size(); ++j) {
            std::istringstream row(lines[j]);
            int group = 0;
            std::array<double, 6> f{};
            if (!(row >> group)) break;
            for (double& v : f)
                if (!(row >> v)) v = 0.0;
            forces.push_back(f);
        }
        cases.push_back(forces);
    }
    return cases;
}

PileForces solved(const TempDir& dir, const std::string& name, const std::vector<std::string>& m) {
    writeFile(dir / (name + ".dat"), joined(m));
    EXPECT_EQ(runCli("'" + (dir / (name + ".dat")).string() + "' --quiet"), 0) << name;
    EXPECT_EQ(readLines(dir / (name + ".sta")).back(), "    1 ANALYSIS COMPLETED") << name;
    const std::vector<PileForces> cases = pileForces(dir / (name + ".sum"));
    EXPECT_EQ(cases.size(), 1U) << name;
    return cases.empty() ? PileForces{} : cases.front();
}

TEST(FlexibleCapAnalysis, VeryStiffPlateGivesTheRigidCapsPileForces) {
    TempDir dir;
    const PileForces rigid = solved(dir, "rigid", model(0.0, kExampleLoad));
    const PileForces stiff = solved(dir, "stiff", model(3.0E11, kExampleLoad));
    ASSERT_EQ(rigid.size(), 9U);
    ASSERT_EQ(stiff.size(), 9U);
    for (int c = 0; c < 6; ++c) {
        // Within 1 % of the column's largest force.
        double largest = 0.0;
        for (const auto& f : rigid)
            largest = std::max(largest, std::fabs(f[c]));
        for (std::size_t g = 0; g < 9; ++g)
            EXPECT_NEAR(stiff[g][c], rigid[g][c], 0.01 * largest)
                << "pile group " << g + 1 << ", component " << c;
    }
}

TEST(FlexibleCapAnalysis, ConcretePlateCarriesMoreOfACentralLoadInTheMiddlePile) {
    TempDir dir;
    const PileForces rigid = solved(dir, "rigid", model(0.0, kCentralLoad));
    const PileForces plate = solved(dir, "plate", model(3.0E7, kCentralLoad));
    ASSERT_EQ(rigid.size(), 9U);
    ASSERT_EQ(plate.size(), 9U);
    // Pile group 5 stands under the load, 1, 3, 7 and 9 at the corners.
    EXPECT_GT(plate[4][0], 1.05 * rigid[4][0]);
    for (const std::size_t corner : {0U, 2U, 6U, 8U})
        EXPECT_LT(plate[corner][0], rigid[corner][0]);
    // The plate and its piles are symmetric about Y = 0 and Z = 0: the
    // corners, and the piles at the middle of the sides, carry alike.
    for (const std::size_t corner : {2U, 6U, 8U})
        EXPECT_NEAR(plate[corner][0], plate[0][0], 1.0E-3 * plate[0][0]);
    for (const std::size_t side : {3U, 5U, 7U})
        EXPECT_NEAR(plate[side][0], plate[1][0], 1.0E-3 * plate[1][0]);
    // Both carry the whole vertical load (to the four digits printed).
    double sumRigid = 0.0;
    double sumPlate = 0.0;
    for (std::size_t g = 0; g < 9; ++g) {
        sumRigid += rigid[g][0];
        sumPlate += plate[g][0];
    }
    EXPECT_NEAR(sumRigid, 14000.0, 1.0);
    EXPECT_NEAR(sumPlate, 14000.0, 1.0);
}

TEST(FlexibleCapAnalysis, PileForcesAddUpToTheLoadAndEveryLoadCaseKeepsItsPlateFiles) {
    TempDir dir;
    // The example's load case, then a second one with the horizontal loads
    // reversed.
    std::vector<std::string> m = model(3.0E7, kExampleLoad);
    m[8] = "2 0 0 0";
    const std::vector<std::string> second = {"0 0 0 1 0 100 100",
                                             "1.0E-3 1.0E-5 0.25 0.01",
                                             "Reversed wind",
                                             "0 0 0 0 0 0 0",
                                             "1 5 1.0 0",
                                             "1",
                                             "14000.0 -600.0 0.0 -400.0 900.0 1500.0 0.0 0.0 0.0",
                                             "0",
                                             "0"};
    m.insert(m.begin() + 18, second.begin(), second.end());
    writeFile(dir / "cases.dat", joined(m));
    ASSERT_EQ(runCli("'" + (dir / "cases.dat").string() + "' --quiet"), 0);
    const std::vector<std::string> status = readLines(dir / "cases.sta");
    EXPECT_EQ(std::count(status.begin(), status.end(), "    1 ANALYSIS COMPLETED"), 2);

    const std::vector<PileForces> cases = pileForces(dir / "cases.sum");
    ASSERT_EQ(cases.size(), 2U);
    const double horizontal[2][2] = {{600.0, 400.0}, {-600.0, -400.0}};
    for (std::size_t c = 0; c < 2; ++c) {
        std::array<double, 3> sum{};
        for (const auto& f : cases[c])
            for (std::size_t i = 0; i < 3; ++i)
                sum[i] += f[i];
        EXPECT_NEAR(sum[0], 14000.0, 1.0) << "case " << c + 1;
        EXPECT_NEAR(sum[1], horizontal[c][0], 0.1) << "case " << c + 1;
        EXPECT_NEAR(sum[2], horizontal[c][1], 0.1) << "case " << c + 1;
    }
    // The plate files of case 1 under the report's name, those of case 2
    // with "_2"; "gslab.dat" names the last.
    for (const char* suffix : {".pmd", ".pls", ".psm", ".pst", ".pit"}) {
        EXPECT_TRUE(std::filesystem::exists(dir / (std::string("cases") + suffix))) << suffix;
        EXPECT_TRUE(std::filesystem::exists(dir / (std::string("cases_2") + suffix))) << suffix;
    }
    EXPECT_EQ(readLines(dir / "cases_2.pst").back(), "END_STEP_DATA");
    EXPECT_NE(readFile(dir / "cases_2.pmd").find("-0.60000E+03"), std::string::npos);
    EXPECT_EQ(readLines(dir / "gslab.dat")[1].substr(0, 11), "cases_2.pmd");
}

TEST(FlexibleCapAnalysis, LoadBeyondThePilesEndsWithAFailureCode) {
    // The nine piles carry about 16900 kN. At 18000 kN the steps of 0.25
    // are halved down to the minimum of 0.01 from 0.9375 of the load on:
    // code 2 with the share carried. With a minimum of 0.2 and 80000 kN no
    // step converges: code 3. The run itself goes on and ends with 0.
    TempDir dir;
    std::vector<std::string> partial = model(3.0E7, kExampleLoad);
    partial[15] = "18000.0 600.0 0.0 400.0 900.0 1500.0 0.0 0.0 0.0";
    std::vector<std::string> none = model(3.0E7, kExampleLoad);
    none[10] = "1.0E-3 1.0E-5 0.25 0.2";
    none[15] = "80000.0 600.0 0.0 400.0 900.0 1500.0 0.0 0.0 0.0";
    writeFile(dir / "partial.dat", joined(partial));
    writeFile(dir / "none.dat", joined(none));
    EXPECT_EQ(runCli("'" + (dir / "partial.dat").string() + "' --quiet"), 0);
    EXPECT_EQ(runCli("'" + (dir / "none.dat").string() + "' --quiet"), 0);
    EXPECT_EQ(readLines(dir / "partial.sta").back(),
              "    2 SOLUTION AT    93.75 % OF THE TOTAL LOAD");
    EXPECT_EQ(readLines(dir / "none.sta").back(), "    3 NO CONVERGENCE ON PILE CAP");
    const std::vector<std::string> summary = readLines(dir / "partial.psm");
    EXPECT_EQ(std::count(summary.begin(), summary.end(),
                         "error, REQUIRED INCREMENT LESS THAN MINIMUM SPECIFIED"),
              1);
    EXPECT_NE(readFile(dir / "partial.out").find("* TABLE M *"), std::string::npos);
    EXPECT_EQ(readFile(dir / "none.out").find("* TABLE M *"), std::string::npos);
    EXPECT_NE(readFile(dir / "none.out").find("THE PLATE SOLUTION DID NOT CONVERGE"),
              std::string::npos);
    EXPECT_EQ(readLines(dir / "none.pst"), std::vector<std::string>{"END_STEP_DATA"});
}

TEST(FlexibleCapAnalysis, TwoDimensionalRowsUnderAVeryStiffPlateCarryAsUnderTheRigidCap) {
    // The abutment on three rows of piles, with a 240 x 120 x 48 in cap: a
    // rigid cap, and a plate of 8 x 4 elements 1.0E4 times as stiff as
    // concrete (E = 4.0E10 psi), which the rows hold in the vertical plane.
    TempDir dir;
    std::vector<std::string> lines =
        readLines(std::filesystem::path(PYLORA_EXAMPLES_DIR) / "row2d-clay" / "model.dat");
    lines[5] = "240.0 120.0 48.0";
    std::vector<std::string> plate = lines;
    plate[3] = "1 2 0 1 0 0 0 2 0 0 2 0";
    plate.insert(plate.begin() + 6, "0.0 0.0 8 4 4.0E10 0.2");
    writeFile(dir / "rigid.dat", joined(lines));
    writeFile(dir / "plate.dat", joined(plate));
    for (const char* name : {"rigid", "plate"}) {
        EXPECT_EQ(runCli("'" + (dir / (std::string(name) + ".dat")).string() + "' --quiet"), 0);
        const std::vector<std::string> status = readLines(dir / (std::string(name) + ".sta"));
        EXPECT_EQ(std::count(status.begin(), status.end(), "    1 ANALYSIS COMPLETED"),
                  name == std::string("rigid") ? 12 : 3)
            << name;
    }
    const std::string heading = "PILE GROUP      FOR. X,";
    const std::vector<PileForces> rigid = pileForces(dir / "rigid.sum", heading);
    const std::vector<PileForces> stiff = pileForces(dir / "plate.sum", heading);
    ASSERT_EQ(rigid.size(), 3U);  // two load cases and the combination
    ASSERT_EQ(stiff.size(), 3U);
    for (std::size_t c = 0; c < 3; ++c) {
        ASSERT_EQ(stiff[c].size(), 3U);
        ASSERT_EQ(rigid[c].size(), 3U);
        for (int k = 0; k < 3; ++k) {
            double largest = 0.0;
            for (const auto& f : rigid[c])
                largest = std::max(largest, std::fabs(f[k]));
            for (std::size_t g = 0; g < 3; ++g)
                EXPECT_NEAR(stiff[c][g][k], rigid[c][g][k], 0.01 * largest)
                    << "analysis " << c + 1 << ", row " << g + 1 << ", component " << k;
        }
    }
}

}  // namespace
