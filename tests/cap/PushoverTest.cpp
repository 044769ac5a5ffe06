// SPDX-License-Identifier: Apache-2.0
// The pushover of a load case: a short rigid free-head pile in soft clay
// fails at the load of the two equilibrium equations of a rigid pile whose
// soil is at its ultimate resistance over its whole length; a long pile's
// load path rises with falling slope and marks the moment-capacity event at
// the first step whose moment reaches the section's capacity, checked
// against ordinary analyses at the factors of the steps; and the events and
// the capacity reach the report and the caller's collector.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <span>
#include <string>
#include <vector>

#include "cap/cap_equilibrium_3d.h"
#include "cap/pile_in_cap.h"
#include "format/format.h"
#include "pile/beam_column.h"
#include "store/results_collector.h"
#include "tests/cap/cap_test_support.h"

namespace pylora {
namespace {

using captest::addGroup;
using captest::addSoftClay;
using captest::CapModel;
using captest::PileData;

// What a pushover hands its collector.
class PushoverRecorder final : public captest::QuietCollector {
  public:
    struct Step {
        double factor = 0.0;
        std::vector<double> displacement;
    };
    struct Event {
        int kind = 0;
        double factor = 0.0;
        int step = 0;
        int group = 0;
        double depth = 0.0;
    };
    std::vector<Step> steps;
    std::vector<Event> events;
    int finished = 0;
    double capacity = -1.0;
    int stop = -1;

