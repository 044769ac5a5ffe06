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
#include <memory>

#include "engine/file_handle.h"
#include "engine/fixed_text.h"
#include "engine/limits.h"

namespace pylora {

using PathText = FixedText<kPathLength>;
using NameText = FixedText<kNameLength>;

// ---------------------------------------------------------------------------
// 1. Run control: the run-control file's records, the open files, the stop code.

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
};

// ---------------------------------------------------------------------------
// 2 to 4. Title, control parameters (A2) and unit labels.

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
    double capLengthY = 0.0;     // length along Y
    double capWidthZ = 0.0;      // width along Z
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
    double XSECT = 0.0;  // end below the pile head; the last one is 1.2 x LENGTH at every lookup
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

struct PileWorkTables {
    std::array<PropertyWork, kMaxPileProperties> properties{};  // properties[IPROP - 1]
    std::array<PileGroupWork, kMaxPileGroups> groups{};         // groups[groupNo - 1]
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
};

// A new, cleared store on the heap.
std::unique_ptr<ModelStore> makeModelStore();

// Returns the store to its state at program load: every count 0, every value
// 0 and every text blank; open files of the store are closed. Clears in place
// (no copy of the store on the stack).
void clearModelStore(ModelStore& store);

// The process-wide store used by the entry point.
ModelStore& processModelStore();

}  // namespace pylora
