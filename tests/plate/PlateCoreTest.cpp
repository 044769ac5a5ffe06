// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "plate/frontal_solver.h"
#include "plate/shell_element.h"

namespace pylora {
namespace {

std::string readBack(std::FILE* f) {
    std::fflush(f);
    std::rewind(f);
    std::string s;
    int c;
    while ((c = std::fgetc(f)) != EOF)
        s.push_back(static_cast<char>(c));
    return s;
}

// Solves p again with its element data in an element file, written as the
// assembly writes it (a zero right-hand side where p has none), and its
// eliminated equations in an equation file; a solution that succeeds is
// repeated with the same files, which the solver rewinds and rewrites.
struct FileSolution {
    PlateCoreStatus status = PlateCoreStatus::ok;
    std::vector<double> u, reactions;
    std::string listing;
};

FileSolution solveThroughWorkFiles(FrontalProblem p, bool withReactions) {
    std::FILE* elements = std::tmpfile();
    std::FILE* equations = std::tmpfile();
    std::FILE* listing = std::tmpfile();
    EXPECT_TRUE(elements != nullptr && equations != nullptr && listing != nullptr);
    const std::size_t nev = static_cast<std::size_t>(p.nodesPerElement * p.dofsPerNode);
    const std::vector<double> zero(nev, 0.0);
    for (std::size_t e = 0; e < static_cast<std::size_t>(p.elementCount); ++e)
        EXPECT_EQ(writeFrontalElement(elements, p.elementMatrices.subspan(e * nev * nev, nev * nev),
                                      p.elementRhs.empty() ? std::span<const double>(zero)
                                                           : p.elementRhs.subspan(e * nev, nev)),
                  PlateCoreStatus::ok);
    p.elementMatrices = {};
    p.elementRhs = {};
    p.elementFile = elements;
    p.equationFile = equations;
    FileSolution out;
    const std::size_t n = static_cast<std::size_t>(p.nodeCount * p.dofsPerNode);
    out.u.assign(n, 0.0);
    out.reactions.assign(withReactions ? n : 0, 0.0);
    int width = 0;
    for (int pass = 0; pass < 2 && out.status == PlateCoreStatus::ok; ++pass)
        out.status = solveFrontal(p, listing, out.u, out.reactions, width);
    out.listing = readBack(listing);
    for (std::FILE* f : {elements, equations, listing})
        std::fclose(f);
    return out;
}

void expectSameBits(const std::vector<double>& a, const std::vector<double>& b) {
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i)
        EXPECT_EQ(std::bit_cast<std::uint64_t>(a[i]), std::bit_cast<std::uint64_t>(b[i]))
            << "variable " << i << ": " << a[i] << " and " << b[i];
}

// A rectangular mesh of nx x ny elements in plate axes, numbered as the
// export numbers it (rows of corner and mid-side nodes), corners
// counter-clockwise.
struct Mesh {
    int nx = 0, ny = 0;
    std::vector<double> x, y;  // by node, 0-based
    std::vector<int> nodes;    // 8 per element, 1-based
    int nodeCount() const { return static_cast<int>(x.size()); }
    ShellGeometry geometry(int e) const {
        ShellGeometry g;
        for (int a = 0; a < 8; ++a) {
            g.x[a] = x[nodes[8 * e + a] - 1];
            g.y[a] = y[nodes[8 * e + a] - 1];
        }
        return g;
    }
};

Mesh rectangularMesh(int nx, int ny, double lx, double ly) {
    Mesh m;
    m.nx = nx;
    m.ny = ny;
    // Rows from y = ly (largest) downward, as the export runs from the largest Z.
    for (int r = 0; r <= 2 * ny; ++r) {
        const double yr = ly - r * ly / (2 * ny);
        const bool corner = r % 2 == 0;
        const int count = corner ? 2 * nx + 1 : nx + 1;
        for (int i = 0; i < count; ++i) {
            m.x.push_back(corner ? i * lx / (2 * nx) : i * lx / nx);
            m.y.push_back(yr);
        }
    }
    // Plate y runs as -Z, so the export's rows from the largest Z are rows of
    // increasing y; mirror y to keep the export's node order.
    for (double& v : m.y)
        v = ly - v;
    const int rowPair = 3 * nx + 2;
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i) {
            const int n = 1 + j * rowPair + 2 * i;
            const int mm = 1 + j * rowPair + 2 * nx + 1 + i;
            const int e[8] = {n,     n + 2,  n + 2 + rowPair, n + rowPair,
                              n + 1, mm + 1, n + 1 + rowPair, mm};
            for (int a : e)
                m.nodes.push_back(a);
        }
    return m;
}

