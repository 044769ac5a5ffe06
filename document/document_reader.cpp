// SPDX-License-Identifier: Apache-2.0
// Reading a model document into the store's input groups.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "document/document_fields.h"
#include "document/model_document.h"

namespace pylora {

namespace {

// Edit distance of two keys, for "did you mean".
std::size_t editDistance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t up = row[j];
            const bool same = std::tolower(static_cast<unsigned char>(a[i - 1])) ==
                              std::tolower(static_cast<unsigned char>(b[j - 1]));
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same ? 0 : 1)});
            diagonal = up;
        }
    }
    return row[b.size()];
}

// The nearest of candidates to word, when near enough to be a slip.
std::optional<std::string> nearest(std::string_view word, std::span<const std::string> candidates) {
    std::optional<std::string> best;
    std::size_t bestDistance = std::max<std::size_t>(2, word.size() / 3) + 1;
    for (const std::string& c : candidates) {
        const std::size_t d = editDistance(word, c);
        if (d < bestDistance) {
            bestDistance = d;
            best = c;
        }
    }
    return best;
}

std::string typeName(const DocJson& v) {
    if (v.is_null()) return "null";
    if (v.is_boolean()) return "a boolean";
    if (v.is_number()) return "a number";
    if (v.is_string()) return "a text";
    if (v.is_array()) return "a list";
    return "a mapping";
}

std::string shown(const DocJson& v) {
    const std::string s = v.is_string() ? "\"" + v.get<std::string>() + "\""
                                        : v.dump(-1, ' ', false, DocJson::error_handler_t::replace);
    return printableText(s, 40);
}

// ---------------------------------------------------------------------------
// The reading context: the document, the diagnostics, and views of mappings
// that remember which keys were asked for, so that every other key is an
// unknown one.

struct Context {
    const SourceDocument& doc;
    std::vector<Diagnostic>& diagnostics;
    int errors = 0;
    std::size_t dropped = 0;  // diagnostics beyond kMaxDiagnostics, counted only

    void report(Severity severity, const std::string& pointer, const std::string& message,
                bool atKey = false) {
        if (severity == Severity::error) errors += 1;
        if (full()) {
            dropped += 1;
            return;
        }
        Diagnostic d;
        d.severity = severity;
        d.pointer = pointer;
        TextPosition at = doc.positionOf(pointer);
        if (atKey) {
            const auto it = doc.keyAt.find(pointer);
            if (it != doc.keyAt.end()) at = it->second;
        }
        d.line = at.line;
        d.column = at.column;
        d.message = message;
        diagnostics.push_back(std::move(d));
    }
    bool full() const { return diagnostics.size() >= kMaxDiagnostics; }
    void error(const std::string& pointer, const std::string& message) {
        report(Severity::error, pointer, message);
    }
};

class Map;

// A list of the document: its entries, bounded by the table it fills.
struct List {
    const DocJson* node = nullptr;  // null: absent
    std::string pointer;
    std::size_t size() const { return node ? node->size() : 0; }
    std::string at(std::size_t i) const { return childPointer(pointer, i); }
};

class Map {
  public:
    Map(Context& cx, const DocJson* node, std::string pointer, std::string what)
        : cx_(cx), node_(node), pointer_(std::move(pointer)), what_(std::move(what)) {}

    ~Map() { finish(); }
    Map(const Map&) = delete;
    Map& operator=(const Map&) = delete;

    bool present() const { return node_ != nullptr; }
    const std::string& pointer() const { return pointer_; }
    std::string at(std::string_view key) const { return childPointer(pointer_, key); }

    // The value of key, or null when absent (a null value counts as absent).
    const DocJson* find(std::string_view key) {
        known_.emplace_back(key);
        if (!node_) return nullptr;
        const auto it = node_->find(std::string(key));
        if (it == node_->end() || it->is_null()) return nullptr;
        return &*it;
    }

    bool has(std::string_view key) { return find(key) != nullptr; }

    void missing(std::string_view key, const std::string& what) {
        cx_.error(pointer_, what_ + " has no \"" + std::string(key) + "\": " + what);
    }

    double real(std::string_view key, double fallback, bool required = false) {
        const DocJson* v = find(key);
        if (!v) {
            if (required) missing(key, "a number is required");
            return fallback;
        }
        if (!v->is_number()) {
            cx_.error(at(key), "\"" + std::string(key) + "\" must be a number, not " +
                                   typeName(*v) + " " + shown(*v));
            return fallback;
        }
        const double d = v->get<double>();
        if (!std::isfinite(d)) {
            cx_.error(at(key), "\"" + std::string(key) + "\" is not a finite number");
            return fallback;
        }
        return d;
    }

    int integer(std::string_view key, int fallback, bool required = false) {
        const DocJson* v = find(key);
        if (!v) {
            if (required) missing(key, "a whole number is required");
            return fallback;
        }
        return integerValue(*v, at(key), key, fallback);
    }

