// SPDX-License-Identifier: Apache-2.0
#include "pile/result_rows.h"

#include <algorithm>
#include <array>

#include "format/number_fields.h"
#include "store/constants.h"

namespace pylora {

namespace {

constexpr std::string_view kEffectsTitle = "* EFFECTS FOR LATERALLY LOADED PILE *   ";
constexpr std::string_view kGlobalTitle = "THE GLOBAL STRUCTURAL COORDINATE SYSTEM";
constexpr std::string_view kLocalTitle = "THE PILE COORDINATE SYSTEM (LOCAL AXES)";
constexpr std::string_view kTitleRule = "---------------------------------------";
constexpr std::string_view kCapacityHeads = "BEND. D/C     SHEAR D/C";

std::string_view withoutBlanks(std::string_view s) {
    const std::size_t first = s.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const std::size_t last = s.find_last_not_of(' ');
    return s.substr(first, last - first + 1);
}

std::string L2(const ModelStore& store) {
    return std::string(store.units.length2.view());
}
std::string F3(const ModelStore& store) {
    return std::string(store.units.force3.view());
}

void writeTo(std::initializer_list<std::FILE*> files, const ReportLine& line) {
    for (std::FILE* f : files)
        writeLine(f, line);
}

}  // namespace

std::string momentUnitLabel(const ModelStore& store) {
    return F3(store) + kUnitTimes + L2(store);
}
std::string lineLoadUnitLabel(const ModelStore& store) {
    return F3(store) + kUnitPer + L2(store);
}
std::string stressUnitLabel(const ModelStore& store) {
    return F3(store) + kUnitPer + L2(store) + kUnitPower + kUnitSquare;
}
std::string rigidityUnitLabel(const ModelStore& store) {
    return F3(store) + kUnitTimes + L2(store) + kUnitPower + kUnitSquare;
}
std::string inParentheses(std::string_view unit) {
    return "(" + std::string(withoutBlanks(unit)) + ")";
}

void appendColumnHead(ReportLine& line, std::string_view head, int w) {
    const int n = static_cast<int>(head.size());
    if (n < w)
        line.X(w - n).text(head);
    else
        line.X(1).text(head);
}

void appendCentred(ReportLine& line, std::string_view title, int w) {
    const int n = static_cast<int>(title.size());
    const int left = n < w ? (w - n) / 2 : 1;
    line.X(left).text(title);
    if (left + n < w) line.X(w - left - n);
}

// ---------------------------------------------------------------------------
// Pile-top records.

void writePileDataRecord(std::FILE* file, int pileGroup, std::span<const double> values,
                         PileDataField field) {
    ReportLine line;
    line.X(5).I(pileGroup, 6).X(6);
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0) line.X(2);
        const double v = values[i] + 0.0;  // + 0.0: a negated zero prints as zero
        if (field == PileDataField::general12)
            line.G(v, 12, 5);
        else
            line.E(v, 11, 4);
    }
    writeLine(file, line);
}

void writePileTopRecords(std::FILE* pileData, int pileGroup, std::span<const double> global,
                         std::span<const double> local, std::size_t displacements,
                         PileDataField field) {
    for (const std::span<const double> values : {global, local}) {
        writePileDataRecord(pileData, pileGroup, values.first(displacements), field);
        writePileDataRecord(pileData, pileGroup, values.subspan(displacements), field);
    }
}

void writeHeadRow(std::FILE* file, std::span<const double> values, int w, int d) {
    ReportLine line;
    writeBlanks(line, 3);
    for (const double v : values)
        writeRealField(line, w, d, v);
    endLine(file, line);
}

void writeHeadRecords(std::FILE* resultsData, int pileGroup, std::span<const double> global,
                      std::span<const double> local) {
    ReportLine line;
    line.text("* PILE GROUP *").I(pileGroup, 6);
    writeLine(resultsData, line);
    line.clear();
    line.X(7).text("* PILE TOP DISP. AND REACT. GLOBAL");
    writeLine(resultsData, line);
    writeHeadRow(resultsData, global, 17, 8);
    line.clear();
    line.X(7).text("* PILE TOP DISP. AND REACT. LOCAL");
    writeLine(resultsData, line);
    writeHeadRow(resultsData, local, 17, 8);
}

void writeReportHeadBlocks2D(const ModelStore& store, std::FILE* file,
                             std::span<const double> global, std::span<const double> local) {
    const std::string_view l2 = store.units.length2.view();
    const std::string_view f3 = store.units.force3.view();
    ReportLine heads;
    heads.X(8).text("XDISPL,").A(l2, 2).X(3).text("YDISPL,").A(l2, 2);
    heads.X(5).text("SLOPE").X(5).text("AXIAL,").A(f3, 3).X(4).text("LAT,").A(f3, 3);
    heads.X(4).text("BM,").A(f3, 3).A(kUnitTimes, 1).A(l2, 2);
    heads.X(3).text("STRESS,").A(f3, 3).A(kUnitPer, 1).A(l2, 2).A(kUnitPower, 2);
    heads.A(kUnitSquare, 1).slash();
    ReportLine line;
    line.slash().X(7).text(kGlobalTitle).slash().X(7).text(kTitleRule).slash();
    writeLine(file, line);
    writeLine(file, heads);
    writeHeadRow(file, global, 12, 4);
    line.clear();
    line.slash().slash().X(7).text(kLocalTitle).slash().X(7).text(kTitleRule).slash();
    writeLine(file, line);
    writeLine(file, heads);
    writeHeadRow(file, local, 12, 4);
}

