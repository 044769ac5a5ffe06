// SPDX-License-Identifier: Apache-2.0
// The p-y curve of one node in closed form: the criteria fill a PyCurve from
// the soil values at the node, and the evaluation reads p at any deflection
// from it. The curve record itself (PyCurve) is in store/py_curve_cache.h,
// where the analyses of a load case keep the curves of every pile group.
#pragma once

#include <span>

#include "store/model_store.h"
#include "store/py_curve_cache.h"

namespace pylora {

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

// Granular soil. phi is the friction angle in radians; the wedge constants
// are K0 = 0.4, alpha = phi / 2, beta = pi / 4 + phi / 2, KA = tan^2(pi / 4 -
// phi / 2), KP = tan^2 beta.

// Ultimate resistance of sand at depth x from the wedge failure near the
// surface (pst) and from the flow of soil around the pile at depth (psd).
double sandWedgeResistance(double x, double b, double gamma, double phi);  // pst
double sandFlowResistance(double x, double b, double gamma, double phi);   // psd
// The depth where pst = psd (0 when there is no such depth below the ground).
double sandTransitionDepth(double b, double phi);

// Depth factors A and B of sand and silt at x / b (static or cyclic table),
// linear between the tabulated points and constant beyond x / b = 6.
double sandFactorA(double xOverB, bool cyclic);
double sandFactorB(double xOverB, bool cyclic);

// API sand: the coefficients C1, C2, C3 of phi, the transition depth xt =
// (C3 - C2) b / C1, the ultimate resistance (C1 x + C2 b) gamma x above xt
// and C3 b gamma x below, and the factor A (static 3.0 - 0.8 x / b, not less
// than 0.9; cyclic 0.9).
struct ApiSandCoefficients {
    double C1 = 0.0, C2 = 0.0, C3 = 0.0;
};
ApiSandCoefficients apiSandCoefficients(double phi);
double apiSandTransitionDepth(const ApiSandCoefficients& k, double b);
double apiSandUltimate(const ApiSandCoefficients& k, double x, double b, double gamma);
double apiSandFactor(double xOverB, bool cyclic);

// The sand-type curve of depth x and diameter b from pu and pm and the
// subgrade modulus K: ym = b / 60, yu = 3b / 80, the parabola through (ym,
// pm) with the slope of the line to (yu, pu), yk where (K x) y meets it (2b
// when x <= 0), and p never above (K x) y.
PyCurve buildSandFamilyCurve(double x, double b, double pu, double pm, double K);

// Sand (type 4): pu = A ps, pm = B ps with ps = min(pst, psd); the depth
// factors are read at x / bTable (the pile diameter, also under the cap).
PyCurve buildSandCurve(double x, double b, double bTable, double gamma, double phi, double K,
                       bool cyclic);

// Silt (type 7): pu = A pphi + pc, pm = 1.5 (pphi + pc), with pphi the sand
// ps and pc = Np c b, Np = gamma x / c + 3 + 0.5 x / b not more than 9 (0
// when c < 1.0E-20).
PyCurve buildSiltCurve(double x, double b, double bTable, double gamma, double phi, double c,
                       double K, bool cyclic);
double siltCohesiveResistance(double x, double b, double gamma, double c);  // pc

// API sand (type 8): p = A pu tanh(K x y / (A pu)), 0 when x < 1.0E-10.
PyCurve buildApiSandCurve(double x, double b, double gamma, double phi, double K, bool cyclic);

// Liquefied sand (type 11) at depth z below the top of the liquefied layer
// with diameter b, both in the run's length unit (inches in an English run,
// metres otherwise); pu is p at 150 mm.
PyCurve buildLiquefiedSandCurve(double z, double b, bool english);

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