    int integerValue(const DocJson& v, const std::string& pointer, std::string_view key,
                     int fallback) {
        const std::string name = "\"" + std::string(key) + "\"";
        if (!v.is_number()) {
            cx_.error(pointer,
                      name + " must be a whole number, not " + typeName(v) + " " + shown(v));
            return fallback;
        }
        const double d = v.get<double>();
        if (std::trunc(d) != d) {
            cx_.error(pointer, name + " must be a whole number, not " + shown(v));
            return fallback;
        }
        if (d < std::numeric_limits<int>::min() || d > std::numeric_limits<int>::max()) {
            cx_.error(pointer, name + " " + shown(v) + " is out of range");
            return fallback;
        }
        return v.is_number_integer() ? static_cast<int>(v.get<std::int64_t>())
                                     : static_cast<int>(d);
    }

    // A named choice, or (for a code that has no name) its integer code.
    template <std::size_t N>
    int choice(std::string_view key, const std::array<Choice, N>& choices, int fallback,
               bool required = false) {
        const DocJson* v = find(key);
        if (!v) {
            if (required) missing(key, "one of " + choiceList(choices) + " is required");
            return fallback;
        }
        return choiceValue(*v, at(key), key, choices, fallback);
    }

    template <std::size_t N>
    int choiceValue(const DocJson& v, const std::string& pointer, std::string_view key,
                    const std::array<Choice, N>& choices, int fallback) {
        if (v.is_number()) return integerValue(v, pointer, key, fallback);
        if (!v.is_string()) {
            cx_.error(pointer, "\"" + std::string(key) + "\" must be one of " +
                                   choiceList(choices) + ", not " + typeName(v) + " " + shown(v));
            return fallback;
        }
        const std::string s = v.get<std::string>();
        for (const Choice& c : choices)
            if (c.name == s) return c.code;
        std::vector<std::string> names;
        for (const Choice& c : choices)
            names.emplace_back(c.name);
        std::string message = "\"" + s + "\" is not a choice of \"" + std::string(key) + "\"";
        if (const auto near = nearest(s, names)) message += "; did you mean \"" + *near + "\"?";
        message += " (allowed: " + choiceList(choices) + ")";
        cx_.error(pointer, message);
        return fallback;
    }

    // A switch: true (1), false (0), or an integer code.
    int flag(std::string_view key, int fallback) {
        const DocJson* v = find(key);
        if (!v) return fallback;
        if (v->is_boolean()) return v->get<bool>() ? 1 : 0;
        if (v->is_number()) return integerValue(*v, at(key), key, fallback);
        cx_.error(at(key), "\"" + std::string(key) + "\" must be true or false, not " +
                               typeName(*v) + " " + shown(*v));
        return fallback;
    }

    // A text of at most width characters on one line.
    std::string text(std::string_view key, std::size_t width, bool required = false) {
        const DocJson* v = find(key);
        if (!v) {
            if (required) missing(key, "a text is required");
            return {};
        }
        if (!v->is_string()) {
            cx_.error(at(key), "\"" + std::string(key) + "\" must be a text, not " + typeName(*v) +
                                   " " + shown(*v));
            return {};
        }
        const std::string s = v->get<std::string>();
        if (s.size() > width) {
            cx_.error(at(key), "\"" + std::string(key) + "\" is " + std::to_string(s.size()) +
                                   " bytes long; at most " + std::to_string(width) + " are kept");
            return {};
        }
        if (!isUtf8(s)) {
            cx_.error(at(key), "\"" + std::string(key) + "\" is not valid UTF-8 text");
            return {};
        }
        for (const char c : s) {
            const auto u = static_cast<unsigned char>(c);
            if (u < 32 || u == 127) {
                cx_.error(at(key), "\"" + std::string(key) +
                                       "\" holds a line end or another control character; it "
                                       "must stay on one line");
                return {};
            }
        }
        return s;
    }

    // A nested mapping (absent: a view of nothing, whose fields take their
    // defaults).
    const DocJson* object(std::string_view key) {
        const DocJson* v = find(key);
        if (!v) return nullptr;
        if (!v->is_object()) {
            cx_.error(at(key),
                      "\"" + std::string(key) + "\" must be a mapping, not " + typeName(*v));
            return nullptr;
        }
        return v;
    }

    // A list, refused beyond capacity entries (the table's size).
    List list(std::string_view key, int capacity, const char* entries) {
        List l;
        l.pointer = at(key);
        const DocJson* v = find(key);
        if (!v) return l;
        if (!v->is_array()) {
            cx_.error(at(key), "\"" + std::string(key) + "\" must be a list, not " + typeName(*v));
            return l;
        }
        if (v->size() > static_cast<std::size_t>(capacity)) {
            cx_.error(at(key), std::to_string(v->size()) + " " + entries +
                                   " are above the capacity of " + std::to_string(capacity));
            return l;
        }
        l.node = v;
        return l;
    }

    // Keys of the mapping that were never asked for.
    void finish() {
        if (!node_ || finished_) return;
        finished_ = true;
        for (const auto& [key, value] : node_->items()) {
            if (std::find(known_.begin(), known_.end(), key) != known_.end()) continue;
            std::string message = "unknown key \"" + key + "\" in " + what_;
            if (!cx_.full())
                if (const auto near = nearest(key, known_))
                    message += "; did you mean \"" + *near + "\"?";
            cx_.report(Severity::error, childPointer(pointer_, key), message, true);
        }
    }

    // Forget a key's entry in the known list (a field that does not apply
    // here is reported as not used rather than unknown).
    void notUsed(std::string_view key, const std::string& why) {
        if (node_ && node_->contains(std::string(key)) && !(*node_)[std::string(key)].is_null())
            cx_.report(Severity::warning, at(key),
                       "\"" + std::string(key) + "\" is not used: " + why);
        known_.emplace_back(key);
    }

