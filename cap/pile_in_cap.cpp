// SPDX-License-Identifier: Apache-2.0
#include "cap/pile_in_cap.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>

#include "axial/pile_head_response.h"
#include "pile/biaxial_solver.h"
#include "pile/lateral_common.h"
#include "pile/limit_states.h"
#include "pile/pile_printing.h"
#include "pile/single_plane_solver.h"
#include "soil/py_criteria.h"
#include "soil/py_evaluation.h"
#include "store/constants.h"
#include "store/pile_workers.h"
#include "store/run_messages.h"

namespace pylora {

namespace {

constexpr int kN = kCapComponents;

double& at(CapMatrix& m, int i, int j) {
    return m[static_cast<std::size_t>(i + kN * j)];
}

int groupCount(const ModelStore& store) {
    return std::clamp(store.arrangement.pileGroupCount, 0, kMaxPileGroups);
}

const PileGroupWork& groupOf(const ModelStore& store, int g) {
    return store.work.groups[static_cast<std::size_t>(g - 1)];
}

// The perturbations of the central differences: a translation of 1.0E-7 in
// (expressed in metres, 2.54E-9, in the metric system) and a rotation of
// 1.0E-9 radian, the translation over a lever of about a hundred inches.
// The pile forces come out of an iterative finite-difference solution whose
// rounding is some 1.0E-12 of the forces; a rotation of 1.0E-13 radian
// changes them by less than that, and the rotational columns of the tangent
// then err by up to a fifth. From 1.0E-10 to 1.0E-5 radian the differences
// agree to six digits.
CapVector perturbations(const ModelStore& store) {
    const double translation = store.control.unitsSystem == 2 ? f32(2.54E-9F) : f32(1.0E-7F);
    const double rotation = f32(1.0E-9F);
    return {translation, translation, translation, rotation, rotation, rotation};
}

// Central differences of a response at a point x in the degrees of freedom
// dofs (0-based, ascending): every positive perturbation in DOF order, then
// every negative one, each removed exactly after its evaluation. evaluate(x,
// F, status) fills F at x. The entries outside the rows and columns of dofs
// stay 0; K is all zero when an evaluation sets status.
template <typename Evaluate>
void centralDifferences(const CapVector& increments, CapVector& x, CapMatrix& K, int& status,
                        std::span<const int> dofs, Evaluate evaluate) {
    K.fill(0.0);
    std::array<CapVector, kN> plus{};
    std::array<CapVector, kN> minus{};
    for (int pass = 0; pass < 2; ++pass) {
        for (const int j : dofs) {
            const double kept = x[j];
            x[j] = pass == 0 ? kept + increments[j] : kept - increments[j];
            evaluate(x, pass == 0 ? plus[j] : minus[j], status);
            x[j] = kept;
            if (status != 0) {
                K.fill(0.0);
                return;
            }
        }
    }
    for (const int j : dofs)
        for (const int i : dofs)
            at(K, i, j) = f32(0.5F) * (plus[j][i] - minus[j][i]) / increments[j];
}

constexpr int kAllDofs[] = {0, 1, 2, 3, 4, 5};
// The plane model reached through the plate solution: vertical, horizontal
// and the rotation in the plane (about Z).
constexpr int kPlaneDofs[] = {kForceX, kForceY, kMomentZ};

bool planeModel(const ModelStore& store) {
    return store.control.analysisType == 2;
}

// analysePile of the two-dimensional model: the head displacement (vertical,
// horizontal, rotation) in components X, Y and rotation Z of uHead turned
// into pile axes by the batter b, ua = cos b uX + sin b uY along the pile and
// y = -sin b uX + cos b uY across it, as in sumPileForces2D; the
// single-plane solver gives the head force H and moment M(0), and the local
// force n (Q, H, M(0)) is turned back into components X, Y and rotation Z.
void analysePilePlane(const ModelStore& store, PileScratch& scratch, int g, const CapVector& uHead,
                      CapVector& forces, int& status) {
    const PileGroupWork& group = groupOf(store, g);
    const double cb = std::cos(group.batter);
    const double sb = std::sin(group.batter);
    const double ua = cb * uHead[kForceX] + sb * uHead[kForceY];
    const double y = cb * uHead[kForceY] - sb * uHead[kForceX];
    const double theta = uHead[kMomentZ];
    scratch.head.localHeadDisplacement = {ua, y, 0.0, 0.0, 0.0, theta};

    const double Q = axialHeadForce(store, scratch, g, ua) * group.axialForceFactor;
    scratch.axialForce = Q;
    discretisePile(store, scratch, g, status);
    if (status != 0) return;
    double headForce = 0.0;
    scratch.head.headMomentXY = 0.0;
    solveSinglePlanePile(store, scratch, g, y, theta, Q, headForce, status);
    if (status != 0) return;
    const double n = group.pileCount;
    const double M0 = scratch.head.headMomentXY;
    scratch.localForces = {n * Q, n * headForce, 0.0, 0.0, 0.0, n * M0};
    forces[kForceX] = cb * (n * Q) - sb * (n * headForce);
    forces[kForceY] = sb * (n * Q) + cb * (n * headForce);
    forces[kMomentZ] = n * M0;
    scratch.globalForces = forces;
}

// ---------------------------------------------------------------------------
// The passes over the pile groups.

// What the p-y evaluations of one pile group pass on to the next pile group:
// the small-deflection threshold when a rock or liquefied layer (or the reset
// of silt and vuggy limestone) wrote it, and the resistance of every layer
// the pile has nodes in. Neither depends on the deflections, only on the
// pile, the layers it reaches, KPYOP and the loading of the analysis; the
// other layers keep what the groups before left.
using PyCarry = PileWorkers::PyCarry;

// The part of the p-y state that one pile group's analysis starts from.
struct PyCarried {
    double YMIN = 0.0;
    std::array<double, kMaxSoilLayers> PULT{};
};

PyCarry carryOf(const LateralPyState& py) {
    return {py.ymimWritten, py.YMIN, py.pultWritten, py.PULT};
}

void passOn(const PyCarry& carry, PyCarried& state) {
    if (carry.ymimWritten != 0) state.YMIN = carry.YMIN;
    for (std::size_t L = 0; L < state.PULT.size(); ++L)
        if (carry.pultWritten[L] != 0) state.PULT[L] = carry.PULT[L];
}

PyCarried carriedOf(const LateralPyState& py) {
    return {py.YMIN, py.PULT};
}

void setCarried(LateralPyState& py, const PyCarried& state) {
    py.YMIN = state.YMIN;
    py.PULT = state.PULT;
}

// Finds what each pile group passes on, by one p-y evaluation per group at
// zero deflection in pile-group order, each starting from what the groups
// before passed on: the same state in which an analysis in order meets every
// group, so that the equivalent depths the evaluations compute there (once
// per group and layer) are those of an analysis in order; they are kept in
// the store. For a pass whose first pass left no carries: a printing pass
// that comes first, or a first pass in which a group generated no moduli.
// Messages of these evaluations are dropped: the analyses raise them again.
// A group that cannot be discretised or evaluated passes on nothing; its
// analysis will stop the run.
void findPyCarries(ModelStore& store, PileWorkers& workers, int count) {
    workers.carries.assign(static_cast<std::size_t>(count), PyCarry{});
    workers.carriesReady = true;
    PileScratch& s = workers.scratch(0);
    PyCarried state = carriedOf(store.pileScratch.py);
    for (int g = 1; g <= count; ++g) {
        setCarried(s.py, state);
        s.py.ymimWritten = 0;
        s.py.pultWritten.fill(0);
        s.py.currentPileGroup = g;
        s.py.XEQ = store.pyRun.XEQ[static_cast<std::size_t>(g - 1)];
        int status = 0;
        discretisePile(store, s, g, status);
        if (status == 0) {
            s.py.pyDeflection.fill(0.0);
            if (usesWholePileCurves(store, g))
                userPileCurves(store, s, g, status);
            else
                generatePyModuli(store, s, groupOf(store, g).IPROP, status);
        }
        s.messages.clear();
        if (status != 0) break;
        PyCarry& carry = workers.carries[static_cast<std::size_t>(g - 1)];
        carry = carryOf(s.py);
        store.pyRun.XEQ[static_cast<std::size_t>(g - 1)] = s.py.XEQ;
        passOn(carry, state);
    }
}

// What one pile group's task of a pass on the worker threads leaves for the
// gathering, besides what the task keeps itself.
struct PileGroupOutcome {
    int status = 0;
    int capAbortFlag = 0;
    int pullOutWarningCount = 0;
    int bearingWarningCount = 0;
    int torsionWarningCount = 0;
    long long lateralSolutions = 0;
    long long lateralIterations = 0;
    std::vector<PileMessage> messages;
    std::array<double, kMaxSoilLayers> XEQ{};
    int capPassiveWritten = 0;
    double capPassiveResistance = 0.0;
    // What the group's evaluations wrote of the p-y state that passes on,
    // whether they generated moduli at all, and whether an equivalent depth
    // read what the groups before left.
    PyCarry carry;
    bool modulusEvaluated = false;
    bool carriedPultRead = false;
};

// A worker's scratch space made ready for pile group g: the p-y state the
// groups before pass on, the group's equivalent depths, and nothing raised.
void beginTask(const ModelStore& store, PileScratch& s, int g, const PyCarried& carried) {
    setCarried(s.py, carried);
    s.py.ymimWritten = 0;
    s.py.pultWritten.fill(0);
    s.py.carriedPultRead = false;
    s.py.modulusEvaluated = false;
    s.py.capPassiveWritten = 0;
    s.py.XEQ = store.pyRun.XEQ[static_cast<std::size_t>(g - 1)];
    s.start.pileGroup = 0;
    s.capAbortFlag = 0;
    s.pullOutWarningCount = 0;
    s.bearingWarningCount = 0;
    s.torsionWarningCount = 0;
    s.lateralSolutions = 0;
    s.lateralIterations = 0;
    s.messages.clear();
}

void endTask(PileScratch& s, int status, PileGroupOutcome& out) {
    out.status = status;
    out.capAbortFlag = s.capAbortFlag;
    out.pullOutWarningCount = s.pullOutWarningCount;
    out.bearingWarningCount = s.bearingWarningCount;
    out.torsionWarningCount = s.torsionWarningCount;
    out.lateralSolutions = s.lateralSolutions;
    out.lateralIterations = s.lateralIterations;
    out.messages.swap(s.messages);
    s.messages.clear();
    out.XEQ = s.py.XEQ;
    out.capPassiveWritten = s.py.capPassiveWritten;
    out.capPassiveResistance = s.py.capPassiveResistance;
    out.carry = carryOf(s.py);
    out.modulusEvaluated = s.py.modulusEvaluated;
    out.carriedPultRead = s.py.carriedPultRead;
    s.start.pileGroup = 0;
}

// Moves what an analysis raised in the store's own scratch space into the
// store, as a worker's outcome is gathered.
void gatherOwnScratch(ModelStore& store) {
    PileScratch& s = store.pileScratch;
    AxialResponseState& r = store.axialResponse;
    r.pullOutWarningCount += s.pullOutWarningCount;
    r.bearingWarningCount += s.bearingWarningCount;
    r.torsionWarningCount += s.torsionWarningCount;
    s.pullOutWarningCount = 0;
    s.bearingWarningCount = 0;
    s.torsionWarningCount = 0;
    if (s.capAbortFlag != 0) store.pileSolution.capAbortFlag = 1;
    s.capAbortFlag = 0;
}

void gatherOutcome(ModelStore& store, int g, const PileGroupOutcome& out, const PyCarry& carry) {
    writePileMessages(store, out.messages);
    AxialResponseState& r = store.axialResponse;
    r.pullOutWarningCount += out.pullOutWarningCount;
    r.bearingWarningCount += out.bearingWarningCount;
    r.torsionWarningCount += out.torsionWarningCount;
    if (out.capAbortFlag != 0) store.pileSolution.capAbortFlag = 1;
    PileScratch& own = store.pileScratch;
    own.lateralSolutions += out.lateralSolutions;
    own.lateralIterations += out.lateralIterations;
    store.pyRun.XEQ[static_cast<std::size_t>(g - 1)] = out.XEQ;
    if (out.capPassiveWritten != 0) {
        own.py.capPassiveResistance = out.capPassiveResistance;
        own.py.capPassiveWritten = 1;
    }
    PyCarried state = carriedOf(own.py);
    passOn(carry, state);
    setCarried(own.py, state);
}

}  // namespace

PileTransforms pileTransforms(const ModelStore& store, int g) {
    PileTransforms t;
    for (int i = 0; i < kN; ++i) {
        at(t.T, i, i) = 1.0;
        at(t.R, i, i) = 1.0;
    }
    if (g < 1 || g > groupCount(store)) {
        t.Tt = t.T;
        t.Rt = t.R;
        return t;
    }
    const PileGroupWork& group = groupOf(store, g);
    t.pileGroup = g;
    const double X = group.XHEAD;
    const double Y = group.headY;
    const double Z = group.headZ;
    // u = U + theta x r: the translation block is I, the rotations add S theta.
    const double S[3][3] = {{0.0, Z, 0.0 - Y}, {0.0 - Z, 0.0, X}, {Y, 0.0 - X, 0.0}};

    const double sa = std::sin(group.alpha);
    const double ca = std::cos(group.alpha);
    const double sb = std::sin(group.beta);
    const double cb = std::cos(group.beta);
    const double r[3][3] = {
        {sb, ca * cb, sa * cb}, {0.0 - cb, ca * sb, sa * sb}, {0.0, 0.0 - sa, ca}};

    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            at(t.T, i, j + 3) = S[i][j];
            at(t.R, i, j) = r[i][j];
            at(t.R, i + 3, j + 3) = r[i][j];
        }
    }
    for (int i = 0; i < kN; ++i) {
        for (int j = 0; j < kN; ++j) {
            at(t.Tt, j, i) = at(t.T, i, j);
            at(t.Rt, j, i) = at(t.R, i, j);
        }
    }
    return t;
}

