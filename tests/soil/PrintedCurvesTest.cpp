// SPDX-License-Identifier: Apache-2.0
// The printed p-y curves: the checks of each request, the report and
// plot-file layouts, and the printed points of each kind of soil against the
// curve computed by hand at the same depth. The expected lines were written
// from the layouts; the values of the points come from the criteria's
// formulas worked by hand (and, for the field layouts, printed by gfortran
// with the same edit descriptors).
#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "soil/printed_curves.h"
#include "soil_test_support.h"

namespace pylora {
namespace {

using soiltest::addLayer;
using soiltest::addPile;
using soiltest::contentsOf;
using soiltest::Row;

// A metric model of one pile group: head at X = 0, 20 increments of 1 m,
// diameter 1 m; the plot file captured with the report.
std::unique_ptr<ModelStore> printingModel(double groundBelowHead) {
    auto store = makeModelStore();
    soiltest::openCaptureFiles(*store);
    store->files.plot.reset(std::tmpfile());
    store->units.length2.assign(" M");
    store->units.force3.assign(" KN");
    store->arrangement.pileGroupCount = 1;
    addPile(*store, 1, 1.0, 0.0, groundBelowHead, 20, 1.0);
    store->control.KPYOP = 1;
    return store;
}

void addRequest(ModelStore& store, double X, std::initializer_list<double> deflections = {}) {
    PyPrintTable& t = store.pyPrints;
    PyPrintRequest& r = t.rows[t.pyPrintCount];
    t.pyPrintCount += 1;
    r.pileNo = 1;
    r.depth = X;
    r.extraDepthCount = static_cast<int>(deflections.size());
    int k = 0;
    for (double y : deflections)
        r.extraDepths[k++] = y;
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The report lines from the one holding `from` on, `count` of them.
std::vector<std::string> reportFrom(const ModelStore& store, const std::string& from, int count) {
    const std::vector<std::string> lines = linesOf(contentsOf(store.files.report));
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].find(from) != std::string::npos) {
            const std::size_t end = std::min(lines.size(), i + static_cast<std::size_t>(count));
            return {lines.begin() + static_cast<std::ptrdiff_t>(i),
                    lines.begin() + static_cast<std::ptrdiff_t>(end)};
        }
    return {};
}

// Soft clay c = 10 kPa, no unit weight, E50 = 0.01, from the head down to
// 30 m: at x = 4 m, Np = 3 + 0.5 x / b = 5, pu = 50 kN/m; y50 = 2.5 E50 b =
// 0.025 m. With pm = 0.5 and ym = 2 a point (y, p) prints as (2y, p / 2).
TEST(PrintedPyCurves, ReportAndPlotFileLayoutsOfASoftClayCurve) {
    auto store = printingModel(0.0);
    addLayer(*store, 1, 0.0, 30.0, Row{0.0, 10.0, 0.0, 0.0, 0.0, 0.01},
             Row{0.0, 10.0, 0.0, 0.0, 0.0, 0.01});
    prepareSoilProfile(*store);
    store->groupFactors.pMultiplier[0] = 0.5;
    store->groupFactors.yMultiplier[0] = 2.0;
    // The user's five deflections; the second is below YMIN and earns the
    // warning with the initial slope 0.5 pu (y50 / YMIN)^(2/3) / y50.
    addRequest(*store, 4.0, {0.01, 0.0, 0.025, 0.1, 0.5});
    printPyCurves(*store);

    const std::vector<std::string> expected = {
        "",
        "",
        "     * GENERATED P-Y CURVES *",
        "",
        "     NUMBER OF CURVES  :    1",
        "",
        "",
        "         CURVE NUMBER              =    1",
        "",
        "         PILE GROUP NUMBER         =    1",
        "",
        "         DEPTH                     =      4.00  M",
        "",
        "         NUMBER OF POINTS ON CURVE =    5",
        "",
        "         DEPTH BELOW GS      DIAM         C         GAMMA         E50",
        "               (M)             (M)    (KN/M**2)   (KN/M**3)",
        "              4.00           1.000   0.1000E+02  0.0000E+00   0.1000E-01",
        "                                     Y, M             P, KN/ M",
        "                                    0.020               9.210",
        "                                    0.000               0.000",
        "",
        "                             **** WARNING ****",
        "     DEFLECTION IS LESS THAN 1.0E-14.  THE PROGRAM",
        "     USED A SOIL MODULUS OF   0.1842E+12",
        "                                    0.050              12.500",
        "                                    0.200              19.843",
        "                                    1.000              25.000",
    };
    EXPECT_EQ(linesOf(contentsOf(store->files.report)), expected);

    const std::vector<std::string> plot = {
        "     * GENERATED P-Y CURVES *",
        "         1",
        "    1    1    5",
        "  0.20000000E-01   9.2100787    ",
        "   0.0000000       0.0000000    ",
        "  0.50000000E-01   12.500000    ",
        "  0.20000000       19.842513    ",
        "   1.0000000       25.000000    ",
    };
    EXPECT_EQ(linesOf(contentsOf(store->files.plot)), plot);
    EXPECT_EQ(store->pyPrinting.printing, 0);
}

TEST(PrintedPyCurves, ARequestWithoutPointsPrintsTheCriterionsSeventeen) {
    auto store = printingModel(0.0);
    addLayer(*store, 1, 0.0, 30.0, Row{0.0, 10.0, 0.0, 0.0, 0.0, 0.01},
             Row{0.0, 10.0, 0.0, 0.0, 0.0, 0.01});
    prepareSoilProfile(*store);
    addRequest(*store, 2.0);
    printPyCurves(*store);
    const std::vector<std::string> lines = reportFrom(*store, "NUMBER OF POINTS ON CURVE", 23);
    ASSERT_EQ(lines.size(), 23u);
    EXPECT_EQ(lines[0], "         NUMBER OF POINTS ON CURVE =   17");
    // x = 2 m: pu = 40 kN/m. Point 6 is y50 (p = pu / 2), point 15 is 8 y50
    // (p = pu), point 17 is 20 y50.
    EXPECT_EQ(lines[6 + 5], "                                    0.025              20.000");
    EXPECT_EQ(lines[6 + 14], "                                    0.200              40.000");
    EXPECT_EQ(lines[6 + 16], "                                    0.500              40.000");
}

// Ground 1 m below the head (X = 1), tip at X = 20, soil from X = 3 to 15
// with a layer of user curves from 10 to 15.
TEST(PrintedPyCurves, RequestsOutsideThePileOrTheSoilAreRefusedNamingTheLimit) {
    auto store = printingModel(1.0);
    const Row clay{0.0, 10.0, 0.0, 0.0, 0.0, 0.01};
    addLayer(*store, 1, 3.0, 10.0, clay, clay);
    addLayer(*store, 5, 10.0, 15.0, clay, clay);
    prepareSoilProfile(*store);
    for (double X : {1.0, 25.0, -1.0, 2.5, 15.0, 12.0})
        addRequest(*store, X);
    printPyCurves(*store);

    const std::string report = contentsOf(store->files.report);
    const char* refusals[] = {
        // At the ground (status 3).
        "         CURVE NOT GENERATED SINCE REQUIRED DEPTH,        1.00  M,\n"
        "         IS ABOVE OR EQUAL TO THE SOIL GROUND FOR REQUIRED PILE,       1.00  M\n",
        // Below the tip (4).
        "         CURVE NOT GENERATED SINCE REQUIRED DEPTH,       25.00  M,\n"
        "         IS BELOW TIP OF REQUIRED PILE,      20.00  M\n",
        // Above the head: the later check overrides the ground's (6).
        "         CURVE NOT GENERATED SINCE REQUIRED DEPTH,       -1.00  M,\n"
        "         IS ABOVE TOP OF REQUIRED PILE,       0.00  M\n",
        // The profile's top, its bottom and a layer of user curves.
        "         CURVE NOT GENERATED SINCE REQUIRED DEPTH,           2.50  M,\n"
        "         IS ABOVE OR EQUAL TO THE DEFINED SOIL TOP,       3.00  M\n",
        "         CURVE NOT GENERATED SINCE REQUIRED DEPTH,          15.00  M,\n"
        "         IS BELOW OR EQUAL TO THE DEFINED SOIL BOTTOM,      15.00  M\n",
        "         CURVE NOT GENERATED SINCE REQUIRED DEPTH,          12.00  M,\n"
        "         IS WITHIN LAYER   2, WHICH IS SET AS USER DEFINED P-Y CURVES\n",
    };
    for (const char* refusal : refusals)
        EXPECT_NE(report.find(refusal), std::string::npos) << refusal;
    EXPECT_EQ(report.find("NUMBER OF POINTS ON CURVE"), std::string::npos);
    // The plot file still gets each curve's header, with no points.
    const std::vector<std::string> plot = linesOf(contentsOf(store->files.plot));
    ASSERT_EQ(plot.size(), 8u);
    EXPECT_EQ(plot[1], "         6");
    EXPECT_EQ(plot[7], "    6    1    0");
}

// An embedded cap 1.5 m thick on the pile head at X = 0, the ground at its
// top (X = -1.5); cap width 3 m. Soft clay c = 10 kPa from the ground down.
TEST(PrintedPyCurves, OneCurveAtCapLevelTheNextRefused) {
    auto store = printingModel(-1.5);
    store->control.embeddedCapOption = 1;
    store->cap.capThicknessX = 1.5;
    store->cap.capWidthZ = 3.0;
    const Row clay{0.0, 10.0, 0.0, 0.0, 0.0, 0.01};
    addLayer(*store, 1, -1.5, 30.0, clay, clay);
    prepareSoilProfile(*store);
    store->groupFactors.pMultiplier[0] = 0.5;
    for (double X : {-2.0, -1.0, -0.5, 5.0})
        addRequest(*store, X);
    printPyCurves(*store);

    const std::string report = contentsOf(store->files.report);
    EXPECT_NE(report.find("         CURVE NOT GENERATED SINCE REQUIRED DEPTH,       -2.00  M,\n"
                          "         IS ABOVE TOP OF PILE CAP,      -1.50  M\n"),
              std::string::npos);
    EXPECT_NE(report.find("         CURVE NUMBER              =    2\n\n"
                          "         AT PILE CAP LEVEL, DEPTH  =     -1.00  M\n\n"
                          "         NUMBER OF POINTS ON CURVE =   17\n"),
              std::string::npos);
    EXPECT_NE(report.find("         CURVE NUMBER              =    3\n\n"
                          "         PILE GROUP NUMBER         =    1\n\n\n"
                          "         CURVE NOT GENERATED SINCE ONLY ONE CURVE \n"
                          "         AT PILE CAP LEVEL CAN BE PRINTED \n"),
              std::string::npos);
    EXPECT_NE(report.find("         DEPTH                     =      5.00  M\n"),
              std::string::npos);

    // The cap curve: b = 3 m, x = 0.5 m below the ground, pu = (3 + 0.5 x /
    // b) c b = 92.5 kN/m, y50 = 0.075 m; its points are not scaled, so point
    // 6 (y50) is (0.075, 46.25).
    const std::vector<std::string> cap = reportFrom(*store, "AT PILE CAP LEVEL", 14);
    ASSERT_EQ(cap.size(), 14u);
    EXPECT_EQ(cap[6], "              0.50           3.000   0.1000E+02  0.0000E+00   0.1000E-01");
    EXPECT_EQ(cap[13], "                                    0.075              46.250");
}

// One printed point of each criterion, at y where the hand calculation is
// short, with pm = 0.5 and ym = 2: the printed pair is (2 y, p / 2).
struct SoilCase {
    const char* name;
    int KSOIL;
    Row row;
    double X;           // requested depth; the ground is at the head, X = 0
    double y;           // the deflection asked for
    const char* point;  // the report line of the point
};

TEST(PrintedPyCurves, EachCriterionPrintsItsOwnCurve) {
    const SoilCase cases[] = {
        // Weak rock qu = 4000 kPa (su = 2000, qa = 2 su), ER = 1.0E5 kPa,
        // KRM = 0.0005, RQD = 0: xr = 2 m, pur = qa b (1 + 1.4 xr / b) =
        // 15200 kN/m; yrm = 5.0E-4 m; at y = 16 yrm = 0.008 m, p = 0.5 pur
        // 16^0.25 = pur.
        {"weak rock", 9, Row{0.0, 4000.0, 0.0, 0.0, 1.0E5, 0.0005, 0.0}, 2.0, 0.008,
         "                                0.160E-01           0.760E+04"},
        // Vuggy limestone qu = 2000 kPa (su = 1000): Es1 = 2.0E6 kPa, y1 =
        // 4.0E-4 m, p1 = 800 kN/m; at y = 1.0E-3 m the second branch gives
        // p1 + 100 su (y - y1) = 860 kN/m.
        {"vuggy limestone", 6, Row{0.0, 2000.0, 0.0, 0.0, 0.0, 0.0}, 2.0, 0.001,
         "                                0.200E-02           0.430E+03"},
        // Liquefied sand, 2 m below its top: z + 1 = 3; at y = 10 mm,
        // A = 3.0E-7 3^6.05, B = 2.80 3^0.11, C = 2.85 3^-0.41 and
        // p = A (B y)^C (3.81 ln 1 + 5.6) = 0.68537 kN/m.
        {"liquefied sand", 11, Row{8.0, 0.0, 0.0, 0.0, 0.0, 0.0}, 2.0, 0.010,
         "                                0.200E-01           0.343E+00"},
        // API sand phi = 30 degrees, gamma = 10 kN/m3, K = 10000 kN/m3 at
        // x = 2 m, b = 1 m: C1 = 1.9117, C2 = 2.6667, C3 = 28.745 (worked
        // from the wedge coefficients), xt = 13.64 m, pu = (C1 x + C2 b) g x =
        // 129.80 kN/m, A = 3.0 - 0.8 x / b = 1.4; at y = 0.01 m p = A pu
        // tanh(K x y / (A pu)) = 145.51 kN/m.
        {"API sand", 8, Row{10.0, 0.0, 30.0, 10000.0, 0.0, 0.0}, 2.0, 0.010,
         "                                0.200E-01           0.728E+02"},
    };
    for (const SoilCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto store = printingModel(0.0);
        addLayer(*store, c.KSOIL, 0.0, 30.0, c.row, c.row);
        prepareSoilProfile(*store);
        store->groupFactors.pMultiplier[0] = 0.5;
        store->groupFactors.yMultiplier[0] = 2.0;
        addRequest(*store, c.X, {c.y});
        printPyCurves(*store);
        const std::vector<std::string> lines = reportFrom(*store, "NUMBER OF POINTS", 40);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back(), c.point) << contentsOf(store->files.report);
    }
}

}  // namespace
}  // namespace pylora
