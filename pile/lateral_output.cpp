#include "pile/lateral_output.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "format/format.h"
#include "format/number_fields.h"
#include "pile/beam_column.h"
#include "pile/envelope_tracking.h"
#include "store/constants.h"
#include "store/file_handle.h"

namespace pylora {

namespace {

// Below this a head displacement or rotation cannot give the direction in
// which the resultant-plane forces act.
const double kNoDirection = f32(1.0E-14F);

constexpr std::string_view kEffectsTitle = "* EFFECTS FOR LATERALLY LOADED PILE *   ";
constexpr std::string_view kGlobalTitle = "THE GLOBAL STRUCTURAL COORDINATE SYSTEM";
constexpr std::string_view kLocalTitle = "THE PILE COORDINATE SYSTEM (LOCAL AXES)";
constexpr std::string_view kTitleRule = "---------------------------------------";
constexpr std::string_view kCapacityHeads = "BEND. D/C     SHEAR D/C";

// ---------------------------------------------------------------------------
// Unit labels of the run composed for the column heads.

std::string_view withoutBlanks(std::string_view s) {
    const std::size_t first = s.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const std::size_t last = s.find_last_not_of(' ');
    return s.substr(first, last - first + 1);
}

struct Units {
    std::string_view L2;  // length, 2 characters
    std::string_view F3;  // force, 3 characters
};

Units unitsOf(const ModelStore& store) {
    return {store.units.length2.view(), store.units.force3.view()};
}

std::string momentUnit(const Units& u) {
    return std::string(u.F3) + kUnitTimes + std::string(u.L2);
}
std::string lineLoadUnit(const Units& u) {
    return std::string(u.F3) + kUnitPer + std::string(u.L2);
}
std::string stressUnit(const Units& u) {
    return std::string(u.F3) + kUnitPer + std::string(u.L2) + kUnitPower + kUnitSquare;
}
std::string rigidityUnit(const Units& u) {
    return std::string(u.F3) + kUnitTimes + std::string(u.L2) + kUnitPower + kUnitSquare;
}
std::string inParentheses(std::string_view unit) {
    return "(" + std::string(withoutBlanks(unit)) + ")";
}

// ---------------------------------------------------------------------------
// Files and small layouts.

struct Files {
    std::FILE* report = nullptr;
    std::FILE* summary = nullptr;
    std::FILE* resultsData = nullptr;
    std::FILE* pileData = nullptr;
    std::FILE* runtime = nullptr;
};

Files filesOf(const ModelStore& store) {
    return {store.files.report.get(), store.files.summary.get(), store.files.resultsData.get(),
            store.files.pileData.get(), store.files.runtime.get()};
}

void writeTo(std::initializer_list<std::FILE*> files, const ReportLine& line) {
    for (std::FILE* f : files)
        writeLine(f, line);
}

// A column head right-justified in width w, or after one blank when longer.
void columnHead(ReportLine& line, std::string_view head, int w) {
    const int n = static_cast<int>(head.size());
    if (n < w)
        line.X(w - n).text(head);
    else
        line.X(1).text(head);
}

// A title centred in a width (leading blanks only).
void centred(ReportLine& line, std::string_view title, int w) {
    const int n = static_cast<int>(title.size());
    const int left = n < w ? (w - n) / 2 : 1;
    line.X(left).text(title);
    if (left + n < w) line.X(w - left - n);
}

// One pile data record: 5X I6 6X, then G12.5 values separated by 2X.
void writePileDataRecord(std::FILE* file, int pileGroup, std::span<const double> values) {
    ReportLine line;
    line.X(5).I(pileGroup, 6).X(6);
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0) line.X(2);
        line.G(values[i] + 0.0, 12, 5);  // + 0.0: a negated zero prints as zero
    }
    writeLine(file, line);
}

// A pile-head row: 3 blanks, then the values in w/d fields.
void writeHeadRow(std::FILE* file, std::span<const double> values, int w, int d) {
    ReportLine line;
    writeBlanks(line, 3);
    for (const double v : values)
        writeRealField(line, w, d, v);
    endLine(file, line);
}