    template <std::size_t N>
    static std::string choiceList(const std::array<Choice, N>& choices) {
        std::string s;
        for (std::size_t i = 0; i < N; ++i) {
            if (i > 0) s += i + 1 == N ? " or " : ", ";
            s += choices[i].name;
        }
        return s;
    }

  private:
    Context& cx_;
    const DocJson* node_;
    std::string pointer_;
    std::string what_;
    std::vector<std::string> known_;
    bool finished_ = false;
};

// A mapping at entry i of a list; an entry that is not a mapping is an error.
const DocJson* entryObject(Context& cx, const List& l, std::size_t i, const char* what) {
    const DocJson& v = (*l.node)[i];
    if (!v.is_object()) {
        cx.error(l.at(i), std::string(what) + " must be a mapping, not " + typeName(v));
        return nullptr;
    }
    return &v;
}

// A list of numbers (F9 depths, C2k levels).
std::vector<double> numbers(Context& cx, Map& m, std::string_view key, int capacity,
                            const char* entries) {
    std::vector<double> out;
    const List l = m.list(key, capacity, entries);
    for (std::size_t i = 0; i < l.size(); ++i) {
        const DocJson& v = (*l.node)[i];
        if (!v.is_number() || !std::isfinite(v.get<double>())) {
            cx.error(l.at(i), "must be a number, not " + typeName(v) + " " + shown(v));
            out.push_back(0.0);
        } else {
            out.push_back(v.get<double>());
        }
    }
    return out;
}

// A list of points [a, b] (curves).
template <typename Point>
int points(Context& cx, Map& m, std::string_view key, std::span<Point> out, double Point::*first,
           double Point::*second, const char* what) {
    const List l = m.list(key, static_cast<int>(out.size()), "points");
    for (std::size_t i = 0; i < l.size(); ++i) {
        const DocJson& v = (*l.node)[i];
        if (!v.is_array() || v.size() != 2 || !v[0].is_number() || !v[1].is_number() ||
            !std::isfinite(v[0].get<double>()) || !std::isfinite(v[1].get<double>())) {
            cx.error(l.at(i), std::string("a point must be a pair of numbers [") + what +
                                  "], not " + shown(v));
            continue;
        }
        out[i].*first = v[0].get<double>();
        out[i].*second = v[1].get<double>();
    }
    return static_cast<int>(l.size());
}

// A reference by name or by number into a table of names. Returns the
// 1-based number, or 0 after reporting.
int reference(Context& cx, Map& m, std::string_view key, std::span<const std::string> names,
              const char* table, bool required) {
    const DocJson* v = m.find(key);
    if (!v) {
        if (required)
            m.missing(key, std::string("the name or number of a ") + table + " is required");
        return 0;
    }
    if (v->is_number()) return m.integerValue(*v, m.at(key), key, 0);
    if (!v->is_string()) {
        cx.error(m.at(key), "\"" + std::string(key) + "\" must name a " + table +
                                " (its name or number), not " + typeName(*v));
        return 0;
    }
    // Names are kept without their trailing blanks, and compared so.
    std::string name = v->get<std::string>();
    name.erase(name.find_last_not_of(' ') + 1);
    int found = 0;
    int count = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] == name) {
            if (found == 0) found = static_cast<int>(i) + 1;
            count += 1;
        }
    }
    if (count == 1) return found;
    if (count > 1) {
        cx.error(m.at(key), "\"" + name + "\" names " + std::to_string(count) + " " + table +
                                "s; give the number instead");
        return 0;
    }
    std::string message = "\"" + name + "\" names no " + table;
    if (const auto near = nearest(name, names)) message += "; did you mean \"" + *near + "\"?";
    cx.error(m.at(key), message);
    return 0;
}

// ---------------------------------------------------------------------------
// The sections of the model.

struct CaseControl {
    int loading = 1;
    int cycles = 0;
    int capIterations = 100;
    int pileIterations = 100;
    double reactionTolerance = 1.0e-3;
    double deflectionTolerance = 1.0e-5;
    double incrementFactor = 0.2;
    double minimumIncrement = 0.01;
};

template <typename Entry>
void readCaseControl(Context& cx, Map& m, Entry& e) {
    const CaseControl d;
    e.integer(kCaseLoadingKind) = m.choice("loading", kLoadingChoices, d.loading);
    e.integer(kCaseLoadCycles) = m.integer("cycles", d.cycles);
    {
        Map it(cx, m.object("iterations"), m.at("iterations"), "the iteration limits");
        e.integer(kCaseCapIterations) = it.integer("cap", d.capIterations);
        e.integer(kCasePileIterations) = it.integer("pile", d.pileIterations);
    }
    {
        Map t(cx, m.object("tolerances"), m.at("tolerances"), "the tolerances");
        e.real(kRealCapTolerance) = t.real("reaction", d.reactionTolerance);
        e.real(kRealDeflectionTolerance) = t.real("deflection", d.deflectionTolerance);
    }
    {
        Map inc(cx, m.object("increments"), m.at("increments"), "the load increments");
        e.real(kRealIncrementFactor) = inc.real("factor", d.incrementFactor);
        e.real(kRealMinimumIncrement) = inc.real("minimum", d.minimumIncrement);
    }
    e.integer(kCasePrintOption) = m.choice("print", kPrintChoices, 2);
    e.integer(kCaseNodeStep) = m.integer("nodeStep", 1);
}