struct Solved {
    PlateCoreStatus status = PlateCoreStatus::ok;
    std::vector<double> u, reactions;
    std::string fileListing;  // what the solution through work files listed
};

// Assembles the mesh with the element of the plate and solves it with the
// frontal solver; fixed variables carry prescribed values. The solution
// through work files must give the same status and the same bits.
Solved solveMesh(const Mesh& m, const ShellMaterial& mat, const std::vector<double>& loads,
                 const std::vector<int>& fixity, const std::vector<double>& prescribed,
                 int order = 2, std::FILE* listing = nullptr) {
    const int ne = m.nx * m.ny;
    std::vector<double> k(static_cast<size_t>(ne) * kShellVariables * kShellVariables);
    for (int e = 0; e < ne; ++e) {
        ShellMatrix ke{};
        EXPECT_EQ(computeShellStiffness(m.geometry(e), mat, e + 1, listing, ke, order),
                  PlateCoreStatus::ok);
        std::copy(ke.begin(), ke.end(), k.begin() + static_cast<long>(e) * ke.size());
    }
    FrontalProblem p;
    p.nodeCount = m.nodeCount();
    p.elementCount = ne;
    p.nodesPerElement = 8;
    p.dofsPerNode = 6;
    p.connectivity = m.nodes;
    p.elementMatrices = k;
    p.nodalRhs = loads;
    p.fixity = fixity;
    p.prescribed = prescribed;
    Solved s;
    s.u.assign(static_cast<size_t>(6 * m.nodeCount()), 0.0);
    s.reactions = s.u;
    int width = 0;
    s.status = solveFrontal(p, listing, s.u, s.reactions, width);
    const FileSolution fs = solveThroughWorkFiles(p, true);
    EXPECT_EQ(fs.status, s.status);
    if (s.status == PlateCoreStatus::ok && fs.status == PlateCoreStatus::ok) {
        expectSameBits(fs.u, s.u);
        expectSameBits(fs.reactions, s.reactions);
    }
    s.fileListing = fs.listing;
    return s;
}

// Cantilever strip along x, clamped at x = 0, end load P in z spread over
// the end nodes as the consistent loads of a uniform edge load (1/6, 2/3, 1/6).
double cantileverTip(double length, double width, const ShellMaterial& mat, double load, int nx,
                     int order) {
    Mesh m = rectangularMesh(nx, 1, length, width);
    const int n = m.nodeCount();
    std::vector<double> f(6 * n, 0.0), pres(6 * n, 0.0);
    std::vector<int> fix(6 * n, 0);
    for (int i = 0; i < n; ++i) {
        if (m.x[i] == 0.0)
            for (int d = 0; d < 6; ++d)
                fix[6 * i + d] = 1;
        if (std::fabs(m.x[i] - length) < 1e-12)
            f[6 * i + 2] = load * (m.y[i] == 0.0 || m.y[i] == width ? 1.0 / 6.0 : 2.0 / 3.0);
    }
    Solved s = solveMesh(m, mat, f, fix, pres, order);
    EXPECT_EQ(s.status, PlateCoreStatus::ok);
    double tip = 0.0;
    int count = 0;
    for (int i = 0; i < n; ++i)
        if (std::fabs(m.x[i] - length) < 1e-12) {
            tip += s.u[6 * i + 2];
            ++count;
        }
    return tip / count;
}

