// SPDX-License-Identifier: Apache-2.0
#include "engine/prepare_run.h"

#include <algorithm>
#include <cmath>

#include "axial/load_settlement.h"
#include "axial/torque_rotation.h"
#include "cap/group_factors.h"
#include "engine/analysis_driver.h"
#include "engine/load_assembly.h"
#include "format/format.h"
#include "report/input_echo.h"
#include "soil/soil_profile.h"
#include "store/constants.h"
#include "store/return_codes.h"
#include "store/run_messages.h"

namespace pylora {

namespace {

int countOf(int count, int capacity) {
    return std::clamp(count, 0, capacity);
}

// A moment of inertia this small is taken as not given.
constexpr double kNoMomentOfInertia = f32(1.0E-10F);

// The moment of inertia of a solid circle of diameter D, about pi/64 D^4.
double solidCircleInertia(double diameter) {
    const double d2 = diameter * diameter;
    return f32(0.0491F) * (d2 * d2);
}

double givenOrSolidCircle(double inertia, double diameter) {
    return inertia < kNoMomentOfInertia ? solidCircleInertia(diameter) : inertia;
}

// The sign of the movement a load component pushes the cap in: -1.0 for a
// negative component, +1.0 otherwise.
double directionOf(double component) {
    return component < 0.0 ? -1.0 : 1.0;
}

// TABLE H after its heading: the user curves, or the curves generated for
// every pile property when the soil has layers. Returns the first nonzero
// status of the generation, else 0.
int loadSettlementCurves(ModelStore& store) {
    if (usesUserLoadSettlementCurves(store)) {
        echoUserLoadSettlementCurves(store);
        return 0;
    }
    if (store.soilLayers.NLAYER < 1) return 0;
    const int count = countOf(store.pileProperties.pilePropertyCount, kMaxPileProperties);
    for (int IPROP = 1; IPROP <= count; ++IPROP) {
        int status = 0;
        generateLoadSettlement(store, IPROP, kCurveOutputTz, status);
        if (status != 0) return status;
    }
    echoGeneratedLoadSettlementCurves(store);
    return 0;
}

// TABLE I after its heading, as loadSettlementCurves.
int torqueRotationCurves(ModelStore& store) {
    if (usesUserTorqueRotationCurves(store)) {
        echoUserTorqueRotationCurves(store);
        return 0;
    }
    if (store.soilLayers.NLAYER < 1) return 0;
    const int count = countOf(store.pileProperties.pilePropertyCount, kMaxPileProperties);
    for (int IPROP = 1; IPROP <= count; ++IPROP) {
        int status = 0;
        generateTorqueRotation(store, IPROP, kCurveOutputTz, status);
        if (status != 0) return status;
    }
    echoGeneratedTorqueRotationCurves(store);
    return 0;
}

// The group reduction factors and TABLE K. Computed factors shade the piles
// for movement in the direction of the horizontal loads of load case 1.
void groupFactors(ModelStore& store) {
    if (store.control.groupFactorOption == 0) return;
    CapVector reference{};
    if (store.loadCases.loadCaseCount >= 1) reference = store.work.caseLoads[0];
    prepareGroupFactors(store, directionOf(reference[kForceY]), directionOf(reference[kForceZ]));
}

}  // namespace

void setWorkingCapWidth(ModelStore& store) {
    if (isTwoDimensional(store)) return;
    PileCap& cap = store.cap;
    cap.capWidthZ = std::sqrt(cap.capLengthY * cap.capLengthY + cap.capWidthZ * cap.capWidthZ);
}

void prepareLoadCases(ModelStore& store) {
    const int count = countOf(store.loadCases.loadCaseCount, kMaxLoadCases);
    for (int caseNo = 1; caseNo <= count; ++caseNo) {
        applyDefaultStiffnessLevels(store.loadCases.rows[caseNo - 1]);
        caseLoad(store, caseNo, store.work.caseLoads[caseNo - 1]);
    }
}

void prepareArrangement(ModelStore& store) {
    const bool twoDimensional = isTwoDimensional(store);
    const int count = countOf(store.arrangement.pileGroupCount, kMaxPileGroups);
    for (int g = 1; g <= count; ++g) {
        const PileGroup& group = store.arrangement.rows[g - 1];
        PileGroupWork& work = store.work.groups[g - 1];
        work.IPROP = group.pilePropertyNo;
        work.connectionY = group.connectionY;
        work.connectionZ = group.connectionZ;
        work.pySetNo = group.pySetNo;
        work.lsCurveNo = group.lsCurveNo;
        work.trCurveNo = group.trCurveNo;
        work.springY = group.springY;
        work.springZ = group.springZ;
        work.axialForceFactor = group.axialForceFactor;
        work.groundBelowHead = group.ground;
        work.XHEAD = group.headX;
        work.headY = group.headY;
        if (twoDimensional) {
            work.pileCount = group.pilesInGroup;
            work.headZ = 0.0;
            work.batter = radiansFromDegrees(group.batterAngle);
            work.alpha = 0.0;
            work.beta = 0.0;
        } else {
            work.pileCount = 1.0;
            work.headZ = group.headZ;
            work.batter = 0.0;
            work.alpha = radiansFromDegrees(group.alpha);
            work.beta = radiansFromDegrees(group.beta);
        }
    }
}

void prepareSectionTables(ModelStore& store) {
    const CrossSectionTable& crossSections = store.crossSections;
    const int crossSectionCount = countOf(crossSections.crossSectionCount, kMaxCrossSections);
    const int count = countOf(store.pileProperties.pilePropertyCount, kMaxPileProperties);
    for (int IPROP = 1; IPROP <= count; ++IPROP) {
        const PileProperty& property = store.pileProperties.rows[IPROP - 1];
        PropertyWork& work = store.work.properties[IPROP - 1];
        work.NSECT = countOf(property.sectionCount, kMaxPileSections);
        work.LENGTH = property.length;
        work.increments = property.increments;
        work.elasticModulus = property.elasticModulus;
        work.pileType = property.pileType;
        for (int k = 1; k <= work.NSECT; ++k) {
            const PileSection& section = property.sections[k - 1];
            SectionWork& s = work.sections[k - 1];
            s = SectionWork{};
            s.XSECT = section.from;
            s.mcSetY = section.mcSetY;
            s.mcSetZ = section.mcSetZ;
            const int no = section.crossSectionNo;
            if (no < 1 || no > crossSectionCount) continue;
            const CrossSection& cs = crossSections.rows[no - 1];
            s.DIAM = cs.dimension(kDimDiameter);
            s.AREA = cs.property(kPropArea);
            s.Iz = givenOrSolidCircle(cs.property(kPropIz), s.DIAM);
            s.Iy = givenOrSolidCircle(cs.property(kPropIy), s.DIAM);
            s.EIz = property.elasticModulus * s.Iz;
            s.EIy = property.elasticModulus * s.Iy;
            s.GJ = cs.property(kPropGJ);
            s.Mn = cs.property(kPropMn);
            s.Vn = cs.property(kPropVn);
        }
    }
}

void inputEchoAndPrepare(ModelStore& store, int& stopCode) {
    inputEchoAndPrepare(store, stopCode, analysisDriver);
}

void inputEchoAndPrepare(ModelStore& store, int& stopCode, AnalysisHandover analysis) {
    // The unit labels were chosen from the units system when the control
    // parameters were read; the connection, axis and load-type texts belong
    // to the echo.
    echoHeading(store);

    echoCapTable(store);
    setWorkingCapWidth(store);

    prepareLoadCases(store);
    echoLoadTables(store);

    prepareArrangement(store);
    echoArrangement(store);

    echoPileProperties(store);
    prepareSectionTables(store);

    prepareSoilProfile(store);
    echoSoilData(store);

    echoUserPyCurves(store);

    echoLoadSettlementHeading(store);
    int status = loadSettlementCurves(store);
    if (status == 0 && !isTwoDimensional(store)) {
        echoTorqueRotationHeading(store);
        status = torqueRotationCurves(store);
    }

    if (status == 0) {
        echoMomentCurvatureSets(store);
        groupFactors(store);

        // The analysis runs with KPYOP at 0; the driver restores it from the
        // curve switch before it prints the requested p-y curves.
        const int curveSwitch = store.control.KPYOP;
        store.control.KPYOP = 0;
        analysis(store, curveSwitch, stopCode);
    } else {
        stopCode = status;
    }

    // The end of the run as the front end reads it: completed only when
    // every file of the run took all that was written to it.
    if (!releaseStatusLines(store)) stopCode = kReturnFileWriteError;
    std::FILE* runtime = store.files.runtime.get();
    if (stopCode == kReturnInterrupted)
        writeListText(runtime, "ANALYSIS INTERRUPTED");
    else if (stopCode == kReturnFileWriteError)
        writeListText(runtime, "ANALYSIS STOPPED, FILE ERROR");
    else
        writeListText(runtime, "ANALYSIS COMPLETED");
    commitToDisk(runtime);
    if (!runFilesWritten(store)) stopCode = kReturnFileWriteError;
}

}  // namespace pylora
