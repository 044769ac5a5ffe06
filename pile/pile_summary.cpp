// SPDX-License-Identifier: Apache-2.0
#include "pile/pile_summary.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "format/format.h"
#include "format/number_fields.h"
#include "pile/envelope_tracking.h"
#include "pile/result_rows.h"
#include "store/pile_workers.h"

namespace pylora {

namespace {

// Records of one pile group in the pile data file.
constexpr int kRecordsPerGroup = 8;
// The widest table: the along-pile quantities of the biaxial solution.
constexpr std::size_t kMaxColumns = kAlongPileQuantities3D;

// Widths of the summary rows: the lead of a row (group number or row name)
// and every value column.
constexpr int kHeadLead = 17;
constexpr int kAlongLead = 11;
constexpr int kColumn = 12;

enum Kind { kGlobalAxes = 1, kPileAxes = 2, kAlongPile = 3 };

struct Column {
    std::string head;
    std::string unit;
};

// One table: its kind and selector and what it shows.
struct Table {
    int kind = 0;
    int selector = 0;
    bool twoDimensional = false;
    bool capacities = false;
    std::vector<Column> columns;  // the value columns printed
    std::size_t valueCount = 0;   // values of the record read
};

// ---------------------------------------------------------------------------
// Reading the pile data file.

bool readRecord(std::FILE* file, std::string& record) {
    record.clear();
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, file) != nullptr) {
        record += buffer;
        if (!record.empty() && record.back() == '\n') {
            record.pop_back();
            return true;
        }
    }
    return !record.empty();
}

// A real number of a record as the runtime writes it: fixed point, E form,
// or E form with a three-digit exponent and no letter (0.1234+100). A field
// that cannot be read (asterisks) gives 0.
double parseReal(std::string_view token) {
    const std::string text(token);
    char* end = nullptr;
    double v = std::strtod(text.c_str(), &end);
    if (end == text.c_str()) return 0.0;
    if (*end == '+' || *end == '-') {
        char* exponentEnd = nullptr;
        const long exponent = std::strtol(end, &exponentEnd, 10);
        if (exponentEnd != end) v *= std::pow(10.0, static_cast<double>(exponent));
    }
    return std::isfinite(v) ? v : 0.0;
}

std::vector<std::string_view> tokensOf(std::string_view text) {
    std::vector<std::string_view> tokens;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && text[i] == ' ')
            ++i;
        const std::size_t start = i;
        while (i < text.size() && text[i] != ' ')
            ++i;
        if (i > start) tokens.push_back(text.substr(start, i - start));
    }
    return tokens;
}

// A record of values after the pile-group number: the number and up to
// `count` values (missing ones are 0).
int parseValueRecord(std::string_view record, std::size_t count,
                     std::array<double, kMaxColumns>& values) {
    values.fill(0.0);
    const std::vector<std::string_view> tokens = tokensOf(record);
    if (tokens.empty()) return 0;
    const int group = std::atoi(std::string(tokens[0]).c_str());
    for (std::size_t q = 0; q < count && q + 1 < tokens.size(); ++q)
        values[q] = parseReal(tokens[q + 1]);
    return group;
}

// A record of positions: the label x(..) and up to `count` positions.
void parsePositionRecord(std::string_view record, std::size_t count,
                         std::array<double, kMaxColumns>& values) {
    values.fill(0.0);
    const std::size_t close = record.find(')');
    const std::vector<std::string_view> tokens =
        tokensOf(close == std::string_view::npos ? record : record.substr(close + 1));
    for (std::size_t q = 0; q < count && q < tokens.size(); ++q)
        values[q] = parseReal(tokens[q]);
}

// ---------------------------------------------------------------------------
// The tables.