void writeReportHeadBlocks3D(const ModelStore& store, std::FILE* file,
                             std::span<const double> global, std::span<const double> local) {
    const std::string l2 = L2(store);
    const std::string f3 = F3(store);
    const std::string moment = momentUnitLabel(store);
    const std::string stress = stressUnitLabel(store);
    const auto heads = [&](std::initializer_list<std::string_view> displacementHeads,
                           std::initializer_list<std::string_view> forceHeads) {
        ReportLine h;
        writeBlanks(h, 3);
        int i = 0;
        for (std::string_view head : displacementHeads)
            appendColumnHead(h, std::string(head) + (i++ < 3 ? l2 : std::string(kUnitRadian)), 12);
        i = 0;
        for (std::string_view head : forceHeads)
            appendColumnHead(h, std::string(head) + (i++ < 3 ? f3 : moment), 12);
        appendColumnHead(h, "STR," + stress, 12);
        return h;
    };
    ReportLine line;
    line.slash().X(7).text(kGlobalTitle).slash().X(7).text(kTitleRule);
    writeLine(file, line);
    writeLine(file, heads({" DISP. X,", "DISP. Y,", "DISP. Z,", "ROT. X,", "ROT. Y,", "ROT. Z,"},
                          {" FOR. X,", "FOR. Y,", "FOR. Z,", "MOM X,", "MOM Y,", "MOM Z,"}));
    writeHeadRow(file, global, 12, 4);
    line.clear();
    line.slash().slash().X(7).text(kLocalTitle).slash().X(7).text(kTitleRule);
    writeLine(file, line);
    writeLine(file, heads({" DISP. x,", "DISP. y,", "DISP. z,", "ROT. x,", "ROT. y,", "ROT. z,"},
                          {"  AXIAL,", "LAT. y,", "LAT. z,", "MOM x,", "MOM y,", "MOM z,"}));
    writeHeadRow(file, local, 12, 4);
}

// ---------------------------------------------------------------------------
// Along-pile tables.

int tableNodeStep(int nodeStep, int N) {
    return std::max(1, std::min(nodeStep, N));
}

void writeSinglePlaneTable(const ModelStore& store, std::initializer_list<std::FILE*> files,
                           AlongPileTable columns, int N, double h, int nodeStep, bool capacities) {
    ReportLine line;
    line.slash().slash().X(7).text(kEffectsTitle).slash();
    writeTo(files, line);
    line.clear();
    line.A("X", 11).A("DEFLECTION", 13).A("MOMENT", 13).A("SHEAR", 13).A("SOIL REACT.", 13);
    line.A("TOTAL STRESS", 13).A("FLEX. RIGID.", 13);
    if (capacities) line.X(4).text(kCapacityHeads);
    writeTo(files, line);
    line.clear();
    const std::string_view l2 = store.units.length2.view();
    line.A(inParentheses(l2), 11).A(inParentheses(l2), 13);
    line.A(inParentheses(momentUnitLabel(store)), 13);
    line.A(inParentheses(store.units.force3.view()), 13);
    line.A(inParentheses(lineLoadUnitLabel(store)), 13);
    line.A(inParentheses(stressUnitLabel(store)), 13);
    line.A(inParentheses(rigidityUnitLabel(store)), 13);
    writeTo(files, line);

    const int step = tableNodeStep(nodeStep, N);
    for (int k = 0; k <= N; k += step) {
        const std::size_t i = static_cast<std::size_t>(k);
        ReportLine row;
        writeBlanks(row, 2);
        writeRealField(row, 9, 4, k * h);
        for (std::size_t q = 0; q < 6; ++q) {
            writeBlanks(row, 1);
            writeRealField(row, 12, 4, columns[q][i]);
        }
        if (capacities) {
            writeBlanks(row, 1);
            writeRealField(row, 12, 4, columns[6][i]);
            writeBlanks(row, 2);
            writeRealField(row, 12, 4, columns[7][i]);
        }
        row.text(" ");
        writeTo(files, row);
    }
}

void writeBiaxialTable(std::FILE* file, AlongPileTable columns, int N, double h, int nodeStep,
                       bool capacities) {
    constexpr std::string_view yz = "   y-DIR       z-DIR  ";
    constexpr std::string_view zy = "   z-DIR       y-DIR  ";
    ReportLine line;
    line.slash().slash().X(8).text(kEffectsTitle).slash();
    writeLine(file, line);
    line.clear();
    line.X(10);
    for (std::string_view title : {"DEFLECTION", "BENDING MOMENT", "SHEAR FORCE", "SOIL REACTION"})
        appendCentred(line, title, 24);
    appendCentred(line, "TOTAL", 12);
    appendCentred(line, "FLEXURAL RIGIDITY", 24);
    if (capacities) appendCentred(line, "DEMAND/CAPACITY", 24);
    writeLine(file, line);
    line.clear();
    line.A("X", 10);
    for (std::string_view sub : {yz, zy, yz, yz})
        line.X(2).text(sub);
    appendCentred(line, "STRESS", 12);
    line.X(2).text(zy);
    if (capacities) line.X(2).text("  BENDING      SHEAR  ");
    writeLine(file, line);

    const int step = tableNodeStep(nodeStep, N);
    const std::size_t valueColumns = capacities ? 13 : 11;
    for (int k = 0; k <= N; k += step) {
        ReportLine row;
        writeBlanks(row, 1);
        writeRealField(row, 9, 4, k * h);
        for (std::size_t q = 0; q < valueColumns; ++q)
            writeRealField(row, 12, 4, columns[q][static_cast<std::size_t>(k)]);
        endLine(file, row);
    }
}

}  // namespace pylora