void multiply6(std::span<double> C, std::span<const double> A, std::span<const double> B, int n) {
    if (n < 1 || n > kN) return;
    const std::size_t columns = static_cast<std::size_t>(n);
    if (A.size() < kN * kN || B.size() < kN * columns || C.size() < kN * columns) return;
    for (std::size_t j = 0; j < columns; ++j) {
        for (std::size_t i = 0; i < kN; ++i) {
            double sum = 0.0;
            for (std::size_t k = 0; k < kN; ++k)
                sum += A[i + kN * k] * B[k + kN * j];
            C[i + kN * j] = sum;
        }
    }
}

void analysePile(const ModelStore& store, PileScratch& scratch, int g, const CapVector& uHead,
                 CapVector& forces, int& status) {
    forces.fill(0.0);
    status = 0;
    scratch.axialForce = 0.0;
    scratch.torsionalMoment = 0.0;
    scratch.localForces.fill(0.0);
    scratch.globalForces.fill(0.0);
    if (g < 1 || g > groupCount(store)) {
        // The discretisation names the group that cannot be analysed.
        discretisePile(store, scratch, g, status);
        if (status == 0) status = kStatusPileGroupRefused;
        return;
    }

    scratch.transforms = pileTransforms(store, g);
    if (planeModel(store)) {
        analysePilePlane(store, scratch, g, uHead, forces, status);
        return;
    }
    const PileTransforms& t = scratch.transforms;
    CapVector u{};
    multiply6(u, t.R, uHead, 1);
    PileHeadResults& head = scratch.head;
    head.localHeadDisplacement = u;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            head.headRotation[static_cast<std::size_t>(3 * i + j)] =
                t.R[static_cast<std::size_t>(i + kN * j)];

    const PileGroupWork& group = groupOf(store, g);
    const double Q = axialHeadForce(store, scratch, g, u[kForceX]) * group.axialForceFactor;
    double T = torsionalHeadMoment(store, scratch, g, u[kMomentX]);
    // A head pinned about a lateral axis is free to twist in the cap.
    if (group.connectionY == kConnectionPinned || group.connectionZ == kConnectionPinned) T = 0.0;
    scratch.axialForce = Q;
    scratch.torsionalMoment = T;

    discretisePile(store, scratch, g, status);
    if (status != 0) return;
    double Fy = 0.0;
    double Fz = 0.0;
    double Mxy = 0.0;
    double Mxz = 0.0;
    solveBiaxialPile(store, scratch, g, u[kForceY], 0.0 - u[kMomentZ], u[kForceZ], u[kMomentY], Q,
                     T, Fy, Fz, Mxy, Mxz, status);
    if (status != 0) return;

    // The piles push on the cap against their own resistance; the moment of
    // the x-z plane turns about -y and that of the x-y plane about +z.
    const double n = group.pileCount;
    scratch.localForces = {n * (0.0 - Q), n * (0.0 - Fy), n * (0.0 - Fz),
                           n * (0.0 - T), n * Mxz,        n * (0.0 - Mxy)};
    multiply6(forces, t.Rt, scratch.localForces, 1);
    scratch.globalForces = forces;
}

