// SPDX-License-Identifier: Apache-2.0
#include "axial/load_transfer.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "soil/soil_profile.h"
#include "soil/soil_status.h"
#include "store/constants.h"

namespace pylora {

namespace {

const double kPi = f32(3.14159F);

// Values at or below this count as absent at a layer boundary.
const double kPresent = f32(1.0E-20F);

// A given FMAX or tip resistance below this asks for the default.
const double kNotGiven = f32(1.0E-10F);

// Below this a diameter is taken as not given.
const double kNoDiameter = f32(1.0E-5F);

using Shape = std::array<float, kLoadTransferPoints>;

// Side curves. Driven pile in clay and rock: movement in inches, transfer as a
// fraction of f, with a peak at 0.08 in and a residual of 0.93 f.
constexpr Shape kDrivenClayZ = {0.0F, 0.01F, 0.02F, 0.04F, 0.06F, 0.08F, 0.12F, 0.16F, 0.5F, 10.0F};
constexpr Shape kDrivenClayT = {0.0F, 0.18F, 0.38F, 0.79F, 0.97F, 1.0F, 0.97F, 0.93F, 0.93F, 0.93F};
// Driven pile in sand and silt: movements in inches of the hyperbolic curve.
constexpr Shape kDrivenSandZ = {0.0F, 0.01F, 0.02F, 0.04F, 0.06F, 0.08F, 0.12F, 0.16F, 0.5F, 2.5F};
// Driven pile in a layer of user p-y curves: movement over the diameter.
constexpr Shape kDrivenUserZD = {0.0F,  0.0016F, 0.0031F, 0.0057F, 0.008F,
                                 0.01F, 0.02F,   0.03F,   0.05F,   0.1F};
constexpr Shape kDrivenUserT = {0.0F, 0.3F, 0.5F, 0.75F, 0.9F, 1.0F, 0.8F, 0.8F, 0.8F, 0.8F};
// Drilled shafts: movement over the diameter; cohesive soils soften after a
// peak at 0.8% of the diameter, cohesionless soils keep most of theirs.
constexpr Shape kShaftZD = {0.0F,   0.001F, 0.002F, 0.003F, 0.005F,
                            0.006F, 0.008F, 0.012F, 0.016F, 0.1F};
constexpr Shape kShaftClayT = {0.0F,   0.51F,  0.72F,  0.9F, 0.925F,
                               0.945F, 0.955F, 0.925F, 0.9F, 0.835F};
constexpr Shape kShaftSandT = {0.0F,  0.335F, 0.58F,  0.72F, 0.86F,
                               0.91F, 0.95F,  0.965F, 0.96F, 0.95F};

// Tip curves, the nine points after the origin. Driven pile on a layer of
// user p-y curves: tip movement over the diameter.
using TipShape = std::array<float, kLoadTransferPoints - 1>;
constexpr TipShape kDrivenUserTipWD = {0.002F, 0.013F, 0.042F, 0.073F, 0.1F,
                                       0.12F,  0.15F,  0.18F,  0.2F};
constexpr TipShape kDrivenUserTipQ = {0.25F, 0.5F, 0.75F, 0.9F, 1.0F, 1.0F, 1.0F, 1.0F, 1.0F};
// Drilled shafts: movement over the diameter; a cohesionless base keeps
// gaining resistance past the value at 5% of the diameter.
constexpr TipShape kShaftTipWD = {0.005F, 0.01F, 0.015F, 0.025F, 0.03F, 0.04F, 0.05F, 0.07F, 0.1F};
constexpr TipShape kShaftClayTipQ = {0.395F, 0.56F, 0.7F, 0.865F, 0.9F, 0.95F, 0.97F, 0.98F, 0.99F};
constexpr TipShape kShaftSandTipQ = {0.2F,  0.345F, 0.485F, 0.64F, 0.73F,
                                     0.83F, 1.015F, 1.195F, 1.46F};
// Driven pile on cohesionless soil: movements as fractions of the movement
// 0.05 D at which the full tip resistance is reached, closer together where
// the power curve bends most.
constexpr TipShape kGranularTipW = {0.02F, 0.05F, 0.1F, 0.2F, 0.3F, 0.45F, 0.6F, 0.8F, 1.0F};

// How the ultimate unit side friction is estimated for a soil type.
enum class SideSoil { clay, rock, sand, silt, none };

SideSoil sideSoilOf(int KSOIL) {
    switch (KSOIL) {
        case 4:
        case 8:
            return SideSoil::sand;
        case 7:
            return SideSoil::silt;
        case 6:
        case 9:
            return SideSoil::rock;
        case 5:
            // Layers of user p-y curves carry no strength or friction angle
            // (the profile blanks both), so no default can be estimated.
            return SideSoil::none;
        default:
            // Types 1 to 3, 10, 11, and any other code, which the p-y
            // dispatcher also takes as soft clay.
            return SideSoil::clay;
    }
}

bool isCohesionlessForShape(int KSOIL) {
    return KSOIL == 4 || KSOIL == 7 || KSOIL == 8;
}

// Tip soils 4, 7, 8, 9 and 11 bear like granular soils; all others, and any
// other code, as cohesive ones.
bool isGranularTip(int KSOIL) {
    return KSOIL == 4 || KSOIL == 7 || KSOIL == 8 || KSOIL == 9 || KSOIL == 11;
}

double degreesFromRadians(double radians) {
    return radians * f32(180.0F) / kPi;
}

struct ProfileValue {
    bool belowProfile = false;
    double value = 0.0;
};

// The point lookup of the strength profile for the axial curves' own
// properties: interpolation between points, the first segment extended above
// the profile; at a layer boundary either the lower layer's value when
// present (averageAtBoundary false) or the average rule of the friction angle.
ProfileValue profileValueAt(const SoilProfile& profile, double ProfilePoint::*field, double X,
                            bool averageAtBoundary) {
    const int n = std::clamp(profile.NSTR, 0, kMaxProfilePoints);
    if (n < 2 || !std::isfinite(X)) return {true, 0.0};
    int i = 2;
    while (i <= n && X > profile.points[i - 1].XS)
        ++i;
    if (i > n) return {true, 0.0};

    const ProfilePoint& here = profile.points[i - 1];
    if (X == profile.points[n - 1].XS) return {false, here.*field};
    if (X != here.XS) {
        const ProfilePoint& above = profile.points[i - 2];
        const double length = here.XS - above.XS;
        if (length == 0.0) return {false, here.*field};
        return {false, above.*field + (here.*field - above.*field) / length * (X - above.XS)};
    }
    const ProfilePoint& next = profile.points[i];  // i < n: X is not the last point
    if (next.XS != here.XS) return {false, here.*field};
    const double a = here.*field;
    const double b = next.*field;
    if (averageAtBoundary && a >= kPresent && b >= kPresent) return {false, (a + b) * 0.5};
    return {false, b >= kPresent ? b : a};
}

void warnBeyondProfile(ModelStore& store, double X, const char* curveName) {
    ReportLine line;
    line.slash().X(29).text("**** WARNING ****");
    line.slash().X(5).text("THE VALUE OF X =").E(X, 9, 1).text(" IS BEYOND THE EXTENT OF");
    line.slash().X(5).text(curveName);
    writeToReportAndRuntime(store, line);
    noteWarning(store, line.str());
}

// FMAX or TIPMAX at X; beyond the profile the warning "THE INPUT MAX. LOAD
// TRANSFER" and status 23 (they belong to the strength profile).
double loadTransferInputAt(ModelStore& store, double ProfilePoint::*field, double X, int& status) {
    const ProfileValue v = profileValueAt(store.soilProfile, field, X, false);
    if (!v.belowProfile) return v.value;
    warnBeyondProfile(store, X, "THE INPUT MAX. LOAD TRANSFER");
    status = kStatusStrengthBeyondProfile;
    return 0.0;
}

// Driven pile in clay: adhesion factor from the strength ratio psi = c / p'o.
// Normally consolidated clay (psi <= 1) takes 0.5 psi^-0.5, overconsolidated
// clay 0.5 psi^-0.25. Soft clay of less than 3.47 psi (24 kPa, 500 psf) takes
// full adhesion wherever the ratio rule gives 0.5 or less: at psi = 1 exactly
// the rule gives 0.5 and soft clay there adheres fully, as the method's own
// check case has it. The factor never exceeds 1.0: adhesion is bounded by the
// undrained strength, as the method states (the ratio rule alone exceeds 1.0
// below psi = 0.25).
double adhesionFactor(double c, double unitWeight, double depth, bool si) {
    const double x = depth < f32(1.0E-10F) ? 1.0 : depth;
    const double overburden = unitWeight * x;
    // Without overburden the ratio is undefined; the clay is then taken as
    // normally consolidated at the boundary of the two branches.
    double psi = overburden > 0.0 ? c / overburden : 1.0;
    psi = std::max(psi, f32(1.0E-10F));
    double alpha =
        psi <= 1.0 ? f32(0.5F) * std::pow(psi, f32(-0.5F)) : f32(0.5F) * std::pow(psi, f32(-0.25F));
    const double softClay = si ? f32(24.0F) : f32(3.47F);
    if (alpha <= f32(0.5F) && c < softClay) alpha = 1.0;
    return std::min(alpha, 1.0);
}

// Drilled shaft in sand: the load-transfer factor beta = 1.5 - 0.135 sqrt(z),
// z the depth in feet, between 0.25 and 1.2.
double shaftBeta(double depth, bool si) {
    double feet = si ? depth / f32(0.3048F) : depth / f32(12.0F);
    feet = std::max(feet, f32(1.0E-7F));
    const double beta = f32(1.5F) - f32(0.135F) * std::sqrt(feet);
    return std::clamp(beta, f32(0.25F), f32(1.2F));
}

// Driven pile in sand: f = K p'o tan(delta) with K = 0.8 and the interface
// friction angle delta = phi - 5 degrees of the method for driven piles in
// cohesionless soil (a steel or concrete face mobilises less than the soil's
// own friction angle).
double drivenSandFriction(double overburden, double phi) {
    const double delta = std::max(phi - radiansFromDegrees(f32(5.0F)), 0.0);
    return f32(0.8F) * overburden * std::tan(delta);
}

// The default ultimate unit side friction at X when FMAX is not given.
double defaultSideFriction(ModelStore& store, int pileType, int KSOIL, double X, int& status) {
    const bool si = isSiRun(store);
    const bool driven = pileType != kDrilledShaft;
    const double depth = std::max(X - store.soilProfile.XGS, 0.0);
    int rc = 0;
    switch (sideSoilOf(KSOIL)) {
        case SideSoil::none:
            return 0.0;
        case SideSoil::rock: {
            const double c = strengthAt(store, store.pileScratch, X, rc);
            if (rc != 0) break;
            return f32(0.1F) * c;
        }
        case SideSoil::clay: {
            const double c = strengthAt(store, store.pileScratch, X, rc);
            if (rc != 0) break;
            if (!driven) return f32(0.55F) * c;
            const double gamma = unitWeightAverage(store, store.pileScratch, X, rc);
            if (rc != 0) break;
            return adhesionFactor(c, gamma, depth, si) * c;
        }
        case SideSoil::sand:
        case SideSoil::silt: {
            const bool silt = sideSoilOf(KSOIL) == SideSoil::silt;
            double c = 0.0;
            if (silt) {
                c = strengthAt(store, store.pileScratch, X, rc);
                if (rc != 0) break;
            }
            const double gamma = unitWeightAverage(store, store.pileScratch, X, rc);
            if (rc != 0) break;
            const double overburden = gamma * depth;
            if (!driven) {
                const double f = shaftBeta(depth, si) * overburden;
                return silt ? f + f32(0.55F) * c : f;
            }
            const double phi = shapeFrictionAngleAt(store, X, rc);
            if (rc != 0) break;
            const double f = drivenSandFriction(overburden, phi);
            return silt ? adhesionFactor(c, gamma, depth, si) * c + f : f;
        }
    }
    status = rc;
    return 0.0;
}

// Initial modulus of the hyperbolic side curve of a driven pile in sand,
// rising with the friction angle phi [degrees]: tabulated in psf per inch of
// movement, returned in stress per unit length of the run (psi/in, kPa/m).
double hyperbolicModulus(double phi, bool si) {
    const double slope = f32(1333.3F);
    double Es = 0.0;
    if (phi <= f32(28.0F))
        Es = f32(6000.0F);
    else if (phi <= f32(31.0F))
        Es = f32(6000.0F) + slope * (phi - f32(28.0F));
    else if (phi <= f32(32.0F))
        Es = f32(10000.0F);
    else if (phi <= f32(34.0F))
        Es = f32(10000.0F) + slope * (phi - f32(32.0F));
    else if (phi <= f32(35.0F))
        Es = f32(14000.0F);
    else if (phi <= f32(38.0F))
        Es = f32(14000.0F) + slope * (phi - f32(35.0F));
    else
        Es = f32(18000.0F);
    if (si) return Es / f32(20.88F) / metresPerInch();
    return Es / f32(144.0F);
}

// Bearing capacity factor of a driven pile tip in cohesionless soil against
// the friction angle [degrees], linear between the tabulated angles.
double bearingFactorNq(double phi) {
    constexpr std::array<float, 5> angle = {20.0F, 25.0F, 30.0F, 35.0F, 40.0F};
    constexpr std::array<float, 5> factor = {8.0F, 12.0F, 20.0F, 40.0F, 50.0F};
    if (phi <= f32(angle[0])) return f32(factor[0]);
    for (std::size_t k = 1; k < angle.size(); ++k) {
        if (phi > f32(angle[k])) continue;
        const double a0 = f32(angle[k - 1]);
        const double f0 = f32(factor[k - 1]);
        return f0 + (f32(factor[k]) - f0) * (phi - a0) / (f32(angle[k]) - a0);
    }
    return f32(factor.back());
}

int layerCount(const ModelStore& store) {
    return std::clamp(store.soilLayers.NLAYER, 0, kMaxSoilLayers);
}

// The layer containing X: the first whose bottom is not above X; the first
// layer above the profile, the last one below it.
int layerContaining(const ModelStore& store, double X) {
    const int n = layerCount(store);
    for (int L = 1; L <= n; ++L)
        if (X <= store.soilLayers.rows[L - 1].bottomX) return L;
    return n;
}

const SectionWork* sectionAt(const ModelStore& store, int IPROP, double s) {
    if (IPROP < 1 || IPROP > kMaxPileProperties) return nullptr;
    const PropertyWork& property = store.work.properties[IPROP - 1];
    const int count = std::clamp(property.NSECT, 0, kMaxPileSections);
    if (count < 1) return nullptr;
    for (int k = 1; k <= count; ++k)
        if (s < property.sections[k - 1].XSECT) return &property.sections[k - 1];
    return &property.sections[count - 1];
}

const SectionWork* lastSection(const ModelStore& store, int IPROP) {
    if (IPROP < 1 || IPROP > kMaxPileProperties) return nullptr;
    const PropertyWork& property = store.work.properties[IPROP - 1];
    const int count = std::clamp(property.NSECT, 0, kMaxPileSections);
    return count < 1 ? nullptr : &property.sections[count - 1];
}

// The head of the first pile group that uses the property set: its curve
// depths are measured from there.
double headOfProperty(const ModelStore& store, int IPROP) {
    const int count = std::clamp(store.arrangement.pileGroupCount, 0, kMaxPileGroups);
    for (int g = 1; g <= count; ++g)
        if (store.work.groups[g - 1].IPROP == IPROP) return store.work.groups[g - 1].XHEAD;
    return 0.0;
}

int refusePileData(ModelStore& store, int IPROP, const char* reason, const char* curveKind) {
    ReportLine line;
    line.slash().X(5).text("**** FATAL ERROR ****");
    line.slash().X(5).text("PILE PROPERTY").I(IPROP, 3).text(" ").text(reason);
    line.slash().X(5).text("NO ").text(curveKind).text(" CURVE CAN BE GENERATED.");
    writeToReportAndRuntime(store, line);
    return kStatusPileDataRefused;
}

void writeTipWarning(ModelStore& store, const char* what, const char* curveName) {
    ReportLine line;
    line.slash().X(29).text("**** WARNING ****");
    line.slash().X(5).text("THE VALUE OF ").text(what).text(" AT TIP OF PILE IS EQUAL TO ZERO, ");
    line.text(curveName);
    writeToReportAndRuntime(store, line);
    noteWarning(store, line.str());
}

void setTipPoints(LoadTransferCurves& curves, const TipShape& w, double wScale, const TipShape& q,
                  double qScale) {
    curves.w[0] = 0.0;
    curves.q[0] = 0.0;
    for (int k = 1; k < kLoadTransferPoints; ++k) {
        curves.w[k] = f32(w[k - 1]) * wScale;
        curves.q[k] = f32(q[k - 1]) * qScale;
    }
}

double transferOfCurve(const LoadTransferCurves& curves, int i, double movement) {
    return curveValueAt(curves.z[i].data(), curves.t[i].data(), kLoadTransferPoints, movement);
}

// Interpolates between the nearest side curve above the depth s and the
// nearest below, with value(i) the quantity of curve i (0-based). The depths
// of two neighbouring curves may cross in a layer thinner than the offsets
// of its curves, so the search does not rely on their order.
template <typename Value>
double interpolateBetweenCurves(const LoadTransferCurves& curves, double s, Value value) {
    const int count = std::clamp(curves.curveCount, 0, kMaxLoadTransferCurves);
    int above = -1;
    int below = -1;
    for (int i = 0; i < count; ++i) {
        const double d = curves.depth[i];
        if (d <= s && (above < 0 || d >= curves.depth[above])) above = i;
        if (d >= s && (below < 0 || d < curves.depth[below])) below = i;
    }
    if (above < 0 && below < 0) return 0.0;
    if (above < 0) return value(below);
    if (below < 0) return value(above);
    const double d0 = curves.depth[above];
    const double d1 = curves.depth[below];
    if (d1 == d0) return value(above);
    const double v0 = value(above);
    return v0 + (value(below) - v0) * (s - d0) / (d1 - d0);
}

}  // namespace

bool isSiRun(const ModelStore& store) {
    return store.control.unitsSystem == 2;
}

double metresPerInch() {
    return f32(0.0254F);
}

void writeToReportAndRuntime(ModelStore& store, const ReportLine& line) {
    writeLine(store.files.report.get(), line);
    writeLine(store.files.runtime.get(), line);
    commitToDisk(store.files.runtime.get());
}

int readPileGeometry(ModelStore& store, int IPROP, const char* curveKind, PileGeometry& geometry) {
    const int count = std::clamp(store.pileProperties.pilePropertyCount, 0, kMaxPileProperties);
    if (IPROP < 1 || IPROP > count)
        return refusePileData(store, IPROP, "IS NOT DEFINED", curveKind);
    const PropertyWork& property = store.work.properties[IPROP - 1];
    const SectionWork* last = lastSection(store, IPROP);
    if (!last) return refusePileData(store, IPROP, "HAS NO PILE SECTIONS", curveKind);
    if (!(property.LENGTH > 0.0) || !std::isfinite(property.LENGTH))
        return refusePileData(store, IPROP, "HAS NO PILE LENGTH", curveKind);
    if (!(last->DIAM >= kNoDiameter) || !std::isfinite(last->DIAM))
        return refusePileData(store, IPROP, "HAS NO PILE DIAMETER IN ITS LAST SECTION", curveKind);

    geometry.IPROP = IPROP;
    geometry.pileType = property.pileType;
    geometry.NSECT = std::clamp(property.NSECT, 0, kMaxPileSections);
    geometry.LENGTH = property.LENGTH;
    geometry.elasticModulus = property.elasticModulus;
    geometry.XHEAD = headOfProperty(store, IPROP);
    geometry.tipDiameter = last->DIAM;
    const double top = property.sections[0].DIAM;
    geometry.topDiameter = top >= kNoDiameter ? top : last->DIAM;
    return 0;
}

int refuseAxialRigidity(ModelStore& store, int IPROP) {
    return refusePileData(store, IPROP, "HAS A SECTION WITHOUT AREA OR MODULUS OF ELASTICITY",
                          "LOAD-SETTLEMENT");
}

double sectionDiameterAt(const ModelStore& store, int IPROP, double s) {
    const SectionWork* section = sectionAt(store, IPROP, s);
    if (!section) return 0.0;
    if (section->DIAM >= kNoDiameter) return section->DIAM;
    return lastSection(store, IPROP)->DIAM;
}

double sectionAreaAt(const ModelStore& store, int IPROP, double s) {
    const SectionWork* section = sectionAt(store, IPROP, s);
    return section ? section->AREA : 0.0;
}

double sectionGJAt(const ModelStore& store, int IPROP, double s) {
    const SectionWork* section = sectionAt(store, IPROP, s);
    return section ? section->GJ : 0.0;
}

double shapeFrictionAngleAt(ModelStore& store, double X, int& status) {
    const ProfileValue v = profileValueAt(store.soilProfile, &ProfilePoint::PHI, X, true);
    if (!v.belowProfile) return v.value;
    warnBeyondProfile(store, X, "THE INPUT STRENGTH CURVE, BPHI");
    status = kStatusFrictionBeyondProfile;
    return 0.0;
}

double ultimateSideFriction(ModelStore& store, int pileType, int KSOIL, double X, int& status) {
    int rc = 0;
    const double given = loadTransferInputAt(store, &ProfilePoint::FMAX, X, rc);
    if (rc != 0) {
        status = rc;
        return 0.0;
    }
    if (given >= kNotGiven) return given;
    return defaultSideFriction(store, pileType, KSOIL, X, status);
}

void fillSideCurve(LoadTransferCurves& curves, int i, const PileGeometry& pile, int KSOIL, double f,
                   double phi, bool si) {
    auto& z = curves.z[i - 1];
    auto& t = curves.t[i - 1];
    const double inch = si ? metresPerInch() : 1.0;
    const double D = pile.topDiameter;
    const double phiDegrees = degreesFromRadians(phi);
    auto scaled = [&](const Shape& zShape, double zScale, const Shape& tShape) {
        for (int k = 0; k < kLoadTransferPoints; ++k) {
            z[k] = f32(zShape[k]) * zScale;
            t[k] = f32(tShape[k]) * f;
        }
    };
    curves.ultimate[i - 1] = f;

    if (pile.pileType == kDrilledShaft) {
        // A layer of user p-y curves follows the friction angle it was given.
        const bool sand = isCohesionlessForShape(KSOIL) || (KSOIL == 5 && phiDegrees > f32(1.0F));
        scaled(kShaftZD, D, sand ? kShaftSandT : kShaftClayT);
        return;
    }
    if (KSOIL == 5) {
        scaled(kDrivenUserZD, D, kDrivenUserT);
        return;
    }
    if (!isCohesionlessForShape(KSOIL)) {
        scaled(kDrivenClayZ, inch, kDrivenClayT);
        return;
    }
    // Driven pile in sand or silt: hyperbolic curve t = z / (1/Es + z/f),
    // approaching f with the initial slope Es.
    const double Es = hyperbolicModulus(phiDegrees, si);
    const double fLimit = f > f32(1.0E-15F) ? f : f32(0.001F);
    for (int k = 0; k < kLoadTransferPoints; ++k) {
        z[k] = f32(kDrivenSandZ[k]) * inch;
        t[k] = z[k] / (1.0 / Es + z[k] / fLimit);
    }
}

int buildSideCurves(ModelStore& store, const PileGeometry& pile, const double* X,
                    const int* layerOf, int count, int fixedCount, LoadTransferCurves& curves) {
    const bool si = isSiRun(store);
    curves.IPROP = pile.IPROP;
    curves.XHEAD = pile.XHEAD;
    curves.curveCount = std::clamp(count, 0, kMaxLoadTransferCurves);
    for (int i = 1; i <= curves.curveCount; ++i) {
        const int L = std::clamp(layerOf[i - 1], 1, kMaxSoilLayers);
        const int KSOIL = store.soilLayers.rows[L - 1].KSOIL;
        curves.depth[i - 1] = X[i - 1] - pile.XHEAD;
        curves.KSOIL[i - 1] = KSOIL;
        if (i <= fixedCount) {
            // Surface curves: practically no friction, so neither the soil's
            // strength nor its friction angle matters.
            fillSideCurve(curves, i, pile, KSOIL, f32(1.0E-6F), 0.0, si);
            continue;
        }
        int rc = 0;
        const double f = ultimateSideFriction(store, pile.pileType, KSOIL, X[i - 1], rc);
        if (rc != 0) return rc;
        const double phi = shapeFrictionAngleAt(store, X[i - 1], rc);
        if (rc != 0) return rc;
        fillSideCurve(curves, i, pile, KSOIL, f, phi, si);
    }
    return 0;
}

int buildTipCurve(ModelStore& store, const PileGeometry& pile, const TipCurveCodes& codes,
                  LoadTransferCurves& curves) {
    const double X = pile.XHEAD + pile.LENGTH;
    const double D = pile.tipDiameter;
    int rc = 0;
    const double c = strengthAt(store, store.pileScratch, X, rc);
    if (rc != 0) return rc;
    const double phi = shapeFrictionAngleAt(store, X, rc);
    if (rc != 0) return rc;
    const int L = layerContaining(store, X);
    int KSOIL = L >= 1 ? store.soilLayers.rows[L - 1].KSOIL : 0;
    // A layer with strength and no friction bears as stiff clay.
    if (c > f32(0.1F) && phi < f32(1.0E-4F)) KSOIL = 3;

    // The full cross section bears at the tip: a drilled shaft, and a driven
    // pile plugged at its base.
    const double area = kPi * D * D / f32(4.0F);
    const double tipmax = loadTransferInputAt(store, &ProfilePoint::TIPMAX, X, rc);
    if (rc != 0) return rc;
    double qmax = tipmax * area;
    if (qmax < kNotGiven) {
        if (KSOIL < 4 || KSOIL == 10) {
            qmax = f32(9.0F) * c * area;
        } else {
            // Cohesionless tip: qmax = Nq p'o A. A drilled shaft uses the same
            // bearing expression as a driven pile, the only one the profile
            // supports (the shaft's own correlations need penetration counts).
            const double gamma = unitWeightAverage(store, store.pileScratch, X, rc);
            if (rc != 0) return rc;
            const double depth = std::max(X - store.soilProfile.XGS, 0.0);
            qmax = bearingFactorNq(degreesFromRadians(phi)) * gamma * depth * area;
        }
    }
    curves.tipKSOIL = KSOIL;
    curves.tipDiameter = D;
    curves.qmax = qmax;

    const bool granular = isGranularTip(KSOIL);
    if (pile.pileType == kDrilledShaft) {
        setTipPoints(curves, kShaftTipWD, D, granular ? kShaftSandTipQ : kShaftClayTipQ, qmax);
        return 0;
    }
    if (!granular && KSOIL == 5) {
        setTipPoints(curves, kDrivenUserTipWD, D, kDrivenUserTipQ, qmax);
        return 0;
    }
    if (!granular) {
        // Driven pile on clay: q = 0.5 qmax (w / w50)^0.5 with w50 = 2 E50 D,
        // reaching qmax at w = 4 w50 and holding it to 40 w50.
        const double E50 = strainE50At(store, X);
        if (std::fabs(E50) < f32(1.0E-14F)) {
            writeTipWarning(store, "E50", codes.curveName);
            return codes.zeroE50;
        }
        if (std::fabs(qmax) < f32(1.0E-14F)) {
            writeTipWarning(store, "COHESION", codes.curveName);
            return codes.zeroStrength;
        }
        const double w50 = f32(2.0F) * std::fabs(E50) * D;  // a strain has no sign
        curves.w[0] = 0.0;
        curves.q[0] = 0.0;
        for (int k = 1; k <= 7; ++k) {
            const double ratio = f32(0.5F) * k;
            curves.w[k] = ratio * w50;
            curves.q[k] = f32(0.5F) * qmax * std::sqrt(ratio);
        }
        curves.w[8] = f32(4.0F) * w50;
        curves.q[8] = qmax;
        curves.w[9] = f32(40.0F) * w50;
        curves.q[9] = qmax;
        return 0;
    }
    // Driven pile on cohesionless soil: q = qmax (w / wc)^n with wc = 0.05 D.
    // Loose sand (phi <= 31 degrees) rises with the square root; medium dense
    // (up to 38 degrees) and dense sand mobilise their resistance sooner,
    // with the exponents 1/3 and 1/4 of the power-law tip curves of driven
    // piles in sand.
    const double phiDegrees = degreesFromRadians(phi);
    double exponent = f32(0.5F);
    if (phiDegrees > f32(38.0F))
        exponent = f32(1.0F) / f32(4.0F);
    else if (phiDegrees > f32(31.0F))
        exponent = f32(1.0F) / f32(3.0F);
    const double wc = f32(0.05F) * D;
    curves.w[0] = 0.0;
    curves.q[0] = 0.0;
    for (int k = 1; k < kLoadTransferPoints; ++k) {
        const double ratio = f32(kGranularTipW[k - 1]);
        curves.w[k] = ratio * wc;
        curves.q[k] = qmax * std::pow(ratio, exponent);
    }
    return 0;
}

double curveValueAt(const double* x, const double* y, int n, double movement) {
    if (n < 1) return 0.0;
    const double sign = movement < 0.0 ? -1.0 : 1.0;
    const double m = std::fabs(movement);
    if (m >= x[n - 1]) return sign * y[n - 1];
    for (int k = 1; k < n; ++k) {
        if (m > x[k]) continue;
        const double span = x[k] - x[k - 1];
        if (!(span > 0.0)) return sign * y[k];
        return sign * (y[k - 1] + (y[k] - y[k - 1]) * (m - x[k - 1]) / span);
    }
    return sign * y[0];
}

double sideTransferAt(const LoadTransferCurves& curves, double s, double movement) {
    return interpolateBetweenCurves(curves, s,
                                    [&](int i) { return transferOfCurve(curves, i, movement); });
}

double sideUltimateAt(const LoadTransferCurves& curves, double s) {
    return interpolateBetweenCurves(curves, s, [&](int i) { return curves.ultimate[i]; });
}

double tipResistanceAt(const LoadTransferCurves& curves, double movement) {
    return curveValueAt(curves.w.data(), curves.q.data(), kLoadTransferPoints, movement);
}

}  // namespace pylora
