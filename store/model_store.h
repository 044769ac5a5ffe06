// SPDX-License-Identifier: Apache-2.0
// The model data store: every datum of one run, input and results alike.
//
// The store is a set of plain records with fixed-capacity tables. Each table
// keeps its count beside its rows; entries are numbered from 1 as the input
// numbers them, and rows[no - 1] holds entry no. The reader of the input data
// file fills the input groups, the preparation step derives the per-pile
// working tables, and the analysis writes the result tables.
//
// The store runs to megabytes: allocate it once (makeModelStore) and pass it
// by reference. The entry point owns the process-wide instance and clears it
// at the start of every run, so a run never sees values of an earlier one.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "store/constants.h"
#include "store/file_handle.h"
#include "store/fixed_text.h"
#include "store/limits.h"
#include "store/py_curve_cache.h"
#include "store/results_collector.h"

namespace pylora {

using PathText = FixedText<kPathLength>;
using NameText = FixedText<kNameLength>;

// ---------------------------------------------------------------------------
// 1. Run control: the run-control file's records, the open files, the stop code.

// The largest load factor a pushover may be asked to reach.
inline constexpr double kMaxPushoverFactor = 1000.0;

struct RunControl {
    FixedText<kVersionLength> versionText;  // record 1, shown in the banners
    PathText inputFilePath;                 // record 5
    PathText reportFilePath;                // record 6
    PathText summaryFilePath;               // record 7
    PathText plotFilePath;                  // record 8
    PathText runtimeFilePath;               // record 9
    PathText statusFilePath;                // record 10
    PathText resultsDataFilePath;           // record 11
    PathText progressFilePath;              // record 12
    PathText curveFilePath;                 // record 13
    PathText scratchFile1Path;              // record 14
    PathText scratchFile2Path;              // record 15
    PathText pileDataFilePath;              // record 16
    PathText warningScratchPath;            // record 17
    int reservedInteger = 0;                // record 4, read and not used
    int stopCode = 0;                       // 0 while every case could be analysed
    // 1: the plate solution shows its step and iteration lines on the console
    // (standard error) besides its step summary; 0 keeps the console quiet.
    int plateConsole = 1;
    // Threads of the per-pile analyses (set by the caller of the engine); 0
    // takes the machine's hardware threads, 1 analyses the pile groups one
    // after the other on the caller's thread.
    int threadCount = 0;
    // Not owned: set by the caller of the engine for the run. Once it reads
    // true the analysis stops at its next global iteration with
    // kReturnInterrupted. Null: the run is never interrupted.
    const std::atomic<bool>* interruption = nullptr;
    // 1 once the first file that failed was named in the report and the
    // runtime file (and on the console).
    int fileFailureReported = 0;
    // 1 while the engine solves piles for a caller's collector only (the
    // foundation's stiffness at the converged state): their messages are
    // then not written, so the files of the run stay those of a run without
    // a collector.
    int pileMessagesMuted = 0;
    // The pushover of the run (set by the caller of the engine): load case
    // pushoverCase alone, its load raised in its own increments up to
    // pushoverFactor times it or until the cap no longer converges. 0: an
    // ordinary run of every case and combination.
    int pushoverCase = 0;
    double pushoverFactor = 5.0;
};

// The files of a run that stay open from entry to exit, and those opened by
// the Parts that use them. An empty handle is a file that is not open; output
// to it is dropped.
struct RunFiles {
    FileHandle input;
    FileHandle report;
    FileHandle summary;
    FileHandle plot;
    FileHandle runtime;  // committed to disk after every message
    FileHandle status;
    FileHandle resultsData;
    FileHandle curve;
    FileHandle scratch1;
    FileHandle scratch2;
    FileHandle pileData;
    FileHandle warningScratch;
    // Not owned: while set, the input echo prints to this file (the summary
    // file for the second echo of the two-dimensional model) instead of the
    // report. Null otherwise.
    std::FILE* echoTarget = nullptr;
    // The status file's lines of the load case or combination under way,
    // held until its results are written (releaseStatusLines), so that the
    // status file never claims a completion whose results were lost.
    std::string heldStatus;
};

// ---------------------------------------------------------------------------
// 2 to 4. Title, control parameters (A2) and unit labels.

// stiffnessStart of the control parameters
// Every perturbed solution starts from the initial moduli, as the solution
// at the unperturbed displacement does: the comparison runs.
inline constexpr int kStartFromInitialModuli = 0;
// The perturbed solutions start from the converged moduli (and flexural
// rigidities) of the pile group's unperturbed solution at the same head
// displacement in the same global iteration: far fewer solves, a tangent a
// little less exact (docs/performance.md), the same converged equilibrium
// within the cap tolerance.
inline constexpr int kStartFromConverged = 1;
// No perturbed solutions: the lateral head stiffness of each plane is the
// condensation of the banded system of the pile group's converged solution
// (its soil moduli, flexural rigidities and axial force held), two unloaded
// solves of each plane; the axial and torsional terms are the slopes of the
// load-settlement and torque-rotation curves at the head. Three-dimensional
// rigid caps; elsewhere, and for a pile group without a converged solution,
// as kStartFromConverged. The default: a twelfth of the lateral solutions,
// more global iterations, the same equilibrium within the cap tolerance
// (docs/performance.md).
inline constexpr int kStartCondensed = 2;

struct ControlParameters {
    int unitsSystem = 0;                // 1 English, 2 metric, 3 open
    int analysisType = 0;               // 2 two-dimensional, 3 three-dimensional
    int embeddedCapOption = 0;          // 1: passive resistance in front of the cap
    int flexibleCapOption = 0;          // 0 rigid, 1 plate solved, 2 plate written only
    int userPyCurvesOption = 0;         // 1: section G present
    int userLsCurvesOption = 0;         // 1: section H present
    int userTrCurvesOption = 0;         // 1: section I present
    int groupFactorOption = 0;          // 0 none, 1 computed, 2 given per group
    int userMomentCurvatureOption = 0;  // 1: section J present
    int reserved10 = 0;                 // read, not used
    int KPYOP = 0;                      // 1 analysis and p-y print, 0 analysis, -1 print only
    int reserved12 = 0;                 // read, not used
    // Not read from the input data file: set by the caller of the engine
    // (runEngine). Where the perturbed lateral solutions of the pile-head
    // stiffness (three-dimensional cap and plate springs) start.
    int stiffnessStart = kStartCondensed;
};

// Labels printed after numbers; the engine converts no units.
struct UnitLabels {
    FixedText<4> systemName;  // "ENGL", "METR", "OPEN"; blank for another system
    FixedText<3> length3;     // " IN", "  M", "  L"
    FixedText<2> length2;     // "IN", " M", " L"
    FixedText<4> force4;      // " LBS", "  KN", "   F"
    FixedText<3> force3;      // "LBS", " KN", "  F"
};

// Fixed pieces composing derived unit labels (a stress: force "/" length "**" "2").
inline constexpr const char* kUnitPer = "/";
inline constexpr const char* kUnitTimes = "-";
inline constexpr const char* kUnitPower = "**";
inline constexpr const char* kUnitSquare = "2";
inline constexpr const char* kUnitCube = "3";
inline constexpr const char* kUnitFourth = "4";
inline constexpr const char* kUnitRadian = "RAD";
inline constexpr const char* kUnitDegree = "DEG";

// ---------------------------------------------------------------------------
// 5. Pile cap (B1, B2).

struct PileCap {
    double capLengthY = 0.0;  // length along Y
    double capWidthZ = 0.0;   // width along Z (3D: the plan diagonal once prepared)
    // The width along Z as read (B1). The preparation of a three-dimensional
    // model replaces capWidthZ by the plan diagonal, the width the passive
    // resistance of an embedded cap works with; the plate of a flexible cap
    // keeps the cap's real width.
    double capWidthRead = 0.0;
    double capThicknessX = 0.0;  // thickness along X
    // Plate data of the flexible cap (B2, present when flexibleCapOption >= 1).
    double plateCentreY = 0.0;
    double plateOffsetZ = 0.0;
    int plateElementsY = 0;
    int plateElementsZ = 0;
    double plateYoungModulus = 0.0;
    double platePoissonRatio = 0.0;
};

// ---------------------------------------------------------------------------
// 6. Load cases (C1 to C2k).

// One concentrated load (C3): c1 vertical load, c2 load along Y, c3 moment
// about Z, c4 load along Z, c5 moment about Y, c6 moment about X, c7 to c9 the
// X, Y and Z coordinates of the point of application. value(n) is cn.
struct ConcentratedLoad {
    std::array<double, kConcentratedLoadValues> values{};
    double& value(int n) { return values[n - 1]; }
    double value(int n) const { return values[n - 1]; }
};

// One distributed load (C4): integers 1 to 6 are load number, axis, first
// pile, last pile, pile increment and the set for the Y direction; integer 7
// is the set for the Z direction.
struct DistributedLoad {
    std::array<int, kDistributedLoadIntegers> integers{};
    double factorY = 0.0;  // scales the Y set's loads
    double factorZ = 0.0;  // scales the Z set's loads
    int& integer(int n) { return integers[n - 1]; }
    int integer(int n) const { return integers[n - 1]; }
};

// Load-case integer fields by number; the others are kept and not used.
inline constexpr int kCaseLoadingKind = 4;  // 0 cyclic, 1 static
inline constexpr int kCaseLoadCycles = 5;
inline constexpr int kCaseCapIterations = 6;
inline constexpr int kCasePileIterations = 7;
inline constexpr int kCaseLoadType = 8;
inline constexpr int kCaseStiffnessOption = 9;     // >= 1: estimate foundation stiffness
inline constexpr int kCaseInvertOption = 10;       // 1: invert and print cap stiffness
inline constexpr int kCaseDiagonalOption = 11;     // 1: diagonal terms only
inline constexpr int kCaseAxialAtHeadOption = 14;  // 1: axial part of global loads at head
inline constexpr int kCaseConcentratedCount = 15;  // C2f
inline constexpr int kCaseDistributedCount = 16;   // C2h
inline constexpr int kCaseStiffnessCount = 17;     // C2j
inline constexpr int kCasePrintOption = 18;        // 0 cap, 1 + heads, 2 + along piles
inline constexpr int kCaseNodeStep = 19;

// Real fields of a load case or combination by number.
inline constexpr int kRealCapTolerance = 1;  // convergence of the foundation reaction
inline constexpr int kRealDeflectionTolerance = 2;
inline constexpr int kRealIncrementFactor = 3;
inline constexpr int kRealMinimumIncrement = 4;

struct LoadCase {
    std::array<int, kCaseIntegerFields> integers{};  // integer(n), n = 1..20
    std::array<double, kCaseRealFields> reals{};     // real(n), n = 1..4
    double scaleFactor = 0.0;                        // applied to all loads of the case
    NameText name;
    std::array<ConcentratedLoad, kMaxConcentratedLoads> concentratedLoads{};
    std::array<DistributedLoad, kMaxDistributedLoads> distributedLoads{};
    std::array<double, kMaxStiffnessLevels> stiffnessLevels{};