    void incrementConverged(const ModelStore&, double factor, std::span<const double>,
                            std::span<const double> u, int, double, double) override {
        steps.push_back({factor, {u.begin(), u.end()}});
    }
    void pushoverEvent(const ModelStore&, int kind, double factor, int step, int group,
                       double depth) override {
        events.push_back({kind, factor, step, group, depth});
    }
    void pushoverFinished(const ModelStore&, int, double, double capacityFactor, int why) override {
        finished += 1;
        capacity = capacityFactor;
        stop = why;
    }
    const Event* event(int kind) const {
        for (const Event& e : events)
            if (e.kind == kind) return &e;
        return nullptr;
    }
};

int solve(ModelStore& s, const CapVector& load) {
    s.analysis.capLoad = load;
    int curveSwitch = 0;
    int errorFlag = 0;
    solveCapEquilibrium3D(s, curveSwitch, errorFlag);
    return errorFlag;
}

// Piles in one layer of soft clay of constant strength (English units),
// with a linear torque-rotation curve and a load-settlement curve that
// reaches far; no pile group yet. The ground is `cover` above the heads of
// the pile groups (their groundBelowHead, set by the caller).
std::unique_ptr<CapModel> clayModel(const PileData& pile, double c, double gamma, double E50,
                                    double cover) {
    auto m = std::make_unique<CapModel>();
    captest::openFiles(*m);
    ModelStore& s = *m->store;
    captest::setAnalysis(s);
    captest::setProperty(s, pile);
    addSoftClay(s, -cover, 2.0 * pile.length, gamma, c, E50);
    prepareSoilProfile(s);
    s.control.userLsCurvesOption = 1;
    s.control.userTrCurvesOption = 1;
    s.userLsCurves.lsCurveCount = 1;
    captest::setCurve(s.userLsCurves.rows[0], {{-100.0, -1.0E9}, {100.0, 1.0E9}});
    s.userTrCurves.trCurveCount = 1;
    captest::setCurve(s.userTrCurves.rows[0], {{-1.0, -1.0E10}, {1.0, 1.0E10}});
    CurrentAnalysis::ControlBlock& control = s.analysis.control;
    control.capTolerance = 1.0E-3;
    control.deflectionTolerance = 1.0E-5;
    control.loadIncrementFactor = 0.1;
    control.minLoadIncrementFactor = 1.0E-3;
    return m;
}

void pushover(ModelStore& s, double factor, PushoverRecorder& recorder) {
    s.run.pushoverCase = 1;
    s.run.pushoverFactor = factor;
    s.resultsCollector = &recorder;
}

// Four short free-head piles far apart in soft clay of strength c and strain
// E50, stiff enough to turn as rigid bodies (L / R below 1), their heads 300
// in below the ground: soft clay's pu = (3 + gamma' x / c + J x / b) c b
// reaches its limit 9 c b at x = 6 / (0.02 / 4 + 0.5 / 24) = 232 in, so the
// soil resists with 9 c b along the whole pile. The cap turns on the piles'
// axial springs, and a horizontal load at the level of the heads leaves each
// pile a quarter of it and no moment.
constexpr double kRigidCohesion = 4.0;
std::unique_ptr<CapModel> rigidPiles(double E50) {
    PileData pile;
    pile.length = 120.0;
    pile.increments = 40;
    pile.diameter = 24.0;
    pile.EI = 1.0E12;
    auto m = clayModel(pile, kRigidCohesion, 0.02, E50, 300.0);
    ModelStore& s = *m->store;
    for (const double y : {-240.0, 240.0})
        for (const double z : {-240.0, 240.0}) {
            const int g = addGroup(s, 0.0, y, z, 0.0, captest::kVertical, false);
            PileGroupWork& group = s.work.groups[static_cast<std::size_t>(g - 1)];
            group.connectionY = kConnectionPinned;
            group.connectionZ = kConnectionPinned;
            group.groundBelowHead = -300.0;
        }
    return m;
}

// The ultimate lateral load of one of those piles, worked by hand. The rigid
// pile turns about the depth z0 below its head; the soil pushes back with
// P = 9 c b above z0 and against the load below it. Forces: P z0 - P (L -
// z0) = H; moments about the head: P z0^2 / 2 - P (L^2 - z0^2) / 2 = 0. So
// z0 = L / sqrt(2) and H = (sqrt(2) - 1) P L: 42 946 lb.
const double kRigidUltimate = (std::sqrt(2.0) - 1.0) * 9.0 * kRigidCohesion * 24.0 * 120.0;

TEST(Pushover, RigidFreeHeadPileInSoftClayFailsAtTheLoadOfItsTwoEquilibriumEquations) {
    auto m = rigidPiles(0.005);
    ModelStore& s = *m->store;
    const double Hu = kRigidUltimate;
    const double caseLoad = 4.0 * Hu / 3.0;

    PushoverRecorder recorder;
    pushover(s, 5.0, recorder);
    ASSERT_EQ(solve(s, CapVector{0.0, caseLoad, 0.0, 0.0, 0.0, 0.0}), 0);
    ASSERT_EQ(recorder.finished, 1);
    EXPECT_NE(recorder.stop, kPushoverReachedMaximum);
    ASSERT_FALSE(recorder.steps.empty());
    EXPECT_EQ(recorder.capacity, recorder.steps.back().factor);
    EXPECT_NEAR(recorder.capacity * caseLoad / 4.0, Hu, 0.10 * Hu)
        << "capacity factor " << recorder.capacity;

    // Before failing the soil went to its ultimate resistance over more than
    // a diameter, on the way and not at the first step.
    const PushoverRecorder::Event* soil = recorder.event(kPushoverSoilUltimate);
    ASSERT_NE(soil, nullptr);
    EXPECT_GT(soil->step, 1);
    EXPECT_LT(soil->factor, recorder.capacity);
    EXPECT_EQ(recorder.event(kPushoverMomentCapacity), nullptr);  // no capacity given

    // The report shows the case at the capacity: TABLE L's load and the
    // pushover's summary.
    const std::string report = m->reportText();
    EXPECT_NE(report.find("* PUSHOVER OF LOAD CASE     1 *"), std::string::npos);
    EXPECT_NE(report.find("LAST CONVERGED LOAD FACTOR " + formatF(recorder.capacity, 10, 4)),
              std::string::npos);
    EXPECT_NE(report.find("* TABLE L *"), std::string::npos);
    EXPECT_NEAR(s.analysis.capLoad[kForceY], recorder.capacity * caseLoad, 1.0E-9 * caseLoad);
}

// The largest bending moment along the pile of the latest printing pass, and
// where it is, from the arrays the report's table is printed from.
struct LargestMoment {
    double value = 0.0;
    double depth = 0.0;
};
LargestMoment printedMoment(const ModelStore& s) {
    const PileWork& w = s.pileScratch.work;
    LargestMoment largest;
    for (int k = 0; k <= w.N; ++k) {
        double sum = 0.0;
        for (int i = 0; i < w.planeCount; ++i)
            sum += std::pow(nodeAt(w.planes[static_cast<std::size_t>(i)].M, k), 2);
        if (std::sqrt(sum) > largest.value) largest = {std::sqrt(sum), k * w.h};
    }
    return largest;
}

// A long fixed-head steel pipe in soft clay from the head down, as pile
// group 1.
std::unique_ptr<CapModel> longPile() {
    PileData pile;
    pile.length = 600.0;
    pile.increments = 60;
    pile.diameter = 24.0;
    pile.EI = 2.9E7 * 16286.0;
    auto m = clayModel(pile, 4.0, 0.02, 0.02, 0.0);
    addGroup(*m->store, 0.0, 0.0, 0.0, 0.0, captest::kVertical, false);
    return m;
}

TEST(Pushover, LongPileRisesWithFallingSlopeAndMarksTheFirstStepWhoseMomentReachesTheCapacity) {
    auto m = longPile();
    ModelStore& s = *m->store;
    const int g = 1;
    const double Mn = 4.0E6;
    s.work.properties[0].sections[0].Mn = Mn;
    const CapVector load{0.0, 2.0E4, 0.0, 0.0, 0.0, 0.0};

    PushoverRecorder recorder;
    pushover(s, 5.0, recorder);
    ASSERT_EQ(solve(s, load), 0);
    const std::vector<PushoverRecorder::Step> steps = recorder.steps;
    ASSERT_GE(steps.size(), 4U);

    // The load path: the displacement grows with the load, and every step
    // needs more displacement per unit load than the one before.
    double slopeBefore = INFINITY;
    for (std::size_t k = 1; k < steps.size(); ++k) {
        const double du = steps[k].displacement[kForceY] - steps[k - 1].displacement[kForceY];
        ASSERT_GT(du, 0.0) << "step " << k;
        const double slope = (steps[k].factor - steps[k - 1].factor) / du;
        EXPECT_LE(slope, slopeBefore * (1.0 + 1.0E-6)) << "step " << k;
        slopeBefore = slope;
    }

    const PushoverRecorder::Event* moment = recorder.event(kPushoverMomentCapacity);
    ASSERT_NE(moment, nullptr);
    ASSERT_GE(moment->step, 2);
    const double before = steps[static_cast<std::size_t>(moment->step - 2)].factor;
    EXPECT_EQ(moment->factor, steps[static_cast<std::size_t>(moment->step - 1)].factor);
    EXPECT_EQ(moment->group, g);

    // Ordinary analyses of the case at the factors of the step before and of
    // the event's step: the report's moment stays below Mn at the first and
    // reaches it at the second, where the event says.
    s.run.pushoverCase = 0;
    s.resultsCollector = nullptr;
    s.analysis.control.loadIncrementFactor = 1.0;
    auto scaled = [&](double f) {
        CapVector v = load;
        for (double& x : v)
            x *= f;
        return v;
    };
    ASSERT_EQ(solve(s, scaled(before)), 0);
    EXPECT_LT(printedMoment(s).value, Mn);
    ASSERT_EQ(solve(s, scaled(moment->factor)), 0);
    const LargestMoment at = printedMoment(s);
    EXPECT_GE(at.value, Mn * (1.0 - 1.0E-6));
    EXPECT_NEAR(moment->depth, at.depth, 1.0E-9);
}

TEST(Pushover, ACaseThatReachesTheLargestFactorSaysSoAndAnOrdinaryRunKeepsItsLastIncrementAtOne) {
    auto m = longPile();
    ModelStore& s = *m->store;
    s.analysis.control.loadIncrementFactor = 0.3;

    // A small load pushed to 1.75 times: increments 0.3 .. 1.5, then 1.75
    // exactly, as an ordinary run's last increment ends at 1.
    PushoverRecorder recorder;
    pushover(s, 1.75, recorder);
    const CapVector load{0.0, 500.0, 0.0, 0.0, 0.0, 0.0};
    ASSERT_EQ(solve(s, load), 0);
    std::vector<double> factors;
    for (const auto& step : recorder.steps)
        factors.push_back(step.factor);
    ASSERT_EQ(factors.size(), 6U);
    EXPECT_NEAR(factors[4], 1.5, 1.0E-12);
    EXPECT_EQ(factors[5], 1.75);
    EXPECT_EQ(recorder.stop, kPushoverReachedMaximum);
    EXPECT_EQ(recorder.capacity, 1.75);
    EXPECT_NE(m->reportText().find("(THE CAPACITY IS NOT BELOW IT)"), std::string::npos);
    EXPECT_EQ(m->statusLines().back(), "    1 ANALYSIS COMPLETED");

    // Without the pushover the same case ends at 0.3, 0.6, 0.9, 1.0.
    recorder.steps.clear();
    s.run.pushoverCase = 0;
    ASSERT_EQ(solve(s, load), 0);
    ASSERT_EQ(recorder.steps.size(), 4U);
    EXPECT_EQ(recorder.steps.back().factor, 1.0);
    EXPECT_EQ(recorder.finished, 1);  // no second pushover summary
}

TEST(Pushover, AnOrdinaryRunNearTheCapacityNeverReportsAStateOutOfBalance) {
    // Near the capacity the perturbed pile solutions still give the cap a
    // stiffness while the piles' forces no longer grow: a correction can
    // become small against a large displacement with a tenth of the load
    // unbalanced, which the displacement test alone took for a solution.
    auto m = rigidPiles(0.02);
    ModelStore& s = *m->store;
    const double capacity = 4.0 * kRigidUltimate;
    const CapVector load{0.0, 0.9 * capacity, 0.0, 0.0, 0.0, 0.0};
    ASSERT_EQ(solve(s, load), 0);
    const std::string status = m->statusLines().back();
    ASSERT_TRUE(status.starts_with("    1 ") || status.starts_with("    2 ")) << status;

    // The state reported balances its load.
    CapVector F{};
    int forceStatus = 0;
    sumPileForces(s, F, forceStatus);
    ASSERT_EQ(forceStatus, 0);
    EXPECT_NEAR(-F[kForceY], s.analysis.capLoad[kForceY], 2.0E-3 * s.analysis.capLoad[kForceY])
        << status;
}

}  // namespace
}  // namespace pylora