LateralStart convergedStart(const PileScratch& scratch, int g) {
    LateralStart start;
    start.pileGroup = g;
    start.Es = scratch.work.Es;
    start.R[0] = scratch.work.planes[0].R;
    start.R[1] = scratch.work.planes[1].R;
    return start;
}

namespace {

// What the pile groups of a pass start from: the p-y state that the groups
// before each pass on, from the state of the store's own scratch space.
std::vector<PyCarried> carriedInto(ModelStore& store, PileWorkers& workers, int count) {
    if (!workers.carriesReady || static_cast<int>(workers.carries.size()) != count)
        findPyCarries(store, workers, count);
    std::vector<PyCarried> carried(static_cast<std::size_t>(count));
    PyCarried state = carriedOf(store.pileScratch.py);
    for (std::size_t i = 0; i < carried.size(); ++i) {
        carried[i] = state;
        passOn(workers.carries[i], state);
    }
    return carried;
}

// The solution a worker left in its scratch space, moved into the store's own
// for its printing: the results collector reads the nodal results there. The
// p-y state passed from pile to pile stays the one gathered in pile-group
// order.
void adoptSolution(PileScratch& own, const PileScratch& solved) {
    const PyCarried carried = carriedOf(own.py);
    const double capPassiveResistance = own.py.capPassiveResistance;
    const int capPassiveWritten = own.py.capPassiveWritten;
    own.py = solved.py;
    setCarried(own.py, carried);
    own.py.capPassiveResistance = capPassiveResistance;
    own.py.capPassiveWritten = capPassiveWritten;
    own.work = solved.work;
    own.head = solved.head;
    own.transforms = solved.transforms;
    own.axialForce = solved.axialForce;
    own.torsionalMoment = solved.torsionalMoment;
    own.localForces = solved.localForces;
    own.globalForces = solved.globalForces;
    own.preparedRows = solved.preparedRows;
    own.preparedRowsGroup = solved.preparedRowsGroup;
}

// Pile groups solved ahead of the printing on the printing pass: enough for
// every thread to keep solving while one prints, few enough that their
// scratch spaces (some 40 kB each) stay small.
int printingSlots(const PileWorkers& workers) {
    return std::clamp(4 * workers.threadCount(), 8, 64);
}

// The printing pass on the worker threads. Each pile group is solved in a
// scratch space of its own, one of printingSlots taken in turn; it is printed
// in pile-group order from the store's own scratch space, as an analysis in
// order prints it, by whichever thread finds it next in line when it has
// solved a group. A slot is taken again once its group is printed. The
// printing stops at the first group that failed, and the groups after it
// are left unsolved.
int analysePrintingPass(ModelStore& store, PileWorkers& workers, int count,
                        const std::function<int(const ModelStore&, PileScratch&, int)>& analyse,
                        const std::function<void(int)>& gather) {
    const std::vector<PyCarried> carried = carriedInto(store, workers, count);
    const int slots = printingSlots(workers);
    std::vector<std::unique_ptr<PileScratch>> solved;
    for (int i = 0; i < slots; ++i)
        solved.push_back(std::make_unique<PileScratch>());
    std::vector<PileGroupOutcome> outcomes(static_cast<std::size_t>(slots));
    const auto slotOf = [slots](int g) { return static_cast<std::size_t>((g - 1) % slots); };

    // Shared between the threads, under lock.
    std::mutex lock;
    std::condition_variable slotFreed;
    std::vector<char> solvedInSlot(static_cast<std::size_t>(slots), 0);
    int printed = 0;        // groups 1 .. printed are printed
    bool printing = false;  // a thread is printing
    int failure = 0;        // status of the group that failed

    // Prints the groups solved in line from the next one on; the caller has
    // become the printing thread.
    const auto printInLine = [&] {
        for (;;) {
            int g = 0;
            {
                std::lock_guard<std::mutex> held(lock);
                g = printed + 1;
                if (failure != 0 || g > count || solvedInSlot[slotOf(g)] == 0) {
                    printing = false;
                    return;
                }
            }
            const PileGroupOutcome& out = outcomes[slotOf(g)];
            gatherOutcome(store, g, out, workers.carries[static_cast<std::size_t>(g - 1)]);
            const int status = out.status;
            if (status == 0) {
                adoptSolution(store.pileScratch, *solved[slotOf(g)]);
                printLateralSolution(store, store.pileScratch, g);
                gather(g);
            }
            {
                std::lock_guard<std::mutex> held(lock);
                solvedInSlot[slotOf(g)] = 0;
                if (status != 0)
                    failure = status;
                else
                    printed = g;
            }
            slotFreed.notify_all();
        }
    };

    const ModelStore& model = store;
    workers.run(count, [&](PileScratch&, int i) {
        const int g = i + 1;
        {
            // The group that held the slot before is printed once the
            // printing has passed it. The thread that solves the next group
            // in line never waits here, so the printing always goes on.
            std::unique_lock<std::mutex> held(lock);
            slotFreed.wait(held, [&] { return failure != 0 || printed >= g - slots; });
            if (failure != 0) return;
        }
        PileScratch& s = *solved[slotOf(g)];
        PileGroupOutcome& out = outcomes[slotOf(g)];
        beginTask(model, s, g, carried[static_cast<std::size_t>(g - 1)]);
        const int status = analyse(model, s, g);
        if (status == 0) prepareLateralPrinting(model, s, g);
        endTask(s, status, out);
        {
            std::lock_guard<std::mutex> held(lock);
            solvedInSlot[slotOf(g)] = 1;
            if (printing) return;
            printing = true;
        }
        printInLine();
    });
    return failure;
}

// Whether the small-deflection threshold stays at its own value for every
// pile group: only weak rock and liquefied sand raise it, so that without
// them no group's threshold depends on the groups evaluated before it.
bool thresholdNeverRaised(const ModelStore& store) {
    const int layers = std::clamp(store.soilLayers.NLAYER, 0, kMaxSoilLayers);
    for (int L = 1; L <= layers; ++L) {
        const int KSOIL = store.soilLayers.rows[static_cast<std::size_t>(L - 1)].KSOIL;
        if (KSOIL == 9 || KSOIL == 11) return false;
    }
    return true;
}

// The pass one after the other in the store's own scratch space: messages
// are written as they are raised, and the printing pass prints. With
// findCarries (a first pass on a pool of workers) it keeps what each group's
// evaluations pass on for the passes after it; a group that generated no
// moduli leaves the carries to be found again.
int analyseInOrder(ModelStore& store, int count,
                   const std::function<int(const ModelStore&, PileScratch&, int)>& analyse,
                   const std::function<void(int)>& gather, PileWorkers* findCarries) {
    if (findCarries) {
        findCarries->carries.assign(static_cast<std::size_t>(count), PyCarry{});
        findCarries->carriesReady = false;
    }
    bool evaluated = true;
    LateralPyState& py = store.pileScratch.py;
    for (int g = 1; g <= count; ++g) {
        if (findCarries) {
            py.ymimWritten = 0;
            py.pultWritten.fill(0);
            py.modulusEvaluated = false;
        }
        const int status = analyse(store, store.pileScratch, g);
        gatherOwnScratch(store);
        if (status != 0) return status;
        if (findCarries) {
            findCarries->carries[static_cast<std::size_t>(g - 1)] = carryOf(py);
            evaluated = evaluated && py.modulusEvaluated;
        }
        gather(g);
    }
    if (findCarries) findCarries->carriesReady = evaluated;
    return 0;
}

// Whether the first pass on the worker threads stands: no group up to the
// first that failed took an equivalent depth from the resistance that the
// groups before it left, which in order would have been another.
bool startedAlone(const std::vector<PileGroupOutcome>& outcomes) {
    for (const PileGroupOutcome& out : outcomes) {
        if (out.carriedPultRead) return false;
        if (out.status != 0) break;
    }
    return true;
}

// Keeps what the groups of a first pass on the worker threads pass on.
void keepCarries(PileWorkers& workers, const std::vector<PileGroupOutcome>& outcomes) {
    workers.carries.resize(outcomes.size());
    bool complete = true;
    for (std::size_t k = 0; k < outcomes.size(); ++k) {
        workers.carries[k] = outcomes[k].carry;
        complete = complete && outcomes[k].status == 0 && outcomes[k].modulusEvaluated;
    }
    workers.carriesReady = complete;
}

}  // namespace

