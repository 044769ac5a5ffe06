// SPDX-License-Identifier: Apache-2.0
#include "cap/cap_results.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <string>

#include "cap/group_factors.h"
#include "format/number_fields.h"
#include "store/constants.h"
#include "store/return_codes.h"
#include "store/run_messages.h"

namespace pylora {

namespace {

constexpr std::string_view kWarning = "** WARNING **  ";
// The longest warning line copied from the warning scratch file.
constexpr std::size_t kWarningLineLength = 255;

void writeTo(std::initializer_list<std::FILE*> files, const ReportLine& line) {
    for (std::FILE* file : files)
        writeLine(file, line);
}

// A row of number fields to one file, ended with endLine.
void endRowTo(std::FILE* file, const ReportLine& row) {
    ReportLine copy = row;
    endLine(file, copy);
}

// 5 blanks, then the values in fields of width w with d significant decimals.
ReportLine valueRow(std::span<const double> values, int w, int d) {
    ReportLine row;
    writeBlanks(row, 5);
    for (double v : values)
        writeRealField(row, w, d, v);
    return row;
}

// One pile failure kind: its counter and the three lines of its block.
struct PileWarningText {
    std::string_view headline;
    std::string_view first;
    std::string_view second;
    std::string_view curve;
};

void writePileWarningBlock(ModelStore& store, const PileWarningText& text) {
    ReportLine head;
    head.slash().X(5).text(kWarning).text(text.headline);
    ReportLine block = head;
    block.slash().X(20).text(text.first);
    block.slash().X(20).text(text.second).text(text.curve);
    writeLine(store.files.report.get(), block);
    writeRuntimeLine(store, head.str());
    noteWarning(store, block.str());
}

// Reads one line of at most kWarningLineLength characters (the rest of a
// longer line is skipped); false at the end of the file.
bool readWarningLine(std::FILE* file, std::string& line) {
    line.clear();
    int c = 0;
    bool any = false;
    while ((c = std::fgetc(file)) != EOF) {
        any = true;
        if (c == '\n') break;
        if (line.size() < kWarningLineLength) line.push_back(static_cast<char>(c));
    }
    return any;
}

void copyWarningDetails(ModelStore& store, int lineCount) {
    FileHandle scratch = openForReading(store.run.warningScratchPath.str());
    if (!scratch) {
        noteFileFailure(store.run.warningScratchPath.str(), FileOperation::read, errno);
        return;
    }
    ReportLine copy;
    std::string line;
    int copied = 0;
    while (copied < lineCount && readWarningLine(scratch.get(), line)) {
        if (copied > 0) copy.slash();
        // A blank line stays blank: text of blanks alone writes nothing.
        const std::size_t end = line.find_last_not_of(' ');
        if (end != std::string::npos) copy.text(std::string_view(line).substr(0, end + 1));
        copied += 1;
    }
    if (std::ferror(scratch.get()) != 0) noteFileFailure(scratch.get(), FileOperation::read);
    if (copied == 0) return;
    writeLine(store.files.report.get(), copy);
    writeRuntimeLine(store, copy.str());
    noteWarning(store, copy.str());
}

// 5X I5 2X and each value 1PE18.8 3X: one estimation record.
void writeRecord(std::FILE* file, int run, std::initializer_list<double> values,
                 std::span<const double> more = {}) {
    ReportLine l;
    l.X(5).I(run, 5).X(2);
    for (double v : values)
        l.PE(v, 18, 8).X(3);
    for (double v : more)
        l.PE(v, 18, 8).X(3);
    writeLine(file, l);
}

// A vector of up to six cap components.
struct Components {
    std::array<double, kCapComponents> v{};
    std::size_t count = 0;
    std::span<const double> view() const { return std::span<const double>(v).first(count); }
};

Components copyOf(std::span<const double> values) {
    Components out;
    out.count = std::min<std::size_t>(values.size(), kCapComponents);
    std::copy_n(values.begin(), out.count, out.v.begin());
    return out;
}

Components negated(std::span<const double> values) {
    Components out = copyOf(values);
    for (std::size_t i = 0; i < out.count; ++i)
        out.v[i] = 0.0 - out.v[i];
    return out;
}

// The quotients v / divisor, or v itself when the load of the DOF is zero
// or the quotients would not be finite numbers.
Components perUnit(const Components& v, double divisor, bool loaded) {
    if (!loaded || divisor == 0.0) return v;
    Components out = v;
    for (std::size_t i = 0; i < v.count; ++i) {
        out.v[i] = v.v[i] / divisor;
        if (!std::isfinite(out.v[i])) return v;
    }
    return out;
}

// The subscript of DOF dof (1-based) in vectors of `count` components.
std::size_t componentOf(int dof, std::size_t count) {
    const int last = static_cast<int>(std::clamp<std::size_t>(count, 1, kCapComponents));
    return static_cast<std::size_t>(std::clamp(dof, 1, last) - 1);
}

// Passes the completion code of an ordinary pass, the integer that a
// status line starts with, to the run's collector.
void noteCompletion(const ModelStore& store, std::string_view line, double loadFactor) {
    if (!store.resultsCollector || store.analysis.estimation.estimationMode != 0) return;
    const std::size_t begin = line.find_first_not_of(' ');
    int code = 0;
    if (begin != std::string_view::npos)
        std::from_chars(line.data() + begin, line.data() + line.size(), code);
    store.resultsCollector->completed(store, code, loadFactor);
}

}  // namespace

bool stopRequested(ModelStore& store, int& errorFlag) {
    const int request = runStopRequest(store);
    if (request == 0) return false;
    if (request == kReturnInterrupted) writeStatusLine(store, kStatusInterrupted);
    errorFlag = request;
    return true;
}

void writeStatusLine(ModelStore& store, std::string_view line) {
    ReportLine l;
    l.text(line);
    writeStatusRecords(store, l.str());
    // A pushover completes at its last converged factor, the full load
    // times FACTOR or less.
    const bool pushed = store.run.pushoverCase > 0 && line == kStatusCompleted;
    noteCompletion(store, line, pushed ? store.capSolution.loadFactor : 1.0);
}

void writePartialStatusLine(ModelStore& store, double loadFactor) {
    ReportLine l;
    l.text("    2 SOLUTION AT ").F(f32(100.0F) * loadFactor, 8, 2).text(" % OF THE TOTAL LOAD");
    writeStatusRecords(store, l.str());
    noteCompletion(store, l.str(), loadFactor);
}

void writeCapWarning(ModelStore& store, std::string_view text) {
    ReportLine l;
    l.slash().slash().X(5).text(kWarning).text(text);
    writeLine(store.files.report.get(), l);
    writeRuntimeLine(store, l.str());
    noteWarning(store, l.str());
}

void writeCapFatal(ModelStore& store, std::string_view reason, std::string_view remedy) {
    ReportLine l;
    l.slash().slash().X(5).text("**** FATAL ERROR ****").slash().X(5).text(reason);
    if (!remedy.empty()) l.slash().X(5).text(remedy);
    writeLine(store.files.report.get(), l);
    writeRuntimeLine(store, l.str());
}

bool writePileWarnings(ModelStore& store, bool includeTorsion) {
    const AxialResponseState& r = store.axialResponse;
    const int bearing = std::max(r.bearingWarningCount, 0);
    const int pullOut = std::max(r.pullOutWarningCount, 0);
    const int torsion = includeTorsion ? std::max(r.torsionWarningCount, 0) : 0;
    if (bearing >= 1)
        writePileWarningBlock(store, {"SOME PILES, MAY FAIL IN BEARING!",
                                      "AXIAL DISPLACEMENT ESTIMATED IS LARGER THAN",
                                      "MAXIMUM DISPLACEMENT DEFINED", " IN LOAD-SETTLEMENT CURVE"});
    if (pullOut >= 1)
        writePileWarningBlock(store, {"SOME PILES, MAY FAIL IN PULL OUT!",
                                      "AXIAL DISPLACEMENT ESTIMATED IS SMALLER THAN",
                                      "MINIMUM DISPLACEMENT DEFINED", " IN LOAD-SETTLEMENT CURVE"});
    if (torsion >= 1)
        writePileWarningBlock(
            store,
            {"SOME PILES, MAY FAIL IN TORSION!", "TORSIONAL ROTATION ESTIMATED IS LARGER/SMALLER",
             "THAN MAXIMUM/MINIMUM ROTATION DEFINED", " IN TORQUE-ROTATION CURVE"});
    const long long warnings = static_cast<long long>(bearing) + pullOut + torsion;
    if (warnings == 0) return false;
    copyWarningDetails(store, static_cast<int>(std::min<long long>(3 * warnings, 1 << 30)));
    return true;
}

void writeCombinedFactorTable(ModelStore& store) {
    RunFiles& f = store.files;
    ReportLine l;
    l.slash().X(7).text("REDUCTION FACTORS FOR CLOSELY-SPACED PILE").X(1);
    l.text("GROUPS, COMBINED Y AND Z DIRECTIONS");
    l.slash().X(7).text("ESTIMATED USING MOVEMENT IN").X(1);
    l.text("THE DIRECTION OF PILE CAP DISPLACEMENTS");
    for (std::FILE* file : {f.report.get(), f.summary.get()}) {
        writeLine(file, l);
        writeGroupFactorRows(store, file, store.groupFactors.pMultiplier,
                             store.groupFactors.yMultiplier);
    }
}

void writeTableLBlock(std::FILE* file, const UnitLabels& u, const CapVector& load,
                      const CapVector& displacement, bool twoDimensional, int rotationGap) {
    ReportLine l;
    // Within one line a record ends at the first '/': two blank lines
    // between records take three.
    l.slash().slash().slash().X(5).text("* TABLE L *   COMPUTATION ON PILE CAP");
    l.slash().slash().slash().X(5).text("* EQUIVALENT CONC. LOAD AT ORIGIN *");
    if (twoDimensional) {
        const std::array<double, 3> loads{load[kForceX], load[kForceY], load[kMomentZ]};
        const std::array<double, 3> displacements{displacement[kForceX], displacement[kForceY],
                                                  displacement[kMomentZ]};
        l.slash().X(13).text("VERT. LOAD,").A(u.force4.view(), 4).X(4).text("HORI. LOAD,");
        l.A(u.force4.view(), 4).X(4).text("MOMENT,").A(u.length2.view(), 2).A(kUnitTimes, 1);
        l.A(u.force3.view(), 3);
        writeLine(file, l);
        endRowTo(file, valueRow(loads, 19, 5));
        l.clear();
        l.slash()
            .slash()
            .X(5)
            .text("* DISPLACEMENT OF GROUPED PILE ")
            .text("FOUNDATION AT ORIGIN *");
        l.slash().slash().slash().X(16).text("VERTICAL,").A(u.length2.view(), 2).X(6);
        l.text("HORIZONTAL,").A(u.length2.view(), 2).X(rotationGap).text("ROTATION,");
        l.A(kUnitRadian, 3);
        writeLine(file, l);
        endRowTo(file, valueRow(displacements, 19, 5));
        return;
    }
    const std::span<const double> loads(load);
    const std::span<const double> displacements(displacement);
    l.slash().X(11).text("VERT. LOAD,").A(u.force4.view(), 4).X(4).text("HOR. LOAD Y,");
    l.A(u.force4.view(), 4).X(3).text("HOR. LOAD Z,").A(u.force4.view(), 4);
    writeLine(file, l);
    endRowTo(file, valueRow(loads.subspan(0, 3), 19, 5));

    l.clear();
    l.X(10).text("MOMENT X ,").A(u.length2.view(), 2).A(kUnitTimes, 1).A(u.force3.view(), 3);
    l.X(4).text("MOMENT Y,").A(u.length2.view(), 2).A(kUnitTimes, 1).A(u.force3.view(), 3);
    l.X(4).text("MOMENT Z,").A(u.length2.view(), 2).A(kUnitTimes, 1).A(u.force3.view(), 3);
    writeLine(file, l);
    endRowTo(file, valueRow(loads.subspan(3, 3), 19, 5));

    l.clear();
    l.slash().slash().X(5).text("* DISPLACEMENT OF GROUPED PILE ").text("FOUNDATION AT ORIGIN *");
    l.slash().slash().slash().X(10).text("  VERTICAL ,").A(u.length2.view(), 2).X(6);
    l.text("HORIZONTAL Y,").A(u.length2.view(), 2).X(5).text("HORIZONTAL Z,");
    l.A(u.length2.view(), 2);
    writeLine(file, l);
    endRowTo(file, valueRow(displacements.subspan(0, 3), 19, 5));

    l.clear();
    l.X(10).text("ANGLE ROT. X,").A(kUnitRadian, 3).X(4).text("ANGLE ROT. Y,");
    l.A(kUnitRadian, 3).X(4).text("ANGLE ROT. Z,").A(kUnitRadian, 3);
    writeLine(file, l);
    endRowTo(file, valueRow(displacements.subspan(3, 3), 19, 5));
}

void writeTableLData(std::FILE* data, const CapVector& load, const CapVector& displacement,
                     bool twoDimensional) {
    // The components written: all six, or the three of the plane.
    const std::array<int, kCapComponents> all{0, 1, 2, 3, 4, 5};
    const std::array<int, 3> plane{kForceX, kForceY, kMomentZ};
    const std::span<const int> components =
        twoDimensional ? std::span<const int>(plane) : std::span<const int>(all);
    ReportLine l;
    l.X(5).text("* TABLE L *   COMPUTATION ON PILE CAP");
    l.slash().text("* EQUIVALENT CONC. LOAD AT ORIGIN *");
    writeLine(data, l);
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1) {
            l.clear();
            l.text("* DISPLACEMENT OF PILE CAP AT ORIGIN *");
            writeLine(data, l);
        }
        const CapVector& values = pass == 0 ? load : displacement;
        ReportLine row;
        for (const int i : components) {
            writeRealField(row, 18, 8, values[static_cast<std::size_t>(i)]);
            writeBlanks(row, 5);
        }
        endLine(data, row);
    }
}