TEST(ShellElement, ShearStiffnessIsEOver312ForNu03AndUnitThickness) {
    const ShellMaterial mat{2.0e7, 0.3, 1.0};
    EXPECT_NEAR(shellElasticity(mat).shear, 2.0e7 / 3.12, 2.0e7 / 3.12 * 1e-7);  // f32(2.4)
    // Constant transverse shear w = g x on a unit square: Qx = E/3.12 g.
    Mesh m = rectangularMesh(1, 1, 1.0, 1.0);
    ShellVector u{};
    const ShellGeometry g = m.geometry(0);
    for (int a = 0; a < 8; ++a)
        u[6 * a + 2] = 0.001 * g.x[a];
    ShellPointResults pr;
    ShellVector fint{};
    ASSERT_EQ(computeShellResultants(g, mat, u, 1, nullptr, pr, fint), PlateCoreStatus::ok);
    for (int p = 0; p < 4; ++p) {
        EXPECT_NEAR(pr.resultants[p][6], 2.0e7 / 3.12 * 0.001, 1e-2);
        EXPECT_NEAR(pr.resultants[p][7], 0.0, 1e-6);
    }
}

TEST(ShellElement, ExportOrderIsPositiveAndClockwiseCornersGiveJacob2Message) {
    Mesh m = rectangularMesh(2, 1, 4.0, 2.0);
    // The export's node numbering: element 1 has corners 1, 3, 11, 9, mid-sides 2, 7, 10, 6.
    const std::vector<int> first(m.nodes.begin(), m.nodes.begin() + 8);
    EXPECT_EQ(first, (std::vector<int>{1, 3, 11, 9, 2, 7, 10, 6}));
    ShellMatrix k{};
    const ShellMaterial mat{3.0e7, 0.2, 1.0};
    EXPECT_EQ(computeShellStiffness(m.geometry(0), mat, 1, nullptr, k), PlateCoreStatus::ok);
    ShellGeometry cw = m.geometry(1);
    std::swap(cw.x[1], cw.x[3]);
    std::swap(cw.y[1], cw.y[3]);
    std::swap(cw.x[4], cw.x[7]);
    std::swap(cw.y[4], cw.y[7]);
    std::swap(cw.x[5], cw.x[6]);
    std::swap(cw.y[5], cw.y[6]);
    std::FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(computeShellStiffness(cw, mat, 2, f, k), PlateCoreStatus::nonPositiveJacobian);
    EXPECT_EQ(readBack(f),
              "\n\n PROGRAM HALTED IN SUBROUTINE JACOB2\n            ZERO OR NEGATIVE AREA\n"
              "           ELEMENT NUMBER     2\n");
    std::fclose(f);
}

TEST(ShellElement, CantileverStripMatchesBeamTheoryWithShear) {
    // nu = 0: no anticlastic bending, so the strip is a shear-deformable beam.
    const double e = 1.0e6, t = 0.5, b = 1.0, l = 4.0, p = 10.0;
    const ShellMaterial mat{e, 0.0, t};
    const double d = e * t * t * t / 12.0;
    const double gt = e / 2.0 * t / 1.2;
    const double exact = p * l * l * l / (3.0 * d * b) + p * l / (gt * b);
    // Quadratic elements with reduced shear give the beam's end deflection to
    // within the drilling penalty and the f32 shear factor.
    EXPECT_NEAR(cantileverTip(l, b, mat, p, 8, 2) / exact, 1.0, 2e-3);

    // A thin strip (L/t = 1000) keeps its bending flexibility with 2 x 2
    // points; with full 3 x 3 integration the shear constraint leaves only a
    // constant curvature per element and the strip comes out stiffer.
    const ShellMaterial thin{1.0e6, 0.0, 0.01};
    const double lt = 10.0;
    const double dt = 1.0e6 * 1e-6 / 12.0;
    const double thinExact = lt * lt * lt / (3.0 * dt) + lt / (1.0e6 / 2.0 * 0.01 / 1.2);
    EXPECT_NEAR(cantileverTip(lt, 1.0, thin, 1.0, 4, 2) / thinExact, 1.0, 2e-3);
    EXPECT_LT(cantileverTip(lt, 1.0, thin, 1.0, 4, 3) / thinExact, 0.99);
}

