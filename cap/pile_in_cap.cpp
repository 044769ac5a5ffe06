#include "cap/pile_in_cap.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "axial/pile_head_response.h"
#include "pile/biaxial_solver.h"
#include "pile/single_plane_solver.h"
#include "store/constants.h"

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
void analysePilePlane(ModelStore& store, int g, const CapVector& uHead, CapVector& forces,
                      int& status) {
    CapSolution& cap = store.capSolution;
    const PileGroupWork& group = groupOf(store, g);
    const double cb = std::cos(group.batter);
    const double sb = std::sin(group.batter);
    const double ua = cb * uHead[kForceX] + sb * uHead[kForceY];
    const double y = cb * uHead[kForceY] - sb * uHead[kForceX];
    const double theta = uHead[kMomentZ];
    store.pileSolution.localHeadDisplacement = {ua, y, 0.0, 0.0, 0.0, theta};

    const double Q = axialHeadForce(store, g, ua) * group.axialForceFactor;
    cap.axialForce = Q;
    discretisePile(store, g, status);
    if (status != 0) return;
    double headForce = 0.0;
    store.pileSolution.headMomentXY = 0.0;
    solveSinglePlanePile(store, g, y, theta, Q, headForce, status);
    if (status != 0) return;
    const double n = group.pileCount;
    const double M0 = store.pileSolution.headMomentXY;
    cap.localForces = {n * Q, n * headForce, 0.0, 0.0, 0.0, n * M0};
    forces[kForceX] = cb * (n * Q) - sb * (n * headForce);
    forces[kForceY] = sb * (n * Q) + cb * (n * headForce);
    forces[kMomentZ] = n * M0;
    cap.globalForces = forces;
}

}  // namespace

