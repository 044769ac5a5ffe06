// SPDX-License-Identifier: Apache-2.0
#include "report/input_echo.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "cap/group_factors.h"
#include "format/format.h"
#include "format/number_fields.h"
#include "store/constants.h"

namespace pylora {

namespace {

// Every number field of the echo rows: reals in 12 characters with 4
// significant decimals, integers in 5 (4 in the "NL" columns, as the given
// rows of the load tables have them).
constexpr int kRealWidth = 12;
constexpr int kRealDecimals = 4;
constexpr int kIntegerWidth = 5;
constexpr int kLoadNoWidth = 4;

// A sum of the cap dimensions up to this leaves TABLE B out.
constexpr double kNoCapDimensions = f32(1.0E-10F);

// The report, or the file the echo is directed to for the moment.
std::FILE* reportFile(const ModelStore& store) {
    return store.files.echoTarget != nullptr ? store.files.echoTarget : store.files.report.get();
}

void print(const ModelStore& store, const ReportLine& line) {
    writeLine(reportFile(store), line);
}

void real(ReportLine& line, double value) {
    writeRealField(line, kRealWidth, kRealDecimals, value);
}

void integer(ReportLine& line, long long value) {
    writeIntegerField(line, kIntegerWidth, value);
}

// A count of a table, never beyond the table's capacity.
int countOf(int count, int capacity) {
    return std::clamp(count, 0, capacity);
}

// A count held as a real (the piles of a two-dimensional group), truncated.
long long truncatedCount(double value) {
    if (!std::isfinite(value)) return 0;
    return static_cast<long long>(std::clamp(value, -1.0E9, 1.0E9));
}

// Text left-justified in a field of w characters, as a blank-padded character
// variable of that length prints under Aw.
std::string padded(std::string_view text, std::size_t w) {
    std::string s(text.substr(0, std::min(text.size(), w)));
    s.resize(w, ' ');
    return s;
}

// Unit labels composed from the pieces of the units system.
struct Units {
    std::string length2;     // "IN", " M", " L"
    std::string length3;     // " IN", "  M", "  L"
    std::string force3;      // "LBS", " KN", "  F"
    std::string force4;      // " LBS", "  KN", "   F"
    std::string moment;      // force3 "-" length2
    std::string stress;      // force3 "/" length2 "**" "2"
    std::string unitWeight;  // force3 "/" length2 "**" "3"
};

Units unitsOf(const ModelStore& store) {
    const UnitLabels& u = store.units;
    Units units;
    units.length2 = std::string(u.length2.view());
    units.length3 = std::string(u.length3.view());
    units.force3 = std::string(u.force3.view());
    units.force4 = std::string(u.force4.view());
    units.moment = units.force3 + kUnitTimes + units.length2;
    units.stress = units.force3 + kUnitPer + units.length2 + kUnitPower + kUnitSquare;
    units.unitWeight = units.force3 + kUnitPer + units.length2 + kUnitPower + kUnitCube;
    return units;
}

std::string inParentheses(std::string_view unit) {
    return "(" + std::string(unit) + ")";
}

// ---------------------------------------------------------------------------
// TABLE C pieces shared by load cases, combinations and envelopes.

// The print option line, and for option 2 the node step line; nodeText is
// " NODE(S)" for load cases and envelopes and "NODE(S)" for combinations.
void printPrintOption(const ModelStore& store, int printOption, int nodeStep,
                      std::string_view nodeText) {
    ReportLine l;
    if (printOption == 0) {
        l.X(9).text("PRINT RESULTS ONLY AT PILE CAP");
        print(store, l);
    } else if (printOption == 1) {
        l.X(9).text("PRINT RESULTS AT PILE CAP AND PILE HEADS");
        print(store, l);
    } else if (printOption == 2) {
        l.X(9).text("PRINT RESULTS AT PILE CAP, PILE HEADS AND").text(" ALONG PILES");
        print(store, l);
        l.clear();
        l.X(9).text("PRINT RESULTS EVERY ").I(nodeStep, 5).text(nodeText);
        print(store, l);
    }
}

// Loading kind (integer 4: 0 cyclic with the cycles of integer 5, 1 static)
// and the control parameters of a load case or a combination; both number
// their fields alike.
template <typename CaseOrCombination>
void printLoadingAndControl(const ModelStore& store, const CaseOrCombination& c,
                            std::string_view nodeText) {
    const Units units = unitsOf(store);
    ReportLine l;
    if (c.integer(kCaseLoadingKind) == 0) {
        l.slash().slash().X(5).text("* THE LOADING IS CYCLIC *").slash().slash();
        l.X(5).text("NO. OF CYCLES =,").F(static_cast<double>(c.integer(kCaseLoadCycles)), 10, 2);
        print(store, l);
    } else if (c.integer(kCaseLoadingKind) == 1) {
        l.slash().slash().X(5).text("* THE LOADING IS STATIC *");
        print(store, l);
    }
    l.clear();
    l.slash().slash().X(5).text("* CONTROL PARAMETERS *");
    print(store, l);
    l.clear();
    l.X(9).text("TOLERANCE ON CONVERGENCE OF FOUNDATION REACTION,").X(4).text(" = ");
    l.PG(c.real(kRealCapTolerance), 12, 5);
    print(store, l);
    l.clear();
    l.X(9).text("TOLERANCE ON DETERMINATION OF DEFLECTIONS").X(11).text(" = ");
    l.PG(c.real(kRealDeflectionTolerance), 12, 5).A(units.length3, 3);
    print(store, l);
    l.clear();
    l.X(9).text("MAX NO OF ITERATIONS ALLOWED FOR FOUNDATION ANALYSIS =");
    l.I(c.integer(kCaseCapIterations), 9);
    print(store, l);
    l.clear();
    l.X(9).text("MAXIMUM NO OF ITERATIONS ALLOWED FOR PILE ANALYSIS   =");
    l.I(c.integer(kCasePileIterations), 9);
    print(store, l);
    l.clear();
    l.X(9).text("FACTOR TO APPLY THE LOAD IN INCREMENTS").X(14).text(" = ");
    l.PG(c.real(kRealIncrementFactor), 12, 5);
    print(store, l);
    l.clear();
    l.X(9).text("MINIMUM FACTOR FOR LOAD INCREMENTS    ").X(14).text(" = ");
    l.PG(c.real(kRealMinimumIncrement), 12, 5);
    print(store, l);
    printPrintOption(store, c.integer(kCasePrintOption), c.integer(kCaseNodeStep), nodeText);
}

void printConcentratedLoads(const ModelStore& store, const LoadCase& loadCase) {
    const Units u = unitsOf(store);
    std::FILE* f = reportFile(store);
    const int count = countOf(loadCase.concentratedLoadCount(), kMaxConcentratedLoads);
    ReportLine l;
    l.slash().X(5).text("* CONCENTRATED LOADS *").slash();
    print(store, l);
    l.clear();
    if (isTwoDimensional(store)) {
        l.X(5).text("  NL     VERT.LOAD     HOR.LOAD      MOMENT");
        l.text("      COORD X      COORD Y");
        print(store, l);
        l.clear();
        l.X(18).text(inParentheses(u.force3)).X(8).text(inParentheses(u.force3));
        l.X(4).text(inParentheses(u.moment)).X(9).text(inParentheses(u.length2));
        l.X(9).text(inParentheses(u.length2));
        print(store, l);
        for (int n = 1; n <= count; ++n) {
            const ConcentratedLoad& c = loadCase.concentratedLoads[n - 1];
            l.clear();
            writeBlanks(l, 5);
            writeIntegerField(l, kLoadNoWidth, n);
            writeBlanks(l, 2);
            real(l, c.value(1));
            writeBlanks(l, 1);
            real(l, c.value(2));
            real(l, c.value(3));
            writeBlanks(l, 1);
            real(l, c.value(7));
            writeBlanks(l, 1);
            real(l, c.value(8));
            endLine(f, l);
        }
    } else {
        l.X(7).text(" NL    VERT.LOAD    HR.LOAD Y    HR.LOAD Z");
        l.text("    MOMENT X     MOMENT Y     MOMENT Z ");
        l.text("     COORD X      COORD Y      COORD Z ");
        print(store, l);
        l.clear();
        l.X(18).text(inParentheses(u.force3)).X(8).text(inParentheses(u.force3));
        l.X(8).text(inParentheses(u.force3)).X(4).text(inParentheses(u.moment));
        l.X(5).text(inParentheses(u.moment)).X(5).text(inParentheses(u.moment));
        l.X(9).text(inParentheses(u.length2)).X(9).text(inParentheses(u.length2));
        l.X(9).text(inParentheses(u.length2));
        print(store, l);
        for (int n = 1; n <= count; ++n) {
            const ConcentratedLoad& c = loadCase.concentratedLoads[n - 1];
            l.clear();
            writeBlanks(l, 6);
            writeIntegerField(l, kLoadNoWidth, n);
            writeBlanks(l, 1);
            real(l, c.value(1));
            writeBlanks(l, 1);
            real(l, c.value(2));
            writeBlanks(l, 1);
            real(l, c.value(4));
            real(l, c.value(6));
            writeBlanks(l, 1);
            real(l, c.value(5));
            writeBlanks(l, 1);
            real(l, c.value(3));
            writeBlanks(l, 1);
            real(l, c.value(7));
            writeBlanks(l, 1);
            real(l, c.value(8));
            writeBlanks(l, 1);
            real(l, c.value(9));
            endLine(f, l);
        }
    }
}

void printEquivalentLoad(const ModelStore& store, const CapVector& load) {
    const Units u = unitsOf(store);
    std::FILE* f = reportFile(store);
    ReportLine l;
    l.slash().slash().X(5).text("* EQUIVALENT CONC. LOAD AT ORIGIN *");
    print(store, l);
    l.clear();
    if (isTwoDimensional(store)) {
        l.slash().X(13).text(" VER.LOAD X,").A(u.force3, 3).X(3).text(" HOR.LOAD Y,");
        l.A(u.force3, 3).X(3).text(" MOMENT,").A(u.force3, 3).A(kUnitTimes, 1).A(u.length2, 2);
        print(store, l);
        l.clear();
        writeBlanks(l, 16);
        real(l, load[kForceX]);
        writeBlanks(l, 6);
        real(l, load[kForceY]);
        writeBlanks(l, 5);
        real(l, load[kMomentZ]);
        endLine(f, l);
    } else {
        l.slash().X(11).text(" VER.LOAD X,").A(u.force3, 3).X(5).text("HOR.LOAD Y,");
        l.A(u.force3, 3).X(5).text("HOR.LOAD Z,").A(u.force3, 3);
        print(store, l);
        l.clear();
        writeBlanks(l, 14);
        real(l, load[kForceX]);
        writeBlanks(l, 7);
        real(l, load[kForceY]);
        writeBlanks(l, 7);
        real(l, load[kForceZ]);
        endLine(f, l);
        l.slash().X(11).text(" MOMENT X,").A(u.force3, 3).A(kUnitTimes, 1).A(u.length2, 2);
        l.X(3).text(" MOMENT Y,").A(u.force3, 3).A(kUnitTimes, 1).A(u.length2, 2);
        l.X(3).text(" MOMENT Z,").A(u.force3, 3).A(kUnitTimes, 1).A(u.length2, 2);
        print(store, l);
        l.clear();
        writeBlanks(l, 15);
        real(l, load[kMomentX]);
        writeBlanks(l, 7);
        real(l, load[kMomentY]);
        writeBlanks(l, 7);
        real(l, load[kMomentZ]);
        endLine(f, l);
    }
}

void printDistributedLoads(const ModelStore& store, const LoadCase& loadCase) {
    std::FILE* f = reportFile(store);
    const bool twoDimensional = isTwoDimensional(store);
    const int count = countOf(loadCase.distributedLoadCount(), kMaxDistributedLoads);
    ReportLine l;
    l.slash().X(5).text("* DISTRIBUTED LOADS *").slash();
    print(store, l);
    l.clear();
    l.X(5).text("  NL    AXIS    INI_PILE  END_PILE").text("  INC_PILE    SET_Y ");
    l.text("   FACTOR_Y");
    if (!twoDimensional) l.text("     SET_Z    FACTOR_Z");
    print(store, l);
    bool anyGlobal = false;
    for (int n = 1; n <= count; ++n) {
        const DistributedLoad& d = loadCase.distributedLoads[n - 1];
        anyGlobal = anyGlobal || d.integer(2) == 1;
        l.clear();
        l.X(5).I(d.integer(1), 4).X(3).A(distributedAxisText(d.integer(2)), 6);
        l.I(d.integer(3), 8).I(d.integer(4), 8).I(d.integer(5), 8).I(d.integer(6), 8);
        real(l, d.factorY);
        if (!twoDimensional) {
            l.I(d.integer(7), 8);
            real(l, d.factorZ);
        }
        endLine(f, l);
    }
    if (anyGlobal && loadCase.integer(kCaseAxialAtHeadOption) == 1) {
        l.clear();
        l.slash().X(5).text("NOTE: FOR GLOBAL LOADING, AXIAL ").text("COMPONENT IS CONSIDERED AS ");
        l.text("CONCENTRATED LOAD AT PILE HEAD");
        print(store, l);
    }
}

void printStiffnessLevels(const ModelStore& store, const LoadCase& loadCase) {
    std::FILE* f = reportFile(store);
    ReportLine l;
    l.slash().X(5).text("* DATA FOR FOUNDATION STIFFNESS *").slash();
    l.X(5).text("COMPUTED FOR EQUIVALENT CONC. LOAD AT ORIGIN").slash();
    print(store, l);
    l.clear();
    l.slash().X(5).text("* FOUNDATION STIFFNESS LOAD LEVELS *").slash();
    print(store, l);
    l.clear();
    l.X(5).text("  NL       LOAD LEVEL");
    print(store, l);
    const int count = countOf(loadCase.stiffnessLevelCount(), kMaxStiffnessLevels);
    for (int n = 1; n <= count; ++n) {
        l.clear();
        l.X(5).I(n, 4).X(4);
        real(l, loadCase.stiffnessLevels[n - 1]);
        endLine(f, l);
    }
}

void printLoadCase(const ModelStore& store, int caseNo) {
    const LoadCase& loadCase = store.loadCases.rows[caseNo - 1];
    ReportLine l;
    l.slash().slash().X(5).text("LOAD CASE    : ").I(caseNo, 5).slash();
    l.X(5).text("CASE NAME    : ").A(loadCase.name.view(), 80);
    print(store, l);
    l.clear();
    l.X(5).text("LOAD TYPE    : ").A(padded(loadTypeText(loadCase.integer(kCaseLoadType)), 32), 32);
    print(store, l);
    l.clear();
    l.X(5).text("SCALE FACTOR : ");
    real(l, loadCase.scaleFactor);
    endLine(reportFile(store), l);

    if (loadCase.concentratedLoadCount() >= 1) {
        printConcentratedLoads(store, loadCase);
        printEquivalentLoad(store, store.work.caseLoads[caseNo - 1]);
    }
    if (loadCase.distributedLoadCount() >= 1) printDistributedLoads(store, loadCase);
    if (loadCase.integer(kCaseStiffnessOption) >= 1) printStiffnessLevels(store, loadCase);
    printLoadingAndControl(store, loadCase, " NODE(S)");
}

void printCombination(const ModelStore& store, int combinationNo) {
    const LoadCombination& c = store.combinations.rows[combinationNo - 1];
    std::FILE* f = reportFile(store);
    ReportLine l;
    l.slash().X(5).text("LOAD COMB. : ").I(combinationNo, 5).slash();
    l.X(5).text("COMB. NAME : ").A(c.name.view(), 80).slash();
    l.X(5).text("BENDING RF : ").PG(c.bendingRf, 12, 5).slash();
    l.X(5).text("SHEAR RF   : ").PG(c.shearRf, 12, 5).slash();
    print(store, l);
    l.clear();
    l.X(5).text("  NL     LOAD NUMBER         LOAD NAME").text("                  LOAD FACTOR");
    print(store, l);
    const int count = countOf(c.combinedCaseCount, kMaxCasesPerCombination);
    for (int n = 1; n <= count; ++n) {
        const CombinedCase& entry = c.cases[n - 1];
        // The load name is the first 26 characters of the case name; a case
        // number outside the load cases shows a blank name.
        std::string_view name;
        if (entry.loadCaseNo >= 1 &&
            entry.loadCaseNo <= countOf(store.loadCases.loadCaseCount, kMaxLoadCases))
            name = store.loadCases.rows[entry.loadCaseNo - 1].name.view();
        l.clear();
        l.X(5).I(n, 4).I(entry.loadCaseNo, 10).X(10).A(padded(name, 26), 26).X(5);
        real(l, entry.factor);
        endLine(f, l);
    }
    printLoadingAndControl(store, c, "NODE(S)");
}

void printDistributedSets(const ModelStore& store) {
    const Units u = unitsOf(store);
    std::FILE* f = reportFile(store);
    const DistributedSetTable& sets = store.distributedSets;
    const int count = countOf(sets.distributedSetCount, kMaxDistributedSets);
    ReportLine l;
    l.slash().slash().slash().X(5).text("** SETS OF DISTRIBUTED LOAD **").slash();
    print(store, l);
    l.clear();
    l.slash().X(5).text("NUMBER OF SETS :").I(sets.distributedSetCount, 5);
    print(store, l);
    for (int s = 1; s <= count; ++s) {
        const DistributedSet& set = sets.rows[s - 1];
        l.clear();
        l.slash().X(5).text("DIST. LOAD SET : ").I(s, 5);
        print(store, l);
        l.clear();
        l.X(5).text("  NL           DEPTH         LOAD ");
        print(store, l);
        l.clear();
        l.X(5).X(15).text("(").A(u.length2, 2).text(")").X(10).text("(").A(u.force3, 3).text(")");
        print(store, l);
        const int points = countOf(set.setPointCount, kMaxSetPoints);
        for (int n = 1; n <= points; ++n) {
            l.clear();
            writeBlanks(l, 5);
            writeIntegerField(l, kLoadNoWidth, n);
            writeBlanks(l, 4);
            real(l, set.points[n - 1].depth);
            writeBlanks(l, 1);
            real(l, set.points[n - 1].load);
            endLine(f, l);
        }
    }
}

// ---------------------------------------------------------------------------
// TABLE E pieces.

// A cross-section line: 5X ' <LABEL> : ' with the label padded to 19.
std::string sectionLabel(std::string_view label) {
    return " " + padded(label, 19) + " : ";
}

struct DimensionLine {
    const char* label;
    int dimensionNo;  // E8 value
};

// The dimensions each cross-section type shows, in order; the count in
// dimensionCount.
const DimensionLine* dimensionsOfType(int typeCode, int& dimensionCount) {
    static constexpr DimensionLine kGeneral[] = {{"EQUIVALENT DIAMETER", 1}};
    static constexpr DimensionLine kCircularPipe[] = {{"EXTERNAL DIAMETER", 1},
                                                      {"INTERNAL DIAMETER", 2}};
    static constexpr DimensionLine kRectangularPipe[] = {{"EQUIVALENT DIAMETER", 1},
                                                         {"EXTERNAL WIDTH", 3},
                                                         {"EXTERNAL DEPTH", 4},
                                                         {"INTERNAL WIDTH", 5},
                                                         {"INTERNAL DEPTH", 6}};
    static constexpr DimensionLine kFlanged[] = {{"EQUIVALENT DIAMETER", 1},
                                                 {"EXTERNAL WIDTH", 3},
                                                 {"EXTERNAL DEPTH", 4},
                                                 {"FLANGE THICKNESS", 7},
                                                 {"WEB THICKNESS", 8}};
    switch (typeCode) {
        case 1:
            dimensionCount = 2;
            return kCircularPipe;
        case 2:
            dimensionCount = 5;
            return kRectangularPipe;
        case 3:
        case 4:
            dimensionCount = 5;
            return kFlanged;
        default:
            dimensionCount = 1;
            return kGeneral;
    }
}

std::string_view crossSectionTypeText(int typeCode) {
    switch (typeCode) {
        case 0:
            return "GENERAL SECTION";
        case 1:
            return "CIRCULAR PIPE";
        case 2:
            return "RECTANGULAR PIPE";
        case 3:
            return "I SECTION";
        case 4:
            return "H SECTION";
        default:
            return "";
    }
}

void printPileSections(const ModelStore& store) {
    const Units u = unitsOf(store);
    std::FILE* f = reportFile(store);
    const bool twoDimensional = isTwoDimensional(store);
    const bool withSets = store.control.userMomentCurvatureOption == 1;
    ReportLine l;
    l.slash().X(5).text("* PILE SECTIONS *");
    print(store, l);
    l.clear();
    l.X(7).text("PROP").X(3).text("SECT").X(5).text("FROM,").A(u.length3, 3);
    l.X(3).text("LENGTH,").A(u.length3, 3).X(3).text("CROSS SECT");
    if (withSets && twoDimensional) l.X(4).text("SET_NLEI");
    if (withSets && !twoDimensional) l.X(3).text("SET NLEIy").X(3).text("SET NLEIz");
    print(store, l);
    const PilePropertyTable& properties = store.pileProperties;
    for (int p = 1; p <= countOf(properties.pilePropertyCount, kMaxPileProperties); ++p) {
        const PileProperty& property = properties.rows[p - 1];
        for (int k = 1; k <= countOf(property.sectionCount, kMaxPileSections); ++k) {
            const PileSection& section = property.sections[k - 1];
            l.clear();
            writeBlanks(l, 6);
            integer(l, p);
            writeBlanks(l, 2);
            integer(l, k);
            writeBlanks(l, 1);
            real(l, section.from);
            writeBlanks(l, 1);
            real(l, section.secondLength);
            writeBlanks(l, 8);
            integer(l, section.crossSectionNo);
            if (withSets) {
                writeBlanks(l, 7);
                integer(l, section.mcSetY);
                if (!twoDimensional) {
                    writeBlanks(l, 7);
                    integer(l, section.mcSetZ);
                }
            }
            endLine(f, l);
        }
    }
}

void printCrossSections(const ModelStore& store) {
    const Units u = unitsOf(store);
    std::FILE* f = reportFile(store);
    const CrossSectionTable& sections = store.crossSections;
    const int count = countOf(sections.crossSectionCount, kMaxCrossSections);
    ReportLine l;
    l.slash().X(5).text("* PILE CROSS SECTIONS *");
    print(store, l);
    for (int s = 1; s <= count; ++s) {
        const CrossSection& cs = sections.rows[s - 1];
        l.clear();
        l.slash().X(5).text(sectionLabel("CROSS SECTION")).I(s, 5).slash();
        l.X(5).text(sectionLabel("SECTION NAME")).A(cs.name.view().substr(0, 32), 32);
        print(store, l);
        l.clear();
        l.X(5).text(sectionLabel("CROSS SECTION TYPE")).text(crossSectionTypeText(cs.typeCode));
        print(store, l);
        int dimensionCount = 0;
        const DimensionLine* dimensions = dimensionsOfType(cs.typeCode, dimensionCount);
        for (int n = 0; n < dimensionCount; ++n) {
            l.clear();
            l.X(5).text(sectionLabel(dimensions[n].label));
            real(l, cs.dimension(dimensions[n].dimensionNo));
            l.text(" ").A(u.length2, 2);
            print(store, l);
        }
        if (!isTwoDimensional(store) && cs.typeCode != 0) {
            l.clear();
            l.X(5).text(sectionLabel("SHEAR MODULUS")).PG(cs.property(kPropShearModulus), 13, 5);
            l.text(" ").A(u.stress);
            print(store, l);
        }
    }

    l.clear();
    l.slash().X(5).text("* PILE CROSS SECTIONS PROPERTIES *");
    print(store, l);
    l.clear();
    l.X(5).text("  SECT").X(6).text("DIAM,").A(u.length2, 2);
    l.X(3).text("AREA,").A(u.length2, 2).text(kUnitPower).text(kUnitSquare);
    if (isTwoDimensional(store)) {
        l.X(6).text("I,").A(u.length2, 2).text(kUnitPower).text(kUnitFourth);
    } else {
        l.X(5).text("Iz,").A(u.length2, 2).text(kUnitPower).text(kUnitFourth);
        l.X(5).text("Iy,").A(u.length2, 2).text(kUnitPower).text(kUnitFourth);
        l.X(1).text("GJ,").A(u.moment).text(kUnitPower).text(kUnitSquare);
    }
    l.X(3).text(" Mn,").A(u.moment).X(6).text(" Vn,").A(u.force3, 3);
    print(store, l);
    for (int s = 1; s <= count; ++s) {
        const CrossSection& cs = sections.rows[s - 1];
        l.clear();
        writeBlanks(l, 6);
        integer(l, s);
        writeBlanks(l, 1);
        real(l, cs.dimension(kDimDiameter));
        writeBlanks(l, 1);
        real(l, cs.property(kPropArea));
        writeBlanks(l, 1);
        real(l, cs.property(kPropIz));
        if (!isTwoDimensional(store)) {
            writeBlanks(l, 1);
            real(l, cs.property(kPropIy));
            writeBlanks(l, 1);
            real(l, cs.property(kPropGJ));
        }
        writeBlanks(l, 1);
        real(l, cs.property(kPropMn));
        writeBlanks(l, 1);
        real(l, cs.property(kPropVn));
        endLine(f, l);
    }
}

// ---------------------------------------------------------------------------
// TABLE F pieces.

// Soil property columns of a layer row, in the order of the soil profile:
// GAMMA, C, PHI, K, ER, E50, RQD, FMAX, TIPMAX.
enum SoilColumn { kGamma, kCohesion, kPhi, kSubgrade, kRockModulus, kE50, kRqd, kFmax, kTipmax };

// Whether a soil type takes the property from the input: the properties the
// soil profile blanks for the type are not shown, nor the strain of a vuggy
// limestone, which the profile fixes. A code outside 1 .. 11 shows them all.
bool soilTypeUses(int KSOIL, SoilColumn column) {
    switch (KSOIL) {
        case 1:
        case 3:
            return column != kPhi && column != kSubgrade && column != kRqd;
        case 2:
        case 10:
            return column != kPhi && column != kRqd;
        case 4:
        case 8:
            return column != kCohesion && column != kRockModulus && column != kE50 &&
                   column != kRqd;
        case 5:
        case 11:
            return column == kGamma || column == kFmax || column == kTipmax;
        case 6:
            return column == kGamma || column == kCohesion || column == kFmax || column == kTipmax;
        case 7:
            return column != kRockModulus && column != kE50;
        case 9:
            return column != kPhi && column != kSubgrade;
        default:
            return true;
    }
}

std::string_view soilTypeText(int KSOIL) {
    switch (KSOIL) {
        case 1:
            return "THE SOIL IS A SOFT CLAY";
        case 2:
            return "THE SOIL IS A STIFF CLAY BELOW THE WATER TABLE";
        case 3:
            return "THE SOIL IS A STIFF CLAY ABOVE THE WATER TABLE";
        case 4:
            return "THE SOIL IS A SAND";
        case 5:
            return "THE SOIL-RESISTANCE CURVES SPECIFIED BY THE USER";
        case 6:
            return "THE LAYER IS A VUGGY LIMESTONE";
        case 7:
            return "THE SOIL IS A SILT";
        case 8:
            return "THE SOIL IS A SAND USING API CRITERIA";
        case 9:
            return "THE LAYER IS A WEAK ROCK";
        case 10:
            return "THE SOIL IS A STIFF CLAY ABOVE THE WATER TABLE";
        case 11:
            return "THE SOIL IS A LIQUEFIED SAND";
        default:
            return "";
    }
}

bool isRock(int KSOIL) {
    return KSOIL == 6 || KSOIL == 9;
}

// One property row: 8X ' <LABEL>' padded to 31, the unit in parentheses
// padded to 16, the values at the top and the bottom of the layer.
void printSoilRow(const ModelStore& store, std::string_view label, std::string_view unit,
                  double top, double bottom) {
    ReportLine l;
    l.X(8).text(padded(" " + std::string(label), 31));
    l.text(padded(unit.empty() ? std::string() : inParentheses(unit), 16));
    real(l, top);
    writeBlanks(l, 7);
    real(l, bottom);
    endLine(reportFile(store), l);
}

void printSoilLayer(const ModelStore& store, int layerNo) {
    const Units u = unitsOf(store);
    const SoilLayer& layer = store.soilLayers.rows[layerNo - 1];
    const int type = layer.KSOIL;
    ReportLine l;
    l.slash().X(9).text("LAYER").I(layerNo, 3);
    print(store, l);
    l.clear();
    l.X(9).text(soilTypeText(type));
    if (type == 10) l.text(" USING INITIAL K VALUE");
    print(store, l);
    l.clear();
    l.X(9).text("                              ").X(15).text(" TOP OF LAYER    BOTTOM OF LAYER ");
    print(store, l);

    printSoilRow(store, "X COORDINATE", u.length2, layer.topX, layer.bottomX);
    struct Row {
        SoilColumn column;
        const char* label;
        std::string unit;
    };
    const Row rows[] = {
        {kGamma, "EFFECTIVE UNIT WEIGHT", u.unitWeight},
        {kCohesion, isRock(type) ? "UNIAXIAL COMPRESSIVE STRENGTH" : "UNDRAINED COHESION, C",
         u.stress},
        {kPhi, "FRICTION ANGLE", "DEGREES"},
        {kSubgrade, "P-Y SUBGRADE MODULUS", u.unitWeight},
        {kRockModulus, "YOUNG MODULUS,ER", u.stress},
        {kE50, type == 9 ? "KRM" : "STRAIN AT 50% STRESS", ""},
        {kRqd, "RQD", "%"},
        {kFmax, "ULTIMATE UNIT SIDE FRICTION", u.stress},
        {kTipmax, "ULTIMATE UNIT TIP RESISTANCE", u.stress},
    };
    for (const Row& row : rows) {
        if (!soilTypeUses(type, row.column)) continue;
        printSoilRow(store, row.label, row.unit, layer.top[row.column], layer.bottom[row.column]);
    }
}

void printPyPrintRequests(const ModelStore& store) {
    const Units u = unitsOf(store);
    std::FILE* f = reportFile(store);
    const PyPrintTable& requests = store.pyPrints;
    ReportLine l;
    l.slash().slash().X(5).text("* DATA TO PRINT GENERATED P-Y CURVES *");
    print(store, l);
    if (requests.pyPrintCount < 1) return;
    l.clear();
    l.slash().X(5).text(" NUMBER OF CURVES TO PRINT : ").I(requests.pyPrintCount, 5);
    print(store, l);
    l.clear();
    l.slash().X(5).text("  CURVE NUMBER  ").text("   PILE GROUP   ").text("      DEPTH (");
    l.A(u.length2, 2).text(")   ");
    print(store, l);
    for (int n = 1; n <= countOf(requests.pyPrintCount, kMaxPyPrintRequests); ++n) {
        const PyPrintRequest& request = requests.rows[n - 1];
        l.clear();
        writeBlanks(l, 14);
        integer(l, n);
        writeBlanks(l, 10);
        integer(l, request.pileNo);
        writeBlanks(l, 7);
        real(l, request.depth);
        endLine(f, l);
    }
}

// ---------------------------------------------------------------------------
// TABLES H and I: the user curves of one kind.

// The curves with their point tables under pointHeader; forceBlanks and
// displacementBlanks place the two values of a point under the ends of their
// headings.
void printUserCurves(const ModelStore& store, const UserCurve* curves, int count,
                     const ReportLine& pointHeader, int forceBlanks, int displacementBlanks) {
    std::FILE* f = reportFile(store);
    ReportLine l;
    l.slash().X(7).text("NUM OF CURVES").I(count, 3);
    print(store, l);
    for (int c = 1; c <= count; ++c) {
        const UserCurve& curve = curves[c - 1];
        const int points = countOf(curve.pointCount, kMaxCurvePoints);
        l.clear();
        l.slash().X(8).text("CURVE").I(c, 3).X(10).text("NUM OF POINTS").I(curve.pointCount, 3);
        l.slash();
        print(store, l);
        print(store, pointHeader);
        for (int n = 1; n <= points; ++n) {
            l.clear();
            writeBlanks(l, 12);
            integer(l, n);
            writeBlanks(l, forceBlanks);
            real(l, curve.points[n - 1].force);
            writeBlanks(l, displacementBlanks);
            real(l, curve.points[n - 1].displacement);
            endLine(f, l);
        }
    }
}

}  // namespace

// ---------------------------------------------------------------------------

std::string_view connectionText(int connection) {
    if (connection == kConnectionPinned) return "PIN";
    if (connection == kConnectionFixed) return "FIX";
    return "RES";
}

std::string_view distributedAxisText(int axisCode) {
    return axisCode == 1 ? "GLOBAL" : "LOCAL ";
}

std::string_view loadTypeText(int loadType) {
    static constexpr std::string_view kTexts[] = {
        "Dead, DL", "Live, LL",   "Seismic, EQ",   "Impact, IM", "Wind, WN", "Water, WT",
        "Ice, IC",  "Soils, Hsl", "Roof Live, Lr", "Rain, Rn",   "Snow, Sn", "Temperature, Tm"};
    if (loadType < 0 || loadType > 11) return "Special, Sp";
    return kTexts[loadType];
}

bool usesUserLoadSettlementCurves(const ModelStore& store) {
    return store.control.userLsCurvesOption == 1 && store.userLsCurves.lsCurveCount >= 1;
}

bool usesUserTorqueRotationCurves(const ModelStore& store) {
    return store.control.userTrCurvesOption == 1;
}

void echoHeading(const ModelStore& store) {
    ReportLine l;
    l.slash().slash();
    print(store, l);
    l.clear();
    l.slash().slash().slash().X(16).text("*****").X(5).text("INPUT INFORMATION").X(5);
    l.text("*****");
    print(store, l);
    l.clear();
    l.slash().slash().X(5).A(store.title.view(), 80);
    print(store, l);
    l.clear();
    l.slash().X(5).text("ANALYSIS TYPE = ").I(store.control.analysisType, 1).text("D ANALYSIS");
    print(store, l);
    l.clear();
    l.slash().X(5).text("UNITS SYSTEM  = ").A(store.units.systemName.view(), 4);
    print(store, l);
}

void echoCapTable(const ModelStore& store) {
    const PileCap& cap = store.cap;
    const bool embedded = store.control.embeddedCapOption == 1;
    if (!embedded && cap.capLengthY + cap.capWidthZ + cap.capThicknessX <= kNoCapDimensions) return;
    const std::string_view length = store.units.length2.view();
    ReportLine l;
    l.slash().slash().slash().X(5).text("* TABLE B *  PILE CAP OPTIONS");
    print(store, l);
    l.clear();
    l.X(5).text("LENGTH,YY    ( ").A(length, 2).text(" ) = ").PG(cap.capLengthY, 12, 4);
    print(store, l);
    l.clear();
    l.X(5).text("WIDTH, ZZ    ( ").A(length, 2).text(" ) = ").PG(cap.capWidthZ, 12, 4);
    print(store, l);
    l.clear();
    l.X(5).text("THICKNESS,XX ( ").A(length, 2).text(" ) = ").PG(cap.capThicknessX, 12, 4);
    print(store, l);
    l.clear();
    if (embedded) {
        l.slash().X(5).text("* PILE CAP IS EMBEDDED AND PASSIVE EARTH").slash();
        l.X(5).text("  RESISTANCE IN FRONT OF PILE CAP WILL BE CONSIDERED").slash();
    } else {
        l.slash().X(5).text("* PILE CAP DIMENSIONS ARE NOT CONSIDERED").slash();
        l.X(5).text("  FOR THE PILE GROUP ANALYSIS ").slash();
    }
    print(store, l);
}

void echoLoadTables(const ModelStore& store) {
    const LoadCaseTable& cases = store.loadCases;
    const CombinationTable& combinations = store.combinations;
    ReportLine l;
    l.slash().slash().slash().X(5).text("* TABLE C *  LOAD AND CONTROL PARAMETERS");
    print(store, l);

    if (cases.loadCaseCount >= 1) {
        l.clear();
        l.slash().slash().X(5).text("** LOAD CASES **").slash();
        print(store, l);
        l.clear();
        l.slash().X(5).text("NUMBER OF LOAD CASES :").I(cases.loadCaseCount, 5);
        print(store, l);
        for (int i = 1; i <= countOf(cases.loadCaseCount, kMaxLoadCases); ++i)
            printLoadCase(store, i);
    }
    if (cases.caseEnvelopeFlag >= 1) {
        l.clear();
        l.slash().slash().X(5).text("** LOAD CASES ENVELOPES **").slash();
        print(store, l);
        printPrintOption(store, cases.caseEnvelopePrintOption, cases.caseEnvelopeNodeStep,
                         " NODE(S)");
    }
    if (combinations.combinationCount >= 1) {
        l.clear();
        l.slash().slash().slash().X(5).text("** LOAD COMBINATIONS **").slash();
        print(store, l);
        l.clear();
        l.slash().X(5).text("NUMBER OF LOAD COMB. :").I(combinations.combinationCount, 5);
        print(store, l);
        for (int c = 1; c <= countOf(combinations.combinationCount, kMaxCombinations); ++c)
            printCombination(store, c);
    }
    if (combinations.combinationEnvelopeFlag >= 1) {
        l.clear();
        l.slash().slash().X(5).text("** LOAD COMBINATION ENVELOPES **").slash();
        print(store, l);
        printPrintOption(store, combinations.combinationEnvelopePrintOption,
                         combinations.combinationEnvelopeNodeStep, " NODE(S)");
    }
    if (store.distributedSets.distributedSetCount >= 1) printDistributedSets(store);
}

void echoArrangement(const ModelStore& store) {
    const Units u = unitsOf(store);
    std::FILE* f = reportFile(store);
    const PileArrangement& arrangement = store.arrangement;
    const int count = countOf(arrangement.pileGroupCount, kMaxPileGroups);
    ReportLine l;
    l.slash().slash().slash().X(5).text("* TABLE D *   ARRANGEMENT OF PILE GROUPS");
    print(store, l);
    if (isTwoDimensional(store)) {
        l.clear();
        l.slash().X(7).text("GROUP   CONNECT   NO OF PILE   PILE PROP ");
        l.text("   P-Y CURVE    L-S CURVE");
        print(store, l);
        for (int g = 1; g <= count; ++g) {
            const PileGroup& group = arrangement.rows[g - 1];
            l.clear();
            l.X(5).I(g, 5).X(7).A(connectionText(group.connectionY), 3).X(5);
            l.I(truncatedCount(group.pilesInGroup), 5).X(8).I(group.pilePropertyNo, 5).X(7);
            l.I(group.pySetNo, 5).X(8).I(group.lsCurveNo, 5);
            print(store, l);
        }
        l.clear();
        l.slash().X(7).text("GROUP").X(10).text("VERT,").A(u.length2, 2).X(7).text("HOR,");
        l.A(u.length2, 2).X(4).text("SLOPE,").A(u.length2, 2).A(kUnitPer, 1).A(u.length2, 2);
        l.X(3).text("GROUND,").A(u.length2, 2).X(2).text("SPRING,").A(u.force3, 3);
        l.A(kUnitTimes, 1).A(u.length2, 2);
        print(store, l);
        for (int g = 1; g <= count; ++g) {
            const PileGroup& group = arrangement.rows[g - 1];
            const PileGroupWork& work = store.work.groups[g - 1];
            l.clear();
            writeBlanks(l, 5);
            integer(l, g);
            writeBlanks(l, 7);
            real(l, work.XHEAD);
            writeBlanks(l, 1);
            real(l, work.headY);
            writeBlanks(l, 3);
            real(l, std::tan(work.batter));
            real(l, group.ground);
            writeBlanks(l, 3);
            real(l, group.springY);
            endLine(f, l);
        }
    } else {
        l.clear();
        l.slash().X(7).text("GROUP  CONNECTY CONNECTZ  PILE PROP   ");
        l.text("P-Y CURVE  L-S CURVE  T-R CURVE   ");
        print(store, l);
        for (int g = 1; g <= count; ++g) {
            const PileGroup& group = arrangement.rows[g - 1];
            l.clear();
            l.X(5).I(g, 5).X(6).A(connectionText(group.connectionY), 3).X(6);
            l.A(connectionText(group.connectionZ), 3).X(5).I(group.pilePropertyNo, 5).X(6);
            l.I(group.pySetNo, 5).X(6).I(group.lsCurveNo, 5).X(6).I(group.trCurveNo, 5);
            print(store, l);
        }
        l.clear();
        l.slash().X(7).text("GROUP").X(6).text("CorX,").A(u.length2, 2).X(6).text("CorY,");
        l.A(u.length2, 2).X(6).text("CorZ,").A(u.length2, 2).X(3).text(" ALPHA,");
        l.text(kUnitDegree).X(3).text("  BETA,").text(kUnitDegree).X(4).text("GROUND,");
        l.A(u.length2, 2).X(1).text("SPR.y,").A(u.moment).X(1).text("SPR.z,").A(u.moment);
        print(store, l);
        for (int g = 1; g <= count; ++g) {
            const PileGroup& group = arrangement.rows[g - 1];
            l.clear();
            writeBlanks(l, 5);
            integer(l, g);
            writeBlanks(l, 3);
            real(l, group.headX);
            writeBlanks(l, 1);
            real(l, group.headY);
            writeBlanks(l, 1);
            real(l, group.headZ);
            writeBlanks(l, 1);
            real(l, group.alpha);
            writeBlanks(l, 1);
            real(l, group.beta);
            writeBlanks(l, 1);
            real(l, group.ground);
            writeBlanks(l, 1);
            real(l, group.springY);
            writeBlanks(l, 1);
            real(l, group.springZ);
            endLine(f, l);
        }
    }
}

void echoPileProperties(const ModelStore& store) {
    const Units u = unitsOf(store);
    std::FILE* f = reportFile(store);
    ReportLine l;
    l.slash().slash().slash().X(5).text("* TABLE E *   PILE GEOMETRY AND PROPERTIES ").slash();
    l.X(5).text("              PILE TYPE = 1 - DRIVEN PILE").slash();
    l.X(5).text("                        = 2 - DRILLED SHAFT");
    print(store, l);
    l.clear();
    l.slash().X(7).text("PROP  ").text(" SECTS ").text("  INC  ").text("   PILE TYPE").X(6);
    l.text("LENGTH,").A(u.length3, 3).X(4).text("    E,").A(u.stress);
    print(store, l);
    const PilePropertyTable& properties = store.pileProperties;
    for (int p = 1; p <= countOf(properties.pilePropertyCount, kMaxPileProperties); ++p) {
        const PileProperty& property = properties.rows[p - 1];
        l.clear();
        writeBlanks(l, 6);
        integer(l, p);
        writeBlanks(l, 3);
        integer(l, property.sectionCount);
        writeBlanks(l, 1);
        integer(l, property.increments);
        writeBlanks(l, 9);
        integer(l, property.pileType);
        writeBlanks(l, 4);
        real(l, property.length);
        writeBlanks(l, 7);
        real(l, property.elasticModulus);
        endLine(f, l);
    }
    printPileSections(store);
    printCrossSections(store);
}

void echoSoilData(const ModelStore& store) {
    const Units u = unitsOf(store);
    const SoilLayerTable& layers = store.soilLayers;
    ReportLine l;
    l.slash().slash().slash().X(5).text("* TABLE F *   SOIL DATA");
    print(store, l);
    if (layers.NLAYER < 1) {
        l.clear();
        l.slash().X(5).text("  NO SOIL LAYERS DEFINED");
        print(store, l);
    } else {
        // The ground surface is the top of the first layer.
        l.clear();
        l.slash().X(8).text(" GROUND SURFACE          =");
        real(l, layers.rows[0].topX);
        l.text(" ").A(u.length3, 3);
        print(store, l);
        l.clear();
        l.slash().X(9).I(layers.NLAYER, 1).text(" LAYER(S) OF SOIL");
        print(store, l);
        for (int n = 1; n <= countOf(layers.NLAYER, kMaxSoilLayers); ++n)
            printSoilLayer(store, n);
        l.clear();
        l.slash().X(5).text("  Note :  Default values will be generated for ").slash();
        l.X(5).text("          ULTIMATE UNIT SIDE FRICTION  and ");
        l.text("ULTIMATE UNIT TIP RESISTANCE ").slash();
        l.X(5).text("          when input values are 0.");
        print(store, l);
    }
    if (store.control.KPYOP == 1) printPyPrintRequests(store);
}

void echoUserPyCurves(const ModelStore& store) {
    const UserPySetTable& sets = store.userPySets;
    if (store.control.userPyCurvesOption != 1 || sets.pySetCount < 1) return;
    const Units u = unitsOf(store);
    std::FILE* f = reportFile(store);
    ReportLine l;
    l.slash().slash().slash().X(5).text("* TABLE G *   INPUT P-Y CURVES");
    print(store, l);
    l.clear();
    l.slash().X(7).text("NUM OF SETS :").I(sets.pySetCount, 3);
    print(store, l);
    for (int s = 1; s <= countOf(sets.pySetCount, kMaxPySets); ++s) {
        const UserPySet& set = sets.rows[s - 1];
        l.clear();
        l.slash().slash().X(7).text("SET").I(s, 3).X(10).text("NUM OF CURVES");
        l.I(set.pyCurveCount, 3).slash();
        print(store, l);
        for (int c = 1; c <= countOf(set.pyCurveCount, kMaxPyCurvesPerSet); ++c) {
            const UserPyCurve& curve = set.curves[c - 1];
            l.clear();
            l.slash().X(8).text("CURVE");
            integer(l, c);
            writeBlanks(l, 5);
            l.text("DISTANCE FROM ORIGIN (X-COORD.)");
            real(l, curve.x);
            l.A(u.length3, 3);
            print(store, l);
            l.clear();
            l.X(12).text("POINT").X(13).text("P").A(u.force4, 4).X(17).text("Y").A(u.length3, 3);
            print(store, l);
            for (int n = 1; n <= countOf(curve.pyPointCount, kMaxCurvePoints); ++n) {
                l.clear();
                writeBlanks(l, 12);
                integer(l, n);
                writeBlanks(l, 6);
                real(l, curve.points[n - 1].p);
                writeBlanks(l, 9);
                real(l, curve.points[n - 1].y);
                endLine(f, l);
            }
        }
    }
}

void echoLoadSettlementHeading(const ModelStore& store) {
    ReportLine l;
    l.slash().slash().slash().X(5).text("* TABLE H *   AXIAL LOAD VS SETTLEMENT ");
    print(store, l);
}

void echoUserLoadSettlementCurves(const ModelStore& store) {
    const Units u = unitsOf(store);
    ReportLine l;
    l.slash().X(5).text("USER DEFINED LOAD-SETTLEMENT CURVE");
    print(store, l);
    ReportLine header;
    header.X(12).text("POINT").X(8).text("AXIAL LOAD,").A(u.force3, 3).X(7).text("SETTLEMENT,");
    header.A(u.length3, 3);
    const UserLsCurveTable& curves = store.userLsCurves;
    printUserCurves(store, curves.rows.data(), countOf(curves.lsCurveCount, kMaxLsCurves), header,
                    10, 9);
}

// The generated pile-head curves of one kind in the plot file: its title,
// the number of curves, and per curve a line with the curve number, the pile
// property it belongs to and the number of points, then one line per point.
void plotGeneratedCurves(const ModelStore& store, std::string_view title, const UserCurve* curves,
                         int count) {
    std::FILE* plot = store.files.plot.get();
    ReportLine l;
    l.X(5).text(title).slash().X(5).I(count, 5);
    writeLine(plot, l);
    for (int c = 1; c <= count; ++c) {
        const UserCurve& curve = curves[c - 1];
        const int points = countOf(curve.pointCount, kMaxCurvePoints);
        l.clear();
        l.X(5).I(c, 5).I(curve.curveNo, 5).I(points, 5);
        writeLine(plot, l);
        for (int n = 1; n <= points; ++n) {
            l.clear();
            l.X(5).PE(curve.points[n - 1].force, 16, 7).PE(curve.points[n - 1].displacement, 16, 7);
            writeLine(plot, l);
        }
    }
}

void echoGeneratedLoadSettlementCurves(const ModelStore& store, bool plot) {
    const Units u = unitsOf(store);
    ReportLine l;
    l.slash().X(5).text("LOAD-SETTLEMENT CURVES").text(" GENERATED INTERNALLY ");
    print(store, l);
    ReportLine header;
    header.X(12).text("POINT").X(8).text("AXIAL LOAD,").A(u.force3, 3).X(7).text("SETTLEMENT,");
    header.A(u.length3, 3);
    const GeneratedPileHeadCurves& generated = store.generatedCurves;
    const int count = countOf(generated.lsCurveCount, kMaxPileProperties);
    printUserCurves(store, generated.loadSettlement.data(), count, header, 10, 9);
    if (plot)
        plotGeneratedCurves(store, "* LOAD-SETTLEMENT CURVES *", generated.loadSettlement.data(),
                            count);
}

void echoTorqueRotationHeading(const ModelStore& store) {
    ReportLine l;
    l.slash().slash().slash().X(5).text("* TABLE I *   TORS. MOM. VS ANGLE ROT. ");
    print(store, l);
}

void echoUserTorqueRotationCurves(const ModelStore& store) {
    const Units u = unitsOf(store);
    ReportLine l;
    l.slash().X(5).text("USER DEFINED TORQUE-ROTATION CURVE");
    print(store, l);
    ReportLine header;
    header.X(12).text("POINT").X(8).text("TORS.MOMEN,").A(u.force3, 3).A(kUnitTimes, 1);
    header.A(u.length2, 2).X(5).text("ROT. ANGLE,").text("Rad.");
    const UserTrCurveTable& curves = store.userTrCurves;
    printUserCurves(store, curves.rows.data(), countOf(curves.trCurveCount, kMaxTrCurves), header,
                    13, 8);
}

void echoGeneratedTorqueRotationCurves(const ModelStore& store) {
    const Units u = unitsOf(store);
    ReportLine l;
    l.slash().X(5).text("TORQUE-ROTATION CURVES").text(" GENERATED INTERNALLY ");
    print(store, l);
    ReportLine header;
    header.X(12).text("POINT").X(8).text("TORS.MOMEN,").A(u.force3, 3).A(kUnitTimes, 1);
    header.A(u.length2, 2).X(5).text("ROT. ANGLE,").text("Rad.");
    const GeneratedPileHeadCurves& generated = store.generatedCurves;
    const int count = countOf(generated.trCurveCount, kMaxPileProperties);
    printUserCurves(store, generated.torqueRotation.data(), count, header, 13, 8);
    plotGeneratedCurves(store, "* TORQUE-ROTATION CURVES *", generated.torqueRotation.data(),
                        count);
}

void echoMomentCurvatureSets(const ModelStore& store) {
    if (store.control.userMomentCurvatureOption != 1) return;
    const Units u = unitsOf(store);
    std::FILE* f = reportFile(store);
    const McSetTable& sets = store.mcSets;
    ReportLine l;
    l.slash().slash().slash().X(5).text("* TABLE J *   MOMENT CURVATURE SETS    ");
    print(store, l);
    l.clear();
    l.slash().slash().X(5).text("  USER DEFINED MOMENT CURVATURE");
    print(store, l);
    l.clear();
    l.slash().X(7).text("NUM OF SETS :").I(sets.mcSetCount, 3);
    print(store, l);
    for (int s = 1; s <= countOf(sets.mcSetCount, kMaxMcSets); ++s) {
        const McSet& set = sets.rows[s - 1];
        l.clear();
        l.slash().slash().X(7).text("CURVE SET").I(s, 3).X(10).text("NUM OF CURVES");
        l.I(set.mcCurveCount, 3).slash();
        print(store, l);
        for (int c = 1; c <= countOf(set.mcCurveCount, kMaxMcCurvesPerSet); ++c) {
            const McCurve& curve = set.curves[c - 1];
            l.clear();
            l.slash().X(8).text("CURVE").I(c, 3).X(6).text("        AXIAL LOAD ").X(3);
            l.E(curve.axialLoad, 10, 3).A(u.force4, 4).slash();
            print(store, l);
            l.clear();
            l.X(12).text("POINT").X(9).text("MOMENT").X(13).text("CURVATURE").slash();
            l.X(12).text("     ").X(8).A(u.force4, 4).text(kUnitTimes).A(u.length2, 2).X(13);
            l.text("RADIAN/").A(u.length2, 2);
            print(store, l);
            for (int n = 1; n <= countOf(curve.mcPointCount, kMaxCurvePoints); ++n) {
                l.clear();
                writeBlanks(l, 12);
                integer(l, n);
                writeBlanks(l, 3);
                real(l, curve.points[n - 1].moment);
                writeBlanks(l, 10);
                real(l, curve.points[n - 1].curvature);
                endLine(f, l);
            }
        }
    }
}

void echoReductionFactors(const ModelStore& store) {
    if (store.control.groupFactorOption == 0) return;
    ReportLine l;
    l.slash().slash().slash().X(5).text("* TABLE K *   REDUCTION FACTORS        ");
    print(store, l);
    l.clear();
    l.slash().X(7).text("REDUCTION FACTORS FOR CLOSELY-SPACED PILE GROUPS");
    print(store, l);
    const GroupFactors& f = store.groupFactors;
    writeGroupFactorRows(store, reportFile(store), f.pMultiplier, f.yMultiplier);
}

void echoTwoDimensionalModel(ModelStore& store) {
    RunFiles& f = store.files;
    for (std::FILE* file : {f.report.get(), f.summary.get()}) {
        if (file == nullptr) continue;
        f.echoTarget = file;
        echoHeading(store);
        echoLoadTables(store);
        echoArrangement(store);
        echoPileProperties(store);
        echoLoadSettlementHeading(store);
        if (usesUserLoadSettlementCurves(store))
            echoUserLoadSettlementCurves(store);
        else if (store.soilLayers.NLAYER >= 1)
            echoGeneratedLoadSettlementCurves(store, false);
        echoUserPyCurves(store);
        echoSoilData(store);
        echoReductionFactors(store);
    }
    f.echoTarget = nullptr;
}

}  // namespace pylora
