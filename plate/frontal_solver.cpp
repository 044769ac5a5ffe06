#include "plate/frontal_solver.h"

#include <cmath>
#include <cstddef>
#include <vector>

#include "format/format.h"

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
    if (p.elementMatrices.size() != elements * nev * nev) return false;
    if (!p.elementRhs.empty() && p.elementRhs.size() != elements * nev) return false;
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

}  // namespace

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

    // The eliminated equations, in order of elimination.
    struct Equation {
        int variable = 0;
        Index first = 0;  // first coefficient in coefficientVariable / coefficient
        Index count = 0;
        double rhs = 0.0;
    };
    std::vector<Equation> equations;
    equations.reserve(idx(variables));
    std::vector<int> coefficientVariable;
    std::vector<double> coefficient;

    std::vector<int> elementSlot(idx(nev), 0);
    for (int e = 0; e < p.elementCount; ++e) {
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
        const Index base = idx(e) * idx(nev) * idx(nev);
        for (int r = 0; r < nev; ++r) {
            const Index sr = idx(elementSlot[idx(r)]);
            for (int c = 0; c < nev; ++c)
                front[sr * w + idx(elementSlot[idx(c)])] +=
                    p.elementMatrices[base + idx(r) * idx(nev) + idx(c)];
            if (!p.elementRhs.empty()) rhs[sr] += p.elementRhs[idx(e) * idx(nev) + idx(r)];
            const int v = variableOf[sr];
            assembledDiagonal[idx(v)] += p.elementMatrices[base + idx(r) * idx(nev) + idx(r)];
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
                Equation eq;
                eq.variable = v;
                eq.first = coefficient.size();
                eq.rhs = rhs[sp];
                for (Index s = 0; s < w; ++s) {
                    if (variableOf[s] < 0) continue;
                    coefficientVariable.push_back(variableOf[s]);
                    coefficient.push_back(front[sp * w + s]);
                }
                eq.count = coefficient.size() - eq.first;
                equations.push_back(eq);

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
    for (auto eq = equations.rbegin(); eq != equations.rend(); ++eq) {
        const int v = eq->variable;
        double sum = 0.0;
        double diagonal = 0.0;
        for (Index k = eq->first; k < eq->first + eq->count; ++k) {
            if (coefficientVariable[k] == v)
                diagonal = coefficient[k];
            else
                sum += coefficient[k] * x[idx(coefficientVariable[k])];
        }
        if (fixed(v)) {
            x[idx(v)] = prescribedValue(v);
            reaction[idx(v)] = sum + diagonal * x[idx(v)] - eq->rhs;
        } else {
            x[idx(v)] = (eq->rhs - sum) / diagonal;
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