    int& integer(int n) { return integers[n - 1]; }
    int integer(int n) const { return integers[n - 1]; }
    double& real(int n) { return reals[n - 1]; }
    double real(int n) const { return reals[n - 1]; }
    int concentratedLoadCount() const { return integer(kCaseConcentratedCount); }
    int distributedLoadCount() const { return integer(kCaseDistributedCount); }
    int stiffnessLevelCount() const { return integer(kCaseStiffnessCount); }
};

struct LoadCaseTable {
    int loadCaseCount = 0;
    int caseEnvelopeFlag = 0;         // >= 1: load-case envelopes
    int caseEnvelopePrintOption = 0;  // as case integer 18
    int caseEnvelopeNodeStep = 0;     // as case integer 19
    std::array<LoadCase, kMaxLoadCases> rows{};
};

// ---------------------------------------------------------------------------
// 7. Load combinations (C5 to C6g).

struct CombinedCase {
    int loadCaseNo = 0;  // 1-based load case
    double factor = 0.0;
};

// Combination integer fields 1 to 7 (C6a) mean what the same load-case fields
// mean. Field 8 holds the third value of C6d, which C6f overrides; C6e fills
// fields 18 and 19 (print option and node step, numbered as in a load case)
// and 20 and 21 (kept, not used).
inline constexpr int kCombinationIgnoredCount = 8;

struct LoadCombination {
    std::array<int, kCombinationIntegerFields> integers{};  // integer(n), n = 1..21
    std::array<double, kCaseRealFields> reals{};
    NameText name;
    double bendingRf = 0.0;  // bending resistance factor
    double shearRf = 0.0;    // shear resistance factor
    int combinedCaseCount = 0;
    std::array<CombinedCase, kMaxCasesPerCombination> cases{};

