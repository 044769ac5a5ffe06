// SPDX-License-Identifier: Apache-2.0
#include "soil/soil_profile.h"

#include <algorithm>
#include <cmath>

#include "format/format.h"
#include "soil/soil_status.h"
#include "store/constants.h"
#include "store/run_messages.h"

namespace pylora {

namespace {

// Degrees to radians with the single-precision pi of the soil tables.
const double kPi = f32(3.14159f);

// Values at or below this count as absent at a layer boundary.
const double kPresent = f32(1.0E-20f);

// Soil properties by their column in a layer's value rows.
enum Column { kGamma, kC, kPhi, kK, kEr, kE50, kRqd, kFmax, kTipmax };

void setColumn(ProfilePoint& point, int column, double v) {
    switch (column) {
        case kGamma:
            point.GAMMA = v;
            break;
        case kC:
            point.C = v;
            break;
        case kPhi:
            point.PHI = v;
            break;
        case kK:
            point.K = v;
            break;
        case kEr:
            point.ER = v;
            break;
        case kE50:
            point.E50 = v;
            break;
        case kRqd:
            point.RQD = v;
            break;
        case kFmax:
            point.FMAX = v;
            break;
        case kTipmax:
            point.TIPMAX = v;
            break;
        default:
            break;
    }
}

// Sets to 0 the properties that the soil type does not use. Side friction and
// tip resistance are never blanked: the axial curves give zeros a default.
void blankUnusedProperties(ProfilePoint& point, int KSOIL) {
    switch (KSOIL) {
        case 1:  // soft clay
        case 3:  // stiff clay above the water table
            point.PHI = point.K = point.RQD = 0.0;
            break;
        case 2:   // stiff clay below the water table
        case 10:  // stiff clay above the water table with an initial modulus
            point.PHI = point.RQD = 0.0;
            break;
        case 4:  // sand
        case 8:  // sand, API criterion
            point.C = point.ER = point.E50 = point.RQD = 0.0;
            break;
        case 5:   // user curves
        case 11:  // liquefied sand
            point.C = point.PHI = point.K = point.ER = point.E50 = point.RQD = 0.0;
            break;
        case 6:  // vuggy limestone: its strain is fixed
            point.PHI = point.K = point.ER = point.RQD = 0.0;
            point.E50 = f32(0.0005f);
            break;
        case 7:  // silt
            point.ER = point.E50 = 0.0;
            break;
        case 9:  // weak rock
            point.PHI = point.K = 0.0;
            break;
        default:
            break;
    }
}

const ProfilePoint& pointAt(const SoilProfile& profile, int k) {
    return profile.points[k - 1];
}

int strengthPointCount(const SoilProfile& profile) {
    return std::clamp(profile.NSTR, 0, kMaxProfilePoints);
}

enum class BoundaryRule {
    lowerIfPresent,  // the lower layer's top value when present, else the upper's
    average,         // the mean of two present values, else the present one
    plainMean,       // the mean, present or not
};

double atBoundary(double a, double b, BoundaryRule rule) {
    switch (rule) {
        case BoundaryRule::lowerIfPresent:
            return b >= kPresent ? b : a;
        case BoundaryRule::average:
            if (a >= kPresent && b >= kPresent) return (a + b) * 0.5;
            return b >= kPresent ? b : a;
        case BoundaryRule::plainMean:
            return (a + b) * 0.5;
    }
    return a;
}

struct PointValue {
    bool belowProfile = false;  // X lies below the last point (or there is no profile)
    double value = 0.0;         // below the profile: the value at the last point
};

// The point lookup shared by every property: scan to the first point not
// above X, then interpolate, take the point, or apply the boundary rule.
PointValue lookUpPoint(const SoilProfile& profile, double ProfilePoint::*field, double X,
                       BoundaryRule rule) {
    const int n = strengthPointCount(profile);
    if (n < 2 || !std::isfinite(X)) return {true, n > 0 ? pointAt(profile, n).*field : 0.0};

    int i = 2;
    while (i <= n && X > pointAt(profile, i).XS)
        ++i;
    if (i > n) return {true, pointAt(profile, n).*field};

    const ProfilePoint& here = pointAt(profile, i);
    if (X == pointAt(profile, n).XS) return {false, here.*field};
    if (X != here.XS) {
        const ProfilePoint& above = pointAt(profile, i - 1);
        const double length = here.XS - above.XS;
        // A layer of no thickness has no segment to interpolate on.
        if (length == 0.0) return {false, here.*field};
        return {false, above.*field + (here.*field - above.*field) / length * (X - above.XS)};
    }
    const ProfilePoint& next = pointAt(profile, i + 1);
    if (next.XS != here.XS) return {false, here.*field};
    return {false, atBoundary(here.*field, next.*field, rule)};
}

// Writes a warning block to the report and, when asked, to the runtime file,
// which is committed to disk so that the front end sees it at once.
void writeWarning(PileScratch& scratch, const ReportLine& line, bool toRuntime) {
    raisePileMessage(scratch, kToReport | kToCollector | (toRuntime ? kToRuntime : 0), line.str());
}

void warnBeyondPointProfile(PileScratch& scratch, double X, const char* curveName) {
    ReportLine line;
    line.slash().X(29).text("**** WARNING ****");
    line.slash().X(5).text("THE VALUE OF X =").E(X, 9, 1).text(" IS BEYOND THE EXTENT OF");
    line.slash().X(5).text(curveName);
    writeWarning(scratch, line, true);
}

// The trapezoid average from the ground surface down to X over one column of
// the profile (XG and values of NGAM points). Returns the sum of the segments
// that lie above X, each divided by the depth D = X - XGS, and whether X lies
// below the last point.
struct Average {
    bool belowProfile = false;
    double value = 0.0;
};

template <typename ValueAt>
Average averageFromGround(int n, const double* x, ValueAt valueAt, double X, double D) {
    Average sum;
    for (int k = 2; k <= n; ++k) {
        const double x0 = x[k - 2];
        const double x1 = x[k - 1];
        const double v0 = valueAt(k - 1);
        const double v1 = valueAt(k);
        if (X >= x1) {
            // Segments of no length (layer boundaries) add nothing.
            sum.value += 0.5 * (v0 + v1) * (x1 - x0) / D;
            continue;
        }
        if (x1 - x0 >= f32(1.0E-6f)) {
            const double v = v0 + (v1 - v0) / (x1 - x0) * (X - x0);
            sum.value += 0.5 * (v0 + v) * (X - x0) / D;
        }
        return sum;
    }
    sum.belowProfile = n < 1 || X > x[n - 1];
    return sum;
}

const SectionWork* sectionAt(const ModelStore& store, const PileScratch& scratch, int IPROP,
                             double X, const SectionWork*& last) {
    last = nullptr;
    if (IPROP < 1 || IPROP > kMaxPileProperties) return nullptr;
    const PropertyWork& property = store.work.properties[IPROP - 1];
    const int count = std::min(property.NSECT, kMaxPileSections);
    if (count < 1) return nullptr;
    last = &property.sections[count - 1];

    const int group = scratch.py.currentPileGroup;
    const double XHEAD =
        (group >= 1 && group <= kMaxPileGroups) ? store.work.groups[group - 1].XHEAD : 0.0;
    const double s = X - XHEAD;
    for (int k = 1; k <= count; ++k)
        if (s < sectionEnd(property, k)) return &property.sections[k - 1];
    return nullptr;  // below the last section's end
}

double fieldOf(const SectionWork& section, SectionField field) {
    switch (field) {
        case SectionField::diameter:
            return section.DIAM;
        case SectionField::area:
            return section.AREA;
        case SectionField::Iz:
            return section.Iz;
        case SectionField::Iy:
            return section.Iy;
        case SectionField::EIz:
            return section.EIz;
        case SectionField::EIy:
            return section.EIy;
        case SectionField::GJ:
            return section.GJ;
        case SectionField::Mn:
            return section.Mn;
        case SectionField::Vn:
            return section.Vn;
    }
    return 0.0;
}

}  // namespace

void prepareSoilProfile(ModelStore& store) {
    SoilProfile& profile = store.soilProfile;
    profile = SoilProfile{};
    const SoilLayerTable& layers = store.soilLayers;
    const int layerCount = std::clamp(layers.NLAYER, 0, kMaxSoilLayers);

    for (int L = 1; L <= layerCount; ++L) {
        const SoilLayer& layer = layers.rows[L - 1];
        ProfilePoint& top = profile.points[2 * L - 2];
        ProfilePoint& bottom = profile.points[2 * L - 1];
        top.XS = layer.topX;
        bottom.XS = layer.bottomX;
        for (int column = 0; column < kSoilProperties; ++column) {
            setColumn(top, column, layer.top[column]);
            setColumn(bottom, column, layer.bottom[column]);
        }
        for (ProfilePoint* point : {&top, &bottom}) {
            point->PHI = point->PHI * kPi / 180.0;
            blankUnusedProperties(*point, layer.KSOIL);
        }
    }

    profile.NSTR = 2 * layerCount;
    profile.NGAM = profile.NSTR;
    for (int k = 1; k <= profile.NSTR; ++k) {
        profile.XG[k - 1] = profile.points[k - 1].XS;
        profile.GAMMA[k - 1] = profile.points[k - 1].GAMMA;
    }
    profile.XGS = layerCount > 0 ? layers.rows[0].topX : 0.0;
}

double sectionEnd(const PropertyWork& property, int k) {
    const int count = std::min(property.NSECT, kMaxPileSections);
    if (k == count) return f32(1.2f) * property.LENGTH;
    return property.sections[static_cast<std::size_t>(k - 1)].XSECT;
}

double strengthAt(const ModelStore& store, PileScratch& scratch, double X, int& status) {
    const PointValue v =
        lookUpPoint(store.soilProfile, &ProfilePoint::C, X, BoundaryRule::lowerIfPresent);
    if (!v.belowProfile) return v.value;
    warnBeyondPointProfile(scratch, X, "THE INPUT STRENGTH CURVE");
    status = kStatusStrengthBeyondProfile;
    return 0.0;
}

double frictionAngleAt(const ModelStore& store, PileScratch& scratch, double X, int& status) {
    const PointValue v =
        lookUpPoint(store.soilProfile, &ProfilePoint::PHI, X, BoundaryRule::average);
    if (!v.belowProfile) return v.value;
    warnBeyondPointProfile(scratch, X, "THE INPUT PHI CURVE");
    status = kStatusFrictionBeyondProfile;
    return 0.0;
}

double subgradeModulusAt(const ModelStore& store, double X) {
    return lookUpPoint(store.soilProfile, &ProfilePoint::K, X, BoundaryRule::average).value;
}

double rockModulusAt(const ModelStore& store, double X) {
    return lookUpPoint(store.soilProfile, &ProfilePoint::ER, X, BoundaryRule::average).value;
}

double strainE50At(const ModelStore& store, double X) {
    return lookUpPoint(store.soilProfile, &ProfilePoint::E50, X, BoundaryRule::average).value;
}

double rqdAt(const ModelStore& store, double X) {
    return lookUpPoint(store.soilProfile, &ProfilePoint::RQD, X, BoundaryRule::average).value;
}

double subgradeModulusForSolver(const ModelStore& store, double X) {
    const SoilProfile& profile = store.soilProfile;
    if (strengthPointCount(profile) >= 1 && X < pointAt(profile, 1).XS) return 0.0;
    const double K = lookUpPoint(profile, &ProfilePoint::K, X, BoundaryRule::plainMean).value;
    if (std::fabs(K) > f32(1.0E-4f)) return K;
    // 50 lb/in3 expressed in kN/m3 in a metric run.
    return store.control.unitsSystem == 2 ? 13575.0 : 50.0;
}

double unitWeightAverage(const ModelStore& store, PileScratch& scratch, double X, int& status) {
    const SoilProfile& profile = store.soilProfile;
    if (X < profile.XGS) return 0.0;
    const int n = std::clamp(profile.NGAM, 0, kMaxProfilePoints);
    const double D = X - profile.XGS;
    if (D < f32(1.0E-6f)) {
        for (int k = 1; k <= n; ++k)
            if (profile.GAMMA[k - 1] > 0.0) return profile.GAMMA[k - 1];
        return n > 0 ? profile.GAMMA[n - 1] : 0.0;
    }
    const Average average = averageFromGround(
        n, profile.XG.data(), [&](int k) { return profile.GAMMA[k - 1]; }, X, D);
    if (!average.belowProfile) return average.value;

    ReportLine line;
    line.slash().X(29).text("**** WARNING ****");
    line.slash().X(5).text("THE VALUE OF X =").E(X, 9, 2).text("IS BEYOND THE EXTENT OF/");
    line.X(5).text("THE INPUT CURVE FOR UNIT WEIGHT");
    writeWarning(scratch, line, true);
    status = kStatusUnitWeightBeyondProfile;
    return 0.0;
}

double strengthAverage(const ModelStore& store, PileScratch& scratch, double X) {
    const SoilProfile& profile = store.soilProfile;
    if (X < profile.XGS) return 0.0;
    const int n = strengthPointCount(profile);
    const double D = X - profile.XGS;
    if (D < f32(1.0E-6f)) {
        int ignored = 0;
        return strengthAt(store, scratch, X, ignored);
    }
    std::array<double, kMaxProfilePoints> x{};
    for (int k = 1; k <= n; ++k)
        x[k - 1] = pointAt(profile, k).XS;
    const Average average = averageFromGround(
        n, x.data(), [&](int k) { return pointAt(profile, k).C; }, X, D);
    if (average.belowProfile) {
        ReportLine line;
        line.slash().X(29).text("**** WARNING ****");
        line.slash().X(5).text("THE VALUE OF X =").E(X, 9, 2).text("IS BEYOND THE EXTENT OF THE/");
        line.X(5).text("INPUT CURVE FOR STRENGTH");
        writeWarning(scratch, line, false);
    }
    return average.value;
}

double sectionPropertyAt(const ModelStore& store, const PileScratch& scratch, int IPROP, double X,
                         SectionField field) {
    const SectionWork* last = nullptr;
    const SectionWork* section = sectionAt(store, scratch, IPROP, X, last);
    if (section) return fieldOf(*section, field);
    return last ? fieldOf(*last, field) : 0.0;
}

double pileDiameterAt(const ModelStore& store, const PileScratch& scratch, int IPROP, double X) {
    const SectionWork* last = nullptr;
    const SectionWork* section = sectionAt(store, scratch, IPROP, X, last);
    const double diameter = section ? section->DIAM : 0.0;
    if (diameter >= f32(1.0E-5f) || !last) return diameter;
    return last->DIAM;
}

}  // namespace pylora