// The pile-top records of the results data file: the group, then its head
// displacements and reactions in cap axes and in pile axes.
void writeHeadRecords(std::FILE* resultsData, int pileGroup, std::span<const double> global,
                      std::span<const double> local) {
    ReportLine line;
    line.text("* PILE GROUP *").I(pileGroup, 6);
    writeLine(resultsData, line);
    line.clear();
    line.X(7).text("* PILE TOP DISP. AND REACT. GLOBAL");
    writeLine(resultsData, line);
    writeHeadRow(resultsData, global, 17, 8);
    line.clear();
    line.X(7).text("* PILE TOP DISP. AND REACT. LOCAL");
    writeLine(resultsData, line);
    writeHeadRow(resultsData, local, 17, 8);
}

// The pile-top records of the pile data file: the head values in cap axes,
// then in pile axes, each as a record of the displacements (the first
// `displacements` values) and a record of the forces and the stress.
void writePileTopRecords(std::FILE* pileData, int pileGroup, std::span<const double> global,
                         std::span<const double> local, std::size_t displacements) {
    for (const std::span<const double> values : {global, local}) {
        writePileDataRecord(pileData, pileGroup, values.first(displacements));
        writePileDataRecord(pileData, pileGroup, values.subspan(displacements));
    }
}

void writeIterationCount(ModelStore& store, int pileGroup, bool toSummary) {
    const Files f = filesOf(store);
    ReportLine line;
    line.slash().X(5).text("NUMBER OF ITERATIONS IN LLP = ").I(store.pileWork.iterationCount, 5);
    writeLine(f.report, line);
    if (toSummary) {
        writeLine(f.summary, line);
        return;
    }
    line.clear();
    line.X(5).text("NUMBER OF ITERATIONS IN LLP = ").I(store.pileWork.iterationCount, 4);
    line.text(" (PILE No ").I(pileGroup, 4).text(")");
    writeLine(f.runtime, line);
    commitToDisk(f.runtime);
}

// Node k of a nodal array as a span of the nodes 0 .. N.
std::span<const double> nodesOf(const NodalArray& a, int N) {
    return {a.data() + kNodeOffset, static_cast<std::size_t>(N + 1)};
}

void negateMoments(PlaneWork& plane, int N) {
    for (int k = -2; k <= N + 2; ++k)
        nodeAt(plane.M, k) = -nodeAt(plane.M, k);
}

// The global vector of a local one: global = R^T local, R = headRotation.
std::array<double, 3> toGlobal(const std::array<double, 9>& R, double a, double b, double c) {
    return {R[0] * a + R[3] * b + R[6] * c, R[1] * a + R[4] * b + R[7] * c,
            R[2] * a + R[5] * b + R[8] * c};
}

// Six local components (two 3-vectors) to global axes.
std::array<double, 6> sixToGlobal(const std::array<double, 9>& R, std::span<const double> v) {
    const auto t = toGlobal(R, v[0], v[1], v[2]);
    const auto r = toGlobal(R, v[3], v[4], v[5]);
    return {t[0], t[1], t[2], r[0], r[1], r[2]};
}

// ---------------------------------------------------------------------------
// The single-plane along-pile table of the report (two-dimensional and
// resultant-plane solvers): x, deflection, moment, shear, soil reaction,
// total stress, EI and, with capacities, the two D/C ratios, for the nodes
// 0, n, 2n, ... <= N. After a printed row the deflection, moment, shear and
// soil reaction of its node are raised to 1.0E-14 where smaller.
void writeSinglePlaneTable(ModelStore& store, const LateralPile& pile, bool capacities,
                           std::initializer_list<std::FILE*> files) {
    PileWork& work = store.pileWork;
    PlaneWork& plane = work.planes[0];
    const Units u = unitsOf(store);
    const int N = pile.N;

    ReportLine line;
    line.slash().slash().X(7).text(kEffectsTitle).slash();
    writeTo(files, line);
    line.clear();
    line.A("X", 11).A("DEFLECTION", 13).A("MOMENT", 13).A("SHEAR", 13).A("SOIL REACT.", 13);
    line.A("TOTAL STRESS", 13).A("FLEX. RIGID.", 13);
    if (capacities) line.X(4).text(kCapacityHeads);
    writeTo(files, line);
    line.clear();
    line.A(inParentheses(u.L2), 11).A(inParentheses(u.L2), 13).A(inParentheses(momentUnit(u)), 13);
    line.A(inParentheses(u.F3), 13).A(inParentheses(lineLoadUnit(u)), 13);
    line.A(inParentheses(stressUnit(u)), 13).A(inParentheses(rigidityUnit(u)), 13);
    writeTo(files, line);

    const int step = std::max(1, std::min(store.analysis.control.nodeStep, N));
    for (int k = 0; k <= N; k += step) {
        ReportLine row;
        writeBlanks(row, 2);
        writeRealField(row, 9, 4, k * pile.h);
        for (const double v : {nodeAt(plane.y, k), nodeAt(plane.M, k), nodeAt(plane.V, k),
                               nodeAt(plane.p, k), nodeAt(work.stress, k), nodeAt(plane.R, k)}) {
            writeBlanks(row, 1);
            writeRealField(row, 12, 4, v);
        }
        if (capacities) {
            writeBlanks(row, 1);
            writeRealField(row, 12, 4, nodeAt(work.bendingDC, k));
            writeBlanks(row, 2);
            writeRealField(row, 12, 4, nodeAt(work.shearDC, k));
        }
        row.text(" ");
        writeTo(files, row);
        for (NodalArray* a : {&plane.y, &plane.M, &plane.V, &plane.p})
            raiseTinyValue(nodeAt(*a, k));
    }
}

}  // namespace