void beginPileAnalyses(ModelStore& store) {
    if (store.pileWorkers) store.pileWorkers->carriesReady = false;
    beginPyCurveCache(store);
}

int analysePileGroups(ModelStore& store, int count,
                      const std::function<int(const ModelStore&, PileScratch&, int)>& analyse,
                      const std::function<void(int)>& gather, PileTasks tasks) {
    PileWorkers* workers = store.pileWorkers;
    if (!workers || workers->threadCount() < 2 || count < 2 || tasks == PileTasks::light)
        return analyseInOrder(store, count, analyse, gather, nullptr);
    if (store.pileSolution.finalPassFlag != 0)
        return analysePrintingPass(store, *workers, count, analyse, gather);

    // The first pass of a cap solution finds what the groups pass on. With
    // a threshold that no layer raises, every group starts from the state the
    // first one starts from, and the pass stands when no group's equivalent
    // depths took what the groups before it left; else it runs again in
    // order, the curves it kept built again.
    const bool firstPass =
        !workers->carriesReady || static_cast<int>(workers->carries.size()) != count;
    if (firstPass && !thresholdNeverRaised(store))
        return analyseInOrder(store, count, analyse, gather, workers);
    const std::vector<PyCarried> carried =
        firstPass ? std::vector<PyCarried>(static_cast<std::size_t>(count),
                                           carriedOf(store.pileScratch.py))
                  : carriedInto(store, *workers, count);
    std::vector<PileGroupOutcome> outcomes(static_cast<std::size_t>(count));
    const ModelStore& model = store;
    workers->run(count, [&](PileScratch& s, int i) {
        const std::size_t k = static_cast<std::size_t>(i);
        beginTask(model, s, i + 1, carried[k]);
        const int status = analyse(model, s, i + 1);
        endTask(s, status, outcomes[k]);
    });
    if (firstPass) {
        if (!startedAlone(outcomes)) {
            forgetKeptPyCurves(store);
            return analyseInOrder(store, count, analyse, gather, workers);
        }
        keepCarries(*workers, outcomes);
    }

    for (int g = 1; g <= count; ++g) {
        const std::size_t k = static_cast<std::size_t>(g - 1);
        gatherOutcome(store, g, outcomes[k], workers->carries[k]);
        if (outcomes[k].status != 0) return outcomes[k].status;
        gather(g);
    }
    return 0;
}