// Centre deflection, in units of q a^4 / D, of a square plate of span a and
// thickness t under a uniform load q on an n x n mesh, all four edges simply
// supported or clamped. The uniform load enters as the consistent loads of
// the eight-node element, -q A / 12 at a corner and q A / 3 at a mid-side for
// an element of area A. The plate is flat and unloaded in its plane, so the
// membrane and drilling variables are held everywhere. Simply supported is
// the hard support: deflection and the rotation about the edge's normal held
// (ROTX on the edges x = 0 and x = a, where dUZ/dy = ROTX, and ROTY on y = 0
// and y = a); clamped holds both rotations.
double squarePlateCentre(double a, double t, int n, bool clamped, int order) {
    const Mesh m = rectangularMesh(n, n, a, a);
    const int nodes = m.nodeCount();
    const double q = 1.0, area = (a / n) * (a / n);
    std::vector<double> f(6 * nodes, 0.0), pres(6 * nodes, 0.0);
    std::vector<int> fix(6 * nodes, 0);
    for (int e = 0; e < n * n; ++e)
        for (int c = 0; c < 8; ++c)
            f[6 * (m.nodes[8 * e + c] - 1) + 2] += (c < 4 ? -1.0 / 12.0 : 1.0 / 3.0) * q * area;
    int centre = -1;
    for (int i = 0; i < nodes; ++i) {
        const bool edgeX = std::fabs(m.x[i]) < 1e-9 || std::fabs(m.x[i] - a) < 1e-9;
        const bool edgeY = std::fabs(m.y[i]) < 1e-9 || std::fabs(m.y[i] - a) < 1e-9;
        fix[6 * i + 0] = fix[6 * i + 1] = fix[6 * i + 5] = 1;
        if (edgeX || edgeY) fix[6 * i + 2] = 1;
        if (edgeX || (clamped && edgeY)) fix[6 * i + 3] = 1;
        if (edgeY || (clamped && edgeX)) fix[6 * i + 4] = 1;
        if (std::fabs(m.x[i] - a / 2) < 1e-9 && std::fabs(m.y[i] - a / 2) < 1e-9) centre = i;
    }
    const ShellMaterial mat{1.0e7, 0.3, t};
    const Solved s = solveMesh(m, mat, f, fix, pres, order);
    EXPECT_EQ(s.status, PlateCoreStatus::ok);
    EXPECT_GE(centre, 0);
    const double d = mat.youngModulus * t * t * t / (12.0 * (1.0 - 0.09));
    return s.u[6 * centre + 2] * d / (q * a * a * a * a);
}

