// SPDX-License-Identifier: Apache-2.0
#include "pile/beam_column.h"

#include <cmath>
#include <limits>

namespace pylora {

namespace {

// A deflection of the tip region written as a linear form in the two
// fictitious tip deflections a = y(N+1), b = y(N+2): ca a + cb b + c0.
struct TipForm {
    double ca = 0.0;
    double cb = 0.0;
    double c0 = 0.0;
};

TipForm combine(double s, const TipForm& u, double t, const TipForm& v, const TipForm& rest) {
    return {s * u.ca + t * v.ca + rest.ca, s * u.cb + t * v.cb + rest.cb,
            s * u.c0 + t * v.c0 + rest.c0};
}

}  // namespace

void setHeadRows(PlaneWork& plane, double h, RotationSense sense) {
    for (int k = -3; k <= -2; ++k) {
        nodeAt(plane.A, k) = 0.0;
        nodeAt(plane.B, k) = 0.0;
        nodeAt(plane.C, k) = 0.0;
    }
    nodeAt(plane.A, 0) = 0.0;
    nodeAt(plane.B, 0) = 0.0;
    nodeAt(plane.C, 0) = plane.yt;

    const double S = sense == RotationSense::opposite ? -plane.S : plane.S;
    const double yt = plane.yt;
    double B = 0.0;
    double C = 0.0;
    if (plane.connection == kConnectionPinned) {
        B = -1.0;
        C = 2.0 * yt;
    } else if (plane.connection == kConnectionFixed) {
        B = 1.0;
        C = -2.0 * h * S;
    } else {
        const double kr = plane.spring;
        const double R0 = nodeAt(plane.R, 0);
        const double denominator = h * kr + 2.0 * R0;
        if (denominator != 0.0) {
            B = (h * kr - 2.0 * R0) / denominator;
            C = (4.0 * R0 * yt - 2.0 * kr * S * h * h) / denominator;
        }
    }
    nodeAt(plane.A, -1) = 0.0;
    nodeAt(plane.B, -1) = B;
    nodeAt(plane.C, -1) = C;
}

void sweepForward(PlaneWork& plane, const NodalArray& Es, double Q, int N, double h) {
    const double h2 = h * h;
    const double h4 = h2 * h2;
    const double Qh2 = Q * h2;
    double* A = plane.A.data() + kNodeOffset;
    double* B = plane.B.data() + kNodeOffset;
    double* C = plane.C.data() + kNodeOffset;
    const double* R = plane.R.data() + kNodeOffset;
    const double* w = plane.w.data() + kNodeOffset;
    const double* es = Es.data() + kNodeOffset;
    for (int k = 1; k <= N + 1; ++k) {
        const double Rm = R[k - 1];
        const double R0 = R[k];
        const double Rp = R[k + 1];
        const double a = Rm;
        const double b = -2.0 * Rm - 2.0 * R0 + Qh2;
        const double c = Rm + 4.0 * R0 + Rp - 2.0 * Qh2 + es[k] * h4;
        const double d = -2.0 * R0 - 2.0 * Rp + Qh2;
        const double e = Rp;
        const double bPrime = a * A[k - 2] + b;
        const double D = a * B[k - 2] + bPrime * A[k - 1] + c;
        const double f = D == 0.0 ? 0.0 : -1.0 / D;
        B[k] = f * e;
        A[k] = f * (bPrime * B[k - 1] + d);
        C[k] = f * (a * C[k - 2] + bPrime * C[k - 1] - h4 * w[k]);
    }
}

void solveTipAndBackSubstitute(PlaneWork& plane, double Q, int N, double h) {
    double* y = plane.y.data() + kNodeOffset;
    const double* A = plane.A.data() + kNodeOffset;
    const double* B = plane.B.data() + kNodeOffset;
    const double* C = plane.C.data() + kNodeOffset;
    y[N + 1] = 0.0;
    y[N + 2] = 0.0;
    y[N + 3] = 0.0;

    // y(N), y(N-1), y(N-2) through the recursion, as forms in y(N+1), y(N+2).
    const TipForm a{1.0, 0.0, 0.0};
    const TipForm b{0.0, 1.0, 0.0};
    const TipForm none{};
    const TipForm yN = combine(A[N], a, B[N], b, {0.0, 0.0, C[N]});
    const TipForm yN1 = combine(A[N - 1], yN, B[N - 1], a, {0.0, 0.0, C[N - 1]});
    const TipForm yN2 = combine(A[N - 2], yN1, B[N - 2], yN, {0.0, 0.0, C[N - 2]});

    const double RN = plane.R[static_cast<std::size_t>(N + kNodeOffset)];
    const double g = (Q * h * h - 2.0 * RN) / RN;
    // Zero moment: y(N-1) - 2 y(N) + y(N+1) = 0.
    const TipForm moment = combine(1.0, yN1, -2.0, yN, a);
    // Zero shear: y(N-2) - y(N+2) + g (y(N-1) - y(N+1)) = 0.
    const TipForm shear = combine(1.0, yN2, g, combine(1.0, yN1, -1.0, a, none), {0.0, -1.0, 0.0});
    const double det = moment.ca * shear.cb - moment.cb * shear.ca;
    if (det != 0.0) {
        y[N + 1] = (-moment.c0 * shear.cb + shear.c0 * moment.cb) / det;
        y[N + 2] = (-shear.c0 * moment.ca + moment.c0 * shear.ca) / det;
    }
    for (int k = N; k >= -3; --k)
        y[k] = A[k] * y[k + 1] + B[k] * y[k + 2] + C[k];
}

void keepPreviousDeflections(PlaneWork& plane, int N) {
    for (int k = 0; k <= N; ++k)
        nodeAt(plane.previousY, k) = nodeAt(plane.y, k);
}

double largestDeflectionChange(const PlaneWork& plane, int N) {
    double largest = 0.0;
    for (int k = 0; k <= N; ++k) {
        const double change = std::fabs(nodeAt(plane.y, k) - nodeAt(plane.previousY, k));
        if (std::isnan(change)) return std::numeric_limits<double>::quiet_NaN();
        if (change > largest) largest = change;
    }
    return largest;
}

bool deflectionsFinite(const PlaneWork& plane, int N) {
    for (int k = -1; k <= N + 2; ++k)
        if (!std::isfinite(nodeAt(plane.y, k))) return false;
    return true;
}

double computePlaneResults(PlaneWork& plane, const NodalArray& Es, double Q, int N, double h) {
    const double h2 = h * h;
    const double* y = plane.y.data() + kNodeOffset;
    const double* R = plane.R.data() + kNodeOffset;
    const double* w = plane.w.data() + kNodeOffset;
    const double* es = Es.data() + kNodeOffset;
    double* slope = plane.slope.data() + kNodeOffset;
    double* M = plane.M.data() + kNodeOffset;
    double* V = plane.V.data() + kNodeOffset;
    double* p = plane.p.data() + kNodeOffset;

    for (int k = 0; k <= N + 1; ++k) {
        slope[k] = (y[k + 1] - y[k - 1]) / (2.0 * h);
        M[k] = -R[k] * (y[k - 1] - 2.0 * y[k] + y[k + 1]) / h2;
    }
    // Pinned head: zero moment at node 0 by its condition, which the
    // difference form reproduces only to round-off.
    if (plane.connection == kConnectionPinned) M[0] = 0.0;
    M[-2] = 0.0;
    M[-1] = 0.0;
    M[N + 2] = 0.0;
    V[0] = -(M[1] - M[0]) / h + Q * slope[0];
    for (int k = 1; k <= N; ++k)
        V[k] = -(M[k + 1] - M[k - 1]) / (2.0 * h) + Q * slope[k];

    double headForce = 0.0;
    for (int k = 0; k <= N; ++k) {
        p[k] = es[k] * y[k];
        const double weight = (k == 0 || k == N) ? 0.5 : 1.0;
        headForce += h * weight * (p[k] - w[k]);
    }
    return headForce;
}

PlaneHeadStiffness condensedHeadStiffness(const PlaneWork& plane, const NodalArray& Es, double Q,
                                          int N, double h, RotationSense sense) {
    PlaneWork unit = plane;
    unit.w.fill(0.0);
    PlaneHeadStiffness k;
    for (const bool rotation : {false, true}) {
        unit.yt = rotation ? 0.0 : 1.0;
        unit.S = rotation ? 1.0 : 0.0;
        setHeadRows(unit, h, sense);
        sweepForward(unit, Es, Q, N, h);
        solveTipAndBackSubstitute(unit, Q, N, h);
        const double force = computePlaneResults(unit, Es, Q, N, h);
        const double moment = nodeAt(unit.M, 0);
        (rotation ? k.forceByRotation : k.forceByDeflection) = force;
        (rotation ? k.momentByRotation : k.momentByDeflection) = moment;
    }
    return k;
}

}  // namespace pylora
