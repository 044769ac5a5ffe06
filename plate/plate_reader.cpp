// SPDX-License-Identifier: Apache-2.0
#include "plate/plate_reader.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>
#include <string_view>

#include "format/format.h"
#include "store/return_codes.h"

namespace pylora {

namespace {

constexpr int kTitleWidth = 72;
constexpr int kListedWidth = 80;

// The model file read line by line; a record of free-format numbers starts
// on a new line and goes on over the following lines until it has its
// values, the rest of its last line being left unread.
struct ModelFile {
    std::FILE* file = nullptr;
    int lineNo = 0;
    std::string line;
};

bool nextLine(ModelFile& f) {
    f.line.clear();
    int c = 0;
    bool any = false;
    while ((c = std::fgetc(f.file)) != EOF) {
        any = true;
        if (c == '\n') break;
        f.line.push_back(static_cast<char>(c));
    }
    if (!f.line.empty() && f.line.back() == '\r') f.line.pop_back();
    if (any) ++f.lineNo;
    return any;
}

// The next count tokens of a record (separated by blanks, tabs or commas).
bool readTokens(ModelFile& f, std::size_t count, std::vector<std::string>& tokens) {
    tokens.clear();
    while (tokens.size() < count) {
        if (!nextLine(f)) return false;
        std::size_t pos = 0;
        while (tokens.size() < count) {
            pos = f.line.find_first_not_of(" \t,", pos);
            if (pos == std::string::npos) break;
            const std::size_t end = std::min(f.line.find_first_of(" \t,", pos), f.line.size());
            tokens.push_back(f.line.substr(pos, end - pos));
            pos = end;
        }
    }
    return true;
}

bool parseInteger(std::string_view t, int& v) {
    if (!t.empty() && t.front() == '+') t.remove_prefix(1);
    const auto r = std::from_chars(t.data(), t.data() + t.size(), v);
    return r.ec == std::errc{} && r.ptr == t.data() + t.size();
}

bool parseReal(const std::string& t, double& v) {
    if (t.empty()) return false;
    char* end = nullptr;
    errno = 0;
    v = std::strtod(t.c_str(), &end);
    return end == t.c_str() + t.size() && errno == 0 && std::isfinite(v);
}

// What goes wrong while reading, for the message that names it.
struct ReadFailure {
    bool failed = false;
    std::string what;
};

struct Reader {
    ModelFile file;
    const PlateOutput& out;
    ReadFailure failure;
    std::vector<std::string> tokens;

    void fail(const std::string& what) {
        if (failure.failed) return;
        failure.failed = true;
        failure.what = what;
    }

