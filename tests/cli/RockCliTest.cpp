// SPDX-License-Identifier: Apache-2.0
// A single drilled shaft in weak rock and in vuggy limestone through the
// command-line program: every load case completes (code 1 in the status
// file) under a small and a large lateral load, and the head deflects less
// the stronger the rock.

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

// A 12 m steel pipe pile, 0.9 m across, fixed into a small cap at the rock
// surface, in 30 m of rock of the given type and compressive strength
// (kPa); two load cases push it 400 kN and 1500 kN sideways under 500 kN.
std::string rockModel(int KSOIL, double qu) {
    std::ostringstream rock;
    rock << "12.0 " << qu << " 0.0 0.0 5.0E5 0.0005 50.0 100.0 5000.0\n";
    std::ostringstream m;
    m << "Single pile in rock\n"
         "Lateral load property check\n"
         "* CONTROL PARAMETERS *\n"
         "2 3 0 0 0 0 0 0 0 0 0 0\n"
         "* TABLE B *  PILE CAP\n"
         "1.0 1.0 1.0\n"
         "* TABLE C *  LOAD CASES\n"
         "2 0 0 0\n";
    for (const char* H : {"400.0", "1500.0"}) {
        m << "0 0 0 1 0 100 100\n"
             "1.0E-3 1.0E-5 0.2 0.01\n"
             "Lateral load "
          << H
          << " kN\n"
             "0 0 0 0 0 0 0\n"
             "1 1 1.0 0\n"
             "1\n"
             "500.0 "
          << H
          << " 0.0 0.0 0.0 0.0 0.0 0.0 0.0\n"
             "0\n"
             "0\n";
    }
    m << "* TABLE C *  LOAD COMBINATIONS\n"
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
         "40 12.0 2.0E8 2\n"
         "12.0 0.0 1 0 0\n"
         "* PILE CROSS SECTIONS *\n"
         "1\n"
         "1 1 1\n"
         "PIPE900x20\n"
         "0.9 0.86 0.0 0.0 0.0 0.0 0.0 0.0\n"
         "7.7E7 5.529E-2 5.375E-3 5.375E-3 0.0 8.27E5 5000.0 8000.0 0.0 0.0\n"
         "* TABLE F *  SOIL DATA FOR P-Y CURVES\n"
         "1\n"
      << "1 " << KSOIL
      << "\n"
         "0.0 30.0\n"
         "2 9\n"
      << rock.str() << rock.str();
    return m.str();
}

struct RockRun {
    std::vector<int> completionCodes;    // one per load case, from the status file
    std::vector<double> headDeflection;  // lateral (Y) cap displacement per load case
};

RockRun runRockModel(int KSOIL, double qu) {
    TempDir dir;
    writeFile(dir / "rock.dat", rockModel(KSOIL, qu));
    const std::string command = "cd '" + dir.path().string() +
                                "' && '" PYLORA_CLI "' rock.dat -o out --quiet > /dev/null 2>&1";
    const int status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status));

    RockRun run;
    // Status lines: the completion code, then its text.
    for (const std::string& line : readLines(dir / "out" / "rock.sta")) {
        std::istringstream in(line);
        int code = 0;
        std::string text;
        if (in >> code >> text && text == "ANALYSIS") run.completionCodes.push_back(code);
    }
    // The cap displacement follows its heading in the results data file:
    // translations X, Y, Z, then the rotations.
    const std::vector<std::string> lines = readLines(dir / "out" / "rock.res");
    for (std::size_t k = 0; k + 1 < lines.size(); ++k) {
        if (lines[k].find("DISPLACEMENT OF PILE CAP AT ORIGIN") == std::string::npos) continue;
        std::istringstream in(lines[k + 1]);
        double x = 0.0, y = 0.0;
        if (in >> x >> y) run.headDeflection.push_back(y);
    }
    return run;
}

TEST(RockPile, CompletesUnderSmallAndLargeLoadsAndStifferRockDeflectsLess) {
    for (int KSOIL : {9, 6}) {  // weak rock, vuggy limestone
        std::vector<RockRun> runs;
        for (double qu : {2000.0, 5000.0, 20000.0})
            runs.push_back(runRockModel(KSOIL, qu));
        for (std::size_t s = 0; s < runs.size(); ++s) {
            SCOPED_TRACE("soil type " + std::to_string(KSOIL) + ", strength " +
                         std::to_string(s + 1));
            EXPECT_EQ(runs[s].completionCodes, (std::vector<int>{1, 1}));
            ASSERT_EQ(runs[s].headDeflection.size(), 2u);
            EXPECT_GT(runs[s].headDeflection[0], 0.0);
            EXPECT_GT(runs[s].headDeflection[1], runs[s].headDeflection[0]);
            if (s == 0) continue;
            for (int c = 0; c < 2; ++c)
                EXPECT_LT(runs[s].headDeflection[c], runs[s - 1].headDeflection[c]) << "case " << c;
        }
    }
}

}  // namespace