void buildPileTransforms(ModelStore& store, int g) {
    PileTransforms& t = store.capSolution.transforms;
    t = PileTransforms{};
    for (int i = 0; i < kN; ++i) {
        at(t.T, i, i) = 1.0;
        at(t.R, i, i) = 1.0;
    }
    if (g < 1 || g > groupCount(store)) {
        t.Tt = t.T;
        t.Rt = t.R;
        return;
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

void analysePile(ModelStore& store, int g, const CapVector& uHead, CapVector& forces, int& status) {
    forces.fill(0.0);
    status = 0;
    CapSolution& cap = store.capSolution;
    cap.axialForce = 0.0;
    cap.torsionalMoment = 0.0;
    cap.localForces.fill(0.0);
    cap.globalForces.fill(0.0);
    if (g < 1 || g > groupCount(store)) {
        // The discretisation names the group that cannot be analysed.
        discretisePile(store, g, status);
        if (status == 0) status = kStatusPileGroupRefused;
        return;
    }

    buildPileTransforms(store, g);
    if (planeModel(store)) {
        analysePilePlane(store, g, uHead, forces, status);
        return;
    }
    const PileTransforms& t = cap.transforms;
    CapVector u{};
    multiply6(u, t.R, uHead, 1);
    PileSolution& solution = store.pileSolution;
    solution.localHeadDisplacement = u;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            solution.headRotation[static_cast<std::size_t>(3 * i + j)] =
                t.R[static_cast<std::size_t>(i + kN * j)];

    const PileGroupWork& group = groupOf(store, g);
    const double Q = axialHeadForce(store, g, u[kForceX]) * group.axialForceFactor;
    double T = torsionalHeadMoment(store, g, u[kMomentX]);
    // A head pinned about a lateral axis is free to twist in the cap.
    if (group.connectionY == kConnectionPinned || group.connectionZ == kConnectionPinned) T = 0.0;
    cap.axialForce = Q;
    cap.torsionalMoment = T;

    discretisePile(store, g, status);
    if (status != 0) return;
    double Fy = 0.0;
    double Fz = 0.0;
    double Mxy = 0.0;
    double Mxz = 0.0;
    solveBiaxialPile(store, g, u[kForceY], 0.0 - u[kMomentZ], u[kForceZ], u[kMomentY], Q, T, Fy, Fz,
                     Mxy, Mxz, status);
    if (status != 0) return;

    // The piles push on the cap against their own resistance; the moment of
    // the x-z plane turns about -y and that of the x-y plane about +z.
    const double n = group.pileCount;
    cap.localForces = {n * (0.0 - Q), n * (0.0 - Fy), n * (0.0 - Fz),
                       n * (0.0 - T), n * Mxz,        n * (0.0 - Mxy)};
    multiply6(forces, t.Rt, cap.localForces, 1);
    cap.globalForces = forces;
}

void sumPileForces(ModelStore& store, CapVector& F, int& status) {
    CapSolution& cap = store.capSolution;
    const CapVector U = cap.capDisp;
    F.fill(0.0);
    status = 0;
    const int count = groupCount(store);
    for (int g = 1; g <= count; ++g) {
        buildPileTransforms(store, g);
        const CapMatrix Tt = cap.transforms.Tt;
        CapVector uHead{};
        multiply6(uHead, cap.transforms.T, U, 1);
        CapVector forces{};
        analysePile(store, g, uHead, forces, status);
        if (status != 0) break;
        CapVector atOrigin{};
        multiply6(atOrigin, Tt, forces, 1);
        if (planeModel(store)) {
            for (const int i : kPlaneDofs)
                F[i] += atOrigin[i];
        } else {
            for (int i = 0; i < kN; ++i)
                F[i] += atOrigin[i];
        }
    }
    cap.capDisp = U;
    if (status != 0 || count < 1) return;
    const PileGroupWork& last = groupOf(store, count);
    cap.passiveGround = last.groundBelowHead;
    cap.passiveResistance = store.pyState.capPassiveResistance;
    cap.passiveLeverX = last.XHEAD;
}

void pileHeadStiffness(ModelStore& store, int g, CapMatrix& K, const CapVector& uHead,
                       int& status) {
    status = 0;
    CapVector u = uHead;
    const bool plane = planeModel(store);
    const std::span<const int> dofs = plane ? std::span<const int>(kPlaneDofs) : kAllDofs;
    centralDifferences(
        perturbations(store), u, K, status, dofs,
        [&](const CapVector& x, CapVector& F, int& s) { analysePile(store, g, x, F, s); });
    // The out-of-plane DOFs of the plane model carry -1 on the diagonal.
    if (plane && status == 0)
        at(K, kForceZ, kForceZ) = at(K, kMomentX, kMomentX) = at(K, kMomentY, kMomentY) = -1.0;
}

void assembleGroupStiffness(ModelStore& store, CapMatrix& Kcap, int& status) {
    CapSolution& cap = store.capSolution;
    const CapVector U = cap.capDisp;
    Kcap.fill(0.0);
    status = 0;
    const int count = groupCount(store);
    for (int g = 1; g <= count; ++g) {
        buildPileTransforms(store, g);
        const CapMatrix T = cap.transforms.T;
        const CapMatrix Tt = cap.transforms.Tt;
        CapVector uHead{};
        multiply6(uHead, T, U, 1);
        CapMatrix K{};
        pileHeadStiffness(store, g, K, uHead, status);
        if (status != 0) return;
        CapMatrix KT{};
        multiply6(KT, K, T, kN);
        CapMatrix TtKT{};
        multiply6(TtKT, Tt, KT, kN);
        for (std::size_t k = 0; k < Kcap.size(); ++k)
            Kcap[k] += TtKT[k];
    }
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
    status = 0;
    store.capSolution2D.forceSumCount += 1;
    const int count = groupCount(store);
    for (int g = 1; g <= count; ++g) {
        const PileGroupWork& group = groupOf(store, g);
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
        store.pileSolution.localHeadDisplacement = {ua, y, 0.0, 0.0, 0.0, theta};

        const double Q = axialHeadForce(store, g, ua) * group.axialForceFactor;
        discretisePile(store, g, status);
        if (status != 0) return;
        // A solution that does not close leaves neither force nor moment.
        double headForce = 0.0;
        store.pileSolution.headMomentXY = 0.0;
        solveSinglePlanePile(store, g, y, theta, Q, headForce, status);
        if (status != 0) return;
        const double M0 = store.pileSolution.headMomentXY;
        const double n = group.pileCount;
        for (int i = 0; i < 3; ++i)
            F[static_cast<std::size_t>(i)] +=
                axial[static_cast<std::size_t>(i)] * (n * Q) +
                lateral[static_cast<std::size_t>(i)] * (n * headForce);
        F[2] += n * M0;
    }
    if (count < 1) return;
    CapSolution& cap = store.capSolution;
    const PileGroupWork& last = groupOf(store, count);
    cap.passiveGround = last.groundBelowHead;
    cap.passiveResistance = store.pyState.capPassiveResistance;
    cap.passiveLeverX = last.XHEAD;
}

}  // namespace pylora