TEST(ShellElement, ThinSquarePlateKeepsItsFlexibilityWithTwoByTwoPoints) {
    // Kirchhoff closed form of the simply supported square plate under a
    // uniform load, the double sine series: the centre deflection is
    //     w = 16 q / (pi^6 D) sum over odd m, n of
    //         (-1)^((m + n) / 2 - 1) / (m n (m^2 + n^2)^2 / a^4),
    // 0.00406 q a^4 / D in the classical plate tables; the clamped plate has
    // 0.00126 q a^4 / D there (neither depends on nu).
    double series = 0.0;
    for (int i = 1; i < 400; i += 2)
        for (int j = 1; j < 400; j += 2)
            series += (((i + j) / 2 - 1) % 2 == 0 ? 1.0 : -1.0) /
                      (i * j * std::pow(double(i * i + j * j), 2));
    const double simplySupported = 16.0 * series / std::pow(std::numbers::pi, 6);
    ASSERT_NEAR(simplySupported, 0.00406, 5e-6);
    const double clampedExact = 0.00126;

    // Span/thickness 1000 on 8 x 8 elements: with 2 x 2 points the centre
    // deflection is within half a per cent of the closed form (0.9959 of it);
    // full 3 x 3 integration enforces the vanishing transverse shear at too
    // many points and the plate comes out stiffer (0.922).
    EXPECT_NEAR(squarePlateCentre(10.0, 0.01, 8, false, 2) / simplySupported, 1.0, 0.006);
    EXPECT_LT(squarePlateCentre(10.0, 0.01, 8, false, 3) / simplySupported, 0.95);
    // Thinner still, span/thickness 3000: 2 x 2 points give 0.965 of the
    // closed form, 3 x 3 points lock to 0.577 of it.
    const double reduced = squarePlateCentre(10.0, 10.0 / 3000.0, 8, false, 2) / simplySupported;
    EXPECT_GT(reduced, 0.955);
    EXPECT_LT(reduced, 1.0);
    EXPECT_LT(squarePlateCentre(10.0, 10.0 / 3000.0, 8, false, 3) / simplySupported, 0.65);

    // Clamped at span/thickness 1000 the eight-node element needs a finer
    // mesh even with 2 x 2 points: 16 x 16 elements give 0.9974 of the closed
    // form (3 x 3 points 0.974). On 8 x 8 elements the reduced element still
    // locks partly (0.660, against 0.396 with 3 x 3 points), as the
    // serendipity element does with clamped edges; an independent Mindlin
    // plate calculation with the same element gives the same figures, and
    // nine-node Lagrangian elements with 2 x 2 points reach the closed form
    // within a per cent on that mesh.
    EXPECT_NEAR(squarePlateCentre(10.0, 0.01, 16, true, 2) / clampedExact, 1.0, 0.01);
}