void writeTableL3D(ModelStore& store, const CapVector& load, const CapVector& displacement,
                   int iterations) {
    RunFiles& f = store.files;
    for (std::FILE* file : {f.report.get(), f.summary.get()}) {
        writeTableLBlock(file, store.units, load, displacement, false);
        if (file == f.report.get()) {
            ReportLine l;
            l.slash().slash().X(10).text("NUMBER OF GLOBAL ITERATIONS = ").I(iterations, 4);
            writeLine(file, l);
        }
    }
    ReportLine count;
    count.X(10).text("NUMBER OF GLOBAL ITERATIONS = ").I(iterations, 4).slash();
    writeRuntimeLine(store, count.str());
    writeTableLData(f.resultsData.get(), load, displacement, false);
}

void writeTableL2D(ModelStore& store, const CapVector2D& load, const CapVector2D& displacement,
                   int iterations) {
    // The three components in the places of the plane: force X, force Y and
    // moment Z.
    CapVector load6{}, displacement6{};
    for (const int i : {0, 1, 2}) {
        const int component = i == 2 ? kMomentZ : i;
        load6[component] = load[i];
        displacement6[component] = displacement[i];
    }
    RunFiles& f = store.files;
    for (std::FILE* file : {f.report.get(), f.summary.get()}) {
        // The case's table sets ROTATION five blanks after its neighbour.
        writeTableLBlock(file, store.units, load6, displacement6, true, 5);
        if (file == f.report.get()) {
            ReportLine l;
            l.slash().slash().X(10).text("NUMBER OF ITERATIONS = ").I(iterations, 3);
            writeLine(file, l);
        }
    }
    ReportLine count;
    count.X(10).text("NUMBER OF GLOBAL ITERATIONS = ").I(iterations, 4).slash();
    writeRuntimeLine(store, count.str());
    writeTableLData(f.resultsData.get(), load6, displacement6, true);
}

