#include "cap/group_factors.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <span>
#include <string>

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
    const double sideReach = f32(5.0F);  // no reduction side by side beyond it
    const double lineReach = f32(8.0F);  // no reduction in line or skewed beyond it

    if (a < f32(1.0E-5F)) {
        if (b > sideReach) return 1.0;
        return capped(sideCoefficient * std::pow(b, sideExponent));
    }
    const double theta = dB != 0.0 ? std::atan(b / a) : f32(1.5708F);
    pairAngle = theta;
    if (b < f32(1.0E-6F)) {
        if (a > lineReach) return 1.0;
        return dA * dir > 0.0 ? capped(leadCoefficient * std::pow(a, leadExponent))
                              : capped(trailCoefficient * std::pow(a, trailExponent));
    }
    const double s = std::sqrt(dA * dA + dB * dB);
    if (s > lineReach) return 1.0;
    const double side = capped(sideCoefficient * std::pow(s, sideExponent));
    const double inLine = dA * dir >= 0.0 ? capped(leadCoefficient * std::pow(s, leadExponent))
                                          : capped(trailCoefficient * std::pow(s, trailExponent));
    const double bs = side * std::sin(theta);
    const double bl = inLine * std::cos(theta);
    return capped(std::sqrt(bs * bs + bl * bl));
}

// The factors of one loading axis into pFactor and yFactor (2000 groups).
bool computeFactors(ModelStore& store, LoadingAxis axis, double direction,
                    std::span<double> pFactor, std::span<double> yFactor) {
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
    for (std::size_t i = 0; i < N; ++i) {
        double product = 1.0;
        for (std::size_t k = 0; k < N; ++k) {
            if (k == i) continue;
            product *= pairFactor(w.alongCoord[i] - w.alongCoord[k],
                                  w.acrossCoord[i] - w.acrossCoord[k], dir, w.pairAngle);
        }
        w.shadowProduct[i] = product;
    }

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
        l.text("MORE THAN ").I(kMaxShadedPiles, 5).text(" PILES IN THE LAYOUT");
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
    return computeFactors(store, LoadingAxis::y, direction, f.pMultiplier, f.yMultiplier);
}

bool computeGroupFactorsZ(ModelStore& store, double direction) {
    GroupFactors& f = store.groupFactors;
    return computeFactors(store, LoadingAxis::z, direction, f.pMultiplierZ, f.yMultiplierZ);
}

void updateGroupFactorsForMovement(ModelStore& store, const CapVector& capDisp,
                                   const CapVector& capLoad) {
    const int option = store.control.groupFactorOption;
    if (option < 1) return;
    GroupFactors& f = store.groupFactors;
    const int count = groupCount(store);
    if (option == 1) {
        computeGroupFactorsY(store, capDisp[kForceY] < 0.0 ? -1.0 : 1.0);
        std::copy_n(f.pMultiplier.begin(), count, f.pMultiplierY.begin());
        std::copy_n(f.yMultiplier.begin(), count, f.yMultiplierY.begin());
        computeGroupFactorsZ(store, capDisp[kForceZ] < 0.0 ? -1.0 : 1.0);
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