// ---------------------------------------------------------------------------
// Stresses and capacities.

void computeSinglePlaneStresses(ModelStore& store, const LateralPile& pile, double Q,
                                bool withCapacity) {
    PileWork& work = store.pileWork;
    const PlaneWork& plane = work.planes[0];
    const double bendingRf = store.analysis.bendingRf;
    const double shearRf = store.analysis.shearRf;
    for (int k = 0; k <= pile.N; ++k) {
        const NodeSection s = nodeSection(store, pile, k);
        const double M = nodeAt(plane.M, k);
        nodeAt(work.stress, k) = bendingStress(M, s.DIAM, s.Iz) + axialStress(Q, s.AREA);
        nodeAt(work.bendingDC, k) = withCapacity ? demandCapacity(M, s.Mn, bendingRf) : 0.0;
        nodeAt(work.shearDC, k) =
            withCapacity ? demandCapacity(nodeAt(plane.V, k), s.Vn, shearRf) : 0.0;
    }
}

void computeBiaxialStresses(ModelStore& store, const LateralPile& pile, double Q) {
    PileWork& work = store.pileWork;
    const PlaneWork& xy = work.planes[0];
    const PlaneWork& xz = work.planes[1];
    const double bendingRf = store.analysis.bendingRf;
    const double shearRf = store.analysis.shearRf;
    for (int k = 0; k <= pile.N; ++k) {
        const NodeSection s = nodeSection(store, pile, k);
        // The x-y plane bends about z, the x-z plane about y.
        const double sy = bendingStress(nodeAt(xy.M, k), s.DIAM, s.Iz);
        const double sz = bendingStress(nodeAt(xz.M, k), s.DIAM, s.Iy);
        nodeAt(work.stress, k) = axialStress(Q, s.AREA) + std::sqrt(sy * sy + sz * sz);
        const double M =
            std::sqrt(nodeAt(xy.M, k) * nodeAt(xy.M, k) + nodeAt(xz.M, k) * nodeAt(xz.M, k));
        const double V =
            std::sqrt(nodeAt(xy.V, k) * nodeAt(xy.V, k) + nodeAt(xz.V, k) * nodeAt(xz.V, k));
        nodeAt(work.bendingDC, k) = demandCapacity(M, s.Mn, bendingRf);
        nodeAt(work.shearDC, k) = demandCapacity(V, s.Vn, shearRf);
    }
}

// ---------------------------------------------------------------------------
// Two-dimensional solver.