void readLoadCase(Context& cx, Map& m, LoadCase& lc, int analysisType) {
    lc.name.assign(m.text("name", kNameLength));
    lc.integer(kCaseLoadType) = m.choice("type", kLoadTypeChoices, 0);
    readCaseControl(cx, m, lc);
    lc.scaleFactor = m.real("scaleFactor", 1.0);
    lc.integer(kCaseAxialAtHeadOption) = m.flag("axialLoadAtPileHead", 0);

    const List loads = m.list("loads", kMaxConcentratedLoads, "loads");
    lc.integer(kCaseConcentratedCount) = static_cast<int>(loads.size());
    for (std::size_t i = 0; i < loads.size(); ++i) {
        Map l(cx, entryObject(cx, loads, i, "a load"), loads.at(i), "a load");
        ConcentratedLoad& c = lc.concentratedLoads[i];
        for (std::size_t k = 0; k < kLoadComponentNames.size(); ++k) {
            const std::string_view name = kLoadComponentNames[k];
            const double value = l.real(name, 0.0);
            c.value(static_cast<int>(k) + 1) = value;
            const bool plane = name == "Fx" || name == "Fy" || name == "Mz";
            if (analysisType == 2 && !plane && value != 0.0)
                cx.report(
                    Severity::warning, l.at(name),
                    "\"" + std::string(name) +
                        "\" is not used: a two-dimensional analysis takes Fx, Fy and Mz only");
        }
        Map at(cx, l.object("at"), l.at("at"), "the point of application");
        c.value(7) = at.real("x", 0.0);
        c.value(8) = at.real("y", 0.0);
        c.value(9) = at.real("z", 0.0);
        if (analysisType == 2 && c.value(9) != 0.0)
            cx.report(Severity::warning, at.at("z"),
                      "\"z\" is not used: a two-dimensional analysis has no Z");
    }

    const List dist = m.list("distributedLoads", kMaxDistributedLoads, "distributed loads");
    lc.integer(kCaseDistributedCount) = static_cast<int>(dist.size());
    for (std::size_t i = 0; i < dist.size(); ++i) {
        Map d(cx, entryObject(cx, dist, i, "a distributed load"), dist.at(i), "a distributed load");
        DistributedLoad& x = lc.distributedLoads[i];
        x.integer(1) = d.integer("number", static_cast<int>(i) + 1);
        x.integer(2) = d.choice("axis", kAxisChoices, 0);
        {
            Map p(cx, d.object("piles"), d.at("piles"), "the pile groups loaded");
            if (!p.present()) d.missing("piles", "the pile groups loaded ({first, last, step})");
            x.integer(3) = p.integer("first", 0, p.present());
            x.integer(4) = p.integer("last", 0);
            x.integer(5) = p.integer("step", 0);
        }
        {
            Map y(cx, d.object("y"), d.at("y"), "the load along Y");
            x.integer(6) = y.integer("set", 0);
            x.factorY = y.real("factor", 1.0);
        }
        Map z(cx, d.object("z"), d.at("z"), "the load along Z");
        x.integer(7) = z.integer("set", 0);
        x.factorZ = z.real("factor", 1.0);
        if (analysisType == 2 && x.integer(7) != 0)
            cx.report(Severity::warning, z.at("set"),
                      "\"set\" is not used: a two-dimensional analysis has no Z");
    }

    Map s(cx, m.object("foundationStiffness"), m.at("foundationStiffness"),
          "the foundation stiffness");
    if (s.present()) {
        lc.integer(kCaseStiffnessOption) = s.flag("compute", 1);
        lc.integer(kCaseInvertOption) = s.flag("invert", 0);
        lc.integer(kCaseDiagonalOption) = s.flag("diagonalOnly", 0);
        const std::vector<double> levels =
            numbers(cx, s, "levels", kMaxStiffnessLevels, "stiffness load levels");
        lc.integer(kCaseStiffnessCount) = static_cast<int>(levels.size());
        std::copy(levels.begin(), levels.end(), lc.stiffnessLevels.begin());
    }
}

void readCombination(Context& cx, Map& m, LoadCombination& lc,
                     const std::vector<std::string>& caseNames) {
    lc.name.assign(m.text("name", kNameLength));
    readCaseControl(cx, m, lc);
    {
        Map rf(cx, m.object("resistanceFactors"), m.at("resistanceFactors"),
               "the resistance factors");
        lc.bendingRf = rf.real("bending", 1.0);
        lc.shearRf = rf.real("shear", 1.0);
    }
    const List cases = m.list("cases", kMaxCasesPerCombination, "load cases combined");
    if (!cases.node && !m.has("cases")) m.missing("cases", "the load cases combined");
    lc.combinedCaseCount = static_cast<int>(cases.size());
    lc.integer(kCombinationIgnoredCount) = lc.combinedCaseCount;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        Map c(cx, entryObject(cx, cases, i, "a combined load case"), cases.at(i),
              "a combined load case");
        lc.cases[i].loadCaseNo = reference(cx, c, "case", caseNames, "load case", true);
        lc.cases[i].factor = c.real("factor", 0.0, true);
    }
}

