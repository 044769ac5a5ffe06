// SPDX-License-Identifier: Apache-2.0
#include "cli/results_json.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "soil/soil_profile.h"
#include "store/model_store.h"

namespace pylora {

namespace {

using Json = nlohmann::ordered_json;

// Version of the document layout; raised when a field changes its meaning.
constexpr int kFormatVersion = 2;

// Numbers of pile results (per-analysis rows and profiles, envelopes) that a
// document holds at most, about 100 MB in memory: a model at the capacities
// (2000 pile groups, 200 analyses) would otherwise need gigabytes. Beyond it
// the pile results of further analyses are left out and marked.
constexpr long long kPileValueBudget = 4'000'000;

// The nodes of the solvers' nodal arrays: node k at [k + kNodeOffset].
Json nodes(const NodalArray& a, int N) {
    Json out = Json::array();
    for (int k = 0; k <= N; ++k)
        out.push_back(a[static_cast<std::size_t>(k + kNodeOffset)]);
    return out;
}

// The values of nodes 0..N of an envelope, which keeps them from node 0
// (the solver's arrays have the fictitious nodes above the head first).
template <typename Values>
Json envelopeNodes(const Values& a, int N) {
    Json out = Json::array();
    for (int k = 0; k <= N && static_cast<std::size_t>(k) < a.size(); ++k)
        out.push_back(a[static_cast<std::size_t>(k)]);
    return out;
}

std::string trimmed(std::string_view text) {
    const std::size_t b = text.find_first_not_of(' ');
    if (b == std::string_view::npos) return {};
    return std::string(text.substr(b, text.find_last_not_of(' ') - b + 1));
}

// A report block as text: its records without the blanks around them, empty
// records dropped, joined by '\n'.
std::string blockText(std::string_view block) {
    std::string out;
    std::size_t start = 0;
    while (start <= block.size()) {
        std::size_t end = block.find('\n', start);
        if (end == std::string_view::npos) end = block.size();
        const std::string record = trimmed(block.substr(start, end - start));
        if (!record.empty()) {
            if (!out.empty()) out += '\n';
            out += record;
        }
        start = end + 1;
    }
    return out;
}

bool twoDimensional(const ModelStore& store) {
    return store.control.analysisType == 2;
}

// Names of the cap components and of the pile-head values.
constexpr const char* kLoadNames[] = {"Fx", "Fy", "Fz", "Mx", "My", "Mz"};
constexpr const char* kDisplacementNames[] = {"ux", "uy", "uz", "tx", "ty", "tz"};
constexpr int kPlaneComponents[] = {kForceX, kForceY, kMomentZ};
constexpr const char* kHead3D[] = {"ux", "uy", "uz", "tx", "ty", "tz",    "Fx",
                                   "Fy", "Fz", "Mx", "My", "Mz", "stress"};
constexpr const char* kHead2D[] = {"ux", "uy", "tz", "Fx", "Fy", "Mz", "stress"};

// The cap vector of the analysis: six components, or the three of the plane
// taken from their places in a CapVector (fromPlane: given as three).
Json capVector(const ModelStore& store, std::span<const double> v, const char* const* names,
               bool fromPlane) {
    Json out = Json::object();
    if (twoDimensional(store)) {
        for (int i = 0; i < 3; ++i) {
            const std::size_t at = fromPlane ? static_cast<std::size_t>(i)
                                             : static_cast<std::size_t>(kPlaneComponents[i]);
            if (at < v.size()) out[names[kPlaneComponents[i]]] = v[at];
        }
        return out;
    }
    for (std::size_t i = 0; i < std::min<std::size_t>(v.size(), kCapComponents); ++i)
        out[names[i]] = v[i];
    return out;
}

Json headValues(const ModelStore& store, std::span<const double> row) {
    Json out = Json::object();
    const bool plane = twoDimensional(store);
    const std::size_t count = plane ? std::size(kHead2D) : std::size(kHead3D);
    for (std::size_t i = 0; i < std::min(count, row.size()); ++i)
        out[plane ? kHead2D[i] : kHead3D[i]] = row[i];
    return out;
}

std::string completionMeaning(int code, double loadFactor) {
    switch (code) {
        case 1:
            return "ANALYSIS COMPLETED";
        case 2:
            return "SOLUTION AT " + std::to_string(100.0 * loadFactor) + " % OF THE TOTAL LOAD";
        case 3:
            return "NO CONVERGENCE ON PILE CAP";
        case 6:
            return "NO CONVERGENCE ON PILES";
        case 7:
            return "SINGULAR STIFFNESS MATRIX";
        case 8:
            return "ANALYSIS INTERRUPTED";
        default:
            return "";
    }
}

std::string soilTypeName(int KSOIL) {
    switch (KSOIL) {
        case 1:
            return "soft clay";
        case 2:
            return "stiff clay below the water table";
        case 3:
        case 10:
            return "stiff clay above the water table";
        case 4:
            return "sand";
        case 5:
            return "user p-y curves";
        case 6:
            return "vuggy limestone";
        case 7:
            return "silt";
        case 8:
            return "sand (API)";
        case 9:
            return "weak rock";
        case 11:
            return "liquefied sand";
        default:
            return "";
    }
}

std::string connectionName(int code) {
    switch (code) {
        case kConnectionPinned:
            return "pinned";
        case kConnectionFixed:
            return "fixed";
        case kConnectionRestrained:
            return "restrained";
        default:
            return "";
    }
}

// Unit labels of the run without their blanks, as the report composes them.
struct Labels {
    std::string length, force;
    std::string moment() const { return length + "-" + force; }
    std::string stress() const { return force + "/" + length + "**2"; }
    std::string perLength() const { return force + "/" + length; }
    std::string rigidity() const { return force + "-" + length + "**2"; }
};

Labels labelsOf(const ModelStore& store) {
    return {trimmed(store.units.length2.view()), trimmed(store.units.force3.view())};
}

}  // namespace

std::string returnMeaning(int rc) {
    switch (rc) {
        case 0:
            return "every load case and combination was analysed";
        case 3:
        case 13:
            return "a pile reaches below the last soil layer";
        case 21:
            return "weak rock with zero compressive strength";
        case 22:
        case 23:
        case 24:
            return "a depth below the unit-weight, strength or friction-angle profile";
        case 28:
            return "silt with zero friction angle";
        case 29:
            return "silt whose friction angle fails the slope check";
        case 30:
            return "API sand with zero friction angle";
        case 32:
        case 33:
            return "zero E50 or zero strength at a clay pile tip (load-settlement curve)";
        case 34:
        case 35:
            return "zero E50 or zero strength at a clay pile tip (torque-rotation curve)";
        case 40:
            return "a pile group's data cannot be solved";
        case 41:
            return "a pile solution is not finite";
        case 1:
            return "the engine was called with a code other than 13: nothing was done";
        case 998:
            return "the plate solution of the flexible cap stopped";
        case 999:
            return "the plate model of the flexible cap failed its data checks";
        case 99:
            return "the model needs a flexible cap, which this version cannot analyse";
        case 101:
            return "Names.dat is missing or incomplete";
        case 102:
            return "a file of the run could not be opened";
        case 103:
            return "a record of the input data file could not be read";
        case 104:
            return "the input data file holds a value that cannot be used safely";
        case 105:
            return "a file of the run could not be written, or a scratch file read back";
        case 106:
            return "another run is using the run folder";
        case 107:
            return "the run was interrupted";
        default:
            return "";
    }
}

struct JsonResultsCollector::State : StateFlags {
    Json analyses = Json::array();
    Json envelopes = Json::array();
    Json pyCurves = Json::array();
    Json warnings = Json::array();
    Json pushoverEvents = Json::array();
    Json pushover;  // null unless the run is a pushover
    // Per pile group, the cosine between the pile axis and the vertical X,
    // from the rotation of its last solution (1 until one was solved).
    std::vector<double> axisCosine;
    long long pileValues = 0;  // numbers of pile results collected so far
    bool omitted = false;      // the budget was reached