void printTwoDimensionalResults(ModelStore& store, const LateralPile& pile, double Q,
                                double headForce) {
    PileWork& work = store.pileWork;
    PileSolution& solution = store.pileSolution;
    PlaneWork& plane = work.planes[0];
    const PileGroupWork& group = store.work.groups[pile.pileGroup - 1];
    const Files f = filesOf(store);
    const Units u = unitsOf(store);
    const int level = store.analysis.control.printOption;
    const bool capacities = store.analysis.demandCapacityPrint == 1;
    const int g = pile.pileGroup;
    const int N = pile.N;

    // Head values in pile axes, and in the plane of the row through the
    // batter: displacements by the rotation of the pile, forces by the
    // matrix A of the two-dimensional force sum, about the cap origin.
    const double ua = solution.localHeadDisplacement[kForceX];
    const double y0 = nodeAt(plane.y, 0);
    const double slope0 = nodeAt(plane.slope, 0);
    const double M0 = nodeAt(plane.M, 0);
    const double stress0 = nodeAt(work.stress, 0);
    const double c = std::cos(group.batter);
    const double s = std::sin(group.batter);
    const double V = group.XHEAD;
    const double H = group.headY;
    const double forceV = c * Q - s * headForce;
    const double forceH = s * Q + c * headForce;
    const double momentCap = (s * V - c * H) * Q + (s * H + c * V) * headForce + M0;
    const std::array<double, 7> global{c * ua - s * y0, c * y0 + s * ua, slope0, forceV, forceH, M0,
                                       stress0};
    const std::array<double, 7> local{ua, y0, slope0, Q, headForce, M0, stress0};

    ReportLine line;
    if (level > 0) {
        line.slash().slash().X(7).text("* PILE GROUP *").I(g, 3);
        writeLine(f.report, line);
        line.clear();
        line.slash().slash().X(7).text("* PILE TOP DISPLACEMENTS AND REACTIONS *").slash();
        writeLine(f.report, line);
    }
    writeHeadRecords(f.resultsData, g, global, local);

    if (level > 0) {
        ReportLine heads;
        heads.X(8).text("XDISPL,").A(u.L2, 2).X(3).text("YDISPL,").A(u.L2, 2);
        heads.X(5).text("SLOPE").X(5).text("AXIAL,").A(u.F3, 3).X(4).text("LAT,").A(u.F3, 3);
        heads.X(4).text("BM,").A(u.F3, 3).A(kUnitTimes, 1).A(u.L2, 2);
        heads.X(3).text("STRESS,").A(u.F3, 3).A(kUnitPer, 1).A(u.L2, 2).A(kUnitPower, 2);
        heads.A(kUnitSquare, 1).slash();
        line.clear();
        line.slash().X(7).text(kGlobalTitle).slash().X(7).text(kTitleRule).slash();
        writeLine(f.report, line);
        writeLine(f.report, heads);
        writeHeadRow(f.report, global, 12, 4);
        line.clear();
        line.slash().slash().X(7).text(kLocalTitle).slash().X(7).text(kTitleRule).slash();
        writeLine(f.report, line);
        writeLine(f.report, heads);
        writeHeadRow(f.report, local, 12, 4);
    }
    solution.capSums2D[0] += forceV;
    solution.capSums2D[1] += forceH;
    solution.capSums2D[2] += momentCap;

    writePileTopRecords(f.pileData, g, global, local, 3);

    std::array<double, kHeadValues2D> head{};
    std::copy(global.begin(), global.end(), head.begin());
    std::copy(local.begin(), local.end(), head.begin() + 7);
    trackPileHeadEnvelope(store, g, head);

    // From here on every moment reads EI y'', the sign of the listings.
    negateMoments(plane, N);
    line.clear();
    line.X(7).text(kEffectsTitle);
    writeLine(f.resultsData, line);
    for (int k = 0; k <= N; ++k) {
        ReportLine row;
        writeBlanks(row, 5);
        writeRealField(row, 13, 8, k * pile.h);
        writeBlanks(row, 4);
        for (const double v : {nodeAt(plane.y, k), nodeAt(plane.M, k), nodeAt(plane.V, k),
                               nodeAt(plane.p, k), nodeAt(work.stress, k), nodeAt(plane.R, k)})
            writeRealField(row, 16, 8, v);
        if (capacities) {
            writeRealField(row, 16, 8, nodeAt(work.bendingDC, k));
            writeRealField(row, 16, 8, nodeAt(work.shearDC, k));
        }
        endLine(f.resultsData, row);
    }
    if (level > 1) writeSinglePlaneTable(store, pile, capacities, {f.report});
    writeIterationCount(store, g, false);

    AlongPileColumns columns;
    columns.count = kAlongPileQuantities2D;
    const std::array<const NodalArray*, kAlongPileQuantities2D> arrays{
        &plane.y,     &plane.M, &plane.V,        &plane.p,
        &work.stress, &plane.R, &work.bendingDC, &work.shearDC};
    for (std::size_t q = 0; q < arrays.size(); ++q)
        columns.columns[q] = nodesOf(*arrays[q], N);
    writePileExtremes(store, g, N + 1, pile.h, columns);
    trackAlongPileEnvelope(store, g, N + 1, columns);
}