    int& integer(int n) { return integers[n - 1]; }
    int integer(int n) const { return integers[n - 1]; }
    double& real(int n) { return reals[n - 1]; }
    double real(int n) const { return reals[n - 1]; }
};

struct CombinationTable {
    int combinationCount = 0;
    int combinationEnvelopeFlag = 0;
    int combinationEnvelopePrintOption = 0;
    int combinationEnvelopeNodeStep = 0;
    std::array<LoadCombination, kMaxCombinations> rows{};
};

// ---------------------------------------------------------------------------
// 8. Distributed-load sets (C7, C8).

struct SetPoint {
    double depth = 0.0;  // along the pile from its head
    double load = 0.0;   // per unit length
};

struct DistributedSet {
    int setPointCount = 0;
    std::array<SetPoint, kMaxSetPoints> points{};
};

struct DistributedSetTable {
    int distributedSetCount = 0;
    std::array<DistributedSet, kMaxDistributedSets> rows{};
};

// ---------------------------------------------------------------------------
// 9 and 10. Pile arrangement (D1 to D8) and group reduction factors.

// Head connection codes.
inline constexpr int kConnectionPinned = 1;      // "PIN"
inline constexpr int kConnectionFixed = 2;       // "FIX"
inline constexpr int kConnectionRestrained = 3;  // "RES", with the head spring

// One pile group. A two-dimensional model fills connectionY, pilesInGroup,
// the numbers, springY, rowSpacing, axialForceFactor, headX, headY,
// batterAngle and ground; a three-dimensional one the rest but pilesInGroup,
// rowSpacing and batterAngle.
struct PileGroup {
    int connectionY = 0;        // "CONNECTY"; the connection of a two-dimensional group
    int connectionZ = 0;        // "CONNECTZ"
    double pilesInGroup = 0.0;  // identical piles in the row (two-dimensional)
    int pilePropertyNo = 0;     // 1-based pile property
    int pySetNo = 0;            // user p-y set: n > 0 whole pile, else |n| for type-5 layers
    int lsCurveNo = 0;          // load-settlement curve: > 0 generated, < 0 user |n|
    int trCurveNo = 0;          // torque-rotation curve, as lsCurveNo
    double springY = 0.0;       // head spring about Y ("SPRING" in two dimensions)
    double springZ = 0.0;       // head spring about Z
    double rowSpacing = 0.0;    // spacing of the row's piles out of the plane
    double axialForceFactor = 0.0;
    double headX = 0.0;        // "CorX"
    double headY = 0.0;        // "CorY"
    double headZ = 0.0;        // "CorZ"
    double batterAngle = 0.0;  // two-dimensional batter
    double alpha = 0.0;        // "ALPHA"
    double beta = 0.0;         // "BETA"
    double ground = 0.0;       // ground-surface position
};

struct PileArrangement {
    int pileGroupCount = 0;
    std::array<PileGroup, kMaxPileGroups> rows{};
};

// Per pile group, 1.0 unless given (D3, D7) or computed from the layout.
struct GroupFactors {
    std::array<double, kMaxPileGroups> pMultiplier{};  // in force
    std::array<double, kMaxPileGroups> yMultiplier{};  // in force
    std::array<double, kMaxPileGroups> pMultiplierY{};
    std::array<double, kMaxPileGroups> yMultiplierY{};
    std::array<double, kMaxPileGroups> pMultiplierZ{};
    std::array<double, kMaxPileGroups> yMultiplierZ{};
    // The factors for the Y direction as TABLE K lists them, kept for the
    // printed p-y curves (listed = 1 once TABLE K has listed them).
    int listed = 0;
    std::array<double, kMaxPileGroups> pMultiplierListed{};
    std::array<double, kMaxPileGroups> yMultiplierListed{};
};

// ---------------------------------------------------------------------------
// 11 and 12. Pile properties (E1 to E4) and cross sections (E5 to E9).

inline constexpr int kDrivenPile = 1;
inline constexpr int kDrilledShaft = 2;

struct PileSection {
    double from = 0.0;          // lower end of the section below the pile head ("FROM,")
    double secondLength = 0.0;  // kept per section
    int crossSectionNo = 0;     // 1-based cross section
    int mcSetY = 0;             // moment-curvature set about Y ("SET NLEIy"), 0 none
    int mcSetZ = 0;             // about Z ("SET NLEIz")
};

struct PileProperty {
    int propertyNo = 0;
    int sectionCount = 0;
    int increments = 0;  // N, nodes 0..N
    double length = 0.0;
    double elasticModulus = 0.0;
    int pileType = 0;  // kDrivenPile or kDrilledShaft
    std::array<PileSection, kMaxPileSections> sections{};
};

struct PilePropertyTable {
    int pilePropertyCount = 0;
    std::array<PileProperty, kMaxPileProperties> rows{};
};

// Cross-section dimensions (E8) and properties (E9) by number.
inline constexpr int kDimDiameter = 1;  // equivalent or external diameter, "DIAM"
inline constexpr int kPropShearModulus = 1;
inline constexpr int kPropArea = 2;
inline constexpr int kPropIz = 3;  // "I" of the two-dimensional model
inline constexpr int kPropIy = 4;
inline constexpr int kPropGJ = 6;
inline constexpr int kPropMn = 7;  // nominal moment capacity
inline constexpr int kPropVn = 8;  // nominal shear capacity

struct CrossSection {
    int number = 0;
    int typeCode = 0;  // 0 general, 1 circular pipe, 2 rectangular pipe, 3 I, 4 H
    NameText name;
    std::array<double, kCrossSectionDimensions> dimensions{};
    std::array<double, kCrossSectionProperties> properties{};
    double& dimension(int n) { return dimensions[n - 1]; }
    double dimension(int n) const { return dimensions[n - 1]; }
    double& property(int n) { return properties[n - 1]; }
    double property(int n) const { return properties[n - 1]; }
};

struct CrossSectionTable {
    int crossSectionCount = 0;
    std::array<CrossSection, kMaxCrossSections> rows{};
};

// ---------------------------------------------------------------------------
// 13 and 14. Soil layers (F1 to F5) and p-y print requests (F6 to F9).

struct SoilLayer {
    int layerNo = 0;
    int KSOIL = 0;  // soil type code 1..11
    double topX = 0.0;
    double bottomX = 0.0;
    int valueRowCount = 0;  // 2: top and bottom
    int propertyCount = 0;  // values per row, up to 9
    std::array<double, kSoilProperties> top{};
    std::array<double, kSoilProperties> bottom{};
};

struct SoilLayerTable {
    int NLAYER = 0;
    std::array<SoilLayer, kMaxSoilLayers> rows{};
};

struct PyPrintRequest {
    int pileNo = 0;  // pile group
    double depth = 0.0;
    int extraDepthCount = 0;
    std::array<double, kMaxExtraPrintDepths> extraDepths{};
};

struct PyPrintTable {
    int pyPrintCount = 0;
    std::array<PyPrintRequest, kMaxPyPrintRequests> rows{};
};

// ---------------------------------------------------------------------------
// 15. User curves (G, H, I, J).

struct PyPoint {
    double p = 0.0;
    double y = 0.0;
};

struct UserPyCurve {
    double x = 0.0;  // distance from the origin along the pile
    int pyPointCount = 0;
    std::array<PyPoint, kMaxCurvePoints> points{};
};

struct UserPySet {
    int setNo = 0;  // kept
    int pyCurveCount = 0;
    std::array<UserPyCurve, kMaxPyCurvesPerSet> curves{};
};

struct UserPySetTable {
    int pySetCount = 0;
    std::array<UserPySet, kMaxPySets> rows{};
};

// A point of a user load-settlement curve (load, settlement) or torque-rotation
// curve (torsional moment, rotation in radians).
struct CurvePoint {
    double force = 0.0;
    double displacement = 0.0;
};

struct UserCurve {
    int curveNo = 0;  // kept
    int pointCount = 0;
    std::array<CurvePoint, kMaxCurvePoints> points{};
};

struct UserLsCurveTable {
    int lsCurveCount = 0;
    std::array<UserCurve, kMaxLsCurves> rows{};
};

struct UserTrCurveTable {
    int trCurveCount = 0;
    std::array<UserCurve, kMaxTrCurves> rows{};
};

struct McPoint {
    double moment = 0.0;
    double curvature = 0.0;
};

struct McCurve {
    double axialLoad = 0.0;
    int mcPointCount = 0;
    std::array<McPoint, kMaxCurvePoints> points{};
};

struct McSet {
    int setNo = 0;  // kept
    int mcCurveCount = 0;
    std::array<McCurve, kMaxMcCurvesPerSet> curves{};
};

struct McSetTable {
    int mcSetCount = 0;
    std::array<McSet, kMaxMcSets> rows{};
};

// ---------------------------------------------------------------------------
// 16. Per-pile working tables, built by the preparation step after the echo
// of the arrangement and the pile properties; the analysis reads only these.

// One section of a pile property: the stack of sections runs from the pile
// head down, section k ending XSECT below the head.
struct SectionWork {
    double XSECT = 0.0;  // end below the pile head; lookups take 1.2 x LENGTH for the last one
    double DIAM = 0.0;   // diameter, also the section depth used for stress
    double AREA = 0.0;
    double Iz = 0.0;   // moment of inertia about z; "I" of the two-dimensional model
    double Iy = 0.0;   // about y
    double EIz = 0.0;  // E x Iz: bending in the x-y plane (about z)
    double EIy = 0.0;  // E x Iy: bending in the x-z plane (about y)
    double GJ = 0.0;
    double Mn = 0.0;  // nominal moment capacity
    double Vn = 0.0;  // nominal shear capacity
    int mcSetZ = 0;   // moment-curvature set for bending about z, 0 none
    int mcSetY = 0;   // about y
};

struct PropertyWork {
    int NSECT = 0;
    double LENGTH = 0.0;
    int increments = 0;  // N
    double elasticModulus = 0.0;
    int pileType = 0;
    std::array<SectionWork, kMaxPileSections> sections{};
};

// One pile group as the analysis sees it. Angles are in radians.
struct PileGroupWork {
    int IPROP = 0;  // 1-based pile property
    int connectionY = 0;
    int connectionZ = 0;
    int pySetNo = 0;
    int lsCurveNo = 0;
    int trCurveNo = 0;
    double pileCount = 1.0;  // identical piles the group stands for
    double springY = 0.0;
    double springZ = 0.0;
    double axialForceFactor = 0.0;
    double XHEAD = 0.0;  // X of the pile head
    double headY = 0.0;
    double headZ = 0.0;
    double alpha = 0.0;
    double beta = 0.0;
    double batter = 0.0;           // two-dimensional batter
    double groundBelowHead = 0.0;  // along the pile from the head down to the ground surface
};

// A load or displacement of the cap, six components: force X (vertical,
// positive downward), force Y, force Z, moment about X, about Y, about Z. The
// two-dimensional model uses force X, force Y and moment Z; the others are 0.
inline constexpr int kCapComponents = 6;
using CapVector = std::array<double, kCapComponents>;
inline constexpr int kForceX = 0;  // subscripts of a CapVector
inline constexpr int kForceY = 1;
inline constexpr int kForceZ = 2;
inline constexpr int kMomentX = 3;
inline constexpr int kMomentY = 4;
inline constexpr int kMomentZ = 5;

struct PileWorkTables {
    std::array<PropertyWork, kMaxPileProperties> properties{};  // properties[IPROP - 1]
    std::array<PileGroupWork, kMaxPileGroups> groups{};         // groups[groupNo - 1]
    // Equivalent load at the cap origin of every load case, its scale factor
    // applied (caseLoads[caseNo - 1]); printed in TABLE C and giving the
    // direction of movement for the group reduction factors.
    std::array<CapVector, kMaxLoadCases> caseLoads{};
};

// ---------------------------------------------------------------------------
// Soil profile: the point tables built from the soil layers once the input is
// read (prepareSoilProfile); every depth lookup of the soil curves reads them.

// One point of the strength profile. Point 2L-1 is the top of layer L, point
// 2L its bottom; where layers touch, two consecutive points share one X.
struct ProfilePoint {
    double XS = 0.0;      // X coordinate, growing downward
    double GAMMA = 0.0;   // effective unit weight
    double C = 0.0;       // undrained cohesion; uniaxial compressive strength for rock
    double PHI = 0.0;     // friction angle [radians]
    double K = 0.0;       // p-y subgrade modulus
    double ER = 0.0;      // Young's modulus of rock
    double E50 = 0.0;     // strain at 50% stress; KRM for weak rock
    double RQD = 0.0;     // rock quality designation [%]
    double FMAX = 0.0;    // ultimate unit side friction; 0 = default of the axial curves
    double TIPMAX = 0.0;  // ultimate unit tip resistance; 0 = default of the axial curves
};

struct SoilProfile {
    double XGS = 0.0;                                      // ground surface: top X of layer 1
    int NSTR = 0;                                          // strength-profile points, 2 x NLAYER
    std::array<ProfilePoint, kMaxProfilePoints> points{};  // points[k - 1] holds point k
    int NGAM = 0;                                          // unit-weight points, NSTR
    std::array<double, kMaxProfilePoints> XG{};            // XG[k - 1] = XS of point k
    std::array<double, kMaxProfilePoints> GAMMA{};         // unit weight of point k
};

// Nodes of one pile: N <= 100 increments give nodes 1 (head) .. N + 1 (tip).
inline constexpr int kMaxPileNodes = kMaxIncrements + 1;

// ---------------------------------------------------------------------------
// The p-y evaluation of the run: what stays from one pile-group analysis to
// the next. The equivalent depths are kept per pile group for the whole run;
// the loading is that of the analysis in progress. The state of the pile
// group being analysed is in its PileScratch (LateralPyState).

struct PyRunState {
    // Equivalent depth at the top of layer L >= 2 for pile group g at XEQ[g - 1][L - 1];
    // below 1.0E-6 means not yet computed. Kept for the whole run.
    std::array<std::array<double, kMaxSoilLayers>, kMaxPileGroups> XEQ{};
    // Loading of the analysis in progress, copied by the analysis driver from
    // the load case or combination: 1 static, 0 cyclic, and the cycle count.
    int ISTATIC = 1;
    double NCYCLES = 1.0;
};

// ---------------------------------------------------------------------------
// Printing mode of the p-y evaluation: the printer of the requested curves
// sets the flag, the depth and the pile group, runs the evaluation, and
// writes the curve that the evaluation leaves here.

inline constexpr int kMaxPrintedPyPoints = 50;  // deflections of one printed curve
inline constexpr int kStandardPyPoints = 17;    // the criteria's own lists

struct PrintedPyCurve {
    int printing = 0;        // the printing flag: 1 while printed curves are produced
    double X = 0.0;          // X of the requested curve
    int userPointCount = 0;  // deflections given by the user; 0 = the criterion's list
    std::array<double, kMaxPrintedPyPoints> userDeflections{};

