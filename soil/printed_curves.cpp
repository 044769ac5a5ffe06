// SPDX-License-Identifier: Apache-2.0
#include "soil/printed_curves.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "format/format.h"
#include "soil/py_evaluation.h"
#include "store/constants.h"

namespace pylora {

namespace {

// Why a requested curve is printed or not, checked in this order, a later
// check overriding an earlier one.
enum class Request {
    valid,            // printed at its depth
    capLevel,         // the one curve of an embedded cap
    secondAtCap,      // another curve inside the cap: refused
    aboveGround,      // at or above the ground surface of its pile
    belowTip,         // below the pile tip
    aboveCap,         // above the top of an embedded cap
    abovePile,        // above the pile head, no embedded cap
    aboveSoilTop,     // at or above the top of the soil profile
    belowSoilBottom,  // at or below its bottom
    userLayer,        // inside a layer of user p-y curves
};

struct RequestCheck {
    Request request = Request::valid;
    double limitX = 0.0;  // the X of the limit the request crossed
    int layerNo = 0;      // the user layer
};

const double kAboveGround = f32(1.0E-6F);

// The deepest layer whose top is not below X (0 above the profile).
int layerAt(const ModelStore& store, double X) {
    const int count = std::clamp(store.soilLayers.NLAYER, 0, kMaxSoilLayers);
    int found = 0;
    for (int L = 1; L <= count; ++L)
        if (store.soilLayers.rows[L - 1].topX <= X) found = L;
    return found;
}

bool validGroup(const ModelStore& store, int g) {
    return g >= 1 && g <= std::min(store.arrangement.pileGroupCount, kMaxPileGroups);
}

// The checks of one request; capCurveTaken says whether an earlier request
// was already given the cap level.
RequestCheck checkRequest(const ModelStore& store, const PyPrintRequest& r, bool& capCurveTaken) {
    RequestCheck check;
    const PileGroupWork& group = store.work.groups[r.pileNo - 1];
    const int IPROP = std::clamp(group.IPROP, 1, kMaxPileProperties);
    const double X = r.depth;
    const double groundX = group.XHEAD + group.groundBelowHead;
    const double tipX = group.XHEAD + store.work.properties[IPROP - 1].LENGTH;
    const bool embedded = store.control.embeddedCapOption == 1;
    const double capTopX = group.XHEAD - store.cap.capThicknessX;

    if (!(X - groundX > kAboveGround)) check = {Request::aboveGround, groundX, 0};
    if (X > tipX) check = {Request::belowTip, tipX, 0};
    if (embedded && X <= capTopX) check = {Request::aboveCap, capTopX, 0};
    if (!embedded && X <= group.XHEAD) check = {Request::abovePile, group.XHEAD, 0};
    if (embedded && check.request == Request::valid && X >= capTopX && X <= group.XHEAD) {
        check.request = capCurveTaken ? Request::secondAtCap : Request::capLevel;
        capCurveTaken = true;
    }
    if (check.request != Request::valid) return check;

    const int layerCount = std::clamp(store.soilLayers.NLAYER, 0, kMaxSoilLayers);
    if (layerCount < 1) return {Request::aboveSoilTop, 0.0, 0};
    const double topX = store.soilLayers.rows[0].topX;
    const double bottomX = store.soilLayers.rows[layerCount - 1].bottomX;
    if (X <= topX) return {Request::aboveSoilTop, topX, 0};
    if (X >= bottomX) return {Request::belowSoilBottom, bottomX, 0};
    const int L = layerAt(store, X);
    if (L >= 1 && store.soilLayers.rows[L - 1].KSOIL == 5) return {Request::userLayer, X, L};
    return check;
}

std::string_view lengthLabel(const ModelStore& store) {
    return store.units.length2.view();
}

// The heading of the points: "Y," and the length, "P," and the force per
// length.
void pointHeading(ReportLine& l, const ModelStore& store) {
    l.slash().X(37).text("Y,").A(lengthLabel(store), 2);
    l.X(13).text("P,").A(store.units.force3.view(), 3).text(kUnitPer).A(lengthLabel(store), 2);
}

// A label without its leading blanks, for the units in parentheses.
std::string trimmed(std::string_view label) {
    const std::size_t first = label.find_first_not_of(' ');
    return first == std::string_view::npos ? std::string() : std::string(label.substr(first));
}

std::string perLength(const ModelStore& store) {
    return "(" + trimmed(store.units.force3.view()) + kUnitPer + trimmed(lengthLabel(store)) + ")";
}

std::string stress(const ModelStore& store) {
    return "(" + trimmed(store.units.force3.view()) + kUnitPer + trimmed(lengthLabel(store)) +
           kUnitPower + kUnitSquare + ")";
}

std::string unitWeight(const ModelStore& store) {
    return "(" + trimmed(store.units.force3.view()) + kUnitPer + trimmed(lengthLabel(store)) +
           kUnitPower + kUnitCube + ")";
}

std::string length(const ModelStore& store) {
    return "(" + trimmed(lengthLabel(store)) + ")";
}

double degrees(double radians) {
    return radians * 180.0 / f32(3.14159F);
}

// The unit lines below: each unit is right-justified in the width of its
// value's field with the blanks before it, so that it ends where the value
// ends.

// The soil values of the clay criteria: depth, diameter, strength, unit
// weight, E50 and, for the stiff clays with an initial line, K.
void clayHeader(ReportLine& l, const ModelStore& store, const PrintedPyCurve& c, bool withK) {
    l.slash().X(9).text("DEPTH BELOW GS").X(6).text("DIAM").X(9).text("C").X(9).text("GAMMA");
    l.X(9).text("E50");
    if (withK) l.X(10).text("K");
    l.slash().A(length(store), 18).A(length(store), 16).A(stress(store), 13);
    l.A(unitWeight(store), 12);
    if (withK) l.X(13).A(unitWeight(store), 13);
    l.slash().X(8).F(c.depth, 10, 2).X(6).F(c.diameter, 10, 3).X(3).E(c.strength, 10, 4);
    l.X(2).E(c.unitWeight, 10, 4).X(1).E(c.strain, 12, 4);
    if (withK) l.X(1).E(c.subgradeModulus, 12, 4);
}

// Sand, API sand and silt: depth, diameter, friction angle, unit weight, K,
// the ultimate resistance and, for silt, the strength.
void granularHeader(ReportLine& l, const ModelStore& store, const PrintedPyCurve& c, bool silt) {
    l.slash().X(9).text("DEPTH BELOW GS").X(6).text("DIAM").X(8).text("PHI").X(8).text("GAMMA");
    l.X(11).text("K").X(10).text("PU");
    if (silt) l.X(11).text("C");
    l.slash().A(length(store), 18).A(length(store), 16).A(std::string("(") + kUnitDegree + ")", 13);
    l.A(unitWeight(store), 12).A(unitWeight(store), 13).A(perLength(store), 13);
    if (silt) l.A(stress(store), 13);
    l.slash().X(8).F(c.depth, 10, 2).X(6).F(c.diameter, 10, 3);
    l.X(3).F(degrees(c.frictionAngle), 10, 2).X(2).E(c.unitWeight, 10, 4);
    l.X(1).E(c.subgradeModulus, 12, 4).X(1).E(c.ultimate, 12, 4);
    if (silt) l.X(1).E(c.strength, 12, 4);
}

// Weak rock and vuggy limestone: depth, diameter, su, the ultimate
// resistance, unit weight and (weak rock) KRM, and their own point heading.
void rockHeader(ReportLine& l, const ModelStore& store, const PrintedPyCurve& c, bool weakRock) {
    l.slash().slash().X(14).text("DEPTH").X(5).text("DIAM").X(7).text("C").X(8).text(" PU ");
    l.X(3).text("GAMMA AVG");
    if (weakRock) l.X(6).text("E50");
    l.slash().A(length(store), 20).A(length(store), 10).A(stress(store), 10);
    l.A(perLength(store), 10).A(unitWeight(store), 10);
    l.slash().X(10).F(c.depth, 10, 2).F(c.diameter, 10, 3).E(c.strength, 10, 2);
    l.E(c.ultimate, 10, 2).E(c.unitWeight, 10, 2);
    if (weakRock) l.E(c.strain, 12, 3);
    l.slash().X(37).text("Y").X(19).text("P");
    l.slash().A(length(store), 40).A(perLength(store), 20);
}

void liquefiedHeader(ReportLine& l, const ModelStore& store, const PrintedPyCurve& c, double pm,
                     double ym) {
    const std::string length = trimmed(lengthLabel(store));
    l.slash().X(9).text("p-y Curve Computed Using Liquefied Sand Criteria").slash();
    l.slash().X(9).text("Depth below ground surface       =").E(c.depth, 12, 4).X(1).text(length);
    l.slash()
        .X(9)
        .text("Diameter                         =")
        .E(c.diameter, 12, 4)
        .X(1)
        .text(length);
    l.slash().X(9).text("Gamma Avg                        =").E(c.unitWeight, 12, 4).X(1);
    l.text(unitWeight(store));
    l.slash().X(9).text("Pu                               =").E(c.ultimate, 12, 4).X(1);
    l.text(perLength(store));
    l.slash().X(9).text("p-multiplier                     =").F(pm, 12, 4);
    l.slash().X(9).text("y-multiplier                     =").F(ym, 12, 4);
}

enum class PointLayout { fixed, scientific };

// The header block of the criterion of the curve's layer, and the layout of
// its points.
PointLayout writeCriterionHeader(ModelStore& store, const PrintedPyCurve& c) {
    ReportLine l;
    PointLayout layout = PointLayout::scientific;
    switch (c.KSOIL) {
        case 2:
        case 10:
            clayHeader(l, store, c, true);
            pointHeading(l, store);
            break;
        case 4:
        case 8:
            granularHeader(l, store, c, false);
            pointHeading(l, store);
            break;
        case 7:
            granularHeader(l, store, c, true);
            pointHeading(l, store);
            break;
        case 6:
            rockHeader(l, store, c, false);
            break;
        case 9:
            rockHeader(l, store, c, true);
            break;
        case 11:
            liquefiedHeader(l, store, c,
                            pMultiplierOf(store, store.pileScratch.py.currentPileGroup),
                            yMultiplierOf(store, store.pileScratch.py.currentPileGroup));
            pointHeading(l, store);
            break;
        case 3:
            clayHeader(l, store, c, false);
            pointHeading(l, store);
            break;
        default:  // soft clay (1 and unknown types), in fixed point
            clayHeader(l, store, c, false);
            pointHeading(l, store);
            layout = PointLayout::fixed;
            break;
    }
    writeLine(store.files.report.get(), l);
    return layout;
}

void writeSmallDeflectionWarning(ModelStore& store, double modulus) {
    ReportLine l;
    l.slash().X(29).text("**** WARNING ****");
    l.slash().X(5).text("DEFLECTION IS LESS THAN 1.0E-14.  THE PROGRAM");
    l.slash().X(5).text("USED A SOIL MODULUS OF ").E(modulus, 12, 4);
    writeLine(store.files.report.get(), l);
    noteWarning(store, l.str());
}

void writePoints(ModelStore& store, const PrintedPyCurve& c, PointLayout layout) {
    for (int k = 0; k < std::clamp(c.pointCount, 0, kMaxPrintedPyPoints); ++k) {
        const auto j = static_cast<std::size_t>(k);
        ReportLine point;
        if (layout == PointLayout::fixed)
            point.X(1).X(20).F(c.y[j], 20, 3).F(c.p[j], 20, 3);
        else
            point.X(21).E(c.y[j], 20, 3).E(c.p[j], 20, 3);
        writeLine(store.files.report.get(), point);
        ReportLine plot;
        plot.X(1).G(c.y[j], 15, 8).X(1).G(c.p[j], 15, 8);
        writeLine(store.files.plot.get(), plot);
        if (k > 0 && c.belowYmin[j] != 0) writeSmallDeflectionWarning(store, c.modulus[j]);
    }
}

// The line of a refused request after its header.
void writeRefusal(ModelStore& store, const PyPrintRequest& r, const RequestCheck& check) {
    const std::string_view length = lengthLabel(store);
    ReportLine l;
    if (check.request == Request::secondAtCap) {
        l.slash().X(9).text("CURVE NOT GENERATED SINCE ONLY ONE CURVE ");
        l.slash().X(9).text("AT PILE CAP LEVEL CAN BE PRINTED ");
        writeLine(store.files.report.get(), l);
        return;
    }
    const bool profile = check.request == Request::aboveSoilTop ||
                         check.request == Request::belowSoilBottom ||
                         check.request == Request::userLayer;
    l.X(9).text(profile ? "CURVE NOT GENERATED SINCE REQUIRED DEPTH,     "
                        : "CURVE NOT GENERATED SINCE REQUIRED DEPTH,  ");
    l.F(r.depth, 10, 2).X(1).A(length, 2).text(",").slash().X(9);
    switch (check.request) {
        case Request::aboveGround:
            l.text("IS ABOVE OR EQUAL TO THE SOIL GROUND ").text("FOR REQUIRED PILE, ");
            break;
        case Request::belowTip:
            l.text("IS BELOW TIP OF REQUIRED PILE, ");
            break;
        case Request::aboveCap:
            l.text("IS ABOVE TOP OF PILE CAP, ");
            break;
        case Request::abovePile:
            l.text("IS ABOVE TOP OF REQUIRED PILE, ");
            break;
        case Request::aboveSoilTop:
            l.text("IS ABOVE OR EQUAL TO THE DEFINED SOIL TOP, ");
            break;
        case Request::belowSoilBottom:
            l.text("IS BELOW OR EQUAL TO THE DEFINED SOIL BOTTOM, ");
            break;
        case Request::userLayer:
            l.text("IS WITHIN LAYER ").I(check.layerNo, 3);
            l.text(", WHICH IS SET AS USER DEFINED P-Y CURVES");
            writeLine(store.files.report.get(), l);
            return;
        default:
            break;
    }
    l.F(check.limitX, 10, 2).X(1).A(length, 2);
    writeLine(store.files.report.get(), l);
}

// Evaluates one accepted request at its depth for its pile group: the curve
// is left in store.pyPrinting. Returns the status of the evaluation.
int evaluateRequest(ModelStore& store, const PyPrintRequest& r) {
    PrintedPyCurve& printing = store.pyPrinting;
    printing.X = r.depth;
    printing.userPointCount = std::clamp(r.extraDepthCount, 0, kMaxPrintedPyPoints);
    std::copy_n(r.extraDepths.begin(), printing.userPointCount, printing.userDeflections.begin());
    printing.curveReady = 0;
    store.pileScratch.py.currentPileGroup = r.pileNo;
    int status = 0;
    generatePyModuli(store, store.pileScratch, store.work.groups[r.pileNo - 1].IPROP, status);
    return status;
}

}  // namespace

void printPyCurves(ModelStore& store) {
    PrintedPyCurve& printing = store.pyPrinting;
    printing.printing = 1;
    const int count = std::clamp(store.pyPrints.pyPrintCount, 0, kMaxPyPrintRequests);
    std::FILE* report = store.files.report.get();
    std::FILE* plot = store.files.plot.get();

    std::array<RequestCheck, kMaxPyPrintRequests> checks{};
    bool capCurveTaken = false;
    for (int k = 1; k <= count; ++k) {
        const PyPrintRequest& r = store.pyPrints.rows[k - 1];
        // The reader refuses a request for a pile group that does not exist;
        // a store filled otherwise gets the same answer as a pile missed.
        if (!validGroup(store, r.pileNo))
            checks[k - 1] = {Request::belowTip, 0.0, 0};
        else
            checks[k - 1] = checkRequest(store, r, capCurveTaken);
    }

    ReportLine heading;
    heading.slash().slash().X(5).text("* GENERATED P-Y CURVES *").slash().slash().X(5);
    heading.text("NUMBER OF CURVES  :").I(count, 5);
    writeLine(report, heading);
    ReportLine plotHeading;
    plotHeading.X(5).text("* GENERATED P-Y CURVES *").slash().X(5).I(count, 5);
    writeLine(plot, plotHeading);

    const int savedGroup = store.pileScratch.py.currentPileGroup;
    for (int k = 1; k <= count; ++k) {
        const PyPrintRequest& r = store.pyPrints.rows[k - 1];
        const RequestCheck& check = checks[k - 1];
        const bool accepted = check.request == Request::valid || check.request == Request::capLevel;

        int status = 0;
        if (accepted) status = evaluateRequest(store, r);
        const int points = accepted && printing.curveReady == 1 ? printing.pointCount : 0;

        ReportLine header;
        header.slash().slash().X(9).text("CURVE NUMBER              =").I(k, 5);
        if (check.request == Request::capLevel) {
            header.slash().slash().X(9).text("AT PILE CAP LEVEL, DEPTH  =").F(r.depth, 10, 2);
            header.X(1).A(lengthLabel(store), 2);
            header.slash().slash().X(9).text("NUMBER OF POINTS ON CURVE =").I(points, 5);
        } else {
            header.slash().slash().X(9).text("PILE GROUP NUMBER         =").I(r.pileNo, 5);
            header.slash();
            if (accepted) {
                header.slash().X(9).text("DEPTH                     =").F(r.depth, 10, 2);
                header.X(1).A(lengthLabel(store), 2);
                header.slash().slash().X(9).text("NUMBER OF POINTS ON CURVE =").I(points, 5);
            }
        }
        writeLine(report, header);
        ReportLine plotHeader;
        plotHeader.I(k, 5).I(r.pileNo, 5).I(points, 5);
        writeLine(plot, plotHeader);

        if (!accepted) {
            writeRefusal(store, r, check);
            continue;
        }
        // A criterion that refuses its soil data has written its warning.
        if (status != 0) break;
        if (points == 0) continue;
        if (store.resultsCollector) store.resultsCollector->pyCurvePrinted(store, k, r.pileNo);
        writePoints(store, printing, writeCriterionHeader(store, printing));
    }
    store.pileScratch.py.currentPileGroup = savedGroup;
    printing.printing = 0;
}

}  // namespace pylora