// ---------------------------------------------------------------------------
// Resultant-plane solver.

void printResultantPlaneResults(ModelStore& store, const LateralPile& pile, double Q,
                                double torsion, double headForce) {
    PileWork& work = store.pileWork;
    const PileSolution& solution = store.pileSolution;
    const PlaneWork& plane = work.planes[0];
    const PileGroupWork& group = store.work.groups[pile.pileGroup - 1];
    const Files f = filesOf(store);
    const int level = store.analysis.control.printOption;
    const auto& c = solution.localHeadDisplacement;  // c1 .. c6 at c[0] .. c[5]
    const double yt = std::fabs(plane.yt);
    const double S = std::fabs(plane.S);
    const double M0 = nodeAt(plane.M, 0);
    const bool pinned = group.connectionY == kConnectionPinned;

    // The resultant force and moment resolved onto the pile's lateral axes by
    // the direction of the head displacement, or of the head rotation when
    // the head does not move.
    double latY = 0.0, latZ = 0.0, momY = 0.0, momZ = 0.0;
    if (yt >= kNoDirection) {
        latY = c[1] * headForce / yt;
        latZ = c[2] * headForce / yt;
    } else if (S >= kNoDirection && !pinned) {
        latY = c[5] * headForce / S;
        latZ = c[4] * headForce / S;
    }
    if (S < kNoDirection || pinned) {
        if (yt >= kNoDirection) {
            momY = 0.0 - c[2] * M0 / yt;
            momZ = c[1] * M0 / yt;
        }
    } else {
        momY = c[4] * M0 / S;
        momZ = c[5] * M0 / S;
    }
    const std::array<double, 6> localForces{Q, latY, latZ, torsion, momY, momZ};
    const std::array<double, 6> globalForces = sixToGlobal(solution.headRotation, localForces);
    const std::array<double, 6> globalDisplacements = sixToGlobal(solution.headRotation, c);
    const double stress0 = nodeAt(work.stress, 0);

    if (level > 0) {
        const auto block = [&](std::string_view title, std::span<const double> displacements,
                               std::span<const double> forces) {
            ReportLine line;
            line.slash().X(7).text(title).slash();
            writeTo({f.report, f.summary}, line);
            line.clear();
            writeBlanks(line, 3);
            for (std::string_view head :
                 {" VDISPL,", "HDISPLy,", "HDISPLz,", "ROT. V,", "ROT.Hy,", "ROT.Hz,"})
                columnHead(line, head, 10);
            writeTo({f.report, f.summary}, line);
            line.clear();
            writeBlanks(line, 3);
            for (const double v : displacements)
                line.E(v, 10, 3);
            writeTo({f.report, f.summary}, line);
            line.clear();
            writeBlanks(line, 3);
            for (std::string_view head :
                 {"AXIAL,", "LATy,", "LATz,", "MOMx,", "MOMy,", "MOMz,", "STRESS,"})
                columnHead(line, head, 10);
            writeTo({f.report, f.summary}, line);
            line.clear();
            writeBlanks(line, 3);
            for (const double v : forces)
                line.E(v, 10, 3);
            line.E(stress0, 10, 3);
            writeTo({f.report, f.summary}, line);
        };
        ReportLine line;
        line.slash().slash().X(7).text("* PILE GROUP *").I(pile.pileGroup, 3);
        line.slash().slash().X(7).text("* PILE TOP DISPLACEMENTS AND REACTIONS *");
        writeTo({f.report, f.summary}, line);
        block(kGlobalTitle, globalDisplacements, globalForces);
        block("THE PILE COORDINATE SYSTEM", c, localForces);
    }
    if (level > 1) writeSinglePlaneTable(store, pile, false, {f.report, f.summary});
    writeIterationCount(store, pile.pileGroup, true);
}