// Patch of 2 x 2 distorted elements: the boundary carries the exact field,
// the interior nodes must follow it exactly.
void runPatch(bool bending) {
    Mesh m = rectangularMesh(2, 2, 2.0, 2.0);
    // Distort: move the centre node and make the mid-sides around it follow.
    // The membrane patch moves the centre node alone (general quadrilaterals);
    // the bending patch moves the centre lines and skews the mesh, so its
    // elements are unequal parallelograms: a quadratic deflection lies in the
    // isoparametric space only where the map is affine.
    const int n = m.nodeCount();
    std::vector<char> boundary(n);
    for (int i = 0; i < n; ++i)
        boundary[i] = m.x[i] == 0.0 || m.x[i] == 2.0 || m.y[i] == 0.0 || m.y[i] == 2.0;
    for (int i = 0; i < n; ++i) {
        if (bending) {
            const double x = m.x[i] <= 1.0 ? 1.23 * m.x[i] : 1.23 + 0.77 * (m.x[i] - 1.0);
            const double y = m.y[i] <= 1.0 ? 0.81 * m.y[i] : 0.81 + 1.19 * (m.y[i] - 1.0);
            m.x[i] = x + 0.4 * y;
            m.y[i] = y;
        } else if (std::fabs(m.x[i] - 1.0) < 1e-12 && std::fabs(m.y[i] - 1.0) < 1e-12) {
            m.x[i] = 1.23;
            m.y[i] = 0.81;
        }
    }
    for (int e = 0; e < 4 && !bending; ++e)
        for (int k = 0; k < 4; ++k) {
            const int mid = m.nodes[8 * e + 4 + k] - 1;
            const int a = m.nodes[8 * e + k] - 1, c = m.nodes[8 * e + (k + 1) % 4] - 1;
            m.x[mid] = 0.5 * (m.x[a] + m.x[c]);
            m.y[mid] = 0.5 * (m.y[a] + m.y[c]);
        }
    auto exact = [&](double x, double y, double u[6]) {
        for (int d = 0; d < 6; ++d)
            u[d] = 0.0;
        if (!bending) {
            u[0] = 1e-3 * x + 2e-4 * y;
            u[1] = -3e-4 * x + 5e-4 * y;
            u[5] = 0.5 * (-3e-4 - 2e-4);
        } else {
            const double a = 2e-3, bb = -1e-3, c = 5e-4;
            u[2] = 0.5 * (a * x * x + bb * y * y) + c * x * y;
            u[4] = -(a * x + c * y);
            u[3] = bb * y + c * x;
        }
    };
    std::vector<double> f(6 * n, 0.0), pres(6 * n, 0.0);
    std::vector<int> fix(6 * n, 0);
    for (int i = 0; i < n; ++i) {
        double u[6];
        exact(m.x[i], m.y[i], u);
        for (int d = 0; d < 6; ++d) {
            pres[6 * i + d] = u[d];
            if (boundary[i]) fix[6 * i + d] = 1;
        }
    }
    const ShellMaterial mat{1.0e6, 0.3, 0.2};
    Solved s = solveMesh(m, mat, f, fix, pres);
    ASSERT_EQ(s.status, PlateCoreStatus::ok);
    for (int i = 0; i < n; ++i) {
        double u[6];
        exact(m.x[i], m.y[i], u);
        for (int d = 0; d < 6; ++d)
            EXPECT_NEAR(s.u[6 * i + d], u[d], 1e-12) << "node " << i + 1 << " dof " << d;
    }
    // Constant resultants at every point, as the closed form gives them.
    for (int e = 0; e < 4; ++e) {
        ShellVector ue{};
        for (int a = 0; a < 8; ++a)
            for (int d = 0; d < 6; ++d)
                ue[6 * a + d] = s.u[6 * (m.nodes[8 * e + a] - 1) + d];
        ShellPointResults pr;
        ShellVector fint{};
        ASSERT_EQ(computeShellResultants(m.geometry(e), mat, ue, e + 1, nullptr, pr, fint),
                  PlateCoreStatus::ok);
        const double c = 1.0e6 / (1 - 0.09), dd = 1.0e6 * 0.008 / 12 / (1 - 0.09);
        for (int p = 0; p < 4; ++p) {
            if (!bending) {
                EXPECT_NEAR(pr.resultants[p][0], c * (1e-3 + 0.3 * 5e-4), 1e-6);
                EXPECT_NEAR(pr.resultants[p][1], c * (5e-4 + 0.3 * 1e-3), 1e-6);
                EXPECT_NEAR(pr.resultants[p][2], c * 0.35 * (2e-4 - 3e-4), 1e-6);
            } else {
                EXPECT_NEAR(pr.resultants[p][3], dd * (-2e-3 + 0.3 * 1e-3), 1e-9);
                EXPECT_NEAR(pr.resultants[p][4], dd * (1e-3 - 0.3 * 2e-3), 1e-9);
                EXPECT_NEAR(pr.resultants[p][5], dd * 0.35 * (-1e-3), 1e-9);
                EXPECT_NEAR(pr.resultants[p][6], 0.0, 1e-9);
            }
        }
    }
}

TEST(ShellElement, MembraneAndBendingPatchTestsOnDistortedMesh) {
    runPatch(false);
    runPatch(true);
}

TEST(ShellElement, ExtrapolationAndFourElementMean) {
    // A bilinear field of natural coordinates sampled at the points is
    // reproduced at the nodes.
    const double g = 1.0 / std::sqrt(3.0);
    const double xs[4] = {-g, -g, g, g}, ys[4] = {-g, g, -g, g};
    auto field = [](double s, double t) { return 1.0 + 2.0 * s - 3.0 * t + 0.5 * s * t; };
    ShellPointResults pr;
    for (int p = 0; p < 4; ++p)
        pr.resultants[p].fill(field(xs[p], ys[p]));
    ShellNodalResultants nodal{};
    extrapolateShellResultants(pr, nodal);
    const double nx[8] = {-1, 1, 1, -1, 0, 1, 0, -1}, ny[8] = {-1, -1, 1, 1, -1, 0, 1, 0};
    for (int a = 0; a < 8; ++a)
        EXPECT_NEAR(nodal[a][3], field(nx[a], ny[a]), 1e-12);
    // The centre node of 2 x 2 elements: the mean of the four contributions.
    Mesh m = rectangularMesh(2, 2, 2.0, 2.0);
    std::vector<double> sums(8 * m.nodeCount(), 0.0);
    std::vector<int> counts(m.nodeCount(), 0);
    for (int e = 0; e < 4; ++e) {
        ShellNodalResultants v{};
        for (auto& row : v)
            row.fill(e + 1.0);
        ASSERT_EQ(accumulateNodalResultants(std::span<const int>(m.nodes).subspan(8 * e, 8), v,
                                            sums, counts),
                  PlateCoreStatus::ok);
    }
    const int centre = 1 + (3 * 2 + 2) + 2;  // second corner row, third node
    EXPECT_EQ(counts[centre - 1], 4);
    EXPECT_DOUBLE_EQ(sums[8 * (centre - 1)] / counts[centre - 1], 2.5);
    EXPECT_EQ(counts[0], 1);
}