// A generated or user load-settlement (or torque-rotation) curve of a pile
// group: {pileProperty: n} is the curve generated for property n, {userCurve:
// n} user curve n. Absent: the curve generated for the group's own property.
int curveNumber(Context& cx, Map& g, std::string_view key, int ownProperty) {
    Map c(cx, g.object(key), g.at(key), "a curve choice");
    if (!c.present()) return ownProperty;
    const bool generated = c.has("pileProperty");
    const bool user = c.has("userCurve");
    if (generated == user) {
        cx.error(g.at(key), "\"" + std::string(key) +
                                "\" must give either \"pileProperty\" (the curve generated for "
                                "that pile property) or \"userCurve\"");
        return ownProperty;
    }
    const char* which = generated ? "pileProperty" : "userCurve";
    const int n = c.integer(which, 1);
    if (n < 1) {
        cx.error(c.at(which),
                 "\"" + std::string(which) + "\" must be 1 or more, not " + std::to_string(n));
        return ownProperty;
    }
    return generated ? n : -n;
}

void readConnection(Context& cx, Map& g, PileGroup& p, bool threeD) {
    const DocJson* v = g.find("connection");
    if (!v) {
        g.missing("connection", "pinned, fixed or restrained");
        return;
    }
    if (v->is_object() && threeD) {
        Map c(cx, v, g.at("connection"), "the connections");
        p.connectionY = c.choice("aboutY", kConnectionChoices, 2, true);
        p.connectionZ = c.choice("aboutZ", kConnectionChoices, 2, true);
        return;
    }
    p.connectionY = g.choiceValue(*v, g.at("connection"), "connection", kConnectionChoices, 2);
    if (threeD) p.connectionZ = p.connectionY;
}

void readPileGroup(Context& cx, Map& g, PileGroup& p, GroupFactors& f, std::size_t i,
                   int analysisType) {
    const bool threeD = analysisType == 3;
    readConnection(cx, g, p, threeD);
    p.pilePropertyNo = g.integer("pileProperty", 1);
    p.pySetNo = g.integer("userPySet", 0);
    p.lsCurveNo = curveNumber(cx, g, "loadSettlementCurve", p.pilePropertyNo);
    p.axialForceFactor = g.real("axialForceFactor", 1.0);
    p.ground = g.real("ground", 0.0);
    Map head(cx, g.object("head"), g.at("head"), "the pile head");
    p.headX = head.real("x", 0.0);
    p.headY = head.real("y", 0.0);
    if (threeD) {
        p.trCurveNo = curveNumber(cx, g, "torqueRotationCurve", p.pilePropertyNo);
        p.headZ = head.real("z", 0.0);
        {
            Map s(cx, g.object("springs"), g.at("springs"), "the head springs");
            p.springY = s.real("aboutY", 0.0);
            p.springZ = s.real("aboutZ", 0.0);
        }
        {
            Map b(cx, g.object("batter"), g.at("batter"), "the batter");
            p.alpha = b.real("alpha", 0.0);
            p.beta = b.real("beta", 90.0);
        }
        {
            Map pm(cx, g.object("pMultiplier"), g.at("pMultiplier"), "the p-multipliers");
            f.pMultiplierY[i] = pm.real("y", 1.0);
            f.pMultiplierZ[i] = pm.real("z", 1.0);
        }
        {
            Map ym(cx, g.object("yMultiplier"), g.at("yMultiplier"), "the y-multipliers");
            f.yMultiplierY[i] = ym.real("y", 1.0);
            f.yMultiplierZ[i] = ym.real("z", 1.0);
        }
        f.pMultiplier[i] = f.pMultiplierY[i];
        f.yMultiplier[i] = f.yMultiplierY[i];
        const char* why = "it belongs to a two-dimensional analysis";
        for (const char* key : {"spring", "piles", "rowSpacing"})
            g.notUsed(key, why);
    } else {
        p.springY = g.real("spring", 0.0);
        p.pilesInGroup = g.integer("piles", 1);
        p.rowSpacing = g.real("rowSpacing", 0.0);
        p.batterAngle = g.real("batter", 0.0);
        f.pMultiplier[i] = g.real("pMultiplier", 1.0);
        f.yMultiplier[i] = g.real("yMultiplier", 1.0);
        head.notUsed("z", "a two-dimensional analysis has no Z");
        const char* why = "it belongs to a three-dimensional analysis";
        for (const char* key : {"springs", "torqueRotationCurve"})
            g.notUsed(key, why);
    }
}

void readCrossSection(Context& cx, Map& m, CrossSection& x, int no) {
    x.number = no;
    x.name.assign(m.text("name", kNameLength));
    x.typeCode = m.choice("shape", kShapeChoices, 0);
    for (std::size_t k = 0; k < kDimensionNames.size(); ++k)
        x.dimension(static_cast<int>(k) + 1) = m.real(kDimensionNames[k], 0.0);
    x.property(kPropShearModulus) = m.real("shearModulus", 0.0);
    x.property(kPropArea) = m.real("area", 0.0);
    {
        Map in(cx, m.object("inertia"), m.at("inertia"), "the moments of inertia");
        x.property(kPropIz) = in.real("z", 0.0);
        x.property(kPropIy) = in.real("y", 0.0);
    }
    x.property(kPropGJ) = m.real("torsionalStiffness", 0.0);
    Map cap(cx, m.object("capacity"), m.at("capacity"), "the nominal capacities");
    x.property(kPropMn) = cap.real("moment", 0.0);
    x.property(kPropVn) = cap.real("shear", 0.0);
}

