// SPDX-License-Identifier: Apache-2.0
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
#include "pile/pile_printing.h"
#include "pile/result_rows.h"
#include "store/constants.h"
#include "store/file_handle.h"

namespace pylora {

namespace {

// Below this a head displacement or rotation cannot give the direction in
// which the resultant-plane forces act.
const double kNoDirection = f32(1.0E-14F);

constexpr std::string_view kEffectsTitle = "* EFFECTS FOR LATERALLY LOADED PILE *   ";
constexpr std::string_view kGlobalTitle = "THE GLOBAL STRUCTURAL COORDINATE SYSTEM";

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

void writeIterationCount(ModelStore& store, const PileScratch& scratch, int pileGroup,
                         bool toSummary) {
    const Files f = filesOf(store);
    ReportLine line;
    line.slash().X(5).text("NUMBER OF ITERATIONS IN LLP = ").I(scratch.work.iterationCount, 5);
    writeLine(f.report, line);
    if (toSummary) {
        writeLine(f.summary, line);
        return;
    }
    line.clear();
    line.X(5).text("NUMBER OF ITERATIONS IN LLP = ").I(scratch.work.iterationCount, 4);
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

// The columns of the single-plane along-pile table (nodes 0 .. N).
std::array<std::span<const double>, kAlongPileQuantities2D> singlePlaneColumns(const PileWork& work,
                                                                               int N) {
    const PlaneWork& plane = work.planes[0];
    return {nodesOf(plane.y, N),        nodesOf(plane.M, N),     nodesOf(plane.V, N),
            nodesOf(plane.p, N),        nodesOf(work.stress, N), nodesOf(plane.R, N),
            nodesOf(work.bendingDC, N), nodesOf(work.shearDC, N)};
}

// The columns of the biaxial along-pile table (nodes 0 .. N).
std::array<std::span<const double>, kAlongPileQuantities3D> biaxialColumns(const PileWork& work,
                                                                           int N) {
    const PlaneWork& xy = work.planes[0];
    const PlaneWork& xz = work.planes[1];
    return {nodesOf(xy.y, N),        nodesOf(xz.y, N), nodesOf(xy.M, N), nodesOf(xz.M, N),
            nodesOf(xy.V, N),        nodesOf(xz.V, N), nodesOf(xy.p, N), nodesOf(xz.p, N),
            nodesOf(work.stress, N), nodesOf(xy.R, N), nodesOf(xz.R, N), nodesOf(work.bendingDC, N),
            nodesOf(work.shearDC, N)};
}

// After a printed table the deflection, moment, shear and soil reaction of
// each printed node are raised to 1.0E-14 where smaller, in every plane.
// This comes after the extremes and the envelope trackers have read the
// arrays: they take the values of the listings, so that the envelope of a
// single case equals that case whatever nodes its report printed.
void raiseTinyPrintedValues(PileWork& work, int planeCount, int N, int nodeStep) {
    const int step = tableNodeStep(nodeStep, N);
    for (int k = 0; k <= N; k += step)
        for (int i = 0; i < planeCount; ++i) {
            PlaneWork& plane = work.planes[static_cast<std::size_t>(i)];
            for (NodalArray* a : {&plane.y, &plane.M, &plane.V, &plane.p})
                raiseTinyValue(nodeAt(*a, k));
        }
}

// The single-plane along-pile table of the report (two-dimensional and
// resultant-plane solvers) at every node step of the analysis.
void writeSinglePlaneTable(ModelStore& store, const PileScratch& scratch, const LateralPile& pile,
                           bool capacities, std::initializer_list<std::FILE*> files) {
    const auto columns = singlePlaneColumns(scratch.work, pile.N);
    const int nodeStep = store.analysis.control.nodeStep;
    writeSinglePlaneTable(store, files, columns, pile.N, pile.h, nodeStep, capacities);
}

}  // namespace

// ---------------------------------------------------------------------------
// Stresses and capacities.

void computeSinglePlaneStresses(const ModelStore& store, PileScratch& scratch,
                                const LateralPile& pile, double Q, bool withCapacity) {
    PileWork& work = scratch.work;
    const PlaneWork& plane = work.planes[0];
    const double bendingRf = store.analysis.bendingRf;
    const double shearRf = store.analysis.shearRf;
    for (int k = 0; k <= pile.N; ++k) {
        const NodeSection s = nodeSection(store, scratch, pile, k);
        const double M = nodeAt(plane.M, k);
        nodeAt(work.stress, k) = bendingStress(M, s.DIAM, s.Iz) + axialStress(Q, s.AREA);
        nodeAt(work.bendingDC, k) = withCapacity ? demandCapacity(M, s.Mn, bendingRf) : 0.0;
        nodeAt(work.shearDC, k) =
            withCapacity ? demandCapacity(nodeAt(plane.V, k), s.Vn, shearRf) : 0.0;
    }
}

void computeBiaxialStresses(const ModelStore& store, PileScratch& scratch, const LateralPile& pile,
                            double Q) {
    PileWork& work = scratch.work;
    const PlaneWork& xy = work.planes[0];
    const PlaneWork& xz = work.planes[1];
    const double bendingRf = store.analysis.bendingRf;
    const double shearRf = store.analysis.shearRf;
    for (int k = 0; k <= pile.N; ++k) {
        const NodeSection s = nodeSection(store, scratch, pile, k);
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

void printTwoDimensionalResults(ModelStore& store, PileScratch& scratch, const LateralPile& pile,
                                double Q, double headForce) {
    PileWork& work = scratch.work;
    PileSolution& solution = store.pileSolution;
    PlaneWork& plane = work.planes[0];
    const PileGroupWork& group = store.work.groups[pile.pileGroup - 1];
    const Files f = filesOf(store);
    const int level = store.analysis.control.printOption;
    const bool capacities = store.analysis.demandCapacityPrint == 1;
    const int g = pile.pileGroup;
    const int N = pile.N;

    // Head values in pile axes, and in the plane of the row through the
    // batter: displacements by the rotation of the pile, forces by the
    // matrix A of the two-dimensional force sum, about the cap origin.
    const double ua = scratch.head.localHeadDisplacement[kForceX];
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

    if (level > 0) writeReportHeadBlocks2D(store, f.report, global, local);
    solution.capSums2D[0] += forceV;
    solution.capSums2D[1] += forceH;
    solution.capSums2D[2] += momentCap;

    writePileTopRecords(f.pileData, g, global, local, 3, PileDataField::general12);

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
    if (level > 1) writeSinglePlaneTable(store, scratch, pile, capacities, {f.report});
    writeIterationCount(store, scratch, g, false);

    if (store.resultsCollector) store.resultsCollector->pileSolved(store, g, global, local);

    AlongPileColumns columns;
    columns.count = kAlongPileQuantities2D;
    const auto arrays = singlePlaneColumns(work, N);
    std::copy(arrays.begin(), arrays.end(), columns.columns.begin());
    writePileExtremes(store, g, N + 1, pile.h, columns);
    trackAlongPileEnvelope(store, g, N + 1, columns);
    if (level > 1) raiseTinyPrintedValues(work, 1, N, store.analysis.control.nodeStep);
}

// ---------------------------------------------------------------------------
// Resultant-plane solver.

void printResultantPlaneResults(ModelStore& store, PileScratch& scratch, const LateralPile& pile,
                                double Q, double torsion, double headForce) {
    PileWork& work = scratch.work;
    const PileHeadResults& solution = scratch.head;
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
                appendColumnHead(line, head, 10);
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
                appendColumnHead(line, head, 10);
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
    if (level > 1) {
        writeSinglePlaneTable(store, scratch, pile, false, {f.report, f.summary});
        raiseTinyPrintedValues(work, 1, pile.N, store.analysis.control.nodeStep);
    }
    writeIterationCount(store, scratch, pile.pileGroup, true);
}

void writeResultantTrace(ModelStore& store, const PileScratch& scratch, const LateralPile& pile) {
    const PileWork& work = scratch.work;
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

namespace {

// The rows of the along-pile listing of a biaxial solution in the results
// data file, each ended: x, then per plane the deflection, moment, shear and
// soil reaction, the total stress, the rigidities and, with capacities, the
// demand/capacity ratios. The listing turns the moments' sign; with
// negateMoments false they are turned already.
void appendBiaxialRows(std::string& out, const PileWork& work, const LateralPile& pile,
                       bool capacities, bool negateMoments) {
    const PlaneWork& xy = work.planes[0];
    const PlaneWork& xz = work.planes[1];
    ReportLine row;
    for (int k = 0; k <= pile.N; ++k) {
        const double Mxy = negateMoments ? -nodeAt(xy.M, k) : nodeAt(xy.M, k);
        const double Mxz = negateMoments ? -nodeAt(xz.M, k) : nodeAt(xz.M, k);
        writeBlanks(row, 5);
        writeRealField(row, 13, 8, k * pile.h);
        writeBlanks(row, 4);
        for (const double v : {nodeAt(xy.y, k), nodeAt(xz.y, k), Mxy, Mxz, nodeAt(xy.V, k),
                               nodeAt(xz.V, k), nodeAt(xy.p, k), nodeAt(xz.p, k),
                               nodeAt(work.stress, k), nodeAt(xy.R, k), nodeAt(xz.R, k)})
            writeRealField(row, 16, 8, v);
        if (capacities) {
            writeRealField(row, 16, 8, nodeAt(work.bendingDC, k));
            writeRealField(row, 16, 8, nodeAt(work.shearDC, k));
        }
        row.text(" ");
        out.append(row.str());
        out.push_back('\n');
        row.clear();
    }
}

}  // namespace

void printBiaxialResults(ModelStore& store, PileScratch& scratch, const LateralPile& pile, double Q,
                         double torsion, double Fy, double Fz, double Mxy, double Mxz) {
    PileWork& work = scratch.work;
    const PileHeadResults& solution = scratch.head;
    PlaneWork& xy = work.planes[0];
    PlaneWork& xz = work.planes[1];
    const Files f = filesOf(store);
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

    if (level > 0) writeReportHeadBlocks3D(store, f.report, globalRow, localRow);

    writePileTopRecords(f.pileData, g, globalRow, localRow, 6, PileDataField::general12);
    std::array<double, kHeadValues3D> head{};
    std::copy(globalRow.begin(), globalRow.end(), head.begin());
    std::copy(localRow.begin(), localRow.end(), head.begin() + 13);
    trackPileHeadEnvelope(store, g, head);

    negateMoments(xy, N);
    negateMoments(xz, N);
    line.clear();
    line.X(8).text(kEffectsTitle);
    writeLine(f.resultsData, line);
    if (scratch.preparedRowsGroup != g) {
        scratch.preparedRows.clear();
        appendBiaxialRows(scratch.preparedRows, work, pile, capacities, false);
    }
    if (f.resultsData) writeText(f.resultsData, scratch.preparedRows);
    scratch.preparedRowsGroup = 0;

    if (level > 1)
        writeBiaxialTable(f.report, biaxialColumns(work, N), N, pile.h,
                          store.analysis.control.nodeStep, capacities);
    writeIterationCount(store, scratch, g, false);

    if (store.resultsCollector) store.resultsCollector->pileSolved(store, g, globalRow, localRow);

    AlongPileColumns columns;
    columns.count = kAlongPileQuantities3D;
    const auto arrays = biaxialColumns(work, N);
    std::copy(arrays.begin(), arrays.end(), columns.columns.begin());
    writePileExtremes(store, g, N + 1, pile.h, columns);
    trackAlongPileEnvelope(store, g, N + 1, columns);
    if (level > 1) raiseTinyPrintedValues(work, 2, N, store.analysis.control.nodeStep);
}

// ---------------------------------------------------------------------------
// A solution printed after the fact.

void printLateralSolution(ModelStore& store, PileScratch& scratch, int pileGroup) {
    const PileHeadResults& head = scratch.head;
    if (head.solvedBy == kSolvedNone || scratch.work.pileGroup != pileGroup) return;
    LateralPile pile;
    describeLateralPile(store, pileGroup, pile);
    pile.printing = true;
    // The axial force of the solution, at every node alike.
    const double Q = nodeAt(scratch.work.Q, 0);
    switch (head.solvedBy) {
        case kSolvedBiaxial:
            // Prepared ahead, the stresses came with the rows.
            if (scratch.preparedRowsGroup != pileGroup)
                computeBiaxialStresses(store, scratch, pile, Q);
            printBiaxialResults(store, scratch, pile, Q, head.solvedTorsion, head.headForceY,
                                head.headForceZ, head.headMomentXY, head.headMomentXZ);
            break;
        case kSolvedTwoDimensional:
            computeSinglePlaneStresses(store, scratch, pile, Q, true);
            printTwoDimensionalResults(store, scratch, pile, Q, head.headForceY);
            break;
        default:
            computeSinglePlaneStresses(store, scratch, pile, Q, false);
            printResultantPlaneResults(store, scratch, pile, Q, head.solvedTorsion,
                                       head.headForceY);
            break;
    }
    scratch.preparedRowsGroup = 0;
}

void prepareLateralPrinting(const ModelStore& store, PileScratch& scratch, int pileGroup) {
    scratch.preparedRowsGroup = 0;
    if (scratch.head.solvedBy != kSolvedBiaxial || scratch.work.pileGroup != pileGroup) return;
    LateralPile pile;
    describeLateralPile(store, pileGroup, pile);
    pile.printing = true;
    // The stresses as the printing would compute them; it takes these.
    computeBiaxialStresses(store, scratch, pile, nodeAt(scratch.work.Q, 0));
    scratch.preparedRows.clear();
    appendBiaxialRows(scratch.preparedRows, scratch.work, pile,
                      store.analysis.demandCapacityPrint == 1, true);
    scratch.preparedRowsGroup = pileGroup;
}

}  // namespace pylora
