// SPDX-License-Identifier: Apache-2.0
#include "soil/py_curve.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "store/constants.h"

namespace pylora {

namespace {

// Share of the ultimate resistance that soft clay keeps under cyclic loading.
const double kCyclicShare = f32(0.72f);

// Linear interpolation in a table at unit steps of x / b, flat beyond the
// last point; a negative argument takes the first point.
template <std::size_t N>
double interpolateUnitSteps(const std::array<double, N>& table, double t) {
    if (!(t > 0.0)) return table[0];
    const double last = static_cast<double>(N - 1);
    if (t >= last) return table[N - 1];
    const auto j = static_cast<std::size_t>(t);
    return table[j] + (table[j + 1] - table[j]) * (t - static_cast<double>(j));
}

// Soft clay: half the ultimate resistance at y50, growing with the cube root
// of y / y50.
double softClayRise(const PyCurve& c, double y) {
    return 0.5 * c.pu * std::cbrt(y / c.y50);
}

double softClayResistance(const PyCurve& c, double y) {
    if (!(c.y50 > 0.0)) {
        // No strain at half the strength: the rigid-plastic limit of the curve.
        if (!(y > 0.0)) return 0.0;
        if (!c.cyclic || c.depth >= c.xr) return c.cyclic ? kCyclicShare * c.pu : c.pu;
        return kCyclicShare * c.pu * c.depth / c.xr;
    }
    if (!c.cyclic) return y <= 8.0 * c.y50 ? softClayRise(c, y) : c.pu;

    // Cyclic loading: beyond 3 y50 the resistance drops to 0.72 pu; above the
    // transition depth xr it then falls on to 0.72 pu x / xr at 15 y50, where
    // the soil no longer flows back around the pile.
    if (y <= 3.0 * c.y50) return softClayRise(c, y);
    const double plateau = kCyclicShare * c.pu;
    if (c.depth >= c.xr) return plateau;
    const double residual = plateau * c.depth / c.xr;
    if (y >= 15.0 * c.y50) return residual;
    return plateau + (residual - plateau) * (y - 3.0 * c.y50) / (12.0 * c.y50);
}

// Stiff clay below the water table, static loading: a parabola, then the
// softening branches down to the residual resistance beyond 18 AS y50.
double stiffClayBelowStatic(const PyCurve& c, double y) {
    const double pc = c.pu;
    const double residual = 0.5 * pc * std::sqrt(6.0 * c.AS) - f32(0.411f) * pc - 0.75 * pc * c.AS;
    const double a = c.AS * c.y50;
    if (!(a > 0.0) || y > 18.0 * a) return residual;
    if (y <= a) return 0.5 * pc * std::sqrt(y / c.y50);
    if (y <= 6.0 * a)
        return 0.5 * pc * std::sqrt(y / c.y50) - f32(0.055f) * pc * std::pow((y - a) / a, 1.25);
    return 0.5 * pc * std::sqrt(6.0 * c.AS) - f32(0.411f) * pc -
           (0.0625 / c.y50) * pc * (y - 6.0 * a);
}

// Stiff clay below the water table, cyclic loading: a peak AC pc at 0.45 yp,
// then a linear fall to the residual beyond 1.8 yp.
double stiffClayBelowCyclic(const PyCurve& c, double y) {
    const double pc = c.pu;
    const double yp = f32(4.1f) * c.AC * c.y50;
    if (!(yp > 0.0))  // the residual with yp / y50 = 4.1 AC
        return f32(0.936f) * c.AC * pc - f32(0.102f) * pc * f32(4.1f) * c.AC;
    if (y <= f32(0.6f) * yp) {
        const double r = std::fabs((y - f32(0.45f) * yp) / (f32(0.45f) * yp));
        return c.AC * pc * (1.0 - std::pow(r, 2.5));
    }
    if (y <= f32(1.8f) * yp)
        return f32(0.936f) * c.AC * pc - (f32(0.085f) / c.y50) * pc * (y - f32(0.6f) * yp);
    return f32(0.936f) * c.AC * pc - (f32(0.102f) / c.y50) * pc * yp;
}

// Stiff clay above the water table: the fourth root of y / y50, up to pu at
// 16 y50; cyclic loading stretches the deflection by 1 + 0.6 log10 N.
double stiffClayAboveResistance(const PyCurve& c, double y) {
    if (!(c.y50 > 0.0)) return y > 0.0 ? c.pu : 0.0;
    if (!c.cyclic) return y <= 16.0 * c.y50 ? 0.5 * c.pu * std::pow(y / c.y50, 0.25) : c.pu;
    const double yN = (1.0 + f32(0.6f) * std::log10(c.cycles)) * c.y50;
    return std::min(c.pu, 0.5 * c.pu * std::pow(y / yN, 0.25));
}

// Weak rock: the straight initial line Mir y up to yA, then the fourth root
// of y / yrm; never more than pur. Without a deflection scale yrm the curve
// rises straight to pur.
double weakRockResistance(const PyCurve& c, double y) {
    if (!(y > 0.0)) return 0.0;
    double p = c.pu;
    if (y < c.yA)
        p = c.initialModulus * y;
    else if (c.yrm > 0.0)
        p = 0.5 * c.pu * std::pow(y / c.yrm, 0.25);
    return std::min(p, c.pu);
}

// Vuggy limestone: two straight lines up to su b at y2, and that plateau
// beyond (the published criterion neither rises nor drops after it).
double vuggyLimestoneResistance(const PyCurve& c, double y) {
    if (y < c.y1) return c.initialModulus * y;
    if (y < c.y2) return c.initialModulus * c.y1 + c.slope * (y - c.y1);
    return c.pu;
}

// p(y) on one user curve of (p, y) points in increasing y: linear between the
// points, from the origin up to the first point, the last p beyond the last.
double userCurveResistance(const UserPyCurve& curve, double y) {
    const int n = std::clamp(curve.pyPointCount, 0, kMaxCurvePoints);
    if (n == 0) return 0.0;
    const PyPoint& first = curve.points[0];
    if (y <= first.y) return first.y > 0.0 ? first.p * y / first.y : first.p;
    for (int k = 2; k <= n; ++k) {
        const PyPoint& a = curve.points[k - 2];
        const PyPoint& b = curve.points[k - 1];
        if (y > b.y) continue;
        if (b.y == a.y) return b.p;
        return a.p + (b.p - a.p) * (y - a.y) / (b.y - a.y);
    }
    return curve.points[n - 1].p;
}

}  // namespace

double softClayUltimate(double x, double b, double c, double gamma) {
    if (!(c > 0.0) || !(b > 0.0)) return 0.0;
    const double Np = gamma * x / c + 3.0 + 0.5 * x / b;
    return Np > 9.0 ? 9.0 * c * b : Np * c * b;
}

PyCurve buildSoftClayCurve(double x, double b, double c, double gamma, double E50, bool cyclic) {
    PyCurve curve;
    curve.kind = PyCurveKind::softClay;
    curve.cyclic = cyclic;
    curve.depth = x;
    curve.pu = softClayUltimate(x, b, c, gamma);
    curve.y50 = 2.5 * E50 * b;
    const double denominator = gamma * b + 0.5 * c;
    curve.xr = denominator > 0.0 ? 6.0 * c * b / denominator : 0.0;
    if (curve.xr < f32(1.0E-6f)) curve.xr = b;
    return curve;
}

PyCurve buildStiffClayBelowWaterCurve(double xTrue, double xEq, double b, double c, double CAVG,
                                      double gamma, double E50, double K, bool cyclic) {
    PyCurve curve;
    curve.kind = PyCurveKind::stiffClayBelowWater;
    curve.cyclic = cyclic;
    curve.depth = xTrue;
    const double xOverB = b > 0.0 ? xEq / b : 0.0;
    curve.AS = stiffClayStaticCoefficient(xOverB);
    curve.AC = stiffClayCyclicCoefficient(xOverB);
    const double pct = 2.0 * CAVG * b + gamma * b * xTrue + f32(2.83f) * CAVG * xTrue;
    const double pcd = 11.0 * c * b;
    curve.pu = std::min(pct, pcd);
    curve.y50 = E50 * b;
    curve.initialLine = true;
    curve.initialModulus = K * xTrue;
    return curve;
}

PyCurve buildStiffClayAboveWaterCurve(double x, double b, double c, double CAVG, double gamma,
                                      double E50, double cycles, bool cyclic, bool withInitialK,
                                      double K) {
    PyCurve curve;
    curve.kind = PyCurveKind::stiffClayAboveWater;
    curve.cyclic = cyclic;
    curve.depth = x;
    curve.pu = std::min(9.0 * c * b, 3.0 * CAVG * b + gamma * b * x + 0.5 * CAVG * x);
    curve.y50 = 2.5 * E50 * b;
    // Fewer than one cycle means no cyclic degradation.
    curve.cycles = cycles >= 1.0 ? cycles : 1.0;
    curve.initialLine = withInitialK;
    curve.initialModulus = withInitialK ? K * x : 0.0;
    return curve;
}

PyCurve buildWeakRockCurve(double xr, double b, double suAverage, double ER, double KRM,
                           double RQD) {
    PyCurve curve;
    if (!(b > 0.0)) return curve;  // no pile section here: no resistance
    curve.kind = PyCurveKind::weakRock;
    curve.depth = xr;
    // RQD is a percentage; outside 0 .. 100 the reduction would turn the
    // resistance negative or raise it above that of intact rock.
    const double alpha = 1.0 - std::clamp(RQD, 0.0, 100.0) / f32(150.0F);
    const double qa = std::max(2.0 * suAverage, 0.0);
    double Kir = 500.0;
    if (xr <= 3.0 * b) {
        // Near the rock surface the wedge grows with depth.
        curve.pu = alpha * qa * b * (1.0 + f32(1.4F) * xr / b);
        Kir = 100.0 + 400.0 * xr / (3.0 * b);
    } else {
        curve.pu = f32(5.2F) * alpha * qa * b;
    }
    curve.initialModulus = Kir * ER;
    curve.yrm = KRM * b;
    const double Mir = curve.initialModulus;
    if (Mir > 0.0 && curve.yrm > 0.0) {
        // (pur / (2 yrm^0.25 Mir))^(4/3), the 4/3 power taken exactly as the
        // cube root of the fourth power.
        const double r = curve.pu / (2.0 * std::pow(curve.yrm, 0.25) * Mir);
        curve.yA = r * std::cbrt(r);
    } else if (Mir > 0.0) {
        curve.yA = curve.pu / Mir;  // the line up to pur
    }
    // Without a rock modulus there is no initial line (yA = 0); the small
    // deflections then take the secant of the curve at YMIN.
    return curve;
}

PyCurve buildVuggyLimestoneCurve(double b, double su) {
    PyCurve curve;
    curve.kind = PyCurveKind::vuggyLimestone;
    su = std::max(su, 0.0);
    curve.pu = su * b;
    curve.initialModulus = 2000.0 * su;  // Es1
    curve.slope = 100.0 * su;
    curve.y1 = f32(0.0004F) * b;
    const double p1 = curve.initialModulus * curve.y1;
    // Without strength the curve is 0; y2 keeps its place on the deflection
    // axis (su cancels), so that the printed deflections stay defined.
    curve.y2 = su > 0.0 ? curve.y1 + (su * b - p1) / curve.slope
                        : curve.y1 + (b - 2000.0 * curve.y1) / 100.0;
    return curve;
}

double stiffClayStaticCoefficient(double xOverB) {
    static const std::array<double, 6> table = {f32(0.223f), f32(0.46f), f32(0.55f),
                                                f32(0.59f),  f32(0.6f),  f32(0.6f)};
    return interpolateUnitSteps(table, xOverB);
}

double stiffClayCyclicCoefficient(double xOverB) {
    static const std::array<double, 4> table = {f32(0.2f), f32(0.29f), f32(0.3f), f32(0.3f)};
    return interpolateUnitSteps(table, xOverB);
}

// ---------------------------------------------------------------------------
// Granular soil.

namespace {

// Earth pressure at rest of the wedge model.
const double kK0 = f32(0.4F);

// The angles and earth-pressure coefficients of the wedge of friction angle
// phi. pi is taken as 3.14159, as wherever angles are converted.
struct Wedge {
    double tanPhi, sinBeta, cosAlpha, tanAlpha, tanBeta, tanBetaMinusPhi, KA, KP;
};

Wedge wedgeOf(double phi) {
    const double quarterPi = f32(3.14159F) / 4.0;
    const double alpha = phi / 2.0;
    const double beta = quarterPi + phi / 2.0;
    Wedge w{};
    w.tanPhi = std::tan(phi);
    w.sinBeta = std::sin(beta);
    w.cosAlpha = std::cos(alpha);
    w.tanAlpha = std::tan(alpha);
    w.tanBeta = std::tan(beta);
    w.tanBetaMinusPhi = std::tan(beta - phi);
    const double tanActive = std::tan(quarterPi - phi / 2.0);
    w.KA = tanActive * tanActive;
    w.KP = w.tanBeta * w.tanBeta;
    return w;
}

// pst / (gamma x) = x P + Q: the wedge's growth with depth and its value at
// the surface; psd / (gamma x) = b R.
double wedgeDepthTerm(const Wedge& w) {
    return kK0 * w.tanPhi * w.sinBeta / (w.tanBetaMinusPhi * w.cosAlpha) +
           w.tanBeta / w.tanBetaMinusPhi * w.tanBeta * w.tanAlpha +
           kK0 * w.tanBeta * (w.tanPhi * w.sinBeta - w.tanAlpha);
}

double wedgeSurfaceTerm(const Wedge& w, double b) {
    return w.tanBeta / w.tanBetaMinusPhi * b - w.KA * b;
}

double flowTerm(const Wedge& w) {
    return w.KA * (std::pow(w.tanBeta, 8) - 1.0) + kK0 * w.tanPhi * std::pow(w.tanBeta, 4);
}

// Linear interpolation in a table at the given x / b points, constant beyond
// the last; a negative argument takes the first value.
double interpolateDepthTable(const std::array<double, 10>& values, double t) {
    static const std::array<double, 10> points = {0.0, 0.5, 1.0, 1.5, 2.0, 2.5, 3.0, 4.0, 5.0, 6.0};
    if (!(t > 0.0)) return values[0];
    for (std::size_t j = 1; j < points.size(); ++j)
        if (t <= points[j])
            return values[j - 1] +
                   (values[j] - values[j - 1]) * (t - points[j - 1]) / (points[j] - points[j - 1]);
    return values[points.size() - 1];
}

// Sand and silt: the straight initial line, the parabola, the line from (ym,
// pm) to (yu, pu), and pu beyond; the caller bounds it by (K x) y.
double sandFamilyResistance(const PyCurve& c, double y) {
    if (y < c.ym) return y <= c.yk ? c.initialModulus * y : c.parabolaC * std::pow(y, c.inverseN);
    if (y < c.yu) return c.pm + c.slope * (y - c.ym);
    return c.pu;
}

double apiSandResistance(const PyCurve& c, double y) {
    if (c.depth < f32(1.0E-10F) || !(c.pu > 0.0)) return 0.0;
    return c.pu * std::tanh(c.initialModulus * y / c.pu);
}

// Liquefied sand before the bound by pu.
double liquefiedRawResistance(const PyCurve& c, double y) {
    const double yMillimetres = y * c.millimetresPerLength;
    const double pKNm = c.liquefiedA * std::pow(c.liquefiedB * yMillimetres, c.liquefiedC);
    return std::min(pKNm * c.diameterFactor * c.forcePerLengthPerKNm, c.resistanceCap);
}

// The largest deflection of the liquefied-sand model, 150 mm.
const double kLiquefiedLargestMillimetres = 150.0;

}  // namespace

namespace {

double wedgeResistance(const Wedge& w, double x, double b, double gamma) {
    return gamma * x * (x * wedgeDepthTerm(w) + wedgeSurfaceTerm(w, b));
}

double flowResistance(const Wedge& w, double x, double b, double gamma) {
    return w.KA * b * gamma * x * (std::pow(w.tanBeta, 8) - 1.0) +
           kK0 * b * gamma * x * w.tanPhi * std::pow(w.tanBeta, 4);
}

}  // namespace

double sandWedgeResistance(double x, double b, double gamma, double phi) {
    return wedgeResistance(wedgeOf(phi), x, b, gamma);
}

double sandFlowResistance(double x, double b, double gamma, double phi) {
    return flowResistance(wedgeOf(phi), x, b, gamma);
}

double sandTransitionDepth(double b, double phi) {
    const Wedge w = wedgeOf(phi);
    const double P = wedgeDepthTerm(w);
    const double xt = P > 0.0 ? (b * flowTerm(w) - wedgeSurfaceTerm(w, b)) / P : 0.0;
    return std::isfinite(xt) && xt > 0.0 ? xt : 0.0;
}

double sandFactorA(double xOverB, bool cyclic) {
    static const std::array<double, 10> staticA = {f32(2.83F), f32(2.48F), f32(2.11F), f32(1.76F),
                                                   f32(1.48F), f32(1.23F), f32(1.06F), f32(0.9F),
                                                   f32(0.88F), f32(0.88F)};
    static const std::array<double, 10> cyclicA = {f32(0.75F), f32(0.93F), f32(1.07F), f32(1.11F),
                                                   f32(1.03F), f32(0.98F), f32(0.94F), f32(0.9F),
                                                   f32(0.88F), f32(0.88F)};
    return interpolateDepthTable(cyclic ? cyclicA : staticA, xOverB);
}

double sandFactorB(double xOverB, bool cyclic) {
    static const std::array<double, 10> staticB = {f32(2.14F), f32(1.83F), f32(1.54F), f32(1.27F),
                                                   f32(1.05F), f32(0.86F), f32(0.71F), f32(0.53F),
                                                   f32(0.5F),  f32(0.5F)};
    static const std::array<double, 10> cyclicB = {f32(0.53F), f32(0.72F), f32(0.83F), f32(0.86F),
                                                   f32(0.82F), f32(0.77F), f32(0.7F),  f32(0.55F),
                                                   f32(0.55F), f32(0.55F)};
    return interpolateDepthTable(cyclic ? cyclicB : staticB, xOverB);
}

ApiSandCoefficients apiSandCoefficients(double phi) {
    const Wedge w = wedgeOf(phi);
    ApiSandCoefficients k;
    k.C1 = w.tanBeta * (kK0 * ((1.0 / w.cosAlpha + 1.0) * w.tanPhi * w.sinBeta - w.tanAlpha) +
                        w.KP * w.tanAlpha);
    k.C2 = w.KP - w.KA;
    k.C3 = w.KP * w.KP * (kK0 * w.tanPhi + w.KP) - w.KA;
    return k;
}

double apiSandTransitionDepth(const ApiSandCoefficients& k, double b) {
    const double xt = k.C1 > 0.0 ? (k.C3 - k.C2) * b / k.C1 : 0.0;
    return std::isfinite(xt) && xt > 0.0 ? xt : 0.0;
}

double apiSandUltimate(const ApiSandCoefficients& k, double x, double b, double gamma) {
    // Not less than 0, as for the wedge of sand.
    if (x <= apiSandTransitionDepth(k, b)) return std::max((k.C1 * x + k.C2 * b) * gamma * x, 0.0);
    return std::max(k.C3 * b * gamma * x, 0.0);
}

double apiSandFactor(double xOverB, bool cyclic) {
    if (cyclic) return f32(0.9F);
    return std::max(3.0 - f32(0.8F) * xOverB, f32(0.9F));
}

PyCurve buildSandFamilyCurve(double x, double b, double pu, double pm, double K) {
    PyCurve curve;
    if (!(b > 0.0)) return curve;  // no pile width, no resistance
    curve.kind = PyCurveKind::sand;
    curve.depth = x;
    curve.diameter = b;
    curve.pu = pu;
    curve.pm = pm;
    curve.ym = b / 60.0;
    curve.yu = 3.0 * b / 80.0;
    curve.initialLine = true;
    curve.initialModulus = K * x;
    curve.slope = (pu - pm) / (curve.yu - curve.ym);
    if (pm > 0.0) {
        curve.inverseN = curve.slope * curve.ym / pm;
        curve.parabolaC = pm / std::pow(curve.ym, curve.inverseN);
    }
    // Where the straight line meets the parabola. At the ground surface, or
    // without a subgrade modulus, the line is flat and never meets it: yk =
    // 2b lies beyond ym, so the line governs the whole first branch. A
    // parabola of exponent 1 is itself a line through the origin; the smaller
    // of the two lines then governs, which the bound (K x) y already gives.
    const double line = curve.initialModulus;
    if (x <= 0.0 || !(line > 0.0))
        curve.yk = 2.0 * b;
    else if (curve.inverseN == 1.0)
        curve.yk = curve.ym;
    else
        curve.yk = std::pow(curve.parabolaC / line, 1.0 / (1.0 - curve.inverseN));
    return curve;
}

namespace {

// ps, the smaller of the wedge and flow resistances. With pi taken as
// 3.14159 a friction angle of (nearly) 0 leaves tan beta a hair below 1 and
// the flow resistance a hair below 0; soil never pulls on the pile, so ps is
// not less than 0.
double granularResistance(double x, double b, double gamma, double phi) {
    const Wedge w = wedgeOf(phi);
    return std::max(std::min(wedgeResistance(w, x, b, gamma), flowResistance(w, x, b, gamma)), 0.0);
}

}  // namespace

PyCurve buildSandCurve(double x, double b, double bTable, double gamma, double phi, double K,
                       bool cyclic) {
    const double ps = granularResistance(x, b, gamma, phi);
    const double xOverB = bTable > 0.0 ? x / bTable : 0.0;
    return buildSandFamilyCurve(x, b, sandFactorA(xOverB, cyclic) * ps,
                                sandFactorB(xOverB, cyclic) * ps, K);
}

double siltCohesiveResistance(double x, double b, double gamma, double c) {
    if (c < f32(1.0E-20F) || !(b > 0.0)) return 0.0;
    const double Np = std::min(gamma * x / c + 3.0 + 0.5 * x / b, 9.0);
    return Np * c * b;
}

PyCurve buildSiltCurve(double x, double b, double bTable, double gamma, double phi, double c,
                       double K, bool cyclic) {
    const double pPhi = granularResistance(x, b, gamma, phi);
    const double pc = siltCohesiveResistance(x, b, gamma, c);
    const double xOverB = bTable > 0.0 ? x / bTable : 0.0;
    // pm = 1.5 (pphi + pc) is kept even where it exceeds pu, so that the curve
    // falls from pm at ym to pu at yu: results stored by the front end rely on
    // this form of the silt curve.
    return buildSandFamilyCurve(x, b, sandFactorA(xOverB, cyclic) * pPhi + pc,
                                f32(1.5F) * (pPhi + pc), K);
}

PyCurve buildApiSandCurve(double x, double b, double gamma, double phi, double K, bool cyclic) {
    PyCurve curve;
    if (!(b > 0.0)) return curve;
    const ApiSandCoefficients k = apiSandCoefficients(phi);
    curve.kind = PyCurveKind::apiSand;
    curve.depth = x;
    curve.diameter = b;
    curve.apiFactor = apiSandFactor(x / b, cyclic);
    curve.pu = curve.apiFactor * apiSandUltimate(k, x, b, gamma);
    curve.ym = b / 60.0;
    curve.yu = 3.0 * b / 80.0;
    // tanh u <= u: the curve lies below (K x) y, which is its initial slope.
    curve.initialLine = true;
    curve.initialModulus = K * x;
    return curve;
}

PyCurve buildLiquefiedSandCurve(double z, double b, bool english) {
    PyCurve curve;
    curve.kind = PyCurveKind::liquefiedSand;
    const double metresPerLength = english ? f32(0.0254F) : 1.0;
    curve.millimetresPerLength = english ? f32(25.4F) : 1000.0;
    curve.forcePerLengthPerKNm = english ? f32(5.7143F) : 1.0;
    curve.resistanceCap = english ? 85.0 : 15.0;
    curve.depth = z;
    curve.diameter = b;
    const double zOne = std::max(z, 0.0) * metresPerLength + 1.0;
    curve.liquefiedA = f32(3.0E-7F) * std::pow(zOne, f32(6.05F));
    curve.liquefiedB = f32(2.80F) * std::pow(zOne, f32(0.11F));
    curve.liquefiedC = f32(2.85F) * std::pow(zOne, f32(-0.41F));
    // Below a diameter of about 0.23 m the factor turns negative; a pile
    // never pulls the soil towards itself, so the factor stops at 0.
    const double bMetres = b * metresPerLength;
    curve.diameterFactor =
        bMetres > 0.0 ? std::max(f32(3.81F) * std::log(bMetres) + f32(5.6F), 0.0) : 0.0;
    curve.deflectionOverYMultiplier = true;
    curve.pu =
        liquefiedRawResistance(curve, kLiquefiedLargestMillimetres / curve.millimetresPerLength);
    return curve;
}

double pyResistance(const PyCurve& curve, double y) {
    double p = 0.0;
    switch (curve.kind) {
        case PyCurveKind::none:
            return 0.0;
        case PyCurveKind::softClay:
            return softClayResistance(curve, y);
        case PyCurveKind::stiffClayBelowWater:
            p = curve.cyclic ? stiffClayBelowCyclic(curve, y) : stiffClayBelowStatic(curve, y);
            break;
        case PyCurveKind::stiffClayAboveWater:
            p = stiffClayAboveResistance(curve, y);
            break;
        case PyCurveKind::userCurves: {
            const double upper = curve.upperCurve ? userCurveResistance(*curve.upperCurve, y) : 0.0;
            if (!curve.lowerCurve || curve.weight == 0.0) return upper;
            const double lower = userCurveResistance(*curve.lowerCurve, y);
            return upper + (lower - upper) * curve.weight;
        }
        case PyCurveKind::weakRock:
            return weakRockResistance(curve, y);
        case PyCurveKind::vuggyLimestone:
            return vuggyLimestoneResistance(curve, y);
        case PyCurveKind::sand:
            p = sandFamilyResistance(curve, y);
            break;
        case PyCurveKind::apiSand:
            p = apiSandResistance(curve, y);
            break;
        case PyCurveKind::liquefiedSand:
            // Flat beyond the largest deflection of the model.
            return std::min(liquefiedRawResistance(curve, y), curve.pu);
    }
    // The straight initial line K x y bounds the curve from above.
    if (curve.initialLine) p = std::min(p, curve.initialModulus * y);
    return p;
}

double pyInitialModulus(const PyCurve& curve, double ymin) {
    if (curve.initialLine) return curve.initialModulus;
    switch (curve.kind) {
        case PyCurveKind::softClay:
            // The secant of the rising branch at ymin.
            if (curve.y50 > 0.0) return softClayRise(curve, ymin) / ymin;
            break;
        case PyCurveKind::stiffClayAboveWater:
            // The secant of the static branch at ymin.
            if (curve.y50 > 0.0) return 0.5 * curve.pu * std::pow(ymin / curve.y50, 0.25) / ymin;
            break;
        case PyCurveKind::weakRock:
            if (curve.initialModulus > 0.0) return curve.initialModulus;  // Mir
            break;
        case PyCurveKind::vuggyLimestone:
            return curve.initialModulus;  // Es1
        default:
            break;
    }
    return pyResistance(curve, ymin) / ymin;
}

double pyInitialRangeEnd(const PyCurve& curve, double ymin) {
    if (curve.kind == PyCurveKind::weakRock && curve.initialModulus > 0.0)
        return std::max(ymin, curve.yA);
    return ymin;
}

int pyStandardDeflections(const PyCurve& curve, std::span<double> out) {
    std::array<double, kStandardPyPoints> y{};
    int n = 0;
    auto add = [&](double v) {
        if (n < kStandardPyPoints) y[static_cast<std::size_t>(n++)] = v;
    };
    switch (curve.kind) {
        case PyCurveKind::softClay:
            add(0.0);
            add(f32(0.008f) * curve.y50);
            for (int k = 1; k <= 12; ++k)
                add(0.25 * k * curve.y50);
            for (double m : {8.0, 15.0, 20.0})
                add(m * curve.y50);
            break;
        case PyCurveKind::stiffClayBelowWater:
            if (!curve.cyclic) {
                const double a = curve.AS * curve.y50;
                for (int k = 0; k <= 12; ++k)
                    add(0.5 * k * a);
                for (double m : {10.0, 14.0, 18.0, 200.0})
                    add(m * a);
            } else {
                const double yp = f32(4.1f) * curve.AC * curve.y50;
                for (int k = 0; k <= 12; ++k)
                    add(f32(0.05f) * k * yp);
                for (double m : {1.0, f32(1.4f), f32(1.8f), 20.0})
                    add(m * yp);
            }
            break;
        case PyCurveKind::stiffClayAboveWater: {
            const double span = (16.0 + f32(9.6f) * std::log10(curve.cycles)) * curve.y50;
            for (int i = 1; i <= 16; ++i)
                add((i - 1) * span / 15.0);
            add(1.25 * span);
            break;
        }
        case PyCurveKind::weakRock:
            for (double m : {f32(0.0005F), f32(0.001F), f32(0.003F), f32(0.006F), f32(0.009F),
                             f32(0.02F), f32(0.04F), f32(0.06F), f32(0.08F), f32(0.1F), 0.25, 0.5,
                             0.75, 1.0, 4.0, 8.0, 12.0})
                add(m * curve.yrm);
            break;
        case PyCurveKind::vuggyLimestone:
            for (int k = 0; k <= 16; ++k)
                add(k * curve.y2 / 15.0);
            break;
        case PyCurveKind::sand:
        case PyCurveKind::apiSand:
            // The first branch in twelfths of ym, then yu and steps of b.
            add(0.0);
            for (int k = 1; k <= 12; ++k)
                add(k * curve.ym / 12.0);
            for (int k = 0; k <= 3; ++k)
                add(curve.yu + k * curve.diameter);
            break;
        case PyCurveKind::liquefiedSand:
            // 0, then 16 deflections in geometric progression from 1 mm to
            // the model's largest, 150 mm.
            add(0.0);
            for (int k = 0; k <= 15; ++k)
                add(std::pow(kLiquefiedLargestMillimetres, k / 15.0) / curve.millimetresPerLength);
            break;
        default:
            break;
    }
    const int count = std::min(n, static_cast<int>(out.size()));
    std::copy_n(y.begin(), count, out.begin());
    return count;
}

}  // namespace pylora
