// SPDX-License-Identifier: Apache-2.0
// The pieces shared by the load-settlement and torque-rotation generation:
// the side load-transfer curves along a pile (ultimate unit side friction by
// pile and soil type, the ten-point curve shapes), the tip curve, and their
// evaluation at a depth and a movement.
#pragma once

#include "format/format.h"
#include "store/model_store.h"
#include "store/return_codes.h"

namespace pylora {

// Statuses of the curve generation (the profile lookups add 22, 23 and 24).
inline constexpr int kStatusLsTipE50Zero = 32;       // E50 at the tip is 0 (load-settlement)
inline constexpr int kStatusLsTipStrengthZero = 33;  // tip resistance is 0 (load-settlement)
inline constexpr int kStatusTrTipE50Zero = 34;       // E50 at the tip is 0 (torque-rotation)
inline constexpr int kStatusTrTipStrengthZero = 35;  // tip resistance is 0 (torque-rotation)
// A pile property that no curve can be built for (no sections, no length, no
// diameter, no axial rigidity): the input file holds an unsafe value.
inline constexpr int kStatusPileDataRefused = kReturnInputRefused;

// The marching of both pile-head curves: a segment is iterated until two
// successive movements (rotations) at its top differ by less than this, in
// the run's length unit (radians for the twist).
inline constexpr double kMarchingTolerance = f32(1.0E-4F);
// A segment that has not settled after this many passes keeps its last
// values (the load transfer is bounded, so they stay finite).
inline constexpr int kMaxSegmentPasses = 100;

// The geometry of one pile property set as the curves use it.
struct PileGeometry {
    int IPROP = 0;
    int pileType = 0;  // kDrivenPile or kDrilledShaft
    int NSECT = 0;
    double LENGTH = 0.0;
    double elasticModulus = 0.0;
    double XHEAD = 0.0;        // head of the first pile group of the set (0 if none uses it)
    double topDiameter = 0.0;  // scales the diameter-normalised side curves
    double tipDiameter = 0.0;  // scales the tip curve
};

// Which statuses and texts the tip curve of a generation uses.
struct TipCurveCodes {
    int zeroE50 = 0;
    int zeroStrength = 0;
    const char* curveName = "";  // "LS CURVE" or "TR CURVE"
};

// True in an SI run (kN, m): the inch-based shapes are converted.
bool isSiRun(const ModelStore& store);
// Metres per inch, 0.0254, as the formulas use it.
double metresPerInch();

// Reads the geometry of property set IPROP and checks that curves can be
// built for it. Returns 0, or kStatusPileDataRefused after writing a fatal
// error naming the property and the missing datum to the report and the
// runtime file; geometry is then incomplete. curveKind names the curve that
// cannot be generated ("LOAD-SETTLEMENT" or "TORQUE-ROTATION").
int readPileGeometry(ModelStore& store, int IPROP, const char* curveKind, PileGeometry& geometry);

// Refuses a load-settlement curve for a property set with a section whose
// area or modulus of elasticity is not positive (the pile would shorten
// without bound): the fatal error as readPileGeometry, kStatusPileDataRefused.
int refuseAxialRigidity(ModelStore& store, int IPROP);

// Diameter and area of the section of the property set containing the point
// s below the pile head: the first section whose end lies below s, else the
// last one. A diameter below 1.0E-5 is replaced by the last section's.
double sectionDiameterAt(const ModelStore& store, int IPROP, double s);
double sectionAreaAt(const ModelStore& store, int IPROP, double s);
double sectionGJAt(const ModelStore& store, int IPROP, double s);

// Ultimate unit side friction at X (absolute, in the frame of the layers)
// for curve shapes of the given pile type and soil type: the profile's FMAX,
// or the default by pile and soil type when FMAX is below 1.0E-10. status
// receives 22, 23 or 24 from a lookup beyond the profile (result 0).
double ultimateSideFriction(ModelStore& store, int pileType, int KSOIL, double X, int& status);

// The friction angle [radians] at X for the curve shapes; beyond the profile
// the warning "THE INPUT STRENGTH CURVE, BPHI", status 24, result 0.
double shapeFrictionAngleAt(ModelStore& store, double X, int& status);

// Fills side curve i (1-based) of curves with the ten-point shape of the
// pile type and soil type for the ultimate unit side friction f and the
// friction angle phi [radians] at the curve.
void fillSideCurve(LoadTransferCurves& curves, int i, const PileGeometry& pile, int KSOIL, double f,
                   double phi, bool si);

// Builds the side curves of one property set at the given absolute depths:
// depth i made relative to the head, the soil type of its layer, the ultimate
// unit side friction (fixed to 1.0E-6 for the first fixedCount curves, else
// from ultimateSideFriction) and the shape. Returns the first lookup status.
int buildSideCurves(ModelStore& store, const PileGeometry& pile, const double* X,
                    const int* layerOf, int count, int fixedCount, LoadTransferCurves& curves);

// Builds the tip curve (qmax and the ten points (w, q)) of the pile at
// X = XHEAD + LENGTH. Returns 0, a lookup status, or codes.zeroE50 /
// codes.zeroStrength after the warning to the report and the runtime file.
int buildTipCurve(ModelStore& store, const PileGeometry& pile, const TipCurveCodes& codes,
                  LoadTransferCurves& curves);

// Linear interpolation along a curve of n points (x increasing from 0):
// beyond the last point the last value holds, a negative movement gives the
// opposite transfer (resistance acts against the movement).
double curveValueAt(const double* x, const double* y, int n, double movement);

// The side load transfer at depth s below the head for the movement:
// interpolated between the nearest curve above and the nearest curve below
// (the nearest one alone above the first or below the last curve).
double sideTransferAt(const LoadTransferCurves& curves, double s, double movement);
// The ultimate unit side friction at depth s, interpolated the same way.
double sideUltimateAt(const LoadTransferCurves& curves, double s);

// The tip resistance (force) at the tip movement.
double tipResistanceAt(const LoadTransferCurves& curves, double movement);

// Writes a warning block to the report and the runtime file, committing the
// runtime file.
void writeToReportAndRuntime(ModelStore& store, const ReportLine& line);

}  // namespace pylora
