// SPDX-License-Identifier: Apache-2.0
// The neighbour search of the group reduction factors against the product
// over every pair of piles, the direct evaluation: the shadow of every pile
// and the factor of every group are equal bit for bit on random layouts of 2
// to 3000 piles (tight clusters, sparse fields, lines, coincident piles,
// piles at the cut-offs and on the cell borders, far-off and non-finite
// coordinates), in three and two dimensions, along both axes and for both
// signs of the movement.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <iterator>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "cap/group_factors.h"
#include "cap/group_factors_reference.h"
#include "store/model_store.h"

namespace pylora {
namespace {

// A pile group: its head, and in two dimensions the piles of its row and
// their spacing across the plane, in length units.
struct Group {
    double y = 0.0;
    double z = 0.0;
    int piles = 1;
    double spacing = 0.0;
};

// The layout in the store, with the reference diameter D (the only pile
// property).
void setLayout(ModelStore& s, int analysisType, double D, const std::vector<Group>& groups) {
    s.control.analysisType = analysisType;
    s.work.properties[0].NSECT = 1;
    s.work.properties[0].sections[0].DIAM = D;
    s.arrangement.pileGroupCount = static_cast<int>(groups.size());
    for (std::size_t g = 0; g < groups.size(); ++g) {
        s.work.groups[g] = PileGroupWork{};
        s.work.groups[g].IPROP = 1;
        s.work.groups[g].headY = groups[g].y;
        s.work.groups[g].headZ = groups[g].z;
        s.work.groups[g].pileCount = groups[g].piles;
        s.arrangement.rows[g].rowSpacing = groups[g].spacing;
    }
}

// The shadows of the piles, then the p- and y-factors of the groups.
std::vector<double> factors(ModelStore& s, bool alongZ, double direction, bool allPairs) {
    const bool computed = allPairs ? (alongZ ? computeGroupFactorsAllPairsZ(s, direction)
                                             : computeGroupFactorsAllPairsY(s, direction))
                                   : (alongZ ? computeGroupFactorsZ(s, direction)
                                             : computeGroupFactorsY(s, direction));
    EXPECT_TRUE(computed);
    const GroupFactorWork& w = s.groupFactorWork;
    const GroupFactors& f = s.groupFactors;
    const std::ptrdiff_t groups = s.arrangement.pileGroupCount;
    std::vector<double> v(w.shadowProduct.begin(), w.shadowProduct.begin() + w.shadedPileCount);
    for (const auto* m :
         {alongZ ? &f.pMultiplierZ : &f.pMultiplier, alongZ ? &f.yMultiplierZ : &f.yMultiplier})
        v.insert(v.end(), m->begin(), m->begin() + groups);
    return v;
}

// Piles reduced, and piles standing on another one.
struct Reach {
    int reduced = 0;
    int coincident = 0;
};

// The same doubles from the neighbour search as from every pair, for one
// axis and sign.
void expectSameAsAllPairs(ModelStore& s, bool alongZ, double direction, Reach& reach) {
    SCOPED_TRACE(std::string(alongZ ? "along Z" : "along Y") + (direction < 0.0 ? " (-)" : " (+)"));
    const std::vector<double> search = factors(s, alongZ, direction, false);
    EXPECT_EQ(search, factors(s, alongZ, direction, true));
    const auto shadows = s.groupFactorWork.shadowProduct.begin();
    const auto end = shadows + s.groupFactorWork.shadedPileCount;
    reach.reduced +=
        static_cast<int>(std::count_if(shadows, end, [](double x) { return x < 1.0; }));
    reach.coincident += static_cast<int>(std::count(shadows, end, 0.0));
}

// --- Random layouts of the three-dimensional analysis ----------------------

using Random = std::mt19937;

double uniform(Random& r, double low, double high) {
    return std::uniform_real_distribution<double>(low, high)(r);
}

// n piles of diameter D, pile 1 at the origin (of the coordinates along),
// each further pile placed from a random earlier one: in a tight cluster
// about it, in line along, across or skewed at 1 to 8 diameters, on it, at
// the cut-offs (5 or 8 diameters along, across or skewed, 10 or 16), or
// about a far-off centre (on either side of the range of the cell numbers,
// 2^30 cells of 8 diameters, or where coordinates are whole diameters or
// coarser), with a few infinite or undefined coordinates; else anywhere in
// a field at a mean spacing of 12 diameters (the share `sparse`). One in
// four piles has a coordinate moved by one rounding step, or off a cell
// border.
std::vector<Group> layout(Random& r, int n, double D, double sparse) {
    const double inf = std::numeric_limits<double>::infinity();
    const double odd[] = {inf, -inf, std::numeric_limits<double>::quiet_NaN()};
    const double far[] = {1.0E12, -3.0E10, 8.0 * 1073741824.0, 9007199254740992.0, 1.0E300};
    const double spacings[] = {1.0, 2.5, 3.0, 5.0, 8.0, uniform(r, 0.5, 8.0)};
    const double field = 12.0 * D * std::sqrt(static_cast<double>(n));
    std::normal_distribution<double> near(0.0, 2.0 * D);
    std::vector<Group> heads{{}};
    while (static_cast<int>(heads.size()) < n) {
        const Group from = heads[r() % heads.size()];
        const double cutOff = r() % 2 == 0 ? 5.0 : 8.0;
        const double step = cutOff * D * static_cast<double>(1 + r() % 2);
        const double s = spacings[r() % 6] * D;
        const double angle = uniform(r, 0.0, 6.3);
        Group h{uniform(r, 0.0, field), uniform(r, -field, 0.0)};
        if (uniform(r, 0.0, 1.0) >= sparse) {
            switch (r() % 7) {
                case 0:
                    h = {from.y + near(r), from.z + near(r)};
                    break;
                case 1:
                    h = {from.y + s, from.z};
                    break;
                case 2:
                    h = {from.y, from.z + s};
                    break;
                case 3:
                    h = {from.y + s * std::cos(angle), from.z + s * std::sin(angle)};
                    break;
                case 4:
                    h = from;
                    break;
                case 5:
                    h = r() % 3 == 0   ? Group{from.y + step, from.z}
                        : r() % 2 == 0 ? Group{from.y, from.z - step}
                                       : Group{from.y + 0.6 * step, from.z - 0.8 * step};
                    break;
                default:
                    h = {far[r() % 5] * D + near(r), far[r() % 5] * D + near(r)};
                    if (r() % 8 == 0) (r() % 2 == 0 ? h.y : h.z) = odd[r() % 3];
            }
        }
        const unsigned nudge = r() % 16;
        double& c = nudge % 2 == 0 ? h.y : h.z;
        if (nudge < 2) c = std::nextafter(c, inf);
        if (nudge == 2 || nudge == 3) c = c == 0.0 ? -1.0E-20 : std::nextafter(c, -inf);
        heads.push_back(h);
    }
    return heads;
}

TEST(GroupFactorsSearch, EqualsAllPairsOnRandomThreeDimensionalLayouts) {
    auto store = makeModelStore();
    ModelStore& s = *store;
    Random r(20240611);
    Reach reach;
    for (const int n : {2, 3, 9, 60, 350, 2000}) {
        // Diameters whose quotients round (0.6) and do not (1.0, 0.5); dense
        // and sparse layouts.
        for (const double D : {0.6, 1.0, 0.5}) {
            for (const double sparse : {0.1, 0.8}) {
                if (n == 2000 && (D != 0.6 || sparse > 0.5)) continue;
                setLayout(s, 3, D, layout(r, n, D, sparse));
                SCOPED_TRACE(std::to_string(n) + " piles of " + std::to_string(D) + ", sparse " +
                             std::to_string(sparse));
                for (const bool alongZ : {false, true}) {
                    for (const double direction : {1.0, -1.0}) {
                        if (n < 2000 || alongZ != (direction > 0.0))
                            expectSameAsAllPairs(s, alongZ, direction, reach);
                    }
                }
            }
        }
    }
    // The layouts do reduce piles, and some stand on each other.
    EXPECT_GT(reach.reduced, 5000);
    EXPECT_GT(reach.coincident, 500);
}

// --- Rows of the two-dimensional analysis ----------------------------------

// Rows of 1 to 60 piles across the plane at spacings of whole diameters,
// random ones and none (the piles of the row on one spot), their heads on
// a few lines along Y, at the cut-offs from each other or scattered.
std::vector<Group> rows(Random& r, int n, double D) {
    const double spacings[] = {0.0, 1.0, 2.5, 3.0, 5.0, 8.0, uniform(r, 0.5, 9.0)};
    const double places[] = {std::round(uniform(r, -3.0, 3.0)) * 8.0,
                             std::round(uniform(r, -20.0, 20.0)), uniform(r, -100.0, 100.0)};
    std::vector<Group> list;
    for (int total = 0; total < n; total += list.back().piles) {
        Group row{places[r() % 3] * D, 0.0, 0, spacings[r() % 7] * D};
        row.piles = std::min(
            {n - total, std::uniform_int_distribution<int>(1, 60)(r), row.spacing == 0.0 ? 4 : 60});
        list.push_back(row);
    }
    return list;
}

TEST(GroupFactorsSearch, EqualsAllPairsOnRandomTwoDimensionalRowsUpToThreeThousandPiles) {
    auto store = makeModelStore();
    ModelStore& s = *store;
    Random r(99);
    Reach reach;
    for (const int n : {2, 5, 40, 400, 3000}) {
        for (const double D : {0.6, 1.0}) {
            if (n == 3000 && D != 0.6) continue;
            setLayout(s, 2, D, rows(r, n, D));
            SCOPED_TRACE("rows of " + std::to_string(n) + " piles of " + std::to_string(D));
            for (const double direction : {1.0, -1.0})
                expectSameAsAllPairs(s, false, direction, reach);
        }
    }
    EXPECT_GT(reach.reduced, 3000);
    EXPECT_GT(reach.coincident, 10);
}

}  // namespace
}  // namespace pylora
