// SPDX-License-Identifier: Apache-2.0
// A single pile in each granular soil through the command-line program: the
// analysis of a small and a large lateral load completes (code 1 in the
// status file), and in sand the head deflects less as the friction angle
// rises.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace {

using pylora::testsupport::readLines;
using pylora::testsupport::TempDir;
using pylora::testsupport::writeFile;

int runModel(const std::filesystem::path& dir, const std::string& model) {
    const std::string command = "cd '" + dir.string() + "' && '" PYLORA_CLI "' " + model +
                                " -o out --quiet > /dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A 20 m steel pipe (0.6 m, 40 increments) with a fixed head at the ground,
// metric units, a vertical load of 300 kN and a lateral load of 20 kN (case
// 1) and 250 kN (case 2), in the soil layers given as section F records.
std::string singlePileModel(const std::string& soil) {
    std::string text =
        "Single pile in granular soil\n"
        "Property check of the granular p-y criteria\n"
        "* CONTROL PARAMETERS *\n"
        "2 3 0 0 0 0 0 0 0 0 0 0\n"
        "* TABLE B *  PILE CAP\n"
        "1.0 1.0 0.5\n"
        "* TABLE C *  LOAD CASES\n"
        "2 0 0 0\n";
    for (const char* lateral : {"20.0", "250.0"}) {
        text +=
            "0 0 0 1 0 100 100\n1.0E-3 1.0E-5 0.2 0.01\nLateral load\n0 0 0 0 0 0 0\n"
            "1 1 1.0 0\n1\n300.0 ";
        text += lateral;
        text += " 0.0 0.0 0.0 0.0 0.0 0.0 0.0\n0\n0\n";
    }
    text +=
        "* TABLE C *  LOAD COMBINATIONS\n"
        "0 0 0 0\n"
        "* TABLE C *  DISTRIBUTED LOAD SETS\n"
        "0\n"
        "* TABLE D *  ARRANGEMENT OF PILE GROUPS\n"
        "1\n"
        "2 2 1 0 1 1\n"
        "0.0 0.0 1.0 1.0 1.0 1.0 1.0\n"
        "0.0 0.0 0.0 0.0 90.0 0.0\n"
        "* TABLE E *  PILE GEOMETRY AND PROPERTIES\n"
        "1\n"
        "1 1\n"
        "40 20.0 2.0E8 1\n"
        "20.0 0.0 1 0 0\n"
        "* PILE CROSS SECTIONS *\n"
        "1\n"
        "1 1 1\n"
        "PIPE600x12\n"
        "0.6 0.576 0.0 0.0 0.0 0.0 0.0 0.0\n"
        "7.7E7 2.2167E-2 9.5842E-4 9.5842E-4 0.0 1.4760E5 1431.6 2294.3 0.0 0.0\n"
        "* TABLE F *  SOIL DATA FOR P-Y CURVES\n";
    return text + soil;
}

// One layer of type KSOIL from topX to bottomX with the same nine values at
// its top and bottom (side friction and tip resistance for the axial curves).
std::string layer(int number, int KSOIL, double topX, double bottomX, double gamma, double c,
                  double phi, double K) {
    std::ostringstream s;
    s << number << ' ' << KSOIL << '\n' << topX << ' ' << bottomX << "\n2 9\n";
    for (int row = 0; row < 2; ++row)
        s << gamma << ' ' << c << ' ' << phi << ' ' << K << " 0.0 0.0 0.0 50.0 3000.0\n";
    return s.str();
}

struct PileRun {
    std::vector<std::string> codes;        // completion code lines of the status file
    std::vector<double> capDisplacementY;  // per load case
};

PileRun runSinglePile(const std::string& soil) {
    TempDir dir;
    writeFile(dir / "pile.dat", singlePileModel(soil));
    PileRun run;
    EXPECT_EQ(runModel(dir.path(), "pile.dat"), 0);
    for (const std::string& line : readLines(dir / "out" / "pile.sta"))
        if (line.rfind("    ", 0) == 0 && line.find("ANALYSIS") != std::string::npos &&
            line.find("TOTAL LOAD") == std::string::npos)
            run.codes.push_back(line);
    const std::vector<std::string> results = readLines(dir / "out" / "pile.res");
    for (std::size_t k = 0; k + 1 < results.size(); ++k) {
        if (results[k].find("* DISPLACEMENT OF PILE CAP AT ORIGIN *") == std::string::npos)
            continue;
        std::istringstream values(results[k + 1]);
        double X = 0.0, Y = 0.0;
        values >> X >> Y;
        run.capDisplacementY.push_back(Y);
    }
    return run;
}

void expectBothCasesComplete(const PileRun& run, const char* soil) {
    ASSERT_EQ(run.codes.size(), 2u) << soil;
    for (const std::string& code : run.codes)
        EXPECT_EQ(code, "    1 ANALYSIS COMPLETED") << soil;
    ASSERT_EQ(run.capDisplacementY.size(), 2u) << soil;
    // The larger load pushes the head further, in the direction of the load.
    EXPECT_GT(run.capDisplacementY[0], 0.0) << soil;
    EXPECT_GT(run.capDisplacementY[1], run.capDisplacementY[0]) << soil;
}

TEST(GranularSinglePile, EveryCriterionCompletesForASmallAndALargeLoad) {
    // Medium dense sand (phi 35, k 20000 kN/m3, gamma' 9 kN/m3).
    expectBothCasesComplete(runSinglePile("1\n" + layer(1, 4, 0.0, 30.0, 9.0, 0.0, 35.0, 2.0E4)),
                            "sand");
    expectBothCasesComplete(runSinglePile("1\n" + layer(1, 8, 0.0, 30.0, 9.0, 0.0, 35.0, 2.0E4)),
                            "API sand");
    // Silt with c = 10 kPa and phi = 28.
    expectBothCasesComplete(runSinglePile("1\n" + layer(1, 7, 0.0, 30.0, 9.0, 10.0, 28.0, 2.0E4)),
                            "silt");
    // 4 m of liquefied sand over API sand, whose resistance starts at the
    // equivalent depth of the liquefied layer.
    expectBothCasesComplete(runSinglePile("2\n" + layer(1, 11, 0.0, 4.0, 9.0, 0.0, 0.0, 0.0) +
                                          layer(2, 8, 4.0, 30.0, 9.0, 0.0, 35.0, 2.0E4)),
                            "liquefied sand");
}

TEST(GranularSinglePile, SandHeadDeflectionFallsAsTheFrictionAngleRises) {
    std::vector<PileRun> runs;
    for (double phi : {30.0, 35.0, 40.0}) {
        runs.push_back(runSinglePile("1\n" + layer(1, 4, 0.0, 30.0, 9.0, 0.0, phi, 2.0E4)));
        expectBothCasesComplete(runs.back(), "sand");
    }
    for (std::size_t k = 1; k < runs.size(); ++k) {
        if (runs[k].capDisplacementY.size() != 2u || runs[k - 1].capDisplacementY.size() != 2u)
            continue;
        for (std::size_t c = 0; c < 2; ++c)
            EXPECT_LT(runs[k].capDisplacementY[c], runs[k - 1].capDisplacementY[c])
                << "friction angle step " << k << ", load case " << c + 1;
    }
}

}  // namespace
