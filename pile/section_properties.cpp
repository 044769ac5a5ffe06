// SPDX-License-Identifier: Apache-2.0
#include "pile/section_properties.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "soil/soil_profile.h"
#include "store/constants.h"

namespace pylora {

namespace {

// Two load points closer than this stand at the same position.
const double kCoincidentPositions = f32(1.0E-5F);
// A curvature below this is no curvature.
const double kNoCurvature = f32(1.0E-15F);

bool validGroup(int g) {
    return g >= 1 && g <= kMaxPileGroups;
}

double headOfCurrentGroup(const ModelStore& store, const PileScratch& scratch) {
    const int g = scratch.py.currentPileGroup;
    return validGroup(g) ? store.work.groups[g - 1].XHEAD : 0.0;
}

double rigidityOf(const SectionWork& s, BendingPlane plane) {
    return plane == BendingPlane::xz ? s.EIy : s.EIz;
}

int setOf(const SectionWork& s, BendingPlane plane) {
    return plane == BendingPlane::xy ? s.mcSetZ : s.mcSetY;
}

// Secant rigidity on one curve at curvature phi > = 0; false without two
// points or when a secant cannot be formed.
bool secantOnCurve(const McCurve& curve, double phi, double& EI) {
    const int m = std::clamp(curve.mcPointCount, 0, kMaxCurvePoints);
    if (m < 2) return false;
    const auto& pt = curve.points;
    if (phi <= pt[0].curvature || !(phi > 0.0)) {
        // Up to the first point the curve is its initial secant.
        if (!(pt[1].curvature > 0.0)) return false;
        EI = pt[1].moment / pt[1].curvature;
        return true;
    }
    for (int i = 2; i <= m; ++i) {
        const McPoint& lower = pt[i - 2];
        const McPoint& upper = pt[i - 1];
        if (phi > upper.curvature) continue;
        // lower.curvature < phi <= upper.curvature, so the interval has length.
        const double moment = lower.moment + (upper.moment - lower.moment) *
                                                 (phi - lower.curvature) /
                                                 (upper.curvature - lower.curvature);
        EI = moment / phi;
        return true;
    }
    // Beyond the last point the moment stays at its last value.
    EI = pt[m - 1].moment / phi;
    return true;
}

}  // namespace

const SectionWork* sectionContaining(const ModelStore& store, const PileScratch& scratch, int IPROP,
                                     double X) {
    if (IPROP < 1 || IPROP > kMaxPileProperties) return nullptr;
    const PropertyWork& property = store.work.properties[IPROP - 1];
    const int count = std::min(property.NSECT, kMaxPileSections);
    if (count < 1) return nullptr;
    // The last section reaches 20% past the tip (sectionEnd), so that every
    // node of the pile, and a little more, lies inside a section.
    const double s = X - headOfCurrentGroup(store, scratch);
    for (int k = 1; k <= count; ++k)
        if (s < sectionEnd(property, k)) return &property.sections[k - 1];
    return &property.sections[count - 1];
}

double sectionProperty(const ModelStore& store, const PileScratch& scratch, int IPROP, double X,
                       BendingPlane plane) {
    const SectionWork* section = sectionContaining(store, scratch, IPROP, X);
    return section ? rigidityOf(*section, plane) : 0.0;
}

int momentCurvatureSetAt(const ModelStore& store, const PileScratch& scratch, int IPROP, double X,
                         BendingPlane plane) {
    const SectionWork* section = sectionContaining(store, scratch, IPROP, X);
    return section ? setOf(*section, plane) : 0;
}

bool momentCurvatureRigidity(const McSet& set, double phi, double Q, double& EI) {
    const int nq = std::clamp(set.mcCurveCount, 0, kMaxMcCurvesPerSet);
    if (nq < 1) return false;
    const auto& curves = set.curves;
    // Axial level: the curve whose axial load is the last one not above Q.
    int L = 1;
    if (Q >= curves[nq - 1].axialLoad) {
        L = nq;
    } else if (Q > curves[0].axialLoad) {
        for (int q = 1; q < nq; ++q) {
            if (curves[q - 1].axialLoad <= Q && Q < curves[q].axialLoad) {
                L = q;
                break;
            }
        }
    }
    double value = 0.0;
    if (!secantOnCurve(curves[L - 1], phi, value)) return false;
    if (L < nq && Q > curves[0].axialLoad) {
        const double PL = curves[L - 1].axialLoad;
        const double PU = curves[L].axialLoad;
        double upper = 0.0;
        if (PU > PL && secantOnCurve(curves[L], phi, upper))
            value = upper - (PU - Q) * (upper - value) / (PU - PL);
    }
    if (!(value > 0.0) || !std::isfinite(value)) return false;
    EI = value;
    return true;
}

void updateFlexuralRigidity(const ModelStore& store, PileScratch& scratch, int pileGroup,
                            int planeIndex, BendingPlane plane, double Q) {
    if (!validGroup(pileGroup) || planeIndex < 0 || planeIndex > 1) return;
    PileWork& work = scratch.work;
    const int N = work.N;
    const double h = work.h;
    if (N < 1 || N > kMaxIncrements || !(h > 0.0)) return;
    const PileGroupWork& group = store.work.groups[pileGroup - 1];
    PlaneWork& pl = work.planes[static_cast<std::size_t>(planeIndex)];
    const double h2 = h * h;
    const int setCount = std::clamp(store.mcSets.mcSetCount, 0, kMaxMcSets);
    for (int k = 0; k <= N; ++k) {
        const std::size_t m = static_cast<std::size_t>(k + kNodeOffset);
        double phi = std::fabs(pl.y[m + 1] - 2.0 * pl.y[m] + pl.y[m - 1]) / h2;
        if (phi < kNoCurvature) phi = 0.0;
        pl.curvature[m] = phi;
        const SectionWork* section =
            sectionContaining(store, scratch, group.IPROP, group.XHEAD + k * h);
        if (!section) continue;
        double EI = rigidityOf(*section, plane);
        const int setNo = setOf(*section, plane);
        if (setNo >= 1 && setNo <= setCount) {
            double secant = 0.0;
            if (momentCurvatureRigidity(store.mcSets.rows[setNo - 1], phi, Q, secant)) EI = secant;
        }
        pl.R[m] = EI;
    }
}

void interpolateLoadAtNodes(std::span<const double> zw, std::span<const double> wv,
                            std::span<const double> z, std::span<double> out) {
    const std::size_t nw = std::min(zw.size(), wv.size());
    const std::size_t count = std::min(z.size(), out.size());
    if (nw < 2) {
        std::fill_n(out.begin(), count, 0.0);
        return;
    }
    std::size_t j = 1;  // 0-based upper point of the interval, kept between nodes
    for (std::size_t e = 0; e < count; ++e) {
        const double x = z[e];
        if (x < zw[0] || x > zw[nw - 1]) {
            out[e] = 0.0;
            continue;
        }
        while (j < nw - 1 && zw[j] < x)
            ++j;
        // zw[j - 1] <= x <= zw[j]. A node at a position that two points share
        // takes their mean, whichever side of the pair the cursor stands.
        if (j + 1 < nw && std::fabs(zw[j + 1] - zw[j]) < kCoincidentPositions &&
            std::fabs(x - zw[j]) < kCoincidentPositions) {
            out[e] = 0.5 * (wv[j] + wv[j + 1]);
        } else if (std::fabs(zw[j] - zw[j - 1]) < kCoincidentPositions) {
            out[e] = 0.5 * (wv[j - 1] + wv[j]);
        } else {
            out[e] = wv[j - 1] + (x - zw[j - 1]) * (wv[j] - wv[j - 1]) / (zw[j] - zw[j - 1]);
        }
    }
}

void distributedLoadAtNodes(const ModelStore& store, int pileGroup, LoadDirection direction,
                            NodalArray& w) {
    w.fill(0.0);
    if (!validGroup(pileGroup)) return;
    const CurrentAnalysis::DistributedLoadTables& tables = store.analysis.distributed;
    const std::size_t g = static_cast<std::size_t>(pileGroup - 1);
    if (tables.loaded[g] == 0) return;
    const PileGroupWork& group = store.work.groups[g];
    if (group.IPROP < 1 || group.IPROP > kMaxPileProperties) return;
    const PropertyWork& property = store.work.properties[group.IPROP - 1];
    const int N = property.increments;
    if (N < 1 || N > kMaxIncrements) return;
    const double h = property.LENGTH / N;
    const int points = std::clamp(tables.nodeCount[g], 0, kMaxPileNodes);

    std::array<double, kMaxPileNodes> zw{};
    std::array<double, kMaxPileNodes> z{};
    std::array<double, kMaxPileNodes> out{};
    for (int j = 0; j < points; ++j)
        zw[static_cast<std::size_t>(j)] = j * h;
    for (int k = 0; k <= N; ++k)
        z[static_cast<std::size_t>(k)] = k * h;
    const auto& loads = direction == LoadDirection::y ? tables.loadY[g] : tables.loadZ[g];
    const auto n = static_cast<std::size_t>(points);
    interpolateLoadAtNodes(std::span<const double>(zw.data(), n),
                           std::span<const double>(loads.data(), n),
                           std::span<const double>(z.data(), static_cast<std::size_t>(N + 1)),
                           std::span<double>(out.data(), static_cast<std::size_t>(N + 1)));
    std::copy_n(out.begin(), N + 1, w.begin() + kNodeOffset);
}

}  // namespace pylora