namespace {

// The soil values of the embedded cap that a force sum leaves: those of its
// last pile group.
void keepPassiveValues(ModelStore& store, int count) {
    if (count < 1) return;
    CapSolution& cap = store.capSolution;
    const PileGroupWork& last = groupOf(store, count);
    cap.passiveGround = last.groundBelowHead;
    cap.passiveResistance = store.pileScratch.py.capPassiveResistance;
    cap.passiveLeverX = last.XHEAD;
}

void keepStart(const ModelStore& store, LateralStarts* keep, const PileScratch& s, int g,
               int status) {
    if (!keep) return;
    LateralStart& start = (*keep)[static_cast<std::size_t>(g - 1)];
    if (status != 0 || s.capAbortFlag != 0) {
        start.pileGroup = 0;
        return;
    }
    start = convergedStart(s, g);
    if (store.control.stiffnessStart == kStartCondensed && !planeModel(store) &&
        s.head.solvedBy == kSolvedBiaxial) {
        start.headStiffness = condensedBiaxialStiffness(s, s.axialForce);
        start.headStiffnessKept = true;
    }
}

// The displacement of a pile head in its local axes for cap displacement U.
CapVector headDisplacement(const PileTransforms& t, const CapVector& U) {
    CapVector uHead{};
    multiply6(uHead, t.T, U, 1);
    return uHead;
}

// A start is taken only for its own pile group (pileGroup): a pass marks
// every start as none, and the analysis of each group writes its own whole.
void sizeStarts(LateralStarts* keep, int count) {
    if (!keep) return;
    keep->resize(static_cast<std::size_t>(std::max(count, 0)));
    for (LateralStart& start : *keep) {
        start.pileGroup = 0;
        start.headStiffnessKept = false;
    }
}

void takeStart(PileScratch& s, const LateralStarts* from, int g) {
    if (from && g <= static_cast<int>(from->size()))
        s.start = (*from)[static_cast<std::size_t>(g - 1)];
    else
        s.start.pileGroup = 0;
}

// Whether the force sums gather the limits the pile groups reach: only
// while a pushover runs, for its events.
bool gathersLimits(const ModelStore& store) {
    return store.run.pushoverCase > 0 && store.analysis.estimation.estimationMode == 0;
}

// What pile group g reached of its limits in the analysis just made in s;
// bearing and pull-out from the warnings that analysis raised.
struct GroupLimits {
    PileLimitState lateral{};
    bool bearing = false;
    bool pullOut = false;
};

// Adds pile group g's limits to the summary of the force sum, in pile-group
// order: the largest moment ratio, the first group of each other kind.
void gatherLimits(PileLimitSummary& summary, const GroupLimits& group, int g) {
    if (group.lateral.momentRatio > summary.momentRatio) {
        summary.momentRatio = group.lateral.momentRatio;
        summary.momentGroup = g;
        summary.momentDepth = group.lateral.momentDepth;
    }
    if (group.lateral.soilRun && summary.soilGroup == 0) {
        summary.soilGroup = g;
        summary.soilDepth = group.lateral.soilDepth;
    }
    if (group.bearing && summary.bearingGroup == 0) summary.bearingGroup = g;
    if (group.pullOut && summary.pullOutGroup == 0) summary.pullOutGroup = g;
}

}  // namespace

