// SPDX-License-Identifier: Apache-2.0
#include "plate/plate_solver.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstddef>
#include <string>

#include "cap/pile_in_cap.h"
#include "format/format.h"
#include "plate/frontal_solver.h"
#include "plate/plate_results.h"
#include "store/constants.h"
#include "store/file_handle.h"
#include "store/return_codes.h"

namespace pylora {

namespace {

using Index = std::size_t;
constexpr int kDof = kShellDofsPerNode;
constexpr int kV = kShellVariables;

Index at(int i) {
    return static_cast<Index>(i);
}

// Convergence floor of the norms: a correction, an accumulated displacement
// or a residual at or below it counts as converged.
constexpr double kNegligibleNorm = f32(1.0E-10F);

// The plate component of each cap component: capToPlate turns cap component
// k into plate component plateIndex[k] with the sign plateSign[k].
struct AxisMap {
    std::array<int, kDof> plateIndex{};
    std::array<double, kDof> plateSign{};
};

AxisMap axisMap() {
    AxisMap m;
    for (int k = 0; k < kDof; ++k) {
        std::array<double, 6> cap{};
        std::array<double, 6> plate{};
        cap[at(k)] = 1.0;
        capToPlate(cap, plate);
        for (int i = 0; i < kDof; ++i) {
            if (plate[at(i)] != 0.0) {
                m.plateIndex[at(k)] = i;
                m.plateSign[at(k)] = plate[at(i)];
            }
        }
    }
    return m;
}

const std::vector<int>& nodesOf(const PlateModel& m, int e) {
    return m.elements[at(e)].nodes;
}

// Plate-plane coordinates of the element's nodes: x = Y, y = -Z.
ShellGeometry geometryOf(const PlateModel& m, int e) {
    ShellGeometry g;
    const std::vector<int>& nodes = nodesOf(m, e);
    for (int a = 0; a < kShellNodes; ++a) {
        const std::array<double, 3>& c = m.nodes[at(nodes[at(a)] - 1)];
        g.x[at(a)] = c[1];
        g.y[at(a)] = 0.0 - c[2];
    }
    return g;
}

ShellMaterial materialOf(const PlateModel& m, int e) {
    const PlateMaterial& p = m.materials[at(m.elements[at(e)].property - 1)];
    return {p.youngModulus, p.poissonRatio, p.thickness};
}

int elementNumber(const PlateModel& m, int e) {
    return m.elements[at(e)].number;
}

// The element's variables in plate axes from a global vector in cap axes.
void gatherPlate(const PlateModel& m, const AxisMap& map, int e, const std::vector<double>& global,
                 ShellVector& local) {
    const std::vector<int>& nodes = nodesOf(m, e);
    for (int a = 0; a < kShellNodes; ++a) {
        const Index base = at(nodes[at(a)] - 1) * kDof;
        for (int k = 0; k < kDof; ++k)
            local[at(kDof * a + map.plateIndex[at(k)])] =
                map.plateSign[at(k)] * global[base + at(k)];
    }
}

// An element vector and matrix from plate axes into cap axes.
void vectorToCap(const AxisMap& map, const ShellVector& plate, std::span<double> cap) {
    for (int a = 0; a < kShellNodes; ++a)
        for (int k = 0; k < kDof; ++k)
            cap[at(kDof * a + k)] =
                map.plateSign[at(k)] * plate[at(kDof * a + map.plateIndex[at(k)])];
}

void matrixToCap(const AxisMap& map, const ShellMatrix& plate, std::span<double> cap) {
    for (int a = 0; a < kShellNodes; ++a) {
        for (int k = 0; k < kDof; ++k) {
            const Index row = at(kDof * a + map.plateIndex[at(k)]);
            for (int b = 0; b < kShellNodes; ++b) {
                for (int l = 0; l < kDof; ++l) {
                    const Index column = at(kDof * b + map.plateIndex[at(l)]);
                    cap[at((kDof * a + k) * kV + kDof * b + l)] =
                        map.plateSign[at(k)] * map.plateSign[at(l)] * plate[row * kV + column];
                }
            }
        }
    }
}

// The rigid transfer from the plate's mid-plane to a point leverX below it
// (cap axes, column by column): u_point = u + theta x (leverX, 0, 0).
CapMatrix leverTransfer(double leverX) {
    CapMatrix T{};
    for (int i = 0; i < kDof; ++i)
        T[at(i + kDof * i)] = 1.0;
    T[at(1 + kDof * 5)] = leverX;        // uY += X thetaZ
    T[at(2 + kDof * 4)] = 0.0 - leverX;  // uZ -= X thetaY
    return T;
}

CapMatrix transposed(const CapMatrix& A) {
    CapMatrix B{};
    for (int i = 0; i < kDof; ++i)
        for (int j = 0; j < kDof; ++j)
            B[at(j + kDof * i)] = A[at(i + kDof * j)];
    return B;
}

bool insideBox(const ShellGeometry& g, double x, double y) {
    const double tolerance = 1.0E-9 * (1.0 + std::fabs(x) + std::fabs(y));
    const auto [xMin, xMax] = std::minmax_element(g.x.begin(), g.x.end());
    const auto [yMin, yMax] = std::minmax_element(g.y.begin(), g.y.end());
    return x >= *xMin - tolerance && x <= *xMax + tolerance && y >= *yMin - tolerance &&
           y <= *yMax + tolerance;
}

// The first element that holds the record's position (Y, Z), with the
// weights there and the lever from the mid-plane to the record's X.
bool locate(const PlateModel& m, const PlateRecord& record, PlatePoint& point) {
    const double x = record[1];
    const double y = 0.0 - record[2];
    for (int e = 0; e < m.control.NELEM; ++e) {
        const ShellGeometry g = geometryOf(m, e);
        if (!insideBox(g, x, y)) continue;
        double xi = 0.0;
        double eta = 0.0;
        if (findNaturalCoordinates(g, x, y, xi, eta) != PlateCoreStatus::ok) continue;
        point.element = e;
        shellPointWeights(xi, eta, point.weights);
        double planeX = 0.0;
        const std::vector<int>& nodes = nodesOf(m, e);
        for (int a = 0; a < kShellNodes; ++a)
            planeX += point.weights[at(a)] * m.nodes[at(nodes[at(a)] - 1)][0];
        point.leverX = record[0] - planeX;
        return true;
    }
    return false;
}

void toSummaryAndConsole(const PlateSolverFiles& f, const ReportLine& l, bool iterations) {
    writeLine(f.summary, l);
    if (iterations) writeLine(f.iterations, l);
    if (f.console) {
        std::fprintf(stderr, "%s\n", std::string(l.str()).c_str());
        std::fflush(stderr);
    }
}

// ' ' I5 and six values E13.5 per node, under a title line.
void writeNodeTable(std::FILE* file, const char* title, const std::vector<double>& v, int nodes) {
    if (file == nullptr) return;
    ReportLine heading;
    heading.slash().X(5).text(title);
    writeLine(file, heading);
    for (int n = 0; n < nodes; ++n) {
        ReportLine l;
        l.I(n + 1, 5);
        for (int k = 0; k < kDof; ++k)
            l.E(v[at(n) * kDof + at(k)], 13, 5);
        writeLine(file, l);
    }
}

struct Norms {
    double translation = 0.0;
    double rotation = 0.0;
};

Norms norms(const std::vector<double>& v) {
    Norms n;
    for (Index i = 0; i < v.size(); ++i) {
        const double s = v[i] * v[i];
        if (i % kDof < 3)
            n.translation += s;
        else
            n.rotation += s;
    }
    n.translation = std::sqrt(n.translation);
    n.rotation = std::sqrt(n.rotation);
    return n;
}

bool flagTrue(double err, double correction, double accumulated, double residual,
              double tolerance) {
    return err <= tolerance || residual <= kNegligibleNorm || correction <= kNegligibleNorm ||
           accumulated <= kNegligibleNorm;
}

enum class IterationEnd { converged, failed, stopped };

// The solution of one plate run, step by step.
class PlateRun {
  public:
    PlateRun(const PlateModel& model, const PlateSolverFiles& files,
             const PlateSpringResponses& springs, PlateSolution& solution)
        : m_(model), f_(files), springResponses_(springs), s_(solution), map_(axisMap()) {}