Table tableOf(const ModelStore& store, int kind, int selector, bool capacities) {
    Table t;
    t.kind = kind;
    t.selector = selector;
    t.twoDimensional = store.control.analysisType == 2;
    t.capacities = capacities;
    const std::string L = std::string(store.units.length2.view());
    const std::string F = std::string(store.units.force3.view());
    const std::string R = kUnitRadian;
    const std::string M = momentUnitLabel(store);
    const std::string S = stressUnitLabel(store);
    std::vector<Column>& c = t.columns;
    if (kind != kAlongPile) {
        const bool global = kind == kGlobalAxes;
        if (selector == 1) {
            // Displacements: the translations, then the rotations.
            c.push_back({global ? " DISP. X," : " DISP. x,", L});
            c.push_back({global ? "DISP. Y," : "DISP. y,", L});
            if (!t.twoDimensional) {
                c.push_back({global ? "DISP. Z," : "DISP. z,", L});
                c.push_back({global ? "ROT. X," : "ROT. x,", R});
                c.push_back({global ? "ROT. Y," : "ROT. y,", R});
            }
            c.push_back({global ? "ROT. Z," : "ROT. z,", R});
        } else if (t.twoDimensional) {
            c.push_back({global ? " FOR. X," : "  AXIAL,", F});
            c.push_back({global ? "FOR. Y," : "LAT. y,", F});
            c.push_back({global ? "MOM Z," : "MOM z,", M});
            c.push_back({"STRESS,", S});
        } else {
            c.push_back({global ? " FOR. X," : "  AXIAL,", F});
            c.push_back({global ? "FOR. Y," : "LAT. y,", F});
            c.push_back({global ? "FOR. Z," : "LAT. z,", F});
            c.push_back({global ? "MOM X," : "MOM x,", M});
            c.push_back({global ? "MOM Y," : "MOM y,", M});
            c.push_back({global ? "MOM Z," : "MOM z,", M});
            c.push_back({"STR,", S});
        }
        t.valueCount = c.size();
        return t;
    }
    const std::string P = lineLoadUnitLabel(store);
    const std::string EI = rigidityUnitLabel(store);
    if (t.twoDimensional) {
        for (const std::string& unit : {L, M, F, P, S, EI, std::string(), std::string()})
            c.push_back({"", unit});
        t.valueCount = kAlongPileQuantities2D;
    } else {
        for (const std::string& unit :
             {L, L, M, M, F, F, P, P, S, EI, EI, std::string(), std::string()})
            c.push_back({"", unit});
        t.valueCount = kAlongPileQuantities3D;
    }
    if (!capacities) t.columns.resize(t.columns.size() - 2);
    return t;
}

// The record of a group that a table reads: 0-based among its eight.
int recordOf(const Table& t) {
    if (t.kind == kAlongPile) return t.selector == 1 ? 4 : 6;
    return 2 * (t.kind - 1) + (t.selector - 1);
}