void sumPileForces(ModelStore& store, CapVector& F, int& status, LateralStarts* keep) {
    const CapVector U = store.capSolution.capDisp;
    F.fill(0.0);
    const int count = groupCount(store);
    sizeStarts(keep, count);
    std::vector<CapVector> atOrigin(static_cast<std::size_t>(count));
    std::vector<std::array<double, 2>> headValues(static_cast<std::size_t>(count));
    const bool plane = planeModel(store);
    CapSolution& cap = store.capSolution;
    cap.headAxialLargest = 0.0;
    cap.headMomentLargest = 0.0;
    const bool limits = gathersLimits(store);
    std::vector<GroupLimits> groupLimits(limits ? static_cast<std::size_t>(count) : 0);
    cap.limits = PileLimitSummary{};
    status = analysePileGroups(
        store, count,
        [&](const ModelStore& model, PileScratch& s, int g) {
            const PileTransforms t = pileTransforms(model, g);
            const CapVector uHead = headDisplacement(t, U);
            CapVector forces{};
            int st = 0;
            const int bearingBefore = s.bearingWarningCount;
            const int pullOutBefore = s.pullOutWarningCount;
            analysePile(model, s, g, uHead, forces, st);
            keepStart(model, keep, s, g, st);
            if (st == 0 && limits)
                groupLimits[static_cast<std::size_t>(g - 1)] = {
                    limitStateOfSolution(model, s, g), s.bearingWarningCount > bearingBefore,
                    s.pullOutWarningCount > pullOutBefore};
            if (st == 0) {
                multiply6(atOrigin[static_cast<std::size_t>(g - 1)], t.Tt, forces, 1);
                // The forces in pile axes are those of the group's piles together.
                const double n = std::max(groupOf(model, g).pileCount, 1.0);
                headValues[static_cast<std::size_t>(g - 1)] = {
                    std::fabs(forces[kForceX]) / n,
                    std::hypot(forces[kMomentY], forces[kMomentZ]) / n};
            }
            return st;
        },
        [&](int g) {
            if (limits) gatherLimits(cap.limits, groupLimits[static_cast<std::size_t>(g - 1)], g);
            const std::array<double, 2>& head = headValues[static_cast<std::size_t>(g - 1)];
            cap.headAxialLargest = std::max(cap.headAxialLargest, head[0]);
            cap.headMomentLargest = std::max(cap.headMomentLargest, head[1]);
            const CapVector& f = atOrigin[static_cast<std::size_t>(g - 1)];
            if (plane) {
                for (const int i : kPlaneDofs)
                    F[i] += f[i];
            } else {
                for (int i = 0; i < kN; ++i)
                    F[i] += f[i];
            }
        });
    if (status == 0) keepPassiveValues(store, count);
}

