// SPDX-License-Identifier: Apache-2.0
#include "plate/shell_element.h"

#include <cmath>
#include <cstddef>

#include "format/format.h"
#include "store/constants.h"

namespace pylora {

namespace {

constexpr int kN = kShellNodes;
constexpr int kV = kShellVariables;

// Dof offsets within a node.
constexpr int kUx = 0;
constexpr int kUy = 1;
constexpr int kUz = 2;
constexpr int kRotX = 3;
constexpr int kRotY = 4;
constexpr int kRotZ = 5;

// Gauss rules of 2 and 3 points on -1..1. The abscissae and weights are kept
// in full double precision: the rules integrate their polynomials exactly
// only with them, and the patch tests rest on that.
struct GaussRule {
    int count = 0;
    std::array<double, 3> point{};
    std::array<double, 3> weight{};
};

GaussRule gaussRule(int order) {
    GaussRule rule;
    rule.count = order;
    if (order == 2) {
        const double g = 1.0 / std::sqrt(3.0);
        rule.point = {-g, g, 0.0};
        rule.weight = {1.0, 1.0, 0.0};
    } else {
        const double g = std::sqrt(0.6);
        rule.point = {-g, 0.0, g};
        rule.weight = {5.0 / 9.0, 8.0 / 9.0, 5.0 / 9.0};
    }
    return rule;
}

bool positiveFinite(double v) {
    return v > 0.0 && std::isfinite(v);
}

bool materialValid(const ShellMaterial& m) {
    return positiveFinite(m.youngModulus) && positiveFinite(m.thickness) &&
           std::isfinite(m.poissonRatio) && m.poissonRatio >= 0.0 && m.poissonRatio < 0.5;
}

// Adds factor * a^T b to the element matrix for two strain rows a, b.
void addOuter(ShellMatrix& k, const ShellVector& a, const ShellVector& b, double factor) {
    for (int i = 0; i < kV; ++i) {
        const double ai = a[i] * factor;
        if (ai == 0.0) continue;
        for (int j = 0; j < kV; ++j)
            k[static_cast<std::size_t>(i * kV + j)] += ai * b[j];
    }
}

// The eight strain rows at a point: membrane ex, ey, gxy; curvatures kx,
// ky, kxy; shear gxz, gyz.
using StrainRows = std::array<ShellVector, kShellResultants>;

void strainRows(const std::array<double, kN>& n, const std::array<double, kN>& dx,
                const std::array<double, kN>& dy, StrainRows& b) {
    for (auto& row : b)
        row.fill(0.0);
    for (int i = 0; i < kN; ++i) {
        const int o = kShellDofsPerNode * i;
        b[0][o + kUx] = dx[i];
        b[1][o + kUy] = dy[i];
        b[2][o + kUx] = dy[i];
        b[2][o + kUy] = dx[i];
        b[3][o + kRotY] = dx[i];
        b[4][o + kRotX] = -dy[i];
        b[5][o + kRotY] = dy[i];
        b[5][o + kRotX] = -dx[i];
        b[6][o + kUz] = dx[i];
        b[6][o + kRotY] = n[i];
        b[7][o + kUz] = dy[i];
        b[7][o + kRotX] = -n[i];
    }
}

// Row of ROTZ - (dUY/dx - dUX/dy) / 2 at a point.
void drillingRow(const std::array<double, kN>& n, const std::array<double, kN>& dx,
                 const std::array<double, kN>& dy, ShellVector& row) {
    row.fill(0.0);
    for (int i = 0; i < kN; ++i) {
        const int o = kShellDofsPerNode * i;
        row[o + kRotZ] = n[i];
        row[o + kUy] = -f32(0.5F) * dx[i];
        row[o + kUx] = f32(0.5F) * dy[i];
    }
}

double dot(const ShellVector& a, const ShellVector& b) {
    double s = 0.0;
    for (int i = 0; i < kV; ++i)
        s += a[i] * b[i];
    return s;
}

void writeJacobianMessage(std::FILE* listing, int elementNo) {
    ReportLine line;
    line.slash()
        .slash()
        .text(" PROGRAM HALTED IN SUBROUTINE JACOB2")
        .slash()
        .X(11)
        .text(" ZERO OR NEGATIVE AREA")
        .slash()
        .X(10)
        .text(" ELEMENT NUMBER ")
        .I(elementNo, 5);
    writeLine(listing, line);
}

// Bilinear functions of the 2 x 2 points in the point numbering of
// ShellPointResults, at (s, t) in the points' own coordinates (+-1 at the
// points).
void pointFunctions(double s, double t, std::array<double, kShellPoints>& l) {
    const std::array<double, kShellPoints> sp = {-1.0, -1.0, 1.0, 1.0};
    const std::array<double, kShellPoints> tp = {-1.0, 1.0, -1.0, 1.0};
    for (int p = 0; p < kShellPoints; ++p)
        l[p] = f32(0.25F) * (1.0 + s * sp[p]) * (1.0 + t * tp[p]);
}

constexpr std::array<double, kN> kNodeXi = {-1.0, 1.0, 1.0, -1.0, 0.0, 1.0, 0.0, -1.0};
constexpr std::array<double, kN> kNodeEta = {-1.0, -1.0, 1.0, 1.0, -1.0, 0.0, 1.0, 0.0};

}  // namespace

ShellElasticity shellElasticity(const ShellMaterial& material) {
    const double e = material.youngModulus;
    const double nu = material.poissonRatio;
    const double t = material.thickness;
    const std::array<double, 9> p = {1.0, nu, 0.0, nu, 1.0, 0.0, 0.0, 0.0, f32(0.5F) * (1.0 - nu)};
    ShellElasticity d;
    const double membrane = e / (1.0 - nu * nu);
    const double bending = e * t * t * t / (f32(12.0F) * (1.0 - nu * nu));
    for (int i = 0; i < 9; ++i) {
        d.membrane[i] = membrane * p[i];
        d.bending[i] = bending * p[i];
    }
    d.shear = e * t / (f32(2.4F) * (1.0 + nu));
    const double shearModulus = e / (f32(2.0F) * (1.0 + nu));
    d.drilling = f32(1.0E-3F) * shearModulus * t;
    return d;
}

void shellShapeFunctions(double xi, double eta, std::array<double, kShellNodes>& n,
                         std::array<double, kShellNodes>& dnDxi,
                         std::array<double, kShellNodes>& dnDeta) {
    // Corners: 0.25 (1 + xi xi_i)(1 + eta eta_i)(xi xi_i + eta eta_i - 1).
    for (int i = 0; i < 4; ++i) {
        const double a = kNodeXi[i];
        const double b = kNodeEta[i];
        const double p = 1.0 + xi * a;
        const double q = 1.0 + eta * b;
        const double r = xi * a + eta * b - 1.0;
        n[i] = f32(0.25F) * p * q * r;
        dnDxi[i] = f32(0.25F) * a * q * (r + p);
        dnDeta[i] = f32(0.25F) * b * p * (r + q);
    }
    // Mid-sides on eta = -1 and eta = 1: 0.5 (1 - xi^2)(1 -+ eta).
    for (int i : {4, 6}) {
        const double b = kNodeEta[i];
        n[i] = f32(0.5F) * (1.0 - xi * xi) * (1.0 + eta * b);
        dnDxi[i] = -xi * (1.0 + eta * b);
        dnDeta[i] = f32(0.5F) * (1.0 - xi * xi) * b;
    }
    // Mid-sides on xi = 1 and xi = -1: 0.5 (1 +- xi)(1 - eta^2).
    for (int i : {5, 7}) {
        const double a = kNodeXi[i];
        n[i] = f32(0.5F) * (1.0 + xi * a) * (1.0 - eta * eta);
        dnDxi[i] = f32(0.5F) * a * (1.0 - eta * eta);
        dnDeta[i] = -eta * (1.0 + xi * a);
    }
}

PlateCoreStatus shellCartesianDerivatives(const ShellGeometry& geometry, double xi, double eta,
                                          int elementNo, std::FILE* listing,
                                          std::array<double, kShellNodes>& n,
                                          std::array<double, kShellNodes>& dnDx,
                                          std::array<double, kShellNodes>& dnDy, double& detJ) {
    std::array<double, kN> dXi{};
    std::array<double, kN> dEta{};
    shellShapeFunctions(xi, eta, n, dXi, dEta);
    double xXi = 0.0, xEta = 0.0, yXi = 0.0, yEta = 0.0;
    for (int i = 0; i < kN; ++i) {
        xXi += dXi[i] * geometry.x[i];
        xEta += dEta[i] * geometry.x[i];
        yXi += dXi[i] * geometry.y[i];
        yEta += dEta[i] * geometry.y[i];
    }
    detJ = xXi * yEta - xEta * yXi;
    if (!(detJ > 0.0)) {
        writeJacobianMessage(listing, elementNo);
        return PlateCoreStatus::nonPositiveJacobian;
    }
    for (int i = 0; i < kN; ++i) {
        dnDx[i] = (yEta * dXi[i] - yXi * dEta[i]) / detJ;
        dnDy[i] = (-xEta * dXi[i] + xXi * dEta[i]) / detJ;
    }
    return PlateCoreStatus::ok;
}

PlateCoreStatus computeShellStiffness(const ShellGeometry& geometry, const ShellMaterial& material,
                                      int elementNo, std::FILE* listing, ShellMatrix& stiffness,
                                      int integrationOrder) {
    if (!materialValid(material) || (integrationOrder != 2 && integrationOrder != 3))
        return PlateCoreStatus::invalidInput;
    const ShellElasticity d = shellElasticity(material);
    const double t = material.thickness;

    ShellMatrix k{};
    std::array<double, kN> n{}, dx{}, dy{};
    double detJ = 0.0;
    StrainRows b{};

    const GaussRule rule = gaussRule(integrationOrder);
    for (int i = 0; i < rule.count; ++i) {
        for (int j = 0; j < rule.count; ++j) {
            const PlateCoreStatus s = shellCartesianDerivatives(
                geometry, rule.point[i], rule.point[j], elementNo, listing, n, dx, dy, detJ);
            if (s != PlateCoreStatus::ok) return s;
            const double dv = detJ * rule.weight[i] * rule.weight[j];
            strainRows(n, dx, dy, b);
            for (int r = 0; r < 3; ++r)
                for (int c = 0; c < 3; ++c) {
                    const double m = d.membrane[r * 3 + c];
                    if (m != 0.0) addOuter(k, b[r], b[c], m * t * dv);
                    const double bb = d.bending[r * 3 + c];
                    if (bb != 0.0) addOuter(k, b[3 + r], b[3 + c], bb * dv);
                }
            addOuter(k, b[6], b[6], d.shear * dv);
            addOuter(k, b[7], b[7], d.shear * dv);
        }
    }

    // The drilling penalty, with 3 x 3 points so that its nine samples hold
    // all eight ROTZ of the element.
    const GaussRule full = gaussRule(3);
    ShellVector drill{};
    for (int i = 0; i < full.count; ++i) {
        for (int j = 0; j < full.count; ++j) {
            const PlateCoreStatus s = shellCartesianDerivatives(
                geometry, full.point[i], full.point[j], elementNo, listing, n, dx, dy, detJ);
            if (s != PlateCoreStatus::ok) return s;
            drillingRow(n, dx, dy, drill);
            addOuter(k, drill, drill, d.drilling * detJ * full.weight[i] * full.weight[j]);
        }
    }

    for (double v : k)
        if (!std::isfinite(v)) return PlateCoreStatus::notFinite;
    stiffness = k;
    return PlateCoreStatus::ok;
}

PlateCoreStatus computeShellResultants(const ShellGeometry& geometry, const ShellMaterial& material,
                                       const ShellVector& displacements, int elementNo,
                                       std::FILE* listing, ShellPointResults& points,
                                       ShellVector& internalForces) {
    ShellMatrix k{};
    const PlateCoreStatus s = computeShellStiffness(geometry, material, elementNo, listing, k);
    if (s != PlateCoreStatus::ok) return s;
    const ShellElasticity d = shellElasticity(material);

    ShellPointResults out;
    const GaussRule rule = gaussRule(2);
    std::array<double, kN> n{}, dx{}, dy{};
    double detJ = 0.0;
    StrainRows b{};
    for (int i = 0; i < 2; ++i) {
        for (int j = 0; j < 2; ++j) {
            const int p = 2 * i + j;
            // The geometry passed the check in computeShellStiffness.
            const PlateCoreStatus sp = shellCartesianDerivatives(
                geometry, rule.point[i], rule.point[j], elementNo, listing, n, dx, dy, detJ);
            if (sp != PlateCoreStatus::ok) return sp;
            strainRows(n, dx, dy, b);
            std::array<double, kShellResultants> strain{};
            for (int r = 0; r < kShellResultants; ++r)
                strain[r] = dot(b[r], displacements);
            auto& res = out.resultants[p];
            for (int r = 0; r < 3; ++r) {
                res[r] = 0.0;
                res[3 + r] = 0.0;
                for (int c = 0; c < 3; ++c) {
                    res[r] += d.membrane[r * 3 + c] * strain[c];
                    res[3 + r] += d.bending[r * 3 + c] * strain[3 + c];
                }
            }
            res[6] = d.shear * strain[6];
            res[7] = d.shear * strain[7];
            out.pointX[p] = 0.0;
            out.pointY[p] = 0.0;
            for (int a = 0; a < kN; ++a) {
                out.pointX[p] += n[a] * geometry.x[a];
                out.pointY[p] += n[a] * geometry.y[a];
            }
        }
    }
    ShellVector f{};
    for (int r = 0; r < kV; ++r) {
        double sum = 0.0;
        for (int c = 0; c < kV; ++c)
            sum += k[static_cast<std::size_t>(r * kV + c)] * displacements[c];
        f[r] = sum;
    }
    for (const auto& res : out.resultants)
        for (double v : res)
            if (!std::isfinite(v)) return PlateCoreStatus::notFinite;
    for (double v : f)
        if (!std::isfinite(v)) return PlateCoreStatus::notFinite;
    points = out;
    internalForces = f;
    return PlateCoreStatus::ok;
}

void extrapolateShellResultants(const ShellPointResults& points, ShellNodalResultants& nodal) {
    // A node at natural coordinate xi lies at sqrt(3) xi in the points'
    // coordinates (the points are at +-1/sqrt(3)).
    const double scale = std::sqrt(3.0);
    std::array<double, kShellPoints> l{};
    for (int a = 0; a < kN; ++a) {
        pointFunctions(scale * kNodeXi[a], scale * kNodeEta[a], l);
        for (int r = 0; r < kShellResultants; ++r) {
            double v = 0.0;
            for (int p = 0; p < kShellPoints; ++p)
                v += l[p] * points.resultants[p][r];
            nodal[a][r] = v;
        }
    }
}

PlateCoreStatus accumulateNodalResultants(std::span<const int> nodes,
                                          const ShellNodalResultants& nodal, std::span<double> sums,
                                          std::span<int> counts) {
    if (nodes.size() != static_cast<std::size_t>(kN)) return PlateCoreStatus::invalidInput;
    for (int node : nodes) {
        if (node < 1 || static_cast<std::size_t>(node) > counts.size() ||
            static_cast<std::size_t>(node) * kShellResultants > sums.size())
            return PlateCoreStatus::invalidInput;
    }
    for (int a = 0; a < kN; ++a) {
        const std::size_t base = static_cast<std::size_t>(nodes[a] - 1) * kShellResultants;
        for (int r = 0; r < kShellResultants; ++r)
            sums[base + r] += nodal[a][r];
        counts[static_cast<std::size_t>(nodes[a] - 1)] += 1;
    }
    return PlateCoreStatus::ok;
}

PlateCoreStatus findNaturalCoordinates(const ShellGeometry& geometry, double x, double y,
                                       double& xi, double& eta) {
    // Size of the element, for the convergence test in length units.
    double size = 0.0;
    for (int i = 0; i < kN; ++i)
        size = std::fmax(size, std::fabs(geometry.x[i] - geometry.x[0]) +
                                   std::fabs(geometry.y[i] - geometry.y[0]));
    if (!(size > 0.0) || !std::isfinite(size) || !std::isfinite(x) || !std::isfinite(y))
        return PlateCoreStatus::pointOutsideElement;

    double s = 0.0, t = 0.0;
    std::array<double, kN> n{}, dXi{}, dEta{};
    constexpr int kMaxNewtonIterations = 50;
    bool converged = false;
    for (int iter = 0; iter < kMaxNewtonIterations && !converged; ++iter) {
        shellShapeFunctions(s, t, n, dXi, dEta);
        double px = 0.0, py = 0.0, xXi = 0.0, xEta = 0.0, yXi = 0.0, yEta = 0.0;
        for (int i = 0; i < kN; ++i) {
            px += n[i] * geometry.x[i];
            py += n[i] * geometry.y[i];
            xXi += dXi[i] * geometry.x[i];
            xEta += dEta[i] * geometry.x[i];
            yXi += dXi[i] * geometry.y[i];
            yEta += dEta[i] * geometry.y[i];
        }
        const double rx = x - px;
        const double ry = y - py;
        if (std::fabs(rx) + std::fabs(ry) <= f32(1.0E-12F) * size) {
            converged = true;
            break;
        }
        const double det = xXi * yEta - xEta * yXi;
        if (det == 0.0 || !std::isfinite(det)) return PlateCoreStatus::pointOutsideElement;
        s += (yEta * rx - xEta * ry) / det;
        t += (-yXi * rx + xXi * ry) / det;
        if (!std::isfinite(s) || !std::isfinite(t) || std::fabs(s) > 10.0 || std::fabs(t) > 10.0)
            return PlateCoreStatus::pointOutsideElement;
    }
    const double limit = 1.0 + f32(1.0E-9F);
    if (!converged || std::fabs(s) > limit || std::fabs(t) > limit)
        return PlateCoreStatus::pointOutsideElement;
    xi = s;
    eta = t;
    return PlateCoreStatus::ok;
}

void shellPointWeights(double xi, double eta, ShellPointWeights& weights) {
    std::array<double, kN> dXi{}, dEta{};
    shellShapeFunctions(xi, eta, weights, dXi, dEta);
}

void interpolatePointDisplacement(const ShellPointWeights& weights,
                                  const ShellVector& displacements, std::array<double, 6>& point) {
    point.fill(0.0);
    for (int i = 0; i < kN; ++i)
        for (int c = 0; c < kShellDofsPerNode; ++c)
            point[c] += weights[i] * displacements[kShellDofsPerNode * i + c];
}

void addPointLoad(const ShellPointWeights& weights, const std::array<double, 6>& load,
                  ShellVector& elementLoads) {
    for (int i = 0; i < kN; ++i)
        for (int c = 0; c < kShellDofsPerNode; ++c)
            elementLoads[kShellDofsPerNode * i + c] += weights[i] * load[c];
}

void addPointSpring(const ShellPointWeights& weights, const std::array<double, 36>& stiffness,
                    const std::array<double, 6>& force, ShellMatrix& elementStiffness,
                    ShellVector& internalForces) {
    for (int i = 0; i < kN; ++i) {
        for (int c = 0; c < kShellDofsPerNode; ++c) {
            const int row = kShellDofsPerNode * i + c;
            internalForces[row] += weights[i] * force[c];
            for (int j = 0; j < kN; ++j) {
                const double w = weights[i] * weights[j];
                for (int e = 0; e < kShellDofsPerNode; ++e) {
                    const int col = kShellDofsPerNode * j + e;
                    elementStiffness[static_cast<std::size_t>(row * kV + col)] +=
                        w * stiffness[c * 6 + e];
                }
            }
        }
    }
}

namespace {
// Plate component i is sign[i] times cap component source[i]:
// x = Y, y = -Z, z = -X for translations and rotations alike.
constexpr std::array<int, 6> kCapSource = {1, 2, 0, 4, 5, 3};
constexpr std::array<double, 6> kCapSign = {1.0, -1.0, -1.0, 1.0, -1.0, -1.0};
}  // namespace

void capToPlate(const std::array<double, 6>& cap, std::array<double, 6>& plate) {
    for (int i = 0; i < 6; ++i)
        plate[i] = kCapSign[i] * cap[kCapSource[i]];
}

void plateToCap(const std::array<double, 6>& plate, std::array<double, 6>& cap) {
    for (int i = 0; i < 6; ++i)
        cap[kCapSource[i]] = kCapSign[i] * plate[i];
}

void capToPlateStiffness(const std::array<double, 36>& cap, std::array<double, 36>& plate) {
    for (int i = 0; i < 6; ++i)
        for (int j = 0; j < 6; ++j)
            plate[i * 6 + j] = kCapSign[i] * kCapSign[j] * cap[kCapSource[i] * 6 + kCapSource[j]];
}

}  // namespace pylora