void writePartialLoadWarning(ModelStore& store, double loadFactor) {
    ReportLine l;
    l.slash().X(5).text("  Warning:");
    l.slash().X(5).text("  Pylora could not get a solution for 100% for the load");
    l.slash();
    l.slash().X(5).text("  Results are for ").F(f32(100.0F) * loadFactor, 8, 2);
    l.text("% of the total load").slash();
    writeTo({store.files.report.get(), store.files.summary.get()}, l);
    noteWarning(store, l.str());
}

void writeTableMHeading(ModelStore& store) {
    RunFiles& f = store.files;
    constexpr std::string_view kHeading = "* TABLE M *   COMPUTATION ON INDIVIDUAL PILE";
    if (store.analysis.control.printOption >= 1) {
        ReportLine l;
        l.slash().slash().slash().X(5).text(kHeading);
        writeTo({f.report.get(), f.summary.get()}, l);
    }
    ReportLine plain;
    plain.text(kHeading);
    writeLine(f.resultsData.get(), plain);
}

void writeStiffnessRecords(ModelStore& store, int run, int dof, std::span<const double> load,
                           std::span<const double> displacement,
                           std::span<const double> resultant) {
    std::FILE* second = store.files.scratch2.get();
    const std::size_t n = std::min({load.size(), displacement.size(), resultant.size()});
    if (n == 0) return;
    const std::size_t d = componentOf(dof, n);
    const Components reaction = negated(resultant.first(n));
    writeRecord(second, run, {displacement[d]}, reaction.view());
    const bool loaded = std::fabs(load[d]) >= f32(1.0E-14F);
    writeRecord(second, run, {}, perUnit(reaction, displacement[d], loaded).view());
}