CapMatrix condensedPileHeadStiffness(const ModelStore& store, PileScratch& s, int g,
                                     const CapVector& uHead,
                                     const std::array<PlaneHeadStiffness, 2>& planes) {
    const PileTransforms t = pileTransforms(store, g);
    CapVector u{};
    multiply6(u, t.R, uHead, 1);
    const PileGroupWork& group = groupOf(store, g);
    const CapVector d = perturbations(store);
    const double n = group.pileCount;
    // The slopes are read off the curves; the head values of the solution stay.
    const double keptAxial = s.head.headAxialForce;
    const double keptTorsion = s.head.headTorsionalMoment;
    CapMatrix k{};
    const double dQ = (axialHeadForce(store, s, g, u[kForceX] + d[kForceX]) -
                       axialHeadForce(store, s, g, u[kForceX] - d[kForceX])) /
                      (2.0 * d[kForceX]) * group.axialForceFactor;
    at(k, kForceX, kForceX) = 0.0 - n * dQ;
    if (group.connectionY != kConnectionPinned && group.connectionZ != kConnectionPinned) {
        const double dT = (torsionalHeadMoment(store, s, g, u[kMomentX] + d[kMomentX]) -
                           torsionalHeadMoment(store, s, g, u[kMomentX] - d[kMomentX])) /
                          (2.0 * d[kMomentX]);
        at(k, kMomentX, kMomentX) = 0.0 - n * dT;
    }
    s.head.headAxialForce = keptAxial;
    s.head.headTorsionalMoment = keptTorsion;
    // The x-y plane takes (u_y, -theta_z) and pushes on the cap with
    // (-n Fy, -n Mxy); the x-z plane takes (u_z, theta_y) and pushes with
    // (-n Fz, n Mxz), as analysePile passes them.
    const PlaneHeadStiffness& xy = planes[0];
    const PlaneHeadStiffness& xz = planes[1];
    at(k, kForceY, kForceY) = 0.0 - n * xy.forceByDeflection;
    at(k, kForceY, kMomentZ) = n * xy.forceByRotation;
    at(k, kMomentZ, kForceY) = 0.0 - n * xy.momentByDeflection;
    at(k, kMomentZ, kMomentZ) = n * xy.momentByRotation;
    at(k, kForceZ, kForceZ) = 0.0 - n * xz.forceByDeflection;
    at(k, kForceZ, kMomentY) = 0.0 - n * xz.forceByRotation;
    at(k, kMomentY, kForceZ) = n * xz.momentByDeflection;
    at(k, kMomentY, kMomentY) = n * xz.momentByRotation;
    CapMatrix kR{};
    multiply6(kR, k, t.R, kN);
    CapMatrix K{};
    multiply6(K, t.Rt, kR, kN);
    return K;
}

void pileHeadStiffness(const ModelStore& store, PileScratch& scratch, int g, CapMatrix& K,
                       const CapVector& uHead, int& status) {
    status = 0;
    CapVector u = uHead;
    const bool plane = planeModel(store);
    const std::span<const int> dofs = plane ? std::span<const int>(kPlaneDofs) : kAllDofs;
    centralDifferences(
        perturbations(store), u, K, status, dofs,
        [&](const CapVector& x, CapVector& F, int& s) { analysePile(store, scratch, g, x, F, s); });
    // The out-of-plane DOFs of the plane model carry -1 on the diagonal.
    if (plane && status == 0)
        at(K, kForceZ, kForceZ) = at(K, kMomentX, kMomentX) = at(K, kMomentY, kMomentY) = -1.0;
}

namespace {

bool condensedStartOf(const ModelStore& store, const LateralStarts* from, int g) {
    if (store.control.stiffnessStart != kStartCondensed || !from ||
        g > static_cast<int>(from->size()))
        return false;
    const LateralStart& start = (*from)[static_cast<std::size_t>(g - 1)];
    return start.headStiffnessKept && start.pileGroup == g;
}

}  // namespace

void assembleGroupStiffness(ModelStore& store, CapMatrix& Kcap, int& status,
                            const LateralStarts* from) {
    const CapVector U = store.capSolution.capDisp;
    Kcap.fill(0.0);
    const int count = groupCount(store);
    std::vector<CapMatrix> atOrigin(static_cast<std::size_t>(count));
    bool condensed = true;
    for (int g = 1; g <= count && condensed; ++g)
        condensed = condensedStartOf(store, from, g);
    status = analysePileGroups(
        store, count,
        [&](const ModelStore& model, PileScratch& s, int g) {
            const PileTransforms t = pileTransforms(model, g);
            const CapVector uHead = headDisplacement(t, U);
            CapMatrix K{};
            int st = 0;
            if (condensedStartOf(model, from, g)) {
                K = condensedPileHeadStiffness(
                    model, s, g, uHead, (*from)[static_cast<std::size_t>(g - 1)].headStiffness);
            } else {
                takeStart(s, from, g);
                pileHeadStiffness(model, s, g, K, uHead, st);
                s.start.pileGroup = 0;
            }
            if (st != 0) return st;
            CapMatrix KT{};
            multiply6(KT, K, t.T, kN);
            multiply6(atOrigin[static_cast<std::size_t>(g - 1)], t.Tt, KT, kN);
            return 0;
        },
        [&](int g) {
            const CapMatrix& TtKT = atOrigin[static_cast<std::size_t>(g - 1)];
            for (std::size_t k = 0; k < Kcap.size(); ++k)
                Kcap[k] += TtKT[k];
        },
        condensed ? PileTasks::light : PileTasks::solutions);
}