    // Left by the evaluation (curveReady = 1 once a curve was evaluated).
    int curveReady = 0;
    int layerNo = 0;
    int KSOIL = 0;
    int capLevel = 0;              // 1: the curve of the embedded cap, points not scaled
    double depth = 0.0;            // below the ground surface (or the equivalent depth)
    double diameter = 0.0;         // b: pile diameter or cap width
    double strength = 0.0;         // c
    double unitWeight = 0.0;       // average effective unit weight
    double strain = 0.0;           // E50 (KRM for weak rock)
    double frictionAngle = 0.0;    // phi [radians] (sand, silt)
    double subgradeModulus = 0.0;  // K of the p-y curve
    double ultimate = 0.0;         // pu of the curve (pc for stiff clay below the water table)
    int pointCount = 0;
    std::array<double, kMaxPrintedPyPoints> y{};  // deflection x yMultiplier
    std::array<double, kMaxPrintedPyPoints> p{};  // resistance x pMultiplier
    // 1 where the deflection was below YMIN and the initial modulus was used.
    std::array<int, kMaxPrintedPyPoints> belowYmin{};
    std::array<double, kMaxPrintedPyPoints> modulus{};  // modulus used at that point
};

// ---------------------------------------------------------------------------
// The analysis in progress: the load case or combination that the analysis
// driver is running, with its loads and control values. The driver writes
// this group before every call of a cap solution; the cap solutions, the pile
// solvers, the p-y evaluation and the envelope printers read it. The cap
// solutions also keep the cap envelope here (updateCapEnvelope) and count the
// analyses they solved.

// Estimation runs of one load case: one per degree of freedom and load level.
inline constexpr int kMaxEstimationRuns = kCapComponents * kMaxStiffnessLevels;

// The values of the analysis in progress, its distributed-load tables apart
// (CurrentAnalysis adds them): a record of its own so that a run's clear can
// renew it whole and the large tables row by row.
struct AnalysisValues {
    // Control values copied from the load case or combination being analysed
    // (integer fields 4 to 7, 9, 17 to 19 and real fields 1 to 4). Before the
    // envelopes are printed, printOption and nodeStep take the envelope's own.
    struct ControlBlock {
        int loadingKind = 1;               // 0 cyclic, 1 static
        double cycleCount = 0.0;           // load cycles, used when cyclic
        double capTolerance = 0.0;         // convergence of the foundation reaction
        double deflectionTolerance = 0.0;  // a length
        int maxCapIterations = 0;          // per load increment of the cap solution
        int maxPileIterations = 0;         // per lateral pile solution
        double loadIncrementFactor = 0.0;  // first increment of the load factor
        double minLoadIncrementFactor = 0.0;
        int printOption = 0;          // 0 cap, 1 cap and heads, 2 also along the piles
        int nodeStep = 0;             // with print option 2: every n nodes
        int stiffnessFlag = 0;        // >= 1: foundation stiffness estimation
        int stiffnessLevelCount = 0;  // 0..kMaxStiffnessLevels
        std::array<double, kMaxStiffnessLevels> stiffnessLevels{};  // fractions of the load
    };

    // Passes of the analysis of one load case: without estimation one
    // ordinary pass; with it one flexibility pass per degree of freedom, each
    // run once per load level, then the ordinary pass.
    struct EstimationState {
        int estimationMode = 0;       // 0 ordinary, 1 stiffness, 2 flexibility estimation
        int estimationDof = 0;        // DOF loaded alone, 1..dofCount; 0 in the ordinary pass
        int estimationPass = 0;       // 1..estimationPassCount; the last one is ordinary
        int estimationPassCount = 1;  // 1, or dofCount + 1 with estimation
        int estimationRun = 0;  // running number of the run in the case, 1..; its record number
        int levelNo = 0;        // 1-based load level of the run; 0 in the ordinary pass
        double level = 0.0;     // that level: the run applies level x capLoad(DOF) alone
    };

    // Minimum and maximum of the cap load and of the cap displacement over the
    // analyses of one series (load cases, or combinations), component by
    // component, in the order of a CapVector.
    struct CapEnvelope {
        int firstPending = 0;  // 1: the next update starts the envelope from its values
        CapVector loadMin{};
        CapVector loadMax{};
        CapVector displacementMin{};
        CapVector displacementMax{};
    };

    int currentCase = 0;         // load case running; during combinations the combination's number
    int currentCombination = 0;  // combination running; 0 while load cases run
    int dofCount = 0;            // 3 two-dimensional, 6 three-dimensional
    // Equivalent load at the cap origin: the concentrated loads, and the axial
    // loads collected at the pile heads, summed with their moments.
    CapVector capLoad{};
    ControlBlock control;
    double bendingRf = 1.0;  // resistance factors in force; 1.0 for load cases
    double shearRf = 1.0;
    int demandCapacityPrint = 0;  // 1: the pile results show demand/capacity (combinations)
    EstimationState estimation;
    // Ordinary analyses that the cap solutions solved in the current series;
    // the driver sets 0 at the start of a series, a cap solution adds 1 after
    // its final per-pile pass.
    int solvedCount = 0;
    // Plate models of a flexible cap written in this run so far, the current
    // one included: the first is named after the report, the k-th (k >= 2)
    // carries "_k" after the report's base name, so that the plate files of
    // every load case and combination are kept.
    int plateModelCount = 0;
    // 1 until an analysis of the current series was solved: the pile-head and
    // along-pile envelope trackers then copy the current values into both
    // their minimum and their maximum.
    int seriesFirstCase = 0;
    CapEnvelope capEnvelope;
};

struct CurrentAnalysis : AnalysisValues {
    // Distributed loads along the piles of the analysis in progress. Node k of
    // pile group g (k = 0 at the head, k = N at the tip, N the increments of
    // its property) is at [g - 1][k], k x h below the head.
    struct DistributedLoadTables {
        std::array<int, kMaxPileGroups> loaded{};     // 1: a distributed load reaches the pile
        std::array<int, kMaxPileGroups> nodeCount{};  // N + 1 of a loaded pile, else 0
        // Lateral load per unit length in the pile's local y and z directions.
        std::array<std::array<double, kMaxPileNodes>, kMaxPileGroups> loadY{};
        std::array<std::array<double, kMaxPileNodes>, kMaxPileGroups> loadZ{};
        // Axial load collected at the head of one pile of the group from the
        // component along the pile of global loads (case integer 14 at 1).
        std::array<double, kMaxPileGroups> headAxialLoad{};
        // Pile groups 1..groupsInUse may hold loads (the pile groups of the
        // model when the tables were last filled): the tables are cleared up
        // to there only, every row beyond staying 0.
        int groupsInUse = 0;
    };