    // One record of integer and real values: pattern holds 'I' or 'R' per value.
    bool record(std::string_view pattern, std::vector<int>& ints, std::vector<double>& reals,
                const std::string& what) {
        ints.clear();
        reals.clear();
        if (failure.failed) return false;
        if (!readTokens(file, pattern.size(), tokens)) {
            fail("THE FILE ENDS BEFORE " + what);
            return false;
        }
        for (std::size_t i = 0; i < pattern.size(); ++i) {
            if (pattern[i] == 'I') {
                int v = 0;
                if (!parseInteger(tokens[i], v)) {
                    fail("'" + tokens[i] + "' IS NOT AN INTEGER (" + what + ")");
                    return false;
                }
                ints.push_back(v);
            } else {
                double v = 0.0;
                if (!parseReal(tokens[i], v)) {
                    fail("'" + tokens[i] + "' IS NOT A FINITE NUMBER (" + what + ")");
                    return false;
                }
                reals.push_back(v);
            }
        }
        return true;
    }
};

void toBoth(const PlateOutput& out, const ReportLine& l) {
    writeLine(out.listing, l);
    writeLine(out.summary, l);
}

void toConsole(const PlateOutput& out, const ReportLine& l) {
    if (!out.console) return;
    std::fprintf(stderr, "%s\n", std::string(l.str()).c_str());
    std::fflush(stderr);
}

// The rest of the model file after an error, each line as 80 characters,
// and the stop code of a rejected model.
int listRemainingRecords(ModelFile& f, const PlateOutput& out) {
    ReportLine heading;
    heading.slash().slash().text("NOW FOLLOWING A LISTING OF POST-DISASTER DATA CARDS").slash();
    writeLine(out.listing, heading);
    while (nextLine(f)) {
        std::string card = f.line.substr(0, kListedWidth);
        card.resize(kListedWidth, ' ');
        ReportLine l;
        l.X(5).A(card);
        writeLine(out.listing, l);
    }
    return kReturnPlateModelRejected;
}

int rejectUnreadable(Reader& r) {
    ReportLine l;
    l.slash().slash().text(" *** ERROR IN THE PLATE MODEL FILE AT LINE").I(r.file.lineNo, 6);
    l.slash().X(5).text(r.failure.what);
    toBoth(r.out, l);
    toConsole(r.out, l);
    return listRemainingRecords(r.file, r.out);
}

// name '=' I5 items, five to a line.
void echoValues(const PlateOutput& out, std::initializer_list<std::pair<const char*, int>> items) {
    ReportLine l;
    int k = 0;
    for (const auto& [name, value] : items) {
        if (k > 0 && k % 5 == 0) l.slash();
        l.X(k % 5 == 0 ? 1 : 4).text(name).text(" =").I(value, 5);
        ++k;
    }
    writeLine(out.listing, l);
}

void echoControl(const PlateOutput& out, const PlateControl& c) {
    const PlateElementControl& e = c.element;
    writeEmptyLine(out.listing);
    echoValues(out, {{"NPOIN", c.NPOIN},
                     {"NELEM", c.NELEM},
                     {"NVFIX", c.NVFIX},
                     {"NCASE", e.NCASE},
                     {"NTYPE", e.NTYPE},
                     {"NNODE", c.NNODE},
                     {"NDOFN", e.NDOFN},
                     {"NMATS", c.NMATS},
                     {"NPROP", e.NPROP},
                     {"NGAUS", c.NGAUS},
                     {"NDIME", e.NDIME},
                     {"NSTRE", e.NSTRE},
                     {"NEVAB", c.NEVAB}});
    echoValues(out, {{"NNLOD", c.NNLOD},
                     {"NNSTI", c.NNSTI},
                     {"NDLOD", c.NDLOD},
                     {"NDSTI", c.NDSTI},
                     {"NCLOD", c.NCLOD},
                     {"NCSTI", c.NCSTI},
                     {"NCTSTI", c.NCTSTI}});
}

void echoStepping(const PlateOutput& out, const PlateTimeStepping& t) {
    ReportLine l;
    l.slash().text("    DT =").F(t.DT, 10, 4).text("  TINI =").F(t.TINI, 10, 4);
    l.text(" TEND  =").F(t.TEND, 10, 4).text(" DTMIN =").F(t.DTMIN, 10, 4);
    l.slash().text(" MAXITER =").I(t.MAXITER, 5).text("   TOLERANCE =").E(t.tolerance, 13, 5);
    writeLine(out.listing, l);
}

void echoRecords(const PlateOutput& out, const char* heading,
                 const std::vector<PlateRecord>& records) {
    ReportLine h;
    h.slash().X(1).text(heading).slash();
    writeLine(out.listing, h);
    for (std::size_t i = 0; i < records.size(); ++i) {
        ReportLine l;
        l.I(static_cast<long long>(i) + 1, 8);
        for (const double v : records[i])
            l.E(v, 13, 5);
        writeLine(out.listing, l);
    }
}

// Control-pass diagnoses: to the step summary, the listing and the console.
void writeControlDiagnoses(const PlateOutput& out, const std::vector<int>& errors) {
    for (const int n : errors) {
        ReportLine l;
        l.slash().slash().text(" *** DIAGNOSIS BY CHECK1, ERROR").I(n, 3);
        toBoth(out, l);
        toConsole(out, l);
    }
}

void writeMeshDiagnoses(const PlateOutput& out, const PlateMeshDiagnosis& d) {
    for (const int node : d.unconnectedNodes) {
        ReportLine l;
        l.slash().text(" CHECK WHY NODE").I(node, 4).text(" NEVER APPEARS");
        writeLine(out.listing, l);
    }
    ReportLine front;
    front.slash().slash().text(" MAXIMUM FRONTWIDTH ENCOUNTERED =").I(d.maxFrontWidth, 5);
    writeLine(out.listing, front);
    for (int n = kFirstMeshError; n <= kPlateCheckErrors; ++n) {
        const int count = d.counters[static_cast<std::size_t>(n - 1)];
        if (count == 0) continue;
        ReportLine l;
        l.text(" *** DIAGNOSIS BY CHECK2, ERROR").I(n, 3).X(6).text(" ASSOCIATED NUMBER");
        l.I(count, 5);
        writeLine(out.listing, l);
    }
}

bool readTitle(Reader& r, PlateModel& model) {
    if (!nextLine(r.file)) {
        r.fail("THE FILE IS EMPTY: NO TITLE");
        return false;
    }
    model.title = r.file.line.substr(0, kTitleWidth);
    const std::size_t end = model.title.find_last_not_of(' ');
    model.title.erase(end == std::string::npos ? 0 : end + 1);
    if (!model.title.empty() && model.title.front() == ' ') model.title.erase(0, 1);
    ReportLine l;
    l.X(1).A(model.title);
    writeLine(r.out.listing, l);
    return true;
}

bool readControl(Reader& r, PlateControl& c) {
    std::vector<int> v;
    std::vector<double> unused;
    if (!r.record(std::string(16, 'I'), v, unused, "THE CONTROL RECORD")) return false;
    int* const fields[] = {&c.NPOIN,       &c.NELEM,       &c.NMATS,  &c.NNODE,
                           &c.NGAUS,       &c.NVFIX,       &c.NNLOD,  &c.NNSTI,
                           &c.NDLOD,       &c.NDSTI,       &c.NCLOD,  &c.NCSTI,
                           &c.reserved[0], &c.reserved[1], &c.NCTSTI, &c.lastValue};
    for (std::size_t i = 0; i < 16; ++i)
        *fields[i] = v[i];
    c.NEVAB = c.NNODE * std::clamp(c.element.NDOFN, 0, 6);
    return true;
}

// Counts that the tables of a plate run cannot take, and kinds of record
// that the plate solver does not read.
bool controlUsable(Reader& r, const PlateControl& c) {
    if (c.NPOIN > kMaxPlateNodes || c.NELEM > kMaxPlateElements || c.NELEM < 0 || c.NCLOD < 0 ||
        c.NCLOD > kMaxPlateRecords || c.NCTSTI < 0 || c.NCTSTI > kMaxPlateRecords) {
        r.fail("NPOIN, NELEM, NCLOD OR NCTSTI IS NEGATIVE OR BEYOND THE CAPACITY OF A PLATE RUN");
        return false;
    }
    if (c.NNLOD != 0 || c.NNSTI != 0 || c.NDLOD != 0 || c.NDSTI != 0 || c.NCSTI != 0) {
        r.fail(
            "NNLOD, NNSTI, NDLOD, NDSTI AND NCSTI MUST BE 0: THE PLATE SOLVER TAKES "
            "CONCENTRATED LOADS AND PILE SPRINGS ONLY");
        return false;
    }
    return true;
}

bool readElements(Reader& r, PlateModel& model) {
    const PlateControl& c = model.control;
    model.elements.assign(static_cast<std::size_t>(c.NELEM), PlateElement{});
    const std::string pattern(static_cast<std::size_t>(3 + c.NNODE), 'I');
    std::vector<int> v;
    std::vector<double> unused;
    ReportLine h;
    h.slash().text(" ELEMENT   PROPERTY      NODE NUMBERS").slash();
    writeLine(r.out.listing, h);
    for (int k = 1; k <= c.NELEM; ++k) {
        if (!r.record(pattern, v, unused, "ELEMENT RECORD " + std::to_string(k))) return false;
        if (v[0] < 1 || v[0] > c.NELEM) {
            r.fail("ELEMENT NUMBER " + std::to_string(v[0]) + " IS OUTSIDE 1 TO NELEM");
            return false;
        }
        PlateElement& e = model.elements[static_cast<std::size_t>(v[0] - 1)];
        e.number = v[0];
        e.numberAgain = v[1];
        e.property = v[2];
        e.nodes.assign(v.begin() + 3, v.end());
        ReportLine l;
        l.I(e.number, 8).I(e.property, 10).X(3);
        for (const int n : e.nodes)
            l.I(n, 6);
        writeLine(r.out.listing, l);
    }
    return true;
}

bool readNodes(Reader& r, PlateModel& model) {
    const PlateControl& c = model.control;
    const int dims = c.element.NDIME;
    model.nodes.assign(static_cast<std::size_t>(c.NPOIN), std::array<double, 3>{});
    const std::string pattern = "II" + std::string(static_cast<std::size_t>(dims), 'R');
    std::vector<int> v;
    std::vector<double> x;
    ReportLine h;
    h.slash().X(1).text("NODAL POINT COORDINATES").slash();
    writeLine(r.out.listing, h);
    for (int k = 1; k <= c.NPOIN; ++k) {
        if (!r.record(pattern, v, x, "NODE RECORD " + std::to_string(k))) return false;
        if (v[0] < 1 || v[0] > c.NPOIN) {
            r.fail("NODE NUMBER " + std::to_string(v[0]) + " IS OUTSIDE 1 TO NPOIN");
            return false;
        }
        std::array<double, 3>& node = model.nodes[static_cast<std::size_t>(v[0] - 1)];
        std::copy(x.begin(), x.end(), node.begin());
        ReportLine l;
        l.I(v[0], 8);
        for (const double value : x)
            l.F(value, 12, 4);
        writeLine(r.out.listing, l);
    }
    return true;
}

bool readRestraints(Reader& r, PlateModel& model) {
    const PlateControl& c = model.control;
    const std::string pattern(static_cast<std::size_t>(1 + c.element.NDOFN), 'I');
    std::vector<int> v;
    std::vector<double> unused;
    ReportLine h;
    h.slash().X(1).text("RESTRAINED NODES").slash();
    writeLine(r.out.listing, h);
    model.restraints.clear();
    for (int k = 1; k <= c.NVFIX; ++k) {
        if (!r.record(pattern, v, unused, "RESTRAINED NODE RECORD " + std::to_string(k)))
            return false;
        PlateRestraint restraint;
        restraint.node = v[0];
        restraint.codes.assign(v.begin() + 1, v.end());
        ReportLine l;
        l.I(restraint.node, 8);
        for (const int code : restraint.codes)
            l.I(code, 6);
        writeLine(r.out.listing, l);
        model.restraints.push_back(std::move(restraint));
    }
    return true;
}

bool readMaterials(Reader& r, PlateModel& model) {
    const PlateControl& c = model.control;
    const std::string pattern = "I" + std::string(static_cast<std::size_t>(c.element.NPROP), 'R');
    std::vector<int> v;
    std::vector<double> p;
    model.materials.assign(static_cast<std::size_t>(c.NMATS), PlateMaterial{});
    ReportLine h;
    h.slash().X(1).text("MATERIAL PROPERTIES").slash();
    writeLine(r.out.listing, h);
    for (int k = 1; k <= c.NMATS; ++k) {
        if (!r.record(pattern, v, p, "MATERIAL RECORD " + std::to_string(k))) return false;
        if (v[0] < 1 || v[0] > c.NMATS) {
            r.fail("MATERIAL NUMBER " + std::to_string(v[0]) + " IS OUTSIDE 1 TO NMATS");
            return false;
        }
        PlateMaterial& m = model.materials[static_cast<std::size_t>(v[0] - 1)];
        m = {v[0], p[0], p[1], p[2]};
        ReportLine l;
        l.I(m.number, 8);
        for (const double value : p)
            l.E(value, 13, 5);
        writeLine(r.out.listing, l);
    }
    return true;
}

bool readRecords(Reader& r, int count, const char* what, std::vector<PlateRecord>& records) {
    const std::string pattern(kPlateRecordValues, 'R');
    std::vector<int> unused;
    std::vector<double> v;
    records.clear();
    for (int k = 1; k <= count; ++k) {
        if (!r.record(pattern, unused, v, std::string(what) + " " + std::to_string(k)))
            return false;
        PlateRecord rec{};
        std::copy(v.begin(), v.end(), rec.begin());
        records.push_back(rec);
    }
    return true;
}

}  // namespace

int readPlateModel(std::FILE* file, const PlateOutput& out, const PlateElementControl& element,
                   PlateModel& model, PlateMeshDiagnosis& diagnosis) {
    model = PlateModel{};
    diagnosis = PlateMeshDiagnosis{};
    model.control.element = element;
    Reader r{ModelFile{file, 0, {}}, out, {}, {}};

    if (!readTitle(r, model) || !readControl(r, model.control)) return rejectUnreadable(r);
    echoControl(out, model.control);
    const std::vector<int> errors = checkPlateControl(model.control);
    if (!errors.empty()) {
        writeControlDiagnoses(out, errors);
        return listRemainingRecords(r.file, out);
    }
    if (!controlUsable(r, model.control)) return rejectUnreadable(r);

    std::vector<int> steps;
    std::vector<double> values;
    if (!r.record("RRRRIR", steps, values, "THE TIME-STEPPING RECORD")) return rejectUnreadable(r);
    model.stepping = {values[0], values[1], values[2], values[3], steps[0], values[4]};
    echoStepping(out, model.stepping);

    if (!readElements(r, model) || !readNodes(r, model) || !readRestraints(r, model) ||
        !readMaterials(r, model))
        return rejectUnreadable(r);
    if (!readRecords(r, model.control.NCLOD, "CONCENTRATED LOAD RECORD", model.loads))
        return rejectUnreadable(r);
    echoRecords(out, "CONCENTRATED LOADS", model.loads);
    if (!readRecords(r, model.control.NCTSTI, "PILE SPRING RECORD", model.springs))
        return rejectUnreadable(r);
    echoRecords(out, "PILE SPRINGS", model.springs);

    diagnosis = checkPlateMesh(model);
    writeMeshDiagnoses(out, diagnosis);
    if (diagnosis.anyError()) return listRemainingRecords(r.file, out);
    return 0;
}

}  // namespace pylora