void writeHeaders(std::string& summary, const Table& t) {
    ReportLine line;
    if (t.kind != kAlongPile) {
        line.slash().X(7).text(t.selector == 1 ? "* PILE TOP DISPLACEMENTS *"
                                               : "* PILE TOP REACTIONS *");
        line.slash();
        appendLine(summary, line);
        line.clear();
        line.X(5).text(" PILE GROUP ");
        for (const Column& c : t.columns)
            appendColumnHead(line, c.head, kColumn);
        appendLine(summary, line);
        line.clear();
        line.X(kHeadLead);
        for (const Column& c : t.columns)
            appendColumnHead(line, inParentheses(c.unit), kColumn);
        appendLine(summary, line);
        return;
    }
    line.slash().X(7).text(t.selector == 1 ? "* MINIMUM VALUES AND LOCATIONS *"
                                           : "* MAXIMUM VALUES AND LOCATIONS *");
    line.slash();
    appendLine(summary, line);
    line.clear();
    ReportLine second;
    if (t.twoDimensional) {
        line.X(7).text("PILE");
        for (std::string_view head :
             {"DEFLECTION", "MOMENT", "SHEAR", " SOIL   ", "TOTAL", "FLEXURAL"})
            appendColumnHead(line, head, kColumn);
        if (t.capacities) line.X(1).text("BEND. D/C     SHEAR D/C");
        second.X(kAlongLead + 3 * kColumn);
        for (std::string_view head : {"REACTION", "STRESS", "RIGIDITY"})
            appendColumnHead(second, head, kColumn);
    } else {
        constexpr std::string_view yz = "   y-DIR       z-DIR  ";
        constexpr std::string_view zy = "   z-DIR       y-DIR  ";
        line.X(7).text("PILE");
        for (std::string_view title :
             {"DEFLECTION", "BENDING MOMENT", "SHEAR FORCE", "SOIL REACTION"})
            appendCentred(line, title, 2 * kColumn);
        appendCentred(line, "TOTAL", kColumn);
        appendCentred(line, "FLEXURAL RIGIDITY", 2 * kColumn);
        if (t.capacities) appendCentred(line, "DEMAND/CAPACITY", 2 * kColumn);
        second.X(kAlongLead);
        for (std::string_view sub : {yz, zy, yz, yz})
            second.X(2).text(sub);
        appendCentred(second, "STRESS", kColumn);
        second.X(2).text(zy);
        if (t.capacities) second.X(2).text("  BENDING      SHEAR  ");
    }
    // The first line was started after 7 blanks and 'PILE': 11 characters.
    appendLine(summary, line);
    appendLine(summary, second);
    line.clear();
    line.X(kAlongLead);
    for (const Column& c : t.columns)
        appendColumnHead(line, c.unit.empty() ? std::string() : inParentheses(c.unit), kColumn);
    appendLine(summary, line);
}

void writeValues(ReportLine& row, std::span<const double> values) {
    for (const double v : values)
        writeRealField(row, kColumn, 4, v);
}

void writeGroups(ReportLine& row, std::span<const int> groups, int width) {
    for (const int g : groups)
        writeIntegerField(row, width, g);
}

// The pile data file of the pass, read once for the six tables: the records
// of at most pileGroupCount groups, up to the end of the file or the first
// record that could not be read.
struct PileDataRecords {
    bool opened = false;
    std::vector<std::string> records;
};

PileDataRecords readPileData(const ModelStore& store, int pileGroupCount) {
    PileDataRecords data;
    FileHandle file = openForReading(store.run.pileDataFilePath.str());
    if (!file) {
        noteFileFailure(store.run.pileDataFilePath.str(), FileOperation::read, errno);
        return data;
    }
    data.opened = true;
    const std::size_t wanted =
        static_cast<std::size_t>(std::max(pileGroupCount, 0)) * kRecordsPerGroup;
    std::string record;
    while (data.records.size() < wanted && readRecord(file.get(), record))
        data.records.push_back(record);
    if (std::ferror(file.get()) != 0) noteFileFailure(file.get(), FileOperation::read);
    closeFile(file);
    return data;
}