    DistributedLoadTables distributed;
};

// ---------------------------------------------------------------------------
// Envelopes of the pile results over one series (the load cases, or the load
// combinations): per pile group the minimum and the maximum of every
// pile-head value and of every along-pile quantity at every node. Written by
// the envelope trackers (pile/envelope_tracking.h) on the printing pass,
// cleared in place when a series starts, printed by the envelope tables.
//
// This group runs to about 45 MB: clear it with resetPileEnvelopes, never by
// assigning a new value (which would build a temporary of that size). Only
// the rows of the pile groups in use are cleared: those of the model's pile
// groups and those of the groups tracked, up to groupsTracked.
struct PileEnvelopes {
    // Highest pile group tracked since the envelopes were last cleared; the
    // rows beyond it and beyond the model's pile groups are all 0.
    int groupsTracked = 0;
    // Analyses of the series whose results entered the envelope of the group;
    // 0 until the first, which copies its values into minimum and maximum.
    std::array<int, kMaxPileGroups> trackedCount{};
    // Pile-head values of group g at [g - 1][i], in the order of the head rows
    // (kHeadValues2D or kHeadValues3D of them).
    std::array<std::array<double, kEnvelopeHeadValues>, kMaxPileGroups> headMin{};
    std::array<std::array<double, kEnvelopeHeadValues>, kMaxPileGroups> headMax{};
    // Nodes tracked along the pile of group g, N + 1; 0 before the first.
    std::array<int, kMaxPileGroups> nodeCount{};
    // Along-pile quantity q at node k (k = 0 at the head) of group g at
    // [g - 1][q][k]; the node positions are those of the solvers' nodal
    // arrays, of which nodes 0 .. N are used.
    using NodeValues = std::array<double, kNodePositions>;
    using GroupValues = std::array<NodeValues, kEnvelopeAlongQuantities>;
    std::array<GroupValues, kMaxPileGroups> alongMin{};
    std::array<GroupValues, kMaxPileGroups> alongMax{};
};

// ---------------------------------------------------------------------------
// Axial and torsional pile-head curves generated from the soil profile
// (axial/load_settlement.h, axial/torque_rotation.h). One pile-head curve per
// pile property set; the load-transfer curves of the property set generated
// last stay beside them for inspection.

inline constexpr int kPileHeadCurvePoints = 9;  // pairs of a generated pile-head curve
inline constexpr int kLoadTransferPoints = 10;  // points of one t-z, shear or tip curve
// Side curves of one property set: two at the surface and three per layer.
inline constexpr int kMaxLoadTransferCurves = 3 * kMaxSoilLayers + 2;

// The side load-transfer curves along one pile (axial: t-z; torsional: shear
// against tangential movement) and its tip curve, in the run's units.
struct LoadTransferCurves {
    int IPROP = 0;       // property set the curves were built for; 0 = none
    int curveCount = 0;  // 3 x NLAYER + 2 axial, 3 x NLAYER torsional
    double XHEAD = 0.0;  // X of the pile head the depths are measured from
    std::array<double, kMaxLoadTransferCurves> depth{};     // below the pile head, X - XHEAD
    std::array<int, kMaxLoadTransferCurves> KSOIL{};        // soil type of the curve's layer
    std::array<double, kMaxLoadTransferCurves> ultimate{};  // ultimate unit side friction, stress
    // Point k of curve i at [i - 1][k - 1]: movement z (length), transfer t (stress).
    std::array<std::array<double, kLoadTransferPoints>, kMaxLoadTransferCurves> z{};
    std::array<std::array<double, kLoadTransferPoints>, kMaxLoadTransferCurves> t{};
    int tipKSOIL = 0;          // soil type at the tip (3 for a purely cohesive tip layer)
    double tipDiameter = 0.0;  // diameter of the last section
    double qmax = 0.0;         // ultimate tip resistance, force
    std::array<double, kLoadTransferPoints> w{};  // tip movement, length; w[0] = 0
    std::array<double, kLoadTransferPoints> q{};  // tip resistance, force; q[0] = 0
};

struct GeneratedPileHeadCurves {
    // Pile-head curves of property set IPROP at [IPROP - 1], laid out as the
    // user curves: curveNo = IPROP, pointCount 9 once generated (0 before),
    // points in increasing displacement. Load-settlement: force = top load,
    // displacement = top movement. Torque-rotation: force = top torque,
    // displacement = top rotation [rad].
    std::array<UserCurve, kMaxPileProperties> loadSettlement{};
    std::array<UserCurve, kMaxPileProperties> torqueRotation{};
    int lsCurveCount = 0;  // curves 1..lsCurveCount generated (the property sets in order)
    int trCurveCount = 0;  // curves 1..trCurveCount generated
    LoadTransferCurves axialTransfer;      // of the last load-settlement curve
    LoadTransferCurves torsionalTransfer;  // of the last torque-rotation curve
};

// The failure checks of the pile-head axial and torsional response
// (axial/pile_head_response.h) during the cap solution's force sums.
struct AxialResponseState {
    // 1 while the cap solution sums the pile forces: a displacement outside a
    // curve is then written to the warning scratch file and counted. The cap
    // solution sets and clears it and resets the counters, which hold the
    // warnings of the latest force sum in pile-group order.
    int warningRecordFlag = 0;
    int pullOutWarningCount = 0;
    int bearingWarningCount = 0;
    int torsionWarningCount = 0;
};

// ---------------------------------------------------------------------------
// Laterally loaded pile solvers (pile/): the nodal work arrays of the
// finite-difference beam-column, one set reused for every pile group, and what
// a solution leaves for its caller and the envelope trackers. Written by the
// pile solvers only, apart from the fields marked as set by the cap solution
// or the per-pile analysis.

// A nodal array of the pile solvers: node k = -3 .. N+3 (N <= 100) at
// [k + kNodeOffset]. Nodes -2, -1, N+1, N+2 are the fictitious nodes of the
// five-point difference operator; -3 and N+3 stay zero.
inline constexpr int kNodeOffset = 3;
using NodalArray = std::array<double, kNodePositions>;

// One lateral plane of a pile: the single plane of the two-dimensional and
// resultant-plane solvers, or the x-y or x-z plane of the biaxial solver.
struct PlaneWork {
    NodalArray y{};          // deflection, nodes -3 .. N+3 [length]
    NodalArray previousY{};  // deflection before the latest solve, nodes 0 .. N
    NodalArray R{};          // flexural rigidity EI, nodes -1 .. N+2 [force x length^2]
    NodalArray w{};          // distributed lateral load, nodes 0 .. N [force / length]
    // Recursion y(k) = A(k) y(k+1) + B(k) y(k+2) + C(k) of the forward sweep,
    // nodes -3 .. N+1.
    NodalArray A{};
    NodalArray B{};
    NodalArray C{};
    NodalArray slope{};  // dy/dx, nodes 0 .. N+1
    NodalArray M{};      // moment -EI y'', nodes -2 .. N+2; negated in place on the printing pass
    NodalArray V{};      // shear force with the axial term, nodes 0 .. N
    NodalArray p{};      // soil reaction Es y, nodes 0 .. N [force / length]
    NodalArray curvature{};  // |y''| of the latest moment-curvature update, nodes 0 .. N
    // Head condition of the plane.
    int connection = 0;   // 1 pinned, 2 fixed, any other value restrained by spring
    double spring = 0.0;  // rotational restraint kr of a restrained head [moment / radian]
    double yt = 0.0;      // imposed head displacement [length]
    double S = 0.0;       // imposed head rotation [radian]
};

struct PileWork {
    int pileGroup = 0;                  // 1-based pile group of the last solution; 0 = none
    int N = 0;                          // increments of the pile, 1..100; nodes 0..N
    double h = 0.0;                     // increment length
    int planeCount = 0;                 // 1 single-plane solution, 2 biaxial
    int iterationCount = 0;             // solves made by the last call (the LLP iteration counter)
    std::array<PlaneWork, 2> planes{};  // [0] the single plane or x-y; [1] x-z
    NodalArray Es{};         // soil modulus p / y of both planes, nodes 0 .. N [force / length^2]
    NodalArray Q{};          // axial force, compression positive, nodes -1 .. N+2
    NodalArray stress{};     // total stress, nodes 0 .. N (printing pass)
    NodalArray bendingDC{};  // bending demand/capacity, nodes 0 .. N (printing pass)
    NodalArray shearDC{};    // shear demand/capacity, nodes 0 .. N (printing pass)
};

// The flags of the lateral pile solutions of a cap solution, and its
// printing-pass sums.
struct PileSolution {
    // 1 when a lateral solution of the latest per-pile analyses did not
    // close; gathered from the pile scratch spaces in pile-group order, tested
    // and cleared by the cap solution.
    int capAbortFlag = 0;
    // 1 while the cap solution's final per-pile pass runs: the pile solvers
    // then print their results. Set and cleared by the cap solution.
    int finalPassFlag = 0;
    // Two-dimensional printing pass: the sums over the pile groups of
    // A (Q, H, M(0)) at the cap origin (force X, force Y, moment Z). Cleared
    // by the cap solution before its final pass.
    std::array<double, 3> capSums2D{};
};

// ---------------------------------------------------------------------------
// Pile cap solution (cap/): the state of the three-dimensional cap
// equilibrium of the analysis in progress, the working values of the per-pile
// analysis in cap coordinates, and the work arrays of the group reduction
// factors. Written by the cap routines only; the analysis driver and the
// reports read the results after a call.

// A 6 x 6 matrix of the cap, stored column by column: element (i, j), both
// 0-based, at [i + 6 j], the layout that invertMatrix works on.
using CapMatrix = std::array<double, kCapComponents * kCapComponents>;

// incrementState of the cap solution
inline constexpr int kIncrementIterating = 0;  // the increment is being iterated
inline constexpr int kIncrementConverged = 1;  // both convergence flags were true
inline constexpr int kIncrementFailed = -1;    // the attempt was given up

// capStatus of the cap solution
inline constexpr int kCapOk = 0;             // no failure in the last iteration
inline constexpr int kCapPileNotClosed = 1;  // a pile solution did not converge
inline constexpr int kCapSingular = 2;       // stiffness matrix could not be inverted
inline constexpr int kCapPileWarnings = 3;   // pull-out, bearing or torsion warnings issued

// The geometry of one pile group, rebuilt before every use.
struct PileTransforms {
    int pileGroup = 0;  // 1-based group the matrices belong to; 0 = none built
    CapMatrix T{};      // u_head = T U: the rigid transfer from the cap origin to the head
    CapMatrix Tt{};     // T transposed: pile-head forces to the cap origin
    CapMatrix R{};      // local = R global: the 3 x 3 rotation on both diagonal blocks
    CapMatrix Rt{};     // R transposed: local forces to global axes
};

// What the pile groups of the latest unperturbed force sum reached of their
// limits, for the events of a pushover: the largest ratio of bending moment
// to the section's nominal moment capacity, the first pile group (in order)
// whose soil is at its ultimate resistance over more than one diameter, and
// the first whose head moved past either end of its load-settlement curve.
// Depths are measured along the pile from its head; a group of 0 is none.
struct PileLimitSummary {
    double momentRatio = 0.0;
    int momentGroup = 0;
    double momentDepth = 0.0;
    int soilGroup = 0;
    double soilDepth = 0.0;  // top of the run of nodes at the ultimate resistance
    int bearingGroup = 0;
    int pullOutGroup = 0;
};

// Events of a pushover (ResultsCollector::pushoverEvent), each reported once
// at the first converged increment that reaches it.
inline constexpr int kPushoverMomentCapacity = 1;  // a section reached its Mn
inline constexpr int kPushoverBearing = 2;         // a head past the curve's end in compression
inline constexpr int kPushoverPullOut = 3;         // a head past the curve's end in pull-out
inline constexpr int kPushoverSoilUltimate = 4;    // soil at pu over more than one diameter

// Why a pushover ended (ResultsCollector::pushoverFinished).
inline constexpr int kPushoverReachedMaximum = 0;     // the largest factor asked for converged
inline constexpr int kPushoverCapNotConverged = 1;    // the cap at the smallest increment
inline constexpr int kPushoverPilesNotConverged = 2;  // a pile solution at the smallest increment
inline constexpr int kPushoverSingular = 3;           // a singular stiffness there

// The first converged increment at which a pushover event happened: its
// load factor, its number (from 1), the pile group and, for a moment or soil
// event, the depth along the pile. A step of 0: not (yet) reached.
struct PushoverEventRecord {
    double loadFactor = 0.0;
    int step = 0;
    int pileGroup = 0;
    double depth = 0.0;
};

// The events of the pushover in progress, at [kind].
struct PushoverState {
    std::array<PushoverEventRecord, kPushoverSoilUltimate + 1> events{};
    // Once it is over: the last converged factor (0 when none converged)
    // and why it stopped (kPushover...; -1 while it runs).
    double capacityFactor = 0.0;
    int stop = -1;
};

struct CapSolution {
    // Six-component vectors in the order of a CapVector, at the cap origin.
    CapVector capLoadFull{};       // load of the case, combination or estimation run
    CapVector capDisp{};           // current cap displacement, the one the piles see
    CapVector capDispStep{};       // accumulated since the start of the increment
    CapVector capDispConverged{};  // at the end of the last converged increment
    CapVector capDispIncrement{};  // correction of the current global iteration
    CapVector pileResultant{};     // resultant of the forces of the piles on the cap
    CapVector capResidual{};       // out of balance: -capLoad - pileResultant
    CapMatrix capStiffness{};      // d pileResultant / d capDisp; its inverse after a correction
    CapVector embeddedCapForce{};  // passive soil force on an embedded cap
    CapMatrix embeddedCapStiffness{};
    // The largest axial force and bending moment at a pile head (one pile,
    // magnitudes; the moment the resultant of both planes) of the latest
    // unperturbed force sum.
    double headAxialLargest = 0.0;
    double headMomentLargest = 0.0;
    // The limits the pile groups reached in the latest unperturbed force sum,
    // gathered only while a pushover runs.
    PileLimitSummary limits{};
    PushoverState pushover{};
    double loadFactor = 0.0;  // of the increment being solved
    int globalIteration = 0;  // within the increment, from 1
    int iterationTotal = 0;   // global iterations of the call, every increment and attempt
    // The correction work of the first global iteration of the increment
    // (correctionWork in cap/cap_results.h), the scale of its equilibrium test.
    double firstCorrectionWork = 0.0;
    int incrementState = kIncrementIterating;
    int capStatus = kCapOk;
    // The last converged increment: the state that TABLE L and the
    // estimation records report.
    int convergedIncrements = 0;     // increments converged in this call
    double convergedFactor = 0.0;    // its load factor; 0 before the first
    int convergedIterations = 0;     // global iterations it took
    CapVector convergedResultant{};  // pileResultant of its last iteration
    // Soil values of the embedded cap left by the last pile group of the
    // latest force sum.
    double passiveGround = 0.0;  // its groundBelowHead: < 0 with the ground above the cap bottom
    double passiveResistance = 0.0;  // p0 of its cap pass [force / length]
    double passiveLeverX = 0.0;      // its CorX, from which the passive moment is measured
};

// The two-dimensional cap: vectors of three components (vertical, horizontal,
// rotation; loads: vertical load, horizontal load, moment) and 3 x 3 matrices
// stored column by column, element (i, j) at [i + 3 j].
inline constexpr int kCapComponents2D = 3;
using CapVector2D = std::array<double, kCapComponents2D>;
using CapMatrix2D = std::array<double, kCapComponents2D * kCapComponents2D>;

// The state of the two-dimensional cap solution. The load factor, the
// iteration counters, incrementState, capStatus and the record of the last
// converged increment are those of CapSolution; the pile forces here are the
// resistances of the piles (the load they carry), positive where the load is.
struct CapSolution2D {
    // The largest axial force and bending moment at a pile head of the
    // unperturbed force sum of the latest global iteration (those of the
    // shared CapSolution are overwritten by the perturbed sums after it).
    double headAxialLargest = 0.0;
    double headMomentLargest = 0.0;
    PileLimitSummary limits{};
    CapVector2D capLoad2D{};           // load currently applied: loadFactor x capLoadFull2D
    CapVector2D capLoadFull2D{};       // load of the case, combination or estimation run
    CapVector2D capDisp2D{};           // current cap displacement
    CapVector2D capDispStep2D{};       // accumulated since the start of the increment
    CapVector2D capDispConverged2D{};  // at the end of the last converged increment
    CapVector2D capDispIncrement2D{};  // correction of the current global iteration
    CapVector2D capResidual2D{};       // out of balance: load - pile resistance
    // [0] at capDisp2D, [j] with component j perturbed (j = 1, 2, 3).
    std::array<CapVector2D, 4> pileResultant2D{};
    CapMatrix2D capStiffness2D{};        // d pileResultant2D / d capDisp2D, forward differences
    CapVector2D convergedResultant2D{};  // pileResultant2D[0] of the last converged increment
    // Embedded cap: passive force F and moment M on the cap face at capDisp2D
    // (sign rule applied) and the forward differences of (-F, M), rows 1 and
    // 2 of a 3 x 3 matrix (row 0 zero).
    double passiveForce2D = 0.0;
    double passiveMoment2D = 0.0;
    CapMatrix2D passiveStiffness2D{};
    // Runs of sumPileForces2D since the count was last cleared: four per
    // global iteration, seven with an embedded cap, one on the printing pass.
    long long forceSumCount = 0;
    int echoWritten = 0;  // 1 once the second input echo of the run is printed
};

// Individual piles of the group reduction factors. A three-dimensional layout
// has at most 2000 (one per pile group); the rows of a two-dimensional one
// stand for as many piles as the input gives, and the work arrays hold 2000
// rows of 50 piles each (about 4.4 MB). A layout with more piles keeps its
// factors at 1.0 with a warning in TABLE K.
inline constexpr int kMaxShadedPiles = 100000;

// A pile in the grid of cells of the neighbour search: the cell along and
// across the loading axis and the pile (0-based index i of the work arrays).
struct ShadedPileCell {
    int along = 0;
    int across = 0;
    int pile = 0;
};

// Work arrays of the group reduction factors for one loading axis, pile i
// (numbered group by group) at [i - 1]; coordinates in pile diameters. Every
// array holds rows of piles 1..N only (the cells and the partners of a pile
// are never more than the piles): a run's clear resets those.
struct GroupFactorWork {
    int shadedPileCount = 0;                              // N, the sum of the piles of all groups
    std::array<int, kMaxShadedPiles> groupNo{};           // 1-based pile group of pile i
    std::array<double, kMaxShadedPiles> alongCoord{};     // along the loading axis, from pile 1
    std::array<double, kMaxShadedPiles> acrossCoord{};    // across it
    std::array<double, kMaxShadedPiles> shadowProduct{};  // product of the pair factors of pile i
    double pairAngle = 0.0;  // of the last pair evaluated that is not side by side [radian]
    // The neighbour search: the piles of finite coordinates ordered by cell
    // (along, then across, then pile), and the partners of the pile being
    // shaded.
    int cellPileCount = 0;
    std::array<ShadedPileCell, kMaxShadedPiles> cellOrder{};
    int neighbourCount = 0;
    std::array<int, kMaxShadedPiles> neighbours{};
};

// The computed group factors of the movements a cap solution has met, by
// loading axis and sign (Y+, Y-, Z+, Z-): the layout does not change during
// the solution, so each is computed once. Kept only while a cap solution
// runs (active 1); ready[k] once p[k] and y[k] hold the factors of the
// first groupCount pile groups.
struct GroupFactorMovements {
    int active = 0;
    int groupCount = 0;
    std::array<int, 4> ready{};
    std::array<std::array<double, kMaxPileGroups>, 4> p{};
    std::array<std::array<double, kMaxPileGroups>, 4> y{};
};

// ---------------------------------------------------------------------------
// The scratch space of the per-pile analysis: everything the analysis of one
// pile group writes while it runs, from the node positions to the messages
// it raises. The cap solutions analyse the pile groups of one global
// iteration on several threads, each thread with a scratch space of its own,
// while the rest of the store is only read; the results are then gathered in
// pile-group order (cap/pile_in_cap.h). The store keeps one scratch space of
// its own for the analyses made in pile-group order on the caller's thread:
// the printing pass, the printed p-y curves, single-threaded runs and the
// routines called on the store directly.

// The p-y evaluation of the pile group being analysed. The pile solvers
// publish the current group and its deflections; the discretisation fills
// the node positions and the layer node ranges; the evaluation returns the
// moduli.

struct ModelStore;
class PileWorkers;

struct LateralPyState {
    int currentPileGroup = 0;  // 1-based pile group being analysed; 0 = none
    int NNODE = 0;             // nodes of the current pile, N + 1
    // X of node i of the current pile group at nodeX[i - 1], node 1 at the head.
    std::array<double, kMaxPileNodes> nodeX{};
    std::array<double, kMaxPileNodes> pyDeflection{};  // y of node i at [i - 1]; sign ignored
    std::array<double, kMaxPileNodes> pyModulus{};     // secant modulus Es = p / y of node i
    // Ultimate resistance of the curve of node i at [i - 1], the group's
    // p-multiplier applied, from the latest evaluation: 0 above the ground,
    // not a number where the node's curve has none (the user's own curves)
    // or no curve was evaluated. Kept only for a results collector
    // (keepsUltimateResistance in soil/py_evaluation.h).
    std::array<double, kMaxPileNodes> pyUltimate{};
    // First and last node of the current pile lying in layer L, at [L - 1]; 0 = none.
    std::array<int, kMaxSoilLayers> layerFirstNode{};
    std::array<int, kMaxSoilLayers> layerLastNode{};
    // A scratch space of a worker thread: the equivalent depths of the
    // current pile group, its row of PyRunState::XEQ, copied in before its
    // analysis and gathered back after it (see equivalentDepthRow). The
    // store's own scratch space works on the store's table instead.
    std::array<double, kMaxSoilLayers> XEQ{};
    // Ultimate lateral resistance of layer L integrated over its nodes, at
    // [L - 1]. A layer the current pile has no node in keeps the value of the
    // pile evaluated before.
    std::array<double, kMaxSoilLayers> PULT{};
    // Small-deflection threshold: below it a curve gives its initial modulus.
    // The weak-rock and liquefied-sand criteria raise it to 2.0E-5 x b, silt
    // and vuggy limestone set it back; the other criteria only read it, so
    // its value is that of the rock or liquefied layer evaluated last.
    double YMIN = f32(1.0E-14f);
    // Layers of which PULT, and whether YMIN, were written since the flags
    // were cleared: what the evaluations of one pile group pass on to the
    // next (cap/pile_in_cap.cpp follows them from pile group to pile group).
    std::array<int, kMaxSoilLayers> pultWritten{};
    int ymimWritten = 0;
    // Set when an equivalent depth took the resistance of a layer above
    // whose PULT was not written since the flags were cleared: a value left
    // by the pile groups evaluated before. Set when the moduli were generated
    // (not for a printed curve) since the flags were cleared.
    bool carriedPultRead = false;
    bool modulusEvaluated = false;
    double capPassiveResistance = 0.0;  // p on the embedded cap from the last cap pass
    int capPassiveWritten = 0;          // 1 once a cap pass wrote capPassiveResistance
    int pileFailureFlag = 0;            // set to 1 when user curves do not reach a node of the pile
};

// The results of the latest lateral solution that its caller and the
// printing read.
struct PileHeadResults {
    // Set by the per-pile analysis before each solver call, read by the
    // printing: the pile-head displacement in pile axes (ua, uy, uz, tx, ty,
    // tz; two dimensions: ua, y, 0, 0, 0, rotation) and the rotation of the
    // pile axes, local = R x global, row by row.
    CapVector localHeadDisplacement{};
    std::array<double, 9> headRotation{1.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 1.0};
    // Results of the last closed solution: lateral head forces and head
    // moments M(0) = -EI y''(0) of the single plane (or x-y) and x-z planes,
    // never negated by the printing.
    double headForceY = 0.0;
    double headForceZ = 0.0;
    double headMomentXY = 0.0;
    double headMomentXZ = 0.0;
    double headAxialForce = 0.0;       // Q of the last axialHeadForce, compression positive
    double headTorsionalMoment = 0.0;  // T of the last torsionalHeadMoment
    // The latest lateral solution when it closed, for its printing: which
    // solver left it (kSolvedNone while a solution runs or after one that did
    // not close) and the torsional moment it printed with.
    int solvedBy = 0;
    double solvedTorsion = 0.0;
};

// solvedBy of PileHeadResults
inline constexpr int kSolvedNone = 0;
inline constexpr int kSolvedTwoDimensional =
    1;  // the single-plane solver, two-dimensional instance
inline constexpr int kSolvedResultantPlane = 2;  // the single-plane solver, resultant plane
inline constexpr int kSolvedBiaxial = 3;

// The head stiffness of one lateral plane with its soil moduli, flexural
// rigidities and axial force held: the head force (as the solvers return it)
// and the head moment M(0) for a unit head deflection (all else unloaded) and
// for a unit imposed rotation, in the sense the plane's head condition takes.
struct PlaneHeadStiffness {
    double forceByDeflection = 0.0;
    double forceByRotation = 0.0;
    double momentByDeflection = 0.0;
    double momentByRotation = 0.0;
};

// The state a lateral solution may start from instead of the initial moduli:
// the converged state of the pile group's solution at the unperturbed head
// displacement, for the perturbed solutions of the tangent (the stiffness
// start option of the control parameters).
struct LateralStart {
    int pileGroup = 0;  // the group the state belongs to; 0 = none, start from the initial moduli
    NodalArray Es{};    // soil moduli, nodes 0 .. N
    // Flexural rigidities of the planes ([0] single plane or x-y, [1] x-z),
    // nodes 0 .. N; used with nonlinear bending only.
    std::array<NodalArray, 2> R{};
    // The condensed head stiffness of the converged solution's two planes,
    // when the stiffness start asks for it (headStiffnessKept).
    bool headStiffnessKept = false;
    std::array<PlaneHeadStiffness, 2> headStiffness{};
};

// Where a message of the per-pile analysis goes (PileMessage::destinations).
inline constexpr int kToReport = 1;
inline constexpr int kToRuntime = 2;         // committed to disk after the message
inline constexpr int kToWarningScratch = 4;  // the warning scratch file
inline constexpr int kToCollector = 8;       // the run's results collector, as a warning

// A message of the per-pile analysis: its records separated by '\n', without
// the last end of line, as a ReportLine assembles them.
struct PileMessage {
    int destinations = 0;
    std::string records;
};

struct PileScratch {
    // The store of which this is the own scratch space: messages are written
    // at once, the printing pass prints through it and the equivalent depths
    // are those of its table. Null for a worker thread's scratch space, whose
    // messages wait in `messages` until the caller writes them.
    ModelStore* owner = nullptr;
    LateralPyState py{};
    PileWork work{};  // nodal arrays of the lateral pile solvers
    PileHeadResults head{};
    LateralStart start{};
    PileTransforms transforms{};   // of the pile group analysed last
    double axialForce = 0.0;       // Q: axial response times axialForceFactor, compression positive
    double torsionalMoment = 0.0;  // T: 0 with a pinned head
    CapVector localForces{};       // n (-Q, -Fy, -Fz, -T, My', -Mz') in pile axes
    CapVector globalForces{};      // the same in global axes
    // Raised by the solutions written in this scratch space: 1 when a lateral
    // solution did not close, and the pile-head failure warnings recorded
    // (while the store's warningRecordFlag is 1).
    int capAbortFlag = 0;
    int pullOutWarningCount = 0;
    int bearingWarningCount = 0;
    int torsionWarningCount = 0;
    // Lateral solutions started and their finite-difference solves. In the
    // store's own scratch space: those of the whole run, the worker threads'
    // added as their results are gathered.
    long long lateralSolutions = 0;
    long long lateralIterations = 0;
    // Messages raised in this scratch space, muted ones too: a p-y curve
    // that raised one is built again at every evaluation, as is its message.
    long long messagesRaised = 0;
    // Messages waiting to be written, in the order they were raised (a
    // worker's scratch space only; the sizes vary with the warnings).
    std::vector<PileMessage> messages{};
    // The rows of the effects listing of the results data file for the
    // biaxial solution of pile group preparedRowsGroup (0: none), formatted
    // on the worker thread that solved it on the printing pass, so that the
    // printing in pile-group order only writes them.
    std::string preparedRows{};
    int preparedRowsGroup = 0;
};

// Work done by the analyses of the run, for the speed measurements: global
// iterations of the rigid-cap solutions (the lateral solutions are counted in
// the store's own PileScratch).
struct AnalysisCounters {
    long long globalIterations = 0;
};

// ---------------------------------------------------------------------------
// The store.

struct ModelStore {
    RunControl run;
    RunFiles files;
    FixedText<kTitleLength> title;
    ControlParameters control;
    UnitLabels units;
    PileCap cap;
    LoadCaseTable loadCases;
    CombinationTable combinations;
    DistributedSetTable distributedSets;
    PileArrangement arrangement;
    GroupFactors groupFactors;
    PilePropertyTable pileProperties;
    CrossSectionTable crossSections;
    SoilLayerTable soilLayers;
    PyPrintTable pyPrints;
    UserPySetTable userPySets;
    UserLsCurveTable userLsCurves;
    UserTrCurveTable userTrCurves;
    McSetTable mcSets;
    PileWorkTables work;
    SoilProfile soilProfile;      // built by prepareSoilProfile
    PyRunState pyRun;             // what the p-y evaluations keep for the run
    PrintedPyCurve pyPrinting;    // printing mode of the p-y evaluation
    CurrentAnalysis analysis;     // the load case or combination being analysed
    PileEnvelopes pileEnvelopes;  // pile-head and along-pile envelopes of the series