    // Takes count numbers from the budget; false (and marked) when they do not fit.
    bool take(long long count) {
        if (pileValues + count > kPileValueBudget) omitted = true;
        if (omitted) return false;
        pileValues += count;
        return true;
    }
    Json document;
    bool finished = false;

    Json* current() { return analyses.empty() ? nullptr : &analyses.back(); }
};

JsonResultsCollector::JsonResultsCollector() : state_(std::make_unique<State>()) {}
JsonResultsCollector::~JsonResultsCollector() = default;

// Each entry point runs its work through guard, which catches what the JSON
// library or an allocation throws: the engine that calls the collector sees
// no exception, and the document is then not written.
template <typename Work>
void guard(JsonResultsCollector::StateFlags& flags, Work&& work) {
    if (flags.failed) return;
    try {
        work();
    } catch (...) {
        flags.failed = true;
    }
}

void JsonResultsCollector::analysisStarted(const ModelStore& store) {
    guard(*state_, [&] {
        const CurrentAnalysis& a = store.analysis;
        const bool combination = a.currentCombination != 0;
        const int no = combination ? a.currentCombination : a.currentCase;
        Json entry = Json::object();
        entry["series"] = combination ? "combination" : "load case";
        entry["number"] = no;
        std::string name;
        if (combination && no >= 1 && no <= kMaxCombinations)
            name = trimmed(store.combinations.rows[no - 1].name.view());
        else if (!combination && no >= 1 && no <= kMaxLoadCases)
            name = trimmed(store.loadCases.rows[no - 1].name.view());
        entry["name"] = name;
        entry["succeeded"] = false;
        entry["completion"] = nullptr;
        entry["stopCode"] = nullptr;
        entry["globalIterations"] = nullptr;
        entry["capLoad"] = nullptr;
        entry["capDisplacement"] = nullptr;
        entry["capStiffness"] = nullptr;
        entry["capStiffnessSecant"] = Json::array();
        entry["steps"] = Json::array();
        entry["piles"] = Json::array();
        state_->analyses.push_back(std::move(entry));
    });
}

void JsonResultsCollector::capSolved(const ModelStore& store, std::span<const double> load,
                                     std::span<const double> displacement, int iterations) {
    guard(*state_, [&] {
        Json* entry = state_->current();
        if (!entry) return;
        const bool plane = load.size() == 3;
        (*entry)["globalIterations"] = iterations;
        (*entry)["capLoad"] = capVector(store, load, kLoadNames, plane);
        (*entry)["capDisplacement"] = capVector(store, displacement, kDisplacementNames, plane);
    });
}

void JsonResultsCollector::incrementConverged(const ModelStore& store, double loadFactor,
                                              std::span<const double> load,
                                              std::span<const double> displacement, int iterations,
                                              double axialForce, double moment) {
    guard(*state_, [&] {
        Json* entry = state_->current();
        if (!entry || !state_->take(2LL * std::ssize(load) + 4)) return;
        const bool plane = load.size() == 3;
        Json step = Json::object();
        step["loadFactor"] = loadFactor;
        step["capLoad"] = capVector(store, load, kLoadNames, plane);
        step["capDisplacement"] = capVector(store, displacement, kDisplacementNames, plane);
        step["globalIterations"] = iterations;
        step["largestHeadAxialForce"] = axialForce;
        step["largestHeadMoment"] = moment;
        (*entry)["steps"].push_back(std::move(step));
    });
}

namespace {

// A stiffness matrix of the cap components `components` (0-based, in the order
// of a CapVector), given by rows: the load components name its rows, the
// displacement components its columns. Null when the sizes disagree.
Json stiffnessMatrix(std::span<const int> components, std::span<const double> stiffness) {
    const std::size_t n = components.size();
    if (n == 0 || stiffness.size() != n * n) return nullptr;
    Json rows = Json::array();
    Json columns = Json::array();
    for (const int c : components) {
        if (c < 0 || c >= static_cast<int>(kCapComponents)) return nullptr;
        rows.push_back(kLoadNames[c]);
        columns.push_back(kDisplacementNames[c]);
    }
    Json matrix = Json::array();
    for (std::size_t i = 0; i < n; ++i)
        matrix.push_back(Json(
            std::vector<double>(stiffness.begin() + static_cast<std::ptrdiff_t>(i * n),
                                stiffness.begin() + static_cast<std::ptrdiff_t>((i + 1) * n))));
    return {{"rows", rows}, {"columns", columns}, {"matrix", matrix}};
}

}  // namespace

namespace {

// The names of the pushover events and stops in the results file.
std::string pushoverEventName(int kind) {
    switch (kind) {
        case kPushoverMomentCapacity:
            return "moment capacity";
        case kPushoverBearing:
            return "axial capacity in compression";
        case kPushoverPullOut:
            return "axial capacity in pull-out";
        case kPushoverSoilUltimate:
            return "soil at ultimate resistance";
        default:
            return "event " + std::to_string(kind);
    }
}

std::string pushoverStopName(int stop) {
    switch (stop) {
        case kPushoverReachedMaximum:
            return "largest factor reached";
        case kPushoverPilesNotConverged:
            return "no convergence of a pile at the smallest increment";
        case kPushoverSingular:
            return "singular stiffness at the smallest increment";
        default:
            return "no convergence of the pile cap at the smallest increment";
    }
}

}  // namespace

void JsonResultsCollector::pushoverEvent(const ModelStore&, int kind, double loadFactor, int step,
                                         int pileGroup, double depth) {
    guard(*state_, [&] {
        const bool hasDepth = kind == kPushoverMomentCapacity || kind == kPushoverSoilUltimate;
        // The step as the position in the analysis's steps, from 0.
        state_->pushoverEvents.push_back({{"kind", pushoverEventName(kind)},
                                          {"loadFactor", loadFactor},
                                          {"step", step - 1},
                                          {"pileGroup", pileGroup},
                                          {"depth", hasDepth ? Json(depth) : Json(nullptr)}});
    });
}

void JsonResultsCollector::pushoverFinished(const ModelStore&, int caseNo, double maximumFactor,
                                            double capacityFactor, int stop) {
    guard(*state_, [&] {
        if (state_->analyses.empty()) return;
        state_->pushover = {{"loadCase", caseNo},
                            {"analysis", state_->analyses.size() - 1},
                            {"maximumFactor", maximumFactor},
                            {"capacityFactor", capacityFactor},
                            {"stopped", pushoverStopName(stop)},
                            {"events", std::move(state_->pushoverEvents)}};
        state_->pushoverEvents = Json::array();
    });
}

void JsonResultsCollector::secantStiffnessComputed(const ModelStore&, int levelNo, double level,
                                                   std::span<const int> components,
                                                   std::span<const double> stiffness) {
    guard(*state_, [&] {
        Json* entry = state_->current();
        Json secant = stiffnessMatrix(components, stiffness);
        if (!entry || secant.is_null()) return;
        secant["level"] = levelNo;
        secant["loadFactor"] = level;
        (*entry)["capStiffnessSecant"].push_back(std::move(secant));
    });
}

void JsonResultsCollector::capStiffnessComputed(const ModelStore& store,
                                                std::span<const double> stiffness) {
    guard(*state_, [&] {
        Json* entry = state_->current();
        if (!entry) return;
        // The components of the cap vector: three in two dimensions.
        constexpr int kAll[] = {0, 1, 2, 3, 4, 5};
        const std::span<const int> components = twoDimensional(store)
                                                    ? std::span<const int>(kPlaneComponents)
                                                    : std::span<const int>(kAll);
        (*entry)["capStiffness"] = stiffnessMatrix(components, stiffness);
    });
}

void JsonResultsCollector::completed(const ModelStore&, int code, double loadFactor) {
    guard(*state_, [&] {
        Json* entry = state_->current();
        if (!entry) return;
        Json completion = Json::object();
        completion["code"] = code;
        completion["meaning"] = completionMeaning(code, loadFactor);
        completion["loadFactor"] = code == 1 || code == 2 ? loadFactor : 0.0;
        (*entry)["completion"] = std::move(completion);
        (*entry)["succeeded"] = code == 1 || code == 2;
    });
}

void JsonResultsCollector::pileSolved(const ModelStore& store, int pileGroup,
                                      std::span<const double> global,
                                      std::span<const double> local) {
    guard(*state_, [&] {
        Json* entry = state_->current();
        if (!entry || pileGroup < 1 || pileGroup > kMaxPileGroups) return;
        const PileWork& w = store.pileScratch.work;
        const int N = std::clamp(w.N, 0, kMaxIncrements);
        const int planes = std::clamp(w.planeCount, 1, 2);
        if (!state_->take(2LL * std::ssize(global) + (N + 1LL) * (6LL * planes + 4))) {
            (*entry)["pileResultsOmitted"] = true;
            return;
        }
        Json pile = Json::object();
        pile["group"] = pileGroup;
        pile["head"] = {{"global", headValues(store, global)}, {"local", headValues(store, local)}};
        Json profile = Json::object();
        Json depth = Json::array();
        for (int k = 0; k <= N; ++k)
            depth.push_back(k * w.h);
        profile["depth"] = std::move(depth);
        const char* planeNames[] = {"xy", "xz"};
        const auto perPlane = [&](NodalArray PlaneWork::*field) {
            Json out = Json::object();
            for (int i = 0; i < planes; ++i)
                out[planeNames[i]] = nodes(w.planes[static_cast<std::size_t>(i)].*field, N);
            return out;
        };
        profile["deflection"] = perPlane(&PlaneWork::y);
        profile["slope"] = perPlane(&PlaneWork::slope);
        profile["moment"] = perPlane(&PlaneWork::M);
        profile["shear"] = perPlane(&PlaneWork::V);
        profile["soilReaction"] = perPlane(&PlaneWork::p);
        profile["EI"] = perPlane(&PlaneWork::R);
        profile["stress"] = nodes(w.stress, N);
        // The ultimate resistance of every node's curve and the share of it
        // the soil reaction takes (of the resultant of both planes).
        Json ultimate = Json::array();
        Json mobilisation = Json::array();
        const LateralPyState& py = store.pileScratch.py;
        for (int k = 0; k <= N; ++k) {
            const double pu = k < kMaxPileNodes ? py.pyUltimate[static_cast<std::size_t>(k)]
                                                : std::numeric_limits<double>::quiet_NaN();
            double p2 = 0.0;
            for (int i = 0; i < planes; ++i) {
                const double p = w.planes[static_cast<std::size_t>(i)]
                                     .p[static_cast<std::size_t>(k + kNodeOffset)];
                p2 += p * p;
            }
            // Not a number is written as null.
            ultimate.push_back(pu);
            mobilisation.push_back(std::isfinite(pu) && pu > 0.0 ? Json(std::sqrt(p2) / pu)
                                                                 : Json(nullptr));
        }
        profile["ultimateResistance"] = std::move(ultimate);
        profile["mobilisation"] = std::move(mobilisation);
        if (store.analysis.demandCapacityPrint == 1) {
            profile["bendingDC"] = nodes(w.bendingDC, N);
            profile["shearDC"] = nodes(w.shearDC, N);
        }
        pile["profile"] = std::move(profile);
        (*entry)["piles"].push_back(std::move(pile));

        if (state_->axisCosine.size() < static_cast<std::size_t>(pileGroup))
            state_->axisCosine.resize(static_cast<std::size_t>(pileGroup), 1.0);
        const double cosine =
            twoDimensional(store)
                ? std::cos(store.work.groups[static_cast<std::size_t>(pileGroup - 1)].batter)
                : store.pileScratch.head.headRotation[0];
        if (std::isfinite(cosine) && std::fabs(cosine) > 1.0e-6)
            state_->axisCosine[static_cast<std::size_t>(pileGroup - 1)] = std::fabs(cosine);
    });
}

void JsonResultsCollector::envelopePrinted(const ModelStore& store, int which, int series) {
    // Both envelopes are in the store at the first call of a series.
    if (which != 1) return;
    guard(*state_, [&] {
        const bool plane = twoDimensional(store);
        const CurrentAnalysis::CapEnvelope& cap = store.analysis.capEnvelope;
        Json envelope = Json::object();
        envelope["series"] = series == 1 ? "load cases" : "combinations";
        envelope["cap"] = {
            {"loadMin", capVector(store, cap.loadMin, kLoadNames, false)},
            {"loadMax", capVector(store, cap.loadMax, kLoadNames, false)},
            {"displacementMin", capVector(store, cap.displacementMin, kDisplacementNames, false)},
            {"displacementMax", capVector(store, cap.displacementMax, kDisplacementNames, false)}};
        const PileEnvelopes& e = store.pileEnvelopes;
        const std::size_t half = plane ? std::size(kHead2D) : std::size(kHead3D);
        // Along-pile quantities in the order the trackers keep them.
        struct Quantity {
            const char* name;
            int xy;
            int xz;  // -1: one column for both planes
        };
        static constexpr Quantity k3D[] = {
            {"deflection", 0, 1}, {"moment", 2, 3}, {"shear", 4, 5},       {"soilReaction", 6, 7},
            {"stress", 8, -1},    {"EI", 9, 10},    {"bendingDC", 11, -1}, {"shearDC", 12, -1}};
        static constexpr Quantity k2D[] = {
            {"deflection", 0, -2}, {"moment", 1, -2}, {"shear", 2, -2},     {"soilReaction", 3, -2},
            {"stress", 4, -1},     {"EI", 5, -2},     {"bendingDC", 6, -1}, {"shearDC", 7, -1}};
        const std::span<const Quantity> quantities =
            plane ? std::span<const Quantity>(k2D) : std::span<const Quantity>(k3D);
        Json piles = Json::array();
        const int groups = std::clamp(store.arrangement.pileGroupCount, 0, kMaxPileGroups);
        for (int g = 1; g <= groups; ++g) {
            const auto gi = static_cast<std::size_t>(g - 1);
            if (e.trackedCount[gi] < 1) continue;
            const int count = std::clamp(e.nodeCount[gi], 0, kMaxPileNodes);
            if (!state_->take(2LL * kEnvelopeHeadValues + 2LL * count * kEnvelopeAlongQuantities)) {
                envelope["pileResultsOmitted"] = true;
                break;
            }
            const std::span<const double> minRow(e.headMin[gi]);
            const std::span<const double> maxRow(e.headMax[gi]);
            Json pile = Json::object();
            pile["group"] = g;
            pile["analyses"] = e.trackedCount[gi];
            pile["head"] = {{"min",
                             {{"global", headValues(store, minRow.first(half))},
                              {"local", headValues(store, minRow.subspan(half, half))}}},
                            {"max",
                             {{"global", headValues(store, maxRow.first(half))},
                              {"local", headValues(store, maxRow.subspan(half, half))}}}};
            const PileGroupWork& group = store.work.groups[gi];
            double h = 0.0;
            if (group.IPROP >= 1 && group.IPROP <= kMaxPileProperties) {
                const PropertyWork& p = store.work.properties[group.IPROP - 1];
                if (p.increments > 0) h = p.LENGTH / p.increments;
            }
            Json profile = Json::object();
            Json depth = Json::array();
            for (int k = 0; k < count; ++k)
                depth.push_back(k * h);
            profile["depth"] = std::move(depth);
            for (const char* bound : {"min", "max"}) {
                const auto& values = bound[1] == 'i' ? e.alongMin[gi] : e.alongMax[gi];
                Json side = Json::object();
                for (const Quantity& q : quantities) {
                    if (q.xz == -1) {
                        if (std::string_view(q.name).ends_with("DC") && series == 1) continue;
                        side[q.name] =
                            envelopeNodes(values[static_cast<std::size_t>(q.xy)], count - 1);
                        continue;
                    }
                    Json planes = Json::object();
                    planes["xy"] = envelopeNodes(values[static_cast<std::size_t>(q.xy)], count - 1);
                    if (q.xz >= 0)
                        planes["xz"] =
                            envelopeNodes(values[static_cast<std::size_t>(q.xz)], count - 1);
                    side[q.name] = std::move(planes);
                }
                profile[bound] = std::move(side);
            }
            pile["profile"] = std::move(profile);
            piles.push_back(std::move(pile));
        }
        envelope["piles"] = std::move(piles);
        state_->envelopes.push_back(std::move(envelope));
    });
}

void JsonResultsCollector::pyCurvePrinted(const ModelStore& store, int requestNo, int pileGroup) {
    guard(*state_, [&] {
        const PrintedPyCurve& c = store.pyPrinting;
        Json curve = Json::object();
        curve["request"] = requestNo;
        curve["pileGroup"] = pileGroup;
        if (requestNo >= 1 && requestNo <= kMaxPyPrintRequests)
            curve["requestedDepth"] = store.pyPrints.rows[requestNo - 1].depth;
        curve["capLevel"] = c.capLevel == 1;
        curve["layer"] = c.layerNo;
        curve["soilType"] = c.KSOIL;
        curve["soilTypeName"] = soilTypeName(c.KSOIL);
        curve["depth"] = c.depth;
        curve["diameter"] = c.diameter;
        curve["ultimate"] = c.ultimate;
        Json y = Json::array(), p = Json::array();
        for (int k = 0; k < std::clamp(c.pointCount, 0, kMaxPrintedPyPoints); ++k) {
            y.push_back(c.y[static_cast<std::size_t>(k)]);
            p.push_back(c.p[static_cast<std::size_t>(k)]);
        }
        curve["y"] = std::move(y);
        curve["p"] = std::move(p);
        state_->pyCurves.push_back(std::move(curve));
    });
}

void JsonResultsCollector::warningIssued(const ModelStore& store, std::string_view text) {
    guard(*state_, [&] {
        Json warning = Json::object();
        const Json* entry = state_->current();
        // The analysis in progress, or null before the first one.
        if (entry && store.analysis.currentCase != 0)
            warning["analysis"] = {{"series", (*entry)["series"]}, {"number", (*entry)["number"]}};
        else
            warning["analysis"] = nullptr;
        warning["text"] = blockText(text);
        state_->warnings.push_back(std::move(warning));
    });
}

void JsonResultsCollector::runFinished(const ModelStore& store, int returnCode) {
    guard(*state_, [&] {
        State& s = *state_;
        // An analysis stopped by a stop code is the last one that started.
        if (returnCode != 0 && returnCode < 100)
            if (Json* entry = s.current(); entry && !(*entry)["succeeded"].get<bool>())
                (*entry)["stopCode"] = returnCode;

        const Labels u = labelsOf(store);
        const bool plane = twoDimensional(store);
        Json doc = Json::object();
        doc["format"] = "pylora-results";
        doc["formatVersion"] = kFormatVersion;
        doc["programVersion"] = trimmed(store.run.versionText.view());
        doc["returnCode"] = returnCode;
        doc["returnMeaning"] = returnMeaning(returnCode);
        doc["pileResultsOmitted"] = s.omitted;

        Json model = Json::object();
        model["title"] = trimmed(store.title.view());
        model["inputFile"] = trimmed(store.run.inputFilePath.view());
        model["analysisType"] = store.control.analysisType;
        model["analysisTypeName"] = plane ? "two-dimensional" : "three-dimensional";
        Json units = Json::object();
        units["system"] = trimmed(store.units.systemName.view());
        units["length"] = u.length;
        units["force"] = u.force;
        units["moment"] = u.moment();
        units["stress"] = u.stress();
        units["forcePerLength"] = u.perLength();
        units["rigidity"] = u.rigidity();
        units["rotation"] = "RAD";
        units["angle"] = "DEG";
        model["units"] = std::move(units);
        // The unit of every named number of the document.
        Json quantities = Json::object();
        for (const char* k :
             {"ux", "uy", "uz", "depth", "deflection", "y", "x", "headX", "headY", "headZ", "topX",
              "bottomX", "groundBelowHead", "length", "diameter", "settlement", "requestedDepth"})
            quantities[k] = u.length;
        for (const char* k : {"tx", "ty", "tz", "slope", "rotation"})
            quantities[k] = "RAD";
        for (const char* k : {"Fx", "Fy", "Fz", "load", "shear"})
            quantities[k] = u.force;
        for (const char* k : {"Mx", "My", "Mz", "moment", "torque"})
            quantities[k] = u.moment();
        for (const char* k : {"stress", "elasticModulus"})
            quantities[k] = u.stress();
        for (const char* k : {"soilReaction", "p", "ultimate"})
            quantities[k] = u.perLength();
        quantities["EI"] = u.rigidity();
        for (const char* k : {"alpha", "beta", "batter"})
            quantities[k] = "DEG";
        for (const char* k : {"bendingDC", "shearDC", "loadFactor"})
            quantities[k] = "1";
        model["quantityUnits"] = std::move(quantities);
        model["groundSurfaceX"] = store.soilProfile.XGS;

        Json groups = Json::array();
        const int groupCount = std::clamp(store.arrangement.pileGroupCount, 0, kMaxPileGroups);
        const int layerCount = std::clamp(store.soilLayers.NLAYER, 0, kMaxSoilLayers);
        for (int g = 1; g <= groupCount; ++g) {
            const PileGroup& in = store.arrangement.rows[static_cast<std::size_t>(g - 1)];
            const PileGroupWork& w = store.work.groups[static_cast<std::size_t>(g - 1)];
            Json group = Json::object();
            group["group"] = g;
            group["head"] = {{"x", in.headX}, {"y", in.headY}, {"z", in.headZ}};
            if (plane) {
                group["batter"] = in.batterAngle;
                group["pilesInGroup"] = in.pilesInGroup;
                group["connection"] = connectionName(in.connectionY);
            } else {
                group["alpha"] = in.alpha;
                group["beta"] = in.beta;
                group["connectionY"] = connectionName(in.connectionY);
                group["connectionZ"] = connectionName(in.connectionZ);
            }
            group["pileProperty"] = in.pilePropertyNo;
            group["groundBelowHead"] = w.groundBelowHead;
            // Layer boundaries measured along the pile from its head.
            const double cosine = static_cast<std::size_t>(g) <= s.axisCosine.size()
                                      ? s.axisCosine[static_cast<std::size_t>(g - 1)]
                                      : (plane ? std::fabs(std::cos(w.batter)) : 1.0);
            Json boundaries = Json::array();
            for (int L = 1; L <= layerCount; ++L) {
                const SoilLayer& layer = store.soilLayers.rows[static_cast<std::size_t>(L - 1)];
                if (L == 1) boundaries.push_back((layer.topX - w.XHEAD) / cosine);
                boundaries.push_back((layer.bottomX - w.XHEAD) / cosine);
            }
            group["layerBoundaryDepths"] = std::move(boundaries);
            groups.push_back(std::move(group));
        }
        model["pileGroups"] = std::move(groups);

        Json properties = Json::array();
        const int propertyCount =
            std::clamp(store.pileProperties.pilePropertyCount, 0, kMaxPileProperties);
        for (int i = 1; i <= propertyCount; ++i) {
            const PropertyWork& p = store.work.properties[static_cast<std::size_t>(i - 1)];
            Json property = Json::object();
            property["property"] = i;
            property["length"] = p.LENGTH;
            property["increments"] = p.increments;
            property["elasticModulus"] = p.elasticModulus;
            property["pileType"] = p.pileType == kDrilledShaft ? "drilled shaft" : "driven pile";
            Json sections = Json::array();
            for (int k = 0; k < std::clamp(p.NSECT, 0, kMaxPileSections); ++k) {
                const SectionWork& sw = p.sections[static_cast<std::size_t>(k)];
                sections.push_back({{"to", sectionEnd(p, k + 1)},
                                    {"diameter", sw.DIAM},
                                    {"area", sw.AREA},
                                    {"Iz", sw.Iz},
                                    {"Iy", sw.Iy},
                                    {"GJ", sw.GJ},
                                    {"Mn", sw.Mn},
                                    {"Vn", sw.Vn}});
            }
            property["sections"] = std::move(sections);
            properties.push_back(std::move(property));
        }
        model["pileProperties"] = std::move(properties);

        Json layers = Json::array();
        for (int L = 1; L <= layerCount; ++L) {
            const SoilLayer& layer = store.soilLayers.rows[static_cast<std::size_t>(L - 1)];
            layers.push_back({{"layer", L},
                              {"soilType", layer.KSOIL},
                              {"soilTypeName", soilTypeName(layer.KSOIL)},
                              {"topX", layer.topX},
                              {"bottomX", layer.bottomX}});
        }
        model["soilLayers"] = std::move(layers);
        doc["model"] = std::move(model);

        doc["analyses"] = std::move(s.analyses);
        doc["envelopes"] = std::move(s.envelopes);
        if (!s.pushover.is_null()) doc["pushover"] = std::move(s.pushover);

        const auto curves = [](const std::array<UserCurve, kMaxPileProperties>& table, int count,
                               const char* forceName, const char* displacementName) {
            Json out = Json::array();
            for (int i = 1; i <= std::clamp(count, 0, kMaxPileProperties); ++i) {
                const UserCurve& c = table[static_cast<std::size_t>(i - 1)];
                Json force = Json::array(), displacement = Json::array();
                for (int k = 0; k < std::clamp(c.pointCount, 0, kMaxCurvePoints); ++k) {
                    force.push_back(c.points[static_cast<std::size_t>(k)].force);
                    displacement.push_back(c.points[static_cast<std::size_t>(k)].displacement);
                }
                if (force.empty()) continue;
                out.push_back({{"pileProperty", i},
                               {displacementName, std::move(displacement)},
                               {forceName, std::move(force)}});
            }
            return out;
        };
        const GeneratedPileHeadCurves& generated = store.generatedCurves;
        doc["loadSettlementCurves"] =
            curves(generated.loadSettlement, generated.lsCurveCount, "load", "settlement");
        doc["torqueRotationCurves"] =
            curves(generated.torqueRotation, generated.trCurveCount, "torque", "rotation");
        doc["pyCurves"] = std::move(s.pyCurves);
        doc["warnings"] = std::move(s.warnings);
        s.document = std::move(doc);
        s.finished = true;
    });
}

bool JsonResultsCollector::write(const std::string& path, std::string& error) const {
    if (state_->failed) {
        error = "the results could not be collected (out of memory)";
        return false;
    }
    if (!state_->finished) {
        error = "the run did not finish";
        return false;
    }
    try {
        // Texts of the input may hold bytes that are not UTF-8: replace them.
        std::string text = state_->document.dump(1, ' ', false, Json::error_handler_t::replace);
        text.push_back('\n');
        return writeWholeFile(path, text, error);
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
    return true;
}

namespace {

// One stiffness matrix as a CSV block: a label row, the displacement
// components as column heads, then one row per load component.
void appendStiffnessBlock(std::string& csv, const std::string& label, const Json& stiffness) {
    auto quoted = [](const std::string& text) {
        std::string out = "\"";
        for (const char c : text) {
            if (c == '"') out.push_back('"');
            out.push_back(c);
        }
        return out + "\"";
    };
    csv += quoted(label) + "\n";
    for (const Json& column : stiffness["columns"])
        csv += "," + column.get<std::string>();
    csv += "\n";
    const Json& rows = stiffness["rows"];
    const Json& matrix = stiffness["matrix"];
    for (std::size_t i = 0; i < rows.size() && i < matrix.size(); ++i) {
        csv += rows[i].get<std::string>();
        for (const Json& value : matrix[i]) {
            char number[32];
            if (value.is_number())
                std::snprintf(number, sizeof number, ",%.9g", value.get<double>());
            else
                std::snprintf(number, sizeof number, ",");
            csv += number;
        }
        csv += "\n";
    }
    csv += "\n";
}

}  // namespace

bool JsonResultsCollector::writeStiffnessCsv(const std::string& path, std::string& error) const {
    if (state_->failed || !state_->finished) {
        error = state_->failed ? "the results could not be collected (out of memory)"
                               : "the run did not finish";
        return false;
    }
    try {
        const Json& doc = state_->document;
        std::string csv =
            "\"Stiffness of the foundation at the cap origin in cap axes, F = K u (rows: load, "
            "columns: displacement)\"\n";
        if (doc.contains("model") && doc["model"].contains("quantityUnits")) {
            // The units of the terms: force and moment per length and per radian.
            const Json& units = doc["model"]["quantityUnits"];
            csv += "units";
            for (const auto& [name, key] : {std::pair{"force", "Fx"}, std::pair{"moment", "Mx"},
                                            std::pair{"length", "ux"}, std::pair{"rotation", "tx"}})
                if (units.contains(key) && units[key].is_string())
                    csv += std::string(",") + name + " " + units[key].get<std::string>();
            csv += "\n";
        }
        csv += "\n";
        for (const Json& analysis : doc.value("analyses", Json::array())) {
            const std::string name = analysis.value("series", "") + " " +
                                     std::to_string(analysis.value("number", 0)) + ": " +
                                     analysis.value("name", "");
            if (analysis.contains("capStiffness") && analysis["capStiffness"].is_object())
                appendStiffnessBlock(csv, name + ", tangent at the converged state",
                                     analysis["capStiffness"]);
            for (const Json& secant : analysis.value("capStiffnessSecant", Json::array())) {
                char factor[32];
                std::snprintf(factor, sizeof factor, "%g", secant.value("loadFactor", 0.0));
                appendStiffnessBlock(csv, name + ", secant at load factor " + factor, secant);
            }
        }
        return writeWholeFile(path, csv, error);
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
}

bool writeWholeFile(const std::string& path, std::string_view text, std::string& error) {
    const std::string partial = path + ".partial";
    const auto failed = [&](int reason) {
        std::remove(partial.c_str());
        error = "cannot write \"" + path + "\": " + std::strerror(reason);
        return false;
    };
    std::FILE* file = std::fopen(partial.c_str(), "wb");
    if (!file) return failed(errno);
    int reason = 0;
    if (std::fwrite(text.data(), 1, text.size(), file) != text.size() || std::fflush(file) != 0)
        reason = errno;
    if (std::fclose(file) != 0 && reason == 0) reason = errno;
    if (reason != 0) return failed(reason);
    if (std::rename(partial.c_str(), path.c_str()) != 0) return failed(errno);
    return true;
}

}  // namespace pylora

namespace pylora {

JsonResultsCollector::RunOutcome JsonResultsCollector::outcome() const {
    RunOutcome out;
    const State& s = *state_;
    if (s.failed) return out;
    try {
        if (s.document.is_object() && s.document.contains("model")) {
            const Json& units = s.document["model"]["units"];
            if (units.is_object()) {
                out.lengthUnit = units.value("length", "");
                out.rotationUnit = units.value("rotation", "");
            }
        }
        // Once the run finished, its analyses and warnings are in the document.
        const bool finished = s.document.is_object();
        const Json& analyses = finished ? s.document["analyses"] : s.analyses;
        const Json& warnings = finished ? s.document["warnings"] : s.warnings;
        for (const Json& entry : analyses) {
            AnalysisOutcome a;
            a.combination = entry.value("series", "") == "combination";
            a.number = entry.value("number", 0);
            a.name = entry.value("name", "");
            if (entry.contains("completion") && entry["completion"].is_object()) {
                a.completion = entry["completion"].value("code", 0);
                a.loadFactor = entry["completion"].value("loadFactor", 0.0);
            }
            if (entry.contains("stopCode") && entry["stopCode"].is_number_integer())
                a.stopCode = entry["stopCode"].get<int>();
            if (entry.contains("capDisplacement") && entry["capDisplacement"].is_object()) {
                for (const auto& [key, value] : entry["capDisplacement"].items()) {
                    if (!value.is_number()) continue;
                    const double v = value.get<double>();
                    const bool rotation = !key.empty() && key[0] == 't';
                    double& largest = rotation ? a.rotation : a.displacement;
                    std::string& component =
                        rotation ? a.rotationComponent : a.displacementComponent;
                    if (component.empty() || std::abs(v) > std::abs(largest)) {
                        largest = v;
                        component = key;
                    }
                }
                a.hasDisplacement = !a.displacementComponent.empty();
            }
            out.analyses.push_back(std::move(a));
        }
        for (const Json& w : warnings)
            if (w.contains("text") && w["text"].is_string()) out.warnings.push_back(w["text"]);
    } catch (...) {
        return {};
    }
    return out;
}

}  // namespace pylora
