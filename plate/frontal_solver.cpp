// SPDX-License-Identifier: Apache-2.0
#include "plate/frontal_solver.h"

#include <cmath>
#include <cstddef>
#include <vector>

#include "format/format.h"
#include "store/file_handle.h"

namespace pylora {

namespace {

using Index = std::size_t;

Index idx(int v) {
    return static_cast<Index>(v);
}

void writePivotMessage(std::FILE* listing, int variableNo, double pivot) {
    ReportLine line;
    line.text(" ")
        .X(3)
        .text("NEGATIVE OR ZERO PIVOT ENCOUNTERED FOR VARIABLE NO. ")
        .I(variableNo, 4)
        .text(" OF VALUE ")
        .E(pivot, 17, 6);
    writeLine(listing, line);
}

bool validate(const FrontalProblem& p) {
    if (p.nodeCount < 1 || p.elementCount < 1 || p.nodesPerElement < 1 || p.nodesPerElement > 9 ||
        p.dofsPerNode < 1 || p.dofsPerNode > 6)
        return false;
    const Index nev = idx(p.nodesPerElement * p.dofsPerNode);
    const Index elements = idx(p.elementCount);
    const Index variables = idx(p.nodeCount) * idx(p.dofsPerNode);
    if (p.connectivity.size() != elements * idx(p.nodesPerElement)) return false;
    if (p.elementFile != nullptr) {
        if (!p.elementMatrices.empty() || !p.elementRhs.empty()) return false;
        if (p.elementFile == p.equationFile) return false;
    } else {
        if (p.elementMatrices.size() != elements * nev * nev) return false;
        if (!p.elementRhs.empty() && p.elementRhs.size() != elements * nev) return false;
    }
    if (!p.nodalRhs.empty() && p.nodalRhs.size() != variables) return false;
    if (!p.fixity.empty() && p.fixity.size() != variables) return false;
    if (!p.prescribed.empty() && p.prescribed.size() != variables) return false;
    for (int e = 0; e < p.elementCount; ++e) {
        for (int a = 0; a < p.nodesPerElement; ++a) {
            const int node = p.connectivity[idx(e * p.nodesPerElement + a)];
            if (node < 1 || node > p.nodeCount) return false;
            for (int b = 0; b < a; ++b)
                if (p.connectivity[idx(e * p.nodesPerElement + b)] == node) return false;
        }
    }
    return true;
}

// The eliminated equations of one solution, in order of elimination: in
// memory (coefficients of all equations one after the other) or in the
// equation file, of which only the byte offset of every record is kept.
struct EquationStore {
    std::FILE* file = nullptr;
    // In memory: per equation its variable, first coefficient, count and
    // right-hand side.
    struct Equation {
        int variable = 0;
        Index first = 0;
        Index count = 0;
        double rhs = 0.0;
    };
    std::vector<Equation> equations;
    std::vector<int> coefficientVariable;
    std::vector<double> coefficient;
    // In the file: the offset of every record, and where the next one goes.
    std::vector<long> offsets;
    long end = 0;
};

long recordBytes(Index count) {
    return static_cast<long>(2 * sizeof(int) + count * (sizeof(int) + sizeof(double)) +
                             sizeof(double));
}

// Keeps one equation: the variable, the row's variables and coefficients and
// the right-hand side. False when the file record could not be written.
bool keepEquation(EquationStore& store, int variable, std::span<const int> rowVariables,
                  std::span<const double> rowCoefficients, double rhs) {
    const Index count = rowVariables.size();
    if (store.file == nullptr) {
        EquationStore::Equation eq;
        eq.variable = variable;
        eq.first = store.coefficient.size();
        eq.count = count;
        eq.rhs = rhs;
        store.coefficientVariable.insert(store.coefficientVariable.end(), rowVariables.begin(),
                                         rowVariables.end());
        store.coefficient.insert(store.coefficient.end(), rowCoefficients.begin(),
                                 rowCoefficients.end());
        store.equations.push_back(eq);
        return true;
    }
    const int n = static_cast<int>(count);
    // A write that fails is recorded with its file by writeBytes.
    if (!writeBytes(store.file, &variable, sizeof(int)) ||
        !writeBytes(store.file, &n, sizeof(int)) ||
        !writeBytes(store.file, rowVariables.data(), sizeof(int) * count) ||
        !writeBytes(store.file, rowCoefficients.data(), sizeof(double) * count) ||
        !writeBytes(store.file, &rhs, sizeof(double)))
        return false;
    store.offsets.push_back(store.end);
    store.end += recordBytes(count);
    return true;
}

Index equationCount(const EquationStore& store) {
    return store.file == nullptr ? store.equations.size() : store.offsets.size();
}

// Equation k (0-based, in order of elimination) into the caller's buffers,
// which hold the widest front. False when the file record cannot be read or
// does not read back as one of this solution's equations.
bool recallEquation(EquationStore& store, Index k, int variables, int& variable, Index& count,
                    std::vector<int>& rowVariables, std::vector<double>& rowCoefficients,
                    double& rhs) {
    if (store.file == nullptr) {
        const EquationStore::Equation& eq = store.equations[k];
        variable = eq.variable;
        count = eq.count;
        rhs = eq.rhs;
        for (Index i = 0; i < count; ++i) {
            rowVariables[i] = store.coefficientVariable[eq.first + i];
            rowCoefficients[i] = store.coefficient[eq.first + i];
        }
        return true;
    }
    int n = 0;
    if (std::fseek(store.file, store.offsets[k], SEEK_SET) != 0 ||
        std::fread(&variable, sizeof(int), 1, store.file) != 1 ||
        std::fread(&n, sizeof(int), 1, store.file) != 1) {
        if (std::ferror(store.file) != 0) noteFileFailure(store.file, FileOperation::read);
        return false;
    }
    if (variable < 0 || variable >= variables || n < 1 || idx(n) > rowVariables.size())
        return false;
    count = idx(n);
    if (std::fread(rowVariables.data(), sizeof(int), count, store.file) != count ||
        std::fread(rowCoefficients.data(), sizeof(double), count, store.file) != count ||
        std::fread(&rhs, sizeof(double), 1, store.file) != 1) {
        if (std::ferror(store.file) != 0) noteFileFailure(store.file, FileOperation::read);
        return false;
    }
    for (Index i = 0; i < count; ++i)
        if (rowVariables[i] < 0 || rowVariables[i] >= variables) return false;
    return true;
}

}  // namespace

PlateCoreStatus writeFrontalElement(std::FILE* elementFile, std::span<const double> matrix,
                                    std::span<const double> rhs) {
    if (elementFile == nullptr || rhs.empty() || matrix.size() != rhs.size() * rhs.size())
        return PlateCoreStatus::invalidInput;
    if (!writeBytes(elementFile, matrix.data(), sizeof(double) * matrix.size()) ||
        !writeBytes(elementFile, rhs.data(), sizeof(double) * rhs.size()))
        return PlateCoreStatus::invalidInput;
    return PlateCoreStatus::ok;
}

PlateCoreStatus solveFrontal(const FrontalProblem& p, std::FILE* listing,
                             std::span<double> solution, std::span<double> reactions,
                             int& maximumFrontWidth) {
    if (!validate(p)) return PlateCoreStatus::invalidInput;
    const int ndof = p.dofsPerNode;
    const int nnode = p.nodesPerElement;
    const int nev = nnode * ndof;
    const int variables = p.nodeCount * ndof;
    if (solution.size() != idx(variables)) return PlateCoreStatus::invalidInput;
    if (!reactions.empty() && reactions.size() != idx(variables))
        return PlateCoreStatus::invalidInput;

    // Last element of every node: its variables leave the front there.
    std::vector<int> lastElement(idx(p.nodeCount), -1);
    for (int e = 0; e < p.elementCount; ++e)
        for (int a = 0; a < nnode; ++a)
            lastElement[idx(p.connectivity[idx(e * nnode + a)] - 1)] = e;
    for (int last : lastElement)
        if (last < 0) return PlateCoreStatus::invalidInput;

    // Widest front: variables enter with their node's first element and
    // leave after its last.
    int width = 0;
    {
        std::vector<char> seen(idx(p.nodeCount), 0);
        int current = 0;
        for (int e = 0; e < p.elementCount; ++e) {
            for (int a = 0; a < nnode; ++a) {
                const int node = p.connectivity[idx(e * nnode + a)] - 1;
                if (seen[idx(node)] == 0) {
                    seen[idx(node)] = 1;
                    current += ndof;
                }
            }
            if (current > width) width = current;
            for (int a = 0; a < nnode; ++a)
                if (lastElement[idx(p.connectivity[idx(e * nnode + a)] - 1)] == e) current -= ndof;
        }
    }

    auto fixed = [&](int v) { return !p.fixity.empty() && p.fixity[idx(v)] > 0; };
    auto prescribedValue = [&](int v) { return p.prescribed.empty() ? 0.0 : p.prescribed[idx(v)]; };

    // The front: slot of each variable (-1 outside the front), variable of
    // each slot, the front matrix and right-hand side.
    const Index w = idx(width);
    std::vector<int> slotOf(idx(variables), -1);
    std::vector<int> variableOf(w, -1);
    std::vector<int> freeSlots;
    freeSlots.reserve(w);
    for (int s = width - 1; s >= 0; --s)
        freeSlots.push_back(s);
    std::vector<double> front(w * w, 0.0);
    std::vector<double> rhs(w, 0.0);
    std::vector<double> assembledDiagonal(idx(variables), 0.0);

    // The eliminated equations, in order of elimination, and the pivot row
    // of the equation being eliminated.
    EquationStore store;
    store.file = p.equationFile;
    if (store.file != nullptr) {
        if (std::fseek(store.file, 0, SEEK_SET) != 0) {
            noteFileFailure(store.file, FileOperation::write);
            return PlateCoreStatus::workFileError;
        }
        store.offsets.reserve(idx(variables));
    } else {
        store.equations.reserve(idx(variables));
    }
    std::vector<int> rowVariables(w, 0);
    std::vector<double> rowCoefficients(w, 0.0);

    // The element being assembled: its matrix and right-hand side (null when
    // there is none), from the spans or read from the element file into
    // elementRecord.
    const Index matrixSize = idx(nev) * idx(nev);
    std::vector<double> elementRecord;
    if (p.elementFile != nullptr) {
        // A failed seek here is the write-out of what the assembly left in
        // the stream's buffer: the element data are not all in the file.
        if (std::fseek(p.elementFile, 0, SEEK_SET) != 0) {
            noteFileFailure(p.elementFile, FileOperation::write);
            return PlateCoreStatus::invalidInput;
        }
        elementRecord.assign(matrixSize + idx(nev), 0.0);
    }

    std::vector<int> elementSlot(idx(nev), 0);
    for (int e = 0; e < p.elementCount; ++e) {
        const double* elementMatrix = nullptr;
        const double* elementRhs = nullptr;
        if (p.elementFile != nullptr) {
            if (std::fread(elementRecord.data(), sizeof(double), elementRecord.size(),
                           p.elementFile) != elementRecord.size()) {
                if (std::ferror(p.elementFile) != 0)
                    noteFileFailure(p.elementFile, FileOperation::read);
                return PlateCoreStatus::invalidInput;
            }
            elementMatrix = elementRecord.data();
            elementRhs = elementRecord.data() + matrixSize;
        } else {
            elementMatrix = p.elementMatrices.data() + idx(e) * matrixSize;
            if (!p.elementRhs.empty()) elementRhs = p.elementRhs.data() + idx(e) * idx(nev);
        }
        // Variables of the element enter the front.
        for (int a = 0; a < nnode; ++a) {
            const int node = p.connectivity[idx(e * nnode + a)] - 1;
            for (int d = 0; d < ndof; ++d) {
                const int v = node * ndof + d;
                if (slotOf[idx(v)] < 0) {
                    const int s = freeSlots.back();
                    freeSlots.pop_back();
                    slotOf[idx(v)] = s;
                    variableOf[idx(s)] = v;
                    rhs[idx(s)] = p.nodalRhs.empty() ? 0.0 : p.nodalRhs[idx(v)];
                }
                elementSlot[idx(a * ndof + d)] = slotOf[idx(v)];
            }
        }
        // Assembly.
        for (int r = 0; r < nev; ++r) {
            const Index sr = idx(elementSlot[idx(r)]);
            const double* row = elementMatrix + idx(r) * idx(nev);
            for (int c = 0; c < nev; ++c)
                front[sr * w + idx(elementSlot[idx(c)])] += row[c];
            if (elementRhs != nullptr) rhs[sr] += elementRhs[r];
            const int v = variableOf[sr];
            assembledDiagonal[idx(v)] += row[r];
        }
        // Elimination of the variables whose last element this is.
        for (int a = 0; a < nnode; ++a) {
            const int node = p.connectivity[idx(e * nnode + a)] - 1;
            if (lastElement[idx(node)] != e) continue;
            for (int d = 0; d < ndof; ++d) {
                const int v = node * ndof + d;
                const Index sp = idx(slotOf[idx(v)]);
                const double pivot = front[sp * w + sp];

                // The pivot row becomes the equation's record.
                Index count = 0;
                for (Index s = 0; s < w; ++s) {
                    if (variableOf[s] < 0) continue;
                    rowVariables[count] = variableOf[s];
                    rowCoefficients[count] = front[sp * w + s];
                    ++count;
                }
                if (!keepEquation(store, v, std::span<const int>(rowVariables.data(), count),
                                  std::span<const double>(rowCoefficients.data(), count), rhs[sp]))
                    return PlateCoreStatus::workFileError;

                if (fixed(v)) {
                    // A restrained variable: its known value moves to the
                    // right-hand side of the other equations.
                    const double value = prescribedValue(v);
                    for (Index s = 0; s < w; ++s)
                        if (variableOf[s] >= 0 && s != sp) rhs[s] -= front[s * w + sp] * value;
                } else {
                    if (std::fabs(pivot) <=
                        kZeroPivotRatio * std::fabs(assembledDiagonal[idx(v)])) {
                        writePivotMessage(listing, v + 1, pivot);
                        return PlateCoreStatus::zeroPivot;
                    }
                    for (Index s = 0; s < w; ++s) {
                        if (variableOf[s] < 0 || s == sp) continue;
                        const double factor = front[s * w + sp] / pivot;
                        if (factor == 0.0) continue;
                        for (Index c = 0; c < w; ++c)
                            if (variableOf[c] >= 0) front[s * w + c] -= factor * front[sp * w + c];
                        rhs[s] -= factor * rhs[sp];
                    }
                }
                // The variable leaves the front.
                for (Index s = 0; s < w; ++s) {
                    front[sp * w + s] = 0.0;
                    front[s * w + sp] = 0.0;
                }
                rhs[sp] = 0.0;
                variableOf[sp] = -1;
                slotOf[idx(v)] = -1;
                freeSlots.push_back(static_cast<int>(sp));
            }
        }
    }

    // Back-substitution, from the last equation eliminated to the first:
    // every other variable of an equation was eliminated after it, so it is
    // known by then.
    std::vector<double> x(idx(variables), 0.0);
    std::vector<double> reaction(idx(variables), 0.0);
    for (Index k = equationCount(store); k-- > 0;) {
        int v = 0;
        Index count = 0;
        double equationRhs = 0.0;
        if (!recallEquation(store, k, variables, v, count, rowVariables, rowCoefficients,
                            equationRhs))
            return PlateCoreStatus::workFileError;
        double sum = 0.0;
        double diagonal = 0.0;
        for (Index i = 0; i < count; ++i) {
            if (rowVariables[i] == v)
                diagonal = rowCoefficients[i];
            else
                sum += rowCoefficients[i] * x[idx(rowVariables[i])];
        }
        if (fixed(v)) {
            x[idx(v)] = prescribedValue(v);
            reaction[idx(v)] = sum + diagonal * x[idx(v)] - equationRhs;
        } else {
            x[idx(v)] = (equationRhs - sum) / diagonal;
        }
    }
    for (double v : x)
        if (!std::isfinite(v)) return PlateCoreStatus::notFinite;
    for (double v : reaction)
        if (!std::isfinite(v)) return PlateCoreStatus::notFinite;
    for (int v = 0; v < variables; ++v)
        solution[idx(v)] = x[idx(v)];
    if (!reactions.empty())
        for (int v = 0; v < variables; ++v)
            reactions[idx(v)] = reaction[idx(v)];
    maximumFrontWidth = width;
    return PlateCoreStatus::ok;
}

}  // namespace pylora