// One table: a row per pile group of the records, the extreme rows.
void printTable(std::string& summary, const ModelStore& store, const Table& t,
                const PileDataRecords& data, int pileGroupCount) {
    writeHeaders(summary, t);
    if (!data.opened) return;

    const std::size_t n = t.columns.size();
    const int wanted = recordOf(t);
    RunningExtremes<kMaxColumns, int> extremes;
    std::array<double, kMaxColumns> values{};
    std::array<double, kMaxColumns> positions{};
    const std::size_t perGroup = kRecordsPerGroup;
    const std::size_t at = static_cast<std::size_t>(wanted);
    for (int group = 1; group <= pileGroupCount; ++group) {
        // A group whose eight records the file does not hold ends the table.
        const std::size_t first = static_cast<std::size_t>(group - 1) * perGroup;
        if (first + perGroup > data.records.size()) break;
        const int groupNo = parseValueRecord(data.records[first + at], t.valueCount, values);
        if (t.kind == kAlongPile)
            parsePositionRecord(data.records[first + at + 1], t.valueCount, positions);

        const std::span<const double> shown = std::span<const double>(values).first(n);
        ReportLine row;
        if (t.kind != kAlongPile) {
            writeBlanks(row, 7);
            writeIntegerField(row, 9, groupNo);
            writeBlanks(row, 1);
        } else {
            writeBlanks(row, 6);
            writeIntegerField(row, 5, groupNo);
        }
        writeValues(row, shown);
        endLine(summary, row);
        if (t.kind == kAlongPile) {
            row.X(5).text("x(").A(store.units.length2.view(), 2).text(")");
            writeBlanks(row, 1);
            writeValues(row, std::span<const double>(positions).first(n));
            endLine(summary, row);
        }
        extremes.take(shown, groupNo);
    }
    if (extremes.rows == 0) return;

    const std::span<const double> minima = std::span<const double>(extremes.minimum).first(n);
    const std::span<const double> maxima = std::span<const double>(extremes.maximum).first(n);
    const std::span<const int> minimumGroups = std::span<const int>(extremes.minimumTag).first(n);
    const std::span<const int> maximumGroups = std::span<const int>(extremes.maximumTag).first(n);
    ReportLine row;
    if (t.kind != kAlongPile) {
        for (const bool minimum : {true, false}) {
            row.X(7).text(minimum ? "  MINIMUM " : "  MAXIMUM ");
            writeValues(row, minimum ? minima : maxima);
            endLine(summary, row);
            row.X(7).text("  Pile G. ");
            writeGroups(row, minimum ? minimumGroups : maximumGroups, kColumn);
            endLine(summary, row);
        }
        return;
    }
    const bool minimum = t.selector == 1;
    row.X(7).text(minimum ? "Min." : "Max.");
    writeValues(row, minimum ? minima : maxima);
    endLine(summary, row);
    // 'Pile ' is one character wider than the lead of the rows.
    row.X(7).text("Pile ");
    writeGroups(row, minimum ? minimumGroups : maximumGroups, kColumn - 1);
    endLine(summary, row);
}

}  // namespace

void printPileSummary(ModelStore& store, int pileGroupCount, int demandCapacity) {
    const PileDataRecords data = readPileData(store, pileGroupCount);
    // The six tables, kind by kind and selector by selector, made on the
    // run's worker threads when it has them.
    constexpr int kTables = 3 * 2;
    std::array<std::string, kTables> texts;
    const ModelStore& model = store;
    const auto make = [&](int i) {
        const int kind = kGlobalAxes + i / 2;
        const int selector = 1 + i % 2;
        printTable(texts[static_cast<std::size_t>(i)], model,
                   tableOf(model, kind, selector, demandCapacity == 1), data, pileGroupCount);
    };
    if (store.pileWorkers && store.pileWorkers->threadCount() > 1)
        store.pileWorkers->run(kTables, [&](PileScratch&, int i) { make(i); });
    else
        for (int i = 0; i < kTables; ++i)
            make(i);

    std::FILE* summary = store.files.summary.get();
    constexpr std::array<std::string_view, 3> kSections{"THE GLOBAL STRUCTURAL COORDINATE SYSTEM",
                                                        "THE PILE COORDINATE SYSTEM (LOCAL AXES)",
                                                        "* EFFECTS FOR LATERALLY LOADED PILE *"};
    for (int kind = kGlobalAxes; kind <= kAlongPile; ++kind) {
        const std::string_view section = kSections[static_cast<std::size_t>(kind - 1)];
        ReportLine line;
        line.slash().slash().X(7).text(section);
        if (kind != kAlongPile) line.slash().X(7).repeat(static_cast<int>(section.size()), "-");
        writeLine(summary, line);
        for (int selector = 1; selector <= 2; ++selector)
            if (summary)
                writeText(summary, texts[static_cast<std::size_t>(2 * (kind - 1) + selector - 1)]);
    }
}

}  // namespace pylora