void readPileProperty(Context& cx, Map& m, PileProperty& p, int no,
                      const std::vector<std::string>& sectionNames) {
    p.propertyNo = no;
    p.length = m.real("length", 0.0, true);
    p.increments = m.integer("increments", 0, true);
    p.elasticModulus = m.real("youngsModulus", 0.0, true);
    p.pileType = m.choice("type", kPileTypeChoices, 1);
    const List sections = m.list("sections", kMaxPileSections, "sections");
    p.sectionCount = static_cast<int>(sections.size());
    for (std::size_t k = 0; k < sections.size(); ++k) {
        Map s(cx, entryObject(cx, sections, k, "a section"), sections.at(k), "a pile section");
        PileSection& ps = p.sections[k];
        ps.from = s.real("to", 0.0, true);
        ps.secondLength = s.real("length", 0.0);
        ps.crossSectionNo = reference(cx, s, "crossSection", sectionNames, "cross section", true);
        Map mc(cx, s.object("momentCurvatureSets"), s.at("momentCurvatureSets"),
               "the moment-curvature sets");
        ps.mcSetY = mc.integer("aboutY", 0);
        ps.mcSetZ = mc.integer("aboutZ", 0);
    }
}

void readLayerBoundary(Context& cx, Map& layer, const char* key, int soilType, double& x,
                       std::array<double, kSoilProperties>& values) {
    Map b(cx, layer.object(key), layer.at(key), std::string("the ") + key + " of the layer");
    if (!b.present()) layer.missing(key, "its x and soil properties");
    x = b.real("x", 0.0, b.present());
    const bool rock = soilType == kSoilTypeVuggyLimestone || soilType == kSoilTypeWeakRock;
    for (std::size_t k = 0; k < kSoilPropertyNames.size(); ++k) {
        std::string_view name = kSoilPropertyNames[k];
        if (rock && k == 1 && (b.has(kRockStrengthName) || !b.has(name))) name = kRockStrengthName;
        if (soilType == kSoilTypeWeakRock && k == 5 && (b.has(kWeakRockKrmName) || !b.has(name)))
            name = kWeakRockKrmName;
        values[k] = b.real(name, 0.0);
    }
}

void readUserCurve(Context& cx, Map& m, UserCurve& c, int no, const char* what) {
    c.curveNo = m.integer("number", no);
    c.pointCount = points<CurvePoint>(cx, m, "points", c.points, &CurvePoint::force,
                                      &CurvePoint::displacement, what);
}

// A list of user load-settlement or torque-rotation curves (sections H, I):
// present means used. Returns the switch of the input data file, 1 or 0.
template <std::size_t N>
int readUserCurves(Context& cx, Map& top, const char* key, std::array<UserCurve, N>& rows,
                   int& count, const char* entries, const char* what, const char* pair) {
    const List l = top.list(key, static_cast<int>(N), entries);
    count = static_cast<int>(l.size());
    for (std::size_t i = 0; i < l.size(); ++i) {
        Map m(cx, entryObject(cx, l, i, what), l.at(i), what);
        readUserCurve(cx, m, rows[i], static_cast<int>(i) + 1, pair);
    }
    return top.has(key) ? 1 : 0;
}

std::vector<std::string> namesOf(const List& l, const char* key) {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < l.size(); ++i) {
        const DocJson& v = (*l.node)[i];
        std::string name;
        if (v.is_object() && v.contains(key) && v[key].is_string())
            name = v[key].get<std::string>();
        name.erase(name.find_last_not_of(' ') + 1);
        names.push_back(name);
    }
    return names;
}

}  // namespace

