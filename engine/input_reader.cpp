// SPDX-License-Identifier: Apache-2.0
#include "engine/input_reader.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/free_format.h"
#include "format/format.h"
#include "store/return_codes.h"

namespace pylora {

namespace {

// Where a value is read: the section, the record and up to three entries that
// enclose it (load case 3, concentrated load 2), for the error line.
struct Where {
    char section = 'A';
    const char* record = "";
    std::array<const char*, 3> owners{};
    std::array<int, 3> numbers{};

    Where of(const char* owner, int no) const {
        Where w = *this;
        for (std::size_t k = 0; k < w.owners.size(); ++k) {
            if (w.owners[k] == nullptr) {
                w.owners[k] = owner;
                w.numbers[k] = no;
                break;
            }
        }
        return w;
    }
};

Where at(char section, const char* record) {
    Where w;
    w.section = section;
    w.record = record;
    return w;
}

// A value that names an entry of a table which may only be complete once the
// whole file is read (a pile group names a pile property of section E). It is
// checked after the last section, and a refusal still names its own record
// and line.
enum class Reference {
    pileProperty,    // D2/D6: 1..pilePropertyCount
    pySet,           // D2/D6: the user p-y set rule of the pile group
    lsCurve,         // D2/D6: > 0 generated for that property, < 0 user curve |n|
    trCurve,         // D6: as lsCurve, with the user torque-rotation curves
    crossSection,    // E4: 1..crossSectionCount
    mcSet,           // E4: 0 none, else 1..mcSetCount (only with moment-curvature sets in use)
    loadCase,        // C6g: 1..loadCaseCount
    distributedSet,  // C2i: 0 none, else 1..distributedSetCount
    firstPile,       // C2i: 1..pileGroupCount
    lastPile,        // C2i: 0 (the first pile alone) or 1..pileGroupCount
    printPile,       // F7: 1..pileGroupCount
};

struct PendingReference {
    Reference kind = Reference::pileProperty;
    const char* field = "";  // the value's name in the error line
    int value = 0;
    int lineNo = 0;
    int valueNo = 0;  // the value's place in its record
    Where where;
};

struct ReadState {
    explicit ReadState(ModelStore& s) : store(s) {}
    ModelStore& store;
    InputCursor cursor;
    Where where;                // the record being read
    int valueCount = 0;         // values the record needs
    int valuesRead = 0;         // values of the record taken so far
    ValueToken token;           // the last value taken
    int rc = kReturnCompleted;  // the first failure; every read does nothing after it
    std::vector<PendingReference> references;
    std::array<int, kMaxSoilLayers> layerLines{};  // line of F2 of each soil layer
    InputFailure* failure = nullptr;               // described there too, when given
};

// ---------------------------------------------------------------------------
// The runtime trace and the error line.

void traceLine(ReadState& st, const ReportLine& line) {
    std::FILE* runtime = st.store.files.runtime.get();
    writeLine(runtime, line);
    commitToDisk(runtime);
}

// A real value as a message shows it: six significant digits at most.
std::string shortReal(double v) {
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%.6G", v);
    return text.data();
}

// The value as it stands in the file, quoted, short enough for one line.
std::string quoted(std::string_view text) {
    constexpr std::size_t kShown = 40;
    std::string s = "\"";
    for (std::size_t i = 0; i < text.size() && i < kShown; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        s.push_back(c < 32 || c == 127 ? '?' : static_cast<char>(c));
    }
    if (text.size() > kShown) s += "...";
    s += "\"";
    return s;
}

std::string describe(const Where& w) {
    std::string s = "section ";
    s.push_back(w.section);
    const std::string_view record = w.record;
    s += record.rfind("header", 0) == 0 ? ", " : ", record ";
    s += record;
    for (std::size_t k = 0; k < w.owners.size() && w.owners[k] != nullptr; ++k) {
        s += k == 0 ? " (" : ", ";
        s += w.owners[k];
        s += " ";
        s += std::to_string(w.numbers[k]);
    }
    if (w.owners[0] != nullptr) s += ")";
    return s;
}

// Where a failure stands in the file: its line, the value of the record (0
// when it is not one value's) and whether the file ended there.
struct FailurePlace {
    int lineNo = 0;
    int valueNo = 0;
    bool atEnd = false;
};

// Records the first failure and writes its one line to the report and to the
// runtime file. place is "line 57" or "after line 87".
void fail(ReadState& st, int code, const Where& where, const std::string& place,
          const std::string& what, FailurePlace at = {}) {
    if (st.rc != kReturnCompleted) return;
    st.rc = code;
    ReportLine line;
    line.X(5).text("**** INPUT ERROR **** ").text(describe(where)).text(", ").text(place);
    line.text(": ").text(what);
    if (st.failure != nullptr) {
        st.failure->code = code;
        st.failure->lineNo = at.lineNo;
        st.failure->valueNo = at.valueNo;
        st.failure->atEnd = at.atEnd;
        st.failure->reason = what;
        st.failure->line = std::string(line.str());
    }
    std::FILE* report = st.store.files.report.get();
    writeLine(report, line);
    commitToDisk(report);
    traceLine(st, line);
}

std::string onLine(int lineNo) {
    return "line " + std::to_string(lineNo);
}

void failAtToken(ReadState& st, int code, const std::string& what) {
    fail(st, code, st.where, onLine(st.token.lineNo), what,
         {st.token.lineNo, st.valuesRead, false});
}

void failAtEnd(ReadState& st) {
    if (st.cursor.lineNo == 0) {
        fail(st, kReturnInputReadError, st.where, "line 1", "the file is empty", {1, 0, true});
    } else if (st.valuesRead == 0) {
        fail(st, kReturnInputReadError, st.where, "after line " + std::to_string(st.cursor.lineNo),
             "the file ends before this record", {st.cursor.lineNo, 0, true});
    } else {
        fail(st, kReturnInputReadError, st.where, "after line " + std::to_string(st.cursor.lineNo),
             "the file ends with " + std::to_string(st.valuesRead) + " of " +
                 std::to_string(st.valueCount) + " values of this record read",
             {st.cursor.lineNo, st.valuesRead + 1, true});
    }
}

// ---------------------------------------------------------------------------
// Records and values. Each routine does nothing once st.rc holds a failure,
// and writes its output only when the value was read (and accepted).

void beginRecord(ReadState& st, const Where& where, int valueCount) {
    if (st.rc != kReturnCompleted) return;
    st.where = where;
    st.valueCount = valueCount;
    st.valuesRead = 0;
    beginFreeRecord(st.cursor);
}

void endRecord(ReadState& st) {
    endFreeRecord(st.cursor);
}

bool takeValue(ReadState& st, ValueKind kind) {
    if (st.rc != kReturnCompleted) return false;
    switch (nextValue(st.cursor, kind, st.token)) {
        case ValueStatus::ok:
            st.valuesRead += 1;
            return true;
        case ValueStatus::endOfFile:
            failAtEnd(st);
            return false;
        case ValueStatus::nullValue:
            failAtToken(st, kReturnInputReadError,
                        "value " + std::to_string(st.valuesRead + 1) + " of " +
                            std::to_string(st.valueCount) +
                            " is empty (a comma with no value before it)");
            return false;
        case ValueStatus::openQuote:
            failAtToken(st, kReturnInputReadError,
                        "the quoted text " + quoted(st.token.text) + " is not closed on its line");
            return false;
    }
    return false;
}

std::string valueLabel(const ReadState& st) {
    return "value " + std::to_string(st.valuesRead) + " of " + std::to_string(st.valueCount) + " " +
           quoted(st.token.text);
}

bool readInteger(ReadState& st, int& out) {
    if (!takeValue(st, ValueKind::number)) return false;
    int v = 0;
    switch (parseInteger(st.token.text, v)) {
        case NumberStatus::ok:
            out = v;
            return true;
        case NumberStatus::notInteger:
            failAtToken(st, kReturnInputReadError,
                        valueLabel(st) + " is not an integer (written without a decimal point)");
            return false;
        case NumberStatus::outOfRange:
            failAtToken(st, kReturnInputReadError, valueLabel(st) + " is out of range");
            return false;
        case NumberStatus::notNumber:
            break;
    }
    failAtToken(st, kReturnInputReadError, valueLabel(st) + " is not a number");
    return false;
}

bool readReal(ReadState& st, double& out) {
    if (!takeValue(st, ValueKind::number)) return false;
    double v = 0.0;
    switch (parseReal(st.token.text, v)) {
        case NumberStatus::ok:
            out = v;
            return true;
        case NumberStatus::outOfRange:
            failAtToken(st, kReturnInputReadError, valueLabel(st) + " is out of range");
            return false;
        case NumberStatus::notInteger:
        case NumberStatus::notNumber:
            break;
    }
    failAtToken(st, kReturnInputReadError, valueLabel(st) + " is not a number");
    return false;
}

void readName(ReadState& st, NameText& out) {
    if (takeValue(st, ValueKind::text)) out.assign(st.token.text);
}

// A count of the record sequence: refused below zero or above its capacity,
// before anything is written into the table it counts.
bool readCount(ReadState& st, const char* what, int capacity, int& out) {
    int n = 0;
    if (!readInteger(st, n)) return false;
    if (n < 0) {
        failAtToken(st, kReturnInputRefused,
                    std::string(what) + " " + quoted(st.token.text) + " is below zero");
        return false;
    }
    if (n > capacity) {
        failAtToken(st, kReturnInputRefused,
                    std::string(what) + " " + quoted(st.token.text) + " is above the capacity of " +
                        std::to_string(capacity));
        return false;
    }
    out = n;
    return true;
}

// A record of one count alone.
bool readCountRecord(ReadState& st, const Where& where, const char* what, int capacity, int& out) {
    beginRecord(st, where, 1);
    const bool ok = readCount(st, what, capacity, out);
    endRecord(st);
    return ok;
}

void readRealRecord(ReadState& st, const Where& where, std::initializer_list<double*> values) {
    beginRecord(st, where, static_cast<int>(values.size()));
    for (double* v : values)
        readReal(st, *v);
    endRecord(st);
}

// Remembers the last value read as a reference to check after the whole file.
void deferReference(ReadState& st, Reference kind, const char* field, int value) {
    if (st.rc != kReturnCompleted) return;
    PendingReference r;
    r.kind = kind;
    r.field = field;
    r.value = value;
    r.lineNo = st.token.lineNo;
    r.valueNo = st.valuesRead;
    r.where = st.where;
    st.references.push_back(r);
}

// A text line of 80 characters (A1, C2c, C6c).
void readTextRecord(ReadState& st, const Where& where, FixedText<kNameLength>& out) {
    if (st.rc != kReturnCompleted) return;
    st.where = where;
    st.valueCount = 1;
    st.valuesRead = 0;
    std::string text;
    if (!readTextLine(st.cursor, text)) {
        failAtEnd(st);
        return;
    }
    out.assign(text);
}

// A section header line: not interpreted, traced as 5X 'READING ' A80 as soon
// as it is read, so that the last READING line names the section being read.
void readHeader(ReadState& st, char section, const char* label) {
    FixedText<kNameLength> header;
    readTextRecord(st, at(section, label), header);
    if (st.rc != kReturnCompleted) return;
    ReportLine line;
    line.X(5).text("READING ").A(header.view(), kNameLength);
    traceLine(st, line);
}

// ---------------------------------------------------------------------------
// Section A: title and control.

void setUnitLabels(ModelStore& store) {
    UnitLabels& u = store.units;
    switch (store.control.unitsSystem) {
        case 1:
            u.systemName.assign("ENGL");
            u.length3.assign(" IN");
            u.length2.assign("IN");
            u.force4.assign(" LBS");
            u.force3.assign("LBS");
            return;
        case 2:
            u.systemName.assign("METR");
            u.length3.assign("  M");
            u.length2.assign(" M");
            u.force4.assign("  KN");
            u.force3.assign(" KN");
            return;
        default:
            // The open system, and any other value with no system name.
            u.systemName.assign(store.control.unitsSystem == 3 ? "OPEN" : "");
            u.length3.assign("  L");
            u.length2.assign(" L");
            u.force4.assign("   F");
            u.force3.assign("  F");
            return;
    }
}

void readSectionA(ReadState& st) {
    ModelStore& s = st.store;
    FixedText<kNameLength> unused;
    readTextRecord(st, at('A', "A1").of("line", 1), s.title);
    readTextRecord(st, at('A', "A1").of("line", 2), unused);
    if (st.rc != kReturnCompleted) return;

    // The title, then the caption of the section that the title lines and the
    // control record make up, before the control record's own header line.
    ReportLine title;
    title.X(5).A(s.title.view(), kTitleLength);
    traceLine(st, title);
    ReportLine caption;
    caption.X(5).text("READING * TITLE AND VERSION");
    traceLine(st, caption);

    readHeader(st, 'A', "header line before A2");
    ControlParameters& c = s.control;
    beginRecord(st, at('A', "A2"), 12);
    for (int* v :
         {&c.unitsSystem, &c.analysisType, &c.embeddedCapOption, &c.flexibleCapOption,
          &c.userPyCurvesOption, &c.userLsCurvesOption, &c.userTrCurvesOption, &c.groupFactorOption,
          &c.userMomentCurvatureOption, &c.reserved10, &c.KPYOP, &c.reserved12})
        readInteger(st, *v);
    endRecord(st);
    if (st.rc == kReturnCompleted) setUnitLabels(s);
}

// ---------------------------------------------------------------------------
// Section B: pile cap.

void readSectionB(ReadState& st) {
    PileCap& cap = st.store.cap;
    readHeader(st, 'B', "header line before B1");
    readRealRecord(st, at('B', "B1"), {&cap.capLengthY, &cap.capWidthZ, &cap.capThicknessX});
    cap.capWidthRead = cap.capWidthZ;
    if (st.store.control.flexibleCapOption < 1) return;
    beginRecord(st, at('B', "B2"), 6);
    readReal(st, cap.plateCentreY);
    readReal(st, cap.plateOffsetZ);
    readInteger(st, cap.plateElementsY);
    readInteger(st, cap.plateElementsZ);
    readReal(st, cap.plateYoungModulus);
    readReal(st, cap.platePoissonRatio);
    endRecord(st);
}

// ---------------------------------------------------------------------------
// Section C: load cases, load combinations, distributed-load sets.

void readDistributedLoad(ReadState& st, DistributedLoad& d, const Where& where) {
    beginRecord(st, where, 9);
    for (int n = 1; n <= 6; ++n) {
        if (!readInteger(st, d.integer(n))) break;
        if (n == 3) deferReference(st, Reference::firstPile, "first pile", d.integer(n));
        if (n == 4) deferReference(st, Reference::lastPile, "last pile", d.integer(n));
        if (n == 5 && d.integer(n) < 0)
            failAtToken(st, kReturnInputRefused,
                        "pile increment " + quoted(st.token.text) + " is below zero");
        if (n == 6)
            deferReference(st, Reference::distributedSet, "distributed-load set for Y",
                           d.integer(n));
    }
    readReal(st, d.factorY);
    // The Z set is used by the three-dimensional model only.
    if (readInteger(st, d.integer(7)) && st.store.control.analysisType == 3)
        deferReference(st, Reference::distributedSet, "distributed-load set for Z", d.integer(7));
    readReal(st, d.factorZ);
    endRecord(st);
}

// The control fields of a load case or combination under which its analysis
// could not end: an iteration limit above kMaxIterationLimit (C2a, C6a), a
// minimum increment factor below kSmallestMinimumIncrement, or a first
// increment smaller than the minimum (C2b, C6b), which would take about one
// increment per step of that size.
void checkIterationLimits(ReadState& st, const Where& where, int lineNo, int capIterations,
                          int pileIterations) {
    const auto check = [&](const char* what, int value, int valueNo) {
        if (value > kMaxIterationLimit)
            fail(st, kReturnInputRefused, where, onLine(lineNo),
                 std::string(what) + " \"" + std::to_string(value) + "\" is above " +
                     std::to_string(kMaxIterationLimit),
                 {lineNo, valueNo, false});
    };
    check("maximum number of cap iterations", capIterations, kCaseCapIterations);
    check("maximum number of pile iterations", pileIterations, kCasePileIterations);
}

void checkIncrementFactors(ReadState& st, const Where& where, int lineNo, double factor,
                           double minimum) {
    if (st.rc != kReturnCompleted) return;
    if (minimum < kSmallestMinimumIncrement) {
        fail(st, kReturnInputRefused, where, onLine(lineNo),
             "minimum factor for load increments \"" + shortReal(minimum) + "\" is below " +
                 shortReal(kSmallestMinimumIncrement) +
                 ", the smallest increment a load may be halved to",
             {lineNo, kRealMinimumIncrement, false});
    } else if (factor < minimum) {
        fail(st, kReturnInputRefused, where, onLine(lineNo),
             "factor to apply the load in increments \"" + shortReal(factor) +
                 "\" is below the minimum factor for load increments \"" + shortReal(minimum) +
                 "\"",
             {lineNo, kRealIncrementFactor, false});
    }
}

// Reads the seven integers and four reals of a load case (C2a, C2b) or a
// combination (C6a, C6b) and refuses control values that could not end.
template <typename Entry>
void readControlRecords(ReadState& st, Entry& lc, const Where& integers, const Where& reals) {
    beginRecord(st, integers, 7);
    for (int n = 1; n <= 7; ++n)
        readInteger(st, lc.integer(n));
    endRecord(st);
    if (st.rc == kReturnCompleted)
        checkIterationLimits(st, integers, st.token.lineNo, lc.integer(kCaseCapIterations),
                             lc.integer(kCasePileIterations));
    readRealRecord(st, reals, {&lc.real(1), &lc.real(2), &lc.real(3), &lc.real(4)});
    if (st.rc == kReturnCompleted)
        checkIncrementFactors(st, reals, st.token.lineNo, lc.real(kRealIncrementFactor),
                              lc.real(kRealMinimumIncrement));
}

void readLoadCase(ReadState& st, int c) {
    LoadCase& lc = st.store.loadCases.rows[c - 1];
    const Where of = at('C', "").of("load case", c);
    auto rec = [&of](const char* record) {
        Where w = of;
        w.record = record;
        return w;
    };

    readControlRecords(st, lc, rec("C2a"), rec("C2b"));
    readTextRecord(st, rec("C2c"), lc.name);
    beginRecord(st, rec("C2d"), 7);
    for (int n = 8; n <= 14; ++n)
        readInteger(st, lc.integer(n));
    endRecord(st);
    beginRecord(st, rec("C2e"), 4);
    readInteger(st, lc.integer(kCasePrintOption));
    readInteger(st, lc.integer(kCaseNodeStep));
    readReal(st, lc.scaleFactor);
    readInteger(st, lc.integer(20));
    endRecord(st);

    int& nConc = lc.integer(kCaseConcentratedCount);
    readCountRecord(st, rec("C2f"), "concentrated load count", kMaxConcentratedLoads, nConc);
    for (int k = 1; k <= nConc && st.rc == kReturnCompleted; ++k) {
        ConcentratedLoad& load = lc.concentratedLoads[k - 1];
        beginRecord(st, rec("C2g").of("concentrated load", k), kConcentratedLoadValues);
        for (int n = 1; n <= kConcentratedLoadValues; ++n)
            readReal(st, load.value(n));
        endRecord(st);
    }

    int& nDist = lc.integer(kCaseDistributedCount);
    readCountRecord(st, rec("C2h"), "distributed load count", kMaxDistributedLoads, nDist);
    for (int k = 1; k <= nDist && st.rc == kReturnCompleted; ++k)
        readDistributedLoad(st, lc.distributedLoads[k - 1], rec("C2i").of("distributed load", k));

    int& nLevels = lc.integer(kCaseStiffnessCount);
    readCountRecord(st, rec("C2j"), "stiffness level count", kMaxStiffnessLevels, nLevels);
    for (int k = 1; k <= nLevels && st.rc == kReturnCompleted; ++k)
        readRealRecord(st, rec("C2k").of("stiffness level", k), {&lc.stiffnessLevels[k - 1]});
}

void readCombination(ReadState& st, int m) {
    LoadCombination& lc = st.store.combinations.rows[m - 1];
    const Where of = at('C', "").of("load combination", m);
    auto rec = [&of](const char* record) {
        Where w = of;
        w.record = record;
        return w;
    };

    readControlRecords(st, lc, rec("C6a"), rec("C6b"));
    readTextRecord(st, rec("C6c"), lc.name);
    beginRecord(st, rec("C6d"), 3);
    readReal(st, lc.bendingRf);
    readReal(st, lc.shearRf);
    readInteger(st, lc.integer(kCombinationIgnoredCount));
    endRecord(st);
    beginRecord(st, rec("C6e"), 4);
    for (int n = 18; n <= 21; ++n)
        readInteger(st, lc.integer(n));
    endRecord(st);

    // The count of C6f replaces the third value of C6d.
    if (readCountRecord(st, rec("C6f"), "combined load case count", kMaxCasesPerCombination,
                        lc.combinedCaseCount))
        lc.integer(kCombinationIgnoredCount) = lc.combinedCaseCount;
    for (int k = 1; k <= lc.combinedCaseCount && st.rc == kReturnCompleted; ++k) {
        CombinedCase& entry = lc.cases[k - 1];
        beginRecord(st, rec("C6g").of("entry", k), 2);
        if (readInteger(st, entry.loadCaseNo))
            deferReference(st, Reference::loadCase, "load case", entry.loadCaseNo);
        readReal(st, entry.factor);
        endRecord(st);
    }
}

void readSectionC(ReadState& st) {
    LoadCaseTable& cases = st.store.loadCases;
    readHeader(st, 'C', "header line before C1");
    beginRecord(st, at('C', "C1"), 4);
    readCount(st, "load case count", kMaxLoadCases, cases.loadCaseCount);
    readInteger(st, cases.caseEnvelopeFlag);
    readInteger(st, cases.caseEnvelopePrintOption);
    readInteger(st, cases.caseEnvelopeNodeStep);
    endRecord(st);
    for (int c = 1; c <= cases.loadCaseCount && st.rc == kReturnCompleted; ++c)
        readLoadCase(st, c);

    CombinationTable& combinations = st.store.combinations;
    readHeader(st, 'C', "header line before C5");
    beginRecord(st, at('C', "C5"), 4);
    readCount(st, "load combination count", kMaxCombinations, combinations.combinationCount);
    readInteger(st, combinations.combinationEnvelopeFlag);
    readInteger(st, combinations.combinationEnvelopePrintOption);
    readInteger(st, combinations.combinationEnvelopeNodeStep);
    endRecord(st);
    for (int m = 1; m <= combinations.combinationCount && st.rc == kReturnCompleted; ++m)
        readCombination(st, m);

    DistributedSetTable& sets = st.store.distributedSets;
    readHeader(st, 'C', "header line before C7");
    readCountRecord(st, at('C', "C7"), "distributed-load set count", kMaxDistributedSets,
                    sets.distributedSetCount);
    for (int s = 1; s <= sets.distributedSetCount && st.rc == kReturnCompleted; ++s) {
        DistributedSet& set = sets.rows[s - 1];
        const Where of = at('C', "C8a").of("distributed-load set", s);
        readCountRecord(st, of, "point count", kMaxSetPoints, set.setPointCount);
        for (int k = 1; k <= set.setPointCount && st.rc == kReturnCompleted; ++k) {
            Where w = of.of("point", k);
            w.record = "C8b";
            readRealRecord(st, w, {&set.points[k - 1].depth, &set.points[k - 1].load});
        }
    }
}

// ---------------------------------------------------------------------------
// Section D: pile arrangement.

void deferGroupNumbers(ReadState& st, const PileGroup& g, int valueNo) {
    // Called after value valueNo of D2/D6 has been read.
    if (valueNo == 3)
        deferReference(st, Reference::pileProperty, "pile property", g.pilePropertyNo);
    if (valueNo == 4) deferReference(st, Reference::pySet, "user p-y set", g.pySetNo);
    if (valueNo == 5) deferReference(st, Reference::lsCurve, "load-settlement curve", g.lsCurveNo);
    if (valueNo == 6) deferReference(st, Reference::trCurve, "torque-rotation curve", g.trCurveNo);
}

void readGroup2D(ReadState& st, int no) {
    PileGroup& g = st.store.arrangement.rows[no - 1];
    const Where of = at('D', "").of("pile group", no);
    Where w = of;

    w.record = "D2";
    beginRecord(st, w, 5);
    int piles = 0;
    readInteger(st, g.connectionY);
    if (readInteger(st, piles)) g.pilesInGroup = piles;
    int* numbers[] = {&g.pilePropertyNo, &g.pySetNo, &g.lsCurveNo};
    for (int k = 0; k < 3; ++k)
        if (readInteger(st, *numbers[k])) deferGroupNumbers(st, g, k + 3);
    endRecord(st);

    GroupFactors& f = st.store.groupFactors;
    w.record = "D3";
    readRealRecord(st, w,
                   {&g.springY, &g.rowSpacing, &f.pMultiplier[no - 1], &f.yMultiplier[no - 1],
                    &g.axialForceFactor});
    w.record = "D4";
    readRealRecord(st, w, {&g.headX, &g.headY, &g.batterAngle, &g.ground});
}

void readGroup3D(ReadState& st, int no) {
    PileGroup& g = st.store.arrangement.rows[no - 1];
    Where w = at('D', "D6").of("pile group", no);

    beginRecord(st, w, 6);
    int* numbers[] = {&g.connectionY, &g.connectionZ, &g.pilePropertyNo,
                      &g.pySetNo,     &g.lsCurveNo,   &g.trCurveNo};
    for (int k = 0; k < 6; ++k)
        if (readInteger(st, *numbers[k])) deferGroupNumbers(st, g, k + 1);
    endRecord(st);

    GroupFactors& f = st.store.groupFactors;
    const std::size_t i = static_cast<std::size_t>(no - 1);
    w.record = "D7";
    readRealRecord(st, w,
                   {&g.springY, &g.springZ, &f.pMultiplierY[i], &f.yMultiplierY[i],
                    &f.pMultiplierZ[i], &f.yMultiplierZ[i], &g.axialForceFactor});
    if (st.rc == kReturnCompleted) {
        // The Y factors are also the factors in force until the layout is analysed.
        f.pMultiplier[i] = f.pMultiplierY[i];
        f.yMultiplier[i] = f.yMultiplierY[i];
    }
    w.record = "D8";
    readRealRecord(st, w, {&g.headX, &g.headY, &g.headZ, &g.alpha, &g.beta, &g.ground});
}

void readSectionD(ReadState& st) {
    PileArrangement& a = st.store.arrangement;
    readHeader(st, 'D', "header line of section D");
    const int type = st.store.control.analysisType;
    if (type != 2 && type != 3) return;  // no arrangement at all
    readCountRecord(st, at('D', type == 2 ? "D1" : "D5"), "pile group count", kMaxPileGroups,
                    a.pileGroupCount);
    for (int g = 1; g <= a.pileGroupCount && st.rc == kReturnCompleted; ++g) {
        if (type == 2)
            readGroup2D(st, g);
        else
            readGroup3D(st, g);
    }
}

// ---------------------------------------------------------------------------
// Section E: pile properties and cross sections.

void readPileProperty(ReadState& st, int no) {
    PileProperty& p = st.store.pileProperties.rows[no - 1];
    Where w = at('E', "E2").of("pile property", no);

    beginRecord(st, w, 2);
    readInteger(st, p.propertyNo);
    readCount(st, "section count", kMaxPileSections, p.sectionCount);
    endRecord(st);

    w.record = "E3";
    beginRecord(st, w, 4);
    int increments = 0;
    if (readInteger(st, increments)) {
        if (increments < 1 || increments > kMaxIncrements)
            failAtToken(st, kReturnInputRefused,
                        "number of increments " + quoted(st.token.text) + " is outside 1 to " +
                            std::to_string(kMaxIncrements));
        else
            p.increments = increments;
    }
    double length = 0.0;
    if (readReal(st, length)) {
        if (!(length > 0.0))
            failAtToken(st, kReturnInputRefused,
                        "pile length " + quoted(st.token.text) + " is not positive");
        else
            p.length = length;
    }
    readReal(st, p.elasticModulus);
    readInteger(st, p.pileType);
    endRecord(st);

    for (int k = 1; k <= p.sectionCount && st.rc == kReturnCompleted; ++k) {
        PileSection& s = p.sections[k - 1];
        Where ws = w.of("section", k);
        ws.record = "E4";
        beginRecord(st, ws, 5);
        readReal(st, s.from);
        readReal(st, s.secondLength);
        if (readInteger(st, s.crossSectionNo))
            deferReference(st, Reference::crossSection, "cross section", s.crossSectionNo);
        if (readInteger(st, s.mcSetY))
            deferReference(st, Reference::mcSet, "moment-curvature set about Y", s.mcSetY);
        if (readInteger(st, s.mcSetZ))
            deferReference(st, Reference::mcSet, "moment-curvature set about Z", s.mcSetZ);
        endRecord(st);
    }
}

void readCrossSection(ReadState& st, int no) {
    CrossSection& x = st.store.crossSections.rows[no - 1];
    Where w = at('E', "E6").of("cross section", no);

    // The first integer is overwritten by the second: the number is the second.
    beginRecord(st, w, 3);
    int overwritten = 0;
    readInteger(st, overwritten);
    readInteger(st, x.number);
    readInteger(st, x.typeCode);
    endRecord(st);

    w.record = "E7";
    beginRecord(st, w, 1);
    readName(st, x.name);
    endRecord(st);

    w.record = "E8";
    beginRecord(st, w, kCrossSectionDimensions);
    for (int n = 1; n <= kCrossSectionDimensions; ++n)
        readReal(st, x.dimension(n));
    endRecord(st);

    w.record = "E9";
    beginRecord(st, w, kCrossSectionProperties);
    for (int n = 1; n <= kCrossSectionProperties; ++n)
        readReal(st, x.property(n));
    endRecord(st);
}

void readSectionE(ReadState& st) {
    PilePropertyTable& props = st.store.pileProperties;
    readHeader(st, 'E', "header line before E1");
    readCountRecord(st, at('E', "E1"), "pile property count", kMaxPileProperties,
                    props.pilePropertyCount);
    for (int p = 1; p <= props.pilePropertyCount && st.rc == kReturnCompleted; ++p)
        readPileProperty(st, p);

    CrossSectionTable& xs = st.store.crossSections;
    readHeader(st, 'E', "header line before E5");
    readCountRecord(st, at('E', "E5"), "cross section count", kMaxCrossSections,
                    xs.crossSectionCount);
    for (int k = 1; k <= xs.crossSectionCount && st.rc == kReturnCompleted; ++k)
        readCrossSection(st, k);
}

// ---------------------------------------------------------------------------
// Section F: soil layers and p-y print requests.

void readSoilLayer(ReadState& st, int no) {
    SoilLayer& layer = st.store.soilLayers.rows[no - 1];
    Where w = at('F', "F2").of("soil layer", no);

    beginRecord(st, w, 2);
    readInteger(st, layer.layerNo);
    if (readInteger(st, layer.KSOIL)) st.layerLines[no - 1] = st.token.lineNo;
    endRecord(st);

    w.record = "F3";
    readRealRecord(st, w, {&layer.topX, &layer.bottomX});

    w.record = "F4";
    beginRecord(st, w, 2);
    readCount(st, "value row count", kLayerValueRows, layer.valueRowCount);
    readCount(st, "property count", kSoilProperties, layer.propertyCount);
    endRecord(st);

    for (int row = 1; row <= layer.valueRowCount && st.rc == kReturnCompleted; ++row) {
        auto& values = row == 1 ? layer.top : layer.bottom;
        Where wr = w.of("row", row);
        wr.record = "F5";
        beginRecord(st, wr, layer.propertyCount);
        for (int n = 0; n < layer.propertyCount; ++n)
            readReal(st, values[n]);
        endRecord(st);
    }
}

void readPrintRequest(ReadState& st, int no) {
    PyPrintRequest& r = st.store.pyPrints.rows[no - 1];
    Where w = at('F', "F7").of("print request", no);

    beginRecord(st, w, 2);
    if (readInteger(st, r.pileNo)) deferReference(st, Reference::printPile, "pile group", r.pileNo);
    readReal(st, r.depth);
    endRecord(st);

    w.record = "F8";
    readCountRecord(st, w, "extra depth count", kMaxExtraPrintDepths, r.extraDepthCount);
    if (r.extraDepthCount < 1) return;
    w.record = "F9";
    beginRecord(st, w, r.extraDepthCount);
    for (int k = 0; k < r.extraDepthCount; ++k)
        readReal(st, r.extraDepths[k]);
    endRecord(st);
}

void readSectionF(ReadState& st) {
    SoilLayerTable& layers = st.store.soilLayers;
    readHeader(st, 'F', "header line before F1");
    readCountRecord(st, at('F', "F1"), "soil layer count", kMaxSoilLayers, layers.NLAYER);
    for (int L = 1; L <= layers.NLAYER && st.rc == kReturnCompleted; ++L)
        readSoilLayer(st, L);

    if (st.store.control.KPYOP != 1) return;
    PyPrintTable& prints = st.store.pyPrints;
    readHeader(st, 'F', "header line before F6");
    readCountRecord(st, at('F', "F6"), "print request count", kMaxPyPrintRequests,
                    prints.pyPrintCount);
    for (int k = 1; k <= prints.pyPrintCount && st.rc == kReturnCompleted; ++k)
        readPrintRequest(st, k);
}

// ---------------------------------------------------------------------------
// Sections G to J: user curves and moment-curvature sets.

void readSectionG(ReadState& st) {
    UserPySetTable& sets = st.store.userPySets;
    readHeader(st, 'G', "header line before G1");
    readCountRecord(st, at('G', "G1"), "p-y set count", kMaxPySets, sets.pySetCount);
    for (int s = 1; s <= sets.pySetCount && st.rc == kReturnCompleted; ++s) {
        UserPySet& set = sets.rows[s - 1];
        const Where ws = at('G', "G2").of("p-y set", s);
        beginRecord(st, ws, 2);
        readInteger(st, set.setNo);
        readCount(st, "curve count", kMaxPyCurvesPerSet, set.pyCurveCount);
        endRecord(st);
        for (int c = 1; c <= set.pyCurveCount && st.rc == kReturnCompleted; ++c) {
            UserPyCurve& curve = set.curves[c - 1];
            Where wc = ws.of("curve", c);
            wc.record = "G3";
            readRealRecord(st, wc, {&curve.x});
            wc.record = "G4";
            readCountRecord(st, wc, "point count", kMaxCurvePoints, curve.pyPointCount);
            for (int k = 1; k <= curve.pyPointCount && st.rc == kReturnCompleted; ++k) {
                Where wp = wc.of("point", k);
                wp.record = "G5";
                readRealRecord(st, wp, {&curve.points[k - 1].p, &curve.points[k - 1].y});
            }
        }
    }
}

// Sections H and I share their layout.
template <std::size_t N>
void readUserCurves(ReadState& st, char section, const char* label, int& count,
                    std::array<UserCurve, N>& rows) {
    static constexpr const char* records[2][3] = {{"H1", "H2", "H3"}, {"I1", "I2", "I3"}};
    const auto& r = records[section == 'H' ? 0 : 1];
    readHeader(st, section, section == 'H' ? "header line before H1" : "header line before I1");
    readCountRecord(st, at(section, r[0]),
                    section == 'H' ? "load-settlement curve count" : "torque-rotation curve count",
                    static_cast<int>(N), count);
    for (int c = 1; c <= count && st.rc == kReturnCompleted; ++c) {
        UserCurve& curve = rows[c - 1];
        const Where wc = at(section, r[1]).of(label, c);
        beginRecord(st, wc, 2);
        readInteger(st, curve.curveNo);
        readCount(st, "point count", kMaxCurvePoints, curve.pointCount);
        endRecord(st);
        for (int k = 1; k <= curve.pointCount && st.rc == kReturnCompleted; ++k) {
            Where wp = wc.of("point", k);
            wp.record = r[2];
            readRealRecord(st, wp, {&curve.points[k - 1].force, &curve.points[k - 1].displacement});
        }
    }
}

void readSectionJ(ReadState& st) {
    McSetTable& sets = st.store.mcSets;
    readHeader(st, 'J', "header line before J1");
    readCountRecord(st, at('J', "J1"), "moment-curvature set count", kMaxMcSets, sets.mcSetCount);
    for (int s = 1; s <= sets.mcSetCount && st.rc == kReturnCompleted; ++s) {
        McSet& set = sets.rows[s - 1];
        const Where ws = at('J', "J2").of("moment-curvature set", s);
        beginRecord(st, ws, 2);
        readInteger(st, set.setNo);
        readCount(st, "curve count", kMaxMcCurvesPerSet, set.mcCurveCount);
        endRecord(st);
        for (int c = 1; c <= set.mcCurveCount && st.rc == kReturnCompleted; ++c) {
            McCurve& curve = set.curves[c - 1];
            Where wc = ws.of("curve", c);
            wc.record = "J3";
            readRealRecord(st, wc, {&curve.axialLoad});
            // The first integer is discarded; the second is the point count.
            wc.record = "J4";
            beginRecord(st, wc, 2);
            int discarded = 0;
            readInteger(st, discarded);
            readCount(st, "point count", kMaxCurvePoints, curve.mcPointCount);
            endRecord(st);
            for (int k = 1; k <= curve.mcPointCount && st.rc == kReturnCompleted; ++k) {
                Where wp = wc.of("point", k);
                wp.record = "J5";
                readRealRecord(st, wp,
                               {&curve.points[k - 1].moment, &curve.points[k - 1].curvature});
            }
        }
    }
}

// ---------------------------------------------------------------------------
// References, checked once every table is complete.

std::string tableHas(int count) {
    return count == 0 ? "(the file has none)" : "(the file has " + std::to_string(count) + ")";
}

void refuseReference(ReadState& st, const PendingReference& r, const std::string& what) {
    fail(st, kReturnInputRefused, r.where, onLine(r.lineNo),
         std::string(r.field) + " \"" + std::to_string(r.value) + "\" " + what,
         {r.lineNo, r.valueNo, false});
}

// Inclusive range check; 0 is allowed when noneAllowed.
bool inTable(int value, int count, bool noneAllowed) {
    return (noneAllowed && value == 0) || (value >= 1 && value <= count);
}

// A load-settlement or torque-rotation curve number: n > 0 is the curve
// generated for pile property n, n < 0 the user curve -n.
void checkCurveNumber(ReadState& st, const PendingReference& r, int userCount, const char* user) {
    const ModelStore& s = st.store;
    if (r.value > 0 && r.value > s.pileProperties.pilePropertyCount) {
        refuseReference(st, r,
                        "names no pile property for its generated curve " +
                            tableHas(s.pileProperties.pilePropertyCount));
    } else if (r.value < 0 && -static_cast<long long>(r.value) > userCount) {
        refuseReference(st, r, std::string("names no ") + user + " " + tableHas(userCount));
    } else if (r.value == 0) {
        refuseReference(st, r,
                        "names no curve (n > 0: the curve generated for pile property n; n < 0: "
                        "user curve -n)");
    }
}

// The user p-y set of a pile group. With user p-y curves in use a positive
// set n gives the whole pile the curves of set n. Otherwise (zero or negative,
// or user curves not in use) the pile takes its curves from the soil layers,
// and a layer of type 5 takes them from set |n|; every such pile is taken to
// meet every type-5 layer.
void checkPySet(ReadState& st, const PendingReference& r) {
    const ModelStore& s = st.store;
    const int sets = s.userPySets.pySetCount;
    if (s.control.userPyCurvesOption == 1 && r.value > 0) {
        if (r.value > sets) refuseReference(st, r, "names no user p-y set " + tableHas(sets));
        return;
    }
    for (int L = 1; L <= s.soilLayers.NLAYER; ++L) {
        if (s.soilLayers.rows[L - 1].KSOIL != 5) continue;
        const std::string layer = "soil layer " + std::to_string(L) + " of type 5 (record F2, " +
                                  onLine(st.layerLines[L - 1]) + ")";
        if (r.value == 0)
            refuseReference(st, r, "gives no user p-y set for " + layer);
        else if (std::llabs(static_cast<long long>(r.value)) > sets)
            refuseReference(st, r, "names no user p-y set for " + layer + " " + tableHas(sets));
        return;
    }
}

void checkReferences(ReadState& st) {
    const ModelStore& s = st.store;
    const int groups = s.arrangement.pileGroupCount;
    for (const PendingReference& r : st.references) {
        if (st.rc != kReturnCompleted) return;
        switch (r.kind) {
            case Reference::pileProperty:
                if (!inTable(r.value, s.pileProperties.pilePropertyCount, false))
                    refuseReference(
                        st, r,
                        "names no pile property " + tableHas(s.pileProperties.pilePropertyCount));
                break;
            case Reference::pySet:
                checkPySet(st, r);
                break;
            case Reference::lsCurve:
                checkCurveNumber(st, r, s.userLsCurves.lsCurveCount, "user load-settlement curve");
                break;
            case Reference::trCurve:
                checkCurveNumber(st, r, s.userTrCurves.trCurveCount, "user torque-rotation curve");
                break;
            case Reference::crossSection:
                if (!inTable(r.value, s.crossSections.crossSectionCount, false))
                    refuseReference(
                        st, r,
                        "names no cross section " + tableHas(s.crossSections.crossSectionCount));
                break;
            case Reference::mcSet:
                // Set numbers are only looked up with moment-curvature sets in use.
                if (s.control.userMomentCurvatureOption == 1 &&
                    !inTable(r.value, s.mcSets.mcSetCount, true))
                    refuseReference(
                        st, r, "names no moment-curvature set " + tableHas(s.mcSets.mcSetCount));
                break;
            case Reference::loadCase:
                if (!inTable(r.value, s.loadCases.loadCaseCount, false))
                    refuseReference(st, r,
                                    "names no load case " + tableHas(s.loadCases.loadCaseCount));
                break;
            case Reference::distributedSet:
                if (!inTable(r.value, s.distributedSets.distributedSetCount, true))
                    refuseReference(st, r,
                                    "names no distributed-load set " +
                                        tableHas(s.distributedSets.distributedSetCount));
                break;
            case Reference::firstPile:
            case Reference::printPile:
                if (!inTable(r.value, groups, false))
                    refuseReference(st, r, "names no pile group " + tableHas(groups));
                break;
            case Reference::lastPile:
                if (!inTable(r.value, groups, true))
                    refuseReference(st, r, "names no pile group " + tableHas(groups));
                break;
        }
    }
}

}  // namespace

int readInputFile(ModelStore& store, InputFailure* failure) {
    auto st = std::make_unique<ReadState>(store);
    st->failure = failure;
    st->cursor.file = store.files.input.get();
    if (st->cursor.file == nullptr) {
        fail(*st, kReturnInputReadError, at('A', "A1"), "line 1", "the input data file is not open",
             {1, 0, false});
        return st->rc;
    }

    readSectionA(*st);
    readSectionB(*st);
    readSectionC(*st);
    readSectionD(*st);
    readSectionE(*st);
    readSectionF(*st);
    const ControlParameters& c = store.control;
    if (c.userPyCurvesOption == 1) readSectionG(*st);
    if (c.userLsCurvesOption == 1)
        readUserCurves(*st, 'H', "load-settlement curve", store.userLsCurves.lsCurveCount,
                       store.userLsCurves.rows);
    if (c.userTrCurvesOption == 1)
        readUserCurves(*st, 'I', "torque-rotation curve", store.userTrCurves.trCurveCount,
                       store.userTrCurves.rows);
    if (c.userMomentCurvatureOption == 1) readSectionJ(*st);
    // Anything after the last section present is not read.

    if (st->rc == kReturnCompleted) checkReferences(*st);
    return st->rc;
}

}  // namespace pylora