void capPassiveForceAndMoment(const ModelStore& store, double& F, double& M) {
    F = 0.0;
    M = 0.0;
    const CapSolution& cap = store.capSolution;
    const double E = cap.passiveGround;
    if (E >= f32(-1.0E-6F)) return;

    // The pressure on the embedded face grows from pt at the ground surface
    // (0 when the ground lies within the cap thickness) to p0 at the cap
    // bottom; F is its resultant and M its moment about the lever origin X0.
    const double Tc = store.cap.capThicknessX;
    const double p0 = cap.passiveResistance;
    const double X0 = cap.passiveLeverX;
    double e = std::fabs(E);
    double pt = 0.0;
    if (e > Tc) {
        pt = (e - Tc) * p0 / e;
        e = Tc;
    }
    const double half = f32(0.5F);
    F = (pt + p0) * e * half;
    M = (e * half - X0) * e * pt + (p0 - pt) * e * half * (e / f32(3.0F) - X0);
}

void capPassiveResistance(ModelStore& store, CapVector& P, int& status) {
    status = 0;
    P.fill(0.0);
    const CapSolution& cap = store.capSolution;
    double F = 0.0;
    double M = 0.0;
    capPassiveForceAndMoment(store, F, M);
    if (F == 0.0 && M == 0.0) return;

    const double uY = cap.capDisp[kForceY];
    const double uZ = cap.capDisp[kForceZ];
    const double moving = std::fabs(uY) + std::fabs(uZ);
    if (!(moving > f32(1.0E-14F))) return;
    const double s = std::fabs(uY) / moving;
    const double cY = uY >= 0.0 ? -1.0 : 1.0;
    const double cZ = uZ >= 0.0 ? -1.0 : 1.0;
    P[kForceY] = s * F * cY;
    P[kMomentZ] = 0.0 - s * M * cY;
    P[kForceZ] = (1.0 - s) * F * cZ;
    P[kMomentY] = (1.0 - s) * M * cZ;
}

void capPassiveStiffness(ModelStore& store, CapMatrix& Kp, int& status) {
    status = 0;
    CapSolution& cap = store.capSolution;
    const CapVector U = cap.capDisp;
    centralDifferences(
        perturbations(store), cap.capDisp, Kp, status, kAllDofs,
        [&](const CapVector&, CapVector& P, int& s) { capPassiveResistance(store, P, s); });
    cap.capDisp = U;
}

void sumPileForces2D(ModelStore& store, const std::array<double, 3>& U, std::array<double, 3>& F,
                     int& status) {
    F.fill(0.0);
    store.capSolution2D.forceSumCount += 1;
    const int count = groupCount(store);
    // Per group: the shares A (nQ, nH) of the three components, then nM(0).
    struct Share {
        std::array<double, 3> axialAndLateral{};
        double moment = 0.0;
        double headAxial = 0.0;   // one pile's, magnitude
        double headMoment = 0.0;  // one pile's, magnitude
        GroupLimits limits{};
    };
    std::vector<Share> shares(static_cast<std::size_t>(count));
    CapSolution& cap = store.capSolution;
    cap.headAxialLargest = 0.0;
    cap.headMomentLargest = 0.0;
    const bool limits = gathersLimits(store);
    cap.limits = PileLimitSummary{};
    status = analysePileGroups(
        store, count,
        [&](const ModelStore& model, PileScratch& s, int g) {
            const PileGroupWork& group = groupOf(model, g);
            const double cb = std::cos(group.batter);
            const double sb = std::sin(group.batter);
            const double V = group.XHEAD;
            const double H = group.headY;
            // Columns of A: the pile axis, its lateral direction, the rotation.
            const std::array<double, 3> axial{cb, sb, sb * V - cb * H};
            const std::array<double, 3> lateral{0.0 - sb, cb, sb * H + cb * V};
            const double ua = axial[0] * U[0] + axial[1] * U[1] + axial[2] * U[2];
            const double y = lateral[0] * U[0] + lateral[1] * U[1] + lateral[2] * U[2];
            const double theta = U[2];
            s.head.localHeadDisplacement = {ua, y, 0.0, 0.0, 0.0, theta};

            const int bearingBefore = s.bearingWarningCount;
            const int pullOutBefore = s.pullOutWarningCount;
            const double Q = axialHeadForce(model, s, g, ua) * group.axialForceFactor;
            int st = 0;
            discretisePile(model, s, g, st);
            if (st != 0) return st;
            // A solution that does not close leaves neither force nor moment.
            double headForce = 0.0;
            s.head.headMomentXY = 0.0;
            solveSinglePlanePile(model, s, g, y, theta, Q, headForce, st);
            if (st != 0) return st;
            const double n = group.pileCount;
            Share& share = shares[static_cast<std::size_t>(g - 1)];
            for (std::size_t i = 0; i < 3; ++i)
                share.axialAndLateral[i] = axial[i] * (n * Q) + lateral[i] * (n * headForce);
            share.moment = n * s.head.headMomentXY;
            share.headAxial = std::fabs(Q);
            share.headMoment = std::fabs(s.head.headMomentXY);
            if (limits)
                share.limits = {limitStateOfSolution(model, s, g),
                                s.bearingWarningCount > bearingBefore,
                                s.pullOutWarningCount > pullOutBefore};
            return 0;
        },
        [&](int g) {
            const Share& share = shares[static_cast<std::size_t>(g - 1)];
            if (limits) gatherLimits(cap.limits, share.limits, g);
            cap.headAxialLargest = std::max(cap.headAxialLargest, share.headAxial);
            cap.headMomentLargest = std::max(cap.headMomentLargest, share.headMoment);
            for (std::size_t i = 0; i < 3; ++i)
                F[i] += share.axialAndLateral[i];
            F[2] += share.moment;
        });
    if (status == 0) keepPassiveValues(store, count);
}

}  // namespace pylora
