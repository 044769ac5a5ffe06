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
        default:
            break;
    }
    const int count = std::min(n, static_cast<int>(out.size()));
    std::copy_n(y.begin(), count, out.begin());
    return count;
}

}  // namespace pylora
