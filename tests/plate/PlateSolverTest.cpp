// SPDX-License-Identifier: Apache-2.0
// The plate solution on springs whose response is known in closed form:
// equilibrium of the plate with its load in every converged step, the
// pseudo-time steps (one step, the last step at TEND, halving down to
// DTMIN), the listings and step results, and the stops for an element of
// negative area and a plate that nothing holds.

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "plate/plate_export.h"
#include "plate/plate_solver.h"
#include "store/return_codes.h"
#include "tests/plate/plate_test_support.h"

namespace pylora {
namespace {

using platetest::addPile;
using platetest::plateRun;

// Spring stiffness of a pile head in cap axes: axial, two lateral,
// torsional and two rocking values.
constexpr double kAxial = 2.0E5;
constexpr double kLateral = 3.0E4;
constexpr double kTorsion = 1.0E4;
constexpr double kRocking = 5.0E4;
constexpr double kCoupling = 2.0E4;

// A linear spring, or with cubic the softening spring F = -k u (1 - c u^2)
// in the axial direction.
struct Springs {
    double cubic = 0.0;
    double failAbove = 0.0;  // > 0: no closure once |uX| exceeds it
    int evaluations = 0;
    int operator()(int, const CapVector& u, CapVector& force, CapMatrix* stiffness) {
        ++evaluations;
        if (failAbove > 0.0 && std::fabs(u[0]) > failAbove) return kPlateSpringNotClosed;
        const double k[6] = {kAxial, kLateral, kLateral, kTorsion, kRocking, kRocking};
        for (int i = 0; i < 6; ++i)
            force[i] = -k[i] * u[i];
        force[0] = -kAxial * u[0] * (1.0 - cubic * u[0] * u[0]);
        // A fixed pile head: its shear follows its rotation, d uY / dx = thetaZ
        // and d uZ / dx = -thetaY along the pile.
        force[1] -= kCoupling * u[5];
        force[5] -= kCoupling * u[1];
        force[2] += kCoupling * u[4];
        force[4] += kCoupling * u[2];
        if (stiffness != nullptr) {
            stiffness->fill(0.0);
            for (int i = 0; i < 6; ++i)
                (*stiffness)[i + 6 * i] = -k[i];
            (*stiffness)[0] = -kAxial * (1.0 - 3.0 * cubic * u[0] * u[0]);
            (*stiffness)[1 + 6 * 5] = -kCoupling;
            (*stiffness)[5 + 6 * 1] = -kCoupling;
            (*stiffness)[2 + 6 * 4] = kCoupling;
            (*stiffness)[4 + 6 * 2] = kCoupling;
        }
        return 0;
    }
};

struct Case {
    std::unique_ptr<platetest::PlateRun> run;
    PlateModel model;
};

// A 6 m x 4 m cap, 1 m thick, 3 x 2 elements, four piles with their heads
// `lever` below the plate's mid-plane, under the load given.
Case fourPileCap(const CapVector& load, double lever = 0.0) {
    Case c;
    c.run = plateRun(6.0, 4.0, 1.0, 0.0, 0.0, 3, 2);
    ModelStore& s = *c.run->store;
    for (const double y : {-2.0, 2.0})
        for (const double z : {-1.5, 1.5})
            addPile(s, lever, y, z);
    s.analysis.capLoad = load;
    EXPECT_EQ(buildPlateModel(s, c.model), 0);
    return c;
}

struct Files {
    platetest::PlateRun& run;
    FileHandle listing, summary, results, iterations, fort2, fort3, fort4;
    explicit Files(platetest::PlateRun& r)
        : run(r),
          listing(openForWriting(r.path("p.pls"))),
          summary(openForWriting(r.path("p.psm"))),
          results(openForWriting(r.path("p.pst"))),
          iterations(openForWriting(r.path("p.pit"))),
          fort2(std::fopen(r.path("fort2").c_str(), "w+b")),
          fort3(std::fopen(r.path("fort3").c_str(), "w+b")),
          fort4(std::fopen(r.path("fort4").c_str(), "w+b")) {}
    PlateSolverFiles files() const {
        return {listing.get(), summary.get(), results.get(), iterations.get(),
                fort2.get(),   fort3.get(),   fort4.get(),   false};
    }
    std::string text(const char* name) {
        for (FileHandle* f : {&listing, &summary, &results, &iterations})
            std::fflush(f->get());
        return run.file(name);
    }
};

std::vector<std::string> linesWith(const std::string& text, const std::string& start) {
    std::vector<std::string> found;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(start, 0) == 0) found.push_back(line);
    return found;
}

// The forces of the springs on the cap at the final displacement, summed
// at the cap origin, plus the load: zero in equilibrium.
CapVector outOfBalance(const Case& c, const PlateSolution& solution, Springs springs) {
    CapVector sum{};
    for (std::size_t s = 0; s < solution.springs.size(); ++s) {
        const CapVector u = plateHeadDisplacement(c.model, solution.springs[s], solution.ASDIS);
        CapVector f{};
        springs(static_cast<int>(s), u, f, nullptr);
        const PlateRecord& head = c.model.springs[s];
        const double r[3] = {head[0], head[1], head[2]};
        for (int i = 0; i < 3; ++i)
            sum[i] += f[i];
        sum[3] += f[3] + r[1] * f[2] - r[2] * f[1];
        sum[4] += f[4] + r[2] * f[0] - r[0] * f[2];
        sum[5] += f[5] + r[0] * f[1] - r[1] * f[0];
    }
    for (const PlateRecord& load : c.model.loads) {
        const double r[3] = {load[0], load[1], load[2]};
        const double* f = &load[3];
        for (int i = 0; i < 3; ++i)
            sum[i] += solution.convergedTime * f[i];
        sum[3] += solution.convergedTime * (load[6] + r[1] * f[2] - r[2] * f[1]);
        sum[4] += solution.convergedTime * (load[7] + r[2] * f[0] - r[0] * f[2]);
        sum[5] += solution.convergedTime * (load[8] + r[0] * f[1] - r[1] * f[0]);
    }
    return sum;
}

TEST(PlateSolution, PlateOnSpringsBalancesItsLoadInEveryConvergedStep) {
    const CapVector load{3000.0, 200.0, -150.0, 400.0, 600.0, -500.0};
    for (const double lever : {0.0, 0.75}) {
        for (const double cubic : {0.0, 2.0E3}) {
            for (const double end : {0.25, 0.5, 0.75, 1.0}) {
                SCOPED_TRACE("lever " + std::to_string(lever) + " cubic " + std::to_string(cubic) +
                             " TEND " + std::to_string(end));
                Case c = fourPileCap(load, lever);
                c.model.stepping.TEND = end;
                Files f(*c.run);
                Springs springs{cubic};
                PlateSolution solution;
                ASSERT_EQ(
                    solvePlateSteps(c.model, f.files(), inSpringOrder(std::ref(springs)), solution),
                    0);
                EXPECT_FALSE(solution.stepTooSmall);
                EXPECT_DOUBLE_EQ(solution.convergedTime, end);
                const CapVector r = outOfBalance(c, solution, Springs{cubic});
                // Forces to a part in 1.0E-6 of the vertical load, moments
                // over the lever of the cap's half-length.
                for (int i = 0; i < 3; ++i)
                    EXPECT_NEAR(r[i], 0.0, 1.0E-6 * load[0]) << "force " << i;
                for (int i = 3; i < 6; ++i)
                    EXPECT_NEAR(r[i], 0.0, 3.0E-6 * load[0]) << "moment " << i;
            }
        }
    }
}

TEST(PlateSolution, StepsFromTiniToTendEndExactlyAtTend) {
    const CapVector load{1000.0, 0.0, 0.0, 0.0, 0.0, 0.0};
    {
        // DT = TEND - TINI: a single step, and the head of the step results once.
        Case c = fourPileCap(load);
        c.model.stepping.DT = 1.0;
        Files f(*c.run);
        PlateSolution solution;
        ASSERT_EQ(solvePlateSteps(c.model, f.files(), inSpringOrder(Springs{}), solution), 0);
        EXPECT_EQ(solution.convergedSteps, 1);
        EXPECT_EQ(linesWith(f.text("p.psm"), "STEP "),
                  (std::vector<std::string>{"STEP     1   TCUR   =    1.0000  DT =     1.0000"}));
        const std::string results = f.text("p.pst");
        EXPECT_EQ(linesWith(results, "STEP"),
                  (std::vector<std::string>{"STEP_DATA", "STEP       1"}));
        EXPECT_EQ(results.rfind("END_STEP_DATA\n"), results.size() - 14);
    }
    {
        // Steps of 0.3: the fourth is cut back to end at 1.0.
        Case c = fourPileCap(load);
        c.model.stepping.DT = 0.3;
        Files f(*c.run);
        PlateSolution solution;
        ASSERT_EQ(solvePlateSteps(c.model, f.files(), inSpringOrder(Springs{}), solution), 0);
        EXPECT_EQ(solution.convergedSteps, 4);
        EXPECT_EQ(solution.convergedTime, 1.0);
        EXPECT_EQ(linesWith(f.text("p.psm"), "STEP "),
                  (std::vector<std::string>{"STEP     1   TCUR   =    0.3000  DT =     0.3000",
                                            "STEP     2   TCUR   =    0.6000  DT =     0.3000",
                                            "STEP     3   TCUR   =    0.9000  DT =     0.3000",
                                            "STEP     4   TCUR   =    1.0000  DT =     0.3000"}));
        EXPECT_EQ(linesWith(f.text("p.pst"), "STEP_DATA").size(), 1U);
        EXPECT_EQ(linesWith(f.text("p.pst"), "STEP  ").size(), 4U);
    }
}

TEST(PlateSolution, StepThatCannotConvergeIsHalvedDownToDtmin) {
    const CapVector load{1000.0, 0.0, 0.0, 0.0, 0.0, 0.0};
    Case c = fourPileCap(load);
    Files f(*c.run);
    // Each of the four springs carries 250 kN at the full load, 62.5 kN
    // (a head settlement of 3.1E-4 m) at the first step of 0.25; beyond
    // 1.01 times that settlement the piles do not close.
    Springs springs;
    springs.failAbove = 1.01 * 0.25 * 250.0 / kAxial;
    PlateSolution solution;
    ASSERT_EQ(solvePlateSteps(c.model, f.files(), inSpringOrder(std::ref(springs)), solution), 0);
    EXPECT_TRUE(solution.stepTooSmall);
    EXPECT_EQ(solution.convergedSteps, 1);
    EXPECT_EQ(solution.convergedTime, 0.25);
    const std::string summary = f.text("p.psm");
    // 0.25 converges; 0.5 fails and is retried at 0.375, 0.3125, 0.28125
    // (printed 0.2812: F10.4 rounds the tie to even),
    // 0.265625; the next half, 0.0078125, is below DTMIN = 0.01.
    EXPECT_EQ(linesWith(summary, "STEP "),
              (std::vector<std::string>{"STEP     1   TCUR   =    0.2500  DT =     0.2500",
                                        "STEP     2   TCUR   =    0.5000  DT =     0.2500",
                                        "STEP     2   TCUR   =    0.3750  DT =     0.1250",
                                        "STEP     2   TCUR   =    0.3125  DT =     0.0625",
                                        "STEP     2   TCUR   =    0.2812  DT =     0.0312",
                                        "STEP     2   TCUR   =    0.2656  DT =     0.0156"}));
    EXPECT_EQ(linesWith(summary, "error").back(),
              "error, REQUIRED INCREMENT LESS THAN MINIMUM SPECIFIED");
    EXPECT_EQ(linesWith(f.text("p.pst"), "STEP  ").size(), 1U);
}

TEST(PlateSolution, ListingsFollowTheirLayouts) {
    Case c = fourPileCap({1000.0, 0.0, 0.0, 0.0, 0.0, 0.0});
    c.model.stepping.DT = 1.0;
    Files f(*c.run);
    PlateSolution solution;
    ASSERT_EQ(solvePlateSteps(c.model, f.files(), inSpringOrder(Springs{}), solution), 0);
    const std::string summary = f.text("p.psm");
    // A linear spring and plate: the second iteration's correction is
    // rounding only, so both flags are true there.
    const std::vector<std::string> iterations = linesWith(summary, "ITER =");
    ASSERT_EQ(iterations.size(), 2U);
    EXPECT_EQ(iterations[0].substr(0, 29), "ITER =    1 ERR1 = 0.1000E+01");
    EXPECT_EQ(iterations[0].size(), 6U + 5 + 7 + 11 + 5 + 11 + 4 + 11 + 7 + 11);
    EXPECT_NE(summary.find("\n            ERR2 = 0.1000E+01 R = "), std::string::npos);

    const std::string listing = f.text("p.pls");
    EXPECT_NE(listing.find("\n          STRESSES\n\n\n G,P.  X-COORD.  Y-COORD.   SIGMA_XX    "
                           "SIGMA_YY    SIGMA_XY   X-MOMENT    Y-MOMENT   XY-MOMENT  XZ-S,FORCE  "
                           "YZ-S,FORCE\n\n     ELEMENT NO.=    1\n    1"),
              std::string::npos);
    EXPECT_NE(listing.find("\n          MAXIMUM STRESSES\n\n                            SIGMA_XX"),
              std::string::npos);
    EXPECT_NE(listing.find("\n          STRESS         "), std::string::npos);
    EXPECT_NE(listing.find("\n          ELEM.          "), std::string::npos);
    EXPECT_NE(listing.find("\n          MINIMUM STRESSES\n"), std::string::npos);

    EXPECT_NE(f.text("p.pit").find("\n     DSDIS\n    1 "), std::string::npos);
    EXPECT_NE(f.text("p.pit").find("\n     ASDIS + TSDIS\n"), std::string::npos);

    // Step results: the head, then per node I5 and fourteen E12.4 values.
    const std::string results = f.text("p.pst");
    const std::string head =
        "STEP_DATA\n14\nUX UY UZ ROTX ROTY ROTZ SXX SYY SXY MOM_X MOM_Y MOM_XY SH_XZ "
        "SH_YZ\nSTEP       1\n";
    EXPECT_EQ(results.substr(0, head.size()), head);
    const std::vector<std::string> node1 = linesWith(results, "    1 ");
    ASSERT_EQ(node1.size(), 1U);
    EXPECT_EQ(node1[0].size(), 5U + 14U * 12U);
}

TEST(PlateSolution, SymmetricPlateUnderCentralLoadDeflectsSymmetrically) {
    // Under a vertical load at the centre of the doubly symmetric cap the
    // nodes mirrored about Y = 0 and Z = 0 settle alike.
    Case c = fourPileCap({1000.0, 0.0, 0.0, 0.0, 0.0, 0.0});
    Files f(*c.run);
    PlateSolution solution;
    ASSERT_EQ(solvePlateSteps(c.model, f.files(), inSpringOrder(Springs{}), solution), 0);
    const int n = c.model.control.NPOIN;
    auto settlement = [&](double y, double z) {
        for (int i = 0; i < n; ++i)
            if (std::fabs(c.model.nodes[i][1] - y) < 1e-9 &&
                std::fabs(c.model.nodes[i][2] - z) < 1e-9)
                return solution.ASDIS[6 * static_cast<std::size_t>(i)];
        ADD_FAILURE() << "no node at " << y << ", " << z;
        return 0.0;
    };
    for (int i = 0; i < n; ++i) {
        const double y = c.model.nodes[i][1];
        const double z = c.model.nodes[i][2];
        const double w = solution.ASDIS[6 * static_cast<std::size_t>(i)];
        EXPECT_NEAR(settlement(-y, z), w, 1.0E-9 * std::fabs(w));
        EXPECT_NEAR(settlement(y, -z), w, 1.0E-9 * std::fabs(w));
    }
    // By symmetry and equilibrium each of the four equal springs carries a
    // quarter of the load: its head settles by P / (4 k).
    for (const PlatePoint& p : solution.springs)
        EXPECT_NEAR(plateHeadDisplacement(c.model, p, solution.ASDIS)[0], 1000.0 / (4.0 * kAxial),
                    1.0E-9);
    // The plate bends: its centre settles more than its pile heads.
    EXPECT_GT(settlement(0.0, 0.0), 1000.0 / (4.0 * kAxial));
}

TEST(PlateSolution, SquarePlateOnFourPilesIsSymmetricAboutItsDiagonal) {
    // A square cap, its mesh and its piles are unchanged by exchanging Y and
    // Z: under a central vertical load the settlement at (Y, Z) equals that
    // at (Z, Y), and the slopes about Y and Z trade places.
    auto r = plateRun(6.0, 6.0, 1.0, 0.0, 0.0, 3, 3);
    ModelStore& s = *r->store;
    for (const double y : {-2.3, 2.3})
        for (const double z : {-2.3, 2.3})
            addPile(s, 0.0, y, z);
    s.analysis.capLoad = {1000.0, 0.0, 0.0, 0.0, 0.0, 0.0};
    Case c;
    ASSERT_EQ(buildPlateModel(s, c.model), 0);
    c.run = std::move(r);
    Files f(*c.run);
    PlateSolution solution;
    ASSERT_EQ(solvePlateSteps(c.model, f.files(), inSpringOrder(Springs{}), solution), 0);
    const int n = c.model.control.NPOIN;
    auto nodeAt = [&](double y, double z) {
        for (int i = 0; i < n; ++i)
            if (std::fabs(c.model.nodes[i][1] - y) < 1e-9 &&
                std::fabs(c.model.nodes[i][2] - z) < 1e-9)
                return static_cast<std::size_t>(i);
        ADD_FAILURE() << "no node at " << y << ", " << z;
        return std::size_t{0};
    };
    for (int i = 0; i < n; ++i) {
        const std::size_t a = static_cast<std::size_t>(i);
        const std::size_t b = nodeAt(c.model.nodes[a][2], c.model.nodes[a][1]);
        const double w = solution.ASDIS[6 * a];
        EXPECT_NEAR(solution.ASDIS[6 * b], w, 1.0E-9 * std::fabs(w)) << "node " << i + 1;
        // Exchanging Y and Z turns a rotation about Y into minus one about Z.
        EXPECT_NEAR(solution.ASDIS[6 * b + 5], -solution.ASDIS[6 * a + 4], 1.0E-9 * std::fabs(w))
            << "node " << i + 1;
    }
}

TEST(PlateSolution, ClockwiseCornersAndAnUnheldPlateStopWithTheirMessages) {
    {
        Case c = fourPileCap({1000.0, 0.0, 0.0, 0.0, 0.0, 0.0});
        std::vector<int>& nodes = c.model.elements[1].nodes;
        std::swap(nodes[1], nodes[3]);  // corners 1, 4, 3, 2: clockwise
        std::swap(nodes[4], nodes[7]);
        std::swap(nodes[5], nodes[6]);
        Files f(*c.run);
        PlateSolution solution;
        EXPECT_EQ(solvePlateSteps(c.model, f.files(), inSpringOrder(Springs{}), solution),
                  kReturnPlateSolutionStopped);
        EXPECT_NE(f.text("p.psm").find("\n\n PROGRAM HALTED IN SUBROUTINE JACOB2\n"
                                       "            ZERO OR NEGATIVE AREA\n"
                                       "           ELEMENT NUMBER     2\n"),
                  std::string::npos);
        EXPECT_EQ(solution.convergedSteps, 0);
    }
    {
        Case c = fourPileCap({1000.0, 0.0, 0.0, 0.0, 0.0, 0.0});
        c.model.springs.clear();
        c.model.control.NCTSTI = 0;
        Files f(*c.run);
        PlateSolution solution;
        EXPECT_EQ(solvePlateSteps(c.model, f.files(), inSpringOrder(Springs{}), solution),
                  kReturnPlateSolutionStopped);
        EXPECT_NE(f.text("p.psm").find("    NEGATIVE OR ZERO PIVOT ENCOUNTERED FOR VARIABLE NO. "),
                  std::string::npos);
    }
}

}  // namespace
}  // namespace pylora