TEST(ShellElement, PointInsideElementAndConsistentLoads) {
    Mesh m = rectangularMesh(1, 1, 2.0, 3.0);
    ShellGeometry g = m.geometry(0);
    g.x[2] = 2.4;  // a distorted corner
    g.x[5] = 0.5 * (g.x[1] + g.x[2]);
    g.x[6] = 0.5 * (g.x[2] + g.x[3]);
    double xi = 0, eta = 0;
    ASSERT_EQ(findNaturalCoordinates(g, 1.3, 2.1, xi, eta), PlateCoreStatus::ok);
    ShellPointWeights w{};
    shellPointWeights(xi, eta, w);
    double px = 0, py = 0, sum = 0;
    for (int a = 0; a < 8; ++a) {
        px += w[a] * g.x[a];
        py += w[a] * g.y[a];
        sum += w[a];
    }
    EXPECT_NEAR(px, 1.3, 1e-12);
    EXPECT_NEAR(py, 2.1, 1e-12);
    EXPECT_NEAR(sum, 1.0, 1e-14);  // the consistent loads keep the total load
    EXPECT_EQ(findNaturalCoordinates(g, 5.0, 1.0, xi, eta), PlateCoreStatus::pointOutsideElement);
}

TEST(FrontalSolver, MatchesDenseSolveOfRandomSpdSystem) {
    for (unsigned seed = 1; seed <= 5; ++seed) {
        std::mt19937 rng(seed);
        std::uniform_real_distribution<double> u(-1.0, 1.0);
        // A chain of 3-node elements, 2 dofs a node, with random SPD element
        // matrices; the first and last element share a node (a wide front).
        const int ne = 6, nn = 2 * ne + 1, nd = 2, nev = 6;
        std::vector<int> conn;
        for (int e = 0; e < ne; ++e)
            for (int a : {2 * e + 1, 2 * e + 2, 2 * e + 3})
                conn.push_back(e == ne - 1 && a == 2 * e + 3 ? 1 : a);
        const int nNodes = nn - 1;
        std::vector<double> km(ne * nev * nev), dense(nNodes * nd * nNodes * nd, 0.0);
        for (int e = 0; e < ne; ++e) {
            double a[6][6];
            for (auto& r : a)
                for (double& v : r)
                    v = u(rng);
            for (int i = 0; i < nev; ++i)
                for (int j = 0; j < nev; ++j) {
                    double s = i == j ? 1.0 : 0.0;
                    for (int k = 0; k < nev; ++k)
                        s += a[k][i] * a[k][j];
                    km[e * 36 + i * 6 + j] = s;
                    const int gi = (conn[3 * e + i / 2] - 1) * 2 + i % 2;
                    const int gj = (conn[3 * e + j / 2] - 1) * 2 + j % 2;
                    dense[gi * nNodes * nd + gj] += s;
                }
        }
        const int n = nNodes * nd;
        std::vector<double> f(n);
        for (double& v : f)
            v = u(rng);
        FrontalProblem p;
        p.nodeCount = nNodes;
        p.elementCount = ne;
        p.nodesPerElement = 3;
        p.dofsPerNode = nd;
        p.connectivity = conn;
        p.elementMatrices = km;
        p.nodalRhs = f;
        std::vector<double> x(n), r;
        int width = 0;
        ASSERT_EQ(solveFrontal(p, nullptr, x, r, width), PlateCoreStatus::ok) << "seed " << seed;
        const FileSolution fs = solveThroughWorkFiles(p, false);
        ASSERT_EQ(fs.status, PlateCoreStatus::ok) << "seed " << seed;
        expectSameBits(fs.u, x);
        // Residual of the dense system.
        for (int i = 0; i < n; ++i) {
            double s = -f[i];
            for (int j = 0; j < n; ++j)
                s += dense[i * n + j] * x[j];
            EXPECT_NEAR(s, 0.0, 1e-10) << "seed " << seed << " row " << i;
        }
    }
}

