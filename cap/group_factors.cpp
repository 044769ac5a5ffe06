// SPDX-License-Identifier: Apache-2.0
#include "cap/group_factors.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <span>
#include <string>

#include "cap/group_factors_reference.h"
#include "format/format.h"
#include "format/number_fields.h"
#include "store/constants.h"
#include "store/run_messages.h"

namespace pylora {

namespace {

enum class LoadingAxis { y, z };

int groupCount(const ModelStore& store) {
    return std::clamp(store.arrangement.pileGroupCount, 0, kMaxPileGroups);
}

// The piles a group stands for: its pile count truncated to an integer; none
// below one.
double pilesOf(const ModelStore& store, int g) {
    const double n = store.work.groups[static_cast<std::size_t>(g - 1)].pileCount;
    return n >= 1.0 ? std::trunc(n) : 0.0;
}

// Offset across the plane of pile j (1-based) of a two-dimensional row of n
// piles at spacing S, centred on the plane: 0, +S, -S, +2S, ... for an odd
// count, +S/2, -S/2, +3S/2, ... for an even one.
double rowOffset(int j, int n, double S) {
    const double half = f32(0.5F);
    if (n % 2 == 1) {
        if (j == 1) return 0.0;
        return j % 2 == 0 ? (j / 2) * S : 0.0 - ((j - 1) / 2) * S;
    }
    return j % 2 == 1 ? (j * half) * S : 0.0 - (j * half - half) * S;
}

// The individual piles of the layout in pile diameters, along and across the
// loading axis. False when there are more than the work arrays hold.
bool placePiles(ModelStore& store, LoadingAxis axis, double D) {
    GroupFactorWork& w = store.groupFactorWork;
    const bool twoDimensional = store.control.analysisType == 2;
    const int count = groupCount(store);
    double total = 0.0;
    for (int g = 1; g <= count; ++g)
        total += pilesOf(store, g);
    if (total > kMaxShadedPiles) return false;

    w.shadedPileCount = 0;
    double firstAlong = 0.0;
    for (int g = 1; g <= count; ++g) {
        const PileGroupWork& group = store.work.groups[static_cast<std::size_t>(g - 1)];
        const int n = static_cast<int>(pilesOf(store, g));
        const double along = axis == LoadingAxis::y ? group.headY : group.headZ;
        const double across = axis == LoadingAxis::y ? group.headZ : group.headY;
        const double spacing = store.arrangement.rows[static_cast<std::size_t>(g - 1)].rowSpacing;
        for (int j = 1; j <= n; ++j) {
            const std::size_t i = static_cast<std::size_t>(w.shadedPileCount);
            if (i == 0) firstAlong = along;
            w.groupNo[i] = g;
            w.alongCoord[i] = (along - firstAlong) / D;
            w.acrossCoord[i] = (twoDimensional ? rowOffset(j, n, spacing) : across) / D;
            w.shadowProduct[i] = 1.0;
            w.shadedPileCount += 1;
        }
    }
    return true;
}

double capped(double beta) {
    return std::min(1.0, beta);
}

// The cut-offs [diameters]: no reduction side by side beyond the side reach,
// nor in line or skewed beyond the line reach, the largest of the two.
constexpr double kSideReach = f32(5.0F);
constexpr double kLineReach = f32(8.0F);
static_assert(kSideReach <= kLineReach);

// The reduction of pile i by pile k for the offsets dA = along(i) -
// along(k) and dB = across(i) - across(k) [diameters] and the sign dir of
// the movement. Pile i leads when it stands ahead of k in the direction of
// movement and trails behind it otherwise.
double pairFactor(double dA, double dB, double dir, double& pairAngle) {
    const double a = std::fabs(dA);
    const double b = std::fabs(dB);
    const double sideCoefficient = f32(0.64F);
    const double sideExponent = f32(0.34F);
    const double leadCoefficient = f32(0.70F);
    const double leadExponent = f32(0.26F);
    const double trailCoefficient = f32(0.48F);
    const double trailExponent = f32(0.38F);
    if (a < f32(1.0E-5F)) {
        if (b > kSideReach) return 1.0;
        return capped(sideCoefficient * std::pow(b, sideExponent));
    }
    const double theta = dB != 0.0 ? std::atan(b / a) : f32(1.5708F);
    pairAngle = theta;
    if (b < f32(1.0E-6F)) {
        if (a > kLineReach) return 1.0;
        return dA * dir > 0.0 ? capped(leadCoefficient * std::pow(a, leadExponent))
                              : capped(trailCoefficient * std::pow(a, trailExponent));
    }
    const double s = std::sqrt(dA * dA + dB * dB);
    if (s > kLineReach) return 1.0;
    const double side = capped(sideCoefficient * std::pow(s, sideExponent));
    const double inLine = dA * dir >= 0.0 ? capped(leadCoefficient * std::pow(s, leadExponent))
                                          : capped(trailCoefficient * std::pow(s, trailExponent));
    const double bs = side * std::sin(theta);
    const double bl = inLine * std::cos(theta);
    return capped(std::sqrt(bs * bs + bl * bl));
}

// --- The shadow products ------------------------------------------------------
//
// The shadow of pile i is the product of its pair factors over the partners
// k = 1..N, k != i, in ascending order. A pair factor is exactly 1.0 unless
// both offsets are within the line reach: side by side it is 1.0 beyond the
// side reach, in line beyond the line reach, and a skewed pair beyond it in
// s = sqrt(dA^2 + dB^2), which is never below |dA| or |dB| in floating point
// (the rounded root of a rounded square is the number itself). Pairs with a
// coordinate that is not finite have the factor 1.0 as well: every
// comparison with NaN fails, capping at 1.0 turns a NaN factor into 1.0 and an
// infinite offset is beyond the reach. Leaving out the partners whose factor
// is 1.0 leaves every product bit for bit as it is, since x * 1.0 = x; the
// partners left are found in a grid of square cells of the line reach.

// Whether pile k can reduce pile i: both offsets within the line reach.
bool withinReach(const GroupFactorWork& w, std::size_t i, std::size_t k) {
    return std::fabs(w.alongCoord[i] - w.alongCoord[k]) <= kLineReach &&
           std::fabs(w.acrossCoord[i] - w.acrossCoord[k]) <= kLineReach;
}

// The product of the pair factors of pile i with the partners in
// w.neighbours (ascending, without i).
double shadowOf(GroupFactorWork& w, std::size_t i, double dir) {
    double product = 1.0;
    for (int n = 0; n < w.neighbourCount; ++n) {
        const std::size_t k = static_cast<std::size_t>(w.neighbours[static_cast<std::size_t>(n)]);
        product *= pairFactor(w.alongCoord[i] - w.alongCoord[k],
                              w.acrossCoord[i] - w.acrossCoord[k], dir, w.pairAngle);
    }
    return product;
}

// Cell coordinates: a coordinate in units of the line reach, held within
// +-2^30 cells so that a cell number and its neighbours fit an int. The
// clamp never brings two coordinates further apart, so a far-off pile only
// shares its cell with other far-off ones.
constexpr double kCellLimit = 1073741824.0;
// A partner within the line reach lies at most 1 + 2^-52 cells away; the
// query around a pile reaches 1 + 2^-20 cells, more than that plus the
// rounding of the cell coordinates (at most 2^-22 cells at the limit).
constexpr double kQueryReach = 1.0 + 1.0 / 1048576.0;

double cellCoordinate(double x) {
    return std::clamp(x / kLineReach, -kCellLimit, kCellLimit);
}

int cellOf(double q) {
    return static_cast<int>(std::floor(q));
}

bool cellBefore(const ShadedPileCell& a, const ShadedPileCell& b) {
    if (a.along != b.along) return a.along < b.along;
    if (a.across != b.across) return a.across < b.across;
    return a.pile < b.pile;
}

// The shadow products by the neighbour search: the piles of finite
// coordinates are ordered by cell, and each collects the partners within
// reach from the cells around it, sorted by pile number.
void shadeByNeighbours(GroupFactorWork& w, double dir) {
    const std::size_t N = static_cast<std::size_t>(w.shadedPileCount);
    std::size_t M = 0;
    for (std::size_t i = 0; i < N; ++i) {
        w.shadowProduct[i] = 1.0;
        if (!std::isfinite(w.alongCoord[i]) || !std::isfinite(w.acrossCoord[i])) continue;
        w.cellOrder[M] = {cellOf(cellCoordinate(w.alongCoord[i])),
                          cellOf(cellCoordinate(w.acrossCoord[i])), static_cast<int>(i)};
        M += 1;
    }
    w.cellPileCount = static_cast<int>(M);
    const auto first = w.cellOrder.begin();
    const auto last = first + static_cast<std::ptrdiff_t>(M);
    std::sort(first, last, cellBefore);

    for (std::size_t m = 0; m < M; ++m) {
        const std::size_t i = static_cast<std::size_t>(w.cellOrder[m].pile);
        const double qA = cellCoordinate(w.alongCoord[i]);
        const double qB = cellCoordinate(w.acrossCoord[i]);
        const int lowB = cellOf(qB - kQueryReach);
        const int highB = cellOf(qB + kQueryReach);
        const int highA = cellOf(qA + kQueryReach);
        w.neighbourCount = 0;
        bool ascending = true;
        for (int a = cellOf(qA - kQueryReach); a <= highA; ++a) {
            // The cells (a, lowB) .. (a, highB) follow each other in the order.
            const auto begin =
                std::lower_bound(first, last, ShadedPileCell{a, lowB, -1}, cellBefore);
            for (auto c = begin; c != last && c->along == a && c->across <= highB; ++c) {
                const std::size_t k = static_cast<std::size_t>(c->pile);
                if (k == i || !withinReach(w, i, k)) continue;
                const std::size_t n = static_cast<std::size_t>(w.neighbourCount);
                if (n > 0 && w.neighbours[n - 1] > c->pile) ascending = false;
                w.neighbours[n] = c->pile;
                w.neighbourCount += 1;
            }
        }
        if (!ascending) std::sort(w.neighbours.begin(), w.neighbours.begin() + w.neighbourCount);
        w.shadowProduct[i] = shadowOf(w, i, dir);
    }
}

// The shadow products over every pair, the direct evaluation.
void shadeByAllPairs(GroupFactorWork& w, double dir) {
    const std::size_t N = static_cast<std::size_t>(w.shadedPileCount);
    for (std::size_t i = 0; i < N; ++i) {
        double product = 1.0;
        for (std::size_t k = 0; k < N; ++k) {
            if (k == i) continue;
            product *= pairFactor(w.alongCoord[i] - w.alongCoord[k],
                                  w.acrossCoord[i] - w.acrossCoord[k], dir, w.pairAngle);
        }
        w.shadowProduct[i] = product;
    }
}

enum class Shading { neighbours, allPairs };

// The factors of one loading axis into pFactor and yFactor (2000 groups).
bool computeFactors(ModelStore& store, LoadingAxis axis, double direction,
                    std::span<double> pFactor, std::span<double> yFactor, Shading shading) {
    const int count = groupCount(store);
    for (int g = 1; g <= count; ++g) {
        pFactor[static_cast<std::size_t>(g - 1)] = 1.0;
        yFactor[static_cast<std::size_t>(g - 1)] = 1.0;
    }
    const double D = referencePileDiameter(store);
    if (!(D > 0.0) || !std::isfinite(D)) return false;
    if (!placePiles(store, axis, D)) return false;

    GroupFactorWork& w = store.groupFactorWork;
    const std::size_t N = static_cast<std::size_t>(w.shadedPileCount);
    const double dir = direction < 0.0 ? -1.0 : 1.0;
    if (shading == Shading::neighbours)
        shadeByNeighbours(w, dir);
    else
        shadeByAllPairs(w, dir);

    // The mean shadow of the piles of each group (piles are numbered group by group).
    std::size_t i = 0;
    for (int g = 1; g <= count; ++g) {
        double sum = 0.0;
        int n = 0;
        while (i < N && w.groupNo[i] == g) {
            sum += w.shadowProduct[i];
            n += 1;
            ++i;
        }
        if (n > 0) pFactor[static_cast<std::size_t>(g - 1)] = sum / n;
    }
    return true;
}

// --- TABLE K -----------------------------------------------------------------

constexpr const char* kFactorsHeading = "REDUCTION FACTORS FOR CLOSELY-SPACED PILE GROUPS";
constexpr const char* kColumnLine = "     GROUP NO     P-FACTOR     Y-FACTOR        ";

void writeReport(ModelStore& store, const ReportLine& line) {
    writeLine(store.files.report.get(), line);
}

// The heading of the table of one axis in a three-dimensional analysis; with
// computed factors the sign of the movement they assume.
void writeAxisHeading(ModelStore& store, LoadingAxis axis, bool computed, double direction) {
    const bool y = axis == LoadingAxis::y;
    ReportLine l;
    l.slash().X(7).text(kFactorsHeading).X(1).text(y ? "ALONG Y-DIRECTION" : "ALONG Z-DIRECTION");
    writeReport(store, l);
    if (!computed) return;
    l.clear();
    l.X(7).text("ESTIMATED ASSUMING MOVEMENT IN").X(1);
    l.text(y ? "THE DIRECTION OF Y-FORCE " : "THE DIRECTION OF Z-FORCE ");
    l.text(direction < 0.0 ? "(-)" : "(+)");
    writeReport(store, l);
}

// Computed factors that could not be computed: the reason, to the report and
// the runtime file.
void writeNotComputed(ModelStore& store) {
    const double D = referencePileDiameter(store);
    ReportLine l;
    l.slash().X(7).text("** WARNING **  ").text("REDUCTION FACTORS NOT COMPUTED: ");
    if (!(D > 0.0) || !std::isfinite(D))
        l.text("THE DIAMETER OF PILE GROUP 1 IS NOT POSITIVE");
    else
        l.text("MORE THAN ").I(kMaxShadedPiles, 6).text(" PILES IN THE LAYOUT");
    l.slash().X(7).text("               NO REDUCTION IS APPLIED (FACTORS 1.0)");
    writeReport(store, l);
    writeRuntimeLine(store, l.str());
    noteWarning(store, l.str());
}

}  // namespace

void writeGroupFactorRows(const ModelStore& store, std::FILE* file, std::span<const double> pFactor,
                          std::span<const double> yFactor) {
    ReportLine l;
    l.X(7).text(std::string(33, ' '));
    writeLine(file, l);
    l.clear();
    l.X(7).text(kColumnLine);
    writeLine(file, l);
    writeEmptyLine(file);
    const int count = groupCount(store);
    for (int g = 1; g <= count; ++g) {
        ReportLine row;
        writeBlanks(row, 12);
        writeIntegerField(row, 5, g);
        writeBlanks(row, 5);
        writeRealField(row, 12, 4, pFactor[static_cast<std::size_t>(g - 1)]);
        writeBlanks(row, 1);
        writeRealField(row, 12, 4, yFactor[static_cast<std::size_t>(g - 1)]);
        endLine(file, row);
    }
}

double referencePileDiameter(const ModelStore& store) {
    if (groupCount(store) < 1) return 0.0;
    const int IPROP = store.work.groups[0].IPROP;
    if (IPROP < 1 || IPROP > kMaxPileProperties) return 0.0;
    const PropertyWork& property = store.work.properties[static_cast<std::size_t>(IPROP - 1)];
    if (property.NSECT < 1) return 0.0;
    return property.sections[0].DIAM;
}

bool computeGroupFactorsY(ModelStore& store, double direction) {
    GroupFactors& f = store.groupFactors;
    return computeFactors(store, LoadingAxis::y, direction, f.pMultiplier, f.yMultiplier,
                          Shading::neighbours);
}

bool computeGroupFactorsZ(ModelStore& store, double direction) {
    GroupFactors& f = store.groupFactors;
    return computeFactors(store, LoadingAxis::z, direction, f.pMultiplierZ, f.yMultiplierZ,
                          Shading::neighbours);
}

bool computeGroupFactorsAllPairsY(ModelStore& store, double direction) {
    GroupFactors& f = store.groupFactors;
    return computeFactors(store, LoadingAxis::y, direction, f.pMultiplier, f.yMultiplier,
                          Shading::allPairs);
}

bool computeGroupFactorsAllPairsZ(ModelStore& store, double direction) {
    GroupFactors& f = store.groupFactors;
    return computeFactors(store, LoadingAxis::z, direction, f.pMultiplierZ, f.yMultiplierZ,
                          Shading::allPairs);
}

namespace {

// computeGroupFactorsY or Z for the movement of sign direction, once per
// axis and sign while a cap solution keeps them.
void factorsForMovement(ModelStore& store, LoadingAxis axis, double direction) {
    GroupFactors& f = store.groupFactors;
    GroupFactorMovements& kept = store.groupFactorMovements;
    const bool y = axis == LoadingAxis::y;
    auto& p = y ? f.pMultiplier : f.pMultiplierZ;
    auto& ym = y ? f.yMultiplier : f.yMultiplierZ;
    const std::size_t k = (y ? 0 : 2) + (direction < 0.0 ? 1 : 0);
    const int count = groupCount(store);
    if (kept.active != 0 && kept.ready[k] != 0 && kept.groupCount == count) {
        std::copy_n(kept.p[k].begin(), count, p.begin());
        std::copy_n(kept.y[k].begin(), count, ym.begin());
        return;
    }
    if (y)
        computeGroupFactorsY(store, direction);
    else
        computeGroupFactorsZ(store, direction);
    if (kept.active == 0) return;
    if (kept.groupCount != count) kept.ready.fill(0);
    kept.groupCount = count;
    std::copy_n(p.begin(), count, kept.p[k].begin());
    std::copy_n(ym.begin(), count, kept.y[k].begin());
    kept.ready[k] = 1;
}

}  // namespace

void beginGroupFactorMovements(ModelStore& store) {
    GroupFactorMovements& kept = store.groupFactorMovements;
    kept.active = 1;
    kept.ready.fill(0);
}

void endGroupFactorMovements(ModelStore& store) {
    GroupFactorMovements& kept = store.groupFactorMovements;
    kept.active = 0;
    kept.ready.fill(0);
}

void updateGroupFactorsForMovement(ModelStore& store, const CapVector& capDisp,
                                   const CapVector& capLoad) {
    const int option = store.control.groupFactorOption;
    if (option < 1) return;
    GroupFactors& f = store.groupFactors;
    const int count = groupCount(store);
    if (option == 1) {
        factorsForMovement(store, LoadingAxis::y, capDisp[kForceY] < 0.0 ? -1.0 : 1.0);
        std::copy_n(f.pMultiplier.begin(), count, f.pMultiplierY.begin());
        std::copy_n(f.yMultiplier.begin(), count, f.yMultiplierY.begin());
        factorsForMovement(store, LoadingAxis::z, capDisp[kForceZ] < 0.0 ? -1.0 : 1.0);
    }

    double a = std::fabs(capDisp[kForceY]);
    double b = std::fabs(capDisp[kForceZ]);
    if (a == 0.0 && b == 0.0) {
        a = std::fabs(capLoad[kForceY]);
        b = std::fabs(capLoad[kForceZ]);
    }
    if (a == 0.0 && b == 0.0) {
        a = 1.0;
        b = 0.0;
    }
    double length = std::sqrt(a * a + b * b);
    // Components whose squares underflow or overflow keep a unit direction.
    if (!(length > 0.0) || !std::isfinite(length)) length = std::hypot(a, b);
    a /= length;
    b /= length;
    for (std::size_t g = 0; g < static_cast<std::size_t>(count); ++g) {
        const double pY = a * f.pMultiplierY[g];
        const double pZ = b * f.pMultiplierZ[g];
        const double yY = a * f.yMultiplierY[g];
        const double yZ = b * f.yMultiplierZ[g];
        f.pMultiplier[g] = std::sqrt(pY * pY + pZ * pZ);
        f.yMultiplier[g] = std::sqrt(yY * yY + yZ * yZ);
    }
}

void prepareGroupFactors(ModelStore& store, double directionY, double directionZ) {
    const int option = store.control.groupFactorOption;
    const bool twoDimensional = store.control.analysisType == 2;
    if (option == 0) return;
    if (!twoDimensional && option < 1) return;
    GroupFactors& f = store.groupFactors;
    const bool computed = option == 1;

    bool available = true;
    if (computed) {
        available = computeGroupFactorsY(store, directionY);
        if (!twoDimensional) available = computeGroupFactorsZ(store, directionZ) && available;
    }

    ReportLine title;
    title.slash().slash().slash().X(5).text("* TABLE K *   REDUCTION FACTORS        ");
    writeReport(store, title);
    if (computed) {
        ReportLine diameter;
        diameter.slash().X(7).text("PILE DIAMETER = ").F(referencePileDiameter(store), 10, 3);
        diameter.X(1).A(store.units.length3.view(), 3);
        writeReport(store, diameter);
        if (!available) writeNotComputed(store);
    }

    const int count = groupCount(store);
    const auto keepListed = [&](std::span<const double> p, std::span<const double> y) {
        std::copy_n(p.begin(), count, f.pMultiplierListed.begin());
        std::copy_n(y.begin(), count, f.yMultiplierListed.begin());
        f.listed = 1;
    };
    if (twoDimensional) {
        ReportLine heading;
        heading.slash().X(7).text(kFactorsHeading);
        writeReport(store, heading);
        writeGroupFactorRows(store, store.files.report.get(), f.pMultiplier, f.yMultiplier);
        keepListed(f.pMultiplier, f.yMultiplier);
        return;
    }
    writeAxisHeading(store, LoadingAxis::y, computed, directionY);
    writeGroupFactorRows(store, store.files.report.get(), computed ? f.pMultiplier : f.pMultiplierY,
                         computed ? f.yMultiplier : f.yMultiplierY);
    keepListed(computed ? f.pMultiplier : f.pMultiplierY,
               computed ? f.yMultiplier : f.yMultiplierY);
    writeAxisHeading(store, LoadingAxis::z, computed, directionZ);
    writeGroupFactorRows(store, store.files.report.get(), f.pMultiplierZ, f.yMultiplierZ);
    if (computed) {
        std::copy_n(f.pMultiplier.begin(), count, f.pMultiplierY.begin());
        std::copy_n(f.yMultiplier.begin(), count, f.yMultiplierY.begin());
    }
}

void useListedGroupFactors(ModelStore& store) {
    GroupFactors& f = store.groupFactors;
    if (f.listed != 1) return;
    const int count = groupCount(store);
    std::copy_n(f.pMultiplierListed.begin(), count, f.pMultiplier.begin());
    std::copy_n(f.yMultiplierListed.begin(), count, f.yMultiplier.begin());
}

}  // namespace pylora