void readModelDocument(const SourceDocument& doc, ModelStore& store,
                       std::vector<Diagnostic>& diagnostics) {
    clearModelStore(store);
    Context cx{doc, diagnostics};
    if (!doc.root.is_object()) {
        cx.error("",
                 "a model document must be a mapping of named fields, not " + typeName(doc.root));
        return;
    }
    Map top(cx, &doc.root, "", "the model");

    // Version, title and control.
    const int version = top.integer("pylora", 0, true);
    if (top.has("pylora") && version != kDocumentFormatVersion)
        cx.error("/pylora", "document format " + std::to_string(version) +
                                " is not known: this program reads format " +
                                std::to_string(kDocumentFormatVersion));
    store.title.assign(top.text("title", kTitleLength));
    ControlParameters& c = store.control;
    c.unitsSystem = top.choice("units", kUnitsChoices, 2, true);
    c.analysisType = top.choice("analysis", kAnalysisChoices, 3, true);
    c.embeddedCapOption = top.flag("embeddedCap", 0);
    c.groupFactorOption = top.choice("groupFactors", kGroupFactorChoices, 0);
    const int type = c.analysisType;

    // Cap and plate.
    {
        Map cap(cx, top.object("cap"), "/cap", "the pile cap");
        store.cap.capLengthY = cap.real("length", 0.0);
        store.cap.capWidthZ = cap.real("width", 0.0);
        store.cap.capWidthRead = store.cap.capWidthZ;
        store.cap.capThicknessX = cap.real("thickness", 0.0);
        Map plate(cx, cap.object("flexible"), "/cap/flexible", "the flexible cap");
        if (plate.present()) {
            const int solve = plate.flag("solve", 1);
            c.flexibleCapOption = solve == 1 ? 1 : 2;
            store.cap.plateCentreY = plate.real("centreY", 0.0);
            store.cap.plateOffsetZ = plate.real("offsetZ", 0.0);
            Map e(cx, plate.object("elements"), "/cap/flexible/elements", "the plate elements");
            if (!e.present()) plate.missing("elements", "the numbers of elements {y, z}");
            store.cap.plateElementsY = e.integer("y", 0, e.present());
            store.cap.plateElementsZ = e.integer("z", 0, e.present());
            store.cap.plateYoungModulus = plate.real("youngsModulus", 0.0, true);
            store.cap.platePoissonRatio = plate.real("poissonsRatio", 0.0, true);
        }
    }

    // Load cases, combinations, envelopes and distributed-load sets.
    LoadCaseTable& cases = store.loadCases;
    const List caseList = top.list("loadCases", kMaxLoadCases, "load cases");
    cases.loadCaseCount = static_cast<int>(caseList.size());
    for (std::size_t i = 0; i < caseList.size(); ++i) {
        Map m(cx, entryObject(cx, caseList, i, "a load case"), caseList.at(i), "a load case");
        readLoadCase(cx, m, cases.rows[i], type);
    }
    std::vector<std::string> caseNames;
    for (int i = 0; i < cases.loadCaseCount; ++i)
        caseNames.push_back(cases.rows[i].name.str());
    CombinationTable& combinations = store.combinations;
    const List combinationList = top.list("combinations", kMaxCombinations, "load combinations");
    combinations.combinationCount = static_cast<int>(combinationList.size());
    for (std::size_t i = 0; i < combinationList.size(); ++i) {
        Map m(cx, entryObject(cx, combinationList, i, "a load combination"), combinationList.at(i),
              "a load combination");
        readCombination(cx, m, combinations.rows[i], caseNames);
    }
    {
        Map env(cx, top.object("envelopes"), "/envelopes", "the envelopes");
        Map ec(cx, env.object("loadCases"), "/envelopes/loadCases", "the load-case envelopes");
        if (ec.present()) {
            cases.caseEnvelopeFlag = 1;
            cases.caseEnvelopePrintOption = ec.choice("print", kPrintChoices, 2);
            cases.caseEnvelopeNodeStep = ec.integer("nodeStep", 1);
        }
        Map em(cx, env.object("combinations"), "/envelopes/combinations",
               "the combination envelopes");
        if (em.present()) {
            combinations.combinationEnvelopeFlag = 1;
            combinations.combinationEnvelopePrintOption = em.choice("print", kPrintChoices, 2);
            combinations.combinationEnvelopeNodeStep = em.integer("nodeStep", 1);
        }
    }
    const List sets = top.list("distributedLoadSets", kMaxDistributedSets, "distributed-load sets");
    store.distributedSets.distributedSetCount = static_cast<int>(sets.size());
    for (std::size_t i = 0; i < sets.size(); ++i) {
        Map m(cx, entryObject(cx, sets, i, "a distributed-load set"), sets.at(i),
              "a distributed-load set");
        DistributedSet& s = store.distributedSets.rows[i];
        s.setPointCount = points<SetPoint>(cx, m, "points", s.points, &SetPoint::depth,
                                           &SetPoint::load, "depth, load per unit length");
    }

    // Pile arrangement.
    const List groups = top.list("pileGroups", kMaxPileGroups, "pile groups");
    if (groups.node && type != 2 && type != 3)
        cx.error("/pileGroups", "pile groups need the analysis twoDimensional or threeDimensional");
    store.arrangement.pileGroupCount =
        (type == 2 || type == 3) ? static_cast<int>(groups.size()) : 0;
    for (int i = 0; i < store.arrangement.pileGroupCount; ++i) {
        const auto n = static_cast<std::size_t>(i);
        Map m(cx, entryObject(cx, groups, n, "a pile group"), groups.at(n), "a pile group");
        readPileGroup(cx, m, store.arrangement.rows[n], store.groupFactors, n, type);
    }

    // Cross sections first: the pile sections name them.
    const List sectionList = top.list("crossSections", kMaxCrossSections, "cross sections");
    const std::vector<std::string> sectionNames = namesOf(sectionList, "name");
    store.crossSections.crossSectionCount = static_cast<int>(sectionList.size());
    for (std::size_t i = 0; i < sectionList.size(); ++i) {
        Map m(cx, entryObject(cx, sectionList, i, "a cross section"), sectionList.at(i),
              "a cross section");
        readCrossSection(cx, m, store.crossSections.rows[i], static_cast<int>(i) + 1);
    }
    const List propertyList = top.list("pileProperties", kMaxPileProperties, "pile properties");
    store.pileProperties.pilePropertyCount = static_cast<int>(propertyList.size());
    for (std::size_t i = 0; i < propertyList.size(); ++i) {
        Map m(cx, entryObject(cx, propertyList, i, "a pile property"), propertyList.at(i),
              "a pile property");
        readPileProperty(cx, m, store.pileProperties.rows[i], static_cast<int>(i) + 1,
                         sectionNames);
    }

    // Soil layers and the p-y curves to print.
    const List layers = top.list("soilLayers", kMaxSoilLayers, "soil layers");
    store.soilLayers.NLAYER = static_cast<int>(layers.size());
    for (std::size_t i = 0; i < layers.size(); ++i) {
        Map m(cx, entryObject(cx, layers, i, "a soil layer"), layers.at(i), "a soil layer");
        SoilLayer& L = store.soilLayers.rows[i];
        L.layerNo = static_cast<int>(i) + 1;
        L.KSOIL = m.choice("type", kSoilTypeChoices, 1, true);
        L.valueRowCount = kLayerValueRows;
        L.propertyCount = kSoilProperties;
        readLayerBoundary(cx, m, "top", L.KSOIL, L.topX, L.top);
        readLayerBoundary(cx, m, "bottom", L.KSOIL, L.bottomX, L.bottom);
    }
    const bool printing = top.has("printPyCurves");
    const int option = top.choice("pyCurveOption", kPyCurveOptionChoices, 0);
    if (printing && top.has("pyCurveOption"))
        cx.error("/pyCurveOption",
                 "\"pyCurveOption\" and \"printPyCurves\" exclude each other: "
                 "the curves listed are printed after the analysis");
    c.KPYOP = printing ? 1 : option;
    const List prints = top.list("printPyCurves", kMaxPyPrintRequests, "p-y curves to print");
    store.pyPrints.pyPrintCount = static_cast<int>(prints.size());
    for (std::size_t i = 0; i < prints.size(); ++i) {
        Map m(cx, entryObject(cx, prints, i, "a p-y curve to print"), prints.at(i),
              "a p-y curve to print");
        PyPrintRequest& r = store.pyPrints.rows[i];
        r.pileNo = m.integer("pileGroup", 0, true);
        r.depth = m.real("x", 0.0, true);
        const std::vector<double> extra =
            numbers(cx, m, "deflections", kMaxExtraPrintDepths, "deflections");
        r.extraDepthCount = static_cast<int>(extra.size());
        std::copy(extra.begin(), extra.end(), r.extraDepths.begin());
    }

    // User curves and moment-curvature sets: present means used.
    const List pySets = top.list("userPyCurves", kMaxPySets, "user p-y sets");
    c.userPyCurvesOption = top.has("userPyCurves") ? 1 : 0;
    store.userPySets.pySetCount = static_cast<int>(pySets.size());
    for (std::size_t i = 0; i < pySets.size(); ++i) {
        Map m(cx, entryObject(cx, pySets, i, "a user p-y set"), pySets.at(i), "a user p-y set");
        UserPySet& s = store.userPySets.rows[i];
        s.setNo = static_cast<int>(i) + 1;
        const List curves = m.list("curves", kMaxPyCurvesPerSet, "curves");
        s.pyCurveCount = static_cast<int>(curves.size());
        for (std::size_t k = 0; k < curves.size(); ++k) {
            Map cm(cx, entryObject(cx, curves, k, "a p-y curve"), curves.at(k), "a p-y curve");
            UserPyCurve& curve = s.curves[k];
            curve.x = cm.real("x", 0.0, true);
            curve.pyPointCount =
                points<PyPoint>(cx, cm, "points", curve.points, &PyPoint::p, &PyPoint::y, "p, y");
        }
    }
    c.userLsCurvesOption =
        readUserCurves(cx, top, "userLoadSettlementCurves", store.userLsCurves.rows,
                       store.userLsCurves.lsCurveCount, "load-settlement curves",
                       "a load-settlement curve", "axial load, settlement");
    c.userTrCurvesOption =
        readUserCurves(cx, top, "userTorqueRotationCurves", store.userTrCurves.rows,
                       store.userTrCurves.trCurveCount, "torque-rotation curves",
                       "a torque-rotation curve", "torsional moment, rotation in radians");
    const List mc = top.list("momentCurvatureSets", kMaxMcSets, "moment-curvature sets");
    c.userMomentCurvatureOption = top.has("momentCurvatureSets") ? 1 : 0;
    store.mcSets.mcSetCount = static_cast<int>(mc.size());
    for (std::size_t i = 0; i < mc.size(); ++i) {
        Map m(cx, entryObject(cx, mc, i, "a moment-curvature set"), mc.at(i),
              "a moment-curvature set");
        McSet& s = store.mcSets.rows[i];
        s.setNo = static_cast<int>(i) + 1;
        const List curves = m.list("curves", kMaxMcCurvesPerSet, "curves");
        s.mcCurveCount = static_cast<int>(curves.size());
        for (std::size_t k = 0; k < curves.size(); ++k) {
            Map cm(cx, entryObject(cx, curves, k, "a moment-curvature curve"), curves.at(k),
                   "a moment-curvature curve");
            McCurve& curve = s.curves[k];
            curve.axialLoad = cm.real("axialLoad", 0.0, true);
            curve.mcPointCount = points<McPoint>(cx, cm, "points", curve.points, &McPoint::moment,
                                                 &McPoint::curvature, "moment, curvature");
        }
    }
    top.finish();
    if (cx.dropped > 0) {
        Diagnostic d;
        d.message = std::to_string(cx.dropped) + " more problems are not shown (the first " +
                    std::to_string(kMaxDiagnostics) + " are)";
        diagnostics.push_back(std::move(d));
    }
}

}  // namespace pylora