void writeFlexibilityRecords(ModelStore& store, int run, int dof, std::span<const double> load,
                             std::span<const double> displacement,
                             std::span<const double> resultant) {
    const std::size_t n = std::min({load.size(), displacement.size(), resultant.size()});
    if (n == 0) return;
    const std::size_t d = componentOf(dof, n);
    const double reaction = 0.0 - resultant[d];
    writeRecord(store.files.scratch2.get(), run, {reaction}, displacement.first(n));
    const bool loaded = std::fabs(load[d]) >= f32(1.0E-14F);
    const Components column = perUnit(copyOf(displacement.first(n)), reaction, loaded);
    for (std::FILE* file : {store.files.scratch2.get(), store.files.scratch1.get()})
        writeRecord(file, run, {}, column.view());
}

void writeEstimationFailureRecords(ModelStore& store, int run, int dof, bool flexibility,
                                   int componentCount) {
    std::FILE* second = store.files.scratch2.get();
    Components zeros;
    zeros.count = componentOf(componentCount, kCapComponents) + 1;
    writeRecord(second, 0 - run, {0.0}, zeros.view());
    writeRecord(second, 0 - run, {}, zeros.view());
    if (!flexibility) return;
    Components unit = zeros;
    unit.v[componentOf(dof, unit.count)] = 1.0;
    writeRecord(store.files.scratch1.get(), run, {}, unit.view());
}

