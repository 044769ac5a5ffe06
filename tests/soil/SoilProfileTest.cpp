// SPDX-License-Identifier: Apache-2.0
// The soil profile: its preparation, the point lookups with their layer
// boundary rules, the averages from the ground surface and the section lookup.

#include <gtest/gtest.h>

#include "soil/soil_profile.h"
#include "soil/soil_status.h"
#include "tests/soil/soil_test_support.h"

namespace pylora {
namespace {

using soiltest::addLayer;
using soiltest::contentsOf;
using soiltest::expectClose;
using soiltest::Row;

TEST(SoilProfilePreparation, ConvertsFrictionAngleAndBlanksWhatTheTypeDoesNotUse) {
    auto store = makeModelStore();
    Row all{18.0, 50.0, 30.0, 100.0, 2000.0, 0.01, 80.0, 7.0, 9.0};
    addLayer(*store, 1, 0.0, 5.0, all, all);    // soft clay
    addLayer(*store, 4, 5.0, 10.0, all, all);   // sand
    addLayer(*store, 6, 10.0, 15.0, all, all);  // vuggy limestone
    addLayer(*store, 7, 15.0, 20.0, all, all);  // silt
    prepareSoilProfile(*store);

    const SoilProfile& p = store->soilProfile;
    EXPECT_EQ(p.NSTR, 8);
    EXPECT_EQ(p.NGAM, 8);
    EXPECT_EQ(p.XGS, 0.0);
    EXPECT_EQ(p.points[2].XS, 5.0);  // point 3: top of layer 2
    EXPECT_EQ(p.points[3].XS, 10.0);
    EXPECT_EQ(p.XG[7], 20.0);
    EXPECT_EQ(p.GAMMA[5], 18.0);

    // Soft clay keeps its strength and strain, loses PHI, K and RQD.
    EXPECT_EQ(p.points[0].C, 50.0);
    EXPECT_EQ(p.points[0].E50, 0.01);
    EXPECT_EQ(p.points[0].PHI, 0.0);
    EXPECT_EQ(p.points[1].K, 0.0);
    EXPECT_EQ(p.points[1].RQD, 0.0);
    // Sand: 30 degrees x 3.14159f / 180, worked by hand in double from the
    // single-precision pi 3.141590118408203.
    EXPECT_DOUBLE_EQ(p.points[2].PHI, 0.5235983530680338);
    EXPECT_EQ(p.points[2].C, 0.0);
    EXPECT_EQ(p.points[3].E50, 0.0);
    EXPECT_EQ(p.points[3].K, 100.0);
    // Vuggy limestone: the strain is the fixed 0.0005f, 0.0005000000237487257.
    EXPECT_EQ(p.points[4].E50, 0.0005000000237487257);
    EXPECT_EQ(p.points[5].ER, 0.0);
    EXPECT_EQ(p.points[5].C, 50.0);
    // Silt keeps both strength and friction; side friction and tip
    // resistance are never blanked.
    EXPECT_EQ(p.points[6].C, 50.0);
    EXPECT_GT(p.points[6].PHI, 0.0);
    EXPECT_EQ(p.points[7].E50, 0.0);
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(p.points[k].FMAX, 7.0);
        EXPECT_EQ(p.points[k].TIPMAX, 9.0);
    }
}

// Two stiff-clay layers (type 2 keeps K) meeting at X = 10.
std::unique_ptr<ModelStore> twoLayerStore(double upperBottom, double lowerTop) {
    auto store = makeModelStore();
    soiltest::openCaptureFiles(*store);
    Row top{10.0, 2.0, 0.0, 20.0};
    Row bottom{10.0, upperBottom, 0.0, upperBottom};
    Row lowerTopRow{10.0, lowerTop, 0.0, lowerTop};
    Row lowerBottom{10.0, 8.0, 0.0, 40.0};
    addLayer(*store, 2, 0.0, 10.0, top, bottom);
    addLayer(*store, 2, 10.0, 20.0, lowerTopRow, lowerBottom);
    prepareSoilProfile(*store);
    return store;
}

TEST(PointLookup, InterpolatesWithinALayerAndExtendsAboveTheGround) {
    auto store = twoLayerStore(4.0, 6.0);
    int status = 0;
    EXPECT_DOUBLE_EQ(strengthAt(*store, store->pileScratch, 2.5, status),
                     2.5);  // 2 + (4 - 2) x 2.5 / 10
    EXPECT_DOUBLE_EQ(strengthAt(*store, store->pileScratch, 15.0, status), 7.0);  // halfway 6 .. 8
    EXPECT_DOUBLE_EQ(strengthAt(*store, store->pileScratch, 0.0, status),
                     2.0);  // the ground surface
    EXPECT_DOUBLE_EQ(strengthAt(*store, store->pileScratch, -1.0, status),
                     1.8);                                   // first segment extended
    EXPECT_DOUBLE_EQ(subgradeModulusAt(*store, 5.0), 12.0);  // 20 + (4 - 20) / 2
    EXPECT_DOUBLE_EQ(strengthAt(*store, store->pileScratch, 20.0, status),
                     8.0);  // exactly the last point
    EXPECT_EQ(status, 0);
    // Above the profile the solver's modulus is 0, with no default.
    EXPECT_EQ(subgradeModulusForSolver(*store, -1.0), 0.0);
}

TEST(PointLookup, StrengthAtABoundaryTakesTheLowerLayerUnlessItIsAbsent) {
    int status = 0;
    auto lower = twoLayerStore(2.0, 5.0);
    EXPECT_EQ(strengthAt(*lower, lower->pileScratch, 10.0, status), 5.0);
    auto upper = twoLayerStore(2.0, 0.0);
    EXPECT_EQ(strengthAt(*upper, upper->pileScratch, 10.0, status), 2.0);
    EXPECT_EQ(status, 0);
}

TEST(PointLookup, ModulusAtABoundaryFollowsTheAverageRuleAndTheSolverDefault) {
    // Upper K 0, lower 30: the present value, and the plain mean for the solver.
    auto store = twoLayerStore(0.0, 30.0);
    EXPECT_EQ(subgradeModulusAt(*store, 10.0), 30.0);
    EXPECT_EQ(subgradeModulusForSolver(*store, 10.0), 15.0);
    store = twoLayerStore(20.0, 30.0);
    EXPECT_EQ(subgradeModulusAt(*store, 10.0), 25.0);
    EXPECT_EQ(subgradeModulusForSolver(*store, 10.0), 25.0);
    // Both absent: 50 (lb/in3) in an English run, 13575 (kN/m3) in a metric one.
    store = twoLayerStore(0.0, 0.0);
    EXPECT_EQ(subgradeModulusAt(*store, 10.0), 0.0);
    store->control.unitsSystem = 1;
    EXPECT_EQ(subgradeModulusForSolver(*store, 10.0), 50.0);
    store->control.unitsSystem = 2;
    EXPECT_EQ(subgradeModulusForSolver(*store, 10.0), 13575.0);
}

TEST(PointLookup, BelowTheProfileWarnsAndSetsTheStatusOfEachProfile) {
    auto store = twoLayerStore(4.0, 6.0);
    int status = 0;
    EXPECT_EQ(strengthAt(*store, store->pileScratch, 21.0, status), 0.0);
    EXPECT_EQ(status, kStatusStrengthBeyondProfile);
    status = 0;
    EXPECT_EQ(frictionAngleAt(*store, store->pileScratch, 21.0, status), 0.0);
    EXPECT_EQ(status, kStatusFrictionBeyondProfile);
    // The moduli below the profile keep the value of the last point.
    EXPECT_EQ(subgradeModulusAt(*store, 21.0), 40.0);
    EXPECT_EQ(subgradeModulusForSolver(*store, 21.0), 40.0);

    const std::string report = contentsOf(store->files.report);
    EXPECT_NE(report.find("\n                             **** WARNING ****\n"
                          "     THE VALUE OF X ="),
              std::string::npos);
    EXPECT_NE(report.find(" IS BEYOND THE EXTENT OF\n     THE INPUT STRENGTH CURVE\n"),
              std::string::npos);
    EXPECT_NE(report.find("     THE INPUT PHI CURVE\n"), std::string::npos);
    EXPECT_EQ(contentsOf(store->files.runtime), report);

    // A status is only ever set: a good lookup leaves an earlier one.
    status = 7;
    strengthAt(*store, store->pileScratch, 5.0, status);
    EXPECT_EQ(status, 7);
}

// Unit weights 100 (X 0 to 10) and 50 (10 to 20), constant in each layer;
// strengths 10 and 20.
std::unique_ptr<ModelStore> unitWeightStore() {
    auto store = makeModelStore();
    soiltest::openCaptureFiles(*store);
    addLayer(*store, 1, 0.0, 10.0, Row{100.0, 10.0}, Row{100.0, 10.0});
    addLayer(*store, 1, 10.0, 20.0, Row{50.0, 20.0}, Row{50.0, 20.0});
    prepareSoilProfile(*store);
    return store;
}

TEST(AverageFromGround, TrapezoidAveragesOverTheLayersAbove) {
    auto store = unitWeightStore();
    int status = 0;
    // (100 x 10 + 50 x 5) / 15
    EXPECT_DOUBLE_EQ(unitWeightAverage(*store, store->pileScratch, 15.0, status), 1250.0 / 15.0);
    // Exactly at the last point: (100 x 10 + 50 x 10) / 20, no status.
    EXPECT_DOUBLE_EQ(unitWeightAverage(*store, store->pileScratch, 20.0, status), 75.0);
    EXPECT_EQ(status, 0);
    // (10 x 10 + 20 x 5) / 15
    EXPECT_DOUBLE_EQ(strengthAverage(*store, store->pileScratch, 15.0), 200.0 / 15.0);
    // Above the ground there is no soil.
    EXPECT_EQ(unitWeightAverage(*store, store->pileScratch, -1.0, status), 0.0);
    EXPECT_EQ(strengthAverage(*store, store->pileScratch, -1.0), 0.0);
}

TEST(AverageFromGround, AtTheGroundSurfaceGivesThePointValue) {
    auto store = makeModelStore();
    addLayer(*store, 1, 2.0, 10.0, Row{0.0, 4.0}, Row{60.0, 8.0});
    addLayer(*store, 1, 10.0, 20.0, Row{50.0, 9.0}, Row{50.0, 9.0});
    prepareSoilProfile(*store);
    int status = 0;
    // The first positive unit weight of the table, not 0.
    EXPECT_EQ(unitWeightAverage(*store, store->pileScratch, 2.0, status), 60.0);
    EXPECT_EQ(strengthAverage(*store, store->pileScratch, 2.0), 4.0);
    EXPECT_EQ(status, 0);
}

TEST(AverageFromGround, BelowTheProfile) {
    auto store = unitWeightStore();
    int status = 0;
    EXPECT_EQ(unitWeightAverage(*store, store->pileScratch, 21.0, status), 0.0);
    EXPECT_EQ(status, kStatusUnitWeightBeyondProfile);
    const std::string runtime = contentsOf(store->files.runtime);
    EXPECT_NE(runtime.find("IS BEYOND THE EXTENT OF/     THE INPUT CURVE FOR UNIT WEIGHT\n"),
              std::string::npos);

    // The strength average warns in the report only and divides the whole
    // profile's integral (10 x 10 + 20 x 10) by the full depth 21.
    status = 0;
    EXPECT_DOUBLE_EQ(strengthAverage(*store, store->pileScratch, 21.0), 300.0 / 21.0);
    EXPECT_EQ(status, 0);
    const std::string report = contentsOf(store->files.report);
    EXPECT_NE(report.find("IS BEYOND THE EXTENT OF THE/     INPUT CURVE FOR STRENGTH\n"),
              std::string::npos);
    EXPECT_EQ(contentsOf(store->files.runtime).find("INPUT CURVE FOR STRENGTH"), std::string::npos);
}

TEST(SectionLookup, FindsTheSectionBelowTheHeadWithTheLastSectionReachingBeyondTheTip) {
    auto store = makeModelStore();
    PropertyWork& property = store->work.properties[0];
    property.NSECT = 2;
    property.LENGTH = 10.0;
    property.sections[0] = SectionWork{4.0, 1.0};
    property.sections[0].AREA = 0.8;
    property.sections[1] = SectionWork{10.0, 0.5};
    property.sections[1].AREA = 0.2;
    store->work.groups[0].XHEAD = 2.0;
    store->pileScratch.py.currentPileGroup = 1;

    EXPECT_EQ(pileDiameterAt(*store, store->pileScratch, 1, 5.0), 1.0);  // 3 below the head
    EXPECT_EQ(pileDiameterAt(*store, store->pileScratch, 1, 6.0),
              0.5);  // at the end of section 1: the one below
    // The last section ends at 1.2 x LENGTH (1.2f x 10); the lookup leaves
    // the store as it found it.
    EXPECT_EQ(sectionEnd(property, 2), 12.000000476837158);
    EXPECT_EQ(property.sections[1].XSECT, 10.0);
    EXPECT_EQ(pileDiameterAt(*store, store->pileScratch, 1, 2.0 + 11.0),
              0.5);  // 110% of the length
    EXPECT_EQ(pileDiameterAt(*store, store->pileScratch, 1, 2.0 + 13.0),
              0.5);  // past every section
    EXPECT_EQ(sectionPropertyAt(*store, store->pileScratch, 1, 2.0 + 13.0, SectionField::area),
              0.2);
    EXPECT_EQ(sectionPropertyAt(*store, store->pileScratch, 1, 3.0, SectionField::area), 0.8);

    // A section without a diameter takes the last section's.
    property.sections[0].DIAM = 0.0;
    EXPECT_EQ(pileDiameterAt(*store, store->pileScratch, 1, 3.0), 0.5);
    // No such property set, or a set without sections.
    EXPECT_EQ(pileDiameterAt(*store, store->pileScratch, 0, 3.0), 0.0);
    EXPECT_EQ(pileDiameterAt(*store, store->pileScratch, 2, 3.0), 0.0);
}

}  // namespace
}  // namespace pylora
