// SPDX-License-Identifier: Apache-2.0
#include "pile/lateral_common.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "format/format.h"
#include "pile/beam_column.h"
#include "pile/pile_status.h"
#include "soil/py_criteria.h"
#include "soil/py_evaluation.h"
#include "soil/soil_profile.h"
#include "store/constants.h"
#include "store/file_handle.h"
#include "store/run_messages.h"

namespace pylora {

namespace {

// Capacities at or below this are treated as absent.
const double kNoCapacity = f32(1.0E-14F);
// Printed magnitudes below this are raised to it in the result arrays.
const double kTinyMagnitude = f32(1.0E-14F);

}  // namespace

bool usesWholePileCurves(const ModelStore& store, int pileGroup) {
    if (store.control.userPyCurvesOption != 1) return false;
    if (pileGroup < 1 || pileGroup > kMaxPileGroups) return false;
    return store.work.groups[pileGroup - 1].pySetNo > 0;
}

void describeLateralPile(const ModelStore& store, int pileGroup, LateralPile& pile) {
    const PileGroupWork& group = store.work.groups[pileGroup - 1];
    const PropertyWork& property = store.work.properties[group.IPROP - 1];
    const CurrentAnalysis::ControlBlock& control = store.analysis.control;
    pile = LateralPile{};
    pile.pileGroup = pileGroup;
    pile.IPROP = group.IPROP;
    pile.N = property.increments;
    pile.h = property.LENGTH / property.increments;
    pile.XHEAD = group.XHEAD;
    pile.wholePileCurves = usesWholePileCurves(store, pileGroup);
    // Convergence needs a solve to compare with: never fewer than two.
    pile.maxSolves = std::max(control.maxPileIterations, 2);
    pile.tolerance = control.deflectionTolerance;
    pile.nonlinearBending = store.control.userMomentCurvatureOption == 1;
}

bool prepareLateralPile(const ModelStore& store, PileScratch& scratch, int pileGroup,
                        std::span<const double> headValues, LateralPile& pile, int& status) {
    const auto refuse = [&](std::string_view reason) {
        writePileFatal(scratch, pileGroup, reason);
        status = kStatusPileBadInput;
        return false;
    };
    if (pileGroup < 1 || pileGroup > kMaxPileGroups) return refuse("NO SUCH PILE GROUP");
    const PileGroupWork& group = store.work.groups[pileGroup - 1];
    if (group.IPROP < 1 || group.IPROP > kMaxPileProperties)
        return refuse("THE PILE GROUP HAS NO PILE PROPERTY");
    const PropertyWork& property = store.work.properties[group.IPROP - 1];
    if (property.increments < 1 || property.increments > kMaxIncrements)
        return refuse("THE NUMBER OF INCREMENTS IS NOT 1 TO 100");
    if (!(property.LENGTH > 0.0) || !std::isfinite(property.LENGTH))
        return refuse("THE PILE LENGTH IS NOT POSITIVE");
    if (!std::isfinite(group.XHEAD)) return refuse("THE PILE HEAD POSITION IS NOT A NUMBER");
    for (const double v : headValues)
        if (!std::isfinite(v)) return refuse("A PILE-HEAD DISPLACEMENT OR FORCE IS NOT A NUMBER");

    describeLateralPile(store, pileGroup, pile);
    pile.printing = store.pileSolution.finalPassFlag == 1 && scratch.owner != nullptr;
    scratch.head.solvedBy = kSolvedNone;

    LateralPyState& py = scratch.py;
    py.currentPileGroup = pileGroup;
    py.NNODE = pile.N + 1;
    py.pileFailureFlag = 0;
    PileWork& work = scratch.work;
    work.pileGroup = pileGroup;
    work.N = pile.N;
    work.h = pile.h;
    work.iterationCount = 1;
    work.Es.fill(0.0);
    work.Q.fill(0.0);
    work.stress.fill(0.0);
    work.bendingDC.fill(0.0);
    work.shearDC.fill(0.0);
    return true;
}

void resetPlane(PlaneWork& plane, int connection, double spring, double yt, double S) {
    for (NodalArray* a : {&plane.y, &plane.previousY, &plane.R, &plane.w, &plane.A, &plane.B,
                          &plane.C, &plane.slope, &plane.M, &plane.V, &plane.p, &plane.curvature})
        a->fill(0.0);
    plane.connection = connection;
    plane.spring = spring;
    plane.yt = yt;
    plane.S = S;
}

bool fillLinearRigidity(const ModelStore& store, PileScratch& scratch, const LateralPile& pile,
                        PlaneWork& plane, BendingPlane bending, int& status) {
    for (int k = 0; k <= pile.N; ++k) {
        const double EI =
            sectionProperty(store, scratch, pile.IPROP, pile.XHEAD + k * pile.h, bending);
        if (!(EI > 0.0) || !std::isfinite(EI)) {
            writePileFatal(scratch, pile.pileGroup, "THE FLEXURAL RIGIDITY IS NOT POSITIVE");
            status = kStatusPileBadInput;
            return false;
        }
        nodeAt(plane.R, k) = EI;
    }
    nodeAt(plane.R, -1) = nodeAt(plane.R, 0);
    nodeAt(plane.R, pile.N + 1) = nodeAt(plane.R, pile.N);
    nodeAt(plane.R, pile.N + 2) = nodeAt(plane.R, pile.N);
    return true;
}

double linearStartingModulus(const ModelStore& store, const PileScratch& scratch,
                             const LateralPile& pile, int k) {
    const SoilLayerTable& layers = store.soilLayers;
    if (layers.NLAYER < 1) return 0.0;
    const double X = scratch.py.nodeX[static_cast<std::size_t>(k)];
    if (X < layers.rows[0].topX) return 0.0;
    const double groundBelowHead = store.work.groups[pile.pileGroup - 1].groundBelowHead;
    const double depth = X - pile.XHEAD - groundBelowHead;
    if (!(depth > 0.0)) return 0.0;
    return depth * subgradeModulusForSolver(store, X);
}

void fillAxialForce(PileWork& work, int N, double Q) {
    for (int k = -1; k <= N + 2; ++k)
        nodeAt(work.Q, k) = Q;
}

bool evaluateModuli(const ModelStore& store, PileScratch& scratch, const LateralPile& pile,
                    int& status) {
    LateralPyState& py = scratch.py;
    if (pile.wholePileCurves) {
        userPileCurves(store, scratch, pile.pileGroup, status);
    } else {
        generatePyModuli(store, scratch, pile.IPROP, status);
    }
    if (status != 0) return false;
    if (py.pileFailureFlag != 0) {
        // The curves end above the tip: no iteration can close.
        scratch.capAbortFlag = 1;
        return false;
    }
    std::copy_n(py.pyModulus.begin(), pile.N + 1, scratch.work.Es.begin() + kNodeOffset);
    return true;
}

void writePileFatal(PileScratch& scratch, int pileGroup, std::string_view reason) {
    ReportLine line;
    line.slash().slash().X(5).text("**** FATAL ERROR ****");
    line.slash().X(5).text(reason).X(2).text("PILE GROUP").I(pileGroup, 5);
    raisePileMessage(scratch, kToReport | kToRuntime, line.str());
}

void failNotFinite(PileScratch& scratch, int pileGroup, int& status) {
    writePileFatal(scratch, pileGroup, "THE LATERAL PILE SOLUTION IS NOT A FINITE NUMBER");
    status = kStatusPileNotFinite;
}

void writeNoClosure(PileScratch& scratch, int maxSolves, int pileGroup) {
    ReportLine line;
    line.slash().slash().X(5).text("** WARNING **  ").text("NO CLOSURE OF A LLP AFTER ");
    line.I(maxSolves, 5).X(2).text("ITERATIONS").X(10).text("PILE GROUP").I(pileGroup, 5);
    raisePileMessage(scratch, kToReport | kToRuntime | kToCollector, line.str());
}

NodeSection nodeSection(const ModelStore& store, const PileScratch& scratch,
                        const LateralPile& pile, int k) {
    const double X = pile.XHEAD + k * pile.h;
    NodeSection s;
    s.DIAM = pileDiameterAt(store, scratch, pile.IPROP, X);
    s.AREA = sectionPropertyAt(store, scratch, pile.IPROP, X, SectionField::area);
    s.Iz = sectionPropertyAt(store, scratch, pile.IPROP, X, SectionField::Iz);
    s.Iy = sectionPropertyAt(store, scratch, pile.IPROP, X, SectionField::Iy);
    s.Mn = sectionPropertyAt(store, scratch, pile.IPROP, X, SectionField::Mn);
    s.Vn = sectionPropertyAt(store, scratch, pile.IPROP, X, SectionField::Vn);
    return s;
}

double bendingStress(double M, double DIAM, double I) {
    return I > 0.0 ? std::fabs(M) * DIAM / (2.0 * I) : 0.0;
}

double axialStress(double Q, double AREA) {
    return AREA > 0.0 ? std::fabs(Q) / AREA : 0.0;
}

double demandCapacity(double demand, double capacity, double resistanceFactor) {
    if (!(capacity > kNoCapacity) || !(resistanceFactor > 0.0)) return 0.0;
    return std::fabs(demand) / capacity / resistanceFactor;
}

void raiseTinyValue(double& v) {
    if (std::fabs(v) < kTinyMagnitude) v = kTinyMagnitude;
}

}  // namespace pylora