    int run();

  private:
    int prepare();
    std::span<double> elementMatrix(int e) {
        const Index slot = f_.elements != nullptr ? 0 : at(e);
        return std::span<double>(matrices_).subspan(slot * kV * kV, at(kV * kV));
    }
    std::span<double> elementRhs(int e) {
        const Index slot = f_.elements != nullptr ? 0 : at(e);
        return std::span<double>(rhs_).subspan(slot * kV, at(kV));
    }
    int assemble(double time, int& springStatus);
    IterationEnd iterate(int step, double time, int& code);
    int writeStep(int step, double time);

    const PlateModel& m_;
    const PlateSolverFiles& f_;
    const PlateSpringResponses& springResponses_;
    PlateSolution& s_;
    AxisMap map_;

    int nodes_ = 0;
    int variables_ = 0;
    std::vector<int> connectivity_;
    std::vector<int> fixity_;
    std::vector<PlatePoint> loads_;
    std::vector<ShellVector> elementLoads_;  // plate axes, the full load (time 1)
    std::vector<double> matrices_;           // cap axes, every element
    std::vector<double> rhs_;
    std::vector<double> residual_;
    std::vector<double> DSDIS_;
    std::vector<double> TSDIS_;
    std::vector<double> total_;
    std::vector<CapVector> springHeads_;
    std::vector<CapVector> springForces_;
    std::vector<CapMatrix> springTangents_;
    bool headerWritten_ = false;
};

int PlateRun::prepare() {
    nodes_ = m_.control.NPOIN;
    variables_ = nodes_ * kDof;
    const int elements = m_.control.NELEM;
    connectivity_.clear();
    for (int e = 0; e < elements; ++e)
        for (int a = 0; a < kShellNodes; ++a)
            connectivity_.push_back(nodesOf(m_, e)[at(a)]);
    fixity_.assign(at(variables_), 0);
    for (const PlateRestraint& r : m_.restraints)
        for (int k = 0; k < kDof && at(k) < r.codes.size(); ++k)
            if (r.codes[at(k)] > 0) fixity_[at(r.node - 1) * kDof + at(k)] = 1;

    // Loads: the moment of a force acting off the mid-plane joins the
    // moments at the point of the plate above or below it.
    elementLoads_.assign(at(elements), ShellVector{});
    loads_.clear();
    for (const PlateRecord& record : m_.loads) {
        PlatePoint p;
        if (!locate(m_, record, p)) {
            ReportLine l;
            l.slash().text(" CONCENTRATED LOAD AT Y =").G(record[1], 12, 5).text(" Z =");
            l.G(record[2], 12, 5).text(" LIES IN NO ELEMENT OF THE PLATE");
            toSummaryAndConsole(f_, l, false);
            return kReturnPlateSolutionStopped;
        }
        CapVector load{record[3], record[4], record[5], record[6], record[7], record[8]};
        load[4] -= p.leverX * load[2];  // theta x r, r = (leverX, 0, 0)
        load[5] += p.leverX * load[1];
        std::array<double, 6> plate{};
        capToPlate(load, plate);
        addPointLoad(p.weights, plate, elementLoads_[at(p.element)]);
        loads_.push_back(p);
    }
    s_.springs.clear();
    for (const PlateRecord& record : m_.springs) {
        PlatePoint p;
        if (!locate(m_, record, p)) {
            ReportLine l;
            l.slash().text(" PILE SPRING AT Y =").G(record[1], 12, 5).text(" Z =");
            l.G(record[2], 12, 5).text(" LIES IN NO ELEMENT OF THE PLATE");
            toSummaryAndConsole(f_, l, false);
            return kReturnPlateSolutionStopped;
        }
        s_.springs.push_back(p);
    }
    // With the element work file the matrices pass through one element's
    // buffers; without it every element is kept.
    const Index kept = f_.elements != nullptr ? 1 : at(elements);
    springHeads_.assign(s_.springs.size(), CapVector{});
    springForces_.assign(s_.springs.size(), CapVector{});
    springTangents_.assign(s_.springs.size(), CapMatrix{});
    matrices_.assign(kept * kV * kV, 0.0);
    rhs_.assign(kept * kV, 0.0);
    residual_.assign(at(variables_), 0.0);
    DSDIS_.assign(at(variables_), 0.0);
    TSDIS_.assign(at(variables_), 0.0);
    total_.assign(at(variables_), 0.0);
    s_.ASDIS.assign(at(variables_), 0.0);
    return 0;
}

// Element matrices and right-hand sides at the displacement total_ for the
// load at `time`: the plate's stiffness and the pile springs' tangents, and
// the load less the internal forces. Returns 0 or kReturnPlateSolutionStopped (the
// JACOB2 message written); a spring status in springStatus.
int PlateRun::assemble(double time, int& springStatus) {
    // The pile springs first, all at the heads' current displacements.
    for (Index sp = 0; sp < s_.springs.size(); ++sp) {
        springHeads_[sp] = plateHeadDisplacement(m_, s_.springs[sp], total_);
        springForces_[sp].fill(0.0);
        springTangents_[sp].fill(0.0);
    }
    springStatus = springResponses_(springHeads_, springForces_, springTangents_);
    if (springStatus != 0) return 0;
    std::fill(residual_.begin(), residual_.end(), 0.0);
    if (f_.elements != nullptr) std::rewind(f_.elements);
    const int elements = m_.control.NELEM;
    for (int e = 0; e < elements; ++e) {
        const ShellGeometry g = geometryOf(m_, e);
        ShellMatrix k{};
        const PlateCoreStatus status =
            computeShellStiffness(g, materialOf(m_, e), elementNumber(m_, e), f_.summary, k);
        if (status != PlateCoreStatus::ok) {
            // The JACOB2 message is in the step summary; the console gets it too.
            if (f_.console && status == PlateCoreStatus::nonPositiveJacobian)
                (void)computeShellStiffness(g, materialOf(m_, e), elementNumber(m_, e), stderr, k);
            return kReturnPlateSolutionStopped;
        }
        ShellVector u{};
        gatherPlate(m_, map_, e, total_, u);
        ShellVector internal{};
        for (int i = 0; i < kV; ++i) {
            double sum = 0.0;
            for (int j = 0; j < kV; ++j)
                sum += k[at(i * kV + j)] * u[at(j)];
            internal[at(i)] = sum;
        }
        for (Index sp = 0; sp < s_.springs.size(); ++sp) {
            const PlatePoint& p = s_.springs[sp];
            if (p.element != e) continue;
            // The spring resists the plate: its internal force is minus the
            // pile's force on the cap, carried back to the mid-plane.
            const CapMatrix T = leverTransfer(p.leverX);
            const CapMatrix Tt = transposed(T);
            CapVector atPlane{};
            multiply6(atPlane, Tt, springForces_[sp], 1);
            CapMatrix KT{};
            multiply6(KT, springTangents_[sp], T, kDof);
            CapMatrix K{};
            multiply6(K, Tt, KT, kDof);
            std::array<double, 6> resisting{};
            std::array<double, 6> resistingPlate{};
            for (int i = 0; i < kDof; ++i)
                resisting[at(i)] = 0.0 - atPlane[at(i)];
            capToPlate(resisting, resistingPlate);
            std::array<double, 36> rowsCap{};
            for (int i = 0; i < kDof; ++i)
                for (int j = 0; j < kDof; ++j)
                    rowsCap[at(i * kDof + j)] = 0.0 - K[at(i + kDof * j)];
            std::array<double, 36> rowsPlate{};
            capToPlateStiffness(rowsCap, rowsPlate);
            addPointSpring(p.weights, rowsPlate, resistingPlate, k, internal);
        }
        ShellVector rhs{};
        const ShellVector& load = elementLoads_[at(e)];
        for (int i = 0; i < kV; ++i)
            rhs[at(i)] = time * load[at(i)] - internal[at(i)];
        std::span<double> matrixCap = elementMatrix(e);
        std::span<double> rhsCap = elementRhs(e);
        matrixToCap(map_, k, matrixCap);
        vectorToCap(map_, rhs, rhsCap);
        if (f_.elements != nullptr &&
            writeFrontalElement(f_.elements, matrixCap, rhsCap) != PlateCoreStatus::ok)
            return kReturnFileOpenError;
        const std::vector<int>& nodes = nodesOf(m_, e);
        for (int a = 0; a < kShellNodes; ++a)
            for (int d = 0; d < kDof; ++d)
                residual_[at(nodes[at(a)] - 1) * kDof + at(d)] += rhsCap[at(kDof * a + d)];
    }
    for (int v = 0; v < variables_; ++v)
        if (fixity_[at(v)] > 0) residual_[at(v)] = 0.0;
    return 0;
}

IterationEnd PlateRun::iterate(int step, double time, int& code) {
    const PlateTimeStepping& t = m_.stepping;
    for (int iter = 0;;) {
        for (int v = 0; v < variables_; ++v)
            total_[at(v)] = s_.ASDIS[at(v)] + TSDIS_[at(v)];
        int springStatus = 0;
        code = assemble(time, springStatus);
        if (code != 0) return IterationEnd::stopped;
        if (springStatus == kPlateSpringNotClosed) return IterationEnd::failed;
        if (springStatus != 0) {
            code = springStatus;
            return IterationEnd::stopped;
        }
        if (f_.iterations != nullptr) {
            ReportLine l;
            l.slash().text("ITER = ").I(iter, 5).text("   STEP = ").I(step, 5);
            writeLine(f_.iterations, l);
        }

        FrontalProblem problem;
        problem.nodeCount = nodes_;
        problem.elementCount = m_.control.NELEM;
        problem.nodesPerElement = kShellNodes;
        problem.dofsPerNode = kDof;
        problem.connectivity = connectivity_;
        if (f_.elements != nullptr) {
            std::fflush(f_.elements);
            problem.elementFile = f_.elements;
        } else {
            problem.elementMatrices = matrices_;
            problem.elementRhs = rhs_;
        }
        problem.equationFile = f_.equations;
        problem.fixity = fixity_;
        int width = 0;
        const PlateCoreStatus solved = solveFrontal(problem, f_.summary, DSDIS_, {}, width);
        if (solved != PlateCoreStatus::ok) {
            // A plate that was held before and loses its tangent later (pile
            // springs that fail and soften) fails the iteration, so that the
            // step is halved; a plate that is not held from the start stops.
            if (solved == PlateCoreStatus::notFinite) return IterationEnd::failed;
            if (solved == PlateCoreStatus::workFileError ||
                solved == PlateCoreStatus::invalidInput) {
                ReportLine l;
                l.slash().text(" THE WORK FILES OF THE FRONTAL SOLUTION CANNOT BE WRITTEN OR READ");
                toSummaryAndConsole(f_, l, false);
                // The solver names the work file that failed; a failure it
                // could not pin on one still ends the run as a file error.
                if (!firstFileFailure()) noteFileFailure(std::string(), FileOperation::write, EIO);
                code = kReturnFileWriteError;
                return IterationEnd::stopped;
            }
            if (solved == PlateCoreStatus::zeroPivot && (s_.convergedSteps > 0 || iter > 0))
                return IterationEnd::failed;
            // The pivot message is in the step summary; the console gets it too.
            if (solved == PlateCoreStatus::zeroPivot && f_.console)
                (void)solveFrontal(problem, stderr, DSDIS_, {}, width);
            code = kReturnPlateSolutionStopped;
            return IterationEnd::stopped;
        }
        s_.maximumFrontWidth = width;
        writeNodeTable(f_.iterations, "DSDIS", DSDIS_, nodes_);
        for (int v = 0; v < variables_; ++v)
            TSDIS_[at(v)] += DSDIS_[at(v)];
        writeNodeTable(f_.iterations, "TSDIS", TSDIS_, nodes_);
        for (int v = 0; v < variables_; ++v)
            total_[at(v)] = s_.ASDIS[at(v)] + TSDIS_[at(v)];
        writeNodeTable(f_.iterations, "ASDIS + TSDIS", total_, nodes_);

        const Norms d = norms(DSDIS_);
        const Norms u = norms(TSDIS_);
        const Norms r = norms(residual_);
        ++iter;
        const double err1 = u.translation != 0.0 ? d.translation / u.translation : d.translation;
        const double err2 = u.rotation != 0.0 ? d.rotation / u.rotation : d.rotation;

        ReportLine shortForm;
        shortForm.text("ITER =").I(iter, 5).text(" ERR1 =").E(err1, 11, 4);
        shortForm.text(" ERR2 = ").E(err2, 11, 4);
        if (f_.console) std::fprintf(stderr, "%s\n", std::string(shortForm.str()).c_str());
        ReportLine longForm;
        longForm.text("ITER =").I(iter, 5).text(" ERR1 =").E(err1, 11, 4);
        longForm.text(" D = ").E(d.translation, 11, 4).text(" U =").E(u.translation, 11, 4);
        longForm.text(" RHS = ").E(r.translation, 11, 4).slash().X(11);
        longForm.text(" ERR2 =").E(err2, 11, 4).text(" R = ").E(d.rotation, 11, 4);
        longForm.text(" RU=").E(u.rotation, 11, 4).text(" RRHS= ").E(r.rotation, 11, 4);
        writeLine(f_.summary, longForm);
        writeLine(f_.iterations, longForm);

        if (iter == 1) continue;
        const bool translational =
            flagTrue(err1, d.translation, u.translation, r.translation, t.tolerance);
        const bool rotational = flagTrue(err2, d.rotation, u.rotation, r.rotation, t.tolerance);
        if (translational && rotational) return IterationEnd::converged;
        if (iter > t.MAXITER) return IterationEnd::failed;
    }
}

// The results of a converged step: the resultants of every element at its
// integration points through the work file, their listing, and the step's
// block in the step results.
int PlateRun::writeStep(int step, double /*time*/) {
    const int elements = m_.control.NELEM;
    std::FILE* work = f_.resultants;
    if (work != nullptr) std::rewind(work);
    std::vector<ShellPointResults> points(at(elements));
    for (int e = 0; e < elements; ++e) {
        ShellVector u{};
        gatherPlate(m_, map_, e, s_.ASDIS, u);
        ShellVector internal{};
        const PlateCoreStatus status =
            computeShellResultants(geometryOf(m_, e), materialOf(m_, e), u, elementNumber(m_, e),
                                   f_.summary, points[at(e)], internal);
        if (status != PlateCoreStatus::ok) return kReturnPlateSolutionStopped;
        if (work != nullptr && !writeBytes(work, &points[at(e)], sizeof(ShellPointResults)))
            work = nullptr;
    }
    // The listing reads the resultants back as the element computation left them.
    if (work != nullptr) {
        std::fflush(work);
        std::rewind(work);
        for (int e = 0; e < elements; ++e)
            if (std::fread(&points[at(e)], sizeof(ShellPointResults), 1, work) != 1) {
                noteFileFailure(work, FileOperation::read, std::ferror(work) != 0 ? 0 : EIO);
                break;
            }
    }
    std::vector<int> numbers(at(elements));
    for (int e = 0; e < elements; ++e)
        numbers[at(e)] = elementNumber(m_, e);
    writePlateStresses(f_.listing, numbers, points);

    std::vector<double> sums(at(nodes_) * kShellResultants, 0.0);
    std::vector<int> counts(at(nodes_), 0);
    for (int e = 0; e < elements; ++e) {
        ShellNodalResultants nodal{};
        extrapolateShellResultants(points[at(e)], nodal);
        if (accumulateNodalResultants(nodesOf(m_, e), nodal, sums, counts) != PlateCoreStatus::ok)
            return kReturnPlateSolutionStopped;
    }
    if (!headerWritten_) {
        writeStepResultsHeader(f_.stepResults);
        headerWritten_ = true;
    }
    writeStepResultsBlock(f_.stepResults, step, s_.ASDIS, sums, counts);
    return 0;
}

int PlateRun::run() {
    const int prepared = prepare();
    if (prepared != 0) return prepared;
    const PlateTimeStepping& t = m_.stepping;
    double DT = t.DT;
    double TCUR = t.TINI + DT;
    int STEP = 1;
    while (TCUR <= t.TEND) {
        ReportLine heading;
        heading.slash().text("STEP ").I(STEP, 5).text("   TCUR   =").F(TCUR, 10, 4);
        heading.text("  DT = ").F(DT, 10, 4);
        toSummaryAndConsole(f_, heading, true);
        std::fill(TSDIS_.begin(), TSDIS_.end(), 0.0);
        int code = 0;
        const IterationEnd end = iterate(STEP, TCUR, code);
        if (end == IterationEnd::stopped) return code;
        if (end == IterationEnd::converged) {
            for (int v = 0; v < variables_; ++v)
                s_.ASDIS[at(v)] += TSDIS_[at(v)];
            s_.convergedSteps += 1;
            s_.convergedTime = TCUR;
            code = writeStep(STEP, TCUR);
            if (code != 0) return code;
            const double previous = TCUR;
            TCUR += DT;
            if (TCUR > t.TEND && previous < t.TEND) TCUR = t.TEND;
            STEP += 1;
        } else {
            DT = f32(0.5F) * DT;
            if (DT < t.DTMIN) {
                ReportLine error;
                error.text("error, REQUIRED INCREMENT LESS THAN MINIMUM SPECIFIED");
                writeLine(f_.summary, error);
                if (f_.console) std::fprintf(stderr, "%s\n", std::string(error.str()).c_str());
                s_.stepTooSmall = true;
                break;
            }
            TCUR -= DT;
        }
    }
    ReportLine end;
    end.text("END_STEP_DATA");
    writeLine(f_.stepResults, end);
    return 0;
}

}  // namespace

CapVector plateHeadDisplacement(const PlateModel& model, const PlatePoint& point,
                                const std::vector<double>& displacements) {
    CapVector head{};
    if (point.element < 0 || point.element >= model.control.NELEM) return head;
    CapVector atPoint{};
    const std::vector<int>& nodes = nodesOf(model, point.element);
    for (int a = 0; a < kShellNodes; ++a)
        for (int k = 0; k < kDof; ++k)
            atPoint[at(k)] +=
                point.weights[at(a)] * displacements[at(nodes[at(a)] - 1) * kDof + at(k)];
    multiply6(head, leverTransfer(point.leverX), atPoint, 1);
    return head;
}

PlateSpringResponses inSpringOrder(PlateSpringResponse response) {
    return [response = std::move(response)](std::span<const CapVector> heads,
                                            std::span<CapVector> forces,
                                            std::span<CapMatrix> tangents) {
        for (std::size_t s = 0; s < heads.size(); ++s) {
            const int status = response(static_cast<int>(s), heads[s], forces[s], &tangents[s]);
            if (status != 0) return status;
        }
        return 0;
    };
}

int solvePlateSteps(const PlateModel& model, const PlateSolverFiles& files,
                    const PlateSpringResponses& springs, PlateSolution& solution) {
    solution = PlateSolution{};
    PlateRun run(model, files, springs, solution);
    return run.run();
}

}  // namespace pylora