bool incrementFactorsUsable(ModelStore& store) {
    const CurrentAnalysis::ControlBlock& c = store.analysis.control;
    if (!(c.loadIncrementFactor > 0.0 && c.loadIncrementFactor <= 1.0)) {
        writeCapFatal(
            store,
            "FACTOR TO APPLY THE LOAD IN INCREMENTS =" + formatPG(c.loadIncrementFactor, 12, 5),
            "MUST LIE ABOVE 0.0 AND NOT ABOVE 1.0");
        return false;
    }
    if (!(c.minLoadIncrementFactor > 0.0) || !std::isfinite(c.minLoadIncrementFactor)) {
        writeCapFatal(
            store,
            "MINIMUM FACTOR FOR LOAD INCREMENTS =" + formatPG(c.minLoadIncrementFactor, 12, 5),
            "MUST BE ABOVE 0.0");
        return false;
    }
    return true;
}

double correctionWork(std::span<const double> residual, std::span<const double> correction) {
    double work = 0.0;
    for (std::size_t i = 0; i < std::min(residual.size(), correction.size()); ++i)
        work += std::fabs(residual[i] * correction[i]);
    return work;
}

bool capInBalance(const ModelStore& store, double work, double firstWork) {
    if (store.analysis.estimation.estimationMode == 1) return true;
    const double tolerance = std::max(store.analysis.control.capTolerance, kBalanceTolerance);
    return work <= tolerance * firstWork;
}

}  // namespace pylora