void writeResultantTrace(ModelStore& store, const LateralPile& pile) {
    const PileWork& work = store.pileWork;
    const PlaneWork& plane = work.planes[0];
    const Files f = filesOf(store);
    const double h2 = pile.h * pile.h;
    for (int k = 0; k <= pile.N; ++k) {
        const double y = nodeAt(plane.y, k);
        const double Es = nodeAt(work.Es, k);
        const double R = nodeAt(plane.R, k);
        const double M = -R * (nodeAt(plane.y, k - 1) - 2.0 * y + nodeAt(plane.y, k + 1)) / h2;
        ReportLine line;
        line.text("SRE  ").I(k + 4, 5);
        for (const double v : {k * pile.h, y, y - nodeAt(plane.previousY, k), Es, Es * y, R, M})
            line.E(v, 24, 16);
        writeTo({f.report, f.summary}, line);
    }
}

// ---------------------------------------------------------------------------
// Biaxial solver.

void printBiaxialResults(ModelStore& store, const LateralPile& pile, double Q, double torsion,
                         double Fy, double Fz, double Mxy, double Mxz) {
    PileWork& work = store.pileWork;
    const PileSolution& solution = store.pileSolution;
    PlaneWork& xy = work.planes[0];
    PlaneWork& xz = work.planes[1];
    const Files f = filesOf(store);
    const Units u = unitsOf(store);
    const int level = store.analysis.control.printOption;
    const bool capacities = store.analysis.demandCapacityPrint == 1;
    const int g = pile.pileGroup;
    const int N = pile.N;

    // The head force about the pile axes: the moment of the x-z plane turns
    // about -y, that of the x-y plane about +z.
    const std::array<double, 6> localForces{Q, Fy, Fz, torsion, 0.0 - Mxz, Mxy};
    const auto& localDisplacements = solution.localHeadDisplacement;
    const std::array<double, 6> globalForces = sixToGlobal(solution.headRotation, localForces);
    const std::array<double, 6> globalDisplacements =
        sixToGlobal(solution.headRotation, localDisplacements);
    const double stress0 = nodeAt(work.stress, 0);
    std::array<double, 13> globalRow{};
    std::array<double, 13> localRow{};
    for (std::size_t i = 0; i < 6; ++i) {
        globalRow[i] = globalDisplacements[i];
        globalRow[i + 6] = globalForces[i];
        localRow[i] = localDisplacements[i];
        localRow[i + 6] = localForces[i];
    }
    globalRow[12] = stress0;
    localRow[12] = stress0;

    ReportLine line;
    if (level > 0) {
        line.slash().slash().X(7).text("* PILE GROUP *").I(g, 6);
        writeLine(f.report, line);
        line.clear();
        line.slash().slash().X(8).text("* PILE TOP DISPLACEMENTS AND REACTIONS *").slash();
        writeLine(f.report, line);
    }
    writeHeadRecords(f.resultsData, g, globalRow, localRow);

    if (level > 0) {
        const std::string L2(u.L2);
        const std::string F3(u.F3);
        const std::string M = momentUnit(u);
        const auto heads = [&](std::initializer_list<std::string_view> displacementHeads,
                               std::initializer_list<std::string_view> forceHeads) {
            ReportLine h;
            writeBlanks(h, 3);
            int i = 0;
            for (std::string_view head : displacementHeads)
                columnHead(h, std::string(head) + (i++ < 3 ? L2 : std::string(kUnitRadian)), 12);
            i = 0;
            for (std::string_view head : forceHeads)
                columnHead(h, std::string(head) + (i++ < 3 ? F3 : M), 12);
            columnHead(h, "STR," + stressUnit(u), 12);
            return h;
        };
        line.clear();
        line.slash().X(7).text(kGlobalTitle).slash().X(7).text(kTitleRule);
        writeLine(f.report, line);
        writeLine(f.report,
                  heads({" DISP. X,", "DISP. Y,", "DISP. Z,", "ROT. X,", "ROT. Y,", "ROT. Z,"},
                        {" FOR. X,", "FOR. Y,", "FOR. Z,", "MOM X,", "MOM Y,", "MOM Z,"}));
        writeHeadRow(f.report, globalRow, 12, 4);
        line.clear();
        line.slash().slash().X(7).text(kLocalTitle).slash().X(7).text(kTitleRule);
        writeLine(f.report, line);
        writeLine(f.report,
                  heads({" DISP. x,", "DISP. y,", "DISP. z,", "ROT. x,", "ROT. y,", "ROT. z,"},
                        {"  AXIAL,", "LAT. y,", "LAT. z,", "MOM x,", "MOM y,", "MOM z,"}));
        writeHeadRow(f.report, localRow, 12, 4);
    }

    writePileTopRecords(f.pileData, g, globalRow, localRow, 6);
    std::array<double, kHeadValues3D> head{};
    std::copy(globalRow.begin(), globalRow.end(), head.begin());
    std::copy(localRow.begin(), localRow.end(), head.begin() + 13);
    trackPileHeadEnvelope(store, g, head);

    negateMoments(xy, N);
    negateMoments(xz, N);
    line.clear();
    line.X(8).text(kEffectsTitle);
    writeLine(f.resultsData, line);
    for (int k = 0; k <= N; ++k) {
        ReportLine row;
        writeBlanks(row, 5);
        writeRealField(row, 13, 8, k * pile.h);
        writeBlanks(row, 4);
        for (const double v : {nodeAt(xy.y, k), nodeAt(xz.y, k), nodeAt(xy.M, k), nodeAt(xz.M, k),
                               nodeAt(xy.V, k), nodeAt(xz.V, k), nodeAt(xy.p, k), nodeAt(xz.p, k),
                               nodeAt(work.stress, k), nodeAt(xy.R, k), nodeAt(xz.R, k)})
            writeRealField(row, 16, 8, v);
        if (capacities) {
            writeRealField(row, 16, 8, nodeAt(work.bendingDC, k));
            writeRealField(row, 16, 8, nodeAt(work.shearDC, k));
        }
        endLine(f.resultsData, row);
    }

    if (level > 1) {
        constexpr std::string_view yz = "   y-DIR       z-DIR  ";
        constexpr std::string_view zy = "   z-DIR       y-DIR  ";
        line.clear();
        line.slash().slash().X(8).text(kEffectsTitle).slash();
        writeLine(f.report, line);
        line.clear();
        line.X(10);
        for (std::string_view title :
             {"DEFLECTION", "BENDING MOMENT", "SHEAR FORCE", "SOIL REACTION"})
            centred(line, title, 24);
        centred(line, "TOTAL", 12);
        centred(line, "FLEXURAL RIGIDITY", 24);
        if (capacities) centred(line, "DEMAND/CAPACITY", 24);
        writeLine(f.report, line);
        line.clear();
        line.A("X", 10);
        for (std::string_view sub : {yz, zy, yz, yz})
            line.X(2).text(sub);
        centred(line, "STRESS", 12);
        line.X(2).text(zy);
        if (capacities) line.X(2).text("  BENDING      SHEAR  ");
        writeLine(f.report, line);

        const int step = std::max(1, std::min(store.analysis.control.nodeStep, N));
        for (int k = 0; k <= N; k += step) {
            ReportLine row;
            writeBlanks(row, 1);
            writeRealField(row, 9, 4, k * pile.h);
            for (const double v :
                 {nodeAt(xy.y, k), nodeAt(xz.y, k), nodeAt(xy.M, k), nodeAt(xz.M, k),
                  nodeAt(xy.V, k), nodeAt(xz.V, k), nodeAt(xy.p, k), nodeAt(xz.p, k),
                  nodeAt(work.stress, k), nodeAt(xy.R, k), nodeAt(xz.R, k)})
                writeRealField(row, 12, 4, v);
            if (capacities) {
                writeRealField(row, 12, 4, nodeAt(work.bendingDC, k));
                writeRealField(row, 12, 4, nodeAt(work.shearDC, k));
            }
            endLine(f.report, row);
            for (PlaneWork* plane : {&xy, &xz})
                for (NodalArray* a : {&plane->y, &plane->M, &plane->V, &plane->p})
                    raiseTinyValue(nodeAt(*a, k));
        }
    }
    writeIterationCount(store, g, false);

    AlongPileColumns columns;
    columns.count = kAlongPileQuantities3D;
    const std::array<const NodalArray*, kAlongPileQuantities3D> arrays{
        &xy.y, &xz.y,        &xy.M, &xz.M, &xy.V,           &xz.V,        &xy.p,
        &xz.p, &work.stress, &xy.R, &xz.R, &work.bendingDC, &work.shearDC};
    for (std::size_t q = 0; q < arrays.size(); ++q)
        columns.columns[q] = nodesOf(*arrays[q], N);
    writePileExtremes(store, g, N + 1, pile.h, columns);
    trackAlongPileEnvelope(store, g, N + 1, columns);
}

}  // namespace pylora