    GeneratedPileHeadCurves generatedCurves;    // generated load-settlement, torque-rotation
    AxialResponseState axialResponse;           // axial and torsional warnings of the force sums
    PileSolution pileSolution;                  // flags of the lateral pile solutions
    CapSolution capSolution;                    // cap equilibrium
    CapSolution2D capSolution2D;                // the two-dimensional cap equilibrium
    GroupFactorWork groupFactorWork;            // individual piles of the group reduction factors
    GroupFactorMovements groupFactorMovements;  // directional factors kept during a cap solution
    PileScratch pileScratch{.owner = this};     // the store's own per-pile scratch space
    AnalysisCounters counters;
    // The p-y curves of the pile groups, built once per load case. Mutable:
    // the analyses of the pile groups see the store as const, and each
    // writes only the row of its own pile group (PyCurveCache).
    mutable PyCurveCache pyCurves;

    // Not owned: the worker threads of the per-pile analyses, attached by
    // runEngine for the run when it has more than one thread; null (the
    // pile groups are analysed in order on the caller's thread) otherwise.
    PileWorkers* pileWorkers = nullptr;

    // Not owned: the observer of the run's results, attached by runEngine
    // after the store is cleared and detached at the end of the run; null
    // (the default) for the front end's runs.
    ResultsCollector* resultsCollector = nullptr;

