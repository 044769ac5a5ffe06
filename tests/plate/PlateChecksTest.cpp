// SPDX-License-Identifier: Apache-2.0
// The data checks of a plate model as the plate solver reads it: each of
// the 24 errors raised by a model made for it, with its message, the listing
// of the rest of the model file and the stop code 999 (returned: the test
// goes on in the same process); the front width of small meshes by hand; a
// record that cannot be read.

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "format/format.h"
#include "plate/flexible_cap.h"
#include "plate/plate_checks.h"
#include "plate/plate_export.h"
#include "plate/plate_reader.h"
#include "store/return_codes.h"
#include "tests/plate/plate_test_support.h"

namespace pylora {
namespace {

using platetest::addPile;
using platetest::plateRun;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

// The 2 x 1 plate 12 x 8 centred at Y = 1: no node at the origin. Node 4 is
// a corner at Y = 4, Z = 4, used by element 2 only.
PlateModel twoByOne() {
    auto r = plateRun(12.0, 8.0, 1.5, 1.0, 0.0, 2, 1);
    addPile(*r->store, 0.0, 0.0, 0.0);
    PlateModel m;
    EXPECT_EQ(buildPlateModel(*r->store, m), 0);
    return m;
}

std::string textOf(const PlateModel& m) {
    TempDir dir;
    FileHandle f = openForWriting((dir / "m").string());
    writeNumericModel(f.get(), m);
    closeFile(f);
    return readFile(dir / "m");
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        lines.push_back(l);
    return lines;
}

struct Checked {
    int code = -1;
    std::string listing;
    std::string summary;
    PlateMeshDiagnosis diagnosis;
    std::map<int, int> counters() const {
        std::map<int, int> c;
        for (int n = 13; n <= 24; ++n)
            if (diagnosis.counters[static_cast<std::size_t>(n - 1)] != 0)
                c[n] = diagnosis.counters[static_cast<std::size_t>(n - 1)];
        return c;
    }
};

Checked readText(const std::string& text, const PlateElementControl& element = {}) {
    TempDir dir;
    writeFile(dir / "model.pmd", text);
    FileHandle in = openForReading((dir / "model.pmd").string());
    FileHandle listing = openForWriting((dir / "model.pls").string());
    FileHandle summary = openForWriting((dir / "model.psm").string());
    Checked c;
    PlateModel m;
    c.code =
        readPlateModel(in.get(), {listing.get(), summary.get(), false}, element, m, c.diagnosis);
    closeFile(in);
    closeFile(listing);
    closeFile(summary);
    c.listing = readFile(dir / "model.pls");
    c.summary = readFile(dir / "model.psm");
    return c;
}

// The listing after "NOW FOLLOWING ...": each remaining line of the model
// file as 5 blanks and 80 characters.
std::string postDisasterListing(const std::vector<std::string>& remaining) {
    std::string s = "\n\nNOW FOLLOWING A LISTING OF POST-DISASTER DATA CARDS\n\n";
    for (std::string l : remaining) {
        l.resize(80, ' ');
        s += "     " + l + "\n";
    }
    return s;
}

bool endsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

int occurrences(const std::string& s, const std::string& part) {
    int n = 0;
    for (std::size_t p = s.find(part); p != std::string::npos; p = s.find(part, p + 1))
        ++n;
    return n;
}

TEST(PlateChecks, EachControlErrorIsDiagnosedAndTheRestOfTheFileListed) {
    struct Case {
        int error;
        void (*change)(PlateControl&, PlateElementControl&);
    };
    const Case cases[] = {
        {1, [](PlateControl& c, PlateElementControl&) { c.NPOIN = 0; }},
        {2, [](PlateControl& c, PlateElementControl&) { c.NPOIN = 17; }},  // 8 x 2 < 17
        {3, [](PlateControl& c, PlateElementControl&) { c.NVFIX = -1; }},
        {4, [](PlateControl&, PlateElementControl& e) { e.NCASE = 0; }},
        {5, [](PlateControl&, PlateElementControl& e) { e.NTYPE = 3; }},
        {6, [](PlateControl& c, PlateElementControl&) { c.NNODE = 10; }},
        {7, [](PlateControl&, PlateElementControl& e) { e.NDOFN = 1; }},
        {8, [](PlateControl& c, PlateElementControl&) { c.NMATS = 3; }},  // above NELEM = 2
        {9, [](PlateControl&, PlateElementControl& e) { e.NPROP = 6; }},
        {10, [](PlateControl& c, PlateElementControl&) { c.NGAUS = 4; }},
        {11, [](PlateControl&, PlateElementControl& e) { e.NDIME = 0; }},
        {12, [](PlateControl&, PlateElementControl& e) { e.NSTRE = 9; }},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE("error " + std::to_string(k.error));
        PlateModel m = twoByOne();
        PlateElementControl element;
        k.change(m.control, element);
        const std::string text = textOf(m);
        const Checked c = readText(text, element);
        EXPECT_EQ(c.code, kReturnPlateModelRejected);
        const std::string message =
            "\n\n *** DIAGNOSIS BY CHECK1, ERROR" + formatI(k.error, 3) + "\n";
        EXPECT_NE(c.listing.find(message), std::string::npos);
        EXPECT_EQ(c.summary, message);
        EXPECT_EQ(occurrences(c.listing, "DIAGNOSIS"), 1);
        // Everything after the title and the control record is listed.
        const std::vector<std::string> lines = linesOf(text);
        EXPECT_TRUE(endsWith(c.listing, postDisasterListing({lines.begin() + 2, lines.end()})));
    }
}

TEST(PlateChecks, EachMeshErrorIsCountedDiagnosedAndTheRestOfTheFileListed) {
    const std::string extra = "EXTRA CARD 1\nEXTRA CARD 2\n";
    const std::vector<std::string> remaining = {"EXTRA CARD 1", "EXTRA CARD 2"};
    const auto node14 = [](PlateModel& m, double Y, double Z) {
        m.control.NPOIN = 14;
        m.nodes.push_back({0.0, Y, Z});
    };
    struct Case {
        int error;
        std::map<int, int> counters;
        std::function<void(PlateModel&)> change;
    };
    const std::vector<Case> cases = {
        {13, {{13, 1}}, [](PlateModel& m) { m.nodes[12] = m.nodes[11]; }},
        {14, {{14, 1}}, [](PlateModel& m) { m.elements[1].property = 2; }},
        // Node 4 then belongs to no element and lies away from the origin.
        {15, {{15, 1}, {18, 1}, {19, 1}}, [](PlateModel& m) { m.elements[1].nodes[4] = 0; }},
        {16, {{16, 1}, {18, 1}, {19, 1}}, [](PlateModel& m) { m.elements[1].nodes[4] = 99; }},
        {17, {{17, 1}, {18, 1}, {19, 1}}, [](PlateModel& m) { m.elements[1].nodes[4] = 3; }},
        {18, {{18, 1}}, [&](PlateModel& m) { node14(m, 0.0, 0.0); }},
        {19, {{18, 1}, {19, 1}}, [&](PlateModel& m) { node14(m, 2.0, 3.0); }},
        {20,
         {{18, 1}, {19, 1}, {20, 1}},
         [&](PlateModel& m) {
             node14(m, 2.0, 3.0);
             m.control.NVFIX = 1;
             m.restraints = {{14, {1, 1, 1, 0, 0, 0}}};
         }},
        {22,
         {{22, 1}},
         [](PlateModel& m) {
             m.control.NVFIX = 1;
             m.restraints = {{0, {1, 1, 1, 1, 1, 1}}};
         }},
        {23,
         {{23, 1}},
         [](PlateModel& m) {
             m.control.NVFIX = 1;
             m.restraints = {{1, {0, 0, 0, 0, 0, 0}}};
         }},
        {24,
         {{24, 1}},
         [](PlateModel& m) {
             m.control.NVFIX = 2;
             m.restraints = {{1, {1, 0, 0, 0, 0, 0}}, {1, {0, 1, 0, 0, 0, 0}}};
         }},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE("error " + std::to_string(k.error));
        PlateModel m = twoByOne();
        k.change(m);
        const Checked c = readText(textOf(m) + extra);
        EXPECT_EQ(c.code, kReturnPlateModelRejected);
        EXPECT_EQ(c.counters(), k.counters);
        for (const auto& [n, count] : k.counters)
            EXPECT_NE(c.listing.find(" *** DIAGNOSIS BY CHECK2, ERROR" + formatI(n, 3) +
                                     "       ASSOCIATED NUMBER" + formatI(count, 5) + "\n"),
                      std::string::npos)
                << n;
        EXPECT_TRUE(endsWith(c.listing, postDisasterListing(remaining)));
        if (k.counters.count(18) != 0) {
            const int node = k.error <= 17 ? 4 : 14;
            EXPECT_NE(c.listing.find("\n\n CHECK WHY NODE" + formatI(node, 4) + " NEVER APPEARS\n"),
                      std::string::npos);
        }
    }

    // Error 21: 63 elements of eight new nodes each, then 63 elements that
    // repeat them, keep 504 nodes (3024 variables) in the front at once.
    PlateModel big = twoByOne();
    big.elements.clear();
    big.nodes.clear();
    for (int e = 0; e < 126; ++e) {
        PlateElement element{e + 1, e + 1, 1, {}};
        for (int k = 1; k <= 8; ++k)
            element.nodes.push_back(8 * (e % 63) + k);
        big.elements.push_back(element);
    }
    for (int n = 1; n <= 504; ++n)
        big.nodes.push_back({0.0, 0.01 * n, 0.0});
    big.control.NPOIN = 504;
    big.control.NELEM = 126;
    const Checked c = readText(textOf(big) + extra);
    EXPECT_EQ(c.code, kReturnPlateModelRejected);
    EXPECT_EQ(c.counters(), (std::map<int, int>{{21, 1}}));
    EXPECT_NE(c.listing.find("\n\n MAXIMUM FRONTWIDTH ENCOUNTERED = 3024\n"), std::string::npos);
    EXPECT_NE(c.listing.find(" *** DIAGNOSIS BY CHECK2, ERROR 21       ASSOCIATED NUMBER    1"),
              std::string::npos);
    EXPECT_TRUE(endsWith(c.listing, postDisasterListing(remaining)));
}

TEST(PlateChecks, FrontWidthOfSmallMeshesAgreesWithTheHandCount) {
    // 2 x 1: both elements hold 8 nodes in the front, 48 variables.
    PlateModel m = twoByOne();
    EXPECT_EQ(maximumFrontWidth(m), 48);
    // 2 x 2: at element 2 the front holds nodes 3, 7, 9, 10, 11 of element 1
    // (1, 2 and 6 are eliminated) and its five new nodes 4, 5, 8, 12, 13:
    // 10 nodes, 60 variables; elements 3 and 4 hold 10 and 8 nodes.
    auto r = plateRun(12.0, 8.0, 1.5, 1.0, 0.0, 2, 2);
    addPile(*r->store, 0.0, 0.0, 0.0);
    PlateModel square;
    ASSERT_EQ(buildPlateModel(*r->store, square), 0);
    EXPECT_EQ(maximumFrontWidth(square), 60);
    const Checked c = readText(textOf(square));
    EXPECT_EQ(c.code, 0);
    EXPECT_NE(c.listing.find("\n\n MAXIMUM FRONTWIDTH ENCOUNTERED =   60\n"), std::string::npos);
    // Within the initial working size of 60 the front keeps it; beyond, it
    // grows to the widest front plus one.
    EXPECT_EQ(c.diagnosis.frontCapacity, 60);
    PlateModel wide = square;
    wide.control.element.NDOFN = 6;
    auto r3 = plateRun(12.0, 8.0, 1.5, 1.0, 0.0, 3, 3);
    addPile(*r3->store, 0.0, 0.0, 0.0);
    ASSERT_EQ(buildPlateModel(*r3->store, wide), 0);
    EXPECT_GT(checkPlateMesh(wide).frontCapacity, 60);
    EXPECT_EQ(checkPlateMesh(wide).frontCapacity, maximumFrontWidth(wide) + 1);
}

TEST(PlateChecks, UnreadableRecordNamesItsLineAndEndsLikeAFailedCheck) {
    std::vector<std::string> lines = linesOf(textOf(twoByOne()));
    lines[3] =
        "       1       1       1       1       3      x1       9       2       7      10       6";
    std::string text;
    for (const std::string& l : lines)
        text += l + "\n";
    const Checked c = readText(text);
    EXPECT_EQ(c.code, kReturnPlateModelRejected);
    EXPECT_NE(c.summary.find(" *** ERROR IN THE PLATE MODEL FILE AT LINE     4\n"
                             "     'x1' IS NOT AN INTEGER (ELEMENT RECORD 1)"),
              std::string::npos);
    EXPECT_TRUE(endsWith(c.listing, postDisasterListing({lines.begin() + 4, lines.end()})));
}

TEST(PlateChecks, RejectedModelEndsThePlateRunWithCode999AndTheCallerGoesOn) {
    auto r = plateRun(12.0, 8.0, 1.5, 1.0, 0.0, 2, 1);
    ModelStore& s = *r->store;
    addPile(s, 0.0, 0.0, 0.0);
    PlateModel m;
    ASSERT_EQ(writePlateModel(s, m), 0);
    m.elements[1].property = 2;
    writeFile(r->dir / "run.pmd", textOf(m));
    EXPECT_EQ(solvePlateModel(s), kReturnPlateModelRejected);
    EXPECT_NE(r->report().find("THE PLATE MODEL OF THE FLEXIBLE CAP FAILED ITS DATA CHECKS"),
              std::string::npos);
    EXPECT_NE(r->file("run.pls").find("ERROR 14"), std::string::npos);
    // Files closed: the step summary of a mesh error is complete and empty.
    EXPECT_EQ(r->file("run.psm"), "");
    // The same model once mended passes and is solved: its first step meets
    // the pile group, which this store leaves without a pile property.
    m.elements[1].property = 1;
    writeFile(r->dir / "run.pmd", textOf(m));
    EXPECT_EQ(solvePlateModel(s), kReturnInputRefused);
    EXPECT_NE(r->file("run.psm").find("STEP     1"), std::string::npos);
}

}  // namespace
}  // namespace pylora
