// SPDX-License-Identifier: Apache-2.0
// The pile-head torque-rotation curve: the marching against the closed form
// of a linear elastic shaft on linear torsional springs, and a section
// without torsional rigidity.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "axial/torque_rotation.h"
#include "soil/soil_profile.h"
#include "store/model_store.h"
#include "tests/axial/axial_test_support.h"

namespace pylora {
namespace {

using axialtest::addLayer;
using axialtest::contentsOf;
using axialtest::expectClose;
using axialtest::newStore;
using axialtest::pi32;
using axialtest::Row;

// Soft clay under a 2 in crust, both with a given side friction of 1 psi,
// tip resistance 1000 psi and E50 = 0.02; a 600 in pile of 12 in diameter.
std::unique_ptr<ModelStore> clayPile(double GJ, int sections) {
    auto store = newStore(1);
    const Row row{0.0625, 5.0, 0.0, 0, 0, 0.02, 0, 1.0, 1000.0};
    addLayer(*store, 1, 0.0, 2.0, row, row);
    addLayer(*store, 1, 2.0, 1000.0, row, row);
    prepareSoilProfile(*store);
    axialtest::addPile(*store, kDrivenPile, 600.0, 29.0E6, sections, {0.0, 12.0, 20.0, GJ});
    return store;
}

TEST(TorqueRotationCurve, MatchesTheLinearElasticShaftWhileTheCurvesAreLinear) {
    const double GJ = 1.0E10;
    auto store = clayPile(GJ, 10);
    int status = 0;
    generateTorqueRotation(*store, 1, 0, status);
    ASSERT_EQ(status, 0);
    const UserCurve& head = store->generatedCurves.torqueRotation[0];
    ASSERT_EQ(head.pointCount, 9);
    EXPECT_EQ(store->generatedCurves.trCurveCount, 1);

    const double r = 6.0;
    // Side: shear 18 f per inch of tangential movement r theta, acting over
    // the perimeter at the radius: k = 18 x pi D x r^2 per unit length.
    const double k = 0.18 / 0.01 * pi32() * 12.0 * r * r;
    // Base: uniform shear f q(r theta) / qmax over the circle, torque
    // 2/3 pi r^3 tau; on the first tip segment q / qmax = 0.5 sqrt(0.5) w / 0.24.
    const double kb = 2.0 / 3.0 * pi32() * r * r * r * 1.0 * 0.5 * std::sqrt(0.5) * r / 0.24;
    const double lambda = std::sqrt(k / GJ);
    const double c = std::cosh(lambda * 600.0);
    const double s = std::sinh(lambda * 600.0);
    const double tipMovement[] = {0.0001, 0.001, 0.005};  // at the surface, in
    for (int n = 0; n < 3; ++n) {
        const double thetaB = tipMovement[n] / r;
        const double Tb = kb * thetaB;
        const double theta = thetaB * c + Tb / (GJ * lambda) * s;
        const double torque = Tb * c + GJ * lambda * thetaB * s;
        ASSERT_LT(theta * r, 0.01);  // still on the first segment of the side curve
        // Twenty segments: midpoint-rule error about (lambda h)^2 / 24 = 9E-5.
        expectClose(head.points[n].displacement, theta, 2.0E-4);
        expectClose(head.points[n].force, torque, 2.0E-4);
    }
}

TEST(TorqueRotationCurve, SectionWithoutTorsionalRigidityStillGivesACurve) {
    auto store = clayPile(0.0, 2);
    int status = 0;
    generateTorqueRotation(*store, 1, 0, status);
    EXPECT_EQ(status, 0);
    // One error block per section without rigidity, in the report and the
    // runtime file.
    const std::string block = "\n\n       ERROR!!!     GJ(TORSIONAL RIGIDITY) IS ZERO\n\n\n";
    const std::string report = contentsOf(store->files.report);
    const std::size_t first = report.find(block);
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(report.find(block, first + block.size()), std::string::npos);
    EXPECT_NE(contentsOf(store->files.runtime).find(block), std::string::npos);
    // A shaft without rigidity does not twist: the head turns with the tip.
    const UserCurve& head = store->generatedCurves.torqueRotation[0];
    ASSERT_EQ(head.pointCount, 9);
    for (int n = 0; n < 9; ++n) {
        EXPECT_TRUE(std::isfinite(head.points[n].force));
        EXPECT_GT(head.points[n].force, 0.0);
    }
    expectClose(head.points[0].displacement, 0.0001 / 6.0, 1.0E-6);  // single precision 0.0001F
    expectClose(head.points[8].displacement, 2.0 / 6.0, 1.0E-6);
}

}  // namespace
}  // namespace pylora