TEST(FrontalSolver, UnsupportedPlateGivesPivotMessage) {
    Mesh m = rectangularMesh(1, 1, 2.0, 2.0);
    std::vector<double> f(6 * m.nodeCount(), 0.0), pres;
    std::vector<int> fix;
    std::FILE* listing = std::tmpfile();
    ASSERT_NE(listing, nullptr);
    Solved s = solveMesh(m, ShellMaterial{1.0e6, 0.3, 0.5}, f, fix, pres, 2, listing);
    EXPECT_EQ(s.status, PlateCoreStatus::zeroPivot);
    const std::string text = readBack(listing);
    std::fclose(listing);
    EXPECT_EQ(text.rfind("    NEGATIVE OR ZERO PIVOT ENCOUNTERED FOR VARIABLE NO. ", 0), 0u)
        << text;
    EXPECT_NE(text.find(" OF VALUE "), std::string::npos);
    EXPECT_EQ(s.fileListing, text);
}

TEST(FrontalSolver, ShortElementFileAndUnwritableEquationFileAreReported) {
    // A bar of two nodes, one variable each, K = [[4, -2], [-2, 4]], load 2
    // at the free node 2: x2 = 2 / 4.
    const std::vector<double> k = {4.0, -2.0, -2.0, 4.0}, rhs = {0.0, 2.0};
    const std::vector<int> conn = {1, 2}, fix = {1, 0};
    FrontalProblem p;
    p.nodeCount = 2;
    p.elementCount = 1;
    p.nodesPerElement = 2;
    p.dofsPerNode = 1;
    p.connectivity = conn;
    p.fixity = fix;
    std::FILE* elements = std::tmpfile();
    ASSERT_NE(elements, nullptr);
    p.elementFile = elements;
    std::vector<double> x(2, 0.0), none;
    int width = 0;
    EXPECT_EQ(writeFrontalElement(elements, std::span<const double>(k).first(3), rhs),
              PlateCoreStatus::invalidInput);
    // The record ends after the matrix and half its right-hand side.
    ASSERT_EQ(std::fwrite(k.data(), sizeof(double), 4, elements), 4u);
    ASSERT_EQ(std::fwrite(rhs.data(), sizeof(double), 1, elements), 1u);
    EXPECT_EQ(solveFrontal(p, nullptr, x, none, width), PlateCoreStatus::invalidInput);
    std::rewind(elements);
    ASSERT_EQ(writeFrontalElement(elements, k, rhs), PlateCoreStatus::ok);
    ASSERT_EQ(solveFrontal(p, nullptr, x, none, width), PlateCoreStatus::ok);
    EXPECT_EQ(x[1], 0.5);
    // An equation file open for reading only takes no record.
    std::FILE* readOnly = std::fopen("/dev/null", "rb");
    ASSERT_NE(readOnly, nullptr);
    p.equationFile = readOnly;
    EXPECT_EQ(solveFrontal(p, nullptr, x, none, width), PlateCoreStatus::workFileError);
    std::fclose(readOnly);
    std::fclose(elements);
}

}  // namespace
}  // namespace pylora
