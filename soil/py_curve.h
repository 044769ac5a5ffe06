// The p-y curve of one node in closed form: the criteria fill a PyCurve from
// the soil values at the node, and the evaluation reads p at any deflection
// from it. Curves are never tabulated; each evaluation recomputes p(y).
//
// Units are those of the run: p is a force per length, y a length, and the
// moduli p / y a force per length per length.
#pragma once

#include <span>

#include "store/model_store.h"

namespace pylora {

enum class PyCurveKind {
    none,                 // no resistance: p = 0
    softClay,             // type 1 and unknown types
    stiffClayBelowWater,  // type 2
    stiffClayAboveWater,  // types 3 and 10
    userCurves,           // type 5 and piles with their own curves
    weakRock,             // type 9
    vuggyLimestone,       // type 6
};

struct PyCurve {
    PyCurveKind kind = PyCurveKind::none;
    bool cyclic = false;
    double depth = 0.0;           // x, the depth the ultimate resistance is built on
    double pu = 0.0;              // ultimate resistance; pc for stiff clay below the water table
    double y50 = 0.0;             // deflection at half the ultimate resistance
    double xr = 0.0;              // soft clay: depth below which the flow-around resistance governs
    double AS = 0.0;              // stiff clay below the water table: static coefficient at x/b
    double AC = 0.0;              // the same, cyclic
    double cycles = 1.0;          // N, stiff clay above the water table
    bool initialLine = false;     // p never above initialModulus x y (types 2 and 10)
    double initialModulus = 0.0;  // K x depth of the straight initial line; Mir or Es1 for rock
    // Rock: weak rock's yrm = KRM b and the end yA of its straight initial
    // line; vuggy limestone's branch limits y1 and y2.
    double yrm = 0.0;
    double yA = 0.0;
    double y1 = 0.0;
    double y2 = 0.0;
    double slope = 0.0;  // vuggy limestone: 100 su, the slope between y1 and y2
    // User curves: p is interpolated in X between two curves of a set with
    // the weight of the lower one (upper alone when weight is 0).
    const UserPyCurve* upperCurve = nullptr;
    const UserPyCurve* lowerCurve = nullptr;
    double weight = 0.0;
};

// Soft clay ultimate resistance at depth x: the wedge value (3 + gamma x / c
// + 0.5 x / b) c b, not more than the flow-around value 9 c b; 0 when c is 0.
double softClayUltimate(double x, double b, double c, double gamma);

// Soft clay at depth x (static or cyclic loading): y50 = 2.5 E50 b, pu as
// softClayUltimate, xr = 6 c b / (gamma b + 0.5 c) (b when that is below
// 1.0E-6).
PyCurve buildSoftClayCurve(double x, double b, double c, double gamma, double E50, bool cyclic);

// Stiff clay below the water table: AS and AC are read at xEq / b (the
// equivalent depth in lower layers), everything else at the true depth
// xTrue. pc = min(2 CAVG b + gamma b x + 2.83 CAVG x, 11 c b), y50 = E50 b,
// and the curve never exceeds the straight line (K x) y.
PyCurve buildStiffClayBelowWaterCurve(double xTrue, double xEq, double b, double c, double CAVG,
                                      double gamma, double E50, double K, bool cyclic);

// Stiff clay above the water table with N load cycles (1 for static loading):
// pu = min(9 c b, 3 CAVG b + gamma b x + 0.5 CAVG x), y50 = 2.5 E50 b. With
// an initial modulus K (type 10) the curve never exceeds (K x) y.
PyCurve buildStiffClayAboveWaterCurve(double x, double b, double c, double CAVG, double gamma,
                                      double E50, double cycles, bool cyclic, bool withInitialK,
                                      double K);

// Weak rock at depth xr into the rock (measured from the top of the rock
// layer): with the strength reduction alpha = 1 - RQD / 150 (RQD in percent,
// taken within 0 .. 100) and qa = 2 suAverage, pur = alpha qa b (1 + 1.4 xr /
// b) down to 3b and 5.2 alpha qa b below; the initial modulus Mir = Kir ER
// with Kir = 100 + 400 xr / (3b) down to 3b and 500 below; yrm = KRM b. The
// straight line Mir y meets the curve 0.5 pur (y / yrm)^0.25 at yA; the curve
// never exceeds pur. A diameter that is not positive gives no resistance.
PyCurve buildWeakRockCurve(double xr, double b, double suAverage, double ER, double KRM,
                           double RQD);

// Vuggy limestone with su = qu / 2: Es1 = 2000 su up to y1 = 0.0004 b, then
// a slope of 100 su up to y2, where the resistance reaches su b, and the
// plateau su b beyond.
PyCurve buildVuggyLimestoneCurve(double b, double su);

// The coefficients of stiff clay below the water table at x / b, linear
// between the tabulated points and flat beyond the last.
double stiffClayStaticCoefficient(double xOverB);  // AS
double stiffClayCyclicCoefficient(double xOverB);  // AC

// Resistance p at deflection y >= 0.
double pyResistance(const PyCurve& curve, double y);

// The modulus used below the small-deflection threshold ymin.
double pyInitialModulus(const PyCurve& curve, double ymin);

// The deflection below which the evaluation uses the initial modulus: ymin,
// or the end of the straight initial line of weak rock when that lies above.
double pyInitialRangeEnd(const PyCurve& curve, double ymin);

// The criterion's own deflections for a printed curve (17 points); returns
// how many were written to out (never more than out holds).
int pyStandardDeflections(const PyCurve& curve, std::span<double> out);

}  // namespace pylora
