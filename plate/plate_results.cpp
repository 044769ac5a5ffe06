// SPDX-License-Identifier: Apache-2.0
#include "plate/plate_results.h"

#include <cstddef>

#include "format/format.h"

namespace pylora {

namespace {

using Index = std::size_t;

Index at(int i) {
    return static_cast<Index>(i);
}

// The columns of the resultants, with the blanks before each.
ReportLine& resultantHeadings(ReportLine& l) {
    l.X(3).text("SIGMA_XX").X(4).text("SIGMA_YY").X(4).text("SIGMA_XY").X(3).text("X-MOMENT");
    l.X(4).text("Y-MOMENT").X(3).text("XY-MOMENT").X(2).text("XZ-S,FORCE").X(2).text("YZ-S,FORCE");
    return l;
}

struct Extreme {
    double value = 0.0;
    int element = 0;
    int point = 0;
};

void writeExtremes(std::FILE* listing, const char* title,
                   const std::array<Extreme, kShellResultants>& extremes) {
    ReportLine heading;
    heading.slash().X(10).text(title).slash();
    writeLine(listing, heading);
    ReportLine columns;
    columns.X(25);
    writeLine(listing, resultantHeadings(columns));
    ReportLine stress;
    stress.X(10).text("STRESS").X(9);
    for (const Extreme& e : extremes)
        stress.E(e.value, 13, 5);
    writeLine(listing, stress);
    ReportLine element;
    element.X(10).text("ELEM. ").X(9);
    ReportLine point;
    point.X(10).text("IP    ").X(9);
    for (int r = 0; r < kShellResultants; ++r) {
        const int w = r == 0 ? 6 : 12;
        element.I(extremes[at(r)].element, w);
        point.I(extremes[at(r)].point, w);
    }
    writeLine(listing, element);
    writeLine(listing, point);
}

}  // namespace

void writePlateStresses(std::FILE* listing, std::span<const int> numbers,
                        std::span<const ShellPointResults> elements) {
    if (listing == nullptr) return;
    ReportLine title;
    title.slash().X(10).text("STRESSES").slash();
    writeLine(listing, title);
    ReportLine columns;
    columns.slash().text(" G,P.").X(2).text("X-COORD.").X(2).text("Y-COORD.");
    writeLine(listing, resultantHeadings(columns));

    std::array<Extreme, kShellResultants> largest{};
    std::array<Extreme, kShellResultants> smallest{};
    bool first = true;
    for (Index e = 0; e < elements.size() && e < numbers.size(); ++e) {
        const int number = numbers[e];
        ReportLine heading;
        heading.slash().X(5).text("ELEMENT NO.=").I(number, 5);
        writeLine(listing, heading);
        const ShellPointResults& p = elements[e];
        for (int g = 0; g < kShellPoints; ++g) {
            ReportLine l;
            l.I(g + 1, 5).F(p.pointX[at(g)], 10, 4).F(p.pointY[at(g)], 10, 4);
            for (int r = 0; r < kShellResultants; ++r) {
                const double v = p.resultants[at(g)][at(r)];
                l.E(v, 13, 5);
                if (first || v > largest[at(r)].value) largest[at(r)] = {v, number, g + 1};
                if (first || v < smallest[at(r)].value) smallest[at(r)] = {v, number, g + 1};
            }
            first = false;
            writeLine(listing, l);
        }
    }
    writeExtremes(listing, "MAXIMUM STRESSES", largest);
    writeExtremes(listing, "MINIMUM STRESSES", smallest);
}

void writeStepResultsHeader(std::FILE* results) {
    if (results == nullptr) return;
    for (const char* line :
         {"STEP_DATA", "14",
          "UX UY UZ ROTX ROTY ROTZ SXX SYY SXY MOM_X MOM_Y MOM_XY SH_XZ SH_YZ"}) {
        ReportLine l;
        l.text(line);
        writeLine(results, l);
    }
}

void writeStepResultsBlock(std::FILE* results, int step, std::span<const double> displacements,
                           std::span<const double> sums, std::span<const int> counts) {
    if (results == nullptr) return;
    ReportLine heading;
    heading.text("STEP").I(step, 8);
    writeLine(results, heading);
    const Index nodes = counts.size();
    if (displacements.size() < nodes * 6 || sums.size() < nodes * kShellResultants) return;
    for (Index n = 0; n < nodes; ++n) {
        ReportLine l;
        l.I(static_cast<long long>(n + 1), 5);
        for (Index k = 0; k < 6; ++k)
            l.E(displacements[n * 6 + k], 12, 4);
        const int count = counts[n];
        for (Index r = 0; r < kShellResultants; ++r)
            l.E(count > 0 ? sums[n * kShellResultants + r] / count : 0.0, 12, 4);
        writeLine(results, l);
    }
}

}  // namespace pylora