    // The memory of a store that goes is kept for the next new one (two at
    // most): the tens of megabytes of a new allocation would otherwise be
    // faulted in page by page every time.
    static void* operator new(std::size_t size);
    static void operator delete(void* block, std::size_t size);
};

// A new, cleared store on the heap, in the memory of a store that went when
// one was kept (ModelStore::operator new).
std::unique_ptr<ModelStore> makeModelStore();

// Returns the store to its state at program load: every count 0, every value
// 0 and every text blank; open files of the store are closed. Clears in place
// (no copy of the store on the stack), and costs what the earlier run used:
// the small records are renewed whole, the large tables only up to the rows
// the earlier run could have written (its load cases, distributed-load sets,
// pile groups and individual piles; the pile envelopes and the distributed
// loads also up to the rows they say they wrote). Every row beyond is still
// as a new store has it.
void clearModelStore(ModelStore& store);

// Clears the pile envelopes in place (every minimum, maximum and count to 0),
// the rows of the model's pile groups and of the groups tracked.
void clearPileEnvelopes(ModelStore& store);

// Clears the distributed-load tables of the analysis in progress in place,
// the rows of the model's pile groups and of the groups filled before.
void clearDistributedLoadTables(ModelStore& store);

// The process-wide store used by the entry point.
ModelStore& processModelStore();

}  // namespace pylora
