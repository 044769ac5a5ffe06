// SPDX-License-Identifier: Apache-2.0
#include "plate/plate_checks.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numeric>

#include "store/constants.h"

namespace pylora {

namespace {

bool outside(int v, int low, int high) {
    return v < low || v > high;
}

bool validNode(const PlateModel& model, int node) {
    return node >= 1 && node <= model.control.NPOIN &&
           static_cast<std::size_t>(node) <= model.nodes.size();
}

int dimensionsOf(const PlateModel& model) {
    return std::clamp(model.control.element.NDIME, 1, 3);
}

// Pairs of nodes whose coordinates are all equal: the nodes sorted by their
// coordinates, each run of k equal nodes holding k (k - 1) / 2 pairs.
int coincidentPairs(const PlateModel& model) {
    const int dims = dimensionsOf(model);
    const auto less = [&](const std::array<double, 3>& a, const std::array<double, 3>& b) {
        for (int d = 0; d < dims; ++d)
            if (a[d] != b[d]) return a[d] < b[d];
        return false;
    };
    std::vector<std::array<double, 3>> sorted = model.nodes;
    std::sort(sorted.begin(), sorted.end(), less);
    int pairs = 0;
    for (std::size_t i = 0; i < sorted.size();) {
        std::size_t j = i + 1;
        while (j < sorted.size() && !less(sorted[i], sorted[j]))
            ++j;
        const int k = static_cast<int>(j - i);
        pairs += k * (k - 1) / 2;
        i = j;
    }
    return pairs;
}

}  // namespace

bool PlateMeshDiagnosis::anyError() const {
    return std::any_of(counters.begin(), counters.end(), [](int n) { return n != 0; });
}

std::vector<int> checkPlateControl(const PlateControl& c) {
    const PlateElementControl& e = c.element;
    const bool raised[12] = {c.NPOIN < 1,
                             static_cast<long long>(c.NNODE) * c.NELEM < c.NPOIN,
                             outside(c.NVFIX, 0, c.NPOIN),
                             e.NCASE < 1,
                             outside(e.NTYPE, 0, 2),
                             outside(c.NNODE, 3, 9),
                             outside(e.NDOFN, 2, 6),
                             outside(c.NMATS, 1, c.NELEM),
                             outside(e.NPROP, 3, 5),
                             outside(c.NGAUS, 1, 3),
                             outside(e.NDIME, 1, 3),
                             outside(e.NSTRE, 2, 8)};
    std::vector<int> errors;
    for (int n = 1; n <= 12; ++n)
        if (raised[n - 1]) errors.push_back(n);
    return errors;
}

int maximumFrontWidth(const PlateModel& model) {
    const int elements = static_cast<int>(model.elements.size());
    const std::size_t nodes = model.nodes.size();
    std::vector<int> first(nodes + 1, 0);
    std::vector<int> last(nodes + 1, 0);
    for (int e = 1; e <= elements; ++e) {
        for (const int n : model.elements[static_cast<std::size_t>(e - 1)].nodes) {
            if (!validNode(model, n)) continue;
            if (first[n] == 0) first[n] = e;
            last[n] = e;
        }
    }
    // Each element's change of the front: variables entering at it, less
    // those whose node left after the element before it.
    std::vector<long long> change(static_cast<std::size_t>(elements) + 2, 0);
    const int dofs = model.control.element.NDOFN;
    for (std::size_t n = 1; n <= nodes; ++n) {
        if (first[n] == 0) continue;
        change[static_cast<std::size_t>(first[n])] += dofs;
        if (last[n] < elements) change[static_cast<std::size_t>(last[n] + 1)] -= dofs;
    }
    long long front = 0;
    long long widest = 0;
    for (int e = 1; e <= elements; ++e) {
        front += change[static_cast<std::size_t>(e)];
        widest = std::max(widest, front);
    }
    return static_cast<int>(std::min<long long>(widest, 1000000000LL));
}

PlateMeshDiagnosis checkPlateMesh(const PlateModel& model) {
    PlateMeshDiagnosis d;
    auto count = [&](int error) -> int& { return d.counters[static_cast<std::size_t>(error - 1)]; };
    const PlateControl& c = model.control;

    count(13) = coincidentPairs(model);

    std::vector<char> used(model.nodes.size() + 1, 0);
    for (const PlateElement& e : model.elements) {
        if (outside(e.property, 1, c.NMATS)) ++count(14);
        for (std::size_t i = 0; i < e.nodes.size(); ++i) {
            const int n = e.nodes[i];
            if (n == 0) ++count(15);
            if (n < 0 || n > c.NPOIN) ++count(16);
            if (validNode(model, n)) used[static_cast<std::size_t>(n)] = 1;
            for (std::size_t j = i + 1; j < e.nodes.size(); ++j)
                if (n != 0 && e.nodes[j] == n) ++count(17);
        }
    }

    const int dims = dimensionsOf(model);
    for (std::size_t n = 1; n < used.size(); ++n) {
        if (used[n] != 0) continue;
        const int node = static_cast<int>(n);
        d.unconnectedNodes.push_back(node);
        ++count(18);
        const std::array<double, 3>& x = model.nodes[n - 1];
        double distance = 0.0;
        for (int k = 0; k < dims; ++k)
            distance += std::fabs(x[static_cast<std::size_t>(k)]);
        if (distance > f32(1.0E-30F)) ++count(19);
        if (std::any_of(model.restraints.begin(), model.restraints.end(),
                        [&](const PlateRestraint& r) { return r.node == node; }))
            ++count(20);
    }

    d.maxFrontWidth = maximumFrontWidth(model);
    // The front grows to the widest front of the mesh, up to the capacity of
    // the frontal solution.
    if (d.maxFrontWidth > kMaxPlateFrontWidth)
        count(21) = 1;
    else if (d.maxFrontWidth > d.frontCapacity)
        d.frontCapacity = d.maxFrontWidth + 1;

    for (std::size_t i = 0; i < model.restraints.size(); ++i) {
        const PlateRestraint& r = model.restraints[i];
        if (outside(r.node, 1, c.NPOIN)) ++count(22);
        if (std::none_of(r.codes.begin(), r.codes.end(), [](int code) { return code > 0; }))
            ++count(23);
        for (std::size_t j = i + 1; j < model.restraints.size(); ++j)
            if (model.restraints[j].node == r.node) ++count(24);
    }
    return d;
}

}  // namespace pylora
